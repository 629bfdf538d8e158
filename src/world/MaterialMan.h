// The level's materials: six default slots and every mesh's own material.
#pragma once

#include "world/Material.h"

#include <memory>
#include <vector>

class TMaterialMan {
  public:
    TMaterialMan();

    TMaterial Base;
    TMaterial Waters;
    TMaterial Drops;
    TMaterial Bubbles;
    TMaterial SplineObjects;
    TMaterial Figures;
    std::vector<std::unique_ptr<TMaterial>> Materials;

    TMaterial* NewMaterial();
    TMaterial* NewChild(TMaterial* parent);
    // Removes and frees it (the last entry takes its place) and clears the
    // reference; false when it is not in the list.
    bool FreeMaterial(TMaterial*& material);

    // int32 k, then k records into base, waters, spline objects, figures,
    // drops, bubbles; drops and bubbles end unlit.
    void ReadDefaults(TByteReader& in);
    void WriteDefaults(TByteWriter& out) const;
};

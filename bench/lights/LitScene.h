// One large textured slab (3000 × 2000 units, triangles of at most 40 units
// a side, grouped in 300-unit cells) in a single playing layer, and a set of
// point lights scattered over it: some plain, some cycling, some flashing.
#pragma once

#include "render/Lights.h"
#include "world/Layers.h"
#include "world/SplineObj.h"

#include <cstdint>
#include <memory>

class TLitScene {
  public:
    explicit TLitScene(int32_t pointLights);

    TLayers Layers;
    TObjectWorld World;
    TLights Lights;
    std::unique_ptr<TSplineObj> Slab;

    TMesh& Mesh() { return *Slab->Body.Meshes.front(); }
    int32_t GroupCount() { return int32_t(Mesh().Groups.size()); }
    int32_t TriangleCount() { return int32_t(Mesh().Triangles.size()); }
    // A frame of the playing layer with the view, lights prepared first.
    void Draw(const TBox2& view, int32_t width, int32_t height);
};

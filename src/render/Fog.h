// The fog sheet drawn in front of one layer: its record in the level file and
// the sheet values derived from it, by the same rules as the sky's clouds.
#pragma once

#include "render/Sky.h"

#include <array>
#include <cstdint>
#include <string>

class TFog {
public:
    TFog();

    bool FogOn = false;
    // The fog is drawn after this layer and after the next one.
    int32_t FogLayer = 0;
    int32_t FogTexture = 290;
    std::string FogTextureName;
    std::array<float, 4> FogColor{1.0f, 1.0f, 1.0f, 0.9f};
    std::array<float, 4> FogColor2{1.0f, 1.0f, 1.0f, 0.0f};
    // Never below 0.001; 1 until a fog record is read.
    float FogParallax = 1.0f;
    float FogAngle = 0.0f; // radians
    float FogSpeed = 0.0f;
    float FogMorphPower = 0.0f;
    float FogMorphSpeed = 0.0f;
    float FogScaleX = 60.0f;
    float FogScaleY = 60.0f;
    // A child of the level's base material (the level sets the parent), unlit.
    TMaterial Material;

    TCloudParams Sheet;

    // Reads the fog record (after its tag) and derives the sheet values;
    // false when the record is cut short.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    void SetFogParams();
};

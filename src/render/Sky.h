// The sky behind every level and its cloud sheet: the record the level file
// stores for it, and the cloud values derived from it. The fog (Fog.h) uses
// the same drifting sheet. Drawing and the per-tick animation build on these
// values.
#pragma once

#include "physics/VecMath.h"
#include "world/Material.h"
#include "world/Mesh.h"

#include <array>
#include <cstdint>
#include <string>

class TByteReader;
class TByteWriter;
class TMyTexture;

// Values of a drifting cloud or fog sheet that follow from its settings.
struct TCloudParams {
    float SpeedPerMs = 0.0f;
    TVec2 Velocity;
    // Grid cell size; at least 1, so the sheet always tiles.
    int32_t CellWidth = 1;
    int32_t CellHeight = 1;
    TVec2 WrapSize;
    // Morph amplitude per axis and the morph period base (0: no easing).
    int32_t MorphX = 0;
    int32_t MorphY = 0;
    int32_t MorphPeriod = 0;
    // Side of a star tile.
    float StarTileSize = 0.0f;
};

// angle in radians, morph values in percent, scale in percent; parallax > 0.
TCloudParams ComputeCloudParams(float angle, float speed, float morphPower, float morphSpeed, float scaleX,
                                float scaleY, float parallax);

// Reads and writes the four bytes of a colour, red first.

constexpr int32_t SkySpriteTextureCount = 5;

class TMSky {
public:
    TMSky();

    TRgba TopColor{0, 0, 0, 255};
    TRgba BottomColor{0, 0, 0, 255};
    bool RenderClouds = false;
    int32_t CloudTexture = 109;
    float CloudAngle = 0.0f; // radians
    float CloudSpeed = 0.0f;
    float MorphPower = 0.0f; // percent
    float MorphSpeed = 0.0f; // percent
    float ScaleX = 60.0f;    // percent
    float ScaleY = 60.0f;
    // Never below 0.001; 1 until a sky record is read, so that a level
    // without one never divides by zero.
    float SkyParallax = 1.0f;
    TRgba CloudColor{255, 255, 255, 255};
    TRgba CloudColor2{255, 255, 255, 255};
    // A child of the level's base material (the level sets the parent), unlit.
    TMaterial Material;

    bool RenderMoon = true;
    int32_t MoonTexture = 107;
    TVec2 MoonPos{500.0f, 500.0f};
    float MoonScale = 1.0f;
    // Kept as stored.
    float MoonAngle = float(50.0 * DegToRad);
    TRgba MoonColor{200, 200, 200, 255};

    bool RenderGlow = true;
    int32_t GlowTexture = 108;
    float GlowScale = 1.0f;
    TRgba GlowColor{255, 255, 255, 155};
    bool GlowBehindMoon = false;

    bool RenderStars = true;
    int32_t StarTexture = 0;
    int32_t StarsPerTile = 0;
    float StarSizeMin = 0.0f;
    float StarSizeMax = 0.0f;
    TRgba StarColor1{255, 255, 255, 255};
    TRgba StarColor2{255, 255, 255, 255};

    bool RenderSprites = false;
    float SpriteSizeMin = 40.0f;
    float SpriteSizeMax = 100.0f;
    // Looked up by name in the texture library; none for an empty name.
    std::array<TMyTexture*, SkySpriteTextureCount> SpriteTextures{};
    TRgba SpriteColor1{255, 255, 255, 255};
    TRgba SpriteColor2{255, 255, 255, 255};
    int32_t SpriteCount = 100;

    // The texture names as stored: cloud, moon, glow, star, then the sprites.
    // A non-empty name decides the texture; the writer stores them back.
    std::string CloudTextureName, MoonTextureName, GlowTextureName, StarTextureName;
    std::array<std::string, SkySpriteTextureCount> SpriteTextureNames;

    // Derived by SetCloudParams.
    TCloudParams Clouds;

    // Reads the sky record and derives the cloud values; false when the
    // record is cut short (the fields read before stay).
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    void SetCloudParams();
};

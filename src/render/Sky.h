// The sky behind every level: a background colour or gradient, a tiled star
// field, a moon with its glow, a sheet of drifting and morphing clouds and a
// field of swaying decoration sprites. The record the level file stores for
// it, the cloud values derived from it, the animation of every tick and the
// drawing. The fog (Fog.h) uses the same drifting sheet.
#pragma once

#include "physics/VecMath.h"
#include "render/CloudSheet.h"
#include "world/Material.h"
#include "world/Mesh.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;
class TMyTexture;

constexpr int32_t SkySpriteTextureCount = 5;
// Stored list sizes the sky builds arrays from are held to these.
constexpr int32_t MaxSkySprites = 10000;
constexpr int32_t MaxStarsPerTile = 10000;

// One point of the cloud grid. Its brightness wanders in whole numbers
// 0 … 199; the drawing does not use it, but its draws belong to the tick.
struct TCloudPoint {
    TRgba Color{160, 160, 160, 255};
    int32_t Brightness = 0;
    int32_t BrightnessFrom = 0;
    int32_t BrightnessTo = 0;
    int32_t BrightnessElapsed = 0;
    int32_t BrightnessDuration = 0;
    TSheetMorph Morph;
};

// One star tile: four corners per star, as client arrays for DrawArrays.
struct TStars_Fragment {
    std::vector<float> Vertices;  // x, y per corner, in the tile (0 … tile side)
    std::vector<float> TexCoords; // s, t per corner
    std::vector<uint8_t> Colours; // r, g, b, a per corner
    int32_t CornerCount() const { return int32_t(Vertices.size() / 2); }
};

// A decoration sprite of the sky. The sway goes from one of −1, 0, 1 to another.
struct TSkySprite {
    TVec2 Pos;
    TRgba Colour;
    float Size = 0.0f; // half the side
    TMyTexture* Texture = nullptr;
    int32_t SwayFrom = 0;
    int32_t SwayTo = 0;
};

// The next sway value after the one a sprite has reached, from one draw of Random(2).
int32_t NextSway(int32_t reached, int32_t draw);

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

    // ---- Built by Rebuild, animated by Tick ----
    std::array<TCloudPoint, SheetPointCount> Grid;
    TVec2 Scroll;
    std::array<TStars_Fragment, SheetPointCount> StarTiles;
    std::vector<TSkySprite> Sprites;
    // Side of the square sprite field, which repeats over the sky.
    float SpriteSide = 0.0f;
    // Counts down the 50 ms of one sway.
    int32_t SwayCountdown = 0;

    // Reads the sky record and derives the cloud values; false when the
    // record is cut short (the fields read before stay).
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    void SetCloudParams();

    // Derives the cloud values and builds the cloud grid, the star tiles and
    // the sprites, drawing from the generator in that order. Building the
    // sprites re-seeds the generator.
    void Rebuild();
    // A level restart: the sky is built afresh.
    void Reset();
    // dt ms: brightness and morph of every grid point, the drift, then the
    // sprites' sway.
    void Tick(int32_t dt);
    // Draws the sky behind everything with its own parallax projection. In
    // the edit view only the background. counter grows by the triangles drawn.
    void Draw(int32_t& counter, bool editView, const TSkyView& view) const;
    // How far the middle row of a sprite sways sideways now.
    float SpriteSway(const TSkySprite& sprite) const;

  private:
    void BuildStars();
    void BuildSprites();
    void DrawBackground() const;
    void DrawStars() const;
    void DrawSprites() const;
    void DrawMoon(int32_t& counter) const;
    void DrawGlow(int32_t& counter) const;
    void DrawClouds(int32_t& counter) const;
};

// The fog sheet drawn in front of one layer: its record in the level file, the
// sheet values derived from it by the same rules as the sky's clouds, the
// animation of its grid and its drawing.
#pragma once

#include "render/Sky.h"

#include <array>
#include <cstdint>
#include <string>

// One point of the fog grid: its brightness, a fraction between the alphas
// of the two fog colours, scales the fog's alpha there.
struct TFogPoint {
    float Brightness = 0.0f;
    float BrightnessFrom = 0.0f;
    float BrightnessTo = 0.0f;
    int32_t BrightnessElapsed = 0;
    int32_t BrightnessDuration = 0;
    TSheetMorph Morph;
};

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
    std::array<TFogPoint, SheetPointCount> Grid;
    TVec2 Scroll;

    // Reads the fog record (after its tag) and derives the sheet values;
    // false when the record is cut short.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    void SetFogParams();

    // Derives the sheet values and builds the grid (drawing from the generator).
    void Rebuild();
    // A level restart: the grid is built afresh.
    void Reset();
    // dt ms: brightness and morph of every grid point, then the drift.
    void Tick(int32_t dt);
    // Whether the fog is drawn after the layer of this number: its own layer and the next.
    bool DrawsAfterLayer(int32_t number) const {
        return number == FogLayer || int64_t(number) == int64_t(FogLayer) + 1;
    }
    // Draws the sheet with its own parallax projection; nothing while the fog
    // is off. counter grows by the triangles drawn.
    void Draw(int32_t& counter, const TSkyView& view) const;

  private:
    float RandomBrightness() const;
};

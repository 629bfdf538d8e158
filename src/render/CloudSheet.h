// The drifting, slowly morphing sheet that the sky's clouds and the fog share:
// a 6 × 6 grid of points that repeats over the whole view, each point
// wandering around its place while the whole sheet scrolls. Also the
// parallax rectangle that the sky and the fog are projected with.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>

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

constexpr int32_t SheetSide = 6;
constexpr int32_t SheetPointCount = SheetSide * SheetSide;
// Point (i, j) of the grid (column i, row j) is entry i · 6 + j.
constexpr int32_t SheetIndex(int32_t i, int32_t j) {
    return i * SheetSide + j;
}

// How one grid point wanders: its offset eases from From to To over Duration ms.
struct TSheetMorph {
    TVec2 Offset;
    TVec2 From;
    TVec2 To;
    int32_t Elapsed = 0;
    int32_t Duration = 0;
};

// A target within the morph amplitude: one draw for x, then one for y.
TVec2 RandomMorphTarget(const TCloudParams& p);
// A new point's morph: from and to one target, then a second target, then
// the duration (period + a draw below the period).
void StartMorph(TSheetMorph& m, const TCloudParams& p);
// One step of dt ms. When the period is over the offset rests on the target
// just reached and a new target and duration are drawn; with a period of 0
// this happens every step, so the offset jumps from target to target.
void StepMorph(TSheetMorph& m, int32_t dt, const TCloudParams& p);
// The drift: scroll + dt · velocity, wrapped into the sheet's repeat.
TVec2 ScrollSheet(TVec2 scroll, int32_t dt, const TCloudParams& p);

// What the level tells the sky and the fog about its view.
struct TSkyView {
    float CameraX = 0.0f;
    float CameraY = 0.0f;
    int32_t ViewWidth = 1; // pixels
    int32_t ViewHeight = 1;
    float Scale = 1.0f; // world units per pixel
    float Roll = 0.0f;  // degrees
};

// The level's view as a layer of this parallax sees it: centred on the
// camera times the parallax, the view's world size divided by the parallax.
TBox2 ParallaxRect(const TSkyView& view, float parallax);
// SetProjection with that rectangle and the camera roll.
void SetParallaxProjection(const TSkyView& view, float parallax);

// The colours of the sheet's vertices, as fractions: a vertical gradient from
// Top at the view's top edge to Bottom at its bottom edge; with PointAlpha,
// each vertex's alpha is also multiplied by its grid point's factor.
struct TSheetColours {
    std::array<float, 4> Top{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 4> Bottom{1.0f, 1.0f, 1.0f, 1.0f};
    const std::array<float, SheetPointCount>* PointAlpha = nullptr;
};

// The most columns and rows of cells one sheet draws: a view more cells
// across than this is damage, not a sky.
constexpr int32_t MaxSheetCells = 4096;

// Draws the sheet over the current ViewRect, one triangle strip per row of
// cells, with the bound texture repeating every 6 cells. offsets are the
// grid points' morph offsets. Adds 2 to counter per column drawn.
void DrawSheet(const std::array<TVec2, SheetPointCount>& offsets, TVec2 scroll, const TCloudParams& p,
               const TSheetColours& colours, int32_t& counter);

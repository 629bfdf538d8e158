// A cubic Bézier curve in the level plane. Four of them, linked head to tail
// (top, right, bottom, left, each running clockwise on the screen), form the
// outline of a spline object and the patch its meshes are warped through.
#pragma once

#include "assets/ByteStream.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TSpline {
  public:
    TSpline() = default;
    static TSpline CreateFromPoints(TVec2 p0, TVec2 startHandle, TVec2 p1, TVec2 endHandle);

    TVec2 StartPoint;
    TVec2 EndPoint;
    TVec2 StartHandle; // offset of the first inner control point from StartPoint
    TVec2 EndHandle;   // offset of the second inner control point from EndPoint
    float Extra1 = 0.0f;
    float Extra2 = 0.0f;
    int32_t Segments = 10;
    TSpline* Prev = nullptr;
    TSpline* Next = nullptr;
    uint8_t ExtraFlag1 = 0;
    uint8_t ExtraFlag2 = 0;

    TVec2 Evaluate(float t) const;
    void SetShape(TVec2 p0, TVec2 startHandle, TVec2 endHandle, TVec2 p1);
    // Points, segments and the two flags; the ring links stay.
    void CopyShape(const TSpline& source);

    // The 78-byte record.
    void ReadSpline(TByteReader& in);
    void WriteSpline(TByteWriter& out) const;

    // Line pairs for the level tools' overlay.
    void DrawOutline(uint8_t alpha, bool selected, bool showHandles, int32_t hotHandle = -1) const;
};

constexpr int32_t SplineRecordSize = 78;

// An outline: four splines, top, right, bottom, left.
using TOutline = std::array<TSpline, 4>;

bool TranslateOutline(TSpline* splines, int32_t n, float dx, float dy);
bool LinkRing(TSpline* splines, int32_t n);
// Copies every stored field; targets that are missing are created.
bool CopyOutline(const std::vector<std::unique_ptr<TSpline>>& source,
                 std::vector<std::unique_ptr<TSpline>>& target, int32_t n);
// The default outline of a new object: a 100 × 200 rectangle with straight
// edges, linked as a ring.
void MakeDefaultOutline(TOutline& out);

constexpr int32_t MaxPatchCells = 512;

// One patch cell per started 100 units, at least one and at most MaxPatchCells.
void GridCountsForSize(float width, float height, int32_t& columns, int32_t& rows);

// (columns + 1) × (rows + 1) points, row by row.
std::vector<TVec2> BuildPatchGrid(const TOutline& outline, int32_t columns, int32_t rows);

// Maps each source point from the box (or the points' own bounds when box is
// null) through the patch. Source points are clamped to the box in place. A
// point that rounding leaves in neither triangle of its cell is carried by the
// affine map of the cell's first triangle, so every target follows the warp.
// A flat box has no cells: the targets are left as they are.
void DeformPoints(TVec2* source, TVec2* target, int32_t count, const TBox2* box, int32_t rows,
                  int32_t columns, const TOutline& outline);

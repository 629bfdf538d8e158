// Operations on arrays of points. Each returns false, doing nothing, when the
// array is missing or the count is below 1.
#pragma once

#include "physics/VecMath.h"

#include <cstddef>
#include <cstdint>

bool PointsCentre(const TVec2* points, int32_t n, TVec2& centre);
bool ReversePoints(TVec2* points, int32_t n);
bool PointsBounds(const TVec2* points, int32_t n, TBox2& box);
bool MovePoints(TVec2* points, int32_t n, float dx, float dy);
bool ScalePoints(TVec2* points, int32_t n, TVec2 centre, float sx, float sy);
bool RotatePoints(TVec2* points, int32_t n, TVec2 centre, float a);

// Copies count bytes, stepping the source by sourceStep and the target by
// targetStep after each byte: scatters and gathers interleaved planes.
void StridedCopy(const uint8_t* source, uint8_t* target, ptrdiff_t sourceStep, ptrdiff_t count,
                 ptrdiff_t targetStep);

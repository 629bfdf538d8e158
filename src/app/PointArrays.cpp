#include "app/PointArrays.h"

#include <algorithm>
#include <cmath>
#include <utility>

bool PointsCentre(const TVec2* points, int32_t n, TVec2& centre) {
    if (!points || n < 1) return false;
    float sx = 0, sy = 0;
    for (int32_t i = n - 1; i >= 0; --i) {
        sx += points[i].X;
        sy += points[i].Y;
    }
    centre = {sx / float(n), sy / float(n)};
    return true;
}

bool ReversePoints(TVec2* points, int32_t n) {
    if (!points || n < 1) return false;
    for (int32_t i = 0; i < n / 2; ++i)
        std::swap(points[i], points[n - 1 - i]);
    return true;
}

bool PointsBounds(const TVec2* points, int32_t n, TBox2& box) {
    if (!points || n < 1) return false;
    TBox2 b{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (int32_t i = 1; i < n; ++i) {
        b.Left = std::min(b.Left, points[i].X);
        b.Right = std::max(b.Right, points[i].X);
        b.Top = std::min(b.Top, points[i].Y);
        b.Bottom = std::max(b.Bottom, points[i].Y);
    }
    box = b;
    return true;
}

bool MovePoints(TVec2* points, int32_t n, float dx, float dy) {
    if (!points || n < 1) return false;
    for (int32_t i = 0; i < n; ++i) {
        points[i].X += dx;
        points[i].Y += dy;
    }
    return true;
}

bool ScalePoints(TVec2* points, int32_t n, TVec2 centre, float sx, float sy) {
    if (!points || n < 1) return false;
    for (int32_t i = 0; i < n; ++i) {
        points[i].X = centre.X + sx * (points[i].X - centre.X);
        points[i].Y = centre.Y + sy * (points[i].Y - centre.Y);
    }
    return true;
}

bool RotatePoints(TVec2* points, int32_t n, TVec2 centre, float a) {
    if (!points || n < 1) return false;
    float c = std::cos(a), s = std::sin(a);
    for (int32_t i = 0; i < n; ++i) {
        float x = points[i].X - centre.X, y = points[i].Y - centre.Y;
        points[i].X = centre.X + c * x + s * y;
        points[i].Y = centre.Y - s * x + c * y;
    }
    return true;
}

void StridedCopy(const uint8_t* source, uint8_t* target, ptrdiff_t sourceStep, ptrdiff_t count,
                 ptrdiff_t targetStep) {
    for (ptrdiff_t i = 0; i < count; ++i) {
        *target = *source;
        source += sourceStep;
        target += targetStep;
    }
}

#include "FigureShapes.h"

#include "physics/PhysicsSettings.h"
#include "physics/VecMath.h"

#include <cmath>
#include <string>

namespace {
constexpr double Grid = 64.0;

enum TShape { shStar, shBall, shCube, shBean };

struct TFigureShape {
    int32_t Number;
    TShape Shape;
    int32_t Kind;
    double Size; // across, in world units
    int32_t Nodes;
    const char* Texture;
};

const TFigureShape Shapes[] = {
    {1, shStar, mkRubber, 80, 40, "Rollixs\\MubStar.png"},
    {2, shStar, mkBalloon, 80, 40, "Rollixs\\AirStar.png"},
    {3, shStar, mkWater, 80, 40, "Rollixs\\WaterStar.png"},
    {4, shBall, mkRubber, 60, 32, "Rollixs\\MubBall.png"},
    {5, shBall, mkBalloon, 60, 32, "Rollixs\\AirBall.png"},
    {6, shBall, mkWater, 60, 32, "Rollixs\\WaterBall.png"},
    {7, shCube, mkRubber, 56, 32, "Rollixs\\MubCube.png"},
    {8, shCube, mkBalloon, 56, 32, "Rollixs\\AirCube.png"},
    {9, shCube, mkWater, 56, 32, "Rollixs\\WaterCube.png"},
    {25, shBean, mkRubber, 48, 28, "Rollixs\\Skritek_Fazole1.png"},
    {26, shBean, mkRubber, 42, 24, "Rollixs\\Skritek_Fazole2.png"},
    {50, shStar, mkBalloon, 100, 48, "Rollixs\\AirStar.png"},
    {51, shBall, mkRubber, 44, 28, "Rollixs\\MubBall.png"},
};

// A point of the outline at parameter a (radians, 0 … 2π, clockwise on
// screen since Y grows downward), for a shape one unit across.
void ShapePoint(TShape shape, double a, double& x, double& y) {
    const double c = std::cos(a), s = std::sin(a);
    switch (shape) {
    case shBall:
        x = 0.5 * c;
        y = 0.5 * s;
        return;
    case shCube: {
        // A square with rounded corners: the superellipse |x|^6 + |y|^6 = r^6.
        const double e = 2.0 / 6.0;
        x = 0.5 * std::copysign(std::pow(std::fabs(c), e), c);
        y = 0.5 * std::copysign(std::pow(std::fabs(s), e), s);
        return;
    }
    case shStar: {
        // Five soft points, one straight up.
        const double r = 0.36 + 0.14 * std::cos(5.0 * (a + Pi / 2.0));
        x = r * c;
        y = r * s;
        return;
    }
    case shBean: {
        // A kidney: an ellipse with a dent in its upper side.
        const double dent = 0.12 * std::exp(-std::pow((a - 1.5 * Pi) / 0.6, 2.0));
        const double r = 0.5 - dent;
        x = r * c;
        y = 0.36 * (r / 0.5) * s;
        return;
    }
    }
}
} // namespace

const std::vector<int32_t>& ShippedFigureNumbers() {
    static const std::vector<int32_t> numbers = [] {
        std::vector<int32_t> v;
        for (const TFigureShape& s : Shapes)
            v.push_back(s.Number);
        return v;
    }();
    return numbers;
}

bool MakeShippedFigure(int32_t n, TMubFigure& figure) {
    const TFigureShape* shape = nullptr;
    for (const TFigureShape& s : Shapes)
        if (s.Number == n) shape = &s;
    if (!shape) return false;

    const int32_t count = shape->Nodes;
    std::vector<double> xs(static_cast<size_t>(count)), ys(static_cast<size_t>(count));
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int32_t i = 0; i < count; ++i) {
        double x, y;
        ShapePoint(shape->Shape, 2.0 * Pi * i / count, x, y);
        xs[size_t(i)] = x * shape->Size;
        ys[size_t(i)] = y * shape->Size;
        minX = std::fmin(minX, xs[size_t(i)]);
        maxX = std::fmax(maxX, xs[size_t(i)]);
        minY = std::fmin(minY, ys[size_t(i)]);
        maxY = std::fmax(maxY, ys[size_t(i)]);
    }
    // Centre on the centroid in whole grid steps, then spread the rounding
    // remainder over the first points so the sums are exactly zero.
    std::vector<int64_t> gx(static_cast<size_t>(count)), gy(static_cast<size_t>(count));
    double cx = 0, cy = 0;
    for (int32_t i = 0; i < count; ++i) {
        cx += xs[size_t(i)];
        cy += ys[size_t(i)];
    }
    cx /= count;
    cy /= count;
    int64_t sx = 0, sy = 0;
    for (int32_t i = 0; i < count; ++i) {
        gx[size_t(i)] = std::llround((xs[size_t(i)] - cx) * Grid);
        gy[size_t(i)] = std::llround((ys[size_t(i)] - cy) * Grid);
        sx += gx[size_t(i)];
        sy += gy[size_t(i)];
    }
    for (int32_t i = 0; sx != 0; i = (i + 1) % count) {
        gx[size_t(i)] -= sx > 0 ? 1 : -1;
        sx += sx > 0 ? -1 : 1;
    }
    for (int32_t i = 0; sy != 0; i = (i + 1) % count) {
        gy[size_t(i)] -= sy > 0 ? 1 : -1;
        sy += sy > 0 ? -1 : 1;
    }

    figure.MaterialKind = shape->Kind;
    figure.SetPointCount(count);
    figure.TextureIndex = -1;
    figure.TextureName = shape->Texture;
    const double w = maxX - minX, h = maxY - minY;
    for (int32_t i = 0; i < count; ++i) {
        const float x = float(double(gx[size_t(i)]) / Grid), y = float(double(gy[size_t(i)]) / Grid);
        figure.Points[size_t(i)].Pos = {x, y};
        const double u = (xs[size_t(i)] - minX) / w, v = (ys[size_t(i)] - minY) / h;
        figure.TexCoords[size_t(i)] = {float(std::round(u * 1024.0) / 1024.0),
                                       float(std::round(v * 1024.0) / 1024.0)};
    }
    figure.BuildPairs();
    figure.BuildFan();
    figure.TexCentre = figure.MeanTexCoord();
    return true;
}

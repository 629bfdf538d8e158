// The rest shape of a soft body: its outline points, the springs between
// every pair of them at rest, texture coordinates and the triangle fan.
#pragma once

#include "physics/VecMath.h"
#include "world/Material.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TCharacterLevel;

struct TPairRecord {
    float RestLength = 0.0f;
    float Stiffness = 0.0f;
};

struct TFigurePoint {
    TVec2 Pos;
    float RestAngle = 0.0f;
};

struct TFigureTriangle {
    int32_t A = 0, B = 0, C = 0; // −1 is the centre vertex
};

class TMubFigure {
  public:
    TMubFigure();
    explicit TMubFigure(TCharacterLevel* level);

    TCharacterLevel* Level = nullptr;
    int32_t MaterialKind = 0;
    std::vector<TFigurePoint> Points;
    // Rest springs, row i holding point i's pair toward every point (N × N).
    std::vector<TPairRecord> Pairs;
    std::vector<TVec2> TexCoords;
    int32_t TextureIndex = -1;
    std::string TextureName; // kept so a written file names the same picture
    TVec2 TexCentre;
    std::unique_ptr<TMaterial> Material;
    int32_t OverlayTexture = -1;
    std::string OverlayTextureName;
    bool OverlayEnabled = false;
    int32_t OverlayLayer = 1;
    float OverlayParam = 200.0f;
    std::unique_ptr<TMaterial> OverlayMaterial;
    uint8_t OverlayColour[4] = {255, 255, 255, 255};
    std::vector<TFigureTriangle> Triangles;
    float MeanAbsX = 0.0f;
    float MeanAbsY = 0.0f;

    int32_t PointCount() const { return int32_t(Points.size()); }
    int32_t TriangleCount() const { return int32_t(Triangles.size()); }
    TPairRecord& Pair(int32_t i, int32_t j) { return Pairs[size_t(i) * Points.size() + size_t(j)]; }
    const TPairRecord& Pair(int32_t i, int32_t j) const {
        return Pairs[size_t(i) * Points.size() + size_t(j)];
    }

    // Sets the lengths of Points, TexCoords and the pair table.
    void SetPointCount(int32_t n);
    // False when the figure has no point.
    bool GetBounds(TBox2& box) const;
    void Recentre();
    // Recentre; rest lengths and stiffnesses of every ordered pair; the mean
    // half-size; the rest angles.
    void BuildPairs();
    void BuildFan();
    // Texture-coordinate mean; (0.5, 0.5) for a figure without points.
    TVec2 MeanTexCoord() const;
};

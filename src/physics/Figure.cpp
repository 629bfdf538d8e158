#include "physics/Figure.h"

#include "app/SiteTrace.h"
#include "physics/PhysicsSettings.h"

#include <cmath>

TMubFigure::TMubFigure() : TMubFigure(nullptr) {}

TMubFigure::TMubFigure(TCharacterLevel* level)
    : Level(level), Material(std::make_unique<TMaterial>(DefaultBaseMaterial())),
      OverlayMaterial(std::make_unique<TMaterial>(DefaultBaseMaterial())) {
    RecordSite(42001);
    OverlayMaterial->Lit = 0;
}

void TMubFigure::SetPointCount(int32_t n) {
    RecordSite(42002);
    if (n < 0) n = 0;
    Points.resize(size_t(n));
    TexCoords.resize(size_t(n));
    Pairs.assign(size_t(n) * size_t(n), TPairRecord{});
}

bool TMubFigure::GetBounds(TBox2& box) const {
    RecordSite(42003);
    if (Points.empty()) return false;
    box = {Points[0].Pos.X, Points[0].Pos.Y, Points[0].Pos.X, Points[0].Pos.Y};
    for (const TFigurePoint& p : Points) {
        box.Left = std::fmin(box.Left, p.Pos.X);
        box.Right = std::fmax(box.Right, p.Pos.X);
        box.Top = std::fmin(box.Top, p.Pos.Y);
        box.Bottom = std::fmax(box.Bottom, p.Pos.Y);
    }
    return true;
}

void TMubFigure::Recentre() {
    RecordSite(42004);
    if (Points.empty()) return;
    TVec2 sum;
    for (const TFigurePoint& p : Points)
        sum += p.Pos;
    TVec2 c{sum.X / float(Points.size()), sum.Y / float(Points.size())};
    for (TFigurePoint& p : Points)
        p.Pos -= c;
}

void TMubFigure::BuildPairs() {
    RecordSite(42005);
    Recentre();
    const int32_t n = PointCount();
    Pairs.assign(size_t(n) * size_t(n), TPairRecord{});
    const float e = Sets.FigureElasticity(MaterialKind);
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            TPairRecord& p = Pair(i, j);
            p.RestLength = Length(Points[size_t(j)].Pos - Points[size_t(i)].Pos);
            p.Stiffness = p.RestLength != 0.0f ? e * 40.0f / p.RestLength : 0.0f;
        }
    }
    MeanAbsX = MeanAbsY = 0.0f;
    if (n > 0) {
        for (const TFigurePoint& p : Points) {
            MeanAbsX += std::fabs(p.Pos.X);
            MeanAbsY += std::fabs(p.Pos.Y);
        }
        MeanAbsX /= float(n);
        MeanAbsY /= float(n);
    }
    for (TFigurePoint& p : Points)
        p.RestAngle = StandardAngle(p.Pos);
}

void TMubFigure::BuildFan() {
    RecordSite(42006);
    const int32_t n = PointCount();
    Triangles.clear();
    for (int32_t i = 0; i < n; ++i)
        Triangles.push_back({-1, i, i + 1 < n ? i + 1 : 0});
}

TVec2 TMubFigure::MeanTexCoord() const {
    if (TexCoords.empty()) return {0.5f, 0.5f};
    TVec2 sum;
    for (TVec2 t : TexCoords)
        sum += t;
    return {sum.X / float(TexCoords.size()), sum.Y / float(TexCoords.size())};
}

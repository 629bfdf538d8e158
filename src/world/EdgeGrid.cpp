#include "world/EdgeGrid.h"

#include "app/SiteTrace.h"

#include <algorithm>
#include <cmath>

namespace {
// A level far larger than any real one would ask for millions of cells; the
// filing stays correct with fewer, larger cells.
constexpr int32_t MaxGridCells = 4096;

int32_t CellCount(float span) {
    float n = span / TFragments::CellSize;
    if (!(n >= 1.0f)) return 1; // also NaN
    if (n >= float(MaxGridCells)) return MaxGridCells;
    return int32_t(n);
}

bool Closer(TVec2 h, TVec2 best, TVec2 from) {
    return std::fabs(h.X - from.X) < std::fabs(best.X - from.X) ||
           std::fabs(h.Y - from.Y) < std::fabs(best.Y - from.Y);
}

// Whether the segment meets the closed cell rectangle (the cell range has
// already checked the boxes). Testing for an end point inside or a crossed
// side misses, by rounding, an edge that runs exactly along a cell border —
// the usual case for a floor at the top of the grid — and a body then falls
// through it. The line test below is conservative instead: an edge is filed
// unless the whole cell lies clearly on one side of its line. An extra
// filing only costs a test; it never changes what a cast finds.
bool SegmentTouchesCell(TVec2 a, TVec2 b, const TBox2& box) {
    const double dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
    const double tol = 1e-4 * (std::fabs(dx) + std::fabs(dy)) * TFragments::CellSize;
    const TVec2 corners[4] = {
        {box.Left, box.Top}, {box.Right, box.Top}, {box.Right, box.Bottom}, {box.Left, box.Bottom}};
    bool above = true, below = true;
    for (TVec2 p : corners) {
        const double side = dx * (double(p.Y) - a.Y) - dy * (double(p.X) - a.X);
        above = above && side > tol;
        below = below && side < -tol;
    }
    return !above && !below;
}

bool Skipped(const TCollisionEdge& e, bool skipParticles, bool skipBodies) {
    return (skipBodies && e.PassBodies) || (skipParticles && e.PassParticles);
}

bool EdgeBoxMeets(const TCollisionEdge& e, float minX, float minY, float maxX, float maxY) {
    return !(e.MinX > maxX || e.MaxX < minX || e.MinY > maxY || e.MaxY < minY);
}
} // namespace

int32_t TFragments::LimitCell(float v, int32_t count) {
    if (!(v > 0.0f)) return 0; // negative or NaN
    if (v >= float(count - 1)) return count - 1;
    return int32_t(v);
}

void TFragments::Destroy() {
    RecordSite(36010);
    Cells.clear();
    ColumnX.clear();
    RowY.clear();
    Edges = nullptr;
    Empty = true;
}

void TFragments::Build(const std::vector<TCollisionEdge>& edges, const std::vector<TWaterArea*>& waters) {
    RecordSite(36011);
    Destroy();
    Edges = &edges;
    if (edges.empty()) {
        Left = Top = Right = Bottom = 0.0f;
        Columns = Rows = 1;
        InvColumns = InvRows = 1.0f;
        ScaleX = ScaleY = 0.0f;
        ColumnX = {0.0f, 0.0f};
        RowY = {0.0f, 0.0f};
        Cells.assign(1, TFragment{});
        return;
    }
    Empty = false;
    Left = Right = edges[0].Start.X;
    Top = Bottom = edges[0].Start.Y;
    auto grow = [this](float x, float y) {
        Left = std::min(Left, x);
        Right = std::max(Right, x);
        Top = std::min(Top, y);
        Bottom = std::max(Bottom, y);
    };
    for (const TCollisionEdge& e : edges) {
        grow(e.Start.X, e.Start.Y);
        grow(e.End.X, e.End.Y);
    }
    for (const TWaterArea* w : waters) {
        TBox2 b = w->AreaBounds();
        grow(b.Left, b.Top);
        grow(b.Right, b.Bottom);
    }
    Columns = CellCount(Right - Left);
    Rows = CellCount(Bottom - Top);
    while (int64_t(Columns) * Rows > MaxCells) {
        if (Columns >= Rows)
            Columns = (Columns + 1) / 2;
        else
            Rows = (Rows + 1) / 2;
    }
    InvColumns = 1.0f / float(Columns);
    InvRows = 1.0f / float(Rows);
    ScaleX = 1.0f / ((Right - Left) / float(Columns));
    ScaleY = 1.0f / ((Bottom - Top) / float(Rows));
    ColumnX.resize(size_t(Columns) + 1);
    RowY.resize(size_t(Rows) + 1);
    for (int32_t i = 0; i <= Columns; ++i)
        ColumnX[size_t(i)] = Left + (Right - Left) * float(i) * InvColumns;
    for (int32_t i = 0; i <= Rows; ++i)
        RowY[size_t(i)] = Top + (Bottom - Top) * float(i) * InvRows;
    Cells.assign(size_t(Columns) * size_t(Rows), TFragment{});

    for (size_t k = 0; k < edges.size(); ++k) {
        const TCollisionEdge& e = edges[k];
        int32_t c0 = LimitCell((e.MinX - Left) * ScaleX, Columns);
        int32_t c1 = LimitCell((e.MaxX - Left) * ScaleX, Columns);
        int32_t r0 = LimitCell((e.MinY - Top) * ScaleY, Rows);
        int32_t r1 = LimitCell((e.MaxY - Top) * ScaleY, Rows);
        for (int32_t c = c0; c <= c1; ++c) {
            for (int32_t r = r0; r <= r1; ++r) {
                TBox2 box{ColumnX[size_t(c)], RowY[size_t(r)], ColumnX[size_t(c) + 1], RowY[size_t(r) + 1]};
                const bool touches = SegmentTouchesCell(e.Start, e.End, box);
                if (touches) Cell(c, r).Edges.push_back(int32_t(k));
            }
        }
    }
    for (TWaterArea* w : waters) {
        TBox2 b = w->AreaBounds();
        int32_t c0 = LimitCell((b.Left - Left) * ScaleX, Columns);
        int32_t c1 = LimitCell((b.Right - Left) * ScaleX, Columns);
        int32_t r0 = LimitCell((b.Top - Top) * ScaleY, Rows);
        int32_t r1 = LimitCell((b.Bottom - Top) * ScaleY, Rows);
        for (int32_t c = c0; c <= c1; ++c)
            for (int32_t r = r0; r <= r1; ++r)
                Cell(c, r).Waters.push_back(w);
    }
}

TCastResult TFragments::CastSegment(TVec2 from, TVec2 to, bool skipParticles, bool skipBodies) const {
    RecordSite(36012);
    TCastResult result;
    result.Point = {from.X + 100000.0f, from.Y + 100000.0f};
    if (Empty || !Edges) return result;
    const float minX = std::min(from.X, to.X), maxX = std::max(from.X, to.X);
    const float minY = std::min(from.Y, to.Y), maxY = std::max(from.Y, to.Y);
    const int32_t c0 = LimitCell((minX - Left) * ScaleX, Columns);
    const int32_t c1 = LimitCell((maxX - Left) * ScaleX, Columns);
    const int32_t r0 = LimitCell((minY - Top) * ScaleY, Rows);
    const int32_t r1 = LimitCell((maxY - Top) * ScaleY, Rows);
    const std::vector<TCollisionEdge>& edges = *Edges;
    for (int32_t c = c0; c <= c1; ++c) {
        for (int32_t r = r0; r <= r1; ++r) {
            for (int32_t k : Cell(c, r).Edges) {
                const TCollisionEdge& e = edges[size_t(k)];
                if (Skipped(e, skipParticles, skipBodies)) continue;
                if (!EdgeBoxMeets(e, minX, minY, maxX, maxY)) continue;
                TVec2 h;
                if (!SegmentCrossPointNoBox(from, to, e.Start, e.End, h)) continue;
                if (Closer(h, result.Point, from)) {
                    result.Point = h;
                    result.Edge = k;
                    result.Hit = true;
                }
            }
        }
    }
    return result;
}

TWaterArea* TFragments::WaterAt(TVec2 p) const {
    RecordSite(36013);
    if (Empty) return nullptr;
    float cx = (p.X - Left) * ScaleX;
    float cy = (p.Y - Top) * ScaleY;
    if (!(cx >= 0.0f) || !(cy >= 0.0f) || cx >= float(Columns) || cy >= float(Rows)) return nullptr;
    for (TWaterArea* w : Cell(int32_t(cx), int32_t(cy)).Waters)
        if (w->ContainsPoint(p)) return w;
    return nullptr;
}

TCastResult CastSegmentAllEdges(const std::vector<TCollisionEdge>& edges, TVec2 from, TVec2 to,
                                bool skipParticles, bool skipBodies) {
    TCastResult result;
    result.Point = {from.X + 100000.0f, from.Y + 100000.0f};
    const float minX = std::min(from.X, to.X), maxX = std::max(from.X, to.X);
    const float minY = std::min(from.Y, to.Y), maxY = std::max(from.Y, to.Y);
    for (size_t k = 0; k < edges.size(); ++k) {
        const TCollisionEdge& e = edges[k];
        if (Skipped(e, skipParticles, skipBodies)) continue;
        if (!EdgeBoxMeets(e, minX, minY, maxX, maxY)) continue;
        TVec2 h;
        if (!SegmentCrossPointNoBox(from, to, e.Start, e.End, h)) continue;
        if (Closer(h, result.Point, from)) {
            result.Point = h;
            result.Edge = int32_t(k);
            result.Hit = true;
        }
    }
    return result;
}

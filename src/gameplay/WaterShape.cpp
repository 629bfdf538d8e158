// The shape of a water body: the outline traced along the level's walls, the
// mesh made from it, the surface points the waves move, and the point test.
#include "gameplay/Water.h"

#include "app/SiteTrace.h"
#include "assets/TexLib.h"

#include <algorithm>
#include <cmath>

namespace {
// Casts ignore crossings closer than this to where they start, so a walk
// that stands on an edge does not find that edge again.
constexpr float TraceEps = 0.01f;
// Points closer than this to the previous one are not added twice.
constexpr float SamePoint = 0.01f;
constexpr int32_t MaxTraceSteps = 5001;
constexpr float FarRight = 100000.0f;
// The surface moves at most this far from the rest level.
constexpr float MaxRoom = 50.0f;
// Mesh settings of a water: longest triangle side and group cell.
constexpr float WaterMaxEdge = 80.0f;
constexpr float WaterGroupCell = 100.0f;
// A water far larger than any real one (a damaged record) gets longer
// triangle sides, so that its mesh stays near this many squares.
constexpr double MaxMeshSquares = 10000.0;
// A trace adds at most this many points to fill its surface stretches; a
// longer surface gets its points further apart.
constexpr double MaxFillPoints = 20000.0;

struct THit {
    bool Hit = false;
    int32_t Edge = -1;
    TVec2 Point;
    double Dist2 = 0.0;
};

int32_t LimitCell(float v, int32_t count) {
    if (!(v > 0.0f)) return 0;
    if (v >= float(count - 1)) return count - 1;
    return int32_t(v);
}

// Where a0 → a1 meets b0 → b1 (ends included), in double precision.
bool CrossAt(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1, TVec2& point) {
    const double ex = double(a1.X) - a0.X, ey = double(a1.Y) - a0.Y;
    const double fx = double(b1.X) - b0.X, fy = double(b1.Y) - b0.Y;
    const double den = ex * fy - ey * fx;
    if (den == 0.0) return false;
    const double gx = double(b0.X) - a0.X, gy = double(b0.Y) - a0.Y;
    const double t = (gx * fy - gy * fx) / den;
    const double u = (gx * ey - gy * ex) / den;
    if (t < 0.0 || t > 1.0 || u < 0.0 || u > 1.0) return false;
    point = {float(a0.X + ex * t), float(a0.Y + ey * t)};
    return true;
}

// The crossing of from → to nearest to from (at least minDist away) on any
// edge but skip; among equally near ones the first in the edge array.
THit NearestHit(const TFragments& grid, TVec2 from, TVec2 to, int32_t skip, float minDist) {
    THit best;
    const std::vector<TCollisionEdge>* edges = grid.EdgeArray();
    if (!edges || edges->empty() || grid.Cells.empty()) return best;
    const float minX = std::min(from.X, to.X), maxX = std::max(from.X, to.X);
    const float minY = std::min(from.Y, to.Y), maxY = std::max(from.Y, to.Y);
    const int32_t c0 = LimitCell((minX - grid.Left) * grid.ScaleX, grid.Columns);
    const int32_t c1 = LimitCell((maxX - grid.Left) * grid.ScaleX, grid.Columns);
    const int32_t r0 = LimitCell((minY - grid.Top) * grid.ScaleY, grid.Rows);
    const int32_t r1 = LimitCell((maxY - grid.Top) * grid.ScaleY, grid.Rows);
    const double min2 = double(minDist) * minDist;
    for (int32_t c = c0; c <= c1; ++c)
        for (int32_t r = r0; r <= r1; ++r)
            for (int32_t k : grid.Cell(c, r).Edges) {
                if (k == skip) continue;
                const TCollisionEdge& e = (*edges)[size_t(k)];
                if (e.MinX > maxX || e.MaxX < minX || e.MinY > maxY || e.MaxY < minY) continue;
                TVec2 h;
                if (!CrossAt(from, to, e.Start, e.End, h)) continue;
                const double dx = double(h.X) - from.X, dy = double(h.Y) - from.Y;
                const double d2 = dx * dx + dy * dy;
                if (d2 < min2) continue;
                if (!best.Hit || d2 < best.Dist2 || (d2 == best.Dist2 && k < best.Edge))
                    best = {true, k, h, d2};
            }
    return best;
}

double Cross(TVec2 a, TVec2 b) {
    return double(a.X) * b.Y - double(a.Y) * b.X;
}

// The walk keeps the water on its right. On an edge it heads for one end:
// the start (against the ring's direction, which is the way for the game's
// clockwise rings) or the end.
struct TWalk {
    int32_t Edge = -1;
    bool TowardStart = true;
};

// The way along edge e at the point x when the walk came from `from`, which
// lies on the water's side: the end for which from lies on the right of the
// way. When from lies on the edge's line, the way that turns least.
bool HeadsForStart(const TCollisionEdge& e, TVec2 x, TVec2 from, TVec2 heading) {
    const TVec2 toStart = e.Start - e.End;
    // Right of heading h on the screen (y down) is (−h.Y, h.X); from − x lies
    // on the right of toStart when the cross product toStart × (from − x) > 0.
    const double side = Cross(toStart, from - x);
    const double scale = double(Length(toStart)) * double(Length(from - x));
    if (std::fabs(side) > 1e-6 * scale && scale > 0.0) return side > 0.0;
    return Dot(toStart, heading) >= 0.0f;
}
} // namespace

void TWater::Prepare(const TFragments* grid) {
    Rebuild(false, grid);
}

void TWater::Rebuild(bool retrace, const TFragments* grid) {
    RecordSite(55010);
    bool traced = false;
    if (grid && (retrace || Outline.empty() || WavePoints.empty())) {
        const std::vector<TVec2> stored = Outline;
        traced = Trace(*grid);
        // A trace that finds no pool keeps what the record held.
        if (!traced && !stored.empty()) Outline = stored;
    }
    Closed = Outline.size() > 2;
    if (Outline.empty()) {
        Bounds = {};
        Depth = 0.0f;
        Mesh.reset();
        WavePoints.clear();
        SurfaceVertexCount = 0;
        return;
    }
    TBox2 box{Outline[0].X, Outline[0].Y, Outline[0].X, Outline[0].Y};
    for (TVec2 p : Outline) {
        box.Left = std::min(box.Left, p.X);
        box.Right = std::max(box.Right, p.X);
        box.Top = std::min(box.Top, p.Y);
        box.Bottom = std::max(box.Bottom, p.Y);
    }
    Depth = box.Bottom - RestLevel;
    box.Top -= MaxRoom;
    Bounds = box;
    BuildMesh();
    SurfaceVertexCount = 0;
    if (Mesh)
        while (size_t(SurfaceVertexCount) < Mesh->Vertices.size() &&
               Mesh->Vertices[size_t(SurfaceVertexCount)].Y == RestLevel)
            ++SurfaceVertexCount;
    // Stored wave points are kept when they fit the mesh; after a trace, or
    // when they name vertices the mesh does not have, they are made anew.
    if (traced || WavePoints.empty() || !RestoreWaveVertices()) {
        RebuildWavePoints(grid);
        RestoreWaveVertices();
    }
}

void TWater::BuildMesh() {
    Mesh = std::make_unique<TMesh>(nullptr, nullptr);
    TMesh& m = *Mesh;
    m.SetOutline(Outline.data(), int32_t(Outline.size()));
    if (!m.Triangulate()) {
        // An outline the triangulation cannot finish holds its water by the
        // outline test alone.
        Mesh.reset();
        return;
    }
    const TBox2 box = m.SourceBounds;
    const double area = (double(box.Right) - box.Left) * (double(box.Bottom) - box.Top);
    m.Subdivide(float(std::max(double(WaterMaxEdge), std::sqrt(area / MaxMeshSquares))));
    m.SetTexture(TexLib.Water);
    m.UpdateTexCoords();
    m.VerticalGradient(TopColour, BottomColour);
    m.Material = &BodyMaterial;
    // Waves lift the surface up to 50 above the rest level: the box and the
    // triangle groups near the surface allow for it.
    m.BoundsMargin.Top = -MaxRoom;
    m.BuildGroups(WaterGroupCell);
    for (TFragment_Of_Triangles& g : m.Groups)
        if (g.Box.Top <= RestLevel + MaxRoom) {
            g.Box.Top = std::min(g.Box.Top, RestLevel - MaxRoom);
            g.Box.Bottom = std::max(g.Box.Bottom, RestLevel + MaxRoom);
        }
    m.UpdateGroupBounds();
}

bool TWater::RestoreWaveVertices() {
    const size_t n = WavePoints.size();
    if (!Mesh || !WavePointsFit(Mesh->Vertices.size())) {
        for (TWavePoint& w : WavePoints)
            w.Vertex = nullptr;
        return false;
    }
    for (const TWavePoint& w : WavePoints)
        if (w.Prev < -1 || w.Next < -1 || w.Prev >= int32_t(n) || w.Next >= int32_t(n)) return false;
    for (TWavePoint& w : WavePoints)
        w.Vertex = &Mesh->Vertices[size_t(w.VertexIndex)];
    return true;
}

void TWater::RebuildWavePoints(const TFragments* grid) {
    RecordSite(55011);
    WavePoints.clear();
    StoredWaveMotion.clear();
    const int32_t n = int32_t(Outline.size());
    std::vector<int32_t> index(size_t(n), -1);
    for (int32_t i = 0; i < n; ++i)
        if (Outline[size_t(i)].Y == RestLevel) {
            index[size_t(i)] = int32_t(WavePoints.size());
            TWavePoint w;
            w.VertexIndex = i;
            WavePoints.push_back(w);
        }
    auto room = [&](TVec2 from, float dy) {
        if (!grid) return MaxRoom;
        const TCastResult hit = grid->CastSegment(from, {from.X, from.Y + dy}, false, false);
        if (!hit.Hit) return MaxRoom;
        return std::clamp(std::fabs(hit.Point.Y - from.Y) - 2.0f, 0.0f, MaxRoom);
    };
    for (int32_t i = 0; i < n; ++i) {
        const int32_t k = index[size_t(i)];
        if (k < 0) continue;
        TWavePoint& w = WavePoints[size_t(k)];
        // The outline is closed: its first point follows its last.
        w.Prev = index[size_t((i + n - 1) % n)];
        w.Next = index[size_t((i + 1) % n)];
        const TVec2 p = Outline[size_t(i)];
        w.RoomBelow = room(p, MaxRoom);
        w.RoomAbove = room(p, -MaxRoom);
    }
}

bool TWater::Trace(const TFragments& grid) {
    RecordSite(55012);
    Closed = false;
    SurfaceSpans.clear();
    Outline.clear();
    const std::vector<TCollisionEdge>* edgeArray = grid.EdgeArray();
    if (!edgeArray) return false;
    const std::vector<TCollisionEdge>& edges = *edgeArray;
    const float level = RestLevel;
    const TVec2 seed{SeedX, level};

    // The points in order and, for each, whether the stretch to the next one
    // is water surface.
    std::vector<TVec2> points{seed};
    std::vector<bool> surfaceAfter{true};
    auto add = [&](TVec2 p, bool surface) {
        if (Length(p - points.back()) < SamePoint) {
            surfaceAfter.back() = surface;
            return;
        }
        points.push_back(p);
        surfaceAfter.push_back(surface);
    };

    // From the seed to the wall on its right.
    THit hit = NearestHit(grid, seed, {seed.X + FarRight, level}, -1, 0.0f);
    if (!hit.Hit) return false;
    TVec2 at{hit.Point.X, level};
    TVec2 heading{1.0f, 0.0f};
    TWalk walk{hit.Edge, HeadsForStart(edges[size_t(hit.Edge)], at, seed, heading)};
    add(at, false);
    bool wasBelow = false;
    bool closed = false;

    for (int32_t step = 0; step < MaxTraceSteps && !closed; ++step) {
        const TCollisionEdge& e = edges[size_t(walk.Edge)];
        const TVec2 target = walk.TowardStart ? e.Start : e.End;
        const int32_t nextEdge = walk.TowardStart ? e.PrevEdge : e.NextEdge;
        THit h = NearestHit(grid, at, target, walk.Edge, TraceEps);
        // The ring's next edge meeting this one at the target is no obstacle:
        // the walk turns onto it there.
        if (h.Hit && h.Edge == nextEdge && Length(h.Point - target) < TraceEps) h.Hit = false;
        const TVec2 next = h.Hit ? h.Point : target;

        if (wasBelow && next.Y < level) {
            // The wall rises out of the water: the surface goes on to the right
            // from where it crosses the rest level.
            const float t = at.Y == level ? 0.0f : (level - at.Y) / (next.Y - at.Y);
            const TVec2 rise{at.X + (next.X - at.X) * t, level};
            add(rise, true);
            if (rise.X <= SeedX && !NearestHit(grid, rise, seed, -1, TraceEps).Hit) {
                closed = true;
                break;
            }
            const THit wall = NearestHit(grid, rise, {rise.X + FarRight, level}, -1, TraceEps);
            if (!wall.Hit) return false;
            const TVec2 x{wall.Point.X, level};
            add(x, false);
            heading = {1.0f, 0.0f};
            walk = {wall.Edge, HeadsForStart(edges[size_t(wall.Edge)], x, rise, heading)};
            at = x;
            wasBelow = false;
            continue;
        }
        if (next.Y > level) wasBelow = true;
        add(next, false);
        const TVec2 moved = next - at;
        if (Length(moved) > 0.0f) heading = Normalized(moved);
        if (h.Hit) {
            walk = {h.Edge, HeadsForStart(edges[size_t(h.Edge)], next, at, heading)};
        } else {
            if (nextEdge < 0 || size_t(nextEdge) >= edges.size()) return false;
            walk.Edge = nextEdge;
        }
        at = next;
    }
    if (!closed) return false;
    // The last point reached the seed's surface: it runs back to the seed.
    if (Length(points.back() - seed) < SamePoint) {
        points.pop_back();
        surfaceAfter.pop_back();
    }
    if (points.size() < 3) return false;

    // Fill the surface stretches so that neighbours are at most 35 apart.
    const size_t n = points.size();
    double surface = 0.0;
    for (size_t i = 0; i < n; ++i)
        if (surfaceAfter[i]) surface += std::fabs(double(points[(i + 1) % n].X) - points[i].X);
    const double spacing = std::max(double(SurfaceSpacing), surface / MaxFillPoints);
    for (size_t i = 0; i < n; ++i) {
        const TVec2 a = points[i];
        Outline.push_back(a);
        if (!surfaceAfter[i]) continue;
        const TVec2 b = points[(i + 1) % n];
        SurfaceSpans.push_back({a.X, a.Y, b.X, b.Y});
        const int32_t extra = int32_t(std::fabs(double(b.X) - a.X) / spacing);
        for (int32_t k = 1; k <= extra; ++k)
            Outline.push_back({a.X + (b.X - a.X) * float(k) / float(extra + 1), level});
    }
    Closed = Outline.size() > 2;
    return Closed;
}

bool TWater::ContainsPoint(TVec2 p) const {
    if (Mesh && !Mesh->Triangles.empty()) return Mesh->ContainsPoint(p);
    const size_t n = Outline.size();
    if (n < 3) return false;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const TVec2 a = Outline[i], b = Outline[j];
        if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) + a.X)
            inside = !inside;
    }
    return inside;
}

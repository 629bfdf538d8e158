#include "world/CollisionEdges.h"

#include "app/SiteTrace.h"

#include <algorithm>
#include <cmath>

void FinishEdge(TCollisionEdge& e) {
    RecordSite(36001);
    e.Normal = {e.End.Y - e.Start.Y, -(e.End.X - e.Start.X)};
    Normalize(e.Normal);
    e.Tangent = {e.Normal.Y, -e.Normal.X};
    e.Angle = std::atan2(e.Normal.X, e.Normal.Y);
    float dx = e.End.X - e.Start.X;
    float dy = e.End.Y - e.Start.Y;
    e.InvDX = dx != 0.0f ? 1.0f / dx : 0.0f;
    e.InvDY = dy != 0.0f ? 1.0f / dy : 0.0f;
    e.MaxX = std::max(e.End.X, e.Start.X);
    e.MinX = std::min(e.End.X, e.Start.X);
    e.MaxY = std::max(e.End.Y, e.Start.Y);
    e.MinY = std::min(e.End.Y, e.Start.Y);
    e.HasSlide = e.SlideStart != 0.0f || e.SlideEnd != 0.0f;
    e.HasGlue = e.GlueStart != 0.0f || e.GlueEnd != 0.0f;
}

void AppendRingEdges(std::vector<TCollisionEdge>& edges, const TBorderRing& ring) {
    RecordSite(36002);
    const size_t n = ring.Points.size();
    if (n < 2) return;
    const int32_t first = int32_t(edges.size());
    auto has = [n](const auto& v) { return v.size() == n; };
    for (size_t j = 0; j < n; ++j) {
        const size_t k = (j + 1) % n;
        TCollisionEdge e;
        e.Owner = ring.Owner;
        e.Start = ring.Points[j];
        e.End = ring.Points[k];
        if (has(ring.Spikes)) {
            e.SpikyStart = ring.Spikes[j];
            e.SpikyEnd = ring.Spikes[k];
        }
        if (has(ring.Normals)) {
            e.StartNormal = ring.Normals[j];
            e.EndNormal = ring.Normals[k];
        }
        if (has(ring.Skidness)) {
            e.SlideStart = ring.Skidness[j];
            e.SlideEnd = ring.Skidness[k];
        }
        if (has(ring.Stickness)) {
            e.GlueStart = ring.Stickness[j];
            e.GlueEnd = ring.Stickness[k];
        }
        e.PrevEdge = first + int32_t(j == 0 ? n - 1 : j - 1);
        e.NextEdge = first + int32_t(k);
        e.PassBodies = ring.PassBodies;
        e.PassParticles = ring.PassParticles;
        FinishEdge(e);
        edges.push_back(e);
    }
}

TCollisionEdge MakeEdge(TVec2 a, TVec2 b) {
    TCollisionEdge e;
    e.Start = a;
    e.End = b;
    FinishEdge(e);
    return e;
}

float EdgeValueAt(const TCollisionEdge& e, TVec2 p, float startValue, float endValue) {
    float t;
    if (e.InvDX != 0.0f)
        t = (p.X - e.Start.X) * e.InvDX;
    else if (e.InvDY != 0.0f)
        t = (p.Y - e.Start.Y) * e.InvDY;
    else
        return startValue;
    return (1.0f - t) * startValue + t * endValue;
}

// The level's collision edges: straight segments from the borders of the
// solid objects, each carrying the surface values of the spot it comes from.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>
#include <vector>

class TSplineObj;

struct TCollisionEdge {
    TVec2 Start;
    TVec2 End;
    float MaxX = 0.0f;
    float MinX = 0.0f;
    float MaxY = 0.0f;
    float MinY = 0.0f;
    TVec2 Normal;
    TVec2 Tangent;
    float Angle = 0.0f;
    // Neighbours on the same border ring, as indices into the edge array.
    int32_t PrevEdge = -1;
    int32_t NextEdge = -1;
    float InvDX = 0.0f;
    float InvDY = 0.0f;
    TSplineObj* Owner = nullptr;
    float SlideStart = 0.0f;
    float SlideEnd = 0.0f;
    float GlueStart = 0.0f;
    float GlueEnd = 0.0f;
    bool HasSlide = false;
    bool HasGlue = false;
    bool SpikyStart = false;
    bool SpikyEnd = false;
    TVec2 StartNormal;
    TVec2 EndNormal;
    bool PassBodies = false;
    bool PassParticles = false;
};

// One closed border as the objects hand it over: its points in ring order
// and the surface values at each point. Per-point arrays may be empty (then
// every value is 0 or false); when present they have one entry per point.
struct TBorderRing {
    std::vector<TVec2> Points;
    std::vector<float> Skidness;
    std::vector<float> Stickness;
    std::vector<bool> Spikes;
    std::vector<TVec2> Normals;
    TSplineObj* Owner = nullptr;
    bool PassBodies = false;
    bool PassParticles = false;
};

// Normal, tangent, angle, the inverse spans, the box and the Has… flags from
// the end points and the surface values.
void FinishEdge(TCollisionEdge& e);

// Appends one record per border edge of the ring (point j to point j + 1,
// the last closing back to the first) with their ring links. A ring of fewer
// than two points adds nothing.
void AppendRingEdges(std::vector<TCollisionEdge>& edges, const TBorderRing& ring);

// A single edge from a to b with no surface values and no ring neighbours.
TCollisionEdge MakeEdge(TVec2 a, TVec2 b);

// Interpolation of a per-end value along the edge at the point p.
float EdgeValueAt(const TCollisionEdge& e, TVec2 p, float startValue, float endValue);

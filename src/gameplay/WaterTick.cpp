// A water body in play: the surface waves, the bubbles and the bubble spouts.
#include "gameplay/Water.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "physics/Rollix.h"

#include <algorithm>
#include <cmath>

namespace {
// Bubbles rise this far above the rest level before they go.
constexpr float BubbleCeiling = 50.0f;
// The most characters a bubble list pushes in one update.
constexpr size_t MaxPushedCharacters = 32;
// The bubble lists grow by this many places at a time.
constexpr size_t BubbleGrowth = 500;

// a moved toward b by at most step, without passing it.
float Approach(float a, float b, float step) {
    if (a < b) return std::min(a + step, b);
    if (a > b) return std::max(a - step, b);
    return a;
}

void Include(TBox2& box, TVec2 p) {
    box.Left = std::min(box.Left, p.X);
    box.Top = std::min(box.Top, p.Y);
    box.Right = std::max(box.Right, p.X);
    box.Bottom = std::max(box.Bottom, p.Y);
}

// A new bubble at p: size, drift and rise speed from the generator.
TBubble StartBubble(TVec2 p) {
    TBubble b;
    b.Pos = b.PrevPos = p;
    b.Size = 2.3f + float(Random(2300)) * 0.001f;
    b.Drift = float(Random(101) - 50) * 0.003f;
    b.RiseTarget = -1.6f * b.Size - float(RandomFloat());
    return b;
}

bool Append(std::vector<TBubble>& list, const TBubble& b) {
    if (list.size() >= size_t(MaxBubbles)) return false;
    if (list.size() == list.capacity())
        list.reserve(std::min(list.size() + BubbleGrowth, size_t(MaxBubbles)));
    list.push_back(b);
    return true;
}

// The first wet outline edge of c that the path from → to crosses gets the push.
void PushFirstCrossedEdge(TRollix& c, TVec2 from, TVec2 to, float strength) {
    const int32_t n = c.VertexCount();
    for (int32_t i = 0; i < n; ++i) {
        TRollixVertex& a = c.Vertices[size_t(i)];
        TRollixVertex& b = c.Vertices[size_t((i + 1) % n)];
        if (!a.InWater || !b.InWater || !SegmentsCross(from, to, a.Pos, b.Pos)) continue;
        const TVec2 push = (to - from) * strength;
        a.Vel += push;
        b.Vel += push;
        return;
    }
}
} // namespace

const std::array<float, 32>& BubbleWobble() {
    static const std::array<float, 32> table = [] {
        std::array<float, 32> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = float(0.3 * std::sin(double(i) * Pi / 16.0));
        return t;
    }();
    return table;
}

void UpdateBubbles(std::vector<TBubble>& bubbles, TWater& water, bool push, TBox2& box, TVec2 start,
                   std::span<const std::unique_ptr<TRollix>> characters) {
    RecordSite(55020);
    TRollix* near[MaxPushedCharacters];
    size_t nearCount = 0;
    if (push)
        for (const auto& c : characters) {
            if (nearCount == MaxPushedCharacters) break;
            if (c && !c->Vertices.empty() && BoxesOverlap(c->Bounds, box)) near[nearCount++] = c.get();
        }
    const float ceiling = water.RestLevel - BubbleCeiling;
    const std::array<float, 32>& wobble = BubbleWobble();
    // A removed bubble's place takes the last one, which then moves in turn.
    for (size_t i = 0; i < bubbles.size();) {
        TBubble& b = bubbles[i];
        if (++b.StepTimer < 3) {
            ++i;
            continue;
        }
        b.StepTimer -= 3;
        b.PrevPos = b.Pos;
        b.VelY = Approach(b.VelY, b.RiseTarget, 0.6f);
        b.VelX = Approach(b.VelX, b.Drift, 0.2f);
        b.Pos.Y += b.VelY;
        b.Phase = (b.Phase + 3) % 32;
        b.Pos.X += b.VelX + wobble[size_t(b.Phase)] * b.Size;
        bool gone = false;
        if (b.PopsAtSurface && b.PrevPos.Y > water.RestLevel && water.RestLevel >= b.Pos.Y) {
            water.Disturb(b.StepTimer % 2 == 1 ? 1.0f : -1.0f, b.Pos.X);
            gone = true;
        }
        if (b.Pos.Y < ceiling) gone = true;
        if (gone) {
            b = bubbles.back();
            bubbles.pop_back();
            continue;
        }
        if (push && b.PushStrength != 0.0f)
            for (size_t k = 0; k < nearCount; ++k) {
                TRollix& c = *near[k];
                if (PointInBox(b.Pos, c.Bounds) || PointInBox(b.PrevPos, c.Bounds))
                    PushFirstCrossedEdge(c, b.PrevPos, b.Pos, b.PushStrength);
            }
        ++i;
    }
    box = {start.X, start.Y, start.X, start.Y};
    for (const TBubble& b : bubbles)
        Include(box, b.Pos);
}

// ---- Spouts

bool TBubbleSpout::Emit() {
    if (Bubbles.size() >= size_t(MaxBubbles)) return false;
    TBubble b = StartBubble(Pos);
    TVec2 v{0.0f, -(0.8f + 0.4f * float(RandomFloat())) * Speed};
    Rotate(v, Direction - Spread + 2.0f * Spread * float(RandomFloat()));
    b.VelX = v.X;
    b.VelY = v.Y;
    b.PushStrength = PushStrength;
    // Four popping at the surface, then four going on up.
    b.PopsAtSurface = (EmitCount & 4) != 0;
    EmitCount += 1;
    return Append(Bubbles, b);
}

void TBubbleSpout::Tick(std::span<const std::unique_ptr<TRollix>> characters) {
    RecordSite(55021);
    EmitAccumulator += Rate;
    while (EmitAccumulator >= 1.0f) {
        // A full list ends the emission, so no rate can keep the loop going.
        if (!Emit()) break;
        EmitAccumulator -= 1.0f;
    }
    // What could not be emitted is not saved up; a rate that is no number
    // or below zero leaves nothing to save.
    EmitAccumulator = std::isnan(EmitAccumulator) ? 0.0f : std::clamp(EmitAccumulator, 0.0f, 1.0f);
    if (Water) UpdateBubbles(Bubbles, *Water, true, Bounds, Pos, characters);
}

void TBubbleSpout::Reset() {
    Bubbles.clear();
    EmitCount = 0;
    EmitAccumulator = 0.0f;
    Bounds = {Pos.X, Pos.Y, Pos.X, Pos.Y};
}

// ---- The water

bool TWater::EmitBubble(bool popsAtSurface, float push, float velX, float velY, float y, float x) {
    if (Bubbles.size() >= size_t(MaxBubbles)) return false;
    TBubble b = StartBubble({x, y});
    b.VelX = velX;
    b.VelY = velY;
    b.PushStrength = push;
    b.PopsAtSurface = popsAtSurface;
    return Append(Bubbles, b);
}

bool TWater::EmitSplashBubble(bool popsAtSurface, float push, float velX, float velY, float y, float x,
                              float sizeFactor) {
    if (!EmitBubble(popsAtSurface, push, velX, velY, y, x)) return false;
    Bubbles.back().Size *= std::min(sizeFactor, 2.0f);
    return true;
}

void TWater::Disturb(float strength, float x) {
    int32_t found = 0;
    for (TWavePoint& w : WavePoints) {
        if (!w.Vertex) continue;
        const float d = std::fabs(w.Vertex->X - x);
        if (!(d < SurfaceSpacing)) continue;
        w.Speed += strength * d / SurfaceSpacing;
        if (++found == 2) return;
    }
}

void TWater::StepWaves() {
    RecordSite(55022);
    const size_t n = WavePoints.size();
    for (TWavePoint& w : WavePoints)
        if (w.Vertex) w.Push = RestLevel - w.Vertex->Y;
    // Neighbours pull on each other.
    for (const TWavePoint& p : WavePoints) {
        if (!p.Vertex) continue;
        for (int32_t link : {p.Prev, p.Next}) {
            if (link < 0 || size_t(link) >= n) continue;
            TWavePoint& q = WavePoints[size_t(link)];
            if (q.Vertex) q.Push += p.Vertex->Y - q.Vertex->Y;
        }
    }
    for (TWavePoint& w : WavePoints) {
        w.Speed = (w.Speed + w.Push) * 0.975f;
        if (!w.Vertex) continue;
        float& y = w.Vertex->Y;
        // The ends of a stretch hold the surface at the walls.
        if (w.Prev < 0 || w.Next < 0) {
            y = RestLevel;
            continue;
        }
        y += w.Speed * 0.13f;
        // Each way the surface moves only as far as there is room: down to
        // what lies below it, up to what hangs above it.
        if (y >= RestLevel && y - RestLevel > w.RoomBelow) {
            y = RestLevel + w.RoomBelow;
            w.Speed = 0.0f;
        } else if (y < RestLevel && RestLevel - y > w.RoomAbove) {
            y = RestLevel - w.RoomAbove;
            w.Speed = 0.0f;
        }
    }
}

void TWater::Tick(std::span<const std::unique_ptr<TRollix>> characters) {
    RecordSite(55023);
    WaveTimer += 1;
    while (WaveTimer > 2) {
        WaveTimer -= 3;
        StepWaves();
    }
    for (TBubbleSpout& s : Spouts) {
        s.Water = this;
        s.Tick(characters);
    }
    TBox2 box;
    UpdateBubbles(Bubbles, *this, false, box, {SeedX, RestLevel}, characters);
}

void TWater::Reset() {
    RecordSite(55024);
    WaveTimer = 0;
    for (TWavePoint& w : WavePoints) {
        w.Push = w.Speed = 0.0f;
        if (w.Vertex) w.Vertex->Y = RestLevel;
    }
    Bubbles.clear();
    for (TBubbleSpout& s : Spouts) {
        s.Water = this;
        s.Reset();
    }
    if (Mesh)
        for (int32_t i = 0; i < SurfaceVertexCount && size_t(i) < Mesh->Vertices.size(); ++i)
            Mesh->Vertices[size_t(i)].Y = RestLevel;
}

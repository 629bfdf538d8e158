// Small worlds for the physics tests: figures made in code, flat floors and
// walls as collision edges, and a hash of every node's state.
#pragma once

#include "app/Random.h"
#include "physics/CharacterLevel.h"
#include "physics/Figure.h"
#include "physics/PhysicsSettings.h"
#include "physics/Rollix.h"
#include "physics/RollixsMan.h"
#include "physics/WaterHooks.h"
#include "world/CollisionEdges.h"
#include "world/EdgeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

// An ellipse of n points with radii rx, ry, texture coordinates mapped from
// the box, springs and fan built.
inline void MakeRingFigure(TMubFigure& f, int32_t kind, int32_t n, float rx, float ry) {
    f.MaterialKind = kind;
    f.SetPointCount(n);
    for (int32_t i = 0; i < n; ++i) {
        double a = 2.0 * Pi * i / n;
        f.Points[size_t(i)].Pos = {float(rx * std::cos(a)), float(ry * std::sin(a))};
        f.TexCoords[size_t(i)] = {float(0.5 + 0.5 * std::cos(a)), float(0.5 + 0.5 * std::sin(a))};
    }
    f.BuildPairs();
    f.BuildFan();
}

// Marks every node as under water (a pool that fills the whole level).
class TEverywhereWater : public TWaterHooks {
  public:
    void BodyWaterStep(TRollix& c) override {
        for (TRollixVertex& v : c.Vertices) {
            v.WasInWater = v.InWater;
            v.InWater = true;
        }
    }
};

struct TTestWorld {
    TCharacterLevel Level;
    std::vector<TCollisionEdge> Edges;
    TFragments Grid;
    TRollixsMan Man{&Level};

    TTestWorld() {
        Sets.LoadDefaults();
        Seed(100);
        Level.Characters = &Man;
        Level.Grid = &Grid;
        Grid.Build(Edges, {});
    }

    // A closed ring of edges (clockwise on screen, normals outward).
    void AddRing(const std::vector<TVec2>& points, float slide = 0.0f, float glue = 0.0f,
                 bool spiky = false) {
        TBorderRing ring;
        ring.Points = points;
        ring.Skidness.assign(points.size(), slide);
        ring.Stickness.assign(points.size(), glue);
        ring.Spikes.assign(points.size(), spiky);
        AppendRingEdges(Edges, ring);
        Grid.Build(Edges, {});
    }
    // A solid block whose top surface is y = top from x0 to x1.
    void AddFloor(float top, float x0, float x1, float slide = 0.0f, float glue = 0.0f, bool spiky = false) {
        AddRing({{x0, top}, {x1, top}, {x1, top + 40.0f}, {x0, top + 40.0f}}, slide, glue, spiky);
    }

    TRollix* AddBody(int32_t kind, int32_t n, float r, float x, float y) {
        TRollix* c = Man.AddListed();
        MakeRingFigure(*c->Figure, kind, n, r, r);
        c->ApplyFigure(true, 1.0f, true);
        c->PlaceAt(true, y, x);
        return c;
    }

    void Tick(int ticks = 1) {
        for (int t = 0; t < ticks; ++t) {
            ++Level.TickCounter;
            Man.CheckDeaths();
            Man.TickAll();
        }
    }
};

inline void HashBytes(uint64_t& h, const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
}

inline uint64_t StateHash(const TRollixsMan& man) {
    uint64_t h = 1469598103934665603ull;
    for (const auto& c : man.Items)
        for (const TRollixVertex& v : c->Vertices) {
            HashBytes(h, &v.Pos, sizeof v.Pos);
            HashBytes(h, &v.Vel, sizeof v.Vel);
        }
    return h;
}

// Even-odd test of p against the body's outline.
inline bool InsideOutline(const TRollix& c, TVec2 p) {
    bool in = false;
    const int32_t n = c.VertexCount();
    for (int32_t i = 0, j = n - 1; i < n; j = i++) {
        const TVec2 a = c.Vertices[size_t(i)].Pos, b = c.Vertices[size_t(j)].Pos;
        if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) + a.X) in = !in;
    }
    return in;
}

inline bool AllFinite(const TRollix& c) {
    for (const TRollixVertex& v : c.Vertices)
        if (!std::isfinite(v.Pos.X) || !std::isfinite(v.Pos.Y) || !std::isfinite(v.Vel.X) ||
            !std::isfinite(v.Vel.Y) || !std::isfinite(v.Force.X) || !std::isfinite(v.Force.Y))
            return false;
    return true;
}

// Keys held now and on the previous tick.
class TTestInput : public TInputSource {
  public:
    std::vector<uint16_t> Down, WasDown;
    bool KeyDown(uint16_t key) const override { return Has(Down, key); }
    bool KeyWasDown(uint16_t key) const override { return Has(WasDown, key); }
    void Hold(std::vector<uint16_t> keys) {
        WasDown = Down;
        Down = std::move(keys);
    }

  private:
    static bool Has(const std::vector<uint16_t>& v, uint16_t k) {
        for (uint16_t x : v)
            if (x == k) return true;
        return false;
    }
};

constexpr uint16_t TestKeyLeft = 37, TestKeyRight = 39, TestKeyTurbo = 16, TestKeyJump = 38;

inline void BindTestKeys(TRollix& c) {
    c.KeyLeft = TestKeyLeft;
    c.KeyRight = TestKeyRight;
    c.KeyTurbo = TestKeyTurbo;
    c.KeyJump = TestKeyJump;
}

// Water bodies on their own: the outline traced along walls made of edges,
// stored outlines, the surface's room, the waves, bubbles and spouts, and a
// restart.
#include "WaterPool.h"

#include "app/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace {
struct TTraceCase {
    const char* What;
    std::vector<std::vector<TVec2>> Rings;
    float SeedX;
    float Area; // of the water below the level 100
    std::vector<TVec2> Wet, Dry;
};

// The level is 100 everywhere; the floor at 200 and the walls at 20 and 380
// leave 360 × 100 of water unless something stands in it.
std::vector<TTraceCase> TraceCases() {
    const std::vector<TVec2> floor = {{0, 200}, {400, 200}, {400, 240}, {0, 240}};
    const std::vector<TVec2> leftWall = {{0, 0}, {20, 0}, {20, 220}, {0, 220}};
    const std::vector<TVec2> rightWall = {{380, 0}, {400, 0}, {400, 220}, {380, 220}};
    // A rock standing through the surface, 20 wide, its foot 50 below the level.
    const std::vector<TVec2> rock = {{150, 60}, {170, 60}, {170, 150}, {150, 150}};
    // A slanted right bank: the water narrows toward the floor.
    const std::vector<TVec2> bank = {{0, 0},   {20, 0},  {20, 200},  {280, 200},
                                     {380, 0}, {400, 0}, {400, 240}, {0, 240}};
    return {
        {"one cup",
         {CupRing},
         200,
         36000,
         {{200, 150}, {30, 190}, {370, 110}},
         {{200, 90}, {10, 150}, {200, 210}}},
        {"floor and two walls overlapping it",
         {floor, leftWall, rightWall},
         200,
         36000,
         {{200, 150}, {25, 195}, {375, 105}},
         {{200, 95}, {390, 150}, {200, 205}}},
        {"a rock right of the seed",
         {CupRing, rock},
         100,
         36000 - 20 * 50,
         {{160, 170}, {300, 150}, {100, 120}},
         {{160, 120}, {160, 101}}},
        {"a rock left of the seed",
         {CupRing, rock},
         300,
         36000 - 20 * 50,
         {{160, 170}, {40, 150}},
         {{160, 120}}},
        {"a slanted bank",
         {bank},
         100,
         260 * 100 + 50 * 100 / 2,
         {{300, 120}, {250, 190}},
         {{340, 150}, {300, 190}}},
    };
}
} // namespace

TEST(WaterTrace, FollowsTheWallsAroundThePool) {
    for (const TTraceCase& c : TraceCases()) {
        TPool pool;
        for (const auto& ring : c.Rings)
            pool.World.AddRing(ring);
        pool.Fill(c.SeedX, 100);
        const TWater& w = *pool.Water;
        ASSERT_TRUE(w.Closed) << c.What;
        ASSERT_GT(w.Outline.size(), 4u) << c.What;
        EXPECT_EQ(w.Outline.front(), (TVec2{c.SeedX, 100})) << c.What << ": starts at the seed";
        EXPECT_NEAR(OutlineArea2(w.Outline) / 2, c.Area, 1.0) << c.What << ": clockwise, the pool's area";
        for (size_t i = 0; i < w.Outline.size(); ++i) {
            const TVec2 a = w.Outline[i], b = w.Outline[(i + 1) % w.Outline.size()];
            EXPECT_GE(a.Y, 100.0f) << c.What << ": nothing above the level";
            if (a.Y == 100 && b.Y == 100) EXPECT_LE(std::fabs(b.X - a.X), SurfaceSpacing + 1e-3f) << c.What;
        }
        ASSERT_TRUE(w.Mesh) << c.What;
        for (TVec2 p : c.Wet) {
            EXPECT_TRUE(w.ContainsPoint(p)) << c.What << " at " << p.X << ", " << p.Y;
            EXPECT_EQ(pool.Hooks.WaterAt(p), &w) << c.What << " at " << p.X << ", " << p.Y;
        }
        for (TVec2 p : c.Dry)
            EXPECT_FALSE(w.ContainsPoint(p)) << c.What << " at " << p.X << ", " << p.Y;
        EXPECT_EQ(w.Bounds.Top, 50.0f) << c.What << ": the box leaves room for waves";
        EXPECT_EQ(w.Depth, 100.0f) << c.What;
    }
}

TEST(WaterTrace, SurfacePointsBecomeWavePointsWithTheirRoom) {
    TPool pool;
    pool.Cup();
    // A ledge hangs 5 above the level over x 150 … 250.
    pool.World.AddRing({{150, 80}, {250, 80}, {250, 95}, {150, 95}});
    pool.Fill(200, 100);
    const TWater& w = *pool.Water;
    int32_t ends = 0;
    std::set<int32_t> vertices;
    for (size_t i = 0; i < w.WavePoints.size(); ++i) {
        const TWavePoint& p = w.WavePoints[i];
        ASSERT_NE(p.Vertex, nullptr);
        EXPECT_EQ(p.Vertex->Y, 100.0f);
        EXPECT_EQ(w.Outline[size_t(p.VertexIndex)].X, p.Vertex->X);
        vertices.insert(p.VertexIndex);
        if (p.Prev < 0 || p.Next < 0) {
            ++ends;
            EXPECT_TRUE(p.Vertex->X == 20 || p.Vertex->X == 380) << "ends lie at the walls";
        } else {
            EXPECT_EQ(w.WavePoints[size_t(p.Prev)].Next, int32_t(i));
            EXPECT_EQ(w.WavePoints[size_t(p.Next)].Prev, int32_t(i));
            EXPECT_EQ(p.RoomBelow, 50.0f) << "the floor is 100 below";
            const bool underLedge = p.Vertex->X >= 150 && p.Vertex->X <= 250;
            EXPECT_EQ(p.RoomAbove, underLedge ? 3.0f : 50.0f) << "at x " << p.Vertex->X;
        }
    }
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(vertices.size(), w.WavePoints.size());
    // 360 units of surface, at most 35 apart.
    EXPECT_GE(w.WavePoints.size(), size_t(360 / 35 + 1));
}

TEST(WaterTrace, StoredOutlinesAndFailedTraces) {
    const std::vector<TVec2> stored = {{100, 100}, {140, 100}, {180, 100}, {180, 150}, {100, 150}};
    {
        // Outline and wave points stored: kept exactly.
        TPool pool;
        pool.Cup();
        pool.Water->Outline = stored;
        for (int32_t i = 0; i < 3; ++i) {
            TWavePoint p;
            p.VertexIndex = i;
            p.Prev = i - 1;
            p.Next = i < 2 ? i + 1 : -1;
            p.RoomAbove = p.RoomBelow = 7;
            pool.Water->WavePoints.push_back(p);
        }
        pool.Fill(200, 100);
        EXPECT_EQ(pool.Water->Outline, stored);
        ASSERT_EQ(pool.Water->WavePoints.size(), 3u);
        EXPECT_EQ(pool.Water->WavePoints[1].RoomAbove, 7.0f);
        EXPECT_EQ(pool.Water->WavePoints[1].Vertex, &pool.Water->Mesh->Vertices[1]);
    }
    {
        // An outline without wave points is traced afresh.
        TPool pool;
        pool.Cup();
        pool.Water->Outline = stored;
        pool.Fill(200, 100);
        EXPECT_NEAR(OutlineArea2(pool.Water->Outline) / 2, 36000, 1.0);
        EXPECT_GT(pool.Water->WavePoints.size(), 3u);
    }
    {
        // Wave points naming vertices the mesh lacks are made anew from the outline.
        TPool pool;
        pool.Water->Outline = stored;
        TWavePoint bad;
        bad.VertexIndex = 99;
        pool.Water->WavePoints.push_back(bad);
        pool.Fill(200, 100);
        EXPECT_EQ(pool.Water->Outline, stored);
        ASSERT_EQ(pool.Water->WavePoints.size(), 3u);
        for (const TWavePoint& p : pool.Water->WavePoints)
            EXPECT_LT(p.VertexIndex, 3);
    }
    {
        // No wall on the seed's right: no pool, and nothing holds water.
        TPool pool;
        pool.World.AddFloor(200, 0, 400);
        pool.Fill(200, 100);
        EXPECT_FALSE(pool.Water->Closed);
        EXPECT_TRUE(pool.Water->Outline.empty());
        EXPECT_FALSE(pool.Water->ContainsPoint({200, 150}));
        EXPECT_EQ(pool.Hooks.WaterAt({200, 150}), nullptr);
        // A stored outline survives a trace that finds nothing.
        pool.Water->Outline = stored;
        pool.Water->WavePoints.clear();
        pool.Fill(200, 100);
        EXPECT_EQ(pool.Water->Outline, stored);
        EXPECT_TRUE(pool.Water->ContainsPoint({140, 120}));
    }
    {
        // A seed inside a wall walks nowhere sensible and gives up.
        TPool pool;
        pool.Cup();
        pool.Fill(10, 100);
        EXPECT_LE(pool.Water->Outline.size(), 5001u);
    }
}

TEST(WaterTrace, DamagedHugeOutlinesKeepTheirMeshSmall) {
    // A record's outline a million units wide: the mesh is made of longer
    // triangles instead of some 10^8 small ones.
    TPool pool;
    pool.Water->Outline = {{-5e5f, 0}, {5e5f, 0}, {5e5f, 1e6f}, {-5e5f, 1e6f}};
    pool.Fill(0, 0);
    ASSERT_TRUE(pool.Water->Mesh);
    EXPECT_LT(pool.Water->Mesh->Triangles.size(), 100000u);
    EXPECT_TRUE(pool.Water->ContainsPoint({0, 5e5f}));
}

// ---- waves

namespace {
// The cup filled to 100 from x 200.
class Waves : public ::testing::Test {
  protected:
    void SetUp() override {
        Pool.Cup();
        Pool.Fill(200, 100);
        ASSERT_GT(Pool.Water->WavePoints.size(), 10u);
    }
    std::vector<float> Heights() const {
        std::vector<float> h;
        for (const TWavePoint& w : Pool.Water->WavePoints)
            h.push_back(w.Vertex->Y);
        return h;
    }
    // Steps along the surface from wave point i to every other.
    std::vector<int32_t> ChainDistance(std::vector<int32_t> from) const {
        const auto& p = Pool.Water->WavePoints;
        std::vector<int32_t> d(p.size(), std::numeric_limits<int32_t>::max());
        for (int32_t i : from)
            d[size_t(i)] = 0;
        for (size_t round = 0; round < p.size(); ++round)
            for (size_t i = 0; i < p.size(); ++i)
                for (int32_t n : {p[i].Prev, p[i].Next})
                    if (n >= 0 && d[size_t(n)] != std::numeric_limits<int32_t>::max())
                        d[i] = std::min(d[i], d[size_t(n)] + 1);
        return d;
    }
    TPool Pool;
};
} // namespace

TEST_F(Waves, MoveOnceEveryThirdTick) {
    TWavePoint* w = Pool.WaveNear(200);
    ASSERT_NE(w, nullptr);
    w->Speed = -10;
    std::vector<float> before = Heights();
    for (int32_t tick = 1; tick <= 9; ++tick) {
        Pool.Water->Tick({});
        const std::vector<float> now = Heights();
        EXPECT_EQ(now != before, tick % 3 == 0) << "tick " << tick;
        before = now;
    }
}

TEST_F(Waves, DisturbanceSpreadsAlongTheSurface) {
    TWater& water = *Pool.Water;
    // Between two surface points: both take part of the push.
    const float x = (water.WavePoints[3].Vertex->X + water.WavePoints[4].Vertex->X) / 2;
    water.Disturb(20, x);
    std::vector<int32_t> hit;
    for (size_t i = 0; i < water.WavePoints.size(); ++i)
        if (water.WavePoints[i].Speed != 0) hit.push_back(int32_t(i));
    ASSERT_EQ(hit.size(), 2u);
    const std::vector<int32_t> distance = ChainDistance(hit);
    for (int32_t step = 1; step <= 5; ++step) {
        water.StepWaves();
        for (size_t i = 0; i < water.WavePoints.size(); ++i) {
            const TWavePoint& p = water.WavePoints[i];
            const bool end = p.Prev < 0 || p.Next < 0;
            const bool reached = distance[i] < step && !end;
            EXPECT_EQ(p.Vertex->Y != 100.0f, reached) << "step " << step << " point " << i;
        }
    }
    for (int32_t step = 0; step < 200; ++step)
        water.StepWaves();
    for (const TWavePoint& p : water.WavePoints) {
        if (p.Prev < 0 || p.Next < 0) EXPECT_EQ(p.Vertex->Y, 100.0f) << "ends never move";
        EXPECT_TRUE(std::isfinite(p.Vertex->Y));
    }
}

TEST(WaveRoom, SurfaceMovesOnlyAsFarAsThereIsRoomInItsWay) {
    // A ledge hangs 5 above the level over x 150 … 250; the floor is 100 below.
    TPool pool;
    pool.Cup();
    pool.World.AddRing({{150, 80}, {250, 80}, {250, 95}, {150, 95}});
    pool.Fill(200, 100);
    struct TCase {
        float X, Speed, Y;
        const char* What;
    };
    const TCase cases[] = {
        {200, -1000, 97, "flung up under the ledge: stops 3 below it"},
        {200, 1000, 150, "pushed down under the ledge: down to its room below"},
        {80, -1000, 50, "flung up in the open: 50 above the level"},
        {80, 1000, 150, "pushed down in the open"},
    };
    for (const TCase& c : cases) {
        pool.Water->Reset();
        TWavePoint* w = pool.WaveNear(c.X);
        ASSERT_NE(w, nullptr) << c.What;
        ASSERT_GE(w->Prev, 0);
        ASSERT_GE(w->Next, 0);
        w->Speed = c.Speed;
        pool.Water->StepWaves();
        EXPECT_EQ(w->Vertex->Y, c.Y) << c.What;
        EXPECT_EQ(w->Speed, 0.0f) << c.What;
    }
}

TEST(WaveRoom, LoneAndEndPointsStayOnTheLevel) {
    // One point of the outline on the level: a surface of one wave point.
    TPool pool;
    pool.Water->Outline = {{100, 100}, {150, 150}, {50, 150}};
    pool.Fill(100, 100);
    ASSERT_EQ(pool.Water->WavePoints.size(), 1u);
    TWavePoint& w = pool.Water->WavePoints[0];
    w.Speed = 500;
    for (int32_t i = 0; i < 5; ++i)
        pool.Water->StepWaves();
    EXPECT_EQ(w.Vertex->Y, 100.0f);
}

// ---- bubbles and spouts

namespace {
class Bubbles : public ::testing::Test {
  protected:
    void SetUp() override {
        Pool.Cup();
        Pool.Fill(200, 100);
        Seed(7);
    }
    TPool Pool;
};
} // namespace

TEST_F(Bubbles, RiseOneStepEveryThirdTickAndLeaveAtTheSurfaceOrAboveIt) {
    TWater& water = *Pool.Water;
    for (bool pops : {true, false}) {
        water.Reset();
        ASSERT_TRUE(water.EmitBubble(pops, 0, 0, 0, 190, 200.5f));
        float lowest = 1e9f, last = 190;
        bool movedBefore = false;
        int32_t ticks = 0;
        while (!water.Bubbles.empty() && ticks < 1000) {
            water.Tick({});
            ++ticks;
            if (water.Bubbles.empty()) break;
            const TBubble& b = water.Bubbles[0];
            const bool moved = b.Pos.Y != last;
            EXPECT_FALSE(moved && movedBefore) << "tick " << ticks;
            EXPECT_LE(b.Pos.Y, last) << "bubbles only rise";
            movedBefore = moved;
            last = b.Pos.Y;
            lowest = std::min(lowest, b.Pos.Y);
        }
        ASSERT_TRUE(water.Bubbles.empty()) << "the bubble leaves";
        if (pops) {
            EXPECT_GT(lowest, 100.0f) << "a popping bubble goes when it crosses the surface";
            bool disturbed = false;
            for (const TWavePoint& w : water.WavePoints)
                disturbed = disturbed || w.Speed != 0;
            EXPECT_TRUE(disturbed);
        } else {
            EXPECT_LT(lowest, 100.0f) << "the others rise on";
            EXPECT_GE(lowest, 50.0f) << "until 50 above the level";
        }
    }
}

TEST_F(Bubbles, SpoutAtRateTwoAndAHalfBlowsTwoThenThree) {
    TWater& water = *Pool.Water;
    TBubbleSpout& s = water.Spouts.emplace_back();
    s.Water = &water;
    s.Pos = {200, 195};
    s.Rate = 2.5f;
    water.Reset();
    size_t before = 0;
    for (int32_t tick = 0; tick < 6; ++tick) {
        water.Tick({});
        EXPECT_EQ(s.Bubbles.size() - before, tick % 2 == 0 ? 2u : 3u) << "tick " << tick;
        before = s.Bubbles.size();
    }
    // Four bubbles go on above the surface, the next four pop at it.
    for (size_t i = 0; i < s.Bubbles.size(); ++i)
        EXPECT_EQ(s.Bubbles[i].PopsAtSurface, (i & 4) != 0) << i;
    EXPECT_EQ(s.EmitCount, int32_t(s.Bubbles.size()));
    for (const TBubble& b : s.Bubbles)
        EXPECT_TRUE(PointInBox(b.Pos, s.Bounds));

    // A restart empties everything and puts the surface back.
    water.WavePoints[3].Speed = -50;
    water.Tick({});
    water.Tick({});
    water.EmitBubble(false, 0, 0, 0, 150, 100);
    water.Reset();
    EXPECT_TRUE(s.Bubbles.empty());
    EXPECT_TRUE(water.Bubbles.empty());
    EXPECT_EQ(s.EmitCount, 0);
    EXPECT_EQ(s.EmitAccumulator, 0.0f);
    for (const TWavePoint& w : water.WavePoints) {
        EXPECT_EQ(w.Vertex->Y, 100.0f);
        EXPECT_EQ(w.Speed, 0.0f);
    }
}

TEST_F(Bubbles, WildRatesStopAtTheFullList) {
    TWater& water = *Pool.Water;
    for (float rate : {1e30f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                       -5.0f, 3000.0f}) {
        TBubbleSpout s;
        s.Water = &water;
        s.Pos = {200, 195};
        s.Rate = rate;
        for (int32_t tick = 0; tick < 3; ++tick) {
            s.Tick({});
            EXPECT_LE(s.Bubbles.size(), size_t(MaxBubbles)) << rate;
            EXPECT_GE(s.EmitAccumulator, 0.0f) << rate;
            EXPECT_LE(s.EmitAccumulator, 1.0f) << rate;
        }
        const bool emits = rate > 0;
        EXPECT_EQ(s.Bubbles.size(), emits ? size_t(MaxBubbles) : 0u) << rate;
    }
    // The water's own list is capped the same way.
    for (int32_t i = 0; i < MaxBubbles; ++i)
        ASSERT_TRUE(water.EmitBubble(false, 0, 0, 0, 150, 200));
    EXPECT_FALSE(water.EmitBubble(false, 0, 0, 0, 150, 200));
    EXPECT_FALSE(water.EmitSplashBubble(false, 0, 0, 0, 150, 200, 1));
    EXPECT_EQ(water.Bubbles.size(), size_t(MaxBubbles));
}

TEST_F(Bubbles, SplashBubblesAreScaledUpToTwice) {
    TWater& water = *Pool.Water;
    for (float factor : {0.5f, 1.5f, 7.0f}) {
        water.Bubbles.clear();
        const uint32_t seed = RandSeed;
        ASSERT_TRUE(water.EmitBubble(false, 0, 0, 0, 150, 200));
        const float plain = water.Bubbles.back().Size;
        RandSeed = seed;
        ASSERT_TRUE(water.EmitSplashBubble(true, 0.1f, 1, 2, 150, 200, factor));
        EXPECT_FLOAT_EQ(water.Bubbles.back().Size, plain * std::min(factor, 2.0f));
        EXPECT_EQ(water.Bubbles.back().VelY, 2.0f);
        EXPECT_TRUE(water.Bubbles.back().PopsAtSurface);
    }
}

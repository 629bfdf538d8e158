#include "PhysicsFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
float LowestNode(const TRollix& c) {
    float y = -1e30f;
    for (const TRollixVertex& v : c.Vertices)
        y = std::max(y, v.Pos.Y);
    return y;
}
} // namespace

// A ball dropped on a flat floor comes to rest on it: no node below the
// surface, the centre still.
TEST(Contacts, BallComesToRestOnFloor) {
    const int32_t kinds[] = {mkRubber, mkBalloon, mkWater, mkCloth};
    for (int32_t kind : kinds) {
        TTestWorld w;
        w.AddFloor(0.0f, -500.0f, 500.0f);
        TRollix* c = w.AddBody(kind, 24, 30, 0, -80);
        w.Tick(1500);
        EXPECT_LE(LowestNode(*c), 0.0f) << kind;
        EXPECT_GT(LowestNode(*c), -1.0f) << kind;
        EXPECT_LT(std::fabs(c->CentreVel.X) + std::fabs(c->CentreVel.Y), 0.05f) << kind;
        EXPECT_GT(c->PrevTouchCount, 0) << kind;
        EXPECT_TRUE(AllFinite(*c)) << kind;
        EXPECT_FALSE(c->Dead) << kind;
    }
}

TEST(Contacts, NodeOnPlainEdgeStopsDead) {
    TTestWorld w;
    w.AddFloor(0.0f, -100.0f, 100.0f);
    TRollix* c = w.AddBody(mkRubber, 8, 20, 0, -30);
    TRollixVertex& v = c->Vertices[2]; // the lowest node (y = +20 from the centre)
    v.Vel = {3.0f, 15.0f};
    TVec2 d = v.Vel;
    c->MoveNode(2, d);
    EXPECT_TRUE(v.Touching);
    EXPECT_EQ(v.Vel, (TVec2{0, 0}));
    EXPECT_EQ(d, (TVec2{0, 0}));
    // Stopped 0.1 above the hit point along the edge normal.
    EXPECT_NEAR(v.Pos.Y, -0.1f, 1e-5f);
    EXPECT_EQ(c->TouchCount, 1);

    // From the back side the node still ends 0.1 along the stored normal:
    // above the floor line.
    TRollixVertex& top = c->Vertices[6];
    top.Pos = {10.0f, 0.5f};
    TVec2 up{0.0f, -2.0f};
    c->MoveNode(6, up);
    EXPECT_TRUE(top.Touching);
    EXPECT_EQ(top.Pos.Y, -0.1f);
}

// On a slide edge the unused motion and the velocity turn along the edge,
// scaled by the slide value blended with the body's grip; on a plain edge
// the node stops.
TEST(Contacts, SlideEdgeAgainstPlainEdge) {
    struct TCase {
        float Slide;
        float Grip;
        float U; // 0: stops dead
    };
    const TCase cases[] = {
        {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 1.0f}, {0.5f, 0.0f, 0.5f}, {0.0f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.75f}};
    for (const TCase& k : cases) {
        TTestWorld w;
        w.AddFloor(0.0f, -100.0f, 100.0f, k.Slide);
        TRollix* c = w.AddBody(mkRubber, 8, 20, 0, -21);
        c->Grip = k.Grip;
        TRollixVertex& v = c->Vertices[2]; // at (0, −1)
        v.Vel = {4.0f, 3.0f};
        TVec2 d = v.Vel;
        c->MoveNode(2, d);
        EXPECT_TRUE(v.Touching);
        // The path (0, −1) → (4, 2) meets the floor at x = 4/3 and stops 0.1 above it.
        EXPECT_NEAR(v.Pos.X, 4.0f / 3.0f, 1e-5f);
        EXPECT_EQ(v.Pos.Y, -0.1f);
        // P runs from the intended end back to the contact point; the velocity
        // keeps its size, turned along the edge by P's share along it.
        const TVec2 P{4.0f / 3.0f - 4.0f, -0.1f - 2.0f};
        const float along = -P.X / Length(P);
        EXPECT_NEAR(v.Vel.X, 5.0f * along * k.U, 1e-4f) << k.Slide << " " << k.Grip;
        EXPECT_EQ(v.Vel.Y, 0.0f);
        EXPECT_NEAR(d.X, -P.X * k.U, 1e-4f);
    }
}

TEST(Contacts, GlueSticksAndTears) {
    TTestWorld w;
    w.AddFloor(0.0f, -300.0f, 300.0f, 0.0f, 1.0f);
    TRollix* c = w.AddBody(mkRubber, 16, 25, 0, -40);
    w.Tick(200);
    ASSERT_GT(c->GluedCount, 0);
    int glued = 0;
    for (const TRollixVertex& v : c->Vertices) {
        if (!v.Glued) continue;
        ++glued;
        EXPECT_NEAR(v.GlueStiffness, 0.05f, 1e-6f);
        EXPECT_EQ(v.GlueMaxLength, 45.0f);
        EXPECT_EQ(v.GlueNormalY, -1.0f);
    }
    EXPECT_EQ(glued, c->GluedCount);
    // Pull the body up hard: the strands tear beyond 45 units.
    for (int t = 0; t < 200 && c->GluedCount > 0; ++t) {
        c->AddVelocity({0.0f, -3.0f});
        w.Tick();
    }
    EXPECT_EQ(c->GluedCount, 0);
    EXPECT_GT(c->GlueTorn, 0);
    EXPECT_LT(c->Centre.Y, -60.0f);
}

TEST(Contacts, WaterNodesNeverStick) {
    TTestWorld w;
    TEverywhereWater pool;
    w.Level.Waters = &pool;
    w.AddFloor(0.0f, -300.0f, 300.0f, 0.0f, 1.0f);
    TRollix* c = w.AddBody(mkWater, 16, 25, 0, -30); // a water body sinks slowly in water
    w.Tick(1500);
    EXPECT_GT(c->PrevTouchCount, 0);
    EXPECT_EQ(c->GluedCount, 0);
}

TEST(Contacts, BodiesCollideOnlyInOneLayer) {
    for (bool sameLayer : {true, false}) {
        TTestWorld w;
        w.AddFloor(0.0f, -400.0f, 400.0f);
        TRollix* low = w.AddBody(mkRubber, 20, 30, 0, -31);
        TRollix* high = w.AddBody(mkRubber, 20, 30, 3, -140);
        if (!sameLayer) high->Layer = high->LayerBase = high->SavedLayer = 2;
        int deepest = 0;
        for (int t = 0; t < 400; ++t) {
            w.Tick();
            int inside = 0;
            for (const TRollixVertex& v : high->Vertices)
                inside += InsideOutline(*low, v.Pos) ? 1 : 0;
            deepest = std::max(deepest, inside);
        }
        // In one layer no node of the falling ball ever enters the other;
        // in different layers it falls right through it.
        if (sameLayer)
            EXPECT_EQ(deepest, 0);
        else
            EXPECT_GT(deepest, 5);
        EXPECT_TRUE(AllFinite(*high));
    }
}

// The outline check puts back nodes whose outline edge went through a wall.
TEST(Contacts, OutlineThroughThinWallIsPutBack) {
    TTestWorld w;
    TBorderRing wall;
    wall.Points = {{0, -100}, {0, 100}}; // a wall of zero thickness (two edges on one line)
    AppendRingEdges(w.Edges, wall);
    w.Grid.Build(w.Edges, {});
    TRollix* c = w.AddBody(mkRubber, 8, 10, -20, 0);
    for (TRollixVertex& v : c->Vertices)
        v.PrevPos = v.Pos;
    // Node 0 jumps across the wall without a sweep (as if pushed by a body).
    c->Vertices[0].Pos.X = 5.0f;
    c->Vertices[0].Vel = {9, 9};
    c->OutlineCheck();
    EXPECT_LT(c->Vertices[0].Pos.X, 0.0f);
    EXPECT_EQ(c->Vertices[0].Vel, (TVec2{0, 0}));
}

// A spike tip that pokes between two nodes crosses the outline: soft kinds
// are impaled when the spring force there is large, the others never.
TEST(Contacts, SpikesImpaleSoftBodiesOnly) {
    struct TCase {
        int32_t Kind;
        bool Impaled;
    };
    const TCase cases[] = {{mkRubber, true}, {mkBalloon, true}, {mkWater, true},
                           {mkBubble, true}, {mkCloth, false},  {mkDuck, false}};
    for (const TCase& k : cases) {
        TTestWorld w;
        w.AddFloor(0.0f, -300.0f, 300.0f);
        w.AddRing({{-6, 0}, {0, -40}, {6, 0}}, 0.0f, 0.0f, true);
        TRollix* c = w.AddBody(k.Kind, 16, 25, 1, -80);
        bool impaled = false;
        for (int t = 0; t < 300 && !impaled; ++t) {
            c->AddVelocity({0.0f, 1.0f});
            ++w.Level.TickCounter;
            w.Man.TickAll();
            impaled = c->Impaled;
        }
        EXPECT_EQ(impaled, k.Impaled) << k.Kind;
    }
}

// The ground reaction's skipped zero adds leave every bit of the state as the
// full adds would.
TEST(Contacts, GroundReactionShortcutIsExact) {
    uint64_t hashes[2];
    for (int pass = 0; pass < 2; ++pass) {
        GroundReactionShortcut = pass == 0;
        TTestWorld w;
        w.AddFloor(0.0f, -600.0f, 600.0f, 0.3f);
        w.AddRing({{200, -300}, {260, -300}, {260, -10}, {200, -10}});
        const int32_t kinds[] = {mkRubber, mkBalloon, mkWater, mkCloth, mkRubber};
        for (int b = 0; b < 5; ++b)
            w.AddBody(kinds[b], 20 + 4 * b, 28, -400.0f + 130.0f * float(b), -40);
        TTestInput input;
        w.Level.Input = &input;
        BindTestKeys(*w.Man.Items[0]);
        for (int t = 0; t < 3000; ++t) {
            input.Hold(t < 1200 ? std::vector<uint16_t>{TestKeyRight}
                                : std::vector<uint16_t>{TestKeyLeft, TestKeyTurbo});
            if (t == 500) w.Man.Items[1]->AddVelocity({3, -6});
            w.Tick();
        }
        hashes[pass] = StateHash(w.Man);
    }
    GroundReactionShortcut = true;
    EXPECT_EQ(hashes[0], hashes[1]);
}

// Bit by bit: a ground reaction that has decayed to +0 still turns a −0
// velocity into +0 (as the full add does), and one that decays to −0
// changes nothing; a pass of reactions with the shortcut leaves exactly the
// bits the full adds leave.
TEST(Contacts, GroundReactionZeroSigns) {
    struct TCase {
        float Force;        // node 0's force before the reaction
        bool NegativeAfter; // the −0 velocities stay −0
    };
    // +0 and −0 react to +0; a tiny positive force reacts to −0.
    const TCase cases[] = {{0.0f, false}, {-0.0f, false}, {1e-30f, true}};
    for (bool shortcut : {true, false}) {
        GroundReactionShortcut = shortcut;
        for (const TCase& k : cases) {
            TTestWorld w;
            TRollix* c = w.AddBody(mkRubber, 6, 20, 0, 0);
            for (TRollixVertex& v : c->Vertices)
                v.Vel = {-0.0f, 3.0f};
            c->Vertices[0].Force = {k.Force, 0.0f};
            c->Vertices[0].Touching = true;
            c->ReactTouchingNodes();
            for (const TRollixVertex& v : c->Vertices)
                EXPECT_EQ(std::signbit(v.Vel.X), k.NegativeAfter) << k.Force << " shortcut " << shortcut;
        }
        // Several touching nodes whose forces decay to zero over repeated passes.
        uint64_t hash[2];
        for (int run = 0; run < 2; ++run) {
            TTestWorld w;
            TRollix* c = w.AddBody(mkRubber, 12, 20, 0, 0);
            for (int32_t i = 0; i < 12; ++i) {
                TRollixVertex& v = c->Vertices[size_t(i)];
                v.Vel = {i % 3 == 0 ? -0.0f : 0.5f * float(i % 4) - 0.75f, i % 2 ? -0.0f : 1.0f};
                v.Force = {float(i) - 5.5f, i % 5 == 0 ? 1e-30f : 3.0f - float(i)};
                v.Touching = i % 4 != 1;
            }
            GroundReactionShortcut = run == 0;
            for (int pass = 0; pass < 12; ++pass)
                c->ReactTouchingNodes();
            hash[run] = StateHash(w.Man);
        }
        EXPECT_EQ(hash[0], hash[1]);
    }
    GroundReactionShortcut = true;
}

// A node running into another body: a live body stops it at its outline; a
// dead body still shown is not found by the sweep but still blocks the
// node's outline edges, so the node stays where it was; a body that is dead
// and gone lets it through.
TEST(Contacts, RunningIntoLiveDeadAndGoneBodies) {
    struct TCase {
        bool Dead, Present;
        float WantX;
        bool Body;
    };
    const TCase cases[] = {
        {false, true, 39.9f, false}, {true, true, 20.0f, true}, {true, false, 50.0f, false}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TRollix* a = w.AddBody(mkRubber, 8, 20, 0, 0);
        TRollix* b = w.AddBody(mkRubber, 8, 20, 60, 0);
        b->Dead = k.Dead;
        b->Present = k.Present;
        TRollixVertex& n = a->Vertices[0]; // at (20, 0)
        n.Vel = {30, 0};
        TVec2 d = n.Vel;
        a->MoveNode(0, d);
        EXPECT_NEAR(n.Pos.X, k.WantX, 0.02f) << k.Dead << k.Present;
        EXPECT_EQ(n.TouchingBody, k.Body) << k.Dead << k.Present;
        EXPECT_EQ(n.Touching, k.WantX != 50.0f);
        // The live body is pushed by a quarter of the motion at the hit.
        if (!k.Dead) EXPECT_NEAR(b->Vertices[4].Vel.X, 0.25f * 30.0f, 1e-5f);
    }
}

// Characters in water: nodes switching to their material's water values,
// splashes and their sound, oxygen under water, acid, and spout bubbles
// pushing a body.
#include "WaterPool.h"

#include "app/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
// The cup filled to 100 (the floor is at 200).
class InWater : public ::testing::Test {
  protected:
    void SetUp() override {
        Pool.Cup();
        Pool.Fill(200, 100);
        Pool.Hooks.Effects = &Effects;
    }
    TPool Pool;
    TRecordedEffects Effects;
};
} // namespace

TEST_F(InWater, EachMaterialFloatsOrSinksByItsWaterValues) {
    struct TCase {
        int32_t Kind;
        bool Rises;
        const char* What;
    };
    const TCase cases[] = {
        {mkBalloon, true, "a balloon rises"},
        {mkRubber, true, "rubber floats up"},
        {mkWater, false, "a water body sinks"},
    };
    for (const TCase& c : cases) {
        TPool pool;
        pool.Cup();
        pool.Fill(200, 100);
        TRollix* body = pool.World.AddBody(c.Kind, 16, 12, 200, 150);
        const float startY = body->Centre.Y;
        pool.Tick();
        EXPECT_TRUE(body->AllInWater) << c.What;
        EXPECT_EQ(body->Water, pool.Water.get()) << c.What;
        for (const TRollixVertex& v : body->Vertices) {
            EXPECT_TRUE(v.InWater) << c.What;
            EXPECT_EQ(v.Water, pool.Water.get()) << c.What;
        }
        EXPECT_FLOAT_EQ(body->DepthBelowSurface, body->Centre.Y - 100) << c.What;
        pool.Tick(40);
        EXPECT_EQ(body->Centre.Y < startY - 1, c.Rises)
            << c.What << ": " << startY << " → " << body->Centre.Y;
        EXPECT_EQ(body->Centre.Y > startY + 1, !c.Rises)
            << c.What << ": " << startY << " → " << body->Centre.Y;
        EXPECT_TRUE(AllFinite(*body)) << c.What;
    }
}

TEST_F(InWater, AFallingBodySplashesAndMakesOneSound) {
    TRollix* body = Pool.World.AddBody(mkRubber, 16, 12, 200, 40);
    for (TRollixVertex& v : body->Vertices)
        v.Vel = {0, 8};
    for (int32_t tick = 0; tick < 40 && !body->AnyInWater; ++tick)
        Pool.Tick();
    ASSERT_TRUE(body->AnyInWater);
    ASSERT_FALSE(Effects.Splashes.empty());
    for (const auto& splash : Effects.Splashes)
        for (const TSplashDrop& d : splash) {
            EXPECT_LT(d.Vel.Y, 0.0f) << "drops fly up from a body falling in";
            EXPECT_GE(d.Size, 6.0f);
            EXPECT_LT(d.Size, 9.0f);
        }
    EXPECT_FALSE(Pool.Water->Bubbles.empty()) << "a fast entry makes splash bubbles";
    bool disturbed = false;
    for (const TWavePoint& w : Pool.Water->WavePoints)
        disturbed = disturbed || w.Speed != 0;
    EXPECT_TRUE(disturbed);
    // Within 20 ticks the splashes so far make one sound.
    Pool.Tick(20);
    ASSERT_FALSE(Effects.Sounds.empty());
    const TRecordedEffects::TSound& s = Effects.Sounds.front();
    EXPECT_EQ(s.Name.rfind("Water\\Splech ", 0), 0u) << s.Name;
    EXPECT_TRUE(s.Name == "Water\\Splech 1.ogg" || s.Name == "Water\\Splech 2.ogg" ||
                s.Name == "Water\\Splech 3.ogg" || s.Name == "Water\\Splech 4.ogg")
        << s.Name;
    EXPECT_GT(s.Volume, 0.0f);
    EXPECT_LE(s.Volume, 1.0f);
    EXPECT_GE(s.Pitch, 0.85f);
    EXPECT_LT(s.Pitch, 1.15f);
}

TEST_F(InWater, SplashSizeFollowsTheEntrySpeedAndIsCapped) {
    // Nodes put straight into the water, having come from above.
    struct TCase {
        float Moved;
        bool Bubble;
        int32_t MinDrops, MaxDrops;
        const char* What;
    };
    const TCase cases[] = {
        {0.0f, false, 0, 0, "no motion"},
        {2.0f, false, 0, 0, "slow: a = 0.2, no drops"},
        {3.9f, false, 2, 2, "a = 0.39 counts as 1: two drops, no bubble"},
        {8.0f, true, 2, 2, "a = 0.8 counts as 1"},
        {40.0f, true, 8, 8, "a = 4: eight drops"},
        {1e6f, true, MaxSplashDrops, MaxSplashDrops, "flung through: capped"},
    };
    for (const TCase& c : cases) {
        TPool pool;
        pool.Cup();
        pool.Fill(200, 100);
        TRecordedEffects effects;
        pool.Hooks.Effects = &effects;
        TRollix* body = pool.World.AddBody(mkRubber, 8, 10, 200, 150);
        body->SplashSoundTimer = 20; // no sound yet to take the count
        for (TRollixVertex& v : body->Vertices) {
            v.PrevPos = {v.Pos.X, v.Pos.Y - c.Moved};
            v.Vel = {0, 3};
            v.InWater = false;
        }
        pool.Hooks.BodyWaterStep(*body);
        ASSERT_EQ(body->InWaterCount, body->VertexCount()) << c.What;
        EXPECT_EQ(pool.Water->Bubbles.size(), c.Bubble ? size_t(body->VertexCount()) : 0u) << c.What;
        EXPECT_EQ(effects.Splashes.size(), c.MaxDrops > 0 ? size_t(body->VertexCount()) : 0u) << c.What;
        for (const auto& splash : effects.Splashes) {
            EXPECT_GE(int32_t(splash.size()), c.MinDrops) << c.What;
            EXPECT_LE(int32_t(splash.size()), c.MaxDrops) << c.What;
        }
        EXPECT_EQ(body->SplashParticles, effects.DropCount()) << c.What;
    }
}

TEST_F(InWater, OxygenRunsOutUnderWaterAndComesBackInTheAir) {
    // A balloon held under a lid: it cannot reach the surface.
    Pool.World.AddRing({{150, 120}, {250, 120}, {250, 130}, {150, 130}});
    Pool.File();
    TRollix* player = Pool.World.AddBody(mkRubber, 16, 12, 200, 170);
    Pool.Tick();
    ASSERT_TRUE(player->IsPlayer);
    ASSERT_TRUE(player->HalfInWater);
    player->Oxygen = 30;
    for (int32_t tick = 1; tick <= 30; ++tick) {
        Pool.Tick();
        ASSERT_FALSE(player->Dead) << "tick " << tick;
        EXPECT_EQ(player->Oxygen, 30 - tick);
    }
    Pool.Tick();
    EXPECT_TRUE(player->Dead) << "drowned at no oxygen";

    // Out of the water the oxygen is full again.
    TPool dry;
    dry.Cup();
    dry.Fill(200, 100);
    TRollix* other = dry.World.AddBody(mkRubber, 16, 12, 200, 30);
    dry.Tick();
    other->Oxygen = 100;
    dry.Tick();
    EXPECT_FALSE(other->HalfInWater);
    EXPECT_EQ(other->Oxygen, 6000);
}

TEST_F(InWater, AcidBitesUnlessTheBodyIsProof) {
    Pool.Water->Acid = true;
    Pool.Water->AcidStrength = 2.0f;
    // The player stays far away; the bodies in the acid are the others.
    Pool.World.AddBody(mkRubber, 8, 10, -1000, -1000);
    TRollix* plain = Pool.World.AddBody(mkRubber, 16, 12, 120, 160);
    TRollix* proof = Pool.World.AddBody(mkRubber, 16, 12, 280, 160);
    proof->AcidProof = true;
    const float restWidth = plain->Figure->Points[0].Pos.X;
    Pool.Tick(30);
    EXPECT_TRUE(plain->InAcid);
    EXPECT_GT(plain->Damage, 0.0f);
    EXPECT_LT(plain->Figure->Points[0].Pos.X, restWidth) << "the rest shape shrinks";
    EXPECT_EQ(proof->Damage, 0.0f);
    EXPECT_EQ(proof->Figure->Points[0].Pos.X, restWidth);
    // Acid bubbles rise only from the body that is eaten.
    int32_t nearPlain = 0, nearProof = 0;
    for (const TBubble& b : Pool.Water->Bubbles)
        (b.Pos.X < 200 ? nearPlain : nearProof) += 1;
    EXPECT_GT(nearPlain, 0);
    EXPECT_EQ(nearProof, 0);
    // Bites come every seventh tick per node: 30 ticks give 5 bites (ticks 1, 8, 15, 22, 29).
    EXPECT_EQ(nearPlain, 5 * plain->VertexCount());
}

TEST_F(InWater, SpoutBubblesPushABodyUp) {
    float heights[2];
    for (int32_t withSpout = 0; withSpout < 2; ++withSpout) {
        TPool pool;
        pool.Cup();
        pool.Fill(200, 100);
        if (withSpout) {
            TBubbleSpout& s = pool.Water->Spouts.emplace_back();
            s.Pos = {200, 198};
            s.Rate = 3;
            s.Spread = 0.05f;
            s.Speed = 3;
            s.PushStrength = 0.5f;
            pool.Water->Reset();
        }
        TRollix* body = pool.World.AddBody(mkWater, 16, 12, 200, 160);
        Seed(11);
        pool.Tick(30);
        heights[withSpout] = body->Centre.Y;
    }
    EXPECT_LT(heights[1], heights[0] - 10) << "the spout lifts the sinking body";
}

#include "PhysicsFixture.h"
#include "assets/ByteStream.h"
#include "physics/Appearance.h"
#include "physics/ReplayTrack.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {
class TRecordingLooks : public TAppearanceHooks {
  public:
    std::vector<std::string> Voices;
    int Ouches = 0;
    std::vector<int32_t> Faces;
    void Voice(TRollix&, const std::string& name) override { Voices.push_back(name); }
    void Ouch(TRollix&) override { ++Ouches; }
    void PlayFace(TRollix&, int32_t a) override { Faces.push_back(a); }
};

// Half of every body is under water while Wet is set.
class TSwitchWater : public TWaterHooks {
  public:
    bool Wet = false;
    void BodyWaterStep(TRollix& c) override {
        c.WasHalfInWater = c.HalfInWater;
        c.HalfInWater = Wet;
    }
};

// Under water like TSwitchWater; notes where each bubble rises, seen from
// the body's centre.
class TBubbleWater : public TSwitchWater {
  public:
    const TRollix* Body = nullptr;
    std::vector<TVec2> Offsets;
    void EmitBubble(TWater*, TVec2 pos, TVec2) override { Offsets.push_back(pos - Body->Centre); }
};

struct TRollCase {
    std::vector<uint16_t> Keys;
    bool Reverse;
    int Direction; // −1 left, +1 right
};
} // namespace

// Rolling: the push turns every node around the centre; left rolls left,
// right (or both) rolls right, reversed controls swap them, turbo is faster.
TEST(Rollix, RollingOnFlatGround) {
    const TRollCase cases[] = {
        {{TestKeyLeft}, false, -1}, {{TestKeyRight}, false, +1}, {{TestKeyLeft, TestKeyRight}, false, +1},
        {{TestKeyLeft}, true, +1},  {{TestKeyRight}, true, -1},
    };
    for (const TRollCase& k : cases) {
        float dist[2];
        for (int turbo = 0; turbo < 2; ++turbo) {
            TTestWorld w;
            TTestInput input;
            w.Level.Input = &input;
            w.AddFloor(0.0f, -3000.0f, 3000.0f);
            TRollix* c = w.AddBody(mkRubber, 24, 30, 0, -31);
            BindTestKeys(*c);
            c->ReverseControls = k.Reverse;
            w.Tick(100);
            const float start = c->Centre.X;
            std::vector<uint16_t> keys = k.Keys;
            if (turbo) keys.push_back(TestKeyTurbo);
            for (int t = 0; t < 300; ++t) {
                input.Hold(keys);
                w.Tick();
            }
            dist[turbo] = (c->Centre.X - start) * float(k.Direction);
            EXPECT_GT(dist[turbo], 50.0f) << "case " << &k - cases << " turbo " << turbo;
            EXPECT_LE(c->Bounds.Bottom, 0.0f);
        }
        EXPECT_GT(dist[1], dist[0] * 1.3f) << "case " << &k - cases;
    }
}

TEST(Rollix, RollFactorScalesOnlyTheHorizontalPush) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 8, 20, 0, 0);
    c->Buttons.Left.Held = true;
    c->RollFactor.Value = 2.0f;
    c->RollingPush();
    const TRollixVertex& top = c->Vertices[6];   // straight above the centre
    const TRollixVertex& right = c->Vertices[0]; // straight right of the centre
    EXPECT_NEAR(top.Vel.X, -2.0f * 0.2f, 1e-6f); // the top is pushed left
    EXPECT_NEAR(right.Vel.Y, -0.2f, 1e-6f);      // the right side up: the body rolls left
}

TEST(Rollix, AnimValuesAndStopper) {
    TAnimValue v;
    v.Start(false, 4, 8.0f);
    for (int i = 0; i < 2; ++i)
        v.Advance();
    EXPECT_NEAR(v.Value, 4.0f, 1e-5f);
    v.Advance();
    v.Advance();
    EXPECT_EQ(v.Value, 8.0f);
    v.Start(true, 0, 2.0f);
    v.Advance();
    EXPECT_EQ(v.Value, 10.0f);
    v.Total = -1;
    v.To = 99.0f;
    v.Advance();
    EXPECT_EQ(v.Value, 10.0f);

    // The stopper brakes over its ramp, then freezes the body in place.
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 12, 20, 0, 0);
    c->AddVelocity({5, 0});
    c->BrakeRamp.Start(false, 3, 0.0f);
    c->FreezeTicks = 50;
    w.Tick(3);
    EXPECT_GT(c->FreezeRamp.Left, 0);
    const TVec2 at = c->Centre;
    w.Tick(20);
    EXPECT_NEAR(c->Centre.X, at.X, 0.5f);
    EXPECT_NEAR(c->Centre.Y, at.Y, 0.5f);
}

TEST(Rollix, OxygenAndGasps) {
    struct TCase {
        int32_t Oxygen;
        const char* Gasp;
    };
    const TCase cases[] = {{6000, nullptr}, {5599, "xRollix\\nadych.ogg"}, {499, "xRollix\\nadych 2.ogg"}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TSwitchWater water;
        TRecordingLooks looks;
        w.Level.Waters = &water;
        w.Level.Appearance = &looks;
        TRollix* c = w.AddBody(mkRubber, 12, 20, 0, 0);
        w.Level.GravityFactor = 0.0f;
        water.Wet = true;
        w.Tick(2); // the first wet tick is seen from the second on
        EXPECT_EQ(c->Oxygen, 5999);
        EXPECT_GE(c->GurgleTimer, 180);
        c->Oxygen = k.Oxygen + 1;
        w.Tick();
        water.Wet = false;
        looks.Voices.clear();
        w.Tick(2);
        EXPECT_EQ(c->Oxygen, 6000);
        if (k.Gasp)
            ASSERT_EQ(looks.Voices, std::vector<std::string>{k.Gasp});
        else
            EXPECT_TRUE(looks.Voices.empty());
    }
}

// Breath bubbles rise from the mouth, 0.45 of the way from the centre to
// node 12 (straight left in a ring of 24); a body of twelve nodes has its
// mouth at the centre.
TEST(Rollix, BreathBubblesRiseFromTheMouth) {
    struct TCase {
        int32_t Nodes;
        float MouthX; // from the centre
    };
    const TCase cases[] = {{24, -0.45f * 30.0f}, {12, 0.0f}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TBubbleWater water;
        w.Level.Waters = &water;
        TRollix* c = w.AddBody(mkRubber, k.Nodes, 30, 0, 0);
        water.Body = c;
        w.Level.GravityFactor = 0.0f;
        water.Wet = true;
        w.Tick(300); // the first gurgle comes within 230 ticks
        ASSERT_FALSE(water.Offsets.empty()) << k.Nodes;
        for (TVec2 d : water.Offsets) {
            ASSERT_NEAR(d.X, k.MouthX, 0.5f) << k.Nodes;
            ASSERT_NEAR(d.Y, 0.0f, 0.5f) << k.Nodes;
        }
    }
}

TEST(Rollix, DrowningKillsThePlayerAndAsksForARestart) {
    TTestWorld w;
    TSwitchWater water;
    w.Level.Waters = &water;
    water.Wet = true;
    TRollix* c = w.AddBody(mkRubber, 12, 20, 0, 0);
    w.Level.GravityFactor = 0.0f;
    w.Tick(2);
    c->Oxygen = 1;
    w.Tick(3);
    EXPECT_TRUE(c->Dead);
    EXPECT_TRUE(c->Present);
    EXPECT_EQ(w.Level.RestartDelay, 400);
}

TEST(Rollix, ImpulseNeedsASidewaysGroundSum) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 8, 20, 0, 0);
    // Touching straight below the centre only: squeeze, no jump.
    c->Vertices[2].Pos.X = c->Centre.X;
    c->Vertices[2].Touching = true;
    c->Impulse(-0.5f);
    EXPECT_EQ(c->Vertices[0].Vel, (TVec2{0, 0}));
    EXPECT_NEAR(c->Vertices[0].Force.X, -0.35f * 20.0f, 1e-4f);
    // Touching below and to the right: a jump of 7 away from the ground.
    c->Vertices[1].Touching = true;
    c->Impulse(-0.5f);
    const TVec2 v = c->Vertices[5].Vel;
    EXPECT_NEAR(Length(v), 7.0f, 1e-4f);
    EXPECT_LT(v.Y, 0.0f);
    EXPECT_LT(v.X, 0.0f);
}

TEST(Rollix, DamageAndBurstThresholds) {
    struct TCase {
        int32_t Kind;
        float Factor;
        int Bites;
        bool Bursts;
    };
    const TCase cases[] = {{mkBalloon, 0.9f, 9, false},
                           {mkBalloon, 0.9f, 11, true},
                           {mkRubber, 0.5f, 9, false},
                           {mkRubber, 0.5f, 10, true},
                           {mkCloth, 0.5f, 29, false}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TRollix* c = w.AddBody(k.Kind, 16, 30, 0, 0);
        for (int b = 0; b < k.Bites; ++b)
            c->DamageNode(b % 16, k.Factor);
        w.Tick();
        EXPECT_EQ(c->Dead, k.Bursts) << k.Kind << " " << k.Bites;
        EXPECT_EQ(w.Man.Count() > 1, k.Bursts);
    }
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 16, 30, 0, 0);
    c->AcidProof = true;
    c->DamageNode(0, 0.1f);
    EXPECT_EQ(c->Damage, 0.0f);
}

TEST(Rollix, RecordRoundTripAndClamps) {
    TTestWorld w;
    TRollix* c = w.Man.AddListed();
    c->StartFigure = 4;
    c->StartX = 120.5f;
    c->StartY = -30.0f;
    c->Colour[1] = 7;
    c->AltLayerBase = 2;
    c->LayerBase = 3;
    c->GripBase = 0.25f;
    c->GlueBase = 1.0f;
    c->AcidProofBase = true;
    c->RespawnDelay = 300;
    c->PopIn = true;
    c->IgnoresWind = true;
    c->HasRecordMaterial = true;
    c->Figure->Material->BlendSrc = 1;
    c->Figure->Material->BlendDst = 1;
    c->HasRollSounds = true;
    c->RollSounds[2].Sound = 12;
    c->RollSounds[2].PitchHigh = 1.5f;
    TByteWriter out;
    c->WriteRecord(out);
    TByteReader in(out.Bytes);
    TRollix* d = w.Man.AddListed();
    d->LoadRecord(in);
    EXPECT_FALSE(in.ShortRead);
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(d->Layer, 3);
    EXPECT_EQ(d->AltLayer, 2);
    EXPECT_TRUE(d->AcidProof);
    EXPECT_TRUE(d->IgnoresWind);
    EXPECT_EQ(d->RollSounds[2].Sound, 12);
    TByteWriter again;
    d->WriteRecord(again);
    EXPECT_EQ(again.Bytes, out.Bytes);

    // Grip and glue are limited to 0 … 1; NaN reads as 0.
    const float values[][2] = {{-2.0f, 0.0f}, {7.0f, 1.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.0f}};
    for (const auto& v : values) {
        std::vector<uint8_t> bytes = out.Bytes;
        std::memcpy(&bytes[27], &v[0], 4); // grip: after figure, start, colour, three bytes, two layers
        TByteReader r(bytes);
        TRollix* e = w.Man.AddListed();
        e->LoadRecord(r);
        EXPECT_EQ(e->GripBase, v[1]);
    }
}

// Until a level record gives its own, a character rolls with the sounds of
// its kind of body: rubber, balloon, water.
TEST(Rollix, RollSoundDefaultsPerBody) {
    struct TCase {
        const char* Body;
        TRollSound Want;
    };
    const TCase cases[] = {{"rubber", {0, 5.0f, 80.0f, 0.0f, 100.0f, 80.0f, 120.0f, 10, 70}},
                           {"balloon", {0, 5.0f, 40.0f, 0.0f, 100.0f, 80.0f, 120.0f, 10, 70}},
                           {"water", {0, 5.0f, 60.0f, 0.0f, 100.0f, 80.0f, 120.0f, 10, 70}}};
    TTestWorld w;
    TRollix* made = w.Man.AddListed();
    TByteWriter out;
    made->WriteRecord(out); // without roll-sound settings
    TByteReader in(out.Bytes);
    TRollix* loaded = w.Man.AddListed();
    loaded->LoadRecord(in);
    for (const TRollix* c : {made, loaded})
        for (size_t i = 0; i < std::size(cases); ++i) {
            const TRollSound &r = c->RollSounds[i], &want = cases[i].Want;
            const char* body = cases[i].Body;
            EXPECT_EQ(r.Sound, want.Sound) << body;
            EXPECT_EQ(r.SpeedLow, want.SpeedLow) << body;
            EXPECT_EQ(r.SpeedHigh, want.SpeedHigh) << body;
            EXPECT_EQ(r.VolumeLow, want.VolumeLow) << body;
            EXPECT_EQ(r.VolumeHigh, want.VolumeHigh) << body;
            EXPECT_EQ(r.PitchLow, want.PitchLow) << body;
            EXPECT_EQ(r.PitchHigh, want.PitchHigh) << body;
            EXPECT_EQ(r.IntervalFast, want.IntervalFast) << body;
            EXPECT_EQ(r.IntervalRest, want.IntervalRest) << body;
        }
}

TEST(RollixsMan, ListOrderAndRemoval) {
    TTestWorld w;
    TRollix* p = w.AddBody(mkRubber, 8, 20, 0, 0);
    TRollix* piece = w.Man.AddPiece();
    TRollix* q = w.Man.AddListed();
    ASSERT_EQ(w.Man.Count(), 3);
    EXPECT_EQ(w.Man.Items[0].get(), p);
    EXPECT_EQ(w.Man.Items[1].get(), q); // listed characters precede pieces
    EXPECT_EQ(w.Man.Items[2].get(), piece);
    EXPECT_EQ(q->Id, 2);
    EXPECT_EQ(w.Man.ListedAt(1), q);
    EXPECT_EQ(w.Man.ListedAt(2), nullptr);
    w.Man.Remove(0);
    w.Man.Remove(9);
    EXPECT_EQ(w.Man.Count(), 3);
    w.Man.Restart();
    EXPECT_EQ(w.Man.Count(), 2);
}

TEST(RollixsMan, LoadCapsTheCountByTheBytesLeft) {
    TTestWorld w;
    TRollix* c = w.Man.AddListed();
    c->StartX = 50;
    TByteWriter out;
    out.WriteInt32(2000000000);
    c->WriteRecord(out);
    c->WriteRecord(out);
    TByteReader in(out.Bytes);
    w.Man.Load(in);
    EXPECT_EQ(w.Man.Count(), 2);
    EXPECT_EQ(w.Man.Items[1]->StartX, 50.0f);
    TByteWriter again;
    w.Man.Write(again);
    EXPECT_EQ(std::vector<uint8_t>(again.Bytes.begin() + 4, again.Bytes.end()),
              std::vector<uint8_t>(out.Bytes.begin() + 4, out.Bytes.end()));

    // The default character starts at the camera start when the file gives one.
    TTestWorld d;
    d.Level.CameraFromFile = true;
    d.Level.CameraStart = {40, -60};
    TRollix* def = d.Man.AddDefaultCharacter();
    EXPECT_EQ(def->StartX, 40.0f);
    EXPECT_EQ(def->StartY, -60.0f);
    EXPECT_TRUE(def->Listed);
}

// Spikes: balloons and water bodies burst into pieces that live in layers
// of their own, rubber only cries, the other kinds ignore them.
TEST(RollixsMan, SpikesBurstBalloonsRubberCries) {
    struct TCase {
        int32_t Kind;
        bool Bursts;
        int Ouches;
    };
    const TCase cases[] = {{mkBalloon, true, 0}, {mkWater, true, 0},   {mkRubber, false, 1},
                           {mkCloth, false, 0},  {mkBubble, false, 0}, {mkDuck, false, 0}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TRecordingLooks looks;
        w.Level.Appearance = &looks;
        TRollix* c = w.AddBody(k.Kind, 24, 30, 0, 0);
        c->Impaled = true;
        w.Man.CheckDeaths();
        EXPECT_FALSE(c->Impaled) << k.Kind;
        EXPECT_EQ(looks.Ouches, k.Ouches) << k.Kind;
        EXPECT_EQ(c->Dead, k.Bursts) << k.Kind;
        if (!k.Bursts) {
            EXPECT_EQ(w.Man.Count(), 1);
            continue;
        }
        EXPECT_FALSE(c->Present);
        EXPECT_EQ(w.Level.RestartDelay, 400);
        ASSERT_GE(w.Man.Count(), 4);
        std::vector<int32_t> layers;
        int32_t nodes = 0;
        for (int32_t i = 1; i < w.Man.Count(); ++i) {
            const TRollix& piece = *w.Man.Items[size_t(i)];
            EXPECT_FALSE(piece.Listed);
            EXPECT_EQ(piece.MaterialKind, mkCloth);
            for (int32_t l : layers)
                EXPECT_NE(l, piece.Layer);
            layers.push_back(piece.Layer);
            nodes += piece.VertexCount();
        }
        EXPECT_GT(nodes, 24);
        // The pieces fly off and never touch each other.
        w.Tick(200);
        for (int32_t i = 1; i < w.Man.Count(); ++i) {
            EXPECT_TRUE(AllFinite(*w.Man.Items[size_t(i)]));
            for (const TRollixVertex& v : w.Man.Items[size_t(i)]->Vertices)
                EXPECT_FALSE(v.TouchingBody);
        }
    }
}

TEST(RollixsMan, SplitPieceWrapsTheLastSlice) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkBalloon, 10, 30, 0, 0);
    TRollix* piece = w.Man.AddPiece();
    TVec2 dir;
    w.Man.SplitPiece(*piece, *c, 2, dir, mkCloth, 3); // nodes 6 … 10, where 10 is node 0
    ASSERT_GE(piece->VertexCount(), 5);
    EXPECT_EQ(piece->Vertices[0].Pos, c->Vertices[6].Pos);
    EXPECT_EQ(piece->Vertices[4].Pos, c->Vertices[0].Pos);
    EXPECT_NEAR(Length(dir), 1.0f, 1e-5f);
}

TEST(RollixsMan, SqueezedWaterBodyBursts) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkWater, 20, 30, 0, 0);
    w.Man.CheckDeaths();
    EXPECT_FALSE(c->Dead);
    c->ShrinkAboutCentre(0.8f);
    w.Man.CheckDeaths();
    EXPECT_TRUE(c->Dead);
    EXPECT_GT(w.Man.Count(), 1);
    // A body with no nodes (its figure file was missing) has nothing to test.
    TTestWorld e;
    TRollix* empty = e.Man.AddListed();
    empty->SetMaterial(mkWater);
    e.Tick(3);
    EXPECT_FALSE(empty->Dead);
}

TEST(RollixsMan, FallingOutOfTheLevel) {
    TTestWorld w;
    w.AddFloor(0.0f, -100.0f, 100.0f);
    TRollix* player = w.AddBody(mkRubber, 12, 20, 500, -100);
    TRollix* creature = w.AddBody(mkRubber, 12, 20, -500, -100);
    bool back = false;
    for (int t = 0; t < 2000 && !back; ++t) {
        w.Tick();
        back = creature->Centre.Y < -50.0f && t > 100;
    }
    // The creature is put back at its start at once and lives on; the player dies.
    EXPECT_TRUE(back);
    EXPECT_FALSE(creature->Dead);
    EXPECT_TRUE(player->Dead);
    EXPECT_EQ(w.Level.RestartDelay, 300);
    // A restart brings the player back to its start.
    w.Man.Restart();
    EXPECT_FALSE(player->Dead);
    EXPECT_NEAR(player->Centre.X, 500.0f, 1e-3f);
}

TEST(Rollix, RespawnWaitsForAFreePlace) {
    TTestWorld w;
    w.AddFloor(0.0f, -300.0f, 300.0f);
    TRollix* player = w.AddBody(mkRubber, 12, 20, 200, -21);
    TRollix* c = w.AddBody(mkRubber, 12, 20, 0, -21);
    TRollix* blocker = w.AddBody(mkRubber, 12, 20, 100, -21);
    (void)player;
    c->RespawnDelay = 5;
    w.Man.Kill(*c, nullptr);
    c->Present = false;
    // Something sits on its start place.
    blocker->PlaceAt(false, -21, 0);
    c->Translate(0, 500);
    w.Tick(20);
    EXPECT_TRUE(c->Dead);
    blocker->PlaceAt(false, -21, -200);
    w.Tick(2);
    EXPECT_FALSE(c->Dead);
    EXPECT_NEAR(c->Centre.X, 0.0f, 1.0f);
}

// Long runs of every material stay finite and within the level.
TEST(Rollix, LongRunsStayFiniteAndBounded) {
    struct TCase {
        int32_t Kind;
        float Glue;
    };
    const TCase cases[] = {{mkRubber, 0}, {mkBalloon, 0}, {mkWater, 0},   {mkCloth, 0},
                           {mkDuck, 0},   {mkBubble, 0},  {mkWater, 1.0f}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TTestInput input;
        w.Level.Input = &input;
        w.AddRing({{-400, -400},
                   {-400, 200},
                   {400, 200},
                   {400, -400},
                   {-420, -420},
                   {420, -420},
                   {420, 220},
                   {-420, 220}});
        w.AddFloor(100.0f, -300.0f, 300.0f, 0.0f, k.Glue);
        TRollix* c = w.AddBody(k.Kind, 24, 30, 0, 0);
        BindTestKeys(*c);
        for (int t = 0; t < 10000; ++t) {
            const int phase = (t / 700) % 4;
            input.Hold(phase == 0   ? std::vector<uint16_t>{TestKeyLeft}
                       : phase == 2 ? std::vector<uint16_t>{TestKeyRight, TestKeyTurbo}
                                    : std::vector<uint16_t>{});
            if (t % 2500 == 1000) c->AddVelocity({0, -8});
            w.Tick();
            if (c->Dead) break;
        }
        EXPECT_TRUE(AllFinite(*c)) << k.Kind;
        if (!c->Dead) {
            EXPECT_GT(c->Bounds.Left, -1500.0f) << k.Kind;
            EXPECT_LT(c->Bounds.Right, 1500.0f) << k.Kind;
            EXPECT_GT(c->Bounds.Top, -1500.0f) << k.Kind;
            EXPECT_LT(c->Bounds.Bottom, 1500.0f) << k.Kind;
        }
    }
}

// The same scripted run twice gives the same state, bit for bit.
TEST(Rollix, ScriptedRunIsDeterministic) {
    uint64_t hashes[2];
    for (uint64_t& h : hashes) {
        TTestWorld w;
        TTestInput input;
        w.Level.Input = &input;
        w.AddFloor(0.0f, -800.0f, 800.0f, 0.5f);
        w.AddRing({{100, -200}, {160, -200}, {160, -5}, {100, -5}}, 0.0f, 0.6f);
        TRollix* p = w.AddBody(mkRubber, 32, 30, -200, -40);
        w.AddBody(mkWater, 24, 30, 300, -40);
        w.AddBody(mkBalloon, 20, 25, 0, -200);
        BindTestKeys(*p);
        for (int t = 0; t < 1500; ++t) {
            input.Hold(t % 400 < 200 ? std::vector<uint16_t>{TestKeyRight}
                                     : std::vector<uint16_t>{TestKeyLeft, TestKeyTurbo});
            w.Tick();
        }
        h = StateHash(w.Man);
    }
    EXPECT_EQ(hashes[0], hashes[1]);
}

// Teleport: fades out, is placed at the target at the half, fades in; the
// body does not move on its own meanwhile.
TEST(Rollix, TeleportFadeAndPlacement) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 12, 20, 0, 0);
    c->Teleporting = true;
    c->TeleportLeft = 10;
    c->TeleportHalf = 5;
    c->TeleportTargetX = 400;
    c->TeleportTargetY = -50;
    std::vector<int32_t> alphas;
    for (int t = 0; t < 10; ++t) {
        const TVec2 before = c->Centre;
        w.Tick();
        alphas.push_back(c->TeleportAlpha);
        if (t == 4) {
            EXPECT_NEAR(c->Centre.X, 400.0f, 1e-3f);
        } else if (t < 9) {
            EXPECT_EQ(c->Centre, before);
        }
    }
    const std::vector<int32_t> want = {204, 153, 102, 51, 0, 51, 102, 153, 204, 255};
    EXPECT_EQ(alphas, want);
    EXPECT_FALSE(c->Teleporting);
}

TEST(Rollix, SwallowDrawsTheBodyIn) {
    TTestWorld w;
    TTestInput input;
    w.Level.Input = &input;
    TRollix* c = w.AddBody(mkRubber, 12, 20, 0, 0);
    BindTestKeys(*c);
    c->Swallow({100, 100});
    input.Hold({TestKeyLeft});
    w.Tick(130);
    EXPECT_EQ(c->SwallowLeft, 0);
    EXPECT_NEAR(c->Centre.X, 100.0f, 1e-2f);
    EXPECT_NEAR(c->Centre.Y, 100.0f, 1e-2f);
    c->ComputeBounds();
    EXPECT_LT(c->Bounds.Right - c->Bounds.Left, 40.0f * 0.1f); // shrunk by 0.98 per tick
}

TEST(Rollix, UncontrolledHiccupsJump) {
    TTestWorld w;
    TRecordingLooks looks;
    w.Level.Appearance = &looks;
    w.AddFloor(0.0f, -300.0f, 300.0f);
    TRollix* c = w.AddBody(mkRubber, 16, 25, 0, -26);
    w.Tick(200);
    c->StartHiccups(700, false, false);
    EXPECT_EQ(c->HiccupTimer, 300);
    EXPECT_EQ(c->HiccupMax, 700);
    float highest = 0.0f;
    int jumps = 0;
    for (int t = 0; t < 700; ++t) {
        const size_t voices = looks.Voices.size();
        w.Tick();
        if (looks.Voices.size() > voices && looks.Voices.back() == "xRollix\\hicc.ogg") {
            ++jumps;
            // The first jump comes after the 300-tick wait, the next ones 150 … 219 ticks apart.
            if (jumps == 1) {
                EXPECT_EQ(t, 299);
            }
        }
        highest = std::min(highest, c->Bounds.Bottom);
    }
    EXPECT_GE(jumps, 2);
    EXPECT_LE(jumps, 3);
    EXPECT_LT(highest, -20.0f); // it left the ground
    EXPECT_EQ(c->HiccupLeft, 0);
}

// Points, hiccups and the total score from values a level file may hold at
// the ends of the range stop there instead of wrapping round.
TEST(Rollix, ScoresAndHiccupsStopAtTheEndsOfTheRange) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 16, 25, 0, -26);
    c->IsPlayer = true;
    c->Points = INT32_MAX - 10;
    c->AddPoints(100);
    EXPECT_EQ(c->Points, INT32_MAX);
    w.Level.BonusSeconds = INT32_MAX;
    EXPECT_EQ(c->TotalScore(), INT32_MAX);
    w.Level.BonusSeconds = INT32_MIN;
    c->Points = 5;
    EXPECT_EQ(c->TotalScore(), 5);
    c->StartHiccups(INT32_MAX - 1, false, false);
    c->StartHiccups(INT32_MAX, true, true);
    EXPECT_EQ(c->HiccupLeft, INT32_MAX);
    EXPECT_EQ(c->HiccupMax, INT32_MAX);
}

// The controls of one tick: from a replay's bits, cleared while the player
// has no control, or from keys and joystick bits.
TEST(Rollix, ControlSources) {
    TTestWorld w;
    TTestInput input;
    w.Level.Input = &input;
    TRollix* c = w.AddBody(mkRubber, 8, 20, 0, 0);
    BindTestKeys(*c);
    c->IsPlayer = true;

    // A replay: right and jump from tick 10, turbo alone from tick 12.
    TReplayTrack replay;
    replay.ReplayEvents = {{10, cbRight | cbJump}, {12, cbTurbo}};
    replay.StartPlayback();
    w.Level.Replay = &replay;
    w.Level.TickCounter = 10;
    c->ReadInput();
    EXPECT_TRUE(c->Buttons.Right.Held && c->Buttons.Jump.Held && !c->Buttons.Left.Held);
    EXPECT_TRUE(c->Buttons.Jump.Pressed);
    w.Level.TickCounter = 11;
    c->ReadInput();
    EXPECT_FALSE(c->Buttons.Jump.Pressed); // held, not pressed again
    w.Level.TickCounter = 12;
    c->ReadInput();
    EXPECT_TRUE(c->Buttons.Jump.Released);
    EXPECT_TRUE(c->Buttons.Turbo.Held && !c->Buttons.Jump.Held && !c->Buttons.Right.Held);
    EXPECT_EQ(replay.ReplayCount(), 2) << "playback records nothing";

    // Keys are recorded: a change of the held controls is one event.
    replay.StartRecording();
    input.Hold({TestKeyLeft});
    w.Level.TickCounter = 20;
    c->ReadInput();
    w.Level.TickCounter = 21;
    c->ReadInput();
    EXPECT_EQ(replay.ReplayEvents, (std::vector<TReplayEvent>{{20, cbLeft}}));
    input.Hold({});
    w.Level.Replay = nullptr;
    w.Level.NoPlayerControl = true;
    input.Hold({TestKeyLeft});
    c->ReadInput();
    EXPECT_FALSE(c->Buttons.Left.Held || c->Buttons.Turbo.Held || c->Buttons.Jump.Pressed ||
                 c->Buttons.Jump.Released);

    w.Level.NoPlayerControl = false;
    w.Level.JoystickHeld = cbJump;
    w.Level.JoystickPressed = cbJump;
    input.Hold({TestKeyLeft, TestKeyTurbo});
    c->ReadInput();
    EXPECT_TRUE(c->Buttons.Left.Held && c->Buttons.Turbo.Held && c->Buttons.Jump.Held &&
                c->Buttons.Jump.Pressed);
    EXPECT_FALSE(c->Buttons.Left.Pressed); // down on the previous tick as well
    EXPECT_FALSE(c->Buttons.Right.Held || c->Buttons.Right.Pressed);
}

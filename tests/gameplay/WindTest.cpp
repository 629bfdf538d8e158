// Winds in play: the push at points of a cone and a disc, the switching by
// the player's presence with its delays and by the bound object, the push
// on bodies, water surfaces and particles, and the order of one wind tick.
#include "PhysicsFixture.h"

#include "app/Random.h"
#include "gameplay/Boost.h"
#include "gameplay/Water.h"
#include "gameplay/WaterEffects.h"
#include "gameplay/Wind.h"
#include "world/SplineObj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {
// A cone from the origin toward +X, 90° wide, reaching 100 units.
TWind RightCone(float strength = 1.0f, float inner = 10.0f) {
    TWind w;
    w.BaseOrigin = w.Origin = {0, 0};
    w.BaseTarget = w.Target = {100, 0};
    w.ConeAngle = PiF / 2;
    w.Strength = strength;
    w.InnerRadius = inner;
    w.Reset();
    return w;
}

TWind Disc(float strength, float range) {
    TWind w;
    w.Omni = true;
    w.BaseOrigin = w.Origin = {0, 0};
    w.BaseTarget = w.Target = {range, 0};
    w.Strength = strength;
    w.InnerRadius = 0;
    w.Reset();
    return w;
}

// The cone's push by its rule: Strength / (d + 3) along the way out, times
// the profile across the cone (the angle's share of the opening from its
// start edge, folded at the middle).
TVec2 ConeForce(const TWind& w, TVec2 p) {
    const TVec2 d = p - w.Origin;
    const float l = Length(d), a = std::atan2(d.Y, d.X);
    float t = std::fabs((std::fabs(a) - std::fabs(w.StartAngle)) / w.ConeAngle);
    if (t > 0.5f) t = 1 - t;
    return TVec2{d.X / l, d.Y / l} * (w.Strength / (l + 3) * t);
}
} // namespace

TEST(WindForce, ConePushesInsideItsSectorOnly) {
    const TWind w = RightCone();
    struct TCase {
        TVec2 P;
        bool Pushed;
        const char* What;
    };
    const TCase cases[] = {
        {{50, 0}, true, "middle of the cone"},  {{50, 30}, true, "off the middle, inside"},
        {{80, -60}, true, "upper half"},        {{5, 0}, false, "inside the inner radius"},
        {{101, 0}, false, "beyond the range"},  {{0, 50}, false, "beside the cone"},
        {{-50, 0}, false, "behind the origin"}, {{50, 50}, false, "on the cone's edge"},
    };
    for (const TCase& c : cases) {
        TVec2 f;
        ASSERT_EQ(w.ForceAt(c.P, f), c.Pushed) << c.What;
        if (!c.Pushed) continue;
        const TVec2 want = ConeForce(w, c.P);
        EXPECT_NEAR(f.X, want.X, 1e-6f) << c.What;
        EXPECT_NEAR(f.Y, want.Y, 1e-6f) << c.What;
        EXPECT_GT(Dot(f, c.P - w.Origin), 0.0f) << c.What << ": pushes away from the origin";
    }
    // In the middle the profile is 0.5; near the edge it falls toward 0.
    TVec2 mid, edge;
    ASSERT_TRUE(w.ForceAt({50, 0}, mid));
    EXPECT_NEAR(mid.X, 0.5f / 53.0f, 1e-6f);
    ASSERT_TRUE(w.ForceAt({50, 49}, edge));
    EXPECT_LT(Length(edge), Length(mid) * 0.05f);
    EXPECT_TRUE(w.InZone({50, 30}));
    EXPECT_FALSE(w.InZone({0, 50}));
}

TEST(WindForce, DiscIsCappedNearItsCentreAndPullsWhenNegative) {
    const TWind push = Disc(100, 200);
    for (float d : {1.0f, 2.0f, 10.0f, 19.9f}) {
        TVec2 f;
        ASSERT_TRUE(push.ForceAt({d, 0}, f)) << d;
        EXPECT_FLOAT_EQ(f.X, 5.0f) << d;
    }
    TVec2 f;
    ASSERT_TRUE(push.ForceAt({0.5f, 0}, f));
    EXPECT_FLOAT_EQ(f.X, 2.5f) << "closer than one unit counts as one unit away";
    ASSERT_TRUE(push.ForceAt({0, 100}, f));
    EXPECT_FLOAT_EQ(f.Y, 1.0f);
    const TWind pull = Disc(-100, 200);
    ASSERT_TRUE(pull.ForceAt({0, 100}, f));
    EXPECT_FLOAT_EQ(f.Y, -1.0f);
    EXPECT_FALSE(push.ForceAt({0, 201}, f));
}

TEST(WindForce, DegenerateWindsPushNothing) {
    // A cone without an opening would take every direction and divide by zero.
    TWind closed = RightCone();
    closed.ConeAngle = 0;
    closed.Recompute();
    TWind point = RightCone();
    point.Target = point.Origin;
    point.Recompute();
    for (TVec2 p : {TVec2{50, 0}, TVec2{0, 50}, TVec2{-30, -30}, TVec2{0.5f, 0}}) {
        TVec2 f{7, 7};
        EXPECT_FALSE(closed.ForceAt(p, f));
        EXPECT_FALSE(point.ForceAt(p, f));
        EXPECT_EQ(f, (TVec2{7, 7}));
    }
}

TEST(WindForce, JitterTableLeavesTheGeneratorAlone) {
    Seed(4242);
    const std::array<float, 64>& jitter = WindJitter();
    EXPECT_EQ(RandSeed, 4242u);
    for (float v : jitter) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LT(v, 45.0f);
    }
}

// ---- switching

namespace {
class WindSwitch : public ::testing::Test {
  protected:
    void SetUp() override {
        Player = World.AddBody(mkRubber, 16, 20, -500, 0);
        Player->IsPlayer = true;
    }
    void PlaceAt(float x, float y) {
        World.Man.Items[0]->PlaceAt(false, y, x);
        World.Man.Items[0]->ComputeBounds();
    }
    TTestWorld World;
    TRollix* Player = nullptr;
};

class TFakeLinks : public TWindLinks {
  public:
    bool Open = true;
    bool Carries = false;
    // Whether the animation the wind asks for is playing, and at which frame.
    bool Playing = false;
    int32_t Frame = 0;
    mutable std::string AskedFor;
    bool GateOpen(const TBoost&) const override { return Open; }
    bool AnimationFrame(const TSplineObj&, const std::string& name, int32_t& frame) const override {
        AskedFor = name;
        if (Playing) frame = Frame;
        return Playing;
    }
    bool CarriesEffectOf(const TRollix&, const TBoost&) const override { return Carries; }
};
} // namespace

TEST_F(WindSwitch, PresenceMustLastTheOnDelayAndAbsenceTheOffDelay) {
    TWind w = RightCone(1.0f, 0.0f);
    w.BaseTarget = w.Target = {300, 0};
    w.PlayerTriggered = true;
    w.OnDelay = 10;
    w.OffDelay = 10;
    w.StartsActive = false;
    w.Reset();
    const TWindLinks links;
    PlaceAt(150, 0);
    // The wind's state is what the next tick pushes with.
    for (int32_t tick = 1; tick <= 12; ++tick) {
        w.UpdateActive(Player, links);
        EXPECT_EQ(w.Active, tick >= 10) << "present tick " << tick;
    }
    PlaceAt(-500, 0);
    for (int32_t tick = 1; tick <= 12; ++tick) {
        w.UpdateActive(Player, links);
        EXPECT_EQ(w.Active, tick < 10) << "absent tick " << tick;
    }
    // A short visit shorter than the on delay switches nothing.
    PlaceAt(150, 0);
    for (int32_t tick = 0; tick < 3; ++tick)
        w.UpdateActive(Player, links);
    PlaceAt(-500, 0);
    for (int32_t tick = 0; tick < 12; ++tick) {
        w.UpdateActive(Player, links);
        EXPECT_FALSE(w.Active);
    }
    // A restart forgets the counters.
    PlaceAt(150, 0);
    for (int32_t tick = 0; tick < 5; ++tick)
        w.UpdateActive(Player, links);
    w.Reset();
    EXPECT_EQ(w.OnCounter, 0);
    EXPECT_FALSE(w.Active);
}

TEST_F(WindSwitch, WholeBodyNeedsEveryNodeInTheZone) {
    TWind w = RightCone(1.0f, 0.0f);
    w.PlayerTriggered = true;
    w.WholeBody = true;
    w.Reset();
    const TWindLinks links;
    PlaceAt(95, 0); // half out past the range
    w.UpdateActive(Player, links);
    EXPECT_FALSE(w.Active);
    PlaceAt(60, 0);
    w.UpdateActive(Player, links);
    EXPECT_TRUE(w.Active);
    w.WholeBody = false;
    PlaceAt(95, 0);
    w.UpdateActive(Player, links);
    EXPECT_TRUE(w.Active) << "one node in the zone is enough without WholeBody";
}

TEST_F(WindSwitch, BoundObjectSwitchesTheWind) {
    TObjectWorld objects;
    TSplineObj shape(&objects);
    TBoost boost;
    shape.Boost = &boost;
    TFakeLinks links;
    struct TCase {
        const char* What;
        int32_t Type;
        bool Visible, Open;
        bool Want;
    };
    const TCase cases[] = {
        {"visible boost", 2, true, true, true},  {"hidden boost", 2, false, true, false},
        {"open gate", 19, true, true, true},     {"closed gate", 19, true, false, false},
        {"hidden gate", 19, false, true, false},
    };
    for (const TCase& c : cases) {
        TWind w = RightCone();
        w.LinkedShape = &shape;
        w.FollowsBoost = true;
        boost.Type = c.Type;
        boost.Visible = c.Visible;
        links.Open = c.Open;
        w.Active = !c.Want;
        w.UpdateActive(Player, links);
        EXPECT_EQ(w.Active, c.Want) << c.What;
    }

    TWind anim = RightCone();
    anim.LinkedShape = &shape;
    anim.UsesAnimation = true;
    anim.AnimationName = "Spin";
    anim.AnimFrameFrom = 2;
    anim.AnimFrameTo = 6;
    // On while its animation plays within the frame range, both ends included.
    for (auto [playing, frame, want] : {std::tuple{true, 4, true},
                                        {true, 2, true},
                                        {true, 6, true},
                                        {true, 7, false},
                                        {true, 1, false},
                                        {false, 4, false}}) {
        links.Playing = playing;
        links.Frame = frame;
        links.AskedFor.clear();
        anim.Active = !want;
        anim.UpdateActive(Player, links);
        EXPECT_EQ(anim.Active, want) << playing << " frame " << frame;
        EXPECT_EQ(links.AskedFor, "Spin");
    }

    TWind carried = RightCone();
    carried.LinkedShape = &shape;
    carried.NeedsCarriedBoost = true;
    for (bool carries : {true, false}) {
        links.Carries = carries;
        carried.UpdateActive(Player, links);
        EXPECT_EQ(carried.Active, carries);
    }

    // A quest's request switches a wind on once; the next tick keeps it on.
    TWind requested = RightCone();
    requested.StartsActive = false;
    requested.Reset();
    requested.SwitchOnRequested = true;
    requested.UpdateActive(Player, links);
    EXPECT_TRUE(requested.Active);
    EXPECT_FALSE(requested.SwitchOnRequested);
    requested.Active = false;
    requested.UpdateActive(Player, links);
    EXPECT_FALSE(requested.Active);
}

// ---- pushing

TEST_F(WindSwitch, ConeSkipsNodesInWaterAndDiscPushesTheWholeBody) {
    PlaceAt(50, 0);
    TRollix& c = *Player;
    for (int32_t i = 0; i < c.VertexCount(); i += 2)
        c.Vertices[size_t(i)].InWater = true;
    TWind cone = RightCone();
    cone.PushCharacter(c, Player);
    for (const TRollixVertex& v : c.Vertices) {
        TVec2 f;
        const bool pushed = cone.ForceAt(v.Pos, f);
        ASSERT_TRUE(pushed);
        EXPECT_EQ(v.Vel, (v.InWater ? TVec2{} : f));
    }

    for (TRollixVertex& v : c.Vertices)
        v.Vel = {};
    c.CentreVel = {2, 0};
    TWind disc = Disc(10, 200);
    disc.Brake = 0.5f;
    disc.PushCharacter(c, Player);
    TVec2 f;
    ASSERT_TRUE(disc.ForceAt(c.Centre, f));
    for (const TRollixVertex& v : c.Vertices)
        EXPECT_EQ(v.Vel, (f - TVec2{1, 0})) << "wet or dry, braked";
}

TEST_F(WindSwitch, WhoIsPushed) {
    TRollix* other = World.AddBody(mkRubber, 16, 20, 60, 0);
    PlaceAt(50, 0);
    auto pushed = [](const TRollix& c) {
        for (const TRollixVertex& v : c.Vertices)
            if (v.Vel.X != 0 || v.Vel.Y != 0) return true;
        return false;
    };
    auto clear = [&] {
        for (TRollix* c : {Player, other})
            for (TRollixVertex& v : c->Vertices)
                v.Vel = {};
    };
    struct TCase {
        const char* What;
        bool FollowsPlayer, IgnoresWind, Dead, Active, Bodies;
        bool PlayerPushed, OtherPushed;
    };
    const TCase cases[] = {
        {"plain wind", false, false, false, true, true, true, true},
        {"inactive", false, false, false, false, true, false, false},
        {"no bodies", false, false, false, true, false, false, false},
        {"others ignore winds", false, true, false, true, true, true, false},
        {"dead characters", false, false, true, true, true, false, false},
        {"following the player", true, true, false, true, true, false, true},
    };
    for (const TCase& c : cases) {
        clear();
        TWind w = Disc(10, 300);
        w.FollowsPlayer = c.FollowsPlayer;
        w.Active = c.Active;
        w.PushesBodies = c.Bodies;
        other->IgnoresWind = c.IgnoresWind;
        Player->Dead = other->Dead = c.Dead;
        other->WindTouched = false;
        w.PushCharacter(*Player, Player);
        w.PushCharacter(*other, Player);
        EXPECT_EQ(pushed(*Player), c.PlayerPushed) << c.What;
        EXPECT_EQ(pushed(*other), c.OtherPushed) << c.What;
        EXPECT_EQ(other->WindTouched, c.FollowsPlayer) << c.What;
    }
    Player->Dead = other->Dead = false;

    // A following wind rides with the player.
    TWind follow = RightCone();
    follow.FollowsPlayer = true;
    follow.FollowPlayer(Player);
    EXPECT_EQ(follow.Origin, Player->Centre);
    EXPECT_NEAR(follow.Target.X - follow.Origin.X, 100.0f, 1e-3f);
}

TEST(WindWater, ConeMakesWavesBelowItsOriginOnly) {
    TWater water;
    water.RestLevel = 100;
    std::vector<TVec2> surface = {{-50, 100}, {0, 100}, {50, 100}, {100, 100}, {30, 0}, {0, 0}};
    water.Bounds = {-60, 0, 110, 200};
    for (size_t i = 0; i < surface.size(); ++i) {
        TWavePoint p;
        p.Vertex = &surface[i];
        water.WavePoints.push_back(p);
    }
    TWind w;
    w.BaseOrigin = w.Origin = {0, 0};
    w.BaseTarget = w.Target = {0, 200}; // blowing straight down
    w.ConeAngle = PiF;
    w.Strength = 1;
    w.Reset();
    w.PushWater(water);
    const auto& jitter = WindJitter();
    int32_t j = 0;
    for (size_t i = 0; i < surface.size(); ++i) {
        const TVec2 d = surface[i] - w.Origin;
        const float l = Length(d);
        const float e = w.Range / (l + 2) - 1;
        const float a = std::atan2(d.Y, d.X);
        float t = std::fabs((std::fabs(a) - std::fabs(w.StartAngle)) / w.ConeAngle);
        if (t > 0.5f) t = 1 - t;
        const bool reached = d.Y > 0 && l <= w.Range && e >= 0.01f && t > 0;
        if (!reached) {
            EXPECT_TRUE(std::isfinite(water.WavePoints[i].Speed)) << i;
            continue;
        }
        EXPECT_FLOAT_EQ(water.WavePoints[i].Speed, jitter[size_t(j++)] * (d.Y / l) * e * t) << i;
    }
    EXPECT_EQ(w.JitterIndex, j);
    EXPECT_EQ(water.WavePoints[4].Speed, 0.0f) << "a point level with the origin is on the cone's edge";

    // A surface point at the origin itself gets a finite push.
    TVec2 atOrigin{0, 0};
    TWater one;
    one.Bounds = {-1, -1, 1, 1};
    one.WavePoints.push_back({&atOrigin});
    TWind down = w;
    down.BaseTarget = down.Target = {0, 200};
    down.ConeAngle = 2 * PiF;
    down.Reset();
    down.PushWater(one);
    EXPECT_TRUE(std::isfinite(one.WavePoints[0].Speed));

    // Switched off, or sucking, it leaves the water alone.
    for (TWavePoint& p : water.WavePoints)
        p.Speed = 0;
    w.Active = false;
    w.PushWater(water);
    TWind suck = w;
    suck.Active = true;
    suck.Strength = -1;
    suck.PushWater(water);
    for (const TWavePoint& p : water.WavePoints)
        EXPECT_EQ(p.Speed, 0.0f);
}

namespace {
class TRecordingEffects : public TWaterEffects {
  public:
    int32_t Pushes = 0;
    void PushParticles(TWind& w) override {
        ++Pushes;
        TVec2 vel{};
        w.PushParticle({50, 0}, vel, 0.5f);
        ParticleVel = vel;
    }
    TVec2 ParticleVel;
};
} // namespace

TEST(WindParticles, PushEveryOtherTickThroughTheEffects) {
    TRecordingEffects effects;
    TWind w = RightCone();
    w.AffectsParticles = true;
    TWindTick tick;
    tick.Effects = &effects;
    for (int32_t t = 0; t < 6; ++t) {
        tick.PushParticles = t % 2 == 0;
        w.Tick(tick);
    }
    EXPECT_EQ(effects.Pushes, 3);
    TVec2 f;
    ASSERT_TRUE(w.ForceAt({50, 0}, f));
    EXPECT_EQ(effects.ParticleVel, f * 2.0f) << "force × 4 × the system's factor 0.5";
    w.AffectsParticles = false;
    tick.PushParticles = true;
    w.Tick(tick);
    EXPECT_EQ(effects.Pushes, 3);

    // Outside the zone nothing; stray particles of a boxed system take a
    // jittered share and advance the jitter.
    TVec2 vel{};
    w.PushParticle({0, 50}, vel, 1.0f);
    EXPECT_EQ(vel, TVec2{});
    const int32_t before = w.JitterIndex;
    const float jitter = WindJitter()[size_t(before)];
    w.PushStrayParticle({50, 0}, vel, 1.0f);
    const float k = 4.0f * 0.7f + (4.0f / 45.0f) * 0.3f * jitter;
    EXPECT_FLOAT_EQ(vel.X, f.X * k);
    EXPECT_EQ(w.JitterIndex, (before + 1) % 64);
}

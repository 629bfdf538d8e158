// Particle systems in play, headless: the pool, the tracks, the order of the
// random draws of emission, the rain's count and intensity, drops on terrain
// and in water, emission timing, the manager, bounds and drawing.
#include "app/Random.h"
#include "assets/TexLib.h"
#include "render/DropEmitter.h"
#include "render/NullRenderBackend.h"
#include "render/ParticleMan.h"
#include "render/ParticleTracks.h"
#include "render/Rain.h"
#include "world/EdgeGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

float Rnd() {
    return float(RandomFloat());
}

TDrops_Emiter& Drops(TParticleSystem& s) {
    return static_cast<TDrops_Emiter&>(*s.Emitter);
}

// A water body that is a plain box.
class TBoxWater : public TWaterArea {
  public:
    explicit TBoxWater(TBox2 box) : Box(box) {}
    TBox2 AreaBounds() const override { return Box; }
    bool ContainsPoint(TVec2 p) const override { return PointInBox(p, Box); }
    TBox2 Box;
};

// A small world: edges and waters in a grid, characters as bare centres,
// and records of what the particles did to it.
class TTestWorld : public TParticleWorld {
  public:
    std::vector<TCollisionEdge> Edges;
    std::vector<TWaterArea*> Waters;
    TFragments Fragments;
    TVec2 Centre;
    std::vector<TVec2> Characters;
    int32_t Points = 0;
    TParticleSystem* Splashes = nullptr;     // of every water
    TParticleSystem* RainSplashes = nullptr; // the first effect drop system
    int32_t Bubbles = 0;
    int32_t Disturbances = 0;

    void Build() { Fragments.Build(Edges, Waters); }
    const TFragments* Grid() const override { return &Fragments; }
    TVec2 ViewCentre() const override { return Centre; }
    int32_t CharacterCount() const override { return int32_t(Characters.size()); }
    bool CharacterCentre(int32_t i, TVec2& c) const override {
        if (i < 0 || size_t(i) >= Characters.size()) return false;
        c = Characters[size_t(i)];
        return true;
    }
    int32_t PlayerPoints() const override { return Points; }
    TParticleSystem* WaterSplashes(TWaterArea*) override { return Splashes; }
    TParticleSystem* SplashDrops() override { return RainSplashes; }
    void EmitBubble(TWaterArea*, TVec2, TVec2) override { ++Bubbles; }
    void DisturbWater(TWaterArea*, float, float) override { ++Disturbances; }
};

// A drop that moves by its velocity alone: no gravity, no fading, no first step.
TParticle& PlaceDrop(TParticleSystem& s, TVec2 at, TVec2 velocity) {
    TParticle& p = *s.Emitter->Emit(1);
    p.Position = at;
    p.Velocity = velocity;
    p.FirstStep = 0;
    return p;
}

std::unique_ptr<TParticleSystem> QuietDrops(TParticleWorld& world) {
    auto s = CreateDropSystem();
    s->World = &world;
    s->Gravity = 0.0f;
    s->InPlayLayer = 1;
    Drops(*s).PushFactor = 0.0f;
    return s;
}

float Speed(const TParticle& p) {
    return Length(p.Velocity);
}

} // namespace

// ---- The pool ----

TEST(ParticlePool, FullPoolHandsOutItsNewestParticleAgain) {
    TParticles pool(4);
    std::vector<TParticle*> taken;
    for (int32_t i = 0; i < 4; ++i) {
        taken.push_back(pool.Take());
        taken.back()->Size = float(i);
    }
    EXPECT_EQ(pool.AliveCount, 4);
    // The alive list runs newest first.
    EXPECT_EQ(pool.AliveHead(), taken[3]);
    TParticle* fifth = pool.Take();
    EXPECT_EQ(fifth, taken[3]);
    EXPECT_EQ(fifth->Size, 3.0f); // handed out unchanged
    EXPECT_EQ(pool.AliveCount, 4);
}

TEST(ParticlePool, FreeReturnsTheFollowerAndThePlaceIsTakenAgain) {
    TParticles pool(3);
    TParticle* a = pool.Take();
    TParticle* b = pool.Take();
    TParticle* c = pool.Take();
    a->ContactSoundDone = b->BounceSoundDone = 1;
    // List c, b, a: freeing b goes on with a.
    EXPECT_EQ(pool.Free(b), a);
    EXPECT_EQ(pool.AliveCount, 2);
    EXPECT_EQ(pool.AliveHead(), c);
    EXPECT_EQ(c->Next, a);
    EXPECT_EQ(a->Prev, c);
    TParticle* again = pool.Take();
    EXPECT_EQ(again, b);
    EXPECT_EQ(again->BounceSoundDone, 0); // a fresh take clears the sound flags
    EXPECT_EQ(pool.Free(a), nullptr);
    EXPECT_EQ(pool.Free(again), c);
    EXPECT_EQ(pool.Free(c), nullptr);
    EXPECT_EQ(pool.AliveCount, 0);
    EXPECT_EQ(pool.AliveHead(), nullptr);
    TParticles none(0);
    EXPECT_EQ(none.Take(), nullptr);
}

// ---- Tracks ----

TEST(ParticleTracks, BuildingIsRepeatableAndLeavesTheGeneratorAlone) {
    Seed(4242);
    const TParticleTracks a = BuildParticleTracks();
    EXPECT_EQ(RandSeed, 4242u);
    const TParticleTracks b = BuildParticleTracks();
    for (int32_t t = 0; t < SteerTrackCount; ++t) {
        EXPECT_EQ(a.Steer[size_t(t)].Sin, b.Steer[size_t(t)].Sin) << t;
        EXPECT_EQ(a.Steer[size_t(t)].Marks, b.Steer[size_t(t)].Marks) << t;
    }
    for (int32_t t = 0; t < SpeedTrackCount; ++t)
        EXPECT_EQ(a.Speed[size_t(t)].Factor, b.Speed[size_t(t)].Factor);
}

TEST(ParticleTracks, SwingingTracksTurnOneWayThenBackInEverySegment) {
    struct TCase {
        int32_t Track;
        float Angle;
        int32_t Shortest, Longest, LastAtMost;
    };
    const TCase cases[] = {
        {2, 0.05f, 10, 40, 50}, {3, 0.2f, 10, 18, 26}, {4, 1.0f, 4, 10, 16}, {5, 0.05f, 100, 198, 200}};
    const TParticleTracks& tracks = ParticleTracks();
    for (const TCase& c : cases) {
        const TSteerTrack& t = tracks.Steer[size_t(c.Track - 1)];
        ASSERT_GE(t.Marks.size(), 2u) << c.Track;
        EXPECT_EQ(t.Marks.front(), 0);
        for (size_t s = 0; s < t.Marks.size(); ++s) {
            const int32_t start = t.Marks[s];
            const int32_t end = s + 1 < t.Marks.size() ? t.Marks[s + 1] : TrackLength;
            const int32_t length = end - start;
            if (s + 1 < t.Marks.size()) {
                EXPECT_GE(length, c.Shortest) << c.Track;
                EXPECT_LE(length, c.Longest) << c.Track;
                EXPECT_EQ(length % 2, 0) << c.Track;
            } else {
                EXPECT_LE(length, c.LastAtMost) << c.Track;
            }
            for (int32_t k = 0; k < length; ++k) {
                const float a = std::atan2(t.Sin[size_t(start + k)], t.Cos[size_t(start + k)]);
                EXPECT_NEAR(a, 2 * k < length ? c.Angle : -c.Angle, 1e-6f) << c.Track << " at " << start + k;
            }
        }
    }
    // The gentlest track may start on any odd step.
    const TSteerTrack& first = tracks.Steer[0];
    EXPECT_EQ(first.Marks.size(), size_t(TrackLength / 2));
    EXPECT_TRUE(std::all_of(first.Marks.begin(), first.Marks.end(), [](int32_t m) { return m % 2 == 1; }));
}

TEST(ParticleTracks, CirclingAndRampTracks) {
    const TParticleTracks& tracks = ParticleTracks();
    // Track 6: every segment turns a full circle, one way or the other.
    const TSteerTrack& circles = tracks.Steer[5];
    for (size_t s = 0; s < circles.Marks.size(); ++s) {
        const int32_t start = circles.Marks[s];
        const int32_t end = s + 1 < circles.Marks.size() ? circles.Marks[s + 1] : TrackLength;
        float sum = 0.0f;
        for (int32_t k = start; k < end; ++k)
            sum += std::atan2(circles.Sin[size_t(k)], circles.Cos[size_t(k)]);
        EXPECT_NEAR(std::fabs(sum), 2.0f * PiF, 1e-4f) << "segment at " << start;
    }
    // Tracks 7 to 9 turn by a linear ramp over the whole track.
    struct TRamp {
        int32_t Track;
        float From, Change;
    };
    for (const TRamp& r : {TRamp{7, 0.1f, -0.051f}, TRamp{8, -0.2f, -0.1f}, TRamp{9, 0.5f, -2.4f}}) {
        const TSteerTrack& t = tracks.Steer[size_t(r.Track - 1)];
        EXPECT_EQ(t.Marks, std::vector<int32_t>{0});
        for (int32_t i : {0, 300, 1023}) {
            const float a = std::atan2(t.Sin[size_t(i)], t.Cos[size_t(i)]);
            EXPECT_NEAR(a, r.From + r.Change * float(i) / 1024.0f, 1e-5f) << r.Track << " at " << i;
        }
    }
    // Speed tracks stay within their ranges.
    struct TRange {
        int32_t Track;
        float Low, High;
    };
    for (const TRange& r :
         {TRange{1, 0.5f, 1.5f}, TRange{2, 0.0f, 1.0f}, TRange{3, 0.1f, 1.6f}, TRange{4, 1.0f, 3.0f}}) {
        const auto& f = tracks.Speed[size_t(r.Track - 1)].Factor;
        EXPECT_GE(*std::min_element(f.begin(), f.end()), r.Low - 1e-5f) << r.Track;
        EXPECT_LE(*std::max_element(f.begin(), f.end()), r.High + 1e-5f) << r.Track;
    }
    const auto& stops = tracks.Speed[1].Factor;
    EXPECT_TRUE(std::all_of(stops.begin(), stops.end(), [](float q) { return q == 0.0f || q == 1.0f; }));
    EXPECT_EQ(stops[0], 1.0f);
    EXPECT_EQ(tracks.Speed[3].Factor[0], 1.0f);
}

// ---- The order of the random draws ----

TEST(DropEmission, DrawsComeInTheListedOrder) {
    auto s = CreateDropSystem();
    TDrops_Emiter& e = Drops(*s);
    e.SetColours({10, 200, 30, 255}, {250, 100, 30, 55});
    e.Position = {100.0f, 50.0f};
    e.Span = {100.0f, 40.0f};
    e.StartVelocity = {3.0f, -1.0f};
    e.SpeedSpread = 0.5f;
    e.SpreadAngle = 0.3f;
    e.FadeOutStep = 6;
    e.FadeInStep = 1;
    e.SteerTrack = 2;
    e.SpeedTrack = 4;
    e.SizeMin = 2.0f;
    e.SizeMax = 6.0f;
    e.HitChance = 0.5f;
    e.Contacts = -1;
    const TParticleTracks& tracks = ParticleTracks();

    Seed(777);
    TParticle& p = *e.Emit(1);
    const uint32_t after = RandSeed;

    // The same draws by hand.
    Seed(777);
    const int32_t k = Random(255), ka = Random(255);
    auto channel = [](int32_t base, int32_t diff, int32_t kk) {
        return uint8_t((base + int32_t(std::floor(double(diff) * kk / 256.0))) & 0xFF);
    };
    const float r = Rnd();
    const float f = 1.0f + Rnd() * 0.5f;
    TVec2 v{3.0f * f, -1.0f * f};
    Rotate(v, Rnd() * 2.0f * 0.3f - 0.3f);
    const int32_t firstStep = Random(30) - 20;
    const uint8_t fadeOut = uint8_t(6 + std::min(1, Random(3)));
    const uint8_t fadeIn = uint8_t(1 + std::min(1, Random(0)));
    const int32_t steer = tracks.Steer[1].Marks[size_t(Random(int32_t(tracks.Steer[1].Marks.size())))];
    const int32_t speed = tracks.Speed[3].Marks[size_t(Random(int32_t(tracks.Speed[3].Marks.size())))];
    const float size = 2.0f + Rnd() * 4.0f;
    const uint8_t hits = Rnd() <= 0.5f ? 1 : 0;

    EXPECT_EQ(after, RandSeed);
    EXPECT_EQ(p.Colour.R, channel(10, 240, k));
    EXPECT_EQ(p.Colour.G, channel(200, -100, k));
    EXPECT_EQ(p.Colour.B, 30);
    EXPECT_EQ(p.Colour.A, channel(255, -200, ka));
    EXPECT_FLOAT_EQ(p.Position.X, 100.0f + 100.0f * r);
    EXPECT_FLOAT_EQ(p.Position.Y, 50.0f + 40.0f * r);
    EXPECT_FLOAT_EQ(p.Velocity.X, v.X);
    EXPECT_FLOAT_EQ(p.Velocity.Y, v.Y);
    EXPECT_EQ(p.FirstStep, firstStep);
    EXPECT_EQ(p.FadeOutStep, fadeOut);
    EXPECT_EQ(p.FadeInStep, fadeIn);
    EXPECT_EQ(p.SteerCursor, steer);
    EXPECT_EQ(p.SpeedCursor, speed);
    EXPECT_FLOAT_EQ(p.Size, size);
    EXPECT_EQ(p.HitsCharacters, hits);
    EXPECT_EQ(p.ContactsLeft, UnlimitedContacts);
    EXPECT_EQ(p.HitGuard, 0);
}

TEST(RainEmission, EachDropDrawsPlaceSpeedSplashAndSize) {
    TTestWorld world;
    world.Centre = {500.0f, 200.0f};
    auto rain = CreateRainSystem(10);
    rain->World = &world;
    rain->RainWind = 0.25f;
    Seed(31);
    rain->Emitter->Emit(2);
    const uint32_t after = RandSeed;
    Seed(31);
    // The list runs newest first: the second drop is the head.
    std::vector<const TParticle*> drops = {rain->AliveHead()->Next, rain->AliveHead()};
    for (const TParticle* p : drops) {
        EXPECT_FLOAT_EQ(p->Position.X, 500.0f - 3000.0f + Rnd() * 6000.0f);
        EXPECT_FLOAT_EQ(p->Position.Y, 200.0f - 900.0f);
        EXPECT_FLOAT_EQ(p->Velocity.X, 0.1f * Rnd() + 0.25f);
        EXPECT_FLOAT_EQ(p->Velocity.Y, (0.5f * Rnd() + 1.0f) * 1.5f);
        EXPECT_EQ(p->CanSplash, Random(3) < 2 ? 1 : 0);
        EXPECT_FLOAT_EQ(p->Size, 4.0f * Rnd() + 5.0f);
    }
    EXPECT_EQ(RandSeed, after);
}

// ---- The rain's count and intensity ----

TEST(Rain, CountFollowsTheFadeCurve) {
    TTestWorld world;
    auto rain = CreateRainSystem(500);
    rain->World = &world;
    rain->Fade(400, 100);
    EXPECT_EQ(rain->StartCount, 0);
    for (int32_t clock = 10; clock < 100; clock += 10) {
        rain->Tick(10);
        const int32_t want = int32_t(400.0 * (1.0 - std::cos(Pi / 2 * clock / 100.0)));
        EXPECT_EQ(rain->AliveCount, want) << clock;
        // Half way: trunc(400 × (1 − cos 45°)).
        if (clock == 50) EXPECT_EQ(rain->AliveCount, 117);
    }
    // The whole count from the end of the transition on.
    for (int32_t k = 0; k < 3; ++k) {
        rain->Tick(10);
        EXPECT_EQ(rain->AliveCount, 400);
    }
}

TEST(Rain, TransitionOfNoLengthJumpsAtItsStart) {
    TTestWorld world;
    auto rain = CreateRainSystem(300);
    rain->World = &world;
    rain->StartCount = 5;
    rain->EndCount = 50;
    rain->FadeStart = 30;
    rain->FadeLength = 0;
    rain->Tick(20);
    EXPECT_EQ(rain->AliveCount, 5);
    rain->Tick(10);
    EXPECT_EQ(rain->AliveCount, 50);
}

TEST(Rain, IntensityByDropsAlive) {
    struct TCase {
        int32_t Drops;
        float Intensity;
    };
    for (const TCase c : {TCase{0, 0.0f},
                          {10, 0.0f},
                          {19, 0.0f},
                          {20, 0.1f + 0.9f * 0.1f},
                          {150, 0.775f},
                          {200, 1.0f},
                          {300, 1.0f}}) {
        TTestWorld world;
        auto rain = CreateRainSystem(300);
        rain->World = &world;
        rain->SetCount(c.Drops);
        rain->Tick(10);
        EXPECT_EQ(rain->AliveCount, c.Drops);
        EXPECT_NEAR(rain->Intensity, c.Intensity, 1e-6f) << c.Drops;
    }
}

TEST(Rain, CountsBeyondThePoolAreHeldToIt) {
    TTestWorld world;
    auto rain = CreateRainSystem(300);
    rain->World = &world;
    // A fade and a restart from a stored count ask for more than 300.
    rain->Fade(1000, 0);
    EXPECT_EQ(rain->EndCount, 300);
    rain->TargetCount = 400;
    rain->Restart(true);
    EXPECT_EQ(rain->EndCount, 300);
    rain->Tick(10);
    EXPECT_EQ(rain->AliveCount, 300);
    // Once full, nothing more is emitted (a full pool would only recycle its newest drop).
    rain->Tick(10);
    EXPECT_EQ(rain->EmittedThisTick, 0);
}

// ---- Drops on terrain and in water ----

TEST(RainSplash, DropsSplashOnGroundFacingUpAndPassWallsFacingDown) {
    struct TCase {
        const char* Name;
        TVec2 From, To; // the edge; its normal is (dy, −dx)
        int32_t DropsAlive;
        int32_t Splashes;
    };
    const TCase cases[] = {
        {"floor, light rain", {-500.0f, 0.0f}, {500.0f, 0.0f}, 1, 3},
        {"floor, 45 drops", {-500.0f, 0.0f}, {500.0f, 0.0f}, 45, 2},
        {"floor, heavy rain", {-500.0f, 0.0f}, {500.0f, 0.0f}, 80, 1},
        {"ceiling", {500.0f, 0.0f}, {-500.0f, 0.0f}, 1, 0},
    };
    for (const TCase& c : cases) {
        TTestWorld world;
        world.Centre = {0.0f, 300.0f};
        world.Edges.push_back(MakeEdge(c.From, c.To));
        world.Build();
        auto splashes = QuietDrops(world);
        world.RainSplashes = splashes.get();
        auto rain = CreateRainSystem(100);
        rain->World = &world;
        rain->SplashColour = {1, 2, 3, 4};
        // Drops far to the side that miss the edge, and one above it.
        for (int32_t i = 1; i < c.DropsAlive; ++i)
            PlaceDrop(*rain, {5000.0f, -400.0f}, {0.0f, 1.0f});
        TParticle& drop = PlaceDrop(*rain, {0.0f, -2.0f}, {0.0f, 2.0f});
        drop.CanSplash = 1;
        for (TParticle* p = rain->AliveHead(); p; p = p->Next)
            p->CanSplash = 1;
        rain->Player->Move(2);
        EXPECT_EQ(splashes->AliveCount, c.Splashes) << c.Name;
        if (c.Splashes == 0) {
            // It fell on through.
            EXPECT_EQ(rain->AliveCount, c.DropsAlive) << c.Name;
            EXPECT_FLOAT_EQ(rain->AliveHead()->Position.Y, 2.0f) << c.Name;
            continue;
        }
        EXPECT_EQ(rain->AliveCount, c.DropsAlive - 1) << c.Name;
        const TParticle* first = splashes->AliveHead();
        for (const TParticle* s = first; s; s = s->Next) {
            EXPECT_FLOAT_EQ(s->Position.Y, -1.0f) << c.Name; // the hit point moved out along the normal
            EXPECT_EQ(s->Velocity.X, first->Velocity.X) << c.Name;
            EXPECT_EQ(s->Velocity.Y, first->Velocity.Y) << c.Name;
            EXPECT_LT(s->Velocity.Y, -5.0f) << c.Name; // thrown back up at 3 to 4 times the speed
            EXPECT_EQ(s->Colour.B, 3) << c.Name;
            EXPECT_EQ(s->ContactsLeft, 1) << c.Name;
            EXPECT_EQ(s->HitsCharacters, 1) << c.Name;
        }
    }
}

TEST(RainSplash, DropIntoWaterLeavesOneSmallDropInTheWatersSplashes) {
    TTestWorld world;
    TBoxWater water({-100.0f, 0.0f, 100.0f, 100.0f});
    world.Edges.push_back(MakeEdge({-100.0f, 100.0f}, {100.0f, 100.0f}));
    world.Waters.push_back(&water);
    world.Build();
    world.Centre = {0.0f, 200.0f};
    auto splashes = QuietDrops(world);
    world.Splashes = splashes.get();
    auto rain = CreateRainSystem(10);
    rain->World = &world;
    TParticle& drop = PlaceDrop(*rain, {0.0f, -1.0f}, {0.0f, 2.0f});
    drop.CanSplash = 1;
    rain->Player->Move(1);
    EXPECT_EQ(rain->AliveCount, 0);
    ASSERT_EQ(splashes->AliveCount, 1);
    EXPECT_EQ(splashes->AliveHead()->Size, 1.0f);
    EXPECT_EQ(splashes->AliveHead()->ContactsLeft, 1);
    EXPECT_LT(splashes->AliveHead()->Velocity.Y, -0.5f);
}

TEST(DropMove, BounceOffTheFloorKeepsPartOfTheSpeed) {
    struct TCase {
        float BounceMax;
        float Low, High; // the speed after the bounce
    };
    // Speed 20 with BounceLoss 0.6 keeps 0.4 × (0.8 … 1.0) of it: 6.4 … 8;
    // a range ending at 5 puts a random speed in [0, 5) instead.
    for (const TCase c : {TCase{30.0f, 6.4f, 8.0f}, TCase{5.0f, 0.0f, 5.0f}}) {
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            TTestWorld world;
            world.Edges.push_back(MakeEdge({-500.0f, 0.0f}, {500.0f, 0.0f}));
            world.Build();
            auto s = QuietDrops(world);
            Drops(*s).BounceMax = c.BounceMax;
            TParticle& p = PlaceDrop(*s, {0.0f, -10.0f}, {0.0f, 20.0f});
            p.ContactsLeft = 2;
            Seed(seed);
            s->Player->Move(20);
            ASSERT_EQ(s->AliveCount, 1);
            EXPECT_FLOAT_EQ(p.Position.Y, -1.0f);
            EXPECT_GE(Speed(p), c.Low - 1e-4f) << seed;
            EXPECT_LE(Speed(p), c.High + 1e-4f) << seed;
            EXPECT_LT(p.Velocity.Y, 0.0f) << seed; // back up, give or take a quarter radian
            EXPECT_EQ(p.ContactsLeft, 1);
        }
    }
}

TEST(DropMove, BounceLeavesASlopeOnItsOpenSide) {
    struct TCase {
        TVec2 From, To; // the slope; its normal is (dy, −dx)
        TVec2 Velocity;
    };
    const TCase cases[] = {
        {{-100.0f, -100.0f}, {100.0f, 100.0f}, {0.0f, 20.0f}}, // facing up and right
        {{-100.0f, 100.0f}, {100.0f, -100.0f}, {0.0f, 20.0f}}, // facing up and left
        {{-100.0f, -100.0f}, {100.0f, 100.0f}, {8.0f, 20.0f}},
        {{-100.0f, 0.0f}, {100.0f, 0.0f}, {6.0f, 20.0f}}, // flat: on to the right, now upward
    };
    for (const TCase& c : cases) {
        TTestWorld world;
        world.Edges.push_back(MakeEdge(c.From, c.To));
        world.Build();
        const TVec2 normal = world.Edges[0].Normal;
        auto s = QuietDrops(world);
        Drops(*s).BounceMin = Drops(*s).BounceMax = 10.0f;
        TParticle& p = PlaceDrop(*s, {0.0f, -10.0f}, c.Velocity);
        s->Player->Move(20);
        ASSERT_EQ(s->AliveCount, 1);
        EXPECT_GT(Dot(p.Velocity, normal), 0.0f) << normal.X << "," << normal.Y;
        // The part along the surface keeps its way.
        const TVec2 along{-normal.Y, normal.X};
        if (Dot(c.Velocity, along) != 0.0f)
            EXPECT_GT(Dot(p.Velocity, along) * Dot(c.Velocity, along), 0.0f) << normal.X << "," << normal.Y;

        // A rain drop on the same surface splashes away from it too.
        auto splashes = QuietDrops(world);
        world.RainSplashes = splashes.get();
        world.Centre = {0.0f, 500.0f};
        auto rain = CreateRainSystem(4);
        rain->World = &world;
        TParticle& drop = PlaceDrop(*rain, {0.0f, -10.0f}, c.Velocity * 0.1f);
        drop.CanSplash = 1;
        rain->Player->Move(10);
        ASSERT_GT(splashes->AliveCount, 0);
        EXPECT_GT(Dot(splashes->AliveHead()->Velocity, normal), 0.0f);
    }
}

TEST(DropMove, ContactsDecideWhoSurvivesTheGround) {
    struct TCase {
        int32_t Contacts;
        int32_t Bounces; // contacts survived out of three
    };
    for (const TCase c : {TCase{0, 0}, TCase{2, 2}, TCase{-1, 3}}) {
        TTestWorld world;
        world.Edges.push_back(MakeEdge({-500.0f, 0.0f}, {500.0f, 0.0f}));
        world.Build();
        auto s = QuietDrops(world);
        Drops(*s).Contacts = c.Contacts;
        Drops(*s).BounceMin = Drops(*s).BounceMax = 5.0f;
        int32_t bounces = 0;
        TParticle& p = PlaceDrop(*s, {0.0f, -10.0f}, {0.0f, 20.0f});
        p.ContactsLeft = uint8_t(c.Contacts & 0xFF);
        for (int32_t round = 0; round < 3 && s->AliveCount == 1; ++round) {
            p.Position = {0.0f, -10.0f};
            p.Velocity = {0.0f, 20.0f};
            s->Player->Move(20);
            if (s->AliveCount == 1) ++bounces;
        }
        EXPECT_EQ(bounces, c.Bounces) << c.Contacts;
    }
}

TEST(DropMove, SmallDropFallingIntoWaterIsFreedWithOneBubble) {
    struct TCase {
        float Size;
        float Fall;
        bool Survives;
    };
    for (const TCase c : {TCase{1.5f, 10.0f, false}, TCase{5.0f, 3.0f, false}, TCase{5.0f, 10.0f, true}}) {
        TTestWorld world;
        TBoxWater water({-100.0f, 0.0f, 100.0f, 100.0f});
        world.Edges.push_back(MakeEdge({-100.0f, 100.0f}, {100.0f, 100.0f}));
        world.Waters.push_back(&water);
        world.Build();
        auto s = QuietDrops(world);
        TParticle& p = PlaceDrop(*s, {0.0f, -1.0f}, {0.0f, c.Fall});
        p.Size = c.Size;
        p.ContactsLeft = 3;
        s->Player->Move(20);
        EXPECT_EQ(world.Bubbles, 1) << c.Size << " " << c.Fall;
        EXPECT_EQ(world.Disturbances, 1);
        EXPECT_EQ(s->AliveCount, c.Survives ? 1 : 0) << c.Size << " " << c.Fall;
        if (c.Survives) {
            EXPECT_LT(p.Velocity.Y, 0.0f); // thrown back up, smaller
            EXPECT_FLOAT_EQ(p.Size, 4.5f);
            EXPECT_EQ(p.ContactsLeft, 2);
            EXPECT_FLOAT_EQ(p.Position.Y, -1.0f); // stays where it was this move
        }
    }
}

TEST(DropMove, FadingAndShrinkingFreeTheParticle) {
    TTestWorld world;
    auto s = QuietDrops(world);
    TParticle& fading = PlaceDrop(*s, {}, {});
    fading.Colour.A = 10;
    fading.FadeOutStep = 4;
    fading.FadeInStep = 0;
    s->Player->Move(1);
    EXPECT_EQ(fading.Colour.A, 6);
    s->Player->Move(1);
    s->Player->Move(1); // 4 ≥ 2: gone
    EXPECT_EQ(s->AliveCount, 0);

    Drops(*s).SizeChange = -1.0f;
    TParticle& shrinking = PlaceDrop(*s, {}, {});
    shrinking.FadeOutStep = shrinking.FadeInStep = 0;
    shrinking.Size = 2.5f;
    s->Player->Move(1);
    s->Player->Move(1);
    EXPECT_EQ(s->AliveCount, 1);
    s->Player->Move(1);
    EXPECT_EQ(s->AliveCount, 0);
}

// ---- Emission timing and placement ----

TEST(DropEmission, IntervalEmitsOneParticleEveryIntervalTicks) {
    TTestWorld world;
    auto s = QuietDrops(world);
    Drops(*s).Interval = 10;
    Drops(*s).IntervalRandom = 1;
    s->Restart(false);
    for (int32_t i = 0; i < 10; ++i)
        s->Tick(20);
    EXPECT_EQ(s->AliveCount, 20);
}

TEST(DropEmission, CyclingEmitterThatStaysOffEmitsOnlyAfterARestart) {
    TTestWorld world;
    auto s = QuietDrops(world);
    TDrops_Emiter& e = Drops(*s);
    e.Interval = 10;
    e.IntervalRandom = 1;
    e.Cycling = 1;
    e.OnMin = 5; // 50 ticks on
    e.OnRange = 0;
    e.OffMin = -1; // then off for good
    for (int32_t run = 0; run < 2; ++run) {
        s->Restart(true);
        int32_t lastEmission = -1;
        for (int32_t clock = 10; clock <= 1000; clock += 10) {
            s->Tick(10);
            if (s->EmittedThisTick > 0) lastEmission = clock;
        }
        EXPECT_GE(s->AliveCount, 4) << run;
        EXPECT_LE(lastEmission, 50) << run;
    }
}

TEST(DropEmission, StoredTimesBeyondTheClockWaitInsteadOfWrapping) {
    TTestWorld world;
    auto s = QuietDrops(world);
    TDrops_Emiter& e = Drops(*s);
    e.Interval = std::numeric_limits<int32_t>::max();
    e.IntervalRandom = 1000;
    s->Restart(false);
    for (int32_t i = 0; i < 5; ++i)
        s->Tick(20);
    EXPECT_EQ(s->AliveCount, 1); // the first one, then a wait beyond the clock

    auto cycling = QuietDrops(world);
    TDrops_Emiter& c = Drops(*cycling);
    c.Interval = 10;
    c.IntervalRandom = 1;
    c.Cycling = 1;
    c.OnMin = std::numeric_limits<int32_t>::max() / 5;
    c.OnRange = 100;
    cycling->Restart(false);
    for (int32_t i = 0; i < 5; ++i)
        cycling->Tick(20);
    EXPECT_EQ(cycling->AliveCount, 10); // on all along
    EXPECT_GT(c.PhaseLength, 0);
}

TEST(DropEmission, RateFollowsThePlayersScore) {
    struct TCase {
        int32_t Points;
        int32_t Interval;
    };
    // Rate 2 from 0 points: 1000 / (points / 2) ticks; no score, no emission.
    for (const TCase c : {TCase{100, 20}, TCase{1000, 2}, TCase{0, 0}}) {
        TTestWorld world;
        world.Points = c.Points;
        auto s = QuietDrops(world);
        TDrops_Emiter& e = Drops(*s);
        e.RateMode = 1;
        e.Rate = 2.0f;
        e.RateStart = 0.0f;
        s->Restart(false);
        s->Tick(200);
        EXPECT_EQ(e.Interval, c.Interval) << c.Points;
        EXPECT_EQ(s->AliveCount, c.Interval > 0 ? 200 / c.Interval : 0) << c.Points;
    }
}

TEST(DropEmission, SegmentPlacesParticlesOnItsLine) {
    struct TCase {
        TVec2 Span;
    };
    for (const TCase c : {TCase{{100.0f, 0.0f}}, TCase{{100.0f, 100.0f}}}) {
        auto s = CreateDropSystem();
        TDrops_Emiter& e = Drops(*s);
        e.Position = {10.0f, 20.0f};
        e.Span = c.Span;
        e.Emit(200);
        for (const TParticle* p = s->AliveHead(); p; p = p->Next) {
            const float t = (p->Position.X - 10.0f) / 100.0f;
            EXPECT_GE(t, 0.0f);
            EXPECT_LE(t, 1.0f);
            EXPECT_NEAR(p->Position.Y, 20.0f + c.Span.Y * t, 1e-3f);
        }
    }
}

TEST(DropEmission, HitChanceLetsAboutThatShareHitCharacters) {
    auto s = CreateDropSystem();
    Drops(*s).HitChance = 0.25f;
    Seed(5);
    Drops(*s).Emit(1000);
    int32_t hits = 0;
    for (const TParticle* p = s->AliveHead(); p; p = p->Next)
        hits += p->HitsCharacters;
    EXPECT_GT(hits, 200);
    EXPECT_LT(hits, 300);
}

TEST(DropEmission, SourceParticlesAreTheStartingPointsRoundByRound) {
    auto source = CreateDropSystem();
    for (float x : {1.0f, 2.0f, 3.0f})
        PlaceDrop(*source, {x, 0.0f}, {});
    auto s = CreateDropSystem();
    Drops(*s).Source = source.get();
    Drops(*s).Emit(2);
    ASSERT_EQ(s->AliveCount, 6);
    // Newest first: the second round in reverse source order, then the first.
    std::vector<float> xs;
    for (const TParticle* p = s->AliveHead(); p; p = p->Next)
        xs.push_back(p->Position.X);
    EXPECT_EQ(xs, (std::vector<float>{1.0f, 2.0f, 3.0f, 1.0f, 2.0f, 3.0f}));
    // A system that is its own source grows by what it held.
    Drops(*source).Source = source.get();
    Drops(*source).Emit(1);
    EXPECT_EQ(source->AliveCount, 6);
}

TEST(DropEmission, CopyKeepsTheSettingsButNotThePlaceOrLinks) {
    auto templ = CreateDropSystem();
    TDrops_Emiter& t = Drops(*templ);
    t.Interval = 33;
    t.SizeMax = 21.0f;
    t.SetColours({1, 2, 3, 4}, {5, 6, 7, 8});
    t.Position = {400.0f, 400.0f};
    t.ShapeIndex = 3;
    templ->Gravity = 0.5f;
    templ->Layer = 2;
    auto copy = CreateDropSystem(templ.get());
    const TDrops_Emiter& c = Drops(*copy);
    EXPECT_EQ(c.Interval, 33);
    EXPECT_EQ(c.SizeMax, 21.0f);
    EXPECT_EQ(c.ColourDiff[3], 4);
    EXPECT_EQ(copy->Gravity, 0.5f);
    EXPECT_EQ(c.Position.X, 0.0f);
    EXPECT_EQ(c.ShapeIndex, 0);
    EXPECT_EQ(copy->Layer, 0);
}

// ---- The manager ----

TEST(ParticleManager, RemovesByIndexAndFromTheEnd) {
    TParticleSystem_Manager man;
    auto listed = CreateDropSystem();
    TParticleSystem* a = man.CreateDrops(nullptr);
    man.Add(listed.get());
    TParticleSystem* b = man.CreateRain(10);
    Drops(*listed).Source = a;
    EXPECT_FALSE(man.RemoveAt(-1));
    EXPECT_FALSE(man.RemoveAt(3));
    EXPECT_TRUE(man.RemoveAt(0));
    EXPECT_EQ(man.Systems, (std::vector<TParticleSystem*>{listed.get(), b}));
    EXPECT_EQ(Drops(*listed).Source, nullptr); // no link to a freed system
    EXPECT_TRUE(man.Remove(listed.get()));
    EXPECT_FALSE(man.Remove(listed.get()));
    EXPECT_EQ(man.Systems, (std::vector<TParticleSystem*>{b}));
    EXPECT_TRUE(man.Owns(b));
}

TEST(ParticleManager, DeathFiresOnlyTheEmittersBoundToThatCharacter) {
    TTestWorld world;
    world.Characters = {{0, 0}, {100, 0}, {200, 0}};
    TParticleSystem_Manager man;
    man.World = &world;
    struct TEmitter {
        int32_t Character;
        bool FireOnDeath;
    };
    std::vector<TParticleSystem*> systems;
    for (const TEmitter e : {TEmitter{1, true}, TEmitter{1, false}, TEmitter{2, true}, TEmitter{-1, true}}) {
        TParticleSystem* s = man.CreateDrops(nullptr);
        Drops(*s).CharacterIndex = e.Character;
        Drops(*s).FireOnDeath = e.FireOnDeath;
        Drops(*s).BurstCount = 5;
        systems.push_back(s);
    }
    // At level start the bound ones wait; the unbound one bursts.
    man.RestartAll(true);
    EXPECT_EQ(systems[0]->AliveCount, 0);
    EXPECT_EQ(systems[3]->AliveCount, 5);
    man.CharacterDied(1);
    EXPECT_EQ(systems[0]->AliveCount, 5);
    EXPECT_EQ(systems[1]->AliveCount, 0);
    EXPECT_EQ(systems[2]->AliveCount, 0);
    // A stored index beyond the list names the last character.
    Drops(*systems[2]).CharacterIndex = 7;
    man.CharacterDied(2);
    EXPECT_EQ(systems[2]->AliveCount, 5);
}

// ---- Bounds and drawing ----

TEST(ParticleBounds, BoxRoundTheParticlesAtLeast30Wide) {
    TParticleSystem plain(4);
    plain.Emitter = std::make_unique<TParticleSystem_Emiter>(&plain);
    plain.Emitter->Position = {7.0f, 8.0f};
    TBox2 b = plain.Bounds();
    EXPECT_EQ(b.Left, -3.0f);
    EXPECT_EQ(b.Bottom, 18.0f);
    plain.Take()->Position = {100.0f, 100.0f};
    b = plain.Bounds();
    EXPECT_EQ(b.Left, 85.0f);
    EXPECT_EQ(b.Top, 85.0f);
    EXPECT_EQ(b.Right, 115.0f);
    EXPECT_EQ(b.Bottom, 115.0f);

    auto drops = CreateDropSystem();
    drops->Take()->Position = {0.0f, 0.0f};
    drops->Take()->Position = {100.0f, 50.0f};
    b = drops->Bounds(); // widened by SizeMax 8
    EXPECT_EQ(b.Left, -8.0f);
    EXPECT_EQ(b.Top, -8.0f);
    EXPECT_EQ(b.Right, 108.0f);
    EXPECT_EQ(b.Bottom, 58.0f);
}

TEST(ParticleDraw, DrawsOneQuadPerParticleInViewAndChangesNothing) {
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* null = backend.get();
    InitRenderContext(std::move(backend));
    TMyTexture texture(nullptr, 0, "Effects\\Test.png");
    texture.GlId = 5; // as if uploaded
    texture.Corners = {TVec2{0, 0}, TVec2{1, 0}, TVec2{1, 1}, TVec2{0, 1}};
    auto s = CreateDropSystem();
    s->Texture = &texture;
    PlaceDrop(*s, {10.0f, 10.0f}, {1.0f, 0.0f}).Size = 2.0f;
    PlaceDrop(*s, {-40.0f, 10.0f}, {0.0f, 1.0f}); // within the 50 around the view
    PlaceDrop(*s, {500.0f, 10.0f}, {0.0f, 1.0f}); // far outside
    Seed(9);
    const TVec2 before = s->AliveHead()->Position;
    null->Vertices.clear();
    EXPECT_EQ(s->Draw({0.0f, 0.0f, 100.0f, 100.0f}), 4);
    EXPECT_EQ(null->Vertices.size(), 8u);
    EXPECT_EQ(RandSeed, 9u);
    EXPECT_EQ(s->AliveHead()->Position.X, before.X);
    // Style 0 lays the quad along the velocity: the first corner is P + unit(v) × size.
    const auto& last = null->Vertices[4];
    EXPECT_FLOAT_EQ(last[0], 12.0f);
    EXPECT_FLOAT_EQ(last[1], 10.0f);
    EXPECT_EQ(null->BatchErrors, 0);

    auto rain = CreateRainSystem(4);
    rain->Texture = &texture;
    PlaceDrop(*rain, {0.0f, 0.0f}, {0.0f, 2.0f}).Size = 5.0f;
    null->Vertices.clear();
    EXPECT_EQ(rain->Draw({0.0f, 0.0f, 100.0f, 100.0f}), 2);
    ASSERT_EQ(null->Vertices.size(), 4u);
    EXPECT_FLOAT_EQ(null->Vertices[0][1], -RainStreak * 2.0f); // streaked back along the velocity
    ReleaseRenderContext();
    rain->Texture = nullptr;
    EXPECT_EQ(rain->Draw({0.0f, 0.0f, 100.0f, 100.0f}), 0);
}

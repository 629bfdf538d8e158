// The level's particle systems in play: when they step and restart, what the
// characters throw into them, the rain around the view, the characters'
// particle test, and drawing through the playing layer.
#include "LevelWorld.h"

#include "gameplay/Water.h"
#include "gameplay/Wind.h"
#include "level/LevelParticles.h"
#include "render/DropEmitter.h"
#include "render/NullRenderBackend.h"
#include "render/Rain.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace level_world;

namespace {

class LevelParticles : public ::testing::Test {
  protected:
    void SetUp() override { ResetLevelGlobals(); }
    void TearDown() override {
        Level.reset();
        ResetLevelGlobals();
        ReleaseRenderContext();
    }

    TLevel& Load(TLevelPlan plan = {{{0.0f, 150.0f}}, false, {}}) {
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(WritePlannedLevel(plan)));
        return *Level;
    }

    void Tick(int32_t n = 1) { PlayTicks(*Level, n); }

    TArchive Archive{"particles"};
    std::unique_ptr<TLevel> Level;
};

// The middle of the outline edge that lies farthest to the left.
TVec2 LeftmostEdgeMiddle(const TRollix& c) {
    TVec2 best{std::numeric_limits<float>::infinity(), 0.0f};
    const size_t n = c.Vertices.size();
    for (size_t i = 0; i < n; ++i) {
        const TVec2 m = (c.Vertices[i].Pos + c.Vertices[(i + 1) % n].Pos) * 0.5f;
        if (m.X < best.X) best = m;
    }
    return best;
}

} // namespace

TEST_F(LevelParticles, StepEveryOtherTickTheRainAndFirstEffectSystemOnceMore) {
    Load();
    Tick(4); // two particle steps: 20 ms each, and 10 more for the rain and the first effect system
    EXPECT_EQ(Level->ScoreParticles->Clock, 40);
    EXPECT_EQ(Level->OwnDropSystems[1]->Clock, 40);
    EXPECT_EQ(Level->Rain->Clock, 60);
    EXPECT_EQ(Level->OwnDropSystems[0]->Clock, 60);
    EXPECT_EQ(
        Level->ParticleMan.Systems,
        (std::vector<TParticleSystem*>{Level->ScoreParticles.get(), Level->Rain.get(),
                                       Level->OwnDropSystems[0].get(), Level->OwnDropSystems[1].get()}));
    // A restart empties them all and starts their clocks again.
    Level->Physics.Particles->EmitDrop(TParticleShot{});
    Level->RestartLevel(false, false);
    for (TParticleSystem* s : Level->ParticleMan.Systems) {
        EXPECT_EQ(s->Clock, 0);
        EXPECT_EQ(s->AliveCount, 0);
    }
}

TEST_F(LevelParticles, SparksAndDropsOfTheCharactersLandInTheEffectSystems) {
    Load();
    TParticleSink& sink = *Level->Physics.Particles;
    EXPECT_EQ(&sink, static_cast<TParticleSink*>(&Level->ParticleLink));
    TParticleShot shot;
    shot.Pos = {12.0f, 34.0f};
    shot.Vel = {1.0f, -2.0f};
    shot.Size = 3.0f;
    shot.HitGuard = 120;
    shot.ContactsLeft = 2;
    shot.Colour[0] = 128;
    sink.EmitSpark(shot);
    ASSERT_EQ(Level->OwnDropSystems[1]->AliveCount, 1);
    const TParticle& spark = *Level->OwnDropSystems[1]->AliveHead();
    EXPECT_EQ(spark.Position.X, 12.0f);
    EXPECT_EQ(spark.Velocity.Y, -2.0f);
    EXPECT_EQ(spark.HitGuard, 120);
    EXPECT_EQ(spark.ContactsLeft, 2);
    EXPECT_EQ(spark.Colour.R, 128);
    EXPECT_EQ(spark.HitsCharacters, 0);
    EXPECT_EQ(spark.PushFactor, 0.0f);
    sink.EmitDrop(shot);
    sink.EmitDrop(shot);
    EXPECT_EQ(Level->OwnDropSystems[0]->AliveCount, 2);

    // The rain's intensity is the weather's density, its colour the drops' colour.
    EXPECT_EQ(sink.WeatherDensity(), 0.0f);
    Level->Rain->SetCount(150);
    Level->Rain->Colour = {9, 8, 7, 6};
    Level->Rain->Tick(10);
    EXPECT_FLOAT_EQ(sink.WeatherDensity(), 0.775f);
    uint8_t colour[4];
    sink.WeatherColour(colour);
    EXPECT_EQ(colour[0], 9);
    EXPECT_EQ(colour[3], 6);
}

TEST_F(LevelParticles, DeathFiresTheEmittersBoundToTheCharacter) {
    TLevelPlan plan;
    plan.Characters = {{0.0f, 150.0f}, {400.0f, 150.0f}};
    Load(plan);
    auto system = CreateDropSystem();
    auto& e = static_cast<TDrops_Emiter&>(*system->Emitter);
    e.CharacterIndex = 1;
    e.FireOnDeath = 1;
    e.BurstCount = 7;
    Level->ParticleMan.Add(system.get());
    Level->Characters.Kill(*Level->Characters.Items[0], nullptr);
    EXPECT_EQ(system->AliveCount, 0);
    Level->Characters.Kill(*Level->Characters.Items[1], nullptr);
    EXPECT_EQ(system->AliveCount, 7);
    Level->ParticleMan.Remove(system.get());
}

TEST_F(LevelParticles, RainFallsAroundTheCameraWhenThereIsNoCharacter) {
    TLevel level;
    ASSERT_EQ(level.Player(), nullptr);
    level.CameraX = 5000.0f;
    level.CameraY = -200.0f;
    const TVec2 c = level.ParticleLink.ViewCentre();
    EXPECT_EQ(c.X, 5000.0f);
    EXPECT_EQ(c.Y, -200.0f);
    level.Rain->SetCount(50);
    level.Rain->Tick(10);
    ASSERT_EQ(level.Rain->AliveCount, 50);
    for (const TParticle* p = level.Rain->AliveHead(); p; p = p->Next) {
        EXPECT_GE(p->Position.X, 2000.0f);
        EXPECT_LE(p->Position.X, 8000.0f);
        EXPECT_GT(p->Position.Y, -1100.0f - 1.0f);
    }
}

TEST_F(LevelParticles, ParticleThroughTheOutlineDentsPushesAndBouncesOff) {
    struct TCase {
        float Dent;
        bool Damaged;
    };
    for (const TCase c : {TCase{0.0f, false}, TCase{2.5f, true}}) {
        Load();
        TRollix& player = *Level->Player();
        TParticle p;
        // From the left, slightly downward, at the side of the body.
        p.Position = LeftmostEdgeMiddle(player) - TVec2{6.0f, 1.0f};
        p.Velocity = {6.0f, 1.0f};
        p.PushFactor = 0.5f;
        p.BounceBack = 0.3f;
        p.DentStrength = c.Dent;
        const float damage = player.Damage;
        float before = 0.0f;
        for (const TRollixVertex& v : player.Vertices)
            before += v.Vel.X;
        ASSERT_TRUE(HitCharacterWithParticle(player, p)) << c.Dent;
        EXPECT_EQ(player.Damage > damage, c.Damaged) << c.Dent;
        float after = 0.0f;
        for (const TRollixVertex& v : player.Vertices)
            after += v.Vel.X;
        EXPECT_GT(after, before) << c.Dent;                              // pushed the way the particle flew
        EXPECT_LT(p.Velocity.X, 0.0f) << c.Dent;                         // and thrown back
        EXPECT_NEAR(Length(p.Velocity), 0.3f * std::sqrt(37.0f), 1e-3f); // at BounceBack × its speed

        TParticle far;
        far.Position = {player.Centre.X + 1000.0f, player.Centre.Y};
        far.Velocity = {10.0f, 0.0f};
        far.PushFactor = 0.5f;
        EXPECT_FALSE(HitCharacterWithParticle(player, far));
        EXPECT_EQ(far.Velocity.X, 10.0f);
    }
}

TEST_F(LevelParticles, PlayingLayerDrawsTheEffectSystemsWithoutChangingThem) {
    Load();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* null = backend.get();
    InitRenderContext(std::move(backend));
    Level->OwnDropSystems[0]->Texture = TexLib.TextureByName("Levels\\ground.png");
    ASSERT_NE(Level->OwnDropSystems[0]->Texture, nullptr);
    Level->PrepareFrameView();
    null->Vertices.clear();
    Level->DrawLevel();
    const size_t without = null->Vertices.size();

    TParticleShot shot;
    shot.Pos = Level->Player()->Centre;
    shot.Vel = {0.0f, 1.0f};
    shot.Size = 6.0f;
    Level->Physics.Particles->EmitDrop(shot);
    const TParticle& drop = *Level->OwnDropSystems[0]->AliveHead();
    const TVec2 at = drop.Position;
    Seed(77);
    null->Vertices.clear();
    Level->DrawLevel();
    EXPECT_EQ(null->Vertices.size(), without + 4);
    EXPECT_EQ(RandSeed, 77u);
    EXPECT_EQ(drop.Position.X, at.X);
    EXPECT_EQ(drop.Position.Y, at.Y);
    EXPECT_EQ(null->BatchErrors, 0);
}

TEST_F(LevelParticles, DropsIntoThePoolSplashIntoItsOwnSystemOrSinkAsBubbles) {
    Level = std::make_unique<TLevel>();
    ASSERT_TRUE(Level->LoadFromBytes(PoolLevelBytes({100.0f, -100.0f}, false)));
    ASSERT_EQ(Level->Waters.size(), 1u);
    TWater& water = *Level->Waters[0];
    TParticleSystem* splashes = Level->ParticleLink.SplashesOf(&water);
    ASSERT_NE(splashes, nullptr);
    EXPECT_NE(std::find(Level->ParticleMan.Systems.begin(), Level->ParticleMan.Systems.end(), splashes),
              Level->ParticleMan.Systems.end());
    // A restart keeps the one system of the water.
    Level->RestartLevel(false, false);
    EXPECT_EQ(Level->ParticleLink.SplashesOf(&water), splashes);

    // A rain drop falling into the pool leaves one small drop in its splashes.
    TParticle& drop = *Level->Rain->Emitter->Emit(1);
    drop.Position = {200.0f, 95.0f};
    drop.Velocity = {0.0f, 1.0f};
    drop.CanSplash = 1;
    Level->Rain->Player->Move(10);
    EXPECT_EQ(Level->Rain->AliveCount, 0);
    ASSERT_EQ(splashes->AliveCount, 1);
    EXPECT_EQ(splashes->AliveHead()->Size, 1.0f);

    // A small effect drop sinks as a bubble.
    const size_t bubbles = water.Bubbles.size();
    TParticleShot shot;
    shot.Pos = {200.0f, 95.0f};
    shot.Vel = {0.0f, 10.0f};
    shot.Size = 1.5f;
    shot.ContactsLeft = 3;
    Level->Physics.Particles->EmitDrop(shot);
    TParticleSystem& effects = *Level->OwnDropSystems[0];
    effects.AliveHead()->FirstStep = 0;
    effects.Player->Move(20);
    EXPECT_EQ(effects.AliveCount, 0);
    EXPECT_EQ(water.Bubbles.size(), bubbles + 1);
}

TEST_F(LevelParticles, CharacterFallingIntoThePoolThrowsDropsIntoItsSplashes) {
    Level = std::make_unique<TLevel>();
    ASSERT_TRUE(Level->LoadFromBytes(PoolLevelBytes({200.0f, 20.0f}, false)));
    TParticleSystem* splashes = Level->ParticleLink.SplashesOf(Level->Waters[0].get());
    ASSERT_NE(splashes, nullptr);
    int32_t most = 0;
    for (int32_t i = 0; i < 150; ++i) {
        Tick();
        most = std::max(most, splashes->AliveCount);
    }
    EXPECT_GT(most, 0);
}

TEST_F(LevelParticles, WindPushesTheSystemsThatTakeIt) {
    struct TCase {
        float WindFactor;
        uint8_t OwnWindOnly;
        int32_t WindIndex;
        bool Pushed;
    };
    const TCase cases[] = {
        {0.0f, 0, -1, false}, {1.0f, 0, -1, true}, {1.0f, 1, 5, false}, {1.0f, 1, 0, true}};
    Level = std::make_unique<TLevel>();
    ASSERT_TRUE(Level->LoadFromBytes(PoolLevelBytes({100.0f, -100.0f}, false)));
    std::vector<TParticleSystem*> systems;
    for (const TCase& c : cases) {
        TParticleSystem* s = Level->ParticleMan.CreateDrops(nullptr);
        s->WindFactor = c.WindFactor;
        s->Emitter->OwnWindOnly = c.OwnWindOnly;
        s->Emitter->WindIndex = c.WindIndex;
        TParticle& p = *s->Emitter->Emit(1);
        p.Position = {200.0f, 80.0f}; // in the cone, above the surface
        p.Velocity = {};
        systems.push_back(s);
    }
    Level->WaterEffects->PushParticles(*Level->Winds[0]);
    for (size_t i = 0; i < systems.size(); ++i) {
        const TVec2 v = systems[i]->AliveHead()->Velocity;
        EXPECT_EQ(v.Y > 0.0f, cases[i].Pushed) << i; // blown down
        EXPECT_EQ(v.X, 0.0f) << i;
    }
}

// The level's particle systems in play: when they step and restart, what the
// characters throw into them, the rain around the view, the characters'
// particle test, and drawing through the playing layer.
#include "LevelWorld.h"

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

    void Tick(int32_t n = 1) {
        for (int32_t i = 0; i < n; ++i) {
            Level->StepPlay();
            Level->UpdateLevelSounds(true);
            Level->CheckRestartTimer();
            EndTick();
        }
    }

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

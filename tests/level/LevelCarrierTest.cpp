// Particle emitters and boosts in play: the emitters of a boost's object that
// follow their carrier go with the player as copies of their own, emit where
// the player is and go again with the carried effect, whichever way it ends;
// the particles of an emitter that carries a boost give that boost to the
// player whose body they lie in.
#include "LevelWorld.h"

#include "level/Mechanics.h"
#include "render/DropEmitter.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace level_world;

namespace {

// The player starts at (0, 150) above a wide floor at 300. The start box
// holds the player from the first tick; the low box only once it has
// fallen onto the floor; the far box never.
constexpr TBox2 StartBox{-150.0f, 0.0f, 150.0f, 290.0f};
constexpr TBox2 LowBox{-150.0f, 270.0f, 150.0f, 290.0f};
constexpr TBox2 FarBox{900.0f, 100.0f, 1100.0f, 290.0f};

struct TPlacedBoost {
    int32_t Type = 0;
    TBox2 Box = StartBox;
    std::function<void(TBoost&)> Setup = {};
};

// An emitter of the test level on the object of a boost (its place in the
// boost list; −1: on no object).
struct TPlacedEmitter {
    int32_t OnBoost = -1;
    uint8_t Follows = 1;
    std::function<void(TParticleSystem&, TDrops_Emiter&)> Setup = {};
};

// Still particles: they stay where they are made until something takes them.
void StillParticles(TParticleSystem& s, TDrops_Emiter& e) {
    s.Gravity = 0.0f;
    e.StartVelocity = {0.0f, 0.0f};
    e.SpreadAngle = 0.0f;
    e.PushFactor = 0.0f;
    e.WaterImpact = 0.0f;
    e.TerrainCollision = e.CollisionNow = 0;
}

std::vector<uint8_t> CarrierLevelBytes(const std::vector<TPlacedBoost>& boosts,
                                       const std::vector<TPlacedEmitter>& emitters) {
    TLevel level;
    level.Header.LevelTitle = "Carriers";
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
    for (const TPlacedBoost& p : boosts) {
        TBoost& b = AddBoxBoost(level, p.Type, p.Box);
        if (p.Setup) p.Setup(b);
    }
    for (const TPlacedEmitter& p : emitters) {
        auto s = CreateDropSystem();
        auto& e = static_cast<TDrops_Emiter&>(*s->Emitter);
        e.FollowCarrier = p.Follows;
        // The boosts' objects follow the floor, one each.
        e.ShapeIndex = p.OnBoost < 0 ? 0 : p.OnBoost + 2;
        e.Interval = 30;
        e.IntervalRandom = 1;
        if (p.Setup) p.Setup(*s, e);
        level.DropSystems.push_back(std::move(s));
    }
    AddStartingCharacter(level, {0.0f, 150.0f});
    return WriteLevelBytes(level);
}

class LevelCarriers : public TLevelTest {
  public:
    TLevel& Load(const std::vector<TPlacedBoost>& boosts, const std::vector<TPlacedEmitter>& emitters) {
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(CarrierLevelBytes(boosts, emitters)));
        return *Level;
    }
    void Tick(int32_t n = 1) { PlayTicks(*Level, n); }
    TRollix& Player() { return *Level->Player(); }
    TBoost& Placed(int32_t i) { return *Level->Boosts.Items[size_t(i)]; }
    const TBoost* CarriedOfType(int32_t type) {
        const TBoosts* list = Level->BoostHooks.CarriedOf(std::as_const(Player()));
        return list ? FindByType(*list, type) : nullptr;
    }
    bool Listed(const TParticleSystem* s) {
        const auto& all = Level->ParticleMan.Systems;
        return std::find(all.begin(), all.end(), s) != all.end();
    }

    TArchive Archive{"carriers"};
};

TEST_F(LevelCarriers, AFollowingEmitterGoesWithThePlayerAndEmitsWhereThePlayerIs) {
    Load({{BoostType::Diver, StartBox, [](TBoost& b) { b.Duration = 1000; }}, {BoostType::Diamond, FarBox}},
         {// Follows, on the diver's object: the one that goes along.
          {0, 1,
           [](TParticleSystem& s, TDrops_Emiter& e) {
               StillParticles(s, e);
               e.Interval = 40;
           }},
          // On the same object but staying, and following on another object.
          {0, 0},
          {1, 1}});
    const size_t before = Level->ParticleMan.Systems.size();
    Tick();
    const TBoost* diver = CarriedOfType(BoostType::Diver);
    ASSERT_TRUE(diver);
    const std::vector<TParticleSystem*> copies = Level->ParticleLink.CarrierCopiesOf(*diver);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(Level->ParticleLink.CarrierCopyCount(), 1u);
    EXPECT_EQ(Level->ParticleMan.Systems.size(), before + 1);
    TParticleSystem& copy = *copies[0];
    EXPECT_TRUE(Listed(&copy));
    const auto& e = static_cast<const TDrops_Emiter&>(*copy.Emitter);
    EXPECT_EQ(e.CarrierCopy, 1);
    EXPECT_EQ(e.CharacterIndex, 0);
    EXPECT_EQ(e.ShapeIndex, 2);
    // The template's settings came along; the template stays as it was.
    EXPECT_EQ(e.Interval, 40);
    EXPECT_EQ(copy.Gravity, 0.0f);
    EXPECT_EQ(Level->DropSystems[0]->Emitter->CarrierCopy, 0);

    // The player falls onto the floor; the copy's particles are made where
    // the player was at each emission, far below the diver's object.
    Tick(120);
    EXPECT_GT(copy.AliveCount, 0);
    EXPECT_NEAR(e.Position.X, Player().Centre.X, 15.0f);
    EXPECT_NEAR(e.Position.Y, Player().Centre.Y, 15.0f);
    for (const TParticle* p = copy.AliveHead(); p; p = p->Next)
        EXPECT_GT(p->Position.Y, 150.0f);
    // The level goes with a copy still in play (the sanitizers watch it).
}

TEST_F(LevelCarriers, EveryEndingOfTheCarriedEffectTakesItsCopiesAway) {
    using namespace BoostType;
    struct TCase {
        const char* Name;
        std::vector<TPlacedBoost> Boosts;
        // Plays from the first tick (the copy made) to the end of the effect.
        std::function<void(LevelCarriers&)> End;
        int32_t Carried;
    };
    const auto keyItem = [](TBoost& b) {
        b.IsKeyItem = 1;
        b.AutoUse = 1;
    };
    const std::vector<TCase> cases = {
        {"the effect runs out",
         {{Diver, StartBox, [](TBoost& b) { b.Duration = 50; }}},
         [](LevelCarriers& t) { t.Tick(60); },
         Diver},
        {"the level restarts",
         {{Diver, StartBox, [](TBoost& b) { b.Duration = 1000; }}},
         [](LevelCarriers& t) { t.Level->RestartLevel(false, false); },
         Diver},
        {"a regenerator takes the effects away",
         {{Diver, StartBox, [](TBoost& b) { b.Duration = 1000; }},
          {Regenerator, LowBox, [](TBoost& b) { b.TypeBlock[1] = 1; }}},
         [](LevelCarriers& t) { t.Tick(150); },
         Diver},
        {"the key item is used on a door",
         {{Invisible, StartBox, keyItem}, {Diamond, LowBox, [](TBoost& b) { b.RequiredKey = Invisible; }}},
         [](LevelCarriers& t) { t.Tick(150); },
         Invisible},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Load(c.Boosts, {{0, 1}});
        Tick();
        const TBoost* effect = CarriedOfType(c.Carried);
        ASSERT_TRUE(effect);
        const std::vector<TParticleSystem*> copies = Level->ParticleLink.CarrierCopiesOf(*effect);
        ASSERT_EQ(copies.size(), 1u);
        const size_t listed = Level->ParticleMan.Systems.size();
        c.End(*this);
        EXPECT_EQ(Level->ParticleLink.CarrierCopyCount(), 0u);
        EXPECT_EQ(Level->ParticleMan.Systems.size(), listed - 1);
        EXPECT_FALSE(Listed(copies[0]));
    }
}

TEST_F(LevelCarriers, TheParticlesOfABoostsEmitterGiveItToThePlayerTheyLieIn) {
    // A diamond far away; two emitters that carry it and one whose boost the
    // level does not have, each with still particles made by hand: three in
    // the player at its start, two beside it.
    Load({{BoostType::Diamond, FarBox, [](TBoost& b) { b.PointsValue = 10; }}},
         {{-1, 0,
           [](TParticleSystem& s, TDrops_Emiter& e) {
               StillParticles(s, e);
               e.Interval = -1;
               e.BoostIndex = 0;
           }},
          {-1, 0, [](TParticleSystem& s, TDrops_Emiter& e) {
               StillParticles(s, e);
               e.Interval = -1;
               e.BoostIndex = 5;
           }}});
    const auto place = [&](TParticleSystem& s, TVec2 at) {
        TParticle* p = s.Emitter->Emit(1);
        ASSERT_TRUE(p);
        p->Position = at;
        p->Velocity = {0.0f, 0.0f};
    };
    TParticleSystem& gives = *Level->DropSystems[0];
    TParticleSystem& unknown = *Level->DropSystems[1];
    const TVec2 centre = Player().Centre;
    for (TVec2 d : {TVec2{0, 0}, TVec2{4, -3}, TVec2{-5, 2}})
        place(gives, centre + d);
    for (TVec2 at : {TVec2{-600, 150}, TVec2{600, 150}})
        place(gives, at);
    place(unknown, centre);
    ASSERT_EQ(gives.AliveCount, 5);
    Tick();
    EXPECT_EQ(Player().Points, 30);
    EXPECT_EQ(gives.AliveCount, 2);
    for (const TParticle* p = gives.AliveHead(); p; p = p->Next)
        EXPECT_GT(std::abs(p->Position.X), 500.0f);
    EXPECT_EQ(unknown.AliveCount, 1);
    // The diamond itself was not taken: it stays in its place.
    EXPECT_TRUE(Placed(0).Visible);
    EXPECT_EQ(CarriedOfType(BoostType::Diamond), nullptr);
}

} // namespace

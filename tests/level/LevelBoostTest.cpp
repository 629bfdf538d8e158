// The boosts in play: a small level written by the level writer, the player
// falling through the boosts placed around its start, what each type does to
// it and to the level, and the rules of respawns, key items, gates and the
// carried effects' time.
#include "LevelWorld.h"

#include "level/Mechanics.h"
#include "physics/SoundSink.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace level_world;

namespace {

// A boost of the test level: its type, its settings and the box of ground
// that draws it. The default box holds the player's start, so the player
// lies in it from the first tick.
struct TPlacedBoost {
    int32_t Type = 0;
    std::function<void(TBoost&)> Setup;
    TBox2 Box{-150.0f, 0.0f, 150.0f, 290.0f};
};

// A wide floor at 300, the player starting at (0, 150) above it, other
// characters where given, and the boosts, each taken by touching its body
// (so the body passes through it).
std::vector<uint8_t> BoostLevelBytes(const std::vector<TPlacedBoost>& boosts, int32_t targetScore = 0,
                                     const std::vector<TVec2>& others = {}) {
    TLevel level;
    level.Header.LevelTitle = "Boosts";
    level.Header.TargetScore = targetScore;
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
    for (const TPlacedBoost& p : boosts) {
        TBoost& b = AddBoxBoost(level, p.Type, p.Box);
        b.TakeSound = "default";
        if (p.Setup) p.Setup(b);
    }
    AddStartingCharacter(level, {0.0f, 150.0f});
    for (TVec2 at : others)
        AddStartingCharacter(level, at);
    return WriteLevelBytes(level);
}

// The quests of a level as far as the boosts see them: whether an auto-use
// key item may be put down and whether key items may be taken; they note
// which boosts were taken and dropped, with the tick.
class TQuestLog : public TBoostQuests {
  public:
    explicit TQuestLog(const TLevel& level) : Level(level) {}
    bool DropAllowed() const override { return DropAnywhere; }
    bool KeyItemAllowed(int32_t /*index*/) const override { return KeysAllowed; }
    void KeyDropped(int32_t index) override { Drops.push_back({index, Level.TickCounter}); }
    void BoostTaken(int32_t index) override { Taken.push_back({index, Level.TickCounter}); }
    const TLevel& Level;
    bool DropAnywhere = false;
    bool KeysAllowed = true;
    std::vector<std::pair<int32_t, int32_t>> Drops, Taken;
};

// The case tables reach the level and the player through the fixture.
// The sounds the boosts start, as the sound manager would get them.
class TSoundLog : public TSoundSink {
  public:
    struct TPlayed {
        std::string Name;
        TVec2 At;
        float Pitch;
    };
    void PlayAt(const std::string& name, TVec2 at, float pitch, int32_t /*followId*/) override {
        Played.push_back({name, at, pitch});
    }
    std::vector<TPlayed> Played;
};

class LevelBoosts : public TLevelTest {
  public:
    TLevel& Load(const std::vector<TPlacedBoost>& boosts, int32_t targetScore = 0,
                 const std::vector<TVec2>& others = {}) {
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(BoostLevelBytes(boosts, targetScore, others)));
        return *Level;
    }
    void Tick(int32_t n = 1) { PlayTicks(*Level, n); }
    TRollix& Player() { return *Level->Player(); }
    TBoost& Placed(int32_t i) { return *Level->Boosts.Items[size_t(i)]; }
    const TBoosts* Carried() { return Level->BoostHooks.CarriedOf(std::as_const(Player())); }
    const TBoost* CarriedOfType(int32_t type) {
        const TBoosts* list = Carried();
        return list ? FindByType(*list, type) : nullptr;
    }
    int32_t CarriedCount() {
        const TBoosts* list = Carried();
        return list ? list->Count() : 0;
    }

    TArchive Archive{"boosts",
                     {{"Objects\\Figures\\", "0002.gms", FigureBytes(2)},
                      {"Objects\\Figures\\", "0003.gms", FigureBytes(3)},
                      {"Objects\\Figures\\", "0004.gms", FigureBytes(4)}}};
};

TEST_F(LevelBoosts, EachTypeTakenByThePlayerGivesItsEffect) {
    using namespace BoostType;
    struct TCase {
        const char* Name;
        TPlacedBoost Boost;
        // What the level and the player look like just before the first tick.
        std::function<void(LevelBoosts&)> Before;
        int32_t Ticks;
        std::function<void(LevelBoosts&)> Check;
    };
    std::array<float, 4> lightBefore{};
    TVec2 figureBefore;
    const std::vector<TCase> cases = {
        {"select type: kept, no points",
         {0},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_TRUE(t.CarriedOfType(0));
             EXPECT_EQ(t.Player().Points, 0);
             EXPECT_FALSE(t.Placed(0).Visible);
         }},
        {"Morpher loads the figure and morphs",
         {Morpher, [](TBoost& b) { b.SetParam1(int32_t(4)); }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().FigureNumber, 4);
             EXPECT_EQ(t.Player().MorphLength, 80);
             EXPECT_EQ(t.CarriedCount(), 0);
         }},
        {"Magic Power: the common steps only",
         {MagicPower},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.CarriedCount(), 0);
             EXPECT_EQ(t.Player().Points, 0);
             EXPECT_FALSE(t.Placed(0).Visible);
         }},
        {"Scaler grows the figure",
         {Scaler, [](TBoost& b) { b.SetParam1(1.5f); }},
         [&figureBefore](LevelBoosts& t) { figureBefore = t.Player().Figure->Points[0].Pos; },
         1,
         [&figureBefore](LevelBoosts& t) {
             EXPECT_EQ(t.Player().Figure->Points[0].Pos, figureBefore * 1.5f);
             EXPECT_EQ(t.Player().MorphLength, 80);
         }},
        {"Rollix Light blends the main light toward its colour",
         {RollixLight,
          [](TBoost& b) {
              b.TypeBlock[1] = 255, b.TypeBlock[2] = 0, b.TypeBlock[3] = 0, b.TypeBlock[4] = 255;
              b.SetParam2(0.5f);
          }},
         [&lightBefore](LevelBoosts& t) { lightBefore = t.Level->Lights.BaseLights[0]->CurrentColor; },
         1,
         [&lightBefore](LevelBoosts& t) {
             const TLight& l = *t.Level->Lights.BaseLights[0];
             const float to[4] = {1.0f, 0.0f, 0.0f, 1.0f};
             for (size_t i = 0; i < 4; ++i)
                 EXPECT_FLOAT_EQ(l.FadeTo[i], lightBefore[i] + (to[i] - lightBefore[i]) * 0.5f) << i;
             EXPECT_EQ(l.FadeTotal, 2000);
         }},
        {"Cat Walk is kept and gives points",
         {CatWalk},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_TRUE(t.CarriedOfType(CatWalk));
             EXPECT_EQ(t.Player().Points, 50);
         }},
        {"Regenerator with switch A takes the effects and the hiccups away",
         {Regenerator, [](TBoost& b) { b.TypeBlock[1] = 1; }},
         [](LevelBoosts& t) {
             TRollix& p = t.Player();
             auto& list = t.Level->BoostHooks.CarriedOf(p);
             for (int32_t type : {Diver, Shard, Secret, Invisible}) {
                 list.Items.push_back(std::make_unique<TBoost>());
                 list.Items.back()->Type = type;
                 list.Items.back()->TimeLeft = 500;
                 list.Items.back()->IsKeyItem = type == Invisible;
             }
             p.ReverseControls = true;
             p.Damage = 2.0f;
             p.StartHiccups(500, false, false);
         },
         1,
         [](LevelBoosts& t) {
             TRollix& p = t.Player();
             EXPECT_FALSE(t.CarriedOfType(Diver));
             // Key items, shards and secrets stay.
             EXPECT_TRUE(t.CarriedOfType(Shard));
             EXPECT_TRUE(t.CarriedOfType(Secret));
             EXPECT_TRUE(t.CarriedOfType(Invisible));
             EXPECT_FALSE(p.ReverseControls);
             EXPECT_EQ(p.HiccupLeft, 0);
             EXPECT_EQ(p.Damage, 0.0f);
             EXPECT_EQ(p.SizeFactor, 1.0f);
             EXPECT_EQ(p.MorphLength, 80);
         }},
        {"Graviter turns gravity and camera",
         {Graviter,
          [](TBoost& b) {
              b.SetParam1(90.0f);
              b.SetParam2(int32_t(50));
              b.TypeBlock[13] = b.TypeBlock[14] = 1; // E, F
          }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             TRollix& p = t.Player();
             EXPECT_EQ(p.GravityAngle.To, 90.0f);
             EXPECT_EQ(p.GravityAngle.Total, 50);
             EXPECT_EQ(p.CameraAngle.To, 90.0f);
             EXPECT_EQ(p.Points, 50);
             EXPECT_EQ(t.CarriedCount(), 0);
         }},
        {"Diver is carried for its duration",
         {Diver, [](TBoost& b) { b.Duration = 300; }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             ASSERT_TRUE(t.CarriedOfType(Diver));
             EXPECT_EQ(t.CarriedOfType(Diver)->TimeLeft, 300);
             EXPECT_TRUE(t.Level->Physics.Boosts->Carries(t.Player(), Diver));
         }},
        {"Acid Coat keeps damage off",
         {AcidCoat},
         nullptr,
         1,
         [](LevelBoosts& t) {
             t.Player().DamageNode(0, 0.5f);
             EXPECT_EQ(t.Player().Damage, 0.0f);
         }},
        {"Slower/Faster starts the roll factor",
         {SlowerFaster,
          [](TBoost& b) {
              b.SetParam1(2.0f);
              b.SetBlockInt(12, 40);
          }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().RollFactor.To, 2.0f);
             EXPECT_EQ(t.Player().RollFactor.Total, 40);
             EXPECT_TRUE(t.CarriedOfType(SlowerFaster));
         }},
        {"Magnetizer sets the magnet value while carried",
         {Magnetizer, [](TBoost& b) { b.SetParam1(3.5f); }},
         nullptr,
         2,
         [](LevelBoosts& t) { EXPECT_EQ(t.Player().MagnetValue.Value, 3.5f); }},
        {"Buck reverses the controls",
         {Buck},
         nullptr,
         1,
         [](LevelBoosts& t) { EXPECT_TRUE(t.Player().ReverseControls); }},
        {"a star outside the puzzle is kept",
         {Star},
         nullptr,
         1,
         [](LevelBoosts& t) { EXPECT_TRUE(t.CarriedOfType(Star)); }},
        {"Diamond gives its points, a score hint and the score's flash",
         {Diamond, [](TBoost& b) { b.PointsValue = 120; }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().Points, 120);
             ASSERT_EQ(t.Level->ScoreHints.size(), 1u);
             EXPECT_EQ(t.Level->ScoreHints[0].Text, u"120");
             EXPECT_EQ(t.Level->ScoreFadeStep, 1);
             EXPECT_EQ(t.CarriedCount(), 0);
         }},
        {"Stopper brakes, then freezes for 100 ticks when it names none",
         {Stopper,
          [](TBoost& b) {
              b.SetParam1(int32_t(30));
              b.TypeBlock[12] = 1; // D: cancelable
          }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().BrakeRamp.Total, 30);
             EXPECT_EQ(t.Player().FreezeTicks, 100);
             EXPECT_TRUE(t.Player().FreezeCancelable);
         }},
        {"Skid & Stick gives its grip and glue",
         {SkidStick,
          [](TBoost& b) {
              b.TypeBlock[1] = b.TypeBlock[2] = 1; // A, B
              b.SetParam1(0.7f);
              b.SetParam2(0.6f);
          }},
         nullptr,
         2,
         [](LevelBoosts& t) {
             EXPECT_FLOAT_EQ(t.Player().Grip, 0.7f);
             EXPECT_FLOAT_EQ(t.Player().Glue, 0.6f);
         }},
        {"Rain & Wind hands the weather its new settings",
         {RainWind,
          [](TBoost& b) {
              b.SetParam1(int32_t(120));
              b.SetParam2(int32_t(300));
          }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Level->Rain->EndCount, 120);
             EXPECT_EQ(t.Level->Rain->FadeLength, 300);
         }},
        {"Teleport moves the player on the next tick",
         {Teleport,
          [](TBoost& b) {
              b.SetParam1(500.0f);
              b.SetParam2(100.0f);
          }},
         nullptr,
         2,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Level->SwitchKind, SwitchTeleport);
             EXPECT_EQ(t.Level->SwitchPos, (TVec2{500.0f, 100.0f}));
             EXPECT_TRUE(t.Level->SwitchDue);
             EXPECT_FALSE(t.CarriedOfType(Teleport));
         }},
        {"a gate to the main menu leads to the main game level",
         {Gate,
          [](TBoost& b) {
              b.TargetLevel = "Levels\\_MAINMENU_.MAP";
              b.SetParam1(int32_t(SwitchRotatingGate));
              b.TypeBlock[8] = 1; // swallow
          }},
         nullptr,
         2,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Level->SwitchTarget, "Zestars.map");
             EXPECT_EQ(t.Level->SwitchKind, SwitchRotatingGate);
             EXPECT_EQ(t.Level->SwitchDelay, 100);
             EXPECT_TRUE(t.Level->Finished);
             EXPECT_EQ(t.Player().SwallowLeft, 130);
             EXPECT_FALSE(t.CarriedOfType(Gate));
         }},
        {"Shard gives points and is kept for 1000 ticks",
         {Shard},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().Points, 50);
             ASSERT_TRUE(t.CarriedOfType(Shard));
             EXPECT_EQ(t.CarriedOfType(Shard)->Duration, 1000);
         }},
        {"Secret's value goes to the items and the total score",
         {Secret, [](TBoost& b) { b.PointsValue = 300; }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             TRollix& p = t.Player();
             EXPECT_EQ(p.Points, 0);
             EXPECT_EQ(p.Items, (std::vector<int32_t>{300}));
             EXPECT_EQ(p.TotalScore(), 300);
         }},
        {"Invisible boost is kept and gives nothing",
         {Invisible},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_TRUE(t.CarriedOfType(Invisible));
             EXPECT_EQ(t.Player().Points, 0);
         }},
        {"Hiccup with switch A gives controlled hiccups",
         {Hiccup,
          [](TBoost& b) {
              b.Duration = 400;
              b.TypeBlock[1] = 1;
          }},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().HiccupLeft, 400);
             EXPECT_TRUE(t.Level->BoostHooks.ControlledHiccup(t.Player()));
             EXPECT_EQ(t.Player().Points, 50);
         }},
        {"CheckPoint notes the tick and the figure",
         {CheckPoint},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Placed(0).Param1Int(), 1);
             EXPECT_EQ(t.Placed(0).Param2Int(), 1);
             EXPECT_EQ(t.Level->BoostHooks.NewestCheckpoint(), &t.Placed(0));
             EXPECT_EQ(t.Player().Points, 50);
             EXPECT_EQ(t.CarriedCount(), 0);
         }},
        {"a type above the table gives points and is kept",
         {30},
         nullptr,
         1,
         [](LevelBoosts& t) {
             EXPECT_EQ(t.Player().Points, 50);
             EXPECT_TRUE(t.CarriedOfType(30));
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Load({c.Boost});
        EXPECT_EQ(Level->BoostHooks.NewestCheckpoint(), nullptr);
        if (c.Before) c.Before(*this);
        Tick(c.Ticks);
        c.Check(*this);
        Level.reset();
    }
}

TEST_F(LevelBoosts, ScalerWithASizeThatIsNoPositiveNumberDoesNothing) {
    for (float size :
         {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(size);
        Load({{BoostType::Scaler, [size](TBoost& b) { b.SetParam1(size); }}});
        Tick();
        EXPECT_FALSE(Placed(0).Visible); // taken
        EXPECT_EQ(Player().SizeFactor, 1.0f);
        EXPECT_EQ(Player().MorphLeft, 0);
        for (const TFigurePoint& p : Player().Figure->Points)
            EXPECT_TRUE(std::isfinite(p.Pos.X) && std::isfinite(p.Pos.Y));
    }
}

TEST_F(LevelBoosts, ASecondDiverExtendsTheCarriedOne) {
    Load({{BoostType::Diver, [](TBoost& b) { b.Duration = 300; }},
          {BoostType::Diver, [](TBoost& b) { b.Duration = 200; }}});
    Tick();
    ASSERT_EQ(CarriedCount(), 1);
    const TBoost& diver = *Carried()->Items[0];
    EXPECT_EQ(diver.Duration, 500);
    EXPECT_EQ(diver.TimeLeft, 500);
    EXPECT_EQ(diver.Source, &Placed(1));
}

TEST_F(LevelBoosts, BuckTwiceRestoresTheControls) {
    Load({{BoostType::Buck}, {BoostType::Buck}});
    Tick();
    EXPECT_FALSE(Placed(0).Visible);
    EXPECT_FALSE(Placed(1).Visible);
    EXPECT_FALSE(Player().ReverseControls);
}

TEST_F(LevelBoosts, AHiddenBoostComesBackAfterAtLeast100Ticks) {
    for (int32_t respawn : {50, 150}) {
        SCOPED_TRACE(respawn);
        Load({{BoostType::Diamond, [respawn](TBoost& b) { b.RespawnTime = respawn; }}});
        // Whether the boost shows when the player reaches for it, tick by tick.
        std::vector<int32_t> shownAt;
        LevelStepProbe = [&](const char* step) {
            if (std::string(step) == "boost-touch" && Placed(0).Visible)
                shownAt.push_back(Level->TickCounter);
        };
        Tick(300);
        LevelStepProbe = nullptr;
        // Taken at once, again every time it shows.
        const int32_t wait = std::max(100, respawn) + 1;
        ASSERT_GE(shownAt.size(), 2u);
        EXPECT_EQ(shownAt[0], 1);
        EXPECT_EQ(shownAt[1], 1 + wait);
    }
}

TEST_F(LevelBoosts, AnAutoUseKeyItemDroppedIsNotTakenAgainFor200Ticks) {
    Load({{BoostType::Invisible, [](TBoost& b) {
               b.IsKeyItem = 1;
               b.AutoUse = 1;
           }}});
    TQuestLog quests(*Level);
    quests.DropAnywhere = true;
    Level->BoostHooks.Quests = &quests;
    Tick(450);
    // Taken and put down in the first tick, then again every 200 ticks.
    EXPECT_EQ(quests.Drops, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {0, 201}, {0, 401}}));
    Level->BoostHooks.UseDefaultLinks();
}

TEST_F(LevelBoosts, MinPointsAreNeededToTakeABoost) {
    for (int32_t points : {999, 1000}) {
        SCOPED_TRACE(points);
        Load({{BoostType::Diamond, [](TBoost& b) { b.MinPoints = 1000; }}});
        Player().Points = points;
        Tick();
        const bool taken = points >= 1000;
        EXPECT_EQ(Placed(0).Visible, !taken);
        EXPECT_EQ(Player().Points, taken ? points + 50 : points);
    }
}

TEST_F(LevelBoosts, AShardsTimeStaysAt1000) {
    Load({{BoostType::Shard}});
    Tick(1200);
    ASSERT_TRUE(CarriedOfType(BoostType::Shard));
    EXPECT_EQ(CarriedOfType(BoostType::Shard)->TimeLeft, 1000);
}

TEST_F(LevelBoosts, ADoorNeedsItsKeyAndUsesItUp) {
    auto key = [](int32_t uses, int32_t type = BoostType::MagicPower, int32_t needs = 0) {
        return TPlacedBoost{type, [uses, needs](TBoost& b) {
                                b.IsKeyItem = 1;
                                b.AutoUse = 1;
                                b.Uses = uses;
                                b.RequiredKey = needs;
                            }};
    };
    const TPlacedBoost door{BoostType::Diamond, [](TBoost& b) { b.RequiredKey = BoostType::MagicPower; }};
    struct TCase {
        const char* Name;
        std::vector<TPlacedBoost> Boosts;
        bool DoorTaken, KeyBack;
        // The key item carried afterwards (0: none).
        int32_t Carried = 0;
    };
    const TCase cases[] = {
        {"no key: the door stays", {door}, false, false},
        {"the key opens the door and is gone", {key(0), door}, true, false},
        {"a key with uses left comes back to its place", {key(3), door}, true, true},
        {"a second key item is not taken beside the first",
         {key(0), key(0, BoostType::Invisible)},
         false,
         false,
         BoostType::MagicPower},
        {"a key item that needs the carried one takes its place",
         {key(0), key(0, BoostType::Invisible, BoostType::MagicPower)},
         true,
         false,
         BoostType::Invisible},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Load(c.Boosts);
        Tick();
        const int32_t doorIndex = int32_t(c.Boosts.size()) - 1;
        EXPECT_EQ(Placed(doorIndex).Visible, !c.DoorTaken);
        if (c.Boosts.back().Type == BoostType::Diamond) EXPECT_EQ(Player().Points, c.DoorTaken ? 50 : 0);
        const TBoost* carried = Level->BoostHooks.FirstKeyItem(Player());
        EXPECT_EQ(carried ? carried->Type : 0, c.Carried);
        EXPECT_LE(CarriedCount(), 1);
        if (doorIndex > 0) EXPECT_EQ(Placed(0).Visible, c.KeyBack);
    }
}

TEST_F(LevelBoosts, AnEffectsIconSlidesToItsSlotAndLaterOnesCloseTheGap) {
    Load({{BoostType::Diver, [](TBoost& b) { b.Duration = 100; }},
          {BoostType::CatWalk, [](TBoost& b) { b.Duration = 1000; }}});
    Tick();
    ASSERT_EQ(CarriedCount(), 2);
    const TBoost& diver = *Carried()->Items[0];
    const TBoost& walk = *Carried()->Items[1];
    EXPECT_EQ(diver.HudSlot, HudRowStart);
    EXPECT_EQ(walk.HudSlot, (TVec2{HudRowStart.X + HudRowStep, HudRowStart.Y}));
    EXPECT_EQ(walk.HudSlideLeft, HudSlideTicks);
    EXPECT_EQ(walk.HudFlash, 50);
    EXPECT_NE(walk.HudPos, walk.HudSlot);
    Tick(HudSlideTicks);
    EXPECT_EQ(walk.HudPos, walk.HudSlot);
    EXPECT_EQ(walk.HudFlash, 0);
    // The diver runs out; the walk moves into its place.
    Tick(100 - HudSlideTicks);
    ASSERT_EQ(CarriedCount(), 1);
    EXPECT_EQ(Carried()->Items[0]->HudSlot, HudRowStart);
    EXPECT_GT(Carried()->Items[0]->HudSlideLeft, 0);
    Tick(HudSlideTicks);
    EXPECT_EQ(Carried()->Items[0]->HudPos, HudRowStart);
}

TEST_F(LevelBoosts, BodiesPassThroughTheObjectOfABoostTakenByOverlapOnly) {
    Load({{BoostType::Diamond, nullptr, {-150.0f, 0.0f, 150.0f, 290.0f}},
          {BoostType::Diamond, [](TBoost& b) { b.Activation = 2; }, {500.0f, 0.0f, 600.0f, 290.0f}},
          {BoostType::Diamond, [](TBoost& b) { b.Activation = 1; }, {800.0f, 0.0f, 900.0f, 290.0f}}});
    ASSERT_EQ(Level->SplineObjects.size(), 4u);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(Level->SplineObjects[size_t(i) + 1]->Boost, &Placed(i));
    auto edgesOf = [&](int32_t object) {
        return std::count_if(
            Level->CollisionEdges.begin(), Level->CollisionEdges.end(),
            [&](const TCollisionEdge& e) { return e.Owner == Level->SplineObjects[size_t(object)].get(); });
    };
    EXPECT_EQ(edgesOf(1), 0);
    EXPECT_GT(edgesOf(2), 0);
    EXPECT_GT(edgesOf(3), 0);
    // The object's own switch is stored as it was.
    EXPECT_TRUE(Level->SplineObjects[1]->Collide);
}

TEST_F(LevelBoosts, TheTakeSoundFollowsTheTypeAndTheLevelsTable) {
    using namespace BoostType;
    struct TCase {
        int32_t Type;
        std::string TakeSound;
        float Param1;
        std::string LevelEntry; // the level's own sound for the type
        std::string Want;
    };
    const TCase cases[] = {
        {Diamond, "default", 0, "", "Boosts\\Diamant.ogg"},
        {Diamond, " no sample", 0, "", ""},
        {Diamond, "Boosts\\mine.ogg", 0, "Boosts\\level.ogg", "Boosts\\mine.ogg"},
        {Diamond, "default", 0, "Boosts\\level.ogg", "Boosts\\level.ogg"},
        {Diamond, "default", 0, "default", "Boosts\\Diamant.ogg"},
        {Scaler, "default", 0.5f, "", "Boosts\\Scaler_down.ogg"},
        {Scaler, "default", 2.0f, "", "Boosts\\Scaler_up.ogg"},
        {Graviter, "default", 0, "", "Boosts\\Rotator.ogg"},
        {Hiccup, "default", 0, "", "FX\\ticks.ogg"},
        {Gate, "default", 0, "", ""},
        {Invisible, "default", 0, "", ""},
        {40, "default", 0, "", ""},
    };
    Load({});
    for (const TCase& c : cases) {
        TBoost b;
        b.Type = c.Type;
        b.TakeSound = c.TakeSound;
        b.SetParam1(c.Param1);
        Level->Boosts.TypeSounds.fill("");
        if (c.Type < BoostTypeCount) Level->Boosts.TypeSounds[size_t(c.Type)] = c.LevelEntry;
        EXPECT_EQ(Level->BoostHooks.TakeSoundOf(b), c.Want) << c.Type << " " << c.TakeSound;
    }
    // The morpher's sound by the material of the figure it makes.
    const std::pair<int32_t, const char*> morphs[] = {{1, "Boosts\\Morpher to mub.ogg"},
                                                      {2, "Boosts\\Morpher to wind.ogg"},
                                                      {3, "Boosts\\Morpher to water.ogg"},
                                                      {77, "Boosts\\Morpher to mub.ogg"}};
    Level->Boosts.TypeSounds.fill("");
    for (const auto& [figure, want] : morphs) {
        TBoost b;
        b.Type = Morpher;
        b.TakeSound = "default";
        b.SetParam1(figure);
        EXPECT_EQ(Level->BoostHooks.TakeSoundOf(b), want) << figure;
    }
}

TEST_F(LevelBoosts, TakingAndOpeningPlayTheirSounds) {
    using namespace BoostType;
    TSoundLog log;
    struct TCase {
        const char* Name;
        TPlacedBoost Boost;
        std::vector<std::string> Want;
    };
    const TCase cases[] = {
        {"a diamond", {Diamond}, {"Boosts\\Diamant.ogg"}},
        {"a graviter, a little lower", {Graviter}, {"Boosts\\Rotator.ogg"}},
        {"a teleport plays nothing when taken", {Teleport}, {}},
        {"a gate opens with its sound and is taken silently", {Gate}, {"FX\\openGate.ogg"}},
        {"a star", {Star}, {"Boosts\\StarTake.ogg"}},
        {"an invisible boost has none", {Invisible}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Load({c.Boost});
        log.Played.clear();
        Level->Physics.Sound = &log;
        Tick();
        std::vector<std::string> names;
        for (const auto& p : log.Played)
            names.push_back(p.Name);
        EXPECT_EQ(names, c.Want);
        for (const auto& p : log.Played) {
            if (c.Boost.Type == Graviter) {
                EXPECT_GE(p.Pitch, 0.87f);
                EXPECT_LT(p.Pitch, 1.0f);
            } else {
                EXPECT_EQ(p.Pitch, 1.0f);
            }
        }
        Level->Physics.UseNullSinks();
    }
}

TEST_F(LevelBoosts, AKeyItemIsTakenAndPutDownWithTheActionKey) {
    constexpr int32_t actionKey = 'A';
    TSoundLog log;
    Load({{BoostType::Invisible, [](TBoost& b) { b.IsKeyItem = 1; }}});
    TRollix& p = Player();
    p.KeyAction = uint16_t(actionKey);
    Tick();
    EXPECT_TRUE(Placed(0).Visible); // not without the key
    SetKey(actionKey, true);
    Tick();
    // Taken; the press is used up by the taking, so it is not put down at once.
    ASSERT_TRUE(Level->BoostHooks.FirstKeyItem(p));
    EXPECT_FALSE(Placed(0).Visible);
    Tick(5);
    ASSERT_TRUE(Level->BoostHooks.FirstKeyItem(p));
    SetKey(actionKey, false);
    Tick();
    Level->Physics.Sound = &log;
    SetKey(actionKey, true);
    Tick();
    // A new press puts it down where the player is.
    EXPECT_EQ(Level->BoostHooks.FirstKeyItem(p), nullptr);
    EXPECT_TRUE(Placed(0).Visible);
    EXPECT_TRUE(Placed(0).JustDropped);
    const TVec2 at = ShapeCentre(Placed(0));
    EXPECT_NEAR(at.X, p.Centre.X, 1.0f);
    EXPECT_NEAR(at.Y, p.Centre.Y, 1.0f);
    ASSERT_FALSE(log.Played.empty());
    EXPECT_EQ(log.Played.back().Name, "FX\\Crep.ogg");
    Level->Physics.UseNullSinks();
    SetKey(actionKey, false);
}

TEST_F(LevelBoosts, AGateThePlayerStaysInSwitchesOnceItsDelayHasRun) {
    Load({{BoostType::Gate, [](TBoost& b) { b.TargetLevel = "Next.map"; }}});
    Tick(2);
    EXPECT_EQ(Level->SwitchDelay, 100);
    EXPECT_TRUE(Level->TransitionActive);
    Tick(100);
    EXPECT_TRUE(Level->SwitchDue);
    EXPECT_EQ(Level->SwitchTarget, "Next.map");
}

TEST_F(LevelBoosts, AMenuGateOpensItsPageInsteadOfLeaving) {
    Load({{BoostType::Gate, [](TBoost& b) { b.SetBlockInt(12, 3); }}});
    Tick(2);
    EXPECT_EQ(Level->MenuPage, 3);
    EXPECT_FALSE(Level->TransitionActive);
    EXPECT_FALSE(Level->Finished);
    EXPECT_EQ(CarriedCount(), 0);
    // While the page is open the gate is not taken again.
    Tick(5);
    EXPECT_EQ(CarriedCount(), 0);
    EXPECT_EQ(Player().SwallowLeft, 0);
}

TEST_F(LevelBoosts, AGateOpensWithTheTargetScore) {
    for (int32_t target : {0, 50, 51}) {
        SCOPED_TRACE(target);
        Load({{BoostType::Diamond}, {BoostType::Gate}}, target);
        Tick();
        // The diamond's 50 points come after the gate's test in the same tick.
        EXPECT_EQ(Placed(1).Switch('A'), target == 0);
        Tick();
        EXPECT_EQ(Placed(1).Switch('A'), target <= 50);
    }
}

TEST_F(LevelBoosts, ATeleportWithSwitchESendsCreaturesInItsBox) {
    Load({{BoostType::Teleport,
           [](TBoost& b) {
               b.TypeBlock[13] = 1; // E
               b.SetParam1(-900.0f);
               b.SetParam2(100.0f);
           },
           {200.0f, 0.0f, 500.0f, 290.0f}}},
         0, {{350.0f, 150.0f}});
    Tick();
    const TRollix& creature = *Level->Characters.Items[1];
    EXPECT_TRUE(creature.Teleporting);
    EXPECT_EQ(creature.TeleportHalf, 50);
    EXPECT_EQ(creature.TeleportTargetX, -900.0f);
    EXPECT_EQ(creature.TeleportTargetY, 100.0f);
    EXPECT_FALSE(Player().Teleporting);
    EXPECT_TRUE(Placed(0).Visible); // only the player takes boosts
    Tick(100);
    EXPECT_FALSE(creature.Teleporting);
    EXPECT_LT(creature.Centre.X, -500.0f);
}

TEST_F(LevelBoosts, TheQuestsAreToldWhenTheTakesAreCountedDown) {
    Load({{BoostType::Diamond, [](TBoost& b) {
               b.QuestCount = 2;
               b.RespawnTime = 50;
           }}});
    TQuestLog quests(*Level);
    Level->BoostHooks.Quests = &quests;
    Tick(250);
    // Taken at ticks 1, 102 and 203: the second take tells them, and every one after it.
    EXPECT_EQ(quests.Taken, (std::vector<std::pair<int32_t, int32_t>>{{0, 102}, {0, 203}}));
    Level->BoostHooks.UseDefaultLinks();
}

TEST_F(LevelBoosts, AKeyItemTheQuestsDoNotAllowStays) {
    Load({{BoostType::Invisible, [](TBoost& b) {
               b.IsKeyItem = 1;
               b.AutoUse = 1;
           }}});
    TQuestLog quests(*Level);
    quests.KeysAllowed = false;
    Level->BoostHooks.Quests = &quests;
    Tick(3);
    EXPECT_TRUE(Placed(0).Visible);
    EXPECT_EQ(CarriedCount(), 0);
    quests.KeysAllowed = true;
    Tick();
    EXPECT_FALSE(Placed(0).Visible);
    EXPECT_TRUE(Level->BoostHooks.FirstKeyItem(Player()));
    Level->BoostHooks.UseDefaultLinks();
}

TEST_F(LevelBoosts, ATakenBoostShowsItsLinksAndTintsTheMainLight) {
    Load({{BoostType::Diamond,
           [](TBoost& b) {
               b.Links = {1, 7}; // the second names no boost
               b.TintColour = {0, 0, 255, 255};
               b.TintBlend = 0.25f;
           }},
          {BoostType::Diamond, [](TBoost& b) { b.StartsHidden = 1; }, {500.0f, 0.0f, 600.0f, 290.0f}}});
    EXPECT_FALSE(Placed(1).Visible);
    EXPECT_FALSE(Level->SplineObjects[2]->Visible);
    const TLightColor before = Level->Lights.BaseLights[0]->CurrentColor;
    Tick();
    EXPECT_FALSE(Placed(0).Visible);
    EXPECT_TRUE(Placed(1).Visible);
    EXPECT_TRUE(Level->SplineObjects[2]->Visible);
    const TLight& light = *Level->Lights.BaseLights[0];
    const float tint[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(light.FadeTo[i], before[i] + (tint[i] - before[i]) * 0.25f) << i;
}

TEST_F(LevelBoosts, ABoostTakenByTouchKeepsItsObjectSolidAndInSight) {
    Load({{BoostType::Diamond, [](TBoost& b) { b.Activation = 1; }, {-100.0f, 250.0f, 100.0f, 280.0f}}});
    Tick();
    EXPECT_TRUE(Placed(0).Visible); // not by overlap
    Tick(150);
    EXPECT_FALSE(Placed(0).Visible);
    EXPECT_EQ(Player().Points, 50);
    EXPECT_TRUE(Level->SplineObjects[1]->Visible);
    // The player rests on it.
    EXPECT_LT(Player().Bounds.Bottom, 252.0f);
    EXPECT_GT(Player().Bounds.Bottom, 240.0f);
}

TEST_F(LevelBoosts, TheObjectsKnowWhichBoostsThePlayerCarries) {
    Load({{BoostType::Diver}, {BoostType::Diver, nullptr, {500.0f, 0.0f, 600.0f, 290.0f}}});
    const auto& carries = Level->ObjectWorld.PlayerCarries;
    ASSERT_TRUE(carries);
    EXPECT_FALSE(carries(Placed(0)));
    Tick();
    EXPECT_TRUE(carries(Placed(0)));
    EXPECT_FALSE(carries(Placed(1)));
}

// A cup of ground with a pool (the surface at 100, the floor at 200), the
// player deep in it at (200, 150), and a diver around it when asked for.
std::vector<uint8_t> DiverPoolBytes(bool diver) {
    TLevel level;
    level.Header.LevelTitle = "Diver pool";
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeGround(
        level, {{0, 0}, {20, 0}, {20, 200}, {380, 200}, {380, 0}, {400, 0}, {400, 240}, {0, 240}}));
    auto water = std::make_unique<TWater>();
    water->SeedX = 200;
    water->RestLevel = 100;
    level.Waters.push_back(std::move(water));
    if (diver) {
        level.SplineObjects.push_back(MakeGround(level, {{100, 60}, {300, 60}, {300, 190}, {100, 190}}));
        auto b = std::make_unique<TBoost>();
        b->Type = b->TypeBlock[0] = BoostType::Diver;
        b->Activation = 0;
        b->ShapeIndices = {1};
        level.Boosts.Items.push_back(std::move(b));
    }
    TRollix* c = level.Characters.AddListed();
    c->StartFigure = 1;
    c->StartX = 200.0f;
    c->StartY = 150.0f;
    return WriteLevelBytes(level);
}

TEST_F(LevelBoosts, UnderWaterTheDiverKeepsTheAirFull) {
    for (bool diver : {false, true}) {
        SCOPED_TRACE(diver ? "with the diver" : "without");
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(DiverPoolBytes(diver)));
        Tick(60);
        ASSERT_TRUE(Player().HalfInWater);
        if (diver)
            EXPECT_EQ(Player().Oxygen, 6000);
        else
            EXPECT_LT(Player().Oxygen, 6000 - 50);
    }
}

TEST(GateTarget, MenusAndTheMainMenuAreReplaced) {
    struct TCase {
        const char* Target;
        const char* Title;
        const char* Want;
    };
    const TCase cases[] = {
        {"", "Boosts", "_Menu_.map"},
        {"", "GAMEMENU", ""},
        {"_MAINMENU_.MAP", "Boosts", "Zestars.map"},
        {"Levels\\_mainmenu_.map", "GAMEMENU", "Zestars.map"},
        {"Tutorial 2.map", "Boosts", "Tutorial 2.map"},
        {"_mainmenu_.map.bak", "Boosts", "_mainmenu_.map.bak"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(GateTarget(c.Target, c.Title), c.Want) << c.Target << " from " << c.Title;
}

} // namespace

namespace {
TEST_F(LevelBoosts, TheLevelListsTheSoundsItsBoostsPlay) {
    using namespace BoostType;
    Load({{Diamond, nullptr, {500.0f, 0.0f, 600.0f, 100.0f}},
          {Gate, nullptr, {700.0f, 0.0f, 800.0f, 100.0f}},
          {Scaler,
           [](TBoost& b) {
               b.TakeSound = " no sample";
               b.ShowSound = "Untitled\\Pop.ogg";
               b.VoiceName = "xRollix\\jupi.ogg";
           },
           {900.0f, 0.0f, 1000.0f, 100.0f}}});
    const std::vector<std::string> names = Level->ListUsedResources();
    const auto has = [&](const std::string& n) { return std::count(names.begin(), names.end(), n) == 1; };
    EXPECT_TRUE(has("Boosts\\Diamant.ogg"));
    EXPECT_TRUE(has("FX\\openGate.ogg"));
    EXPECT_TRUE(has("Untitled\\Pop.ogg"));
    EXPECT_TRUE(has("xRollix\\jupi.ogg"));
    for (const char* none : {"default", " no sample", "Boosts\\Scaler_up.ogg"})
        EXPECT_FALSE(has(none)) << none;
}
} // namespace

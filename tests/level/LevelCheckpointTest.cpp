// Restarts after a death: the player goes back to the newest checkpoint it
// reached, in the figure it had there, while the rest of the level goes on;
// without a reached checkpoint, or when the restart does not keep it, the
// whole level starts again.
#include "LevelWorld.h"

#include "level/Mechanics.h"
#include "render/RenderContext.h"

#include <cmath>
#include <string>
#include <vector>

using namespace level_world;

namespace {

constexpr TVec2 PlayerStart{0.0f, 150.0f};
// The checkpoint's box and its centre, well away from the player's start.
constexpr TBox2 CheckpointBox{-200.0f, -300.0f, 600.0f, 290.0f};
constexpr TVec2 CheckpointCentre{200.0f, -5.0f};
// A box the player never reaches.
constexpr TBox2 FarBox{1500.0f, 0.0f, 1700.0f, 290.0f};

// A wide floor at 300, the player (figure 1) starting at (0, 150) inside a
// Morpher to figure 4, and a checkpoint drawn by the given box; both are
// taken by touching their bodies, the Morpher first. With takings, a
// Diamond and an auto-use key item lie at the start too.
std::vector<uint8_t> CheckpointLevelBytes(TBox2 checkpoint, bool takings = false) {
    TLevel level;
    level.Header.LevelTitle = "Checkpoints";
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
    auto add = [&](int32_t type, TBox2 r) { return &AddBoxBoost(level, type, r); };
    add(BoostType::Morpher, {-150.0f, 0.0f, 150.0f, 290.0f})->SetParam1(int32_t(4));
    add(BoostType::CheckPoint, checkpoint);
    if (takings) {
        add(BoostType::Diamond, {-150.0f, 0.0f, 150.0f, 290.0f})->PointsValue = 70;
        TBoost* key = add(BoostType::Invisible, {-150.0f, 0.0f, 150.0f, 290.0f});
        key->IsKeyItem = 1;
        key->AutoUse = 1;
    }
    AddStartingCharacter(level, PlayerStart);
    return WriteLevelBytes(level);
}

class LevelCheckpoints : public TLevelTest {
  public:
    TArchive Archive{"checkpoints", {{"Objects\\Figures\\", "0004.gms", FigureBytes(4)}}};
};

TEST_F(LevelCheckpoints, ARestartAfterADeathStartsFromTheNewestCheckpointWhenItKeepsOne) {
    struct TCase {
        const char* Name;
        TBox2 Checkpoint;
        // How the restart comes: the player bursts (the death check keeps
        // the checkpoint), or the level asks for a full restart.
        bool ByDeath;
        bool AtCheckpoint;
    };
    const TCase cases[] = {
        {"a death after the checkpoint", CheckpointBox, true, true},
        {"a death before any checkpoint", FarBox, true, false},
        {"a restart that keeps no checkpoint", CheckpointBox, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(CheckpointLevelBytes(c.Checkpoint)));
        PlayTicks(*Level, 100);
        TRollix& p = *Level->Player();
        ASSERT_EQ(p.FigureNumber, 4);
        const TBoost& checkpoint = *Level->Boosts.Items[1];
        const int32_t reachedAt = checkpoint.Param1Int();
        EXPECT_EQ(reachedAt, c.Checkpoint.Left == CheckpointBox.Left ? 1 : -1);

        if (c.ByDeath)
            p.Damage = 100.0f;
        else
            Level->ScheduleRestart(400, false);
        int32_t ran = 0;
        do {
            PlayTicks(*Level);
            ++ran;
        } while (Level->RestartPending && ran < 1000);
        ASSERT_FALSE(Level->RestartPending);
        EXPECT_EQ(ran, 400);

        TRollix& q = *Level->Player();
        EXPECT_FALSE(q.Dead);
        EXPECT_TRUE(q.Present);
        EXPECT_EQ(Level->Characters.Count(), 1) << "the pieces of the burst body are gone";
        if (c.AtCheckpoint) {
            EXPECT_EQ(Level->TickCounter, 100 + ran);
            EXPECT_EQ(checkpoint.Param1Int(), reachedAt);
            EXPECT_EQ(checkpoint.Param2Int(), 4);
            EXPECT_EQ(Level->BoostHooks.NewestCheckpoint(), &checkpoint);
            EXPECT_EQ(q.FigureNumber, 4);
            EXPECT_NEAR(q.Centre.X, CheckpointCentre.X, 1.0f);
            EXPECT_NEAR(q.Centre.Y, CheckpointCentre.Y, 1.0f);
        } else {
            EXPECT_EQ(Level->TickCounter, 0);
            EXPECT_EQ(checkpoint.Param1Int(), -1);
            EXPECT_EQ(Level->BoostHooks.NewestCheckpoint(), nullptr);
            EXPECT_EQ(q.FigureNumber, 1);
            EXPECT_NEAR(q.Centre.X, PlayerStart.X, 1.0f);
            EXPECT_NEAR(q.Centre.Y, PlayerStart.Y, 1.0f);
        }
        EXPECT_EQ(q.Damage, 0.0f);

        // The level plays on from there.
        PlayTicks(*Level, 5);
        EXPECT_FALSE(Level->Player()->Dead);
        Level.reset();
    }
}

// The boosts keep their state at a checkpoint restart, so what the player
// took from them stays: the points (or the gate might never open) and the
// key item, which goes back to its own place (or no door could open again).
TEST_F(LevelCheckpoints, ACheckpointRestartKeepsThePointsAndPutsTheKeyItemBack) {
    Level = std::make_unique<TLevel>();
    ASSERT_TRUE(Level->LoadFromBytes(CheckpointLevelBytes(CheckpointBox, true)));
    PlayTicks(*Level, 100);
    TRollix& p = *Level->Player();
    const TBoost& key = *Level->Boosts.Items[3];
    ASSERT_EQ(Level->BoostHooks.FirstKeyItem(p) ? Level->BoostHooks.FirstKeyItem(p)->Source : nullptr, &key);
    ASSERT_FALSE(key.Visible);
    const int32_t points = p.Points;
    ASSERT_GE(points, 70);
    p.Damage = 100.0f;
    for (int32_t i = 0; i < 1000 && (Level->Player()->Dead || Level->RestartPending || i == 0); ++i)
        PlayTicks(*Level);
    TRollix& q = *Level->Player();
    ASSERT_FALSE(q.Dead);
    EXPECT_NEAR(q.Centre.X, CheckpointCentre.X, 1.0f);
    EXPECT_EQ(q.Points, points);
    EXPECT_EQ(Level->BoostHooks.FirstKeyItem(q), nullptr);
    EXPECT_TRUE(key.Visible);
    const TVec2 at = ShapeCentre(key);
    EXPECT_NEAR(at.X, 0.0f, 1.0f);
    EXPECT_NEAR(at.Y, 145.0f, 1.0f);
}

} // namespace

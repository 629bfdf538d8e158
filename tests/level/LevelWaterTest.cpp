// A level with a pool, a spout and a wind over it, written and loaded: the
// pool is traced along the level's ground at loading, the characters find it,
// the wind and the spout work in the tick, a restart puts everything back,
// and two runs of the same file play the same.
#include "LevelWorld.h"

#include "app/StateHash.h"

#include <gtest/gtest.h>

using namespace level_world;

namespace {
class LevelWater : public ::testing::Test {
  protected:
    void SetUp() override { ResetLevelGlobals(); }
    void TearDown() override {
        Level.reset();
        ResetLevelGlobals();
    }
    TLevel& Load() {
        Level.reset();
        ResetLevelGlobals();
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(Bytes));
        return *Level;
    }
    void Tick(int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            Level->StepPlay(1);
            Level->CheckRestartTimer();
        }
    }
    uint64_t StateHash() const {
        TStateHash h;
        for (const auto& w : Level->Waters) {
            for (const TWavePoint& p : w->WavePoints)
                h.AddFloat(p.Vertex ? p.Vertex->Y : -1.0f);
            for (const TBubbleSpout& s : w->Spouts)
                for (const TBubble& b : s.Bubbles) {
                    h.AddFloat(b.Pos.X);
                    h.AddFloat(b.Pos.Y);
                }
        }
        for (const auto& c : Level->Characters.Items)
            for (const TRollixVertex& v : c->Vertices) {
                h.AddFloat(v.Pos.X);
                h.AddFloat(v.Pos.Y);
            }
        return h.Value;
    }

    TArchive Archive{"water"};
    std::vector<uint8_t> Bytes = PoolLevelBytes({100.0f, 150.0f}, true);
    std::unique_ptr<TLevel> Level;
};
} // namespace

TEST_F(LevelWater, PoolIsTracedAtLoadingAndWorksInTheTick) {
    TLevel& level = Load();
    ASSERT_EQ(level.Waters.size(), 1u);
    TWater& water = *level.Waters[0];
    EXPECT_TRUE(water.Closed);
    EXPECT_NEAR(OutlineArea2(water.Outline) / 2, 360.0 * 100.0, 1.0);
    EXPECT_EQ(level.FindWaterAt({200, 150}), &water);
    EXPECT_EQ(level.FindWaterAt({200, 90}), nullptr);
    EXPECT_EQ(level.Physics.Waters, &level.WaterHooks);

    Tick(6);
    TRollix& player = *level.Player();
    EXPECT_GT(player.InWaterCount, 0) << "the player stands in the pool";
    EXPECT_EQ(player.Water, &water);
    EXPECT_EQ(water.Spouts[0].EmitCount, 9) << "1.5 bubbles a tick";
    bool waves = false;
    for (const TWavePoint& p : water.WavePoints)
        waves = waves || p.Vertex->Y != 100.0f;
    EXPECT_TRUE(waves) << "the wind makes waves";

    level.RestartLevel(false, false);
    EXPECT_TRUE(water.Spouts[0].Bubbles.empty());
    EXPECT_EQ(water.Spouts[0].EmitCount, 0);
    for (const TWavePoint& p : water.WavePoints) {
        EXPECT_EQ(p.Vertex->Y, 100.0f);
        EXPECT_EQ(p.Speed, 0.0f);
    }
    EXPECT_EQ(level.Winds[0]->Origin, (TVec2{200, 0}));
}

TEST_F(LevelWater, TwoRunsOfTheSameFilePlayTheSame) {
    Load();
    Tick(120);
    const uint64_t first = StateHash();
    Load();
    Tick(120);
    EXPECT_EQ(StateHash(), first);
    // A restart plays the same again.
    Level->RestartLevel(false, false);
    Tick(120);
    EXPECT_EQ(StateHash(), first);
}

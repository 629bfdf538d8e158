// Winds bound to a boost's object in a level written by the level writer: a
// wind that follows its boost blows while the boost is shown (a gate only
// once it is open), and one that needs a carried boost blows while the
// player carries an effect taken from that boost.
#include "LevelWorld.h"

#include "level/Mechanics.h"
#include "render/RenderContext.h"

#include <functional>
#include <string>
#include <vector>

using namespace level_world;

namespace {

// The player's start lies in this box: a boost drawn by it is taken at once.
constexpr TBox2 StartBox{-150.0f, 0.0f, 150.0f, 290.0f};
constexpr TBox2 AsideBox{500.0f, 100.0f, 700.0f, 290.0f};

struct TWindCase {
    const char* Name;
    int32_t BoostType;
    TBox2 Box;
    bool FollowsBoost;
    bool NeedsCarriedBoost;
    int32_t TargetScore;
    // Whether the wind blows after the first tick, and after the change.
    bool ActiveFirst;
    std::function<void(TLevel&)> Change;
    bool ActiveAfter;
};

// A wide floor at 300, the player starting at (0, 150), one boost drawn by
// the box and a wind bound to the boost's object.
std::vector<uint8_t> WindLevelBytes(const TWindCase& c) {
    TLevel level;
    level.Header.LevelTitle = "Boost winds";
    level.Header.TargetScore = c.TargetScore;
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
    TBoost& b = AddBoxBoost(level, c.BoostType, c.Box);
    b.RespawnTime = 0;
    b.Duration = 1000;
    auto wind = std::make_unique<TWind>();
    wind->BaseOrigin = wind->Origin = {-1000, 0};
    wind->BaseTarget = wind->Target = {-1000, 100};
    wind->ConeAngle = 1.0f;
    wind->Strength = 1.0f;
    wind->LinkedShapeIndex = 1;
    wind->FollowsBoost = c.FollowsBoost;
    wind->NeedsCarriedBoost = c.NeedsCarriedBoost;
    wind->Recompute();
    level.Winds.push_back(std::move(wind));
    AddStartingCharacter(level, {0.0f, 150.0f});
    return WriteLevelBytes(level);
}

class LevelBoostWinds : public TLevelTest {
  public:
    TArchive Archive{"boost-winds"};
};

TEST_F(LevelBoostWinds, AWindBoundToABoostBlowsAsItsBoostAllows) {
    const std::vector<TWindCase> cases = {
        {"following a shown boost, until it is taken", BoostType::Diamond, AsideBox, true, false, 0, true,
         [](TLevel& l) { l.Boosts.Items[0]->Shape->MoveBy(-600.0f, 0.0f, false); }, false},
        {"following a gate: closed, then open", BoostType::Gate, AsideBox, true, false, 1000, false,
         [](TLevel& l) { l.Player()->Points = 1000; }, true},
        {"needing a carried boost, once it is taken", BoostType::Diver, AsideBox, false, true, 0, false,
         [](TLevel& l) { l.Boosts.Items[0]->Shape->MoveBy(-600.0f, 0.0f, false); }, true},
        {"needing a carried boost, after the effect is gone", BoostType::Diver, StartBox, false, true, 0,
         true, [](TLevel& l) { l.BoostHooks.ClearEffects(*l.Player()); }, false},
    };
    for (const TWindCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(WindLevelBytes(c)));
        ASSERT_EQ(Level->Winds[0]->LinkedShape, Level->Boosts.Items[0]->Shape);
        PlayTicks(*Level);
        EXPECT_EQ(Level->Winds[0]->Active, c.ActiveFirst);
        c.Change(*Level);
        PlayTicks(*Level, 3);
        EXPECT_EQ(Level->Winds[0]->Active, c.ActiveAfter);
        Level.reset();
    }
}

} // namespace

// The lights of boosts in a level written by the level writer: a boost's own
// light becomes a point light of the level's list, lights of the light
// section link to the boost they name when it exists, a linked light sits at
// the boost's object, is dark while its boost is not shown, fades out when
// the boost is taken and in again when it comes back, and the level's file
// stays as it was read.
#include "LevelWorld.h"

#include "level/Mechanics.h"
#include "render/RenderContext.h"

#include <string>
#include <vector>

using namespace level_world;

namespace {

constexpr TLightColor Warm{0.8f, 0.6f, 0.2f, 1.0f};
constexpr TLightColor Black{0.0f, 0.0f, 0.0f, 1.0f};

std::vector<uint8_t> LightRecord(TLightColor colour) {
    TLight l;
    l.StoredColor = colour;
    l.Radius = 150.0f;
    TByteWriter w;
    l.Write(w);
    return w.Bytes;
}

struct TLightBoostPlan {
    TBox2 Box;
    bool OwnLight = false;
    uint8_t StartsHidden = 0;
    int32_t RespawnTime = 0;
};

// A wide floor at 300, the player starting at (0, 150), one Diamond per
// plan (taken by touching its body), and section lights naming the boosts
// given (−1: none).
std::vector<uint8_t> LightLevelBytes(const std::vector<TLightBoostPlan>& boosts,
                                     const std::vector<int32_t>& sectionLinks) {
    TLevel level;
    level.Header.LevelTitle = "Boost lights";
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
    for (const TLightBoostPlan& p : boosts) {
        TBoost& b = AddBoxBoost(level, BoostType::Diamond, p.Box);
        b.StartsHidden = p.StartsHidden;
        b.RespawnTime = p.RespawnTime;
        if (p.OwnLight) b.LightRecord = LightRecord(Warm);
    }
    for (int32_t link : sectionLinks) {
        auto l = std::make_unique<TLight>(&level.Lights);
        l->StoredColor = Warm;
        l->BoostIndex = link;
        level.Lights.PointLights.push_back(std::move(l));
    }
    AddStartingCharacter(level, {0.0f, 150.0f});
    return WriteLevelBytes(level);
}

class LevelBoostLights : public TLevelTest {
  public:
    TLevel& Load(const std::vector<uint8_t>& bytes) {
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(bytes));
        return *Level;
    }
    TLight* LightOf(int32_t boost) { return Level->BoostLights.at(size_t(boost))->Light; }
    TArchive Archive{"boost-lights"};
};

// Away from the player's start: nothing is taken.
constexpr TBox2 AsideBox{500.0f, 100.0f, 700.0f, 290.0f};
constexpr TBox2 OtherBox{-900.0f, 100.0f, -700.0f, 290.0f};

TEST_F(LevelBoostLights, LightsAreLinkedToTheBoostsTheyBelongToAndTheFileStaysAsItWas) {
    // Boost 0 has its own light, boost 1 none; the section's lights name
    // boost 1, no boost, and a boost the level does not have.
    const std::vector<uint8_t> bytes = LightLevelBytes({{AsideBox, true}, {OtherBox, false}}, {1, -1, 7});
    TLevel& level = Load(bytes);
    ASSERT_EQ(level.BoostLights.size(), 2u);
    ASSERT_EQ(level.Lights.PointLights.size(), 4u);

    TLight* own = LightOf(0);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own, level.Lights.PointLights[3].get()) << "the level's light list owns the boost's light";
    EXPECT_EQ(own->Boost, level.BoostLights[0].get());
    EXPECT_EQ(own->StoredColor, Warm);
    EXPECT_TRUE(PointInBox({own->Position[0], own->Position[1]}, level.Boosts.Items[0]->Shape->Body.Bounds));

    EXPECT_EQ(LightOf(1), level.Lights.PointLights[0].get());
    EXPECT_EQ(level.Lights.PointLights[0]->Boost, level.BoostLights[1].get());
    EXPECT_TRUE(
        PointInBox({level.Lights.PointLights[0]->Position[0], level.Lights.PointLights[0]->Position[1]},
                   level.Boosts.Items[1]->Shape->Body.Bounds));
    EXPECT_EQ(level.Lights.PointLights[1]->Boost, nullptr);
    EXPECT_EQ(level.Lights.PointLights[2]->Boost, nullptr)
        << "a link to no boost of the level is passed over";

    // Written again (the linked lights where their boosts put them), the
    // boost's light stays in the boost's record only, and the file reads
    // back to the same level.
    const std::vector<uint8_t> written = WriteLevelBytes(level);
    TLevel& again = Load(written);
    EXPECT_EQ(again.Lights.PointLights.size(), 4u);
    EXPECT_EQ(again.BoostLights[1]->Light, again.Lights.PointLights[0].get());
    EXPECT_EQ(WriteLevelBytes(again), written);
}

TEST_F(LevelBoostLights, ABoostsLightMovesWithItsObject) {
    Load(LightLevelBytes({{AsideBox, true}, {OtherBox, false}}, {1}));
    for (int32_t boost : {0, 1}) {
        SCOPED_TRACE(boost);
        TLight& light = *LightOf(boost);
        const TVec2 before{light.Position[0], light.Position[1]};
        Level->Boosts.Items[size_t(boost)]->Shape->MoveBy(300.0f, -40.0f, true);
        EXPECT_FLOAT_EQ(light.Position[0], before.X + 300.0f);
        EXPECT_FLOAT_EQ(light.Position[1], before.Y - 40.0f);
        EXPECT_TRUE(PointInBox({light.Position[0], light.Position[1]},
                               Level->Boosts.Items[size_t(boost)]->Shape->Body.Bounds));
    }
}

TEST_F(LevelBoostLights, ABoostsLightIsDarkWhileItIsNotShownAndFadesWithIt) {
    // Boost 0 holds the player's start and is taken at once, then comes
    // back (the player has rolled away by then); boost 1 starts hidden.
    Load(LightLevelBytes({{{-150.0f, 0.0f, 150.0f, 200.0f}, true, 0, 400}, {AsideBox, true, 1}}, {}));
    EXPECT_EQ(LightOf(0)->CurrentColor, Warm);
    EXPECT_EQ(LightOf(1)->CurrentColor, Black) << "a hidden boost's light waits dark";

    PlayTicks(*Level);
    ASSERT_FALSE(Level->Boosts.Items[0]->Visible) << "taken";
    PlayTicks(*Level, 124);
    const TLightColor half = LightOf(0)->CurrentColor;
    EXPECT_LT(half[0], Warm[0]);
    EXPECT_GT(half[0], 0.0f);
    PlayTicks(*Level, 125);
    EXPECT_EQ(LightOf(0)->CurrentColor, Black) << "faded out over 250 ticks";
    EXPECT_EQ(LightOf(1)->CurrentColor, Black);

    int32_t waited = 0;
    while (!Level->Boosts.Items[0]->Visible && waited < 1000) {
        PlayTicks(*Level);
        ++waited;
    }
    ASSERT_TRUE(Level->Boosts.Items[0]->Visible) << "shown again";
    PlayTicks(*Level, 250);
    EXPECT_EQ(LightOf(0)->CurrentColor, Warm) << "faded in over 250 ticks";
    EXPECT_TRUE(Level->Boosts.Items[0]->Visible);

    // A restart puts each light back as its boost starts.
    Level->RestartLevel(false, false);
    EXPECT_EQ(LightOf(0)->CurrentColor, Warm);
    EXPECT_EQ(LightOf(1)->CurrentColor, Black);
}

} // namespace

// The game keeps its players: the profiles load with the game manager, a
// finished game level stores the current player's result and saves it, and
// the play ticks in game levels count for the player.
#include "LevelWorld.h"

#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "game/GameMan.h"
#include "game/MubDat.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace level_world;
namespace fs = std::filesystem;

namespace {
class GameProfilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLevelGlobals();
        Archive = std::make_unique<TArchive>("profiles");
        std::vector<TMassFileInput> levels;
        for (const char* name : {"Tutorial 03.map", "Rolling.map"})
            levels.push_back({"Levels\\", name, WritePlannedLevel({{{0.0f, 150.0f}}})});
        Archive->Add(levels);
        ResetLevelGlobals();
        Dir = fs::temp_directory_path() / ("rollix-profiles-" + std::to_string(::getpid()));
        fs::remove_all(Dir);
        GameDataFile = (Dir / "MubDat.ini").string();
        // Two stored players, the second current.
        TGameRecords stored;
        stored.AddPlayer(u"Ann");
        stored.AddPlayer(u"Bob");
        ASSERT_TRUE(SaveGameData(stored, GameDataFile));
        InstallGameHooks();
    }
    void TearDown() override {
        ResetGame();
        GameDataFile.clear();
        Archive.reset();
        ResetLevelGlobals();
        fs::remove_all(Dir);
    }
    // The profile file as the next start reads it.
    std::unique_ptr<TGameRecords> Saved() const {
        auto read = std::make_unique<TGameRecords>();
        std::string notice;
        EXPECT_TRUE(LoadGameData(*read, GameDataFile, notice));
        return read;
    }
    std::unique_ptr<TArchive> Archive;
    fs::path Dir;
};
} // namespace

TEST_F(GameProfilesTest, AFinishedGameLevelStoresTheResultOfTheCurrentPlayer) {
    ASSERT_TRUE(GameHooks.LoadLevel("Tutorial 03.map"));
    ASSERT_NE(GameMan->CurrentPlayer, nullptr);
    EXPECT_EQ(GameMan->PlayerName(), u"Bob");
    int32_t finishTick = 0, score = 0, ticksAtFinish = 0;
    RunScriptedTicks(100, TInputScript{}, [&](int32_t tick) {
        if (tick != 60) return;
        TRollix* p = CurrentLevel->Player();
        p->Points = 35;
        finishTick = p->FinishTick;
        score = p->TotalScore();
        ticksAtFinish = GameMan->CurrentPlayer->PlayTicks;
        CurrentLevel->FinishLevel();
    });
    ASSERT_GT(finishTick, 0);
    // Every running tick of the level counted for the player.
    EXPECT_EQ(GameMan->CurrentPlayer->PlayTicks, CurrentLevel->TickCounter);

    const auto saved = Saved();
    ASSERT_EQ(saved->Players.size(), 2u);
    const TMubPlayer& bob = *saved->CurrentPlayer;
    EXPECT_EQ(bob.PlayerName, u"Bob");
    EXPECT_EQ(bob.LastLevel, "Tutorial 03.map");
    const TFinishedLevel* result = bob.Finished("Tutorial 03.map");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->LastTime, finishTick);
    EXPECT_EQ(result->BestTime, finishTick); // the placeholder −1 gave way
    EXPECT_EQ(result->LastScore, score);
    EXPECT_EQ(result->Jewels, 35);
    EXPECT_EQ(result->Jewels + result->Secrets + result->Bonus, score);
    EXPECT_GT(ticksAtFinish, 50);
    EXPECT_EQ(bob.PlayTicks, ticksAtFinish); // the ticks up to the stored result
    EXPECT_EQ(saved->Players[0]->Finished("Tutorial 03.map")->LastTime, -1);
    // Bob's time beats the made-up records; his 35 points beat none of them.
    EXPECT_EQ(saved->LevelTable[2].BestTimes[0].PlayerName, u"Bob");
    EXPECT_EQ(saved->LevelTable[2].BestTimes[0].Time, finishTick);
    EXPECT_EQ(saved->LevelTable[2].BestScores[5].PlayerName, u"Bob");
}

TEST_F(GameProfilesTest, LevelsOutsideTheTableStoreNothingAndCountNoTime) {
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    const auto before = LoadPlainFile(GameDataFile);
    RunScriptedTicks(50, TInputScript{}, [](int32_t tick) {
        if (tick == 30) CurrentLevel->FinishLevel();
    });
    EXPECT_EQ(GameMan->FinishedLevel, "Rolling.map"); // noted for the report all the same
    EXPECT_EQ(GameMan->CurrentPlayer->PlayTicks, 0);
    EXPECT_EQ(GameMan->CurrentPlayer->Finished("Rolling.map"), nullptr);
    EXPECT_EQ(LoadPlainFile(GameDataFile), before);
}

TEST_F(GameProfilesTest, WithoutAPlayerAFinishedLevelIsOnlyNoted) {
    fs::remove_all(Dir);
    ASSERT_TRUE(GameHooks.LoadLevel("Tutorial 03.map"));
    EXPECT_EQ(GameMan->CurrentPlayer, nullptr);
    EXPECT_TRUE(GameMan->TakeDataNotice().empty());
    RunScriptedTicks(50, TInputScript{}, [](int32_t tick) {
        if (tick == 30) CurrentLevel->FinishLevel();
    });
    EXPECT_EQ(GameMan->FinishedAtTick, 30);
    EXPECT_FALSE(fs::exists(GameDataFile));
}

TEST_F(GameProfilesTest, ADamagedProfileIsToldOnce) {
    { std::ofstream(GameDataFile, std::ios::trunc) << "not a profile"; }
    ASSERT_TRUE(GameHooks.LoadLevel("Tutorial 03.map"));
    EXPECT_EQ(GameMan->CurrentPlayer, nullptr);
    EXPECT_NE(GameMan->TakeDataNotice().find("damaged"), std::string::npos);
    EXPECT_TRUE(GameMan->TakeDataNotice().empty());
}

// The game manager's level slots, the textures they keep resident, and the
// headless runner playing real levels from the archive.
#include "LevelWorld.h"

#include "app/CommandLine.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/MainLoop.h"
#include "game/CurrentLevelLoop.h"
#include "game/GameMan.h"

#include <fstream>
#include <sstream>

using namespace level_world;

namespace {

// Two levels written with the textures of the archive present.
std::vector<TMassFileInput> TwoLevels() {
    TLevelPlan rolling;
    rolling.Characters = {{0.0f, 150.0f}, {600.0f, -200.0f}};
    TLevelPlan falling;
    falling.Characters = {{-500.0f, -800.0f}};
    std::vector<TMassFileInput> levels = {{"Levels\\", "Rolling.map", WritePlannedLevel(rolling)},
                                          {"Levels\\", "Falling.map", WritePlannedLevel(falling)}};
    ResetLevelGlobals();
    return levels;
}

class GameManTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLevelGlobals();
        Archive = std::make_unique<TArchive>("slots");
        Archive->Add(TwoLevels());
        InstallGameHooks();
    }
    void TearDown() override {
        ResetGame();
        Archive.reset();
        ResetLevelGlobals();
    }
    std::unique_ptr<TArchive> Archive;
};

TEST_F(GameManTest, LoadingFillsTheCurrentSlotAndReplacesItsLevel) {
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    ASSERT_TRUE(GameMan);
    TLevel* first = GameMan->CurrentSlotLevel;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, GameMan->LevelSlotA.get());
    EXPECT_EQ(CurrentLevel, first);
    EXPECT_EQ(LoopLevel, &CurrentLevelLoop);
    EXPECT_EQ(LoopLevel->FileName(), "Rolling.map");
    EXPECT_EQ(first->Characters.Count(), 2);
    EXPECT_EQ(GameMan->OtherSlotLevel, nullptr);
    EXPECT_EQ(GameMan->OtherLevel(first), nullptr);

    // The next load replaces the level in the same slot.
    ASSERT_TRUE(GameMan->LoadLevel("Falling.map"));
    EXPECT_EQ(GameMan->CurrentSlotLevel, GameMan->LevelSlotA.get());
    EXPECT_EQ(LoopLevel->FileName(), "Falling.map");
    EXPECT_EQ(CurrentLevel->Characters.Count(), 1);
    EXPECT_FALSE(GameMan->LevelSlotB);
}

TEST_F(GameManTest, SwappingMakesTheOtherSlotCurrent) {
    ASSERT_TRUE(GameMan == nullptr);
    GameMan = std::make_unique<TGameMan>();
    ASSERT_TRUE(GameMan->LoadLevel("Rolling.map"));
    TLevel* a = GameMan->LevelSlotA.get();
    // Fill the other slot the way a level switch does: make it current, load.
    GameMan->LevelSlotB = std::make_unique<TLevel>();
    GameMan->SetCurrentLevel(GameMan->LevelSlotB.get());
    ASSERT_TRUE(GameMan->LoadLevel("Falling.map"));
    TLevel* b = GameMan->LevelSlotB.get();
    EXPECT_EQ(GameMan->LevelSlotA.get(), a); // the other slot is left alone
    EXPECT_EQ(CurrentLevel, b);
    EXPECT_EQ(GameMan->OtherSlotLevel, a);
    EXPECT_EQ(GameMan->OtherLevel(b), a);
    GameMan->SwapLevels();
    EXPECT_EQ(CurrentLevel, a);
    EXPECT_EQ(GameMan->CurrentSlotLevel, a);
    EXPECT_EQ(GameMan->OtherSlotLevel, b);
    EXPECT_EQ(LoopLevel->FileName(), "Rolling.map");
    // A level that is in no slot is not made current.
    TLevel stray;
    GameMan->SetCurrentLevel(&stray);
    EXPECT_EQ(GameMan->CurrentSlotLevel, a);
}

TEST_F(GameManTest, MissingLevelChangesNothing) {
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    TLevel* before = CurrentLevel;
    EXPECT_FALSE(GameHooks.LoadLevel("Nowhere.map"));
    EXPECT_EQ(CurrentLevel, before);
    EXPECT_EQ(LoopLevel->FileName(), "Rolling.map");
}

TEST_F(GameManTest, TexturesOfTheSlotsStayResidentOthersGo) {
    // A second picture that no level uses.
    Archive->Add({{"Textures\\Levels\\", "unused.png", GroundPng()},
                  {"Textures\\", "Rollix.TexLib",
                   WriteTexLibIndex({{"Levels\\ground.png"}, {"Levels\\unused.png"}})}});
    TexLib.TextureByIndex(1)->MarkNeeded(true);
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    EXPECT_TRUE(TexLib.TextureByIndex(GroundTexture)->Needed);
    EXPECT_FALSE(TexLib.TextureByIndex(1)->Needed);
}

// Runs a level headless with a script and gives the hash lines (the timing line left out).
std::string RunLevel(const std::string& level, int32_t ticks, const std::string& script) {
    const std::string scriptPath = AppDir + "keys.txt";
    { std::ofstream(scriptPath) << script; }
    TCommandLine options;
    options.Headless = true;
    options.Level = level;
    options.Ticks = ticks;
    options.InputPath = scriptPath;
    std::ostringstream out, err;
    const int code = RunHeadless(options, out, err);
    EXPECT_EQ(code, 0) << err.str();
    std::string hashes, line;
    std::istringstream lines(out.str());
    while (std::getline(lines, line))
        if (line.rfind("ran ", 0) != 0) hashes += line + "\n";
    ResetGame();
    InstallGameHooks();
    ResetMainLoop();
    ResetInputState();
    return hashes;
}

TEST_F(GameManTest, HeadlessRunsOfALevelRepeatBitForBit) {
    const std::string keys = "1 down Right\n150 down Control\n260 up Control\n300 up Right\n320 down Up\n";
    const std::string first = RunLevel("Rolling.map", 400, keys);
    const std::string second = RunLevel("Rolling.map", 400, keys);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("tick 400 hash "), std::string::npos) << first;
    EXPECT_NE(first.find("end tick 400 hash "), std::string::npos) << first;
    // Other keys give another game.
    EXPECT_NE(RunLevel("Rolling.map", 400, "1 down Left\n"), first);
}

TEST_F(GameManTest, HeadlessRunOfAMissingLevelFails) {
    TCommandLine options;
    options.Headless = true;
    options.Level = "Nowhere.map";
    options.Ticks = 10;
    std::ostringstream out, err;
    EXPECT_EQ(RunHeadless(options, out, err), 3);
    EXPECT_NE(err.str().find("Nowhere.map"), std::string::npos) << err.str();
}

} // namespace

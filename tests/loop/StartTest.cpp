#include "app/FileSave.h"
#include "app/GameHooks.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "assets/MassFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

// A data folder with one archive holding the given levels.
class StartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/rollix-start-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Dir = pattern;
        ResetMainWindow();
        ResetMainLoop();
        InitAppDir(Dir);
    }
    void TearDown() override {
        MassFile.Clear();
        GameHooks = TGameHooks{};
        StartLevelOverride.clear();
        ResetMainWindow();
        ResetMainLoop();
        std::filesystem::remove_all(Dir);
    }
    void UseLevels(const std::vector<std::string>& names) {
        std::vector<TMassFileInput> entries;
        for (const std::string& n : names)
            entries.push_back({"Levels\\", n, {1, 2, 3}});
        entries.push_back({"Sounds\\", "a.ogg", {4}});
        std::vector<uint8_t> bytes;
        std::string why;
        ASSERT_TRUE(WriteMassFile(entries, bytes, why)) << why;
        ASSERT_TRUE(SaveFileAtomic(Dir + "/Rollix.msf", bytes));
        MassFile.Clear();
        MassFile.Create();
    }
    std::string Dir;
};

TEST_F(StartTest, MissingDataIsReportedWithTheFolderSearched) {
    MassFile.Clear();
    MassFile.Create(); // no archive at all
    std::string message = CheckStartLevels();
    EXPECT_NE(message.find(AppDir), std::string::npos) << message;
    EXPECT_NE(message.find("Rollix.msf"), std::string::npos) << message;

    UseLevels({"Vortan 1.map"}); // an archive without the main level
    message = CheckStartLevels();
    EXPECT_NE(message.find(AppDir), std::string::npos) << message;
    EXPECT_NE(message.find("Zestars.map"), std::string::npos) << message;

    UseLevels({"zestars.MAP"}); // names compare case-blind
    EXPECT_EQ(CheckStartLevels(), "");
}

TEST_F(StartTest, FirstLevelFollowsTheLogoRules) {
    struct Case {
        std::vector<std::string> levels;
        bool publisher, publisherDone, testRun;
        const char* want;
    } cases[] = {
        {{"Zestars.map", "Vortan 1.map"}, false, false, false, "Vortan 1.map"},
        {{"Zestars.map"}, false, false, false, "Zestars.map"}, // no logo level: straight to the main level
        {{"Zestars.map", "Vortan 1.map", "Ulmara.map"}, true, false, false, "Ulmara.map"},
        {{"Zestars.map", "Vortan 1.map", "Ulmara.map"}, true, true, false, "Vortan 1.map"},
        {{"Zestars.map", "Vortan 1.map"}, true, false, false, "Vortan 1.map"}, // publisher's logo missing
        {{"Zestars.map", "Vortan 1.map"}, false, false, true, "Zestars.map"},
    };
    for (const Case& c : cases) {
        UseLevels(c.levels);
        ShowPublisherLogo = c.publisher;
        PublisherLogoDone = c.publisherDone;
        TestRun = c.testRun;
        EXPECT_EQ(FirstLevelName(), c.want);
    }
}

TEST_F(StartTest, StartGameLoadsTheChosenLevelOnce) {
    UseLevels({"Zestars.map", "Vortan 1.map"});
    std::vector<std::string> loaded;
    int contexts = 0;
    GameHooks.LoadLevel = [&](const std::string& name) {
        loaded.push_back(name);
        return true;
    };
    GameHooks.LoadLevelBehind = [&](const std::string& behind, const std::string& name) {
        loaded.push_back(name + " before " + behind);
        return true;
    };
    GameHooks.CreateRenderContext = [&] { ++contexts; };
    StartGame();
    EXPECT_TRUE(GameStarted);
    EXPECT_TRUE(ResetTiming);
    StartLevelOverride = "Level 3.map";
    StartGame(); // again (after the publisher's logo): no second context
    EXPECT_EQ(contexts, 1);
    // The logo plays with the main level waiting behind it; --level goes straight in.
    EXPECT_EQ(loaded, (std::vector<std::string>{"Vortan 1.map before Zestars.map", "Level 3.map"}));
    // The publisher's logo plays alone.
    loaded.clear();
    UseLevels({"Zestars.map", "Vortan 1.map", "Ulmara.map"});
    StartLevelOverride.clear();
    ShowPublisherLogo = true;
    StartGame();
    EXPECT_EQ(loaded, (std::vector<std::string>{"Ulmara.map"}));
}

} // namespace

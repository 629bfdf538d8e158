// The player's finished runs saved as replays at the end of their tick:
// named by level, player and time, never over an old file, with a tag that
// a replay of the run reaches; nothing is saved for a level no longer playing.
#include "LevelWorld.h"

#include "game/GameMan.h"
#include "game/ReplayRun.h"
#include "level/Mechanics.h"
#include "render/RenderContext.h"

#include <cstdlib>
#include <fstream>

using namespace level_world;

namespace {

class FinishedRuns : public TLevelTest {
  public:
    void SetUp() override {
        TLevelTest::SetUp();
        setenv("ROLLIX_HOME", (Archive.Dir / "home").c_str(), 1);
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(WritePlannedLevel({{{0.0f, 150.0f}}})));
        Level->FileName = "Levels\\Rolling.map";
        Level->Player()->KeyRight = 'D';
        CurrentLevel = Level.get();
    }
    void TearDown() override {
        unsetenv("ROLLIX_HOME");
        TLevelTest::TearDown();
    }
    TArchive Archive{"finished-runs"};
};

TEST_F(FinishedRuns, ARunIsSavedAtTheEndOfItsTickUnderAFreshNameWithItsTag) {
    SetKey('D', true);
    PlayTicks(*Level, 120);
    SetKey('D', false);
    PlayTicks(*Level, 10);
    NoteFinishedRun(*Level, u"Anna/B");
    const std::string first = SaveFinishedRun();
    ASSERT_FALSE(first.empty());
    const fs::path p(first);
    EXPECT_EQ(p.parent_path(), Archive.Dir / "home" / "Gbvs");
    EXPECT_EQ(p.filename().string().rfind("Rolling Anna_B 20", 0), 0u) << p.filename();
    EXPECT_EQ(SaveFinishedRun(), "") << "one run, one file";

    NoteFinishedRun(*Level, u"Anna/B");
    const std::string second = SaveFinishedRun();
    ASSERT_FALSE(second.empty());
    EXPECT_NE(second, first) << "an old file is never replaced";

    TReplayFile saved;
    std::string error;
    ASSERT_TRUE(ReadReplayFromDisk(first, saved, error)) << error;
    EXPECT_EQ(saved.LevelFile, "Rolling.map");
    EXPECT_EQ(saved.Events, Level->Replay.ReplayEvents);
    ASSERT_TRUE(saved.Tag());
    EXPECT_EQ(*saved.Tag(), ReplayTagOf(*Level));
    EXPECT_EQ(saved.Tag()->EndTick, 130);

    // The run played back from its file reaches the state its tag names.
    const TReplayTag tag = *saved.Tag();
    Level = std::make_unique<TLevel>();
    ASSERT_TRUE(Level->LoadFromBytes(WritePlannedLevel({{{0.0f, 150.0f}}})));
    CurrentLevel = Level.get();
    Level->UseReplay(saved);
    Level->RestartLevel(true, false);
    PlayTicks(*Level, tag.EndTick);
    EXPECT_EQ(ReplayStateHash(*Level), tag.EndHash);
}

TEST_F(FinishedRuns, EveryRunLeavesAGhostAndTheShortestIsTheBest) {
    SetKey('D', true);
    PlayTicks(*Level, 80);
    NoteFinishedRun(*Level, u"Anna");
    const std::string shorter = SaveFinishedRun();
    PlayTicks(*Level, 40);
    SetKey('D', false);
    NoteFinishedRun(*Level, u"Anna");
    const std::string longer = SaveFinishedRun();
    ASSERT_FALSE(shorter.empty());
    ASSERT_FALSE(longer.empty());
    const auto ghostOf = [](const std::string& replay) {
        return replay.substr(0, replay.size() - 4) + ".ghost";
    };
    EXPECT_TRUE(fs::exists(ghostOf(shorter)));
    EXPECT_TRUE(fs::exists(ghostOf(longer)));
    // A damaged ghost and another player's are passed over.
    std::ofstream(Archive.Dir / "home" / "Gbvs" / "Rolling Anna broken.ghost") << "RXGH";
    std::ofstream(Archive.Dir / "home" / "Gbvs" / "Rolling Bob 1.ghost") << "x";

    ASSERT_TRUE(LoadBestGhost(*Level, u"Anna"));
    EXPECT_EQ(Level->Ghost.Ticks(), 80);
    EXPECT_EQ(Level->Ghost.OutlineAt(80).size(), Level->Player()->Vertices.size());
    EXPECT_FALSE(LoadBestGhost(*Level, u"Carla"));
    EXPECT_EQ(Level->Ghost.Ticks(), 0);
}

TEST_F(FinishedRuns, NothingIsSavedForALevelThatNoLongerPlays) {
    NoteFinishedRun(*Level, u"Anna");
    CurrentLevel = nullptr;
    EXPECT_EQ(SaveFinishedRun(), "");
    EXPECT_FALSE(fs::exists(Archive.Dir / "home" / "Gbvs"));
}

} // namespace

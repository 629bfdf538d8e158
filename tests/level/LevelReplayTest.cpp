// Replays in a level: every play records the player's control changes, a
// restart with replay plays them back and reaches the same states, the
// replay file is read and written as it stands (a damaged one changes
// nothing), and replays are loaded from the archives or the player's folder
// and saved there without ever replacing an old one.
#include "LevelWorld.h"

#include "app/FileSave.h"
#include "app/Paths.h"
#include "level/Mechanics.h"
#include "level/ReplayFile.h"
#include "render/RenderContext.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace level_world;

namespace {

constexpr int32_t KeyR = 'D', KeyL = 'A', KeyJ = 'W', KeyT = 'S';

std::vector<uint8_t> FileBytes(const fs::path& p) {
    return LoadPlainFile(p.string()).value_or(std::vector<uint8_t>{});
}

class LevelReplays : public TLevelTest {
  public:
    void SetUp() override {
        TLevelTest::SetUp();
        Home = Archive.Dir / "home";
        setenv("ROLLIX_HOME", Home.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("ROLLIX_HOME");
        TLevelTest::TearDown();
    }
    TLevel& Load(const std::vector<uint8_t>& bytes) {
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(bytes));
        Level->FileName = "Rolling.map";
        BindKeys();
        return *Level;
    }
    void BindKeys() {
        TRollix& p = *Level->Player();
        p.KeyRight = KeyR;
        p.KeyLeft = KeyL;
        p.KeyJump = KeyJ;
        p.KeyTurbo = KeyT;
    }
    // The level's counters and every node of every character.
    uint64_t StateHash() const {
        TStateHash h;
        h.AddInt32(Level->TickCounter);
        AddCharacterNodes(h, *Level);
        return h.Value;
    }
    fs::path Home;
    TArchive Archive{"replays"};
};

std::vector<uint8_t> RollingLevel() {
    return WritePlannedLevel({{{0.0f, 150.0f}}});
}

TEST(ReplayTrack, TheBitsInForceAtATick) {
    TReplayTrack t;
    t.ReplayEvents = {{1, 2}, {50, 10}, {60, 2}, {201, 0}};
    const std::pair<int32_t, int32_t> cases[] = {{0, 0},  {1, 2},   {49, 2},  {50, 10}, {55, 10},
                                                 {60, 2}, {200, 2}, {201, 0}, {5000, 0}};
    for (auto [tick, bits] : cases)
        EXPECT_EQ(t.BitsAt(tick), bits) << "tick " << tick;
    EXPECT_EQ(t.LastReplayTick(), 201);
    t.ReplayEvents.back().Bits = 6;
    EXPECT_EQ(t.BitsAt(5000), 6) << "after the last event its bits stay";
    EXPECT_EQ(TReplayTrack{}.BitsAt(10), 0);
    EXPECT_EQ(TReplayTrack{}.LastReplayTick(), 0);
}

TEST(ReplayFile, NamesGetTheirExtensionUnlessTheyHaveOne) {
    const std::pair<const char*, const char*> cases[] = {{"run", "run.gbv"},
                                                         {"run.gbv", "run.gbv"},
                                                         {"run.rep", "run.rep"},
                                                         {"run.ab", "run.ab.gbv"},
                                                         {"", ".gbv"}};
    for (auto [name, file] : cases)
        EXPECT_EQ(ReplayFileName(name), file) << name;
}

TEST(ReplayFile, ReadsWhatItWritesAndADamagedFileChangesNothing) {
    TReplayFile f;
    f.LevelFile = "Zestars.map";
    f.Events = {{1, 2}, {50, 10}, {60, 2}, {201, 0}};
    const std::vector<uint8_t> plain = WriteReplayFile(f);
    // Name, count, 4 × 8 bytes, 32 reserved.
    ASSERT_EQ(plain.size(), 4 + 11 + 4 + 32 + 32u);
    TReplayFile back;
    std::string why;
    ASSERT_TRUE(ReadReplayFile(plain, back, why)) << why;
    EXPECT_EQ(back.LevelFile, f.LevelFile);
    EXPECT_EQ(back.Events, f.Events);
    EXPECT_FALSE(back.Tag()) << "zero reserved bytes hold no tag";

    const TReplayTag tag{TReplayTag::CurrentVersion, 0x0123456789abcdefull, 1872, 0xfedcba9876543210ull};
    f.SetTag(tag);
    const std::vector<uint8_t> tagged = WriteReplayFile(f);
    ASSERT_EQ(tagged.size(), plain.size());
    ASSERT_TRUE(ReadReplayFile(tagged, back, why));
    ASSERT_TRUE(back.Tag());
    EXPECT_EQ(*back.Tag(), tag);

    const TReplayFile before = back;
    auto damaged = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        TReplayFile target = before;
        std::string reason;
        EXPECT_FALSE(ReadReplayFile(bytes, target, reason)) << what;
        EXPECT_FALSE(reason.empty()) << what;
        EXPECT_EQ(target.Events, before.Events) << what;
        EXPECT_EQ(target.LevelFile, before.LevelFile) << what;
    };
    for (size_t n = 0; n < tagged.size(); ++n)
        damaged({tagged.begin(), tagged.begin() + long(n)}, "cut at " + std::to_string(n));
    // The count sits after the name: 4 + 11 bytes.
    auto withCount = [&](int32_t count) {
        std::vector<uint8_t> b = tagged;
        for (int i = 0; i < 4; ++i)
            b[15 + i] = uint8_t(uint32_t(count) >> (8 * i));
        return b;
    };
    damaged(withCount(-1), "a negative count");
    damaged(withCount(1 << 28), "a count beyond the file");
    std::vector<uint8_t> backwards = tagged;
    backwards[19 + 8 * 2] = 40; // the third event at tick 40, before the second's 50
    damaged(backwards, "ticks going back");
}

TEST_F(LevelReplays, RightFromTickOneWithAJumpAtFiftyRecordsThreeEventsAndTheRelease) {
    Load(RollingLevel());
    SetKey(KeyR, true);
    for (int32_t tick = 1; tick <= 210; ++tick) {
        if (tick == 50) SetKey(KeyJ, true);
        if (tick == 60) SetKey(KeyJ, false);
        if (tick == 201) SetKey(KeyR, false);
        PlayTicks(*Level);
    }
    const std::vector<TReplayEvent> want = {{1, 2}, {50, 10}, {60, 2}, {201, 0}};
    EXPECT_EQ(Level->Replay.ReplayEvents, want);
    EXPECT_EQ(Level->Replay.ReplayCount(), 4);

    // A restart without replay records afresh.
    Level->RestartLevel(false, false);
    EXPECT_EQ(Level->Replay.ReplayCount(), 0);
    EXPECT_FALSE(Level->Replay.ReplayPlaying);
}

TEST_F(LevelReplays, APlayedBackRunTakesTheStatesOfTheRecordedOne) {
    Load(RollingLevel());
    // Rolling right and left in turns (so the player stays on the floor),
    // with turbo bursts and jumps in between.
    const int32_t keys[] = {KeyR, KeyL, KeyJ, KeyT};
    std::vector<uint64_t> recorded;
    for (int32_t tick = 1; tick <= 2000; ++tick) {
        const bool right = (tick / 150) % 2 == 0;
        SetKey(KeyR, right);
        SetKey(KeyL, !right);
        SetKey(KeyT, (tick / 53) % 3 == 1);
        SetKey(KeyJ, (tick / 41) % 4 == 2);
        PlayTicks(*Level);
        if (tick % 100 == 0) recorded.push_back(StateHash());
    }
    ASSERT_EQ(Level->TickCounter, 2000) << "no restart on the way";
    for (int32_t key : keys)
        SetKey(key, false);
    ASSERT_GT(Level->Replay.ReplayCount(), 40);
    const TReplayFile run = Level->RecordedReplay();
    EXPECT_EQ(run.LevelFile, "Rolling.map");

    // The replay read back from its file plays in a level loaded afresh,
    // with keys pressed that it ignores.
    TReplayFile back;
    std::string why;
    ASSERT_TRUE(ReadReplayFile(WriteReplayFile(run), back, why)) << why;
    Load(RollingLevel());
    Level->UseReplay(back);
    Level->RestartLevel(true, false);
    SetKey(KeyL, true);
    std::vector<uint64_t> played;
    for (int32_t tick = 1; tick <= 2000; ++tick) {
        PlayTicks(*Level);
        if (tick % 100 == 0) played.push_back(StateHash());
    }
    SetKey(KeyL, false);
    EXPECT_EQ(Level->TickCounter, 2000);
    EXPECT_EQ(played, recorded);
    EXPECT_EQ(Level->Replay.ReplayEvents, back.Events) << "playback records nothing";
}

TEST_F(LevelReplays, RunsAreSavedUnderFreeNamesAndLoadedFromThePlayersFolder) {
    Load(RollingLevel());
    SetKey(KeyR, true);
    PlayTicks(*Level, 30);
    SetKey(KeyR, false);
    PlayTicks(*Level, 5);
    const std::vector<TReplayEvent> events = Level->Replay.ReplayEvents;
    ASSERT_EQ(events.size(), 2u);

    std::string path;
    ASSERT_TRUE(Level->SaveReplay("", path));
    EXPECT_EQ(fs::path(path), Home / "Gbvs" / "Rolling~000.gbv");
    ASSERT_TRUE(Level->SaveReplay("", path));
    EXPECT_EQ(fs::path(path), Home / "Gbvs" / "Rolling~001.gbv");
    const std::vector<uint8_t> first = FileBytes(Home / "Gbvs" / "Rolling~000.gbv");
    EXPECT_FALSE(Level->SaveReplay("Rolling~000", path)) << "an old replay is never replaced";
    EXPECT_EQ(FileBytes(Home / "Gbvs" / "Rolling~000.gbv"), first);

    // Every numbered name taken: nothing is saved.
    for (int i = 2; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Rolling~%03d.gbv", i);
        std::ofstream(Home / "Gbvs" / name) << "taken";
    }
    EXPECT_FALSE(Level->SaveReplay("", path));
    EXPECT_EQ(FileBytes(Home / "Gbvs" / "Rolling~999.gbv"), std::vector<uint8_t>({'t', 'a', 'k', 'e', 'n'}));

    // Loaded back into a fresh level; a missing or damaged one changes nothing.
    Load(RollingLevel());
    EXPECT_TRUE(Level->LoadReplay("Rolling~001"));
    EXPECT_EQ(Level->Replay.ReplayEvents, events);
    EXPECT_FALSE(Level->LoadReplay("Nowhere"));
    EXPECT_FALSE(Level->LoadReplay("Rolling~500.gbv"));
    EXPECT_EQ(Level->Replay.ReplayEvents, events);
    EXPECT_EQ(Level->FileName, "Rolling.map");
}

TEST_F(LevelReplays, ALevelWhoseOwnReplayIsMissingIsPlayed) {
    // The level's own replay: in the archive, or missing.
    TReplayFile own;
    own.LevelFile = "Rolling.map";
    own.Events = {{1, cbRight}};
    Archive.Add({{"Gbvs\\", "Intro.gbv", WriteReplayFile(own)}});
    struct TCase {
        const char* Name;
        bool Plays;
    };
    for (const TCase& c : {TCase{"Intro", true}, TCase{"Missing", false}}) {
        SCOPED_TRACE(c.Name);
        TLevel source;
        ASSERT_TRUE(source.LoadFromBytes(RollingLevel()));
        source.AutoReplay = true;
        source.AutoReplayName = c.Name;
        Load(WriteLevelBytes(source));
        EXPECT_EQ(Level->Replay.ReplayPlaying, c.Plays);
        EXPECT_EQ(Level->PlaysAutoReplay(), c.Plays);
        // The player is held by the replay, or rolls by the keys.
        const float x0 = Level->Player()->Centre.X;
        SetKey(KeyL, true);
        PlayTicks(*Level, 100);
        SetKey(KeyL, false);
        const float moved = Level->Player()->Centre.X - x0;
        if (c.Plays)
            EXPECT_GT(moved, 20.0f) << "right, as the replay says";
        else
            EXPECT_LT(moved, -20.0f) << "left, as the key says";
    }
}

} // namespace

// Player data that survives: a save cut off at any byte leaves the old or the
// new file, and a damaged file is kept aside while the backup or the defaults
// take its place.
#include "app/FileSave.h"
#include "assets/Texts.h"
#include "game/MubDat.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Bytes the failing writer still lets through before every call fails.
int64_t WriteBudget = 0;

ssize_t FailingWrite(int fd, const void* data, size_t size) {
    if (WriteBudget <= 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t n = size_t(std::min<int64_t>(int64_t(size), WriteBudget));
    const ssize_t w = ::write(fd, data, n);
    if (w > 0) WriteBudget -= w;
    return w;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    return LoadPlainFile(path.string()).value_or(std::vector<uint8_t>{});
}

class MubDatSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetTexts();
        // The shared-memory folder spares the many saves their disk flushes.
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        Dir = base / ("rollix-mubdat-" + std::to_string(::getpid()));
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        Path = (Dir / "MubDat.ini").string();
    }
    void TearDown() override {
        FileWriteCall = ::write;
        fs::remove_all(Dir);
    }

    // The files in the folder other than the profile and its backup.
    std::vector<std::string> OtherFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Dir)) {
            const std::string name = e.path().filename().string();
            if (name != "MubDat.ini" && name != "MubDat.ini.bak") names.push_back(name);
        }
        return names;
    }
    int DamagedCopies() const {
        int n = 0;
        for (const std::string& name : OtherFiles())
            n += name.rfind("MubDat.ini", 0) == 0 && name.find(".damaged-") != std::string::npos ? 1 : 0;
        return n;
    }

    fs::path Dir;
    std::string Path;
};

// As small as the file gets: the level table without its made-up records.
void Smallest(TGameRecords& game) {
    for (TLevelTableEntry& entry : game.LevelTable) {
        entry.BestTimes = {};
        entry.BestScores = {};
    }
}

// A profile with one player who has played a few levels.
void OnePlayer(TGameRecords& game, int32_t score) {
    TMubPlayer& p = game.AddPlayer(u"Ann");
    const TRunScore run{score, 1, 2};
    p.StoreRoundRecord("Zestars.map", 4000, 12000, &run, score, &game);
    p.StoreRoundRecord("MagicDust 01.map", 9000, 0, &run, score, &game);
    game.AddToRecordTables("MagicDust 01.map", p.PlayerName, score, 9000);
}
} // namespace

TEST_F(MubDatSaveTest, ASaveKeepsTheReplacedFileAsTheBackup) {
    TGameRecords game;
    OnePlayer(game, 100);
    ASSERT_TRUE(SaveGameData(game, Path));
    const std::vector<uint8_t> first = ReadFile(Path);
    EXPECT_FALSE(fs::exists(Path + ".bak"));
    game.CurrentPlayer->PlayTicks = 77;
    ASSERT_TRUE(SaveGameData(game, Path));
    EXPECT_EQ(ReadFile(Path + ".bak"), first);
    EXPECT_TRUE(OtherFiles().empty());

    TGameRecords back;
    std::string notice;
    ASSERT_TRUE(LoadGameData(back, Path, notice));
    EXPECT_TRUE(notice.empty());
    ASSERT_EQ(back.Players.size(), 1u);
    EXPECT_EQ(back.CurrentPlayer->PlayTicks, 77);
    // Without a file: the default tables and no players, and nothing to tell.
    TGameRecords none;
    EXPECT_FALSE(LoadGameData(none, (Dir / "missing" / "MubDat.ini").string(), notice));
    EXPECT_TRUE(none.Players.empty());
    EXPECT_EQ(none.CurrentPlayer, nullptr);
    EXPECT_EQ(none.LevelTable[0].BestTimes[0].PlayerName, u"| Roller");
    EXPECT_TRUE(notice.empty());
}

TEST_F(MubDatSaveTest, ASaveCutOffAtAnyByteLeavesTheOldOrTheNewFile) {
    TGameRecords game;
    Smallest(game);
    OnePlayer(game, 100);
    const std::vector<uint8_t> older = WriteGameData(game);
    game.CurrentPlayer->PlayTicks = 5;
    const std::vector<uint8_t> old = WriteGameData(game);
    OnePlayer(game, 200);
    const std::vector<uint8_t> fresh = WriteGameData(game);
    for (const auto* bytes : {&older, &old, &fresh}) {
        TGameRecords check;
        ASSERT_TRUE(ReadGameData(*bytes, check));
    }
    // The backup and then the file itself are written: every byte of both.
    const int64_t total = int64_t(old.size() + fresh.size());
    int64_t oldKept = 0, freshSaved = 0;
    for (int64_t k = 0; k <= total; ++k) {
        WriteFile(Path, old);
        WriteFile(Path + ".bak", older);
        WriteBudget = k;
        FileWriteCall = FailingWrite;
        const bool saved = SaveGameData(game, Path);
        FileWriteCall = ::write;
        const std::vector<uint8_t> now = ReadFile(Path);
        const std::vector<uint8_t> backup = ReadFile(Path + ".bak");
        ASSERT_TRUE(now == old || now == fresh) << "cut at byte " << k;
        ASSERT_TRUE(backup == older || backup == old) << "cut at byte " << k;
        ASSERT_EQ(saved, now == fresh) << "cut at byte " << k;
        ASSERT_TRUE(OtherFiles().empty()) << "cut at byte " << k;
        oldKept += now == old ? 1 : 0;
        freshSaved += now == fresh ? 1 : 0;
    }
    EXPECT_EQ(freshSaved, 1); // only with every byte let through
    EXPECT_EQ(oldKept, total);
}

TEST_F(MubDatSaveTest, AFileCutAtAnyLengthIsDamage) {
    TGameRecords game;
    Smallest(game);
    OnePlayer(game, 100);
    game.LevelTable[3].BestTimes[0] = {u"Bob", 5000};
    const std::vector<uint8_t> bytes = WriteGameData(game);
    // A file from before the seal, too: its structure alone must tell.
    std::vector<uint8_t> unsealed = bytes;
    std::fill(unsealed.end() - 24, unsealed.end(), 0);
    const std::vector<uint8_t>* const files[] = {&bytes, &unsealed};
    for (const std::vector<uint8_t>* whole : files)
        for (size_t n = 0; n < whole->size(); ++n) {
            TGameRecords read;
            const std::vector<uint8_t> cut(whole->begin(), whole->begin() + std::ptrdiff_t(n));
            ASSERT_FALSE(ReadGameData(cut, read)) << "cut at " << n << " of " << whole->size();
        }
}

TEST_F(MubDatSaveTest, FlippedBytesAreDamageAndNeverCrashTheReader) {
    TGameRecords game;
    OnePlayer(game, 100);
    game.AddPlayer(u"Bob");
    const std::vector<uint8_t> bytes = WriteGameData(game);
    std::vector<uint8_t> unsealed = bytes;
    std::fill(unsealed.end() - 24, unsealed.end(), 0);
    std::mt19937 random(1616);
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<uint8_t> flipped = trial % 2 ? unsealed : bytes;
        const int flips = 1 + trial % 3;
        for (int f = 0; f < flips; ++f)
            flipped[random() % flipped.size()] ^= uint8_t(1 + random() % 255);
        TGameRecords read;
        std::string reason;
        const bool sound = ReadGameData(flipped, read, &reason);
        // A sealed file tells every change; one without a seal only what its
        // structure shows, but it never reads outside its bytes.
        if (trial % 2 == 0) ASSERT_FALSE(sound) << "trial " << trial;
        if (!sound) ASSERT_FALSE(reason.empty());
    }
}

TEST_F(MubDatSaveTest, ADamagedFileIsKeptAsideAndTheBackupOrTheDefaultsTakeItsPlace) {
    TGameRecords game;
    OnePlayer(game, 100);
    const std::vector<uint8_t> backup = WriteGameData(game);
    OnePlayer(game, 200);
    const std::vector<uint8_t> bytes = WriteGameData(game);
    std::vector<uint8_t> flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x40;
    struct TCase {
        const char* What;
        std::vector<uint8_t> File;
        bool WithBackup;
        size_t Players;
    };
    const TCase cases[] = {
        {"empty, with backup", {}, true, 1},
        {"cut to 9 bytes, with backup", {bytes.begin(), bytes.begin() + 9}, true, 1},
        {"cut before the seal, with backup", {bytes.begin(), bytes.end() - 24}, true, 1},
        {"a byte flipped, with backup", flipped, true, 1},
        {"a byte flipped, no backup", flipped, false, 0},
        {"cut by one byte, no backup", {bytes.begin(), bytes.end() - 1}, false, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        WriteFile(Path, c.File);
        if (c.WithBackup) WriteFile(Path + ".bak", backup);
        TGameRecords read;
        std::string notice;
        EXPECT_EQ(LoadGameData(read, Path, notice), c.WithBackup);
        EXPECT_EQ(read.Players.size(), c.Players);
        if (c.WithBackup) EXPECT_EQ(read.CurrentPlayer, read.Players[0].get());
        EXPECT_EQ(read.LevelTable[0].BestScores[0].PlayerName, u"| Roller");
        EXPECT_NE(notice.find("kept as " + Path + ".damaged-"), std::string::npos) << notice;
        EXPECT_FALSE(fs::exists(Path));
        EXPECT_EQ(DamagedCopies(), 1);
        // The next save writes the file anew and leaves the kept copy and
        // the backup alone; the next load has nothing to tell.
        ASSERT_TRUE(SaveGameData(read, Path));
        EXPECT_EQ(DamagedCopies(), 1);
        if (c.WithBackup) EXPECT_EQ(ReadFile(Path + ".bak"), backup);
        TGameRecords again;
        EXPECT_TRUE(LoadGameData(again, Path, notice));
        EXPECT_TRUE(notice.empty());
    }
    // A backup as damaged as the file: both kept aside, the defaults remain.
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    WriteFile(Path, flipped);
    WriteFile(Path + ".bak", flipped);
    TGameRecords read;
    std::string notice;
    EXPECT_FALSE(LoadGameData(read, Path, notice));
    EXPECT_TRUE(read.Players.empty());
    EXPECT_EQ(DamagedCopies(), 2);
    EXPECT_NE(notice.find("starts without players"), std::string::npos);
}

#include "assets/MassFile.h"
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
std::vector<uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

// Each test gets a program folder of its own holding the archives it writes.
class MassFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("rollix-msf-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        InitAppDir(Dir.string());
        MassFile.Clear();
        Logged.clear();
        SetLogSink([this](const std::string& line) { Logged.push_back(line); });
        ResetSiteTrace();
    }
    void TearDown() override {
        SetLogSink(nullptr);
        MassFile.Clear();
        fs::remove_all(Dir);
    }
    void WriteArchive(const std::string& name, const std::vector<TMassFileInput>& entries) {
        std::vector<uint8_t> bytes;
        std::string why;
        ASSERT_TRUE(WriteMassFile(entries, bytes, why)) << why;
        ASSERT_TRUE(SaveFileAtomic(AppDir + name, bytes));
    }
    std::string Read(const std::string& key) {
        std::vector<uint8_t> data;
        if (!MassFile.ReadFile(AppDir + key, data)) return "<absent>";
        return std::string(data.begin(), data.end());
    }
    fs::path Dir;
    std::vector<std::string> Logged;
};
} // namespace

TEST_F(MassFileTest, HigherArchiveWinsAndGapsAreSkipped) {
    WriteArchive("Rollix.msf",
                 {{"Levels\\", "Zestars.map", Text("base")}, {"Levels\\", "Only1.map", Text("one")}});
    WriteArchive("Rollix3.msf", {{"Levels\\", "Zestars.map", Text("third")}});
    MassFile.Create();
    ASSERT_EQ(MassFile.Files.size(), 2u);
    EXPECT_EQ(Read("Levels\\Zestars.map"), "third");
    EXPECT_EQ(Read("Levels\\Only1.map"), "one") << "a folder that lacks the file does not stop the search";
    EXPECT_EQ(MassFile.FileSize(AppDir + "Levels\\Zestars.map"), 5);
    EXPECT_EQ(MassFile.FileSize(AppDir + "Levels\\Nothing.map"), 0);
    EXPECT_TRUE(Logged.empty() || Logged.size() == 0u);
}

TEST_F(MassFileTest, NamesCompareUpperCasedByTheAnsiTable) {
    // "é" is 0xE9 in the archive's 8-bit text and upper-cases to 0xC9.
    WriteArchive("Rollix.msf",
                 {{"Sounds\\", "Caf\xE9.ogg", Text("x")}, {"objects\\Animations\\", "Run.gms", Text("y")}});
    MassFile.Create();
    EXPECT_TRUE(MassFileExists(AppDir + "SOUNDS\\CAF\xC9.OGG"));
    EXPECT_TRUE(MassFileExists(AppDir + "Objects\\animations\\run.GMS"));
    EXPECT_EQ(UpperAnsi(std::string("a\xFF\x9A\xF7\xDF")), std::string("A\x9F\x8A\xF7\xDF"));
}

TEST_F(MassFileTest, PathRulesForShortAndMissingFolders) {
    WriteArchive("Rollix.msf", {{"Levels\\", "a.map", Text("a")}});
    MassFile.Create();
    EXPECT_FALSE(MassFileExists("ab\\a.map")) << "folder part shorter than 5 characters";
    EXPECT_FALSE(MassFileExists(AppDir + "Levels/a.map")) << "no backslash, no folder";
    EXPECT_FALSE(MassFileExists(AppDir + "Level\\a.map"));
    std::string folder, file;
    ASSERT_TRUE(SplitArchivePath("/game/Objects\\Figures\\0001.gms", 6, folder, file));
    EXPECT_EQ(folder, "OBJECTS\\FIGURES\\");
    EXPECT_EQ(file, "0001.GMS");
}

TEST_F(MassFileTest, OnlyTheFirstMatchingFolderAndFileRecordCount) {
    // Two folder records with the same key, and a repeated name in the first.
    WriteArchive("Rollix.msf", {{"Levels\\", "a.map", Text("first")},
                                {"Levels\\", "A.MAP", Text("second")},
                                {"LEVELS\\", "b.map", Text("hidden")}});
    MassFile.Create();
    EXPECT_EQ(Read("Levels\\a.map"), "first");
    EXPECT_EQ(Read("Levels\\b.map"), "<absent>") << "only the first folder record with the key is searched";
    EXPECT_EQ(MassFile.ListFiles("Levels\\", ".*"), 2) << "listing visits every matching folder record";
}

TEST_F(MassFileTest, ListFilesOverTwoArchives) {
    WriteArchive("Rollix.msf", {{"Objects\\Animations\\", "walk.gms", Text("1")},
                                {"Objects\\Animations\\", "jump.gms", Text("2")},
                                {"Objects\\Animations\\", "jump.cache", Text("3")}});
    WriteArchive("Rollix2.msf", {{"Objects\\Animations\\", "swim.gms", Text("4")},
                                 {"Objects\\Animations\\", "Walk.gms", Text("5")}});
    MassFile.Create();
    ASSERT_EQ(MassFile.ListFiles("Objects\\Animations\\", ".gms"), 3);
    EXPECT_EQ(MassFile.FoundFiles[0], "OBJECTS\\ANIMATIONS\\SWIM.GMS") << "the higher archive first";
    EXPECT_EQ(MassFile.FoundFiles[1], "OBJECTS\\ANIMATIONS\\WALK.GMS");
    EXPECT_EQ(MassFile.FoundFiles[2], "OBJECTS\\ANIMATIONS\\JUMP.GMS");
    EXPECT_EQ(MassFile.ListFiles("objects\\animations\\", ".*"), 4);
    EXPECT_EQ(MassFile.ListFiles("Objects\\", ".gms"), 0);
}

TEST_F(MassFileTest, NoArchiveMeansNothingIsFound) {
    MassFile.Create();
    EXPECT_TRUE(MassFile.Files.empty());
    EXPECT_FALSE(MassFileExists(AppDir + "Levels\\Zestars.map"));
    TMassFileStream s(AppDir + "Levels\\Zestars.map", 0);
    EXPECT_EQ(s.Size, 0);
    EXPECT_EQ(s.ReadInt32(), 0);
    EXPECT_TRUE(Logged.empty()) << "a missing archive is skipped silently";
}

TEST_F(MassFileTest, StreamReadsAnEntryAndWritesPlainFilesAtomically) {
    TByteWriter record;
    record.WriteString("Name");
    record.WriteInt32(12345);
    WriteArchive("Rollix.msf", {{"Levels\\", "rec.bin", record.Bytes}});
    MassFile.Create();
    TMassFileStream in(AppDir + "Levels\\rec.bin", 0);
    EXPECT_EQ(in.Size, int32_t(record.Bytes.size()));
    EXPECT_EQ(in.ReadString(), "Name");
    EXPECT_EQ(in.ReadInt32(), 12345);
    EXPECT_EQ(in.ToMemoryStream(4, 100), std::vector<uint8_t>(record.Bytes.begin() + 4, record.Bytes.end()));

    std::string out = AppDir + "saved.dat";
    {
        TMassFileStream w(out, 0xFFFF);
        w.WriteInt32(7);
        w.WriteString("ok");
    }
    auto bytes = LoadPlainFile(out);
    ASSERT_TRUE(bytes);
    TByteReader back(*bytes);
    EXPECT_EQ(back.ReadInt32(), 7);
    EXPECT_EQ(back.ReadString(), "ok");

    // A writer that fails midway leaves the old file as it was.
    try {
        TMassFileStream w(out, 0xFFFF);
        w.WriteInt32(99);
        throw std::runtime_error("writer failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(*LoadPlainFile(out), *bytes);
}

struct TDamage {
    const char* what;
    size_t at;     // byte offset to overwrite
    int32_t value; // int32 written there
};

TEST_F(MassFileTest, DamagedDirectoryIsSkippedWithOneLogLineAndNoError) {
    std::vector<uint8_t> good;
    std::string why;
    ASSERT_TRUE(WriteMassFile({{"Levels\\", "a.map", Text("abcd")}}, good, why));
    // Layout: 11 id, dir count @11, key length @15, "Levels\" @19, file count @26,
    // name length @30, "a.map" @34, size @39, offset @43, data @47.
    const TDamage cases[] = {
        {"negative folder count", 11, -1}, {"huge folder count", 11, 0x10000000},
        {"negative file count", 26, -3},   {"name longer than the file", 30, 1000},
        {"negative name length", 30, -1},  {"entry beyond the end", 39, 5},
        {"offset beyond the end", 43, 1},  {"negative size", 39, -4},
    };
    for (const TDamage& d : cases) {
        std::vector<uint8_t> bad = good;
        for (int i = 0; i < 4; ++i)
            bad[d.at + size_t(i)] = uint8_t(uint32_t(d.value) >> (8 * i));
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix2.msf", bad));
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", good));
        Logged.clear();
        MassFile.Create();
        EXPECT_EQ(MassFile.Files.size(), 1u) << d.what;
        EXPECT_EQ(Logged.size(), 1u) << d.what;
        EXPECT_EQ(Read("Levels\\a.map"), "abcd") << d.what << ": the good archive still serves";
    }
    EXPECT_EQ(ErrorCount, 0) << "a damaged archive is not a caught error";
    EXPECT_FALSE(TraceFrozen);
}

TEST_F(MassFileTest, EveryTruncatedPrefixOfAnArchiveOpensSafely) {
    std::vector<uint8_t> full;
    std::string why;
    ASSERT_TRUE(WriteMassFile({{"Levels\\", "a.map", Text("abcdef")},
                               {"Sounds\\", "b.ogg", Text("xyz")},
                               {"Levels\\", "c.map", Text("")}},
                              full, why));
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", full.data(), cut));
        MassFile.Create();
        if (MassFile.Files.empty()) continue;
        // An archive that opens must serve whole entries only.
        for (const char* key : {"Levels\\a.map", "Sounds\\b.ogg", "Levels\\c.map"}) {
            std::vector<uint8_t> data;
            if (MassFile.ReadFile(AppDir + key, data)) {
                EXPECT_LE(data.size(), 6u);
            }
        }
    }
    SaveFileAtomic(AppDir + "Rollix.msf", full);
    MassFile.Create();
    EXPECT_EQ(Read("Levels\\a.map"), "abcdef");
    EXPECT_EQ(Read("Sounds\\b.ogg"), "xyz");
    EXPECT_EQ(Read("Levels\\c.map"), "");
}

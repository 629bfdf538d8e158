#include "app/FileSave.h"
#include "app/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {
class FileSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("rollix-save-" + std::to_string(::getpid()));
        fs::remove_all(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }
    fs::path Dir;
};
} // namespace

TEST_F(FileSaveTest, ReplacesTheFileAndLeavesNoTemporary) {
    std::string path = (Dir / "sub" / "MubDat.ini").string();
    ASSERT_TRUE(SaveFileAtomic(path, "first", 5));
    ASSERT_TRUE(SaveFileAtomic(path, "second!", 7));
    auto bytes = LoadPlainFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "second!");
    int files = 0;
    for (auto& e : fs::directory_iterator(Dir / "sub")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(FileSaveTest, FailedSaveKeepsTheOldFile) {
    std::string path = (Dir / "keep.dat").string();
    ASSERT_TRUE(SaveFileAtomic(path, "old", 3));
    fs::permissions(Dir, fs::perms::owner_read | fs::perms::owner_exec);
    bool saved = SaveFileAtomic(path, "new", 3);
    fs::permissions(Dir, fs::perms::owner_all);
    if (saved) GTEST_SKIP() << "running with rights that ignore folder permissions";
    auto bytes = LoadPlainFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "old");
}

TEST_F(FileSaveTest, FailedRenameReportsFailureAndLeavesNoTemporary) {
    // A folder where the file should go: the final rename fails even for root.
    fs::create_directories(Dir / "MubDat.ini" / "inside");
    EXPECT_FALSE(SaveFileAtomic((Dir / "MubDat.ini").string(), "data", 4));
    int entries = 0;
    for (auto& e : fs::directory_iterator(Dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "the temporary file is removed";
    EXPECT_TRUE(fs::is_directory(Dir / "MubDat.ini" / "inside"));
}

TEST_F(FileSaveTest, DamagedFileIsKeptAside) {
    std::string path = (Dir / "MubDat.ini").string();
    ASSERT_TRUE(SaveFileAtomic(path, "garbage", 7));
    std::string aside = KeepAsideDamaged(path);
    ASSERT_FALSE(aside.empty());
    EXPECT_FALSE(fs::exists(path));
    auto bytes = LoadPlainFile(aside);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "garbage");
    // A second damaged file in the same second gets its own name.
    ASSERT_TRUE(SaveFileAtomic(path, "again", 5));
    std::string aside2 = KeepAsideDamaged(path);
    EXPECT_NE(aside2, aside);
    EXPECT_TRUE(fs::exists(aside));
}

TEST(Paths, UserFoldersFollowTheEnvironment) {
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    ::setenv("ROLLIX_HOME", "/x/home", 1);
    EXPECT_EQ(UserConfigDir(), "/x/home/");
    EXPECT_EQ(UserDataDir(), "/x/home/");
    ::unsetenv("ROLLIX_HOME");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("XDG_DATA_HOME", "/data/", 1);
    EXPECT_EQ(UserConfigDir(), "/cfg/rollix/");
    EXPECT_EQ(UserDataDir(), "/data/rollix/");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/home/p", 1);
    EXPECT_EQ(UserConfigDir(), "/home/p/.config/rollix/");
    EXPECT_EQ(UserDataDir(), "/home/p/.local/share/rollix/");
    if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(Paths, AppDirIsTheExecutableFolderOrTheDataOption) {
    InitAppDir();
    ASSERT_FALSE(AppDir.empty());
    EXPECT_EQ(AppDir.back(), '/');
    EXPECT_TRUE(fs::exists(AppDir + "rollix_app_tests"));
    InitAppDir("/opt/data");
    EXPECT_EQ(AppDir, "/opt/data/");
}

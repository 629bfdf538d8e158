#include "app/SiteTrace.h"
#include "app/FileSave.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {
// Each test gets its own user folder and a fresh trail.
class SiteTraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Home = std::filesystem::temp_directory_path() /
               ("rollix-trace-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Home);
        ::setenv("ROLLIX_HOME", Home.c_str(), 1);
        ResetSiteTrace();
        Fatal.clear();
        ExitCode = -1;
        SetFatalErrorHandler([this](const std::string& m) { Fatal = m; });
        SetErrorExitHandler([this](int code) { ExitCode = code; });
    }
    void TearDown() override {
        SetFatalErrorHandler(nullptr);
        SetErrorExitHandler(nullptr);
        ResetSiteTrace();
        ::unsetenv("ROLLIX_HOME");
        std::filesystem::remove_all(Home);
    }
    std::string ReadLog() {
        auto bytes = LoadPlainFile(ErrorLogPath());
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }
    std::filesystem::path Home;
    std::string Fatal;
    int ExitCode = -1;
};
} // namespace

TEST_F(SiteTraceTest, LogListsTheLast101SitesOldestFirst) {
    for (int n = 1; n <= 150; ++n)
        RecordSite(n);
    HandleError();
    std::string expected = "Last Err_Site: 150\r\nplusstring: \r\n";
    for (int n = 50; n <= 150; ++n)
        expected += std::to_string(n) + ",";
    EXPECT_EQ(ReadLog(), expected);
    EXPECT_EQ(ErrorLogPath(), Home.string() + "/Rollix_Error.txt");
}

TEST_F(SiteTraceTest, FirstErrorFreezesTheTrailAndOnlyItIsWritten) {
    RecordSite(11);
    RecordSite(12);
    HandleError();
    std::string first = ReadLog();
    RecordSite(99);
    EXPECT_EQ(LastSite, 12) << "a frozen trail records nothing";
    GuardErrors([] { throw std::runtime_error("second"); });
    EXPECT_EQ(ErrorCount, 2);
    EXPECT_EQ(ReadLog(), first);
    EXPECT_TRUE(Fatal.empty());
    EXPECT_EQ(ExitCode, -1);
}

TEST_F(SiteTraceTest, TenthErrorShowsTheLastSiteAndEnds) {
    RecordSite(4711);
    for (int i = 0; i < 9; ++i) {
        EXPECT_FALSE(GuardErrors([] { throw 1; }));
        EXPECT_EQ(ExitCode, -1) << "error " << i + 1;
    }
    HandleError();
    EXPECT_EQ(Fatal, "Error 4711");
    EXPECT_EQ(ExitCode, 1);
}

TEST_F(SiteTraceTest, UnwritableFolderDoesNotThrow) {
    // A file where the folder should be: the trace cannot be written, and the
    // handler still returns normally.
    std::filesystem::create_directories(Home.parent_path());
    {
        std::string blocker = Home.string();
        ASSERT_TRUE(SaveFileAtomic(blocker, "x", 1));
    }
    RecordSite(5);
    EXPECT_NO_THROW(HandleError());
    EXPECT_EQ(ErrorCount, 1);
    std::filesystem::remove(Home);
}

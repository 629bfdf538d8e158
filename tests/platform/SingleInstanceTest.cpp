#include "platform/SingleInstance.h"
#include "platform/OpenUrl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/rollix-instance-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }
    std::string Dir;
};

TEST_F(SingleInstanceTest, SecondCopyFindsTheLockAndWakesTheFirst) {
    TSingleInstance first, second;
    std::string error;
    ASSERT_TRUE(first.Acquire(Dir, error)) << error;
    EXPECT_FALSE(first.PollWake());
    EXPECT_FALSE(second.Acquire(Dir, error));
    EXPECT_TRUE(error.empty()) << error; // taken, not broken
    ASSERT_TRUE(TSingleInstance::WakeRunning(Dir));
    EXPECT_TRUE(first.PollWake());
    EXPECT_FALSE(first.PollWake()); // one wake, seen once
    first.Release();
    EXPECT_TRUE(second.Acquire(Dir, error)) << error; // free again after the first ends
}

TEST_F(SingleInstanceTest, OtherMessagesAreIgnored) {
    TSingleInstance first;
    std::string error;
    ASSERT_TRUE(first.Acquire(Dir, error)) << error;
    for (const char* text : {"5555 8889\n", "1 2\n", "5555\n", "junk", "5555 8888", "5555 8888 1\n", ""}) {
        TSingleInstance::SendRaw(Dir, text);
        EXPECT_FALSE(first.PollWake()) << text;
    }
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedCopyIsReplaced) {
    {
        TSingleInstance crashed;
        std::string error;
        ASSERT_TRUE(crashed.Acquire(Dir, error));
    }
    // A socket file left behind (the crashed copy could not remove it).
    FILE* f = std::fopen((Dir + "/rollix.sock").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    TSingleInstance next;
    std::string error;
    ASSERT_TRUE(next.Acquire(Dir, error)) << error;
    ASSERT_TRUE(TSingleInstance::WakeRunning(Dir));
    EXPECT_TRUE(next.PollWake());
}

TEST_F(SingleInstanceTest, NoRunningCopyMeansNoWake) {
    EXPECT_FALSE(TSingleInstance::WakeRunning(Dir));
    std::string error;
    TSingleInstance copy;
    EXPECT_FALSE(copy.Acquire(Dir + "/missing/folder", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(copy.Acquire("", error)); // never a lock in the working folder
    EXPECT_FALSE(error.empty());
}

TEST(OpenUrl, OnlyPlainWebAddressesAreOpened) {
    struct Case {
        const char* url;
        bool ok;
    } cases[] = {
        {"https://example.org/records?level=1&name=A", true},
        {"http://example.org", true},
        {"https://", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"https://example.org/a b", false},
        {"https://example.org/\n--help", false},
        {"-https://example.org", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOpenableAddress(c.url), c.ok) << c.url;
    EXPECT_FALSE(OpenWebAddress("--version")); // never reaches the opener as an option
}

} // namespace

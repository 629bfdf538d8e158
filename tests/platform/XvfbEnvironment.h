// Starts a private Xvfb for the window tests when no X server is at hand,
// and stops it afterwards. Tests skip with a message when none can be started.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>

class TXvfbEnvironment : public ::testing::Environment {
  public:
    void SetUp() override;
    void TearDown() override;
    static bool Available() { return !Why().empty() ? false : HaveDisplay(); }
    static const std::string& Why();

  private:
    static bool& HaveDisplay();
    pid_t Server = -1;
};

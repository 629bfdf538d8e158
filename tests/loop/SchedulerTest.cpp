#include "app/MainLoop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The scheduler reads a fake clock the test moves by hand.
class SchedulerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMainLoop();
        SetMilliClock([this] { return Now; });
        StartTickClock();
    }
    void TearDown() override { ResetMainLoop(); }

    // One event `ms` after the previous one; the ticks it runs.
    int32_t EventAfter(uint32_t ms, bool level = true) {
        Now += ms;
        ScheduleTicks(level);
        return TickCount;
    }

    uint32_t Now = 5000;
};

TEST_F(SchedulerTest, WholeTicksCarryTheRemainder) {
    struct Step {
        uint32_t ms;
        int32_t ticks, remainder;
    };
    const std::vector<std::vector<Step>> runs = {
        {{3, 0, 3}, {3, 0, 6}, {3, 0, 9}, {3, 1, 2}}, // events 3 ms apart
        {{10, 1, 0}, {25, 2, 5}, {5, 1, 0}, {0, 0, 0}},
        {{505, 50, 5}, {515, 1, 0}}, // 50 run; 52 due collapse to 1
        {{515, 1, 5}, {5, 1, 0}},    // 51 due: one tick, 5 ms kept
        {{1, 0, 1}, {499, 50, 0}, {509, 50, 9}},
    };
    for (const auto& run : runs) {
        StartTickClock();
        for (const Step& s : run) {
            SCOPED_TRACE(s.ms);
            EXPECT_EQ(EventAfter(s.ms), s.ticks);
            EXPECT_EQ(TickRemainder, s.remainder);
            EXPECT_EQ(TickMs, int32_t(s.ms));
        }
    }
}

TEST_F(SchedulerTest, CatchUpLimitAppliesOnlyWithALevel) {
    EXPECT_EQ(EventAfter(515, false), 51);
    EXPECT_EQ(TickRemainder, 5);
    EXPECT_EQ(EventAfter(515, true), 1);
}

TEST_F(SchedulerTest, ResetTimingRunsExactlyOneTickAndKeepsTheRemainder) {
    EventAfter(7);
    ResetTiming = true;
    EXPECT_EQ(EventAfter(3000), 1); // a slow load is not caught up
    EXPECT_EQ(TickMs, 10);
    EXPECT_FALSE(ResetTiming);
    EXPECT_EQ(TickRemainder, 7); // (7 + 1000) mod 10: the clamped second
    ResetTiming = true;
    EXPECT_EQ(EventAfter(0), 1); // even with no time passed
    EXPECT_EQ(EventAfter(3), 1); // 7 + 3
    EXPECT_EQ(TickRemainder, 0);
}

TEST_F(SchedulerTest, BackwardsOrWrappedClockGivesNoTime) {
    Now = 1000;
    StartTickClock();
    Now = 900; // backwards
    ScheduleTicks(true);
    EXPECT_EQ(TickMs, 0);
    EXPECT_EQ(TickCount, 0);
    Now = 0xFFFFFFF0u;
    StartTickClock();
    Now = 0x10; // wrapped
    ScheduleTicks(true);
    EXPECT_EQ(TickMs, 0);
    EXPECT_EQ(TickCount, 0);
    EXPECT_EQ(EventAfter(20), 2); // and counting resumes from the new value
}

TEST_F(SchedulerTest, OneEventAccountsForAtMostASecond) {
    // A clock that jumps (a suspended machine) or an event long after start.
    EXPECT_EQ(EventAfter(4000000000u, false), MaxElapsedMs / TickLengthMs);
    EXPECT_EQ(TickMs, MaxElapsedMs);
    EXPECT_EQ(TickRemainder, 0);
    EXPECT_EQ(EventAfter(3600000, true), 1);
}

TEST_F(SchedulerTest, ClockStartsAtProgramStart) {
    // The default clock counts from program start, so the first event after
    // starting the tick clock sees only the time since then.
    ResetMainLoop();
    StartTickClock();
    ScheduleTicks(true);
    EXPECT_LT(TickMs, 1000);
    EXPECT_GE(TickMs, 0);
}

TEST_F(SchedulerTest, FrameStatisticsSkipTheFirstSample) {
    ResetFrameStats();
    FrameStamp = 0;
    RecordFrameTime(); // no stamp yet: ignored
    EXPECT_EQ(FrameTimeMin, -1);
    Now += 30;
    RecordFrameTime(); // first sample: only the minimum
    EXPECT_EQ(FrameTimeLast, 30);
    EXPECT_EQ(FrameTimeMin, 30);
    EXPECT_EQ(FrameTimeCount, 0);
    for (uint32_t ms : {40u, 20u, 57u}) {
        Now += ms;
        RecordFrameTime();
    }
    EXPECT_EQ(FrameTimeMin, 20);
    EXPECT_EQ(FrameTimeSum, 117);
    EXPECT_EQ(FrameTimeCount, 3);
    EXPECT_EQ(AverageFrameTime(), 39); // integer division; 39 still counts as optimal
    Now -= 10;                         // a stamp later than now: ignored
    RecordFrameTime();
    EXPECT_EQ(FrameTimeCount, 3);
    ResetFrameStats();
    EXPECT_EQ(AverageFrameTime(), 0);
}

} // namespace

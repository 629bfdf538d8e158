#include "app/FrameStats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(FrameStats, RatesAndPercentilesOverTheMeasuredIntervals) {
    TFrameStats stats;
    stats.AddFrame(-1); // the first frame has no interval
    // Ten intervals: 10, 20, …, 100 ms, given out of order.
    for (double ms : {50.0, 10.0, 100.0, 30.0, 20.0, 70.0, 40.0, 90.0, 60.0, 80.0})
        stats.AddFrame(ms);
    for (int i = 0; i < 275; ++i)
        stats.AddTick();
    EXPECT_EQ(stats.FrameCount(), 11);
    EXPECT_DOUBLE_EQ(stats.MeasuredMs(), 550.0);
    EXPECT_NEAR(stats.AverageFps(), 10 * 1000.0 / 550.0, 1e-9);
    struct Case {
        double p, ms;
    } cases[] = {{0, 10}, {10, 10}, {11, 20}, {50, 50}, {95, 100}, {100, 100}, {-5, 10}, {250, 100}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(stats.FrameTimePercentile(c.p), c.ms) << c.p;
    EXPECT_DOUBLE_EQ(stats.WorstFrameMs(), 100.0);
    EXPECT_EQ(stats.SlowFrames(33.0), 7);
    const std::string summary = stats.Summary();
    EXPECT_NE(summary.find("frames 11 in 0.55 s: 18.2 fps"), std::string::npos) << summary;
    EXPECT_NE(summary.find("median 50.0 ms, 95% 100.0 ms, worst 100.0 ms; 7 frames over 33 ms"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("275 ticks (500.0 per second)"), std::string::npos) << summary;
}

TEST(FrameStats, TimeTheMeasurementTookCountsForTheRunButNotTheFrames) {
    TFrameStats stats;
    stats.AddFrame(-1);
    stats.AddFrame(20.0);
    stats.AddFrame(120.0, 100.0); // a screenshot took 100 ms of this frame
    stats.AddFrame(15.0, 40.0);   // more than the frame took: the whole frame is excluded
    for (int i = 0; i < 31; ++i)
        stats.AddTick();
    EXPECT_DOUBLE_EQ(stats.WorstFrameMs(), 20.0);
    EXPECT_DOUBLE_EQ(stats.MeasuredMs(), 40.0);
    EXPECT_DOUBLE_EQ(stats.WallMs(), 155.0);
    EXPECT_NEAR(stats.AverageFps(), 3 * 1000.0 / 40.0, 1e-9);
    EXPECT_NE(stats.Summary().find("in 0.15 s"), std::string::npos) << stats.Summary();
    EXPECT_NE(stats.Summary().find("31 ticks (200.0 per second)"), std::string::npos) << stats.Summary();
}

TEST(FrameStats, NothingMeasuredGivesZerosNotNaN) {
    TFrameStats stats;
    EXPECT_EQ(stats.AverageFps(), 0.0);
    EXPECT_EQ(stats.FrameTimePercentile(50), 0.0);
    stats.AddFrame(-1);
    stats.AddFrame(std::numeric_limits<double>::quiet_NaN());
    stats.AddFrame(std::numeric_limits<double>::infinity());
    stats.AddFrame(0.0); // two frames in the same millisecond
    EXPECT_EQ(stats.FrameCount(), 4);
    EXPECT_EQ(stats.AverageFps(), 0.0);
    EXPECT_EQ(stats.WorstFrameMs(), 0.0);
    const std::string summary = stats.Summary();
    EXPECT_EQ(summary.find("nan"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("inf"), std::string::npos) << summary;
}

} // namespace

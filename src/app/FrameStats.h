// Frame statistics of a timed run: how long each frame took from the
// previous one, summed up as rates and percentiles when the run ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TFrameStats {
  public:
    // One presented frame, with the milliseconds since the previous one
    // (the first frame of a run has no previous one: pass a negative value).
    // excludedMs of that time went to the measurement itself (a screenshot):
    // it counts for the run's length but not for the frame's time.
    void AddFrame(double sinceLastMs, double excludedMs = 0.0);
    // One simulation tick ran.
    void AddTick() { ++Ticks; }

    int64_t FrameCount() const { return Frames; }
    int64_t TickCount() const { return Ticks; }
    // Milliseconds covered by the measured intervals, without and with the excluded time.
    double MeasuredMs() const { return TotalMs; }
    double WallMs() const { return TotalMs + ExcludedMs; }
    double AverageFps() const;
    // p in 0 … 100 over the measured intervals, nearest rank; 0 with none.
    double FrameTimePercentile(double p) const;
    double WorstFrameMs() const;
    // Intervals longer than limitMs.
    int64_t SlowFrames(double limitMs) const;

    // "frames 612 in 10.00 s: 61.2 fps; frame time median 16.1 ms, 95% 18.0 ms,
    // worst 41.3 ms; 3 frames over 33 ms; 1000 ticks (100.0 per second)"
    std::string Summary() const;

  private:
    std::vector<double> Intervals;
    int64_t Frames = 0;
    int64_t Ticks = 0;
    double TotalMs = 0;
    double ExcludedMs = 0;
};

#include "app/FrameStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void TFrameStats::AddFrame(double sinceLastMs, double excludedMs) {
    ++Frames;
    // A clock that stepped back, or a value that is no time at all, measures nothing.
    if (!(sinceLastMs >= 0.0) || !std::isfinite(sinceLastMs)) return;
    const double excluded = std::isfinite(excludedMs) ? std::clamp(excludedMs, 0.0, sinceLastMs) : 0.0;
    Intervals.push_back(sinceLastMs - excluded);
    TotalMs += sinceLastMs - excluded;
    ExcludedMs += excluded;
}

double TFrameStats::AverageFps() const {
    if (Intervals.empty() || TotalMs <= 0.0) return 0.0;
    return double(Intervals.size()) * 1000.0 / TotalMs;
}

double TFrameStats::FrameTimePercentile(double p) const {
    if (Intervals.empty()) return 0.0;
    std::vector<double> sorted = Intervals;
    std::sort(sorted.begin(), sorted.end());
    const double clamped = std::clamp(std::isfinite(p) ? p : 100.0, 0.0, 100.0);
    // Nearest rank: the smallest value with at least p % of the values at or below it.
    size_t rank = size_t(std::ceil(clamped / 100.0 * double(sorted.size())));
    rank = std::clamp<size_t>(rank, 1, sorted.size());
    return sorted[rank - 1];
}

double TFrameStats::WorstFrameMs() const {
    return Intervals.empty() ? 0.0 : *std::max_element(Intervals.begin(), Intervals.end());
}

int64_t TFrameStats::SlowFrames(double limitMs) const {
    return std::count_if(Intervals.begin(), Intervals.end(), [limitMs](double ms) { return ms > limitMs; });
}

std::string TFrameStats::Summary() const {
    const double seconds = WallMs() / 1000.0;
    char line[400];
    std::snprintf(line, sizeof line,
                  "frames %lld in %.2f s: %.1f fps; frame time median %.1f ms, 95%% %.1f ms, worst %.1f ms; "
                  "%lld frames over 33 ms; %lld ticks (%.1f per second)",
                  (long long)Frames, seconds, AverageFps(), FrameTimePercentile(50), FrameTimePercentile(95),
                  WorstFrameMs(), (long long)SlowFrames(33.0), (long long)Ticks,
                  seconds > 0.0 ? double(Ticks) / seconds : 0.0);
    return line;
}

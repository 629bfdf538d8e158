#include "platform/TimedRun.h"

#include "platform/Screenshot.h"

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

void TTimedRun::BeforeTick(uint32_t nowMs) {
    if (!Started) {
        Started = true;
        StartMs = nowMs;
        LastPresentMs = nowMs;
        NextShotMs = Options.ShotEveryMs;
    }
    FrameStats.AddTick();
    ApplyScriptTick(Options.Script, NextEvent, int32_t(FrameStats.TickCount()));
}

void TTimedRun::BeforePresent(uint32_t nowMs, int32_t width, int32_t height) {
    if (!Started) return;
    const int64_t elapsed = int64_t(uint32_t(nowMs - StartMs));
    if (Options.RunForMs > 0 && elapsed >= Options.RunForMs) Finished = true;
    if (Options.ShotsDir.empty() || elapsed < NextShotMs || width <= 0 || height <= 0) return;
    // One picture per due time, even after a long stall.
    while (NextShotMs <= elapsed)
        NextShotMs += std::max(Options.ShotEveryMs, 1);
    char name[64];
    std::snprintf(name, sizeof name, "/shot-%02zu.png", SavedShots.size() + ShotErrors.size() + 1);
    const std::string path = Options.ShotsDir + name;
    if (SaveFramePicture(path, width, height)) {
        char when[48];
        std::snprintf(when, sizeof when, " (%.1f s, tick %d)", double(elapsed) / 1000.0,
                      int32_t(FrameStats.TickCount()));
        SavedShots.push_back(path + when);
    } else {
        ShotErrors.push_back("cannot write " + path);
    }
}

void TTimedRun::AfterPresent(uint32_t nowMs, uint32_t excludedMs) {
    if (!Started) return;
    if (FirstFrameMs < 0) FirstFrameMs = int64_t(uint32_t(nowMs - Options.ProgramStartMs));
    // The first frame only starts the clock: it has no interval before it.
    FrameStats.AddFrame(FrameStats.FrameCount() == 0 ? -1.0 : double(uint32_t(nowMs - LastPresentMs)),
                        double(excludedMs));
    LastPresentMs = nowMs;
}

std::string TTimedRun::Report() const {
    std::string out;
    for (const std::string& shot : SavedShots)
        out += "screenshot " + shot + "\n";
    for (const std::string& error : ShotErrors)
        out += "rollix: " + error + "\n";
    if (FirstFrameMs >= 0)
        out += "first frame of play " + std::to_string(FirstFrameMs) + " ms after the start\n";
    out += FrameStats.Summary() + "\n";
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        out += "peak memory " + std::to_string(usage.ru_maxrss / 1024) + " MB\n";
    return out;
}

// A timed run of the windowed game, for newcomers on machines with no
// display and for measuring: keys pressed by a script at fixed ticks of play,
// a screenshot every few seconds, a stop after a set time and the frame
// statistics at the end.
#pragma once

#include "app/FrameStats.h"
#include "app/InputScript.h"

#include <cstdint>
#include <string>
#include <vector>

struct TTimedRunOptions {
    TInputScript Script;
    int32_t RunForMs = 0; // 0 = no stop
    std::string ShotsDir; // empty = no screenshots
    int32_t ShotEveryMs = 2000;
    // The clock reading when the program started, for the cold start figure.
    uint32_t ProgramStartMs = 0;
};

class TTimedRun {
  public:
    TTimedRun() = default;
    explicit TTimedRun(TTimedRunOptions options) : Options(std::move(options)) {}

    bool Active() const {
        return Options.RunForMs > 0 || !Options.ShotsDir.empty() || !Options.Script.Events.empty();
    }
    // Before every tick of play: the script's keys for this tick (tick 1 is
    // before the first). The run's clock starts at its first tick; frames
    // before it (the loading screen) are not counted.
    void BeforeTick(uint32_t nowMs);
    // Before a frame is shown, with its back buffer complete: saves the
    // screenshot when one is due.
    void BeforePresent(uint32_t nowMs, int32_t width, int32_t height);
    // After the frame was shown; excludedMs is time spent on the run's own
    // work since BeforePresent (saving a screenshot), left out of the frame time.
    void AfterPresent(uint32_t nowMs, uint32_t excludedMs = 0);
    // The run has lasted its time (checked when a frame is shown).
    bool Over() const { return Finished; }

    const std::vector<std::string>& Shots() const { return SavedShots; }
    const TFrameStats& Stats() const { return FrameStats; }
    // Screenshots that could not be written, one line each.
    const std::vector<std::string>& Errors() const { return ShotErrors; }
    // The lines printed when the run ends.
    std::string Report() const;

  private:
    TTimedRunOptions Options;
    size_t NextEvent = 0;
    bool Started = false;
    uint32_t StartMs = 0, LastPresentMs = 0;
    int64_t NextShotMs = 0;
    bool Finished = false;
    int64_t FirstFrameMs = -1; // after the program's start
    TFrameStats FrameStats;
    std::vector<std::string> SavedShots, ShotErrors;
};

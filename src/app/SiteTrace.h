// A cheap trail of the last 101 operations that ran. Every operation of the
// game records its own constant site number on entry; a caught error freezes
// the trail and writes it to the error trace once per run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

constexpr int SiteRingSize = 101;

extern int32_t SiteRing[SiteRingSize];
extern int32_t SiteIndex;
extern int32_t LastSite;
extern bool TraceFrozen;
extern int32_t ErrorCount;
extern bool LogWritten;

inline int32_t RecordSite(int32_t n) {
    if (TraceFrozen) return n;
    LastSite = n;
    SiteRing[SiteIndex] = n;
    if (++SiteIndex > SiteRingSize - 1) SiteIndex = 0;
    return n;
}

// Called when the tenth error is caught, with the text to show ("Error 1234").
// The default shows nothing; the platform layer installs its message box.
// After it returns the program ends.
using TFatalErrorHandler = std::function<void(const std::string& message)>;
void SetFatalErrorHandler(TFatalErrorHandler handler);
// What ends the program after the fatal message; tests replace it.
using TExitHandler = std::function<void(int code)>;
void SetErrorExitHandler(TExitHandler handler);
// Stops the main timer before the fatal message; the main loop installs it.
void SetStopTimerHandler(std::function<void()> handler);

// Called by the error guards after catching an error. Never throws.
void HandleError();

// Writes the trail to path, only on the first call of a run. Never throws.
void WriteErrorLog(const std::string& path, const std::string& extra);

// The error trace file in the user's data folder.
std::string ErrorLogPath();

// Back to the start-of-run state (tests run many "runs" in one process).
void ResetSiteTrace();

// Runs work and hands any exception to HandleError. Returns false when an
// error was caught.
template <typename F> bool GuardErrors(F&& work) {
    try {
        work();
        return true;
    } catch (...) {
        HandleError();
        return false;
    }
}

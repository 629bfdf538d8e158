#include "app/SiteTrace.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"

#include <cstdlib>

int32_t SiteRing[SiteRingSize];
int32_t SiteIndex = 0;
int32_t LastSite = 0;
bool TraceFrozen = false;
int32_t ErrorCount = 0;
bool LogWritten = false;

namespace {
TFatalErrorHandler& FatalHandler() {
    static TFatalErrorHandler h;
    return h;
}
TExitHandler& ExitHandler() {
    static TExitHandler h;
    return h;
}
std::function<void()>& StopTimer() {
    static std::function<void()> h;
    return h;
}
} // namespace

void SetFatalErrorHandler(TFatalErrorHandler handler) {
    FatalHandler() = std::move(handler);
}
void SetErrorExitHandler(TExitHandler handler) {
    ExitHandler() = std::move(handler);
}
void SetStopTimerHandler(std::function<void()> handler) {
    StopTimer() = std::move(handler);
}

std::string ErrorLogPath() {
    return UserDataDir() + "Rollix_Error.txt";
}

void HandleError() {
    try {
        TraceFrozen = true;
        ErrorCount += 1;
        if (ErrorCount > 9) {
            if (StopTimer()) StopTimer()();
            std::string message = "Error " + std::to_string(LastSite);
            LogLine(message);
            if (FatalHandler()) FatalHandler()(message);
            if (ExitHandler()) {
                ExitHandler()(1);
                return;
            }
            std::_Exit(1);
        }
        WriteErrorLog(ErrorLogPath(), "");
    } catch (...) {
        // The error handler is the last line of defence: it never throws.
    }
}

void WriteErrorLog(const std::string& path, const std::string& extra) {
    if (LogWritten) return;
    LogWritten = true;
    try {
        std::string text = "Last Err_Site: " + std::to_string(LastSite) + "\r\n";
        text += "plusstring: " + extra + "\r\n";
        int32_t i = SiteIndex;
        for (int n = 0; n < SiteRingSize; ++n) {
            text += std::to_string(SiteRing[i]) + ",";
            if (++i > SiteRingSize - 1) i = 0;
        }
        if (!SaveFileAtomic(path, text.data(), text.size()))
            LogLine("could not write the error trace " + path);
    } catch (...) {
    }
}

void ResetSiteTrace() {
    for (int32_t& s : SiteRing)
        s = 0;
    SiteIndex = 0;
    LastSite = 0;
    TraceFrozen = false;
    ErrorCount = 0;
    LogWritten = false;
}

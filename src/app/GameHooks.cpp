#include "app/GameHooks.h"

#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Random.h"
#include "app/SiteTrace.h"

#include <cstdio>

TGameHooks GameHooks;
std::string StartLevelOverride;

std::string TStateHash::Hex() const {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(Value));
    return buf;
}

void StartGame() {
    RecordSite(13201);
    if (!GameStarted) {
        MarkGameStarted();
        Seed(MilliClock());
        if (GameHooks.CreateRenderContext) GameHooks.CreateRenderContext();
    }
    const std::string name = StartLevelOverride.empty() ? FirstLevelName() : StartLevelOverride;
    if (!GameHooks.LoadLevel || !GameHooks.LoadLevel(name))
        LogLine("level " + name + " cannot be loaded yet");
    ResetTiming = true;
}

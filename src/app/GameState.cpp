#include "app/GameState.h"

#include "app/LoopLevel.h"

#include <cstdio>

bool StartPhase = true;
bool GameStarted = false;
bool FullScreen = false;
bool TestRun = false;
bool QuitRequested = false;
bool ShowPublisherLogo = false;
bool PublisherLogoDone = false;
int32_t ScreenWidth = DefaultWindowWidth, ScreenHeight = DefaultWindowHeight;

int32_t TickCount = 0;
int32_t TickMs = 0;
bool ResetTiming = false;
bool Paused = false;

std::function<void()> PresentFrame;

TLoopLevel* LoopLevel = nullptr;
TGameHooks GameHooks;

std::string TStateHash::Hex() const {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(Value));
    return buf;
}

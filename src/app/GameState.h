// The program-wide state that many parts of the game read: the window's size
// and the game's phase (kept by the main window), the tick schedule's values
// (kept by the main loop) and the swap of a drawn frame (set by the
// platform). They live in the shared core so that the level and the game
// read them without linking the loop above them.
#pragma once

#include <cstdint>
#include <functional>

extern bool StartPhase;
extern bool GameStarted;
extern bool FullScreen;
extern bool TestRun;
extern bool QuitRequested;
extern bool ShowPublisherLogo;
extern bool PublisherLogoDone;
extern int32_t ScreenWidth, ScreenHeight;

constexpr int32_t DefaultWindowWidth = 800;
constexpr int32_t DefaultWindowHeight = 600;

extern int32_t TickCount; // ticks to run in this event; 1 inside a tick
extern int32_t TickMs;    // ms since the previous event; 10 inside a tick
extern bool ResetTiming;  // the next event runs exactly one tick
extern bool Paused;

constexpr int32_t TickLengthMs = 10;

// Shows the drawn back buffer (the platform's buffer swap); empty with no window.
extern std::function<void()> PresentFrame;

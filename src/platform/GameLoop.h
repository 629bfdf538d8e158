// The windowed game: SDL events become the main window's handlers, and the
// loop sleeps until the next tick is due (or until an event comes), calling
// the main loop's timer event about every millisecond while the window is
// active and waiting for events while it is minimized.
#pragma once

#include "platform/GameWindow.h"
#include "platform/SingleInstance.h"
#include "platform/TimedRun.h"

struct TGameStartOptions {
    TWindowOptions Window;
    bool SingleInstance = true;
    TTimedRunOptions Run; // a scripted, timed run with screenshots
};

// Opens the window and plays until the window closes (or a timed run ends,
// printing its screenshots and frame statistics). The exit code.
int RunWindowedGame(const TGameStartOptions& options);

// One SDL event in game terms.
void HandleSdlEvent(const SDL_Event& event, TGameWindow& window);

// Decodes UTF-8 text into code points; a broken sequence gives U+FFFD.
std::u32string DecodeUtf8(const char* text);

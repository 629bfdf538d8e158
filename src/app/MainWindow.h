// The main window's side of the game, without the window system: the
// window's own state, the handlers the platform
// calls with key and mouse messages already turned into virtual keys, the
// start of the game and its orderly shutdown.
#pragma once

#include "app/GameState.h"

#include <cstdint>
#include <functional>
#include <string>

extern const std::string GameTitle;
extern std::string WindowTitle;
extern int32_t ScreenBits, ScreenFrequency;
// Set when the application was deactivated; the next click only clears it.
extern bool FocusLost;

// Below this the window cannot be resized, so the view never loses its area.
constexpr int32_t MinWindowWidth = 320;
constexpr int32_t MinWindowHeight = 240;

// Mouse buttons as the handlers number them.
constexpr int32_t MouseButtonLeft = 0, MouseButtonRight = 1, MouseButtonMiddle = 2;

void FormKeyDown(int32_t virtualKey);
void FormKeyUp(int32_t virtualKey);
void FormKeyPress(uint32_t character);
void FormMouseDown(int32_t button, int32_t x, int32_t y, uint32_t shift);
void FormMouseUp(int32_t button, int32_t x, int32_t y, uint32_t shift);
void FormMouseMove(int32_t x, int32_t y, uint32_t shift);
void FormMouseWheelUp();
void FormMouseWheelDown();
// The window's client area changed; sizes below one pixel are ignored.
void FormResize(int32_t width, int32_t height);
void ApplicationActivate();
void ApplicationDeactivate();

// The levels the game starts with. Empty when all are present; otherwise the
// message to show, naming the data folder that was searched.
std::string CheckStartLevels();
// The first level to load after the logo rules.
std::string FirstLevelName();

// The pieces of the running game, each freed once by ShutdownGame, in this
// order: game manager (both level slots, the current level cleared), sound
// manager (buffers while the device is still open), music manager (closes the
// device), textures, render context, display mode.
struct TShutdownHooks {
    std::function<void()> FreeGameMan;
    std::function<void()> FreeSoundMan;
    std::function<void()> FreeMusicMan;
    std::function<void()> ReleaseTextures;
    std::function<void()> ReleaseContext; // the render context and the platform's GL context
    std::function<void()> RestoreDisplayMode;
};
extern TShutdownHooks ShutdownHooks;

// Frees what exists; a second call does nothing.
void ShutdownGame();
// Marks the game started (StartGame's first half); the managers come later.
void MarkGameStarted();

// The verdict of a performance test from the average frame time (whole ms).
std::string PerformanceVerdict(int32_t averageFrameMs);

// Ends a performance test: stops the timer, frees the game, goes back to the
// start phase and shows the verdict through showMessage.
void ReturnToStartForm(const std::function<void(const std::string&)>& showMessage);

void ResetMainWindow();

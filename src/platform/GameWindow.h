// The game's one window with its OpenGL compatibility context, the display
// modes and monitors, and message boxes.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TDisplayMode {
    int32_t Width = 0, Height = 0, Bits = 0, Frequency = 0;
    friend bool operator==(const TDisplayMode&, const TDisplayMode&) = default;
};

struct TDisplayInfo {
    std::string Name;
    int32_t Left = 0, Top = 0, Width = 0, Height = 0; // the monitor's bounds on the desktop
    std::vector<TDisplayMode> Modes;                  // largest first, as SDL lists them
};

// Every monitor with its modes. Empty before video is up.
std::vector<TDisplayInfo> ListDisplays();

// SDL's video and events for as long as it lives.
class TSdlVideo {
  public:
    // Driver "" for the default, "dummy" for tests that need no display.
    explicit TSdlVideo(const char* driver = nullptr);
    ~TSdlVideo();
    TSdlVideo(const TSdlVideo&) = delete;
    TSdlVideo& operator=(const TSdlVideo&) = delete;
    bool Ready() const { return Ok; }
    const std::string& Error() const { return Why; }

  private:
    bool Ok = false;
    std::string Why;
};

struct TWindowOptions {
    std::string Title;
    int32_t Width = 800, Height = 600;
    int32_t Display = 0;
    bool FullScreen = false;
    TDisplayMode Mode;   // the full-screen mode; zero fields take the desktop's
    bool VSync = true;   // wait for the display's refresh when presenting
    bool Hidden = false; // screenshot and test windows need not be shown
    int32_t DepthBits = 16;
};

class TGameWindow {
  public:
    TGameWindow() = default;
    ~TGameWindow();
    TGameWindow(const TGameWindow&) = delete;
    TGameWindow& operator=(const TGameWindow&) = delete;

    // Opens the window and makes its GL context current. False with a message on failure.
    bool Create(const TWindowOptions& options, std::string& error);
    // Releases the render context, then the GL context, restores the display
    // mode and closes the window. Safe to call twice.
    void Destroy();
    bool IsOpen() const { return Window != nullptr; }

    void Present();
    void DrawableSize(int32_t& width, int32_t& height) const;
    void WindowSize(int32_t& width, int32_t& height) const;
    // Window units to drawable pixels (they differ on high-density displays).
    bool ToPixels(int32_t x, int32_t y, int32_t& px, int32_t& py) const;

    // The temporary full-screen mode on a monitor, and its undo.
    bool SetFullScreenMode(int32_t display, const TDisplayMode& mode);
    void RestoreDisplayMode();
    bool IsFullScreen() const { return FullScreenOn; }

    // A second start asked us to come forward.
    void ShowAndRaise();
    void SetCursorVisible(bool visible);
    uint32_t WindowId() const;
    SDL_Window* Handle() const { return Window.get(); }

  private:
    struct TWindowCloser {
        void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
    };
    struct TContextDeleter {
        void operator()(void* context) const { SDL_GL_DeleteContext(context); }
    };
    std::unique_ptr<SDL_Window, TWindowCloser> Window;
    std::unique_ptr<void, TContextDeleter> Context;
    bool FullScreenOn = false;
};

// A message box over the window (or alone); falls back to standard error
// when no display can show it.
void ShowMessage(const std::string& title, const std::string& text, SDL_Window* parent = nullptr);

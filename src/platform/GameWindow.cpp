#include "platform/GameWindow.h"

#include "app/InputState.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/SiteTrace.h"
#include "render/RenderContext.h"

#include <cstdio>

TSdlVideo::TSdlVideo(const char* driver) {
    RecordSite(14301);
    if (driver && *driver) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    // Keep the desktop compositor running; a windowed game must not switch it off.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    Ok = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    if (!Ok) Why = SDL_GetError();
}

TSdlVideo::~TSdlVideo() {
    if (Ok) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

std::vector<TDisplayInfo> ListDisplays() {
    RecordSite(14302);
    std::vector<TDisplayInfo> displays;
    int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        TDisplayInfo info;
        const char* name = SDL_GetDisplayName(i);
        info.Name = name ? name : "Display " + std::to_string(i + 1);
        SDL_Rect r{};
        if (SDL_GetDisplayBounds(i, &r) == 0) {
            info.Left = r.x;
            info.Top = r.y;
            info.Width = r.w;
            info.Height = r.h;
        }
        int modes = SDL_GetNumDisplayModes(i);
        for (int m = 0; m < modes; ++m) {
            SDL_DisplayMode mode{};
            if (SDL_GetDisplayMode(i, m, &mode) != 0) continue;
            info.Modes.push_back({mode.w, mode.h, int32_t(SDL_BITSPERPIXEL(mode.format)), mode.refresh_rate});
        }
        displays.push_back(std::move(info));
    }
    return displays;
}

TGameWindow::~TGameWindow() {
    Destroy();
}

bool TGameWindow::Create(const TWindowOptions& options, std::string& error) {
    RecordSite(14303);
    Destroy();
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, options.DepthBits < 16 ? 16 : options.DepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    int displays = SDL_GetNumVideoDisplays();
    int display = options.Display >= 0 && options.Display < displays ? options.Display : 0;
    int width = options.Width >= MinWindowWidth ? options.Width : MinWindowWidth;
    int height = options.Height >= MinWindowHeight ? options.Height : MinWindowHeight;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    flags |= options.Hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
    if (!options.FullScreen) flags |= SDL_WINDOW_RESIZABLE;
    Window.reset(SDL_CreateWindow(options.Title.c_str(), SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                  SDL_WINDOWPOS_CENTERED_DISPLAY(display), width, height, flags));
    if (!Window) {
        error = std::string("cannot open the game window: ") + SDL_GetError();
        return false;
    }
    SDL_SetWindowMinimumSize(Window.get(), MinWindowWidth, MinWindowHeight);
    Context.reset(SDL_GL_CreateContext(Window.get()));
    if (!Context) {
        error = std::string("cannot create an OpenGL context: ") + SDL_GetError();
        Destroy();
        return false;
    }
    SDL_GL_MakeCurrent(Window.get(), Context.get());
    // Adaptive sync first, then plain vsync; without vsync present at once.
    if (options.VSync) {
        if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
    } else {
        SDL_GL_SetSwapInterval(0);
    }
    if (options.FullScreen && !SetFullScreenMode(display, options.Mode)) {
        error = "Display mode could not be set to selected monitor. Select another display mode.";
        Destroy();
        return false;
    }
    return true;
}

void TGameWindow::Destroy() {
    RecordSite(14304);
    if (Context) {
        ReleaseRenderContext();
        SDL_GL_MakeCurrent(Window.get(), nullptr);
        Context.reset();
    }
    if (Window) {
        RestoreDisplayMode();
        Window.reset();
    }
}

void TGameWindow::Present() {
    if (Window) SDL_GL_SwapWindow(Window.get());
}

void TGameWindow::DrawableSize(int32_t& width, int32_t& height) const {
    width = height = 0;
    if (Window) SDL_GL_GetDrawableSize(Window.get(), &width, &height);
}

void TGameWindow::WindowSize(int32_t& width, int32_t& height) const {
    width = height = 0;
    if (Window) SDL_GetWindowSize(Window.get(), &width, &height);
}

bool TGameWindow::ToPixels(int32_t x, int32_t y, int32_t& px, int32_t& py) const {
    int32_t ww, wh, dw, dh;
    WindowSize(ww, wh);
    DrawableSize(dw, dh);
    return WindowToPixels(x, y, ww, wh, dw, dh, px, py);
}

bool TGameWindow::SetFullScreenMode(int32_t display, const TDisplayMode& mode) {
    RecordSite(14305);
    if (!Window) return false;
    if (display < 0 || display >= SDL_GetNumVideoDisplays()) display = 0;
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(display, &bounds) == 0) SDL_SetWindowPosition(Window.get(), bounds.x, bounds.y);
    SDL_DisplayMode want{};
    SDL_DisplayMode desktop{};
    SDL_GetDesktopDisplayMode(display, &desktop);
    want.w = mode.Width > 0 ? mode.Width : desktop.w;
    want.h = mode.Height > 0 ? mode.Height : desktop.h;
    want.refresh_rate = mode.Frequency > 0 ? mode.Frequency : desktop.refresh_rate;
    want.format = desktop.format;
    SDL_DisplayMode got{};
    if (!SDL_GetClosestDisplayMode(display, &want, &got)) return false;
    // The timer stops while the display changes; the change is slow and discontinuous.
    const bool timer = TimerEnabled;
    TimerEnabled = false;
    const bool ok = SDL_SetWindowDisplayMode(Window.get(), &got) == 0 &&
                    SDL_SetWindowFullscreen(Window.get(), SDL_WINDOW_FULLSCREEN) == 0;
    TimerEnabled = timer;
    ResetTiming = true;
    if (!ok) return false;
    FullScreenOn = true;
    FullScreen = true;
    return true;
}

void TGameWindow::RestoreDisplayMode() {
    RecordSite(14306);
    if (!Window || !FullScreenOn) return;
    SDL_SetWindowFullscreen(Window.get(), 0);
    FullScreenOn = false;
}

void TGameWindow::ShowAndRaise() {
    RecordSite(14307);
    if (!Window) return;
    SDL_ShowWindow(Window.get());
    SDL_RestoreWindow(Window.get());
    SDL_RaiseWindow(Window.get());
}

void TGameWindow::SetCursorVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

uint32_t TGameWindow::WindowId() const {
    return Window ? SDL_GetWindowID(Window.get()) : 0;
}

void ShowMessage(const std::string& title, const std::string& text, SDL_Window* parent) {
    RecordSite(14308);
    LogLine(title + ": " + text);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), parent) != 0)
        std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
}

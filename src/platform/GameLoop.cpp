#include "platform/GameLoop.h"

#include "app/GameHooks.h"
#include "app/InputState.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/SiteTrace.h"
#include "platform/GlDrivers.h"
#include "platform/KeyMap.h"
#include "platform/OpenUrl.h"
#include "platform/SdlJoystick.h"
#include "render/GlRenderBackend.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cstdio>

namespace {
bool WindowActive = true; // shown and not minimized

uint32_t ShiftState() {
    Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    uint32_t shift = 0;
    if (buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) shift |= ShiftLeftButton;
    if (buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)) shift |= ShiftRightButton;
    return shift;
}

int32_t GameButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return MouseButtonLeft;
    case SDL_BUTTON_RIGHT:
        return MouseButtonRight;
    case SDL_BUTTON_MIDDLE:
        return MouseButtonMiddle;
    default:
        return -1;
    }
}

void UpdateScreenSize(TGameWindow& window) {
    int32_t w, h;
    window.DrawableSize(w, h);
    FormResize(w, h);
    ForceViewport = true;
}

// With no level yet the window still shows a cleared frame now and then.
void DrawEmptyFrame(TGameWindow& window) {
    if (!RenderContextReady()) return;
    FrameView.ViewWidth = ScreenWidth;
    FrameView.ViewHeight = ScreenHeight;
    SetViewport(ScreenWidth, ScreenHeight);
    Renderer().ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    Renderer().Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
    window.Present();
}
} // namespace

std::u32string DecodeUtf8(const char* text) {
    std::u32string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (p && *p) {
        unsigned char c = *p;
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) {
            out.push_back(0xFFFD);
            ++p;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        int i = 1;
        for (; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) break;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (i <= extra) {
            out.push_back(0xFFFD);
            p += i;
            continue;
        }
        out.push_back(cp);
        p += extra + 1;
    }
    return out;
}

void HandleSdlEvent(const SDL_Event& e, TGameWindow& window) {
    RecordSite(14401);
    switch (e.type) {
    case SDL_QUIT:
        QuitRequested = true;
        break;
    case SDL_KEYDOWN: {
        int32_t vk = VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode);
        if (vk == 0) break;
        // Held keys repeat only for erasing a name; a repeated Pause would flicker.
        if (e.key.repeat && vk != Vk::Back) break;
        FormKeyDown(vk);
        break;
    }
    case SDL_KEYUP: {
        int32_t vk = VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode);
        if (vk != 0) FormKeyUp(vk);
        break;
    }
    case SDL_TEXTINPUT:
        for (char32_t ch : DecodeUtf8(e.text.text))
            FormKeyPress(uint32_t(ch));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int32_t x = 0, y = 0;
        if (!window.ToPixels(e.button.x, e.button.y, x, y)) break;
        int32_t button = GameButton(e.button.button);
        if (button < 0) break;
        if (e.type == SDL_MOUSEBUTTONDOWN)
            FormMouseDown(button, x, y, ShiftState());
        else
            FormMouseUp(button, x, y, ShiftState());
        break;
    }
    case SDL_MOUSEMOTION: {
        int32_t x = 0, y = 0;
        if (window.ToPixels(e.motion.x, e.motion.y, x, y)) FormMouseMove(x, y, ShiftState());
        break;
    }
    case SDL_MOUSEWHEEL: {
        int32_t dy = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (dy > 0) FormMouseWheelUp();
        if (dy < 0) FormMouseWheelDown();
        break;
    }
    case SDL_WINDOWEVENT:
        if (e.window.windowID != window.WindowId()) break;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            QuitRequested = true;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            UpdateScreenSize(window);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            ApplicationActivate();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            ApplicationDeactivate();
            if (!FullScreen && !StartPhase) {
                // Windowed: a pointer still over the window brings it back to the front.
                int mx, my, wx, wy, ww, wh;
                SDL_GetGlobalMouseState(&mx, &my);
                SDL_GetWindowPosition(window.Handle(), &wx, &wy);
                SDL_GetWindowSize(window.Handle(), &ww, &wh);
                if (mx >= wx && mx <= wx + ww && my >= wy && my <= wy + wh) SDL_RaiseWindow(window.Handle());
            } else if (FullScreen && !TestRun) {
                SDL_MinimizeWindow(window.Handle());
            }
            break;
        }
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            WindowActive = false;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
            WindowActive = true;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

int RunWindowedGame(const TGameStartOptions& options) {
    RecordSite(14402);
    TSingleInstance instance;
    if (options.SingleInstance) {
        std::string error;
        const std::string dir = RuntimeDir();
        if (!instance.Acquire(dir, error)) {
            if (!error.empty()) {
                LogLine("single instance: " + error);
            } else {
                TSingleInstance::WakeRunning(dir);
                LogLine("Rollix is already running; it was brought to the front");
                return 0;
            }
        }
    }

    TSdlVideo video;
    if (!video.Ready()) {
        ShowMessage("Rollix", "The game window cannot be opened: " + video.Error());
        return 1;
    }
    TGameWindow window;
    SetFatalErrorHandler(
        [&window](const std::string& message) { ShowMessage("Rollix", message, window.Handle()); });
    SetStopTimerHandler([] { TimerEnabled = false; });

    const std::string missing = CheckStartLevels();
    if (!missing.empty()) {
        ShowMessage("Rollix", missing);
        return 1;
    }

    TWindowOptions winOptions = options.Window;
    winOptions.Title = WindowTitle;
    std::string error;
    if (!window.Create(winOptions, error)) {
        ShowMessage("Rollix", error);
        return 1;
    }
    // The driver stays loaded to the end, so what it keeps for itself is
    // never mistaken for the game's own leaks.
    KeepGlDriversLoaded();
    FullScreen = window.IsFullScreen();
    UpdateScreenSize(window);

    GameHooks.CreateRenderContext = [] { PrepareRenderContext(std::make_unique<TGlRenderBackend>()); };
    ShutdownHooks.ReleaseTextures = [] { ReleaseGameTextures(); };
    ShutdownHooks.ReleaseContext = [] { ReleaseRenderContext(); };
    ShutdownHooks.RestoreDisplayMode = [&window] { window.RestoreDisplayMode(); };
    TTimedRun run(options.Run);
    if (run.Active()) LoopHooks.BeforeTick = [&run](TLoopLevel&) { run.BeforeTick(MilliClock()); };
    PresentFrame = [&window, &run] {
        if (!run.Active()) {
            window.Present();
            return;
        }
        int32_t w = 0, h = 0;
        window.DrawableSize(w, h);
        const uint32_t before = MilliClock();
        run.BeforePresent(before, w, h);
        const uint32_t saving = MilliClock() - before; // a screenshot is not the game's frame time
        window.Present();
        run.AfterPresent(MilliClock(), saving);
        if (run.Over()) QuitRequested = true;
    };
    LoopHooks.CloseWindow = [] { QuitRequested = true; };
    LoopHooks.IdleHook = [&window](int32_t lag) {
        int mx = 0, my = 0, px = 0, py = 0;
        SDL_GetMouseState(&mx, &my);
        // The same pixel units as the mouse messages.
        if (!window.ToPixels(mx, my, px, py)) return;
        window.SetCursorVisible(!UpdateCursorIdle(lag, px, py));
    };
    // Until the start window exists, the start phase hands over at once.
    LoopHooks.StartPhaseEvent = [&window] {
        StartPhase = false;
        UpdateScreenSize(window);
        StartGame();
    };

    // The first controller, looked for once at start.
    TSdlJoystickSystem joysticks;
    if (joysticks.Ready()) Joystick.Create(TSdlJoystickDevice::Open(0));
    LoopHooks.JoystickEnabled = [] { return Joystick.Present; };
    LoopHooks.PollJoystick = [] { Joystick.Poll(); };
    LoopHooks.JoystickMenuPressed = [] { return Joystick.Pressed(DefaultJoyMenu); };
    LoopHooks.JoystickAnyPressed = [] { return Joystick.AnyButtonPressed(); };
    LoopHooks.ResetJoystick = [] { Joystick.Reset(); };

    TimerEnabled = true;
    StartTickClock();
    uint32_t lastEvent = MilliClock();
    uint32_t lastEmptyFrame = 0;
    SDL_Event e;
    while (!QuitRequested) {
        // Inactive or paused: wait for events (a wake from a second start
        // comes through the poll below). A running level sleeps until its next
        // tick is due; otherwise the event comes about every millisecond.
        int timeout = 100;
        if (TimerEnabled && WindowActive && !Paused) {
            timeout = !StartPhase && !LoopLevel ? TickLengthMs : 1;
            if (!StartPhase && LoopLevel && LoopLevel->Running()) {
                int64_t since = int64_t(MilliClock()) - int64_t(LastTickTime);
                timeout = int(std::clamp<int64_t>(TickLengthMs - TickRemainder - since, 0, TickLengthMs));
            }
        }
        if (SDL_WaitEventTimeout(&e, timeout)) {
            HandleSdlEvent(e, window);
            while (SDL_PollEvent(&e))
                HandleSdlEvent(e, window);
        }
        if (instance.PollWake()) window.ShowAndRaise();
        ReapOpeners();
        if (QuitRequested) break;
        const uint32_t now = MilliClock();
        if (TimerEnabled && WindowActive && now != lastEvent) {
            Timer1Timer(int32_t(now - lastEvent));
            lastEvent = now;
        }
        if (!LoopLevel && !StartPhase && now - lastEmptyFrame >= 100) {
            DrawEmptyFrame(window);
            lastEmptyFrame = now;
        }
    }
    ShutdownGame();
    Joystick.Destroy();
    window.Destroy();
    SetFatalErrorHandler(nullptr);
    SetStopTimerHandler(nullptr);
    LoopHooks = TLoopHooks{};
    if (run.Active()) {
        std::fputs(run.Report().c_str(), stdout);
        std::fflush(stdout);
        if (!run.Errors().empty()) return 1;
    }
    return 0;
}

#include "app/MainLoop.h"

#include "app/MainWindow.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <chrono>

int32_t TickRemainder = 0;
uint32_t LastTickTime = 0;
bool TimerEnabled = false;

int32_t FrameTimeLast = 0, FrameTimeMin = -1, FrameTimeSum = 0, FrameTimeCount = 0;
uint32_t FrameStamp = 0;

TLoopHooks LoopHooks;

int32_t TickSpeed = 1;

namespace {
TMilliClock Clock;

uint32_t SteadyMillis() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return uint32_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

bool Hook(const std::function<bool()>& f) {
    return f && f();
}
void Call(const std::function<void()>& f) {
    if (f) f();
}
} // namespace

void SetMilliClock(TMilliClock clock) {
    Clock = std::move(clock);
}

uint32_t MilliClock() {
    return Clock ? Clock() : SteadyMillis();
}

void StartTickClock() {
    RecordSite(12001);
    LastTickTime = MilliClock();
    TickRemainder = 0;
}

void ScheduleTicks(bool levelCurrent) {
    RecordSite(12002);
    uint32_t now = MilliClock();
    // A clock that wrapped or went backwards gives 0.
    int64_t elapsed = int64_t(now) - int64_t(LastTickTime);
    if (elapsed < 0) elapsed = 0;
    if (elapsed > MaxElapsedMs) elapsed = MaxElapsedMs;
    TickMs = int32_t(elapsed);
    LastTickTime = now;
    TickRemainder += TickMs;
    if (TickRemainder < 0) TickRemainder = 0;
    TickCount = TickRemainder / TickLengthMs;
    TickRemainder -= TickLengthMs * TickCount;
    if (ResetTiming) {
        ResetTiming = false;
        TickCount = 1;
        TickMs = TickLengthMs;
    }
    if (levelCurrent && TickCount > CatchUpLimit) TickCount = 1;
}

void RecordFrameTime() {
    RecordSite(12003);
    uint32_t now = MilliClock();
    int64_t sample = (FrameStamp != 0 && FrameStamp <= now) ? int64_t(now) - int64_t(FrameStamp) : -1;
    FrameStamp = now;
    if (sample < 0) return;
    if (sample > INT32_MAX / 4) sample = INT32_MAX / 4;
    FrameTimeLast = int32_t(sample);
    if (FrameTimeMin < 0) {
        FrameTimeMin = FrameTimeLast;
        return;
    }
    if (FrameTimeLast < FrameTimeMin) FrameTimeMin = FrameTimeLast;
    if (FrameTimeSum <= INT32_MAX - FrameTimeLast) {
        FrameTimeSum += FrameTimeLast;
        FrameTimeCount += 1;
    }
}

void ResetFrameStats() {
    RecordSite(12004);
    FrameTimeLast = 0;
    FrameTimeMin = -1;
    FrameTimeSum = 0;
    FrameTimeCount = 0;
}

int32_t AverageFrameTime() {
    return FrameTimeCount > 0 ? FrameTimeSum / FrameTimeCount : FrameTimeSum;
}

void ApplySkipKeys(TLoopLevel& level) {
    RecordSite(12005);
    const std::string name = level.FileName();
    const bool joystick = Hook(LoopHooks.JoystickEnabled);
    const bool menuButton = joystick && Hook(LoopHooks.JoystickMenuPressed);
    bool anyKey = menuButton || IsKeyDown(KeyMouseLeft) || IsKeyDown(KeyMouseRight);
    for (int32_t vk : {Vk::Escape, Vk::Space, Vk::Return, Vk::F1, Vk::Control, Vk::Up, Vk::Left, Vk::Right})
        anyKey = anyKey || IsNewPress(vk);
    const bool escape = IsNewPress(Vk::Escape) || menuButton;
    // A skip out of a logo level; Escape still leaves the game from a level
    // that cannot switch yet, so the player is never stranded there.
    const auto skipTo = [&](const char* target) {
        if (escape && !level.SwitchesLevels() && !TestRun)
            QuitRequested = true;
        else
            level.RequestLevelSwitch(target);
    };
    if (anyKey) {
        if (name == "Ulmara.map") {
            level.AddFirstScore(100);
            return;
        }
        if (name == "Vortan 1.map") {
            skipTo("Zestars.map");
            return;
        }
        if (name == "intro.map") {
            skipTo("_MainMenu_.map");
            return;
        }
    }
    if (!escape || TestRun) return;
    if (name == "_MainMenu_.map" || name == "testing.map" || name == "Testing.map") return;
    if (name == "outro.map") {
        level.RequestLevelSwitch("_Menu_.map");
    } else if (name == "_Menu_.map") {
        if (level.MenuPage() == 0) level.RequestLevelSwitch("_MainMenu_.map");
    } else if (!level.HasGameMenu()) {
        // Until a level has its game menu, Escape in play leaves the game.
        QuitRequested = true;
    } else if (level.RoundOver()) {
        level.ClearRoundOver();
        if (LoopHooks.StoreRoundRecord) LoopHooks.StoreRoundRecord(level);
        level.RestartLevel();
        level.OpenGameMenu();
    } else if (level.GameMenuOpen()) {
        level.GameMenuBack();
    } else {
        level.OpenGameMenu();
    }
}

bool RunOneTick(TLoopLevel& level) {
    RecordSite(12006);
    TickCount = 1;
    TickMs = TickLengthMs;
    if (LoopHooks.BeforeTick) LoopHooks.BeforeTick(level);
    if (level.GameMenuOpen() && !level.HelpOpen()) {
        level.StepGameMenu();
        level.UpdateLevelSounds();
        // The key that closed the menu stays a new press for the next tick.
        if (!level.GameMenuOpen()) return false;
    } else if (level.HelpOpen()) {
        level.UpdateLevelSounds();
    } else if (level.RoundOver()) {
        level.StepRoundOver();
        if (!level.RoundOver()) return false;
    } else {
        level.StepPlay();
        level.UpdateLevelSounds();
        level.CheckRestartTimer();
    }
    const bool joystick = Hook(LoopHooks.JoystickEnabled);
    if (joystick) Call(LoopHooks.PollJoystick);

    if (!level.CrossFadeRunning() && !level.KeyConsumed() && !level.HelpOpen()) ApplySkipKeys(level);
    level.ClearKeyConsumed();

    if (level.HelpOpen() && (AnyNewPress() || (joystick && Hook(LoopHooks.JoystickAnyPressed)))) {
        level.CloseHelp();
        ClearKeys();
        Call(LoopHooks.ResetJoystick);
    } else if (level.ListedGameLevel() && !level.CrossFadeRunning() && !level.HelpOpen() &&
               IsNewPress(Vk::F1)) {
        level.ShowHelp();
    }
    EndTick();
    return !(level.SwitchDue() || level.CapturePending());
}

void DrawFrame(TLoopLevel& level) {
    level.PrepareFrame();
    BeginFrame();
    Renderer().Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
    level.DrawLevel();
    Renderer().Finish();
}

void RenderFrame(TLoopLevel& level) {
    RecordSite(12007);
    DrawFrame(level);
    if (!level.SwitchDue() && !level.CapturePending()) {
        Call(PresentFrame);
        return;
    }
    level.CarryOutSwitch();
    ResetTiming = true;
}

namespace {
void TimerBody(int32_t lagMs) {
    if (StartPhase) {
        Call(LoopHooks.StartPhaseEvent);
        return;
    }
    if (!LoopLevel) return;
    Renderer().ColorMask(true, true, true, true);
    if (LoopHooks.IdleHook) LoopHooks.IdleHook(lagMs);
    if (Paused) return;
    ScheduleTicks(true);
    if (TickCount <= 0 && LoopLevel->Running()) return;
    if (TestRun) RecordFrameTime();

    const int32_t n = TickCount * std::max(TickSpeed, 1);
    for (int32_t i = 0; i < n && LoopLevel; ++i)
        if (!RunOneTick(*LoopLevel)) break;
    TickCount = n;
    if (!LoopLevel) return;

    Call(LoopHooks.MusicFrame);
    Seed(100);
    RenderFrame(*LoopLevel);
    if (!LoopLevel) return;
    TLoopLevel& level = *LoopLevel;
    if (level.TickCounter() < 100) ResetFrameStats();
    UpdateGameMouse(n, level.MouseView());

    if (TestRun && level.TickCounter() > 1000) {
        Call(LoopHooks.ReturnToStartForm);
        return;
    }
    if (QuitRequested) {
        TimerEnabled = false;
        Call(LoopHooks.CloseWindow);
        return;
    }
    if (ShowPublisherLogo && !PublisherLogoDone && !TestRun && UpperAnsi(level.FileName()) == "ULMARA.MAP" &&
        level.FirstScore() >= 100) {
        PublisherLogoDone = true;
        Call(LoopHooks.StartGame);
    }
}
} // namespace

void Timer1Timer(int32_t lagMs) {
    RecordSite(12008);
    GuardErrors([&] { TimerBody(lagMs); });
}

void ResetMainLoop() {
    TickCount = 0;
    TickSpeed = 1;
    TickMs = 0;
    TickRemainder = 0;
    LastTickTime = 0;
    ResetTiming = false;
    Paused = false;
    TimerEnabled = false;
    ResetFrameStats();
    FrameStamp = 0;
    LoopLevel = nullptr;
    LoopHooks = TLoopHooks{};
    PresentFrame = nullptr;
    Clock = nullptr;
}

// The main loop: one timer event about every millisecond turns the real time
// that passed into whole 10 ms ticks, runs them on the current level, handles
// the keys that skip or leave special levels, and draws one frame.
#pragma once

#include "app/InputState.h"

#include <cstdint>
#include <functional>
#include <string>

extern int32_t TickCount;     // ticks to run in this event; 1 inside a tick
extern int32_t TickMs;        // ms since the previous event; 10 inside a tick
extern int32_t TickRemainder; // whole ms carried to the next event, 0 ≤ value < 10 after scheduling
extern uint32_t LastTickTime; // the clock at the previous event
extern bool ResetTiming;      // the next event runs exactly one tick
extern bool Paused;
extern bool TimerEnabled; // the periodic event is delivered

extern int32_t FrameTimeLast, FrameTimeMin, FrameTimeSum, FrameTimeCount;
extern uint32_t FrameStamp;

constexpr int32_t TickLengthMs = 10;
constexpr int32_t CatchUpLimit = 50;
// One event never accounts for more than this much real time: a suspended
// machine or a stalled clock must not look like hours of backlog.
constexpr int32_t MaxElapsedMs = 1000;

// The millisecond clock. The default counts from program start on a
// monotonic clock; tests install their own.
using TMilliClock = std::function<uint32_t()>;
void SetMilliClock(TMilliClock clock);
uint32_t MilliClock();
// Starts the scheduler's time at now with nothing carried over.
void StartTickClock();

void ScheduleTicks(bool levelCurrent);
void RecordFrameTime();
void ResetFrameStats();
// Whole ms, integer division; the sum itself when nothing was measured.
int32_t AverageFrameTime();

// What the main loop asks of the current level. The level implements it; the
// defaults describe a level in plain play with nothing open.
class TLoopLevel {
  public:
    virtual ~TLoopLevel() = default;

    virtual std::string FileName() const = 0; // without folder
    virtual bool Running() const { return true; }
    virtual int32_t TickCounter() const { return 0; }
    virtual bool GameMenuOpen() const { return false; }
    virtual bool HelpOpen() const { return false; }
    virtual bool RoundOver() const { return false; }
    virtual bool CrossFadeRunning() const { return false; }
    virtual bool KeyConsumed() const { return false; }
    virtual bool SwitchDue() const { return false; }
    virtual bool CapturePending() const { return false; }
    virtual bool ListedGameLevel() const { return false; }
    virtual bool HasGameMenu() const { return false; }
    virtual int32_t MenuPage() const { return 0; }
    virtual int32_t FirstScore() const { return 0; }

    virtual void StepGameMenu() {}
    virtual void UpdateLevelSounds() {}
    virtual void StepRoundOver() {}
    virtual void StepPlay() {}
    virtual void CheckRestartTimer() {}
    virtual void AddFirstScore(int32_t) {}
    virtual void RequestLevelSwitch(const std::string&) {}
    virtual void ClearRoundOver() {}
    virtual void RestartLevel() {}
    virtual void OpenGameMenu() {}
    virtual void GameMenuBack() {}
    virtual void CloseHelp() {}
    virtual void ShowHelp() {}
    virtual void ClearKeyConsumed() {}
    // Fills FrameView (view size, rectangle, roll, lights) before the frame set-up.
    virtual void PrepareFrame() {}
    // Draws the level's frame (after the frame set-up).
    virtual void DrawLevel() {}
    // The window's client area changed (sizes are at least one pixel).
    virtual void ScreenResized(int32_t, int32_t) {}
    // A frame that belongs to a level switch: capture, load, start the cross-fade.
    virtual void CarryOutSwitch() {}
    virtual TMouseView MouseView() const { return {}; }
};

// The level the loop runs; the game manager points it at its current level.
extern TLoopLevel* LoopLevel;

// Work of other subsystems the loop calls at fixed points; an empty hook is skipped.
struct TLoopHooks {
    std::function<void()> StartPhaseEvent; // the start phase: hand over to the game or wait
    std::function<void(int32_t)> IdleHook; // cursor hiding, with the timer's lag
    std::function<bool()> JoystickEnabled;
    std::function<void()> PollJoystick;
    std::function<bool()> JoystickMenuPressed;
    std::function<bool()> JoystickAnyPressed;
    std::function<void()> ResetJoystick;
    std::function<void(TLoopLevel&)> StoreRoundRecord; // and save the player data
    std::function<void(TLoopLevel&)> BeforeTick;       // a scripted run presses its keys
    std::function<void()> MusicFrame;
    std::function<void()> Present; // swap buffers
    std::function<void()> ReturnToStartForm;
    std::function<void()> StartGame;
    std::function<void()> CloseWindow; // QuitRequested was seen
};
extern TLoopHooks LoopHooks;

// One timer event. Errors inside are caught and logged; the next event starts afresh.
void Timer1Timer(int32_t lagMs);
// One tick of the current level; false when the event's tick loop must stop.
bool RunOneTick(TLoopLevel& level);
// The skip and escape rules of one tick.
void ApplySkipKeys(TLoopLevel& level);
// Draws the level's frame into the back buffer and waits for it, without showing it.
void DrawFrame(TLoopLevel& level);
// The frame of a timer event: drawn, then shown, or handed to a due level switch.
void RenderFrame(TLoopLevel& level);

// Back to the start-of-run state (hooks and clock included).
void ResetMainLoop();

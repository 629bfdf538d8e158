// The main loop: one timer event about every millisecond turns the real time
// that passed into whole 10 ms ticks, runs them on the current level, handles
// the keys that skip or leave special levels, and draws one frame.
#pragma once

#include "app/GameState.h"
#include "app/InputState.h"
#include "app/LoopLevel.h"

#include <cstdint>
#include <functional>
#include <string>

extern int32_t TickRemainder; // whole ms carried to the next event, 0 ≤ value < 10 after scheduling
extern uint32_t LastTickTime; // the clock at the previous event
extern bool TimerEnabled;     // the periodic event is delivered

extern int32_t FrameTimeLast, FrameTimeMin, FrameTimeSum, FrameTimeCount;
extern uint32_t FrameStamp;

constexpr int32_t CatchUpLimit = 50;
// Ticks run for every tick the clock gives (fast-forward of a replay); the
// ticks themselves stay as they are.
extern int32_t TickSpeed;
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

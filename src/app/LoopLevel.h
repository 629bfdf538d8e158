// What the main loop asks of the current level and of the game above it.
// The loop sits above the level and the game and never links them: the game
// points LoopLevel at its current level and fills GameHooks, and the loop
// calls through both.
#pragma once

#include "app/InputState.h"
#include "app/StateHash.h"

#include <cstdint>
#include <functional>
#include <string>

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
    // The level carries out RequestLevelSwitch. A level that does not (a
    // stand-in) cannot be left by a skip key, so Escape leaves the game there.
    virtual bool SwitchesLevels() const { return false; }
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

struct TGameHooks {
    // Loads "Levels\\" + name and makes it current. False when it cannot.
    std::function<bool(const std::string& name)> LoadLevel;
    // Loads `behind` into one level slot, where it waits, and `name` into the
    // other, which becomes current. False when `name` cannot be loaded.
    std::function<bool(const std::string& behind, const std::string& name)> LoadLevelBehind;
    // The game in one line for the end of a scripted run (points, items, the
    // finished level, the level current now).
    std::function<std::string()> Report;
    // Adds everything a tick changes (level, characters, generator) to the hash.
    std::function<void(TStateHash& hash)> HashState;
    // A replay file on disk: its level is loaded, made current and plays it
    // back. False with a message when it cannot.
    std::function<bool(const std::string& path, std::string& error)> LoadReplay;
    // The current level's run since its last restart, saved to a file on disk
    // with its tag (the level's checksum, the tick and the state hash now).
    std::function<bool(const std::string& path, std::string& error)> SaveReplay;
    // Creates the render context (the platform's GL context and backend).
    std::function<void()> CreateRenderContext;
    // Opens the audio output and makes the sound manager.
    std::function<void()> StartAudio;
};
extern TGameHooks GameHooks;

// The main loop's view of the level: whichever slot of the game manager
// holds the current level.
#pragma once

#include "app/LoopLevel.h"

#include <cstdint>

// The key that shows or hides the ghost of the best run (G).
constexpr int32_t GhostKey = 'G';

// What the main loop runs: the current level, whichever slot holds it.
class TCurrentLevelLoop : public TLoopLevel {
  public:
    std::string FileName() const override;
    bool Running() const override;
    int32_t TickCounter() const override;
    bool GameMenuOpen() const override;
    bool HelpOpen() const override;
    bool RoundOver() const override;
    bool CrossFadeRunning() const override;
    bool KeyConsumed() const override;
    bool SwitchDue() const override;
    bool SwitchesLevels() const override { return true; }
    bool CapturePending() const override;
    int32_t MenuPage() const override;
    int32_t FirstScore() const override;
    void StepPlay() override;
    void UpdateLevelSounds() override;
    void CheckRestartTimer() override;
    void RestartLevel() override;
    // A gate to the named level at the first character, due at once.
    void RequestLevelSwitch(const std::string& name) override;
    // Captures the frame; a due switch then goes to its level (the game
    // manager's other slot) and leaves the new level to capture its first
    // picture in the next frame.
    void CarryOutSwitch() override;
    void ClearKeyConsumed() override;
    void ClearRoundOver() override;
    void PrepareFrame() override;
    void DrawLevel() override;
    void ScreenResized(int32_t width, int32_t height) override;
    TMouseView MouseView() const override;
};
extern TCurrentLevelLoop CurrentLevelLoop;

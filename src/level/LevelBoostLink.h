// The level as its boosts see it: the target score and the title, the main
// light, the weather, score hints and the score's flash, level switches,
// menu pages, the end of the round and the status display's coordinates.
#pragma once

#include "gameplay/LevelBoosts.h"

#include <functional>
#include <string>

class TLevel;

class TLevelBoostWorld : public TBoostWorld {
  public:
    explicit TLevelBoostWorld(TLevel& level) : Level(level) {}

    TLevel& Level;

    int32_t TargetScore() const override;
    std::string LevelTitle() const override;
    void BlendMainLight(const std::array<uint8_t, 4>& colour, float blend, int32_t ticks) override;
    void FlashMainLight(const std::array<uint8_t, 4>& colour, int32_t ticks) override;
    void RestoreMainLight(int32_t ticks) override;
    void FadeBoostLight(const TBoost& b, bool lit, int32_t ticks) override;
    void SetWeather(int32_t target, int32_t length) override;
    void AddScoreHint(int32_t points, TVec2 at) override;
    void ScoreChanged() override;
    void RequestLevelSwitch(int32_t kind, TVec2 pos, const std::string& target, int32_t delay) override;
    bool SwitchPending() const override;
    void OpenMenuPage(int32_t page) override;
    void FinishRound() override;
    TVec2 ScreenPosition(TVec2 p) const override;
    // A boost's sound slot names a placed sound of the level: while its pause
    // runs, the boost's sound does not play.
    bool SoundSlotAllows(int32_t slot) const override;
    // Only the player takes emitters along.
    void AttachFollowers(const TBoost& source, const TRollix& c, const TBoost& effect) override;
    void DetachFollowers(const TBoost& effect) override;
};

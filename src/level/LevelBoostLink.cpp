#include "level/LevelBoostLink.h"

#include "level/Level.h"

#include <algorithm>
#include <string>

namespace {
// World units to status-display units: the display is 1024 wide, the
// view 1024 / 1.4 world units per 1024 pixels.
constexpr float WorldToHud = 0.71458477f;

TLightColor ToLight(const std::array<uint8_t, 4>& c) {
    return {float(c[0]) / 255.0f, float(c[1]) / 255.0f, float(c[2]) / 255.0f, float(c[3]) / 255.0f};
}

TLight* MainLight(TLevel& level) {
    return level.Lights.BaseLights.empty() ? nullptr : level.Lights.BaseLights.front().get();
}
} // namespace

int32_t TLevelBoostWorld::TargetScore() const {
    return Level.Header.TargetScore;
}

std::string TLevelBoostWorld::LevelTitle() const {
    return Level.Header.LevelTitle;
}

void TLevelBoostWorld::BlendMainLight(const std::array<uint8_t, 4>& colour, float blend, int32_t ticks) {
    TLight* light = MainLight(Level);
    if (!light) return;
    const TLightColor to = ToLight(colour);
    TLightColor target = light->CurrentColor;
    for (size_t i = 0; i < target.size(); ++i)
        target[i] += (to[i] - target[i]) * blend;
    light->FadeToColor(target, ticks * TickLengthMs);
}

void TLevelBoostWorld::FadeBoostLight(const TBoost& b, bool lit, int32_t ticks) {
    const int32_t i = Level.Boosts.IndexOf(&b);
    if (i < 0 || size_t(i) >= Level.BoostLights.size()) return;
    TLight* light = Level.BoostLights[size_t(i)]->Light;
    if (!light) return;
    light->FadeToColor(lit ? light->StoredColor : TLightColor{0.0f, 0.0f, 0.0f, 1.0f}, ticks * TickLengthMs);
}

void TLevelBoostWorld::FlashMainLight(const std::array<uint8_t, 4>& colour, int32_t ticks) {
    TLight* light = MainLight(Level);
    if (!light) return;
    light->CurrentColor = ToLight(colour);
    light->FadeToColor(light->BaseColor, ticks * TickLengthMs);
}

void TLevelBoostWorld::RestoreMainLight(int32_t ticks) {
    if (TLight* light = MainLight(Level)) light->FadeToColor(light->BaseColor, ticks * TickLengthMs);
}

void TLevelBoostWorld::SetWeather(int32_t target, int32_t length) {
    if (Level.Rain) Level.Rain->Fade(target, length);
}

void TLevelBoostWorld::AddScoreHint(int32_t points, TVec2 at) {
    const std::string digits = std::to_string(points);
    Level.AddScoreHint(std::u16string(digits.begin(), digits.end()), at);
}

void TLevelBoostWorld::ScoreChanged() {
    Level.ScoreChanged();
}

void TLevelBoostWorld::RequestLevelSwitch(int32_t kind, TVec2 pos, const std::string& target, int32_t delay) {
    Level.RequestLevelSwitch(kind, pos, target, delay);
}

bool TLevelBoostWorld::SwitchPending() const {
    return Level.TransitionActive;
}

void TLevelBoostWorld::OpenMenuPage(int32_t page) {
    Level.MenuPage = page;
    // The characters (and the gates) see the open page from now on.
    Level.Physics.MenuPageOpen = page != 0;
}

void TLevelBoostWorld::FinishRound() {
    if (TRollix* p = Level.Player()) p->FinishTick = Level.TickCounter;
    Level.FinishLevel();
}

TVec2 TLevelBoostWorld::ScreenPosition(TVec2 p) const {
    const float h = 1024.0f * float(Level.ViewHeight) / float(std::max(Level.ViewWidth, 1));
    return {512.0f + (p.X - Level.CameraX) * WorldToHud, h * 0.5f + (p.Y - Level.CameraY) * WorldToHud};
}

bool TLevelBoostWorld::SoundSlotAllows(int32_t slot) const {
    const TLevelSound* placed = slot >= 0 ? Level.SoundLink.FindPlaced(slot) : nullptr;
    return !placed || placed->PauseCountdown <= 0;
}

void TLevelBoostWorld::AttachFollowers(const TBoost& source, const TRollix& c, const TBoost& effect) {
    if (&c == Level.Player()) Level.ParticleLink.AttachCarrierCopies(source, 0, effect);
}

void TLevelBoostWorld::DetachFollowers(const TBoost& effect) {
    Level.ParticleLink.DetachCarrierCopies(effect);
}

#include "game/CurrentLevelLoop.h"

#include "app/InputState.h"
#include "app/SiteTrace.h"
#include "game/GameMan.h"
#include "game/ReplayRun.h"
#include "level/Level.h"

TCurrentLevelLoop CurrentLevelLoop;

std::string TCurrentLevelLoop::FileName() const {
    return CurrentLevel ? CurrentLevel->ShortFileName() : "";
}
bool TCurrentLevelLoop::Running() const {
    return CurrentLevel && CurrentLevel->Running;
}
int32_t TCurrentLevelLoop::TickCounter() const {
    return CurrentLevel ? CurrentLevel->TickCounter : 0;
}
bool TCurrentLevelLoop::GameMenuOpen() const {
    return CurrentLevel && CurrentLevel->GameMenuOpen;
}
bool TCurrentLevelLoop::HelpOpen() const {
    return CurrentLevel && CurrentLevel->HelpOpen;
}
bool TCurrentLevelLoop::RoundOver() const {
    return CurrentLevel && CurrentLevel->RoundOver;
}
bool TCurrentLevelLoop::CrossFadeRunning() const {
    return CurrentLevel && CurrentLevel->CrossFadeRunning();
}
bool TCurrentLevelLoop::SwitchDue() const {
    return CurrentLevel && CurrentLevel->SwitchDue;
}
bool TCurrentLevelLoop::CapturePending() const {
    return CurrentLevel && CurrentLevel->CapturePending;
}
bool TCurrentLevelLoop::KeyConsumed() const {
    return CurrentLevel && CurrentLevel->KeyConsumed;
}
int32_t TCurrentLevelLoop::MenuPage() const {
    return CurrentLevel ? CurrentLevel->MenuPage : 0;
}
int32_t TCurrentLevelLoop::FirstScore() const {
    const TRollix* p = CurrentLevel ? CurrentLevel->Player() : nullptr;
    return p ? p->Points : 0;
}
void TCurrentLevelLoop::StepPlay() {
    // G shows or hides the ghost; only the drawing sees it.
    if (IsNewPress(GhostKey)) GhostShown = !GhostShown;
    if (CurrentLevel) CurrentLevel->StepPlay(TickCount);
}
void TCurrentLevelLoop::UpdateLevelSounds() {
    if (CurrentLevel) CurrentLevel->UpdateLevelSounds(true);
}
void TCurrentLevelLoop::CheckRestartTimer() {
    // The last step of a play tick: a run that finished in it is saved as
    // it stands at the tick's end, where a replay of it can be checked.
    SaveFinishedRun();
    if (CurrentLevel) CurrentLevel->CheckRestartTimer();
}
void TCurrentLevelLoop::RestartLevel() {
    if (CurrentLevel) CurrentLevel->RestartLevel(false, false);
}
void TCurrentLevelLoop::RequestLevelSwitch(const std::string& name) {
    if (!CurrentLevel) return;
    const TRollix* p = CurrentLevel->Player();
    CurrentLevel->RequestLevelSwitch(SwitchGate, p ? p->Centre : TVec2{}, name, 0);
}
void TCurrentLevelLoop::CarryOutSwitch() {
    RecordSite(91101);
    TLevel* old = CurrentLevel;
    if (!old) return;
    ResetTiming = true;
    if (!old->CaptureSwitchFrame() || old->SwitchKind == SwitchTeleport) return;
    if (GameMan && GameMan->SwitchNeedsLoading()) old->DrawSwitchLoadingPicture();
    TLevel* now = GameMan ? GameMan->SwitchLevels() : nullptr;
    if (!now) {
        // No game to switch in: the level plays again.
        old->RestartLevel(old->PlaysAutoReplay(), false);
        now = old;
    }
    // The new level captures its first picture in the next frame, then fades in.
    const TRollix* p = now->Player();
    now->RequestLevelSwitch(old->SwitchKind, p ? p->Centre : TVec2{now->CameraX, now->CameraY}, "", 0);
    now->SwitchDue = false;
    now->CapturePending = true;
    if (now != old) old->ClearTransition();
    ResetTiming = true;
}
void TCurrentLevelLoop::ClearKeyConsumed() {
    if (CurrentLevel) CurrentLevel->KeyConsumed = false;
}
void TCurrentLevelLoop::ClearRoundOver() {
    if (CurrentLevel) CurrentLevel->RoundOver = false;
}
void TCurrentLevelLoop::PrepareFrame() {
    if (CurrentLevel) CurrentLevel->PrepareFrameView();
}
void TCurrentLevelLoop::DrawLevel() {
    if (CurrentLevel) CurrentLevel->DrawLevel();
}
void TCurrentLevelLoop::ScreenResized(int32_t width, int32_t height) {
    if (CurrentLevel) CurrentLevel->SetScreenSize(width, height);
}
TMouseView TCurrentLevelLoop::MouseView() const {
    TMouseView v;
    if (!CurrentLevel) return v;
    v.ViewLeft = CurrentLevel->ViewLeft;
    v.ViewTop = CurrentLevel->ViewTop;
    v.ViewWidth = CurrentLevel->ViewWidth;
    v.ViewHeight = CurrentLevel->ViewHeight;
    v.PlayRect = CurrentLevel->View;
    return v;
}

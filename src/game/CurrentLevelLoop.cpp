#include "game/CurrentLevelLoop.h"

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
    if (CurrentLevel) CurrentLevel->StepPlay(TickCount);
}
void TCurrentLevelLoop::UpdateLevelSounds() {
    if (CurrentLevel) CurrentLevel->UpdateLevelSounds(true);
}
void TCurrentLevelLoop::CheckRestartTimer() {
    if (CurrentLevel) CurrentLevel->CheckRestartTimer();
}
void TCurrentLevelLoop::RestartLevel() {
    if (CurrentLevel) CurrentLevel->RestartLevel(false, false);
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

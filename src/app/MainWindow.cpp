#include "app/MainWindow.h"

#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/Font.h"
#include "assets/MassFile.h"
#include "render/RenderContext.h"

// The game's title followed by nine blanks, as its window caption.
const std::string GameTitle = "Rollix";
std::string WindowTitle = GameTitle + std::string(9, ' ');
int32_t ScreenBits = 32, ScreenFrequency = 60;
bool FocusLost = false;
TShutdownHooks ShutdownHooks;

namespace {
TMouseView CurrentMouseView() {
    return LoopLevel ? LoopLevel->MouseView() : TMouseView{};
}
bool DisplayModeChanged = false;
} // namespace

void FormKeyDown(int32_t virtualKey) {
    RecordSite(13101);
    if (LoopLevel && ActiveTextInput && virtualKey == Vk::Back && EraseCharacter()) return;
    if (virtualKey == Vk::Pause) {
        if (Paused && !TimerEnabled) TimerEnabled = true;
        Paused = !Paused;
        ResetTiming = true;
        return;
    }
    // With no level to open a menu in, Escape is the way out.
    if (virtualKey == Vk::Escape && !LoopLevel && !StartPhase) QuitRequested = true;
    SetKey(virtualKey, true);
}

void FormKeyUp(int32_t virtualKey) {
    RecordSite(13102);
    SetKey(virtualKey, false);
}

void FormKeyPress(uint32_t character) {
    RecordSite(13103);
    if (!LoopLevel) return;
    TypeCharacter(character);
}

void FormMouseDown(int32_t button, int32_t x, int32_t y, uint32_t shift) {
    RecordSite(13104);
    if (FocusLost) {
        FocusLost = false;
        return;
    }
    if (button >= MouseButtonLeft && button <= MouseButtonMiddle) SetKey(KeyMouseLeft + button, true);
    if (LoopLevel) MouseEvent(x, y, shift, CurrentMouseView());
}

void FormMouseUp(int32_t button, int32_t x, int32_t y, uint32_t shift) {
    RecordSite(13105);
    if (button >= MouseButtonLeft && button <= MouseButtonMiddle) SetKey(KeyMouseLeft + button, false);
    if (LoopLevel) MouseEvent(x, y, shift, CurrentMouseView());
}

void FormMouseMove(int32_t x, int32_t y, uint32_t shift) {
    RecordSite(13106);
    NoteMouseMove(x, y);
    if (LoopLevel) MouseEvent(x, y, shift, CurrentMouseView());
}

void FormMouseWheelUp() {
    RecordSite(13107);
    SetKey(KeyWheelUp, true);
}

void FormMouseWheelDown() {
    RecordSite(13108);
    SetKey(KeyWheelDown, true);
}

void FormResize(int32_t width, int32_t height) {
    RecordSite(13109);
    if (width < 1 || height < 1) return;
    ScreenWidth = width;
    ScreenHeight = height;
    ForceViewport = true;
    if (LoopLevel && RenderContextReady()) LoopLevel->ScreenResized(width, height);
}

void ApplicationActivate() {
    RecordSite(13110);
    ClearKeys();
    if (LoopHooks.ResetJoystick) LoopHooks.ResetJoystick();
    TimerEnabled = true;
}

void ApplicationDeactivate() {
    RecordSite(13111);
    if (StartPhase) return;
    FocusLost = true;
    // Full screen (not a test) stops until the game is active again.
    if (FullScreen && !TestRun) TimerEnabled = false;
}

std::string CheckStartLevels() {
    RecordSite(13112);
    if (MassFile.Files.empty())
        return "No game data was found in " + AppDir +
               "\nThe game needs its archive Rollix.msf there (or use --data DIR).";
    if (!MassFileExists(AppDir + "Levels\\Zestars.map"))
        return "The game data in " + AppDir +
               " has no main level (Levels\\Zestars.map).\nThe game cannot start without it.";
    return "";
}

std::string FirstLevelName() {
    RecordSite(13113);
    if (TestRun) return "Zestars.map";
    if (ShowPublisherLogo && !PublisherLogoDone && MassFileExists(AppDir + "Levels\\Ulmara.map"))
        return "Ulmara.map";
    // A missing logo level just falls back to the main level.
    if (MassFileExists(AppDir + "Levels\\Vortan 1.map")) return "Vortan 1.map";
    return "Zestars.map";
}

void MarkGameStarted() {
    RecordSite(13114);
    GameStarted = true;
    DisplayModeChanged = FullScreen;
    ResetTiming = true;
}

void ShutdownGame() {
    RecordSite(13115);
    // Each piece goes once, whatever fails on the way.
    auto run = [](std::function<void()>& hook) {
        if (hook) GuardErrors(hook);
    };
    if (GameStarted) {
        GameStarted = false;
        LoopLevel = nullptr;
        run(ShutdownHooks.FreeGameMan);
        run(ShutdownHooks.FreeSoundMan);
        run(ShutdownHooks.FreeMusicMan);
        run(ShutdownHooks.ReleaseTextures);
        run(ShutdownHooks.ReleaseContext);
        MubFont.reset();
    }
    if (DisplayModeChanged || FullScreen) {
        DisplayModeChanged = false;
        FullScreen = false;
        run(ShutdownHooks.RestoreDisplayMode);
    }
}

std::string PerformanceVerdict(int32_t averageFrameMs) {
    if (averageFrameMs > 39)
        return "Settings are not optimal to play game. Select another display mode or lower texture quality.";
    return "These settings are optimal to play game. You may choose higher display mode or better texture "
           "quality.";
}

void ReturnToStartForm(const std::function<void(const std::string&)>& showMessage) {
    RecordSite(13116);
    TimerEnabled = false;
    StartPhase = true;
    ShutdownGame();
    const std::string verdict = PerformanceVerdict(AverageFrameTime());
    if (showMessage) showMessage(verdict);
}

void ResetMainWindow() {
    WindowTitle = GameTitle + std::string(9, ' ');
    StartPhase = true;
    GameStarted = false;
    FullScreen = false;
    TestRun = false;
    QuitRequested = false;
    ShowPublisherLogo = false;
    PublisherLogoDone = false;
    ScreenWidth = DefaultWindowWidth;
    ScreenHeight = DefaultWindowHeight;
    ScreenBits = 32;
    ScreenFrequency = 60;
    FocusLost = false;
    DisplayModeChanged = false;
    ShutdownHooks = TShutdownHooks{};
}

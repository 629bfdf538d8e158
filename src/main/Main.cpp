// Program start: reads the options, fixes the folders, opens the archive set
// and then plays in a window, runs a level headless, or takes a screenshot.
#include "app/CommandLine.h"
#include "app/Ease.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "app/Version.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "assets/Texts.h"
#include "audio/AlAudio.h"
#include "audio/MusicMan.h"
#include "game/GameMan.h"
#include "level/Mechanics.h"
#include "level/StatusLine.h"
#include "main/ReplayValidate.h"
#include "platform/GameLoop.h"
#include "platform/Screenshot.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {
void LogArchives() {
    size_t entries = 0;
    for (const auto& archive : MassFile.Files)
        for (const auto& dir : archive->Dirs)
            entries += dir.Files.size();
    LogLine("opened " + std::to_string(MassFile.Files.size()) + " archive(s) with " +
            std::to_string(entries) + " entries");
}
} // namespace

int main(int argc, char** argv) {
    RecordSite(11301);
    const uint32_t startedAt = MilliClock();
    TCommandLine options;
    std::string error;
    if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "rollix: %s\n%s", error.c_str(), UsageText().c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("rollix %s\n", ProductVersion);
        return 0;
    }

    FillEaseTables();
    InitAppDir(options.DataDir);
    LogFolders();
    MassFile.Create();
    LogArchives();
    TexLib.LoadLibrary();
    // English until the settings choose a language.
    SetLanguage("English");
    CreateMechanics();
    InstallGameHooks();
    // The performance test's line shows the loop's average frame time.
    AverageFrameTimeSource = [] { return FrameTimeCount > 0 ? AverageFrameTime() : 0; };
    // The status line names the current player.
    PlayerNameSource = [] { return GameMan ? GameMan->PlayerName() : std::u16string(); };
    StartLevelOverride = options.Level;
    // The game's sound goes out through OpenAL; a machine without a device
    // plays silently. At the end the game goes first, then the sound manager
    // with its buffers, then the device.
    AudioDeviceOpener = [](const std::string& device) -> std::unique_ptr<TAudioBackend> {
        return OpenAudioDevice(device);
    };
    GameHooks.StartAudio = StartGameAudio;
    // The play time counted since the last stored result is kept at the end.
    ShutdownHooks.FreeGameMan = [] {
        if (GameMan && !GameMan->Players.empty()) GameMan->SaveGameData();
        GameMan.reset();
    };
    ShutdownHooks.FreeSoundMan = FreeSoundMan;
    ShutdownHooks.FreeMusicMan = FreeMusicMan;

    if (options.Headless || !options.ValidatePath.empty()) {
        // A headless run makes its sounds without a device: the same game,
        // no noise.
        AudioDeviceOpener = nullptr;
        StartGameAudio();
        const int result = options.Headless ? RunHeadless(options, std::cout, std::cerr)
                                            : ValidateReplay(options.ValidatePath, std::cout, std::cerr);
        GameMan.reset();
        FreeSoundMan();
        FreeMusicMan();
        return result;
    }
    if (!options.ScreenshotPath.empty()) return RunScreenshot(options, std::cout, std::cerr);
    // Played in a window, the game keeps the player profiles.
    GameDataFile = UserDataDir() + "MubDat.ini";
    StartReplayOverride = options.ReplayPath;
    GhostShown = !options.NoGhost;
    TickSpeed = options.Speed;

    // Until the start window exists the game opens a window of 800 × 600
    // (or the --size given), or goes full screen when asked.
    TGameStartOptions start;
    start.Window.FullScreen = options.FullScreen;
    if (options.Width > 0) {
        start.Window.Width = options.Width;
        start.Window.Height = options.Height;
        start.Window.Mode.Width = options.Width;
        start.Window.Mode.Height = options.Height;
    }
    start.Window.VSync = options.VSync;
    if (!options.InputPath.empty() && !LoadInputScript(options.InputPath, start.Run.Script, error)) {
        std::fprintf(stderr, "rollix: %s\n", error.c_str());
        return 2;
    }
    start.Run.ProgramStartMs = startedAt;
    start.Run.RunForMs = options.RunForSeconds * 1000;
    start.Run.ShotEveryMs = options.ShotEverySeconds * 1000;
    if (!options.ShotsDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.ShotsDir, ec);
        if (ec || !std::filesystem::is_directory(options.ShotsDir)) {
            std::fprintf(stderr, "rollix: cannot make the screenshot folder %s: %s\n",
                         options.ShotsDir.c_str(), ec ? ec.message().c_str() : "not a folder");
            return 1;
        }
        start.Run.ShotsDir = options.ShotsDir;
    }
    // A timed run stands on its own: it neither waits for nor wakes a running game.
    if (start.Run.RunForMs > 0 || !start.Run.ShotsDir.empty()) start.SingleInstance = false;
    return RunWindowedGame(start);
}

// The game's command-line options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TCommandLine {
    bool Windowed = false;
    bool FullScreen = false;
    int32_t Width = 0, Height = 0; // --size; 0 = the default
    std::string Level;             // --level, with ".map" added when it has no extension
    std::string DataDir;
    bool Version = false;
    bool Help = false;
    bool Headless = false;
    int32_t Ticks = -1; // -1 = not given
    std::string InputPath;
    std::string ScreenshotPath;
    bool VSync = true;
    // A timed run of the windowed game: it quits after RunForSeconds, saves a
    // screenshot into ShotsDir every ShotEverySeconds and prints frame statistics.
    int32_t RunForSeconds = 0; // 0 = until the window closes
    std::string ShotsDir;
    int32_t ShotEverySeconds = 2;
    // --replay: a replay file to play (in a window, or with --headless);
    // --speed: ticks per tick of the clock while it plays.
    std::string ReplayPath;
    int32_t Speed = 1;
    // --save-replay: the headless run's replay goes to this file.
    std::string SaveReplayPath;
    // --validate: re-simulates the replay headless and compares its tag.
    std::string ValidatePath;
    // --no-ghost: the best run's ghost is not drawn.
    bool NoGhost = false;
};

// False with a message naming the option on anything wrong.
bool ParseCommandLine(const std::vector<std::string>& args, TCommandLine& options, std::string& error);
std::string UsageText();

constexpr int32_t MaxWindowSide = 16384;
constexpr int32_t MaxRunTicks = 1000000000;
constexpr int32_t MaxRunSeconds = 86400;
constexpr int32_t MaxReplaySpeed = 64;

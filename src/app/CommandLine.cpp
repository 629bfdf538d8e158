#include "app/CommandLine.h"

#include "app/MainWindow.h"
#include "app/SiteTrace.h"

#include <cctype>

namespace {
bool ParseInt(const std::string& s, int64_t limit, int32_t& value) {
    if (s.empty() || s.size() > 12) return false;
    int64_t v = 0;
    for (char c : s) {
        if (!std::isdigit((unsigned char)c)) return false;
        v = v * 10 + (c - '0');
        if (v > limit) return false;
    }
    value = int32_t(v);
    return true;
}
} // namespace

std::string UsageText() {
    return "usage: rollix [options]\n"
           "  --windowed            play in a window (the default)\n"
           "  --fullscreen          play full screen in the desktop's mode\n"
           "  --size WxH            window or full-screen size, e.g. 1024x768\n"
           "  --level NAME          start in this level (Levels\\NAME.map), skipping the logo levels\n"
           "  --data DIR            read the archives (Rollix.msf …) from DIR instead of the program folder\n"
           "  --no-vsync            present frames at once instead of waiting for the display\n"
           "  --headless --level NAME --ticks N [--input FILE]\n"
           "                        run the level with no window, GL or audio as fast as it can,\n"
           "                        printing a state hash every 100 ticks and at the end\n"
           "  --screenshot FILE.png --level NAME --ticks N [--input FILE]\n"
           "                        run N ticks, draw that frame in a window and save it\n"
           "  --input FILE          (in a window) press and release keys by tick of play, as in --headless\n"
           "  --replay FILE.gbv     play a replay (in a window, or with --headless --ticks N)\n"
           "  --speed N             with --replay in a window: N ticks per tick of the clock (1 to 64)\n"
           "  --save-replay FILE    with --headless: save the run as a replay\n"
           "  --no-ghost            do not draw the ghost of the best run (G shows or hides it in play)\n"
           "  --validate FILE.gbv   replay headless and check the level and the end state; exit 0 when both "
           "match\n"
           "  --run-for SECONDS     quit after this long and print frame statistics\n"
           "  --shots DIR           save a screenshot into DIR every --shot-every SECONDS (default 2)\n"
           "  --version             print the version\n"
           "  --help                print this help\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, TCommandLine& o, std::string& error) {
    RecordSite(11101);
    o = TCommandLine{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--windowed") {
            o.Windowed = true;
        } else if (a == "--fullscreen") {
            o.FullScreen = true;
        } else if (a == "--size") {
            if (!value(v)) return false;
            auto x = v.find_first_of("xX");
            if (x == std::string::npos || !ParseInt(v.substr(0, x), MaxWindowSide, o.Width) ||
                !ParseInt(v.substr(x + 1), MaxWindowSide, o.Height) || o.Width < MinWindowWidth ||
                o.Height < MinWindowHeight) {
                error = "--size " + v + ": expected WxH from " + std::to_string(MinWindowWidth) + "x" +
                        std::to_string(MinWindowHeight) + " to " + std::to_string(MaxWindowSide) + "x" +
                        std::to_string(MaxWindowSide);
                return false;
            }
        } else if (a == "--level") {
            if (!value(o.Level)) return false;
            if (o.Level.find('/') != std::string::npos || o.Level.find('\\') != std::string::npos) {
                error = "--level " + o.Level + ": give the level's file name without a folder";
                return false;
            }
            auto dot = o.Level.rfind('.');
            if (dot == std::string::npos || dot == 0) o.Level += ".map";
        } else if (a == "--data") {
            if (!value(o.DataDir)) return false;
        } else if (a == "--ticks") {
            if (!value(v)) return false;
            if (!ParseInt(v, MaxRunTicks, o.Ticks)) {
                error = "--ticks " + v + ": expected a number from 0 to " + std::to_string(MaxRunTicks);
                return false;
            }
        } else if (a == "--input") {
            if (!value(o.InputPath)) return false;
        } else if (a == "--run-for" || a == "--shot-every") {
            if (!value(v)) return false;
            int32_t& target = a == "--run-for" ? o.RunForSeconds : o.ShotEverySeconds;
            if (!ParseInt(v, MaxRunSeconds, target) || target < 1) {
                error = a + " " + v + ": expected whole seconds from 1 to " + std::to_string(MaxRunSeconds);
                return false;
            }
        } else if (a == "--shots") {
            if (!value(o.ShotsDir)) return false;
        } else if (a == "--screenshot") {
            if (!value(o.ScreenshotPath)) return false;
        } else if (a == "--no-ghost") {
            o.NoGhost = true;
        } else if (a == "--replay") {
            if (!value(o.ReplayPath)) return false;
        } else if (a == "--save-replay") {
            if (!value(o.SaveReplayPath)) return false;
        } else if (a == "--validate") {
            if (!value(o.ValidatePath)) return false;
        } else if (a == "--speed") {
            if (!value(v)) return false;
            if (!ParseInt(v, MaxReplaySpeed, o.Speed) || o.Speed < 1) {
                error = "--speed " + v + ": expected a number from 1 to " + std::to_string(MaxReplaySpeed);
                return false;
            }
        } else if (a == "--headless") {
            o.Headless = true;
        } else if (a == "--no-vsync") {
            o.VSync = false;
        } else if (a == "--vsync") {
            o.VSync = true;
        } else if (a == "--version") {
            o.Version = true;
        } else if (a == "--help" || a == "-h") {
            o.Help = true;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (o.Help || o.Version) return true;
    if (o.Windowed && o.FullScreen) {
        error = "--windowed and --fullscreen exclude each other";
        return false;
    }
    if (o.Headless && !o.ScreenshotPath.empty()) {
        error = "--headless and --screenshot exclude each other";
        return false;
    }
    if (!o.ValidatePath.empty()) {
        if (o.Headless || !o.ScreenshotPath.empty() || !o.ReplayPath.empty() || !o.Level.empty()) {
            error = "--validate runs on its own: no --headless, --screenshot, --replay or --level";
            return false;
        }
        return true;
    }
    if (!o.ReplayPath.empty() && !o.Level.empty()) {
        error = "--replay names its own level: no --level";
        return false;
    }
    if (!o.SaveReplayPath.empty() && !o.Headless) {
        error = "--save-replay belongs to --headless";
        return false;
    }
    if (o.Speed != 1 && (o.ReplayPath.empty() || o.Headless)) {
        error = "--speed belongs to --replay in a window";
        return false;
    }
    const bool run = o.Headless || !o.ScreenshotPath.empty();
    const char* mode = o.Headless ? "--headless" : "--screenshot";
    if (run && o.Level.empty() && o.ReplayPath.empty()) {
        error = std::string(mode) + " needs --level NAME";
        return false;
    }
    if (run && o.Ticks < 0) {
        error = std::string(mode) + " needs --ticks N";
        return false;
    }
    if (!run && o.Ticks >= 0) {
        error = "--ticks belongs to --headless or --screenshot";
        return false;
    }
    if (run && (o.RunForSeconds > 0 || !o.ShotsDir.empty())) {
        error = "--run-for and --shots belong to the windowed game";
        return false;
    }
    return true;
}

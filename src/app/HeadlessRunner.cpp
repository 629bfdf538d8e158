#include "app/HeadlessRunner.h"

#include "app/GameHooks.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <chrono>
#include <cstdio>
#include <ostream>

uint64_t StateHashValue(int32_t tick) {
    RecordSite(11201);
    TStateHash hash;
    hash.AddInt32(tick);
    hash.AddUInt32(RandSeed);
    if (GameHooks.HashState) GameHooks.HashState(hash);
    return hash.Value;
}

std::string StateHashText(int32_t tick) {
    TStateHash hash;
    hash.Value = StateHashValue(tick);
    return hash.Hex();
}

int32_t RunScriptedTicks(int32_t ticks, const TInputScript& script,
                         const std::function<void(int32_t)>& afterTick) {
    RecordSite(11202);
    size_t next = 0;
    int32_t ran = 0;
    for (int32_t tick = 1; tick <= ticks && LoopLevel && !QuitRequested; ++tick) {
        ApplyScriptTick(script, next, tick);
        TLoopLevel& level = *LoopLevel;
        RunOneTick(level);
        // A due level switch happens where a frame would be drawn.
        if (level.SwitchDue() || level.CapturePending()) level.CarryOutSwitch();
        // The frame's fixed seed, as if a frame followed every tick.
        Seed(100);
        ran = tick;
        if (afterTick) afterTick(tick);
    }
    return ran;
}

bool LoadRunLevel(const std::string& name, std::string& error) {
    RecordSite(11203);
    if (!GameHooks.LoadLevel) {
        error = "level \"" + name + "\" cannot be loaded yet: this build has no level loader";
        return false;
    }
    if (!GameHooks.LoadLevel(name) || !LoopLevel) {
        error = "level \"" + name + "\" cannot be loaded from " + AppDir + " (Levels\\" + name + ")";
        return false;
    }
    return true;
}

int RunHeadless(const TCommandLine& options, std::ostream& out, std::ostream& err) {
    RecordSite(11204);
    TInputScript script;
    std::string error;
    if (!options.InputPath.empty() && !LoadInputScript(options.InputPath, script, error)) {
        err << "rollix: " << error << "\n";
        return 2;
    }
    // Everything drawn goes to the null backend.
    PrepareRenderContext(std::make_unique<TNullRenderBackend>());
    StartPhase = false;
    const bool loaded = options.ReplayPath.empty() ? LoadRunLevel(options.Level, error)
                                                   : LoadRunReplay(options.ReplayPath, error);
    if (!loaded) {
        err << "rollix: " << error << "\n";
        ReleaseGameTextures();
        ReleaseRenderContext();
        return 3;
    }
    const auto start = std::chrono::steady_clock::now();
    const int32_t ran = RunScriptedTicks(options.Ticks, script, [&](int32_t tick) {
        if (tick % 100 == 0) out << "tick " << tick << " hash " << StateHashText(tick) << "\n";
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out << "end tick " << ran << " hash " << StateHashText(ran) << "\n";
    char line[160];
    // A run too short to measure reports no rate rather than a division by zero.
    if (seconds > 0.0)
        std::snprintf(line, sizeof line, "ran %d ticks in %.3f s (%.0f ticks/s)", ran, seconds,
                      ran / seconds);
    else
        std::snprintf(line, sizeof line, "ran %d ticks in 0.000 s", ran);
    out << line;
    // What the game came to, for checks from outside.
    if (GameHooks.Report) out << " | " << GameHooks.Report();
    out << "\n";
    out.flush();
    int code = 0;
    if (!options.SaveReplayPath.empty()) {
        if (!GameHooks.SaveReplay || !GameHooks.SaveReplay(options.SaveReplayPath, error)) {
            err << "rollix: " << (error.empty() ? "this build cannot save replays" : error) << "\n";
            code = 4;
        } else {
            out << "replay saved to " << options.SaveReplayPath << "\n";
        }
    }
    ReleaseGameTextures();
    ReleaseRenderContext();
    return code;
}

bool LoadRunReplay(const std::string& path, std::string& error) {
    if (!GameHooks.LoadReplay) {
        error = "replay " + path + " cannot be played: this build has no replay loader";
        return false;
    }
    return GameHooks.LoadReplay(path, error) && LoopLevel;
}

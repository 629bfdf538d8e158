// The main level as shipped: "Zestars.map" from the built archive, with the
// player rolling right on turbo. Loading it, playing it headless, and
// playing it with a frame after every tick drawn by OpenGL into a
// 1024 × 768 window (llvmpipe under Xvfb; the GL benchmarks skip with no
// display) or by the null renderer. Each reports the archive's size and the
// process's peak memory.
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_game
#include "app/Ease.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputState.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "game/GameMan.h"
#include "level/Level.h"
#include "level/Mechanics.h"
#include "platform/GlWindow.h"
#include "platform/Screenshot.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr int32_t Width = 1024, Height = 768;

// The archives, texture library and game hooks of the process, set up once.
bool GameReady(std::string& why) {
    static std::string error = [] {
        const std::string archive = std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf";
        if (!std::filesystem::exists(archive)) return "no " + archive + ": build the content first";
        SetLogSink([](const std::string& line) {
            if (std::getenv("ROLLIX_BENCH_LOG")) std::fprintf(stderr, "%s\n", line.c_str());
        });
        FillEaseTables();
        InitAppDir(ROLLIX_BUILD_DIR);
        MassFile.Create();
        TexLib.LoadLibrary();
        CreateMechanics();
        InstallGameHooks();
        return std::string();
    }();
    why = error;
    return error.empty();
}

void ReportMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak MB"] = double(usage.ru_maxrss) / 1024.0;
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf", ec);
    state.counters["archive MB"] = ec ? 0.0 : double(bytes) / (1024.0 * 1024.0);
}

// A fresh Zestars at width × height with the player holding Right and turbo.
bool StartZestars(std::string& error, int32_t width = Width, int32_t height = Height) {
    ResetMainLoop();
    ResetInputState();
    ScreenWidth = width;
    ScreenHeight = height;
    FillRandomTable();
    Seed(100);
    if (!LoadRunLevel("Zestars.map", error)) return false;
    SetKey(Vk::Right, true);
    SetKey(Vk::Control, true);
    return true;
}

// The measured loop: one tick as the main loop runs it, then what frame
// does (nothing when it is empty). A fresh run every 900 ticks (9 s of play)
// keeps the player on the course, short of the wall at its end.
void PlayZestars(benchmark::State& state, const std::function<void()>& frame) {
    std::string error;
    int32_t ticks = 0;
    for (auto _ : state) {
        if (++ticks % 900 == 0) {
            state.PauseTiming();
            if (!StartZestars(error, ScreenWidth, ScreenHeight)) return state.SkipWithError(error.c_str());
            state.ResumeTiming();
        }
        RunOneTick(*LoopLevel);
        Seed(100);
        if (frame) frame();
    }
}

// The replay check's cost: Zestars played back from a recorded run of 2,000
// ticks (rolling right on turbo), as --validate replays it, with the state
// hash taken at the end. Ticks per second of playback.
void BM_ZestarsReplayPlayback(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    if (!StartZestars(error)) return state.SkipWithError(error.c_str());
    constexpr int32_t Ticks = 2000;
    for (int32_t i = 0; i < Ticks; ++i)
        RunOneTick(*LoopLevel);
    const TReplayFile run = CurrentLevel->RecordedReplay();
    ResetInputState();
    uint64_t hash = 0;
    for (auto _ : state) {
        CurrentLevel->UseReplay(run);
        CurrentLevel->RestartLevel(true, false);
        for (int32_t i = 0; i < Ticks; ++i) {
            RunOneTick(*LoopLevel);
            Seed(100);
        }
        hash ^= StateHashValue(CurrentLevel->TickCounter);
    }
    benchmark::DoNotOptimize(hash);
    state.counters["ticks/s"] =
        benchmark::Counter(double(Ticks), benchmark::Counter::kIsIterationInvariantRate);
    ReportMemory(state);
    ReleaseRenderContext();
}
BENCHMARK(BM_ZestarsReplayPlayback)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ZestarsLoad(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    for (auto _ : state) {
        if (!StartZestars(error)) return state.SkipWithError(error.c_str());
    }
    ReportMemory(state);
}
BENCHMARK(BM_ZestarsLoad)->Unit(benchmark::kMillisecond);

// Headless play (0) and play with a frame to the null renderer
// after every tick (1), the drawing's own CPU cost.
void BM_ZestarsNull(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    if (!StartZestars(error)) return state.SkipWithError(error.c_str());
    const bool draw = state.range(0) != 0;
    PlayZestars(state, draw ? std::function<void()>([] { DrawFrame(*LoopLevel); }) : nullptr);
    if (draw) {
        state.SetLabel("tick + null frame");
        state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    } else {
        state.SetLabel("headless tick");
        state.counters["ticks/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
        state.counters["x real time"] =
            benchmark::Counter(0.01, benchmark::Counter::kIsIterationInvariantRate);
    }
    ReportMemory(state);
    ReleaseRenderContext();
}
BENCHMARK(BM_ZestarsNull)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A tick and its frame in GL at 1024 × 768, presented: frames per second.
void BM_ZestarsFrameGl(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    // One window and GL context for the process: the benchmark runs more than once.
    static TGlWindow gl("Rollix main level benchmark", Width, Height);
    if (!gl.Ready()) return state.SkipWithError(gl.Why().c_str());
    if (!StartZestars(error, gl.DrawnWidth, gl.DrawnHeight)) return state.SkipWithError(error.c_str());
    // The first frame uploads the textures.
    DrawFrame(*LoopLevel);
    PlayZestars(state, [] {
        DrawFrame(*LoopLevel);
        gl.Window.Present();
    });
    // ROLLIX_BENCH_SHOT=FILE.png keeps the last frame, to see what was measured.
    if (const char* shot = std::getenv("ROLLIX_BENCH_SHOT"))
        SaveFramePicture(shot, gl.DrawnWidth, gl.DrawnHeight);
    state.SetLabel(std::to_string(gl.DrawnWidth) + " x " + std::to_string(gl.DrawnHeight));
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    ReportMemory(state);
}
BENCHMARK(BM_ZestarsFrameGl)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
// The resident memory now, from /proc (0 where it cannot be read).
double ResidentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    if (!(statm >> pages >> resident)) return 0.0;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// One window and GL context for the switching benchmarks, with the two
// capture textures a switch draws into.
TGlWindow* SwitchWindow(std::string& error) {
    static TGlWindow gl("Rollix level switch benchmark", Width, Height);
    if (!gl.Ready()) {
        error = gl.Why();
        return nullptr;
    }
    static const bool captures = [] {
        TexLib.CreateWorkTexture("extra1");
        TexLib.CreateWorkTexture("extra2");
        return true;
    }();
    (void)captures;
    return &gl;
}

// Asks the current level for a gate switch that must load its target: the
// current level's own file when the other slot holds something else,
// otherwise the other shipped level.
void RequestLoadingSwitch() {
    const TLevel* other = GameMan->OtherLevel(CurrentLevel);
    const std::string current = CurrentLevel->ShortFileName();
    std::string target = current;
    if (other && other->ShortFileName() == current)
        target = current == "Zestars.map" ? "Vortan 1.map" : "Zestars.map";
    const TRollix* p = CurrentLevel->Player();
    CurrentLevel->RequestLevelSwitch(SwitchGate, p ? p->Centre : TVec2{}, target, 0);
}

// The two switching frames: the old picture captured, the loading picture,
// the load into the other slot, then the new picture captured.
void SwitchFrames() {
    RenderFrame(*LoopLevel);
    RenderFrame(*LoopLevel);
}

// The fade's 100 ticks, played and drawn as the loop would.
void PlayFade(TGlWindow& gl) {
    for (int32_t i = 0; i < 101 && LoopLevel; ++i) {
        RunOneTick(*LoopLevel);
        Seed(100);
        DrawFrame(*LoopLevel);
        gl.Window.Present();
    }
}

// A level switch under GL at 1024 × 768: both captures, the loading picture
// and the load of the target from the archive. The fade is not timed.
void BM_LevelSwitchGl(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    TGlWindow* gl = SwitchWindow(error);
    if (!gl) return state.SkipWithError(error.c_str());
    if (!StartZestars(error, gl->DrawnWidth, gl->DrawnHeight)) return state.SkipWithError(error.c_str());
    DrawFrame(*LoopLevel);
    for (auto _ : state) {
        state.PauseTiming();
        RequestLoadingSwitch();
        state.ResumeTiming();
        SwitchFrames();
        state.PauseTiming();
        PlayFade(*gl);
        state.ResumeTiming();
    }
    state.counters["switches/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    ReportMemory(state);
}
BENCHMARK(BM_LevelSwitchGl)->Unit(benchmark::kMillisecond)->Iterations(40);

// 200 switches, each loading its target: the resident memory after the first
// and after the last, which must stay close.
void BM_TwoHundredSwitchesGl(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    TGlWindow* gl = SwitchWindow(error);
    if (!gl) return state.SkipWithError(error.c_str());
    double afterFirst = 0.0, afterLast = 0.0;
    for (auto _ : state) {
        if (!StartZestars(error, gl->DrawnWidth, gl->DrawnHeight)) return state.SkipWithError(error.c_str());
        DrawFrame(*LoopLevel);
        for (int32_t i = 0; i < 200; ++i) {
            RequestLoadingSwitch();
            SwitchFrames();
            PlayFade(*gl);
            if (i == 0) afterFirst = ResidentMb();
        }
        afterLast = ResidentMb();
    }
    state.counters["RSS after 1 MB"] = afterFirst;
    state.counters["RSS after 200 MB"] = afterLast;
    state.counters["growth %"] = afterFirst > 0.0 ? 100.0 * (afterLast - afterFirst) / afterFirst : 0.0;
}
BENCHMARK(BM_TwoHundredSwitchesGl)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace

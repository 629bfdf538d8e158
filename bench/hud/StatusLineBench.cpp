// The status line's cost per frame over "Zestars.map" from the built
// archive, with a busy line: a diving suit and a secret carried, the
// low-score warning running, the score flashing (its wave) and the air panel
// shown. On the null renderer the status line alone (the CPU side of every
// text and picture); with OpenGL at 1024 × 768 (llvmpipe under Xvfb; skipped
// with no display) the whole frame without (0) and with (1) the status line,
// presented, so that the difference is its cost.
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_hud
#include "app/Ease.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/Font.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "assets/Texts.h"
#include "game/GameMan.h"
#include "gameplay/LevelBoosts.h"
#include "level/Level.h"
#include "level/Mechanics.h"
#include "level/StatusLine.h"
#include "physics/Rollix.h"
#include "platform/GlWindow.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {
constexpr int32_t Width = 1024, Height = 768;

bool GameReady(std::string& why) {
    static std::string error = [] {
        const std::string archive = std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf";
        if (!std::filesystem::exists(archive)) return "no " + archive + ": build the content first";
        SetLogSink([](const std::string&) {});
        FillEaseTables();
        InitAppDir(ROLLIX_BUILD_DIR);
        MassFile.Create();
        TexLib.LoadLibrary();
        SetLanguage("English");
        CreateMechanics();
        InstallGameHooks();
        return std::string();
    }();
    why = error;
    return error.empty();
}

// One window and GL context for the process.
TGlWindow& BenchWindow() {
    static TGlWindow gl("Rollix status line benchmark", Width, Height);
    return gl;
}

// Zestars after a second of play, with everything the status line can show.
bool BusyZestars(std::string& error, int32_t width, int32_t height) {
    ScreenWidth = width;
    ScreenHeight = height;
    FillRandomTable();
    Seed(100);
    if (!MubFont) MubFont = std::make_unique<TMubFont>();
    if (!LoadRunLevel("Zestars.map", error)) return false;
    RunScriptedTicks(100, TInputScript{}, nullptr);
    TLevel& level = *CurrentLevel;
    TRollix& p = *level.Player();
    for (const auto& b : level.Boosts.Items)
        if (b->Type == BoostType::Diver) level.BoostHooks.Take(*b, p);
    TBoosts& carried = level.BoostHooks.CarriedOf(p);
    auto secret = std::make_unique<TBoost>();
    secret->Type = BoostType::Secret;
    secret->PointsValue = 300;
    secret->Duration = secret->TimeLeft = 1000;
    secret->HudPos = secret->HudSlot = HudShardSlot;
    carried.Items.push_back(std::move(secret));
    RunScriptedTicks(60, TInputScript{}, nullptr);
    level.WarnLowScore();
    level.AdvanceWarning(40);
    level.ScoreFade = 30;
    p.HalfInWater = true;
    p.Oxygen = 3000;
    return true;
}

void BM_StatusLineNull(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* null = backend.get();
    InitRenderContext(std::move(backend));
    if (!BusyZestars(error, Width, Height)) return state.SkipWithError(error.c_str());
    size_t vertices = 0;
    for (auto _ : state) {
        null->Clear(Gl::ColorBufferBit);
        CurrentLevel->DrawStatusLine();
        vertices = null->Vertices.size();
    }
    state.SetLabel("status line, null renderer");
    state.counters["vertices"] = double(vertices);
    state.counters["lines/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);

    MubFont.reset();
    ReleaseRenderContext();
}
BENCHMARK(BM_StatusLineNull)->Unit(benchmark::kMicrosecond);

// A frame of the level presented, without (0) and with (1) its status line.
void BM_FrameWithStatusLineGl(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    TGlWindow& gl = BenchWindow();
    if (!gl.Ready()) return state.SkipWithError(gl.Why().c_str());
    if (!BusyZestars(error, gl.DrawnWidth, gl.DrawnHeight)) return state.SkipWithError(error.c_str());
    const bool line = state.range(0) != 0;
    // Without the font the level draws no status line.
    std::unique_ptr<TMubFont> font;
    if (!line) font = std::move(MubFont);
    DrawFrame(*LoopLevel); // the first frame uploads the textures
    for (auto _ : state) {
        DrawFrame(*LoopLevel);
        gl.Window.Present();
    }
    if (font) MubFont = std::move(font);
    state.SetLabel(std::string(line ? "with" : "without") + " status line, " + std::to_string(gl.DrawnWidth) +
                   " x " + std::to_string(gl.DrawnHeight));
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FrameWithStatusLineGl)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

// The status line alone under GL, finished: what the driver spends on it.
void BM_StatusLineGl(benchmark::State& state) {
    std::string error;
    if (!GameReady(error)) return state.SkipWithError(error.c_str());
    TGlWindow& gl = BenchWindow();
    if (!gl.Ready()) return state.SkipWithError(gl.Why().c_str());
    if (!BusyZestars(error, gl.DrawnWidth, gl.DrawnHeight)) return state.SkipWithError(error.c_str());
    DrawFrame(*LoopLevel);
    for (auto _ : state) {
        CurrentLevel->DrawStatusLine();
        Renderer().Finish();
    }
    state.SetLabel("status line alone, GL, finished");
    state.counters["lines/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StatusLineGl)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);
} // namespace

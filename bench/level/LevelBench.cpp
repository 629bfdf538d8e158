// Level benchmarks: loading a level of 2,000 spline objects (parsing, object
// building, collision edges and their grid), and headless play ticks of a
// level with ten characters rolling over its terrain.
#include "BenchScene.h"

#include "app/GameState.h"
#include "app/InputState.h"
#include "app/Random.h"
#include "assets/TexLib.h"
#include "level/Level.h"

#include <benchmark/benchmark.h>

namespace {

// A wide floor with a hill row under the objects of the world benchmark's level.
std::unique_ptr<TSplineObj> Floor(TLevel& level, float x0, float x1, float top) {
    const std::vector<TVec2> outline = {{x0, top}, {x1, top}, {x1, top + 300.0f}, {x0, top + 300.0f}};
    return MakeMeshObject(level.ObjectWorld, outline, 1e9f);
}

std::vector<uint8_t> BigLevelBytes() {
    TBenchWorld::Get();
    ScreenWidth = 1024, ScreenHeight = 768;
    TLevel level;
    level.Layers.Create(-1, {0.5f, 1.0f});
    for (int32_t i = 0; i < LevelObjectCount; ++i)
        level.SplineObjects.push_back(MakeLevelObject(level.ObjectWorld, i));
    level.SplineObjects.push_back(Floor(level, -1000.0f, 41000.0f, 8500.0f));
    return WriteLevelBytes(level);
}

void BM_LoadLevel2000Objects(benchmark::State& state) {
    static const std::vector<uint8_t> bytes = BigLevelBytes();
    size_t edges = 0;
    for (auto _ : state) {
        // A cold load: nothing traced from the textures yet.
        state.PauseTiming();
        ForgetTextureCaches();
        state.ResumeTiming();
        auto level = std::make_unique<TLevel>();
        level->LoadFromBytes(bytes);
        state.PauseTiming();
        edges = level->CollisionEdges.size();
        level.reset();
        state.ResumeTiming();
    }
    state.counters["objects"] = LevelObjectCount + 1;
    state.counters["edges"] = double(edges);
    state.counters["file_kB"] = double(bytes.size()) / 1024.0;
}
BENCHMARK(BM_LoadLevel2000Objects)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

std::vector<uint8_t> TenCharacterLevelBytes() {
    TBenchWorld::Get();
    ScreenWidth = 1024, ScreenHeight = 768;
    TLevel level;
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(Floor(level, -3000.0f, 9000.0f, 300.0f));
    // Bumps to roll over.
    for (int32_t i = 0; i < 12; ++i)
        level.SplineObjects.push_back(MakeMeshObject(
            level.ObjectWorld, StarOutline(24, {float(i) * 700.0f, 300.0f}, 90.0f, uint32_t(i)), 40.0f));
    for (int32_t i = 0; i < 10; ++i) {
        TRollix* c = level.Characters.AddListed();
        c->StartFigure = 1;
        c->StartX = float(i) * 260.0f;
        c->StartY = 100.0f;
    }
    return WriteLevelBytes(level);
}

void BM_PlayTicksTenCharacters(benchmark::State& state) {
    static const std::vector<uint8_t> bytes = TenCharacterLevelBytes();
    ResetInputState();
    TickCount = 1;
    TickMs = 10;
    TLevel level;
    level.LoadFromBytes(bytes);
    SetKey(KeyTable[size_t(DefaultKeyBindings.Right)], true);
    int64_t ticks = 0;
    for (auto _ : state) {
        level.StepPlay(1);
        level.UpdateLevelSounds(true);
        level.CheckRestartTimer();
        EndTick();
        // Keep the characters in play: start over every 20 s of game time.
        if (++ticks % 2000 == 0) level.RestartLevel(false, false);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["characters"] = level.Characters.Count();
    state.counters["realtime_x"] =
        benchmark::Counter(double(state.iterations()) * 0.010, benchmark::Counter::kIsRate);
    ResetInputState();
}
BENCHMARK(BM_PlayTicksTenCharacters)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

} // namespace

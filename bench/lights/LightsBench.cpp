// The lights over one large mesh, headless: choosing every triangle group's
// lights, the lights' tick, and a frame through the null backend.
#include "LitScene.h"

#include "app/Random.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <benchmark/benchmark.h>

namespace {

// Which of the point lights touch each triangle group (at level load and
// whenever lights or meshes change).
void BM_AssignLights(benchmark::State& state) {
    TLitScene scene(int32_t(state.range(0)));
    for (auto _ : state) {
        scene.Lights.AssignToMesh(scene.Mesh(), 0);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(scene.GroupCount()) + " groups, " + std::to_string(scene.TriangleCount()) +
                   " triangles");
    state.counters["groups/s"] =
        benchmark::Counter(double(scene.GroupCount()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AssignLights)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One tick of the lights: a third plain, a third cycling, a third flashing.
void BM_LightsTick(benchmark::State& state) {
    TLitScene scene(int32_t(state.range(0)));
    Seed(1);
    for (auto _ : state)
        scene.Lights.Tick(10);
    state.counters["light-ticks/s"] =
        benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LightsTick)->Arg(100)->Unit(benchmark::kMicrosecond);

// A 1024 × 768 view over the slab's middle through the null backend: the
// CPU side of a lit frame.
void BM_DrawLitNull(benchmark::State& state) {
    ResetRenderState();
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    TLitScene scene(int32_t(state.range(0)));
    const TBox2 view{1500 - 512, 1000 - 384, 1500 + 512, 1000 + 384};
    for (auto _ : state) {
        scene.Draw(view, 1024, 768);
        static_cast<TNullRenderBackend&>(Renderer()).Vertices.clear();
    }
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    ResetRenderState();
}
BENCHMARK(BM_DrawLitNull)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace

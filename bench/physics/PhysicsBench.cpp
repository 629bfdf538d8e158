// Soft-body throughput: node-ticks per second for the springs alone, a ball
// resting on a floor, a ball rolling, and the time of one tick of a pile of
// ten bodies.
#include "PhysicsFixture.h"

#include <benchmark/benchmark.h>

namespace {
void BM_Springs(benchmark::State& state) {
    const int32_t n = int32_t(state.range(0));
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, n, 40, 0, 0);
    for (TRollixVertex& v : c->Vertices)
        v.Pos = v.Pos * 1.02f; // slightly stretched
    for (auto _ : state) {
        c->SpringStep();
        benchmark::DoNotOptimize(c->Vertices[0].Vel);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
    state.SetLabel("node-ticks");
}
BENCHMARK(BM_Springs)->Arg(16)->Arg(32)->Arg(64)->Arg(128);

void BM_BallResting(benchmark::State& state) {
    TTestWorld w;
    w.AddFloor(0.0f, -500.0f, 500.0f);
    TRollix* c = w.AddBody(mkRubber, 32, 30, 0, -31);
    w.Tick(1000);
    for (auto _ : state)
        w.Tick();
    state.SetItemsProcessed(int64_t(state.iterations()) * c->VertexCount());
    state.SetLabel("node-ticks");
}
BENCHMARK(BM_BallResting);

void BM_BallRolling(benchmark::State& state) {
    TTestWorld w;
    TTestInput input;
    w.Level.Input = &input;
    w.AddFloor(0.0f, -1e6f, 1e6f);
    TRollix* c = w.AddBody(mkRubber, 32, 30, 0, -31);
    BindTestKeys(*c);
    input.Hold({TestKeyRight});
    w.Tick(200);
    for (auto _ : state) {
        input.Hold({TestKeyRight});
        w.Tick();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * c->VertexCount());
    state.SetLabel("node-ticks");
}
BENCHMARK(BM_BallRolling);

void BM_PileOfTen(benchmark::State& state) {
    TTestWorld w;
    // A box with a floor and two walls, five balls on the floor, four on them, one on top.
    w.AddRing(
        {{-200, -600}, {-170, -600}, {-170, 0}, {170, 0}, {170, -600}, {200, -600}, {200, 40}, {-200, 40}});
    int32_t nodes = 0;
    const float xs[10] = {-128, -64, 0, 64, 128, -96, -32, 32, 96, 0};
    const float ys[10] = {-31, -31, -31, -31, -31, -95, -95, -95, -95, -160};
    for (int b = 0; b < 10; ++b)
        nodes += w.AddBody(mkRubber, 32, 30, xs[b], ys[b])->VertexCount();
    w.Tick(1000);
    for (auto _ : state)
        w.Tick();
    state.SetItemsProcessed(int64_t(state.iterations()) * nodes);
    state.SetLabel("node-ticks");
}
BENCHMARK(BM_PileOfTen)->Unit(benchmark::kMicrosecond);

// The same two scenes with every zero ground-reaction add done in full.
void BM_WithoutShortcut(benchmark::State& state, void (*scene)(benchmark::State&)) {
    GroundReactionShortcut = false;
    scene(state);
    GroundReactionShortcut = true;
}
BENCHMARK_CAPTURE(BM_WithoutShortcut, BallResting, BM_BallResting);
BENCHMARK_CAPTURE(BM_WithoutShortcut, PileOfTen, BM_PileOfTen)->Unit(benchmark::kMicrosecond);
} // namespace

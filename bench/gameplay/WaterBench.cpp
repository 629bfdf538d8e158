// A large pool in play: its waves and two spouts kept at their 2,000-bubble
// caps, alone and with bodies swimming in it (each node looks for its water
// every tick and the spouts' bubbles push the bodies they cross). Reports
// ticks per second.
#include "WaterPool.h"

#include <benchmark/benchmark.h>

namespace {
// A pool 3,000 wide and 600 deep under its surface at 0.
void BuildBigPool(TPool& pool) {
    pool.World.AddRing({{-1540, -600},
                        {-1500, -600},
                        {-1500, 600},
                        {1500, 600},
                        {1500, -600},
                        {1540, -600},
                        {1540, 640},
                        {-1540, 640}});
    pool.Fill(0, 0);
    for (float x : {-600.0f, 600.0f}) {
        TBubbleSpout& s = pool.Water->Spouts.emplace_back();
        s.Water = pool.Water.get();
        s.Pos = {x, 590};
        s.Rate = 40;
        s.Spread = 0.3f;
    }
    pool.Water->Reset();
    // Fill the spouts to their caps and set the surface moving.
    for (TWavePoint& w : pool.Water->WavePoints)
        w.Speed = 3;
    for (int32_t t = 0; t < 60; ++t)
        pool.Water->Tick({});
}

void BM_PoolSpoutsAtCap(benchmark::State& state) {
    TPool pool;
    BuildBigPool(pool);
    for (const TBubbleSpout& s : pool.Water->Spouts)
        if (s.Bubbles.size() != size_t(MaxBubbles)) state.SkipWithError("a spout is below its cap");
    for (auto _ : state) {
        pool.Water->Tick({});
        benchmark::DoNotOptimize(pool.Water->Spouts[0].Bubbles.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.SetLabel("ticks");
}
BENCHMARK(BM_PoolSpoutsAtCap);

void BM_PoolWithSwimmers(benchmark::State& state) {
    TPool pool;
    BuildBigPool(pool);
    const int32_t bodies = int32_t(state.range(0));
    for (int32_t i = 0; i < bodies; ++i)
        pool.World.AddBody(i % 2 ? mkWater : mkRubber, 32, 30, -700.0f + 1400.0f * float(i) / float(bodies),
                           300);
    pool.Tick(20);
    for (auto _ : state)
        pool.Tick();
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.SetLabel("ticks");
}
BENCHMARK(BM_PoolWithSwimmers)->Arg(4)->Arg(10);
} // namespace

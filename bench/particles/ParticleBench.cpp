// Twenty drop systems of 1,024 particles each over a bumpy ground of terrain
// edges: the particle step headless (ticks/s, particle moves/s), and one frame
// of all of them drawn through OpenGL into a 1024 × 768 window (frames/s with
// the driver at hand, llvmpipe under Xvfb). The GL part skips without a
// display; run it as
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_particles
#include "BenchScene.h"

#include "app/Random.h"
#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/DropEmitter.h"
#include "render/ParticleMan.h"
#include "render/RenderContext.h"
#include "world/EdgeGrid.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr int32_t SystemCount = 20;
constexpr int32_t Particles = 1024;
constexpr float GroundLeft = 0.0f, GroundRight = 4000.0f;

// The ground: 20-unit edges along a wavy line, with walls at both ends.
class TBenchGround : public TParticleWorld {
  public:
    TBenchGround() {
        std::vector<TVec2> line;
        for (float x = GroundLeft; x <= GroundRight; x += 20.0f)
            line.push_back({x, 600.0f + 80.0f * std::sin(x / 150.0f) + 30.0f * std::sin(x / 37.0f)});
        Edges.push_back(MakeEdge({GroundLeft, -400.0f}, line.front()));
        for (size_t i = 0; i + 1 < line.size(); ++i)
            Edges.push_back(MakeEdge(line[i], line[i + 1]));
        Edges.push_back(MakeEdge(line.back(), {GroundRight, -400.0f}));
        Fragments.Build(Edges, {});
    }
    const TFragments* Grid() const override { return &Fragments; }
    std::vector<TCollisionEdge> Edges;
    TFragments Fragments;
};

// The systems, full, with their particles spread over the ground.
struct TBenchSystems {
    TBenchGround Ground;
    TParticleSystem_Manager Man;

    TBenchSystems() {
        TBenchWorld::Get();
        Man.World = &Ground;
        Seed(1);
        for (int32_t i = 0; i < SystemCount; ++i) {
            TParticleSystem* s = Man.CreateDrops(nullptr);
            s->Texture = TexLib.TextureByIndex(BenchTex::Rock);
            s->InPlayLayer = 1;
            auto& e = static_cast<TDrops_Emiter&>(*s->Emitter);
            e.Position = {GroundLeft + 50.0f, 100.0f + 10.0f * float(i)};
            e.Span = {GroundRight - GroundLeft - 100.0f, 0.0f};
            e.StartVelocity = {1.0f, 0.0f};
            e.SpreadAngle = 3.14f;
            e.SpeedSpread = 3.0f;
            e.Contacts = -1;
            e.Interval = 40;
            e.IntervalRandom = 10;
            e.SteerTrack = uint8_t(i % 3 == 0 ? 1 + i % 10 : 0);
            e.SpeedTrack = uint8_t(i % 4);
            e.Emit(Particles);
        }
        // Let them fall and settle into a steady bouncing.
        for (int32_t k = 0; k < 50; ++k)
            Man.TickAll(20);
    }
    static TBenchSystems& Get() {
        static TBenchSystems systems;
        return systems;
    }
};

// One particle step of the level (every second play tick, 20 ms).
void BM_DropSystemsStep(benchmark::State& state) {
    TBenchSystems& b = TBenchSystems::Get();
    int64_t moved = 0;
    for (auto _ : state) {
        b.Man.TickAll(20);
        for (const TParticleSystem* s : b.Man.Systems)
            moved += s->AliveCount;
    }
    state.counters["ticks/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["moves/s"] = benchmark::Counter(double(moved), benchmark::Counter::kIsRate);
    state.counters["particles"] = double(moved) / double(std::max<int64_t>(state.iterations(), 1));
}
BENCHMARK(BM_DropSystemsStep)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr int32_t Width = 1024, Height = 768;

// The window of the process; made by the first GL benchmark.
TGlWindow& BenchWindow() {
    static TGlWindow window("Rollix particle benchmark", Width, Height);
    return window;
}

// All twenty systems in one frame; the view shows the whole ground.
void BM_DropSystemsDrawGl(benchmark::State& state) {
    TGlWindow& gl = BenchWindow();
    if (!gl.Ready()) {
        state.SkipWithError(gl.Why().c_str());
        return;
    }
    TBenchSystems& b = TBenchSystems::Get();
    const TBox2 view{GroundLeft - 100.0f, -800.0f, GroundRight + 100.0f, 1200.0f};
    auto frame = [&] {
        FrameView.HasLevel = true;
        FrameView.ViewWidth = gl.DrawnWidth;
        FrameView.ViewHeight = gl.DrawnHeight;
        FrameView.View = view;
        BeginFrame();
        Renderer().ClearColor(0, 0, 0, 1);
        Renderer().Clear(Gl::ColorBufferBit);
        SetProjection(view.Left, view.Top, view.Right, view.Bottom, 0.0f);
        int32_t triangles = 0;
        for (const TParticleSystem* s : b.Man.Systems)
            triangles += s->Draw(view);
        Renderer().Finish();
        return triangles;
    };
    frame(); // uploads the texture
    int32_t triangles = 0;
    for (auto _ : state) {
        triangles = frame();
        gl.Window.Present();
    }
    state.counters["triangles"] = triangles;
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DropSystemsDrawGl)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

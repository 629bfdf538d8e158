// The benchmark level drawn through OpenGL into a real 1024 × 768 window:
// frame time with the driver at hand (llvmpipe under Xvfb). Without a
// display it skips; run it as
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_scene_gl
#include "BenchScene.h"

#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/RenderContext.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {
constexpr int32_t Width = 1024, Height = 768;

// The window and level of the process; made by the first benchmark.
struct TGlScene {
    TGlWindow Gl{"Rollix scene benchmark", Width, Height};
    std::vector<std::unique_ptr<TSplineObj>> Objects;
    TBox2 Extent{0, 0, 0, 0};

    TGlScene() {
        if (!Gl.Ready()) return;
        TBenchWorld& w = TBenchWorld::Get();
        Objects = BuildLevel(w.World, LevelObjectCount);
        std::vector<TSplineObj*> pointers = Pointers(Objects);
        FileObjects(w.Layers, pointers);
        Extent = Objects.front()->Body.Bounds;
        for (const auto& o : Objects) {
            const TBox2& b = o->Body.Bounds;
            Extent = {std::min(Extent.Left, b.Left), std::min(Extent.Top, b.Top),
                      std::max(Extent.Right, b.Right), std::max(Extent.Bottom, b.Bottom)};
        }
    }
    // The objects go before the window takes the textures and the context.
    ~TGlScene() { Objects.clear(); }
    bool Ready() const { return Gl.Ready(); }
    static TGlScene& Get() {
        static TGlScene scene;
        return scene;
    }
};

// A 1024 × 768 view in the middle of the level (0), or the whole level (1).
void BM_DrawGl(benchmark::State& state) {
    TGlScene& scene = TGlScene::Get();
    if (!scene.Ready()) {
        state.SkipWithError(scene.Gl.Why().c_str());
        return;
    }
    const TBox2& e = scene.Extent;
    const TVec2 centre{(e.Left + e.Right) / 2, (e.Top + e.Bottom) / 2};
    const TBox2 view =
        state.range(0) == 0 ? TBox2{centre.X - 512, centre.Y - 384, centre.X + 512, centre.Y + 384} : e;
    TBenchWorld& w = TBenchWorld::Get();
    // The first frame uploads the textures.
    DrawScene(w.Layers, view, scene.Gl.DrawnWidth, scene.Gl.DrawnHeight);
    Renderer().Finish();
    for (auto _ : state) {
        DrawScene(w.Layers, view, scene.Gl.DrawnWidth, scene.Gl.DrawnHeight);
        Renderer().Finish();
        scene.Gl.Window.Present();
    }
    state.SetLabel(state.range(0) == 0 ? "1024 x 768 view" : "whole level");
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawGl)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

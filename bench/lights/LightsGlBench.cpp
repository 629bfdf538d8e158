// A slab under 100 point lights drawn through OpenGL into a real 1024 × 768
// window: frame time with the driver at hand (llvmpipe under Xvfb), against
// the same slab with the fill light alone. Without a display it skips; run it as
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_lights_gl
#include "LitScene.h"

#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/RenderContext.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {
constexpr int32_t Width = 1024, Height = 768;

// The window of the process; made by the first GL benchmark.
TGlWindow& BenchWindow() {
    static TGlWindow window("Rollix lights benchmark", Width, Height);
    return window;
}

void BM_DrawLitGl(benchmark::State& state) {
    TGlWindow& gl = BenchWindow();
    if (!gl.Ready()) {
        state.SkipWithError(gl.Why().c_str());
        return;
    }
    TLitScene scene(int32_t(state.range(0)));
    const TBox2 view{1500 - 512, 1000 - 384, 1500 + 512, 1000 + 384};
    // The first frame uploads the texture.
    scene.Draw(view, gl.DrawnWidth, gl.DrawnHeight);
    Renderer().Finish();
    for (auto _ : state) {
        scene.Lights.Tick(10);
        scene.Draw(view, gl.DrawnWidth, gl.DrawnHeight);
        Renderer().Finish();
        gl.Window.Present();
    }
    state.SetLabel(state.range(0) == 0 ? "fill light only"
                                       : std::to_string(state.range(0)) + " point lights");
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawLitGl)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

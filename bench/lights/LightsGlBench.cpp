// A slab under 100 point lights drawn through OpenGL into a real 1024 × 768
// window: frame time with the driver at hand (llvmpipe under Xvfb), against
// the same slab with the fill light alone. Without a display it skips; run it as
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_lights_gl
#include "LitScene.h"

#include "assets/TexLib.h"
#include "platform/GameWindow.h"
#include "platform/GlDrivers.h"
#include "render/GlRenderBackend.h"
#include "render/RenderContext.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {
constexpr int32_t Width = 1024, Height = 768;

// The window of the process; made by the first benchmark.
struct TGlWindow {
    std::unique_ptr<TSdlVideo> Video;
    TGameWindow Window;
    std::string Why;
    int32_t DrawnWidth = 0, DrawnHeight = 0;

    TGlWindow() {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            Why = "no display (DISPLAY is not set)";
            return;
        }
        Video = std::make_unique<TSdlVideo>("x11");
        if (!Video->Ready()) {
            Why = "no X video: " + Video->Error();
            return;
        }
        TWindowOptions options;
        options.Title = "Rollix lights benchmark";
        options.Width = Width;
        options.Height = Height;
        options.VSync = false;
        if (!Window.Create(options, Why)) return;
        KeepGlDriversLoaded();
        InitRenderContext(std::make_unique<TGlRenderBackend>());
        Window.DrawableSize(DrawnWidth, DrawnHeight);
        Why.clear();
    }
    ~TGlWindow() {
        TexLib.Clear(); // the textures go while their context still exists
        Window.Destroy();
        Video.reset();
    }
    bool Ready() const { return Window.IsOpen() && Why.empty(); }
    static TGlWindow& Get() {
        static TGlWindow window;
        return window;
    }
};

void BM_DrawLitGl(benchmark::State& state) {
    TGlWindow& gl = TGlWindow::Get();
    if (!gl.Ready()) {
        state.SkipWithError(gl.Why.c_str());
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
    state.SetLabel(state.range(0) == 0 ? "fill light only" : std::to_string(state.range(0)) + " point lights");
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawLitGl)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

// The sky with many stars and fine clouds, and a fog sheet: the cost of one
// tick of both (ticks/s), of one frame sent to the null renderer, and the
// frame time through OpenGL into a real 1024 × 768 window (llvmpipe under
// Xvfb). Without a display the GL benchmark skips; run it as
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/rollix_bench_sky
#include "BenchScene.h"

#include "app/Ease.h"
#include "app/Random.h"
#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/Fog.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"
#include "render/Sky.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {
constexpr int32_t Width = 1024, Height = 768;

// A night sky: a gradient, 400 stars per tile, a moon with its glow, 100
// swaying sprites and a cloud sheet whose cells are cellScale percent.
TMSky BenchSky(float cellScale) {
    TBenchWorld::Get(); // the pictures
    TMSky s;
    s.TopColor = {12, 10, 48, 255};
    s.BottomColor = {60, 40, 90, 255};
    s.RenderClouds = true;
    s.CloudTexture = BenchTex::Blob;
    s.CloudSpeed = 40;
    s.CloudAngle = 0.3f;
    s.MorphPower = 60;
    s.MorphSpeed = 80;
    s.ScaleX = s.ScaleY = cellScale;
    s.SkyParallax = 0.8f;
    s.CloudColor = {200, 200, 255, 160};
    s.CloudColor2 = {255, 220, 200, 60};
    s.MoonTexture = BenchTex::Disc;
    s.GlowTexture = BenchTex::Blob;
    s.MoonPos = {300, 150};
    s.StarTexture = BenchTex::Rock;
    s.StarsPerTile = 400;
    s.StarSizeMin = 0.3f;
    s.StarSizeMax = 1.2f;
    s.StarColor2 = {180, 190, 255, 255};
    s.RenderSprites = true;
    s.SpriteTextures[0] = TexLib.TextureByIndex(BenchTex::Rock);
    s.SpriteTextures[1] = TexLib.TextureByIndex(BenchTex::Disc);
    Seed(100);
    s.Rebuild();
    return s;
}

TFog BenchFog(float cellScale) {
    TFog f;
    f.FogOn = true;
    f.FogTexture = BenchTex::Hill;
    f.FogSpeed = 30;
    f.FogMorphPower = 50;
    f.FogMorphSpeed = 60;
    f.FogScaleX = f.FogScaleY = cellScale;
    f.FogParallax = 1.2f;
    f.FogColor2[3] = 0.2f;
    f.Rebuild();
    return f;
}

// The level's view: the camera somewhere in the level, 1.4 units a pixel.
TSkyView BenchView(int32_t frame) {
    return {1500.0f + float(frame % 1000), -200.0f, Width, Height, 1024.0f / Width * 1.4f, 0.0f};
}

void BM_SkyFogTick(benchmark::State& state) {
    FillEaseTables();
    TMSky sky = BenchSky(float(state.range(0)));
    TFog fog = BenchFog(float(state.range(0)));
    for (auto _ : state) {
        sky.Tick(10);
        fog.Tick(10);
        benchmark::DoNotOptimize(sky.Scroll);
    }
    state.SetLabel("cells " + std::to_string(state.range(0)) + " %");
    state.counters["ticks/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SkyFogTick)->Arg(60)->Arg(10);

void BM_SkyDrawNull(benchmark::State& state) {
    FillEaseTables();
    ResetRenderState();
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    auto* null = static_cast<TNullRenderBackend*>(&Renderer());
    TMSky sky = BenchSky(float(state.range(0)));
    TFog fog = BenchFog(float(state.range(0)));
    int32_t frame = 0;
    for (auto _ : state) {
        null->Vertices.clear();
        int32_t drawn = 0;
        sky.Draw(drawn, false, BenchView(frame));
        fog.Draw(drawn, BenchView(frame));
        ++frame;
        benchmark::DoNotOptimize(drawn);
    }
    state.SetLabel("cells " + std::to_string(state.range(0)) + " %");
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    // The null renderer's texture names mean nothing to a GL context.
    for (auto& t : TexLib.Textures)
        t->Release();
    ResetRenderState();
}
BENCHMARK(BM_SkyDrawNull)->Arg(60)->Arg(10)->Unit(benchmark::kMicrosecond);

// The window of the process; made by the first GL benchmark.
TGlWindow& BenchWindow() {
    TBenchWorld::Get();
    static TGlWindow window("Rollix sky benchmark", Width, Height);
    return window;
}

void BM_SkyDrawGl(benchmark::State& state) {
    TGlWindow& gl = BenchWindow();
    if (!gl.Ready()) {
        state.SkipWithError(gl.Why().c_str());
        return;
    }
    FillEaseTables();
    TMSky sky = BenchSky(float(state.range(0)));
    TFog fog = BenchFog(float(state.range(0)));
    auto frameOnce = [&](int32_t frame) {
        FrameView = {};
        FrameView.ViewWidth = gl.DrawnWidth;
        FrameView.ViewHeight = gl.DrawnHeight;
        BeginFrame();
        int32_t drawn = 0;
        sky.Draw(drawn, false, BenchView(frame));
        fog.Draw(drawn, BenchView(frame));
        Renderer().Finish();
    };
    frameOnce(0); // the first frame uploads the textures
    int32_t frame = 0;
    for (auto _ : state) {
        sky.Tick(10);
        fog.Tick(10);
        frameOnce(++frame);
        gl.Window.Present();
    }
    state.SetLabel("1024 x 768, cells " + std::to_string(state.range(0)) + " %");
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SkyDrawGl)->Arg(60)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

#include "platform/Screenshot.h"

#include "app/FileSave.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/SiteTrace.h"
#include "assets/PictureWrite.h"
#include "platform/GameWindow.h"
#include "platform/GlDrivers.h"
#include "render/GlRenderBackend.h"
#include "render/RenderContext.h"

#include <ostream>

bool SaveScreenshot(const std::string& path, int32_t width, int32_t height,
                    const std::vector<uint8_t>& rgba) {
    RecordSite(14601);
    if (width < 1 || height < 1 || rgba.size() != size_t(width) * size_t(height) * 4) return false;
    std::vector<uint8_t> bgr(size_t(width) * size_t(height) * 3);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = &rgba[size_t(height - 1 - y) * size_t(width) * 4];
        uint8_t* dst = &bgr[size_t(y) * size_t(width) * 3];
        for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    std::vector<uint8_t> png;
    return EncodePng(bgr.data(), width, height, 3, png) && SaveFileAtomic(path, png);
}

bool SaveFramePicture(const std::string& path, int32_t width, int32_t height) {
    std::vector<uint8_t> rgba;
    Renderer().ReadPixels(0, 0, width, height, rgba);
    return SaveScreenshot(path, width, height, rgba);
}

int RunScreenshot(const TCommandLine& options, std::ostream& out, std::ostream& err) {
    RecordSite(14602);
    TInputScript script;
    std::string error;
    if (!options.InputPath.empty() && !LoadInputScript(options.InputPath, script, error)) {
        err << "rollix: " << error << "\n";
        return 2;
    }
    TSdlVideo video;
    if (!video.Ready()) {
        err << "rollix: no window for the screenshot: " << video.Error() << "\n";
        return 1;
    }
    TWindowOptions winOptions;
    winOptions.Title = WindowTitle;
    if (options.Width > 0) {
        winOptions.Width = options.Width;
        winOptions.Height = options.Height;
    }
    winOptions.VSync = false;
    TGameWindow window;
    if (!window.Create(winOptions, error)) {
        err << "rollix: " << error << "\n";
        return 1;
    }
    KeepGlDriversLoaded();
    PrepareRenderContext(std::make_unique<TGlRenderBackend>());
    // The textures go before the window takes the context with it.
    struct TTextureRelease {
        ~TTextureRelease() { ReleaseGameTextures(); }
    } textureRelease;
    int32_t width = 0, height = 0;
    window.DrawableSize(width, height);
    FormResize(width, height);
    StartPhase = false;
    if (!LoadRunLevel(options.Level, error)) {
        err << "rollix: " << error << "\n";
        return 3;
    }
    const int32_t ran = RunScriptedTicks(options.Ticks, script, nullptr);
    if (!LoopLevel) {
        err << "rollix: the level went away after tick " << ran << "\n";
        return 3;
    }
    DrawFrame(*LoopLevel);
    const bool saved = SaveFramePicture(options.ScreenshotPath, width, height);
    window.Present();
    if (!saved) {
        err << "rollix: cannot write " << options.ScreenshotPath << "\n";
        return 1;
    }
    out << "saved " << options.ScreenshotPath << " (" << width << "x" << height << ") after tick " << ran
        << "\n";
    return 0;
}

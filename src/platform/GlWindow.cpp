#include "platform/GlWindow.h"

#include "assets/TexLib.h"
#include "platform/GlDrivers.h"
#include "render/GlRenderBackend.h"
#include "render/RenderContext.h"

#include <cstdlib>

TGlWindow::TGlWindow(const std::string& title, int32_t width, int32_t height) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        WhyNot = "no display (DISPLAY is not set)";
        return;
    }
    Video = std::make_unique<TSdlVideo>("x11");
    if (!Video->Ready()) {
        WhyNot = "no X video: " + Video->Error();
        return;
    }
    TWindowOptions options;
    options.Title = title;
    options.Width = width;
    options.Height = height;
    options.VSync = false;
    if (!Window.Create(options, WhyNot)) return;
    KeepGlDriversLoaded();
    InitRenderContext(std::make_unique<TGlRenderBackend>());
    Window.DrawableSize(DrawnWidth, DrawnHeight);
    WhyNot.clear();
}

TGlWindow::~TGlWindow() {
    TexLib.Clear();
    Window.Destroy();
    Video.reset();
}

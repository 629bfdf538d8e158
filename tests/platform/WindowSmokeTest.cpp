// Opens a real window with a GL context (under a private Xvfb when no X
// server runs), clears and draws a frame, reads it back and closes cleanly.
#include "XvfbEnvironment.h"

#include "app/FileSave.h"
#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "assets/Picture.h"
#include "platform/GameLoop.h"
#include "platform/GameWindow.h"
#include "platform/GlDrivers.h"
#include "platform/Screenshot.h"
#include "render/GlRenderBackend.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        ResetInputState();
        ResetMainWindow();
        Video = std::make_unique<TSdlVideo>("x11");
        if (!Video->Ready()) GTEST_SKIP() << "no X video: " << Video->Error();
        TWindowOptions options;
        options.Title = "Rollix window test";
        options.Width = 320;
        options.Height = 240;
        options.VSync = false;
        std::string error;
        ASSERT_TRUE(Window.Create(options, error)) << error;
        KeepGlDriversLoaded();
        auto backend = std::make_unique<TGlRenderBackend>();
        Gl = backend.get();
        InitRenderContext(std::move(backend));
        Window.DrawableSize(Width, Height);
        ASSERT_GT(Width, 0);
        ASSERT_GT(Height, 0);
    }
    void TearDown() override {
        Window.Destroy();
        EXPECT_FALSE(RenderContextReady());
        Video.reset();
        ResetRenderState();
        ResetInputState();
        ResetMainWindow();
    }

    std::array<uint8_t, 4> PixelAt(int32_t x, int32_t y) {
        std::vector<uint8_t> rgba;
        Renderer().ReadPixels(x, y, 1, 1, rgba);
        if (rgba.size() != 4) return {};
        return {rgba[0], rgba[1], rgba[2], rgba[3]};
    }

    std::unique_ptr<TSdlVideo> Video;
    TGameWindow Window;
    TGlRenderBackend* Gl = nullptr;
    int32_t Width = 0, Height = 0;
};

TEST_F(WindowTest, FrameIsClearedToAKnownColour) {
    SetViewport(Width, Height);
    Renderer().ClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    Renderer().Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
    Renderer().Finish();
    auto px = PixelAt(Width / 2, Height / 2);
    EXPECT_NEAR(px[0], 64, 1);
    EXPECT_NEAR(px[1], 128, 1);
    EXPECT_NEAR(px[2], 191, 1);
    Window.Present();
}

TEST_F(WindowTest, TopOfTheViewIsDrawnAtTheTopOfTheWindow) {
    FrameView.HasLevel = true;
    FrameView.ViewWidth = Width;
    FrameView.ViewHeight = Height;
    FrameView.View = {1000, 2000, 1400, 2300};
    BeginFrame();
    Renderer().ClearColor(0, 0, 0, 1);
    Renderer().Clear(Gl::ColorBufferBit);
    Renderer().Disable(Gl::Texture2D);
    Renderer().Color4ub(255, 0, 0, 255);
    Renderer().Begin(Gl::Quads); // the top tenth of the view
    Renderer().Vertex2f(1000, 2000);
    Renderer().Vertex2f(1400, 2000);
    Renderer().Vertex2f(1400, 2030);
    Renderer().Vertex2f(1000, 2030);
    Renderer().End();
    Renderer().Finish();
    // GL rows count from the bottom.
    EXPECT_EQ(PixelAt(Width / 2, Height - 2)[0], 255);
    EXPECT_EQ(PixelAt(Width / 2, 1)[0], 0);
}

TEST_F(WindowTest, ScreenshotIsSavedTopRowFirst) {
    FrameView.ViewWidth = Width;
    FrameView.ViewHeight = Height;
    FrameView.View = {0, 0, 100, 100};
    BeginFrame();
    Renderer().ClearColor(0, 0, 1, 1);
    Renderer().Clear(Gl::ColorBufferBit);
    Renderer().Disable(Gl::Texture2D);
    Renderer().Color4ub(255, 0, 0, 255);
    Renderer().Begin(Gl::Quads); // the top quarter red, the rest blue
    Renderer().Vertex2f(0, 0);
    Renderer().Vertex2f(100, 0);
    Renderer().Vertex2f(100, 25);
    Renderer().Vertex2f(0, 25);
    Renderer().End();
    Renderer().Finish();
    std::vector<uint8_t> rgba;
    Renderer().ReadPixels(0, 0, Width, Height, rgba);
    const std::string path = "/tmp/rollix-shot-" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(SaveScreenshot(path, Width, Height, rgba));
    auto bytes = LoadPlainFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(bytes);
    TPicture picture;
    ASSERT_TRUE(DecodePng(*bytes, picture));
    ASSERT_EQ(picture.Width, Width);
    ASSERT_EQ(picture.Height, Height);
    const int32_t bpp = picture.BytesPerPixel;
    auto at = [&](int32_t x, int32_t y) {
        return &picture.Pixels[(size_t(y) * size_t(Width) + size_t(x)) * size_t(bpp)];
    };
    EXPECT_EQ(at(Width / 2, 1)[2], 255); // red on top (pixels are blue, green, red)
    EXPECT_EQ(at(Width / 2, 1)[0], 0);
    EXPECT_EQ(at(Width / 2, Height - 2)[0], 255); // blue below
    EXPECT_EQ(at(Width / 2, Height - 2)[2], 0);
    // Pixels that do not fill the size are refused.
    rgba.pop_back();
    EXPECT_FALSE(SaveScreenshot(path, Width, Height, rgba));
    EXPECT_FALSE(SaveScreenshot(path, 0, 0, {}));
}

TEST_F(WindowTest, NullBackendKeepsTheSameMatricesAsTheDriver) {
    TNullRenderBackend twin;
    FrameView.HasLevel = true;
    for (float roll : {0.0f, 30.0f, 90.0f, -135.0f}) {
        SetProjection(-50, 20, 750, 620, roll);
        TMatrix4 driver = Gl->ReadMatrix(Gl::Projection);
        twin.MatrixMode(Gl::Projection);
        twin.LoadIdentity();
        twin.Ortho(-50, 750, 620, 20, 0, 1000);
        if (roll != 0.0f) {
            twin.Translate(350, 320, 0);
            twin.Rotate(roll, 0, 0, 1);
            twin.Translate(-350, -320, 0);
        }
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(driver[size_t(i)], twin.ProjectionMatrix()[size_t(i)], 1e-5) << roll;
    }
    RotateAbout({10, 20}, 45);
    TMatrix4 mv = Gl->ReadMatrix(Gl::ModelView);
    double x, y;
    TransformPoint(mv, 10, 20, x, y); // the pivot stays put
    EXPECT_NEAR(x, 10, 1e-4);
    EXPECT_NEAR(y, 20, 1e-4);
}

TEST_F(WindowTest, SdlEventsReachTheKeyTablesAsVirtualKeys) {
    StartPhase = false;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_RCTRL;
    e.key.keysym.scancode = SDL_SCANCODE_RCTRL;
    HandleSdlEvent(e, Window);
    EXPECT_TRUE(IsNewPress(Vk::Control));
    e.key.repeat = 1; // a repeat of a held key is no new press
    EndTick();
    HandleSdlEvent(e, Window);
    EXPECT_FALSE(IsNewPress(Vk::Control));
    e.type = SDL_KEYUP;
    HandleSdlEvent(e, Window);
    EXPECT_FALSE(IsKeyDown(Vk::Control));

    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    HandleSdlEvent(wheel, Window);
    EXPECT_TRUE(IsNewPress(KeyWheelDown));

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = Window.WindowId();
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    HandleSdlEvent(close, Window);
    EXPECT_TRUE(QuitRequested);
}

TEST_F(WindowTest, DisplaysAndTheFullScreenModeChange) {
    auto displays = ListDisplays();
    ASSERT_FALSE(displays.empty());
    EXPECT_GT(displays[0].Width, 0);
    EXPECT_GT(displays[0].Height, 0);
    EXPECT_FALSE(displays[0].Modes.empty());
    if (Window.SetFullScreenMode(0, {})) {
        EXPECT_TRUE(Window.IsFullScreen());
        EXPECT_TRUE(ResetTiming); // the change is a discontinuity
        Window.RestoreDisplayMode();
        EXPECT_FALSE(Window.IsFullScreen());
    }
    Window.RestoreDisplayMode(); // undoing twice is harmless
    // A monitor that does not exist falls back to the first.
    if (Window.SetFullScreenMode(99, {})) Window.RestoreDisplayMode();
}

TEST(Utf8, DecodesTextEventsIntoCodePoints) {
    EXPECT_EQ(DecodeUtf8("Ab"), U"Ab");
    EXPECT_EQ(DecodeUtf8("\xC3\xA9\xD0\x96"), U"\u00e9\u0416");
    EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), U"\U0001F600");
    EXPECT_EQ(DecodeUtf8("\xC3"), U"\uFFFD");       // cut short at the end
    EXPECT_EQ(DecodeUtf8("\xE2\x82x"), U"\uFFFDx"); // broken in the middle
    EXPECT_EQ(DecodeUtf8("\xFF"), U"\uFFFD");
    EXPECT_EQ(DecodeUtf8(nullptr), U"");
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);
    return RUN_ALL_TESTS();
}

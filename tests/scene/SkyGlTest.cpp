// The sky drawn with the OpenGL backend into a real window (under a private
// Xvfb when no X server runs): its gradient, a moon, a star field and a cloud
// sheet, checked at sampled pixels with a tolerance for the driver's dither.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"

#include "app/Ease.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/RenderContext.h"
#include "render/Sky.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int32_t W = 320, H = 240;
constexpr int32_t MoonTexture = 0, StarTexture = 1, CloudTexture = 2;

// A side × side picture (blue, green, red, alpha rows) from a function giving
// each pixel's grey level and alpha.
template <typename F> std::vector<uint8_t> Png(int32_t side, F pixel) {
    std::vector<uint8_t> px(size_t(side) * size_t(side) * 4);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            const std::array<uint8_t, 2> ga = pixel(x, y);
            uint8_t* p = &px[(size_t(y) * size_t(side) + size_t(x)) * 4];
            p[0] = p[1] = p[2] = ga[0];
            p[3] = ga[1];
        }
    std::vector<uint8_t> out;
    EncodePng(px.data(), side, side, 4, out);
    return out;
}

class SkyGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        FillEaseTables();
        ResetRenderState();
        WriteTextures();
        Gl = std::make_unique<TGlWindow>("Rollix sky test", W, H);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        ASSERT_EQ(Gl->DrawnWidth, W);
        ASSERT_EQ(Gl->DrawnHeight, H);
    }

    void TearDown() override {
        Gl.reset(); // the textures go while their context still exists
        Archive.reset();
        ResetRenderState();
    }

    // A white disc on transparent; a white square; white stripes four
    // pixels wide, opaque and clear in turn.
    void WriteTextures() {
        auto moon = Png(64, [](int32_t x, int32_t y) {
            const float u = (x + 0.5f - 32) / 32, v = (y + 0.5f - 32) / 32;
            return std::array<uint8_t, 2>{255, uint8_t(u * u + v * v < 0.85f * 0.85f ? 255 : 0)};
        });
        auto star = Png(8, [](int32_t, int32_t) { return std::array<uint8_t, 2>{255, 255}; });
        auto cloud = Png(64, [](int32_t x, int32_t) {
            return std::array<uint8_t, 2>{255, uint8_t((x / 4) % 2 == 0 ? 255 : 0)};
        });
        Archive = std::make_unique<level_world::TArchive>("sky");
        Archive->Add({{"Textures\\Sky\\", "moon.png", moon},
                      {"Textures\\Sky\\", "star.png", star},
                      {"Textures\\Sky\\", "cloud.png", cloud},
                      {"Textures\\", "Rollix.TexLib",
                       WriteTexLibIndex({{"Sky\\moon.png"}, {"Sky\\star.png"}, {"Sky\\cloud.png"}})}});
    }

    // A dark blue to rust gradient with nothing in front of it; each test
    // switches on what it looks at.
    static TMSky PlainSky() {
        TMSky s;
        s.TopColor = {20, 30, 140, 255};
        s.BottomColor = {150, 60, 20, 255};
        s.RenderMoon = false;
        s.RenderGlow = false;
        s.RenderStars = false;
        s.MoonTexture = MoonTexture;
        s.StarTexture = StarTexture;
        s.CloudTexture = CloudTexture;
        s.MoonPos = {60, -40};
        s.StarsPerTile = 60;
        s.StarSizeMin = s.StarSizeMax = 0.6f; // stars of about five pixels
        s.StarColor1 = s.StarColor2 = {255, 255, 240, 255};
        s.CloudColor = s.CloudColor2 = {255, 255, 255, 200};
        return s;
    }

    // The sky alone, the camera at the origin, one unit a pixel; the pixels
    // top row first.
    std::vector<uint8_t> DrawSky(TMSky& sky) {
        Seed(11);
        sky.Rebuild();
        FrameView = {};
        FrameView.ViewWidth = W;
        FrameView.ViewHeight = H;
        FrameView.View = {-W / 2.0f, -H / 2.0f, W / 2.0f, H / 2.0f};
        BeginFrame();
        Renderer().ClearColor(0, 0, 0, 1);
        Renderer().Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
        int32_t drawn = 0;
        sky.Draw(drawn, false, {0.0f, 0.0f, W, H, 1.0f, 0.0f});
        Renderer().Finish();
        std::vector<uint8_t> bottomUp, rows(size_t(W) * H * 4);
        Renderer().ReadPixels(0, 0, W, H, bottomUp);
        EXPECT_EQ(bottomUp.size(), rows.size());
        if (bottomUp.size() != rows.size()) return rows;
        for (int32_t y = 0; y < H; ++y)
            std::copy_n(&bottomUp[size_t(H - 1 - y) * W * 4], size_t(W) * 4, &rows[size_t(y) * W * 4]);
        return rows;
    }

    static std::array<int, 3> At(const std::vector<uint8_t>& px, int32_t x, int32_t y) {
        const uint8_t* p = &px[(size_t(y) * W + size_t(x)) * 4];
        return {p[0], p[1], p[2]};
    }
    static int Sum(std::array<int, 3> c) { return c[0] + c[1] + c[2]; }

    std::unique_ptr<level_world::TArchive> Archive;
    std::unique_ptr<TGlWindow> Gl;
};

TEST_F(SkyGlTest, GradientRunsFromTheTopColourToTheBottomColour) {
    TMSky sky = PlainSky();
    const std::vector<uint8_t> px = DrawSky(sky);
    for (const int32_t x : {5, W / 2, W - 5}) {
        const auto top = At(px, x, 1), bottom = At(px, x, H - 2), middle = At(px, x, H / 2);
        const std::array<int, 3> wantTop{20, 30, 140}, wantBottom{150, 60, 20};
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(top[c], wantTop[c], 8) << "top, x " << x << " channel " << c;
            EXPECT_NEAR(bottom[c], wantBottom[c], 8) << "bottom, x " << x << " channel " << c;
            EXPECT_NEAR(middle[c], (wantTop[c] + wantBottom[c]) / 2, 8)
                << "middle, x " << x << " channel " << c;
        }
    }

    // Equal colours clear the screen to that colour.
    sky.BottomColor = sky.TopColor;
    const std::vector<uint8_t> flat = DrawSky(sky);
    for (const int32_t y : {1, H / 2, H - 2}) {
        const auto c = At(flat, W / 3, y);
        EXPECT_NEAR(c[0], 20, 3);
        EXPECT_NEAR(c[2], 140, 3);
    }
}

TEST_F(SkyGlTest, MoonShinesWhereItStands) {
    TMSky sky = PlainSky();
    sky.RenderMoon = true;
    sky.MoonColor = {230, 230, 210, 255};
    const std::vector<uint8_t> px = DrawSky(sky);
    // The moon at (60, −40) is the pixel (220, 80); its disc is 33 pixels
    // across its radius, its picture's disc a little less.
    for (const auto& [x, y] : {std::pair{220, 80}, std::pair{210, 70}, std::pair{232, 90}}) {
        const auto c = At(px, x, y);
        EXPECT_GT(c[0], 180) << x << ", " << y;
        EXPECT_GT(c[1], 180) << x << ", " << y;
    }
    // Away from it the gradient shows.
    for (const auto& [x, y] : {std::pair{220, 130}, std::pair{40, 80}, std::pair{160, 200}}) {
        const auto c = At(px, x, y);
        EXPECT_LT(c[1], 120) << x << ", " << y;
    }
}

TEST_F(SkyGlTest, StarsSprinkleBrightPointsOverTheWholeView) {
    TMSky sky = PlainSky();
    const std::vector<uint8_t> before = DrawSky(sky);
    sky.RenderStars = true;
    const std::vector<uint8_t> after = DrawSky(sky);
    // Pixels that got clearly brighter, counted per quarter of the view.
    std::array<int32_t, 4> brighter{};
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            if (Sum(At(after, x, y)) > Sum(At(before, x, y)) + 90)
                ++brighter[size_t((y >= H / 2) * 2 + (x >= W / 2))];
    for (size_t q = 0; q < 4; ++q)
        EXPECT_GT(brighter[q], 15) << "quarter " << q;
}

TEST_F(SkyGlTest, CloudsBrightenTheSkyWhereTheirPictureIsOpaque) {
    TMSky sky = PlainSky();
    const std::vector<uint8_t> before = DrawSky(sky);
    sky.RenderClouds = true;
    const std::vector<uint8_t> after = DrawSky(sky);
    int32_t brighter = 0, same = 0, darker = 0;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const int d = Sum(At(after, x, y)) - Sum(At(before, x, y));
            if (d > 150)
                ++brighter;
            else if (d < -6)
                ++darker;
            else if (d > -6 && d < 6)
                ++same;
        }
    // Half the picture is clear: the picture spans six 108-unit cells, so
    // bands of cloud and of open sky some 40 pixels wide alternate.
    const int32_t all = W * H;
    EXPECT_GT(brighter, all / 4);
    EXPECT_GT(same, all / 4);
    // Only along the stripes' edges, where filtering mixes in the colour of
    // the clear texels, may the sky come out a little darker.
    EXPECT_LT(darker, all / 10);
}

} // namespace

#include "render/RenderContext.h"
#include "render/NullRenderBackend.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A fresh null context per test; the backend pointer stays valid while the
// context owns it.
class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetRenderState();
        auto backend = std::make_unique<TNullRenderBackend>();
        Gl = backend.get();
        InitRenderContext(std::move(backend));
        Gl->ForgetCalls();
    }
    void TearDown() override { ResetRenderState(); }

    void UseLevel(TBox2 view, float roll, int32_t w = 400, int32_t h = 300) {
        FrameView.HasLevel = true;
        FrameView.View = view;
        FrameView.CameraRoll = roll;
        FrameView.ViewWidth = w;
        FrameView.ViewHeight = h;
    }

    // Normalized device coordinates of a world point under the current projection.
    void Project(float x, float y, double& nx, double& ny) const {
        TransformPoint(MultiplyMatrix(Gl->ProjectionMatrix(), Gl->ModelViewMatrix()), x, y, nx, ny);
    }

    TNullRenderBackend* Gl = nullptr;
};

void ExpectBoxNear(const TBox2& got, const TBox2& want) {
    EXPECT_NEAR(got.Left, want.Left, 1e-3f);
    EXPECT_NEAR(got.Top, want.Top, 1e-3f);
    EXPECT_NEAR(got.Right, want.Right, 1e-3f);
    EXPECT_NEAR(got.Bottom, want.Bottom, 1e-3f);
}

TEST_F(RenderTest, ViewRectCoversTheRolledView) {
    struct Case {
        bool level;
        float roll;
        TBox2 want;
    } cases[] = {
        {true, 0.0f, {100, 50, 500, 350}},
        {true, 90.0f, {150, 0, 450, 400}}, // 400 × 300 turns into 300 × 400 about the centre (300, 200)
        {true, -90.0f, {150, 0, 450, 400}},
        {true, 180.0f, {100, 50, 500, 350}},
        {false, 90.0f, {100, 50, 500, 350}}, // no level: no roll
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.roll);
        FrameView.HasLevel = c.level;
        SetProjection(100, 50, 500, 350, c.roll);
        ExpectBoxNear(ViewRect, c.want);
    }
    // 45°: a 400 × 300 box turned by 45° spans (400 + 300)/√2 both ways.
    FrameView.HasLevel = true;
    SetProjection(100, 50, 500, 350, 45.0f);
    float half = 350.0f / std::sqrt(2.0f);
    ExpectBoxNear(ViewRect, {300 - half, 200 - half, 300 + half, 200 + half});
}

TEST_F(RenderTest, ProjectionPutsTheViewTopAtTheScreenTop) {
    UseLevel({100, 50, 500, 350}, 0.0f);
    SetProjection(100, 50, 500, 350, 0.0f);
    double x, y;
    Project(100, 50, x, y); // top-left corner of the view
    EXPECT_NEAR(x, -1.0, 1e-9);
    EXPECT_NEAR(y, 1.0, 1e-9); // +1 is the top of the viewport
    Project(500, 350, x, y);
    EXPECT_NEAR(x, 1.0, 1e-9);
    EXPECT_NEAR(y, -1.0, 1e-9);
    EXPECT_EQ(Gl->Mode, Gl::ModelView);
}

TEST_F(RenderTest, RollTurnsTheProjectionAboutTheViewCentre) {
    UseLevel({100, 50, 500, 350}, 90.0f);
    SetProjection(100, 50, 500, 350, 90.0f);
    double x, y;
    Project(300, 200, x, y);
    EXPECT_NEAR(x, 0.0, 1e-6);
    EXPECT_NEAR(y, 0.0, 1e-6);
    // The top-centre point, 150 above the centre, turns to 150 right of it.
    Project(300, 50, x, y);
    EXPECT_NEAR(x, 0.75, 1e-6);
    EXPECT_NEAR(y, 0.0, 1e-6);

    // With the roll switch off the rectangle still grows, the picture does not turn.
    FrameView.RollOn = false;
    SetProjection(100, 50, 500, 350, 90.0f);
    Project(300, 50, x, y);
    EXPECT_NEAR(x, 0.0, 1e-6);
    EXPECT_NEAR(y, 1.0, 1e-6);
    ExpectBoxNear(ViewRect, {150, 0, 450, 400});
}

TEST_F(RenderTest, FlatOrBrokenViewKeepsAnIdentityProjection) {
    const float nan = std::nanf("");
    TBox2 rects[] = {{0, 0, 0, 100}, {0, 5, 100, 5}, {nan, 0, 100, 100}};
    for (const TBox2& r : rects) {
        SetProjection(r.Left, r.Top, r.Right, r.Bottom, 0.0f);
        for (double v : Gl->ProjectionMatrix())
            EXPECT_TRUE(std::isfinite(v));
        EXPECT_EQ(Gl->ProjectionMatrix(), IdentityMatrix());
    }
}

TEST_F(RenderTest, CachesSkipRedundantStateChanges) {
    ResetBlending();
    Gl->ForgetCalls();

    SetBlend(Gl::SrcAlpha, Gl::OneMinusSrcAlpha); // already set by ResetBlending
    EXPECT_EQ(Gl->CallCount(TRenderCall::BlendFunc), 0);
    SetBlend(Gl::SrcAlpha, Gl::One);
    SetBlend(Gl::SrcAlpha, Gl::One);
    EXPECT_EQ(Gl->CallCount(TRenderCall::BlendFunc), 1);
    EXPECT_EQ(Gl->BlendDst, Gl::One);

    SetTexEnv(Gl::Modulate);
    SetTexEnv(Gl::Decal);
    SetTexEnv(Gl::Decal);
    EXPECT_EQ(Gl->CallCount(TRenderCall::TexEnvMode), 1);

    BindTexture(7);
    BindTexture(7);
    BindTexture(8);
    EXPECT_EQ(Gl->CallCount(TRenderCall::BindTexture), 2);
    EXPECT_EQ(Gl->Bound, 8u);

    // A texture never bound (0) still goes through once: the cache starts empty.
    ReleaseRenderContext();
    auto fresh = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* second = fresh.get();
    InitRenderContext(std::move(fresh));
    BindTexture(0);
    EXPECT_EQ(second->CallCount(TRenderCall::BindTexture), 1);
}

TEST_F(RenderTest, EditViewForcesPlainBlendingAndNoLighting) {
    FrameView.EditView = true;
    FrameView.LightsActive = true;
    ResetBlending();
    Gl->ForgetCalls();
    SetBlend(Gl::DstColor, Gl::Zero);
    SetTexEnv(Gl::Decal);
    SetLighting(true);
    EXPECT_EQ(Gl->CallCount(TRenderCall::BlendFunc), 0);
    EXPECT_EQ(Gl->CallCount(TRenderCall::TexEnvMode), 0);
    EXPECT_EQ(Gl->BlendSrc, Gl::SrcAlpha);
    EXPECT_EQ(Gl->BlendDst, Gl::OneMinusSrcAlpha);
    EXPECT_EQ(Gl->EnvMode, Gl::Modulate);
    EXPECT_FALSE(Gl->Enabled.count(Gl::Lighting));
}

TEST_F(RenderTest, LightingFollowsTheLevelsLights) {
    ResetBlending();
    FrameView.LightsActive = false;
    SetLighting(true);
    EXPECT_FALSE(Gl->Enabled.count(Gl::Lighting));
    FrameView.LightsActive = true;
    Gl->ForgetCalls();
    SetLighting(true);
    SetLighting(true);
    EXPECT_TRUE(Gl->Enabled.count(Gl::Lighting));
    EXPECT_EQ(Gl->CallCount(TRenderCall::Enable), 1);
    FrameView.LightsActive = false; // lights went out: asking for lighting turns it off
    SetLighting(true);
    EXPECT_FALSE(Gl->Enabled.count(Gl::Lighting));
}

TEST_F(RenderTest, ViewportIgnoresEmptySizesAndRepeats) {
    SetViewport(800, 600);
    SetViewport(800, 600);
    SetViewport(0, 600);  // minimized
    SetViewport(800, -1); // dragged flat
    EXPECT_EQ(Gl->CallCount(TRenderCall::Viewport), 1);
    EXPECT_EQ(Gl->ViewportRect, (std::array<int32_t, 4>{0, 0, 800, 600}));
    ForceViewport = true;
    SetViewport(800, 600);
    EXPECT_EQ(Gl->CallCount(TRenderCall::Viewport), 2);
    SetViewport(640, 480);
    EXPECT_EQ(Gl->ViewportRect, (std::array<int32_t, 4>{0, 0, 640, 480}));
}

TEST_F(RenderTest, BeginFrameLeavesTheStateDrawingExpects) {
    UseLevel({0, 0, 800, 600}, 0.0f, 800, 600);
    Gl->Enable(Gl::DepthTest);
    Gl->Enable(Gl::Lighting);
    BeginFrame();
    EXPECT_EQ(Gl->ViewportRect, (std::array<int32_t, 4>{0, 0, 800, 600}));
    EXPECT_TRUE(Gl->Enabled.count(Gl::Blend));
    EXPECT_TRUE(Gl->Enabled.count(Gl::AlphaTest));
    EXPECT_TRUE(Gl->Enabled.count(Gl::Texture2D));
    EXPECT_FALSE(Gl->Enabled.count(Gl::DepthTest));
    EXPECT_FALSE(Gl->Enabled.count(Gl::Lighting));
    EXPECT_EQ(Gl->DepthFn, Gl::Always);
    EXPECT_EQ(Gl->AlphaFn, Gl::Greater);
    EXPECT_EQ(Gl->AlphaRef, 0.0f);
    EXPECT_EQ(Gl->BlendSrc, Gl::SrcAlpha);
    EXPECT_EQ(Gl->BlendDst, Gl::OneMinusSrcAlpha);
    EXPECT_EQ(Gl->ClientArrays, (std::set<uint32_t>{Gl::VertexArray}));
    EXPECT_EQ(Gl->CurrentColor, (std::array<uint8_t, 4>{255, 255, 255, 255}));
    EXPECT_EQ(Gl->CurrentNormal, (std::array<float, 3>{0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(Gl->OpenBatch, -1);
    EXPECT_EQ(Gl->BatchErrors, 0);
    EXPECT_TRUE(Gl->Vertices.empty());

    // A capture frame of a level switch draws at the capture size.
    FrameView.Capturing = true;
    FitCaptureSize(2048, 1536, FrameView.CaptureWidth, FrameView.CaptureHeight);
    BeginFrame();
    EXPECT_EQ(Gl->ViewportRect, (std::array<int32_t, 4>{0, 0, 1024, 768}));
}

TEST_F(RenderTest, InitSetsTheFixedStateAndReleaseForgetsIt) {
    ReleaseRenderContext();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* gl = backend.get();
    gl->Enable(Gl::DepthTest);
    gl->Enable(Gl::CullFace);
    InitRenderContext(std::move(backend));
    EXPECT_TRUE(RenderContextReady());
    EXPECT_EQ(gl->Enabled, (std::set<uint32_t>{Gl::Dither, Gl::ColorMaterial}));
    EXPECT_EQ(gl->ClearRgba, (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(gl->CallCount(TRenderCall::Clear), 1);

    ReleaseRenderContext();
    EXPECT_FALSE(RenderContextReady());
    // Without a context the operations still run and reach no driver.
    BeginFrame();
    SetBlend(Gl::One, Gl::One);
    DrawMarker({1, 2}, {}, 3);
    ReleaseRenderContext();
}

TEST(CaptureSize, FitsIn1024Square) {
    struct Case {
        int32_t w, h, wantW, wantH;
    } cases[] = {
        {800, 600, 800, 600},    {1024, 1024, 1024, 1024}, {2048, 1024, 1024, 512},
        {1920, 1080, 1024, 576}, {1080, 1920, 576, 1024},  {0, 0, 1, 1},
        {5000, 1, 1024, 1},
    };
    for (const Case& c : cases) {
        int32_t w = 0, h = 0;
        FitCaptureSize(c.w, c.h, w, h);
        EXPECT_EQ(w, c.wantW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.wantH) << c.w << "x" << c.h;
    }
}

TEST_F(RenderTest, OutlinesAndMarkersAreUntexturedShapes) {
    Gl->Enable(Gl::Texture2D);
    DrawRectOutline({1, 2, 3, 4}, {10, 20, 30, 40});
    ASSERT_EQ(Gl->Vertices.size(), 4u);
    EXPECT_EQ(Gl->Vertices[2], (std::array<float, 2>{3, 4}));
    EXPECT_EQ(Gl->CurrentColor, (std::array<uint8_t, 4>{10, 20, 30, 40}));

    Gl->Vertices.clear();
    DrawMarker({10, 20}, {}, 4.0f);
    ASSERT_EQ(Gl->Vertices.size(), 12u);
    // The (+1, +1) triangle: the point, point + (s, 0.65 s), point + (0.65 s, s).
    EXPECT_EQ(Gl->Vertices[9], (std::array<float, 2>{10, 20}));
    EXPECT_FLOAT_EQ(Gl->Vertices[10][0], 14.0f);
    EXPECT_FLOAT_EQ(Gl->Vertices[10][1], 22.6f);
    EXPECT_FLOAT_EQ(Gl->Vertices[11][0], 12.6f);
    EXPECT_FLOAT_EQ(Gl->Vertices[11][1], 24.0f);
    EXPECT_TRUE(Gl->Enabled.count(Gl::Texture2D));
    EXPECT_EQ(Gl->BatchErrors, 0);
}

TEST_F(RenderTest, VertexRecordHoldsTheFrameSinceTheLastClear) {
    // Frames as the loop draws them: a clear of the colour buffer, then the
    // picture. The record holds the current frame's vertices only.
    for (int32_t frame = 1; frame <= 3; ++frame) {
        Gl->Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
        for (int32_t k = 0; k < frame; ++k)
            DrawRectOutline({0, 0, float(frame), 1}, {});
        ASSERT_EQ(Gl->Vertices.size(), size_t(frame) * 4u) << frame;
        EXPECT_EQ(Gl->Vertices[2][0], float(frame)) << frame;
    }
    // Clearing the depth buffer alone leaves the picture, and its record.
    Gl->Clear(Gl::DepthBufferBit);
    EXPECT_EQ(Gl->Vertices.size(), 12u);
}

} // namespace

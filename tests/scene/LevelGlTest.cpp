// A level played one tick per frame, drawn with OpenGL into a real window and
// with the null renderer: the simulation must not notice the difference, and
// the GL frame must show the terrain.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"

#include "app/MainLoop.h"
#include "level/Mechanics.h"
#include "platform/GlWindow.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <string>
#include <vector>

using namespace level_world;

namespace {

constexpr int32_t FrameW = 320, FrameH = 240;

class LevelGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        ResetLevelGlobals();
        ScreenWidth = FrameW;
        ScreenHeight = FrameH;
        Archive = std::make_unique<TArchive>("gl");
        TLevelPlan plan;
        plan.Characters = {{0.0f, 150.0f}, {300.0f, -100.0f}};
        LevelBytes = WritePlannedLevel(plan);
        CreateMechanics();
    }
    void TearDown() override {
        Level.reset();
        Gl.reset(); // the textures go while their context still exists
        TexLib.Clear();
        Archive.reset();
        ResetMechanics();
        ResetRenderState();
        ResetLevelGlobals();
    }

    bool OpenWindow() {
        Gl = std::make_unique<TGlWindow>("Rollix level test", FrameW, FrameH);
        return Gl->Ready();
    }

    // Plays the level, one tick and one frame at a time, with the right key
    // held; the state hash after each tick.
    std::vector<uint64_t> Play(int32_t ticks) {
        ResetMainLoop();
        ResetInputState();
        ScreenWidth = FrameW;
        ScreenHeight = FrameH;
        FillRandomTable();
        Seed(100);
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(LevelBytes));
        SetKey(KeyTable[size_t(DefaultKeyBindings.Right)], true);
        std::vector<uint64_t> hashes;
        for (int32_t t = 0; t < ticks; ++t) {
            PlayTicks(*Level);
            TStateHash h;
            h.AddUInt32(RandSeed);
            h.AddInt32(Level->TickCounter);
            h.AddFloat(Level->CameraX);
            h.AddFloat(Level->CameraY);
            for (const auto& c : Level->Characters.Items)
                for (const TRollixVertex& v : c->Vertices) {
                    h.AddFloat(v.Pos.X);
                    h.AddFloat(v.Pos.Y);
                    h.AddFloat(v.Vel.X);
                    h.AddFloat(v.Vel.Y);
                }
            hashes.push_back(h.Value);
            // The frame: its own fixed seed, set-up and drawing.
            Seed(100);
            Level->PrepareFrameView();
            BeginFrame();
            Renderer().ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            Renderer().Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
            Level->DrawLevel();
            Renderer().Finish();
        }
        return hashes;
    }

    std::unique_ptr<TArchive> Archive;
    std::vector<uint8_t> LevelBytes;
    std::unique_ptr<TGlWindow> Gl;
    std::unique_ptr<TLevel> Level;
};

TEST_F(LevelGlTest, GlAndNullRenderersPlayTheSameGameAndGlShowsTheTerrain) {
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    const std::vector<uint64_t> null = Play(200);
    Level.reset();
    ReleaseRenderContext();
    TexLib.Clear();
    TexLib.LoadLibrary();

    if (!OpenWindow()) GTEST_SKIP() << Gl->Why();
    const std::vector<uint64_t> gl = Play(200);
    ASSERT_EQ(gl.size(), null.size());
    for (size_t i = 0; i < gl.size(); ++i)
        ASSERT_EQ(gl[i], null[i]) << "after tick " << i + 1;

    // The floor (its top at y = 300, 200 deep) shows the ground picture
    // across the view; above it the cleared background stays black.
    std::vector<uint8_t> rgba;
    Renderer().ReadPixels(0, 0, FrameW, FrameH, rgba);
    ASSERT_EQ(rgba.size(), size_t(FrameW) * FrameH * 4);
    auto rowOf = [&](float worldY) { return int32_t((Level->View.Bottom - worldY) / Level->Scale); };
    auto lit = [&](int32_t x, int32_t yFromBottom) {
        const uint8_t* p = &rgba[(size_t(yFromBottom) * FrameW + size_t(x)) * 4];
        return p[0] + p[1] + p[2] > 60;
    };
    const int32_t floorRow = rowOf(400.0f), skyRow = rowOf(Level->View.Top + 20.0f);
    ASSERT_GT(floorRow, 0);
    ASSERT_LT(skyRow, FrameH);
    int32_t floorLit = 0, skyLit = 0, columns = 0;
    for (int32_t x = 0; x < FrameW; x += 8, ++columns) {
        floorLit += lit(x, floorRow) ? 1 : 0;
        skyLit += lit(x, skyRow) ? 1 : 0;
    }
    EXPECT_EQ(floorLit, columns) << "the floor should cross the whole view";
    EXPECT_EQ(skyLit, 0) << "nothing should be drawn above the terrain";
}

} // namespace

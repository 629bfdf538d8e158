// A water body drawn through the playing layer with the OpenGL backend into a
// real window (under a private Xvfb when no X server runs): its gradient from
// the surface to the floor, the bright surface line, a raised wave and a
// bubble, checked at sampled pixels with a tolerance for the driver.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"
#include "ScenePixels.h"

#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "gameplay/Water.h"
#include "platform/GlWindow.h"
#include "render/RenderContext.h"
#include "world/CollisionEdges.h"
#include "world/EdgeGrid.h"
#include "world/Layers.h"
#include "world/MaterialMan.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {
using scene_pixels::TRgb;
constexpr int32_t W = 320, H = 240;
constexpr TRgb Background{30, 30, 30};

class WaterGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        Archive = std::make_unique<level_world::TArchive>("water");
        Archive->Add({{"Textures\\Levels\\", "water.png", scene_pixels::SolidPng(64, {255, 255, 255})},
                      {"Textures\\Levels\\", "WaterBubble3.png", scene_pixels::SolidPng(16, {255, 255, 255})},
                      {"Textures\\", "Rollix.TexLib",
                       WriteTexLibIndex({{"Levels\\water.png"}, {"Levels\\WaterBubble3.png"}})}});
        ASSERT_NE(TexLib.Water, nullptr);
        ASSERT_NE(TexLib.WaterBubble, nullptr);

        Gl = std::make_unique<TGlWindow>("Rollix water test", W, H);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        ASSERT_EQ(Gl->DrawnWidth, W);
        ASSERT_EQ(Gl->DrawnHeight, H);
        BuildPool();
    }

    void TearDown() override {
        Water.reset();
        Grid.Destroy();
        Gl.reset(); // the textures go while their context still exists
        Archive.reset();
        ResetRenderState();
    }

    // A cup with walls at x 0 … 20 and 300 … 320 and its floor at 200, filled
    // to 100: blue at the surface, green at the floor, all opaque and unlit.
    void BuildPool() {
        TBorderRing cup;
        cup.Points = {{0, 0}, {20, 0}, {20, 200}, {300, 200}, {300, 0}, {320, 0}, {320, 240}, {0, 240}};
        AppendRingEdges(Edges, cup);
        Grid.Build(Edges, {});
        Water = std::make_unique<TWater>();
        Water->SeedX = 160;
        Water->RestLevel = 100;
        Water->TopColour = {0, 0, 255, 255};
        Water->BottomColour = {0, 255, 0, 255};
        Water->BubbleColour = {255, 0, 0, 255};
        Materials.Waters.Lit = 0;
        for (TMaterial* m : {&Water->BodyMaterial, &Water->SurfaceMaterial, &Water->BubbleMaterial})
            m->Parent = &Materials.Waters;
        Water->Prepare(&Grid);
        Water->Reset();
        ASSERT_TRUE(Water->Mesh);
        Layers.Create(0, {1.0f});
        Layers.Hooks.ApplyWaterMaterial = [this] { Materials.Waters.Apply(); };
        Layers.Hooks.DrawWater = [](TWater* w) { w->Draw(); };
        Layers.Playing().Waters.push_back(Water.get());
    }

    void DrawFrame() { scene_pixels::DrawLayersPixelPerUnit(Layers, W, H, Background); }

    TRgb PixelAt(int32_t x, int32_t y) const { return scene_pixels::PixelAt(x, y, H); }

    using TSample = scene_pixels::TSample;
    void ExpectSamples(const std::vector<TSample>& samples) const { scene_pixels::ExpectSamples(samples, H); }

    // The gradient's colour at height y: blue at 100 turning green at 200.
    static TRgb WaterAt(float y) {
        const float t = (y - 100.0f) / 100.0f;
        return {0, int(255 * t), 255 - int(255 * t)};
    }

    std::unique_ptr<level_world::TArchive> Archive;
    std::vector<TCollisionEdge> Edges;
    TFragments Grid;
    std::unique_ptr<TWater> Water;
    TMaterialMan Materials;
    TLayers Layers;
    std::unique_ptr<TGlWindow> Gl;
};

TEST_F(WaterGlTest, PoolShowsItsGradientSurfaceWavesAndBubbles) {
    DrawFrame();
    ExpectSamples({
        {160, 110, WaterAt(110.5f), "just below the surface"},
        {60, 150, WaterAt(150.5f), "half way down"},
        {280, 190, WaterAt(190.5f), "near the floor"},
        {160, 101, {127, 127, 255}, "the bright surface line"},
        {160, 90, Background, "above the surface"},
        {10, 150, Background, "inside the left wall"},
        {160, 220, Background, "inside the floor"},
    });

    // A wave lifts the surface at one point; a bubble rises in the water.
    TWavePoint* raised = nullptr;
    for (TWavePoint& w : Water->WavePoints)
        if (w.Vertex && w.Prev >= 0 && w.Next >= 0 && std::fabs(w.Vertex->X - 160) < 1) raised = &w;
    ASSERT_NE(raised, nullptr);
    raised->Vertex->Y = 85;
    Seed(3);
    ASSERT_TRUE(Water->EmitBubble(false, 0, 0, 0, 150, 240));
    DrawFrame();
    ExpectSamples({
        {160, 92, WaterAt(100), "water where the wave rose"},
        {60, 92, Background, "still air beside the wave"},
        {240, 150, {255, 0, 0}, "the bubble"},
        {250, 150, WaterAt(150.5f), "water beside the bubble"},
    });
    // Drawing changed nothing in the water.
    EXPECT_EQ(raised->Vertex->Y, 85.0f);
    EXPECT_EQ(Water->Bubbles.size(), 1u);
}

} // namespace

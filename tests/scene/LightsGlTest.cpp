// A lit, textured slab beside a point light, drawn with the OpenGL backend
// into a real window (under a private Xvfb when no X server runs): the slab
// is bright at the light's foot, falls off with distance, and where no point
// light reaches the fill light still shows the texture in the layer's
// ambient colour.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"
#include "ScenePixels.h"

#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/Lights.h"
#include "render/RenderContext.h"
#include "world/Layers.h"
#include "world/MaterialMan.h"
#include "world/SplineObj.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int32_t Grey = 200;   // the slab's texture, every channel
constexpr float Ambient = 0.3f; // the playing layer's ambient colour, every channel
constexpr int32_t Background = 0;

class LightsGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        Archive = std::make_unique<level_world::TArchive>("lights");
        Archive->Add({{"Textures\\Lights\\", "slab.png", scene_pixels::SolidPng(32, {Grey, Grey, Grey})},
                      {"Textures\\", "Rollix.TexLib", WriteTexLibIndex({{"Lights\\slab.png"}})}});

        Gl = std::make_unique<TGlWindow>("Rollix lights test", 320, 240);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        Width = Gl->DrawnWidth, Height = Gl->DrawnHeight;
        ASSERT_EQ(Width, 320);
        ASSERT_EQ(Height, 240);
        BuildScene();
    }

    void TearDown() override {
        Slab.reset();
        Gl.reset(); // the textures go while their context still exists
        Archive.reset();
        ResetRenderState();
    }

    // The playing layer alone, without the character light; a slab over
    // x 0 … 300, y −50 … 50 finely meshed (lighting is per vertex); one white
    // point light of radius 150.
    void BuildScene() {
        Layers.Create(0, {1.0f});
        TLayer& playing = Layers.Playing();
        playing.CharacterLight = false;
        playing.LightColor = {Ambient, Ambient, Ambient, 1.0f};
        playing.Reset();
        World.Materials = &Materials;
        World.Layers = &Layers;
        Layers.Hooks.SwitchOnLights = [this](TLayer& layer) { Lights.SwitchOnLayer(layer); };
        Layers.Hooks.ApplySplineObjectMaterial = [this] { Materials.SplineObjects.Apply(); };
        Layers.Hooks.DrawSplineObject = [](TSplineObj* o) { o->Draw(0); };

        Slab = std::make_unique<TSplineObj>(&World);
        TMesh* mesh = Slab->AddBodyMesh();
        mesh->SetTextureIndex(0);
        const std::vector<TVec2> outline = {{0, -50}, {300, -50}, {300, 50}, {0, 50}};
        mesh->SetOutline(outline.data(), int32_t(outline.size()));
        ASSERT_TRUE(mesh->Triangulate());
        mesh->Subdivide(12);
        const TBox2 b = mesh->SourceBounds;
        const float a = (b.Right - b.Left) / 3, c = (b.Bottom - b.Top) / 3;
        Slab->Splines[0] = TSpline::CreateFromPoints({b.Left, b.Top}, {a, 0}, {b.Right, b.Top}, {-a, 0});
        Slab->Splines[1] = TSpline::CreateFromPoints({b.Right, b.Top}, {0, c}, {b.Right, b.Bottom}, {0, -c});
        Slab->Splines[2] =
            TSpline::CreateFromPoints({b.Right, b.Bottom}, {-a, 0}, {b.Left, b.Bottom}, {a, 0});
        Slab->Splines[3] = TSpline::CreateFromPoints({b.Left, b.Bottom}, {0, -c}, {b.Left, b.Top}, {0, c});
        LinkRing(Slab->Splines.data(), 4);
        for (size_t i = 0; i < 4; ++i)
            Slab->BaseSplines[i].CopyShape(Slab->Splines[i]);
        LinkRing(Slab->BaseSplines.data(), 4);
        Slab->Rebuild();
        ASSERT_FALSE(Slab->Body.Meshes.front()->Triangles.empty());
        Layers.ClearMembers();
        playing.SplineObjects.push_back(Slab.get());

        Lights.Layers = &Layers;
        Lights.VisitLitMeshes = [this](const std::function<void(TMesh&, int32_t)>& visit) {
            for (TMultiMesh* group : {&Slab->Body, &Slab->Border})
                for (auto& m : group->Meshes)
                    visit(*m, 0);
        };
        auto light = std::make_unique<TLight>(&Lights);
        light->StoredColor = light->CurrentColor = {1.0f, 1.0f, 1.0f, 1.0f};
        light->SetRadius(150.0f);
        Lights.PointLights.push_back(std::move(light));
        PlaceLight(40.0f);
    }

    void PlaceLight(float x) {
        TLight& l = *Lights.PointLights[0];
        l.Position[0] = x;
        l.Position[1] = 0.0f;
        l.UpdateBox();
        Lights.AssignAll();
    }

    // Camera at (150, 0): the view is x −10 … 310, y −120 … 120, one pixel a unit.
    void DrawFrame() {
        FrameView.HasLevel = true;
        FrameView.ViewWidth = Width;
        FrameView.ViewHeight = Height;
        FrameView.View = {-10.0f, -120.0f, 310.0f, 120.0f};
        BeginFrame();
        Renderer().ClearColor(0, 0, 0, 1);
        Renderer().Clear(Gl::ColorBufferBit);
        Lights.PrepareFrame();
        for (auto& layer : Layers.Layers) {
            layer->UpdateRect({150.0f, 0.0f}, float(Width), float(Height));
            Layers.DrawLayer(*layer, 0.0f, false);
        }
        Renderer().Finish();
    }

    // The brightness (mean of red, green, blue) at a world point.
    int32_t BrightnessAt(float x, float y) {
        std::vector<uint8_t> rgba;
        const int32_t px = int32_t(x + 10.0f), py = int32_t(y + 120.0f);
        Renderer().ReadPixels(px, Height - 1 - py, 1, 1, rgba);
        if (rgba.size() != 4) return -1;
        return (rgba[0] + rgba[1] + rgba[2]) / 3;
    }

    std::unique_ptr<level_world::TArchive> Archive;
    TMaterialMan Materials;
    TLayers Layers;
    TObjectWorld World;
    TLights Lights;
    std::unique_ptr<TSplineObj> Slab;
    std::unique_ptr<TGlWindow> Gl;
    int32_t Width = 0, Height = 0;
};

} // namespace

TEST_F(LightsGlTest, SlabIsBrightAtTheLightAndKeepsTheFillLightElsewhere) {
    const int32_t filled = int32_t(Grey * Ambient); // the texture in the ambient colour alone
    const int32_t tolerance = 24;

    DrawFrame();
    const int32_t atLight = BrightnessAt(40, 0), near = BrightnessAt(120, 0), far = BrightnessAt(280, 0);
    EXPECT_NEAR(atLight, Grey, tolerance) << "the light's foot shows the texture at full strength";
    EXPECT_GT(atLight, near) << "the light falls off with distance";
    EXPECT_GT(near, far + 10) << "still some light 80 units from the foot";
    EXPECT_NEAR(far, filled, tolerance) << "beyond the light's reach the fill light alone";
    EXPECT_GT(far, 20) << "lit materials never come out black";
    EXPECT_NEAR(BrightnessAt(150, 100), Background, tolerance) << "below the slab";

    // The light moved to the slab's other end: the brightness follows it.
    PlaceLight(260);
    DrawFrame();
    EXPECT_NEAR(BrightnessAt(260, 0), Grey, tolerance);
    EXPECT_NEAR(BrightnessAt(20, 0), filled, tolerance);
    EXPECT_GT(BrightnessAt(200, 0), BrightnessAt(120, 0));
}

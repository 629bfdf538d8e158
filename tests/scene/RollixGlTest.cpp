// A character drawn through the playing layer with the OpenGL backend into a
// real window (under a private Xvfb when no X server runs): its coat covers
// its skin and nothing around it, checked pixel by pixel against the skin's
// own outline, away from the anti-aliasing margin of its edges.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"
#include "ScenePixels.h"

#include "FigureShapes.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "level/RollixLooks.h"
#include "physics/CharacterLevel.h"
#include "physics/FigureFile.h"
#include "physics/PhysicsSettings.h"
#include "physics/Rollix.h"
#include "physics/RollixsMan.h"
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
constexpr TRgb Coat{40, 200, 60};

class RollixGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        Archive = std::make_unique<level_world::TArchive>("skin");
        Archive->Add({{"Textures\\Rollixs\\", "MubStar.png", scene_pixels::SolidPng(64, Coat)},
                      {"Textures\\", "Rollix.TexLib", WriteTexLibIndex({{"Rollixs\\MubStar.png"}})}});

        Gl = std::make_unique<TGlWindow>("Rollix skin test", W, H);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        ASSERT_EQ(Gl->DrawnWidth, W);
        ASSERT_EQ(Gl->DrawnHeight, H);

        Sets.LoadDefaults();
        Seed(100);
        Grid.Build(Edges, {});
        Level.Grid = &Grid;
        Level.Characters = &Man;
        Level.Textures = &Textures;
        Level.Appearance = &Looks;
        Materials.Figures.Lit = 0;
        Layers.Create(0, {1.0f});
        Layers.Hooks.ApplyFigureMaterial = [this] { Materials.Figures.Apply(); };
        Layers.Hooks.DrawCharacters = [this] { Looks.DrawAll(Man); };
    }

    void TearDown() override {
        Man.Clear();
        Looks.Clear();
        Grid.Destroy();
        Gl.reset(); // the textures go while their context still exists
        Archive.reset();
        ResetRenderState();
    }

    void DrawFrame() { scene_pixels::DrawLayersPixelPerUnit(Layers, W, H, Background); }

    TRgb PixelAt(int32_t x, int32_t y) const { return scene_pixels::PixelAt(x, y, H); }

    std::unique_ptr<level_world::TArchive> Archive;
    std::vector<TCollisionEdge> Edges;
    TFragments Grid;
    TCharacterLevel Level;
    TLibraryTextures Textures;
    TMaterialMan Materials;
    TRollixLooks Looks{&Materials};
    TRollixsMan Man{&Level};
    TLayers Layers;
    std::unique_ptr<TGlWindow> Gl;
};

TEST_F(RollixGlTest, BodyShowsItsCoatInsideItsOutlineAndNothingAround) {
    TRollix* c = Man.AddListed();
    c->StartFigure = 1;
    c->StartX = 160;
    c->StartY = 120;
    Man.Restart();
    ASSERT_GE(c->BodyTexture, 0);
    c->Figure->Material->Lit = 0;
    Looks.RebuildSkin(*c);
    const TMultiMesh* skin = Looks.Skin(*c);
    ASSERT_NE(skin, nullptr);
    const std::vector<TVec2> nodesBefore = [&] {
        std::vector<TVec2> v;
        for (const TRollixVertex& n : c->Vertices)
            v.push_back(n.Pos);
        return v;
    }();
    DrawFrame();

    const TVec2 centre = c->Centre;
    const TRgb middle = PixelAt(int32_t(centre.X), int32_t(centre.Y));
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(middle[k], Coat[k], 24) << "the coat at the centre";

    // Every pixel well inside the skin shows the coat, every pixel well
    // outside shows the background.
    int32_t inside = 0, outside = 0;
    for (int32_t y = 4; y < H - 4; y += 3)
        for (int32_t x = 4; x < W - 4; x += 3) {
            const TVec2 p{x + 0.5f, y + 0.5f};
            bool all = true, none = true;
            for (const TVec2 d : {TVec2{0, 0}, TVec2{2, 0}, TVec2{-2, 0}, TVec2{0, 2}, TVec2{0, -2}}) {
                const bool in = skin->ContainsPoint({p.X + d.X, p.Y + d.Y});
                all = all && in;
                none = none && !in;
            }
            if (!all && !none) continue;
            const TRgb want = all ? Coat : Background;
            const TRgb got = PixelAt(x, y);
            (all ? inside : outside) += 1;
            for (size_t k = 0; k < 3; ++k)
                ASSERT_NEAR(got[k], want[k], 24)
                    << (all ? "inside" : "outside") << " the body at (" << x << ", " << y << "): got "
                    << got[0] << ", " << got[1] << ", " << got[2];
        }
    EXPECT_GT(inside, 100);
    EXPECT_GT(outside, 1000);

    // Drawing moved no node.
    for (size_t i = 0; i < nodesBefore.size(); ++i)
        EXPECT_EQ(c->Vertices[i].Pos, nodesBefore[i]);

    // An absent body leaves the background.
    c->Present = false;
    DrawFrame();
    const TRgb gone = PixelAt(int32_t(centre.X), int32_t(centre.Y));
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(gone[k], Background[k], 24) << "nothing where the body was";
}

} // namespace

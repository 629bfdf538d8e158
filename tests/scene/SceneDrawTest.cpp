// Draws a small level scene through the layers and the spline objects with
// the OpenGL backend into a real window (under a private Xvfb when no X
// server runs) and reads the pixels back: a far layer with parallax 0.5
// holding a textured disc, the playing layer a two-coloured square and a
// mesh-mode cross.
#include "XvfbEnvironment.h"

#include "ScenePixels.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "platform/GlWindow.h"
#include "render/RenderContext.h"
#include "world/Layers.h"
#include "world/MaterialMan.h"
#include "world/SplineObj.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <type_traits>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
using scene_pixels::TRgb;

constexpr TRgb Background{40, 40, 40};

constexpr TRgb Red{255, 0, 0}, Yellow{255, 255, 0}, Green{0, 160, 0}, White{255, 255, 255}, Blue{0, 0, 255};

// A picture of side × side pixels (blue, green, red, alpha rows) from a
// function giving each pixel's colour and whether it is opaque.
template <typename F> std::vector<uint8_t> Png(int32_t side, F pixel) {
    std::vector<uint8_t> px(size_t(side) * size_t(side) * 4);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            bool opaque = true;
            TRgb c = pixel(x, y, opaque);
            uint8_t* p = &px[(size_t(y) * size_t(side) + size_t(x)) * 4];
            p[0] = uint8_t(c[2]), p[1] = uint8_t(c[1]), p[2] = uint8_t(c[0]), p[3] = opaque ? 255 : 0;
        }
    std::vector<uint8_t> out;
    EncodePng(px.data(), side, side, 4, out);
    return out;
}

// Straight splines along the box's sides, as base and current shape.
void SetBoxSplines(TSplineObj& o, const TBox2& b) {
    const float a = (b.Right - b.Left) / 3, c = (b.Bottom - b.Top) / 3;
    o.Splines[0] = TSpline::CreateFromPoints({b.Left, b.Top}, {a, 0}, {b.Right, b.Top}, {-a, 0});
    o.Splines[1] = TSpline::CreateFromPoints({b.Right, b.Top}, {0, c}, {b.Right, b.Bottom}, {0, -c});
    o.Splines[2] = TSpline::CreateFromPoints({b.Right, b.Bottom}, {-a, 0}, {b.Left, b.Bottom}, {a, 0});
    o.Splines[3] = TSpline::CreateFromPoints({b.Left, b.Bottom}, {0, -c}, {b.Left, b.Top}, {0, c});
    LinkRing(o.Splines.data(), 4);
    for (size_t i = 0; i < 4; ++i)
        o.BaseSplines[i].CopyShape(o.Splines[i]);
    LinkRing(o.BaseSplines.data(), 4);
}

class SceneDrawTest : public ::testing::Test {
  protected:
    static constexpr int32_t DiscTexture = 0, SquareTexture = 1, CrossTexture = 2;

    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        Dir = fs::temp_directory_path() / ("rollix-scene-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        InitAppDir(Dir.string());
        SetLogSink([](const std::string&) {});
        WriteTextures();
        ReadLayers();

        Gl = std::make_unique<TGlWindow>("Rollix scene test", 320, 240);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        Width = Gl->DrawnWidth, Height = Gl->DrawnHeight;
        ASSERT_EQ(Width, 320);
        ASSERT_EQ(Height, 240);
        BuildObjects();
    }

    void TearDown() override {
        Objects.clear();
        Gl.reset(); // the textures go while their context still exists
        MassFile.Clear();
        ResetRenderState();
        SetLogSink(nullptr);
        std::error_code ec;
        if (!Dir.empty()) fs::remove_all(Dir, ec);
    }

    // A disc, red on its left half and yellow on its right, in a transparent
    // square; a square, green above and white below; plain blue.
    void WriteTextures() {
        auto disc = Png(64, [](int32_t x, int32_t y, bool& opaque) {
            const float u = (x + 0.5f - 32) / 32, v = (y + 0.5f - 32) / 32;
            opaque = u * u + v * v < 0.9f * 0.9f;
            return x < 32 ? Red : Yellow;
        });
        auto square = Png(64, [](int32_t, int32_t y, bool&) { return y < 32 ? Green : White; });
        auto cross = Png(32, [](int32_t, int32_t, bool&) { return Blue; });
        std::vector<TTexLibRecord> records = {
            {"Scene\\disc.png"}, {"Scene\\square.png"}, {"Scene\\cross.png"}};
        std::vector<uint8_t> archive;
        std::string why;
        ASSERT_TRUE(WriteMassFile({{"Textures\\Scene\\", "disc.png", disc},
                                   {"Textures\\Scene\\", "square.png", square},
                                   {"Textures\\Scene\\", "cross.png", cross},
                                   {"Textures\\", "Rollix.TexLib", WriteTexLibIndex(records)}},
                                  archive, why))
            << why;
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
    }

    // Layer −1 with parallax 0.5 and the playing layer 0.
    void ReadLayers() {
        Layers.Create(-1, {0.5f, 1.0f});
        World.Materials = &Materials;
        World.Layers = &Layers;
        Layers.Hooks.ApplySplineObjectMaterial = [this] { Materials.SplineObjects.Apply(); };
        Layers.Hooks.DrawSplineObject = [](TSplineObj* o) { o->Draw(0); };
    }

    void BuildObjects() {
        // In the far layer, 200 × 200 units round the origin.
        auto disc = std::make_unique<TSplineObj>(&World);
        disc->Layer = -1;
        disc->OutlineStep = 1;
        SetBoxSplines(*disc, {-100, -100, 100, 100});
        disc->SetGridTexture(DiscTexture, false);
        // In the playing layer: the square over x 320 … 440, y −40 … 40 …
        auto square = std::make_unique<TSplineObj>(&World);
        square->OutlineStep = 1;
        SetBoxSplines(*square, {320, -40, 440, 40});
        square->SetGridTexture(SquareTexture, false);
        // … and a cross of arms 20 wide round (500, 0), clockwise on the screen.
        auto cross = std::make_unique<TSplineObj>(&World);
        TMesh* mesh = cross->AddBodyMesh();
        mesh->SetTextureIndex(CrossTexture);
        const std::vector<TVec2> outline = {{490, -40}, {510, -40}, {510, -10}, {540, -10},
                                            {540, 10},  {510, 10},  {510, 40},  {490, 40},
                                            {490, 10},  {460, 10},  {460, -10}, {490, -10}};
        mesh->SetOutline(outline.data(), int32_t(outline.size()));
        ASSERT_TRUE(mesh->Triangulate());
        mesh->Subdivide(15);
        SetBoxSplines(*cross, mesh->SourceBounds);
        cross->Rebuild();
        for (auto* o : {disc.get(), square.get(), cross.get()})
            ASSERT_FALSE(o->Body.Meshes.front()->Triangles.empty());
        Objects.push_back(std::move(disc));
        Objects.push_back(std::move(square));
        Objects.push_back(std::move(cross));
        Layers.ClearMembers();
        for (auto& o : Objects)
            Layers.LayerOf(o->Layer).SplineObjects.push_back(o.get());
    }

    // A frame with the camera at the centre of a view of the window's size
    // in world units, every layer drawn from the lowest.
    void DrawFrame(TVec2 camera) {
        FrameView.HasLevel = true;
        FrameView.ViewWidth = Width;
        FrameView.ViewHeight = Height;
        const float w = float(Width), h = float(Height);
        FrameView.View = {camera.X - w / 2, camera.Y - h / 2, camera.X + w / 2, camera.Y + h / 2};
        BeginFrame();
        Renderer().ClearColor(Background[0] / 255.0f, Background[1] / 255.0f, Background[2] / 255.0f, 1);
        Renderer().Clear(Gl::ColorBufferBit);
        for (auto& layer : Layers.Layers) {
            layer->UpdateRect(camera, w, h);
            Layers.DrawLayer(*layer, 0.0f, false);
        }
        Renderer().Finish();
    }

    TRgb PixelAt(int32_t x, int32_t y) const { return scene_pixels::PixelAt(x, y, Height); }

    using TSample = scene_pixels::TSample;
    void ExpectSamples(const std::vector<TSample>& samples) const {
        scene_pixels::ExpectSamples(samples, Height);
    }

    fs::path Dir;
    TMaterialMan Materials;
    TLayers Layers;
    TObjectWorld World;
    std::vector<std::unique_ptr<TSplineObj>> Objects;
    std::unique_ptr<TGlWindow> Gl;
    int32_t Width = 0, Height = 0;
};

TEST_F(SceneDrawTest, LayersDrawTheirObjectsWithParallaxInOrder) {
    // Camera at (400, 0): the playing view is x 240 … 560, y −120 … 120, one
    // pixel a unit. The far layer's view is centred on (200, 0) and twice as
    // large, so the disc covers pixels 10 … 110 × 70 … 170, centred on (60, 120).
    DrawFrame({400, 0});
    ExpectSamples({
        {40, 120, Red, "the far disc's left half"},
        {70, 100, Yellow, "the far disc's right half"},
        {92, 100, Green, "the square, drawn after the far layer, over the disc"},
        {150, 95, Green, "the square's upper half"},
        {150, 145, White, "the square's lower half"},
        {14, 74, Background, "the disc picture's transparent corner"},
        {260, 120, Blue, "the cross's middle"},
        {292, 120, Blue, "the cross's right arm"},
        {290, 90, Background, "between the cross's arms"},
        {160, 20, Background, "above everything"},
        {310, 230, Background, "below everything"},
    });

    // Camera at (400, 100): the playing layer's objects move up 100 pixels,
    // the far disc only 25 (half the motion, seen at half the size); it is
    // centred on (60, 95) now and no longer lies under the square.
    DrawFrame({400, 100});
    ExpectSamples({
        {40, 95, Red, "the far disc's left half"},
        {92, 95, Yellow, "the far disc's right half, uncovered"},
        {150, 5, Green, "the square's upper half"},
        {150, 40, White, "the square's lower half"},
        {150, 90, Background, "where the square was"},
        {260, 20, Blue, "the cross's middle"},
        {60, 155, Background, "where the disc was"},
    });
}

TEST_F(SceneDrawTest, SoloLayersAndMovedObjectsShowInTheNextFrame) {
    // While the playing layer is solo the far layer is not drawn.
    Layers.Playing().Solo = true;
    DrawFrame({400, 0});
    ExpectSamples({
        {40, 120, Background, "where only the far disc was"},
        {150, 95, Green, "the square"},
        {260, 120, Blue, "the cross"},
    });
    Layers.Playing().Solo = false;

    TSplineObj& square = *Objects[1];
    square.MoveBy(0, 200, false); // out of view below
    DrawFrame({400, 0});
    ExpectSamples({
        {40, 120, Red, "the far disc again"},
        {92, 120, Yellow, "the disc, no longer covered"},
        {150, 120, Background, "where the square was"},
    });
    square.MoveBy(-100, -200, false); // back, 100 units further left
    DrawFrame({400, 0});
    ExpectSamples({
        {40, 100, Green, "the square over the disc's left half"},
        {92, 145, White, "the square's lower half"},
        {150, 120, Background, "right of the moved square"},
    });
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);
    return RUN_ALL_TESTS();
}

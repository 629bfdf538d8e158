#include "BenchScene.h"

#include "FigureShapes.h"
#include "physics/FigureFile.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "render/RenderBackend.h"
#include "render/RenderContext.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
enum class TShape { Disc, Hill, Blob, Opaque };

// Blue, green, red, alpha rows; the colour varies so that no two texels of
// a row are alike.
std::vector<uint8_t> DrawPicture(int32_t w, int32_t h, TShape shape) {
    std::vector<uint8_t> px(size_t(w) * size_t(h) * 4, 0);
    const double cx = w / 2.0, cy = h / 2.0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double u = (x + 0.5 - cx) / cx, v = (y + 0.5 - cy) / cy;
            bool inside = true;
            switch (shape) {
            case TShape::Disc:
                inside = u * u + v * v < 0.9 * 0.9;
                break;
            case TShape::Hill:
                inside = (y + 0.5) / h > 0.4 + 0.25 * std::cos(2 * Pi * (x + 0.5) / w);
                break;
            case TShape::Blob: {
                const double r = std::hypot(u, v), a = std::atan2(v, u);
                inside = r < 0.7 + 0.2 * std::sin(5 * a);
                break;
            }
            case TShape::Opaque:
                break;
            }
            uint8_t* p = &px[(size_t(y) * size_t(w) + size_t(x)) * 4];
            p[0] = uint8_t(x * 7);
            p[1] = uint8_t(100 + y % 100);
            p[2] = uint8_t(x ^ y);
            p[3] = inside ? 255 : 0;
        }
    return px;
}

std::vector<uint8_t> Png(int32_t w, int32_t h, TShape shape) {
    std::vector<uint8_t> out;
    EncodePng(DrawPicture(w, h, shape).data(), w, h, 4, out);
    return out;
}

} // namespace

TBenchWorld::TBenchWorld() {
    Dir = fs::temp_directory_path() / ("rollix-bench-world-" + std::to_string(::getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    InitAppDir(Dir.string());
    SetLogSink([](const std::string&) {});
    std::vector<TMassFileInput> entries = {
        {"Textures\\Levels\\", "disc.png", Png(128, 128, TShape::Disc)},
        {"Textures\\Levels\\", "hill.png", Png(256, 128, TShape::Hill)},
        {"Textures\\Levels\\", "blob.png", Png(256, 256, TShape::Blob)},
        {"Textures\\Levels\\", "rock.png", Png(64, 64, TShape::Disc)},
        {"Textures\\Levels\\", "ground.png", Png(128, 128, TShape::Opaque)},
    };
    std::vector<TTexLibRecord> records = {{"Levels\\disc.png"},
                                          {"Levels\\hill.png"},
                                          {"Levels\\blob.png"},
                                          {"Levels\\rock.png"},
                                          {"Levels\\ground.png"}};
    for (int32_t side : BenchTex::Sizes) {
        const std::string name = "blob" + std::to_string(side) + ".png";
        entries.push_back({"Textures\\Sizes\\", name, Png(side, side, TShape::Blob)});
        records.push_back({"Sizes\\" + name});
    }
    entries.push_back({"Textures\\", "Rollix.TexLib", WriteTexLibIndex(records)});
    // The game's figures, for levels with characters.
    for (int32_t number : ShippedFigureNumbers()) {
        TMubFigure figure;
        MakeShippedFigure(number, figure);
        TByteWriter w;
        WriteFigureFile(w, TFigureFileHeader{}, {&figure});
        char name[16];
        std::snprintf(name, sizeof name, "%04d.gms", number);
        entries.push_back({"Objects\\Figures\\", name, w.Bytes});
    }
    std::vector<uint8_t> archive;
    std::string why;
    WriteMassFile(entries, archive, why);
    SaveFileAtomic(AppDir + "Rollix.msf", archive);
    MassFile.Create();
    TexLib.Clear();
    TexLib.LoadLibrary();
    Layers.Create(-1, {0.5f, 1.0f}); // −1 with parallax 0.5 and the playing layer 0
    World.Materials = &Materials;
    World.Layers = &Layers;
    Layers.Hooks.ApplySplineObjectMaterial = [this] { Materials.SplineObjects.Apply(); };
    Layers.Hooks.DrawSplineObject = [](TSplineObj* o) { o->Draw(0); };
}

TBenchWorld::~TBenchWorld() {
    TexLib.Clear();
    MassFile.Clear();
    ResetRenderState();
    SetLogSink(nullptr);
    std::error_code ec;
    fs::remove_all(Dir, ec);
}

TBenchWorld& TBenchWorld::Get() {
    static TBenchWorld world;
    return world;
}

std::vector<TVec2> StarOutline(int32_t n, TVec2 centre, float radius, uint32_t seed) {
    std::vector<TVec2> points;
    points.reserve(size_t(n));
    const double phase = double(seed % 1000) * 0.01;
    for (int32_t i = 0; i < n; ++i) {
        const double a = 2 * Pi * i / n;
        const double r = radius * (1 + 0.25 * std::sin(5 * a + phase) + 0.1 * std::sin(13 * a + 2 * phase));
        points.push_back({float(centre.X + r * std::cos(a)), float(centre.Y + r * std::sin(a))});
    }
    return points;
}

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

std::unique_ptr<TSplineObj> MakeGridObject(TObjectWorld& world, int32_t texture, const TBox2& box,
                                           int32_t outlineStep) {
    auto o = std::make_unique<TSplineObj>(&world);
    o->OutlineStep = outlineStep;
    SetBoxSplines(*o, box);
    o->SetGridTexture(texture, false);
    return o;
}

std::unique_ptr<TSplineObj> MakeMeshObject(TObjectWorld& world, const std::vector<TVec2>& outline,
                                           float maxEdge) {
    auto o = std::make_unique<TSplineObj>(&world);
    o->GridMode = false;
    TMesh* mesh = o->AddBodyMesh();
    mesh->SetTextureIndex(BenchTex::Ground);
    mesh->SetOutline(outline.data(), int32_t(outline.size()));
    mesh->Triangulate();
    mesh->Subdivide(maxEdge);
    SetBoxSplines(*o, mesh->SourceBounds);
    o->Rebuild();
    return o;
}

std::unique_ptr<TSplineObj> MakeLevelObject(TObjectWorld& world, int32_t i) {
    static constexpr int32_t GridTextures[] = {BenchTex::Disc, BenchTex::Hill, BenchTex::Blob,
                                               BenchTex::Rock};
    const TVec2 at{float(i % 100) * 400.0f, float(i / 100) * 400.0f};
    std::unique_ptr<TSplineObj> o;
    if (i % 2 == 0) {
        const int32_t texture = GridTextures[(i / 2) % 4];
        TMyTexture* t = TexLib.TextureByIndex(texture);
        t->PrepareSize();
        const float w = float(t->FullWidth) * 1.25f, h = float(t->FullHeight) * 1.25f;
        o = MakeGridObject(world, texture, {at.X - w / 2, at.Y - h / 2, at.X + w / 2, at.Y + h / 2}, 2);
    } else {
        const int32_t points = 20 + (i * 37) % 181;
        o = MakeMeshObject(world, StarOutline(points, at, 60.0f + float(i % 7) * 20.0f, uint32_t(i)), 40.0f);
    }
    o->Layer = i % 10 == 9 ? -1 : 0;
    return o;
}

std::vector<std::unique_ptr<TSplineObj>> BuildLevel(TObjectWorld& world, int32_t count) {
    std::vector<std::unique_ptr<TSplineObj>> objects;
    objects.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i)
        objects.push_back(MakeLevelObject(world, i));
    return objects;
}

void ForgetTextureCaches() {
    for (auto& t : TexLib.Textures) {
        t->OutlinePoints.clear();
        t->OutlineCount = 0;
        t->FragmentCache.clear();
        t->GridCache.clear();
    }
}

std::vector<TSplineObj*> Pointers(const std::vector<std::unique_ptr<TSplineObj>>& objects) {
    std::vector<TSplineObj*> out;
    out.reserve(objects.size());
    for (const auto& o : objects)
        out.push_back(o.get());
    return out;
}

void FileObjects(TLayers& layers, const std::vector<TSplineObj*>& objects) {
    // Filed by hand: the layers' template filing cannot take TSplineObj
    // while they list another type; the draw hook turns the pointer back.
    layers.ClearMembers();
    for (TSplineObj* o : objects) {
        o->Layer = layers.ClampNumber(o->Layer);
        layers.LayerOf(o->Layer).SplineObjects.push_back(o);
    }
}

void DrawScene(TLayers& layers, const TBox2& view, int32_t width, int32_t height) {
    FrameView.HasLevel = true;
    FrameView.ViewWidth = width;
    FrameView.ViewHeight = height;
    FrameView.View = view;
    const TVec2 camera{(view.Left + view.Right) / 2, (view.Top + view.Bottom) / 2};
    const float w = view.Right - view.Left, h = view.Bottom - view.Top;
    BeginFrame();
    Renderer().ClearColor(0, 0, 0, 1);
    Renderer().Clear(Gl::ColorBufferBit);
    for (auto& layer : layers.Layers) {
        layer->UpdateRect(camera, w, h);
        if (layer->Visible) layers.DrawLayer(*layer, 0.0f, false);
    }
}

// A small world for the level tests: an archive in a temporary folder with
// one ground picture, the texture index and the first shipped figure, and
// levels made in code, written with the level writer and read back.
#pragma once

#include "FigureShapes.h"
#include "app/FileSave.h"
#include "app/GameState.h"
#include "app/InputState.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "app/StateHash.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "level/Level.h"
#include "level/Mechanics.h"
#include "physics/FigureFile.h"
#include "physics/Rollix.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace level_world {

namespace fs = std::filesystem;

inline std::vector<uint8_t> GroundPng() {
    constexpr int32_t side = 64;
    std::vector<uint8_t> px(size_t(side) * side * 4);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            uint8_t* p = &px[(size_t(y) * side + size_t(x)) * 4];
            p[0] = uint8_t(40 + x), p[1] = uint8_t(90 + y), p[2] = uint8_t(60 + (x ^ y) % 64), p[3] = 255;
        }
    std::vector<uint8_t> out;
    EncodePng(px.data(), side, side, 4, out);
    return out;
}

inline std::vector<uint8_t> FigureBytes(int32_t number) {
    TMubFigure figure;
    MakeShippedFigure(number, figure);
    TByteWriter w;
    WriteFigureFile(w, TFigureFileHeader{}, {&figure});
    return w.Bytes;
}

constexpr int32_t GroundTexture = 0;

// The archive of one test: made in a folder of its own, removed afterwards.
class TArchive {
  public:
    explicit TArchive(const std::string& tag, std::vector<TMassFileInput> extra = {}) {
        Dir = fs::temp_directory_path() / ("rollix-level-" + tag + "-" + std::to_string(::getpid()));
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        InitAppDir(Dir.string());
        SetLogSink([this](const std::string& line) { Log.push_back(line); });
        std::vector<TMassFileInput> entries = {
            {"Textures\\Levels\\", "ground.png", GroundPng()},
            {"Textures\\", "Rollix.TexLib", WriteTexLibIndex({{"Levels\\ground.png"}})},
            {"Objects\\Figures\\", "0001.gms", FigureBytes(1)},
        };
        for (auto& e : extra)
            entries.push_back(std::move(e));
        Write(entries);
    }
    // Adds entries (replacing those of the same name) and rewrites the archive.
    void Add(const std::vector<TMassFileInput>& more) {
        std::vector<TMassFileInput> entries = Entries;
        for (const TMassFileInput& e : more) {
            std::erase_if(entries, [&](const TMassFileInput& old) {
                return old.FolderKey == e.FolderKey && old.Name == e.Name;
            });
            entries.push_back(e);
        }
        Write(entries);
    }
    ~TArchive() {
        MassFile.Clear();
        TexLib.Clear();
        SetLogSink(nullptr);
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    void Write(const std::vector<TMassFileInput>& entries) {
        Entries = entries;
        std::vector<uint8_t> archive;
        std::string why;
        ASSERT_TRUE(WriteMassFile(entries, archive, why)) << why;
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
        MassFile.Clear();
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
    }
    fs::path Dir;
    std::vector<std::string> Log;
    std::vector<TMassFileInput> Entries;
};

// A solid block of ground: a mesh-mode object over the outline (clockwise on
// the screen, y down).
inline std::unique_ptr<TSplineObj> MakeGround(TLevel& level, const std::vector<TVec2>& outline) {
    auto o = std::make_unique<TSplineObj>(&level.ObjectWorld);
    o->GridMode = false;
    TMesh* mesh = o->AddBodyMesh();
    mesh->SetTextureIndex(GroundTexture);
    mesh->SetOutline(outline.data(), int32_t(outline.size()));
    mesh->Triangulate();
    const TBox2 b = mesh->SourceBounds;
    const float a = (b.Right - b.Left) / 3, c = (b.Bottom - b.Top) / 3;
    o->Splines[0] = TSpline::CreateFromPoints({b.Left, b.Top}, {a, 0}, {b.Right, b.Top}, {-a, 0});
    o->Splines[1] = TSpline::CreateFromPoints({b.Right, b.Top}, {0, c}, {b.Right, b.Bottom}, {0, -c});
    o->Splines[2] = TSpline::CreateFromPoints({b.Right, b.Bottom}, {-a, 0}, {b.Left, b.Bottom}, {a, 0});
    o->Splines[3] = TSpline::CreateFromPoints({b.Left, b.Bottom}, {0, -c}, {b.Left, b.Top}, {0, c});
    LinkRing(o->Splines.data(), 4);
    for (size_t i = 0; i < 4; ++i)
        o->BaseSplines[i].CopyShape(o->Splines[i]);
    LinkRing(o->BaseSplines.data(), 4);
    o->Rebuild();
    return o;
}

// A box of ground whose top surface runs from x0 to x1 at height top.
inline std::unique_ptr<TSplineObj> MakeFloor(TLevel& level, float x0, float x1, float top,
                                             float depth = 200.0f) {
    return MakeGround(level, {{x0, top}, {x1, top}, {x1, top + depth}, {x0, top + depth}});
}

// A listed character in figure 1 starting at the point.
inline TRollix& AddStartingCharacter(TLevel& level, TVec2 at) {
    TRollix* c = level.Characters.AddListed();
    c->StartFigure = 1;
    c->StartX = at.X;
    c->StartY = at.Y;
    return *c;
}

// A boost of the type drawn by a box of ground and taken by touching its
// body (so the body passes through it); the boost names the object.
inline TBoost& AddBoxBoost(TLevel& level, int32_t type, const TBox2& r) {
    level.SplineObjects.push_back(
        MakeGround(level, {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}}));
    auto b = std::make_unique<TBoost>();
    b->Type = type;
    b->TypeName = BoostTypeName(type);
    b->TypeBlock[0] = uint8_t(type);
    b->Activation = 0;
    b->ShapeIndices = {int32_t(level.SplineObjects.size()) - 1};
    level.Boosts.Items.push_back(std::move(b));
    return *level.Boosts.Items.back();
}

// The level the step tests play: a far layer and the playing layer, a wide
// floor, a slope down to the right, and the given characters (figure 1,
// placed at their start points; none: the default character).
struct TLevelPlan {
    std::vector<TVec2> Characters;
    bool CameraFromFile = false;
    TVec2 CameraStart{0.0f, 0.0f};
};

inline std::vector<uint8_t> WritePlannedLevel(const TLevelPlan& plan) {
    TLevel level;
    level.Header.LevelTitle = "Test level";
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
    level.SplineObjects.push_back(
        MakeGround(level, {{2000.0f, 300.0f}, {3500.0f, 700.0f}, {2000.0f, 700.0f}}));
    level.Header.CameraFromFile = plan.CameraFromFile;
    level.Header.CameraStart = plan.CameraStart;
    for (TVec2 at : plan.Characters)
        AddStartingCharacter(level, at);
    return WriteLevelBytes(level);
}

// A cup of ground (walls at x 0 … 20 and 380 … 400, the floor at 200) with
// a pool stored without an outline (the level traces it when it loads; the
// surface at 100), a cone of wind blowing down onto the middle of the
// surface, and the player at the given place; with a spout, one at (300, 195)
// blowing 1.5 bubbles a tick.
inline std::vector<uint8_t> PoolLevelBytes(TVec2 player, bool spout) {
    const std::vector<TVec2> cup = {{0, 0},   {20, 0},  {20, 200},  {380, 200},
                                    {380, 0}, {400, 0}, {400, 240}, {0, 240}};
    TLevel level;
    level.Header.LevelTitle = "Pool";
    level.Layers.Create(-1, {0.5f, 1.0f});
    level.SplineObjects.push_back(MakeGround(level, cup));
    auto water = std::make_unique<TWater>();
    water->SeedX = 200;
    water->RestLevel = 100;
    if (spout) {
        TBubbleSpout& s = water->Spouts.emplace_back();
        s.Pos = {300, 195};
        s.Rate = 1.5f;
    }
    level.Waters.push_back(std::move(water));
    auto wind = std::make_unique<TWind>();
    wind->BaseOrigin = wind->Origin = {200, 0};
    wind->BaseTarget = wind->Target = {200, 150};
    wind->ConeAngle = 1.0f;
    wind->Strength = 2.0f;
    wind->Recompute();
    level.Winds.push_back(std::move(wind));
    TRollix* c = level.Characters.AddListed();
    c->StartFigure = 1;
    c->StartX = player.X;
    c->StartY = player.Y;
    return WriteLevelBytes(level);
}

// n ticks of play as the main loop runs them.
inline void PlayTicks(TLevel& level, int32_t n = 1) {
    for (int32_t i = 0; i < n; ++i) {
        level.StepPlay(1);
        level.UpdateLevelSounds(true);
        level.CheckRestartTimer();
        EndTick();
    }
}

// Every node of every character, position and velocity: what a played tick changes.
inline void AddCharacterNodes(TStateHash& h, const TLevel& level) {
    for (const auto& c : level.Characters.Items)
        for (const TRollixVertex& v : c->Vertices) {
            h.AddFloat(v.Pos.X);
            h.AddFloat(v.Pos.Y);
            h.AddFloat(v.Vel.X);
            h.AddFloat(v.Vel.Y);
        }
}

// Back to the start-of-run state of the globals the level touches.
inline void ResetLevelGlobals() {
    CurrentLevel = nullptr;
    LevelStepProbe = nullptr;
    LevelLoadedHook = nullptr;
    ResetTiming = false;
    Paused = false;
    PresentFrame = nullptr;
    ResetInputState();
    ScreenWidth = 1024;
    ScreenHeight = 768;
    TickCount = 1;
    TickMs = 10;
    FillRandomTable();
    Seed(100);
}

// A test that plays a level: the globals the level touches start afresh, and
// the level, the render context and the mechanics go when it ends.
// Public, so that case tables can reach the level through the fixture.
class TLevelTest : public ::testing::Test {
  public:
    void SetUp() override { ResetLevelGlobals(); }
    void TearDown() override {
        Level.reset();
        ResetLevelGlobals();
        ReleaseRenderContext();
        ResetMechanics();
    }
    std::unique_ptr<TLevel> Level;
};

} // namespace level_world

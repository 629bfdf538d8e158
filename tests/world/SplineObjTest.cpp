#include "world/SplineObj.h"
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"
#include "world/FigureGroup.h"
#include "world/Layers.h"
#include "world/MaterialMan.h"
#include "world/Selection.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
// A level's worth of context: textures in an archive, two layers (the far
// one with parallax 0.5), a material manager.
class SplineObjTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("rollix-obj-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        InitAppDir(Dir.string());
        SetLogSink([](const std::string&) {});
        // An opaque 60 × 40 block inside a transparent 64 × 64 picture, and a band texture.
        std::vector<uint8_t> block(64 * 64 * 4, 0);
        for (int y = 10; y < 50; ++y)
            for (int x = 2; x < 62; ++x) {
                uint8_t* p = &block[size_t(y * 64 + x) * 4];
                p[0] = 40, p[1] = 120, p[2] = 60, p[3] = 255;
            }
        std::vector<uint8_t> blockPng, bandPng;
        EncodePng(block.data(), 64, 64, 4, blockPng);
        std::vector<uint8_t> band(32 * 64 * 3, 200);
        EncodePng(band.data(), 32, 64, 3, bandPng);
        std::vector<TTexLibRecord> records = {{"Levels\\block.png"}, {"Levels\\band.png"}};
        std::vector<uint8_t> archive, gms, cache;
        std::string why;
        MakeMeshFiles({{0, 0}, {100, 0}, {100, 60}, {0, 60}}, 40, gms, cache, why);
        WriteMassFile({{"Textures\\Levels\\", "block.png", blockPng},
                       {"Textures\\Levels\\", "band.png", bandPng},
                       {"Textures\\", "Rollix.TexLib", WriteTexLibIndex(records)},
                       {"Objects\\Rocks\\", "slab.gms", gms},
                       {"Objects\\Rocks\\", "slab.cache", cache}},
                      archive, why);
        SaveFileAtomic(AppDir + "Rollix.msf", archive);
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();

        Layers.Create(-1, {0.5f, 1.0f});
        World.Materials = &Materials;
        World.Layers = &Layers;
    }
    void TearDown() override {
        TexLib.Clear();
        MassFile.Clear();
        ResetRenderState();
        SetLogSink(nullptr);
        fs::remove_all(Dir);
    }
    std::unique_ptr<TSplineObj> GridObject() {
        auto o = std::make_unique<TSplineObj>(&World);
        o->OutlineStep = 1;
        o->SetGridTexture(0, true);
        return o;
    }
    fs::path Dir;
    TMaterialMan Materials;
    TLayers Layers;
    TObjectWorld World;
};

} // namespace

TEST_F(SplineObjTest, GridObjectTakesItsTextureShapeAndCollidesOnlyInThePlayingLayer) {
    auto o = GridObject();
    ASSERT_TRUE(o->GridMode);
    const TMesh& body = *o->Body.Meshes.front();
    ASSERT_FALSE(body.Outline.empty());
    EXPECT_FALSE(body.Triangles.empty());
    // Fitted: the body is centred on (0, 0).
    EXPECT_NEAR(o->Body.Bounds.Left + o->Body.Bounds.Right, 0, 1e-3);
    EXPECT_NEAR(o->Body.Bounds.Top + o->Body.Bounds.Bottom, 0, 1e-3);

    std::vector<TSplineObj*> objects = {o.get()};
    std::vector<TCollisionEdge> edges = BuildCollisionEdges(objects);
    EXPECT_EQ(edges.size(), body.Outline.size());
    for (const TCollisionEdge& e : edges)
        EXPECT_EQ(e.Owner, o.get());
    o->Layer = -1; // parallax 0.5
    EXPECT_TRUE(BuildCollisionEdges(objects).empty());
    o->Layer = 0;
    o->Collide = false;
    EXPECT_TRUE(BuildCollisionEdges(objects).empty());
}

TEST_F(SplineObjTest, MovingTemporarilyKeepsTheBaseShape) {
    auto o = GridObject();
    TBox2 before = o->Body.Bounds;
    o->MoveBy(0, 0, false);
    EXPECT_EQ(o->Body.Bounds, before);
    o->MoveBy(10, 0, true);
    EXPECT_NEAR(o->Body.Bounds.Left, before.Left + 10, 1e-3);
    EXPECT_EQ(o->BaseSplines[0].StartPoint.X, o->Splines[0].StartPoint.X - 10);
    o->RestoreBaseShape();
    EXPECT_NEAR(o->Body.Bounds.Left, before.Left, 1e-3);
    o->MoveBy(0, 5, false);
    o->RestoreBaseShape();
    EXPECT_NEAR(o->Body.Bounds.Top, before.Top + 5, 1e-3) << "a lasting move becomes the base";
}

TEST_F(SplineObjTest, BorderDetailFollowsTheScreenAndTheLayer) {
    auto o = GridObject();
    o->BorderWidth = 4;
    o->SetBorderTexture(TexLib.TextureByIndex(1));
    ASSERT_FALSE(o->Border.Meshes.empty());
    World.ScreenWidth = 1024;
    o->ChooseTextureDetail();
    EXPECT_EQ(o->Border.Meshes.front()->Texture, TexLib.TextureByIndex(1))
        << "q = rnd(0.5) = 0: the full texture";
    o->BorderWidth = 16;
    o->ChooseTextureDetail();
    EXPECT_EQ(o->Border.Meshes.front()->Texture->Scale, 0.25f) << "q = rnd(2) = 2: the quarter variant";
    o->RestoreTextureDetail();
    EXPECT_EQ(o->Border.Meshes.front()->Texture, TexLib.TextureByIndex(1));
}

TEST_F(SplineObjTest, RecordRoundTripsAndTruncatedRecordsAreSafe) {
    auto o = GridObject();
    o->Name = "Hill";
    o->Layer = -1;
    o->CharactersFlyThrough = true;
    o->SetBorderTexture(TexLib.TextureByIndex(1));
    TByteWriter w;
    o->WriteSplineObj(w);
    TSplineObj back(&World);
    TByteReader r(w.Bytes);
    ASSERT_TRUE(back.ReadSplineObj(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(back.Name, "Hill");
    EXPECT_EQ(back.Layer, -1);
    EXPECT_TRUE(back.CharactersFlyThrough);
    TByteWriter again;
    back.WriteSplineObj(again);
    EXPECT_EQ(again.Bytes, w.Bytes);
    for (size_t cut = 0; cut < w.Bytes.size(); cut += 7) {
        TSplineObj part(&World);
        TByteReader in(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + cut));
        EXPECT_FALSE(part.ReadSplineObj(in)) << cut;
    }
}

TEST_F(SplineObjTest, SpikesAndSlideFromTheLevelRecordReachTheCollisionEdges) {
    // The finished slab's border ring, as the mesh tool's cache holds it.
    TMesh probe(nullptr, nullptr);
    ASSERT_TRUE(probe.LoadMeshFile("Rocks\\slab.gms"));
    const size_t ring = probe.Edges.size();
    ASSERT_EQ(probe.Outline.size(), ring);

    TSplineObj writer(&World);
    writer.MeshFile = "Rocks\\slab.gms";
    TByteWriter w;
    for (const TSpline& s : writer.Splines)
        s.WriteSpline(w);
    w.WriteInt32(3);
    w.WriteInt32(2);
    w.WriteString("Slab");
    w.WriteBool(true);
    w.WriteInt16(0);
    w.WriteBool(false);
    w.WriteByte(0);
    w.WriteString("Rocks\\slab.gms");
    w.WriteInt32(1);
    TMesh header(nullptr, nullptr);
    header.WriteHeader(w, -1, "Levels\\block.png");
    w.WriteInt32(2);
    w.WriteInt32(9); // slide 0.7
    w.WriteFloat32(0.7f);
    w.WriteFloat32(0.0f);
    w.WriteBool(false);
    w.WriteBool(false);
    w.WriteByte(0);
    w.Pad(5);
    w.WriteInt32(10); // a spike at border point 0
    std::vector<uint8_t> spikes(ring, 0);
    spikes[0] = 1;
    std::vector<uint8_t> packed = PackRuns(spikes.data(), int32_t(ring));
    w.WriteInt32(int32_t(ring));
    w.WriteInt32(int32_t(packed.size()));
    w.WriteBlock(packed.data(), packed.size());
    w.WriteInt32(-1); // no border
    w.WriteString("");
    w.WriteFloat32(0.01f);
    w.WriteFloat32(4);
    w.WriteFloat32(-2);
    w.WriteInt32(0);
    w.WriteInt32(0);
    w.WriteBool(false);
    w.WriteBool(false);
    w.Pad(22);

    TSplineObj o(&World);
    TByteReader r(w.Bytes);
    ASSERT_TRUE(o.ReadSplineObj(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(o.GridMode);
    std::vector<TCollisionEdge> edges = BuildCollisionEdges({&o});
    ASSERT_EQ(edges.size(), ring);
    EXPECT_TRUE(edges[0].SpikyStart);
    EXPECT_TRUE(edges[ring - 1].SpikyEnd);
    EXPECT_FALSE(edges[1].SpikyStart);
    EXPECT_FLOAT_EQ(edges[0].SlideStart, 0.7f);
    EXPECT_TRUE(edges[0].HasSlide);
}

TEST_F(SplineObjTest, MeshModeWithoutTextureStopsReading) {
    TByteWriter w;
    TOutline outline;
    MakeDefaultOutline(outline);
    for (const TSpline& s : outline)
        s.WriteSpline(w);
    w.WriteInt32(2);
    w.WriteInt32(2);
    w.WriteString("Rock");
    w.WriteBool(true);
    w.WriteInt16(0);
    w.WriteBool(false);
    w.WriteByte(0);
    w.WriteString("Rocks\\rock.gms");
    w.WriteInt32(1);
    TMesh header(nullptr, nullptr);
    header.WriteHeader(w, -1, "");
    w.WriteInt32(0);
    w.Pad(64);
    TSplineObj o(&World);
    TByteReader r(w.Bytes);
    EXPECT_FALSE(o.ReadSplineObj(r));
}

TEST_F(SplineObjTest, AnimationsToggleCollisionAndRunTheirFrames) {
    auto o = GridObject();
    TSplineAnimMan anims;
    TSplineAnim* a = anims.Add(o.get());
    EXPECT_FALSE(o->Collide);
    EXPECT_EQ(o->Animation, a);
    a->InsertFrame(1);
    a->Frames[1].Shape[0].StartPoint += TVec2{100, 0};
    a->BackupFrames = a->Frames;
    a->MinDuration = 100;
    a->RandomDuration = 0;
    a->Reset();
    EXPECT_EQ(a->Duration, 100);
    a->Tick(100);
    EXPECT_EQ(a->Elapsed, 100) << "elapsed equal to the duration does not end the transition";
    EXPECT_EQ(a->ToFrame, 1);
    a->Tick(1);
    EXPECT_EQ(a->FromFrame, 1);
    EXPECT_EQ(a->ToFrame, 0);

    // Eased: halfway at half time, 14.6 % at a quarter.
    a->Reset();
    const float x0 = a->Frames[0].Shape[0].StartPoint.X, x1 = a->Frames[1].Shape[0].StartPoint.X;
    a->Elapsed = 50;
    EXPECT_NEAR(a->CurrentShapeNow()[0].StartPoint.X, x0 + (x1 - x0) * 0.5, 1e-3);
    a->Elapsed = 25;
    EXPECT_NEAR(a->CurrentShapeNow()[0].StartPoint.X, x0 + (x1 - x0) * (0.5 - 0.5 * std::cos(Pi / 4)), 1e-3);

    // Random order with two frames alternates all the same.
    a->Reset();
    a->Order = 1;
    Seed(100);
    for (int i = 0; i < 6; ++i) {
        int32_t from = a->ToFrame;
        a->Tick(101);
        EXPECT_EQ(a->FromFrame, from);
        EXPECT_NE(a->ToFrame, a->FromFrame);
    }

    // A waiting animation holds still until its quest starts it.
    a->StartsWaiting = true;
    a->Reset();
    a->Tick(60);
    EXPECT_EQ(a->Elapsed, 0);
    anims.StartByName("other");
    EXPECT_TRUE(a->Waiting);
    a->Name = "open";
    anims.StartByName("open");
    a->Tick(60);
    EXPECT_EQ(a->Elapsed, 60);

    a->Detach();
    EXPECT_TRUE(o->Collide);
    EXPECT_EQ(o->Animation, nullptr);
}

TEST_F(SplineObjTest, ObjectFreedBeforeItsAnimationLeavesNoLinkBehind) {
    // A level clears the links of its objects and frees them while its
    // animations still exist; the animation must not reach the freed object.
    TSplineAnimMan anims;
    {
        auto o = GridObject();
        TSplineAnim* a = anims.Add(o.get());
        ASSERT_EQ(a->Target, o.get());
        o->ClearLinks();
        EXPECT_EQ(o->Animation, nullptr);
        EXPECT_EQ(a->Target, nullptr);
    }
}

TEST_F(SplineObjTest, AnimationRecordsRoundTrip) {
    auto o = GridObject();
    std::vector<TSplineObj*> objects = {o.get()};
    TSplineAnimMan anims;
    TSplineAnim* a = anims.Add(nullptr);
    a->InsertFrame(1);
    a->InsertFrame(2);
    a->Frames[2].Shape[1].EndHandle = {3, 4};
    a->Name = "door";
    a->Target = o.get();
    a->RebuildPaths(-1, true);
    TByteWriter w;
    anims.Write(w, objects);
    a->Target = nullptr;
    TSplineAnimMan back;
    TByteReader r(w.Bytes);
    back.Read(r, objects);
    EXPECT_TRUE(r.AtEnd());
    ASSERT_EQ(back.Anims.size(), 1u);
    EXPECT_EQ(back.Anims[0]->FrameCount(), 3);
    EXPECT_EQ(back.Anims[0]->Target, o.get());
    EXPECT_EQ(back.Anims[0]->Frames[2].Shape[1].EndHandle, (TVec2{3, 4}));
    TByteWriter again;
    back.Write(again, objects);
    EXPECT_EQ(again.Bytes, w.Bytes);
    for (size_t cut = 0; cut < w.Bytes.size(); cut += 5) {
        TSplineAnimMan part;
        TByteReader in(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + cut));
        part.Read(in, objects);
    }
    o->Animation = nullptr;
}

namespace {
// A level's side of placing a file: it makes the objects and keeps the last.
struct TPlacer : TFigureGroupSink {
    TObjectWorld* World;
    std::vector<std::unique_ptr<TSplineObj>> Objects;
    int32_t Figures = 0;
    explicit TPlacer(TObjectWorld* world) : World(world) {}
    bool ReadFigure(TByteReader& in) override {
        ++Figures;
        return in.ReadInt32() == 4242;
    }
    TSplineObj* NewSplineObject() override {
        Objects.push_back(std::make_unique<TSplineObj>(World));
        return Objects.back().get();
    }
    TSplineObj* CurrentSplineObject() override { return Objects.empty() ? nullptr : Objects.back().get(); }
};
} // namespace

TEST_F(SplineObjTest, FigureGroupFilesPlaceObjectsAndAMeshBlock) {
    auto a = GridObject();
    auto b = GridObject();
    b->Name = "second";
    TMesh block(nullptr, nullptr);
    block.SetOutline(std::vector<TVec2>{{0, 0}, {50, 0}, {50, 50}, {0, 50}}.data(), 4);
    block.MaxEdge = 30;
    TFigureGroupHeader header;
    header.HasGroupHeader = true;
    header.GroupName = "Stones";
    header.Preview = {1, 2, 3};
    TByteWriter w;
    WriteFigureGroup(w, header, {a.get(), b.get()}, &block);

    TByteReader r(w.Bytes);
    TFigureGroupHeader back;
    ASSERT_TRUE(ReadFigureGroupHeader(r, back, true));
    EXPECT_EQ(back.GroupName, "Stones");
    EXPECT_EQ(back.Preview, header.Preview);
    TPlacer placer(&World);
    TMultiSelection selection;
    selection.Name = back.GroupName;
    EXPECT_EQ(ReadFigureGroupRows(r, back, "Stones\\pile.gms", placer, selection), TGroupRead::Done);
    ASSERT_EQ(placer.Objects.size(), 2u);
    EXPECT_EQ(selection.SplineObjects.size(), 2u);
    EXPECT_EQ(placer.Objects[0]->Name, a->Name);
    EXPECT_EQ(placer.Objects[1]->Name, "Stones") << "the mesh block's object takes the group's name";
    EXPECT_EQ(placer.Objects[1]->Body.Meshes.front()->FileName, "Stones\\pile.gms");
    EXPECT_EQ(placer.Objects[1]->Body.Meshes.front()->SourceOutline.size(), 4u);

    for (size_t cut = 0; cut < w.Bytes.size(); cut += 11) {
        TByteReader part(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + cut));
        TFigureGroupHeader h;
        TPlacer p(&World);
        TMultiSelection s;
        if (ReadFigureGroupHeader(part, h, false)) {
            EXPECT_NE(ReadFigureGroupRows(part, h, "x.gms", p, s), TGroupRead::Done) << cut;
        }
    }

    // A level-sound file and a file with winds are left to the rows that come later.
    TByteWriter sound;
    TFigureGroupHeader soundHeader;
    soundHeader.LevelSound = true;
    WriteFigureGroupHeader(sound, soundHeader);
    TByteReader rs(sound.Bytes);
    TFigureGroupHeader hs;
    ASSERT_TRUE(ReadFigureGroupHeader(rs, hs, false));
    EXPECT_TRUE(hs.LevelSound);
    TPlacer none(&World);
    TMultiSelection s2;
    EXPECT_EQ(ReadFigureGroupRows(rs, hs, "s.gms", none, s2), TGroupRead::LaterRows);
}

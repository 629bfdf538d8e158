// The level file read and written whole: a level that uses every section
// round-trips to identical bytes; small files written section by section
// show the header forms, the optional sections and the damaged counts; cut
// and corrupted copies of the full file load safely and end with a player.
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "level/Level.h"
#include "physics/FigureFile.h"
#include "render/DropEmitter.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

// ---- The largest single allocation while a level reads its file ----

namespace {
std::atomic<bool> WatchAllocations{false};
std::atomic<size_t> LargestAllocation{0};
} // namespace

// The replacements pair malloc with free, as the standard allows.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (WatchAllocations.load(std::memory_order_relaxed) &&
        n > LargestAllocation.load(std::memory_order_relaxed))
        LargestAllocation.store(n, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

// A reader that checks its counts against the bytes left allocates in
// proportion to the file; one that trusts a stored count asks for gigabytes.
// The edge grid grows with the level's extent, up to its cell limit.
size_t AllocationLimit(const std::vector<uint8_t>& file) {
    return std::max((size_t(1) << 20) + 64 * file.size(),
                    size_t(TFragments::MaxCells) * sizeof(TFragment) + 1);
}

constexpr int32_t FarLayer = -1;

// One ring of n points for the player's figure file.
std::vector<uint8_t> RingFigureFile(int32_t n, float radius) {
    TMubFigure f;
    f.SetPointCount(n);
    for (int32_t i = 0; i < n; ++i) {
        const double a = 2.0 * Pi * i / n;
        f.Points[size_t(i)].Pos = {float(radius * std::cos(a)), float(radius * std::sin(a))};
        f.TexCoords[size_t(i)] = {float(0.5 + 0.5 * std::cos(a)), float(0.5 + 0.5 * std::sin(a))};
    }
    f.BuildPairs();
    f.BuildFan();
    TByteWriter w;
    WriteFigureFile(w, {}, {&f});
    return w.Bytes;
}

// The archive a level reads from: a block picture and a band picture in the
// texture library, a mesh file for a mesh-mode object and the figure file of
// the default character. Caught errors are counted, never fatal.
class LevelFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("rollix-level-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        ::setenv("ROLLIX_HOME", Dir.string().c_str(), 1);
        InitAppDir(Dir.string());
        SetLogSink([](const std::string&) {});
        ResetSiteTrace();
        SetErrorExitHandler([](int) {});

        std::vector<uint8_t> block(64 * 64 * 4, 0);
        for (int y = 10; y < 50; ++y)
            for (int x = 2; x < 62; ++x) {
                uint8_t* p = &block[size_t(y * 64 + x) * 4];
                p[0] = 40, p[1] = 120, p[2] = 60, p[3] = 255;
            }
        std::vector<uint8_t> blockPng, bandPng, gms, cache, archive;
        EncodePng(block.data(), 64, 64, 4, blockPng);
        std::vector<uint8_t> band(32 * 64 * 3, 200);
        EncodePng(band.data(), 32, 64, 3, bandPng);
        std::string why;
        ASSERT_TRUE(MakeMeshFiles({{0, 0}, {100, 0}, {100, 60}, {0, 60}}, 40, gms, cache, why)) << why;
        ASSERT_TRUE(WriteMassFile(
            {{"Textures\\Levels\\", "block.png", blockPng},
             {"Textures\\Levels\\", "band.png", bandPng},
             {"Textures\\", "Rollix.TexLib", WriteTexLibIndex({{"Levels\\block.png"}, {"Levels\\band.png"}})},
             {"Objects\\Rocks\\", "slab.gms", gms},
             {"Objects\\Rocks\\", "slab.cache", cache},
             {"Objects\\Figures\\", "0001.gms", RingFigureFile(12, 20.0f)}},
            archive, why))
            << why;
        SaveFileAtomic(AppDir + "Rollix.msf", archive);
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
        MusicMan = TMusicMan{};
    }
    void TearDown() override {
        TexLib.Clear();
        MassFile.Clear();
        ResetRenderState();
        SetErrorExitHandler(nullptr);
        ResetSiteTrace();
        SetLogSink(nullptr);
        ::unsetenv("ROLLIX_HOME");
        fs::remove_all(Dir);
    }

    // Reads bytes into a fresh level, watching the allocations, and checks
    // what every load must give: no caught error, loading over, a player.
    std::unique_ptr<TLevel> Load(const std::vector<uint8_t>& bytes, bool* ok = nullptr,
                                 size_t* largest = nullptr) {
        auto level = std::make_unique<TLevel>();
        const int32_t errorsBefore = ErrorCount;
        LargestAllocation = 0;
        WatchAllocations = true;
        bool read = false;
        EXPECT_NO_THROW(read = level->LoadFromBytes(bytes));
        WatchAllocations = false;
        if (ok) *ok = read;
        if (largest) *largest = LargestAllocation;
        EXPECT_EQ(ErrorCount, errorsBefore) << "an error was caught while loading";
        EXPECT_FALSE(level->Loading);
        EXPECT_GE(level->Characters.Count(), 1);
        EXPECT_NE(level->Player(), nullptr);
        return level;
    }

    fs::path Dir;
};

// ---- Records made in code ----

std::unique_ptr<TSplineObj> GridObject(TLevel& level, const std::string& name, int32_t layer) {
    auto o = std::make_unique<TSplineObj>(&level.ObjectWorld);
    o->OutlineStep = 1;
    o->SetGridTexture(0, true);
    o->Name = name;
    o->Layer = layer;
    return o;
}

// A mesh-mode object whose body mesh names no texture: its record fails.
std::unique_ptr<TSplineObj> UntexturedObject(TLevel& level) {
    auto o = std::make_unique<TSplineObj>(&level.ObjectWorld);
    o->GridMode = false;
    o->AddBodyMesh();
    o->Name = "no texture";
    return o;
}

std::unique_ptr<TWater> Pool() {
    auto w = std::make_unique<TWater>();
    w->SeedX = 300;
    w->RestLevel = 500;
    w->TopColour = {1, 2, 3, 4};
    w->BottomColour = {5, 6, 7, 8};
    w->LightGroup = 2;
    w->Outline = {{200, 500}, {250, 500}, {300, 500}, {300, 600}, {200, 600}};
    for (int32_t i = 0; i < 3; ++i) {
        TWavePoint p;
        p.VertexIndex = i;
        p.Push = 0.5f * float(i);
        p.RoomBelow = 50;
        p.Prev = i - 1;
        p.Next = i < 2 ? i + 1 : -1;
        w->WavePoints.push_back(p);
    }
    TBubbleSpout& s = w->Spouts.emplace_back();
    s.Water = w.get();
    s.Pos = {250, 590};
    s.Rate = 2.5f;
    w->SplashColourStart = {9, 10, 11, 12};
    w->SplashColourEnd = {13, 14, 15, 16};
    w->BubbleColour = {17, 18, 19, 20};
    return w;
}

std::unique_ptr<TWind> Gust(int32_t linkedObject) {
    auto w = std::make_unique<TWind>();
    w->BaseOrigin = w->Origin = {10, 20};
    w->BaseTarget = w->Target = {110, 20};
    w->ConeAngle = 1.5f;
    w->Strength = -0.5f;
    w->EditorId = 17;
    w->LinkedShapeIndex = linkedObject;
    w->AnimationName = "Spin";
    w->Name = "Gust";
    w->Brake = 0.25f;
    return w;
}

std::unique_ptr<TBoost> PlacedBoost(int32_t type, int32_t shape) {
    auto b = std::make_unique<TBoost>();
    b->Type = type;
    b->TypeName = BoostTypeName(type);
    b->PointsValue = 10 * type;
    b->TakeSound = "Boosts\\take.ogg";
    b->ShapeIndices = {shape};
    b->SetParam1(int32_t(type + 1));
    return b;
}

std::unique_ptr<TParticleSystem> DropSystem(float x, int32_t sourceIndex) {
    auto s = CreateDropSystem();
    auto& e = static_cast<TDrops_Emiter&>(*s->Emitter);
    e.Position = {x, 40};
    e.Interval = 25;
    e.SourceIndex = sourceIndex;
    s->Caption = u"drip";
    return s;
}

// A level that uses every section of the file.
std::unique_ptr<TLevel> FullLevel() {
    auto level = std::make_unique<TLevel>();
    TLevel& l = *level;
    TLevelHeader& h = l.Header;
    h.LevelNote = "every section";
    h.SkyTopColor = {7, 8, 9, 255};
    h.VersionTag = GravityVersionTag;
    h.EditorText1 = "first editor text";
    h.EditorText2 = "second editor text";
    h.LevelTitle = "Full house";
    h.TargetScore = 1500;
    h.NoTurbo = true;
    h.CameraStart = {320, 240};
    h.GravityFactor = 0.75f;
    h.NoFaceAnimations = true;
    h.BonusSeconds = 90;
    h.HelpBoosts = {3, 7};

    l.Sky.TopColor = {10, 20, 30, 40};
    l.Sky.RenderClouds = true;
    l.Sky.CloudTexture = 3;
    l.Sky.SkyParallax = 0.25f;
    l.Sky.MoonPos = {-30, 250};
    l.Sky.StarsPerTile = 30;

    l.Layers.Create(FarLayer, {0.5f, 1.0f});
    l.Layers.LayerOf(FarLayer).Flicker = true;
    l.Layers.LayerOf(FarLayer).FlickerMin = 40;

    l.SplineObjects.push_back(GridObject(l, "ground", 0));
    l.SplineObjects.push_back(GridObject(l, "far hill", FarLayer));
    l.SplineObjects.back()->SetBorderTexture(TexLib.TextureByIndex(1));
    l.SplineObjects.push_back(GridObject(l, "door", 0));
    auto slab = std::make_unique<TSplineObj>(&l.ObjectWorld);
    slab->AddBodyMesh()->SetTextureIndex(0);
    slab->SetMeshFile("Rocks\\slab.gms");
    slab->Name = "slab";
    l.SplineObjects.push_back(std::move(slab));

    l.Waters.push_back(Pool());
    l.FileExtras.UnusedB7 = 77;
    l.Winds.push_back(Gust(0));

    for (int32_t type : {4, 9, 12})
        l.Boosts.Items.push_back(PlacedBoost(type, 0));

    l.Lights.StoredSwitch = true;
    for (int32_t i = 0; i < 2; ++i) {
        auto light = std::make_unique<TLight>(&l.Lights);
        light->Position = {100.0f * float(i), -20.0f, 0.0f, 1.0f};
        light->StoredColor = {1.0f, 0.5f, 0.25f, 1.0f};
        light->BoostIndex = i;
        light->UpdateZ();
        l.Lights.PointLights.push_back(std::move(light));
    }

    l.Materials.Waters.TexEnv = 8448;
    l.Materials.SplineObjects.Lit = 0;

    for (int32_t i = 0; i < 2; ++i) {
        TRollix* c = l.Characters.AddListed();
        c->StartX = 100.0f + 200.0f * float(i);
        c->StartY = 50.0f;
        c->Colour[0] = uint8_t(10 + i);
        c->IsPlayer = i == 0;
        c->LayerBase = 0;
        c->GripBase = 0.5f;
        c->RespawnDelay = 30 * i;
        c->HasRecordMaterial = i == 1;
    }

    l.Rain->TargetCount = 120;
    l.Rain->StoredFadeStart = 5;
    l.Rain->StoredFadeLength = 50;
    l.Rain->RainWind = 0.5f;
    l.Rain->MaterialStored = true;

    TSplineAnim* a = l.SplineAnims.Add(l.SplineObjects[2].get());
    a->InsertFrame(0);
    a->InsertFrame(1);
    a->Frames[1].Shape[0].StartPoint += TVec2{0, -80};
    a->RebuildPaths(-1, true);
    a->BackupFrames = a->Frames;
    a->Name = "open";
    a->MinDuration = 400;

    l.Fog.FogOn = true;
    l.Fog.FogLayer = FarLayer;
    l.Fog.FogParallax = 1.5f;

    l.DropSystems.push_back(DropSystem(10, -1));
    l.DropSystems.push_back(DropSystem(20, 0));

    auto q = std::make_unique<TQuest>();
    q->Name = "Reach the door";
    q->QuestType = 0;
    q->Zone = {0, 0, 64, 64};
    q->ShowOnDone = {1};
    TSpeech s;
    s.Name = "Animations\\0052.gms";
    s.SpeakerCharacterIndex = 1;
    s.NextQuest = "Leave";
    q->Speeches.Items.push_back(s);
    l.Quests.Items.push_back(std::move(q));

    // The track section and the level's own flags differ: the level keeps
    // the section as the file holds it, whatever it hands the manager.
    l.FileExtras.HasMusicTracks = true;
    l.FileExtras.HasLevelMusic = true;
    l.Music.CurrentMusic = 3;
    for (size_t i = 0; i < MusicTrackCount; ++i) {
        l.Music.TrackFlags[i] = i % 3 == 0;
        l.FileExtras.MusicTracks.Tracks[i].Selected = i % 2 == 0;
    }

    for (int32_t i = 0; i < 2; ++i) {
        auto sound = std::make_unique<TLevelSound>(l.NextSoundId++);
        sound->SampleName = i == 0 ? "Water\\Waterfall.ogg" : "FX\\Hum.ogg";
        sound->Position = sound->HomePosition = {50.0f * float(i), 60};
        sound->BoostIndex = i == 1 ? 2 : -1;
        l.LevelSounds.push_back(std::move(sound));
    }
    l.AutoReplayName = "Replays\\Full house.gbv";
    l.AutoReplay = true;

    l.FileExtras.HasSelections = true;
    l.Selection.Name = "picked";
    l.Selection.Add(l.SplineObjects[0].get());
    l.Selection.Add(l.Waters[0].get());
    l.Selection.Add(l.Boosts.Items[1].get());
    l.Selection.Sky = &l.Sky;
    TMultiSelection group;
    group.Name = "winds";
    group.Add(l.Winds[0].get());
    group.Add(l.SplineObjects[1].get());
    l.SelectionGroups.AddGroup(&group);

    // The border edges a level derives for its colliding objects are part of
    // their meshes, and so of what the level writes.
    l.BuildCollisionEdges();
    return level;
}

// ---- Small files written section by section ----

// How the header of a small file is written, field by field.
struct THeaderForm {
    bool Old = false;
    int32_t VersionTag = GravityVersionTag;
    float Gravity = 0.5f;
    bool NoPlayerControl = true;
    TVec2 CameraStart{40, -60};
    std::vector<int32_t> HelpBoosts;
};

THeaderForm OldHeader() {
    THeaderForm f;
    f.Old = true;
    return f;
}

THeaderForm NewHeader(int32_t versionTag) {
    THeaderForm f;
    f.VersionTag = versionTag;
    return f;
}

constexpr int32_t FixtureTargetScore = 2500;

void WriteHeader(TByteWriter& w, const THeaderForm& f) {
    WriteShortString(w, "Fixture");      // 1 title
    WriteShortString(w, "note");         // 2 note
    w.WriteBlock("\x11\x22\x33\xFF", 4); // 3 sky top colour
    if (f.Old) {
        w.WriteFloat32(0.5f); // 4 the first of two unused values
        w.WriteFloat32(2.0f); // the second; the sky follows
        return;
    }
    w.WriteFloat32(NewHeaderMark); // 4 the new header
    w.WriteFloat32(1.0f);          // 5, 6 unused
    w.WriteFloat32(2.0f);
    w.WriteInt32(FixtureTargetScore); // 7
    w.WriteBool(false);               // 8 no turbo
    w.WriteBool(true);                // 9 camera from file
    w.WriteFloat32(f.CameraStart.X);  // 10 camera start x, y
    w.WriteFloat32(f.CameraStart.Y);
    w.WriteInt32(f.VersionTag); // 11
    // 12: the gravity factor, only after the gravity tag
    if (f.VersionTag == GravityVersionTag) w.WriteFloat32(f.Gravity);
    w.WriteBool(f.NoPlayerControl); // 13
    w.WriteBool(false);             // 14 no face animations
    w.WriteInt32(45);               // 15 bonus seconds
    w.WriteString("editor 1");      // 16, 17
    w.WriteString("editor 2");
    w.WriteInt32(int32_t(f.HelpBoosts.size())); // 18, 19 help boosts
    for (int32_t b : f.HelpBoosts)
        w.WriteInt32(b);
    w.Pad(32); // 20 reserved
}

// The sky and layers of every small file; values that only an aligned read
// finds again.
const TVec2 FixtureMoon{123, 456};
constexpr float FixtureSkyParallax = 0.25f;

void WriteSkyAndLayers(TByteWriter& w) {
    TMSky sky;
    sky.MoonPos = FixtureMoon;
    sky.SkyParallax = FixtureSkyParallax;
    sky.Write(w);
    TLayers layers;
    layers.Create(FarLayer, {0.5f, 1.0f});
    layers.Write(w);
}

// Offsets of the counts in a small file, for damaging them.
struct TBodyOffsets {
    size_t ObjectCount = 0, WaterCount = 0, WindCount = 0;
};

// B3–B9: the objects, one pool, the unused value and one wind.
TBodyOffsets WriteBody(TByteWriter& w, const std::vector<std::unique_ptr<TSplineObj>>& objects) {
    TBodyOffsets at;
    at.ObjectCount = w.Bytes.size();
    w.WriteInt32(int32_t(objects.size()));
    for (const auto& o : objects)
        o->WriteSplineObj(w);
    at.WaterCount = w.Bytes.size();
    w.WriteInt32(1);
    Pool()->Write(w);
    w.WriteInt32(0); // unused
    at.WindCount = w.Bytes.size();
    w.WriteInt32(1);
    Gust(-1)->Write(w);
    return at;
}

// E1–E4: no boosts, no lights, the default materials.
void WriteBoostsLightsMaterials(TByteWriter& w) {
    TBoosts().Write(w);
    w.WriteInt32(0); // lights tag: absent
    TMaterialMan().WriteDefaults(w);
}

// E5–E6 with two characters, the first starting at firstX.
void WriteTwoCharacters(TByteWriter& w, float firstX = 0.0f) {
    TCharacterLevel physics;
    TRollixsMan characters(&physics);
    characters.AddListed()->StartX = firstX;
    characters.AddListed()->StartX = 100.0f;
    w.WriteInt32(LevelTag::Characters);
    characters.Write(w);
}

// The level's full body after the characters up to the end, with rain
// target count 123 and an auto-replay name that only an aligned read finds.
constexpr int32_t FixtureRainCount = 123;
const std::string FixtureReplayName = "after the sounds";

void WriteRestFromRain(TByteWriter& w, const std::vector<std::unique_ptr<TParticleSystem>>& drops) {
    w.WriteInt32(LevelTag::Rain);
    TParticleSystem rain(300);
    rain.TargetCount = FixtureRainCount;
    rain.Write(w);
    w.WriteInt32(0); // no spline animations
    w.WriteInt32(0); // no fog
    WriteDropSystems(w, drops);
    w.WriteInt32(0); // no quests
    w.WriteInt32(0); // no music tracks
    w.WriteInt32(0); // no level music
    w.Pad(24);
    w.WriteInt32(LevelTag::Sounds);
    std::vector<std::unique_ptr<TLevelSound>> sounds;
    sounds.push_back(std::make_unique<TLevelSound>(1));
    WriteLevelSounds(w, sounds);
    w.WriteString(FixtureReplayName);
    w.WriteBool(false);
    w.Pad(27);
    w.WriteInt32(0); // no selections
}

void ExpectFixtureSkyAndLayers(const TLevel& level) {
    EXPECT_EQ(level.Sky.MoonPos, FixtureMoon) << "the sky record starts where the header ends";
    EXPECT_EQ(level.Sky.SkyParallax, FixtureSkyParallax);
    ASSERT_EQ(level.Layers.Layers.size(), 2u);
    EXPECT_EQ(level.Layers.MinNumber, FarLayer);
    EXPECT_EQ(level.Layers.Layers.front()->Parallax, 0.5f);
}

void PutInt32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    std::memcpy(&bytes[at], &v, 4);
}

// Equal bytes, or where they first part.
::testing::AssertionResult SameBytes(const std::vector<uint8_t>& written,
                                     const std::vector<uint8_t>& expected) {
    if (written == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < written.size() && at < expected.size() && written[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure() << "written " << written.size() << " bytes, expected "
                                         << expected.size() << "; first difference at byte " << at;
}

} // namespace

// ---- The whole level ----

TEST_F(LevelFileTest, FullLevelRoundTripsToIdenticalBytes) {
    std::vector<uint8_t> bytes;
    {
        auto built = FullLevel();
        bytes = WriteLevelBytes(*built);
    }
    bool ok = false;
    auto level = Load(bytes, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(SameBytes(WriteLevelBytes(*level), bytes));

    const TLevel& l = *level;
    EXPECT_EQ(l.Header.LevelTitle, "Full house");
    EXPECT_EQ(l.Header.LevelNote, "every section");
    EXPECT_EQ(l.Header.GravityFactor, 0.75f);
    EXPECT_EQ(l.Header.HelpBoosts, (std::vector<int32_t>{3, 7}));
    EXPECT_EQ(l.Header.TargetScore, 1500);
    EXPECT_EQ(l.Sky.MoonPos, (TVec2{-30, 250}));
    EXPECT_EQ(l.Layers.MinNumber, FarLayer);
    ASSERT_EQ(l.SplineObjects.size(), 4u);
    EXPECT_EQ(l.SplineObjects[1]->Name, "far hill");
    EXPECT_EQ(l.SplineObjects[1]->Layer, FarLayer);
    EXPECT_FALSE(l.SplineObjects[1]->Border.Meshes.empty());
    EXPECT_FALSE(l.SplineObjects[3]->GridMode);
    ASSERT_EQ(l.Waters.size(), 1u);
    EXPECT_EQ(l.Waters[0]->Outline.size(), 5u);
    ASSERT_EQ(l.Winds.size(), 1u);
    EXPECT_EQ(l.Winds[0]->LinkedShapeIndex, 0);
    EXPECT_EQ(l.FileExtras.UnusedB7, 77);
    EXPECT_EQ(l.Boosts.Count(), 3);
    EXPECT_EQ(l.Lights.PointLights.size(), 2u);
    EXPECT_EQ(l.Materials.Waters.TexEnv, 8448);
    ASSERT_EQ(l.Characters.Count(), 2);
    EXPECT_EQ(l.Characters.Items[1]->StartX, 300.0f);
    EXPECT_EQ(l.Rain->TargetCount, 120);
    ASSERT_EQ(l.SplineAnims.Anims.size(), 1u);
    EXPECT_EQ(l.SplineAnims.Anims[0]->Target, l.SplineObjects[2].get());
    EXPECT_TRUE(l.Fog.FogOn);
    ASSERT_EQ(l.DropSystems.size(), 2u);
    EXPECT_EQ(l.DropSystems[1]->Emitter->Source, l.DropSystems[0].get());
    ASSERT_EQ(l.Quests.Count(), 1);
    EXPECT_EQ(l.Quests.Items[0]->Speeches.Items.size(), 1u);
    EXPECT_EQ(l.Music.CurrentMusic, 3);
    for (size_t i = 0; i < MusicTrackCount; ++i) {
        EXPECT_EQ(l.FileExtras.MusicTracks.Tracks[i].Selected, i % 2 == 0) << i;
        EXPECT_EQ(MusicMan.Tracks[i].Selected, i % 3 == 0) << i; // the level's flags reached the manager
    }
    EXPECT_EQ(l.LevelSounds.size(), 2u);
    EXPECT_EQ(l.AutoReplayName, "Replays\\Full house.gbv");
    EXPECT_TRUE(l.AutoReplay);
    EXPECT_EQ(l.Selection.SplineObjects, (std::vector<TSplineObj*>{l.SplineObjects[0].get()}));
    ASSERT_EQ(l.SelectionGroups.Items.size(), 1u);
    EXPECT_EQ(l.SelectionGroups.Items[0]->Winds, (std::vector<TWind*>{l.Winds[0].get()}));
}

// ---- Header forms ----

TEST_F(LevelFileTest, HeaderFormsDecideWhatFollows) {
    struct TCase {
        const char* Name;
        THeaderForm Form;
        bool NewHeader;
        float Gravity;
        bool NoPlayerControl;
    };
    const TCase cases[] = {
        {"old header: field 4 is 0.5", OldHeader(), false, 1.0f, false},
        {"new header with the gravity tag", NewHeader(GravityVersionTag), true, 0.5f, true},
        {"new header with tag 0: no gravity factor", NewHeader(0), true, 1.0f, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TByteWriter w;
        WriteHeader(w, c.Form);
        WriteSkyAndLayers(w);
        WriteBody(w, {});
        bool ok = false;
        auto level = Load(w.Bytes, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(level->Header.LevelTitle, "Fixture");
        EXPECT_EQ(level->Header.NewHeader, c.NewHeader);
        EXPECT_EQ(level->Header.GravityFactor, c.Gravity);
        EXPECT_EQ(level->Header.NoPlayerControl, c.NoPlayerControl);
        EXPECT_EQ(level->Header.TargetScore, c.NewHeader ? FixtureTargetScore : 0);
        ExpectFixtureSkyAndLayers(*level);
        EXPECT_EQ(level->Waters.size(), 1u);
        EXPECT_EQ(level->Winds.size(), 1u);
        EXPECT_TRUE(SameBytes(WriteLevelBytes(*level), w.Bytes));
    }
}

// ---- Optional sections ----

TEST_F(LevelFileTest, FileEndingAfterTheWindsIsValidAndGetsTheDefaultCharacter) {
    TByteWriter w;
    WriteHeader(w, {});
    WriteSkyAndLayers(w);
    WriteBody(w, {});
    bool ok = false;
    auto level = Load(w.Bytes, &ok);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(level->FileExtras.HasExtendedBody);
    EXPECT_EQ(level->Waters.size(), 1u);
    EXPECT_EQ(level->Winds.size(), 1u);
    EXPECT_EQ(level->Boosts.Count(), 0);
    EXPECT_TRUE(level->Lights.PointLights.empty());
    EXPECT_EQ(level->Characters.Count(), 1) << "only the default character";
    EXPECT_EQ(level->Quests.Count(), 0);
    EXPECT_TRUE(level->LevelSounds.empty());
    EXPECT_TRUE(SameBytes(WriteLevelBytes(*level), w.Bytes)) << "a short file is written short again";
}

TEST_F(LevelFileTest, CharactersTagDecidesWhetherTheCharacterListIsThere) {
    for (int32_t tag : {LevelTag::Characters, LevelTag::Characters - 1}) {
        SCOPED_TRACE(tag);
        TByteWriter w;
        WriteHeader(w, {});
        WriteSkyAndLayers(w);
        WriteBody(w, {});
        WriteBoostsLightsMaterials(w);
        if (tag == LevelTag::Characters) {
            WriteTwoCharacters(w);
        } else {
            w.WriteInt32(tag); // the rain tag follows at once
        }
        WriteRestFromRain(w, {});
        bool ok = false;
        auto level = Load(w.Bytes, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(level->Characters.Count(), tag == LevelTag::Characters ? 2 : 1);
        EXPECT_EQ(level->Rain->TargetCount, FixtureRainCount);
        EXPECT_EQ(level->AutoReplayName, FixtureReplayName);
        EXPECT_EQ(level->LevelSounds.size(), 1u);
    }
}

TEST_F(LevelFileTest, DropEmittersLinkOnlyToSystemsOfTheList) {
    // d = 3: index 3 is one past the last and stays unlinked; 0 … 2 link.
    std::vector<std::unique_ptr<TParticleSystem>> drops;
    drops.push_back(DropSystem(0, 3));
    drops.push_back(DropSystem(10, 0));
    drops.push_back(DropSystem(20, 2));
    TByteWriter w;
    WriteHeader(w, {});
    WriteSkyAndLayers(w);
    WriteBody(w, {});
    WriteBoostsLightsMaterials(w);
    WriteTwoCharacters(w);
    WriteRestFromRain(w, drops);
    bool ok = false;
    auto level = Load(w.Bytes, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(level->DropSystems.size(), 3u);
    EXPECT_EQ(level->DropSystems[0]->Emitter->Source, nullptr);
    EXPECT_EQ(level->DropSystems[1]->Emitter->Source, level->DropSystems[0].get());
    EXPECT_EQ(level->DropSystems[2]->Emitter->Source, level->DropSystems[2].get());
    EXPECT_EQ(level->AutoReplayName, FixtureReplayName);
}

TEST_F(LevelFileTest, StoredValuesThatAreNoNumberTakeTheDefaults) {
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(bad);
        THeaderForm form = NewHeader(GravityVersionTag);
        form.Gravity = bad;
        form.CameraStart = {bad, 25};
        TByteWriter w;
        WriteHeader(w, form);
        WriteSkyAndLayers(w);
        WriteBody(w, {});
        WriteBoostsLightsMaterials(w);
        WriteTwoCharacters(w, bad);
        WriteRestFromRain(w, {});
        bool ok = false;
        auto level = Load(w.Bytes, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(level->Header.GravityFactor, 1.0f);
        EXPECT_EQ(level->Header.CameraStart, (TVec2{0, 25}));
        ASSERT_EQ(level->Characters.Count(), 2);
        EXPECT_EQ(level->Player()->StartX, 0.0f);
        EXPECT_TRUE(std::isfinite(level->Player()->Centre.X));
        EXPECT_TRUE(std::isfinite(level->CameraX) && std::isfinite(level->CameraY));
    }
}

// ---- Damage ----

TEST_F(LevelFileTest, FailedObjectRecordKeepsTheObjectsBeforeItAndEndsTheFile) {
    TLevel scratch;
    std::vector<std::unique_ptr<TSplineObj>> objects;
    objects.push_back(GridObject(scratch, "first", 0));
    objects.push_back(GridObject(scratch, "second", 0));
    objects.push_back(UntexturedObject(scratch));
    objects.push_back(GridObject(scratch, "never read", 0));
    TByteWriter w;
    WriteHeader(w, {});
    WriteSkyAndLayers(w);
    WriteBody(w, objects);
    WriteBoostsLightsMaterials(w);
    WriteTwoCharacters(w);
    WriteRestFromRain(w, {});
    bool ok = true;
    auto level = Load(w.Bytes, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(level->SplineObjects.size(), 2u);
    EXPECT_EQ(level->SplineObjects[1]->Name, "second");
    EXPECT_TRUE(level->Waters.empty()) << "nothing after the failed record is read";
    EXPECT_TRUE(level->Winds.empty());
    EXPECT_EQ(level->Characters.Count(), 1) << "the file's characters are not read; the default one is made";
    EXPECT_TRUE(level->AutoReplayName.empty());
}

TEST_F(LevelFileTest, CountsThatCannotFitAreDamageAndAllocateNothingHuge) {
    TLevel scratch;
    std::vector<std::unique_ptr<TSplineObj>> objects;
    objects.push_back(GridObject(scratch, "only", 0));
    TByteWriter w;
    WriteHeader(w, {});
    WriteSkyAndLayers(w);
    const TBodyOffsets at = WriteBody(w, objects);
    WriteBoostsLightsMaterials(w);
    WriteTwoCharacters(w);
    WriteRestFromRain(w, {});
    {
        bool ok = false;
        auto intact = Load(w.Bytes, &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(intact->Characters.Count(), 2);
    }

    struct TCase {
        const char* Name;
        size_t At;
        int32_t Count;
        size_t Objects, Waters;
    };
    const int32_t tooMany = int32_t(w.Bytes.size()); // one byte per record could not hold them
    const TCase cases[] = {
        {"negative object count", at.ObjectCount, -1, 0, 0},
        {"object count past the bytes", at.ObjectCount, tooMany, 0, 0},
        {"largest object count", at.ObjectCount, std::numeric_limits<int32_t>::max(), 0, 0},
        {"negative water count", at.WaterCount, -1, 1, 0},
        {"largest water count", at.WaterCount, std::numeric_limits<int32_t>::max(), 1, 0},
        {"negative wind count", at.WindCount, -5, 1, 1},
        {"wind count past the bytes", at.WindCount, tooMany, 1, 1},
        {"smallest wind count", at.WindCount, std::numeric_limits<int32_t>::min(), 1, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> damaged = w.Bytes;
        PutInt32(damaged, c.At, c.Count);
        bool ok = true;
        size_t largest = 0;
        auto level = Load(damaged, &ok, &largest);
        EXPECT_FALSE(ok);
        EXPECT_EQ(level->SplineObjects.size(), c.Objects);
        EXPECT_EQ(level->Waters.size(), c.Waters);
        EXPECT_TRUE(level->Winds.empty());
        EXPECT_EQ(level->Characters.Count(), 1) << "reading stopped at the damage";
        EXPECT_LT(largest, AllocationLimit(damaged));
    }
}

TEST_F(LevelFileTest, CountsAboveTheRoomKeepTheFirstValuesAndStayInStep) {
    // Fifteen help boosts where the level has room for ten.
    THeaderForm form;
    for (int32_t i = 0; i < 15; ++i)
        form.HelpBoosts.push_back(100 + i);
    TByteWriter w;
    WriteHeader(w, form);
    WriteSkyAndLayers(w);
    WriteBody(w, {});
    WriteBoostsLightsMaterials(w);
    WriteTwoCharacters(w);
    w.WriteInt32(0); // no rain
    w.WriteInt32(0); // no spline animations
    w.WriteInt32(0); // no fog
    w.WriteInt32(0); // no drop systems
    w.WriteInt32(0); // no quests
    w.WriteInt32(0); // no music tracks
    // Level music with fifteen track flags where the level has room for twelve.
    w.WriteInt32(LevelTag::LevelMusic);
    w.WriteByte(5); // current music
    w.WriteInt32(15);
    for (int32_t i = 0; i < 15; ++i)
        w.WriteBool(i % 2 == 0);
    w.Pad(16);
    w.Pad(24);       // reserved
    w.WriteInt32(0); // no sounds
    w.WriteString(FixtureReplayName);
    w.WriteBool(false);
    w.Pad(27);
    w.WriteInt32(0); // no selections

    bool ok = false;
    auto level = Load(w.Bytes, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(level->Header.HelpBoosts.size(), size_t(MaxHelpBoosts));
    for (size_t i = 0; i < level->Header.HelpBoosts.size(); ++i)
        EXPECT_EQ(level->Header.HelpBoosts[i], form.HelpBoosts[i]);
    ExpectFixtureSkyAndLayers(*level);
    EXPECT_EQ(level->Characters.Count(), 2);
    EXPECT_EQ(level->Music.CurrentMusic, 5);
    for (size_t i = 0; i < MusicTrackCount; ++i)
        EXPECT_EQ(level->Music.TrackFlags[i], i % 2 == 0) << i;
    EXPECT_EQ(level->AutoReplayName, FixtureReplayName) << "the flags past the twelfth are read past";
}

// ---- Cut and corrupted copies of the whole level ----

namespace {
// The full level's bytes and where its parts begin: the spline-object count,
// the water count (the objects fill most of the file between the two), the
// end of the winds and so of a short file.
struct TFullFile {
    std::vector<uint8_t> Bytes;
    size_t ObjectCount = 0, WaterCount = 0, EndOfWinds = 0;
};

TFullFile WriteFullFile() {
    auto built = FullLevel();
    TFullFile f;
    f.Bytes = WriteLevelBytes(*built);
    built->FileExtras.HasExtendedBody = false;
    f.EndOfWinds = WriteLevelBytes(*built).size();
    TByteWriter waters, objects;
    waters.WriteInt32(0);
    for (const auto& w : built->Waters)
        w->Write(waters);
    waters.WriteInt32(0);
    waters.WriteInt32(0);
    for (const auto& w : built->Winds)
        w->Write(waters);
    for (const auto& o : built->SplineObjects)
        o->WriteSplineObj(objects);
    f.WaterCount = f.EndOfWinds - waters.Bytes.size();
    f.ObjectCount = f.WaterCount - objects.Bytes.size() - 4;
    return f;
}
} // namespace

TEST_F(LevelFileTest, EveryCutOfTheFullLevelLoadsSafely) {
    const TFullFile file = WriteFullFile();
    int32_t objects = 0, waters = 0;
    std::memcpy(&objects, &file.Bytes[file.ObjectCount], 4);
    std::memcpy(&waters, &file.Bytes[file.WaterCount], 4);
    ASSERT_EQ(objects, 4);
    ASSERT_EQ(waters, 1);
    ASSERT_LT(file.EndOfWinds, file.Bytes.size());
    // Every length through the header, sky and layers and into the first
    // object, and around the end of the winds; a stride through the objects,
    // whose records have cut tests of their own, and a short one through the
    // sections after them.
    constexpr size_t IntoFirstObject = 64, ObjectStride = 37, TailStride = 3, AroundEnd = 8;
    std::vector<size_t> cuts;
    for (size_t n = 0; n < file.ObjectCount + IntoFirstObject; ++n)
        cuts.push_back(n);
    for (size_t n = file.ObjectCount + IntoFirstObject; n < file.WaterCount; n += ObjectStride)
        cuts.push_back(n);
    for (size_t n = file.WaterCount; n < file.Bytes.size(); n += TailStride)
        cuts.push_back(n);
    for (size_t n = file.EndOfWinds - AroundEnd; n <= file.EndOfWinds + AroundEnd; ++n)
        cuts.push_back(n);
    for (size_t n : cuts) {
        SCOPED_TRACE(n);
        bool ok = false;
        auto level =
            Load(std::vector<uint8_t>(file.Bytes.begin(), file.Bytes.begin() + std::ptrdiff_t(n)), &ok);
        EXPECT_EQ(ok, n == file.EndOfWinds) << "only the cut after the winds is a whole file";
        if (HasFailure()) break;
    }
}

TEST_F(LevelFileTest, CorruptedCopiesOfTheFullLevelLoadSafely) {
    const TFullFile file = WriteFullFile();
    const uint32_t extremes[] = {0u,          0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x7FFFFFF0u, 1u << 27,
                                 0x0000FFFFu, 0x7FC00000u, 0x7F800000u, 0xFF800000u, 0x7149F2CAu};
    std::mt19937 random(20261210);
    for (int copy = 0; copy < 1500; ++copy) {
        // Every second copy is damaged only from the water count on, so that
        // the sections after the objects get their share.
        std::vector<uint8_t> damaged = file.Bytes;
        const size_t from = copy % 2 == 0 ? 0 : file.WaterCount;
        const int changes = 1 + int(random() % 4);
        for (int k = 0; k < changes; ++k) {
            const size_t at = from + random() % (damaged.size() - 4 - from);
            if (random() % 2 == 0) {
                damaged[at] ^= uint8_t(1 + random() % 255);
            } else {
                const uint32_t v = extremes[random() % std::size(extremes)];
                std::memcpy(&damaged[at], &v, 4);
            }
        }
        SCOPED_TRACE(copy);
        size_t largest = 0;
        auto level = Load(damaged, nullptr, &largest);
        EXPECT_LT(largest, AllocationLimit(damaged));
        if (HasFailure()) break;
    }
}

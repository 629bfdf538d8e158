#include "physics/FigureFile.h"
#include "FigureShapes.h"
#include "PhysicsFixture.h"
#include "app/Paths.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {
// A four-point figure whose coordinates sum to zero exactly, so building its
// springs (which re-centres it) changes no bit.
void MakeDiamond(TMubFigure& f) {
    f.MaterialKind = mkWater;
    f.SetPointCount(4);
    const TVec2 p[] = {{0, -20}, {15.5f, 0}, {0, 20}, {-15.5f, 0}};
    for (int i = 0; i < 4; ++i) {
        f.Points[size_t(i)].Pos = p[i];
        f.TexCoords[size_t(i)] = {0.25f * float(i), 0.5f};
    }
    f.TextureIndex = 17;
    f.TextureName = "Rollixs\\Test.png";
    f.OverlayTextureName = "Over.png";
    f.OverlayEnabled = true;
    f.OverlayLayer = 3;
    f.OverlayParam = 12.5f;
    f.OverlayColour[0] = 9;
    f.OverlayMaterial->BlendSrc = 1;
    f.OverlayMaterial->BlendDst = 1;
    f.BuildPairs();
    f.BuildFan();
}

std::vector<uint8_t> RecordBytes(const TMubFigure& f) {
    TByteWriter w;
    WriteFigureRecord(w, f);
    return w.Bytes;
}

// Writes the head of a record with the given counts and nothing after the
// reserved block but `tail` bytes.
std::vector<uint8_t> RecordHead(int32_t n, int32_t t, size_t tail) {
    TByteWriter w;
    w.WriteInt32(0);   // kind
    w.WriteInt32(n);   // N
    w.WriteInt32(t);   // T
    w.WriteInt32(-1);  // texture index
    w.WriteString(""); // texture name
    w.WriteInt32(0);   // no overlay block
    w.Pad(24);         // reserved
    w.Pad(tail);
    return w.Bytes;
}
} // namespace

TEST(FigureFile, FileNames) {
    const std::pair<int32_t, const char*> cases[] = {{7, "Figures\\0007.gms"},
                                                     {0, "Figures\\0000.gms"},
                                                     {51, "Figures\\0051.gms"},
                                                     {12345, "Figures\\12345.gms"}};
    for (const auto& [n, name] : cases)
        EXPECT_EQ(FigureEntryName(n), name);
}

TEST(FigureFile, RecordLayoutAndRoundTrip) {
    TMubFigure f;
    MakeDiamond(f);
    std::vector<uint8_t> bytes = RecordBytes(f);
    const std::vector<uint8_t> head = {
        2,  0, 0, 0, // material kind: water body
        4,  0, 0, 0, // N
        4,  0, 0, 0, // T
        17, 0, 0, 0, // texture index
        16, 0, 0, 0, // texture name length, then "Rollixs\Test.png"
    };
    ASSERT_GT(bytes.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    // 0x3E9 = 1001: the overlay block follows the name.
    EXPECT_EQ(bytes[20 + 16], 0xE9);
    EXPECT_EQ(bytes[20 + 16 + 1], 0x03);

    TByteReader r(bytes);
    TMubFigure back;
    ASSERT_TRUE(ReadFigureRecord(r, back, nullptr));
    EXPECT_EQ(r.Remaining(), 0);
    EXPECT_EQ(back.MaterialKind, mkWater);
    EXPECT_EQ(back.TextureIndex, 17);
    EXPECT_EQ(back.OverlayLayer, 3);
    EXPECT_EQ(back.OverlayParam, 12.5f);
    EXPECT_EQ(back.OverlayMaterial->BlendSrc, 1);
    EXPECT_EQ(back.TriangleCount(), 4);
    EXPECT_FLOAT_EQ(back.Pair(1, 3).RestLength, 31.0f);
    EXPECT_EQ(RecordBytes(back), bytes);
    // Loading twice gives the same rest shape.
    TByteReader again(bytes);
    ASSERT_TRUE(ReadFigureRecord(again, back, nullptr));
    EXPECT_EQ(RecordBytes(back), bytes);
}

TEST(FigureFile, DamagedRecordsKeepTheOldFigure) {
    struct TCase {
        const char* What;
        std::vector<uint8_t> Bytes;
    };
    std::vector<uint8_t> cut = RecordBytes([] {
        static TMubFigure f;
        MakeDiamond(f);
        return std::cref(f);
    }());
    cut.resize(cut.size() - 5);
    const TCase cases[] = {
        {"negative N", RecordHead(-1, 0, 64)},
        {"negative T", RecordHead(2, -3, 64)},
        {"N above the cap", RecordHead(MaxFigurePoints + 1, 0, 64)},
        {"N longer than the bytes left", RecordHead(100000, 0, 64)},
        {"points cut short", RecordHead(8, 0, 8 * 16 - 1)},
        {"triangles cut short", RecordHead(2, 5, 2 * 16 + 5 * 12 - 4)},
        {"record cut short", cut},
        {"texture name longer than the bytes left",
         [] {
             std::vector<uint8_t> b = RecordHead(2, 0, 64);
             b[16] = 0xE8; // name length 1000, after kind, N, T and the texture index
             b[17] = 0x03;
             return b;
         }()},
        {"nothing", {}},
    };
    for (const TCase& c : cases) {
        TMubFigure f;
        MakeRingFigure(f, mkBalloon, 6, 10, 10);
        TByteReader r(c.Bytes);
        EXPECT_FALSE(ReadFigureRecord(r, f, nullptr)) << c.What;
        EXPECT_EQ(f.PointCount(), 6) << c.What;
        EXPECT_EQ(f.MaterialKind, mkBalloon) << c.What;
    }
}

TEST(FigureFile, TrianglesOutsideTheOutlineAreDropped) {
    TByteWriter w;
    w.Bytes = RecordHead(3, 4, 0);
    for (int i = 0; i < 3; ++i) {
        w.WriteFloat32(float(i * 10));
        w.WriteFloat32(float(i == 1 ? 10 : 0));
    }
    w.Pad(3 * 8);
    const int32_t tris[4][3] = {{-1, 0, 1}, {-1, 2, 3}, {-2, 0, 1}, {0, 1, 2}};
    for (const auto& t : tris)
        for (int32_t v : t)
            w.WriteInt32(v);
    TByteReader r(w.Bytes);
    TMubFigure f;
    ASSERT_TRUE(ReadFigureRecord(r, f, nullptr));
    ASSERT_EQ(f.TriangleCount(), 2);
    EXPECT_EQ(f.Triangles[0].A, -1);
    EXPECT_EQ(f.Triangles[1].C, 2);
}

TEST(FigureFile, ContainerHeaderCountsAndFirstFigure) {
    TMubFigure a, b, c;
    MakeDiamond(a);
    MakeRingFigure(b, mkRubber, 10, 20, 20);
    MakeRingFigure(c, mkBalloon, 12, 20, 20);
    TFigureFileHeader h;
    h.Preview = {1, 2, 3, 4, 5};
    h.HasGroupHeader = true;
    h.GroupName = "Stars";
    TByteWriter w;
    WriteFigureFile(w, h, {&a, &b, &c});

    // Three figures: only the first is read.
    TByteReader r(w.Bytes);
    TFigureFileHeader back;
    TMubFigure f;
    ASSERT_TRUE(ReadFigureFile(r, f, nullptr, &back));
    EXPECT_EQ(back.Preview, h.Preview);
    EXPECT_TRUE(back.HasGroupHeader);
    EXPECT_EQ(back.GroupName, "Stars");
    EXPECT_EQ(back.Count, 3);
    EXPECT_EQ(f.PointCount(), 4);
    TByteWriter again;
    WriteFigureFile(again, back, {&f, &b, &c});
    EXPECT_EQ(again.Bytes, w.Bytes);

    // Count 0, a preview longer than the file: nothing is loaded.
    TFigureFileHeader none;
    TByteWriter empty;
    WriteFigureFile(empty, none, {});
    TByteReader r0(empty.Bytes);
    TMubFigure keep;
    MakeRingFigure(keep, mkRubber, 5, 10, 10);
    EXPECT_FALSE(ReadFigureFile(r0, keep, nullptr));
    EXPECT_EQ(keep.PointCount(), 5);
    std::vector<uint8_t> bad = w.Bytes;
    bad[0] = 0xFF;
    bad[1] = 0xFF;
    bad[2] = 0;
    TByteReader r1(bad);
    EXPECT_FALSE(ReadFigureFile(r1, keep, nullptr));
    EXPECT_EQ(keep.PointCount(), 5);
}

// The shipped figures: right sizes, exactly centred, and files that read
// back to the same bytes; through the archive, a missing number leaves the
// figure as it was.
TEST(FigureFile, ShippedFiguresThroughTheArchive) {
    std::vector<TMassFileInput> entries;
    for (int32_t n : ShippedFigureNumbers()) {
        TMubFigure f;
        ASSERT_TRUE(MakeShippedFigure(n, f));
        TBox2 box;
        ASSERT_TRUE(f.GetBounds(box));
        const float across = std::max(box.Right - box.Left, box.Bottom - box.Top);
        EXPECT_GE(across, 40.0f) << n;
        EXPECT_LE(across, 100.0f) << n;
        TByteWriter w;
        WriteFigureFile(w, {}, {&f});
        TByteReader r(w.Bytes);
        TMubFigure back;
        ASSERT_TRUE(ReadFigureFile(r, back, nullptr));
        TByteWriter again;
        WriteFigureFile(again, {}, {&back});
        EXPECT_EQ(again.Bytes, w.Bytes) << n;
        entries.push_back({"Objects\\Figures\\", FigureEntryName(n).substr(8), w.Bytes});
    }
    std::vector<uint8_t> archive;
    std::string why;
    ASSERT_TRUE(WriteMassFile(entries, archive, why)) << why;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "rollix-figure-test";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "Rollix.msf";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    const std::string oldAppDir = AppDir;
    AppDir = dir.string() + "/";
    MassFile.Clear();
    MassFile.AddArchive(file.string());

    TMubFigure f;
    EXPECT_TRUE(LoadFigureFile(7, f, nullptr));
    EXPECT_EQ(f.MaterialKind, mkRubber);
    EXPECT_EQ(FigureMaterialKind(3), mkWater);
    EXPECT_EQ(FigureMaterialKind(8), mkBalloon);
    EXPECT_EQ(FigureMaterialKind(77), 0);
    const int32_t points = f.PointCount();
    EXPECT_FALSE(LoadFigureFile(77, f, nullptr));
    EXPECT_EQ(f.PointCount(), points);

    // A character loads its figure by number.
    TTestWorld w;
    TRollix* c = w.Man.AddListed();
    c->LoadFigure(5);
    c->ApplyFigure(true, 1.0f, true);
    c->PlaceAt(true, 0, 0);
    EXPECT_EQ(c->MaterialKind, mkBalloon);
    EXPECT_EQ(c->VertexCount(), 32);

    MassFile.Clear();
    AppDir = oldAppDir;
    std::filesystem::remove_all(dir);
}

// Every shipped figure is a playable body: dropped on a floor it lands,
// comes to rest and survives (no water body bursts from its own landing).
TEST(FigureFile, ShippedFiguresLandAndRest) {
    for (int32_t n : ShippedFigureNumbers()) {
        TTestWorld w;
        w.AddFloor(0.0f, -500.0f, 500.0f);
        TRollix* c = w.Man.AddListed();
        ASSERT_TRUE(MakeShippedFigure(n, *c->Figure));
        c->ApplyFigure(true, 1.0f, true);
        c->PlaceAt(true, -100.0f, 0.0f);
        w.Tick(1500);
        EXPECT_FALSE(c->Dead) << n;
        EXPECT_TRUE(AllFinite(*c)) << n;
        EXPECT_LE(c->Bounds.Bottom, 0.0f) << n;
        EXPECT_GT(c->Bounds.Bottom, -1.0f) << n;
        EXPECT_LT(Length(c->CentreVel), 0.05f) << n;
    }
}

// A canned scene of shipped figures with scripted input, pinned by its state
// hash so that any change to the simulation's arithmetic shows. Members that
// arrive later and draw random numbers or move bodies (particles, water,
// boosts, voices) will change it: pin it again then, saying why here.
TEST(FigureFile, PinnedSceneHash) {
    TTestWorld w;
    TTestInput input;
    w.Level.Input = &input;
    w.AddFloor(0.0f, -600.0f, 600.0f, 0.4f);
    w.AddRing({{150, -120}, {230, -120}, {230, -2}, {150, -2}}, 0.0f, 0.8f);
    const int32_t figures[] = {4, 6, 2, 26};
    const float xs[] = {-300, 0, 300, -450};
    for (int k = 0; k < 4; ++k) {
        TRollix* c = w.Man.AddListed();
        ASSERT_TRUE(MakeShippedFigure(figures[k], *c->Figure));
        c->ApplyFigure(true, 1.0f, true);
        c->PlaceAt(true, -150.0f, xs[k]);
    }
    BindTestKeys(*w.Man.Items[0]);
    for (int t = 0; t < 2000; ++t) {
        const int phase = (t / 250) % 4;
        input.Hold(phase == 0   ? std::vector<uint16_t>{TestKeyRight}
                   : phase == 1 ? std::vector<uint16_t>{TestKeyRight, TestKeyTurbo}
                   : phase == 2 ? std::vector<uint16_t>{TestKeyLeft}
                                : std::vector<uint16_t>{});
        w.Tick();
    }
    EXPECT_EQ(StateHash(w.Man), 0x20b517a974c0fcaaull);
}

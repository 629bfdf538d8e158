#include "assets/TexLib.h"
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
std::vector<uint8_t> Png(int w, int h, int bpp, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> out;
    EncodePng(pixels.data(), w, h, bpp, out);
    return out;
}

std::vector<uint8_t> Solid(int w, int h, int bpp, uint8_t alpha = 255) {
    std::vector<uint8_t> p(size_t(w) * size_t(h) * size_t(bpp));
    for (size_t i = 0; i < p.size(); i += size_t(bpp)) {
        p[i] = 10;     // blue
        p[i + 1] = 20; // green
        p[i + 2] = 30; // red
        if (bpp == 4) p[i + 3] = alpha;
    }
    return p;
}

// RGBA picture with opaque pixels only where listed.
std::vector<uint8_t> Dots(int w, int h, std::initializer_list<std::pair<int, int>> opaque) {
    std::vector<uint8_t> p(size_t(w) * size_t(h) * 4, 0);
    for (auto [x, y] : opaque) {
        uint8_t* px = &p[(size_t(y) * size_t(w) + size_t(x)) * 4];
        px[0] = 50, px[1] = 60, px[2] = 70, px[3] = 255;
    }
    return p;
}

class TexLibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("rollix-tex-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        InitAppDir(Dir.string());
        SetLogSink([](const std::string&) {});
        auto backend = std::make_unique<TNullRenderBackend>();
        Gl = backend.get();
        InitRenderContext(std::move(backend));
        TexLib.Clear();
        TextureCompression = 0;
        FontGlyphCount = 0;
    }
    void TearDown() override {
        TexLib.Clear();
        ResetRenderState();
        MassFile.Clear();
        SetLogSink(nullptr);
        fs::remove_all(Dir);
    }
    // Writes the archive with the pictures and an index listing them in order.
    void Build(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& pictures,
               std::vector<TTexLibRecord> records = {}) {
        std::vector<TMassFileInput> entries;
        bool listAll = records.empty();
        for (const auto& [name, bytes] : pictures) {
            size_t slash = name.rfind('\\');
            entries.push_back({"Textures\\" + name.substr(0, slash + 1), name.substr(slash + 1), bytes});
            if (listAll) records.push_back({name, 1, 0});
        }
        entries.push_back({"Textures\\", "Rollix.TexLib", WriteTexLibIndex(records)});
        std::vector<uint8_t> archive;
        std::string why;
        ASSERT_TRUE(WriteMassFile(entries, archive, why));
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
        MassFile.Create();
        TexLib.LoadLibrary();
    }
    fs::path Dir;
    TNullRenderBackend* Gl = nullptr;
};
} // namespace

TEST_F(TexLibTest, UploadsAtThePowerOfTwoAboveWithTheCoordinateFrame) {
    Build({{"Levels\\a.png", Png(300, 200, 3, Solid(300, 200, 3))},
           {"Levels\\wide.png", Png(1025, 2, 3, Solid(1025, 2, 3))}});
    TMyTexture* t = TexLib.TextureByIndex(0);
    int32_t id = t->Upload();
    ASSERT_GT(id, 0);
    EXPECT_EQ(t->UploadWidth, 512);
    EXPECT_EQ(t->UploadHeight, 256);
    EXPECT_FLOAT_EQ(t->URange, 300.0f / 512.0f);
    EXPECT_FLOAT_EQ(t->VRange, 200.0f / 256.0f);
    EXPECT_FLOAT_EQ(t->InvURange, 512.0f / 300.0f);
    const auto& object = Gl->Textures.at(uint32_t(id));
    EXPECT_EQ(object.Width, 512);
    EXPECT_EQ(object.Height, 256);
    EXPECT_EQ(object.InternalFormat, Gl::Rgb8);
    EXPECT_EQ(object.Format, Gl::Rgb);
    EXPECT_EQ(object.Pixels[0], 30) << "red first in the upload";
    EXPECT_EQ(object.Pixels[2], 10);
    EXPECT_EQ(object.Pixels[300 * 3], 0) << "beyond the picture the buffer is zero";
    EXPECT_EQ(object.Parameters.at(Gl::TextureWrapS), Gl::Repeat);
    EXPECT_EQ(t->Upload(), id) << "a second upload returns the same texture";

    TMyTexture* wide = TexLib.TextureByIndex(1);
    EXPECT_EQ(wide->TextureId(), 0);
    EXPECT_FALSE(wide->IsUploaded());
    EXPECT_EQ(TexLib.UploadByIndex(7), 0);
    EXPECT_EQ(TexLib.TextureByIndex(7), TexLib.TextureByIndex(0));
}

TEST_F(TexLibTest, CompressionFollowsTheSettingUnlessTheEntrySaysNo) {
    Build({{"Levels\\a.png", Png(4, 4, 3, Solid(4, 4, 3))}, {"Levels\\b.png", Png(4, 4, 4, Solid(4, 4, 4))}},
          {{"Levels\\a.png", 1, 1}, {"Levels\\b.png", 0, 0}});
    TextureCompression = 1;
    EXPECT_EQ(Gl->Textures.at(uint32_t(TexLib.UploadByIndex(0))).InternalFormat, Gl::Rgb8);
    EXPECT_EQ(Gl->Textures.at(uint32_t(TexLib.UploadByIndex(1))).InternalFormat, Gl::CompressedRgbaS3tcDxt5);
    EXPECT_EQ(TexLib.TextureByIndex(1)->QualityMode, 0);
}

TEST_F(TexLibTest, MissingCompressionFallsBackAndRefusedUploadsStayAtZero) {
    Build({{"Levels\\a.png", Png(4, 4, 3, Solid(4, 4, 3))}, {"Levels\\b.png", Png(4, 4, 3, Solid(4, 4, 3))}});
    TextureCompression = 1;
    Gl->RefusedFormats = {Gl::CompressedRgbS3tcDxt1};
    int32_t id = TexLib.UploadByIndex(0);
    ASSERT_GT(id, 0);
    EXPECT_EQ(Gl->Textures.at(uint32_t(id)).InternalFormat, Gl::Rgb8);
    Gl->RefusedFormats = {Gl::CompressedRgbS3tcDxt1, Gl::Rgb8};
    EXPECT_EQ(TexLib.UploadByIndex(1), 0);
    EXPECT_FALSE(TexLib.TextureByIndex(1)->IsUploaded());
    EXPECT_EQ(Gl->Textures.size(), 1u) << "the refused texture object is not kept";
}

TEST_F(TexLibTest, WithoutAnIndexThereIsStillAFallback) {
    MassFile.Create();
    TexLib.LoadLibrary();
    ASSERT_EQ(TexLib.Textures.size(), 1u);
    EXPECT_EQ(TexLib.FindTexture("Levels\\anything.png"), TexLib.TextureByIndex(0));
    EXPECT_GT(TexLib.UploadByIndex(0), 0);
}

TEST_F(TexLibTest, FindTextureFallsBackToSimilarNamesThenEntryZero) {
    Build({{"Misc\\first.png", Png(2, 2, 3, Solid(2, 2, 3))},
           {"Rocks\\stone.png", Png(2, 2, 3, Solid(2, 2, 3))}},
          {{"Misc\\first.png"}, {"Rocks\\stone.png"}, {"Levels\\Ghost.png"}});
    TMyTexture* stone = TexLib.TextureByIndex(1);
    EXPECT_EQ(TexLib.FindTexture("rocks\\STONE.png"), stone);
    EXPECT_EQ(TexLib.FindTexture("Levels\\Stone.png"), stone);
    EXPECT_EQ(TexLib.FindTexture("Levels\\stone.tga"), stone) << "compared without extensions";
    EXPECT_EQ(TexLib.FindTexture("Levels\\nothing.png"), TexLib.TextureByIndex(0));
    EXPECT_EQ(TexLib.FindTexture("Levels\\Ghost.png"), TexLib.TextureByIndex(0))
        << "listed but missing from the archive, with no relative";
    EXPECT_EQ(TexLib.TextureByName("levels\\ghost.PNG"), TexLib.TextureByIndex(2));
    EXPECT_EQ(TexLib.AddTexture("Rocks\\stone.png", false), 1);
    EXPECT_EQ(TexLib.AddTexture("Rocks\\Stone.png", false), 3) << "exact, case-sensitive names";
}

TEST_F(TexLibTest, ScaledCopiesAreClampedAndBoxFiltered) {
    // 4 × 2 opaque picture with a margin of transparent pixels would crop:
    // use a fully opaque one with distinct columns.
    std::vector<uint8_t> p;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            p.insert(p.end(), {uint8_t(x * 40), uint8_t(y * 100), 0});
    Build({{"Levels\\a.png", Png(4, 2, 3, p)}});
    TMyTexture* t = TexLib.TextureByIndex(0);
    EXPECT_EQ(t->ScaledCopy(9), t);
    EXPECT_EQ(t->ScaledCopy(8), t);
    TMyTexture* half = t->ScaledCopy(4);
    EXPECT_EQ(t->ScaledCopy(0), t->ScaledCopy(1));
    ASSERT_NE(half, t);
    EXPECT_EQ(half->MainTexture(), t);
    EXPECT_EQ(half->Width, 2);
    EXPECT_EQ(half->Height, 1);
    ASSERT_TRUE(half->IsUploaded());
    const auto& object = Gl->Textures.at(uint32_t(half->GlId));
    // Column 0 averages blues 0 and 40 over both rows; stored red-first.
    EXPECT_EQ(object.Pixels[2], 20);
    EXPECT_EQ(object.Pixels[1], 50);
    EXPECT_EQ(object.Pixels[3 + 2], 100);
    uint32_t copyId = uint32_t(half->GlId);
    t->Release();
    EXPECT_EQ(Gl->Textures.count(copyId), 0u) << "releasing the main entry frees its copies";
    EXPECT_FALSE(t->Copies[3]);
}

TEST_F(TexLibTest, OutlineWalksThePixelEdges) {
    Build({{"Levels\\sq.png", Png(4, 4, 4, Dots(4, 4, {{1, 1}, {2, 1}, {1, 2}, {2, 2}}))}});
    TMyTexture* t = TexLib.TextureByIndex(0);
    std::vector<TVec2> points;
    int32_t count = 0;
    ASSERT_TRUE(t->Outline(0, 1, 100, points, count));
    const std::vector<TVec2> expected = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {1, 2}};
    EXPECT_EQ(points, expected);
    ASSERT_TRUE(t->Outline(0, 2, 3, points, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(points, (std::vector<TVec2>{{1, 1}, {3, 1}, {3, 3}}));
    EXPECT_FALSE(t->Outline(255, 1, 100, points, count)) << "nothing above the threshold";
    EXPECT_EQ(count, -1);
}

TEST_F(TexLibTest, TransparentPictureHasNoOutlineAndClearFragments) {
    Build({{"Levels\\clear.png", Png(8, 8, 4, Solid(8, 8, 4, 0))},
           {"Levels\\rgb.png", Png(8, 8, 3, Solid(8, 8, 3))}});
    TMyTexture* t = TexLib.TextureByIndex(0);
    std::vector<TVec2> points;
    int32_t count = 0;
    EXPECT_FALSE(t->Outline(0, 1, 100, points, count));
    EXPECT_EQ(t->OutlineCount, -1);
    for (int32_t i = 0; i < 2 * 3 * 2; ++i)
        EXPECT_TRUE(t->ClearFragment(3, 2, i)) << i;
    EXPECT_FALSE(t->ClearFragment(3, 2, 12)) << "beyond the grid";
    EXPECT_FALSE(t->ClearFragment(0, 2, 0));
    EXPECT_FALSE(TexLib.TextureByIndex(1)->ClearFragment(1, 1, 0)) << "no alpha channel";
}

TEST_F(TexLibTest, ClearFragmentsSplitCellsAlongTheDiagonal) {
    // Opaque corners keep the picture from being cropped.
    Build({{"Levels\\c.png", Png(16, 16, 4, Dots(16, 16, {{0, 0}, {15, 15}}))}});
    TMyTexture* t = TexLib.TextureByIndex(0);
    const bool expected[8] = {false, true, true, true, true, true, true, false};
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(t->ClearFragment(2, 2, i), expected[i]) << i;
    const auto& grid = t->GridCoords(2, 2);
    ASSERT_EQ(grid.size(), 9u);
    EXPECT_EQ(grid[4], (TVec2{0.5f, 0.5f}));
    EXPECT_EQ(grid[8], (TVec2{1.0f, 1.0f}));
}

TEST_F(TexLibTest, GroupFramesShareOneSizeAndKeepTheirPlaces) {
    Build({{"Anims\\Run@\\f1.png", Png(32, 32, 4, Dots(32, 32, {{4, 4}, {6, 6}}))},
           {"Anims\\Run@\\f2.png", Png(32, 32, 4, Dots(32, 32, {{20, 10}}))}});
    TMyTexture* a = TexLib.TextureByIndex(0);
    TMyTexture* b = TexLib.TextureByIndex(1);
    ASSERT_GT(a->Upload(), 0);
    ASSERT_GT(b->Upload(), 0);
    EXPECT_EQ(a->Width, b->Width);
    EXPECT_EQ(a->Height, b->Height);
    EXPECT_EQ(a->Width, 21 - 3 + 1);
    EXPECT_EQ(a->Height, 11 - 3 + 1);
    EXPECT_EQ(a->OffsetX, 0);
    EXPECT_EQ(b->OffsetX, 19 - 3);
    EXPECT_EQ(b->OffsetY, 9 - 3);
    EXPECT_EQ(a->ScaledCopy(4), a) << "group textures have no scaled copies";
    // The opaque dot of the second frame lands at its place in the group box.
    const auto& object = Gl->Textures.at(uint32_t(b->GlId));
    size_t at = (size_t(10 - 3) * size_t(object.Width) + size_t(20 - 3)) * 4;
    EXPECT_EQ(object.Pixels[at + 3], 255);
}

TEST_F(TexLibTest, ResidencyUploadsWhatLevelsNeedAndFreesTheRest) {
    Build({{"Levels\\water.png", Png(2, 2, 3, Solid(2, 2, 3))},
           {"Levels\\rock.png", Png(2, 2, 3, Solid(2, 2, 3))},
           {"Levels\\tree.png", Png(2, 2, 3, Solid(2, 2, 3))},
           {"Rollixs\\Coat Red.png", Png(2, 2, 3, Solid(2, 2, 3))},
           {"Rollixs\\Fazulky\\skritek_fazole2.png", Png(2, 2, 3, Solid(2, 2, 3))},
           {"Rollixs\\Fazulky\\skritek_fazole_3_5.png", Png(2, 2, 3, Solid(2, 2, 3))}});
    TMyTexture* work = TexLib.CreateWorkTexture("extra1");
    EXPECT_EQ(TexLib.Extra1, work);
    TMyTexture* tree = TexLib.TextureByName("Levels\\tree.png");
    tree->Upload();
    TLevelTextureNeeds level;
    level.Indices = {1, 4};
    level.CoatNames = {"Red"};
    TexLib.PrepareForLevels({&level});
    EXPECT_TRUE(TexLib.TextureByName("Levels\\water.png")->IsUploaded()) << "always resident";
    EXPECT_TRUE(TexLib.TextureByName("Levels\\rock.png")->IsUploaded());
    EXPECT_FALSE(tree->IsUploaded()) << "no level needs it";
    EXPECT_TRUE(TexLib.TextureByName("Rollixs\\Coat Red.png")->IsUploaded());
    EXPECT_TRUE(TexLib.TextureByName("Rollixs\\Fazulky\\skritek_fazole_3_5.png")->IsUploaded());
    EXPECT_TRUE(work->IsUploaded()) << "work textures are never released";
    EXPECT_EQ(Gl->Textures.at(uint32_t(work->GlId)).Parameters.at(Gl::TextureWrapS), Gl::ClampToEdge);
}

TEST_F(TexLibTest, ANewContextUploadsAgainAndNeverDeletesStaleNames) {
    Build({{"Levels\\a.png", Png(4, 4, 3, Solid(4, 4, 3))}, {"Levels\\b.png", Png(4, 4, 3, Solid(4, 4, 3))}});
    TMyTexture* a = TexLib.TextureByIndex(0);
    TMyTexture* b = TexLib.TextureByIndex(1);
    ASSERT_GT(a->Upload(), 0);
    ASSERT_GT(b->Upload(), 0);

    // The window and its context are made anew (a second window, a mode switch).
    auto fresh = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* second = fresh.get();
    InitRenderContext(std::move(fresh));
    EXPECT_FALSE(a->IsUploaded()) << "a name from the old context means nothing in this one";
    const int32_t again = a->TextureId();
    ASSERT_GT(again, 0);
    EXPECT_TRUE(a->IsUploaded());
    EXPECT_EQ(second->Textures.count(uint32_t(again)), 1u) << "the picture went up into the new context";

    // Releasing the texture that never went up here deletes nothing here.
    b->Release();
    EXPECT_EQ(second->CallCount(TRenderCall::DeleteTexture), 0);
    EXPECT_FALSE(b->IsUploaded());
    a->Release();
    EXPECT_EQ(second->CallCount(TRenderCall::DeleteTexture), 1);
}

TEST(TexLibIndex, RoundTripAndDamagedRecords) {
    std::vector<TTexLibRecord> records = {{"Levels\\a.png", 1, 0}, {"B\\c.jpg", 0, 1}};
    std::vector<uint8_t> bytes = WriteTexLibIndex(records);
    ASSERT_EQ(bytes.size(), 4u + (2 + 12 + 32) + (2 + 7 + 32));
    TByteReader in(bytes);
    auto back = ReadTexLibIndex(in);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].Name, "B\\c.jpg");
    EXPECT_EQ(back[1].NoCompression, 1);
    EXPECT_EQ(WriteTexLibIndex(back), bytes);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        TByteReader part(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
        EXPECT_LT(ReadTexLibIndex(part).size(), 2u) << cut;
    }
    TByteWriter huge;
    huge.WriteInt32(0x7FFFFFFF);
    TByteReader h(huge.Bytes);
    EXPECT_TRUE(ReadTexLibIndex(h).empty());
}

#include "assets/Font.h"
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {
// A glyph picture 40 high whose ink spans the given columns and rows.
std::vector<uint8_t> GlyphPng(int32_t width, int32_t top, int32_t bottom) {
    std::vector<uint8_t> p(size_t(width) * 40 * 4, 0);
    for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = 2; x < width - 2; ++x)
            p[(size_t(y) * size_t(width) + size_t(x)) * 4 + 3] = 255;
    std::vector<uint8_t> png;
    EncodePng(p.data(), width, 40, 4, png);
    return png;
}

class FontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = std::filesystem::temp_directory_path() / ("rollix-font-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
        InitAppDir(Dir.string());
        SetLogSink([](const std::string&) {});
        auto backend = std::make_unique<TNullRenderBackend>();
        Gl = backend.get();
        InitRenderContext(std::move(backend));
        // Glyphs for "a" (1), "b" (4) and "?" (37); the others are missing.
        std::vector<TMassFileInput> entries = {{"Textures\\Font\\", "fnt001.png", GlyphPng(20, 10, 29)},
                                               {"Textures\\Font\\", "fnt004.png", GlyphPng(24, 4, 29)},
                                               {"Textures\\Font\\", "fnt037.png", GlyphPng(16, 8, 29)}};
        entries.push_back(
            {"Textures\\", "Rollix.TexLib",
             WriteTexLibIndex({{"Font\\fnt001.png"}, {"Font\\fnt004.png"}, {"Font\\fnt037.png"}})});
        std::vector<uint8_t> archive;
        std::string why;
        ASSERT_TRUE(WriteMassFile(entries, archive, why));
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
        Font = std::make_unique<TMubFont>();
    }
    void TearDown() override {
        Font.reset();
        TexLib.Clear();
        MassFile.Clear();
        ResetRenderState();
        SetLogSink(nullptr);
        std::filesystem::remove_all(Dir);
    }
    std::filesystem::path Dir;
    TNullRenderBackend* Gl = nullptr;
    std::unique_ptr<TMubFont> Font;
};
} // namespace

TEST_F(FontTest, GlyphsTakeTheirCroppedSizes) {
    const TGlyph& a = Font->Glyphs[0];
    EXPECT_EQ(a.Code, u'a');
    EXPECT_EQ(a.Width, 18.0f) << "ink 16 wide plus the crop margin";
    EXPECT_EQ(a.Top, 9.0f - 20.0f);
    EXPECT_EQ(a.Bottom, 30.0f - 20.0f);
    EXPECT_EQ(Font->Glyphs[1].Width, 0.0f) << "a missing picture keeps a zero-size record";
    EXPECT_EQ(Font->GlyphOf(u'\u20ac'), QuestionMarkGlyph);
    EXPECT_EQ(Font->GlyphOf(u'Ó'), 242) << "the later of two positions wins";
    EXPECT_EQ(Font->GlyphOf(u'|'), 33);
    EXPECT_FLOAT_EQ(Font->TextWidth(u"a b"), (18 - 5) + 10 + (22 - 5));
}

TEST_F(FontTest, WaveTableIsSeededWithFive) {
    Seed(5);
    EXPECT_EQ(Font->Wave[0][0], float(24.0 * RandomFloat() - 12.0));
    EXPECT_EQ(Font->Wave[0][1], float(24.0 * RandomFloat() - 12.0));
    for (const auto& w : Font->Wave)
        for (float v : w)
            ASSERT_TRUE(v >= -12 && v < 12);
}

TEST_F(FontTest, WavyTextWithoutWavesIsPlainText) {
    Gl->Vertices.clear();
    Font->DrawText(u"ab?\u20ac", {255, 255, 255, 255}, 1.5f, 100, 40);
    const auto plain = Gl->Vertices;
    Gl->Vertices.clear();
    Font->DrawWavyText(u"ab?\u20ac", {255, 255, 255, 255}, 0, false, false, 77, 0, 1.5f, 100, 40);
    EXPECT_EQ(Gl->Vertices, plain);
    ASSERT_EQ(plain.size(), 16u);
    EXPECT_EQ(plain[0], (std::array<float, 2>{40, 100 + 1.5f * -11}));
    Gl->Vertices.clear();
    Font->DrawWavyText(u"ab", {255, 255, 255, 255}, 0, false, false, 0, 1, 1.5f, 100, 40);
    const std::vector<std::array<float, 2>> firstTwo(plain.begin(), plain.begin() + 8);
    EXPECT_NE(Gl->Vertices, firstTwo) << "a wave moves the corners";
}

TEST_F(FontTest, TextBoxesBreakLines) {
    EXPECT_FLOAT_EQ(Font->DrawTextBox(u"one~two", {255, 255, 255, 255}, 1000, false, 0, 0, 2, 0, 0), 140);
    EXPECT_FLOAT_EQ(Font->DrawTextBox(u"ab ab ab", {255, 255, 255, 255}, 80, false, 0, 0, 1, 0, 0), 30 + 40)
        << "the third word does not fit the box and starts a new line";
}

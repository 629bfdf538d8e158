// The data the build packs beside the game: every picture its texture index
// lists is in the archive and decodes, and the font has all its glyphs.
#include "app/Log.h"
#include "app/Paths.h"
#include "assets/Font.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "assets/Texts.h"

#include <filesystem>
#include <gtest/gtest.h>

class ShippedContentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf"))
            GTEST_SKIP() << "the content has not been built";
        InitAppDir(ROLLIX_BUILD_DIR);
        SetLogSink([](const std::string&) {});
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
    }
    void TearDown() override {
        MubFont.reset();
        TexLib.Clear();
        MassFile.Clear();
        SetLogSink(nullptr);
    }
};

TEST_F(ShippedContentTest, EveryListedPictureIsThere) {
    ASSERT_GT(TexLib.Textures.size(), 246u);
    for (const auto& t : TexLib.Textures) {
        EXPECT_TRUE(t->Exists) << t->Name;
        EXPECT_TRUE(t->LoadPicture()) << t->Name;
    }
    EXPECT_EQ(TexLib.TextureByIndex(0)->Name, "Misc\\fallback.png");
    for (TMyTexture* special : {TexLib.Water, TexLib.WaterBubble, TexLib.Drop, TexLib.Glue})
        EXPECT_NE(special, TexLib.TextureByIndex(0)) << "the engine's own pictures are shipped";
}

TEST_F(ShippedContentTest, TheFontHasEveryGlyph) {
    MubFont = std::make_unique<TMubFont>();
    for (const TGlyph& g : MubFont->Glyphs) {
        EXPECT_GT(g.Width, 5.0f) << "glyph for U+" << std::hex << int(g.Code);
        EXPECT_LT(g.Top, g.Bottom);
    }
    // One baseline: letters without descenders end on the same row.
    const float bottomA = MubFont->Glyphs[size_t(MubFont->GlyphOf(u'a'))].Bottom;
    for (char16_t c : std::u16string(u"bcdemnoxzABCMZ0"))
        EXPECT_NEAR(MubFont->Glyphs[size_t(MubFont->GlyphOf(c))].Bottom, bottomA, 2.0f) << char(c);
    EXPECT_GT(MubFont->Glyphs[size_t(MubFont->GlyphOf(u'g'))].Bottom, bottomA + 4)
        << "g reaches below the line";
}

TEST_F(ShippedContentTest, TheEnglishFileIsShipped) {
    SetLanguage("english");
    EXPECT_EQ(Text(999), u"version");
    EXPECT_EQ(VersionLine, u"version 1.14");
    ResetTexts();
}

// The performance test's replay is packed, where a level looks for replays.
TEST_F(ShippedContentTest, TheMainLevelsReplayIsPacked) {
    const std::string path = AppDir + "Gbvs\\ZestarsTest.gbv";
    ASSERT_TRUE(MassFileExists(path));
    std::vector<uint8_t> packed;
    ASSERT_TRUE(MassFile.ReadFile(path, packed));
    EXPECT_GT(packed.size(), 51u) << "a level name, events and the reserved bytes";
}

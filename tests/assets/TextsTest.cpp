#include "assets/Texts.h"
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "assets/MassFile.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {
std::vector<uint8_t> Utf16File(const std::u16string& text) {
    std::vector<uint8_t> out = {0xFF, 0xFE};
    for (char16_t c : text) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}
} // namespace

TEST(Texts, BuiltInEntriesAndReferences) {
    ResetTexts();
    EXPECT_EQ(Text(0), u"loading...");
    EXPECT_EQ(Text(731), u"magic gate");
    EXPECT_EQ(Text(904), u"");
    EXPECT_EQ(Text(1000), u"");
    EXPECT_EQ(Text(-1), u"");
    EXPECT_EQ(ResolveReference(u"~9"), u"YES");
    EXPECT_EQ(ResolveReference(u"~1200"), u"");
    EXPECT_EQ(ResolveReference(u"plain ~9"), u"plain ~9");
    EXPECT_EQ(ResolveReference(u"~"), u"~");
    EXPECT_EQ(LevelTask("Tutorial 08.map"), Text(306));
    TextTable[306] = u"task six";
    EXPECT_EQ(LevelTask("Tutorial 08.map"), u"task six") << "position 7 reads entry 306";
    EXPECT_EQ(LevelTask("Tutorial 01.map"), u"Take hiccup boost and luciferoids.");
    EXPECT_EQ(LevelHint("ZESTARS.MAP"), Text(211));
    EXPECT_EQ(LevelTask("tutorial 01.map"), u"") << "level names match exactly";
}

TEST(Texts, LanguageFilesReplaceEntriesByNumber) {
    ResetTexts();
    ParseLanguageFile(Utf16File(u"ignored before the first "
                                u"number\r\n~5\r\nHello\r\nWorld\r\n~12a\r\nTwelve\r\n~\r\n~1200\r\n~9\r\n"));
    EXPECT_EQ(Text(5), u"Hello~World");
    EXPECT_EQ(Text(12), u"Twelve~~~~1200") << "a lone ~ and ~1200 are ordinary lines";
    EXPECT_EQ(Text(9), u"") << "an identifier with no lines empties its entry";
    EXPECT_EQ(Text(10), u"NO");

    ResetTexts();
    ParseLanguageFile({'~', '7', '\n', 'C', 'a', 'f', 0xE9, ' ', 0x80});
    EXPECT_EQ(Text(7), u"Caf\u00e9 \u20ac") << "8-bit files read as Windows-1252";
}

TEST(Texts, LanguageChoiceFallsBackToRussian) {
    const auto dir = std::filesystem::temp_directory_path() / ("rollix-texts-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    InitAppDir(dir.string());
    SetLogSink([](const std::string&) {});
    std::vector<uint8_t> archive;
    std::string why;
    ASSERT_TRUE(WriteMassFile(
        {{"Languages\\", "RollixRU.txt", Utf16File(u"~6\n\u041d\u0430\u0437\u0430\u0434\n~999\nверсия\n")},
         {"Languages\\", "RollixCZ.txt", Utf16File(u"~6\nZPĚT\n")}},
        archive, why));
    ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
    MassFile.Create();
    SetLanguage("english");
    EXPECT_EQ(Text(6), u"\u041d\u0430\u0437\u0430\u0434") << "no English file: the Russian one";
    EXPECT_EQ(VersionLine, u"версия 1.14");
    SetLanguage("Cesky");
    EXPECT_EQ(Text(6), u"ZPĚT");
    EXPECT_EQ(Text(999), u"") << "every switch starts from the built-in texts";
    MassFile.Clear();
    SetLogSink(nullptr);
    std::filesystem::remove_all(dir);
}

TEST(Texts, Utf8RoundTrip) {
    const std::u16string s = u"Žluťoučký kůň \U0001F600 ok";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
    EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD") << "a cut sequence is replaced";
}

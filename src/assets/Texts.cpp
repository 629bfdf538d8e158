#include "assets/Texts.h"

#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"

#include <algorithm>
#include <cctype>
#include <utility>

extern const std::pair<int, const char16_t*> BuiltinTexts[];
extern const int BuiltinTextCount;

std::u16string TextTable[TextCount];
std::u16string ApplicationTitle = u"Rollix";
std::u16string VersionLine;

namespace {
// The upper half of Windows-1252, 0x80 … 0x9F; the rest is Latin-1.
const char16_t Ansi80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The number of a "~N" identifier line: its leading digits, when there are
// any and they make 0 … 999; −1 otherwise.
int32_t IdentifierOf(const std::u16string& line) {
    if (line.size() < 2 || line[0] != u'~' || line[1] < u'0' || line[1] > u'9') return -1;
    int64_t n = 0;
    for (size_t i = 1; i < line.size() && line[i] >= u'0' && line[i] <= u'9'; ++i) {
        n = n * 10 + (line[i] - u'0');
        if (n > 999) return -1;
    }
    return int32_t(n);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

const char* const LevelList[40] = {
    "Tutorial 01.map",  "Tutorial 02.map",  "Tutorial 03.map",  "Tutorial 04.map",  "Tutorial 05.map",
    "Tutorial 06.map",  "Tutorial 07.map",  "Tutorial 08.map",  "Tutorial 09.map",  "Tutorial 10.map",
    "Tutorial 11.map",  "MagicDust 01.map", "MagicDust 02.map", "MagicDust 03.map", "MagicDust 04.map",
    "MagicDust 05.map", "Bonus 1.map",      "Fazulky 01.map",   "Fazulky 02.map",   "Fazulky 03.map",
    "Fazulky 04.map",   "Fazulky 05.map",   "Fazulky 06.map",   "Fazulky 07.map",   "Bonus 2.map",
    "Podzemi 01.map",   "Podzemi 02.map",   "Bonus 3.map",      "Louka 01.map",     "Louka 02.map",
    "Louka 03.map",     "Louka 04.map",     "Louka 05.map",     "Bonus 4.map",      "Jeskyne 01.map",
    "Jeskyne 02.map",   "Jeskyne 03.map",   "Jeskyne 04.map",   "Bonus 5.map",      "Jeskyne 05.map",
};

std::u16string LevelEntry(const std::string& name, int32_t base, int32_t freePlayEntry) {
    if (Lower(name) == "zestars.map") return Text(freePlayEntry);
    for (int32_t p = 0; p < 40; ++p) {
        if (name != LevelList[p]) continue;
        static const int32_t remap[10] = {0, 1, 2, 3, 4, 5, 9, 6, 7, 8};
        return Text(base + (p < 10 ? remap[p] : p));
    }
    return {};
}
} // namespace

std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        const uint8_t c = uint8_t(s[i]);
        uint32_t cp = 0xFFFD;
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size()) {
            ++i; // a broken sequence becomes one replacement character
        } else {
            cp = len == 1 ? c : c & (0x7F >> len);
            bool ok = true;
            for (size_t k = 1; k < len; ++k) {
                const uint8_t cc = uint8_t(s[i + k]);
                ok = ok && (cc >> 6) == 2;
                cp = cp << 6 | (cc & 0x3F);
            }
            if (!ok) cp = 0xFFFD, len = 1;
            i += len;
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp > 0xFFFF ? 0xFFFD : cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp < 0xE000)
            cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | cp >> 6));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | cp >> 12));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | cp >> 18));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string Ansi1252ToUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (char ch : s) {
        const uint8_t c = uint8_t(ch);
        out.push_back(c >= 0x80 && c < 0xA0 ? Ansi80[c - 0x80] : char16_t(c));
    }
    return out;
}

void ResetTexts() {
    RecordSite(75001);
    for (auto& t : TextTable)
        t.clear();
    for (int i = 0; i < BuiltinTextCount; ++i)
        TextTable[BuiltinTexts[i].first] = BuiltinTexts[i].second;
}

void ParseLanguageFile(const std::vector<uint8_t>& bytes) {
    RecordSite(75002);
    std::u16string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    } else {
        text = Ansi1252ToUtf16(std::string(bytes.begin(), bytes.end()));
    }
    int32_t entry = -1;
    bool first = true;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        const int32_t id = IdentifierOf(line);
        if (id >= 0) {
            entry = id;
            TextTable[entry].clear();
            first = true;
        } else if (entry >= 0 && !(end == text.size() && line.empty())) {
            if (!first) TextTable[entry] += u'~';
            TextTable[entry] += line;
            first = false;
        }
        start = end + 1;
    }
}

bool LoadLanguageFile(const std::string& path) {
    RecordSite(75003);
    if (!MassFileExists(path)) return false;
    TMassFileStream in(path, 0);
    ParseLanguageFile(in.ToMemoryStream(0, in.Size));
    const std::u16string product = Utf8ToUtf16(ProductName), version = Utf8ToUtf16(ProductVersion);
    ApplicationTitle = product + u" " + TextTable[999] + u" " + version;
    VersionLine = TextTable[999] + u" " + version;
    return true;
}

void SetLanguage(const std::string& languageName) {
    RecordSite(75004);
    ResetTexts();
    const std::string name = Lower(languageName);
    std::string code;
    if (name == "slovak" || name == "slovensky")
        code = "SK";
    else if (name == "czech" || name == "cesky")
        code = "CZ";
    else if (name == "english")
        code = "EN";
    else if (name == "polski")
        code = "PL";
    if (code.empty() || !LoadLanguageFile(AppDir + "Languages\\Rollix" + code + ".txt"))
        LoadLanguageFile(AppDir + "Languages\\RollixRU.txt");
}

std::u16string Text(int32_t id) {
    return id >= 0 && id < TextCount ? TextTable[id] : std::u16string();
}

std::u16string ResolveReference(const std::u16string& text) {
    if (text.size() < 2 || text[0] != u'~' || text[1] < u'0' || text[1] > u'9') return text;
    int64_t n = 0;
    for (size_t i = 1; i < text.size() && text[i] >= u'0' && text[i] <= u'9' && n <= 999; ++i)
        n = n * 10 + (text[i] - u'0');
    return n <= 999 ? Text(int32_t(n)) : std::u16string();
}

std::u16string LevelTask(const std::string& levelFileName) {
    return LevelEntry(levelFileName, 300, 210);
}
std::u16string LevelHint(const std::string& levelFileName) {
    return LevelEntry(levelFileName, 500, 211);
}
std::u16string LevelTitle(const std::string& levelFileName) {
    return LevelEntry(levelFileName, 100, -1);
}

// rollix-texts: turns language files written in UTF-8 into the UTF-16 files
// (with a byte-order mark) the game reads.
//
//   rollix-texts SOURCE.txt OUT.txt
#include "app/FileSave.h"
#include "assets/Texts.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rollix-texts SOURCE.txt OUT.txt\n");
        return 2;
    }
    auto source = LoadPlainFile(argv[1]);
    if (!source) {
        std::fprintf(stderr, "rollix-texts: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string text(source->begin(), source->end());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    const std::u16string wide = Utf8ToUtf16(text);
    if (Utf16ToUtf8(wide) != text) {
        std::fprintf(stderr, "rollix-texts: %s is not valid UTF-8\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> out = {0xFF, 0xFE};
    for (char16_t c : wide) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    if (!SaveFileAtomic(argv[2], out)) {
        std::fprintf(stderr, "rollix-texts: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

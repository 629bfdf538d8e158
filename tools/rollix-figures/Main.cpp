// rollix-figures: writes the game's figure files (Objects\Figures\NNNN.gms)
// into a folder, ready for rollix-pack.
//
//   rollix-figures OUTDIR
#include "FigureShapes.h"

#include "app/FileSave.h"
#include "assets/ByteStream.h"
#include "physics/FigureFile.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rollix-figures OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "rollix-figures: cannot create %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    for (int32_t n : ShippedFigureNumbers()) {
        TMubFigure figure;
        MakeShippedFigure(n, figure);
        TByteWriter w;
        TFigureFileHeader header;
        WriteFigureFile(w, header, {&figure});
        const std::string name = FigureEntryName(n).substr(std::string("Figures\\").size());
        const fs::path file = out / name;
        if (!SaveFileAtomic(file.string(), w.Bytes)) {
            std::fprintf(stderr, "rollix-figures: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}

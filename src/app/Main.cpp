// Program start. Until the game has its window, rollix starts headless: it
// fixes its folders, opens the archive set and reports what it found.
#include "app/Ease.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"

#include <cstdio>
#include <cstring>
#include <string>

static void PrintUsage() {
    std::printf("usage: rollix [--data DIR]\n"
                "  --data DIR   read the archives (Rollix.msf …) from DIR instead of the program folder\n");
}

int main(int argc, char** argv) {
    std::string dataDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage();
            return 0;
        } else {
            std::fprintf(stderr, "rollix: unknown option %s\n", argv[i]);
            PrintUsage();
            return 2;
        }
    }

    FillEaseTables();
    InitAppDir(dataDir);
    LogFolders();
    MassFile.Create();

    size_t entries = 0;
    for (const auto& archive : MassFile.Files)
        for (const auto& dir : archive->Dirs) entries += dir.Files.size();
    LogLine("opened " + std::to_string(MassFile.Files.size()) + " archive(s) with " + std::to_string(entries) +
            " entries");
    if (MassFile.Files.empty()) {
        LogLine("no game data found: build the content (Rollix.msf) beside the program");
        return 1;
    }
    return 0;
}

// rollix-mesh: turns a clockwise polygon outline into the mesh file (.gms)
// and its ready-made cache (.cache) that the game loads, using the game's
// own triangulation and subdivision.
//
//   rollix-mesh OUTLINE.txt OUT.gms [--max-edge N]
//
// OUTLINE.txt holds one "x y" pair per line (level units, y down, clockwise
// on the screen); blank lines and lines starting with # are skipped. The
// cache is written beside OUT.gms with the extension .cache.
#include "app/FileSave.h"
#include "world/Mesh.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

static int Usage() {
    std::fprintf(stderr, "usage: rollix-mesh OUTLINE.txt OUT.gms [--max-edge N]\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) return Usage();
    std::string input = argv[1], output = argv[2];
    float maxEdge = 0;
    if (argc == 5) {
        if (std::string(argv[3]) != "--max-edge") return Usage();
        char* end = nullptr;
        maxEdge = std::strtof(argv[4], &end);
        if (!end || *end || !(maxEdge >= 0)) {
            std::fprintf(stderr, "rollix-mesh: --max-edge wants a length of 0 or more, not %s\n", argv[4]);
            return 2;
        }
    }
    if (output.size() < 5 || output.substr(output.size() - 4) != ".gms") {
        std::fprintf(stderr, "rollix-mesh: the output must end in .gms\n");
        return 2;
    }
    std::ifstream in(input);
    if (!in) {
        std::fprintf(stderr, "rollix-mesh: cannot read %s\n", input.c_str());
        return 1;
    }
    std::vector<TVec2> outline;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        std::istringstream fields(line);
        TVec2 p;
        std::string extra;
        if (!(fields >> p.X >> p.Y) || (fields >> extra)) {
            std::fprintf(stderr, "rollix-mesh: %s:%d: expected \"x y\", got \"%s\"\n", input.c_str(), number,
                         line.c_str());
            return 1;
        }
        outline.push_back(p);
    }
    std::vector<uint8_t> gms, cache;
    std::string why;
    if (!MakeMeshFiles(outline, maxEdge, gms, cache, why)) {
        std::fprintf(stderr, "rollix-mesh: %s: %s\n", input.c_str(), why.c_str());
        return 1;
    }
    std::string cachePath = output.substr(0, output.size() - 4) + ".cache";
    if (!SaveFileAtomic(output, gms) || !SaveFileAtomic(cachePath, cache)) {
        std::fprintf(stderr, "rollix-mesh: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: %zu outline points\n", output.c_str(), outline.size());
    return 0;
}

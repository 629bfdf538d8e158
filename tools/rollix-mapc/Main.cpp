// rollix-mapc: compiles a readable level source (JSON) into the .map file the
// game loads, through the game's own level writer.
//
//   rollix-mapc SOURCE.json OUT.map --textures DIR
//
// DIR is the staged "Textures" folder (pictures and Rollix.TexLib): texture
// names in the source are looked up in its library, exactly as the game
// will, and an unknown name is an error.
#include "LevelSource.h"

#include "app/FileSave.h"
#include "app/Paths.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: rollix-mapc SOURCE.json OUT.map --textures DIR\n");
    return 2;
}

// The texture folder as a small archive in a scratch folder, so that the
// library reads it through the game's own archive code.
bool OpenTextures(const fs::path& textures, const fs::path& scratch, std::string& why) {
    std::vector<TMassFileInput> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(textures, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        const fs::path rel = fs::relative(it->path(), textures);
        std::string key = "Textures\\";
        for (auto part = rel.begin(); part != rel.end(); ++part)
            if (std::next(part) != rel.end()) key += part->string() + "\\";
        auto bytes = LoadPlainFile(it->path().string());
        if (!bytes) {
            why = "cannot read " + it->path().string();
            return false;
        }
        entries.push_back({key, rel.filename().string(), std::move(*bytes)});
    }
    if (ec) {
        why = "cannot read " + textures.string() + ": " + ec.message();
        return false;
    }
    std::vector<uint8_t> archive;
    if (!WriteMassFile(entries, archive, why)) return false;
    fs::create_directories(scratch, ec);
    if (!SaveFileAtomic((scratch / "Rollix.msf").string(), archive)) {
        why = "cannot write " + (scratch / "Rollix.msf").string();
        return false;
    }
    InitAppDir(scratch.string());
    MassFile.Create();
    TexLib.LoadLibrary();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 || std::string(argv[3]) != "--textures") return Usage();
    const std::string source = argv[1], output = argv[2];
    auto text = LoadPlainFile(source);
    if (!text) {
        std::fprintf(stderr, "rollix-mapc: cannot read %s\n", source.c_str());
        return 1;
    }
    const fs::path scratch = fs::temp_directory_path() / ("rollix-mapc-" + std::to_string(::getpid()));
    std::string why;
    bool ok = OpenTextures(argv[4], scratch, why);
    std::vector<uint8_t> bytes;
    if (ok) ok = CompileLevelBytes(std::string(text->begin(), text->end()), source, bytes, why);
    MassFile.Clear();
    TexLib.Clear();
    std::error_code ec;
    fs::remove_all(scratch, ec);
    if (!ok) {
        std::fprintf(stderr, "rollix-mapc: %s\n", why.c_str());
        return 1;
    }
    if (!SaveFileAtomic(output, bytes)) {
        std::fprintf(stderr, "rollix-mapc: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes\n", output.c_str(), bytes.size());
    return 0;
}

// rollix-textures: writes the game's generated pictures and the texture
// library index below OUTDIR ("Textures\..." becomes OUTDIR/...).
//
//   rollix-textures OUTDIR
#include "TextureGen.h"

#include "app/FileSave.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rollix-textures OUTDIR\n");
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    std::vector<TTexLibRecord> records;
    for (const TGeneratedPicture& p : GenerateGamePictures()) {
        std::vector<uint8_t> png;
        if (!EncodePng(p.Pixels.data(), p.Width, p.Height, p.BytesPerPixel, png)) {
            std::fprintf(stderr, "rollix-textures: cannot encode %s\n", p.Name.c_str());
            return 1;
        }
        std::filesystem::path file = out;
        size_t start = 0;
        for (size_t i = 0; i <= p.Name.size(); ++i)
            if (i == p.Name.size() || p.Name[i] == '\\') {
                file /= p.Name.substr(start, i - start);
                start = i + 1;
            }
        if (!SaveFileAtomic(file.string(), png)) {
            std::fprintf(stderr, "rollix-textures: cannot write %s\n", file.c_str());
            return 1;
        }
        records.push_back({p.Name, 1, 0});
    }
    // Pictures other tools put in the folder (the font's glyphs, …) join the
    // index after the generated ones, in name order.
    std::set<std::string> listed;
    for (const TTexLibRecord& r : records)
        listed.insert(r.Name);
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        for (char& ch : ext)
            ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (ext != ".png" && ext != ".jpg" && ext != ".jpeg" && ext != ".bmp" && ext != ".tga" &&
            ext != ".psp")
            continue;
        std::string name;
        for (const auto& part : std::filesystem::relative(entry.path(), out))
            name += (name.empty() ? "" : "\\") + part.string();
        if (!listed.count(name)) others.push_back(name);
    }
    std::sort(others.begin(), others.end());
    for (const std::string& name : others)
        records.push_back({name, 1, 0});
    if (!SaveFileAtomic((out / "Rollix.TexLib").string(), WriteTexLibIndex(records))) {
        std::fprintf(stderr, "rollix-textures: cannot write the index in %s\n", out.c_str());
        return 1;
    }
    std::printf("rollix-textures: %zu pictures in %s\n", records.size(), out.c_str());
    return 0;
}

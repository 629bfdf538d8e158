// rollix-sounds: synthesises the game's sound set into a folder laid out as
// the archive's "Sounds\" folder (FX\Crep.ogg …) with the sample index
// Rollix.SoundLib beside it.
//
//   rollix-sounds OUTDIR [--table]
//
// --table prints each sound's length, peak level and loudness.
#include "SoundGen.h"
#include "app/FileSave.h"
#include "assets/ByteStream.h"
#include "audio/SoundMan.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--table")) {
        std::fprintf(stderr, "usage: rollix-sounds OUTDIR [--table]\n");
        return 2;
    }
    const fs::path out = argv[1];
    const bool table = argc == 3;
    std::vector<TSampleRecord> library;
    if (table) std::printf("| Sound | Length (s) | Peak (dBFS) | Loudness (dB RMS) |\n|---|---|---|---|\n");
    for (const std::string& name : GeneratedSoundNames()) {
        TGeneratedSound s;
        if (!SynthesiseSound(name, s)) {
            std::fprintf(stderr, "rollix-sounds: no recipe for %s\n", name.c_str());
            return 1;
        }
        const std::vector<uint8_t> bytes = EncodeOggVorbis(s.Samples, 1, GeneratedSoundRate, 0.4f);
        std::string relative = name;
        for (char& c : relative)
            if (c == '\\') c = '/';
        const fs::path file = out / relative;
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (bytes.empty() || !SaveFileAtomic(file.string(), bytes)) {
            std::fprintf(stderr, "rollix-sounds: cannot write %s\n", file.c_str());
            return 1;
        }
        TSampleRecord r;
        r.Name = name;
        r.Params = s.Params;
        r.Index = int32_t(library.size());
        library.push_back(r);
        if (table)
            std::printf(
                "| %s | %.2f | %.1f | %.1f |\n", name.c_str(), double(s.Samples.size()) / GeneratedSoundRate,
                20.0 * std::log10(std::max(1e-9f, PeakLevel(s.Samples))), double(LoudnessDb(s.Samples)));
    }
    TByteWriter lib;
    WriteSoundLib(lib, library);
    if (!SaveFileAtomic((out / SoundLibName).string(), lib.Bytes)) {
        std::fprintf(stderr, "rollix-sounds: cannot write %s\n", (out / SoundLibName).c_str());
        return 1;
    }
    return 0;
}

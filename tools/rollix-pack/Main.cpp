// rollix-pack: builds a game archive (.msf) from a folder tree, lists an
// archive's directory and extracts entries. Content enters the game only
// through this tool.
//
//   rollix-pack build TREE OUT.msf
//   rollix-pack list ARCHIVE.msf
//   rollix-pack extract ARCHIVE.msf OUTDIR [FOLDER\NAME]
#include "app/FileSave.h"
#include "assets/MassFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
int Usage() {
    std::fprintf(stderr, "usage:\n"
                         "  rollix-pack build TREE OUT.msf\n"
                         "  rollix-pack list ARCHIVE.msf\n"
                         "  rollix-pack extract ARCHIVE.msf OUTDIR [FOLDER\\NAME]\n");
    return 2;
}

struct TPackFile {
    std::string Name;
    fs::path Source;
};

int Build(const fs::path& tree, const fs::path& out) {
    std::error_code ec;
    if (!fs::is_directory(tree, ec)) {
        std::fprintf(stderr, "rollix-pack: %s is not a folder\n", tree.c_str());
        return 1;
    }
    // Folder key → files, both in sorted order so the same tree gives the same archive.
    std::map<std::string, std::vector<TPackFile>> folders;
    std::vector<fs::path> paths;
    for (auto it = fs::recursive_directory_iterator(tree, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) paths.push_back(it->path());
    if (ec) {
        std::fprintf(stderr, "rollix-pack: cannot read %s: %s\n", tree.c_str(), ec.message().c_str());
        return 1;
    }
    for (const fs::path& p : paths) {
        fs::path rel = fs::relative(p, tree);
        std::string key;
        for (auto part = rel.begin(); part != rel.end(); ++part) {
            if (std::next(part) == rel.end()) break;
            key += part->string() + "\\";
        }
        if (key.empty()) {
            std::fprintf(stderr, "rollix-pack: skipped %s: files at the top of the tree have no folder key\n",
                         rel.c_str());
            continue;
        }
        folders[key].push_back({rel.filename().string(), p});
    }

    std::vector<TMassFileInput> entries;
    for (auto& [key, files] : folders) {
        std::sort(files.begin(), files.end(),
                  [](const TPackFile& a, const TPackFile& b) { return a.Name < b.Name; });
        for (size_t i = 1; i < files.size(); ++i)
            if (UpperAnsi(files[i].Name) == UpperAnsi(files[i - 1].Name))
                std::fprintf(stderr,
                             "rollix-pack: warning: %s%s differs from %s only in case; the game sees one\n",
                             key.c_str(), files[i].Name.c_str(), files[i - 1].Name.c_str());
        for (const TPackFile& f : files) {
            auto bytes = LoadPlainFile(f.Source.string());
            if (!bytes) {
                std::fprintf(stderr, "rollix-pack: cannot read %s\n", f.Source.c_str());
                return 1;
            }
            entries.push_back({key, f.Name, std::move(*bytes)});
        }
    }
    std::vector<uint8_t> archive;
    std::string why;
    if (!WriteMassFile(entries, archive, why)) {
        std::fprintf(stderr, "rollix-pack: %s\n", why.c_str());
        return 1;
    }
    if (!SaveFileAtomic(fs::absolute(out).string(), archive)) {
        std::fprintf(stderr, "rollix-pack: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("%s: %zu folders, %zu entries, %zu bytes\n", out.c_str(), folders.size(), entries.size(),
                archive.size());
    return 0;
}

bool OpenArchive(const std::string& path, std::unique_ptr<TMassFileFile>& archive) {
    archive = std::make_unique<TMassFileFile>(path);
    if (!archive->Valid()) {
        std::fprintf(stderr, "rollix-pack: cannot open the archive %s\n", path.c_str());
        return false;
    }
    return true;
}

int List(const std::string& path) {
    std::unique_ptr<TMassFileFile> archive;
    if (!OpenArchive(path, archive)) return 1;
    for (const TMassDirHeader& dir : archive->Dirs)
        for (const TMassFileHeader& file : dir.Files)
            std::printf("%s\t%s\t%d\n", dir.StoredKey.c_str(), file.StoredName.c_str(), file.Size);
    return 0;
}

// Entry keys keep their backslashes inside the archive; on disk each
// backslash-separated part becomes a folder.
fs::path DiskPath(const fs::path& outDir, const std::string& key) {
    fs::path p = outDir;
    size_t start = 0;
    for (size_t i = 0; i <= key.size(); ++i) {
        if (i == key.size() || key[i] == '\\') {
            std::string part = key.substr(start, i - start);
            if (!part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos)
                p /= part;
            start = i + 1;
        }
    }
    return p;
}

int Extract(const std::string& path, const fs::path& outDir, const std::string& only) {
    std::unique_ptr<TMassFileFile> archive;
    if (!OpenArchive(path, archive)) return 1;
    std::string onlyKey = UpperAnsi(only);
    int written = 0;
    for (const TMassDirHeader& dir : archive->Dirs) {
        for (const TMassFileHeader& file : dir.Files) {
            if (!only.empty() && dir.Key + file.Name != onlyKey) continue;
            // Only the first record of a name counts, as in the game.
            if (archive->FindKey(dir.Key, file.Name) != &file) continue;
            std::vector<uint8_t> bytes;
            fs::path target = DiskPath(outDir, dir.StoredKey + file.StoredName);
            if (!archive->ReadHeader(file, bytes) || !SaveFileAtomic(target.string(), bytes)) {
                std::fprintf(stderr, "rollix-pack: cannot extract %s%s\n", dir.Key.c_str(),
                             file.Name.c_str());
                return 1;
            }
            ++written;
        }
    }
    if (!only.empty() && written == 0) {
        std::fprintf(stderr, "rollix-pack: %s holds no entry %s\n", path.c_str(), only.c_str());
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string cmd = argv[1];
    if (cmd == "build" && argc == 4) return Build(argv[2], argv[3]);
    if (cmd == "list" && argc == 3) return List(argv[2]);
    if (cmd == "extract" && (argc == 4 || argc == 5))
        return Extract(argv[2], argv[3], argc == 5 ? argv[4] : "");
    return Usage();
}

// Entry lookup over 20 archives of 2,000 entries each, and entry reads.
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "assets/MassFile.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr int Archives = 20;
constexpr int EntriesPerArchive = 2000;
constexpr int FoldersPerArchive = 20;

struct TArchiveSet {
    fs::path Dir;
    std::vector<std::string> Keys; // full paths, mixed case, half of them in the base archive only

    TArchiveSet() {
        Dir = fs::temp_directory_path() / ("rollix-bench-" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        InitAppDir(Dir.string());
        SetLogSink([](const std::string&) {});
        std::vector<uint8_t> payload(4096, 7);
        for (int a = 0; a < Archives; ++a) {
            std::vector<TMassFileInput> entries;
            for (int e = 0; e < EntriesPerArchive; ++e) {
                std::string folder = "Objects\\Group" + std::to_string(e % FoldersPerArchive) + "\\";
                // Archive a overrides entries of the base archive and adds its own.
                std::string name =
                    (e % 2 ? "Shared" : "A" + std::to_string(a) + "_") + std::to_string(e) + ".gms";
                entries.push_back(
                    {folder, name, std::vector<uint8_t>(payload.begin(), payload.begin() + 64 + e % 1000)});
                if (a == Archives - 1 || e % 2 == 0) Keys.push_back(AppDir + folder + name);
            }
            std::vector<uint8_t> bytes;
            std::string why;
            WriteMassFile(entries, bytes, why);
            SaveFileAtomic(
                AppDir + (a == 0 ? std::string("Rollix.msf") : "Rollix" + std::to_string(a + 1) + ".msf"),
                bytes);
        }
        MassFile.Create();
    }
    ~TArchiveSet() {
        MassFile.Clear();
        fs::remove_all(Dir);
    }
};

TArchiveSet& Set() {
    static TArchiveSet set;
    return set;
}
} // namespace

static void BM_ArchiveOpen(benchmark::State& state) {
    Set();
    for (auto _ : state) {
        MassFile.Create();
        benchmark::DoNotOptimize(MassFile.Files.size());
    }
    state.SetItemsProcessed(state.iterations() * Archives * EntriesPerArchive);
}
BENCHMARK(BM_ArchiveOpen)->Unit(benchmark::kMillisecond);

static void BM_EntryLookup(benchmark::State& state) {
    auto& keys = Set().Keys;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MassFileExists(keys[i]));
        if (++i == keys.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EntryLookup);

static void BM_EntryLookupMissing(benchmark::State& state) {
    Set();
    std::string key = AppDir + "Objects\\Group3\\Nothing.gms";
    for (auto _ : state)
        benchmark::DoNotOptimize(MassFileExists(key));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EntryLookupMissing);

static void BM_EntryRead(benchmark::State& state) {
    auto& keys = Set().Keys;
    size_t i = 0;
    int64_t bytes = 0;
    for (auto _ : state) {
        TMassFileStream s(keys[i], 0);
        bytes += s.Size;
        benchmark::DoNotOptimize(s.ReadInt32());
        if (++i == keys.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_EntryRead);

// Player data at its fullest: 50 players with a result in each of the 40
// levels (the main level's with all three round bests), saved to and loaded
// from "MubDat.ini" in a temporary folder on the disk.
#include "assets/Texts.h"
#include "game/MubDat.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
void FillProfiles(TGameRecords& game) {
    uint32_t seed = 12345;
    auto next = [&seed](int32_t range) {
        seed = seed * 1103515245u + 12345u;
        return int32_t(seed >> 8) % range;
    };
    for (int i = 0; i < 50; ++i) {
        TMubPlayer& p = game.AddPlayer(u"Player " + Utf8ToUtf16(std::to_string(i + 1)));
        for (const TLevelTableEntry& entry : game.LevelTable) {
            const TRunScore run{next(3000), next(500), next(200)};
            const int32_t time = 2000 + next(60000);
            const int32_t score = run.Jewels + run.Secrets + run.Bonus;
            p.StoreRoundRecord(entry.LevelFile, time, 0, &run, score, &game);
            game.AddToRecordTables(entry.LevelFile, p.PlayerName, score, time);
        }
        for (int32_t length : RoundLengths)
            p.StoreRoundRecord("Zestars.map", length, length, nullptr, next(9000), &game);
        p.PlayTicks = next(1 << 24);
    }
}

struct TProfileFolder {
    TProfileFolder() {
        Dir = fs::temp_directory_path() / ("rollix-bench-profiles-" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        Path = (Dir / "MubDat.ini").string();
    }
    ~TProfileFolder() { fs::remove_all(Dir); }
    fs::path Dir;
    std::string Path;
};

// The whole save: the old file checked and kept as the backup, the new one
// written, flushed and renamed into place.
void BM_SaveGameData(benchmark::State& state) {
    ResetTexts();
    TGameRecords game;
    FillProfiles(game);
    TProfileFolder folder;
    SaveGameData(game, folder.Path);
    int32_t round = 0;
    for (auto _ : state) {
        // A stored result changes the file, as it does in the game.
        game.CurrentPlayer->PlayTicks = ++round;
        if (!SaveGameData(game, folder.Path)) state.SkipWithError("the save failed");
    }
    state.counters["bytes"] = double(fs::file_size(folder.Path));
}
BENCHMARK(BM_SaveGameData)->Unit(benchmark::kMillisecond);

void BM_LoadGameData(benchmark::State& state) {
    ResetTexts();
    TGameRecords game;
    FillProfiles(game);
    TProfileFolder folder;
    SaveGameData(game, folder.Path);
    for (auto _ : state) {
        TGameRecords read;
        std::string notice;
        if (!LoadGameData(read, folder.Path, notice) || read.Players.size() != 50)
            state.SkipWithError("the load failed");
        benchmark::DoNotOptimize(read.CurrentPlayer);
    }
}
BENCHMARK(BM_LoadGameData)->Unit(benchmark::kMillisecond);

// The two halves without the disk: writing the bytes and reading them.
void BM_WriteGameData(benchmark::State& state) {
    ResetTexts();
    TGameRecords game;
    FillProfiles(game);
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteGameData(game));
}
BENCHMARK(BM_WriteGameData)->Unit(benchmark::kMillisecond);

void BM_ReadGameData(benchmark::State& state) {
    ResetTexts();
    TGameRecords game;
    FillProfiles(game);
    const std::vector<uint8_t> bytes = WriteGameData(game);
    for (auto _ : state) {
        TGameRecords read;
        if (!ReadGameData(bytes, read)) state.SkipWithError("the read failed");
        benchmark::DoNotOptimize(read.CurrentPlayer);
    }
}
BENCHMARK(BM_ReadGameData)->Unit(benchmark::kMillisecond);
} // namespace

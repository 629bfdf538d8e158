#include "game/Records.h"

#include "app/SiteTrace.h"
#include "assets/Texts.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

namespace {
struct TLevelDefaults {
    const char* File;
    int32_t T, DT, S, DS; // record k: time T + k·DT, score S − k·DS
};

const TLevelDefaults LevelDefaults[LevelTableCount] = {
    {"Tutorial 01.map", 2000, 100, 340, 10},
    {"Tutorial 02.map", 5100, 100, 490, 10},
    {"Tutorial 03.map", 2400, 100, 750, 10},
    {"Tutorial 04.map", 5700, 100, 1150, 10},
    {"Tutorial 05.map", 3800, 100, 1000, 10},
    {"Tutorial 06.map", 5700, 100, 1130, 10},
    {"Tutorial 07.map", 11200, 100, 2500, 10},
    {"Tutorial 08.map", 4700, 100, 1730, 10},
    {"Tutorial 09.map", 7400, 100, 1300, 10},
    {"Tutorial 10.map", 14400, 100, 3360, 10},
    {"Tutorial 11.map", 3600, 100, 240, 10},
    {"MagicDust 01.map", 12000, 100, 1100, 10},
    {"MagicDust 02.map", 14500, 100, 500, 10},
    {"MagicDust 03.map", 14500, 100, 150, 10},
    {"MagicDust 04.map", 20200, 100, 1180, 10},
    {"MagicDust 05.map", 19000, 100, 950, 10},
    {"Bonus 1.map", 0, 0, 2000, 50},
    {"Fazulky 01.map", 4000, 100, 550, 10},
    {"Fazulky 02.map", 14000, 100, 1100, 10},
    {"Fazulky 03.map", 13500, 100, 2350, 10},
    {"Fazulky 04.map", 20400, 100, 1960, 10},
    {"Fazulky 05.map", 60400, 100, 6560, 10},
    {"Fazulky 06.map", 20400, 100, 2900, 10},
    {"Fazulky 07.map", 26500, 100, 2450, 10},
    {"Bonus 2.map", 0, 0, 1450, 50},
    {"Louka 01.map", 7900, 100, 910, 10},
    {"Louka 02.map", 10000, 100, 300, 10},
    {"Louka 03.map", 21000, 100, 700, 10},
    {"Louka 04.map", 26000, 100, 4000, 10},
    {"Louka 05.map", 85500, 100, 9300, 10},
    {"Bonus 4.map", 0, 0, 3400, 100},
    {"Podzemi 01.map", 17000, 100, 1700, 10},
    {"Podzemi 02.map", 12300, 100, 520, 10},
    {"Bonus 3.map", 0, 0, 1600, 100},
    {"Jeskyne 01.map", 60000, 100, 4800, 10},
    {"Jeskyne 02.map", 40000, 100, 2900, 10},
    {"Jeskyne 03.map", 44000, 100, 2400, 10},
    {"Jeskyne 04.map", 68000, 100, 3800, 10},
    {"Bonus 5.map", 0, 0, 2000, 50},
    {"Jeskyne 05.map", 60000, 1000, 1000, 100},
};

uint32_t WallClockMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

const char16_t* const DefaultRecordNames[5] = {u"| Roller", u"| Speedy", u"| Jammy", u"| Superboy",
                                               u"| Knacky"};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}
} // namespace

std::string WithoutFolder(const std::string& name) {
    const size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// ---- Players ----

TMubPlayer::TMubPlayer() {
    for (int i = 1; i <= 11; ++i) {
        char file[24];
        std::snprintf(file, sizeof file, "Tutorial %02d.map", i);
        StoreRoundRecord(file, -1, 0, nullptr, NoBestScore, nullptr);
    }
    LastLevel = "Tutorial 01.map";
}

TFinishedLevel* TMubPlayer::Finished(const std::string& levelFile) {
    for (TFinishedLevel& f : FinishedLevels)
        if (f.LevelFile == levelFile) return &f;
    return nullptr;
}

const TFinishedLevel* TMubPlayer::Finished(const std::string& levelFile) const {
    return const_cast<TMubPlayer*>(this)->Finished(levelFile);
}

void TMubPlayer::StoreRoundRecord(const std::string& levelFile, int32_t time, int32_t roundLength,
                                  const TRunScore* run, int32_t score, const TGameRecords* listing) {
    RecordSite(91101);
    const std::string file = WithoutFolder(levelFile);
    if (listing && !listing->IsListed(file)) return;
    TFinishedLevel* entry = Finished(file);
    if (!entry) {
        FinishedLevels.push_back({});
        entry = &FinishedLevels.back();
        entry->LevelFile = file;
    }
    LastLevel = file;
    entry->LastTime = time;
    entry->LastScore = score;
    if (roundLength > 0) {
        auto round = std::find_if(entry->RoundBests.begin(), entry->RoundBests.end(),
                                  [&](const TRoundBest& r) { return r.RoundLength == roundLength; });
        if (round == entry->RoundBests.end()) {
            entry->RoundBests.push_back({roundLength, 0});
            round = entry->RoundBests.end() - 1;
        }
        if (round->BestScore < score) round->BestScore = score;
    }
    entry->Jewels = run ? run->Jewels : 0;
    entry->Secrets = run ? run->Secrets : 0;
    entry->Bonus = run ? run->Bonus : 0;
    if (time < entry->BestTime || entry->BestTime <= 0) entry->BestTime = time;
    if (score > entry->BestScore) entry->BestScore = score;
}

// ---- The level table and its records ----

TGameRecords::TGameRecords() {
    FillLevelTable();
    DefaultRecordTables();
}

void TGameRecords::FillLevelTable() {
    RecordSite(91102);
    for (int32_t i = 0; i < LevelTableCount; ++i) {
        TLevelTableEntry& entry = LevelTable[size_t(i)];
        entry.LevelFile = LevelDefaults[i].File;
        // The language texts hold the titles; a language file may leave one
        // empty, and then the level is shown by its file name.
        entry.DisplayName = LevelTitle(entry.LevelFile);
        if (entry.DisplayName.empty()) {
            std::string name = entry.LevelFile;
            if (name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".map")
                name.resize(name.size() - 4);
            entry.DisplayName = Utf8ToUtf16(name);
        }
    }
}

void TGameRecords::DefaultRecordTables() {
    RecordSite(91103);
    for (int32_t i = 0; i < LevelTableCount; ++i) {
        TLevelTableEntry& entry = LevelTable[size_t(i)];
        const TLevelDefaults& d = LevelDefaults[i];
        entry.BestTimes = {};
        entry.BestScores = {};
        for (int32_t k = 0; k < 5; ++k) {
            TTimeRecord& t = entry.BestTimes[size_t(k)];
            t.Time = d.T + k * d.DT;
            // The bonus levels have no time to beat: their time lists stay empty.
            if (d.T != 0) t.PlayerName = DefaultRecordNames[k];
            TScoreRecord& s = entry.BestScores[size_t(k)];
            s.PlayerName = DefaultRecordNames[k];
            s.Score = d.S - k * d.DS;
        }
    }
}

int32_t TGameRecords::FindLevelIndex(const std::string& fileName) const {
    if (Lower(fileName) == "zestars.map") return MainLevelIndex;
    for (int32_t i = 0; i < LevelTableCount; ++i)
        if (LevelTable[size_t(i)].LevelFile == fileName) return i;
    return UnlistedLevel;
}

int32_t TGameRecords::NewPlayerId(uint32_t clockMs) const {
    // The clock alone can be 0 and is shared by players made in the same
    // millisecond of different runs; the id must name one player.
    int32_t id = int32_t(clockMs & 0x7FFFFFFF);
    for (;;) {
        if (id <= 0) id = 1;
        const bool taken =
            std::any_of(Players.begin(), Players.end(),
                        [&](const std::unique_ptr<TMubPlayer>& p) { return p->PlayerId == id; });
        if (!taken) return id;
        id = id == 0x7FFFFFFF ? 1 : id + 1;
    }
}

TMubPlayer& TGameRecords::AddPlayer(const std::u16string& name) {
    RecordSite(91104);
    auto player = std::make_unique<TMubPlayer>();
    player->PlayerName = name;
    player->PlayerId = NewPlayerId(PlayerIdClock ? PlayerIdClock() : WallClockMs());
    Players.push_back(std::move(player));
    SelectPlayer(int32_t(Players.size()) - 1);
    return *Players.back();
}

void TGameRecords::SelectPlayer(int32_t index) {
    if (Players.empty()) {
        CurrentPlayer = nullptr;
        return;
    }
    index = std::clamp(index, 0, int32_t(Players.size()) - 1);
    CurrentPlayer = Players[size_t(index)].get();
}

std::u16string TGameRecords::PlayerName() const {
    return CurrentPlayer ? CurrentPlayer->PlayerName : std::u16string();
}

void TGameRecords::AddToRecordTables(const std::string& levelFile, const std::u16string& playerName,
                                     int32_t score, int32_t time) {
    RecordSite(91105);
    auto entry = std::find_if(LevelTable.begin(), LevelTable.end(),
                              [&](const TLevelTableEntry& e) { return e.LevelFile == levelFile; });
    if (entry == LevelTable.end()) return;
    // From the end, the first used record that stays ahead of the new one
    // fixes the position after it; ties keep the older record first.
    int32_t at = 0;
    for (int32_t k = RecordTableLength - 1; k >= 0; --k) {
        const TTimeRecord& r = entry->BestTimes[size_t(k)];
        if (!r.PlayerName.empty() && r.Time <= time) {
            at = k + 1;
            break;
        }
    }
    if (at < RecordTableLength) {
        for (int32_t k = RecordTableLength - 1; k > at; --k)
            entry->BestTimes[size_t(k)] = entry->BestTimes[size_t(k - 1)];
        entry->BestTimes[size_t(at)] = {playerName, time};
    }
    at = 0;
    for (int32_t k = RecordTableLength - 1; k >= 0; --k) {
        const TScoreRecord& r = entry->BestScores[size_t(k)];
        if (!r.PlayerName.empty() && r.Score >= score) {
            at = k + 1;
            break;
        }
    }
    if (at < RecordTableLength) {
        for (int32_t k = RecordTableLength - 1; k > at; --k)
            entry->BestScores[size_t(k)] = entry->BestScores[size_t(k - 1)];
        entry->BestScores[size_t(at)] = {playerName, score};
    }
}

int32_t TGameRecords::RoundBest(const TMubPlayer& player, const std::string& levelFile,
                                int32_t roundLength) const {
    const TFinishedLevel* f = player.Finished(WithoutFolder(levelFile));
    if (!f) return -1;
    for (const TRoundBest& r : f->RoundBests)
        if (r.RoundLength == roundLength) return r.BestScore;
    return -1;
}

bool TGameRecords::IsNewRoundRecord(const TMubPlayer& player, const std::string& levelFile,
                                    int32_t roundLength, int32_t score) const {
    const int32_t best = RoundBest(player, levelFile, roundLength);
    return best > 0 && best < score;
}

bool TGameRecords::AllFinished(const TMubPlayer& player, int32_t from, int32_t to) const {
    for (int32_t i = from; i <= to; ++i)
        if (!player.Finished(LevelTable[size_t(i)].LevelFile)) return false;
    return true;
}

bool TGameRecords::CanEnterLevel(const TMubPlayer& player, const std::string& levelFile) const {
    const int32_t index = FindLevelIndex(WithoutFolder(levelFile));
    if (index == MainLevelIndex) return true;
    if (index < 0) return false;
    if (index <= 11) return true;
    if (index <= 16) return AllFinished(player, 11, index - 1);
    if (index == 17) return AllFinished(player, 11, 11);
    if (index <= 24) return AllFinished(player, 17, index - 1);
    if (index == 25) return AllFinished(player, 11, 11);
    if (index <= 30) return AllFinished(player, 25, index - 1);
    return AllFinished(player, 11, index - 1);
}

int32_t TGameRecords::TotalBestScore(const TMubPlayer& player) const {
    int64_t total = 0;
    for (const TFinishedLevel& f : player.FinishedLevels)
        if (f.BestScore > 0 && Upper(f.LevelFile) != "ZESTARS.MAP") total += f.BestScore;
    return int32_t(std::min<int64_t>(total, INT32_MAX));
}

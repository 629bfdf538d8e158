// Player profiles and the game's records: the 40 levels of the game with their
// best-time and best-score tables, the players with their results per level
// and per round length, and which levels a player may enter. Kept in
// "MubDat.ini" in the player data folder (the reader and writer are in
// MubDat.h). Plain data and rules: nothing here touches a level or a file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int32_t LevelTableCount = 40;
constexpr int32_t RecordTableLength = 10;
// The best score of a level without a result, and the score the tutorials
// are entered with. Stored as it is; whoever shows a record shows "-" for it
// (and for the tutorials' time of −1).
constexpr int32_t NoBestScore = -100000000;
// FindLevelIndex of the main game level, and of a level outside the table.
constexpr int32_t MainLevelIndex = -2;
constexpr int32_t UnlistedLevel = -1;
// The timed rounds of the main game level, in ticks: 2, 5 and 10 minutes.
constexpr int32_t RoundLengths[3] = {12000, 30000, 60000};

struct TTimeRecord {
    std::u16string PlayerName; // empty: the record is unused
    int32_t Time = 0;          // ticks
};

struct TScoreRecord {
    std::u16string PlayerName; // empty: the record is unused
    int32_t Score = 0;
};

struct TLevelTableEntry {
    std::u16string DisplayName;
    std::string LevelFile;
    std::array<TTimeRecord, RecordTableLength> BestTimes;   // ascending by time
    std::array<TScoreRecord, RecordTableLength> BestScores; // descending by score
};

struct TRoundBest {
    int32_t RoundLength = 0;
    int32_t BestScore = 0;
};

// A player's result in one level.
struct TFinishedLevel {
    std::string LevelFile; // without folder
    int32_t LastTime = 0;
    int32_t LastScore = 0;
    int32_t BestTime = 0; // lowest positive time so far; ≤ 0 while none
    int32_t BestScore = NoBestScore;
    int32_t Jewels = 0;
    int32_t Secrets = 0;
    int32_t Bonus = 0;
    std::vector<TRoundBest> RoundBests;
};

// What the score of a finished run is made of.
struct TRunScore {
    int32_t Jewels = 0;  // the character's collected points
    int32_t Secrets = 0; // value of the secret boosts taken
    int32_t Bonus = 0;   // time bonus
};

class TGameRecords;

class TMubPlayer {
  public:
    // A new player has the eleven tutorials entered as finished (time −1,
    // score NoBestScore) and "Tutorial 01.map" as its last level.
    TMubPlayer();

    std::u16string PlayerName;
    int32_t PlayerId = 0;
    std::vector<TFinishedLevel> FinishedLevels;
    std::string LastLevel;
    int32_t PlayTicks = 0; // play ticks in listed levels

    // Stores a result: the folder is stripped from the file; a level the
    // listing does not hold is not stored (with no listing, every level is).
    // roundLength > 0 keeps the best score of that round length; run is the
    // score's make-up, or none (jewels, secrets and bonus become 0).
    void StoreRoundRecord(const std::string& levelFile, int32_t time, int32_t roundLength,
                          const TRunScore* run, int32_t score, const TGameRecords* listing);
    TFinishedLevel* Finished(const std::string& levelFile);
    const TFinishedLevel* Finished(const std::string& levelFile) const;
};

class TGameRecords {
  public:
    // The level table filled, the default records in it, no players.
    TGameRecords();
    ~TGameRecords() = default;
    TGameRecords(const TGameRecords&) = delete;
    TGameRecords& operator=(const TGameRecords&) = delete;

    std::array<TLevelTableEntry, LevelTableCount> LevelTable;
    std::vector<std::unique_ptr<TMubPlayer>> Players;
    TMubPlayer* CurrentPlayer = nullptr;

    // The table's file names, and display names from the language texts.
    void FillLevelTable();
    // Every entry's records: five made-up players, the rest unused.
    void DefaultRecordTables();

    // −2 for "zestars.map" (any case), 0 … 39 by exact file name, else −1.
    int32_t FindLevelIndex(const std::string& fileName) const;
    bool IsListed(const std::string& fileName) const { return FindLevelIndex(fileName) != UnlistedLevel; }

    // Appends a player with an id unique among the players and selects it.
    TMubPlayer& AddPlayer(const std::u16string& name);
    // Index clamped to the players; none without players.
    void SelectPlayer(int32_t index);
    // The current player's name, empty without one.
    std::u16string PlayerName() const;

    void AddToRecordTables(const std::string& levelFile, const std::u16string& playerName, int32_t score,
                           int32_t time);
    // The stored best of the round length, −1 when none.
    int32_t RoundBest(const TMubPlayer& player, const std::string& levelFile, int32_t roundLength) const;
    bool IsNewRoundRecord(const TMubPlayer& player, const std::string& levelFile, int32_t roundLength,
                          int32_t score) const;
    bool CanEnterLevel(const TMubPlayer& player, const std::string& levelFile) const;
    // The positive best scores of all finished levels but the main game level.
    int32_t TotalBestScore(const TMubPlayer& player) const;

    // A positive id no stored player has, starting from the clock's value.
    int32_t NewPlayerId(uint32_t clockMs) const;
    // The clock new players take their id from; tests pin it.
    uint32_t (*PlayerIdClock)() = nullptr;

  private:
    bool AllFinished(const TMubPlayer& player, int32_t from, int32_t to) const;
};

// The file name without its folder ("\" or "/").
std::string WithoutFolder(const std::string& name);

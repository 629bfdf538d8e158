// The game manager: the two level slots, one of them current, and loading a
// level into the current slot; the player profiles and the records
// (TGameRecords), kept in "MubDat.ini".
#pragma once

#include "app/StateHash.h"
#include "game/Records.h"
#include "level/Level.h"

#include <memory>
#include <string>

class TGameMan : public TGameRecords {
  public:
    // The level table filled, the default records, no players.
    TGameMan();
    ~TGameMan();
    TGameMan(const TGameMan&) = delete;
    TGameMan& operator=(const TGameMan&) = delete;

    std::unique_ptr<TLevel> LevelSlotA;
    std::unique_ptr<TLevel> LevelSlotB;
    TLevel* CurrentSlotLevel = nullptr;
    TLevel* OtherSlotLevel = nullptr;

    // Loads "Levels\" + path (or the path itself when the archives hold it)
    // into the current slot, replacing the level there. False, and nothing
    // changed, when the archives hold neither.
    bool LoadLevel(const std::string& path);
    // Loads into the slot that is not current and makes it current: the level
    // that was current stays loaded behind it.
    bool LoadLevelInOtherSlot(const std::string& path);
    // Makes the slot holding the level current (a level in no slot is ignored).
    void SetCurrentLevel(TLevel* level);
    void SwapLevels();
    TLevel* OtherLevel(const TLevel* level) const;
    // Textures that either slot uses are made resident, all others released.
    void PrepareTextures() const;
    // The same for the sound samples (when the game has a sound manager).
    void PrepareSounds() const;

    // A due switch out of the current level needs its target loaded: the
    // target is set and the other slot does not hold it already.
    bool SwitchNeedsLoading() const;
    // The level-changing half of a due switch: the other slot becomes
    // current, holding the old level's target (loaded unless it is there
    // already) or its own level restarted. A target that cannot be loaded
    // leaves the other slot's level as it was. With nothing in the other slot
    // and nothing loaded into it, the old level stays current and restarts:
    // a switch never makes an empty slot current. The level now current.
    TLevel* SwitchLevels();

    // Reads the players and records from the file (with its backup and the
    // defaults to fall back on); an empty path keeps them in memory only.
    void Create(const std::string& gameDataPath);
    std::string GameDataPath;
    bool LoadGameData();
    // Writes "MubDat.ini" atomically (the old file becomes its backup); false,
    // logged, and the old file kept, when it cannot.
    bool SaveGameData();
    // What the player is to be told about damaged player data, once: the
    // first call answers it, later ones answer "".
    std::string TakeDataNotice();

    // The first character passed a finishing gate: the game notes which
    // level was finished, and when; for the current player (and not while a
    // replay plays) the result goes into the profile and the record tables,
    // and the profiles are saved.
    void LevelFinished(TLevel& level);
    std::string FinishedLevel; // file name without folder, empty while none
    int32_t FinishedAtTick = 0;

  private:
    std::string DataNotice;
    std::unique_ptr<TLevel>& SlotOf(const TLevel* level);
    std::unique_ptr<TLevel>& CurrentSlot();
    std::unique_ptr<TLevel>& OtherSlot();
    bool LoadLevelInto(std::unique_ptr<TLevel>& slot, const std::string& path);
};

extern std::unique_ptr<TGameMan> GameMan;
// Where the game made by the hooks keeps its profiles: "" (none: tests and
// headless runs) unless the program sets it.
extern std::string GameDataFile;

// The game's level loader, state hash and main-loop level, handed to the start and the runner.
void InstallGameHooks();
// Frees the game manager and its levels and takes the hooks back.
void ResetGame();
// Adds what a tick changes: the level's counters and camera and every node of every character.
void HashLevelState(const TLevel& level, TStateHash& hash);
// The game at the end of a scripted run, in one line: the first character's
// points and items, the finished level and its tick, the level current now.
std::string GameReport();

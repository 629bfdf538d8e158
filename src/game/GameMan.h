// The game manager: the two level slots, one of them current, and loading a
// level into the current slot.
#pragma once

#include "app/StateHash.h"
#include "level/Level.h"

#include <memory>
#include <string>

class TGameMan {
  public:
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
    // Makes the slot holding the level current (a level in no slot is ignored).
    void SetCurrentLevel(TLevel* level);
    void SwapLevels();
    TLevel* OtherLevel(const TLevel* level) const;
    // Textures that either slot uses are made resident, all others released.
    void PrepareTextures() const;

  private:
    std::unique_ptr<TLevel>& SlotOf(const TLevel* level);
    std::unique_ptr<TLevel>& CurrentSlot();
};

extern std::unique_ptr<TGameMan> GameMan;

// The game's level loader, state hash and main-loop level, handed to the start and the runner.
void InstallGameHooks();
// Frees the game manager and its levels and takes the hooks back.
void ResetGame();
// Adds what a tick changes: the level's counters and camera and every node of every character.
void HashLevelState(const TLevel& level, TStateHash& hash);

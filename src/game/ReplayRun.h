// Replays outside the level: a replay file on disk played in the game (its
// level loaded and made current), the current run saved with its tag, and
// the check that re-simulates a replay headless and compares its tag.
#pragma once

#include "level/ReplayFile.h"

#include <string>

class TLevel;

// What a replay's tag says of a level now: its file's checksum, its tick
// and the state hash there (the level's counters, camera and characters).
TReplayTag ReplayTagOf(const TLevel& level);
uint64_t ReplayStateHash(const TLevel& level);

// Reads the replay file, loads its level through the game manager and
// restarts it playing the replay. False with a message when it cannot.
bool PlayReplayFile(const std::string& path, std::string& error);
// The current level's run since its last restart, saved (atomically) to the
// path with its tag. False with a message when it cannot.
bool SaveCurrentReplay(const std::string& path, std::string& error);

// A replay file from disk; false with a message when it cannot be read or is damaged.
bool ReadReplayFromDisk(const std::string& path, TReplayFile& replay, std::string& error);

// The player's run finished the level in this tick: at the end of the tick
// it is saved into the player's replay folder, named by level, player and
// time ("Zestars Anna 2026-12-11 18-30-05.gbv"; an old file is never
// replaced), with its tag, and its path beside it as a ghost (".ghost").
void NoteFinishedRun(const TLevel& level, const std::u16string& player);
// The end of a tick: the run noted in it is saved. The path written, empty when none.
std::string SaveFinishedRun();

// The ghost of the player's best finished run of the level (the shortest
// of the ghosts saved beside its replays), or none. False when there is none.
bool LoadBestGhost(TLevel& level, const std::u16string& player);

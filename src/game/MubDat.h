// "MubDat.ini", the players and the record tables in one binary file of
// typed primitives (its name is older than its format):
//
//   int32 9090909, int32 player count, the players,
//   int32 821982 (the level table follows only after it), int32 40, 40 entries,
//   int32 id of the current player (0: none), 24 reserved bytes.
//
// A player: wide string name, int32 count of results and the results,
// string last level, int32 play ticks, int32 id, 48 reserved bytes.
// A result: string level file, int32 last time, last score, best time, best
// score, jewels, secrets, bonus, byte 222 (the round list follows only after
// it), int32 count of round bests and each as int32 round length, int32 best,
// 1 reserved byte; then 11 reserved bytes.
// A table entry: string level file, string title (8-bit; the titles come from
// the language texts), int32 10, then ten times: wide string name, int32
// time, 4 reserved bytes, wide string name, int32 score, 4 reserved bytes.
//
// The reserved bytes at the end carry, in files this game writes, a seal:
// "RXMD", int32 1, int32 the byte count before the seal, uint32 CRC-32 of
// those bytes, 8 zero bytes. A reader that ignores them still reads the file;
// this one takes all-zero reserved bytes as a file without a seal and
// anything else but a matching seal as damage.
#pragma once

#include "game/Records.h"

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> WriteGameData(const TGameRecords& records);

// Reads the file into records, which keeps its table's titles. Every count and
// length is checked against the bytes left; on any damage it returns false
// with the reason, and records holds a half-read state to be thrown away.
bool ReadGameData(const std::vector<uint8_t>& bytes, TGameRecords& records, std::string* reason = nullptr);

// Reads the file at path into records; with the file missing or damaged, its
// backup path + ".bak". A damaged file is kept aside under a name of its own
// (the next save would otherwise overwrite it) and notice says so, for the
// player to be told once; with neither file sound, records hold the default
// tables and no players. True when a file was read.
bool LoadGameData(TGameRecords& records, const std::string& path, std::string& notice);
// Writes the file anew through an atomic save; the sound file it replaces
// becomes the backup path + ".bak". A failed save is logged and leaves the
// old file as it was.
bool SaveGameData(const TGameRecords& records, const std::string& path);

// CRC-32 as zlib computes it.
uint32_t Crc32(const uint8_t* data, size_t size);

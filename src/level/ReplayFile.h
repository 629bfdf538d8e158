// The replay file (".gbv"): the level's file name, the control events and 32
// reserved bytes. Replays this game writes carry a tag in the reserved bytes
// (a reader that ignores them still reads the file): the tag's version, a
// checksum of the level file the run was played on, the tick the run ended
// at and the state hash there.
#pragma once

#include "physics/ReplayTrack.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TReplayTag {
    static constexpr uint8_t CurrentVersion = 1;
    uint8_t Version = CurrentVersion;
    uint64_t LevelChecksum = 0;
    int32_t EndTick = 0;
    uint64_t EndHash = 0;
    bool operator==(const TReplayTag&) const = default;
};

struct TReplayFile {
    // Without folder, as the level knows its own file.
    std::string LevelFile;
    std::vector<TReplayEvent> Events;
    std::array<uint8_t, 32> Reserved{};

    // The tag, when the reserved bytes hold one.
    std::optional<TReplayTag> Tag() const;
    void SetTag(const TReplayTag& tag);
};

// False, with the reason, for a damaged file: cut short, an event count below
// 0 or beyond the bytes left, or events whose ticks go backwards. The file
// is then left as it was.
bool ReadReplayFile(const std::vector<uint8_t>& bytes, TReplayFile& file, std::string& why);
std::vector<uint8_t> WriteReplayFile(const TReplayFile& file);

// The checksum a tag keeps of a level file's bytes.
uint64_t LevelFileChecksum(const std::vector<uint8_t>& bytes);

// A replay name as the game looks it up: unchanged when it ends in a dot and
// three characters, else with ".gbv" appended.
std::string ReplayFileName(const std::string& name);

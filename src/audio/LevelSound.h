// Sounds placed in a level (a waterfall, a machine hum) and the playing
// parameters every sample and sound carries: the records the level file
// stores. Playing, the pause rule and the listener come with the sound
// manager; an attached boost is kept as the index the file stores.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;

// The 32-byte parameter block, stored as it stands in the sample index and
// in level sound records.
struct TSoundParams {
    // Full volume within NearDistance, silent beyond FarDistance (also the
    // default audibility radius).
    float NearDistance = 150.0f;
    float FarDistance = 600.0f;
    int32_t VolumePercent = 100;
    float PitchPercent = 100.0f;
    float NearPitch = 0.0f;
    float FarPitch = 0.0f;
    // Distance of the source from the listener's plane.
    float Depth = 0.0f;
    uint8_t Loop = 0;
    uint8_t Wobble = 0;
    std::array<uint8_t, 2> Reserved = {0, 0};

    static constexpr int32_t Size = 32;
    void FromBytes(const uint8_t* bytes);
    void ToBytes(uint8_t* bytes) const;
};

class TLevelSound {
  public:
    explicit TLevelSound(int32_t id = 0) : Id(id) {}

    int32_t Id = 0;
    std::string SampleName;
    TVec2 Position;
    TVec2 HomePosition;
    uint8_t Wobble = 0;
    // Random pitch target in percent; 0: none.
    float RandomPitch = 0.0f;
    TSoundParams Params;
    // Key of its current sound; 0: none.
    int32_t SoundKey = 0;
    // Index of the attached boost in the level's boosts as stored; −1: none.
    int32_t BoostIndex = -1;
    uint8_t FollowBoost = 0;
    // Pause between repeats, in ticks.
    int32_t PauseMin = 0;
    int32_t PauseMax = 0;
    int32_t PauseCountdown = 0;
    uint8_t Disabled = 0;
    uint8_t KeepHome = 0;

    // The level sound record. False when it is cut short or its block length
    // is negative or beyond the bytes left; the fields read before stay.
    bool Load(TByteReader& in);
    void Write(TByteWriter& out) const;

    // Whether the stored boost index names one of boostCount boosts.
    bool AttachesBoost(int32_t boostCount) const { return BoostIndex >= 0 && BoostIndex < boostCount; }
};

// Bytes of the shortest level sound record (empty name, empty block, no marker).
constexpr int32_t MinLevelSoundRecordSize = 21;

// The level's placed sounds: int32 count s, then s records. All s sounds are
// created first, taking the ids nextId, nextId + 1, … (a record's own id
// replaces it), then read in order. False on a damaged list (a count below 0
// or beyond what the bytes left can hold, or a record cut short): the sounds
// read before it are kept.
bool ReadLevelSounds(TByteReader& in, std::vector<std::unique_ptr<TLevelSound>>& sounds, int32_t& nextId);
void WriteLevelSounds(TByteWriter& out, const std::vector<std::unique_ptr<TLevelSound>>& sounds);

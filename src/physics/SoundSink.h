// Where the simulation sends the sounds it starts. The level's sound link
// implements it over the sound manager; the null sink (the default) plays
// nothing.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>
#include <string>

// How a sound is to be played, beyond its name and place.
struct TSoundPlay {
    float Pitch = 1.0f;
    // 0 … 1 of the sample's own volume.
    float Volume = 1.0f;
    // ≥ 0: it follows the character with that id.
    int32_t FollowId = -1;
    // ≥ 0: the placed sound of the level with that id lends its settings,
    // range and pauses (nothing plays while its pause runs).
    int32_t PlacedId = -1;
    // When Far > 0 these replace the sample's distances and distance pitches.
    float Near = 0.0f, Far = 0.0f, NearPitch = 0.0f, FarPitch = 0.0f;
};

class TSoundSink {
  public:
    virtual ~TSoundSink() = default;
    // A sample by its archive name below "Sounds\" at a point of the level;
    // followId ≥ 0 makes it follow that character.
    virtual void PlayAt(const std::string& /*name*/, TVec2 /*at*/, float /*pitch*/, int32_t /*followId*/) {}
    // The same with a volume, a governing placed sound or distances of its own.
    virtual void Play(const std::string& name, TVec2 at, const TSoundPlay& how) {
        PlayAt(name, at, how.Pitch, how.FollowId);
    }
    // The level is left: its playing sounds stop.
    virtual void StopLevelSounds() {}
};

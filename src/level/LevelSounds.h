// The level's side of sound: the sink the characters, waters, boosts and
// particles play through, the ambient sounds a restart starts, the placed
// sounds' step, the rain's volume and the listener at the first character,
// and the names of every sample the level may play. With no sound manager
// (tests, tools) everything here does nothing.
#pragma once

#include "physics/SoundSink.h"

#include <cstdint>
#include <string>
#include <vector>

class TLevel;
class TLevelSound;
class TMySound;

class TLevelSoundLink : public TSoundSink {
  public:
    explicit TLevelSoundLink(TLevel& level) : Level(level) {}
    // The level's sounds go with it.
    ~TLevelSoundLink() override;
    TLevelSoundLink(const TLevelSoundLink&) = delete;
    TLevelSoundLink& operator=(const TLevelSoundLink&) = delete;

    void PlayAt(const std::string& name, TVec2 at, float pitch, int32_t followId) override;
    void Play(const std::string& name, TVec2 at, const TSoundPlay& how) override;
    // Stops (and removes) the sounds of every level, and the looping sounds.
    void StopLevelSounds() override;

    // A restart: every level sound stops, the placed sounds start over, and
    // the ambient loops start: bubbles at every spout, the rain on the first
    // character at volume 0.
    void Restart();
    // Once per tick: the placed sounds, the rain's volume, then every sound
    // for the listener at the first character (kept where it was without
    // updateListener).
    void Update(bool updateListener);
    // Whether a placed sound lets its governed sounds play: true when no
    // placed sound has the id, else whether its pause has run out.
    bool PlacedSoundAllows(int32_t placedId);
    TLevelSound* FindPlaced(int32_t id) const;
    // Every sample the level may play, each once.
    std::vector<std::string> SampleNames() const;

    int32_t RainKey = 0;
    std::vector<int32_t> AmbientKeys;

  private:
    TLevel& Level;
    // Creates and starts a sound of this level; none when it cannot.
    TMySound* Start(const std::string& name, TVec2 at, const TSoundPlay& how);
    void FollowCharacters();
};

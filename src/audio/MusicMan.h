// Which of the game's music tracks a level uses: the track table the level
// file stores for the music manager and the level's own music values, with
// their writers. No music is played; the device is opened elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class TByteReader;
class TByteWriter;

constexpr int32_t MusicTrackCount = 12;

// The level music section, kept by the level and handed to the music
// manager whenever the level becomes current.
class TLevelMusic {
  public:
    uint8_t CurrentMusic = 0;
    std::array<bool, MusicTrackCount> TrackFlags = {};

    // byte current music, int32 n, n flag bytes (the first 12 kept, the rest
    // skipped), skip(16). False when cut short or n is negative or beyond the
    // bytes left.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
};

struct TMusicTrack {
    bool Selected = false;
};

class TMusicMan {
  public:
    // AppDir + "Music\".
    std::string MusicFolder;
    std::array<TMusicTrack, MusicTrackCount> Tracks;
    uint8_t CurrentMusic = 0;
    float MusicVolume = 1.0f;

    // The track section: int32 n; n records of boolean selected and skip(5)
    // (records beyond the 12th are read and ignored); skip(32). False when cut
    // short or n is negative or beyond the bytes left.
    bool LoadTracks(TByteReader& in);
    void WriteTracks(TByteWriter& out) const;
    // The level's track flags and current music value become the manager's.
    void ApplyLevel(const TLevelMusic& level);
};

// The program's music manager; level files hand their track section to it.
extern TMusicMan MusicMan;

// Which of the game's music tracks a level uses: the track table the level
// file stores for the music manager and the level's own music values, with
// their writers; and the start of the audio output. No music is played.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TAudioBackend;

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

    // The device "Sound_Device" names; empty: the default device.
    std::string DeviceName;
    // The master volume to 100, the tracks cleared, then StartAudio.
    void Create();
    // Opens the output (AudioOutput); without an opener or a device the game
    // plays silently through the default output.
    void StartAudio();
    // Closes the output.
    void StopAudio();
    // Once per timer event: nothing (no music plays).
    void Tick() {}
};

// What opens an output device by name (the OpenAL output, set by the program).
extern std::function<std::unique_ptr<TAudioBackend>(const std::string& device)> AudioDeviceOpener;
// The open output, none before StartAudio or without a device.
extern std::unique_ptr<TAudioBackend> AudioOutput;

// The game's audio start: the music manager opens the output, then the sound
// manager is made over it. And the end, in the order the buffers need: the
// sound manager (with its buffers), then the output.
void StartGameAudio();
void FreeSoundMan();
void FreeMusicMan();

// The program's music manager; level files hand their track section to it.
extern TMusicMan MusicMan;

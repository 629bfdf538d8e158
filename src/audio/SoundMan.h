// The game's one sound manager: the sample library with its index file, the
// sounds that play a sample through one output source each, and the update
// that recomputes every sound's gain, pitch and position from its distance to
// the listener. The distance attenuation is the game's own; the output only
// pans by position.
//
// Whether a sound still plays is counted by the manager itself from the
// sample's length and the pitch it plays at, never asked of the output: the
// game's decisions (and the random draws behind them) are the same with a
// sound card, with a null device and with no device at all.
#pragma once

#include "audio/AudioBackend.h"
#include "audio/LevelSound.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;
class TSoundMan;

constexpr const char* SoundLibName = "Rollix.SoundLib";
constexpr int32_t WobbleTableSize = 1024;

// One entry of the sample library.
struct TSampleRecord {
    // The path below "Sounds\", e.g. "FX\Crep.ogg".
    std::string Name;
    uint32_t Buffer = 0;
    // Decoded (and, with a device, uploaded); the frame count is known.
    bool Loaded = false;
    bool Needed = false;
    int32_t Index = 0;
    TSoundParams Params;
    int32_t Channels = 0, Rate = 0, Frames = 0;
    // Missing or undecodable: never tried again, plays silence.
    bool Failed = false;
    bool Used = false;
};

// The index file: int32 count N, then N records of uint16 name length L, L
// bytes of name, the 32-byte parameter block. False on a damaged index (a
// count below 0 or beyond the bytes left, a record cut short); the records
// read before it are kept.
bool ReadSoundLib(TByteReader& in, std::vector<TSampleRecord>& samples);
void WriteSoundLib(TByteWriter& out, const std::vector<TSampleRecord>& samples);

// The pitch wobble: 1024 values wandering smoothly within ±12.5 % of 1 and
// ending at 1, the same on every run.
extern std::array<float, WobbleTableSize> WobbleTable;
void BuildWobbleTable();

// One playing or ready sound.
class TMySound {
  public:
    TSoundMan* Man = nullptr;
    // The level whose sink created it (none for the game's own sounds).
    const void* Level = nullptr;
    int32_t Key = 0;
    uint32_t Source = 0;
    int32_t SampleIndex = -1;
    TVec2 Position;
    // A point it follows instead of its own position, set by its owner.
    bool Follows = false;
    TVec2 FollowPoint;
    int32_t FollowId = -1;
    float Volume = 1.0f;
    float PitchFactor = 1.0f;
    uint8_t Wobble = 0;
    int32_t WobbleCursor = 0;
    float LastGain = 0.0f;
    float LastPitch = 0.0f;
    TSoundParams Params;
    bool Started = false;
    // Frames of the sample played since Play, at the pitch sent.
    double PlayedFrames = 0.0;

    void Play();
    void Stop();
    // Started and not yet at the end of its sample (a looping sound: started).
    bool IsPlaying() const;
    void Prepare();
    ~TMySound();

    // The point it is heard from.
    TVec2 HeardAt() const { return Follows ? FollowPoint : Position; }
};

class TSoundMan {
  public:
    // Reads the index file from "Sounds\" (the output may be the silent default).
    explicit TSoundMan(TAudioBackend* output);
    ~TSoundMan();
    TSoundMan(const TSoundMan&) = delete;
    TSoundMan& operator=(const TSoundMan&) = delete;

    TAudioBackend* Output;
    int32_t NextKey = 1;
    // The level new sounds belong to (set by the level's sink).
    const void* CurrentLevel = nullptr;
    bool Enabled = true;
    // AppDir + "Sounds\".
    std::string Folder;
    std::vector<TSampleRecord> Samples;
    std::vector<std::unique_ptr<TMySound>> Sounds;
    std::vector<std::unique_ptr<TMySound>> LoopSounds;
    float ListenerX = 0.0f, ListenerY = 0.0f;
    // The listener's gain in percent.
    float MasterVolume = 100.0f;
    // Names asked for that the library does not hold, each once (logged).
    std::vector<std::string> Missing;

    // Reads Folder + "Rollix.SoundLib"; a missing index leaves no samples.
    void LoadSoundLib();
    int32_t FindSampleIndex(const std::string& name) const;
    TSampleRecord* FindSample(const std::string& name);
    // Decodes the sample (first use only) and hands it to the output.
    void UploadSample(int32_t index);
    void ReleaseSample(int32_t index);
    void LoadSampleByName(const std::string& name);
    void ReleaseAllSamples();

    TMySound* CreateSound(int32_t index);
    TMySound* CreateSoundByName(const std::string& name);
    int32_t SoundKeyByName(const std::string& name);
    TMySound* CreateLoopSound(int32_t index, TVec2 position);
    TMySound* CreateLoopSoundByName(const std::string& name, TVec2 position);
    int32_t LoopSoundKey(const std::string& name, TVec2 position);
    // Only when the position is in range of the listener; a negative radius
    // means the sample's far distance.
    TMySound* CreateSoundNear(const std::string& name, TVec2 position, float radius);
    int32_t SoundKeyNear(const std::string& name, TVec2 position, float radius);
    TMySound* FindSound(int32_t key) const;
    bool RemoveSound(int32_t key);
    // Removes every one-shot sound of a level and every looping sound.
    void StopLevelSounds();
    // Stops, without removing, every sound of the level.
    void SilenceLevel(const void* level);
    // The samples the levels need are loaded; loaded samples no level needs
    // and no sound plays are released.
    void PrepareForLevels(const std::vector<std::vector<std::string>>& names);

    // Once per simulation tick.
    void Update(TVec2 listener, int32_t ticks);
    bool UpdateSound(TMySound& sound, int32_t ticks);
    bool IsInRange(TVec2 position, float radius, float depth) const;

  private:
    TMySound* NewSound(int32_t index, std::vector<std::unique_ptr<TMySound>>& list);
    // The sample's index, noting a name the library does not hold.
    int32_t SampleToPlay(const std::string& name);
};

// The game's sound manager, made when the game starts; none in tests that
// need no sound.
extern std::unique_ptr<TSoundMan> SoundMan;

// The gain of a sound at distance d: 1 within near, 0 from far on, and
// between them a straight fade times 2^−(r − 1), r = d / max(near, 1) ≥ 1.
float DistanceGain(float d, float nearDistance, float farDistance);

// The samples every level may play, and those of the bean levels (file names
// starting "FAZULKY" or "ZESTAR").
std::vector<std::string> PreloadSampleNames(const std::string& levelFileName);

// The placed sound's side of playing: its pause, its settings handed to a
// sound, and its step.
// Whether the pause has run out; when it has, the next pause starts.
bool PauseOver(TLevelSound& placed);
void ApplyPlacedSound(TMySound& sound, TLevelSound& placed);
// What the level knows of a placed sound's attached boost.
struct TPlacedSoundBoost {
    bool Attached = false;
    bool Shown = false;
    TVec2 Centre;
};
void StepLevelSound(TLevelSound& placed, TSoundMan& man, const TPlacedSoundBoost& boost);
void ResetLevelSound(TLevelSound& placed);

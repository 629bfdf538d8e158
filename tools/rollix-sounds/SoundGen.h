// The game's sound set, made from nothing: every sound effect the code and the
// shipped levels name is synthesised here (splashes, bubbles, bursts, gates,
// ticks, bells, squeaks), normalised to one loudness with short fades, and
// encoded as Ogg Vorbis with libvorbisenc.
#pragma once

#include "audio/LevelSound.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t GeneratedSoundRate = 22050;

struct TGeneratedSound {
    // The path below "Sounds\" with backslashes, e.g. "FX\Crep.ogg".
    std::string Name;
    // Mono samples in −1 … 1.
    std::vector<float> Samples;
    // The sample's default playing parameters in the library.
    TSoundParams Params;
    bool Loop = false;
};

// The names of every generated sound, in library order.
std::vector<std::string> GeneratedSoundNames();
// Synthesises one sound by name; false for a name the set does not hold.
bool SynthesiseSound(const std::string& name, TGeneratedSound& out);

// Peak (linear, 0 … 1) and loudness (RMS in dB below full scale) of samples.
float PeakLevel(const std::vector<float>& samples);
float LoudnessDb(const std::vector<float>& samples);

// Ogg Vorbis of interleaved float samples (quality −0.1 … 1); empty when the
// encoder refuses the format.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& interleaved, int32_t channels, int32_t rate,
                                     float quality);

// Whole-file Ogg Vorbis decoding into interleaved 16-bit PCM, at load time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded sample: channels × frames interleaved signed 16-bit samples.
struct TDecodedSample {
    int32_t Channels = 0;
    int32_t Rate = 0;
    int32_t Frames = 0;
    std::vector<int16_t> Pcm;
};

// One float sample as 16 bits: 32767 above 1, −32768 below −1, otherwise
// trunc(x × 32767).
int16_t PcmFromFloat(float x);

// The frame count the last page near the end of the file announces (the low
// 32 bits of its granule position), 0 when no page header is found there. Only
// a first guess for the output's size: the output grows as frames arrive.
int32_t EstimateOggFrames(const uint8_t* data, size_t size);

// Decodes a whole Ogg Vorbis image. False, with out emptied, for anything that
// is not a complete mono or stereo Vorbis stream's headers, or when a page or
// packet of the audio is damaged.
bool DecodeOggBytes(const uint8_t* data, size_t size, TDecodedSample& out);

// The archive entry at path (AppDir + "Sounds\" + name for the game's samples).
// False when the archives do not hold it or it does not decode.
bool DecodeOggFile(const std::string& path, TDecodedSample& out);

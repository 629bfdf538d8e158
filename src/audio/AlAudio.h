// The OpenAL output: the device and its context, the list of devices, and
// a loopback device that renders into memory instead of a sound card.
#pragma once

#include "audio/AudioBackend.h"

#include <memory>
#include <string>
#include <vector>

struct ALCdevice_struct;
struct ALCcontext_struct;

class TAlAudioBackend : public TAudioBackend {
  public:
    // Takes an open device and its current context; closes both when freed.
    TAlAudioBackend(ALCdevice_struct* device, ALCcontext_struct* context, bool loopback);
    ~TAlAudioBackend() override;
    TAlAudioBackend(const TAlAudioBackend&) = delete;
    TAlAudioBackend& operator=(const TAlAudioBackend&) = delete;

    bool HasDevice() const override { return Device != nullptr && Context != nullptr; }
    uint32_t CreateBuffer(int32_t channels, int32_t rate, const int16_t* pcm, int32_t frames) override;
    bool IsBuffer(uint32_t buffer) override;
    void DeleteBuffer(uint32_t buffer) override;
    uint32_t CreateSource() override;
    bool IsSource(uint32_t source) override;
    void DeleteSource(uint32_t source) override;
    void SetSourceBuffer(uint32_t source, uint32_t buffer) override;
    void SetSourceGain(uint32_t source, float gain) override;
    void SetSourcePitch(uint32_t source, float pitch) override;
    void SetSourcePosition(uint32_t source, float x, float y, float z) override;
    void SetSourceVelocity(uint32_t source, float x, float y, float z) override;
    void SetSourceLooping(uint32_t source, bool looping) override;
    void PlaySource(uint32_t source) override;
    void StopSource(uint32_t source) override;
    bool SourcePlaying(uint32_t source) override;
    void SetListener(float x, float y, float gain) override;

    // A loopback device only: the next frames of stereo 16-bit output.
    bool Render(std::vector<int16_t>& stereo, int32_t frames);

    ALCdevice_struct* Device = nullptr;
    ALCcontext_struct* Context = nullptr;
    bool Loopback = false;
};

// Opens the named output device, or the default one when the name is empty
// or cannot be opened, with a context of its own made current; the game does
// its own distance attenuation, so OpenAL's distance model is off. None when
// no device opens (the game then plays silently).
std::unique_ptr<TAlAudioBackend> OpenAudioDevice(const std::string& name);
// A device that mixes into memory at the rate, in stereo 16 bits; none when
// the OpenAL library offers no loopback.
std::unique_ptr<TAlAudioBackend> OpenLoopbackDevice(int32_t rate);
// The names of the output devices, at most capacity − 1 of them.
std::vector<std::string> ListAudioDevices(int32_t capacity);

#include "audio/AlAudio.h"

#include "app/Log.h"
#include "app/SiteTrace.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float MinPitch = 1.0f / 1024.0f;

// Makes the context current and turns OpenAL's distance model off. False,
// with both closed, when the context cannot be made.
ALCcontext* StartContext(ALCdevice* device, const ALCint* attributes) {
    ALCcontext* context = alcCreateContext(device, attributes);
    if (!context) return nullptr;
    if (alcMakeContextCurrent(context) != ALC_TRUE) {
        alcDestroyContext(context);
        return nullptr;
    }
    alDistanceModel(AL_NONE);
    alGetError();
    return context;
}

// AL_PITCH takes only positive finite values; anything else plays at 1.
float SafePitch(float pitch) {
    if (!std::isfinite(pitch)) return 1.0f;
    return std::max(pitch, MinPitch);
}

float SafeGain(float gain) {
    if (!std::isfinite(gain) || gain < 0.0f) return 0.0f;
    return gain;
}

} // namespace

TAlAudioBackend::TAlAudioBackend(ALCdevice* device, ALCcontext* context, bool loopback)
    : Device(device), Context(context), Loopback(loopback) {}

TAlAudioBackend::~TAlAudioBackend() {
    RecordSite(81101);
    // The context current now is ours unless another device took over.
    if (alcGetCurrentContext() == Context) alcMakeContextCurrent(nullptr);
    if (Context) alcDestroyContext(Context);
    if (Device) alcCloseDevice(Device);
}

uint32_t TAlAudioBackend::CreateBuffer(int32_t channels, int32_t rate, const int16_t* pcm, int32_t frames) {
    RecordSite(81102);
    if (channels < 1 || channels > 2 || rate < 1 || frames < 0) return 0;
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return 0;
    alBufferData(buffer, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, pcm,
                 ALsizei(int64_t(channels) * frames * 2), rate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        alGetError();
        return 0;
    }
    return buffer;
}

bool TAlAudioBackend::IsBuffer(uint32_t buffer) {
    return buffer != 0 && alIsBuffer(buffer) == AL_TRUE;
}

void TAlAudioBackend::DeleteBuffer(uint32_t buffer) {
    if (!IsBuffer(buffer)) return;
    ALuint b = buffer;
    alDeleteBuffers(1, &b);
    alGetError();
}

uint32_t TAlAudioBackend::CreateSource() {
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return 0;
    return source;
}

bool TAlAudioBackend::IsSource(uint32_t source) {
    return source != 0 && alIsSource(source) == AL_TRUE;
}

void TAlAudioBackend::DeleteSource(uint32_t source) {
    if (!IsSource(source)) return;
    ALuint s = source;
    alSourceStop(s);
    alDeleteSources(1, &s);
    alGetError();
}

void TAlAudioBackend::SetSourceBuffer(uint32_t source, uint32_t buffer) {
    alSourcei(source, AL_BUFFER, ALint(buffer));
}

void TAlAudioBackend::SetSourceGain(uint32_t source, float gain) {
    alSourcef(source, AL_GAIN, SafeGain(gain));
}

void TAlAudioBackend::SetSourcePitch(uint32_t source, float pitch) {
    alSourcef(source, AL_PITCH, SafePitch(pitch));
}

void TAlAudioBackend::SetSourcePosition(uint32_t source, float x, float y, float z) {
    alSource3f(source, AL_POSITION, x, y, z);
}

void TAlAudioBackend::SetSourceVelocity(uint32_t source, float x, float y, float z) {
    alSource3f(source, AL_VELOCITY, x, y, z);
}

void TAlAudioBackend::SetSourceLooping(uint32_t source, bool looping) {
    alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
}

void TAlAudioBackend::PlaySource(uint32_t source) {
    alSourcePlay(source);
}

void TAlAudioBackend::StopSource(uint32_t source) {
    alSourceStop(source);
}

bool TAlAudioBackend::SourcePlaying(uint32_t source) {
    ALint state = 0;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void TAlAudioBackend::SetListener(float x, float y, float gain) {
    alListener3f(AL_POSITION, x, y, 0.0f);
    alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    alListenerfv(AL_ORIENTATION, orientation);
    alListenerf(AL_GAIN, SafeGain(gain));
}

bool TAlAudioBackend::Render(std::vector<int16_t>& stereo, int32_t frames) {
    if (!Loopback || !Device || frames < 0) return false;
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(Device, "alcRenderSamplesSOFT"));
    if (!render) return false;
    stereo.assign(size_t(frames) * 2, 0);
    render(Device, stereo.data(), frames);
    return true;
}

std::unique_ptr<TAlAudioBackend> OpenAudioDevice(const std::string& name) {
    RecordSite(81103);
    // The chosen device first; when it will not open (or gives no context),
    // the default device.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 0 && name.empty()) continue;
        ALCdevice* device = alcOpenDevice(attempt == 0 ? name.c_str() : nullptr);
        if (!device) continue;
        if (ALCcontext* context = StartContext(device, nullptr))
            return std::make_unique<TAlAudioBackend>(device, context, false);
        alcCloseDevice(device);
    }
    LogLine("no sound device could be opened; the game plays without sound");
    return nullptr;
}

std::unique_ptr<TAlAudioBackend> OpenLoopbackDevice(int32_t rate) {
    RecordSite(81104);
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return nullptr;
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (!open) return nullptr;
    ALCdevice* device = open(nullptr);
    if (!device) return nullptr;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 rate,
                                 0};
    if (ALCcontext* context = StartContext(device, attributes))
        return std::make_unique<TAlAudioBackend>(device, context, true);
    alcCloseDevice(device);
    return nullptr;
}

std::vector<std::string> ListAudioDevices(int32_t capacity) {
    RecordSite(81105);
    std::vector<std::string> names;
    const ALCchar* block = alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
    if (!block) return names;
    // Names end at their zero byte, the list at two; 100,001 bytes at most.
    size_t at = 0;
    constexpr size_t Limit = 100001;
    while (at < Limit && block[at] != '\0' && int32_t(names.size()) < capacity - 1) {
        const size_t length = strnlen(block + at, Limit - at);
        names.emplace_back(block + at, length);
        at += length + 1;
    }
    return names;
}

// What the sound manager asks of the audio output: buffers of 16-bit PCM,
// sources that play them, and the listener. The OpenAL backend serves the
// game; this default is the game without a device: nothing is created and
// nothing plays. Names 0 mean none.
#pragma once

#include <cstdint>

class TAudioBackend {
  public:
    virtual ~TAudioBackend() = default;
    // Whether a device and its context are open.
    virtual bool HasDevice() const { return false; }

    // A buffer holding channels × frames interleaved samples (mono or
    // stereo); 0 when it cannot be made.
    virtual uint32_t CreateBuffer(int32_t /*channels*/, int32_t /*rate*/, const int16_t* /*pcm*/,
                                  int32_t /*frames*/) {
        return 0;
    }
    virtual bool IsBuffer(uint32_t /*buffer*/) { return false; }
    virtual void DeleteBuffer(uint32_t /*buffer*/) {}

    virtual uint32_t CreateSource() { return 0; }
    virtual bool IsSource(uint32_t /*source*/) { return false; }
    virtual void DeleteSource(uint32_t /*source*/) {}
    virtual void SetSourceBuffer(uint32_t /*source*/, uint32_t /*buffer*/) {}
    virtual void SetSourceGain(uint32_t /*source*/, float /*gain*/) {}
    virtual void SetSourcePitch(uint32_t /*source*/, float /*pitch*/) {}
    virtual void SetSourcePosition(uint32_t /*source*/, float /*x*/, float /*y*/, float /*z*/) {}
    virtual void SetSourceVelocity(uint32_t /*source*/, float /*x*/, float /*y*/, float /*z*/) {}
    virtual void SetSourceLooping(uint32_t /*source*/, bool /*looping*/) {}
    virtual void PlaySource(uint32_t /*source*/) {}
    virtual void StopSource(uint32_t /*source*/) {}
    virtual bool SourcePlaying(uint32_t /*source*/) { return false; }

    // The listener at (x, y, 0), at rest, looking into the screen with Y up
    // the screen's negative Y, heard at the gain (1 = full).
    virtual void SetListener(float /*x*/, float /*y*/, float /*gain*/) {}
};

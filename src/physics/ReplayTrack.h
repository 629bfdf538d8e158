// What a replay is while a level plays: the changes of the player's four
// controls, each stamped with the level tick from which it holds. Every play
// records into it; a restart with replay plays it back instead of the keys.
#pragma once

#include <cstdint>
#include <vector>

struct TReplayEvent {
    int32_t Tick = 0;
    // Only the low byte counts: left, right, turbo, jump (the control bits).
    int32_t Bits = 0;
    bool operator==(const TReplayEvent&) const = default;
};

class TReplayTrack {
  public:
    // The valid events, in tick order; ReplayCount is their number.
    std::vector<TReplayEvent> ReplayEvents;
    bool ReplayPlaying = false;
    int32_t LastControlBits = 0;

    int32_t ReplayCount() const { return int32_t(ReplayEvents.size()); }
    // A new event when the bits differ from the last recorded ones.
    void RecordControls(int32_t tick, int32_t bits);
    // The bits in force at the tick: those of the last event not later than
    // it, 0 before the first.
    int32_t BitsAt(int32_t tick) const;
    // The tick of the last event, 0 when there is none.
    int32_t LastReplayTick() const;
    // Recording starts afresh: no events, no bits.
    void StartRecording();
    // The events are played back from the start.
    void StartPlayback();
};

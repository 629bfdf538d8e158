#include "physics/ReplayTrack.h"

#include <algorithm>

void TReplayTrack::RecordControls(int32_t tick, int32_t bits) {
    if (bits == LastControlBits) return;
    LastControlBits = bits;
    ReplayEvents.push_back({tick, bits});
}

int32_t TReplayTrack::BitsAt(int32_t tick) const {
    const auto later = std::upper_bound(ReplayEvents.begin(), ReplayEvents.end(), tick,
                                        [](int32_t t, const TReplayEvent& e) { return t < e.Tick; });
    return later == ReplayEvents.begin() ? 0 : std::prev(later)->Bits;
}

int32_t TReplayTrack::LastReplayTick() const {
    return ReplayEvents.empty() ? 0 : ReplayEvents.back().Tick;
}

void TReplayTrack::StartRecording() {
    ReplayEvents.clear();
    LastControlBits = 0;
    ReplayPlaying = false;
}

void TReplayTrack::StartPlayback() {
    ReplayPlaying = true;
    LastControlBits = 0;
}

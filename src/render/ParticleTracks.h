// The steering and speed tracks drop particles follow: precomputed once and
// shared by every drop system. A steering track turns a particle's velocity
// by its entry on every move; a speed track scales its step. Marks are the
// indices where a particle may start.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

constexpr int32_t TrackLength = 1024;
constexpr int32_t SteerTrackCount = 10;
constexpr int32_t SpeedTrackCount = 4;

struct TSteerTrack {
    // (sin a, cos a) of the turn at each index.
    std::array<float, TrackLength> Sin{};
    std::array<float, TrackLength> Cos{};
    std::vector<int32_t> Marks;
};

struct TSpeedTrack {
    std::array<float, TrackLength> Factor{};
    std::vector<int32_t> Marks;
};

struct TParticleTracks {
    std::array<TSteerTrack, SteerTrackCount> Steer;
    std::array<TSpeedTrack, SpeedTrackCount> Speed;
};

// Builds the tracks from the generator seeded with 10. The generator is
// left as it was, so building them never disturbs a running game.
TParticleTracks BuildParticleTracks();

// The program's tracks, built on first use.
const TParticleTracks& ParticleTracks();

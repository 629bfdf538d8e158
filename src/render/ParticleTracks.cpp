#include "render/ParticleTracks.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "physics/VecMath.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

float Rnd() {
    return float(RandomFloat());
}

// Cuts the track into segments: while more than `above` entries remain the
// next length comes from nextLength, then the last segment takes the rest.
// fill(start, length, first) writes one segment.
void Segments(int32_t above, const std::function<int32_t()>& nextLength,
              const std::function<void(int32_t, int32_t, bool)>& fill) {
    int32_t at = 0;
    bool first = true;
    while (at < TrackLength) {
        const int32_t left = TrackLength - at;
        const int32_t length = left > above ? std::min(nextLength(), left) : left;
        fill(at, length, first);
        at += length;
        first = false;
    }
}

void SetTurn(TSteerTrack& t, int32_t i, float a) {
    t.Sin[size_t(i)] = std::sin(a);
    t.Cos[size_t(i)] = std::cos(a);
}

// +a over the first half of each segment, −a over the second.
void SwingTrack(TSteerTrack& t, int32_t above, int32_t base, int32_t spread, float a, bool oddMarks) {
    Segments(
        above, [&] { return base + 2 * Random(spread); },
        [&](int32_t start, int32_t length, bool) {
            if (!oddMarks) t.Marks.push_back(start);
            for (int32_t k = 0; k < length; ++k)
                SetTurn(t, start + k, 2 * k < length ? a : -a);
        });
    if (oddMarks)
        for (int32_t i = 1; i < TrackLength; i += 2)
            t.Marks.push_back(i);
}

// One segment whose turn runs linearly over the whole track.
void RampTrack(TSteerTrack& t, float from, float change) {
    for (int32_t i = 0; i < TrackLength; ++i)
        SetTurn(t, i, from + change * float(i) / float(TrackLength));
    t.Marks.push_back(0);
}

void OddMarks(TSpeedTrack& t) {
    for (int32_t i = 1; i < TrackLength; i += 2)
        t.Marks.push_back(i);
}

// Rises over the first half of each segment and falls back over the second.
void PulseTrack(TSpeedTrack& t, float low, float slope) {
    Segments(
        50, [] { return 10 + 2 * Random(16); },
        [&](int32_t start, int32_t length, bool) {
            for (int32_t k = 0; k < length; ++k) {
                const float u = float(k) / float(length);
                t.Factor[size_t(start + k)] = 2 * k < length ? low + slope * u : low + slope - slope * u;
            }
        });
    OddMarks(t);
}

} // namespace

TParticleTracks BuildParticleTracks() {
    RecordSite(64010);
    const uint32_t saved = RandSeed;
    Seed(10);
    TParticleTracks tracks;
    auto& steer = tracks.Steer;
    SwingTrack(steer[0], 50, 10, 16, 0.02f, true);
    SwingTrack(steer[1], 50, 10, 16, 0.05f, false);
    SwingTrack(steer[2], 26, 10, 5, 0.2f, false);
    SwingTrack(steer[3], 16, 4, 4, 1.0f, false);
    SwingTrack(steer[4], 200, 100, 50, 0.05f, false);
    // Whole turns: each segment circles once, one way or the other.
    Segments(
        50, [] { return 10 + 2 * Random(16); },
        [&](int32_t start, int32_t length, bool) {
            const float a = float(2.0 * Pi) / float(length);
            const float turn = Random(2) == 1 ? a : -a;
            steer[5].Marks.push_back(start);
            for (int32_t k = 0; k < length; ++k)
                SetTurn(steer[5], start + k, turn);
        });
    RampTrack(steer[6], 0.1f, -0.051f);
    RampTrack(steer[7], -0.2f, -0.1f);
    RampTrack(steer[8], 0.5f, -2.4f);
    // Swings mixed with arcs of 130 to 350 degrees.
    Segments(
        60, [] { return 20 + 2 * Random(16); },
        [&](int32_t start, int32_t length, bool first) {
            steer[9].Marks.push_back(start);
            if (first || Random(2) != 0) {
                const float s = 0.05f + 0.02f * Rnd();
                for (int32_t k = 0; k < length; ++k)
                    SetTurn(steer[9], start + k, 2 * k < length ? s : -s);
            } else {
                float a = float((130.0 + 220.0 * double(Rnd())) * DegToRad) / float(length);
                if (Random(2) == 0) a = -a;
                for (int32_t k = 0; k < length; ++k)
                    SetTurn(steer[9], start + k, a);
            }
        });

    auto& speed = tracks.Speed;
    PulseTrack(speed[0], 0.5f, 1.0f);
    // Long runs at full speed broken by short stops.
    {
        TSpeedTrack& t = speed[1];
        int32_t at = 0;
        bool moving = true;
        while (at < TrackLength) {
            const int32_t left = TrackLength - at;
            int32_t length = left;
            float factor = 1.0f;
            if (moving && left > 200)
                length = std::min(100 + Random(80), left);
            else if (!moving && left > 40) {
                length = std::min(3 + Random(30), left);
                factor = 0.0f;
            }
            for (int32_t k = 0; k < length; ++k)
                t.Factor[size_t(at + k)] = factor;
            at += length;
            moving = !moving;
        }
        OddMarks(t);
    }
    PulseTrack(speed[2], 0.1f, 3.0f);
    // Ramps from one random target to the next.
    {
        TSpeedTrack& t = speed[3];
        float from = 1.0f;
        Segments(
            50, [] { return 20 + 2 * Random(12); },
            [&](int32_t start, int32_t length, bool) {
                const float to = start + length >= TrackLength ? 1.0f : 1.0f + 2.0f * Rnd();
                t.Marks.push_back(start);
                for (int32_t k = 0; k < length; ++k)
                    t.Factor[size_t(start + k)] = from + (to - from) * float(k) / float(length);
                from = to;
            });
    }
    RandSeed = saved;
    return tracks;
}

const TParticleTracks& ParticleTracks() {
    static const TParticleTracks tracks = BuildParticleTracks();
    return tracks;
}

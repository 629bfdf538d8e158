#include "SoundGen.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>

namespace {

constexpr float Rate = float(GeneratedSoundRate);
constexpr float TwoPi = 6.28318530718f;
// Every sound's loudness over its loud part, and the ceiling no peak passes.
constexpr float TargetLoudnessDb = -18.0f;
constexpr float PeakCeiling = 0.891f; // −1 dB

// A small, repeatable noise source (each sound seeds its own).
struct TNoise {
    uint32_t State;
    explicit TNoise(uint32_t seed) : State(seed * 2654435761u + 1u) {}
    float Next() {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return float(State) / 2147483648.0f - 1.0f;
    }
};

uint32_t NameSeed(const std::string& name) {
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

std::vector<float> Silence(float seconds) {
    return std::vector<float>(size_t(std::max(1.0f, seconds * Rate)), 0.0f);
}

// Adds b into a from sample offset at on.
void Mix(std::vector<float>& a, const std::vector<float>& b, float at, float gain = 1.0f) {
    const size_t start = size_t(std::max(0.0f, at * Rate));
    if (a.size() < start + b.size()) a.resize(start + b.size(), 0.0f);
    for (size_t i = 0; i < b.size(); ++i)
        a[start + i] += gain * b[i];
}

// A sine whose frequency follows f(t), with amplitude env(t).
std::vector<float> Tone(float seconds, const std::function<float(float)>& f,
                        const std::function<float(float)>& env) {
    std::vector<float> out = Silence(seconds);
    float phase = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = float(i) / Rate;
        phase += TwoPi * f(t) / Rate;
        if (phase > TwoPi) phase -= TwoPi;
        out[i] = std::sin(phase) * env(t);
    }
    return out;
}

std::function<float(float)> Decay(float tau, float attack = 0.002f) {
    return [=](float t) { return std::min(1.0f, t / attack) * std::exp(-t / tau); };
}

// One bubble: a sine rising in pitch as it decays (the sound of a bubble
// closing up under water).
std::vector<float> Bubble(float f0, float seconds, float rise) {
    return Tone(
        seconds, [=](float t) { return f0 * (1.0f + rise * t); }, Decay(seconds / 4.0f, 0.001f));
}

// Noise through a state-variable band-pass whose centre follows f(t).
std::vector<float> Hiss(float seconds, uint32_t seed, const std::function<float(float)>& f, float q,
                        const std::function<float(float)>& env) {
    q = std::max(q, 0.7f);
    std::vector<float> out = Silence(seconds);
    TNoise n(seed);
    float low = 0.0f, band = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = float(i) / Rate;
        // The filter stays stable only below 2 − 1/q.
        const float fc = std::min(2.0f * std::sin(3.14159265f * std::clamp(f(t), 30.0f, Rate * 0.22f) / Rate),
                                  0.9f * (2.0f - 1.0f / q));
        const float high = n.Next() - low - band / q;
        band += fc * high;
        low += fc * band;
        out[i] = band * env(t);
    }
    return out;
}

// A struck bell: inharmonic partials, the higher ones dying sooner.
std::vector<float> Bell(float f0, float seconds) {
    std::vector<float> out = Silence(seconds);
    const float partials[][2] = {{1.0f, 1.0f}, {2.0f, 0.6f}, {2.76f, 0.45f}, {5.4f, 0.25f}, {8.93f, 0.12f}};
    for (const auto& p : partials)
        Mix(out,
            Tone(
                seconds, [=](float) { return f0 * p[0]; }, Decay(seconds / (1.5f + p[0]), 0.001f)),
            0.0f, p[1]);
    return out;
}

// A rubber squeak: a sine swept by a fast vibrato, bright and short.
std::vector<float> Squeak(float f0, float f1, float seconds, float vibrato) {
    return Tone(
        seconds,
        [=](float t) {
            return (f0 + (f1 - f0) * t / seconds) * (1.0f + 0.06f * std::sin(TwoPi * vibrato * t));
        },
        [=](float t) { return std::sin(3.14159265f * std::min(t / seconds, 1.0f)); });
}

// A soft low thump (the body of a burst or a landing).
std::vector<float> Thump(float f0, float seconds) {
    return Tone(
        seconds, [=](float t) { return f0 * std::exp(-t * 8.0f) + f0 * 0.4f; }, Decay(seconds / 4.0f));
}

// A shimmering rise of a chord (gates, magic).
std::vector<float> Shimmer(const std::vector<float>& notes, float seconds, float glide, float stagger) {
    std::vector<float> out = Silence(seconds);
    for (size_t k = 0; k < notes.size(); ++k) {
        const float f = notes[k];
        const float d = seconds - stagger * float(k);
        Mix(out,
            Tone(
                d,
                [=](float t) {
                    return f * (1.0f + glide * t / d) * (1.0f + 0.004f * std::sin(TwoPi * 6.0f * t));
                },
                [=](float t) { return std::min(1.0f, t / 0.05f) * std::exp(-2.5f * t / d); }),
            stagger * float(k), 1.0f / float(notes.size()));
    }
    return out;
}

// A splash: a bright noise burst, then a handful of bubbles.
std::vector<float> Splash(uint32_t seed, float size, bool acid) {
    const float seconds = 0.45f + 0.25f * size;
    std::vector<float> out = Hiss(
        seconds, seed, [=](float t) { return 2600.0f - 1800.0f * t / seconds; }, 0.8f,
        Decay(0.08f + 0.04f * size, 0.004f));
    TNoise n(seed ^ 77u);
    for (int k = 0; k < 6; ++k) {
        const float at = 0.03f + 0.3f * std::fabs(n.Next());
        const float f = (acid ? 300.0f : 500.0f) + 700.0f * std::fabs(n.Next());
        Mix(out, Bubble(f, 0.06f + 0.05f * std::fabs(n.Next()), acid ? 2.0f : 6.0f), at, 0.5f);
    }
    if (acid) // a sizzle on top
        Mix(out,
            Hiss(
                seconds, seed ^ 5u, [](float) { return 5500.0f; }, 2.0f, Decay(seconds / 2.0f, 0.02f)),
            0.05f, 0.5f);
    return out;
}

// Noise that loops without a seam: the last part is crossfaded into the first.
std::vector<float> Seamless(std::vector<float> s, float fadeSeconds) {
    const size_t fade = std::min(s.size() / 3, size_t(fadeSeconds * Rate));
    const size_t n = s.size() - fade;
    std::vector<float> out(s.begin(), s.begin() + long(n));
    for (size_t i = 0; i < fade; ++i) {
        const float w = float(i) / float(fade);
        out[i] = out[i] * w + s[n + i] * (1.0f - w);
    }
    return out;
}

using TRecipe = std::function<std::vector<float>(uint32_t seed)>;

std::vector<std::pair<std::string, TRecipe>> Recipes() {
    std::vector<std::pair<std::string, TRecipe>> r;
    auto add = [&](const std::string& name, TRecipe f) { r.emplace_back(name, std::move(f)); };

    // ---- Water and acid ----
    add("Water\\Rollix bubbles.ogg", [](uint32_t seed) {
        std::vector<float> out = Silence(1.2f);
        TNoise n(seed);
        for (int k = 0; k < 14; ++k)
            Mix(out, Bubble(350.0f + 500.0f * std::fabs(n.Next()), 0.07f + 0.06f * std::fabs(n.Next()), 5.0f),
                0.05f * float(k) + 0.03f * std::fabs(n.Next()), 0.7f);
        return out;
    });
    for (int k = 1; k <= 4; ++k) {
        add("Water\\Splech " + std::to_string(k) + ".ogg",
            [k](uint32_t seed) { return Splash(seed, float(k) / 4.0f, false); });
        add("Acid\\Acid Splech " + std::to_string(k) + ".ogg",
            [k](uint32_t seed) { return Splash(seed, float(k) / 4.0f, true); });
    }
    add("Water\\Bublina vo vode.ogg", [](uint32_t seed) {
        // A spout's steady stream of small bubbles, looping.
        std::vector<float> out = Silence(2.6f);
        TNoise n(seed);
        for (float at = 0.0f; at < 2.5f; at += 0.035f + 0.05f * std::fabs(n.Next()))
            Mix(out, Bubble(600.0f + 900.0f * std::fabs(n.Next()), 0.05f + 0.04f * std::fabs(n.Next()), 8.0f),
                at, 0.35f + 0.3f * std::fabs(n.Next()));
        return Seamless(out, 0.3f);
    });
    add("Acid\\Acid Hukot vody.ogg", [](uint32_t seed) {
        // The low hum of acid water around the body, looping.
        std::vector<float> out = Tone(
            2.3f, [](float) { return 55.0f; }, [](float) { return 0.5f; });
        Mix(out,
            Tone(
                2.3f, [](float) { return 110.5f; }, [](float) { return 0.25f; }),
            0.0f);
        Mix(out,
            Hiss(
                2.3f, seed, [](float t) { return 900.0f + 300.0f * std::sin(TwoPi * 0.87f * t); }, 3.0f,
                [](float) { return 0.4f; }),
            0.0f);
        return Seamless(out, 0.3f);
    });

    // ---- Effects ----
    add("FX\\woda prask.ogg", [](uint32_t seed) {
        // A bubble bursting: a wet pop and a little spray.
        std::vector<float> out = Tone(
            0.12f, [](float t) { return 900.0f - 3000.0f * t; }, Decay(0.02f, 0.0005f));
        Mix(out,
            Hiss(
                0.3f, seed, [](float) { return 3000.0f; }, 1.0f, Decay(0.05f, 0.002f)),
            0.005f, 0.6f);
        return out;
    });
    add("FX\\Baloon blast.ogg", [](uint32_t seed) {
        // A balloon bursting: a sharp crack over a low thump.
        std::vector<float> out = Hiss(
            0.5f, seed, [](float t) { return 4000.0f - 5000.0f * t; }, 0.6f, Decay(0.05f, 0.0005f));
        Mix(out, Thump(120.0f, 0.35f), 0.0f, 0.9f);
        return out;
    });
    for (int k = 1; k <= 4; ++k)
        add("FX\\Lep " + std::to_string(k) + ".ogg", [k](uint32_t) {
            // Glue tearing: a sticky rubber squeak.
            return Squeak(700.0f + 150.0f * float(k), 1300.0f + 200.0f * float(k), 0.09f + 0.02f * float(k),
                          55.0f + 10.0f * float(k));
        });
    add("FX\\Menu tick.ogg", [](uint32_t) {
        std::vector<float> out = Tone(
            0.05f, [](float) { return 2400.0f; }, Decay(0.008f, 0.0005f));
        Mix(out,
            Tone(
                0.05f, [](float) { return 1200.0f; }, Decay(0.012f, 0.0005f)),
            0.0f, 0.5f);
        return out;
    });
    add("FX\\ticks.ogg", [](uint32_t) {
        // A clock's two ticks (the hiccup's own sound).
        std::vector<float> out = Silence(0.3f);
        Mix(out,
            Tone(
                0.04f, [](float) { return 3200.0f; }, Decay(0.006f, 0.0003f)),
            0.0f);
        Mix(out,
            Tone(
                0.04f, [](float) { return 2600.0f; }, Decay(0.006f, 0.0003f)),
            0.16f);
        return out;
    });
    add("FX\\GateEff.ogg", [](uint32_t) {
        return Shimmer({392.0f, 523.25f, 659.25f, 783.99f}, 1.6f, 0.25f, 0.12f);
    });
    add("FX\\GateEff2.ogg", [](uint32_t) {
        return Shimmer({440.0f, 554.37f, 659.25f, 880.0f}, 1.6f, 0.3f, 0.1f);
    });
    add("FX\\RotateEff.ogg", [](uint32_t seed) {
        // The turning gate: a whoosh sweeping up and back down.
        return Hiss(
            1.2f, seed, [](float t) { return 400.0f + 2400.0f * std::sin(3.14159265f * t / 1.2f); }, 4.0f,
            [](float t) { return std::sin(3.14159265f * t / 1.2f); });
    });
    add("FX\\openGate.ogg", [](uint32_t) {
        std::vector<float> out = Shimmer({261.63f, 329.63f, 392.0f, 523.25f, 659.25f}, 1.8f, 0.0f, 0.09f);
        Mix(out, Bell(1046.5f, 1.2f), 0.45f, 0.4f);
        return out;
    });
    add("FX\\Crep.ogg", [](uint32_t) {
        // Dropping a key: a small rubbery plop.
        std::vector<float> out = Tone(
            0.12f, [](float t) { return 600.0f - 2500.0f * t; }, Decay(0.03f, 0.001f));
        Mix(out, Thump(180.0f, 0.12f), 0.0f, 0.4f);
        return out;
    });
    add("FX\\dazd.ogg", [](uint32_t seed) {
        // Rain: a wash of filtered noise with scattered drops, looping.
        std::vector<float> out = Hiss(
            3.4f, seed, [](float) { return 1800.0f; }, 0.5f, [](float) { return 0.45f; });
        TNoise n(seed ^ 99u);
        for (float at = 0.0f; at < 3.3f; at += 0.01f + 0.03f * std::fabs(n.Next()))
            Mix(out,
                Tone(
                    0.02f, [f = 2000.0f + 3000.0f * std::fabs(n.Next())](float) { return f; },
                    Decay(0.004f, 0.0003f)),
                at, 0.15f * std::fabs(n.Next()));
        return Seamless(out, 0.4f);
    });
    add("FX\\Alarm.ogg", [](uint32_t) {
        // Out of air: three falling beeps.
        std::vector<float> out = Silence(0.9f);
        for (int k = 0; k < 3; ++k)
            Mix(out,
                Tone(
                    0.2f, [k](float) { return 880.0f - 110.0f * float(k); },
                    [](float t) { return std::min(1.0f, t / 0.01f) * std::min(1.0f, (0.2f - t) / 0.02f); }),
                0.28f * float(k));
        return out;
    });
    add("FX\\Pad 4.ogg", [](uint32_t) {
        // Falling out of the level: a long descending whistle.
        return Tone(
            1.1f, [](float t) { return 1400.0f * std::exp(-1.6f * t); },
            [](float t) { return std::min(1.0f, t / 0.05f) * (1.0f - t / 1.1f); });
    });

    // ---- Boosts ----
    auto pickup = [](std::vector<float> notes, float seconds, float glide) {
        return [=](uint32_t) { return Shimmer(notes, seconds, glide, seconds / float(notes.size() + 2)); };
    };
    add("Boosts\\StarPut.ogg", [](uint32_t) {
        std::vector<float> out = Bell(880.0f, 1.0f);
        Mix(out, Bell(1318.5f, 0.8f), 0.12f, 0.6f);
        return out;
    });
    add("Boosts\\StarTake.ogg", pickup({1046.5f, 1318.5f, 1568.0f, 2093.0f}, 0.6f, 0.0f));
    add("Boosts\\Diamant.ogg", [](uint32_t) {
        // A jewel: two bright bell strikes.
        std::vector<float> out = Bell(1760.0f, 0.5f);
        Mix(out, Bell(2637.0f, 0.45f), 0.07f, 0.7f);
        return out;
    });
    add("Boosts\\Shard.ogg", [](uint32_t) { return Bell(2349.3f, 0.35f); });
    add("Boosts\\Secret.ogg", pickup({523.25f, 622.25f, 783.99f, 1046.5f, 1244.5f}, 1.1f, 0.0f));
    add("Boosts\\Morpher.ogg", pickup({220.0f, 277.18f, 329.63f}, 0.8f, 1.0f));
    add("Boosts\\Morpher to mub.ogg", [](uint32_t) { return Squeak(300.0f, 700.0f, 0.5f, 9.0f); });
    add("Boosts\\Morpher to wind.ogg", [](uint32_t seed) {
        return Hiss(
            0.8f, seed, [](float t) { return 500.0f + 3000.0f * t; }, 3.0f,
            [](float t) { return std::sin(3.14159265f * t / 0.8f); });
    });
    add("Boosts\\Morpher to water.ogg", [](uint32_t seed) {
        std::vector<float> out = Splash(seed, 0.5f, false);
        Mix(out, Bubble(300.0f, 0.3f, 4.0f), 0.1f, 0.6f);
        return out;
    });
    add("Boosts\\MagicPower.ogg", pickup({523.25f, 659.25f, 783.99f, 1046.5f}, 0.9f, 0.1f));
    add("Boosts\\Scaler_up.ogg", [](uint32_t) {
        return Tone(
            0.6f, [](float t) { return 200.0f * std::exp(2.5f * t); }, Decay(0.3f, 0.01f));
    });
    add("Boosts\\Scaler_down.ogg", [](uint32_t) {
        return Tone(
            0.6f, [](float t) { return 900.0f * std::exp(-2.5f * t); }, Decay(0.3f, 0.01f));
    });
    add("Boosts\\Toadstool.ogg", [](uint32_t) {
        // A mushroom: a springy boing.
        return Tone(
            0.7f, [](float t) { return 180.0f + 120.0f * std::sin(TwoPi * 7.0f * t) * std::exp(-4.0f * t); },
            Decay(0.25f, 0.005f));
    });
    add("Boosts\\CatWalk.ogg", [](uint32_t) { return Squeak(900.0f, 1400.0f, 0.35f, 12.0f); });
    add("Boosts\\Regenerator.ogg", pickup({392.0f, 493.88f, 587.33f, 783.99f}, 1.0f, 0.05f));
    add("Boosts\\Graviter.ogg", [](uint32_t) {
        return Tone(
            0.9f, [](float t) { return 120.0f + 60.0f * std::sin(TwoPi * 3.0f * t); }, Decay(0.4f, 0.02f));
    });
    add("Boosts\\Rotator.ogg", [](uint32_t seed) {
        return Hiss(
            0.7f, seed, [](float t) { return 800.0f + 600.0f * std::sin(TwoPi * 4.0f * t); }, 5.0f,
            Decay(0.3f, 0.02f));
    });
    add("Boosts\\CrazyMorpher.ogg", [](uint32_t) {
        return Tone(
            0.8f, [](float t) { return 400.0f + 300.0f * std::sin(TwoPi * 11.0f * t); }, Decay(0.35f, 0.01f));
    });
    add("Boosts\\Turbo.ogg", [](uint32_t seed) {
        std::vector<float> out = Tone(
            0.6f, [](float t) { return 150.0f + 500.0f * t; }, Decay(0.35f, 0.01f));
        Mix(out,
            Hiss(
                0.6f, seed, [](float t) { return 1000.0f + 3000.0f * t; }, 2.0f, Decay(0.3f, 0.01f)),
            0.0f, 0.5f);
        return out;
    });
    add("Boosts\\SlowFast_fast.ogg", [](uint32_t) {
        std::vector<float> out = Silence(0.5f);
        for (int k = 0; k < 5; ++k)
            Mix(out,
                Tone(
                    0.06f, [k](float) { return 800.0f + 200.0f * float(k); }, Decay(0.02f, 0.001f)),
                0.08f * float(k));
        return out;
    });
    add("Boosts\\Magnetizer.ogg", [](uint32_t) {
        return Tone(
            0.8f, [](float) { return 100.0f; },
            [](float t) { return (0.6f + 0.4f * std::sin(TwoPi * 15.0f * t)) * std::exp(-2.0f * t); });
    });
    add("Boosts\\Buck.ogg", [](uint32_t) {
        // A coin.
        std::vector<float> out = Tone(
            0.08f, [](float) { return 987.77f; }, Decay(0.05f, 0.001f));
        Mix(out,
            Tone(
                0.5f, [](float) { return 1318.5f; }, Decay(0.15f, 0.001f)),
            0.07f);
        return out;
    });
    add("Boosts\\Stopper.ogg", [](uint32_t) { return Thump(90.0f, 0.4f); });
    add("Boosts\\SkidNStick.ogg", [](uint32_t) { return Squeak(1200.0f, 500.0f, 0.4f, 30.0f); });
    add("Boosts\\RainNWind.ogg", [](uint32_t seed) {
        return Hiss(
            1.0f, seed, [](float t) { return 600.0f + 1500.0f * t; }, 1.5f,
            [](float t) { return std::sin(3.14159265f * t); });
    });
    add("Boosts\\Teleporter.ogg", [](uint32_t) {
        std::vector<float> out = Tone(
            0.9f, [](float t) { return 300.0f + 2500.0f * t * t; }, Decay(0.4f, 0.01f));
        Mix(out, Shimmer({1046.5f, 1567.98f}, 0.8f, 0.5f, 0.1f), 0.1f, 0.6f);
        return out;
    });
    add("Boosts\\Hiccup.ogg", [](uint32_t) {
        return Tone(
            0.25f, [](float t) { return 500.0f + 1200.0f * t; }, Decay(0.06f, 0.003f));
    });
    add("Boosts\\CheckPoint.ogg", pickup({587.33f, 739.99f, 880.0f, 1174.66f}, 1.0f, 0.0f));

    // ---- Untitled ----
    add("Untitled\\Zvoncoky.ogg", [](uint32_t) {
        // Little bells: a falling run of small bell strikes.
        std::vector<float> out = Silence(1.6f);
        const float notes[] = {2093.0f, 1760.0f, 1568.0f, 1318.5f, 1174.66f, 1046.5f};
        for (int k = 0; k < 6; ++k)
            Mix(out, Bell(notes[k], 0.9f), 0.09f * float(k), 0.5f);
        return out;
    });
    return r;
}

const std::vector<std::pair<std::string, TRecipe>>& RecipeTable() {
    static const auto table = Recipes();
    return table;
}

// Loud part: the RMS over the samples above −40 dB of the peak.
float ActiveRms(const std::vector<float>& s) {
    const float floor = PeakLevel(s) * 0.01f;
    double sum = 0.0;
    size_t n = 0;
    for (float v : s)
        if (std::fabs(v) >= floor) {
            sum += double(v) * v;
            ++n;
        }
    return n ? float(std::sqrt(sum / double(n))) : 0.0f;
}

} // namespace

std::vector<std::string> GeneratedSoundNames() {
    std::vector<std::string> names;
    for (const auto& [name, recipe] : RecipeTable())
        names.push_back(name);
    return names;
}

float PeakLevel(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float v : samples)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

float LoudnessDb(const std::vector<float>& samples) {
    double sum = 0.0;
    for (float v : samples)
        sum += double(v) * v;
    const double rms = samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
    return rms > 0.0 ? float(20.0 * std::log10(rms)) : -200.0f;
}

bool SynthesiseSound(const std::string& name, TGeneratedSound& out) {
    for (const auto& [n, recipe] : RecipeTable()) {
        if (n != name) continue;
        out = TGeneratedSound{};
        out.Name = n;
        out.Loop =
            n == "FX\\dazd.ogg" || n == "Water\\Bublina vo vode.ogg" || n == "Acid\\Acid Hukot vody.ogg";
        std::vector<float> s = recipe(NameSeed(n));
        // One loudness for all, no peak above the ceiling.
        const float rms = ActiveRms(s), peak = PeakLevel(s);
        float gain = rms > 0.0f ? std::pow(10.0f, TargetLoudnessDb / 20.0f) / rms : 1.0f;
        if (peak > 0.0f) gain = std::min(gain, PeakCeiling / peak);
        for (float& v : s)
            v *= gain;
        // Short fades at both ends (a loop keeps its seam as it is).
        if (!out.Loop) {
            const size_t fadeIn = std::min(s.size() / 4, size_t(0.002f * Rate));
            const size_t fadeOut = std::min(s.size() / 4, size_t(0.01f * Rate));
            for (size_t i = 0; i < fadeIn; ++i)
                s[i] *= float(i) / float(fadeIn);
            for (size_t i = 0; i < fadeOut; ++i)
                s[s.size() - 1 - i] *= float(i) / float(fadeOut);
        }
        out.Samples = std::move(s);
        return true;
    }
    return false;
}

std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& interleaved, int32_t channels, int32_t rate,
                                     float quality) {
    std::vector<uint8_t> bytes;
    if (channels < 1 || rate < 1) return bytes;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        return bytes;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "ENCODER", "rollix-sounds");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    // A fixed serial: the same sound gives the same bytes on every build.
    ogg_stream_init(&os, 0x526F6C6C);
    auto take = [&](const ogg_page& page) {
        bytes.insert(bytes.end(), page.header, page.header + page.header_len);
        bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0)
        take(page);
    const size_t frames = interleaved.size() / size_t(channels);
    constexpr size_t Chunk = 1024;
    bool eos = false;
    for (size_t at = 0; !eos;) {
        const size_t n = std::min(Chunk, frames - at);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i)
                for (int32_t c = 0; c < channels; ++c)
                    buffer[c][i] = interleaved[(at + i) * size_t(channels) + size_t(c)];
            vorbis_analysis_wrote(&vd, int(n));
            at += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (!eos && ogg_stream_pageout(&os, &page) != 0) {
                    take(page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0) eos = true;
    }
    while (ogg_stream_flush(&os, &page) != 0)
        take(page);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return bytes;
}

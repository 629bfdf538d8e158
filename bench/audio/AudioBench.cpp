// Sound: whole-file decoding (MB of PCM a second), the preload of the
// samples Zestars may play (time and PCM memory), and the per-tick update of
// 64 playing sounds. The output is OpenAL's null driver.
#include "SoundGen.h"
#include "app/GameHooks.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "audio/AlAudio.h"
#include "audio/OggDecode.h"
#include "audio/SoundMan.h"
#include "game/GameMan.h"
#include "level/Mechanics.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

std::unique_ptr<TAlAudioBackend>& NullDevice() {
    static std::unique_ptr<TAlAudioBackend> device = [] {
        setenv("ALSOFT_DRIVERS", "null", 1);
        return OpenAudioDevice("");
    }();
    return device;
}

void BM_DecodeOgg(benchmark::State& state) {
    // Five seconds of stereo at 44.1 kHz: a tone sweep over noise.
    const int32_t rate = 44100, frames = rate * 5;
    std::vector<float> pcm(size_t(frames) * 2);
    uint32_t noise = 1;
    for (int32_t i = 0; i < frames; ++i) {
        noise = noise * 1103515245u + 12345u;
        const float t = float(i) / float(rate);
        pcm[size_t(i) * 2] = 0.4f * std::sin(6.2831853f * (300.0f + 200.0f * t) * t);
        pcm[size_t(i) * 2 + 1] = 0.1f * (float(noise >> 16) / 32768.0f - 1.0f);
    }
    const std::vector<uint8_t> ogg = EncodeOggVorbis(pcm, 2, rate, 0.4f);
    TDecodedSample s;
    for (auto _ : state) {
        if (!DecodeOggBytes(ogg.data(), ogg.size(), s)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(s.Pcm.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s.Pcm.size()) * 2);
    state.counters["ogg_KB"] = double(ogg.size()) / 1024.0;
}
BENCHMARK(BM_DecodeOgg)->Unit(benchmark::kMillisecond);

// The names Zestars may play, from the shipped level.
std::vector<std::string> ZestarsSampleNames() {
    static std::vector<std::string> names = [] {
        InitAppDir(ROLLIX_BUILD_DIR);
        SetLogSink([](const std::string&) {});
        MassFile.Create();
        TexLib.LoadLibrary();
        CreateMechanics();
        InstallGameHooks();
        std::vector<std::string> n;
        if (GameHooks.LoadLevel && GameHooks.LoadLevel("Zestars.map") && CurrentLevel)
            n = CurrentLevel->SoundLink.SampleNames();
        ResetGame();
        return n;
    }();
    return names;
}

void BM_PreloadZestars(benchmark::State& state) {
    const std::vector<std::string> names = ZestarsSampleNames();
    if (names.empty()) {
        state.SkipWithError("Zestars cannot be loaded (build the content)");
        return;
    }
    TAudioBackend* out = NullDevice().get();
    if (!out) {
        state.SkipWithError("no null device");
        return;
    }
    double pcm = 0.0;
    int32_t loaded = 0;
    for (auto _ : state) {
        TSoundMan man(out);
        man.PrepareForLevels({names});
        state.PauseTiming();
        pcm = 0.0;
        loaded = 0;
        for (const TSampleRecord& r : man.Samples)
            if (r.Loaded) {
                pcm += double(r.Frames) * r.Channels * 2;
                ++loaded;
            }
        state.ResumeTiming();
    }
    state.counters["samples"] = loaded;
    state.counters["pcm_MB"] = pcm / (1024.0 * 1024.0);
}
BENCHMARK(BM_PreloadZestars)->Unit(benchmark::kMillisecond);

void BM_Update64Sounds(benchmark::State& state) {
    const std::vector<std::string> names = ZestarsSampleNames();
    TAudioBackend* out = NullDevice().get();
    if (names.empty() || !out) {
        state.SkipWithError("no content or no null device");
        return;
    }
    BuildWobbleTable();
    FillRandomTable();
    TSoundMan man(out);
    int32_t k = 0;
    for (const std::string& n : {"FX\\dazd.ogg", "Water\\Bublina vo vode.ogg", "Acid\\Acid Hukot vody.ogg"})
        for (int32_t i = 0; i < 22 && k < 64; ++i, ++k) {
            TMySound* s =
                man.CreateLoopSoundByName(n, {float(k % 8) * 120.0f - 400.0f, float(k / 8) * 90.0f - 300.0f});
            if (!s) {
                state.SkipWithError("a sample is missing");
                return;
            }
            s->Wobble = uint8_t(k % 2);
            s->PitchFactor = 0.9f + 0.01f * float(k % 20);
            s->Play();
        }
    int32_t tick = 0;
    for (auto _ : state) {
        ++tick;
        man.Update({300.0f * std::sin(float(tick) * 0.01f), 0.0f}, 1);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 64);
    state.counters["sounds"] = double(man.LoopSounds.size());
}
BENCHMARK(BM_Update64Sounds)->Unit(benchmark::kMicrosecond);

} // namespace

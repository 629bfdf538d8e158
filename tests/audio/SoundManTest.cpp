// The sound manager against a recording output: what it sends for gain,
// pitch and position, the distance rules, wobble, loops, the placed sounds'
// pauses, the sample library and its index file.
#include "audio/SoundMan.h"

#include "SoundGen.h"
#include "app/FileSave.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Records what reaches the output, per source, and counts the calls.
class TRecordingOutput : public TAudioBackend {
  public:
    struct TSource {
        uint32_t Buffer = 0;
        float Gain = -1.0f, Pitch = -1.0f;
        float X = 0, Y = 0, Z = 0;
        bool Looping = false, Playing = false;
        int32_t PitchCalls = 0;
    };
    struct TBuffer {
        int32_t Channels = 0, Rate = 0, Frames = 0;
    };
    std::map<uint32_t, TSource> Sources;
    std::map<uint32_t, TBuffer> Buffers;
    uint32_t NextName = 1;
    float ListenerX = 0, ListenerY = 0, ListenerGain = -1;
    std::vector<float> PitchesSent;

    bool HasDevice() const override { return true; }
    uint32_t CreateBuffer(int32_t channels, int32_t rate, const int16_t*, int32_t frames) override {
        Buffers[NextName] = {channels, rate, frames};
        return NextName++;
    }
    bool IsBuffer(uint32_t b) override { return Buffers.count(b) != 0; }
    void DeleteBuffer(uint32_t b) override { Buffers.erase(b); }
    uint32_t CreateSource() override {
        Sources[NextName] = {};
        return NextName++;
    }
    bool IsSource(uint32_t s) override { return Sources.count(s) != 0; }
    void DeleteSource(uint32_t s) override { Sources.erase(s); }
    void SetSourceBuffer(uint32_t s, uint32_t b) override { Sources.at(s).Buffer = b; }
    void SetSourceGain(uint32_t s, float g) override { Sources.at(s).Gain = g; }
    void SetSourcePitch(uint32_t s, float p) override {
        Sources.at(s).Pitch = p;
        ++Sources.at(s).PitchCalls;
        PitchesSent.push_back(p);
    }
    void SetSourcePosition(uint32_t s, float x, float y, float z) override {
        auto& src = Sources.at(s);
        src.X = x, src.Y = y, src.Z = z;
    }
    void SetSourceLooping(uint32_t s, bool l) override { Sources.at(s).Looping = l; }
    void PlaySource(uint32_t s) override { Sources.at(s).Playing = true; }
    void StopSource(uint32_t s) override { Sources.at(s).Playing = false; }
    bool SourcePlaying(uint32_t s) override { return Sources.count(s) && Sources.at(s).Playing; }
    void SetListener(float x, float y, float gain) override {
        ListenerX = x, ListenerY = y, ListenerGain = gain;
    }
};

std::vector<uint8_t> OggOf(int32_t channels, int32_t rate, float seconds) {
    std::vector<float> s(size_t(seconds * float(rate)) * size_t(channels));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = 0.5f * std::sin(float(i) * 0.05f);
    return EncodeOggVorbis(s, channels, rate, 0.3f);
}

// An archive with a few samples and their index, the manager over it.
class SoundManFixture : public testing::Test {
  protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("rollix-soundman-" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        AppDir = Dir.string() + "/";
        std::vector<TSampleRecord> lib;
        auto add = [&](const std::string& name, TSoundParams p) {
            TSampleRecord r;
            r.Name = name;
            r.Params = p;
            lib.push_back(r);
        };
        add("FX\\Mono.ogg", {});
        add("FX\\Stereo one!.ogg", {});
        TSoundParams wob;
        wob.Wobble = 1;
        add("FX\\Wobble.ogg", wob);
        add("FX\\Missing.ogg", {});
        TByteWriter w;
        WriteSoundLib(w, lib);
        std::vector<TMassFileInput> entries = {{"Sounds\\", "Rollix.SoundLib", w.Bytes},
                                               {"Sounds\\FX\\", "Mono.ogg", OggOf(1, 22050, 0.5f)},
                                               {"Sounds\\FX\\", "Stereo one!.ogg", OggOf(2, 44100, 0.25f)},
                                               {"Sounds\\FX\\", "Wobble.ogg", OggOf(1, 22050, 2.0f)}};
        std::vector<uint8_t> archive;
        std::string why;
        ASSERT_TRUE(WriteMassFile(entries, archive, why)) << why;
        ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
        MassFile.Clear();
        MassFile.Create();
        BuildWobbleTable();
        FillRandomTable();
        Man = std::make_unique<TSoundMan>(&Out);
    }
    void TearDown() override {
        Man.reset();
        MassFile.Clear();
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    TRecordingOutput::TSource& SourceOf(const TMySound* s) { return Out.Sources.at(s->Source); }

    fs::path Dir;
    TRecordingOutput Out;
    std::unique_ptr<TSoundMan> Man;
};

TEST_F(SoundManFixture, LibraryUploadsMonoAndStereoAndNeverRetriesAFailure) {
    ASSERT_EQ(Man->Samples.size(), 4u);
    // Names compare upper-cased; spaces and "!" are plain characters.
    EXPECT_EQ(Man->FindSampleIndex("fx\\stereo ONE!.ogg"), 1);
    EXPECT_EQ(Man->FindSample("FX\\Nothing.ogg"), nullptr);
    Man->LoadSampleByName("FX\\Mono.ogg");
    Man->LoadSampleByName("FX\\Stereo one!.ogg");
    const TSampleRecord& mono = Man->Samples[0];
    const TSampleRecord& stereo = Man->Samples[1];
    ASSERT_TRUE(mono.Loaded && stereo.Loaded);
    EXPECT_EQ(Out.Buffers.at(mono.Buffer).Channels, 1);
    EXPECT_EQ(Out.Buffers.at(stereo.Buffer).Channels, 2);
    EXPECT_EQ(Out.Buffers.at(stereo.Buffer).Rate, 44100);
    EXPECT_EQ(mono.Frames, 11025);
    const size_t buffers = Out.Buffers.size();
    Man->LoadSampleByName("FX\\Missing.ogg");
    EXPECT_TRUE(Man->Samples[3].Failed);
    EXPECT_FALSE(Man->Samples[3].Loaded);
    Man->UploadSample(3);
    EXPECT_EQ(Out.Buffers.size(), buffers);
    // A failed sample still makes a sound, which plays silence and ends at once.
    TMySound* s = Man->CreateSoundByName("FX\\Missing.ogg");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SourceOf(s).Buffer, 0u);
    s->Play();
    EXPECT_FALSE(s->IsPlaying());
    Man->ReleaseAllSamples();
    EXPECT_TRUE(Out.Buffers.empty());
    EXPECT_FALSE(Man->Samples[0].Loaded);
}

// Listener at the origin; a sound placed at (x, y) with the block given.
struct TDistanceCase {
    const char* What;
    float X, Y, Near, Far, Depth, NearPitch, FarPitch, PitchPercent;
    int32_t VolumePercent;
    float Volume, PitchFactor;
    bool Audible;
    float Gain, Pitch;
};

class SoundManDistance : public SoundManFixture, public testing::WithParamInterface<TDistanceCase> {};

TEST_P(SoundManDistance, GainPitchAndRange) {
    const TDistanceCase c = GetParam();
    TMySound* s = Man->CreateSoundByName("FX\\Wobble.ogg");
    ASSERT_NE(s, nullptr);
    s->Params.NearDistance = c.Near;
    s->Params.FarDistance = c.Far;
    s->Params.Depth = c.Depth;
    s->Params.NearPitch = c.NearPitch;
    s->Params.FarPitch = c.FarPitch;
    s->Params.PitchPercent = c.PitchPercent;
    s->Params.VolumePercent = c.VolumePercent;
    s->Wobble = 0;
    s->Volume = c.Volume;
    s->PitchFactor = c.PitchFactor;
    s->Position = {c.X, c.Y};
    s->Play();
    const int32_t key = s->Key;
    const uint32_t source = s->Source;
    Man->Update({0.0f, 0.0f}, 1);
    EXPECT_EQ(Man->FindSound(key) != nullptr, c.Audible) << c.What;
    if (!c.Audible) {
        EXPECT_FALSE(Out.Sources.count(source))
            << c.What << ": a one-shot out of range is removed with its source";
        return;
    }
    const auto& src = Out.Sources.at(source);
    EXPECT_NEAR(src.Gain, c.Gain, 1e-4f) << c.What;
    EXPECT_NEAR(src.Pitch, c.Pitch, 1e-5f) << c.What;
    EXPECT_TRUE(std::isfinite(src.Pitch) && src.Pitch > 0.0f) << c.What;
    EXPECT_FLOAT_EQ(src.X, c.X);
    EXPECT_FLOAT_EQ(src.Y, c.Y);
    EXPECT_FLOAT_EQ(src.Z, c.Depth);
    EXPECT_FLOAT_EQ(Out.ListenerGain, 1.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SoundManDistance,
    testing::Values(
        TDistanceCase{"between near and far", 300, 0, 150, 600, 0, 0, 0, 100, 100, 1, 1, true, 1.0f / 3.0f,
                      1},
        TDistanceCase{"within near", 0, 100, 150, 600, 0, 0, 0, 100, 100, 1, 1, true, 1, 1},
        TDistanceCase{"at far", 600, 0, 150, 600, 0, 0, 0, 100, 100, 1, 1, true, 0, 1},
        TDistanceCase{"beyond far", 0, 601, 150, 600, 0, 0, 0, 100, 100, 1, 1, false, 0, 0},
        TDistanceCase{"box test first", 610, 10, 150, 600, 0, 0, 0, 100, 100, 1, 1, false, 0, 0},
        TDistanceCase{"depth counts", 0, 0, 150, 600, 300, 0, 0, 100, 100, 1, 1, true, 1.0f / 3.0f, 1},
        TDistanceCase{"diagonal out", 430, 430, 150, 600, 0, 0, 0, 100, 100, 1, 1, false, 0, 0},
        TDistanceCase{"volumes multiply", 100, 0, 150, 600, 0, 0, 0, 100, 50, 0.5f, 1, true, 0.25f, 1},
        TDistanceCase{"silent volume is dropped", 100, 0, 150, 600, 0, 0, 0, 100, 100, 0, 1, false, 0, 0},
        TDistanceCase{"distance pitch, factor twice", 300, 0, 100, 500, 0, 80, 120, 90, 100, 1, 1.1f, true,
                      (1 - 0.5f) * std::exp2(-2.0f), 1.1f * 1.1f * 0.9f},
        TDistanceCase{"distance pitch near", 50, 0, 100, 500, 0, 80, 120, 100, 100, 1, 1, true, 1, 0.8f},
        TDistanceCase{"100 and 100 is no distance pitch", 300, 0, 100, 500, 0, 100, 100, 100, 100, 1, 1.5f,
                      true, (1 - 0.5f) * std::exp2(-2.0f), 2.25f},
        TDistanceCase{"near equal far", 0, 200, 200, 200, 0, 0, 0, 100, 100, 1, 1, true, 1, 1},
        TDistanceCase{"zero pitch factor stays positive", 0, 0, 150, 600, 0, 0, 0, 100, 100, 1, 0, true, 1,
                      1.0f / 1024.0f},
        TDistanceCase{"pitch percent not a number", 0, 0, 150, 600, 0, 0, 0, NAN, 100, 1, 1, true, 1, 1}),
    [](const testing::TestParamInfo<TDistanceCase>& i) {
        std::string n = i.param.What;
        for (char& ch : n)
            if (!std::isalnum(uint8_t(ch))) ch = '_';
        return n;
    });

TEST_F(SoundManFixture, WobbleFollowsTheTableAndPitchIsSentOnlyWhenItChanges) {
    // The table wanders within 12.5 % of 1 and ends at 1, the same every time.
    const auto first = WobbleTable;
    BuildWobbleTable();
    EXPECT_EQ(first, WobbleTable);
    EXPECT_NEAR(WobbleTable.back(), 1.0f, 0.01f);
    for (float w : WobbleTable)
        EXPECT_TRUE(w >= 0.875f - 1e-6f && w <= 1.125f + 1e-6f);

    TMySound* s = Man->CreateSoundByName("FX\\Wobble.ogg");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Wobble, 1) << "the switch comes from the sample's block";
    s->Position = {10, 0};
    s->Play();
    const int32_t start = s->WobbleCursor;
    for (int t = 1; t <= 20; ++t) {
        Man->Update({0, 0}, 1);
        EXPECT_FLOAT_EQ(SourceOf(s).Pitch, WobbleTable[size_t((start + t) % WobbleTableSize)]);
    }
    // Without wobble the pitch goes out once, however many updates follow.
    s->Wobble = 0;
    Man->Update({0, 0}, 1);
    const int32_t calls = SourceOf(s).PitchCalls;
    for (int t = 0; t < 10; ++t)
        Man->Update({0, 0}, 1);
    EXPECT_EQ(SourceOf(s).PitchCalls, calls);
}

TEST_F(SoundManFixture, OneShotEndsWithItsSampleLoopGoesOnAndStopLevelSounds) {
    int level = 0;
    Man->CurrentLevel = &level;
    // 0.5 s of sample: 50 ticks at pitch 1, 25 at pitch 2.
    TMySound* once = Man->CreateSoundByName("FX\\Mono.ogg");
    TMySound* fast = Man->CreateSoundByName("FX\\Mono.ogg");
    TMySound* loop = Man->CreateLoopSoundByName("FX\\Mono.ogg", {0, 0});
    ASSERT_TRUE(once && fast && loop);
    fast->Params.PitchPercent = 200.0f;
    const int32_t onceKey = once->Key, fastKey = fast->Key, loopKey = loop->Key;
    once->Play();
    fast->Play();
    loop->Play();
    EXPECT_TRUE(SourceOf(loop).Looping);
    EXPECT_FALSE(SourceOf(once).Looping);
    int onceTicks = 0, fastTicks = 0;
    for (int t = 0; t < 80; ++t) {
        Man->Update({0, 0}, 1);
        onceTicks += Man->FindSound(onceKey) != nullptr;
        fastTicks += Man->FindSound(fastKey) != nullptr;
    }
    EXPECT_EQ(onceTicks, 49);
    EXPECT_EQ(fastTicks, 24);
    ASSERT_NE(Man->FindSound(loopKey), nullptr);
    EXPECT_TRUE(Man->FindSound(loopKey)->IsPlaying());

    // The game's own sounds (no level) stay; the level's go; silencing keeps them.
    Man->CurrentLevel = nullptr;
    TMySound* own = Man->CreateSoundByName("FX\\Wobble.ogg");
    Man->CurrentLevel = &level;
    TMySound* levels = Man->CreateSoundByName("FX\\Wobble.ogg");
    own->Play();
    levels->Play();
    Man->SilenceLevel(&level);
    EXPECT_FALSE(levels->IsPlaying());
    EXPECT_TRUE(own->IsPlaying());
    EXPECT_EQ(Man->Sounds.size(), 2u);
    Man->StopLevelSounds();
    EXPECT_TRUE(Man->LoopSounds.empty());
    ASSERT_EQ(Man->Sounds.size(), 1u);
    EXPECT_EQ(Man->Sounds[0].get(), own);
    EXPECT_FALSE(Man->RemoveSound(0));
    EXPECT_FALSE(Man->RemoveSound(loopKey));
    EXPECT_TRUE(Man->RemoveSound(own->Key));
}

// The residency pass loads what the levels need and releases the rest,
// except a sample a sound still holds.
TEST_F(SoundManFixture, PrepareForLevelsLoadsNeedsAndReleasesTheRest) {
    Man->PrepareForLevels({{"FX\\Mono.ogg", "FX\\Nothing.ogg"}, {"FX\\Wobble.ogg"}});
    EXPECT_TRUE(Man->Samples[0].Loaded);
    EXPECT_TRUE(Man->Samples[2].Loaded);
    EXPECT_FALSE(Man->Samples[1].Loaded);
    EXPECT_EQ(Out.Buffers.size(), 2u);
    TMySound* held = Man->CreateSoundByName("FX\\Wobble.ogg");
    ASSERT_NE(held, nullptr);
    Man->PrepareForLevels({{"FX\\Stereo one!.ogg"}});
    EXPECT_FALSE(Man->Samples[0].Loaded) << "no level needs it";
    EXPECT_TRUE(Man->Samples[2].Loaded) << "a sound holds it";
    EXPECT_TRUE(Man->Samples[1].Loaded);
    EXPECT_EQ(Out.Buffers.size(), 2u);
    EXPECT_TRUE(Man->Missing.empty()) << "the pass asks for names the library may not hold";
}

TEST_F(SoundManFixture, RangeAndCreatingNear) {
    Man->Update({100, 100}, 1);
    EXPECT_TRUE(Man->IsInRange({100, 699}, 600, 0));
    EXPECT_FALSE(Man->IsInRange({100, 700}, 600, 0));
    EXPECT_FALSE(Man->IsInRange({100, 100}, 600, 600));
    EXPECT_TRUE(Man->IsInRange({520, 520}, 600, 0));
    EXPECT_FALSE(Man->IsInRange({530, 530}, 600, 0)) << "inside the box, outside the circle";
    EXPECT_EQ(Man->CreateSoundNear("FX\\Mono.ogg", {800, 100}, -1), nullptr) << "700 away, far 600";
    const int32_t next = Man->NextKey;
    EXPECT_EQ(Man->SoundKeyNear("FX\\Mono.ogg", {800, 100}, 800), next);
    EXPECT_EQ(Man->CreateSoundNear("FX\\Nothing.ogg", {100, 100}, -1), nullptr);
    EXPECT_EQ(Man->SoundKeyByName("FX\\Nothing.ogg"), 0);
}

// A placed sound with pauses 50 and 150 waits 50 … 149 ticks after each
// play, the same on every replay of the level.
TEST_F(SoundManFixture, PlacedSoundPausesRepeatOnReplay) {
    TLevelSound placed(1);
    placed.SampleName = "FX\\Mono.ogg";
    placed.Position = placed.HomePosition = {50, 0};
    placed.PauseMin = 50;
    placed.PauseMax = 150;
    placed.RandomPitch = 120;
    auto run = [&] {
        FillRandomTable();
        ResetLevelSound(placed);
        std::vector<int32_t> starts;
        int32_t key = 0;
        for (int t = 0; t < 3000; ++t) {
            StepLevelSound(placed, *Man, {});
            if (placed.SoundKey != key && placed.SoundKey != 0) {
                starts.push_back(t);
                // The next pause starts with the play.
                EXPECT_GE(placed.PauseCountdown, 50);
                EXPECT_LE(placed.PauseCountdown, 149);
            }
            key = placed.SoundKey;
            Man->Update({0, 0}, 1);
        }
        return starts;
    };
    const std::vector<int32_t> first = run();
    ASSERT_GT(first.size(), 10u);
    EXPECT_EQ(first[0], 0);
    for (size_t i = 1; i < first.size(); ++i) {
        // The pause runs while the sample plays (at most 50 ticks): the next
        // start comes when both are over.
        const int32_t wait = first[i] - first[i - 1];
        EXPECT_GE(wait, 50) << i;
        EXPECT_LE(wait, 151) << i;
    }
    EXPECT_EQ(run(), first);
    // Out of range or behind a hidden boost the sound goes.
    Man->Update({5000, 0}, 1);
    StepLevelSound(placed, *Man, {});
    EXPECT_EQ(placed.SoundKey, 0);
    Man->Update({0, 0}, 1);
    StepLevelSound(placed, *Man, {true, false, {0, 0}});
    EXPECT_EQ(placed.SoundKey, 0);
}

TEST(SoundLibFile, RoundTripAndDamagedIndex) {
    std::vector<TSampleRecord> lib(3);
    lib[0].Name = "FX\\Crep.ogg";
    lib[1].Name = "xRollix\\ja !.ogg";
    lib[1].Params.Loop = 1;
    lib[1].Params.FarDistance = 1000;
    lib[2].Name = "";
    TByteWriter w;
    WriteSoundLib(w, lib);
    // int32 3, then uint16 11 "FX\Crep.ogg" and its block …
    ASSERT_EQ(w.Bytes.size(), 4u + 3u * 34u + 11u + 16u);
    EXPECT_EQ(w.Bytes[0], 3);
    EXPECT_EQ(w.Bytes[4], 11);
    EXPECT_EQ(w.Bytes[5], 0);
    {
        TByteReader in(w.Bytes);
        std::vector<TSampleRecord> back;
        ASSERT_TRUE(ReadSoundLib(in, back));
        ASSERT_EQ(back.size(), 3u);
        EXPECT_EQ(back[1].Name, "xRollix\\ja !.ogg");
        EXPECT_EQ(back[1].Params.Loop, 1);
        EXPECT_EQ(back[1].Index, 1);
        TByteWriter again;
        WriteSoundLib(again, back);
        EXPECT_EQ(again.Bytes, w.Bytes);
    }
    for (size_t cut = 0; cut < w.Bytes.size(); ++cut) {
        TByteReader in(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + long(cut)));
        std::vector<TSampleRecord> back;
        EXPECT_FALSE(ReadSoundLib(in, back)) << cut;
        EXPECT_LT(back.size(), 3u);
    }
    for (int32_t count : {-1, 4, 0x7FFFFFFF}) {
        std::vector<uint8_t> bad = w.Bytes;
        std::memcpy(bad.data(), &count, 4);
        TByteReader in(bad);
        std::vector<TSampleRecord> back;
        EXPECT_FALSE(ReadSoundLib(in, back)) << count;
    }
}

} // namespace

// The generated sound set: every sound is made, none is silent or clips, the
// one-shot sounds fade in and out, the loops join without a seam, and each
// comes back from its Ogg Vorbis encoding at its own length.
#include "SoundGen.h"
#include "audio/OggDecode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

TEST(SoundGen, EverySoundIsAudibleUnclippedFadedAndDecodesAtItsLength) {
    const std::vector<std::string> names = GeneratedSoundNames();
    ASSERT_GE(names.size(), 50u);
    std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size()) << "each name once";
    for (const std::string& name : names) {
        TGeneratedSound s;
        ASSERT_TRUE(SynthesiseSound(name, s)) << name;
        ASSERT_GT(s.Samples.size(), size_t(GeneratedSoundRate / 50)) << name;
        for (float v : s.Samples)
            ASSERT_TRUE(std::isfinite(v)) << name;
        const float peak = PeakLevel(s.Samples);
        EXPECT_GT(peak, 0.1f) << name << " is nearly silent";
        EXPECT_LE(peak, 0.9f) << name << " comes near clipping";
        EXPECT_GT(LoudnessDb(s.Samples), -30.0f) << name;
        EXPECT_LT(LoudnessDb(s.Samples), -15.0f) << name;
        const float first = std::fabs(s.Samples.front()), last = std::fabs(s.Samples.back());
        if (s.Loop) {
            // The end runs on into the start.
            EXPECT_LT(std::fabs(s.Samples.back() - s.Samples.front()), 0.2f) << name;
        } else {
            EXPECT_LT(first, 0.01f) << name << " starts with a click";
            EXPECT_LT(last, 0.01f) << name << " ends with a click";
        }
        const std::vector<uint8_t> ogg = EncodeOggVorbis(s.Samples, 1, GeneratedSoundRate, 0.4f);
        TDecodedSample back;
        ASSERT_TRUE(DecodeOggBytes(ogg.data(), ogg.size(), back)) << name;
        EXPECT_EQ(back.Channels, 1);
        EXPECT_EQ(back.Rate, GeneratedSoundRate);
        EXPECT_EQ(size_t(back.Frames), s.Samples.size()) << name;
    }
    TGeneratedSound none;
    EXPECT_FALSE(SynthesiseSound("FX\\No such sound.ogg", none));
}

} // namespace

// The decoder against the reference decoder of vorbis-tools: files made by
// oggenc (another encoder than the game's own tool) decode to the same frame
// count as `oggdec --raw`, and to samples within 2 of it (it rounds × 32768,
// the game truncates × 32767). Damaged files fail cleanly.
#include "audio/OggDecode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path WorkDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("rollix-ogg-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fs::temp_directory_path() / ("rollix-ogg-" + std::to_string(::getpid())), ec);
        });
        return d;
    }();
    return dir;
}

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A tone with a sweep and a little noise, so every band of the codec works.
std::vector<int16_t> TestSignal(int32_t channels, int32_t rate, int32_t frames) {
    std::vector<int16_t> pcm(size_t(frames) * size_t(channels));
    uint32_t noise = 12345;
    for (int32_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < channels; ++c) {
            const double t = double(i) / rate;
            noise = noise * 1103515245u + 12345u;
            const double v = 0.45 * std::sin(2 * M_PI * (220.0 * (c + 1)) * t + 300.0 * t * t) +
                             0.05 * (double(noise >> 16) / 32768.0 - 1.0);
            pcm[size_t(i) * size_t(channels) + size_t(c)] = int16_t(v * 32000.0);
        }
    return pcm;
}

// Encodes raw PCM with oggenc; the path of the .ogg.
fs::path Encode(const std::string& name, int32_t channels, int32_t rate, int32_t frames) {
    const fs::path dir = WorkDir();
    const fs::path raw = dir / (name + ".pcm"), ogg = dir / (name + ".ogg");
    const std::vector<int16_t> pcm = TestSignal(channels, rate, frames);
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(pcm.size() * 2));
    const std::string cmd = std::string(ROLLIX_OGGENC) + " -Q -r -B 16 -C " + std::to_string(channels) +
                            " -R " + std::to_string(rate) + " -q 4 -o '" + ogg.string() + "' '" +
                            raw.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ogg;
}

// The reference decoder's samples (16-bit little-endian, interleaved).
std::vector<int16_t> Reference(const fs::path& ogg) {
    const fs::path raw = fs::path(ogg).replace_extension(".ref");
    const std::string cmd =
        std::string(ROLLIX_OGGDEC) + " -Q --raw -o '" + raw.string() + "' '" + ogg.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::vector<uint8_t> bytes = ReadAll(raw);
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return out;
}

struct TEncodeCase {
    const char* Name;
    int32_t Channels, Rate, Frames;
};

class OggAgainstReference : public testing::TestWithParam<TEncodeCase> {};

TEST_P(OggAgainstReference, SameFramesAndSamplesWithinTwo) {
    const TEncodeCase c = GetParam();
    const fs::path ogg = Encode(c.Name, c.Channels, c.Rate, c.Frames);
    const std::vector<uint8_t> bytes = ReadAll(ogg);
    ASSERT_FALSE(bytes.empty());
    const std::vector<int16_t> ref = Reference(ogg);
    TDecodedSample s;
    ASSERT_TRUE(DecodeOggBytes(bytes.data(), bytes.size(), s));
    EXPECT_EQ(s.Channels, c.Channels);
    EXPECT_EQ(s.Rate, c.Rate);
    EXPECT_EQ(size_t(s.Frames) * size_t(c.Channels), s.Pcm.size());
    ASSERT_EQ(s.Pcm.size(), ref.size())
        << "frames " << s.Frames << " against " << ref.size() / size_t(c.Channels);
    int worst = 0;
    for (size_t i = 0; i < ref.size(); ++i)
        worst = std::max(worst, std::abs(int(s.Pcm[i]) - int(ref[i])));
    EXPECT_LE(worst, 2);
    EXPECT_EQ(c.Frames, s.Frames) << "the encoder's frame count comes back";
}

INSTANTIATE_TEST_SUITE_P(
    Files, OggAgainstReference,
    testing::Values(TEncodeCase{"mono8k_long", 1, 8000, 8000 * 6},
                    TEncodeCase{"stereo44k", 2, 44100, 44100 * 2},
                    TEncodeCase{"mono22k_short", 1, 22050, 300}, TEncodeCase{"stereo48k_tiny", 2, 48000, 17},
                    TEncodeCase{"mono11k_one", 1, 11025, 1}, TEncodeCase{"stereo32k", 2, 32000, 32000 / 3}),
    [](const testing::TestParamInfo<TEncodeCase>& i) { return std::string(i.param.Name); });

TEST(OggDecode, FloatSamplesTruncateAndClamp) {
    struct {
        float X;
        int16_t Want;
    } cases[] = {{1.0f, 32767},     {-1.0f, -32767}, {1.5f, 32767}, {-1.5f, -32768},
                 {0.99999f, 32766}, {0.0f, 0},       {-0.00001f, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(PcmFromFloat(c.X), c.Want) << c.X;
}

TEST(OggDecode, MoreThanTwoChannelsFail) {
    const std::vector<uint8_t> bytes = ReadAll(Encode("three", 3, 22050, 2000));
    ASSERT_FALSE(bytes.empty());
    TDecodedSample s;
    EXPECT_FALSE(DecodeOggBytes(bytes.data(), bytes.size(), s));
    EXPECT_TRUE(s.Pcm.empty());
}

// Cut, flipped and stray bytes: never a read or write out of bounds (the
// sanitizers watch), never more frames than the whole file has, and a file
// cut inside its headers fails.
TEST(OggDecode, DamagedFilesFailCleanly) {
    const fs::path ogg = Encode("damage", 2, 22050, 22050);
    const std::vector<uint8_t> good = ReadAll(ogg);
    ASSERT_GT(good.size(), 4000u);
    TDecodedSample whole;
    ASSERT_TRUE(DecodeOggBytes(good.data(), good.size(), whole));

    auto check = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        TDecodedSample s;
        const bool ok = DecodeOggBytes(bytes.data(), bytes.size(), s);
        if (ok) {
            EXPECT_LE(s.Frames, whole.Frames + 4096) << what;
            EXPECT_EQ(size_t(s.Frames) * size_t(s.Channels), s.Pcm.size()) << what;
        } else {
            EXPECT_TRUE(s.Pcm.empty()) << what;
        }
        return ok;
    };
    // The three headers of a small file end within its first few kilobytes.
    for (size_t cut :
         {size_t(0), size_t(1), size_t(4), size_t(27), size_t(28), size_t(58), size_t(100), size_t(249)})
        EXPECT_FALSE(check({good.begin(), good.begin() + long(cut)}, "cut at " + std::to_string(cut)));
    for (size_t cut = 250; cut < good.size(); cut += good.size() / 23)
        check({good.begin(), good.begin() + long(cut)}, "cut at " + std::to_string(cut));
    for (size_t at = 0; at < good.size(); at += 97) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x5A;
        check(bad, "flipped at " + std::to_string(at));
    }
    // A stray capture pattern near the end with a huge granule, and one at the
    // very end with no room for a granule: the estimate is only a guess.
    std::vector<uint8_t> stray = good;
    const uint8_t fake[] = {'O', 'g', 'g', 'S', 0, 4, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
    stray.insert(stray.end(), std::begin(fake), std::end(fake));
    stray.insert(stray.end(), {'x', 'O', 'g', 'g', 'S'});
    TDecodedSample s;
    ASSERT_TRUE(DecodeOggBytes(stray.data(), stray.size(), s) || s.Pcm.empty());
    for (const std::vector<uint8_t>& junk : {std::vector<uint8_t>{'O', 'g', 'g', 'S'},
                                             std::vector<uint8_t>(300, 'O'), std::vector<uint8_t>(5000, 0)})
        EXPECT_FALSE(check(junk, "junk"));
}

TEST(OggDecode, EstimateReadsTheLastPageAndStaysInTheFile) {
    const std::vector<uint8_t> good = ReadAll(Encode("estimate", 1, 16000, 16000));
    // oggenc's last page carries the total frame count.
    EXPECT_EQ(EstimateOggFrames(good.data(), good.size()), 16000);
    // Short blocks and a pattern whose granule would run past the end.
    const uint8_t tail[] = {'O', 'g', 'g', 'S', 0, 0, 1, 2};
    EXPECT_EQ(EstimateOggFrames(tail, sizeof tail), 0);
    EXPECT_EQ(EstimateOggFrames(good.data(), 13), 0);
    EXPECT_EQ(EstimateOggFrames(nullptr, 0), 0);
}

TEST(OggDecode, MissingArchiveEntryFails) {
    TDecodedSample s;
    EXPECT_FALSE(DecodeOggFile("Sounds\\FX\\No such sound.ogg", s));
}

} // namespace

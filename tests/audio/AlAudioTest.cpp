// The OpenAL output over OpenAL Soft's null and loopback drivers: the device
// list, the fallback to the default device, mono and stereo buffers, and a
// loopback render that is loud only while a source plays.
#include "audio/AlAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

int32_t Loudest(TAlAudioBackend& out, int32_t frames) {
    std::vector<int16_t> pcm;
    EXPECT_TRUE(out.Render(pcm, frames));
    int32_t peak = 0;
    for (int16_t v : pcm)
        peak = std::max(peak, std::abs(int32_t(v)));
    return peak;
}

TEST(AlAudio, DevicesListAndAnUnknownNameFallsBackToTheDefault) {
    ASSERT_STREQ(std::getenv("ALSOFT_DRIVERS"), "null");
    const std::vector<std::string> names = ListAudioDevices(100);
    ASSERT_FALSE(names.empty());
    EXPECT_FALSE(names.front().empty());
    EXPECT_TRUE(ListAudioDevices(1).empty()) << "capacity − 1 names at most";
    auto device = OpenAudioDevice("No such sound card");
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->HasDevice());
    device.reset();
    auto named = OpenAudioDevice(names.front());
    ASSERT_NE(named, nullptr);
}

TEST(AlAudio, LoopbackPlaysMonoAndStereoBuffersAndIsSilentWhenStopped) {
    auto out = OpenLoopbackDevice(22050);
    ASSERT_NE(out, nullptr);
    std::vector<int16_t> mono(22050), stereo(22050 * 2);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = int16_t(12000 * std::sin(double(i) * 0.1));
    for (size_t i = 0; i < stereo.size(); ++i)
        stereo[i] = int16_t(12000 * std::sin(double(i / 2) * 0.1));
    for (auto [channels, pcm] : {std::pair{1, &mono}, std::pair{2, &stereo}}) {
        const uint32_t buffer = out->CreateBuffer(channels, 22050, pcm->data(), 22050);
        ASSERT_NE(buffer, 0u) << channels;
        EXPECT_TRUE(out->IsBuffer(buffer));
        const uint32_t source = out->CreateSource();
        ASSERT_NE(source, 0u);
        out->SetSourceBuffer(source, buffer);
        out->SetSourceGain(source, 1.0f);
        out->SetSourcePitch(source, NAN); // plays at 1, not an error
        out->SetListener(0, 0, 1.0f);
        EXPECT_LT(Loudest(*out, 2205), 50) << "nothing plays yet";
        out->PlaySource(source);
        EXPECT_TRUE(out->SourcePlaying(source));
        EXPECT_GT(Loudest(*out, 2205), 2000) << channels;
        out->StopSource(source);
        Loudest(*out, 441);
        EXPECT_LT(Loudest(*out, 2205), 50);
        out->DeleteSource(source);
        out->DeleteBuffer(buffer);
        EXPECT_FALSE(out->IsBuffer(buffer));
    }
    EXPECT_EQ(out->CreateBuffer(3, 22050, mono.data(), 100), 0u) << "more than two channels";
}

} // namespace

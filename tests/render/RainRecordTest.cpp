#include "assets/ByteStream.h"
#include "render/ParticleSystem.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(const TParticleSystem& s) {
    TByteWriter w;
    s.Write(w);
    return w.Bytes;
}

} // namespace

TEST(RainRecord, BytesFieldsAndTransition) {
    TByteWriter w;
    w.WriteInt32(77);                    // ignored: the pool keeps its own limit
    w.WriteInt32(400);                   // TargetCount
    w.WriteFloat32(1.5f);                // kept
    w.WriteFloat32(-2.5f);               // kept
    w.WriteInt32(30);                    // transition start tick
    w.WriteInt32(100);                   // transition length
    w.WriteBlock("\x10\x20\x30\x40", 4); // Colour
    w.WriteInt32(0);                     // no material record
    w.Pad(16);
    w.WriteFloat32(0.75f);               // RainWind
    w.WriteFloat32(9.0f);                // kept
    w.WriteBlock("\x01\x02\x03\x04", 4); // SplashColour
    w.Pad(20);
    ASSERT_EQ(w.Bytes.size(), 80u);

    TParticleSystem rain(300);
    rain.StartCount = 12;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(rain.Load(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(rain.Limit, 300);
    EXPECT_EQ(rain.TargetCount, 400);
    EXPECT_EQ(rain.EndCount, 300); // no more than the pool holds; the stored count is written back as read
    EXPECT_EQ(rain.StartCount, 0);
    EXPECT_EQ(rain.FadeStart, 30);
    EXPECT_EQ(rain.FadeLength, 100);
    EXPECT_EQ(rain.StoredFadeLength, 100);
    EXPECT_EQ(rain.Colour.R, 0x10);
    EXPECT_EQ(rain.Colour.A, 0x40);
    EXPECT_EQ(rain.SplashColour.B, 0x03);
    EXPECT_EQ(rain.RainWind, 0.75f);
    EXPECT_EQ(rain.RainKept[1], -2.5f);
    EXPECT_EQ(rain.RainWindKept, 9.0f);
    EXPECT_FALSE(rain.MaterialStored);
    // A new system's material is the level's base material.
    EXPECT_EQ(rain.Material.BlendSrc, 770);
    EXPECT_EQ(rain.Material.Lit, 1);

    // Written again, only the ignored count changes: it becomes the limit.
    std::vector<uint8_t> again = Bytes(rain);
    std::vector<uint8_t> expected = w.Bytes;
    expected[0] = 300 & 0xFF;
    expected[1] = 300 >> 8;
    EXPECT_EQ(again, expected);
}

TEST(RainRecord, MaterialRoundTripAndTruncation) {
    TParticleSystem rain(300);
    rain.TargetCount = 150;
    rain.MaterialStored = true;
    rain.Material.BlendSrc = 1;
    rain.Material.BlendDst = 1;
    rain.Material.TexEnv = 8448;
    rain.Material.Lit = 0;
    rain.SplashColour = {9, 8, 7, 6};
    const std::vector<uint8_t> written = Bytes(rain);
    ASSERT_EQ(written.size(), 80u + 24u);

    TParticleSystem back(300);
    TByteReader r(written);
    ASSERT_TRUE(back.Load(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_TRUE(back.MaterialStored);
    EXPECT_EQ(back.Material.BlendSrc, 1);
    EXPECT_EQ(back.Material.Lit, 0);
    EXPECT_EQ(Bytes(back), written);

    for (size_t cut = 0; cut < written.size(); ++cut) {
        TParticleSystem part(300);
        TByteReader in(std::vector<uint8_t>(written.begin(), written.begin() + cut));
        EXPECT_FALSE(part.Load(in)) << cut;
    }
}

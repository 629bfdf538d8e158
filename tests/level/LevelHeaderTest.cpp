#include "level/LevelHeader.h"

#include <gtest/gtest.h>

namespace {
std::vector<uint8_t> Bytes(const TLevelHeader& h) {
    TByteWriter w;
    h.Write(w);
    return w.Bytes;
}
} // namespace

TEST(LevelHeader, OldHeaderEndsAfterTwoValues) {
    TByteWriter w;
    WriteShortString(w, "Meadow");
    WriteShortString(w, "");
    w.WriteBlock("\x10\x20\x30\xFF", 4);
    w.WriteFloat32(0.5f);
    w.WriteFloat32(2.0f);
    w.WriteInt32(4242); // the first value of the sky record
    TLevelHeader h;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(h.Read(r));
    EXPECT_FALSE(h.NewHeader);
    EXPECT_EQ(h.LevelTitle, "Meadow");
    EXPECT_EQ(h.SkyTopColor[2], 0x30);
    EXPECT_EQ(h.GravityFactor, 1.0f);
    EXPECT_EQ(r.ReadInt32(), 4242) << "the body follows the two values directly";
    EXPECT_EQ(Bytes(h), std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.end() - 4));
}

TEST(LevelHeader, VersionTagDecidesTheGravityFactor) {
    TLevelHeader full;
    full.LevelTitle = "Caves";
    full.TargetScore = 1500;
    full.CameraFromFile = true;
    full.CameraStart = {120, -40};
    full.GravityFactor = 0.5f;
    full.BonusSeconds = 90;
    full.HelpBoosts = {3, 7};
    full.EditorText2 = "note";
    std::vector<uint8_t> bytes = Bytes(full);
    TLevelHeader back;
    TByteReader r(bytes);
    ASSERT_TRUE(back.Read(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(back.GravityFactor, 0.5f);
    EXPECT_EQ(back.CameraStart, (TVec2{120, -40}));
    EXPECT_EQ(back.HelpBoosts, (std::vector<int32_t>{3, 7}));
    EXPECT_EQ(Bytes(back), bytes);

    TLevelHeader noGravity = full;
    noGravity.VersionTag = 0;
    noGravity.NoPlayerControl = true;
    std::vector<uint8_t> shorter = Bytes(noGravity);
    EXPECT_EQ(shorter.size(), bytes.size() - 4) << "no gravity factor after tag 0";
    TLevelHeader read;
    TByteReader r2(shorter);
    ASSERT_TRUE(read.Read(r2));
    EXPECT_EQ(read.GravityFactor, 1.0f);
    EXPECT_TRUE(read.NoPlayerControl) << "the flag follows the tag directly";
}

TEST(LevelHeader, HelpBoostsBeyondTenAreReadPast) {
    // A header with no help boosts, then the count and the reserved bytes
    // written anew with fifteen values.
    TLevelHeader prefix;
    std::vector<uint8_t> head = Bytes(prefix);
    TByteWriter w;
    w.WriteBlock(head.data(), head.size() - 32 - 4);
    w.WriteInt32(15);
    for (int32_t i = 0; i < 15; ++i)
        w.WriteInt32(100 + i);
    w.Pad(32);
    w.WriteInt32(777);
    TLevelHeader back;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(back.Read(r));
    ASSERT_EQ(back.HelpBoosts.size(), 10u);
    EXPECT_EQ(back.HelpBoosts[9], 109);
    EXPECT_EQ(r.ReadInt32(), 777);

    for (size_t cut = 0; cut < w.Bytes.size() - 4; ++cut) {
        TLevelHeader part;
        TByteReader in(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + cut));
        EXPECT_FALSE(part.Read(in)) << cut;
        EXPECT_LE(part.HelpBoosts.size(), 10u);
    }
}

#include "audio/LevelSound.h"
#include "assets/ByteStream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> Bytes(const TLevelSound& s) {
    TByteWriter w;
    s.Write(w);
    return w.Bytes;
}

TLevelSound RichSound() {
    TLevelSound s(5);
    s.SampleName = "Water\\Waterfall.ogg";
    s.Position = s.HomePosition = {120.0f, -40.0f};
    s.Wobble = 1;
    s.Params.NearDistance = 80.0f;
    s.Params.FarDistance = 900.0f;
    s.Params.VolumePercent = 70;
    s.Params.PitchPercent = 110.0f;
    s.Params.NearPitch = 80.0f;
    s.Params.FarPitch = 120.0f;
    s.Params.Depth = 30.0f;
    s.Params.Loop = 1;
    s.Params.Wobble = 1;
    s.Params.Reserved = {7, 9};
    s.BoostIndex = 2;
    s.Id = 44;
    s.Disabled = 1;
    s.KeepHome = 1;
    s.FollowBoost = 1;
    s.RandomPitch = 95.0f;
    s.PauseMin = 50;
    s.PauseMax = 150;
    return s;
}

} // namespace

TEST(LevelSound, ShortRecordsAndBlockLengths) {
    struct TCase {
        const char* What;
        int32_t Length;
        bool Want;
    };
    const TCase cases[] = {
        {"a shorter block keeps the rest of the parameters", 8, true},
        {"a full block", 32, true},
        {"a longer block is skipped past its 32 bytes", 40, true},
        {"a negative length", -1, false},
        {"a length beyond the bytes left", 100000, false},
    };
    for (const TCase& c : cases) {
        TByteWriter w;
        w.WriteString("FX\\Hum.ogg"); // sample name
        w.WriteFloat32(10.0f);        // x
        w.WriteFloat32(20.0f);        // y
        w.WriteByte(1);               // wobble
        w.WriteInt32(c.Length);       // block length
        const int32_t stored = std::clamp(c.Length, 0, 40);
        for (int32_t i = 0; i < stored; i += 4)
            w.WriteFloat32(float(i + 1));
        w.WriteInt32(0); // not the marker 110011: the record ends
        TLevelSound s(9);
        TByteReader r(w.Bytes);
        EXPECT_EQ(s.Load(r), c.Want) << c.What;
        if (!c.Want) continue;
        EXPECT_TRUE(r.AtEnd()) << c.What;
        EXPECT_EQ(s.SampleName, "FX\\Hum.ogg");
        EXPECT_EQ(s.Position, (TVec2{10.0f, 20.0f}));
        EXPECT_EQ(s.HomePosition, s.Position);
        EXPECT_EQ(s.Wobble, 1);
        EXPECT_EQ(s.Id, 9) << c.What;
        EXPECT_EQ(s.BoostIndex, -1) << c.What;
        EXPECT_EQ(s.Params.NearDistance, 1.0f) << c.What;
        EXPECT_EQ(s.Params.FarDistance, 5.0f) << c.What;
        EXPECT_EQ(s.Params.Depth, c.Length >= 28 ? 25.0f : 0.0f) << c.What;
    }
}

TEST(LevelSound, FullRecordRoundTripsAndCutsFail) {
    const TLevelSound s = RichSound();
    const std::vector<uint8_t> written = Bytes(s);
    TLevelSound back(1);
    TByteReader r(written);
    ASSERT_TRUE(back.Load(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(back.Id, 44);
    EXPECT_EQ(back.BoostIndex, 2);
    EXPECT_EQ(back.Params.VolumePercent, 70);
    EXPECT_EQ(back.Params.Reserved, (std::array<uint8_t, 2>{7, 9}));
    EXPECT_EQ(back.PauseMax, 150);
    EXPECT_EQ(back.RandomPitch, 95.0f);
    EXPECT_EQ(back.KeepHome, 1);
    EXPECT_EQ(Bytes(back), written);
    for (size_t cut = 0; cut < written.size(); ++cut) {
        TLevelSound part(1);
        TByteReader in(std::vector<uint8_t>(written.begin(), written.begin() + cut));
        EXPECT_FALSE(part.Load(in)) << cut;
    }
    // A stored id of 0 keeps the id given at creation.
    TLevelSound zero = RichSound();
    zero.Id = 0;
    TLevelSound kept(17);
    TByteReader rz(Bytes(zero));
    ASSERT_TRUE(kept.Load(rz));
    EXPECT_EQ(kept.Id, 17);
}

TEST(LevelSound, BoostIndexAttachesOnlyWithinTheList) {
    struct TCase {
        int32_t Index, Count;
        bool Want;
    };
    for (const TCase& c : {TCase{-1, 3, false}, TCase{0, 3, true}, TCase{2, 3, true}, TCase{3, 3, false},
                           TCase{0, 0, false}}) {
        TLevelSound s;
        s.BoostIndex = c.Index;
        EXPECT_EQ(s.AttachesBoost(c.Count), c.Want) << c.Index << " of " << c.Count;
    }
}

TEST(LevelSound, ListGivesFreshIdsAndChecksItsCount) {
    std::vector<std::unique_ptr<TLevelSound>> list;
    for (int32_t id : {0, 99, 0}) {
        list.push_back(std::make_unique<TLevelSound>(RichSound()));
        list.back()->Id = id;
    }
    TByteWriter w;
    WriteLevelSounds(w, list);
    std::vector<std::unique_ptr<TLevelSound>> back;
    int32_t nextId = 1;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(ReadLevelSounds(r, back, nextId));
    EXPECT_TRUE(r.AtEnd());
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0]->Id, 1);
    EXPECT_EQ(back[1]->Id, 99);
    EXPECT_EQ(back[2]->Id, 3);
    EXPECT_EQ(nextId, 4);

    const size_t one = (w.Bytes.size() - 4) / 3;
    std::vector<std::unique_ptr<TLevelSound>> part;
    TByteReader cut(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + 4 + one + 5));
    EXPECT_FALSE(ReadLevelSounds(cut, part, nextId));
    EXPECT_EQ(part.size(), 1u);

    for (int32_t count : {-3, 1 << 30}) {
        std::vector<uint8_t> bad = w.Bytes;
        std::memcpy(bad.data(), &count, 4);
        std::vector<std::unique_ptr<TLevelSound>> none;
        TByteReader in(bad);
        EXPECT_FALSE(ReadLevelSounds(in, none, nextId)) << count;
        EXPECT_TRUE(none.empty()) << count;
    }
    for (size_t i = 0; i < w.Bytes.size(); ++i) {
        std::vector<uint8_t> bad = w.Bytes;
        bad[i] ^= 0x96;
        std::vector<std::unique_ptr<TLevelSound>> any;
        TByteReader in(bad);
        ReadLevelSounds(in, any, nextId);
        EXPECT_LE(any.size(), 3u);
    }
}

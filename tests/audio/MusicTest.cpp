#include "assets/ByteStream.h"
#include "audio/MusicMan.h"

#include <gtest/gtest.h>

TEST(Music, TrackSectionKeepsTwelveAndConsumesAll) {
    struct TCase {
        int32_t Count;
        bool Want;
    };
    for (const TCase& c : {TCase{15, true}, TCase{12, true}, TCase{3, true}, TCase{0, true}, TCase{-1, false},
                           TCase{100000, false}}) {
        TByteWriter w;
        w.WriteInt32(c.Count);
        for (int32_t i = 0; i < std::clamp(c.Count, 0, 15); ++i) {
            w.WriteBool(i % 2 == 0); // selected on even tracks
            w.Pad(5);
        }
        w.Pad(32);
        TMusicMan m;
        m.Tracks[11].Selected = true;
        TByteReader r(w.Bytes);
        EXPECT_EQ(m.LoadTracks(r), c.Want) << c.Count;
        if (!c.Want) continue;
        EXPECT_TRUE(r.AtEnd()) << c.Count;
        for (int32_t i = 0; i < MusicTrackCount; ++i) {
            const bool want = i < c.Count ? i % 2 == 0 : i == 11;
            EXPECT_EQ(m.Tracks[size_t(i)].Selected, want) << c.Count << " track " << i;
        }
    }
}

TEST(Music, LevelMusicKeepsTwelveFlagsAndSkipsTheRest) {
    struct TCase {
        int32_t Count;
        bool Want;
    };
    for (const TCase& c :
         {TCase{15, true}, TCase{12, true}, TCase{2, true}, TCase{-5, false}, TCase{1 << 20, false}}) {
        TByteWriter w;
        w.WriteByte(3); // current music
        w.WriteInt32(c.Count);
        for (int32_t i = 0; i < std::clamp(c.Count, 0, 15); ++i)
            w.WriteBool(i != 1);
        w.Pad(16);
        TLevelMusic l;
        TByteReader r(w.Bytes);
        EXPECT_EQ(l.Read(r), c.Want) << c.Count;
        if (!c.Want) continue;
        EXPECT_TRUE(r.AtEnd()) << c.Count;
        EXPECT_EQ(l.CurrentMusic, 3);
        for (int32_t i = 0; i < MusicTrackCount; ++i)
            EXPECT_EQ(l.TrackFlags[size_t(i)], i < c.Count && i != 1) << c.Count << " flag " << i;
    }
}

TEST(Music, RecordsRoundTripAndCutsFail) {
    TLevelMusic l;
    l.CurrentMusic = 7;
    l.TrackFlags[0] = l.TrackFlags[5] = l.TrackFlags[11] = true;
    TMusicMan m;
    m.ApplyLevel(l);
    EXPECT_EQ(m.CurrentMusic, 7);
    EXPECT_TRUE(m.Tracks[5].Selected);
    EXPECT_FALSE(m.Tracks[4].Selected);

    TByteWriter lw, mw;
    l.Write(lw);
    m.WriteTracks(mw);
    TLevelMusic lb;
    TMusicMan mb;
    TByteReader lr(lw.Bytes), mr(mw.Bytes);
    ASSERT_TRUE(lb.Read(lr));
    ASSERT_TRUE(mb.LoadTracks(mr));
    EXPECT_TRUE(lr.AtEnd());
    EXPECT_TRUE(mr.AtEnd());
    TByteWriter lw2, mw2;
    lb.Write(lw2);
    mb.WriteTracks(mw2);
    EXPECT_EQ(lw2.Bytes, lw.Bytes);
    EXPECT_EQ(mw2.Bytes, mw.Bytes);
    for (size_t cut = 0; cut < lw.Bytes.size(); ++cut) {
        TLevelMusic part;
        TByteReader in(std::vector<uint8_t>(lw.Bytes.begin(), lw.Bytes.begin() + cut));
        EXPECT_FALSE(part.Read(in)) << cut;
    }
    for (size_t cut = 0; cut < mw.Bytes.size(); ++cut) {
        TMusicMan part;
        TByteReader in(std::vector<uint8_t>(mw.Bytes.begin(), mw.Bytes.begin() + cut));
        EXPECT_FALSE(part.LoadTracks(in)) << cut;
    }
}

#include "world/Material.h"
#include "assets/ByteStream.h"

#include <gtest/gtest.h>

TEST(Material, FixBlendTable) {
    struct TCase {
        int32_t Src, Dst, WantSrc, WantDst;
    };
    const TCase cases[] = {
        {770, 772, 770, 1},
        {1, 772, 1, 1},
        {775, 772, 775, 1},
        {772, 772, 1, 1},
        {775, 773, 775, 0},
        {771, 772, 771, 1},
        {773, 771, 770, 771},
        {770, 771, 770, 771},
        // Pairs the table does not list never keep reading destination alpha.
        {768, 772, 768, 1},
        {768, 773, 768, 0},
        {772, 773, 770, 0},
    };
    for (const TCase& c : cases) {
        int32_t s = c.Src, d = c.Dst;
        FixBlend(s, d);
        EXPECT_EQ(s, c.WantSrc) << c.Src << "," << c.Dst;
        EXPECT_EQ(d, c.WantDst) << c.Src << "," << c.Dst;
    }
}

TEST(Material, RecordBytesAndRoundTrip) {
    TMaterial m;
    m.BlendSrc = 770;
    m.BlendDst = 1;
    m.TexEnv = 8448;
    m.Lit = 0;
    TByteWriter w;
    m.Write(w);
    const std::vector<uint8_t> expected = {
        0x02, 0x03, 0, 0,             // BlendSrc 770
        0x01, 0,    0, 0,             // BlendDst 1
        0x00, 0x21, 0, 0,             // TexEnv 8448
        0,    0,    0, 0,             // Lit 0
        0,    0,    0, 0, 0, 0, 0, 0, // reserved
    };
    EXPECT_EQ(w.Bytes, expected);
    TByteReader r(w.Bytes);
    TMaterial back;
    back.Read(r);
    EXPECT_FALSE(r.ShortRead);
    TByteWriter again;
    back.Write(again);
    EXPECT_EQ(again.Bytes, w.Bytes);

    // A stored pair that reads destination alpha is mended on reading.
    TByteWriter old;
    old.WriteInt32(772);
    old.WriteInt32(772);
    old.WriteInt32(-1);
    old.WriteInt32(-1);
    old.Pad(8);
    TByteReader r2(old.Bytes);
    TMaterial mended;
    mended.Read(r2);
    EXPECT_EQ(mended.BlendSrc, 1);
    EXPECT_EQ(mended.BlendDst, 1);
}

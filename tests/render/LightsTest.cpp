#include "render/Lights.h"
#include "assets/ByteStream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> Bytes(const TLight& l) {
    TByteWriter w;
    l.Write(w);
    return w.Bytes;
}

std::vector<uint8_t> Bytes(const TLights& l) {
    TByteWriter w;
    l.Write(w);
    return w.Bytes;
}

void PutFloat(std::vector<uint8_t>& b, float v) {
    uint8_t raw[4];
    std::memcpy(raw, &v, 4);
    b.insert(b.end(), raw, raw + 4);
}

// A cycling, flashing light linked to boost 2.
TLight RichLight() {
    TLight l;
    l.Radius = 150.0f;
    l.StoredColor = {1.0f, 0.5f, 0.25f, 1.0f};
    l.Height = 64.0f;
    l.Position = {10.0f, -20.0f, 0.0f, 1.0f};
    l.LayerMin = -1;
    l.LayerMax = 2;
    l.Cycle = 1;
    l.CycleMin = 300;
    l.CycleRandom = 50;
    l.Colors = {{1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 128.0f / 255.0f, 1.0f, 1.0f}};
    l.BoostIndex = 2;
    l.Sequential = true;
    l.Flash = true;
    l.FlashTimes = {1, 2, 3, 4, 5, 6, 7, 8};
    l.FlashStartPhase = 3;
    l.UpdateZ();
    return l;
}

TLights RichSection() {
    TLights s;
    s.StoredSwitch = true;
    s.BaseLights[0]->Radius = 300.0f;
    s.BaseLights.push_back(std::make_unique<TLight>(&s));
    for (int i = 0; i < 3; ++i) {
        auto l = std::make_unique<TLight>(RichLight());
        l->Position[0] = float(100 * i);
        l->BoostIndex = i == 1 ? -1 : i;
        l->Cycle = uint8_t(i != 2);
        l->UpdateBox();
        s.PointLights.push_back(std::move(l));
    }
    return s;
}

} // namespace

TEST(Lights, RecordBytesAndDerivedValues) {
    // The smallest record: no cycle, no boost link, no flash block.
    std::vector<uint8_t> b;
    PutFloat(b, 100.0f); // Radius
    for (float c : {0.5f, 0.25f, 1.0f, 1.0f})
        PutFloat(b, c); // StoredColor
    PutFloat(b, 0.0f);  // Height 0: in the plane
    for (float c : {40.0f, 50.0f, 777.0f, 1.0f})
        PutFloat(b, c);                          // Position; the stored z is replaced
    b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0xFF}); // LayerMin −1
    b.insert(b.end(), {0x01, 0, 0, 0});          // LayerMax 1
    b.insert(b.end(), {0x00});                   // Cycle 0: no colours follow
    b.insert(b.end(), {0x07});                   // not the boost marker 0xC8
    b.insert(b.end(), {0x01});                   // Sequential
    b.insert(b.end(), {0x00});                   // not the flash marker 0xDE
    b.insert(b.end(), {0, 0, 0, 0});             // reserved
    ASSERT_EQ(b.size(), size_t(MinLightRecordSize));
    TLight l;
    TByteReader r(b);
    ASSERT_TRUE(l.Read(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(l.Radius, 100.0f);
    EXPECT_EQ(l.Position[2], 0.0f);
    EXPECT_EQ(l.LayerMin, -1);
    EXPECT_EQ(l.BoostIndex, -1);
    EXPECT_TRUE(l.Sequential);
    EXPECT_FALSE(l.Flash);
    EXPECT_EQ(l.CurrentColor, l.StoredColor);
    EXPECT_EQ(l.BaseColor, l.StoredColor);
    EXPECT_EQ(l.Box, (TBox2{-60.0f, -50.0f, 140.0f, 150.0f}));

    // The full record keeps every stored value through writer → reader → writer.
    const TLight rich = RichLight();
    const std::vector<uint8_t> written = Bytes(rich);
    TLight back;
    TByteReader r2(written);
    ASSERT_TRUE(back.Read(r2));
    EXPECT_TRUE(r2.AtEnd());
    EXPECT_EQ(back.Colors, rich.Colors);
    EXPECT_EQ(back.BoostIndex, 2);
    EXPECT_EQ(back.FlashTimes, rich.FlashTimes);
    EXPECT_EQ(back.FlashStartPhase, 3);
    EXPECT_EQ(back.CycleMin, 300);
    EXPECT_EQ(Bytes(back), written);
}

TEST(Lights, HeightPlacesTheLightInFrontOfThePlane) {
    struct TCase {
        float Radius, Height, WantZ;
    };
    const TCase cases[] = {
        {200.0f, 128.0f, -900.0f},  // the default: 4.5 radii in front
        {100.0f, 0.0f, 0.0f},       // in the plane
        {100.0f, 256.0f, -900.0f},  // −9 radii
        {-100.0f, 128.0f, -450.0f}, // the radius counts by its size
    };
    for (const TCase& c : cases) {
        TLight l;
        l.Height = c.Height;
        l.SetRadius(c.Radius);
        EXPECT_NEAR(l.Position[2], c.WantZ, 1e-3) << c.Radius << " " << c.Height;
    }
    EXPECT_NEAR(TLight().Position[2], -900.0f, 1e-3);
}

TEST(Lights, CreateMakesTheCharacterAndFillLights) {
    TLights s;
    ASSERT_EQ(s.BaseLights.size(), 2u);
    EXPECT_EQ(s.BaseLights[0]->Radius, 300.0f);
    EXPECT_EQ(s.BaseLights[0]->Position[3], 1.0f);
    EXPECT_EQ(s.BaseLights[1]->Position[3], 0.0f);
    EXPECT_EQ(s.BaseLights[1]->CurrentColor, (TLightColor{0.3f, 0.3f, 0.3f, 1.0f}));
    EXPECT_TRUE(s.PointLights.empty());
    EXPECT_EQ(s.SlotLayer, -10000);
}

TEST(Lights, BoostLinksReachOnlyTheBoostsGiven) {
    struct TCase {
        int32_t Index, Count;
        bool Want;
    };
    // A light stored in boost record i is checked with count i + 1.
    const TCase cases[] = {{-1, 5, false}, {0, 1, true},  {0, 0, false},
                           {3, 4, true},   {4, 4, false}, {-7, 10, false}};
    for (const TCase& c : cases) {
        TLight l;
        l.BoostIndex = c.Index;
        EXPECT_EQ(l.LinksBoostWithin(c.Count), c.Want) << c.Index << " of " << c.Count;
    }
}

TEST(Lights, SectionRoundTripsAndDamagedCopiesFailCleanly) {
    const TLights s = RichSection();
    const std::vector<uint8_t> written = Bytes(s);
    TLights back;
    TByteReader r(written);
    ASSERT_TRUE(back.Read(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_TRUE(back.StoredSwitch);
    ASSERT_EQ(back.BaseLights.size(), 3u);
    ASSERT_EQ(back.PointLights.size(), 3u);
    EXPECT_EQ(back.PointLights[1]->BoostIndex, -1);
    EXPECT_EQ(back.PointLights[2]->Cycle, 0);
    EXPECT_EQ(back.PointLights[2]->Position[0], 200.0f);
    for (const auto& l : back.PointLights)
        EXPECT_EQ(l->Owner, &back);
    EXPECT_EQ(Bytes(back), written);

    // Every cut fails; the point lights read before the cut stay.
    for (size_t cut = 0; cut < written.size(); ++cut) {
        TLights part;
        TByteReader in(std::vector<uint8_t>(written.begin(), written.begin() + cut));
        EXPECT_FALSE(part.Read(in)) << cut;
        EXPECT_GE(part.BaseLights.size(), 2u);
        EXPECT_LE(part.PointLights.size(), 3u);
    }
    // Flipped bytes anywhere: no crash, no sanitizer report, lists stay bounded.
    for (size_t i = 0; i < written.size(); ++i) {
        for (uint8_t v : {uint8_t(0x80), uint8_t(0xFF), uint8_t(0x7F)}) {
            std::vector<uint8_t> bad = written;
            bad[i] = v;
            TLights copy;
            TByteReader in(bad);
            copy.Read(in);
            EXPECT_LE(copy.PointLights.size(), written.size() / MinLightRecordSize);
        }
    }
}

TEST(Lights, StoredCountsAreCheckedBeforeUse) {
    struct TCase {
        const char* What;
        int32_t Points, Bases;
        bool Want;
        size_t WantBases;
    };
    const TCase cases[] = {
        {"no lights at all", 0, 0, true, 2},
        {"negative point count", -1, 0, false, 2},
        {"point count beyond the bytes", 1000000, 0, false, 2},
        {"base count beyond the bytes", 0, 1 << 30, false, 2},
        {"negative base count reads none", 0, -4, true, 2},
        {"one base light keeps the fill light", 0, 1, true, 2},
    };
    for (const TCase& c : cases) {
        TByteWriter w;
        w.WriteBool(false);
        w.WriteInt32(c.Points);
        w.Pad(20);
        w.WriteInt32(c.Bases);
        for (int32_t i = 0; i < std::min(c.Bases, 1); ++i)
            TLight().Write(w);
        w.Pad(28 + 32);
        TLights s;
        TByteReader r(w.Bytes);
        EXPECT_EQ(s.Read(r), c.Want) << c.What;
        EXPECT_EQ(s.BaseLights.size(), c.WantBases) << c.What;
        EXPECT_TRUE(s.PointLights.empty()) << c.What;
    }
    // A cycle colour count beyond the bytes left fails the record.
    TLight l = RichLight();
    std::vector<uint8_t> b = Bytes(l);
    const size_t countAt = 4 + 16 + 4 + 16 + 8 + 1 + 8;
    b[countAt + 3] = 0x7F;
    TLight damaged;
    TByteReader r(b);
    EXPECT_FALSE(damaged.Read(r));
    EXPECT_TRUE(damaged.Colors.empty());
}

#include "world/Layers.h"
#include "app/Random.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
std::vector<uint8_t> Section(int32_t lowest, const std::vector<TLayerRecord>& records,
                             int32_t storedCount = -1) {
    TByteWriter w;
    w.WriteInt32(lowest);
    w.WriteInt32(storedCount >= 0 ? storedCount : int32_t(records.size()));
    for (const TLayerRecord& r : records) {
        w.WriteFloat32(r.Parallax);
        w.WriteInt32(r.ColorSource);
        for (float c : r.LightColor)
            w.WriteFloat32(c);
        w.WriteBool(r.CharacterLight);
        w.WriteBool(r.Flicker);
        for (float c : r.LightColor2)
            w.WriteFloat32(c);
        w.WriteInt32(r.FlickerMin);
        w.WriteInt32(r.FlickerRandom);
        w.WriteBool(r.Hidden);
        w.Pad(53);
    }
    return w.Bytes;
}
} // namespace

TEST(Layers, ReadNumbersAndWritesBack) {
    std::vector<TLayerRecord> records(5);
    records[0].Parallax = 0.5f;
    records[1].ColorSource = 0; // takes the sky's ambient colour
    records[2].CharacterLight = true;
    records[4].Hidden = true;
    auto bytes = Section(-2, records);
    ASSERT_EQ(bytes.size(), 8u + 5u * size_t(LayerRecordSize));
    TLayers layers;
    TByteReader in(bytes);
    layers.Read(in, {0.2f, 0.4f, 0.6f, 1.0f});
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(layers.Layers.size(), 5u);
    EXPECT_EQ(layers.MinNumber, -2);
    EXPECT_EQ(layers.MaxNumber, 2);
    EXPECT_EQ(&layers.LayerOf(0), layers.Layers[2].get());
    EXPECT_EQ(layers.LayerOf(-2).DepthFactor, 2.0f);
    EXPECT_EQ(layers.LayerOf(-1).LightColor, (TLightColor{0.2f, 0.4f, 0.6f, 1.0f}));
    EXPECT_FALSE(layers.LayerOf(2).Visible);
    EXPECT_EQ(&layers.LayerOf(99), layers.Layers[4].get()) << "out-of-range numbers give the nearest layer";

    TByteWriter again;
    layers.Write(again);
    TLayers back;
    TByteReader in2(again.Bytes);
    back.Read(in2, {});
    TByteWriter third;
    back.Write(third);
    EXPECT_EQ(third.Bytes, again.Bytes);
}

TEST(Layers, DamagedSectionsStillHaveAPlayingLayer) {
    struct {
        int32_t lowest;
        int32_t records;
        int32_t stored;
        int32_t min, max;
    } cases[] = {
        {3, 2, 2, 0, 1},       // lowest above 0
        {-4, 2, 2, -4, 0},     // count stops short of layer 0
        {0, 1, 1000000, 0, 0}, // a count far beyond the bytes
        {0, 0, -7, 0, 0},      // a negative count
    };
    for (const auto& c : cases) {
        auto bytes = Section(c.lowest, std::vector<TLayerRecord>(size_t(c.records)), c.stored);
        TLayers layers;
        TByteReader in(bytes);
        layers.Read(in, {});
        EXPECT_EQ(layers.MinNumber, c.min) << c.lowest << "/" << c.stored;
        EXPECT_EQ(layers.MaxNumber, c.max) << c.lowest << "/" << c.stored;
        EXPECT_EQ(layers.Playing().Number, 0);
    }
    struct {
        float parallax, depth;
    } factors[] = {{0.0f, 1000.0f}, {-0.0001f, -1000.0f}, {0.0005f, 1000.0f}, {NAN, 1.0f}, {2.0f, 0.5f}};
    for (const auto& f : factors) {
        TLayer l;
        l.SetParallax(f.parallax);
        EXPECT_FLOAT_EQ(l.DepthFactor, f.depth)
            << "a factor near zero must not make the layer infinite: " << f.parallax;
    }
}

TEST(Layers, CreatedLayersReachLayerZero) {
    TLayers layers;
    layers.Create(-2, {0.25f, 0.5f});
    EXPECT_EQ(layers.MinNumber, -2);
    EXPECT_EQ(layers.MaxNumber, 0);
    EXPECT_EQ(layers.LayerOf(-2).Parallax, 0.25f);
    EXPECT_EQ(layers.LayerOf(0).Parallax, 1.0f);
    EXPECT_TRUE(layers.LayerOf(0).CharacterLight);
    layers.Create(0, {1.0f, 1.5f, 2.0f});
    EXPECT_EQ(layers.MaxNumber, 2);
    EXPECT_EQ(layers.LayerOf(2).DepthFactor, 0.5f);
}

TEST(Layers, MemberNumbersAreClampedIntoTheRange) {
    auto bytes = Section(-1, std::vector<TLayerRecord>(4));
    TLayers layers;
    TByteReader in(bytes);
    layers.Read(in, {});
    const std::pair<int32_t, int32_t> cases[] = {{7, 2}, {-5, -1}, {1, 1}, {INT32_MIN, -1}};
    for (auto [stored, clamped] : cases)
        EXPECT_EQ(layers.ClampNumber(stored), clamped) << stored;
}

TEST(Layers, FlickerAndTheView) {
    TLayer l;
    l.LightColor = {0.5f, 0.5f, 0.5f, 1};
    l.LightColor2 = {1, 0, 0, 1};
    l.TickFlicker(10);
    EXPECT_EQ(l.CurrentLight, l.LightColor) << "without flicker the light is the base colour";
    l.Flicker = true;
    l.Reset();
    Seed(100);
    uint32_t before = RandSeed;
    l.TickFlicker(10);
    EXPECT_EQ(l.FlickerDuration, 1) << "no minimum and no random range last 1 ms";
    EXPECT_NE(RandSeed, before);
    TLightColor first = l.ToLight;
    l.TickFlicker(10);
    EXPECT_NE(l.ToLight, first) << "a new target every tick";
    for (float c : l.CurrentLight)
        EXPECT_TRUE(c >= 0 && c <= 1);

    TLayer far;
    far.SetParallax(0.5f);
    far.UpdateRect({1000, 0}, 800, 600);
    EXPECT_FLOAT_EQ((far.LayerRect.Left + far.LayerRect.Right) / 2, 500);
    EXPECT_FLOAT_EQ(far.LayerRect.Right - far.LayerRect.Left, 1600);
}

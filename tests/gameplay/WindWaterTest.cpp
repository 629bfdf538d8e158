#include "assets/ByteStream.h"
#include "gameplay/Water.h"
#include "gameplay/Wind.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {
template <typename T> std::vector<uint8_t> Bytes(const T& record) {
    TByteWriter w;
    record.Write(w);
    return w.Bytes;
}

// Writer → reader → writer gives the same bytes; every cut of the record
// fails cleanly, and damaged copies read without a fault.
template <typename T> void CheckRecord(const std::vector<uint8_t>& bytes) {
    {
        T back;
        TByteReader r(bytes);
        ASSERT_TRUE(back.Read(r));
        EXPECT_TRUE(r.AtEnd());
        EXPECT_EQ(Bytes(back), bytes);
    }
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        T part;
        TByteReader in(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)));
        EXPECT_FALSE(part.Read(in)) << "cut at " << cut;
    }
    uint32_t seed = 777;
    for (int copy = 0; copy < 2000; ++copy) {
        std::vector<uint8_t> damaged = bytes;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            damaged[(seed >> 8) % damaged.size()] = uint8_t(seed >> 24);
        }
        T any;
        TByteReader in(damaged);
        any.Read(in);
    }
}

void PutInt32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    std::memcpy(&bytes[at], &v, 4);
}

// ---- winds

TWind FullWind() {
    TWind w;
    w.BaseOrigin = w.Origin = {10, 20};
    w.BaseTarget = w.Target = {110, 20};
    w.ConeAngle = PiF / 2;
    w.Strength = -0.5f;
    w.InnerRadius = 5;
    w.EditorId = 17;
    w.PlayerTriggered = true;
    w.WholeBody = true;
    w.OnDelay = 10;
    w.OffDelay = 12;
    w.LinkedShapeIndex = 3;
    w.AnimationName = "Spin";
    w.UsesAnimation = true;
    w.AnimFrameFrom = 2;
    w.AnimFrameTo = 6;
    w.FollowsBoost = true;
    w.StartsActive = false;
    w.AffectsParticles = true;
    w.FollowsPlayer = true;
    w.NeedsCarriedBoost = true;
    w.PushesBodies = false;
    w.Name = "Gust";
    w.Brake = 0.25f;
    return w;
}

// A wind record written field by field; the link marker and index and the
// brake marker vary.
std::vector<uint8_t> WindRecord(uint8_t linkMarker, int32_t index, bool withBrake) {
    TByteWriter w;
    w.WriteFloat32(0), w.WriteFloat32(0);           // Origin
    w.WriteFloat32(-100), w.WriteFloat32(0);        // Target: pointing left
    w.WriteFloat32(PiF / 2);                        // ConeAngle
    w.WriteFloat32(2);                              // Strength
    w.WriteFloat32(1);                              // InnerRadius
    w.WriteByte(0);                                 // Omni
    w.WriteInt32(99);                               // EditorId
    w.WriteByte(0), w.WriteByte(0);                 // PlayerTriggered, WholeBody
    w.WriteInt32(3), w.WriteInt32(4);               // OnDelay, OffDelay
    w.WriteByte(linkMarker);                        // link marker
    w.WriteInt32(index);                            // spline object index, read whatever the marker
    w.WriteString("Anim");                          // AnimationName
    w.WriteByte(1);                                 // UsesAnimation
    w.WriteInt32(1), w.WriteInt32(5);               // AnimFrameFrom, AnimFrameTo
    w.WriteByte(0);                                 // FollowsBoost
    w.WriteByte(1);                                 // starts inactive
    w.WriteByte(0), w.WriteByte(0), w.WriteByte(0); // AffectsParticles, FollowsPlayer, NeedsCarriedBoost
    w.WriteByte(1);                                 // no bodies
    w.WriteString("West");                          // Name
    if (withBrake) {
        w.WriteByte(0xDE);
        w.WriteFloat32(0.5f); // Brake
    } else {
        w.WriteByte(0);
    }
    w.Pad(3);
    return w.Bytes;
}
} // namespace

TEST(Wind, RecordRoundTripsAndDamagedRecordsAreSafe) {
    CheckRecord<TWind>(Bytes(FullWind()));
    TWind unlinked = FullWind();
    unlinked.LinkedShapeIndex = -1;
    unlinked.Omni = true;
    CheckRecord<TWind>(Bytes(unlinked));
}

TEST(Wind, LinkMarkerInvertedFlagsAndBrake) {
    struct TCase {
        uint8_t Marker;
        int32_t Index;
        bool Brake;
        int32_t Linked;
    };
    for (TCase c : {TCase{'o', 2, true, 2}, TCase{'o', -1, false, -1}, TCase{'x', 7, true, -1},
                    TCase{0, 0, false, -1}}) {
        std::vector<uint8_t> bytes = WindRecord(c.Marker, c.Index, c.Brake);
        TWind w;
        TByteReader r(bytes);
        ASSERT_TRUE(w.Read(r)) << int(c.Marker);
        EXPECT_TRUE(r.AtEnd()) << "the index is read whatever the marker";
        EXPECT_EQ(w.LinkedShapeIndex, c.Linked) << int(c.Marker) << " " << c.Index;
        EXPECT_EQ(w.Brake, c.Brake ? 0.5f : 0.0f);
        EXPECT_FALSE(w.StartsActive);
        EXPECT_FALSE(w.Active);
        EXPECT_FALSE(w.PushesBodies);
        EXPECT_EQ(w.EditorId, 99);
        EXPECT_EQ(w.AnimationName, "Anim");
        EXPECT_EQ(w.AnimFrameTo, 5);
        EXPECT_EQ(w.Name, "West");
        EXPECT_EQ(w.BaseTarget, (TVec2{-100, 0}));
    }
}

TEST(Wind, RecomputeGivesAnglesAndTheZoneBox) {
    struct TCase {
        const char* What;
        TVec2 Target;
        float Cone;
        bool Omni;
        float Start, End;
        TBox2 Box;
    };
    const float s = 100 * std::sqrt(0.5f);
    const TCase cases[] = {
        {"right, 90°", {100, 0}, PiF / 2, false, -PiF / 4, PiF / 4, {0, -s, 100, s}},
        {"down, 90°", {0, 100}, PiF / 2, false, PiF / 4, 3 * PiF / 4, {-s, 0, s, 100}},
        // Straddling ±π: the start angle wraps to the positive side.
        {"left, 90°", {-100, 0}, PiF / 2, false, 3 * PiF / 4, -3 * PiF / 4, {-100, -s, 0, s}},
        {"omni", {0, 100}, 0.1f, true, PiF / 2 - 0.05f, PiF / 2 + 0.05f, {-100, -100, 100, 100}},
    };
    for (const TCase& c : cases) {
        TWind w;
        w.Origin = {0, 0};
        w.Target = c.Target;
        w.ConeAngle = c.Cone;
        w.Omni = c.Omni;
        w.JitterIndex = 9;
        w.Recompute();
        EXPECT_FLOAT_EQ(w.Range, 100) << c.What;
        EXPECT_FLOAT_EQ(w.HalfAngle, c.Cone / 2) << c.What;
        EXPECT_NEAR(w.StartAngle, c.Start, 1e-5) << c.What;
        EXPECT_NEAR(w.EndAngle, c.End, 1e-5) << c.What;
        EXPECT_NEAR(w.Box.Left, c.Box.Left, 1e-3) << c.What;
        EXPECT_NEAR(w.Box.Top, c.Box.Top, 1e-3) << c.What;
        EXPECT_NEAR(w.Box.Right, c.Box.Right, 1e-3) << c.What;
        EXPECT_NEAR(w.Box.Bottom, c.Box.Bottom, 1e-3) << c.What;
        EXPECT_EQ(w.JitterIndex, 0);
    }
}

TEST(Wind, AnglesWrapIntoTheHalfOpenCircle) {
    struct TCase {
        float In, Out;
    };
    for (TCase c : {TCase{0, 0}, TCase{PiF, PiF}, TCase{-PiF, PiF}, TCase{1.5f * PiF, -0.5f * PiF},
                    TCase{-1.25f * PiF, 0.75f * PiF}, TCase{6.5f * PiF, 0.5f * PiF},
                    TCase{1e30f, WrapAngle(1e30f)}, TCase{NAN, 0}}) {
        const float a = WrapAngle(c.In);
        EXPECT_NEAR(a, c.Out, 1e-5) << c.In;
        EXPECT_TRUE(a > -PiF && a <= PiF) << c.In;
    }
}

TEST(Wind, ANewWindIsTheEditorsCone) {
    TWind w;
    EXPECT_EQ(w.Origin, (TVec2{350, 700}));
    EXPECT_EQ(w.Target, (TVec2{590, 440}));
    EXPECT_FLOAT_EQ(w.Strength, 0.3f);
    EXPECT_NEAR(w.ConeAngle, 70 * PiF / 180, 1e-6);
    EXPECT_GT(w.Range, 0);
    EXPECT_TRUE(w.Active);
    EXPECT_EQ(w.LinkedShapeIndex, -1);
}

// ---- water

namespace {
void FillWater(TWater& w) {
    w.SeedX = 300;
    w.RestLevel = 500;
    w.TopColour = {1, 2, 3, 4};
    w.BottomColour = {5, 6, 7, 8};
    w.LightGroup = 2;
    w.Acid = true;
    w.Outline = {{200, 500}, {250, 500}, {300, 500}, {300, 600}, {200, 600}};
    for (int32_t i = 0; i < 3; ++i) {
        TWavePoint p;
        p.VertexIndex = i;
        p.Push = 0.5f * float(i);
        p.Speed = -0.25f;
        p.RoomBelow = 50;
        p.RoomAbove = 12;
        p.Prev = i - 1;
        p.Next = i < 2 ? i + 1 : -1;
        w.WavePoints.push_back(p);
    }
    for (int k = 0; k < 2; ++k) {
        TBubbleSpout& s = w.Spouts.emplace_back();
        s.Pos = {250.0f + float(k), 590};
        s.Rate = 2.5f;
        s.Spread = 0.2f;
        s.Direction = 0.1f;
        s.Speed = 1.5f;
        s.PushStrength = 0.08f;
    }
    w.SplashColourStart = {9, 10, 11, 12};
    w.SplashColourEnd = {13, 14, 15, 16};
    w.BubbleColour = {17, 18, 19, 20};
    w.SurfaceMaterial.BlendSrc = 770;
    w.SurfaceMaterial.BlendDst = 771;
    w.BodyMaterial.TexEnv = 8448;
    w.BubbleMaterial.Lit = 0;
    w.AcidStrength = 2.5f;
}

std::vector<uint8_t> FullWaterBytes() {
    TWater w;
    FillWater(w);
    return Bytes(w);
}

// Offsets in FullWaterBytes: 21 bytes of fields before the outline count;
// 5 outline points; 3 wave points.
constexpr size_t OutlineCountAt = 21;
constexpr size_t WaveCountAt = OutlineCountAt + 4 + 5 * 8;
constexpr size_t WavePointAt(size_t i) {
    return WaveCountAt + 4 + 32 * i;
}
constexpr size_t SpoutCountAt = WavePointAt(3);
constexpr size_t MaterialCountAt = SpoutCountAt + 4 + 2 * 40 + 8;
} // namespace

TEST(Water, RecordRoundTripsAndDamagedRecordsAreSafe) {
    std::vector<uint8_t> bytes = FullWaterBytes();
    CheckRecord<TWater>(bytes);
    TWater back;
    TByteReader r(bytes);
    ASSERT_TRUE(back.Read(r));
    EXPECT_EQ(back.Outline.size(), 5u);
    ASSERT_EQ(back.WavePoints.size(), 3u);
    EXPECT_EQ(back.WavePoints[1].Prev, 0);
    EXPECT_EQ(back.WavePoints[1].Next, 2);
    EXPECT_EQ(back.WavePoints[2].Push, 1.0f);
    ASSERT_EQ(back.Spouts.size(), 2u);
    EXPECT_EQ(back.Spouts[1].Water, &back);
    EXPECT_EQ(back.Spouts[1].Pos, (TVec2{251, 590}));
    EXPECT_EQ(back.BodyMaterial.TexEnv, 8448);
    EXPECT_EQ(back.AcidStrength, 2.5f);
}

TEST(Water, WavePointLayoutAndOptionalParts) {
    TByteWriter w;
    w.WriteFloat32(10), w.WriteFloat32(40); // SeedX, RestLevel
    w.WriteBlock("\x01\x02\x03\x04", 4);    // TopColour
    w.WriteBlock("\x05\x06\x07\x08", 4);    // BottomColour
    w.WriteInt32(1);                        // LightGroup
    w.WriteByte(0);                         // Acid
    w.WriteInt32(0);                        // no outline
    w.WriteInt32(1);                        // one wave point:
    w.WriteInt32(0x12345678);               //   vertex reference slot, not used
    w.WriteInt32(6);                        //   VertexIndex
    w.WriteFloat32(1), w.WriteFloat32(2);   //   Push, Speed
    w.WriteFloat32(3), w.WriteFloat32(4);   //   RoomBelow, RoomAbove
    w.WriteInt32(-1), w.WriteInt32(-1);     //   Prev, Next
    w.WriteInt32(1);                        // one spout without a push strength:
    for (float v : {5.0f, 6.0f, 2.0f, 0.3f, 0.0f, 1.0f})
        w.WriteFloat32(v); // X, Y, Rate, Spread, Direction, Speed
    w.WriteByte(0);        //   no marker
    w.Pad(11);
    w.WriteBlock("\x09\x0a\x0b\x0c", 4); // SplashColourStart
    w.WriteBlock("\x0d\x0e\x0f\x10", 4); // BubbleColour
    w.WriteInt32(4);                     // four materials, the last one read past
    for (int32_t k = 0; k < 4; ++k) {
        TMaterial m;
        m.TexEnv = 100 + k;
        m.Write(w);
    }
    w.WriteByte(0); // no splash end colour
    w.WriteByte(0); // no acid strength
    w.Pad(6);

    TWater water;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(water.Read(r));
    EXPECT_TRUE(r.AtEnd());
    ASSERT_EQ(water.WavePoints.size(), 1u);
    const TWavePoint& p = water.WavePoints[0];
    EXPECT_EQ(p.VertexIndex, 6);
    EXPECT_EQ(p.Push, 1.0f);
    EXPECT_EQ(p.Speed, 2.0f);
    EXPECT_EQ(p.RoomBelow, 3.0f);
    EXPECT_EQ(p.RoomAbove, 4.0f);
    ASSERT_EQ(water.Spouts.size(), 1u);
    EXPECT_EQ(water.Spouts[0].PushStrength, 0.04f);
    EXPECT_EQ(water.Spouts[0].Rate, 2.0f);
    EXPECT_EQ(water.SurfaceMaterial.TexEnv, 100);
    EXPECT_EQ(water.BodyMaterial.TexEnv, 101);
    EXPECT_EQ(water.BubbleMaterial.TexEnv, 102);
    EXPECT_EQ(water.SplashColourEnd, water.SplashColourStart);
    EXPECT_EQ(water.BubbleColour, (TRgba{13, 14, 15, 16}));
    EXPECT_EQ(water.AcidStrength, 1.0f);
    EXPECT_TRUE(water.WavePointsFit(7));
    EXPECT_FALSE(water.WavePointsFit(6));
}

TEST(Water, DamagedCountsAndWaveLinksFailTheRecord) {
    struct TCase {
        const char* What;
        size_t At;
        int32_t Value;
    };
    const TCase cases[] = {
        {"negative outline count", OutlineCountAt, -1},
        {"outline count past the bytes", OutlineCountAt, 0x7fffffff},
        {"wave count past the bytes", WaveCountAt, 1000},
        {"negative wave count", WaveCountAt, -3},
        {"vertex index below 0", WavePointAt(0) + 4, -1},
        {"prev past the list", WavePointAt(1) + 24, 3},
        {"next below -1", WavePointAt(2) + 28, -2},
        {"spout count past the bytes", SpoutCountAt, 100},
        {"negative material count", MaterialCountAt, -1},
        {"material count past the bytes", MaterialCountAt, 6},
    };
    const std::vector<uint8_t> good = FullWaterBytes();
    {
        // The offsets point where the table says.
        int32_t v = 0;
        std::memcpy(&v, &good[MaterialCountAt], 4);
        ASSERT_EQ(v, 3);
        std::memcpy(&v, &good[SpoutCountAt], 4);
        ASSERT_EQ(v, 2);
    }
    for (const TCase& c : cases) {
        std::vector<uint8_t> bytes = good;
        PutInt32(bytes, c.At, c.Value);
        TWater w;
        TByteReader r(bytes);
        EXPECT_FALSE(w.Read(r)) << c.What;
        EXPECT_EQ(w.RestLevel, 500.0f) << c.What << ": fields before stay";
        for (const TWavePoint& p : w.WavePoints) {
            EXPECT_TRUE(p.Prev >= -1 && p.Prev < int32_t(w.WavePoints.size())) << c.What;
            EXPECT_TRUE(p.Next >= -1 && p.Next < int32_t(w.WavePoints.size())) << c.What;
        }
    }
}

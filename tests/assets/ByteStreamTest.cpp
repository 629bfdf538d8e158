#include "assets/ByteStream.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list)
        v.push_back(uint8_t(b));
    return v;
}
} // namespace

TEST(ByteStream, PrimitivesAreLittleEndianWithNoPadding) {
    TByteWriter w;
    w.WriteInt32(-2);
    w.WriteInt16(0x1234);
    w.WriteByte(0xAB);
    w.WriteBool(true);
    w.WriteFloat32(1.0f);
    w.WriteString("Hi");
    w.WriteWideString(u"\u00e9!");
    w.Pad(2);
    const std::vector<uint8_t> expected = Bytes({
        0xFE, 0xFF, 0xFF, 0xFF,                        // int32 -2
        0x34, 0x12,                                    // int16 0x1234
        0xAB,                                          // byte
        0x01,                                          // boolean true
        0x00, 0x00, 0x80, 0x3F,                        // float32 1.0
        0x02, 0,    0,    0,    'H',  'i',             // string "Hi"
        0x02, 0,    0,    0,    0xE9, 0x00, '!', 0x00, // wide string, UTF-16 code units
        0x00, 0x00,                                    // pad(2)
    });
    EXPECT_EQ(w.Bytes, expected);

    TByteReader r(w.Bytes);
    EXPECT_EQ(r.ReadInt32(), -2);
    EXPECT_EQ(r.ReadInt16(), 0x1234);
    EXPECT_EQ(r.ReadByte(), 0xAB);
    EXPECT_TRUE(r.ReadBool());
    EXPECT_EQ(r.ReadFloat32(), 1.0f);
    EXPECT_EQ(r.ReadString(), "Hi");
    EXPECT_EQ(r.ReadWideString(), u"\u00e9!");
    r.Skip(2);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(r.ShortRead);
}

TEST(ByteStream, AnyNonZeroByteIsTrue) {
    TByteReader r(Bytes({0, 1, 2, 255}));
    EXPECT_FALSE(r.ReadBool());
    EXPECT_TRUE(r.ReadBool());
    EXPECT_TRUE(r.ReadBool());
    EXPECT_TRUE(r.ReadBool());
}

TEST(ByteStream, Float64IsEightBytesAsTheyStand) {
    TByteWriter w;
    w.WriteFloat64(-0.125);
    float pair[2] = {1.5f, -2.0f};
    w.WriteFloat64(pair);
    TByteReader r(w.Bytes);
    EXPECT_EQ(r.ReadFloat64(), -0.125);
    float back[2];
    r.ReadFloat64(back);
    EXPECT_EQ(back[0], 1.5f);
    EXPECT_EQ(back[1], -2.0f);
}

TEST(ByteStream, OverlongOrNegativeStringLengthReadsEmpty) {
    for (int32_t length : {2000000, -5, MaxStoredStringLength + 1}) {
        TByteWriter w;
        w.WriteInt32(length);
        w.WriteInt32(77);
        TByteReader r(w.Bytes);
        EXPECT_EQ(r.ReadString(), "") << length;
        EXPECT_EQ(r.Position, 4) << "only the length field is consumed";
        EXPECT_EQ(r.ReadInt32(), 77);
        TByteReader wide(w.Bytes);
        EXPECT_EQ(wide.ReadWideString(), u"");
        EXPECT_EQ(wide.ReadInt32(), 77);
    }
}

TEST(ByteStream, StringOfExactlyTheLimitIsRead) {
    TByteWriter w;
    std::string big(MaxStoredStringLength, 'x');
    w.WriteString(big);
    TByteReader r(w.Bytes);
    EXPECT_EQ(r.ReadString().size(), size_t(MaxStoredStringLength));
    EXPECT_TRUE(r.AtEnd());
}

TEST(ByteStream, ReadsPastTheEndGiveZerosAndAStickyFlag) {
    TByteReader r(Bytes({1, 2}));
    EXPECT_EQ(r.ReadInt32(), 0x0201) << "missing bytes read as zero";
    EXPECT_TRUE(r.ShortRead);
    EXPECT_EQ(r.Position, 2);
    EXPECT_EQ(r.ReadByte(), 0);
    EXPECT_TRUE(r.ShortRead);
    EXPECT_EQ(r.Seek(100, 0), 2) << "seek is clamped";
    EXPECT_EQ(r.Seek(-100, 1), 0);
    TByteReader s(Bytes({5, 0, 0, 0, 'a', 'b'}));
    EXPECT_EQ(s.ReadString(), "") << "a string longer than the bytes left";
    EXPECT_TRUE(s.ShortRead);
    EXPECT_TRUE(s.AtEnd());
}

struct TPackCase {
    std::vector<uint8_t> source;
    std::vector<uint8_t> packed;
};

TEST(PackRuns, Examples) {
    const TPackCase cases[] = {
        {Bytes({5, 5, 5, 5}), Bytes({0x83, 5})},
        {Bytes({1, 2}), Bytes({1, 1, 1, 2})},
        {Bytes({7, 7}), Bytes({2, 7, 7})},
        {Bytes({9, 9, 9, 1}), Bytes({0x82, 9, 1, 1})},
        {{}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PackRuns(c.source.data(), int32_t(c.source.size())), c.packed);
        std::vector<uint8_t> back(c.source.size(), 0xEE);
        EXPECT_EQ(UnpackRuns(c.packed.data(), int32_t(c.packed.size()), back.data(), int32_t(back.size())),
                  int32_t(c.source.size()));
        EXPECT_EQ(back, c.source);
    }
}

TEST(PackRuns, LongRunSplitsAt126) {
    std::vector<uint8_t> run(300, 42);
    auto packed = PackRuns(run.data(), 300);
    EXPECT_EQ(packed, Bytes({0x80 | 125, 42, 0x80 | 125, 42, 0x80 | 47, 42}));
}

TEST(UnpackRuns, StopsWhenTheDestinationIsFull) {
    const auto packed = Bytes({0x80 | 9, 3, 2, 8, 8}); // ten 3s, then two literals
    uint8_t dest[6];
    std::memset(dest, 0, sizeof dest);
    uint8_t guard[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    EXPECT_EQ(UnpackRuns(packed.data(), int32_t(packed.size()), dest, 4), 4);
    EXPECT_EQ(dest[3], 3);
    EXPECT_EQ(dest[4], 0);
    EXPECT_EQ(guard[0], 0xCC);
    // A literal packet cut short by the source end stops cleanly.
    const auto cut = Bytes({5, 1, 2});
    EXPECT_EQ(UnpackRuns(cut.data(), 3, dest, 6), 2);
}

TEST(Packed, QuantizeRoundsEveryByteButTheFirst) {
    EXPECT_EQ(QuantizeByte(254), 255);
    EXPECT_EQ(QuantizeByte(6), 0);
    EXPECT_EQ(QuantizeByte(2), 4);
    EXPECT_EQ(QuantizeByte(255), 255);
    uint8_t rgba[8] = {6, 6, 254, 2, 1, 2, 3, 4};
    TByteWriter w;
    w.WritePacked(rgba, 2);
    EXPECT_EQ(rgba[0], 6) << "the first byte keeps its value";
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[2], 255);
    EXPECT_EQ(rgba[3], 4);
}

TEST(Packed, RoundTripScattersPlanes) {
    std::vector<uint8_t> colours;
    for (int i = 0; i < 50; ++i) {
        colours.insert(colours.end(), {uint8_t(200), uint8_t(i * 4), uint8_t(16), uint8_t(255)});
    }
    std::vector<uint8_t> written = colours;
    TByteWriter w;
    w.WritePacked(written.data(), 50);
    TByteReader r(w.Bytes);
    int32_t count = r.ReadPacked(nullptr, 0);
    ASSERT_EQ(count, 50);
    std::vector<uint8_t> back(size_t(count) * 4, 0);
    EXPECT_EQ(r.ReadPacked(back.data(), count), 50);
    EXPECT_EQ(back, written) << "reads back what was written (after quantizing)";
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(r.ShortRead);
}

TEST(Packed, ClearPlaneKeepsTheTarget) {
    uint8_t data[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    const bool planes[4] = {true, false, true, false};
    TByteWriter w;
    w.WritePacked(data, 2, false, planes);
    TByteReader r(w.Bytes);
    int32_t count = r.ReadPacked(nullptr, 0);
    uint8_t back[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    r.ReadPacked(back, count);
    const uint8_t expected[8] = {10, 1, 30, 1, 50, 1, 70, 1};
    EXPECT_EQ(0, std::memcmp(back, expected, 8));
}

TEST(Packed, EmptyArrayStoresOnlyTheCount) {
    TByteWriter w;
    w.WritePacked(nullptr, 5);
    w.WritePacked(reinterpret_cast<uint8_t*>(&w), -3);
    EXPECT_EQ(w.Bytes, Bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    TByteReader r(w.Bytes);
    EXPECT_EQ(r.ReadPacked(nullptr, 0), 0);
    EXPECT_EQ(r.Position, 4) << "no flags follow a zero count";
}

TEST(Packed, CountThatCannotFitIsRefused) {
    TByteWriter w;
    w.WriteInt32(0x7FFFFFFF);
    w.WriteBlock("\1\1\1\1", 4);
    w.WriteInt32(2);
    w.WriteBlock("\xFF\x00", 2);
    TByteReader r(w.Bytes);
    EXPECT_EQ(r.ReadPacked(nullptr, 0), 0);
    EXPECT_TRUE(r.ShortRead);
}

// A stream of typed records cut at every length reads without touching
// memory outside its buffer (the sanitizer build checks this).
TEST(ByteStream, EveryTruncatedPrefixReadsSafely) {
    TByteWriter w;
    w.WriteString("Zestars.map");
    w.WriteInt32(3);
    w.WriteWideString(u"Rollix");
    uint8_t rgba[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    w.WritePacked(rgba, 4);
    w.WriteFloat64(2.5);
    w.WriteFloat32(-1.0f);
    for (size_t cut = 0; cut <= w.Bytes.size(); ++cut) {
        TByteReader r(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + cut));
        r.ReadString();
        r.ReadInt32();
        r.ReadWideString();
        int32_t count = r.ReadPacked(nullptr, 0);
        ASSERT_LE(count, 4);
        std::vector<uint8_t> target(size_t(count) * 4);
        r.ReadPacked(target.data(), count);
        r.ReadFloat64();
        r.ReadFloat32();
        EXPECT_LE(r.Position, r.Size);
        EXPECT_EQ(r.ShortRead, cut < w.Bytes.size()) << "cut at " << cut;
    }
}

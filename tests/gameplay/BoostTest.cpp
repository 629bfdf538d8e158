#include "gameplay/Boost.h"
#include "assets/ByteStream.h"
#include "world/SplineObj.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {
// A light record: radius, colour, height, position, layers, a cycle of two
// colours, a boost link, sequential, a flash block and the reserved bytes.
std::vector<uint8_t> LightBytes(int32_t colourCount = 2) {
    TByteWriter w;
    for (int i = 0; i < 10; ++i)
        w.WriteFloat32(float(i)); // radius, colour, height, position
    w.WriteInt32(-1);             // LayerMin
    w.WriteInt32(1);              // LayerMax
    w.WriteByte(1);               // Cycle
    w.WriteInt32(100);            // CycleMin
    w.WriteInt32(50);             // CycleRandom
    w.WriteInt32(colourCount);
    for (int i = 0; i < 2; ++i)
        w.WriteBlock("\x10\x20\x30\xFF", 4);
    w.WriteByte(0xC8); // boost link
    w.WriteInt32(0);
    w.WriteBool(true); // Sequential
    w.WriteByte(0xDE); // flash block
    w.WriteBool(true); // Flash
    w.Pad(9 * 4);      // FlashTimes, FlashStartPhase
    w.Pad(4);
    return w.Bytes;
}

struct TRecordParts {
    int32_t Type = 7;
    bool Light = true;
    int16_t LinkCount = 2;
    uint8_t Format = 0;
    int32_t BlockN = 5; // the size field after the format byte
    int32_t BlockM = 8; // format 0: the bytes from parameter 1 on
    int32_t ShapeCount = 1;
    int32_t LightColours = 2;
};

// One boost record laid out field by field as the level file stores it.
std::vector<uint8_t> RecordBytes(const TRecordParts& p = {}) {
    TByteWriter w;
    w.WriteInt32(p.Type);                // 1 Type
    w.WriteInt32(300);                   // 2 RespawnTime
    w.WriteInt32(400);                   // 3 Duration
    w.WriteInt32(-1);                    // 4 HiddenTicks
    w.WriteInt32(-1);                    // 5 TimeLeft
    w.WriteInt32(75);                    // 6 PointsValue
    w.WriteInt32(2);                     // 7 Activation
    w.WriteString("Voice\\hop.ogg");     // 8 VoiceName
    w.WriteByte(1);                      // 9 IsKeyItem
    w.WriteBlock("\x01\x02\x03\x04", 4); // 10 FlashColour
    w.WriteInt32(p.Light ? 1 : 0);       // 11 has light
    if (p.Light) {
        std::vector<uint8_t> l = LightBytes(p.LightColours);
        w.WriteBlock(l.data(), l.size());
    }
    w.WriteInt32(3);                     // 12 Uses
    w.WriteString("default");            // 13 TakeSound
    w.WriteInt32(2);                     // 14 QuestCount
    w.WriteByte(1);                      // 15 StartsHidden
    w.WriteBlock("\x05\x06\x07\x08", 4); // 16 TintColour
    w.WriteFloat32(0.25f);               // 17 TintBlend
    w.WriteString("FX\\show.ogg");       // 18 ShowSound
    w.WriteInt32(13);                    // 19 RequiredKey
    w.WriteString("Next.map");           // 20 TargetLevel
    w.WriteByte(1);                      // 21 AutoUse
    w.WriteInt32(1000);                  // 22 MinPoints
    w.WriteInt16(999);                   // 23 sound slot marker
    w.WriteInt32(4);                     //    TakeSoundSlot
    w.WriteInt32(5);                     //    ShowSoundSlot
    w.WriteInt16(p.LinkCount);           // 24 LinkCount
    for (int i = 0; i < std::max<int>(p.LinkCount, 0) && i < 2; ++i)
        w.WriteInt32(10 + i);
    w.Pad(4);               // 25 reserved
    w.WriteByte(p.Format);  // 26 block format
    w.WriteInt32(p.BlockN); //    size n
    if (p.Format == 0) {
        w.WriteInt32(p.BlockM); // 27 m, then the block from parameter 1 on
        for (int i = 0; i < std::max(p.BlockM, 0) && i < 80; ++i)
            w.WriteByte(uint8_t(0x40 + i));
    } else {
        for (int i = 0; i < std::max(p.BlockN, 0) && i < 80; ++i)
            w.WriteByte(uint8_t(0x40 + i));
    }
    w.WriteInt32(p.ShapeCount); // 28 shapes
    for (int i = 0; i < std::max(p.ShapeCount, 0) && i < 2; ++i)
        w.WriteInt32(6 + i);
    return w.Bytes;
}

std::vector<uint8_t> WriteBoosts(const TBoosts& list) {
    TByteWriter w;
    list.Write(w);
    return w.Bytes;
}

TEST(BoostRecord, ReadsEveryStoredField) {
    TByteReader in(RecordBytes());
    TBoost b;
    ASSERT_TRUE(b.Read(in));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(b.Type, 7);
    EXPECT_EQ(b.TypeName, "Graviter");
    EXPECT_EQ(b.RespawnTime, 300);
    EXPECT_EQ(b.Duration, 400);
    EXPECT_EQ(b.HiddenTicks, -1);
    EXPECT_EQ(b.TimeLeft, -1);
    EXPECT_EQ(b.PointsValue, 75);
    EXPECT_EQ(b.Activation, 2);
    EXPECT_EQ(b.VoiceName, "Voice\\hop.ogg");
    EXPECT_EQ(b.IsKeyItem, 1);
    EXPECT_EQ(b.FlashColour, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(b.LightRecord, LightBytes());
    EXPECT_EQ(b.Uses, 3);
    EXPECT_EQ(b.TakeSound, "default");
    EXPECT_EQ(b.QuestCount, 2);
    EXPECT_EQ(b.QuestLeft, 2);
    EXPECT_EQ(b.StartsHidden, 1);
    EXPECT_EQ(b.TintColour, (std::array<uint8_t, 4>{5, 6, 7, 8}));
    EXPECT_EQ(b.TintBlend, 0.25f);
    EXPECT_EQ(b.ShowSound, "FX\\show.ogg");
    EXPECT_EQ(b.RequiredKey, 13);
    EXPECT_EQ(b.TargetLevel, "Next.map");
    EXPECT_EQ(b.AutoUse, 1);
    EXPECT_EQ(b.MinPoints, 1000);
    EXPECT_EQ(b.TakeSoundSlot, 4);
    EXPECT_EQ(b.ShowSoundSlot, 5);
    EXPECT_EQ(b.Links, (std::vector<int32_t>{10, 11}));
    EXPECT_EQ(b.ShapeIndices, (std::vector<int32_t>{6}));
    // Format 0: eight bytes from parameter 1 on, the kind taken from the type.
    EXPECT_EQ(b.Kind(), 7);
    EXPECT_EQ(b.Param1Int(), 0x43424140);
    EXPECT_EQ(b.Param2Int(), 0x47464544);
    EXPECT_FALSE(b.Switch('D'));
    EXPECT_EQ(b.BlockSize, 5);
}

// How the type block is stored: a whole block (format non-zero) of any size,
// or the block from parameter 1 on (format 0), with long blocks cut and the
// rest skipped.
TEST(BoostRecord, TypeBlockForms) {
    struct TCase {
        uint8_t Format;
        int32_t N, M;
        int32_t FirstStored; // block offset of the first stored byte
        int32_t StoredBytes; // bytes that land in the block
    };
    const TCase cases[] = {
        {1, 68, 0, 0, 68}, {1, 3, 0, 0, 3},   {1, 75, 0, 0, 68}, {1, 0, 0, 0, 0},
        {0, 0, 64, 4, 64}, {0, 9, 70, 4, 64}, {0, 0, 0, 4, 0},   {2, 17, 0, 0, 17},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << int(c.Format) << " n " << c.N << " m " << c.M);
        TRecordParts p;
        p.Type = 9;
        p.Format = c.Format;
        p.BlockN = c.N;
        p.BlockM = c.M;
        std::vector<uint8_t> bytes = RecordBytes(p);
        TByteReader in(bytes);
        TBoost b;
        ASSERT_TRUE(b.Read(in));
        EXPECT_TRUE(in.AtEnd()); // the stream stays aligned: the shape list follows
        EXPECT_EQ(b.ShapeIndices, (std::vector<int32_t>{6}));
        for (int32_t i = 0; i < BoostTypeBlockSize; ++i) {
            int32_t k = i - c.FirstStored;
            uint8_t expected = k >= 0 && k < c.StoredBytes ? uint8_t(0x40 + k) : 0;
            if (c.Format == 0 && i == 0) expected = 9; // Kind := Type
            ASSERT_EQ(b.TypeBlock[size_t(i)], expected) << "byte " << i;
        }
    }
}

TEST(BoostRecord, ValuesDerivedAtReading) {
    struct TCase {
        int32_t StoredType;
        int32_t Type;
        const char* Name;
    };
    const TCase cases[] = {
        {-5, 0, "select type..."}, {0, 0, "select type..."}, {24, 24, "CheckPoint"}, {31, 31, ""}};
    for (const TCase& c : cases) {
        TRecordParts p;
        p.Type = c.StoredType;
        TByteReader in(RecordBytes(p));
        TBoost b;
        ASSERT_TRUE(b.Read(in));
        EXPECT_EQ(b.Type, c.Type);
        EXPECT_EQ(b.TypeName, c.Name);
        EXPECT_EQ(b.Kind(), uint8_t(c.Type));
    }

    // A Stopper holding 0 in parameter 2 gets 100; another value stays.
    for (int32_t stored : {0, 7}) {
        TBoost s;
        s.Type = 15;
        s.SetParam2(stored);
        TByteWriter w;
        s.Write(w);
        TByteReader in(w.Bytes);
        TBoost r;
        ASSERT_TRUE(r.Read(in));
        EXPECT_EQ(r.Param2Int(), stored == 0 ? 100 : stored);
    }
}

TEST(BoostRecord, DamagedCountsFailTheRecord) {
    const std::pair<const char*, std::function<void(TRecordParts&)>> cases[] = {
        {"negative link count", [](TRecordParts& p) { p.LinkCount = -1; }},
        {"link count beyond the bytes", [](TRecordParts& p) { p.LinkCount = 30000; }},
        {"negative shape count", [](TRecordParts& p) { p.ShapeCount = -2; }},
        {"shape count beyond the bytes", [](TRecordParts& p) { p.ShapeCount = 0x40000000; }},
        {"negative block size",
         [](TRecordParts& p) {
             p.Format = 1;
             p.BlockN = -4;
         }},
        {"block size beyond the bytes",
         [](TRecordParts& p) {
             p.Format = 1;
             p.BlockN = 0x7FFFFFFF;
         }},
        {"negative format-0 size", [](TRecordParts& p) { p.BlockM = -1; }},
        {"format-0 size beyond the bytes", [](TRecordParts& p) { p.BlockM = 1 << 30; }},
        {"light colours beyond the bytes", [](TRecordParts& p) { p.LightColours = 1 << 29; }},
        {"negative light colours", [](TRecordParts& p) { p.LightColours = -3; }},
    };
    for (const auto& [what, change] : cases) {
        SCOPED_TRACE(what);
        TRecordParts p;
        change(p);
        // A good boost, then the damaged one, then a good one that must not be reached.
        TByteWriter w;
        w.WriteInt32(3);
        std::vector<uint8_t> good = RecordBytes();
        std::vector<uint8_t> bad = RecordBytes(p);
        w.WriteBlock(good.data(), good.size());
        w.WriteBlock(bad.data(), bad.size());
        w.WriteBlock(good.data(), good.size());
        TByteReader in(w.Bytes);
        TBoosts list;
        EXPECT_FALSE(list.Read(in));
        EXPECT_EQ(list.Count(), 1);
    }
}

TBoosts SampleList() {
    TBoosts list;
    for (int i = 0; i < 4; ++i) {
        auto b = std::make_unique<TBoost>();
        b->Type = 4 + i * 5;
        b->TypeName = BoostTypeName(b->Type);
        b->VoiceName = i == 1 ? "" : "Voice" + std::to_string(i);
        b->TakeSound = "default";
        b->TargetLevel = i == 3 ? "Other.map" : "";
        b->QuestCount = b->QuestLeft = i;
        b->TintBlend = 0.5f * float(i);
        b->Links.assign(size_t(i), 3);
        b->ShapeIndices.assign(size_t(3 - i), i);
        b->TakeSoundSlot = i - 1;
        if (i % 2 == 0) b->LightRecord = LightBytes();
        b->BlockFormat = uint8_t(i % 2);
        b->BlockSize = i;
        for (size_t k = 4; k < b->TypeBlock.size(); ++k)
            b->TypeBlock[k] = uint8_t(k * (i + 1));
        if (b->BlockFormat == 0) b->TypeBlock[0] = uint8_t(b->Type);
        b->TypeBlock[1] = uint8_t(i);
        if (b->BlockFormat == 0) b->TypeBlock[1] = 0; // format 0 does not store the switches A … C
        list.Items.push_back(std::move(b));
    }
    list.HasTypeSounds = true;
    list.TypeSounds[3] = "Boosts\\Other.ogg";
    list.TypeSounds[24] = "Boosts\\Last.ogg";
    return list;
}

TEST(BoostList, RoundTripsToIdenticalBytes) {
    for (bool typeSounds : {true, false}) {
        TBoosts list = SampleList();
        list.HasTypeSounds = typeSounds;
        if (!typeSounds) list.TypeSounds = {};
        std::vector<uint8_t> first = WriteBoosts(list);
        TByteReader in(first);
        TBoosts read;
        ASSERT_TRUE(read.Read(in));
        EXPECT_TRUE(in.AtEnd());
        ASSERT_EQ(read.Count(), 4);
        EXPECT_EQ(read.HasTypeSounds, typeSounds);
        EXPECT_EQ(read.TypeSounds, list.TypeSounds);
        EXPECT_EQ(read.Items[2]->LightRecord, LightBytes());
        EXPECT_TRUE(read.Items[1]->LightRecord.empty());
        EXPECT_EQ(WriteBoosts(read), first);
    }
}

TEST(BoostList, TypeSoundTableKeepsTheFirst25) {
    TByteWriter w;
    w.WriteInt32(0 | (1 << 27)); // no boosts, a type-sound table follows
    w.WriteInt32(27);
    for (int i = 0; i < 27; ++i)
        w.WriteString("S" + std::to_string(i));
    w.Pad(32);
    w.WriteInt32(0x5A5A5A5A); // what follows the section
    TByteReader in(w.Bytes);
    TBoosts list;
    ASSERT_TRUE(list.Read(in));
    EXPECT_EQ(list.TypeSounds[0], "S0");
    EXPECT_EQ(list.TypeSounds[24], "S24");
    EXPECT_EQ(in.ReadInt32(), 0x5A5A5A5A);
}

TEST(BoostList, CountsThatCannotFitFail) {
    for (int32_t stored : {-1, 1 << 26, 100, int32_t(0x80000000u | 5)}) {
        TByteWriter w;
        w.WriteInt32(stored);
        std::vector<uint8_t> good = RecordBytes();
        w.WriteBlock(good.data(), good.size());
        TByteReader in(w.Bytes);
        TBoosts list;
        EXPECT_FALSE(list.Read(in)) << stored;
        EXPECT_EQ(list.Count(), 0);
    }
}

TEST(BoostList, TruncatedAndCorruptedCopiesFailCleanly) {
    std::vector<uint8_t> full = WriteBoosts(SampleList());
    for (size_t n = 0; n < full.size(); ++n) {
        TByteReader in(std::vector<uint8_t>(full.begin(), full.begin() + long(n)));
        TBoosts list;
        ASSERT_FALSE(list.Read(in)) << "prefix " << n;
        ASSERT_LE(list.Count(), 4);
    }
    std::mt19937 rng(17);
    for (int copy = 0; copy < 2000; ++copy) {
        std::vector<uint8_t> bytes = full;
        for (int k = 0; k < 4; ++k)
            bytes[rng() % bytes.size()] = uint8_t(rng());
        TByteReader in(bytes);
        TBoosts list;
        bool ok = list.Read(in);
        if (ok) {
            // What was read writes back as a record the reader takes again.
            std::vector<uint8_t> again = WriteBoosts(list);
            TByteReader in2(again);
            TBoosts list2;
            ASSERT_TRUE(list2.Read(in2));
            ASSERT_EQ(WriteBoosts(list2), again);
        }
    }
}
} // namespace

namespace {
// The smallest records the file can hold: a list of them must read whole,
// so the count check may not reject it.
TEST(BoostList, SmallestRecordsFitTheCountCheck) {
    TByteWriter record;
    record.Pad(7 * 4);         // 1–7
    record.WriteString("");    // 8 VoiceName
    record.Pad(1 + 4);         // 9–10
    record.WriteInt32(0);      // 11 no light
    record.Pad(4);             // 12 Uses
    record.WriteString("");    // 13 TakeSound
    record.Pad(4 + 1 + 4 + 4); // 14–17
    record.WriteString("");    // 18 ShowSound
    record.Pad(4);             // 19
    record.WriteString("");    // 20 TargetLevel
    record.Pad(1 + 4);         // 21–22
    record.WriteInt16(0);      // 23 no sound slots
    record.WriteInt16(0);      // 24 no links
    record.Pad(4);             // 25
    record.WriteByte(1);       // 26 whole-block format
    record.WriteInt32(0);      //    of size 0
    record.WriteInt32(0);      // 28 no shapes
    for (int32_t count : {1, 5}) {
        TByteWriter w;
        w.WriteInt32(count);
        for (int32_t i = 0; i < count; ++i)
            w.WriteBlock(record.Bytes.data(), record.Bytes.size());
        TByteReader in(w.Bytes);
        TBoosts list;
        ASSERT_TRUE(list.Read(in)) << count;
        EXPECT_TRUE(in.AtEnd());
        EXPECT_EQ(list.Count(), count);
    }
}
} // namespace

// Each stored index within the objects links that object; an object draws
// one boost, the last that names it; a boost taken by overlapping lets bodies
// through its object.
TEST(BoostList, LinksTheObjectsItsIndicesName) {
    std::vector<std::unique_ptr<TSplineObj>> owned;
    for (int i = 0; i < 3; ++i)
        owned.push_back(std::make_unique<TSplineObj>(nullptr));
    std::vector<TSplineObj*> objects = {owned[0].get(), owned[1].get(), owned[2].get()};
    struct TCase {
        std::vector<int32_t> Indices;
        int32_t Activation;
    };
    const TCase cases[] = {{{0}, 0}, {{-1, 7, 1}, 2}, {{1, 2}, 1}};
    TBoosts list;
    for (const TCase& c : cases) {
        list.Items.push_back(std::make_unique<TBoost>());
        list.Items.back()->ShapeIndices = c.Indices;
        list.Items.back()->Activation = c.Activation;
    }
    list.LinkShapes(objects);
    TBoost& first = *list.Items[0];
    TBoost& second = *list.Items[1];
    TBoost& third = *list.Items[2];
    EXPECT_EQ(first.Shape, objects[0]);
    EXPECT_EQ(objects[0]->Boost, &first);
    EXPECT_TRUE(objects[0]->BoostPassable);
    // Object 1 went on to the third boost, which it draws now.
    EXPECT_EQ(second.Shape, nullptr);
    EXPECT_EQ(objects[1]->Boost, &third);
    EXPECT_EQ(third.Shape, objects[2]);
    EXPECT_EQ(objects[2]->Boost, &third);
    EXPECT_FALSE(objects[1]->BoostPassable);
    EXPECT_FALSE(objects[2]->BoostPassable);
    EXPECT_EQ(list.IndexOf(&third), 2);
    EXPECT_EQ(list.IndexOf(nullptr), -1);
    for (auto& o : owned)
        o->ClearLinks();
    EXPECT_FALSE(objects[0]->BoostPassable);
}

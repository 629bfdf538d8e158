#include "gameplay/Quest.h"
#include "assets/ByteStream.h"
#include "gameplay/Speech.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {
struct TSpeechParts {
    int32_t Count = 2;
};

// A speech list record: the first speech is said by an object, the second
// names an object and a character.
void WriteSpeechList(TByteWriter& w, const TSpeechParts& p = {}) {
    w.WriteInt32(p.Count);
    w.Pad(16);
    w.WriteString("Animations\\0052.gms"); // Name
    w.WriteByte(0x9B);                     // object marker
    w.WriteInt32(4);                       //   object index
    w.WriteBlock("\x01\x00\x07\x00", 4);   // PlayOnStart, PlayOnCompletion, Reserved, AfterPrevious
    w.WriteByte(0);                        // no character
    w.WriteString("");                     // NextQuest
    w.Pad(10);
    w.WriteString("Animations\\0053.gms");
    w.WriteByte(0x9B);
    w.WriteInt32(2);
    w.WriteBlock("\x00\x01\x00\x01", 4);
    w.WriteByte(0x9B); // character marker
    w.WriteInt32(1);
    w.WriteString("Second");
    w.Pad(10);
}

struct TQuestParts {
    int32_t BlockSize = 30;
    int32_t PrerequisiteCount = 2;
    int32_t ShowCount = 4;
    TSpeechParts Speech;
};

// One quest record as the level file stores it: a key-into-zone quest.
std::vector<uint8_t> QuestBytes(const TQuestParts& p = {}) {
    TByteWriter w;
    w.WriteString("Bring the key"); // 1 Name
    w.WriteInt32(2);                // 2 Giver
    w.WriteInt32(p.BlockSize);      // 3 type block size
    TByteWriter block;
    block.WriteByte(3);                  //   QuestType 3
    block.WriteBlock("\xAA\xBB\xCC", 3); // reserved
    block.WriteInt32(5);                 //   TargetBoost
    for (float f : {10.0f, 20.0f, 110.0f, 220.0f})
        block.WriteFloat32(f); // Zone
    for (int i = 0; i < 16; ++i)
        block.WriteByte(uint8_t(0xE0 + i)); // beyond 24: skipped
    w.WriteBlock(block.Bytes.data(), size_t(std::clamp(p.BlockSize, 0, int32_t(block.Bytes.size()))));
    w.WriteByte(1);                    // 4 AutoStart
    w.WriteByte(0);                    // 5 StartAfterPrerequisites
    w.WriteInt32(p.PrerequisiteCount); // 6 Prerequisites
    w.WriteString("First");
    w.WriteString("Other");
    w.WriteByte(0x9B); // 7 speech marker
    WriteSpeechList(w, p.Speech);
    w.WriteByte(1);            // 8 KeepChecking
    w.WriteInt16(10101);       // 9 show marker
    w.WriteInt32(p.ShowCount); //   m: 3, an index beyond the boosts, 3 again, 0
    for (int32_t i : {3, 9, 3, 0})
        w.WriteInt32(i);
    w.WriteByte(1);     // 10 BrightArrows
    w.WriteByte(0);     // 11 NotForGate
    w.WriteByte(1);     // 12 NoArrows
    w.WriteInt32(3);    // 13 ParticleSystem + 1
    w.WriteByte(1);     // 14 GateHint
    w.WriteInt16(7);    // 15 no hide list
    w.WriteInt32(-250); // 16 Reward
    w.WriteByte(1);     // 17 GiverAcidProof
    w.WriteByte(0);     // 18 RestartShownAnimations
    w.WriteByte(1);     // 19 StartOnGiverDeath
    w.Pad(5);           // 20 reserved
    return w.Bytes;
}

std::vector<uint8_t> QuestListBytes(int32_t count, const std::vector<std::vector<uint8_t>>& records) {
    TByteWriter w;
    w.WriteInt32(count);
    w.WriteInt32(77); // ignored
    w.Pad(32);
    for (const auto& r : records)
        w.WriteBlock(r.data(), r.size());
    return w.Bytes;
}

template <typename T> std::vector<uint8_t> Written(const T& x) {
    TByteWriter w;
    x.Write(w);
    return w.Bytes;
}

TEST(QuestRecord, ReadsEveryStoredField) {
    TByteReader in(QuestBytes());
    TQuest q;
    ASSERT_TRUE(q.Read(in, 6));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(q.Name, "Bring the key");
    EXPECT_EQ(q.Giver, 2);
    EXPECT_EQ(q.QuestType, 3);
    EXPECT_EQ(q.TargetBoost, 5);
    EXPECT_EQ(q.Zone, (TBox2{10, 20, 110, 220}));
    EXPECT_EQ(q.TypeBlock[1], 0xAA);
    EXPECT_TRUE(q.AutoStart);
    EXPECT_FALSE(q.StartAfterPrerequisites);
    EXPECT_EQ(q.Prerequisites, (std::vector<std::string>{"First", "Other"}));
    EXPECT_TRUE(q.KeepChecking);
    EXPECT_EQ(q.ShowOnDone, (std::vector<int32_t>{3, 0})); // out of range and repeated indices dropped
    EXPECT_TRUE(q.HideOnDone.empty());
    EXPECT_TRUE(q.BrightArrows);
    EXPECT_FALSE(q.NotForGate);
    EXPECT_TRUE(q.NoArrows);
    EXPECT_EQ(q.ParticleSystem, 2);
    EXPECT_TRUE(q.GateHint);
    EXPECT_EQ(q.Reward, -250);
    EXPECT_TRUE(q.GiverAcidProof);
    EXPECT_FALSE(q.RestartShownAnimations);
    EXPECT_TRUE(q.StartOnGiverDeath);
    EXPECT_FALSE(q.Started);
    EXPECT_FALSE(q.Done);

    ASSERT_EQ(q.Speeches.Count(), 2);
    const TSpeech& a = q.Speeches.Items[0];
    EXPECT_EQ(a.Name, "Animations\\0052.gms");
    EXPECT_EQ(a.SpeakerObjectIndex, 4);
    EXPECT_EQ(a.SpeakerCharacterIndex, -1);
    EXPECT_EQ(a.PlayOnStart, 1);
    EXPECT_EQ(a.PlayOnCompletion, 0);
    EXPECT_EQ(a.Reserved, 7);
    EXPECT_EQ(a.AfterPrevious, 0);
    EXPECT_EQ(a.NextQuest, "");
    const TSpeech& b = q.Speeches.Items[1];
    EXPECT_EQ(b.SpeakerObjectIndex, 2);
    EXPECT_EQ(b.SpeakerCharacterIndex, 1);
    EXPECT_EQ(b.AfterPrevious, 1);
    EXPECT_EQ(b.NextQuest, "Second");
}

// The type block: zero-filled, up to 24 bytes kept, the rest skipped; what
// it holds is decoded by the quest type.
TEST(QuestRecord, TypeBlockByType) {
    struct TCase {
        std::vector<uint8_t> Block;
        uint8_t Type;
        TBox2 Zone;
        int32_t Target;
    };
    auto block = [](uint8_t type, std::initializer_list<float> floats, int32_t extra = 0) {
        TByteWriter w;
        w.WriteByte(type);
        w.Pad(3);
        for (float f : floats)
            w.WriteFloat32(f);
        w.Pad(size_t(extra));
        return w.Bytes;
    };
    int32_t target7;
    float target7f;
    target7 = 7;
    std::memcpy(&target7f, &target7, 4);
    const TCase cases[] = {
        {{}, 0, {0, 0, 0, 0}, -1},                            // nothing stored: a zero zone
        {block(0, {1, 2, 3, 4}), 0, {1, 2, 3, 4}, -1},        // 20 bytes
        {block(0, {1, 2, 3, 4, 5}, 12), 0, {1, 2, 3, 4}, -1}, // 36 bytes, 12 skipped
        {block(1, {target7f}), 1, {0, 0, 100, 100}, 7},       // a target boost only
        {block(3, {target7f, 5, 6}), 3, {5, 6, 0, 0}, 7},     // a short zone is zero-filled
        {block(4, {9, 9, 9, 9, 9}), 4, {0, 0, 100, 100}, -1}, // no decoded data
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << int(c.Type) << " size " << c.Block.size());
        TQuest q;
        q.Name = "Q";
        std::vector<uint8_t> bytes = Written(q);
        // Replace the written block by the case's block.
        TByteWriter w;
        w.WriteString("Q");
        w.WriteInt32(0);
        w.WriteInt32(int32_t(c.Block.size()));
        w.WriteBlock(c.Block.data(), c.Block.size());
        const size_t head = 4 + 1 + 4 + 4 + QuestTypeBlockSize;
        w.WriteBlock(bytes.data() + head, bytes.size() - head);
        TByteReader in(w.Bytes);
        TQuest r;
        ASSERT_TRUE(r.Read(in, 10));
        EXPECT_TRUE(in.AtEnd());
        EXPECT_EQ(r.QuestType, c.Type);
        EXPECT_EQ(r.Zone, c.Zone);
        EXPECT_EQ(r.TargetBoost, c.Target);
    }
}

TEST(QuestRecord, DamagedCountsFailTheList) {
    const std::pair<const char*, std::function<void(TQuestParts&)>> cases[] = {
        {"negative type block size", [](TQuestParts& p) { p.BlockSize = -1; }},
        {"type block beyond the bytes", [](TQuestParts& p) { p.BlockSize = 0x7FFFFFF0; }},
        {"negative prerequisite count", [](TQuestParts& p) { p.PrerequisiteCount = -2; }},
        {"prerequisites beyond the bytes", [](TQuestParts& p) { p.PrerequisiteCount = 1 << 28; }},
        {"negative show count", [](TQuestParts& p) { p.ShowCount = -4; }},
        {"show list beyond the bytes", [](TQuestParts& p) { p.ShowCount = 1 << 30; }},
        {"negative speech count", [](TQuestParts& p) { p.Speech.Count = -1; }},
        {"speeches beyond the bytes", [](TQuestParts& p) { p.Speech.Count = 1 << 25; }},
    };
    for (const auto& [what, change] : cases) {
        SCOPED_TRACE(what);
        TQuestParts p;
        change(p);
        std::vector<uint8_t> bytes = QuestListBytes(3, {QuestBytes(), QuestBytes(p), QuestBytes()});
        TByteReader in(bytes);
        TQuests list;
        EXPECT_FALSE(list.Read(in, 6));
        EXPECT_EQ(list.Count(), 1);
    }
    for (int32_t count : {-1, 1000, int32_t(0x80000000u)}) {
        std::vector<uint8_t> bytes = QuestListBytes(count, {QuestBytes()});
        TByteReader in(bytes);
        TQuests list;
        EXPECT_FALSE(list.Read(in, 6)) << count;
        EXPECT_EQ(list.Count(), 0);
    }
}

TEST(QuestRecord, ParticleSystemIsStoredPlusOne) {
    for (auto [stored, inMemory] : {std::pair{0, -1}, {1, 0}, {12, 11}, {-7, -1}}) {
        TQuest q;
        q.ParticleSystem = 0;
        std::vector<uint8_t> bytes = Written(q);
        // Field 13 sits after the fixed head of an empty quest of this layout.
        const size_t at = 4 + std::strlen(LoadingQuestName) + 4 + 4 + 24 + 1 + 1 + 4 + 1 + 1 + (2 + 4) + 3;
        std::memcpy(&bytes[at], &stored, 4);
        TByteReader in(bytes);
        TQuest r;
        ASSERT_TRUE(r.Read(in, 0));
        EXPECT_EQ(r.ParticleSystem, inMemory) << stored;
    }
}

TQuests SampleQuests() {
    TQuests list;
    for (uint8_t type = 0; type < 6; ++type) {
        auto q = std::make_unique<TQuest>();
        q->Name = type == 4 ? "" : "Quest " + std::to_string(type);
        q->Giver = type;
        q->QuestType = type;
        for (size_t i = 1; i < q->TypeBlock.size(); ++i)
            q->TypeBlock[i] = uint8_t(i * 3 + type);
        q->Zone = TBox2{float(type), -1.5f, 40.0f, 80.25f};
        q->TargetBoost = type == 1 ? 2 : -1;
        q->AutoStart = type % 2 == 0;
        q->StartAfterPrerequisites = type == 5;
        if (type == 5) q->Prerequisites = {"Quest 0", "", "Quest 3"};
        q->KeepChecking = type == 2;
        if (type % 3 != 0) q->ShowOnDone = {type % 3};
        if (type == 3) q->HideOnDone = {0, 2};
        q->ParticleSystem = type == 4 ? 3 : -1;
        q->Reward = 100 * type;
        q->StartOnGiverDeath = type == 1;
        if (type % 2 == 1) {
            TSpeech s;
            s.Name = "Animations\\" + std::to_string(type) + ".gms";
            s.SpeakerObjectIndex = type;
            s.SpeakerCharacterIndex = type == 3 ? 0 : -1;
            s.PlayOnStart = 1;
            s.NextQuest = "Quest 0";
            q->Speeches.Items.push_back(s);
            s.AfterPrevious = 1;
            s.SpeakerObjectIndex = -1;
            q->Speeches.Items.push_back(s);
        }
        list.Items.push_back(std::move(q));
    }
    list.Items[2]->ShowOnDone = {2, 1};
    return list;
}

TEST(QuestList, RoundTripsToIdenticalBytes) {
    TQuests list = SampleQuests();
    std::vector<uint8_t> first = Written(list);
    TByteReader in(first);
    TQuests read;
    ASSERT_TRUE(read.Read(in, 3));
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(read.Count(), 6);
    EXPECT_EQ(read.Items[3]->Speeches.Count(), 2);
    EXPECT_EQ(read.Items[3]->HideOnDone, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(read.Items[0]->Zone, (TBox2{0, -1.5f, 40, 80.25f}));
    EXPECT_EQ(read.Items[4]->ParticleSystem, 3);
    // The particle quest keeps the type data it does not use.
    EXPECT_TRUE(std::equal(read.Items[4]->TypeBlock.begin() + 1, read.Items[4]->TypeBlock.end(),
                           list.Items[4]->TypeBlock.begin() + 1));
    EXPECT_EQ(read.Items[2]->ShowOnDone, (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(Written(read), first);
}

TEST(QuestList, FindQuestFindsTheFirstOfTwins) {
    TQuests list = SampleQuests();
    list.Items[4]->Name = "Quest 1";
    std::vector<uint8_t> bytes = Written(list);
    TByteReader in(bytes);
    TQuests read;
    ASSERT_TRUE(read.Read(in, 3));
    EXPECT_EQ(read.FindQuest("Quest 1"), read.Items[1].get());
    EXPECT_EQ(read.FindQuest("quest 1"), nullptr);
}

TEST(QuestList, TruncatedAndCorruptedCopiesFailCleanly) {
    std::vector<uint8_t> full = Written(SampleQuests());
    for (size_t n = 0; n < full.size(); ++n) {
        TByteReader in(std::vector<uint8_t>(full.begin(), full.begin() + long(n)));
        TQuests list;
        ASSERT_FALSE(list.Read(in, 3)) << "prefix " << n;
        ASSERT_LT(list.Count(), 6);
    }
    std::mt19937 rng(23);
    for (int copy = 0; copy < 2000; ++copy) {
        std::vector<uint8_t> bytes = full;
        for (int k = 0; k < 4; ++k)
            bytes[rng() % bytes.size()] = uint8_t(rng());
        TByteReader in(bytes);
        TQuests list;
        if (list.Read(in, 3)) {
            std::vector<uint8_t> again = Written(list);
            TByteReader in2(again);
            TQuests list2;
            ASSERT_TRUE(list2.Read(in2, 3));
            ASSERT_EQ(Written(list2), again);
        }
    }
}

// One speaker at most: an index within its list makes the speaker, and a
// character beside an object wins.
TEST(Speech, ResolveSpeakers) {
    struct TCase {
        int32_t Object, Character;
        int32_t WantObject, WantCharacter;
    };
    const TCase cases[] = {
        {2, -1, 2, -1}, {2, 1, -1, 1}, {2, 9, 2, -1}, {9, 1, -1, 1}, {-5, -1, -1, -1}, {5, 3, -1, -1},
    };
    for (const TCase& c : cases) {
        TSpeech s;
        s.SpeakerObjectIndex = c.Object;
        s.SpeakerCharacterIndex = c.Character;
        s.ResolveSpeakers(5, 3);
        EXPECT_EQ(s.SpeakerObjectIndex, c.WantObject) << c.Object << "," << c.Character;
        EXPECT_EQ(s.SpeakerCharacterIndex, c.WantCharacter) << c.Object << "," << c.Character;
    }
}

TEST(Speech, ListRoundTripsAndFailsOnEveryPrefix) {
    TByteWriter w;
    WriteSpeechList(w);
    TByteReader in(w.Bytes);
    TSpeechMan speeches;
    ASSERT_TRUE(speeches.Read(in));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(Written(speeches), w.Bytes); // the fixture is in the writer's own form
    for (size_t n = 0; n < w.Bytes.size(); ++n) {
        TByteReader part(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + long(n)));
        TSpeechMan s;
        ASSERT_FALSE(s.Read(part)) << "prefix " << n;
    }
}
} // namespace

namespace {
// The smallest quest and speech records: lists of them must read whole, so
// the count checks may not reject them.
TEST(QuestList, SmallestRecordsFitTheCountChecks) {
    TByteWriter speech;
    speech.WriteString(""); // Name
    speech.WriteByte(0);    // no object
    speech.Pad(4);          // flags
    speech.WriteByte(0);    // no character
    speech.WriteString(""); // NextQuest
    speech.Pad(10);
    TByteWriter speeches;
    speeches.WriteInt32(3);
    speeches.Pad(16);
    for (int i = 0; i < 3; ++i)
        speeches.WriteBlock(speech.Bytes.data(), speech.Bytes.size());
    TByteReader sin(speeches.Bytes);
    TSpeechMan sm;
    ASSERT_TRUE(sm.Read(sin));
    EXPECT_EQ(sm.Count(), 3);
    EXPECT_TRUE(sin.AtEnd());

    TByteWriter quest;
    quest.WriteString(""); // Name
    quest.WriteInt32(0);   // Giver
    quest.WriteInt32(0);   // empty type block
    quest.Pad(2);          // AutoStart, StartAfterPrerequisites
    quest.WriteInt32(0);   // no prerequisites
    quest.WriteByte(0);    // no speeches
    quest.WriteByte(0);    // KeepChecking
    quest.WriteInt16(0);   // no show list
    quest.Pad(3 + 4 + 1);  // arrows and gate flags, particle system, GateHint
    quest.WriteInt16(0);   // no hide list
    quest.Pad(4 + 3 + 5);  // Reward, three flags, reserved
    for (int32_t count : {1, 4}) {
        std::vector<std::vector<uint8_t>> records(size_t(count), quest.Bytes);
        TByteReader in(QuestListBytes(count, records));
        TQuests list;
        ASSERT_TRUE(list.Read(in, 0)) << count;
        EXPECT_EQ(list.Count(), count);
        EXPECT_TRUE(in.AtEnd());
    }
}
} // namespace

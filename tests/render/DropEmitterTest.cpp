#include "render/DropEmitter.h"
#include "assets/ByteStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

TDrops_Emiter& Emitter(TParticleSystem& s) {
    return static_cast<TDrops_Emiter&>(*s.Emitter);
}

std::vector<uint8_t> Bytes(TParticleSystem& s) {
    TByteWriter w;
    Emitter(s).Write(w);
    return w.Bytes;
}

// A system that sets every field of the record away from its new value.
std::unique_ptr<TParticleSystem> RichSystem(const std::u16string& caption) {
    auto s = CreateDropSystem();
    TDrops_Emiter& e = Emitter(*s);
    e.Position = {10.0f, 20.0f};
    e.StartVelocity = {-1.0f, 3.0f};
    e.SizeMin = 2.0f;
    e.SizeMax = 5.0f;
    e.SpreadAngle = 0.25f;
    e.SpeedSpread = 0.5f;
    e.SetColours({1, 2, 3, 4}, {200, 100, 50, 25});
    e.NearWater = 1;
    e.Interval = 40;
    e.IntervalRandom = 7;
    e.Contacts = -1;
    e.PushFactor = 0.5f;
    e.HitChance = 0.25f;
    e.BounceMin = 1.0f;
    e.BounceMax = 5.0f;
    e.DentStrength = 2.0f;
    s->TextureName = "Effects\\Spark.png";
    s->MaterialStored = true;
    s->Material.BlendDst = 1;
    e.BounceLoss = 0.4f;
    e.FadeOutStep = 3;
    s->Gravity = 0.01f;
    e.CarryFactor = 0.2f;
    e.SteerTrack = 4;
    e.DrawStyle = 2;
    e.Span = {100.0f, 0.0f};
    e.VelocityFactor = 0.98f;
    e.BurstCount = 12;
    e.ShapeIndex = 3;
    e.DrawBehind = 1;
    e.WaterImpact = -2.0f;
    e.FadeInStep = 5;
    e.EmissionMode = 2;
    e.FireOnShow = 1;
    e.FireOnHide = 1;
    e.SpeedTrack = 2;
    e.BounceBack = 0.9f;
    e.CarriedOff = e.StateOn = e.RandomSteerStart = 1;
    s->Layer = -2;
    e.BoostIndex = 4;
    s->BounceSound = "FX\\Bounce.ogg";
    s->WaterSound = "Water\\Plop.ogg";
    s->ContactSound = "FX\\Tuk.ogg";
    e.TerrainCollision = 0;
    e.FireAtStart = 1;
    e.SizeChange = -0.05f;
    e.Cycling = 1;
    e.StartsOff = 1;
    e.OnMin = 5;
    e.OnRange = 2;
    e.OffMin = -1;
    e.OffRange = 9;
    s->EmitSound = "FX\\Hiss.ogg";
    e.WindIndex = 1;
    e.CharacterIndex = 2;
    s->WindFactor = 0.3f;
    e.FireOnEffectEnd = 1;
    s->GoalBox = {1.0f, 2.0f, 3.0f, 4.0f};
    e.FollowCarrier = 1;
    e.FireOnDeath = 1;
    s->WindBox = 1;
    s->GoalCount = 17;
    s->CollisionQuest = "Open gate";
    e.OwnWindOnly = 1;
    e.PlayerWinds = 0;
    s->ReleaseQuest = "Drip";
    e.WhileAnimation = 1;
    e.SourceIndex = 0;
    e.RateMode = 1;
    e.RateStart = 10.0f;
    e.Rate = 2.0f;
    e.ActivationDistance = 900.0f;
    e.InitialPhase = 6;
    s->BounceSoundId = 1;
    s->WaterSoundId = 2;
    s->ContactSoundId = 3;
    s->EmitSoundId = 4;
    s->Caption = caption;
    s->CaptionHold = 250;
    s->CaptionColour = {255, 0, 0, 200};
    s->CaptionOnFire = 1;
    e.LastMarkerValue = 3.5f;
    return s;
}

// Items 1–4 of a record: position, velocity, sizes, colours, interval.
void WriteHead(TByteWriter& w) {
    for (float v : {5.0f, 6.0f, 1.0f, 2.0f, 3.0f, 9.0f, 0.1f, 0.2f})
        w.WriteFloat32(v);
    w.WriteBlock("\x0A\x0B\x0C\x0D\x14\x15\x16\x17", 8);
    w.WriteBool(false);
    w.WriteInt32(25);
    w.WriteInt32(3);
}

// Items 6–9 with no texture and no material; VelocityFactor stored as 0.
void WriteDetail(TByteWriter& w) {
    w.WriteInt32(7);
    for (float v : {0.5f, 1.0f, 2.0f, 12.0f, 0.0f})
        w.WriteFloat32(v);
    w.WriteString("");
    w.WriteBool(false);
    w.WriteFloat32(0.5f);
    w.WriteByte(0);
    w.WriteFloat32(0.02f);
    w.WriteFloat32(0.0f);
    w.WriteByte(1);
    w.WriteByte(3);
    w.WriteFloat32(0.0f);
    w.WriteFloat32(50.0f);
    w.WriteFloat32(0.0f);
}

} // namespace

TEST(DropEmitter, NewSystemsHoldTheNewValues) {
    auto s = CreateDropSystem();
    const TDrops_Emiter& e = Emitter(*s);
    EXPECT_EQ(s->Capacity, 1024);
    EXPECT_EQ(e.System, s.get());
    EXPECT_EQ(e.Interval, -1);
    EXPECT_EQ(e.IntervalRandom, 50);
    EXPECT_EQ(e.StartVelocity, (TVec2{7.0f, 2.0f}));
    EXPECT_EQ(e.StartColour.B, 255);
    EXPECT_EQ(e.EndColour.R, 150);
    EXPECT_EQ(e.SourceIndex, -1);
    EXPECT_EQ(e.SpreadAngle, 0.5f);
    EXPECT_EQ(e.Contacts, 2);
    EXPECT_EQ(e.BounceMax, 30.0f);
    EXPECT_EQ(e.PlayerWinds, 1);
    EXPECT_EQ(e.TerrainCollision, 1);
    EXPECT_EQ(s->Gravity, 1.0f / 310.0f);
}

TEST(DropEmitter, FullRecordRoundTripsAndCutsFail) {
    for (const std::u16string& caption :
         {std::u16string(), std::u16string(u"~12"), std::u16string(u"\u010Cas")}) {
        auto s = RichSystem(caption);
        const std::vector<uint8_t> written = Bytes(*s);
        auto back = CreateDropSystem();
        back->CollisionQuest = "stale";
        TByteReader r(written);
        ASSERT_TRUE(Emitter(*back).Load(r));
        EXPECT_TRUE(r.AtEnd());
        const TDrops_Emiter& e = Emitter(*back);
        EXPECT_EQ(back->Caption, caption);
        EXPECT_EQ(back->CaptionHold, caption.empty() ? 0 : 250);
        EXPECT_EQ(e.ColourDiff, (std::array<int32_t, 4>{199, 98, 47, 21}));
        EXPECT_EQ(e.TerrainCollision, 0);
        EXPECT_EQ(e.PlayerWinds, 0);
        EXPECT_EQ(back->WindFactor, 0.3f);
        EXPECT_EQ(back->Layer, -2);
        EXPECT_EQ(e.BoostIndex, 4);
        EXPECT_EQ(e.ShapeIndex, 3);
        EXPECT_EQ(e.WindIndex, 1);
        EXPECT_EQ(e.CharacterIndex, 2);
        EXPECT_EQ(e.SourceIndex, 0);
        EXPECT_EQ(back->CollisionQuest, "Open gate");
        EXPECT_EQ(back->EmitSoundId, 4);
        EXPECT_EQ(back->GoalBox, (TBox2{1.0f, 2.0f, 3.0f, 4.0f}));
        EXPECT_EQ(back->Material.BlendDst, 1);
        EXPECT_EQ(e.OffMin, -1);
        EXPECT_EQ(e.LastMarkerValue, 3.5f);
        EXPECT_EQ(Bytes(*back), written);

        for (size_t cut = 0; cut < written.size(); ++cut) {
            auto part = CreateDropSystem();
            TByteReader in(std::vector<uint8_t>(written.begin(), written.begin() + cut));
            EXPECT_FALSE(Emitter(*part).Load(in)) << cut;
        }
    }
}

TEST(DropEmitter, CaptionTailLayout) {
    auto s = RichSystem(u"Hi");
    const std::vector<uint8_t> b = Bytes(*s);
    std::vector<uint8_t> tail(b.end() - (6 + 4 + 4 + 1 + 2 + 1 + 8 + 1 + 4 + 32), b.end());
    float last = 3.5f;
    uint8_t lastBytes[4];
    std::memcpy(lastBytes, &last, 4);
    // clang-format off
    std::vector<uint8_t> expected = {
        2, 0, 0, 0, 'H', 'i',         // caption as 8-bit text
        250, 0, 0, 0,                 // CaptionHold
        255, 0, 0, 200,               // CaptionColour
        1,                            // CaptionOnFire
        0, 0,                         // skip(2), only with a caption
        0xDE,                         // wide caption marker
        2, 0, 0, 0, 'H', 0, 'i', 0,   // the caption as a wide string
        'o',                          // marker of the kept value
        lastBytes[0], lastBytes[1], lastBytes[2], lastBytes[3],
    };
    // clang-format on
    expected.resize(expected.size() + 32); // skip(32), whatever the marker
    EXPECT_EQ(tail, expected);

    // Without a caption its settings and skip(2) are absent: the empty length
    // is followed at once by the wide caption marker.
    TByteWriter w;
    Emitter(*RichSystem(u"")).Write(w);
    const size_t end = w.Bytes.size();
    const std::vector<uint8_t> plain(w.Bytes.end() - (4 + 1 + 4 + 1 + 4 + 32), w.Bytes.end() - (4 + 32));
    EXPECT_EQ(plain, (std::vector<uint8_t>{0, 0, 0, 0, 0xDE, 0, 0, 0, 0, 'o'}));
    // An unknown last marker reads no value; the 32 reserved bytes follow it still.
    w.Bytes[end - 32 - 4 - 1] = 'x';
    auto back = CreateDropSystem();
    TByteReader r(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.end() - 4));
    ASSERT_TRUE(Emitter(*back).Load(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(Emitter(*back).LastMarkerValue, 0.0f);
}

TEST(DropEmitter, EarlyMarkersEndTheRecordWithNewValuesAfterThem) {
    struct TCase {
        const char* What;
        int Stage;
        size_t Size;
    };
    const TCase cases[] = {
        {"no detail block", 0, 73},
        {"no link block", 1, 0},
        {"no sound block", 2, 0},
    };
    for (const TCase& c : cases) {
        TByteWriter w;
        WriteHead(w);
        if (c.Stage == 0) {
            w.WriteByte('x');
            w.Pad(23);
        } else {
            w.WriteByte('d');
            WriteDetail(w);
            if (c.Stage == 1) {
                w.WriteByte(0);
                w.Pad(2);
            } else {
                w.WriteByte(1);
                w.WriteInt32(6);      // BurstCount
                w.WriteInt32(2);      // shape 2
                w.WriteBool(true);    // DrawBehind
                w.WriteFloat32(0.0f); // WaterImpact
                w.WriteBlock("\x01\x00\x01\x01\x03", 5);
                w.WriteByte(0);   // no BounceBack
                w.Pad(6);         // six switches
                w.WriteInt32(-1); // Layer
                w.WriteByte(0);   // no boost
                w.WriteByte(0);   // not the sound marker
                w.Pad(5);
            }
        }
        if (c.Size) {
            ASSERT_EQ(w.Bytes.size(), c.Size) << c.What;
        }
        auto s = CreateDropSystem();
        TByteReader r(w.Bytes);
        ASSERT_TRUE(Emitter(*s).Load(r)) << c.What;
        EXPECT_TRUE(r.AtEnd()) << c.What;
        const TDrops_Emiter& e = Emitter(*s);
        EXPECT_EQ(e.Interval, 25) << c.What;
        EXPECT_EQ(e.SizeMax, 9.0f) << c.What;
        EXPECT_EQ(e.StartColour.R, 0x0A) << c.What;
        EXPECT_EQ(e.Contacts, c.Stage == 0 ? 2 : 7) << c.What;
        EXPECT_EQ(e.VelocityFactor, 1.0f) << c.What; // a stored 0 reads as 1
        EXPECT_EQ(e.BurstCount, c.Stage == 2 ? 6 : 0) << c.What;
        EXPECT_EQ(s->Layer, c.Stage == 2 ? -1 : 0) << c.What;
        EXPECT_EQ(e.BounceBack, 0.3f) << c.What;
        EXPECT_EQ(e.BoostIndex, -1) << c.What;
        EXPECT_TRUE(s->BounceSound.empty()) << c.What;
        EXPECT_EQ(e.PlayerWinds, 1) << c.What;
    }
}

TEST(DropEmitter, ValuesMendedAtReading) {
    struct TCase {
        float SizeChange;
        int32_t Character;
        float WantSizeChange;
        int32_t WantCharacter;
    };
    const TCase cases[] = {
        {-0.5f, 3, -0.5f, 3},        {10000.0f, -5, 10000.0f, 0}, {10001.0f, 0, 0.0f, 0},
        {std::nanf(""), 1, 0.0f, 1}, {-INFINITY, 1, 0.0f, 1},
    };
    for (const TCase& c : cases) {
        auto s = RichSystem(u"");
        Emitter(*s).SizeChange = c.SizeChange;
        Emitter(*s).CharacterIndex = c.Character;
        const std::vector<uint8_t> b = Bytes(*s);
        auto back = CreateDropSystem();
        TByteReader r(b);
        ASSERT_TRUE(Emitter(*back).Load(r));
        EXPECT_EQ(Emitter(*back).SizeChange, c.WantSizeChange) << c.SizeChange;
        EXPECT_EQ(Emitter(*back).CharacterIndex, c.WantCharacter) << c.Character;
    }
    struct TSlot {
        int32_t Index, Count, Want;
    };
    for (const TSlot& c : {TSlot{-1, 3, -1}, TSlot{0, 3, 0}, TSlot{5, 3, 2}, TSlot{1, 0, -1}}) {
        auto s = CreateDropSystem();
        Emitter(*s).CharacterIndex = c.Index;
        EXPECT_EQ(Emitter(*s).CharacterSlot(c.Count), c.Want) << c.Index << " of " << c.Count;
    }
}

TEST(DropEmitter, ListLinksSourcesAndChecksItsCount) {
    std::vector<std::unique_ptr<TParticleSystem>> list;
    for (int32_t source : {2, 3, -1}) {
        list.push_back(RichSystem(u"x"));
        Emitter(*list.back()).SourceIndex = source;
    }
    TByteWriter w;
    WriteDropSystems(w, list);
    std::vector<std::unique_ptr<TParticleSystem>> back;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(ReadDropSystems(r, back));
    EXPECT_TRUE(r.AtEnd());
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0]->Emitter->Source, back[2].get());
    EXPECT_EQ(back[1]->Emitter->Source, nullptr); // index 3 = d: unlinked
    EXPECT_EQ(back[2]->Emitter->Source, nullptr);
    TByteWriter again;
    WriteDropSystems(again, back);
    EXPECT_EQ(again.Bytes, w.Bytes);

    // A cut inside the third record keeps the first two, linked among themselves.
    const size_t one = (w.Bytes.size() - 4) / 3;
    std::vector<std::unique_ptr<TParticleSystem>> part;
    TByteReader cut(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + 4 + 2 * one + 10));
    EXPECT_FALSE(ReadDropSystems(cut, part));
    EXPECT_EQ(part.size(), 2u);
    EXPECT_EQ(part[0]->Emitter->Source, nullptr); // system 2 was not read

    for (int32_t count : {-1, 1 << 30, 4}) {
        std::vector<uint8_t> bad = w.Bytes;
        std::memcpy(bad.data(), &count, 4);
        std::vector<std::unique_ptr<TParticleSystem>> none;
        TByteReader in(bad);
        EXPECT_FALSE(ReadDropSystems(in, none)) << count;
        EXPECT_LE(none.size(), 3u) << count;
    }
    // Flipped bytes anywhere: no crash, no sanitizer report.
    for (size_t i = 0; i < w.Bytes.size(); ++i) {
        std::vector<uint8_t> bad = w.Bytes;
        bad[i] ^= 0xA5;
        std::vector<std::unique_ptr<TParticleSystem>> any;
        TByteReader in(bad);
        ReadDropSystems(in, any);
        EXPECT_LE(any.size(), 3u);
    }
}

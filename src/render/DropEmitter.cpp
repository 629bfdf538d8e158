#include "render/DropEmitter.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/TexLib.h"

#include <algorithm>

namespace {

constexpr uint8_t DetailMarker = 100; // "d"
constexpr uint8_t LinkMarker = 1;
constexpr uint8_t ValueMarker = 0xDE;
constexpr uint8_t BoostMarker = 111; // "o"
constexpr uint8_t SoundMarker = 0xC7;
constexpr uint8_t CyclingMarker = 0xA7;
constexpr int16_t WordMarker = 10101;
constexpr uint8_t CharacterMarker = 123; // "{"
constexpr uint8_t GoalBoxMarker = 0xBF;
constexpr uint8_t SourceMarker = 0xEA;
constexpr int16_t RateMarker = 11011;
constexpr int16_t SoundIdMarker = 999;

std::u16string Widen(const std::string& s) {
    std::u16string w;
    w.reserve(s.size());
    for (char c : s)
        w.push_back(char16_t(uint8_t(c)));
    return w;
}

std::string Narrow(const std::u16string& w) {
    std::string s;
    s.reserve(w.size());
    for (char16_t c : w)
        s.push_back(c < 256 ? char(uint8_t(c)) : '?');
    return s;
}

} // namespace

TDrops_Emiter::TDrops_Emiter(TParticleSystem* system) : TParticleSystem_Emiter(system) {
    Interval = -1;
    IntervalRandom = 50;
    StartVelocity = {7.0f, 2.0f};
}

bool TDrops_Emiter::Load(TByteReader& in) {
    RecordSite(65002);
    TParticleSystem& s = *System;
    s.CollisionQuest.clear();
    s.ReleaseQuest.clear();
    Position.X = in.ReadFloat32();
    Position.Y = in.ReadFloat32();
    StartVelocity.X = in.ReadFloat32();
    StartVelocity.Y = in.ReadFloat32();
    SizeMin = in.ReadFloat32();
    SizeMax = in.ReadFloat32();
    SpreadAngle = in.ReadFloat32();
    SpeedSpread = in.ReadFloat32();
    TColor4 start, end;
    ReadColour(in, start);
    ReadColour(in, end);
    SetColours(start, end);
    NearWater = in.ReadBool();
    Interval = in.ReadInt32();
    IntervalRandom = in.ReadInt32();
    if (in.ReadByte() != DetailMarker) {
        in.Skip(23);
        return !in.ShortRead;
    }
    Contacts = in.ReadInt32();
    PushFactor = in.ReadFloat32();
    HitChance = in.ReadFloat32();
    BounceMin = in.ReadFloat32();
    BounceMax = in.ReadFloat32();
    DentStrength = in.ReadFloat32();
    s.TextureName = in.ReadString();
    if (!s.TextureName.empty()) s.Texture = TexLib.TextureByName(s.TextureName);
    s.MaterialStored = in.ReadBool();
    if (s.MaterialStored) s.Material.Read(in);
    BounceLoss = in.ReadFloat32();
    FadeOutStep = in.ReadByte();
    s.Gravity = in.ReadFloat32();
    CarryFactor = in.ReadFloat32();
    SteerTrack = in.ReadByte();
    DrawStyle = in.ReadByte();
    Span.X = in.ReadFloat32();
    Span.Y = in.ReadFloat32();
    VelocityFactor = in.ReadFloat32();
    if (VelocityFactor == 0.0f) VelocityFactor = 1.0f;
    if (in.ReadByte() != LinkMarker) {
        in.Skip(2);
        return !in.ShortRead;
    }
    BurstCount = in.ReadInt32();
    ShapeIndex = in.ReadInt32();
    DrawBehind = in.ReadBool();
    WaterImpact = in.ReadFloat32();
    FadeInStep = in.ReadByte();
    EmissionMode = in.ReadByte();
    FireOnShow = in.ReadBool();
    FireOnHide = in.ReadBool();
    SpeedTrack = in.ReadByte();
    BounceBack = in.ReadByte() == ValueMarker ? in.ReadFloat32() : 0.3f;
    CarriedOff = in.ReadBool();
    CarriedOn = in.ReadBool();
    StateOff = in.ReadBool();
    StateOn = in.ReadBool();
    FireOnLightUp = in.ReadBool();
    RandomSteerStart = in.ReadBool();
    s.Layer = in.ReadInt32();
    if (in.ReadByte() == BoostMarker) BoostIndex = in.ReadInt32();
    if (in.ReadByte() != SoundMarker) {
        in.Skip(5);
        return !in.ShortRead;
    }
    s.BounceSound = in.ReadString();
    s.WaterSound = in.ReadString();
    s.ContactSound = in.ReadString();
    TerrainCollision = in.ReadBool() ? 0 : 1;
    s.WindFactor = in.ReadByte() != 0 ? 1.0f : 0.0f;
    FireAtStart = in.ReadBool();
    SizeChange = in.ReadFloat32();
    if (!(SizeChange >= -10000.0f && SizeChange <= 10000.0f)) SizeChange = 0.0f;
    if (in.ReadByte() == CyclingMarker) {
        Cycling = in.ReadBool();
        StartsOff = in.ReadBool();
        OnMin = in.ReadInt32();
        OnRange = in.ReadInt32();
        OffMin = in.ReadInt32();
        OffRange = in.ReadInt32();
    }
    s.EmitSound = in.ReadString();
    if (in.ReadInt16() == WordMarker) WindIndex = in.ReadInt32();
    if (in.ReadByte() == CharacterMarker) CharacterIndex = std::max(in.ReadInt32(), 0);
    if (in.ReadByte() == ValueMarker) s.WindFactor = in.ReadFloat32();
    FireOnEffectEnd = in.ReadBool();
    if (in.ReadByte() == GoalBoxMarker) {
        s.GoalBox.Left = in.ReadFloat32();
        s.GoalBox.Top = in.ReadFloat32();
        s.GoalBox.Right = in.ReadFloat32();
        s.GoalBox.Bottom = in.ReadFloat32();
    }
    FollowCarrier = in.ReadBool();
    FireOnDeath = in.ReadBool();
    s.WindBox = in.ReadByte();
    s.GoalCount = in.ReadInt32();
    if (in.ReadInt16() != WordMarker) {
        in.Skip(1);
        return !in.ShortRead;
    }
    s.CollisionQuest = in.ReadString();
    OwnWindOnly = in.ReadBool();
    PlayerWinds = in.ReadBool() ? 0 : 1;
    s.ReleaseQuest = in.ReadString();
    WhileAnimation = in.ReadBool();
    SourceIndex = in.ReadByte() == SourceMarker ? in.ReadInt32() : -1;
    if (in.ReadInt16() != RateMarker) {
        in.Skip(6);
        return !in.ShortRead;
    }
    RateMode = in.ReadBool();
    RateStart = in.ReadFloat32();
    Rate = in.ReadFloat32();
    ActivationDistance = in.ReadFloat32();
    InitialPhase = in.ReadInt32();
    if (in.ReadInt16() == SoundIdMarker) {
        s.BounceSoundId = in.ReadInt32();
        s.WaterSoundId = in.ReadInt32();
        s.ContactSoundId = in.ReadInt32();
        s.EmitSoundId = in.ReadInt32();
    }
    s.Caption = Widen(in.ReadString());
    if (!s.Caption.empty()) {
        s.CaptionHold = in.ReadInt32();
        ReadColour(in, s.CaptionColour);
        s.CaptionOnFire = in.ReadByte();
        in.Skip(2);
    }
    if (in.ReadByte() == ValueMarker) s.Caption = in.ReadWideString();
    if (in.ReadByte() == BoostMarker) LastMarkerValue = in.ReadFloat32();
    in.Skip(32);
    return !in.ShortRead;
}

// Always the full record with every marker set, so every value survives.
void TDrops_Emiter::Write(TByteWriter& out) const {
    RecordSite(65003);
    const TParticleSystem& s = *System;
    out.WriteFloat32(Position.X);
    out.WriteFloat32(Position.Y);
    out.WriteFloat32(StartVelocity.X);
    out.WriteFloat32(StartVelocity.Y);
    out.WriteFloat32(SizeMin);
    out.WriteFloat32(SizeMax);
    out.WriteFloat32(SpreadAngle);
    out.WriteFloat32(SpeedSpread);
    WriteColour(out, StartColour);
    WriteColour(out, EndColour);
    out.WriteBool(NearWater != 0);
    out.WriteInt32(Interval);
    out.WriteInt32(IntervalRandom);
    out.WriteByte(DetailMarker);
    out.WriteInt32(Contacts);
    out.WriteFloat32(PushFactor);
    out.WriteFloat32(HitChance);
    out.WriteFloat32(BounceMin);
    out.WriteFloat32(BounceMax);
    out.WriteFloat32(DentStrength);
    out.WriteString(s.TextureName);
    out.WriteBool(s.MaterialStored);
    if (s.MaterialStored) s.Material.Write(out);
    out.WriteFloat32(BounceLoss);
    out.WriteByte(FadeOutStep);
    out.WriteFloat32(s.Gravity);
    out.WriteFloat32(CarryFactor);
    out.WriteByte(SteerTrack);
    out.WriteByte(DrawStyle);
    out.WriteFloat32(Span.X);
    out.WriteFloat32(Span.Y);
    out.WriteFloat32(VelocityFactor);
    out.WriteByte(LinkMarker);
    out.WriteInt32(BurstCount);
    out.WriteInt32(ShapeIndex);
    out.WriteBool(DrawBehind != 0);
    out.WriteFloat32(WaterImpact);
    out.WriteByte(FadeInStep);
    out.WriteByte(EmissionMode);
    out.WriteBool(FireOnShow != 0);
    out.WriteBool(FireOnHide != 0);
    out.WriteByte(SpeedTrack);
    out.WriteByte(ValueMarker);
    out.WriteFloat32(BounceBack);
    for (uint8_t b : {CarriedOff, CarriedOn, StateOff, StateOn, FireOnLightUp, RandomSteerStart})
        out.WriteBool(b != 0);
    out.WriteInt32(s.Layer);
    if (BoostIndex != -1) {
        out.WriteByte(BoostMarker);
        out.WriteInt32(BoostIndex);
    } else {
        out.WriteByte(0);
    }
    out.WriteByte(SoundMarker);
    out.WriteString(s.BounceSound);
    out.WriteString(s.WaterSound);
    out.WriteString(s.ContactSound);
    out.WriteBool(TerrainCollision == 0);
    out.WriteByte(s.WindFactor != 0.0f ? 1 : 0);
    out.WriteBool(FireAtStart != 0);
    out.WriteFloat32(SizeChange);
    out.WriteByte(CyclingMarker);
    out.WriteBool(Cycling != 0);
    out.WriteBool(StartsOff != 0);
    out.WriteInt32(OnMin);
    out.WriteInt32(OnRange);
    out.WriteInt32(OffMin);
    out.WriteInt32(OffRange);
    out.WriteString(s.EmitSound);
    out.WriteInt16(WordMarker);
    out.WriteInt32(WindIndex);
    if (CharacterIndex != -1) {
        out.WriteByte(CharacterMarker);
        out.WriteInt32(CharacterIndex);
    } else {
        out.WriteByte(0);
    }
    out.WriteByte(ValueMarker);
    out.WriteFloat32(s.WindFactor);
    out.WriteBool(FireOnEffectEnd != 0);
    out.WriteByte(GoalBoxMarker);
    out.WriteFloat32(s.GoalBox.Left);
    out.WriteFloat32(s.GoalBox.Top);
    out.WriteFloat32(s.GoalBox.Right);
    out.WriteFloat32(s.GoalBox.Bottom);
    out.WriteBool(FollowCarrier != 0);
    out.WriteBool(FireOnDeath != 0);
    out.WriteByte(s.WindBox);
    out.WriteInt32(s.GoalCount);
    out.WriteInt16(WordMarker);
    out.WriteString(s.CollisionQuest);
    out.WriteBool(OwnWindOnly != 0);
    out.WriteBool(PlayerWinds == 0);
    out.WriteString(s.ReleaseQuest);
    out.WriteBool(WhileAnimation != 0);
    if (SourceIndex != -1) {
        out.WriteByte(SourceMarker);
        out.WriteInt32(SourceIndex);
    } else {
        out.WriteByte(0);
    }
    out.WriteInt16(RateMarker);
    out.WriteBool(RateMode != 0);
    out.WriteFloat32(RateStart);
    out.WriteFloat32(Rate);
    out.WriteFloat32(ActivationDistance);
    out.WriteInt32(InitialPhase);
    out.WriteInt16(SoundIdMarker);
    out.WriteInt32(s.BounceSoundId);
    out.WriteInt32(s.WaterSoundId);
    out.WriteInt32(s.ContactSoundId);
    out.WriteInt32(s.EmitSoundId);
    // The 8-bit caption decides whether its settings follow; the wide copy
    // after it carries the full text.
    out.WriteString(Narrow(s.Caption));
    if (!s.Caption.empty()) {
        out.WriteInt32(s.CaptionHold);
        WriteColour(out, s.CaptionColour);
        out.WriteByte(s.CaptionOnFire);
        out.Pad(2);
    }
    out.WriteByte(ValueMarker);
    out.WriteWideString(s.Caption);
    out.WriteByte(BoostMarker);
    out.WriteFloat32(LastMarkerValue);
    out.Pad(32);
}

bool ReadDropSystems(TByteReader& in, std::vector<std::unique_ptr<TParticleSystem>>& systems) {
    RecordSite(65004);
    const size_t first = systems.size();
    const int32_t d = in.ReadInt32();
    bool ok = !in.ShortRead && d >= 0 && d <= in.Remaining() / MinDropRecordSize;
    if (ok) {
        systems.reserve(systems.size() + size_t(d));
        for (int32_t i = 0; i < d; ++i) {
            auto system = CreateDropSystem();
            if (!static_cast<TDrops_Emiter&>(*system->Emitter).Load(in)) {
                ok = false;
                break;
            }
            systems.push_back(std::move(system));
        }
    }
    // Links reach only the systems of this list that were read.
    const size_t count = systems.size() - first;
    for (size_t i = first; i < systems.size(); ++i) {
        TParticleSystem_Emiter& e = *systems[i]->Emitter;
        e.Source = e.SourceIndex >= 0 && size_t(e.SourceIndex) < count
                       ? systems[first + size_t(e.SourceIndex)].get()
                       : nullptr;
    }
    return ok;
}

void WriteDropSystems(TByteWriter& out, const std::vector<std::unique_ptr<TParticleSystem>>& systems) {
    RecordSite(65005);
    out.WriteInt32(int32_t(systems.size()));
    for (const auto& s : systems)
        static_cast<const TDrops_Emiter&>(*s->Emitter).Write(out);
}

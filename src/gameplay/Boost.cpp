#include "gameplay/Boost.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "world/SplineObj.h"

#include <algorithm>
#include <cstring>

namespace {
const char* const TypeNames[BoostTypeCount] = {
    "select type...", "Morpher",       "Magic Power", "Scaler",    "Rollix Light",    "Cat Walk",
    "Regenerator",    "Graviter",      "Diver",       "Acid Coat", "Slower/Faster",   "Magnetizer",
    "Buck",           "Light-up Star", "Diamond",     "Stopper",   "Skid & Stick",    "Rain & Wind",
    "Teleport",       "Magic Gate",    "Shard",       "Secret",    "Invisible boost", "Hiccup",
    "CheckPoint"};

const char* const TakeSounds[BoostTypeCount] = {"",
                                                "Boosts\\Morpher.ogg",
                                                "Boosts\\MagicPower.ogg",
                                                "Boosts\\Scaler_up.ogg",
                                                "Boosts\\Toadstool.ogg",
                                                "Boosts\\CatWalk.ogg",
                                                "Boosts\\Regenerator.ogg",
                                                "Boosts\\Graviter.ogg",
                                                "Boosts\\CrazyMorpher.ogg",
                                                "Boosts\\Turbo.ogg",
                                                "Boosts\\SlowFast_fast.ogg",
                                                "Boosts\\Magnetizer.ogg",
                                                "Boosts\\Buck.ogg",
                                                "Boosts\\StarTake.ogg",
                                                "Boosts\\Diamant.ogg",
                                                "Boosts\\Stopper.ogg",
                                                "Boosts\\SkidNStick.ogg",
                                                "Boosts\\RainNWind.ogg",
                                                "Boosts\\Teleporter.ogg",
                                                "",
                                                "Boosts\\Shard.ogg",
                                                "Boosts\\Secret.ogg",
                                                "",
                                                "Boosts\\Hiccup.ogg",
                                                "Boosts\\CheckPoint.ogg"};

constexpr int32_t TypeSoundsFlag = 1 << 27;
constexpr int16_t SoundSlotMarker = 999;
constexpr int32_t StopperType = 15;
// The smallest boost record: empty strings, no light, no sound slots, no
// links, a whole-block format of size 0 and no shapes.
constexpr int32_t MinBoostRecordBytes = 96;

// Walks one light record and returns its bytes; false when it is damaged.
bool CaptureLightRecord(TByteReader& in, std::vector<uint8_t>& record) {
    const int32_t start = in.Position;
    in.Skip(48); // radius, colour, height, position, layer range
    if (in.ReadByte() != 0) {
        in.Skip(8); // cycle minimum and random part
        int32_t n = in.ReadInt32();
        if (in.ShortRead || n < 0 || n > in.Remaining() / 4) return false;
        in.Skip(4 * n);
    }
    if (in.ReadByte() == 0xC8) in.Skip(4); // linked boost index
    in.Skip(1);                            // sequential
    if (in.ReadByte() == 0xDE) in.Skip(1 + 9 * 4);
    in.Skip(4);
    if (in.ShortRead) return false;
    record = in.ToMemoryStream(start, in.Position - start);
    return true;
}
} // namespace

const char* BoostTypeName(int32_t type) {
    return type >= 0 && type < BoostTypeCount ? TypeNames[type] : "";
}

const char* DefaultTakeSound(int32_t type) {
    return type >= 0 && type < BoostTypeCount ? TakeSounds[type] : "";
}

bool TBoost::Switch(char which) const {
    switch (which) {
    case 'A':
        return TypeBlock[1] != 0;
    case 'B':
        return TypeBlock[2] != 0;
    case 'C':
        return TypeBlock[3] != 0;
    case 'D':
        return TypeBlock[12] != 0;
    case 'E':
        return TypeBlock[13] != 0;
    case 'F':
        return TypeBlock[14] != 0;
    default:
        return false;
    }
}

int32_t TBoost::BlockInt(int32_t offset) const {
    int32_t v = 0;
    if (offset >= 0 && offset + 4 <= BoostTypeBlockSize) std::memcpy(&v, &TypeBlock[size_t(offset)], 4);
    return v;
}

float TBoost::BlockFloat(int32_t offset) const {
    float v = 0.0f;
    if (offset >= 0 && offset + 4 <= BoostTypeBlockSize) std::memcpy(&v, &TypeBlock[size_t(offset)], 4);
    return v;
}

void TBoost::SetBlockInt(int32_t offset, int32_t v) {
    if (offset >= 0 && offset + 4 <= BoostTypeBlockSize) std::memcpy(&TypeBlock[size_t(offset)], &v, 4);
}

void TBoost::SetParam1(float v) {
    std::memcpy(&TypeBlock[4], &v, 4);
}
void TBoost::SetParam2(float v) {
    std::memcpy(&TypeBlock[8], &v, 4);
}

bool TBoost::Read(TByteReader& in) {
    RecordSite(51001);
    Type = std::max(in.ReadInt32(), 0);
    TypeName = BoostTypeName(Type);
    RespawnTime = in.ReadInt32();
    Duration = in.ReadInt32();
    HiddenTicks = in.ReadInt32();
    TimeLeft = in.ReadInt32();
    PointsValue = in.ReadInt32();
    Activation = in.ReadInt32();
    VoiceName = in.ReadString();
    IsKeyItem = in.ReadByte();
    in.Read(FlashColour.data(), 4);
    LightRecord.clear();
    if (in.ReadInt32() != 0 && !CaptureLightRecord(in, LightRecord)) return false;
    Uses = in.ReadInt32();
    TakeSound = in.ReadString();
    QuestCount = in.ReadInt32();
    QuestLeft = QuestCount;
    StartsHidden = in.ReadByte();
    in.Read(TintColour.data(), 4);
    TintBlend = in.ReadFloat32();
    ShowSound = in.ReadString();
    RequiredKey = in.ReadInt32();
    TargetLevel = in.ReadString();
    AutoUse = in.ReadByte();
    MinPoints = in.ReadInt32();
    if (in.ReadInt16() == SoundSlotMarker) {
        TakeSoundSlot = in.ReadInt32();
        ShowSoundSlot = in.ReadInt32();
    } else {
        TakeSoundSlot = ShowSoundSlot = -1;
    }
    int16_t linkCount = in.ReadInt16();
    if (in.ShortRead || linkCount < 0 || linkCount > in.Remaining() / 4) return false;
    Links.assign(size_t(linkCount), 0);
    for (int32_t& l : Links)
        l = in.ReadInt32();
    in.Skip(4);

    TypeBlock.fill(0);
    BlockFormat = in.ReadByte();
    int32_t n = in.ReadInt32();
    if (in.ShortRead) return false;
    if (BlockFormat != 0) {
        if (n < 0 || n > in.Remaining()) return false;
        int32_t kept = std::min(n, BoostTypeBlockSize);
        in.Read(TypeBlock.data(), kept);
        in.Skip(n - kept);
        BlockSize = BoostTypeBlockSize;
    } else {
        BlockSize = n;
        int32_t m = in.ReadInt32();
        if (in.ShortRead || m < 0 || m > in.Remaining()) return false;
        int32_t kept = std::min(m, BoostTypeBlockSize - 4);
        in.Read(TypeBlock.data() + 4, kept);
        in.Skip(m - kept);
        TypeBlock[0] = uint8_t(Type);
    }

    int32_t k = in.ReadInt32();
    if (in.ShortRead || k < 0 || k > in.Remaining() / 4) return false;
    ShapeIndices.assign(size_t(k), 0);
    for (int32_t& s : ShapeIndices)
        s = in.ReadInt32();
    if (in.ShortRead) return false;

    if (Type == StopperType && Param2Int() == 0) SetParam2(int32_t(100));
    return true;
}

void TBoost::Write(TByteWriter& out) const {
    RecordSite(51002);
    out.WriteInt32(Type);
    out.WriteInt32(RespawnTime);
    out.WriteInt32(Duration);
    out.WriteInt32(HiddenTicks);
    out.WriteInt32(TimeLeft);
    out.WriteInt32(PointsValue);
    out.WriteInt32(Activation);
    out.WriteString(VoiceName);
    out.WriteByte(IsKeyItem);
    out.WriteBlock(FlashColour.data(), 4);
    out.WriteInt32(LightRecord.empty() ? 0 : 1);
    out.WriteBlock(LightRecord.data(), LightRecord.size());
    out.WriteInt32(Uses);
    out.WriteString(TakeSound);
    out.WriteInt32(QuestCount);
    out.WriteByte(StartsHidden);
    out.WriteBlock(TintColour.data(), 4);
    out.WriteFloat32(TintBlend);
    out.WriteString(ShowSound);
    out.WriteInt32(RequiredKey);
    out.WriteString(TargetLevel);
    out.WriteByte(AutoUse);
    out.WriteInt32(MinPoints);
    out.WriteInt16(SoundSlotMarker);
    out.WriteInt32(TakeSoundSlot);
    out.WriteInt32(ShowSoundSlot);
    // The file has room for an int16 count only.
    size_t links = std::min<size_t>(Links.size(), INT16_MAX);
    out.WriteInt16(int16_t(links));
    for (size_t i = 0; i < links; ++i)
        out.WriteInt32(Links[i]);
    out.Pad(4);
    out.WriteByte(BlockFormat);
    if (BlockFormat != 0) {
        out.WriteInt32(BoostTypeBlockSize);
        out.WriteBlock(TypeBlock.data(), TypeBlock.size());
    } else {
        out.WriteInt32(BlockSize);
        out.WriteInt32(BoostTypeBlockSize - 4);
        out.WriteBlock(TypeBlock.data() + 4, BoostTypeBlockSize - 4);
    }
    out.WriteInt32(int32_t(ShapeIndices.size()));
    for (int32_t s : ShapeIndices)
        out.WriteInt32(s);
}

int32_t TBoosts::IndexOf(const TBoost* b) const {
    for (size_t i = 0; i < Items.size(); ++i)
        if (Items[i].get() == b) return int32_t(i);
    return -1;
}

void TBoosts::LinkShapes(const std::vector<TSplineObj*>& objects) {
    RecordSite(51005);
    for (auto& b : Items) {
        b->Shape = nullptr;
        for (int32_t index : b->ShapeIndices) {
            if (index < 0 || size_t(index) >= objects.size() || !objects[size_t(index)]) continue;
            TSplineObj* o = objects[size_t(index)];
            if (o->Boost && o->Boost != b.get() && o->Boost->Shape == o) o->Boost->Shape = nullptr;
            o->Boost = b.get();
            o->BoostPassable = b->Activation == 0;
            b->Shape = o;
        }
    }
}

bool TBoosts::Read(TByteReader& in) {
    RecordSite(51003);
    Items.clear();
    Current = -1;
    int32_t stored = in.ReadInt32();
    if (in.ShortRead || stored < 0) return false;
    HasTypeSounds = (stored & TypeSoundsFlag) != 0;
    int32_t count = stored & ~TypeSoundsFlag;
    if (count > in.Remaining() / MinBoostRecordBytes) return false;
    for (int32_t i = 0; i < count; ++i) {
        auto b = std::make_unique<TBoost>();
        if (!b->Read(in)) return false;
        Items.push_back(std::move(b));
    }
    for (std::string& s : TypeSounds)
        s.clear();
    if (HasTypeSounds) {
        int32_t n = in.ReadInt32();
        if (in.ShortRead || n < 0 || n > in.Remaining() / 4) return false;
        for (int32_t i = 0; i < n; ++i) {
            std::string s = in.ReadString();
            if (i < BoostTypeCount) TypeSounds[size_t(i)] = std::move(s);
        }
        in.Skip(32);
    }
    return !in.ShortRead;
}

void TBoosts::Write(TByteWriter& out) const {
    RecordSite(51004);
    int32_t count = Count() & ~TypeSoundsFlag;
    out.WriteInt32(HasTypeSounds ? (count | TypeSoundsFlag) : count);
    for (int32_t i = 0; i < count; ++i)
        Items[size_t(i)]->Write(out);
    if (HasTypeSounds) {
        out.WriteInt32(BoostTypeCount);
        for (const std::string& s : TypeSounds)
            out.WriteString(s);
        out.Pad(32);
    }
}

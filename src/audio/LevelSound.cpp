#include "audio/LevelSound.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t ExtendedMarker = 110011;
constexpr uint8_t PauseMarker = 0xDE;

} // namespace

void TSoundParams::FromBytes(const uint8_t* b) {
    std::memcpy(&NearDistance, b + 0, 4);
    std::memcpy(&FarDistance, b + 4, 4);
    std::memcpy(&VolumePercent, b + 8, 4);
    std::memcpy(&PitchPercent, b + 12, 4);
    std::memcpy(&NearPitch, b + 16, 4);
    std::memcpy(&FarPitch, b + 20, 4);
    std::memcpy(&Depth, b + 24, 4);
    Loop = b[28];
    Wobble = b[29];
    Reserved = {b[30], b[31]};
}

void TSoundParams::ToBytes(uint8_t* b) const {
    std::memcpy(b + 0, &NearDistance, 4);
    std::memcpy(b + 4, &FarDistance, 4);
    std::memcpy(b + 8, &VolumePercent, 4);
    std::memcpy(b + 12, &PitchPercent, 4);
    std::memcpy(b + 16, &NearPitch, 4);
    std::memcpy(b + 20, &FarPitch, 4);
    std::memcpy(b + 24, &Depth, 4);
    b[28] = Loop;
    b[29] = Wobble;
    b[30] = Reserved[0];
    b[31] = Reserved[1];
}

bool TLevelSound::Load(TByteReader& in) {
    RecordSite(82001);
    SampleName = in.ReadString();
    // A float64 block holding two float32.
    Position.X = in.ReadFloat32();
    Position.Y = in.ReadFloat32();
    HomePosition = Position;
    Wobble = in.ReadByte();
    const int32_t length = in.ReadInt32();
    if (in.ShortRead || length < 0 || length > in.Remaining()) return false;
    // A shorter block leaves the rest of the parameters as they were.
    uint8_t block[TSoundParams::Size];
    Params.ToBytes(block);
    in.Read(block, std::min(length, TSoundParams::Size));
    Params.FromBytes(block);
    if (length > TSoundParams::Size) in.Skip(length - TSoundParams::Size);
    if (in.ReadInt32() != ExtendedMarker) return !in.ShortRead;
    BoostIndex = in.ReadInt32();
    const int32_t id = in.ReadInt32();
    if (id != 0) Id = id;
    Disabled = in.ReadBool();
    KeepHome = in.ReadBool();
    FollowBoost = in.ReadBool();
    RandomPitch = in.ReadFloat32();
    if (in.ReadByte() == PauseMarker) {
        PauseMin = in.ReadInt32();
        PauseMax = in.ReadInt32();
    }
    in.Skip(4);
    return !in.ShortRead;
}

void TLevelSound::Write(TByteWriter& out) const {
    RecordSite(82002);
    out.WriteString(SampleName);
    out.WriteFloat32(HomePosition.X);
    out.WriteFloat32(HomePosition.Y);
    out.WriteByte(Wobble);
    out.WriteInt32(TSoundParams::Size);
    uint8_t block[TSoundParams::Size];
    Params.ToBytes(block);
    out.WriteBlock(block, sizeof block);
    out.WriteInt32(ExtendedMarker);
    out.WriteInt32(BoostIndex);
    out.WriteInt32(Id);
    out.WriteBool(Disabled != 0);
    out.WriteBool(KeepHome != 0);
    out.WriteBool(FollowBoost != 0);
    out.WriteFloat32(RandomPitch);
    out.WriteByte(PauseMarker);
    out.WriteInt32(PauseMin);
    out.WriteInt32(PauseMax);
    out.Pad(4);
}

bool ReadLevelSounds(TByteReader& in, std::vector<std::unique_ptr<TLevelSound>>& sounds, int32_t& nextId) {
    RecordSite(82003);
    const int32_t s = in.ReadInt32();
    if (in.ShortRead || s < 0 || s > in.Remaining() / MinLevelSoundRecordSize) return false;
    std::vector<std::unique_ptr<TLevelSound>> created;
    created.reserve(size_t(s));
    for (int32_t i = 0; i < s; ++i)
        created.push_back(std::make_unique<TLevelSound>(nextId++));
    for (auto& sound : created) {
        if (!sound->Load(in)) return false;
        sounds.push_back(std::move(sound));
    }
    return true;
}

void WriteLevelSounds(TByteWriter& out, const std::vector<std::unique_ptr<TLevelSound>>& sounds) {
    RecordSite(82004);
    out.WriteInt32(int32_t(sounds.size()));
    for (const auto& s : sounds)
        s->Write(out);
}

#include "level/LevelHeader.h"

#include "app/SiteTrace.h"

#include <algorithm>

std::string ReadShortString(TByteReader& in) {
    const uint8_t n = in.ReadByte();
    if (n > in.Remaining()) {
        in.Skip(n);
        return {};
    }
    std::string s(n, '\0');
    in.Read(s.data(), n);
    return s;
}

void WriteShortString(TByteWriter& out, const std::string& s) {
    const size_t n = std::min<size_t>(s.size(), 255);
    out.WriteByte(uint8_t(n));
    out.WriteBlock(s.data(), n);
}

bool TLevelHeader::Read(TByteReader& in) {
    RecordSite(22001);
    *this = TLevelHeader{};
    LevelTitle = ReadShortString(in);
    LevelNote = ReadShortString(in);
    in.Read(SkyTopColor.data(), 4);
    const float first = in.ReadFloat32();
    if (first != NewHeaderMark) {
        // The old header: two unused values and nothing more.
        NewHeader = false;
        Unused1 = first;
        Unused2 = in.ReadFloat32();
        VersionTag = 0;
        return !in.ShortRead;
    }
    NewHeader = true;
    Unused1 = in.ReadFloat32();
    Unused2 = in.ReadFloat32();
    TargetScore = in.ReadInt32();
    NoTurbo = in.ReadBool();
    CameraFromFile = in.ReadBool();
    // Values that are no number take the defaults.
    CameraStart.X = in.ReadFiniteFloat32(0.0f);
    CameraStart.Y = in.ReadFiniteFloat32(0.0f);
    VersionTag = in.ReadInt32();
    if (VersionTag == GravityVersionTag) GravityFactor = in.ReadFiniteFloat32(1.0f);
    NoPlayerControl = in.ReadBool();
    NoFaceAnimations = in.ReadBool();
    BonusSeconds = in.ReadInt32();
    EditorText1 = in.ReadString();
    EditorText2 = in.ReadString();
    const int32_t n = in.ReadInt32();
    // The level has room for ten help boosts: more are read past.
    if (n < 0 || int64_t(n) * 4 > in.Remaining()) return false;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t type = in.ReadInt32();
        if (i < MaxHelpBoosts) HelpBoosts.push_back(type);
    }
    in.Skip(32);
    return !in.ShortRead;
}

void TLevelHeader::Write(TByteWriter& out) const {
    WriteShortString(out, LevelTitle);
    WriteShortString(out, LevelNote);
    out.WriteBlock(SkyTopColor.data(), 4);
    if (!NewHeader) {
        out.WriteFloat32(Unused1 == NewHeaderMark ? 0.0f : Unused1);
        out.WriteFloat32(Unused2);
        return;
    }
    out.WriteFloat32(NewHeaderMark);
    out.WriteFloat32(Unused1);
    out.WriteFloat32(Unused2);
    out.WriteInt32(TargetScore);
    out.WriteBool(NoTurbo);
    out.WriteBool(CameraFromFile);
    out.WriteFloat32(CameraStart.X);
    out.WriteFloat32(CameraStart.Y);
    out.WriteInt32(VersionTag);
    if (VersionTag == GravityVersionTag) out.WriteFloat32(GravityFactor);
    out.WriteBool(NoPlayerControl);
    out.WriteBool(NoFaceAnimations);
    out.WriteInt32(BonusSeconds);
    out.WriteString(EditorText1);
    out.WriteString(EditorText2);
    const size_t n = std::min<size_t>(HelpBoosts.size(), MaxHelpBoosts);
    out.WriteInt32(int32_t(n));
    for (size_t i = 0; i < n; ++i)
        out.WriteInt32(HelpBoosts[i]);
    out.Pad(32);
}

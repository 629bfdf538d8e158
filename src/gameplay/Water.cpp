#include "gameplay/Water.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr uint8_t PushMarker = 0xDE;
constexpr uint8_t SplashEndMarker = 0xDE;
constexpr uint8_t AcidMarker = 0xCA;
// Bytes each stored item takes at least.
constexpr int64_t PointBytes = 8;
constexpr int64_t WavePointBytes = 32;
constexpr int64_t SpoutBytes = 36;
constexpr int64_t MaterialBytes = 24;

bool LinkFits(int32_t link, size_t count) {
    return link == -1 || (link >= 0 && size_t(link) < count);
}
} // namespace

bool TBubbleSpout::Read(TByteReader& in) {
    RecordSite(55001);
    Pos.X = in.ReadFiniteFloat32(0.0f);
    Pos.Y = in.ReadFiniteFloat32(0.0f);
    Rate = in.ReadFiniteFloat32(1.0f);
    Spread = in.ReadFiniteFloat32(0.349f);
    Direction = in.ReadFiniteFloat32(0.0f);
    Speed = in.ReadFiniteFloat32(1.0f);
    PushStrength = in.ReadByte() == PushMarker ? in.ReadFiniteFloat32(0.04f) : 0.04f;
    in.Skip(11);
    Bounds = {Pos.X, Pos.Y, Pos.X, Pos.Y};
    return !in.ShortRead;
}

void TBubbleSpout::Write(TByteWriter& out) const {
    RecordSite(55002);
    out.WriteFloat32(Pos.X);
    out.WriteFloat32(Pos.Y);
    out.WriteFloat32(Rate);
    out.WriteFloat32(Spread);
    out.WriteFloat32(Direction);
    out.WriteFloat32(Speed);
    out.WriteByte(PushMarker);
    out.WriteFloat32(PushStrength);
    out.Pad(11);
}

bool TWater::Read(TByteReader& in) {
    RecordSite(55003);
    SeedX = in.ReadFiniteFloat32(0.0f);
    RestLevel = in.ReadFiniteFloat32(0.0f);
    TopColour = ReadRgba(in);
    BottomColour = ReadRgba(in);
    LightGroup = in.ReadInt32();
    Acid = in.ReadBool();

    const int32_t n = in.ReadCount(PointBytes);
    if (n < 0) return false;
    Outline.assign(size_t(n), TVec2{});
    for (TVec2& p : Outline) {
        p.X = in.ReadFiniteFloat32(0.0f);
        p.Y = in.ReadFiniteFloat32(0.0f);
    }

    StoredWaveMotion.clear();
    const int32_t m = in.ReadCount(WavePointBytes);
    if (m < 0) return false;
    WavePoints.assign(size_t(m), TWavePoint{});
    for (TWavePoint& w : WavePoints) {
        in.Skip(4); // the vertex reference of the writing program
        w.VertexIndex = in.ReadInt32();
        w.Push = in.ReadFiniteFloat32(0.0f);
        w.Speed = in.ReadFiniteFloat32(0.0f);
        w.RoomBelow = in.ReadFiniteFloat32(0.0f);
        w.RoomAbove = in.ReadFiniteFloat32(0.0f);
        w.Prev = in.ReadInt32();
        w.Next = in.ReadInt32();
        if (w.VertexIndex < 0 || !LinkFits(w.Prev, size_t(m)) || !LinkFits(w.Next, size_t(m))) {
            WavePoints.clear();
            return false;
        }
    }
    StoredWaveMotion.clear();
    for (const TWavePoint& w : WavePoints)
        StoredWaveMotion.push_back({w.Push, w.Speed});

    const int32_t k = in.ReadCount(SpoutBytes);
    if (k < 0) return false;
    Spouts.clear();
    Spouts.reserve(size_t(k));
    for (int32_t i = 0; i < k; ++i) {
        TBubbleSpout& s = Spouts.emplace_back();
        s.Water = this;
        if (!s.Read(in)) return false;
    }

    SplashColourStart = ReadRgba(in);
    BubbleColour = ReadRgba(in);
    const int32_t c = in.ReadCount(MaterialBytes);
    if (c < 0) return false;
    // Surface, body and bubbles in that order; further records are read past.
    TMaterial* slots[] = {&SurfaceMaterial, &BodyMaterial, &BubbleMaterial};
    for (int32_t i = 0; i < c; ++i) {
        TMaterial spare;
        (i < 3 ? *slots[i] : spare).Read(in);
    }
    SplashColourEnd = in.ReadByte() == SplashEndMarker ? ReadRgba(in) : SplashColourStart;
    AcidStrength = in.ReadByte() == AcidMarker ? in.ReadFiniteFloat32(1.0f) : 1.0f;
    in.Skip(6);
    return !in.ShortRead;
}

void TWater::Write(TByteWriter& out) const {
    RecordSite(55004);
    out.WriteFloat32(SeedX);
    out.WriteFloat32(RestLevel);
    WriteRgba(out, TopColour);
    WriteRgba(out, BottomColour);
    out.WriteInt32(LightGroup);
    out.WriteBool(Acid);
    out.WriteInt32(int32_t(Outline.size()));
    for (TVec2 p : Outline) {
        out.WriteFloat32(p.X);
        out.WriteFloat32(p.Y);
    }
    out.WriteInt32(int32_t(WavePoints.size()));
    const bool stored = StoredWaveMotion.size() == WavePoints.size();
    for (size_t i = 0; i < WavePoints.size(); ++i) {
        const TWavePoint& w = WavePoints[i];
        out.WriteInt32(0);
        out.WriteInt32(w.VertexIndex);
        out.WriteFloat32(stored ? StoredWaveMotion[i][0] : w.Push);
        out.WriteFloat32(stored ? StoredWaveMotion[i][1] : w.Speed);
        out.WriteFloat32(w.RoomBelow);
        out.WriteFloat32(w.RoomAbove);
        out.WriteInt32(w.Prev);
        out.WriteInt32(w.Next);
    }
    out.WriteInt32(int32_t(Spouts.size()));
    for (const TBubbleSpout& s : Spouts)
        s.Write(out);
    WriteRgba(out, SplashColourStart);
    WriteRgba(out, BubbleColour);
    out.WriteInt32(3);
    SurfaceMaterial.Write(out);
    BodyMaterial.Write(out);
    BubbleMaterial.Write(out);
    out.WriteByte(SplashEndMarker);
    WriteRgba(out, SplashColourEnd);
    out.WriteByte(AcidMarker);
    out.WriteFloat32(AcidStrength);
    out.Pad(6);
}

bool TWater::WavePointsFit(size_t vertexCount) const {
    for (const TWavePoint& w : WavePoints)
        if (w.VertexIndex < 0 || size_t(w.VertexIndex) >= vertexCount) return false;
    return true;
}

#include "gameplay/Water.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

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

float FiniteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

TRgba ReadColour(TByteReader& in) {
    TRgba c;
    c.R = in.ReadByte();
    c.G = in.ReadByte();
    c.B = in.ReadByte();
    c.A = in.ReadByte();
    return c;
}

void WriteColour(TByteWriter& out, TRgba c) {
    out.WriteByte(c.R);
    out.WriteByte(c.G);
    out.WriteByte(c.B);
    out.WriteByte(c.A);
}

// A stored count, or −1 when it is negative or the bytes left cannot hold
// that many items.
int32_t ReadCount(TByteReader& in, int64_t itemBytes) {
    const int32_t n = in.ReadInt32();
    if (in.ShortRead || n < 0 || int64_t(n) * itemBytes > in.Remaining()) return -1;
    return n;
}

bool LinkFits(int32_t link, size_t count) { return link == -1 || (link >= 0 && size_t(link) < count); }
} // namespace

bool TBubbleSpout::Read(TByteReader& in) {
    RecordSite(55001);
    Pos.X = FiniteOr(in.ReadFloat32(), 0.0f);
    Pos.Y = FiniteOr(in.ReadFloat32(), 0.0f);
    Rate = FiniteOr(in.ReadFloat32(), 1.0f);
    Spread = FiniteOr(in.ReadFloat32(), 0.349f);
    Direction = FiniteOr(in.ReadFloat32(), 0.0f);
    Speed = FiniteOr(in.ReadFloat32(), 1.0f);
    PushStrength = in.ReadByte() == PushMarker ? FiniteOr(in.ReadFloat32(), 0.04f) : 0.04f;
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
    SeedX = FiniteOr(in.ReadFloat32(), 0.0f);
    RestLevel = FiniteOr(in.ReadFloat32(), 0.0f);
    TopColour = ReadColour(in);
    BottomColour = ReadColour(in);
    LightGroup = in.ReadInt32();
    Acid = in.ReadBool();

    const int32_t n = ReadCount(in, PointBytes);
    if (n < 0) return false;
    Outline.assign(size_t(n), TVec2{});
    for (TVec2& p : Outline) {
        p.X = FiniteOr(in.ReadFloat32(), 0.0f);
        p.Y = FiniteOr(in.ReadFloat32(), 0.0f);
    }

    const int32_t m = ReadCount(in, WavePointBytes);
    if (m < 0) return false;
    WavePoints.assign(size_t(m), TWavePoint{});
    for (TWavePoint& w : WavePoints) {
        in.Skip(4); // the vertex reference of the writing program
        w.VertexIndex = in.ReadInt32();
        w.Push = FiniteOr(in.ReadFloat32(), 0.0f);
        w.Speed = FiniteOr(in.ReadFloat32(), 0.0f);
        w.RoomBelow = FiniteOr(in.ReadFloat32(), 0.0f);
        w.RoomAbove = FiniteOr(in.ReadFloat32(), 0.0f);
        w.Prev = in.ReadInt32();
        w.Next = in.ReadInt32();
        if (w.VertexIndex < 0 || !LinkFits(w.Prev, size_t(m)) || !LinkFits(w.Next, size_t(m))) {
            WavePoints.clear();
            return false;
        }
    }

    const int32_t k = ReadCount(in, SpoutBytes);
    if (k < 0) return false;
    Spouts.clear();
    Spouts.reserve(size_t(k));
    for (int32_t i = 0; i < k; ++i) {
        TBubbleSpout& s = Spouts.emplace_back();
        s.Water = this;
        if (!s.Read(in)) return false;
    }

    SplashColourStart = ReadColour(in);
    BubbleColour = ReadColour(in);
    const int32_t c = ReadCount(in, MaterialBytes);
    if (c < 0) return false;
    // Surface, body and bubbles in that order; further records are read past.
    TMaterial* slots[] = {&SurfaceMaterial, &BodyMaterial, &BubbleMaterial};
    for (int32_t i = 0; i < c; ++i) {
        TMaterial spare;
        (i < 3 ? *slots[i] : spare).Read(in);
    }
    SplashColourEnd = in.ReadByte() == SplashEndMarker ? ReadColour(in) : SplashColourStart;
    AcidStrength = in.ReadByte() == AcidMarker ? FiniteOr(in.ReadFloat32(), 1.0f) : 1.0f;
    in.Skip(6);
    return !in.ShortRead;
}

void TWater::Write(TByteWriter& out) const {
    RecordSite(55004);
    out.WriteFloat32(SeedX);
    out.WriteFloat32(RestLevel);
    WriteColour(out, TopColour);
    WriteColour(out, BottomColour);
    out.WriteInt32(LightGroup);
    out.WriteBool(Acid);
    out.WriteInt32(int32_t(Outline.size()));
    for (TVec2 p : Outline) {
        out.WriteFloat32(p.X);
        out.WriteFloat32(p.Y);
    }
    out.WriteInt32(int32_t(WavePoints.size()));
    for (const TWavePoint& w : WavePoints) {
        out.WriteInt32(0);
        out.WriteInt32(w.VertexIndex);
        out.WriteFloat32(w.Push);
        out.WriteFloat32(w.Speed);
        out.WriteFloat32(w.RoomBelow);
        out.WriteFloat32(w.RoomAbove);
        out.WriteInt32(w.Prev);
        out.WriteInt32(w.Next);
    }
    out.WriteInt32(int32_t(Spouts.size()));
    for (const TBubbleSpout& s : Spouts) s.Write(out);
    WriteColour(out, SplashColourStart);
    WriteColour(out, BubbleColour);
    out.WriteInt32(3);
    SurfaceMaterial.Write(out);
    BodyMaterial.Write(out);
    BubbleMaterial.Write(out);
    out.WriteByte(SplashEndMarker);
    WriteColour(out, SplashColourEnd);
    out.WriteByte(AcidMarker);
    out.WriteFloat32(AcidStrength);
    out.Pad(6);
}

bool TWater::WavePointsFit(size_t vertexCount) const {
    for (const TWavePoint& w : WavePoints)
        if (w.VertexIndex < 0 || size_t(w.VertexIndex) >= vertexCount) return false;
    return true;
}

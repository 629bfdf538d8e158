#include "render/Lights.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint8_t BoostLinkMarker = 0xC8;
constexpr uint8_t FlashMarker = 0xDE;

void ReadColor(TByteReader& in, TLightColor& c) {
    for (float& v : c)
        v = in.ReadFloat32();
}

void WriteColor(TByteWriter& out, const TLightColor& c) {
    for (float v : c)
        out.WriteFloat32(v);
}

// A colour channel back to the byte it was read from.
uint8_t ChannelByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return uint8_t(std::lround(v * 255.0f));
}

} // namespace

TLight::TLight(TLights* owner) : Owner(owner) {
    UpdateZ();
    UpdateBox();
}

void TLight::UpdateZ() {
    RecordSite(62001);
    const double d = -std::fabs(double(Radius)) * 4.5;
    const double k = std::sin((1.0 - double(Height) / 128.0) * 3.14159265358979323846 / 2.0);
    Position[2] = float(d - k * d);
}

void TLight::UpdateBox() {
    Box = {Position[0] - Radius, Position[1] - Radius, Position[0] + Radius, Position[1] + Radius};
}

void TLight::SetRadius(float r) {
    RecordSite(62002);
    Radius = r;
    UpdateZ();
    UpdateBox();
}

bool TLight::Read(TByteReader& in) {
    RecordSite(62003);
    TLight l(Owner);
    l.Radius = in.ReadFloat32();
    ReadColor(in, l.StoredColor);
    l.Height = in.ReadFloat32();
    for (float& v : l.Position)
        v = in.ReadFloat32();
    l.LayerMin = in.ReadInt32();
    l.LayerMax = in.ReadInt32();
    l.Cycle = in.ReadByte();
    if (l.Cycle != 0) {
        l.CycleMin = in.ReadInt32();
        l.CycleRandom = in.ReadInt32();
        const int32_t n = in.ReadInt32();
        if (in.ShortRead || n < 0 || n > in.Remaining() / 4) return false;
        l.Colors.resize(size_t(n));
        for (TLightColor& c : l.Colors)
            for (float& v : c)
                v = float(in.ReadByte()) / 255.0f;
    }
    if (in.ReadByte() == BoostLinkMarker) l.BoostIndex = in.ReadInt32();
    l.Sequential = in.ReadBool();
    if (in.ReadByte() == FlashMarker) {
        l.Flash = in.ReadBool();
        for (int32_t& t : l.FlashTimes)
            t = in.ReadInt32();
        l.FlashStartPhase = in.ReadInt32();
    }
    in.Skip(4);
    if (in.ShortRead) return false;
    l.BaseColor = l.CurrentColor = l.StoredColor;
    l.UpdateBox();
    l.UpdateZ();
    *this = std::move(l);
    return true;
}

void TLight::Write(TByteWriter& out) const {
    RecordSite(62004);
    out.WriteFloat32(Radius);
    WriteColor(out, StoredColor);
    out.WriteFloat32(Height);
    for (float v : Position)
        out.WriteFloat32(v);
    out.WriteInt32(LayerMin);
    out.WriteInt32(LayerMax);
    out.WriteByte(Cycle);
    if (Cycle != 0) {
        out.WriteInt32(CycleMin);
        out.WriteInt32(CycleRandom);
        out.WriteInt32(int32_t(Colors.size()));
        for (const TLightColor& c : Colors)
            for (float v : c)
                out.WriteByte(ChannelByte(v));
    }
    if (BoostIndex != -1) {
        out.WriteByte(BoostLinkMarker);
        out.WriteInt32(BoostIndex);
    } else {
        out.WriteByte(0);
    }
    out.WriteBool(Sequential);
    out.WriteByte(FlashMarker);
    out.WriteBool(Flash);
    for (int32_t t : FlashTimes)
        out.WriteInt32(t);
    out.WriteInt32(FlashStartPhase);
    out.Pad(4);
}

TLights::TLights() {
    Create();
}

void TLights::Create() {
    RecordSite(62005);
    BaseLights.clear();
    PointLights.clear();
    auto character = std::make_unique<TLight>(this);
    character->SetRadius(300.0f);
    auto fill = std::make_unique<TLight>(this);
    fill->Position[3] = 0.0f;
    fill->StoredColor = fill->BaseColor = fill->CurrentColor = {0.3f, 0.3f, 0.3f, 1.0f};
    BaseLights.push_back(std::move(character));
    BaseLights.push_back(std::move(fill));
    Slots = {};
}

bool TLights::Read(TByteReader& in) {
    RecordSite(62006);
    StoredSwitch = in.ReadBool();
    const int32_t p = in.ReadInt32();
    in.Skip(20);
    const int32_t b = in.ReadInt32();
    if (in.ShortRead || p < 0) return false;
    if (b > 0) {
        if (b > in.Remaining() / MinLightRecordSize) return false;
        // The character and fill lights are always there, whatever the file says.
        const size_t size = size_t(std::max(b, 2));
        BaseLights.resize(size);
        for (auto& l : BaseLights)
            if (!l) l = std::make_unique<TLight>(this);
        for (int32_t i = 0; i < b; ++i)
            if (!BaseLights[size_t(i)]->Read(in)) return false;
    }
    in.Skip(28);
    if (in.ShortRead || p > in.Remaining() / MinLightRecordSize) return false;
    PointLights.clear();
    for (int32_t i = 0; i < p; ++i) {
        auto light = std::make_unique<TLight>(this);
        if (!light->Read(in)) return false;
        PointLights.push_back(std::move(light));
    }
    in.Skip(32);
    return !in.ShortRead;
}

void TLights::Write(TByteWriter& out) const {
    RecordSite(62007);
    out.WriteBool(StoredSwitch);
    out.WriteInt32(int32_t(PointLights.size()));
    out.Pad(20);
    out.WriteInt32(int32_t(BaseLights.size()));
    for (const auto& l : BaseLights)
        l->Write(out);
    out.Pad(28);
    for (const auto& l : PointLights)
        l->Write(out);
    out.Pad(32);
}

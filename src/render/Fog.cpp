#include "render/Fog.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"

#include <cmath>

namespace {
constexpr uint8_t SecondColourMarker = 0xDE;

} // namespace

TFog::TFog() {
    Material.Lit = 0;
    SetFogParams();
}

void TFog::SetFogParams() {
    RecordSite(63011);
    Sheet = ComputeCloudParams(FogAngle, FogSpeed, FogMorphPower, FogMorphSpeed, FogScaleX, FogScaleY,
                               FogParallax);
}

bool TFog::Read(TByteReader& in) {
    RecordSite(63012);
    FogOn = in.ReadBool();
    FogAngle = float(double(in.ReadFiniteFloat32(0.0f)) * DegToRad);
    FogSpeed = in.ReadFiniteFloat32(0.0f);
    FogMorphPower = in.ReadFiniteFloat32(0.0f);
    FogMorphSpeed = in.ReadFiniteFloat32(0.0f);
    FogScaleX = in.ReadFloat32();
    FogScaleY = in.ReadFloat32();
    FogParallax = in.ReadFloat32();
    // The same limits as the sky's cloud values.
    if (!(FogScaleX >= 1.0f) || !std::isfinite(FogScaleX)) FogScaleX = 60.0f;
    if (!(FogScaleY >= 1.0f) || !std::isfinite(FogScaleY)) FogScaleY = 60.0f;
    if (!(FogParallax >= 0.001f) || !std::isfinite(FogParallax)) FogParallax = 0.001f;
    for (float& c : FogColor)
        c = in.ReadFiniteFloat32(1.0f);
    FogLayer = in.ReadInt32();
    FogTextureName = in.ReadString();
    if (in.ShortRead) return false;
    if (!FogTextureName.empty()) {
        TMyTexture* t = TexLib.FindTexture(FogTextureName);
        FogTexture = t ? t->Index : -1;
    }
    Material.Read(in);
    if (in.ReadByte() == SecondColourMarker) {
        for (float& c : FogColor2)
            c = in.ReadFiniteFloat32(0.0f);
    } else {
        FogColor2 = FogColor;
        FogColor2[3] = FogColor[3] >= 0.5f ? 0.0f : 1.0f;
    }
    in.Skip(15);
    SetFogParams();
    return !in.ShortRead;
}

void TFog::Write(TByteWriter& out) const {
    RecordSite(63013);
    out.WriteBool(FogOn);
    out.WriteFloat32(float(double(FogAngle) / DegToRad));
    out.WriteFloat32(FogSpeed);
    out.WriteFloat32(FogMorphPower);
    out.WriteFloat32(FogMorphSpeed);
    out.WriteFloat32(FogScaleX);
    out.WriteFloat32(FogScaleY);
    out.WriteFloat32(FogParallax);
    for (float c : FogColor)
        out.WriteFloat32(c);
    out.WriteInt32(FogLayer);
    out.WriteString(FogTextureName);
    Material.Write(out);
    out.WriteByte(SecondColourMarker);
    for (float c : FogColor2)
        out.WriteFloat32(c);
    out.Pad(15);
}

float TFog::RandomBrightness() const {
    const float low = FogColor2[3], high = FogColor[3];
    return low + float(RandomFloat()) * (high - low);
}

void TFog::Rebuild() {
    RecordSite(63014);
    SetFogParams();
    // The fog's brightness starts with no period: its first step draws one.
    for (TFogPoint& pt : Grid) {
        pt.BrightnessFrom = RandomBrightness();
        pt.BrightnessTo = RandomBrightness();
        pt.Brightness = pt.BrightnessFrom;
        pt.BrightnessElapsed = 0;
        pt.BrightnessDuration = 0;
        StartMorph(pt.Morph, Sheet);
    }
    Scroll = {};
}

void TFog::Reset() {
    RecordSite(63015);
    Rebuild();
}

void TFog::Tick(int32_t dt) {
    RecordSite(63016);
    for (TFogPoint& pt : Grid) {
        if (pt.BrightnessDuration > 0 &&
            int64_t(pt.BrightnessElapsed) + dt < int64_t(pt.BrightnessDuration)) {
            pt.Brightness = pt.BrightnessFrom + (pt.BrightnessTo - pt.BrightnessFrom) *
                                                    float(pt.BrightnessElapsed) /
                                                    float(pt.BrightnessDuration);
            pt.BrightnessElapsed += dt;
        } else {
            pt.BrightnessElapsed = 0;
            pt.BrightnessDuration = 280 + Random(180);
            pt.BrightnessFrom = pt.BrightnessTo;
            pt.BrightnessTo = RandomBrightness();
        }
        StepMorph(pt.Morph, dt, Sheet);
    }
    Scroll = ScrollSheet(Scroll, dt, Sheet);
}

void TFog::Draw(int32_t& counter, const TSkyView& view) const {
    if (!FogOn) return;
    RecordSite(63017);
    SetParallaxProjection(view, FogParallax);
    TMyTexture* t = FogTexture < 0 ? nullptr : TexLib.TextureByIndex(FogTexture);
    if (!t) return;
    BindTexture(uint32_t(t->TextureId()));
    Material.Apply();
    std::array<TVec2, SheetPointCount> offsets;
    std::array<float, SheetPointCount> alpha;
    for (size_t n = 0; n < offsets.size(); ++n) {
        offsets[n] = Grid[n].Morph.Offset;
        alpha[n] = Grid[n].Brightness;
    }
    TSheetColours colours;
    colours.Top = colours.Bottom = FogColor;
    colours.PointAlpha = &alpha;
    DrawSheet(offsets, Scroll, Sheet, colours, counter);
}

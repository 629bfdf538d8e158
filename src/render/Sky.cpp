#include "render/Sky.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/TexLib.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t MaterialMarker = 1111;
constexpr uint8_t SpriteMarker = 0xDE;
// Stored list sizes the sky builds arrays from are held to these.
constexpr int32_t MaxSkySprites = 10000;
constexpr int32_t MaxStarsPerTile = 10000;
// Cell sizes and morph values beyond this are damage, not a sky.
constexpr double MaxCloudInt = 1.0e7;

// Truncated toward zero into lo … hi; NaN becomes 0, or the limit nearest to it.
int32_t ClampedInt(double v, double lo, double hi) {
    if (std::isnan(v)) return int32_t(std::clamp(0.0, lo, hi));
    if (v < lo) return int32_t(lo);
    if (v > hi) return int32_t(hi);
    return int32_t(std::trunc(v));
}


// A non-empty name chooses the texture; an index the library does not know
// becomes no texture (−1).
int32_t TextureIndexFromName(int32_t index, const std::string& name) {
    if (name.empty()) return index;
    TMyTexture* t = TexLib.FindTexture(name);
    return t ? t->Index : -1;
}
} // namespace

TCloudParams ComputeCloudParams(float angle, float speed, float morphPower, float morphSpeed, float scaleX,
                                float scaleY, float parallax) {
    RecordSite(63001);
    TCloudParams p;
    const double v = double(speed) / parallax * 0.01 * 0.06;
    p.SpeedPerMs = std::isfinite(v) ? float(v) : 0.0f;
    p.Velocity = {float(std::cos(double(angle)) * p.SpeedPerMs), float(std::sin(double(angle)) * p.SpeedPerMs)};
    if (!std::isfinite(p.Velocity.X) || !std::isfinite(p.Velocity.Y)) p.Velocity = {};
    // A zero cell would stop the sheet from tiling: one unit is the least.
    p.CellWidth = ClampedInt(double(scaleX) * 0.006 / parallax * 300.0, 1.0, MaxCloudInt);
    p.CellHeight = ClampedInt(double(scaleY) * 0.006 / parallax * 300.0, 1.0, MaxCloudInt);
    p.WrapSize = {6.0f * float(p.CellWidth), 6.0f * float(p.CellHeight)};
    p.MorphX = ClampedInt(p.CellWidth * 0.25 * double(morphPower) / 100.0, -MaxCloudInt, MaxCloudInt);
    p.MorphY = ClampedInt(p.CellHeight * 0.25 * double(morphPower) / 100.0, -MaxCloudInt, MaxCloudInt);
    // A negative period stays negative: the random draws take care of it.
    p.MorphPeriod =
        morphSpeed == 0.0f ? 0 : ClampedInt(150.0 / (double(morphSpeed) / 100.0), -MaxCloudInt, MaxCloudInt);
    p.StarTileSize = 200.0f / parallax;
    return p;
}

TMSky::TMSky() {
    Material.Lit = 0;
    SetCloudParams();
}

void TMSky::SetCloudParams() {
    RecordSite(63002);
    Clouds = ComputeCloudParams(CloudAngle, CloudSpeed, MorphPower, MorphSpeed, ScaleX, ScaleY, SkyParallax);
}

bool TMSky::Read(TByteReader& in) {
    RecordSite(63003);
    TopColor = ReadRgba(in);
    RenderClouds = in.ReadBool();
    CloudTexture = in.ReadInt32();
    CloudAngle = float(double(in.ReadFiniteFloat32(0.0f)) * DegToRad);
    CloudSpeed = in.ReadFiniteFloat32(0.0f);
    MorphPower = in.ReadFiniteFloat32(0.0f);
    MorphSpeed = in.ReadFiniteFloat32(0.0f);
    ScaleX = in.ReadFloat32();
    ScaleY = in.ReadFloat32();
    SkyParallax = in.ReadFloat32();
    // Values below the limits (and values that are no number) take the fallbacks.
    if (!(ScaleX >= 1.0f) || !std::isfinite(ScaleX)) ScaleX = 60.0f;
    if (!(ScaleY >= 1.0f) || !std::isfinite(ScaleY)) ScaleY = 60.0f;
    if (!(SkyParallax >= 0.001f) || !std::isfinite(SkyParallax)) SkyParallax = 0.001f;
    CloudColor = ReadRgba(in);

    RenderMoon = in.ReadBool();
    MoonTexture = in.ReadInt32();
    MoonPos.X = in.ReadFiniteFloat32(500.0f);
    MoonPos.Y = in.ReadFiniteFloat32(500.0f);
    MoonScale = in.ReadFiniteFloat32(1.0f);
    MoonAngle = in.ReadFiniteFloat32(0.0f);
    MoonColor = ReadRgba(in);

    RenderGlow = in.ReadBool();
    GlowTexture = in.ReadInt32();
    GlowScale = in.ReadFiniteFloat32(1.0f);
    GlowColor = ReadRgba(in);

    RenderStars = in.ReadBool();
    StarTexture = in.ReadInt32();
    const int32_t stars = in.ReadInt32();
    StarsPerTile = stars < 0 ? 0 : stars > MaxStarsPerTile ? MaxStarsPerTile : stars;
    StarSizeMin = in.ReadFiniteFloat32(0.0f);
    StarSizeMax = in.ReadFiniteFloat32(0.0f);
    StarColor1 = ReadRgba(in);
    StarColor2 = ReadRgba(in);

    CloudTextureName = in.ReadString();
    MoonTextureName = in.ReadString();
    GlowTextureName = in.ReadString();
    StarTextureName = in.ReadString();
    if (in.ShortRead) return false;
    CloudTexture = TextureIndexFromName(CloudTexture, CloudTextureName);
    MoonTexture = TextureIndexFromName(MoonTexture, MoonTextureName);
    GlowTexture = TextureIndexFromName(GlowTexture, GlowTextureName);
    StarTexture = TextureIndexFromName(StarTexture, StarTextureName);

    BottomColor = ReadRgba(in);
    CloudColor2 = ReadRgba(in);
    if (in.ReadInt32() == MaterialMarker) Material.Read(in);

    if (in.ReadByte() == SpriteMarker) {
        RenderSprites = in.ReadBool();
        SpriteSizeMin = in.ReadFiniteFloat32(40.0f);
        SpriteSizeMax = in.ReadFiniteFloat32(100.0f);
        for (std::string& name : SpriteTextureNames) name = in.ReadString();
        SpriteColor1 = ReadRgba(in);
        SpriteColor2 = ReadRgba(in);
        const int32_t count = in.ReadInt32();
        SpriteCount = count < 0 ? 0 : count > MaxSkySprites ? MaxSkySprites : count;
        in.Skip(16);
        if (in.ShortRead) return false;
        for (int32_t i = 0; i < SkySpriteTextureCount; ++i) {
            const std::string& name = SpriteTextureNames[size_t(i)];
            SpriteTextures[size_t(i)] = name.empty() ? nullptr : TexLib.FindTexture(name);
        }
    }
    GlowBehindMoon = in.ReadBool();
    in.Skip(2);
    SetCloudParams();
    return !in.ShortRead;
}

void TMSky::Write(TByteWriter& out) const {
    RecordSite(63004);
    WriteRgba(out, TopColor);
    out.WriteBool(RenderClouds);
    out.WriteInt32(CloudTexture);
    out.WriteFloat32(float(double(CloudAngle) / DegToRad));
    out.WriteFloat32(CloudSpeed);
    out.WriteFloat32(MorphPower);
    out.WriteFloat32(MorphSpeed);
    out.WriteFloat32(ScaleX);
    out.WriteFloat32(ScaleY);
    out.WriteFloat32(SkyParallax);
    WriteRgba(out, CloudColor);

    out.WriteBool(RenderMoon);
    out.WriteInt32(MoonTexture);
    out.WriteFloat32(MoonPos.X);
    out.WriteFloat32(MoonPos.Y);
    out.WriteFloat32(MoonScale);
    out.WriteFloat32(MoonAngle);
    WriteRgba(out, MoonColor);

    out.WriteBool(RenderGlow);
    out.WriteInt32(GlowTexture);
    out.WriteFloat32(GlowScale);
    WriteRgba(out, GlowColor);

    out.WriteBool(RenderStars);
    out.WriteInt32(StarTexture);
    out.WriteInt32(StarsPerTile);
    out.WriteFloat32(StarSizeMin);
    out.WriteFloat32(StarSizeMax);
    WriteRgba(out, StarColor1);
    WriteRgba(out, StarColor2);

    out.WriteString(CloudTextureName);
    out.WriteString(MoonTextureName);
    out.WriteString(GlowTextureName);
    out.WriteString(StarTextureName);

    WriteRgba(out, BottomColor);
    WriteRgba(out, CloudColor2);
    out.WriteInt32(MaterialMarker);
    Material.Write(out);

    out.WriteByte(SpriteMarker);
    out.WriteBool(RenderSprites);
    out.WriteFloat32(SpriteSizeMin);
    out.WriteFloat32(SpriteSizeMax);
    for (const std::string& name : SpriteTextureNames) out.WriteString(name);
    WriteRgba(out, SpriteColor1);
    WriteRgba(out, SpriteColor2);
    out.WriteInt32(SpriteCount);
    out.Pad(16);

    out.WriteBool(GlowBehindMoon);
    out.Pad(2);
}

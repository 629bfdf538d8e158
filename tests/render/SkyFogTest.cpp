#include "assets/ByteStream.h"
#include "assets/TexLib.h"
#include "render/Fog.h"
#include "render/Sky.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
// A sky that differs from a new one in every field the record holds.
TMSky FullSky() {
    TMSky s;
    s.TopColor = {10, 20, 30, 40};
    s.BottomColor = {50, 60, 70, 80};
    s.RenderClouds = true;
    s.CloudTexture = 3;
    s.CloudAngle = 0.7f;
    s.CloudSpeed = 12.5f;
    s.MorphPower = 40;
    s.MorphSpeed = 75;
    s.ScaleX = 120;
    s.ScaleY = 80;
    s.SkyParallax = 0.25f;
    s.CloudColor = {1, 2, 3, 4};
    s.CloudColor2 = {5, 6, 7, 8};
    s.Material.BlendSrc = 770;
    s.Material.BlendDst = 1;
    s.Material.TexEnv = 8448;
    s.RenderMoon = false;
    s.MoonTexture = 4;
    s.MoonPos = {-30, 250};
    s.MoonScale = 2;
    s.MoonAngle = 1.25f;
    s.MoonColor = {9, 10, 11, 12};
    s.RenderGlow = false;
    s.GlowTexture = 5;
    s.GlowScale = 3;
    s.GlowColor = {13, 14, 15, 16};
    s.GlowBehindMoon = true;
    s.RenderStars = false;
    s.StarTexture = 6;
    s.StarsPerTile = 30;
    s.StarSizeMin = 0.5f;
    s.StarSizeMax = 4;
    s.StarColor1 = {17, 18, 19, 20};
    s.StarColor2 = {21, 22, 23, 24};
    s.RenderSprites = true;
    s.SpriteSizeMin = 10;
    s.SpriteSizeMax = 20;
    s.SpriteColor1 = {25, 26, 27, 28};
    s.SpriteColor2 = {29, 30, 31, 32};
    s.SpriteCount = 7;
    return s;
}

TFog FullFog() {
    TFog f;
    f.FogOn = true;
    f.FogLayer = -2;
    f.FogTexture = 12;
    f.FogColor = {0.2f, 0.4f, 0.6f, 0.3f};
    f.FogColor2 = {0.1f, 0.2f, 0.3f, 0.05f};
    f.FogParallax = 1.5f;
    f.FogAngle = -0.4f;
    f.FogSpeed = 3;
    f.FogMorphPower = 20;
    f.FogMorphSpeed = 50;
    f.FogScaleX = 90;
    f.FogScaleY = 110;
    f.Material.BlendSrc = 1;
    f.Material.BlendDst = 1;
    return f;
}

template <typename T> std::vector<uint8_t> Bytes(const T& record) {
    TByteWriter w;
    record.Write(w);
    return w.Bytes;
}

bool SaneSheet(const TCloudParams& p) {
    return p.CellWidth >= 1 && p.CellHeight >= 1 && std::isfinite(p.Velocity.X) &&
           std::isfinite(p.Velocity.Y) && std::isfinite(p.StarTileSize);
}
bool SaneSheetOf(const TMSky& s) {
    return SaneSheet(s.Clouds) && s.SkyParallax >= 0.001f;
}
bool SaneSheetOf(const TFog& f) {
    return SaneSheet(f.Sheet) && f.FogParallax >= 0.001f;
}

// Writer → reader → writer gives the same bytes; every cut of the record
// fails cleanly, and damaged copies read without a fault.
template <typename T> void CheckRecord(const std::vector<uint8_t>& bytes) {
    T back;
    TByteReader r(bytes);
    ASSERT_TRUE(back.Read(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(Bytes(back), bytes);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        T part;
        TByteReader in(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)));
        EXPECT_FALSE(part.Read(in)) << "cut at " << cut;
    }
    uint32_t seed = 12345;
    for (int copy = 0; copy < 2000; ++copy) {
        std::vector<uint8_t> damaged = bytes;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            damaged[(seed >> 8) % damaged.size()] = uint8_t(seed >> 24);
        }
        T any;
        TByteReader in(damaged);
        any.Read(in);
        EXPECT_TRUE(SaneSheetOf(any));
    }
}

} // namespace

TEST(SkyFog, NewSkyAndFogHaveAParallaxOfOneAndSaneSheets) {
    TMSky sky;
    TFog fog;
    EXPECT_EQ(sky.SkyParallax, 1.0f);
    EXPECT_EQ(fog.FogParallax, 1.0f);
    EXPECT_TRUE(SaneSheet(sky.Clouds));
    EXPECT_TRUE(SaneSheet(fog.Sheet));
    EXPECT_EQ(sky.Material.Lit, 0);
    EXPECT_EQ(fog.Material.Lit, 0);
    EXPECT_EQ(sky.MoonColor, (TRgba{200, 200, 200, 255}));
    EXPECT_EQ(sky.GlowColor, (TRgba{255, 255, 255, 155}));
    EXPECT_EQ(fog.FogTexture, 290);
}

TEST(SkyFog, RecordsRoundTripAndDamagedRecordsAreSafe) {
    CheckRecord<TMSky>(Bytes(FullSky()));
    CheckRecord<TFog>(Bytes(FullFog()));
}

TEST(SkyFog, SkyRecordFieldsLimitsAndOptionalParts) {
    // A sky record without a material (marker 0) and without sprites (marker 0).
    TByteWriter w;
    w.WriteBlock("\x01\x02\x03\x04", 4); // TopColor
    w.WriteBool(true);                   // RenderClouds
    w.WriteInt32(42);                    // CloudTexture
    w.WriteFloat32(90);                  // CloudAngle, degrees
    w.WriteFloat32(50);                  // CloudSpeed
    w.WriteFloat32(100);                 // MorphPower
    w.WriteFloat32(0);                   // MorphSpeed: no easing period
    w.WriteFloat32(0.5f);                // ScaleX below 1: becomes 60
    w.WriteFloat32(100);                 // ScaleY
    w.WriteFloat32(0);                   // SkyParallax below 0.001: becomes 0.001
    w.WriteBlock("\x05\x06\x07\x08", 4); // CloudColor
    w.WriteBool(true);                   // RenderMoon
    w.WriteInt32(7);                     // MoonTexture
    w.WriteFloat32(100);                 // MoonPos
    w.WriteFloat32(200);
    w.WriteFloat32(1.5f);                // MoonScale
    w.WriteFloat32(2.5f);                // MoonAngle, kept as stored
    w.WriteBlock("\x09\x0a\x0b\x0c", 4); // MoonColor
    w.WriteBool(false);                  // RenderGlow
    w.WriteInt32(8);                     // GlowTexture
    w.WriteFloat32(0.5f);                // GlowScale
    w.WriteBlock("\x0d\x0e\x0f\x10", 4); // GlowColor
    w.WriteBool(true);                   // RenderStars
    w.WriteInt32(9);                     // StarTexture
    w.WriteInt32(-5);                    // StarsPerTile: none
    w.WriteFloat32(1);                   // StarSizeMin
    w.WriteFloat32(2);                   // StarSizeMax
    w.WriteBlock("\x11\x12\x13\x14", 4); // StarColor1
    w.WriteBlock("\x15\x16\x17\x18", 4); // StarColor2
    for (int k = 0; k < 4; ++k)
        w.WriteString("");               // no texture names: indices stay
    w.WriteBlock("\x19\x1a\x1b\x1c", 4); // BottomColor
    w.WriteBlock("\x1d\x1e\x1f\x20", 4); // CloudColor2
    w.WriteInt32(0);                     // no material
    w.WriteByte(0);                      // no sprites
    w.WriteBool(true);                   // GlowBehindMoon
    w.Pad(2);

    TMSky sky;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(sky.Read(r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(sky.TopColor, (TRgba{1, 2, 3, 4}));
    EXPECT_EQ(sky.CloudTexture, 42);
    EXPECT_NEAR(sky.CloudAngle, PiF / 2, 1e-6);
    EXPECT_EQ(sky.ScaleX, 60.0f);
    EXPECT_EQ(sky.ScaleY, 100.0f);
    EXPECT_EQ(sky.SkyParallax, 0.001f);
    EXPECT_EQ(sky.MoonPos, (TVec2{100, 200}));
    EXPECT_EQ(sky.MoonAngle, 2.5f);
    EXPECT_EQ(sky.StarsPerTile, 0);
    EXPECT_EQ(sky.BottomColor, (TRgba{25, 26, 27, 28}));
    EXPECT_EQ(sky.CloudColor2, (TRgba{29, 30, 31, 32}));
    EXPECT_TRUE(sky.GlowBehindMoon);
    // Unread parts keep their defaults.
    EXPECT_EQ(sky.Material.BlendSrc, -1);
    EXPECT_EQ(sky.Material.Lit, 0);
    EXPECT_FALSE(sky.RenderSprites);
    EXPECT_EQ(sky.SpriteCount, 100);
    EXPECT_EQ(sky.SpriteSizeMax, 100.0f);
    // Derived: cw = trunc(60 · 0.006 / 0.001 · 300), ch likewise from 100.
    EXPECT_NEAR(sky.Clouds.CellWidth, 108000, 1);
    EXPECT_NEAR(sky.Clouds.CellHeight, 180000, 1);
    EXPECT_NEAR(sky.Clouds.MorphX, 27000, 1);
    EXPECT_EQ(sky.Clouds.MorphPeriod, 0);
    EXPECT_NEAR(sky.Clouds.SpeedPerMs, 50 / 0.001 * 0.0006, 1e-2);
    EXPECT_NEAR(sky.Clouds.Velocity.X, 0, 1e-3);
    EXPECT_NEAR(sky.Clouds.StarTileSize, 200000, 1);
}

TEST(SkyFog, TextureNamesChooseTheLibraryEntry) {
    TexLib.Clear();
    TexLib.AddTexture("Sky\\clouds.png", false);
    TexLib.AddTexture("Sky\\moon.png", false);
    TMSky sky = FullSky();
    sky.MoonTextureName = "Sky\\moon.png";
    sky.SpriteTextureNames = {"Sky\\clouds.png", "", "Sky\\moon.png", "", ""};
    TFog fog = FullFog();
    fog.FogTextureName = "Sky\\clouds.png";
    TByteReader skyBytes(Bytes(sky)), fogBytes(Bytes(fog));
    TMSky skyBack;
    TFog fogBack;
    ASSERT_TRUE(skyBack.Read(skyBytes));
    ASSERT_TRUE(fogBack.Read(fogBytes));
    EXPECT_EQ(skyBack.MoonTexture, TexLib.FindTexture("Sky\\moon.png")->Index);
    EXPECT_EQ(skyBack.CloudTexture, 3) << "an empty name keeps the stored index";
    EXPECT_EQ(skyBack.SpriteTextures[0], TexLib.FindTexture("Sky\\clouds.png"));
    EXPECT_EQ(skyBack.SpriteTextures[1], nullptr);
    EXPECT_EQ(skyBack.SpriteTextures[2], TexLib.FindTexture("Sky\\moon.png"));
    EXPECT_EQ(fogBack.FogTexture, TexLib.FindTexture("Sky\\clouds.png")->Index);
    EXPECT_EQ(skyBack.SpriteTextureNames, sky.SpriteTextureNames);
    TexLib.Clear();
}

TEST(SkyFog, FogWithoutSecondColourFadesTowardClearOrOpaque) {
    struct TCase {
        float Alpha, SecondAlpha;
    };
    for (TCase c : {TCase{0.9f, 0.0f}, TCase{0.5f, 0.0f}, TCase{0.3f, 1.0f}}) {
        TByteWriter w;
        w.WriteBool(true);     // FogOn
        w.WriteFloat32(180);   // FogAngle, degrees
        w.WriteFloat32(2);     // FogSpeed
        w.WriteFloat32(10);    // FogMorphPower
        w.WriteFloat32(100);   // FogMorphSpeed
        w.WriteFloat32(100);   // FogScaleX
        w.WriteFloat32(0.25f); // FogScaleY below 1: becomes 60
        w.WriteFloat32(-3);    // FogParallax below 0.001: becomes 0.001
        for (float v : {0.5f, 0.6f, 0.7f})
            w.WriteFloat32(v);
        w.WriteFloat32(c.Alpha); // FogColor
        w.WriteInt32(4);         // FogLayer
        w.WriteString("");       // no texture name
        TMaterial m;
        m.TexEnv = 8448;
        m.Write(w);     // material
        w.WriteByte(0); // no second colour
        w.Pad(15);
        TFog fog;
        TByteReader r(w.Bytes);
        ASSERT_TRUE(fog.Read(r)) << c.Alpha;
        EXPECT_TRUE(r.AtEnd());
        EXPECT_EQ(fog.FogColor2, (std::array<float, 4>{0.5f, 0.6f, 0.7f, c.SecondAlpha})) << c.Alpha;
        EXPECT_EQ(fog.FogLayer, 4);
        EXPECT_EQ(fog.FogTexture, 290);
        EXPECT_EQ(fog.Material.TexEnv, 8448);
        EXPECT_NEAR(fog.FogAngle, PiF, 1e-6);
        EXPECT_EQ(fog.FogScaleY, 60.0f);
        EXPECT_EQ(fog.FogParallax, 0.001f);
        EXPECT_EQ(fog.Sheet.MorphPeriod, 150);
        EXPECT_NEAR(fog.Sheet.CellWidth, 180000, 1);
        EXPECT_NEAR(fog.Sheet.CellHeight, 108000, 1);
    }
}

TEST(SkyFog, SheetValuesStaySafeForExtremeSettings) {
    struct TCase {
        float Speed, MorphPower, MorphSpeed, ScaleX, Parallax;
    };
    const float inf = INFINITY, nan = NAN;
    for (TCase c : {TCase{1e30f, 1e30f, 1e-30f, 1e30f, 0.001f}, TCase{nan, nan, nan, nan, 1},
                    TCase{inf, -inf, -50, 1, 1e30f}, TCase{1, 100, 100, 60, 1}}) {
        TCloudParams p =
            ComputeCloudParams(0.3f, c.Speed, c.MorphPower, c.MorphSpeed, c.ScaleX, 60, c.Parallax);
        EXPECT_TRUE(SaneSheet(p)) << c.Speed << " " << c.ScaleX << " " << c.Parallax;
    }
    // The ordinary case follows the formulas: cw = trunc(60 · 0.006 · 300) = 108.
    EXPECT_EQ(ComputeCloudParams(0, 1, 100, -100, 60, 60, 1).MorphPeriod, -150) << "kept negative";
    EXPECT_EQ(ComputeCloudParams(0, 1, 100, NAN, 60, 60, 1).MorphPeriod, 0);
    TCloudParams p = ComputeCloudParams(0, 1, 100, 100, 60, 60, 1);
    EXPECT_EQ(p.CellWidth, 108);
    EXPECT_EQ(p.MorphX, 27);
    EXPECT_EQ(p.MorphPeriod, 150);
    EXPECT_EQ(p.WrapSize, (TVec2{648, 648}));
    EXPECT_FLOAT_EQ(p.Velocity.X, 0.0006f);
}

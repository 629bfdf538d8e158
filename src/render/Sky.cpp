#include "render/Sky.h"

#include "app/Ease.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t MaterialMarker = 1111;
constexpr uint8_t SpriteMarker = 0xDE;
// A non-empty name chooses the texture; an index the library does not know
// becomes no texture (−1).
int32_t TextureIndexFromName(int32_t index, const std::string& name) {
    if (name.empty()) return index;
    TMyTexture* t = TexLib.FindTexture(name);
    return t ? t->Index : -1;
}

// The library's texture for a sky index; none for −1, the index of a name the
// library did not know.
TMyTexture* SkyTexture(int32_t index) {
    return index < 0 ? nullptr : TexLib.TextureByIndex(index);
}

uint32_t TextureName(TMyTexture* t) {
    return t ? uint32_t(t->TextureId()) : 0u;
}

// c2 + u · (c1 − c2) / 255, u in 0 … 255.
uint8_t MixByte(uint8_t c1, uint8_t c2, int32_t u) {
    return uint8_t(int32_t(c2) + u * (int32_t(c1) - int32_t(c2)) / 255);
}

// c1 + f · (c2 − c1), f in [0, 1).
uint8_t LerpByte(uint8_t c1, uint8_t c2, double f) {
    return uint8_t(std::clamp(std::trunc(double(c1) + f * (double(c2) - double(c1))), 0.0, 255.0));
}

// The most star tiles one row or column of the view shows, and the most
// copies of the sprite field in a row and rows of them.
constexpr int64_t MaxStarTilesAcross = 256;
constexpr int32_t MaxSpriteCopies = 101;

// Sprites sway once every this many ms.
constexpr int32_t SwayPeriod = 50;
} // namespace

int32_t NextSway(int32_t reached, int32_t draw) {
    if (reached == 0) return draw == 1 ? 1 : -1;
    if (reached == 1) return draw == 1 ? -1 : 0;
    return draw == 1 ? 1 : 0;
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
        for (std::string& name : SpriteTextureNames)
            name = in.ReadString();
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
    for (const std::string& name : SpriteTextureNames)
        out.WriteString(name);
    WriteRgba(out, SpriteColor1);
    WriteRgba(out, SpriteColor2);
    out.WriteInt32(SpriteCount);
    out.Pad(16);

    out.WriteBool(GlowBehindMoon);
    out.Pad(2);
}

// ---- Building ----

void TMSky::Rebuild() {
    RecordSite(63005);
    SetCloudParams();
    const int32_t m = Clouds.MorphPeriod;
    for (TCloudPoint& pt : Grid) {
        pt.Color = {160, 160, 160, 255};
        pt.BrightnessFrom = Random(200);
        pt.BrightnessTo = Random(200);
        pt.Brightness = pt.BrightnessFrom;
        pt.BrightnessElapsed = 0;
        pt.BrightnessDuration = m + Random(m);
        StartMorph(pt.Morph, Clouds);
    }
    Scroll = {};
    BuildStars();
    BuildSprites();
}

void TMSky::Reset() {
    RecordSite(63006);
    Rebuild();
}

void TMSky::BuildStars() {
    const int32_t stars = std::clamp(StarsPerTile, 0, MaxStarsPerTile);
    const float tile = Clouds.StarTileSize;
    const float k = 8.0f / SkyParallax;
    static constexpr float Corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (TStars_Fragment& f : StarTiles) {
        f.Vertices.clear();
        f.TexCoords.clear();
        f.Colours.clear();
        f.Vertices.reserve(size_t(stars) * 8);
        f.TexCoords.reserve(size_t(stars) * 8);
        f.Colours.reserve(size_t(stars) * 16);
        for (int32_t n = 0; n < stars; ++n) {
            const float r = EaseInTwice(float(RandomFloat()));
            const float h = (r * (k * (StarSizeMax - StarSizeMin)) + k * StarSizeMin) * 0.5f;
            TVec2 d{h, 0.0f};
            Rotate(d, float(RandomFloat() * 2.0 * Pi));
            const float px = float(RandomFloat()) * tile;
            const float py = float(RandomFloat()) * tile;
            const TVec2 corners[4] = {
                {px - d.Y, py - d.X}, {px + d.X, py - d.Y}, {px + d.Y, py + d.X}, {px - d.X, py + d.Y}};
            const int32_t u = Random(256);
            const int32_t a = r <= 0.6f ? Random(256) : 201 + Random(55);
            const uint8_t colour[4] = {
                MixByte(StarColor1.R, StarColor2.R, u), MixByte(StarColor1.G, StarColor2.G, u),
                MixByte(StarColor1.B, StarColor2.B, u), MixByte(StarColor1.A, StarColor2.A, a)};
            for (int32_t c = 0; c < 4; ++c) {
                f.Vertices.insert(f.Vertices.end(), {corners[c].X, corners[c].Y});
                f.TexCoords.insert(f.TexCoords.end(), {Corners[c][0], Corners[c][1]});
                f.Colours.insert(f.Colours.end(), colour, colour + 4);
            }
        }
    }
}

void TMSky::BuildSprites() {
    Sprites.clear();
    SwayCountdown = 0;
    std::vector<TMyTexture*> textures;
    for (TMyTexture* t : SpriteTextures)
        if (t) textures.push_back(t);
    if (!RenderSprites || textures.empty()) return;
    const float k = 1.0f / SkyParallax;
    Seed(uint32_t(Random(100)));
    SpriteSide = 1300.0f * k;
    const int32_t count = std::clamp(SpriteCount, 0, MaxSkySprites);
    Sprites.resize(size_t(count));
    for (TSkySprite& s : Sprites) {
        s.Pos.X = float(RandomFloat()) * SpriteSide;
        s.Pos.Y = float(RandomFloat()) * SpriteSide;
        s.Size = (SpriteSizeMin + float(RandomFloat()) * (SpriteSizeMax - SpriteSizeMin)) * 0.1f * k;
        const double colour = RandomFloat(), alpha = RandomFloat();
        s.Colour = {LerpByte(SpriteColor1.R, SpriteColor2.R, colour),
                    LerpByte(SpriteColor1.G, SpriteColor2.G, colour),
                    LerpByte(SpriteColor1.B, SpriteColor2.B, colour),
                    LerpByte(SpriteColor1.A, SpriteColor2.A, alpha)};
        s.Texture = textures[size_t(Random(int32_t(textures.size())))];
        s.SwayFrom = s.SwayTo = 0;
    }
}

// ---- Animation ----

void TMSky::Tick(int32_t dt) {
    RecordSite(63007);
    for (TCloudPoint& pt : Grid) {
        if (pt.BrightnessDuration > 0 &&
            int64_t(pt.BrightnessElapsed) + dt < int64_t(pt.BrightnessDuration)) {
            pt.Brightness = int32_t(pt.BrightnessFrom + int64_t(pt.BrightnessTo - pt.BrightnessFrom) *
                                                            pt.BrightnessElapsed / pt.BrightnessDuration);
            pt.BrightnessElapsed += dt;
        } else {
            pt.BrightnessElapsed = 0;
            pt.BrightnessDuration = 280 + Random(180);
            pt.BrightnessFrom = pt.BrightnessTo;
            pt.BrightnessTo = Random(200);
        }
        StepMorph(pt.Morph, dt, Clouds);
    }
    Scroll = ScrollSheet(Scroll, dt, Clouds);
    if (!RenderSprites) return;
    SwayCountdown -= dt;
    if (SwayCountdown < 0) {
        SwayCountdown += SwayPeriod;
        for (TSkySprite& s : Sprites) {
            s.SwayFrom = s.SwayTo;
            s.SwayTo = NextSway(s.SwayFrom, Random(2));
        }
    }
}

float TMSky::SpriteSway(const TSkySprite& s) const {
    const float e = EaseInOut(std::clamp(float(SwayCountdown) / float(SwayPeriod), 0.0f, 1.0f));
    return (float(s.SwayFrom) + (1.0f - e) * float(s.SwayTo - s.SwayFrom)) * s.Size * 0.3f;
}

// ---- Drawing ----

void TMSky::Draw(int32_t& counter, bool editView, const TSkyView& view) const {
    RecordSite(63008);
    TRenderBackend& r = Renderer();
    // 1.
    SetLighting(false);
    SetTexEnv(Gl::Modulate);
    r.Disable(Gl::ColorMaterial);
    r.Disable(Gl::AlphaTest);
    SetParallaxProjection(view, SkyParallax);
    // 2.
    DrawBackground();
    // 3.
    if (!editView) {
        if (RenderStars) DrawStars();
        if (RenderSprites) DrawSprites();
        if (RenderMoon && RenderGlow && GlowBehindMoon) DrawGlow(counter);
        if (RenderMoon) DrawMoon(counter);
        if (RenderClouds) DrawClouds(counter);
        if (RenderMoon && RenderGlow && !GlowBehindMoon) DrawGlow(counter);
    }
    // 4. The colour arrays leave the current colour undefined: back to white.
    r.Enable(Gl::ColorMaterial);
    r.Enable(Gl::AlphaTest);
    r.Color4ub(255, 255, 255, 255);
}

void TMSky::DrawBackground() const {
    TRenderBackend& r = Renderer();
    if (TopColor.R == BottomColor.R && TopColor.G == BottomColor.G && TopColor.B == BottomColor.B) {
        r.ClearColor(TopColor.R / 255.0f, TopColor.G / 255.0f, TopColor.B / 255.0f, TopColor.A / 255.0f);
        r.Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
        return;
    }
    const TBox2 v = ViewRect;
    r.Disable(Gl::Texture2D);
    r.Enable(Gl::DepthTest);
    r.DepthFunc(Gl::Always);
    r.Begin(Gl::TriangleFan);
    r.Color4ub(TopColor.R, TopColor.G, TopColor.B, TopColor.A);
    r.Vertex2f(v.Left + 0.1f, v.Top + 0.1f);
    r.Vertex2f(v.Right - 0.1f, v.Top + 0.1f);
    r.Color4ub(BottomColor.R, BottomColor.G, BottomColor.B, BottomColor.A);
    r.Vertex2f(v.Right - 0.1f, v.Bottom - 0.1f);
    r.Vertex2f(v.Left + 0.1f, v.Bottom - 0.1f);
    r.End();
    // The rest of the frame draws without the depth test, as it did before.
    r.Disable(Gl::DepthTest);
    r.Enable(Gl::Texture2D);
}

void TMSky::DrawStars() const {
    const float tile = Clouds.StarTileSize;
    if (StarTiles.front().Vertices.empty() || !(tile > 0.0f) || !std::isfinite(tile)) return;
    TMyTexture* texture = SkyTexture(StarTexture);
    if (!texture) return;
    const TBox2 v = ViewRect;
    const double i0 = std::floor(double(v.Left) / tile), i1 = std::floor(double(v.Right) / tile);
    const double j0 = std::floor(double(v.Top) / tile), j1 = std::floor(double(v.Bottom) / tile);
    if (!std::isfinite(i0) || !std::isfinite(i1) || !std::isfinite(j0) || !std::isfinite(j1)) return;
    if (std::fabs(i0) > 1e15 || std::fabs(j0) > 1e15 || i1 < i0 || j1 < j0) return;
    const int64_t columns = std::min(int64_t(i1 - i0) + 1, MaxStarTilesAcross);
    const int64_t rows = std::min(int64_t(j1 - j0) + 1, MaxStarTilesAcross);
    TRenderBackend& r = Renderer();
    BindTexture(TextureName(texture));
    r.EnableClientState(Gl::VertexArray);
    r.EnableClientState(Gl::TextureCoordArray);
    r.EnableClientState(Gl::ColorArray);
    for (int64_t b = 0; b < rows; ++b)
        for (int64_t a = 0; a < columns; ++a) {
            const int64_t i = int64_t(i0) + a, j = int64_t(j0) + b;
            const TStars_Fragment& f =
                StarTiles[size_t(SheetIndex(int32_t((i % 6 + 6) % 6), int32_t((j % 6 + 6) % 6)))];
            r.VertexPointer(f.Vertices.data());
            r.TexCoordPointer(f.TexCoords.data());
            r.ColorPointer(f.Colours.data());
            r.PushMatrix();
            r.Translate(float(double(i) * tile), float(double(j) * tile), 0.0f);
            r.DrawArrays(Gl::Quads, 0, f.CornerCount());
            r.PopMatrix();
        }
    r.DisableClientState(Gl::TextureCoordArray);
    r.DisableClientState(Gl::ColorArray);
}

void TMSky::DrawSprites() const {
    const float side = SpriteSide;
    if (Sprites.empty() || !(side > 0.0f) || !std::isfinite(side)) return;
    const TBox2 v = ViewRect;
    const double x0 = std::floor(double(v.Left) / side) * side, y0 = std::floor(double(v.Top) / side) * side;
    if (!std::isfinite(x0) || !std::isfinite(y0)) return;
    std::vector<float> sway(Sprites.size());
    for (size_t n = 0; n < Sprites.size(); ++n)
        sway[n] = SpriteSway(Sprites[n]);
    TRenderBackend& r = Renderer();
    r.PushMatrix();
    for (int32_t row = 0; row < MaxSpriteCopies && y0 + double(row) * side <= v.Bottom; ++row)
        for (int32_t copy = 0; copy < MaxSpriteCopies && x0 + double(copy) * side <= v.Right; ++copy) {
            r.PushMatrix();
            r.Translate(float(x0 + double(copy) * side), float(y0 + double(row) * side), 0.0f);
            for (size_t n = 0; n < Sprites.size(); ++n) {
                const TSkySprite& s = Sprites[n];
                TMyTexture* t = s.Texture;
                BindTexture(TextureName(t));
                const float u = t ? t->URange : 1.0f, w = t ? t->VRange : 1.0f;
                const float x = s.Pos.X, y = s.Pos.Y, h = s.Size, d = sway[n];
                r.Color4ub(s.Colour.R, s.Colour.G, s.Colour.B, s.Colour.A);
                r.Begin(Gl::TriangleFan);
                const float fan[10][4] = {{x + d, y, u / 2, w / 2}, {x - h, y - h, 0, 0},
                                          {x, y - h, u / 2, 0},     {x + h, y - h, u, 0},
                                          {x + h + d, y, u, w / 2}, {x + h, y + h, u, w},
                                          {x, y + h, u / 2, w},     {x - h, y + h, 0, w},
                                          {x - h + d, y, 0, w / 2}, {x - h, y - h, 0, 0}};
                for (const auto& p : fan) {
                    r.TexCoord2f(p[2], p[3]);
                    r.Vertex2f(p[0], p[1]);
                }
                r.End();
            }
            r.PopMatrix();
        }
    r.PopMatrix();
}

void TMSky::DrawMoon(int32_t& counter) const {
    TMyTexture* t = SkyTexture(MoonTexture);
    if (!t) return;
    const uint32_t name = TextureName(t); // uploading works out the sizes
    const float radius = float(t->Width) * 0.5f * MoonScale / SkyParallax;
    const TBox2 v = ViewRect;
    const float w = v.Right - v.Left, h = v.Bottom - v.Top;
    const float fx =
        w != 0.0f ? std::clamp((MoonPos.X - v.Left) / w - 0.5f, -1.0f, 1.0f) * 0.6f * radius : 0.0f;
    const float fy =
        h != 0.0f ? std::clamp((MoonPos.Y - v.Top) / h - 0.3f, -1.0f, 1.0f) * 0.6f * radius : 0.0f;
    TRenderBackend& r = Renderer();
    BindTexture(name);
    r.Color4ub(MoonColor.R, MoonColor.G, MoonColor.B, MoonColor.A);
    r.Begin(Gl::TriangleFan);
    r.TexCoord2f(t->Centre.X, t->Centre.Y);
    r.Vertex2f(MoonPos.X - fx, MoonPos.Y - fy);
    r.TexCoord2f(t->Centre.X, t->Centre.Y);
    r.Vertex2f(MoonPos.X, MoonPos.Y);
    for (int32_t i = 0; i <= 30; ++i) {
        TVec2 d{0.0f, -0.52f};
        Rotate(d, float(double(i) / 30.0 * 2.0 * Pi));
        r.TexCoord2f(t->Centre.X + d.X * t->URange, t->Centre.Y + d.Y * t->URange);
        r.Vertex2f(MoonPos.X + d.X * 2.0f * radius, MoonPos.Y + d.Y * 2.0f * radius);
    }
    r.End();
    counter += 2;
}

void TMSky::DrawGlow(int32_t& counter) const {
    TMyTexture* t = SkyTexture(GlowTexture);
    if (!t) return;
    const uint32_t name = TextureName(t);
    const float hx = float(t->Width) * GlowScale, hy = float(t->Height) * GlowScale;
    const float c = std::cos(MoonAngle), s = std::sin(MoonAngle);
    const TVec2 corners[4] = {{-hx, -hy}, {hx, -hy}, {hx, hy}, {-hx, hy}};
    TRenderBackend& r = Renderer();
    BindTexture(name);
    SetBlend(Gl::SrcAlpha, Gl::OneMinusSrcAlpha);
    SetTexEnv(Gl::Modulate);
    r.Color4ub(GlowColor.R, GlowColor.G, GlowColor.B, GlowColor.A);
    r.Begin(Gl::Quads);
    for (int32_t i = 0; i < 4; ++i) {
        TVec2 d = corners[i];
        RotateCS(d, c, s);
        r.TexCoord2f(t->Corners[size_t(i)].X, t->Corners[size_t(i)].Y);
        r.Vertex2f(MoonPos.X + d.X, MoonPos.Y + d.Y);
    }
    r.End();
    counter += 2;
}

void TMSky::DrawClouds(int32_t& counter) const {
    TMyTexture* t = SkyTexture(CloudTexture);
    if (!t) return;
    BindTexture(TextureName(t));
    Material.Apply();
    std::array<TVec2, SheetPointCount> offsets;
    for (size_t n = 0; n < offsets.size(); ++n)
        offsets[n] = Grid[n].Morph.Offset;
    TSheetColours colours;
    colours.Top = {CloudColor.R / 255.0f, CloudColor.G / 255.0f, CloudColor.B / 255.0f,
                   CloudColor.A / 255.0f};
    colours.Bottom = {CloudColor2.R / 255.0f, CloudColor2.G / 255.0f, CloudColor2.B / 255.0f,
                      CloudColor2.A / 255.0f};
    DrawSheet(offsets, Scroll, Clouds, colours, counter);
}

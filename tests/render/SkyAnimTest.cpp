// The sky and the fog in play, headless: the random draws of building and
// animating them, the drift and its wrap, the sprites' sway, the camera's
// zoom effect, and what the drawing sends to the (null) renderer.
#include "app/Ease.h"
#include "app/Random.h"
#include "assets/ByteStream.h"
#include "assets/TexLib.h"
#include "render/CameraEffects.h"
#include "render/Fog.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"
#include "render/Sky.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

namespace {

// Runs fn on a copy of the generator state s and returns where it leaves it.
template <typename F> uint32_t After(uint32_t s, F fn) {
    const uint32_t saved = RandSeed;
    Seed(s);
    fn();
    const uint32_t result = RandSeed;
    RandSeed = saved;
    return result;
}

void Draws(int32_t n) {
    (void)Random(n);
}
void Floats(int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        (void)RandomFloat();
}

// A sky with every animated part switched on: clouds that morph, two stars
// per tile, sprites with one texture.
TMSky AnimatedSky(TMyTexture* spriteTexture) {
    TMSky s;
    s.RenderClouds = true;
    s.MorphPower = 40;  // amplitude 108 · 0.25 · 0.4: (10, 10) with 108-unit cells
    s.MorphSpeed = 100; // period base 150 ms
    s.StarsPerTile = 2;
    s.StarSizeMin = 1;
    s.StarSizeMax = 3;
    s.RenderSprites = true;
    s.SpriteCount = 5;
    s.SpriteTextures[3] = spriteTexture;
    s.SetCloudParams();
    return s;
}

class SkyAnim : public ::testing::Test {
  protected:
    void SetUp() override {
        FillEaseTables();
        ResetRenderState();
        auto backend = std::make_unique<TNullRenderBackend>();
        Null = backend.get();
        InitRenderContext(std::move(backend));
    }
    void TearDown() override {
        TexLib.Clear();
        ResetRenderState();
    }

    // A texture entry of the library that counts as uploaded, of w × h pixels
    // filling its whole texture.
    TMyTexture* AddTexture(int32_t w, int32_t h) {
        const int32_t index = int32_t(TexLib.Textures.size());
        auto t = std::make_unique<TMyTexture>(&TexLib, index, "Sky\\t" + std::to_string(index) + ".png");
        t->Width = t->UploadWidth = w;
        t->Height = t->UploadHeight = h;
        t->URange = t->VRange = 1.0f;
        t->Corners = {TVec2{0, 0}, TVec2{1, 0}, TVec2{1, 1}, TVec2{0, 1}};
        t->Centre = {0.5f, 0.5f};
        t->GlId = 100 + index;
        TexLib.Textures.push_back(std::move(t));
        return TexLib.Textures.back().get();
    }

    // A view of w × h pixels at one world unit per pixel, centred on (x, y).
    static TSkyView View(float x, float y, int32_t w = 200, int32_t h = 150) {
        return {x, y, w, h, 1.0f, 0.0f};
    }

    TNullRenderBackend* Null = nullptr;
};

TEST_F(SkyAnim, RebuildDrawsGridStarsAndSpritesInTheListedOrder) {
    TMyTexture sprite(&TexLib, 0, "Sky\\sprite.png");
    TMSky sky = AnimatedSky(&sprite);
    const TCloudParams& p = sky.Clouds;
    ASSERT_EQ(p.MorphPeriod, 150);
    ASSERT_EQ(p.MorphX, 10);

    const uint32_t expected = After(777, [&] {
        for (int32_t n = 0; n < SheetPointCount; ++n) {
            Draws(200), Draws(200), Draws(p.MorphPeriod); // brightness from, to, duration
            Draws(2 * p.MorphX), Draws(2 * p.MorphY);     // first target
            Draws(2 * p.MorphX), Draws(2 * p.MorphY);     // second target
            Draws(p.MorphPeriod);                         // morph duration
        }
        for (int32_t n = 0; n < SheetPointCount * 2; ++n) {
            const float r = EaseInTwice(float(RandomFloat()));
            Floats(3);                   // angle, x, y
            Draws(256);                  // colour
            Draws(r <= 0.6f ? 256 : 55); // alpha
        }
        Seed(uint32_t(Random(100)));
        for (int32_t n = 0; n < 5; ++n)
            Floats(5), Draws(1); // x, y, size, colour, alpha; texture
    });
    Seed(777);
    sky.Rebuild();
    EXPECT_EQ(RandSeed, expected);

    // The first point's values are the first draws.
    Seed(777);
    const int32_t from = Random(200), to = Random(200);
    EXPECT_EQ(sky.Grid[0].BrightnessFrom, from);
    EXPECT_EQ(sky.Grid[0].BrightnessTo, to);
    EXPECT_EQ(sky.Grid[0].Brightness, from);
    EXPECT_EQ(sky.Grid[0].Color, (TRgba{160, 160, 160, 255}));
    ASSERT_EQ(sky.Sprites.size(), 5u);
    for (const TSkySprite& s : sky.Sprites) {
        EXPECT_EQ(s.Texture, &sprite);
        EXPECT_GE(s.Pos.X, 0.0f);
        EXPECT_LT(s.Pos.X, 1300.0f);
        EXPECT_GE(s.Size, 4.0f); // (40 … 100) · 0.1
        EXPECT_LT(s.Size, 10.0f);
    }
    for (const TStars_Fragment& f : sky.StarTiles)
        EXPECT_EQ(f.CornerCount(), 8);
}

TEST_F(SkyAnim, TicksDrawOnlyWhenPeriodsEndAndSpritesSwayEvery50Ms) {
    TMyTexture sprite(&TexLib, 0, "Sky\\sprite.png");
    TMSky sky = AnimatedSky(&sprite);
    Seed(5);
    sky.Rebuild();
    // Every brightness and morph period lasts at least 150 ms; the sway
    // countdown starts at 0, so the first tick and then every fifth tick
    // draw one sway per sprite.
    const uint32_t start = RandSeed;
    sky.Tick(10);
    EXPECT_EQ(RandSeed, After(start, [] {
                  for (int32_t n = 0; n < 5; ++n)
                      Draws(2);
              }));
    const uint32_t afterFirst = RandSeed;
    for (int32_t t = 0; t < 4; ++t)
        sky.Tick(10);
    EXPECT_EQ(RandSeed, afterFirst);
    sky.Tick(10);
    EXPECT_EQ(RandSeed, After(afterFirst, [] {
                  for (int32_t n = 0; n < 5; ++n)
                      Draws(2);
              }));
    EXPECT_EQ(sky.SwayCountdown, 40);

    // Without sprites the first 100 ms draw nothing at all.
    TMSky still = AnimatedSky(&sprite);
    still.RenderSprites = false;
    still.Rebuild();
    const uint32_t quiet = RandSeed;
    for (int32_t t = 0; t < 10; ++t)
        still.Tick(10);
    EXPECT_EQ(RandSeed, quiet);
}

TEST_F(SkyAnim, WithoutMorphSpeedEveryTickJumpsToTheLastTarget) {
    for (const float power : {40.0f, -40.0f}) {
        TMSky sky;
        sky.MorphPower = power;
        sky.MorphSpeed = 0;
        Seed(9);
        sky.Rebuild();
        ASSERT_EQ(sky.Clouds.MorphPeriod, 0);
        for (int32_t t = 0; t < 4; ++t) {
            const TSheetMorph before = sky.Grid[7].Morph;
            // Per point: the brightness (a new period on the first tick only),
            // then the morph's duration and target, three draws.
            const uint32_t expected = After(RandSeed, [&] {
                for (int32_t n = 0; n < SheetPointCount; ++n) {
                    if (t == 0) Draws(180), Draws(200);
                    Draws(0), Draws(2 * sky.Clouds.MorphX), Draws(2 * sky.Clouds.MorphY);
                }
            });
            sky.Tick(10);
            EXPECT_EQ(RandSeed, expected) << "power " << power << " tick " << t;
            const TSheetMorph& m = sky.Grid[7].Morph;
            EXPECT_EQ(m.Duration, 0);
            EXPECT_EQ(m.Offset.X, before.To.X);
            EXPECT_EQ(m.Offset.Y, before.To.Y);
            EXPECT_LE(std::fabs(m.To.X), std::fabs(float(sky.Clouds.MorphX)));
        }
    }
}

TEST_F(SkyAnim, MorphEasesBetweenTargetsWithinThePeriod) {
    TCloudParams p;
    p.MorphPeriod = 100;
    TSheetMorph m;
    m.From = {0, 0};
    m.To = {10, -20};
    m.Duration = 100;
    StepMorph(m, 10, p); // elapsed 0: k 0
    EXPECT_EQ(m.Offset.X, 0.0f);
    for (int32_t t = 0; t < 4; ++t)
        StepMorph(m, 10, p); // elapsed 40: k = 40 · 255 / 100 = 102
    EXPECT_FLOAT_EQ(m.Offset.X, 10 * EaseTable256[102]);
    EXPECT_FLOAT_EQ(m.Offset.Y, -20 * EaseTable256[102]);
    EXPECT_EQ(m.Elapsed, 50);
}

TEST_F(SkyAnim, DriftWrapsIntoTheSheetRepeat) {
    struct TCase {
        float AngleDegrees;
        int32_t Ticks;
    };
    const TCase cases[] = {{0, 1}, {0, 2000}, {180, 1}, {180, 2000}, {90, 1500}, {-90, 3}};
    for (const TCase& c : cases) {
        TMSky sky;
        sky.CloudSpeed = 100; // 0.06 units per ms at parallax 1
        sky.CloudAngle = float(c.AngleDegrees * DegToRad);
        sky.Rebuild();
        const TVec2 wrap = sky.Clouds.WrapSize;
        ASSERT_EQ(wrap.X, 648.0f);
        for (int32_t t = 0; t < c.Ticks; ++t)
            sky.Tick(10);
        const double travelled = 0.6 * c.Ticks;
        // How far apart two places on the repeating sheet are.
        auto gap = [](double a, double b, double size) {
            const double d = std::fabs(std::fmod(a - b, size));
            return std::min(d, size - d);
        };
        const double a = c.AngleDegrees * DegToRad;
        EXPECT_LT(gap(sky.Scroll.X, std::cos(a) * travelled, wrap.X), 0.1)
            << c.AngleDegrees << " " << c.Ticks;
        EXPECT_LT(gap(sky.Scroll.Y, std::sin(a) * travelled, wrap.Y), 0.1)
            << c.AngleDegrees << " " << c.Ticks;
        EXPECT_GE(sky.Scroll.X, 0.0f);
        EXPECT_LT(sky.Scroll.X, wrap.X);
        EXPECT_GE(sky.Scroll.Y, 0.0f);
        EXPECT_LT(sky.Scroll.Y, wrap.Y);
    }
}

TEST_F(SkyAnim, SpritesSwayBetweenTheirTargets) {
    struct TNext {
        int32_t Reached, Draw, Next;
    };
    for (const TNext& c :
         {TNext{0, 1, 1}, TNext{0, 0, -1}, TNext{1, 1, -1}, TNext{1, 0, 0}, TNext{-1, 1, 1}, TNext{-1, 0, 0}})
        EXPECT_EQ(NextSway(c.Reached, c.Draw), c.Next) << c.Reached << " " << c.Draw;

    // Just after a new target the sway is where it came from, half-way after
    // 25 ms, at the target when the countdown runs out; 0.3 of the size.
    struct TAt {
        int32_t Countdown;
        float Sway;
    };
    TMSky sky;
    TSkySprite s;
    s.Size = 10;
    s.SwayFrom = -1;
    s.SwayTo = 1;
    for (const TAt& c : {TAt{50, -3.0f}, TAt{25, 0.0f}, TAt{0, 3.0f}}) {
        sky.SwayCountdown = c.Countdown;
        EXPECT_NEAR(sky.SpriteSway(s), c.Sway, 1e-5f) << c.Countdown;
    }
}

TEST_F(SkyAnim, FogWithoutSecondColourBreathesBetweenZeroAndItsAlpha) {
    TFog written;
    written.FogColor = {0.8f, 0.8f, 0.9f, 0.9f};
    written.FogMorphSpeed = 100;
    TByteWriter w;
    written.Write(w);
    // The tail is the marker 0xDE, the second colour (16 bytes) and 15 spare
    // bytes; an older record has another marker byte and the 15 spare bytes.
    std::vector<uint8_t> bytes(w.Bytes.begin(), w.Bytes.end() - 32);
    bytes.push_back(0);
    bytes.insert(bytes.end(), 15, 0);
    TByteReader in(bytes);
    TFog fog;
    ASSERT_TRUE(fog.Read(in));
    EXPECT_EQ(fog.FogColor2[3], 0.0f);
    Seed(1);
    fog.Rebuild();
    float low = 1.0f, high = 0.0f;
    for (int32_t t = 0; t < 3000; ++t) {
        fog.Tick(10);
        for (const TFogPoint& p : fog.Grid) {
            ASSERT_GE(p.Brightness, 0.0f);
            ASSERT_LE(p.Brightness, 0.9f);
            low = std::min(low, p.Brightness);
            high = std::max(high, p.Brightness);
        }
    }
    EXPECT_LT(low, 0.05f);
    EXPECT_GT(high, 0.85f);
}

TEST(CameraEffects, ZoomEasesFromHalfToTheBaseScaleThenStops) {
    TCameraEffects idle;
    float scale = 1.4f;
    idle.Apply(scale);
    EXPECT_EQ(scale, 1.4f) << "a new effect is idle";

    TCameraEffects zoom;
    zoom.Progress = 0.0f;
    zoom.BaseScale = 2.0f;
    zoom.Apply(scale);
    EXPECT_FLOAT_EQ(scale, 1.0f);
    zoom.Tick(0.2f);
    zoom.Apply(scale);
    EXPECT_FLOAT_EQ(scale, 2.0f * (0.5f + 0.5f * (1.0f - EaseDown(0.2f / 0.41f))));
    zoom.Tick(0.3f); // past the end
    zoom.Tick(0.01f);
    EXPECT_EQ(zoom.Progress, zoom.Length);
    scale = 7.0f;
    zoom.Apply(scale);
    EXPECT_EQ(scale, 7.0f);

    // No length to ease over, or a restart: the view keeps its scale.
    TCameraEffects flat;
    flat.Length = 0.0f;
    flat.Progress = -1.0f;
    flat.BaseScale = 2.0f;
    flat.Apply(scale);
    EXPECT_EQ(scale, 7.0f);
    zoom.Progress = 0.0f;
    zoom.Reset();
    zoom.Apply(scale);
    EXPECT_EQ(scale, 7.0f);
}

// ---- Drawing ----

TEST_F(SkyAnim, EqualColoursClearAndDifferentOnesDrawAGradient) {
    struct TCase {
        TRgba Top, Bottom;
        bool Clears;
    };
    const TCase cases[] = {{{10, 20, 30, 255}, {10, 20, 30, 255}, true},
                           {{10, 20, 30, 255}, {10, 20, 30, 0}, true}, // alpha does not count
                           {{10, 20, 30, 255}, {10, 20, 31, 255}, false},
                           {{0, 0, 0, 255}, {200, 100, 50, 255}, false}};
    for (const TCase& c : cases) {
        TMSky sky;
        sky.TopColor = c.Top;
        sky.BottomColor = c.Bottom;
        sky.RenderMoon = false;
        Null->ForgetCalls();
        Null->Vertices.clear();
        int32_t drawn = 0;
        sky.Draw(drawn, false, View(0, 0));
        EXPECT_EQ(Null->CallCount(TRenderCall::Clear), c.Clears ? 1 : 0);
        if (c.Clears) {
            EXPECT_FLOAT_EQ(Null->ClearRgba[0], c.Top.R / 255.0f);
            EXPECT_FLOAT_EQ(Null->ClearRgba[2], c.Top.B / 255.0f);
            EXPECT_TRUE(Null->Vertices.empty());
        } else {
            // A fan over the view, inset by 0.1, the top colour above.
            ASSERT_EQ(Null->Vertices.size(), 4u);
            EXPECT_FLOAT_EQ(Null->Vertices[0][0], -100.0f + 0.1f);
            EXPECT_FLOAT_EQ(Null->Vertices[0][1], -75.0f + 0.1f);
            EXPECT_FLOAT_EQ(Null->Vertices[2][1], 75.0f - 0.1f);
            EXPECT_EQ(Null->Enabled.count(Gl::DepthTest), 0u);
            EXPECT_EQ(Null->Enabled.count(Gl::Texture2D), 1u);
        }
        EXPECT_EQ(Null->BatchErrors, 0);
        // Colour material and alpha test are back on afterwards.
        EXPECT_EQ(Null->Enabled.count(Gl::AlphaTest), 1u);
        EXPECT_EQ(Null->Enabled.count(Gl::ColorMaterial), 1u);
    }
}

TEST_F(SkyAnim, MoonFanCentreShiftsWithTheMoonsPlaceInTheView) {
    TMyTexture* moon = AddTexture(64, 64);
    TMSky sky;
    sky.MoonTexture = moon->Index;
    sky.RenderGlow = false;
    sky.MoonScale = 1.5f;
    sky.SkyParallax = 0.5f;
    sky.SetCloudParams();
    // R = 64 · 0.5 · 1.5 / 0.5 = 96. The view (parallax 0.5, camera at the
    // origin) spans −200 … 200 by −150 … 150.
    const float R = 96.0f;
    struct TCase {
        TVec2 Moon;
        float ShiftX, ShiftY; // of the fan centre against the moon
    };
    const TCase cases[] = {
        {{0, 0}, 0.0f, -0.2f * 0.6f * R},                 // the view's centre
        {{-200, -150}, 0.5f * 0.6f * R, 0.3f * 0.6f * R}, // its top-left corner
        {{5000, 9000}, -0.6f * R, -0.6f * R},             // far off: clamped
    };
    for (const TCase& c : cases) {
        sky.MoonPos = c.Moon;
        Null->Vertices.clear();
        int32_t drawn = 0;
        sky.Draw(drawn, false, View(0, 0));
        ASSERT_EQ(Null->Vertices.size(), 33u);
        EXPECT_NEAR(Null->Vertices[0][0] - c.Moon.X, c.ShiftX, 1e-3f);
        EXPECT_NEAR(Null->Vertices[0][1] - c.Moon.Y, c.ShiftY, 1e-3f);
        EXPECT_EQ(Null->Vertices[1][0], c.Moon.X);
        // The rim starts straight above, 1.04 R out, and closes.
        EXPECT_NEAR(Null->Vertices[2][1] - c.Moon.Y, -1.04f * R, 1e-3f);
        EXPECT_NEAR(Null->Vertices[32][0], Null->Vertices[2][0], 1e-3f);
        EXPECT_EQ(drawn, 2);
        EXPECT_EQ(Null->Bound, uint32_t(moon->GlId));
    }
    // The edit view draws the background only.
    Null->Vertices.clear();
    int32_t drawn = 0;
    sky.Draw(drawn, true, View(0, 0));
    EXPECT_TRUE(Null->Vertices.empty());
    EXPECT_EQ(drawn, 0);
}

// Records, at every DrawArrays, which client arrays were on.
class TArrayWatch : public TNullRenderBackend {
  public:
    std::vector<std::set<uint32_t>> ArraysAtDraw;
    void DrawArrays(uint32_t mode, int32_t first, int32_t count) override {
        ArraysAtDraw.push_back(ClientArrays);
        TNullRenderBackend::DrawArrays(mode, first, count);
    }
};

TEST_F(SkyAnim, StarTilesCoverTheViewFromClientArraysOnOnlyAroundThem) {
    auto backend = std::make_unique<TArrayWatch>();
    TArrayWatch* watch = backend.get();
    InitRenderContext(std::move(backend));
    TMSky sky;
    sky.StarTexture = AddTexture(8, 8)->Index;
    sky.RenderMoon = false;
    sky.StarsPerTile = 3;
    sky.StarSizeMin = sky.StarSizeMax = 2;
    Seed(3);
    sky.Rebuild();
    // Tiles of 200: a 500 × 300 view from (−250, −150) touches columns −2 … 1
    // and rows −1 … 0.
    int32_t drawn = 0;
    sky.Draw(drawn, false, View(0, 0, 500, 300));
    ASSERT_EQ(watch->ArraysAtDraw.size(), 8u);
    for (const auto& on : watch->ArraysAtDraw) {
        EXPECT_EQ(on.count(Gl::VertexArray), 1u);
        EXPECT_EQ(on.count(Gl::TextureCoordArray), 1u);
        EXPECT_EQ(on.count(Gl::ColorArray), 1u);
    }
    EXPECT_EQ(watch->ClientArrays.count(Gl::TextureCoordArray), 0u);
    EXPECT_EQ(watch->ClientArrays.count(Gl::ColorArray), 0u);
    EXPECT_EQ(watch->ArrayErrors, 0);
    EXPECT_EQ(watch->Vertices.size(), 8u * 3u * 4u);
    // Each star is a quad of half size (8 · 2) · 0.5 = 8 around a point of its tile.
    for (size_t n = 0; n < watch->Vertices.size(); n += 4) {
        const float cx = (watch->Vertices[n][0] + watch->Vertices[n + 2][0]) / 2;
        const float cy = (watch->Vertices[n][1] + watch->Vertices[n + 2][1]) / 2;
        EXPECT_GE(cx, 0.0f);
        EXPECT_LT(cx, 200.0f);
        EXPECT_GE(cy, 0.0f);
        EXPECT_LT(cy, 200.0f);
        EXPECT_NEAR(std::hypot(watch->Vertices[n][0] - cx, watch->Vertices[n][1] - cy), 8.0f, 1e-3f);
    }
}

TEST_F(SkyAnim, CloudStripsCoverTheViewWhereverItIs) {
    TMSky sky;
    sky.CloudTexture = AddTexture(64, 64)->Index;
    sky.RenderClouds = true;
    sky.RenderMoon = false;
    sky.RenderStars = false;
    sky.CloudSpeed = 37;
    sky.Rebuild();
    for (int32_t t = 0; t < 17; ++t)
        sky.Tick(10);
    const float cw = float(sky.Clouds.CellWidth), ch = float(sky.Clouds.CellHeight);
    for (const TVec2 camera : {TVec2{0, 0}, TVec2{-12345, 678}, TVec2{1e6f, -3e5f}}) {
        Null->Vertices.clear();
        Null->ForgetCalls();
        int32_t drawn = 0;
        sky.Draw(drawn, false, View(camera.X, camera.Y, 400, 300));
        const TBox2 v = ViewRect;
        const int32_t rows = int32_t(300 / ch) + 4, columns = int32_t(400 / cw) + 5;
        EXPECT_EQ(Null->CallCount(TRenderCall::Begin), rows);
        ASSERT_EQ(Null->Vertices.size(), size_t(rows) * size_t(columns) * 2);
        EXPECT_EQ(drawn, rows * columns * 2);
        float left = 1e30f, right = -1e30f, top = 1e30f, bottom = -1e30f;
        for (const auto& p : Null->Vertices) {
            left = std::min(left, p[0]), right = std::max(right, p[0]);
            top = std::min(top, p[1]), bottom = std::max(bottom, p[1]);
        }
        EXPECT_LE(left, v.Left);
        EXPECT_GE(right, v.Right);
        EXPECT_LE(top, v.Top);
        EXPECT_GE(bottom, v.Bottom);
        // The sheet starts at most two cells left of and above the view.
        EXPECT_GT(left, v.Left - 2 * cw - 1);
        EXPECT_GT(top, v.Top - 2 * ch - 1);
    }
}

TEST_F(SkyAnim, TinyCellsAndHugeParallaxStillEnd) {
    // Cells that would be 0 units become 1: the sheet still tiles, and a view
    // far out is found by division, not walked to.
    struct TCase {
        float Parallax;
        TVec2 Camera;
    };
    const TCase cases[] = {{1e6f, {0, 0}}, {1e6f, {1e3f, -1e3f}}, {1e9f, {5, 5}}, {1.0f, {3e9f, -3e9f}}};
    for (const TCase& c : cases) {
        const TCloudParams p = ComputeCloudParams(0, 10, 50, 100, 1, 1, c.Parallax);
        EXPECT_GE(p.CellWidth, 1);
        EXPECT_GE(p.CellHeight, 1);
        for (const bool fog : {false, true}) {
            Null->Vertices.clear();
            int32_t drawn = 0;
            if (fog) {
                TFog f;
                f.FogOn = true;
                f.FogTexture = AddTexture(16, 16)->Index;
                f.FogParallax = c.Parallax;
                f.FogScaleX = f.FogScaleY = 1;
                f.Rebuild();
                f.Tick(10);
                f.Draw(drawn, View(c.Camera.X, c.Camera.Y, 64, 48));
            } else {
                TMSky sky;
                sky.CloudTexture = AddTexture(16, 16)->Index;
                sky.StarTexture = sky.CloudTexture;
                sky.RenderClouds = true;
                sky.StarsPerTile = 1;
                sky.SkyParallax = c.Parallax;
                sky.ScaleX = sky.ScaleY = 1;
                sky.Rebuild();
                sky.Tick(10);
                sky.Draw(drawn, false, View(c.Camera.X, c.Camera.Y, 64, 48));
            }
            EXPECT_LE(Null->Vertices.size(), size_t(MaxSheetCells + 1) * (MaxSheetCells + 1) * 2 + 1000);
            EXPECT_EQ(Null->BatchErrors, 0);
        }
    }
}

TEST_F(SkyAnim, FogDrawsOnlyWhenOnWithItsAlphaAtEachPoint) {
    TFog fog;
    fog.FogTexture = AddTexture(32, 32)->Index;
    fog.FogColor = {1.0f, 1.0f, 1.0f, 1.0f};
    fog.FogColor2 = {1.0f, 1.0f, 1.0f, 0.0f};
    Seed(4);
    fog.Rebuild();
    int32_t drawn = 0;
    fog.Draw(drawn, View(0, 0));
    EXPECT_TRUE(Null->Vertices.empty());
    EXPECT_EQ(drawn, 0);

    fog.FogOn = true;
    for (TFogPoint& p : fog.Grid)
        p.Brightness = 0.5f;
    fog.Draw(drawn, View(0, 0));
    EXPECT_FALSE(Null->Vertices.empty());
    EXPECT_EQ(Null->CurrentColor[3], 128); // alpha 1 · 0.5
    EXPECT_EQ(Null->Bound, 100u + uint32_t(fog.FogTexture));

    fog.FogLayer = -1;
    EXPECT_TRUE(fog.DrawsAfterLayer(-1));
    EXPECT_TRUE(fog.DrawsAfterLayer(0));
    EXPECT_FALSE(fog.DrawsAfterLayer(1));
    EXPECT_FALSE(fog.DrawsAfterLayer(-2));
    fog.FogLayer = INT32_MAX;
    EXPECT_TRUE(fog.DrawsAfterLayer(INT32_MAX));
    EXPECT_FALSE(fog.DrawsAfterLayer(INT32_MIN));
}

} // namespace

// The status line read back from the null backend's draw record: every glyph
// quad is mapped to its character by the texture it was drawn with, quads in
// a row of one colour and size make a text, and each text has to stand where
// the level's state puts it, in its colour and size. The font's glyphs are
// all 25 units high, centred (ink from 9 to 31 of 40), of different widths.
#include "LevelWorld.h"

#include "app/Ease.h"
#include "assets/Font.h"
#include "assets/Texts.h"
#include "gameplay/LevelBoosts.h"
#include "level/StatusLine.h"
#include "render/DropEmitter.h"
#include "render/NullRenderBackend.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

using namespace level_world;

namespace {

// A picture whose ink fills the rows given, inset by the margin at both sides.
std::vector<uint8_t> BlockPng(int32_t width, int32_t height, int32_t inkTop, int32_t inkBottom,
                              int32_t margin = 0) {
    std::vector<uint8_t> p(size_t(width) * size_t(height) * 4, 0);
    for (int32_t y = inkTop; y <= inkBottom; ++y)
        for (int32_t x = margin; x < width - margin; ++x) {
            uint8_t* px = &p[(size_t(y) * size_t(width) + size_t(x)) * 4];
            px[0] = px[1] = px[2] = px[3] = 255;
        }
    std::vector<uint8_t> png;
    EncodePng(p.data(), width, height, 4, png);
    return png;
}

// The glyphs, the status line's pictures and one boost icon.
std::vector<TMassFileInput> HudEntries() {
    std::vector<TMassFileInput> entries;
    std::vector<TTexLibRecord> index = {{"Levels\\ground.png"}};
    for (int32_t i = 1; i <= FontGlyphTotal; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "fnt%03d.png", i);
        entries.push_back({"Textures\\Font\\", name, BlockPng(16 + i % 7 * 2, 40, 9, 31, 2)});
        index.push_back({std::string("Font\\") + name});
    }
    const std::pair<const char*, std::vector<uint8_t>> pictures[] = {
        {WarnArrowPicture, BlockPng(40, 32, 0, 31)},
        {BoostBarBackPicture, BlockPng(64, 12, 0, 11)},
        {BoostBarPicture, BlockPng(64, 12, 0, 11)},
        {OxygenPicture, BlockPng(200, 40, 0, 39)},
        {KeyLeftPicture, BlockPng(36, 36, 0, 35)},
        {KeyRightPicture, BlockPng(36, 36, 0, 35)},
        {KeyCtrlPicture, BlockPng(52, 36, 0, 35)},
        {KeyUpPicture, BlockPng(36, 36, 0, 35)},
        {"BoostIcons\\BoostIcon08.png", BlockPng(64, 64, 0, 63)}};
    for (const auto& [name, png] : pictures) {
        const std::string path = name;
        const size_t cut = path.find('\\');
        entries.push_back({"Textures\\" + path.substr(0, cut + 1), path.substr(cut + 1), png});
        index.push_back({path});
    }
    entries.push_back({"Textures\\", "Rollix.TexLib", WriteTexLibIndex(index)});
    return entries;
}

// One text as the record shows it: its characters, where its first glyph
// starts, the vertical centre of its glyphs, its size and colour.
struct TDrawnText {
    std::u16string Text;
    float Left = 0, Middle = 0, Size = 0;
    std::array<uint8_t, 4> Colour{};
};

// A picture drawn as one quad: its centre, size and colour, and whether it
// is mirrored (its first corner right of its second).
struct TDrawnQuad {
    float X = 0, Y = 0, Width = 0, Height = 0;
    std::array<uint8_t, 4> Colour{};
    bool Mirrored = false;
};

bool Near(float a, float b, float tolerance = 0.02f) {
    return std::fabs(a - b) <= tolerance;
}

class StatusLine : public TLevelTest {
  public:
    void SetUp() override {
        TLevelTest::SetUp();
        FillEaseTables();
        SetLanguage("English");
        auto backend = std::make_unique<TNullRenderBackend>();
        Gl = backend.get();
        InitRenderContext(std::move(backend));
        // The index replaces the archive's own, with the ground picture first.
        Archive.Add(HudEntries());
        MubFont = std::make_unique<TMubFont>();
        for (int32_t i = 0; i < FontGlyphTotal; ++i)
            if (TMyTexture* t = MubFont->Glyphs[size_t(i)].Texture)
                GlyphByTexture[uint32_t(t->TextureId())] = i;
        ScreenWidth = 640;
        ScreenHeight = 480;
        TLevel level;
        level.Header.LevelTitle = "Hud";
        level.Header.TargetScore = 45;
        level.Header.BonusSeconds = 100;
        level.Layers.Create(-1, {0.5f, 1.0f});
        level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
        AddStartingCharacter(level, {0.0f, 150.0f});
        const std::vector<uint8_t> bytes = WriteLevelBytes(level);
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(bytes));
        Level->SetScreenSize(ScreenWidth, ScreenHeight);
    }
    void TearDown() override {
        Level.reset();
        MubFont.reset();
        TestRun = false;
        AverageFrameTimeSource = nullptr;
        PlayerNameSource = nullptr;
        TLevelTest::TearDown();
    }

    float H() const { return 1024.0f * float(Level->ViewHeight) / float(Level->ViewWidth); }
    TRollix& Player() { return *Level->Player(); }

    void Draw() {
        Gl->Clear(Gl::ColorBufferBit);
        Level->DrawStatusLine();
    }

    // The texts of the record, in drawing order.
    std::vector<TDrawnText> Texts() const {
        std::vector<TDrawnText> out;
        float pen = 0;
        for (size_t q = 0; q + 3 < Gl->Vertices.size(); q += 4) {
            auto it = GlyphByTexture.find(Gl->VertexTextures[q]);
            if (it == GlyphByTexture.end()) continue;
            const TGlyph& g = MubFont->Glyphs[size_t(it->second)];
            const float left = Gl->Vertices[q][0], top = Gl->Vertices[q][1], bottom = Gl->Vertices[q + 2][1];
            const float s = (bottom - top) / (g.Bottom - g.Top), middle = (top + bottom) * 0.5f;
            const auto colour = Gl->VertexColours[q];
            bool joined = false;
            if (!out.empty()) {
                TDrawnText& t = out.back();
                if (t.Colour == colour && Near(t.Size, s, 0.001f) && Near(t.Middle, middle)) {
                    const float gap = (left - pen) / (FontSpaceWidth * s);
                    if (gap > -0.01f && std::fabs(gap - std::round(gap)) < 0.01f && gap < 4) {
                        t.Text += std::u16string(size_t(std::lround(gap)), u' ');
                        t.Text += g.Code;
                        joined = true;
                    }
                }
            }
            if (!joined) out.push_back({std::u16string(1, g.Code), left, middle, s, colour});
            pen = left + s * (g.Width - 5);
        }
        return out;
    }
    std::optional<TDrawnText> FindText(const std::u16string& text) const {
        for (const TDrawnText& t : Texts())
            if (t.Text == text) return t;
        return std::nullopt;
    }
    // The quads drawn with that picture, in drawing order.
    std::vector<TDrawnQuad> Quads(const char* picture) const {
        std::vector<TDrawnQuad> out;
        TMyTexture* t = TexLib.TextureByName(picture);
        if (!t) return out;
        const uint32_t id = uint32_t(t->TextureId());
        for (size_t q = 0; q + 3 < Gl->Vertices.size(); q += 4) {
            if (Gl->VertexTextures[q] != id) continue;
            const auto &a = Gl->Vertices[q], &b = Gl->Vertices[q + 1], &c = Gl->Vertices[q + 2];
            out.push_back({(a[0] + b[0]) * 0.5f, (a[1] + c[1]) * 0.5f, std::fabs(b[0] - a[0]), c[1] - a[1],
                           Gl->VertexColours[q], a[0] > b[0]});
        }
        return out;
    }
    // Where a text of that size starts when it is centred by the width of another.
    float CentredBy(const std::u16string& by, float s) const {
        return 512.0f - MubFont->TextWidth(by) * s / 2;
    }

    TNullRenderBackend* Gl = nullptr;
    std::map<uint32_t, int32_t> GlyphByTexture;
    TArchive Archive{"status-line"};
};

constexpr std::array<uint8_t, 4> TimeColour{200, 200, 255, 170};
constexpr std::array<uint8_t, 4> BelowColour{255, 88, 88, 170};
constexpr std::array<uint8_t, 4> ReachedColour{100, 100, 255, 170};

TEST(StatusLineText, TimesShowAsMinutesSecondsAndHundredths) {
    const std::pair<int32_t, const char16_t*> cases[] = {
        {6512, u"1:05.12"}, {6000, u"1:00.00"},    {99, u"0:00.99"},      {0, u"0:00.00"},
        {-40, u"0:00.00"},  {359999, u"59:59.99"}, {360000, u"60:00.00"}, {61234, u"10:12.34"}};
    for (const auto& [ticks, text] : cases)
        EXPECT_EQ(StatusTimeText(ticks), text) << ticks;
}

TEST(StatusLineText, TheFpsLineHasNoQuotientBeforeAFrameTimeIsKnown) {
    EXPECT_EQ(FpsText(0), u"FPS: --");
    EXPECT_EQ(FpsText(-3), u"FPS: --");
    EXPECT_EQ(FpsText(16), u"FPS: 62");
    EXPECT_EQ(FpsText(1), u"FPS: 1000");
}

TEST(StatusLineText, TheBoostBarRunsFromGreenToRedAndStaysInRange) {
    const std::pair<float, TRgba8> cases[] = {
        {1.0f, {50, 255, 50, 255}},  {0.0f, {255, 50, 50, 255}}, {0.5f, {183, 122, 50, 255}},
        {0.2f, {255, 50, 50, 255}}, // (1 − f) × 1.3 passes 1: full red
        {-2.0f, {255, 50, 50, 255}}, {7.0f, {50, 255, 50, 255}}, {std::nanf(""), {255, 50, 50, 255}}};
    for (const auto& [f, c] : cases) {
        const TRgba8 got = BoostBarColour(f);
        EXPECT_EQ((std::array<int, 3>{got.R, got.G, got.B}), (std::array<int, 3>{c.R, c.G, c.B})) << f;
    }
}

TEST(StatusLineText, TheKeysPulseUpAndDown) {
    EXPECT_EQ(KeyPulse(0), 0);
    EXPECT_EQ(KeyPulse(42), 126);
    EXPECT_EQ(KeyPulse(43), 255 - 129);
    EXPECT_EQ(KeyPulse(85), 255 - 255);
    EXPECT_EQ(KeyPulse(86), 2);
}

// Time, bonus and score for a table of level states.
TEST_F(StatusLine, TimeBonusAndScoreStandWhereTheStateSays) {
    struct TCase {
        const char* Title;
        int32_t FinishTick, RoundLength, RoundTimeLeft, Points;
        const char16_t* Time;
        float TimeSize;
        const char16_t* CentredBy;
        const char16_t* Bonus; // none: no bonus line
        const char16_t* BonusWidth;
        const char16_t* Score;
        std::array<uint8_t, 4> ScoreColour;
    };
    const float pulse905 = 0.85f + 0.3f * EaseInOut(0.5f);
    const TCase cases[] = {
        {"Hud", 6512, 0, 0, 12, u"1:05.12", 0.8f, u"0:00:00", u"bonus: 349", u"bonus: 000", u"12 / 45",
         BelowColour},
        {"Hud", 61234, 0, 0, 45, u"10:12.34", 0.8f, u"00:00:00", u"bonus: 0", u"bonus: 0", u"45 / 45",
         ReachedColour},
        // 950 ticks of a round left: one second into the last ten, no pulse.
        {"Hud", 1000, 12000, 950, 3, u"0:09.50", 0.85f, u"0:00:00", u"bonus: 900", u"bonus: 000", u"3 / 45",
         BelowColour},
        // 905 left: five ticks after a full second, half-way into its pulse.
        {"Hud", 1000, 12000, 905, 3, u"0:09.05", pulse905, u"0:00:00", u"bonus: 900", u"bonus: 000",
         u"3 / 45", BelowColour},
        {"Hud", 100, 12000, 5000, 50, u"0:50.00", 0.8f, u"0:00:00", u"bonus: 990", u"bonus: 000", u"50 / 45",
         ReachedColour},
        {"bonus", 100, 0, 0, 0, u"0:01.00", 0.8f, u"0:00:00", nullptr, nullptr, u"0 / 45", BelowColour},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Title) + " " + std::to_string(c.FinishTick) + " " +
                     std::to_string(c.RoundTimeLeft));
        Level->Header.LevelTitle = c.Title;
        Player().FinishTick = c.FinishTick;
        Player().Points = c.Points;
        Level->RoundLength = c.RoundLength;
        Level->RoundTimeLeft = c.RoundTimeLeft;
        Draw();
        const auto time = FindText(c.Time);
        ASSERT_TRUE(time);
        EXPECT_NEAR(time->Size, c.TimeSize, 1e-4f);
        EXPECT_NEAR(time->Left, CentredBy(c.CentredBy, c.TimeSize), 0.02f);
        EXPECT_NEAR(time->Middle, H() - 50.0f - 13.0f * c.TimeSize, 0.02f);
        EXPECT_EQ(time->Colour, TimeColour);
        if (!c.Bonus) {
            for (const TDrawnText& t : Texts())
                EXPECT_NE(t.Text.substr(0, 5), u"bonus") << "a level titled bonus has no bonus line";
        } else {
            const auto whole = FindText(c.Bonus);
            ASSERT_TRUE(whole);
            EXPECT_NEAR(whole->Size, 0.8f, 1e-4f);
            EXPECT_NEAR(whole->Left, CentredBy(c.BonusWidth, 0.8f), 0.02f);
            EXPECT_NEAR(whole->Middle, H() - 35.0f, 0.02f);
        }
        const auto score = FindText(c.Score);
        ASSERT_TRUE(score);
        EXPECT_NEAR(score->Size, 1.0f, 1e-4f);
        EXPECT_NEAR(score->Left, CentredBy(c.Score, 1.0f), 0.02f);
        EXPECT_NEAR(score->Middle, 30.0f, 0.02f);
        EXPECT_EQ(score->Colour, c.ScoreColour);
    }
}

// The warning swells the score and brings in the arrows, which close in
// and fade with the phase and the timer.
TEST_F(StatusLine, TheWarningPulsesTheScoreAndItsArrows) {
    struct TCase {
        int32_t Timer, Phase, ArrowAlpha;
    };
    const TCase cases[] = {
        {10, 10, 102 * 170 / 255}, {30, 10, 170}, {100, 30, 170}, {240, 45, 102 * 170 / 255}};
    Player().Points = 12;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Timer);
        Level->WarnTimer = c.Timer;
        Level->WarnPhase = c.Phase;
        Draw();
        const int32_t k = c.Phase <= 24 ? c.Phase : 50 - c.Phase;
        const float size = 1.0f + 0.15f * EaseIn(0.04f * float(k)), b = 25.0f * EaseIn(0.04f * float(k));
        const auto score = FindText(u"12 / 45");
        ASSERT_TRUE(score);
        EXPECT_NEAR(score->Size, size, 1e-4f);
        EXPECT_NEAR(score->Left, CentredBy(u"12 / 45", size), 0.02f);
        const auto arrows = Quads(WarnArrowPicture);
        ASSERT_EQ(arrows.size(), 2u);
        EXPECT_TRUE(arrows[0].Mirrored);
        EXPECT_NEAR(arrows[0].X, 512.0f + 150.0f - b, 0.01f);
        EXPECT_FALSE(arrows[1].Mirrored);
        EXPECT_NEAR(arrows[1].X, 512.0f - 150.0f + b + 3.0f, 0.01f);
        for (const TDrawnQuad& q : arrows) {
            EXPECT_NEAR(q.Y, 40.0f, 0.01f);
            EXPECT_EQ(q.Colour, (std::array<uint8_t, 4>{255, 88, 88, uint8_t(c.ArrowAlpha)}));
        }
    }
    Level->WarnTimer = 0;
    Draw();
    EXPECT_TRUE(Quads(WarnArrowPicture).empty());
    EXPECT_NEAR(FindText(u"12 / 45")->Size, 1.0f, 1e-6f);
}

TEST_F(StatusLine, TheWarningStartsRefreshesAndEnds) {
    Player().Points = 12;
    Level->WarnLowScore();
    EXPECT_EQ(Level->WarnTimer, 1);
    EXPECT_EQ(Level->WarnPhase, 0);
    Level->AdvanceWarning(129);
    EXPECT_EQ(Level->WarnTimer, 130);
    EXPECT_EQ(Level->WarnPhase, 129 % 50);
    // Refreshed at 130 it goes on from 30 and ends once it passes 250.
    Level->WarnLowScore();
    EXPECT_EQ(Level->WarnTimer, 30);
    Level->AdvanceWarning(220);
    EXPECT_EQ(Level->WarnTimer, 250);
    Level->AdvanceWarning(1);
    EXPECT_EQ(Level->WarnTimer, 0);
    Level->AdvanceWarning(5);
    EXPECT_EQ(Level->WarnTimer, 0) << "an ended warning stays off";
    // A refresh within the first 25 ticks keeps the timer.
    Level->WarnLowScore();
    Level->AdvanceWarning(9);
    Level->WarnLowScore();
    EXPECT_EQ(Level->WarnTimer, 10);
    // With the target reached there is nothing to warn about.
    Level->WarnTimer = 0;
    Player().Points = 45;
    Level->WarnLowScore();
    EXPECT_EQ(Level->WarnTimer, 0);
    // The play step runs it; a restart ends it with the jump hints' counts.
    Player().Points = 12;
    Level->WarnLowScore();
    PlayTicks(*Level, 3);
    EXPECT_EQ(Level->WarnTimer, 4);
    EXPECT_EQ(Level->WarnPhase, 3);
    Level->Physics.HintCountA = 5;
    Level->Physics.HintCountB = 2;
    Level->UsedLeftRight = Level->UsedTurbo = Level->FirstStepsDone = true;
    Level->RestartLevel(false, false);
    EXPECT_EQ(Level->WarnTimer, 0);
    EXPECT_EQ(Level->WarnPhase, 0);
    EXPECT_EQ(Level->Physics.HintCountA, 0);
    EXPECT_EQ(Level->Physics.HintCountB, 0);
    EXPECT_FALSE(Level->UsedLeftRight);
    EXPECT_FALSE(Level->UsedTurbo);
    EXPECT_TRUE(Level->FirstStepsDone) << "the first steps are done for good";
}

TEST_F(StatusLine, AScoreChangeFlashesTheScoreAndBurstsStarsFromIt) {
    Player().Points = 12;
    TParticleSystem& stars = *Level->ScoreParticles;
    Level->ScoreChanged();
    EXPECT_EQ(Level->ScoreFadeStep, 1);
    EXPECT_EQ(stars.AliveCount, 200);
    const auto& e = static_cast<const TDrops_Emiter&>(*stars.Emitter);
    const float width = MubFont->TextWidth(u"12 / 45");
    EXPECT_FLOAT_EQ(e.Span.X, width);
    EXPECT_FLOAT_EQ(e.Position.X, 512.0f - width / 2);
    for (const TParticle* p = stars.AliveHead(); p; p = p->Next) {
        ASSERT_EQ(p->Colour.R, 255);
        ASSERT_TRUE(p->Colour.G >= 120 && p->Colour.G <= 140) << int(p->Colour.G);
    }
    Level->ScoreChanged();
    EXPECT_EQ(stars.AliveCount, 400);
    // Beyond 400 alive the burst is halved: 450 alive take 100 more.
    stars.Emitter->Emit(50);
    ASSERT_EQ(stars.AliveCount, 450);
    Player().Points = 45;
    Level->ScoreChanged();
    EXPECT_EQ(stars.AliveCount, 550);
    EXPECT_EQ(stars.AliveHead()->Colour.R <= 130 && stars.AliveHead()->Colour.B == 238, true)
        << "the reached target's blue";
}

// A carried effect shows its icon at its sliding place, its bar or value
// under it; the oxygen bar shows under water once air is lost.
TEST_F(StatusLine, CarriedEffectsAndTheOxygenBar) {
    TBoosts& carried = Level->BoostHooks.CarriedOf(Player());
    auto effect = [&](int32_t type, int32_t duration, int32_t left, TVec2 at) -> TBoost& {
        auto e = std::make_unique<TBoost>();
        e->Type = type;
        e->Duration = duration;
        e->TimeLeft = left;
        e->HudPos = e->HudSlot = at;
        carried.Items.push_back(std::move(e));
        return *carried.Items.back();
    };
    TBoost& diver = effect(BoostType::Diver, 2000, 500, {60.0f, 90.0f});
    TBoost& secret = effect(BoostType::Secret, 1000, 1000, {900.0f, 40.0f});
    secret.PointsValue = 300;
    Draw();
    const auto icons = Quads("BoostIcons\\BoostIcon08.png");
    ASSERT_EQ(icons.size(), 1u) << "an effect without an object shows its type's icon";
    EXPECT_NEAR(icons[0].X, 60.0f, 0.01f);
    EXPECT_NEAR(icons[0].Y, 90.0f, 0.01f);
    EXPECT_NEAR(icons[0].Width, 40.0f, 0.01f);
    const auto back = Quads(BoostBarBackPicture), front = Quads(BoostBarPicture);
    ASSERT_EQ(back.size(), 1u);
    ASSERT_EQ(front.size(), 1u);
    EXPECT_NEAR(back[0].X, 60.0f, 0.01f);
    EXPECT_NEAR(back[0].Y, 118.0f, 0.01f);
    EXPECT_EQ(back[0].Colour[3], 100);
    // A quarter left: the front keeps its left edge and a quarter of its width.
    EXPECT_NEAR(front[0].Width, back[0].Width * 0.25f, 0.01f);
    EXPECT_NEAR(front[0].X - front[0].Width / 2, back[0].X - back[0].Width / 2, 0.01f);
    const TRgba8 c = BoostBarColour(0.25f);
    EXPECT_EQ(front[0].Colour, (std::array<uint8_t, 4>{c.R, c.G, c.B, c.A}));
    const auto value = FindText(u"+ 300");
    ASSERT_TRUE(value);
    EXPECT_NEAR(value->Middle, 40.0f + 28.0f, 0.02f);
    EXPECT_EQ(value->Colour, BelowColour);

    // Sliding: the icon follows the place the boosts give it.
    diver.HudPos = {300.0f, 200.0f};
    diver.HudSlot = {60.0f, 90.0f};
    diver.HudSlideLeft = diver.HudSlideTotal = HudSlideTicks;
    Level->BoostHooks.TickEffects(Player());
    const TVec2 mid = diver.HudPos;
    EXPECT_LT(mid.X, 300.0f);
    Draw();
    ASSERT_EQ(Quads("BoostIcons\\BoostIcon08.png").size(), 1u);
    EXPECT_NEAR(Quads("BoostIcons\\BoostIcon08.png")[0].X, mid.X, 0.01f);
    EXPECT_NEAR(Quads("BoostIcons\\BoostIcon08.png")[0].Y, mid.Y, 0.01f);
    EXPECT_NEAR(Quads(BoostBarBackPicture)[0].Y, mid.Y + 28.0f, 0.01f);
    carried.Items.clear();

    struct TCase {
        bool Under;
        int32_t Oxygen;
        bool Shown;
    };
    for (const TCase& o : {TCase{true, 3000, true}, TCase{true, 5800, true}, TCase{true, 5900, false},
                           TCase{false, 3000, false}}) {
        SCOPED_TRACE(o.Oxygen);
        Player().HalfInWater = o.Under;
        Player().Oxygen = o.Oxygen;
        Draw();
        const auto frame = Quads(OxygenPicture);
        ASSERT_EQ(frame.size(), o.Shown ? 1u : 0u);
        if (!o.Shown) continue;
        EXPECT_NEAR(frame[0].X, 512.0f, 0.01f);
        EXPECT_NEAR(frame[0].Y, H() - 90.0f, 0.01f);
        EXPECT_NEAR(frame[0].Width, 160.0f, 0.01f);
        EXPECT_EQ(frame[0].Colour, (std::array<uint8_t, 4>{220, 230, 255, 255}));
        const auto bar = Quads(BoostBarPicture), barBack = Quads(BoostBarBackPicture);
        ASSERT_EQ(bar.size(), 1u);
        EXPECT_NEAR(bar[0].Width, barBack[0].Width * float(o.Oxygen) / 6000.0f, 0.01f);
    }
}

TEST_F(StatusLine, MenuLevelsTestsAndEmptyViews) {
    Level->Header.LevelTitle = "MAINMENU";
    Draw();
    EXPECT_TRUE(Texts().empty()) << "the menu levels have no status line";
    Level->Header.LevelTitle = "Hud";
    // A performance test shows only its own lines.
    TestRun = true;
    Level->TickCounter = 100;
    Draw();
    ASSERT_EQ(Texts().size(), 1u);
    const auto testing = FindText(u"TESTING...");
    ASSERT_TRUE(testing);
    EXPECT_NEAR(testing->Middle, H() - 130.0f, 0.02f);
    EXPECT_EQ(testing->Colour, (std::array<uint8_t, 4>{255, 100, 100, 255}));
    Level->TickCounter = 151;
    Draw();
    const auto none = FindText(u"FPS: --");
    ASSERT_TRUE(none) << "no frame time measured yet";
    EXPECT_NEAR(none->Middle, H() - 90.0f, 0.02f);
    EXPECT_NEAR(none->Size, 0.8f, 1e-4f);
    EXPECT_EQ(none->Colour, (std::array<uint8_t, 4>{255, 255, 255, 180}));
    AverageFrameTimeSource = [] { return 16; };
    Draw();
    EXPECT_TRUE(FindText(u"FPS: 62"));
    TestRun = false;
    // A window without area draws nothing and divides by nothing.
    Level->ViewWidth = 0;
    Draw();
    EXPECT_TRUE(Gl->Vertices.empty());
}

// The current player's name waves at the left of the score's row; without a
// player (no source, or an empty name) nothing stands there.
TEST_F(StatusLine, TheCurrentPlayersNameStandsAtTheLeft) {
    constexpr std::array<uint8_t, 4> NameColour{200, 200, 150, 170};
    // The wave moves each glyph on its own, so the name is read glyph by glyph.
    auto nameGlyphs = [&] {
        std::u16string text;
        float left = 1e9f;
        for (const TDrawnText& t : Texts())
            if (t.Colour == NameColour) {
                text += t.Text;
                left = std::min(left, t.Left);
            }
        return std::pair{text, left};
    };
    Draw();
    EXPECT_TRUE(nameGlyphs().first.empty()) << "no source, no name";
    PlayerNameSource = [] { return std::u16string(); };
    Draw();
    EXPECT_TRUE(nameGlyphs().first.empty()) << "no player, no name";
    PlayerNameSource = [] { return std::u16string(u"Ann"); };
    Draw();
    const auto [text, left] = nameGlyphs();
    EXPECT_EQ(text, u"Ann");
    EXPECT_LT(left, 100.0f) << "the name starts at the left, not centred";
    EXPECT_TRUE(FindText(u"0 / 45")) << "the score stays as it was";
}

// The tutorials' keys around the player, pulsing in turn.
TEST_F(StatusLine, TutorialKeysShowUntilTheyAreUsed) {
    Level->TickCounter = 10;
    const int32_t e = KeyPulse(10);
    Level->Header.LevelTitle = "Tutorial 1";
    Level->CameraX = Player().Centre.X - 100.0f;
    Level->CameraY = Player().Centre.Y;
    Draw();
    const auto left = Quads(KeyLeftPicture), right = Quads(KeyRightPicture), ctrl = Quads(KeyCtrlPicture);
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    ASSERT_EQ(ctrl.size(), 1u);
    const float cx = 512.0f + 100.0f * WorldToStatus, cy = H() / 2;
    EXPECT_NEAR(left[0].X, cx - 40.0f, 0.01f);
    EXPECT_NEAR(left[0].Y, cy + 70.0f, 0.01f);
    EXPECT_NEAR(right[0].X, cx + 40.0f, 0.01f);
    EXPECT_NEAR(ctrl[0].X, cx - 100.0f, 0.01f);
    EXPECT_EQ(left[0].Colour[3], e + 62);
    EXPECT_EQ(right[0].Colour[3], (189 - e) % 256);
    EXPECT_EQ(ctrl[0].Colour[3], 189);
    EXPECT_TRUE(Quads(KeyUpPicture).empty()) << "no hiccup, no jump key";
    // Rolling is noticed by the play step.
    Player().Buttons.Left.Held = true;
    Level->StepTutorialHints();
    EXPECT_TRUE(Level->UsedLeftRight);
    Draw();
    EXPECT_TRUE(Quads(KeyLeftPicture).empty());
    // In the main level all four show until the first stretch is passed.
    Level->FileName = "Levels\\Zestars.map";
    Draw();
    EXPECT_EQ(Quads(KeyUpPicture).size(), 1u);
    EXPECT_NEAR(Quads(KeyUpPicture)[0].Y, cy + 50.0f, 0.01f);
    Player().Centre.X = 5400.0f;
    Level->StepTutorialHints();
    EXPECT_TRUE(Level->FirstStepsDone);
    Draw();
    EXPECT_TRUE(Quads(KeyUpPicture).empty());
    EXPECT_TRUE(Quads(KeyLeftPicture).empty());
}

// Score hints rise and grow in the playing layer, then wave and fade; an
// x-hint grows where it is; a hidden one is drawn only when asked for.
TEST_F(StatusLine, HintsRiseGrowAndFade) {
    Level->AddScoreHint(u"50", {100.0f, 200.0f});
    Level->ScoreHints[0].Age = 15; // t = 0.1
    Gl->Clear(Gl::ColorBufferBit);
    Level->DrawScoreHints();
    auto hint = FindText(u"50");
    ASSERT_TRUE(hint);
    const float rise = 100.0f - 100.0f * EaseDown(EaseDown(EaseDown(0.4f)));
    EXPECT_NEAR(hint->Size, 0.9f * 0.4f + 0.1f, 1e-4f);
    EXPECT_NEAR(hint->Middle, 200.0f - rise, 0.02f);
    EXPECT_NEAR(hint->Left, 100.0f - MubFont->TextWidth(u"50") * hint->Size / 2, 0.02f);
    EXPECT_EQ(hint->Colour[3], Level->ScoreHints[0].Colour.A);
    // Three quarters through its life the opacity has lost EaseIn(2/3) of itself.
    Level->ScoreHints[0].Age = 112;
    Gl->Clear(Gl::ColorBufferBit);
    Level->DrawScoreHints();
    ASSERT_GE(Gl->VertexColours.size(), 4u);
    const float u = (112.0f / 150.0f - 0.25f) / 0.75f;
    const uint8_t a = Level->ScoreHints[0].Colour.A;
    EXPECT_EQ(Gl->VertexColours[0][3], a - int32_t(EaseIn(u) * float(a)));

    const int32_t shown = Level->AddXHint(u"7", {50.0f, 60.0f}, false, 0, {10, 20, 30, 255});
    const int32_t hidden = Level->AddXHint(u"8", {70.0f, 80.0f}, true, 0, {10, 20, 30, 255});
    EXPECT_NE(shown, hidden);
    Level->XHints[0].Age = Level->XHints[1].Age = 15;
    Gl->Clear(Gl::ColorBufferBit);
    Level->DrawXHints();
    EXPECT_TRUE(FindText(u"7"));
    EXPECT_NEAR(FindText(u"7")->Middle, 60.0f, 0.02f);
    EXPECT_FALSE(FindText(u"8"));
    EXPECT_TRUE(Level->DrawXHint(hidden));
    EXPECT_TRUE(FindText(u"8"));
    Level->XHints.clear();
    EXPECT_FALSE(Level->DrawXHint(hidden));
}

} // namespace

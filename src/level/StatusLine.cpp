// The status line and the hints drawn over a game level, and the little
// state they keep: the low-score warning, the tutorials' key pictures and
// the x-hints of the drop systems. Drawing reads the level; only the steps
// (WarnLowScore, AdvanceWarning, ScoreChanged, StepTutorialHints, AddXHint)
// change it, inside a tick.
#include "level/StatusLine.h"

#include "app/Ease.h"
#include "app/GameState.h"
#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "assets/Texts.h"
#include "gameplay/LevelBoosts.h"
#include "level/Level.h"
#include "render/DropEmitter.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

bool MenuKeyHints = true;
std::function<int32_t()> AverageFrameTimeSource;
std::function<std::u16string()> PlayerNameSource;

namespace {
constexpr int32_t TextBonus = 2;
// The carried effects' icons: the object drawn this many units across, its
// bar and its value under it.
constexpr float IconSize = 40.0f;
constexpr float IconBarDrop = 28.0f;

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

TRgba8 Rgba(int32_t r, int32_t g, int32_t b, int32_t a) {
    auto byte = [](int32_t v) { return uint8_t(std::clamp(v, 0, 255)); };
    return {byte(r), byte(g), byte(b), byte(a)};
}

// The height of the status line's view, 1024 wide.
float StatusHeight(const TLevel& level) {
    return 1024.0f * float(level.ViewHeight) / float(std::max(level.ViewWidth, 1));
}

// A picture of its drawn size, scaled, its centre at the point; mirrored
// left to right when asked. Nothing without a picture.
void DrawHudPicture(TMyTexture* texture, TVec2 centre, TRgba8 colour, float scaleX, float scaleY,
                    bool mirrored = false) {
    if (!texture) return;
    const uint32_t id = uint32_t(texture->TextureId());
    const float w = float(texture->Width) * scaleX * 0.5f, h = float(texture->Height) * scaleY * 0.5f;
    const float left = mirrored ? centre.X + w : centre.X - w, right = mirrored ? centre.X - w : centre.X + w;
    TRenderBackend& r = Renderer();
    r.Enable(Gl::Texture2D);
    BindTexture(id);
    r.Color4ub(colour.R, colour.G, colour.B, colour.A);
    r.Begin(Gl::Quads);
    const TVec2 at[4] = {
        {left, centre.Y - h}, {right, centre.Y - h}, {right, centre.Y + h}, {left, centre.Y + h}};
    for (int32_t i = 0; i < 4; ++i) {
        r.TexCoord2f(texture->Corners[size_t(i)].X, texture->Corners[size_t(i)].Y);
        r.Vertex2f(at[i].X, at[i].Y);
    }
    r.End();
}

// The bar of a timed effect (and of the oxygen): the back at opacity 100,
// the front cut to the fraction left from its left edge, in the bar colour.
void DrawBar(TVec2 centre, float scaleX, float scaleY, float f) {
    TMyTexture* back = TexLib.TextureByName(BoostBarBackPicture);
    TMyTexture* front = TexLib.TextureByName(BoostBarPicture);
    if (!back || !front) return;
    f = std::isfinite(f) ? std::clamp(f, 0.0f, 1.0f) : 0.0f;
    DrawHudPicture(back, centre, {255, 255, 255, 100}, scaleX, scaleY);
    (void)front->TextureId();
    const float full = float(front->Width) * scaleX;
    const float left = centre.X - full * 0.5f;
    DrawHudPicture(front, {left + full * f * 0.5f, centre.Y}, BoostBarColour(f), scaleX * f, scaleY);
}

// The object of a carried effect's boost, drawn IconSize units across with
// its centre at the point: the world is projected so that the object's box
// lands there. False when there is no object to draw.
bool DrawCarriedObject(TLevel& level, const TBoost& effect, TVec2 at, float size, float h) {
    const TBoost* source = effect.Source;
    TSplineObj* o = source ? source->Shape : nullptr;
    if (!o || o->Body.Meshes.empty()) return false;
    TBox2 b = o->Body.Bounds;
    if (!o->Border.Meshes.empty())
        b = {std::min(b.Left, o->Border.Bounds.Left), std::min(b.Top, o->Border.Bounds.Top),
             std::max(b.Right, o->Border.Bounds.Right), std::max(b.Bottom, o->Border.Bounds.Bottom)};
    const float extent = std::max(b.Right - b.Left, b.Bottom - b.Top);
    if (!(extent > 0.0f) || !std::isfinite(extent)) return false;
    const float k = size / extent; // status units per world unit
    const float left = (b.Left + b.Right) * 0.5f - at.X / k, top = (b.Top + b.Bottom) * 0.5f - at.Y / k;
    SetProjection(left, top, left + 1024.0f / k, top + h / k, 0.0f);
    level.Materials.SplineObjects.Apply();
    SetLighting(false);
    o->Body.Draw(0);
    o->Border.Draw(0);
    SetProjection(0.0f, 0.0f, 1024.0f, h, 0.0f);
    level.Materials.Base.Apply();
    SetLighting(false);
    return true;
}

// The score against the target, as the status line writes it.
std::u16string ScoreText(const TLevel& level) {
    const TRollix* p = level.Player();
    return Widen(std::to_string(p ? p->Points : 0) + " / " + std::to_string(level.Header.TargetScore));
}

bool BelowTarget(const TLevel& level) {
    const TRollix* p = level.Player();
    return (p ? p->Points : 0) < level.Header.TargetScore;
}

bool InPlay(const TRollix* p) {
    return p && !p->Dead && p->Present;
}
} // namespace

// ---- Helpers ----

std::u16string StatusTimeText(int32_t ticks) {
    const int32_t t = std::max(ticks, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%02d", t / 6000, (t / 100) % 60, t % 100);
    return Widen(text);
}

float StatusTimeSize(int32_t left) {
    float s = 0.8f;
    if (left < 0 || left > 1000) return s;
    s = 0.8f + 0.05f * float(10 - left / 100);
    const int32_t r = left % 100;
    if (r < 10) s += 0.3f * EaseInOut(float(10 - r) / 10.0f);
    if (r > 90) s += 0.3f * EaseInOut(float(r - 90) / 10.0f);
    return s;
}

int32_t WarnSwing(int32_t phase) {
    return phase <= 24 ? phase : 50 - phase;
}

float WarnScoreSize(int32_t timer, int32_t phase) {
    if (timer <= 0) return 1.0f;
    return 1.0f + 0.15f * EaseIn(0.04f * float(WarnSwing(phase)));
}

int32_t WarnArrowOpacity(int32_t timer) {
    if (timer <= 0) return 0;
    int32_t a = 255;
    if (timer <= 24)
        a = timer * 255 / 25;
    else if (timer > 225)
        a = (WarnLength - timer) * 255 / 25;
    return std::clamp(a, 0, 255);
}

TRgba8 BoostBarColour(float f) {
    // The fraction run out, sped up by 1.3, picks the colour; both are kept
    // within 0 … 1 so that no channel leaves its range.
    f = std::isfinite(f) ? std::clamp(f, 0.0f, 1.0f) : 0.0f;
    const float g = std::clamp((1.0f - f) * 1.3f, 0.0f, 1.0f);
    auto mix = [g](float a, float b) { return uint8_t(std::lround(a + (b - a) * g)); };
    return {mix(50, 255), mix(255, 50), 50, 255};
}

std::u16string FpsText(int32_t averageFrameMs) {
    if (averageFrameMs <= 0) return u"FPS: --";
    return Widen("FPS: " + std::to_string(1000 / averageFrameMs));
}

int32_t KeyPulse(int32_t tick) {
    int32_t e = int32_t((int64_t(tick) * 3 % 256 + 256) % 256);
    if (e > 127) e = 255 - e;
    return e;
}

// ---- The steps ----

void TLevel::WarnLowScore() {
    if (!BelowTarget(*this)) return;
    if (BoostHooks.Quests && !BoostHooks.Quests->AllQuestsDone()) return;
    if (WarnTimer <= 0) {
        WarnPhase = 0;
        WarnTimer = 1;
    } else if (WarnTimer > 25) {
        // Back into the pulsing part, at the same point of the swing.
        WarnTimer = (WarnTimer - 25) % 50 + 25;
    }
}

void TLevel::AdvanceWarning(int32_t ticks) {
    if (WarnTimer <= 0) return;
    WarnTimer += ticks;
    if (WarnTimer <= WarnLength)
        WarnPhase = (WarnPhase + ticks) % 50;
    else
        WarnTimer = 0;
}

void TLevel::ScoreChanged() {
    RecordSite(21701);
    ScoreFadeStep = 1;
    if (!ScoreParticles) return;
    auto& e = static_cast<TDrops_Emiter&>(*ScoreParticles->Emitter);
    const float width = MubFont ? MubFont->TextWidth(ScoreText(*this)) : 0.0f;
    e.Position.X = 512.0f - width * 0.5f;
    e.Span.X = width;
    if (BelowTarget(*this))
        e.SetColours({255, 120, 120, 255}, {255, 140, 140, 100});
    else
        e.SetColours({117, 123, 238, 255}, {130, 140, 238, 100});
    e.Emit(ScoreParticles->AliveCount > 400 ? 100 : 200);
}

int32_t TLevel::AddXHint(const std::u16string& text, TVec2 position, bool hidden, int32_t holdTime,
                         TColor4 colour) {
    TXHint h;
    h.Text = text;
    h.Position = position;
    h.HoldTime = holdTime;
    h.Colour = colour;
    h.Hidden = hidden;
    h.Serial = NextXHintSerial++;
    XHints.push_back(h);
    return h.Serial;
}

void TLevel::StepTutorialHints() {
    const TRollix* p = Player();
    if (!p) return;
    if (p->Buttons.Left.Held || p->Buttons.Right.Held) UsedLeftRight = true;
    if (p->Buttons.Turbo.Held) UsedTurbo = true;
    if (p->Centre.X > FirstStepsX && Lower(ShortFileName()) == "zestars.map") FirstStepsDone = true;
}

int32_t TLevelParticles::AddXHint(const std::u16string& text, TVec2 at, int32_t hold, TColor4 colour) {
    return Level.AddXHint(text, at, true, hold, colour);
}

void TLevelParticles::DrawXHint(int32_t serial) {
    Level.DrawXHint(serial);
}

// ---- Drawing ----

namespace {
// A hint's opacity once it has grown: it fades as u goes to 1.
uint8_t Faded(uint8_t alpha, float u) {
    return uint8_t(std::clamp(int32_t(alpha) - int32_t(EaseIn(u) * float(alpha)), 0, 255));
}

void DrawOneXHint(const TXHint& h) {
    const float t = float(h.Age) / float(std::max(h.Lifetime, 1));
    const TRgba8 c{h.Colour.R, h.Colour.G, h.Colour.B, h.Colour.A};
    if (t < 0.25f) {
        MubFont->DrawTextCentred(h.Text, c, true, 0.9f * 4.0f * t + 0.1f, h.Position.Y, h.Position.X);
        return;
    }
    const float u = std::min((t - 0.25f) / 0.75f, 1.0f);
    MubFont->DrawWavyText(h.Text, {c.R, c.G, c.B, Faded(c.A, u)}, 0, false, true,
                          float(h.Serial) * 2000.0f + u * 700.0f, 0.3f * u, 1.0f, h.Position.Y, h.Position.X);
}
} // namespace

void TLevel::DrawScoreHints() {
    if (!MubFont) return;
    ResetBlending();
    for (const TScoreHint& h : ScoreHints) {
        const float t = float(h.Age) / float(std::max(h.Lifetime, 1));
        const TRgba8 c{h.Colour.R, h.Colour.G, h.Colour.B, h.Colour.A};
        if (t < 0.25f) {
            const float rise = 100.0f - 100.0f * EaseDown(EaseDown(EaseDown(4.0f * t)));
            MubFont->DrawTextCentred(h.Text, c, true, 0.9f * 4.0f * t + 0.1f, h.Position.Y - rise,
                                     h.Position.X);
            continue;
        }
        const float u = std::min((t - 0.25f) / 0.75f, 1.0f);
        MubFont->DrawWavyText(h.Text, {c.R, c.G, c.B, Faded(c.A, u)}, 0, false, true, u * 700.0f, u, 1.0f,
                              h.Position.Y - 100.0f, h.Position.X);
    }
}

void TLevel::DrawXHints() {
    if (!MubFont) return;
    ResetBlending();
    for (const TXHint& h : XHints)
        if (!h.Hidden) DrawOneXHint(h);
}

bool TLevel::DrawXHint(int32_t serial) {
    for (const TXHint& h : XHints)
        if (h.Serial == serial) {
            if (MubFont) DrawOneXHint(h);
            return true;
        }
    return false;
}

namespace {
void DrawKey(const char* picture, TVec2 at, int32_t opacity) {
    DrawHudPicture(TexLib.TextureByName(picture), at, Rgba(255, 255, 255, opacity), 1.0f, 1.0f);
}
} // namespace

void TLevel::DrawTutorialHints() {
    const TRollix* p = Player();
    if (!InPlay(p)) return;
    const float h = StatusHeight(*this);
    const TVec2 c{512.0f + (p->Centre.X - CameraX) * WorldToStatus,
                  h * 0.5f + (p->Centre.Y - CameraY) * WorldToStatus};
    const int32_t e = KeyPulse(TickCounter);
    const int32_t leftOpacity = e + 62, rightOpacity = (189 - e) % 256;
    auto arrows = [&] {
        DrawKey(KeyLeftPicture, {c.X - 40.0f, c.Y + 70.0f}, leftOpacity);
        DrawKey(KeyRightPicture, {c.X + 40.0f, c.Y + 70.0f}, rightOpacity);
        DrawKey(KeyCtrlPicture, {c.X - 100.0f, c.Y + 70.0f}, 189);
    };
    auto jump = [&] { DrawKey(KeyUpPicture, {c.X, c.Y + 50.0f}, leftOpacity); };
    const std::string& title = Header.LevelTitle;
    const bool hiccup = BoostHooks.ControlledHiccup(*p);
    if (Lower(ShortFileName()) == "zestars.map") {
        if (!FirstStepsDone) {
            arrows();
            jump();
        }
        return;
    }
    if (title == "Tutorial 1" && !UsedLeftRight) {
        arrows();
        if (hiccup) jump();
        return;
    }
    if (title == "Tutorial 2" && !UsedTurbo) arrows();
    const int32_t jumps = p->GluedCount < 4 ? Physics.HintCountA : Physics.HintCountB;
    if (hiccup && jumps < 7) jump();
}

void TLevel::DrawMenuKeyHints() {
    if (!MenuKeyHints || !InPlay(Player()) || Lower(ShortFileName()) != "_mainmenu_.map") return;
    if (ViewWidth < 1 || ViewHeight < 1) return;
    const float h = StatusHeight(*this);
    SetProjection(0.0f, 0.0f, 1024.0f, h, 0.0f);
    Materials.Base.Apply();
    SetLighting(false);
    ResetBlending();
    const TVec2 c{512.0f, h * 0.5f};
    const int32_t e = KeyPulse(TickCounter);
    const int32_t pulse = e + 62, other = (189 - e) % 256;
    DrawKey(KeyLeftPicture, {c.X + 264.0f, c.Y - 45.0f}, pulse);
    DrawKey(KeyRightPicture, {c.X + 264.0f, c.Y + 45.0f}, pulse);
    DrawKey(KeyUpPicture, {c.X + 244.0f, c.Y}, other);
    DrawKey(KeyCtrlPicture, {c.X + 264.0f, c.Y - 105.0f}, pulse);
}

void TLevel::DrawStatusLine() {
    RecordSite(21702);
    // A window with no area (minimised) has nothing to draw on.
    if (ViewWidth < 1 || ViewHeight < 1 || !MubFont) return;
    const TMubFont& font = *MubFont;
    const float h = StatusHeight(*this);
    SetProjection(0.0f, 0.0f, 1024.0f, h, 0.0f);
    Materials.Base.Apply();
    SetLighting(false);
    ResetBlending();
    if (TestRun) {
        font.DrawTextCentred(u"TESTING...", {255, 100, 100, 255}, true, 1.0f, h - 130.0f, 512.0f);
        if (TickCounter > 150) {
            const int32_t average = AverageFrameTimeSource ? AverageFrameTimeSource() : 0;
            font.DrawTextCentred(FpsText(average), {255, 255, 255, 180}, true, 0.8f, h - 90.0f, 512.0f);
        }
        return;
    }
    // The menu levels' pages come with the menu levels.
    const std::string& title = Header.LevelTitle;
    if (title == "GAMEMENU" || title == "MAINMENU") return;
    const TRollix* p = Player();

    // The quests' display comes with the quests; the tutorials' keys.
    DrawTutorialHints();

    // Time.
    const int32_t time = p ? p->FinishTick : 0;
    const int32_t shown = RoundLength > 0 ? RoundTimeLeft : time;
    const float s = StatusTimeSize(RoundLength > 0 ? RoundTimeLeft : -1);
    const float timeWidth = font.TextWidth(shown > 59999 ? u"00:00:00" : u"0:00:00") * s;
    font.DrawText(StatusTimeText(shown), {200, 200, 255, 170}, s, h - 50.0f - 13.0f * s,
                  512.0f - timeWidth * 0.5f);

    // Bonus.
    if (title != "bonus") {
        const int64_t left = std::max<int64_t>(0, int64_t(Header.BonusSeconds) * 10 - time / 10);
        const std::string digits = std::to_string(left);
        const std::u16string label = Text(TextBonus) + u": ";
        const float width = font.TextWidth(label + Widen(std::string(digits.size(), '0'))) * 0.8f;
        font.DrawText(label + Widen(digits), {200, 200, 255, 170}, 0.8f, h - 35.0f, 512.0f - width * 0.5f);
    }

    // Score against the target, pulsing while the warning runs.
    const bool below = BelowTarget(*this);
    const TRgba8 scoreColour = below ? TRgba8{255, 88, 88, 170} : TRgba8{100, 100, 255, 170};
    const float scoreSize = WarnScoreSize(WarnTimer, WarnPhase);
    if (ScoreFade > 0)
        font.DrawWavyText(ScoreText(*this), scoreColour, 0, false, true, float(TickCounter) * 5.0f,
                          float(ScoreFade) * 0.5f / 30.0f, scoreSize, 30.0f, 512.0f);
    else
        font.DrawTextCentred(ScoreText(*this), scoreColour, true, scoreSize, 30.0f, 512.0f);

    // The warning's arrows either side of the score.
    if (WarnTimer > 0) {
        const float b = 25.0f * EaseIn(0.04f * float(WarnSwing(WarnPhase)));
        const TRgba8 c = Rgba(255, 88, 88, WarnArrowOpacity(WarnTimer) * 170 / 255);
        TMyTexture* arrow = TexLib.TextureByName(WarnArrowPicture);
        DrawHudPicture(arrow, {512.0f + 150.0f - b, 40.0f}, c, 1.0f, 1.0f, true);
        DrawHudPicture(arrow, {512.0f - 150.0f + b + 3.0f, 40.0f}, c, 1.0f, 1.0f);
    }

    // The player's name.
    const std::u16string name = PlayerNameSource ? PlayerNameSource() : std::u16string();
    if (!name.empty())
        font.DrawWavyText(name, {200, 200, 150, 170}, 0, false, false, float(TickCounter) * 2.0f, 0.15f, 0.8f,
                          30.0f, 30.0f);

    // The carried effects.
    if (const TBoosts* carried = p ? BoostHooks.CarriedOf(*p) : nullptr) {
        int32_t shards = 0;
        for (const auto& item : carried->Items)
            shards += item->Type == BoostType::Shard ? 1 : 0;
        bool shardDrawn = false;
        for (const auto& item : carried->Items) {
            const TBoost& e = *item;
            if (e.Type == BoostType::Shard && shardDrawn) continue;
            const float grow = e.HudFlash > 0 ? 1.0f + 0.5f * float(e.HudFlash) / 50.0f : 1.0f;
            if (!DrawCarriedObject(*this, e, e.HudPos, IconSize * grow, h)) {
                char icon[48];
                std::snprintf(icon, sizeof icon, "BoostIcons\\BoostIcon%02d.png", std::clamp(e.Type, 0, 99));
                TMyTexture* t = TexLib.TextureByName(icon);
                if (t) (void)t->TextureId(); // its size is known once it is read
                const float k =
                    t && t->Width > 0 ? IconSize * grow / float(std::max(t->Width, t->Height)) : 1.0f;
                DrawHudPicture(t, e.HudPos, {255, 255, 255, 255}, k, k);
            }
            ResetBlending();
            const TVec2 under{e.HudPos.X, e.HudPos.Y + IconBarDrop};
            if (e.Type == BoostType::Shard) {
                shardDrawn = true;
                if (shards > 1)
                    font.DrawTextCentred(Widen("x " + std::to_string(shards)), scoreColour, true, 0.6f,
                                         under.Y, under.X);
            } else if (e.Type == BoostType::Secret) {
                font.DrawTextCentred(Widen("+ " + std::to_string(e.PointsValue)), scoreColour, true, 0.6f,
                                     under.Y, under.X);
            } else if (!e.IsKeyItem && e.TimeLeft >= 0 && e.Duration > 0) {
                DrawBar(under, 1.0f, 1.0f, float(e.TimeLeft) / float(e.Duration));
            }
        }
    }

    // Oxygen under water.
    if (p && p->HalfInWater && p->Oxygen <= 5800) {
        const TVec2 at{512.0f, h - 90.0f};
        DrawHudPicture(TexLib.TextureByName(OxygenPicture), at, {220, 230, 255, 255}, 0.8f, 0.8f);
        DrawBar({at.X + 12.0f, at.Y}, 1.6f, 0.8f, float(p->Oxygen) / float(FullOxygen));
    }

    // The score's stars.
    if (ScoreParticles) ScoreParticles->Draw({0.0f, 0.0f, 1024.0f, h});
}

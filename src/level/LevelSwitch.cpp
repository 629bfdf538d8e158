// Going from one scene to the next: a level asks for a switch (a gate, a
// teleport, a skipped logo), the ticks stop when it is due, the last picture
// of the old scene and the first of the new are captured, and one of three
// effects blends them while the simulation waits.
#include "level/Level.h"

#include "app/Ease.h"
#include "app/GameState.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/Font.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "assets/Texts.h"
#include "physics/SoundSink.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

std::function<TLevel*(const TLevel&)> OtherSlotLevelHook;
std::function<void(TLevel&)> LevelFinishedHook;

namespace {
constexpr int32_t CaptureSide = 1024;
constexpr int32_t TextLoadingShort = 0; // "loading..."

// What the level's sounds go to, or none.
TSoundSink* SoundOf(TLevel& lv) {
    return lv.Physics.Sound;
}

const char* TransitionSound(const TLevel& lv) {
    switch (lv.SwitchKind) {
    case SwitchGate:
        return lv.Header.LevelTitle == "GAMEMENU" ? "FX\\GateEff.ogg" : "FX\\GateEff2.ogg";
    case SwitchTeleport:
        return "Boosts\\teleporter.ogg";
    case SwitchRotatingGate:
        return "FX\\RotateEff.ogg";
    default:
        return nullptr;
    }
}
} // namespace

void TLevel::RequestLevelSwitch(int32_t kind, TVec2 position, const std::string& target, int32_t delay) {
    RecordSite(21501);
    ResetTiming = true;
    // A kind from a level file that names no switch is a plain gate.
    SwitchKind = kind == SwitchTeleport || kind == SwitchRotatingGate ? kind : SwitchGate;
    TransitionSeed = Random(1000000);
    SwitchTarget = target;
    SwitchDue = false;
    CapturePending = false;
    FirstEffectFrame = true;
    SecondEffectFrame = false;
    SwitchPos = position;
    FadeCounter = 0;
    FadeLength = 0;
    TransitionActive = true;
    SwitchDelay = delay;
    if (delay < 1) SwitchNow();
}

void TLevel::SwitchNow() {
    RecordSite(21502);
    // A teleport stays in the level, and so do its sounds.
    if (SwitchKind != SwitchTeleport)
        if (TSoundSink* sound = SoundOf(*this)) sound->StopLevelSounds();
    ResetTiming = true;
    SwitchDue = true;
    CapturePending = true;
    FirstEffectFrame = true;
    SecondEffectFrame = false;
    FadeCounter = 0;
    FadeLength = 0;
}

void TLevel::AdvanceTransition(int32_t ticks) {
    RecordSite(21503);
    // The game goes on through the delay; the tick in which it ends is not played.
    if (SwitchDelay > 0) {
        SwitchDelay -= ticks;
        if (SwitchDelay <= 0) {
            SwitchDelay = 0;
            SwitchNow();
        }
        return;
    }
    if (FadeCounter > 0 && FadeCounter == FadeLength) {
        // The sound is heard at the listener, not placed in the world. The
        // way into the maker's logo (the level left asked for it) is silent.
        const TLevel* other = OtherSlotLevelHook ? OtherSlotLevelHook(*this) : nullptr;
        const bool silent = other && UpperAnsi(other->SwitchTarget) == "VORTAN 1.MAP";
        const char* name = TransitionSound(*this);
        if (!silent && name)
            if (TSoundSink* sound = SoundOf(*this)) {
                const TRollix* p = Player();
                sound->PlayAt(name, p ? p->Centre : TVec2{CameraX, CameraY}, 1.0f, -1);
            }
    }
    if (FadeCounter > 0) {
        FadeCounter = std::max(FadeCounter - ticks, 0);
        if (FadeCounter == 0) {
            TransitionActive = false;
            // Here the help screen will open after the fade into a tutorial
            // (a file name starting "TUTORIAL", not after a teleport, not over
            // an open game menu), and the game menu when no player profile
            // exists yet; both wait for those screens, and until then the
            // level simply goes on.
        }
    }
}

void TLevel::ClearTransition() {
    RecordSite(21504);
    SwitchDue = false;
    CapturePending = false;
    FirstEffectFrame = true;
    SecondEffectFrame = false;
    FadeCounter = 0;
    FadeLength = 0;
    SwitchDelay = 0;
    TransitionActive = false;
}

void TLevel::FinishLevel() {
    RecordSite(21505);
    if (Finished) return;
    Finished = true;
    FinishedAtTick = TickCounter;
    if (LevelFinishedHook) LevelFinishedHook(*this);
}

void TLevel::UpdateCaptureSize() {
    FitCaptureSize(ViewWidth, ViewHeight, CaptureWidth, CaptureHeight);
}

// ---- The two captures and the loading picture ----

namespace {
// The texture's GL object, or 0 when it has none in this context (then the
// capture and the fade draw nothing).
uint32_t CaptureTextureId(const TMyTexture* t) {
    return t && t->IsUploaded() ? uint32_t(t->GlId) : 0;
}

void CopyFrameInto(const TMyTexture* t, int32_t width, int32_t height) {
    const uint32_t id = CaptureTextureId(t);
    if (id == 0) return;
    BindTexture(id);
    Renderer().CopyFrameToTexture(width, height);
}
} // namespace

bool TLevel::CaptureSwitchFrame() {
    RecordSite(21506);
    UpdateCaptureSize();
    if (SwitchDue) {
        SwitchDue = false;
        CopyFrameInto(TexLib.Extra1, CaptureWidth, CaptureHeight);
        CapturePending = true;
        if (SwitchKind == SwitchTeleport) {
            if (TRollix* p = Player()) p->PlaceAt(false, SwitchPos.Y, SwitchPos.X);
            CameraX = SwitchPos.X;
            CameraY = SwitchPos.Y;
            UpdateView();
        }
        return true;
    }
    if (CapturePending) {
        CapturePending = false;
        CopyFrameInto(TexLib.Extra2, CaptureWidth, CaptureHeight);
        FadeLength = SwitchKind == SwitchRotatingGate ? RotatingGateFadeTicks : GateFadeTicks;
        FadeCounter = FadeLength;
    }
    return false;
}

void TLevel::DrawSwitchLoadingPicture() {
    RecordSite(21507);
    if (!RenderContextReady()) return;
    const bool due = SwitchDue, pending = CapturePending;
    SwitchDue = CapturePending = false;
    PrepareFrameView();
    BeginFrame();
    TRenderBackend& r = Renderer();
    r.Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
    DrawLevel();
    // The line sits at three quarters of the height of a view 1024 units wide.
    const float height = 1024.0f * float(ViewHeight) / float(std::max(ViewWidth, 1));
    SetProjection(0.0f, 0.0f, 1024.0f, height, 0.0f);
    if (MubFont) {
        ResetBlending();
        MubFont->DrawTextCentred(Text(TextLoadingShort), TRgba8{255, 255, 255, 200}, true, 0.8f,
                                 height * 0.75f, 512.0f);
    }
    r.Finish();
    if (PresentFrame) PresentFrame();
    SwitchDue = due;
    CapturePending = pending;
}

// ---- The cross-fade ----

namespace {
constexpr float TwoPi = 2.0f * PiF;
// The gate's picture: a fan about the centre with a border point every 200
// capture pixels, cut into triangles no longer than 132 pixels a side.
constexpr float GateBorderStep = 200.0f;
constexpr float GateMaxEdge = 132.0f;
constexpr int32_t TeleportGridSide = 20; // vertices a side
constexpr int32_t RotationGridSide = 5;
// The white cover at half-time lets both pictures show through.
constexpr float FlashOpacity = 0.5f;

uint8_t Opacity(float share) {
    return uint8_t(std::clamp(share, 0.0f, 1.0f) * 255.0f);
}

// One textured batch of the mesh's triangles at the given positions; the
// captured part of the texture is flipped, as GL copies the frame bottom-up.
void DrawPictureMesh(const TMesh& mesh, const std::vector<TVec2>& at, uint32_t texture, float captureHeight,
                     const std::vector<uint8_t>& alpha) {
    if (texture == 0) return;
    TRenderBackend& r = Renderer();
    r.Enable(Gl::Texture2D);
    BindTexture(texture);
    r.Begin(Gl::Triangles);
    for (const TTriangle& t : mesh.Triangles)
        for (int32_t v : t.V) {
            if (v < 0 || size_t(v) >= mesh.Vertices.size()) continue;
            const TVec2 base = mesh.Vertices[size_t(v)];
            r.Color4ub(255, 255, 255, alpha[size_t(v)]);
            r.TexCoord2f(base.X / float(CaptureSide), (captureHeight - base.Y) / float(CaptureSide));
            r.Vertex2f(at[size_t(v)].X, at[size_t(v)].Y);
        }
    r.End();
}

void DrawFlash(float width, float height, float intensity) {
    if (!(intensity > 0.0f)) return;
    TRenderBackend& r = Renderer();
    r.Disable(Gl::Texture2D);
    SetBlend(Gl::SrcAlpha, Gl::OneMinusSrcAlpha);
    r.Color4ub(255, 255, 255, Opacity(intensity * FlashOpacity));
    r.Begin(Gl::Quads);
    r.Vertex2f(0.0f, 0.0f);
    r.Vertex2f(width, 0.0f);
    r.Vertex2f(width, height);
    r.Vertex2f(0.0f, height);
    r.End();
    r.Enable(Gl::Texture2D);
}

TVec2 Toward(TVec2 from, TVec2 to, float share) {
    return {from.X + (to.X - from.X) * share, from.Y + (to.Y - from.Y) * share};
}

float RandomShare() {
    return float(RandomFloat());
}
} // namespace

void TLevel::DrawTransition() {
    RecordSite(21508);
    const int32_t length = FadeLength > 0 ? FadeLength : GateFadeTicks;
    const float p = std::clamp(1.0f - float(FadeCounter) / float(length), 0.0f, 1.0f);
    // The first two effect frames show the old picture whole.
    const bool oldWhole = FirstEffectFrame || SecondEffectFrame;
    SecondEffectFrame = FirstEffectFrame;
    FirstEffectFrame = false;
    const uint32_t oldPicture = CaptureTextureId(TexLib.Extra1);
    const uint32_t newPicture = CaptureTextureId(TexLib.Extra2);
    if (oldPicture == 0 || newPicture == 0 || CaptureWidth <= 0 || CaptureHeight <= 0) return;

    const float w = float(CaptureWidth), h = float(CaptureHeight);
    const TVec2 centre{w * 0.5f, h * 0.5f};
    TRenderBackend& r = Renderer();
    SetProjection(0.0f, 0.0f, w, h, 0.0f);
    r.Disable(Gl::DepthTest);
    r.DepthFunc(Gl::Always);
    ResetBlending();
    SetLighting(false);
    // The effect's randomness is its own: the game's generator is left as it was.
    const uint32_t savedSeed = RandSeed;
    TMesh& mesh = EffectMesh;
    std::vector<TVec2> at;
    std::vector<uint8_t> alpha;
    // Half-time is the effects' turning point.
    const float swell = p < 0.5f ? 2.0f * p : 2.0f * (1.0f - p);

    if (SwitchKind == SwitchGate) {
        Seed(uint32_t(TransitionSeed));
        const int32_t columns = std::max(1, int32_t(w / GateBorderStep));
        const int32_t rows = std::max(1, int32_t(h / GateBorderStep));
        mesh.BuildRectFan(0.0f, 0.0f, w, h, nullptr, true, rows, columns);
        mesh.Subdivide(GateMaxEdge);
        const size_t n = mesh.Vertices.size();
        // The old scene is drawn into the centre.
        const float pOld = oldWhole ? 0.0f : p;
        at = mesh.Vertices;
        for (size_t i = 1; i < n; ++i)
            at[i] = Toward(mesh.Vertices[i], centre, std::min(1.0f, (0.4f * RandomShare() + 1.1f) * pOld));
        alpha.assign(n, oldWhole ? 255 : uint8_t(int32_t(100.0f * p)));
        DrawPictureMesh(mesh, at, oldPicture, h, alpha);
        // The new one grows out of it: every second vertex starts at the centre.
        const uint8_t newAlpha = uint8_t(std::clamp(int32_t(EaseIn(EaseIn(p)) * 255.0f * p), 0, 255));
        at = mesh.Vertices;
        for (size_t i = 1; i < n; i += 2)
            at[i] = Toward(centre, mesh.Vertices[i], std::clamp(p + 0.1f * RandomShare() * p, 0.0f, 1.0f));
        alpha.assign(n, newAlpha);
        DrawPictureMesh(mesh, at, newPicture, h, alpha);
    } else if (SwitchKind == SwitchTeleport) {
        Seed(100);
        mesh.BuildRectGrid(0.0f, 0.0f, w, h, nullptr, TeleportGridSide - 1, TeleportGridSide - 1);
        const float turn = EaseInOut(p) * float(length) * 0.02f;
        // Both pictures wave; the border only ever moves outwards.
        auto wave = [&](float kx, float ky) {
            at = mesh.Vertices;
            for (int32_t row = 0; row < TeleportGridSide; ++row)
                for (int32_t column = 0; column < TeleportGridSide; ++column) {
                    const size_t i = size_t(row * TeleportGridSide + column);
                    const float rnd = RandomShare();
                    float dx = 15.0f * swell * std::sin(3.0f * rnd + kx);
                    float dy = 15.0f * swell * std::sin(3.0f * rnd + ky);
                    if (column == 0) dx = std::min(dx, 0.0f);
                    if (column == TeleportGridSide - 1) dx = std::max(dx, 0.0f);
                    if (row == 0) dy = std::min(dy, 0.0f);
                    if (row == TeleportGridSide - 1) dy = std::max(dy, 0.0f);
                    at[i] = {at[i].X + dx, at[i].Y + dy};
                }
        };
        wave(turn * 17.0f, turn * 20.0f);
        alpha.assign(mesh.Vertices.size(), oldWhole ? 255 : Opacity(1.0f - p));
        DrawPictureMesh(mesh, at, oldPicture, h, alpha);
        wave(turn * 20.0f, turn * 17.0f);
        alpha.assign(mesh.Vertices.size(), Opacity(p));
        DrawPictureMesh(mesh, at, newPicture, h, alpha);
        DrawFlash(w, h, swell);
    } else {
        mesh.BuildRectGrid(0.0f, 0.0f, w, h, nullptr, RotationGridSide - 1, RotationGridSide - 1);
        // Four turns, and four times the size at half-time.
        const float angle = EaseInOut(p) * 2.0f * TwoPi;
        const float grow = 1.0f + 3.0f * swell;
        const float c = std::cos(angle), s = std::sin(angle);
        at = mesh.Vertices;
        for (TVec2& v : at) {
            const float dx = (v.X - centre.X) * grow, dy = (v.Y - centre.Y) * grow;
            v = {centre.X + dx * c + dy * s, centre.Y - dx * s + dy * c};
        }
        const int32_t m = int32_t(255.0f * std::sin(0.5f * PiF * p));
        alpha.assign(at.size(), oldWhole ? 255 : uint8_t(std::clamp(255 - m, 0, 255)));
        DrawPictureMesh(mesh, at, oldPicture, h, alpha);
        alpha.assign(at.size(), uint8_t(std::clamp(m, 0, 255)));
        DrawPictureMesh(mesh, at, newPicture, h, alpha);
        DrawFlash(w, h, swell);
    }
    RandSeed = savedSeed;
}

// One frame of a level, back to front, and the loading screen. Drawing reads
// the level and never changes what the simulation sees.
#include "level/Level.h"

#include "app/GameState.h"
#include "app/SiteTrace.h"
#include "assets/Font.h"
#include "assets/TexLib.h"
#include "assets/Texts.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr const char* LoadingLogo = "MenuMubs\\logo rollix zestars.png";

void ScreenProjection(int32_t width, int32_t height) {
    SetProjection(0.0f, 0.0f, float(std::max(width, 1)), float(std::max(height, 1)), 0.0f);
}

// What the sky and the fog see of the level's view.
TSkyView SkyViewOf(const TLevel& level) {
    return {level.CameraX, level.CameraY, level.ViewWidth, level.ViewHeight, level.Scale, level.CameraRoll};
}
} // namespace

void TLevel::InstallLayerHooks() {
    TLayerDrawHooks& h = Layers.Hooks;
    // Each layer gets the character light at the first character and its
    // base lights; the lights reach the meshes of the objects and waters.
    h.SwitchOnLights = [this](TLayer& layer) {
        if (const TRollix* p = Player()) Lights.MoveCharacterLight(p->Centre);
        Lights.SwitchOnLayer(layer);
    };
    Lights.Layers = &Layers;
    Lights.VisitLitMeshes = [this](const std::function<void(TMesh&, int32_t)>& visit) {
        for (auto& o : SplineObjects)
            for (TMultiMesh* group : {&o->Body, &o->Border})
                for (auto& m : group->Meshes)
                    if (m) visit(*m, o->Layer);
        for (auto& w : Waters)
            if (w->Mesh) visit(*w->Mesh, w->Layer);
    };
    // An object rebuilt after loading (moved, detached) relights its meshes.
    ObjectWorld.AssignLights = [this](TMesh& mesh, int32_t layer) { Lights.AssignToMesh(mesh, layer); };
    h.ApplySplineObjectMaterial = [this] { Materials.SplineObjects.Apply(); };
    h.DrawSplineObject = [](TSplineObj* o) { o->Draw(0); };
    h.ApplyFigureMaterial = [this] { Materials.Figures.Apply(); };
    h.DrawCharacters = [this] { Looks.DrawAll(Characters); };
    Looks.AssignLights = [this](TMesh& skin) { Lights.AssignToMesh(skin, 0); };
    h.ApplyWaterMaterial = [this] { Materials.Waters.Apply(); };
    h.DrawWater = [](TWater* w) { w->Draw(); };
    h.DrawParticles = [this](TLayer& layer) { ParticleLink.DrawLayer(layer); };
    h.DrawFog = [this](TLayer& layer) {
        if (!Fog.DrawsAfterLayer(layer.Number)) return;
        int32_t drawn = 0;
        Fog.Draw(drawn, SkyViewOf(*this));
    };
}

void TLevel::PrepareFrameView() const {
    FrameView.HasLevel = true;
    FrameView.ViewWidth = ViewWidth;
    FrameView.ViewHeight = ViewHeight;
    FrameView.View = View;
    FrameView.CameraRoll = CameraRoll;
    FrameView.RollOn = true;
    FrameView.EditView = EditView;
    FrameView.LightsActive = Lights.LightsOn;
    // The frames a level switch captures are drawn at the capture size.
    FrameView.Capturing = SwitchDue || CapturePending;
    if (FrameView.Capturing)
        FitCaptureSize(ViewWidth, ViewHeight, FrameView.CaptureWidth, FrameView.CaptureHeight);
}

void TLevel::DrawLevel() {
    RecordSite(21301);
    // 1. A running cross-fade draws the transition and nothing else.
    if (CrossFadeRunning()) {
        DrawTransition();
        return;
    }
    TRenderBackend& r = Renderer();
    // 2.
    Materials.Base.Apply();
    r.DepthFunc(Gl::Always);
    // 3. The sky in screen units, then the world with the frame's lights.
    ScreenProjection(ViewWidth, ViewHeight);
    int32_t skyDrawn = 0;
    Sky.Draw(skyDrawn, EditView, SkyViewOf(*this));
    Lights.PrepareFrame();
    // 4. Layers from the farthest; the mechanics right after the playing layer.
    for (auto& layer : Layers.Layers) {
        if (layer->Visible) Layers.DrawLayer(*layer, CameraRoll, EditView);
        if (layer->Number == 0) {
            Layers.SetView(*layer, CameraRoll);
            SetLighting(false);
            MechanicMan.DrawAll();
        }
    }
    // 5.
    if (!Layers.Layers.empty()) {
        Layers.BeginPlayingLayerOverlay(CameraRoll);
        // Emitters that went with the player draw over everything it passes.
        ParticleLink.DrawCarrierCopies();
        DrawGhost();
    }
    // 7. The rising scores and the x-hints over the playing layer.
    Materials.Base.Apply();
    SetLighting(false);
    if (!Layers.Layers.empty()) {
        Layers.SetView(Layers.Playing(), CameraRoll);
        DrawScoreHints();
        DrawXHints();
    }
    // 8. The status line (the menus come with their screens), the main
    // menu's keys; then back to screen units for the overlays.
    if (!GameMenuOpen && !HelpOpen) DrawStatusLine();
    DrawMenuKeyHints();
    Materials.Base.Apply();
    SetLighting(false);
    ScreenProjection(ViewWidth, ViewHeight);
    // 9. The restart fade.
    if (RestartPending && !GameMenuOpen && !HelpOpen && RestartCountdown <= 150) {
        const float opacity = std::clamp(1.0f - float(RestartCountdown - 50) / 100.0f, 0.0f, 1.0f);
        r.Disable(Gl::Texture2D);
        SetBlend(Gl::SrcAlpha, Gl::OneMinusSrcAlpha);
        r.Color4ub(0, 0, 0, uint8_t(std::lround(opacity * 255.0f)));
        r.Begin(Gl::Quads);
        r.Vertex2f(0.0f, 0.0f);
        r.Vertex2f(float(ViewWidth), 0.0f);
        r.Vertex2f(float(ViewWidth), float(ViewHeight));
        r.Vertex2f(0.0f, float(ViewHeight));
        r.End();
        r.Enable(Gl::Texture2D);
    }
}

void TLevel::DrawPicture(TMyTexture* texture, TVec2 at, bool lit, bool centred, TColor4 colour, float angle,
                         float scaleX, float scaleY) {
    if (!texture || !RenderContextReady()) return;
    TRenderBackend& r = Renderer();
    // Uploaded first: a picture's size is known once it has been read.
    const uint32_t id = uint32_t(texture->TextureId());
    const float w = float(texture->Width), h = float(texture->Height);
    const float x0 = centred ? -w * 0.5f : 0.0f, y0 = centred ? -h * 0.5f : 0.0f;
    const TVec2 corners[4] = {{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + h}, {x0, y0 + h}};
    const float c = std::cos(angle), s = std::sin(angle);
    auto place = [&](int32_t i) {
        const float px = corners[i].X * scaleX, py = corners[i].Y * scaleY;
        return TVec2{at.X + px * c - py * s, at.Y + px * s + py * c};
    };
    Materials.Base.Apply();
    if (!lit) ScreenProjection(ViewWidth, ViewHeight);
    if (lit) {
        // The point lights that reach the quad's bounding box.
        TBox2 box{at.X, at.Y, at.X, at.Y};
        for (int32_t i = 0; i < 4; ++i) {
            const TVec2 p = place(i);
            box = {std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X),
                   std::max(box.Bottom, p.Y)};
        }
        Lights.ApplyForBox(box, Layers.DrawnNumber);
    }
    BindTexture(id);
    r.Color4ub(colour.R, colour.G, colour.B, colour.A);
    r.Begin(Gl::Quads);
    for (int32_t i = 0; i < 4; ++i) {
        const TVec2 p = place(i);
        r.TexCoord2f(texture->Corners[size_t(i)].X, texture->Corners[size_t(i)].Y);
        r.Vertex2f(p.X, p.Y);
    }
    r.End();
}

int32_t LoadingTextShown(int32_t progress, int32_t length, bool testRun) {
    if (length <= 0) return 0;
    const int64_t shown = int64_t(std::max(progress, 0)) * length / (testRun ? 16 : 32);
    return int32_t(std::clamp<int64_t>(shown, 1, length));
}

void TLevel::DrawLoadingScreen(int32_t progress) {
    if (progress == LastLoadingProgress) return;
    LastLoadingProgress = progress;
    const bool logoPending = ShowPublisherLogo && !PublisherLogoDone;
    if (!GameStarted || (!TestRun && logoPending) || !RenderContextReady()) return;
    RecordSite(21302);
    SetScreenSize(ScreenWidth, ScreenHeight);
    const int32_t width = std::max(ViewWidth, 800);
    const int32_t height = ViewWidth < 800 ? ViewHeight * 800 / std::max(ViewWidth, 1) : ViewHeight;
    TRenderBackend& r = Renderer();
    r.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    r.Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
    ScreenProjection(width, height);
    const int32_t savedW = ViewWidth, savedH = ViewHeight;
    ViewWidth = width;
    ViewHeight = height;
    DrawPicture(TexLib.TextureByName(LoadingLogo), {width * 0.5f, height * 0.5f}, false, true, {}, 0.0f, 1.0f,
                1.0f);
    if (MubFont) {
        // The loading line shows a little more of itself at every step; the
        // version stands under it.
        const TRgba8 green{0, 156, 68, 255};
        const std::u16string text = Text(TextLoading);
        ResetBlending();
        MubFont->DrawTextCentred(text.substr(0, LoadingTextShown(progress, int32_t(text.size()), TestRun)),
                                 green, true, 0.6f, float(height - 60), width * 0.5f);
        MubFont->DrawTextCentred(VersionLine, green, true, 0.4f, float(height - 30), width * 0.5f);
    }
    ViewWidth = savedW;
    ViewHeight = savedH;
    r.Finish();
    if (PresentFrame) PresentFrame();
}

bool GhostShown = true;

void TLevel::DrawGhost() {
    if (!GhostShown || !RenderContextReady()) return;
    std::vector<TVec2> outline = Ghost.OutlineAt(TickCounter);
    if (outline.size() < 3) return;
    TVec2 centre;
    for (TVec2 p : outline)
        centre += p;
    centre = centre * (1.0f / float(outline.size()));
    // The nodes in turn round the centre: one fan covers the body whatever
    // order the figure keeps them in.
    std::sort(outline.begin(), outline.end(), [&](TVec2 a, TVec2 b) {
        return std::atan2(a.Y - centre.Y, a.X - centre.X) < std::atan2(b.Y - centre.Y, b.X - centre.X);
    });
    TRenderBackend& r = Renderer();
    r.Disable(Gl::Texture2D);
    SetLighting(false);
    SetBlend(Gl::SrcAlpha, Gl::OneMinusSrcAlpha);
    // A pale, see-through body: the best run rolling alongside.
    r.Color4ub(210, 235, 255, 96);
    r.Begin(Gl::TriangleFan);
    r.Vertex2f(centre.X, centre.Y);
    for (TVec2 p : outline)
        r.Vertex2f(p.X, p.Y);
    r.Vertex2f(outline.front().X, outline.front().Y);
    r.End();
    r.Enable(Gl::Texture2D);
}

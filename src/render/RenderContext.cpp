#include "render/RenderContext.h"

#include "app/SiteTrace.h"
#include "render/NullRenderBackend.h"

#include <algorithm>
#include <cmath>

TFrameView FrameView;
TBox2 ViewRect;

uint32_t CachedTexture = NoCache;
uint32_t CachedBlendSrc = NoCache, CachedBlendDst = NoCache;
uint32_t CachedTexEnv = NoCache;
bool CachedLighting = false;
int32_t CachedViewportWidth = -1, CachedViewportHeight = -1;
bool ForceViewport = true;

namespace {
std::unique_ptr<TRenderBackend> Backend;

// Calls made while no context exists land here and go nowhere.
TNullRenderBackend& Nowhere() {
    static TNullRenderBackend nowhere;
    return nowhere;
}

void ForgetCaches() {
    CachedTexture = NoCache;
    CachedBlendSrc = CachedBlendDst = NoCache;
    CachedTexEnv = NoCache;
    CachedLighting = false;
    CachedViewportWidth = CachedViewportHeight = -1;
    ForceViewport = true;
}

bool Finite(float v) {
    return std::isfinite(v);
}
} // namespace

TRenderBackend& Renderer() {
    return Backend ? *Backend : Nowhere();
}

bool RenderContextReady() {
    return Backend != nullptr;
}

namespace {
uint32_t ContextGeneration = 1;
} // namespace

uint32_t RenderContextGeneration() {
    return ContextGeneration;
}

void InitRenderContext(std::unique_ptr<TRenderBackend> backend) {
    RecordSite(61001);
    ReleaseRenderContext();
    if (!backend) return;
    Backend = std::move(backend);
    ++ContextGeneration;
    TRenderBackend& gl = *Backend;
    gl.Disable(Gl::AlphaTest);
    gl.Disable(Gl::DepthTest);
    gl.Disable(Gl::CullFace);
    gl.Disable(Gl::Lighting);
    gl.Enable(Gl::Dither);
    gl.Disable(Gl::Normalize);
    gl.Disable(Gl::LineSmooth);
    gl.Disable(Gl::PolygonSmooth);
    gl.Enable(Gl::ColorMaterial);
    gl.Hint(Gl::PerspectiveCorrectionHint, Gl::Fastest);
    gl.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl.Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
    ForgetCaches();
    // The two capture textures of level switching belong to the texture
    // library; the game start creates them right after this.
}

void ReleaseRenderContext() {
    RecordSite(61002);
    if (!Backend) return;
    Backend.reset();
    ++ContextGeneration;
    ForgetCaches();
}

void ResetRenderState() {
    RecordSite(61003);
    ReleaseRenderContext();
    FrameView = TFrameView{};
    ViewRect = TBox2{};
    ForgetCaches();
}

void FitCaptureSize(int32_t viewWidth, int32_t viewHeight, int32_t& width, int32_t& height) {
    RecordSite(61004);
    width = std::max(viewWidth, 1);
    height = std::max(viewHeight, 1);
    if (width > 1024 || height > 1024) {
        double scale = std::min(1024.0 / width, 1024.0 / height);
        width = std::clamp(int32_t(width * scale), 1, 1024);
        height = std::clamp(int32_t(height * scale), 1, 1024);
    }
}

void BeginFrame() {
    RecordSite(61005);
    TRenderBackend& gl = Renderer();
    if (FrameView.Capturing)
        SetViewport(FrameView.CaptureWidth, FrameView.CaptureHeight);
    else
        SetViewport(FrameView.ViewWidth, FrameView.ViewHeight);
    const TBox2& v = FrameView.View;
    SetProjection(v.Left, v.Top, v.Right, v.Bottom, FrameView.CameraRoll);
    ResetBlending();
    gl.Disable(Gl::DepthTest);
    gl.DepthFunc(Gl::Always);
    gl.Enable(Gl::AlphaTest);
    gl.AlphaFunc(Gl::Greater, 0.0f);
    gl.Enable(Gl::Texture2D);
    gl.EnableClientState(Gl::VertexArray);
    gl.DisableClientState(Gl::IndexArray);
    gl.DisableClientState(Gl::NormalArray);
    gl.DisableClientState(Gl::EdgeFlagArray);
    // The current colour and normal only take inside a batch on some drivers.
    gl.Begin(Gl::Triangles);
    gl.Color3ub(255, 255, 255);
    gl.Normal3f(0.0f, 0.0f, -1.0f);
    gl.End();
}

TBox2 RolledViewRect(const TBox2& rect, float rollDegrees) {
    RecordSite(61006);
    if (rollDegrees == 0.0f || !Finite(rollDegrees)) return rect;
    TVec2 centre{(rect.Left + rect.Right) * 0.5f, (rect.Top + rect.Bottom) * 0.5f};
    TVec2 corners[4] = {
        {rect.Left, rect.Top}, {rect.Right, rect.Top}, {rect.Right, rect.Bottom}, {rect.Left, rect.Bottom}};
    float a = float(rollDegrees * DegToRad);
    TBox2 box{centre.X, centre.Y, centre.X, centre.Y};
    for (TVec2 c : corners) {
        TVec2 d = c - centre;
        ::Rotate(d, a);
        TVec2 p = centre + d;
        box.Left = std::min(box.Left, p.X);
        box.Right = std::max(box.Right, p.X);
        box.Top = std::min(box.Top, p.Y);
        box.Bottom = std::max(box.Bottom, p.Y);
    }
    return box;
}

void SetProjection(float left, float top, float right, float bottom, float rollDegrees) {
    RecordSite(61007);
    TBox2 rect{left, top, right, bottom};
    bool rolled = FrameView.HasLevel && Finite(rollDegrees);
    ViewRect = rolled ? RolledViewRect(rect, rollDegrees) : rect;
    TRenderBackend& gl = Renderer();
    gl.MatrixMode(Gl::Projection);
    gl.LoadIdentity();
    // A flat or broken rectangle keeps the identity rather than a matrix of infinities.
    bool usable =
        Finite(left) && Finite(top) && Finite(right) && Finite(bottom) && left != right && top != bottom;
    if (usable) {
        gl.Ortho(left, right, bottom, top, 0.0, 1000.0);
        if (rolled && FrameView.RollOn && rollDegrees != 0.0f) {
            float cx = (left + right) * 0.5f, cy = (top + bottom) * 0.5f;
            gl.Translate(cx, cy, 0.0f);
            gl.Rotate(rollDegrees, 0.0f, 0.0f, 1.0f);
            gl.Translate(-cx, -cy, 0.0f);
        }
    }
    gl.MatrixMode(Gl::ModelView);
}

void RotateAbout(TVec2 point, float degrees) {
    RecordSite(61008);
    TRenderBackend& gl = Renderer();
    gl.Translate(point.X, point.Y, 0.0f);
    gl.Rotate(degrees, 0.0f, 0.0f, 1.0f);
    gl.Translate(-point.X, -point.Y, 0.0f);
}

void ResetBlending() {
    RecordSite(61009);
    TRenderBackend& gl = Renderer();
    gl.Enable(Gl::Blend);
    gl.BlendFunc(Gl::SrcAlpha, Gl::OneMinusSrcAlpha);
    gl.TexEnvMode(Gl::Modulate);
    gl.Disable(Gl::Lighting);
    CachedBlendSrc = Gl::SrcAlpha;
    CachedBlendDst = Gl::OneMinusSrcAlpha;
    CachedTexEnv = Gl::Modulate;
    CachedLighting = false;
}

void BindTexture(uint32_t name) {
    RecordSite(61010);
    if (name == CachedTexture) return;
    Renderer().BindTexture(name);
    CachedTexture = name;
}

void SetBlend(uint32_t src, uint32_t dst) {
    RecordSite(61011);
    if (FrameView.EditView) {
        src = Gl::SrcAlpha;
        dst = Gl::OneMinusSrcAlpha;
    }
    if (src == CachedBlendSrc && dst == CachedBlendDst) return;
    Renderer().BlendFunc(src, dst);
    CachedBlendSrc = src;
    CachedBlendDst = dst;
}

void SetTexEnv(uint32_t mode) {
    RecordSite(61012);
    if (FrameView.EditView) mode = Gl::Modulate;
    if (mode == CachedTexEnv) return;
    Renderer().TexEnvMode(mode);
    CachedTexEnv = mode;
}

void SetLighting(bool on) {
    RecordSite(61013);
    if (FrameView.EditView || !FrameView.LightsActive) on = false;
    if (on == CachedLighting) return;
    if (on)
        Renderer().Enable(Gl::Lighting);
    else
        Renderer().Disable(Gl::Lighting);
    CachedLighting = on;
}

void SetViewport(int32_t width, int32_t height) {
    RecordSite(61014);
    // A minimized or flattened window has no area to draw into.
    if (width < 1 || height < 1) return;
    if (!ForceViewport && width == CachedViewportWidth && height == CachedViewportHeight) return;
    Renderer().Viewport(0, 0, width, height);
    CachedViewportWidth = width;
    CachedViewportHeight = height;
    ForceViewport = false;
}

void DrawRectOutline(const TBox2& box, TColor4 colour) {
    RecordSite(61015);
    TRenderBackend& gl = Renderer();
    gl.Disable(Gl::Texture2D);
    gl.Color4ub(colour.R, colour.G, colour.B, colour.A);
    gl.Begin(Gl::LineLoop);
    gl.Vertex2f(box.Left, box.Top);
    gl.Vertex2f(box.Right, box.Top);
    gl.Vertex2f(box.Right, box.Bottom);
    gl.Vertex2f(box.Left, box.Bottom);
    gl.End();
    gl.Enable(Gl::Texture2D);
}

void DrawMarker(TVec2 point, TColor4 colour, float size) {
    RecordSite(61016);
    TRenderBackend& gl = Renderer();
    gl.Disable(Gl::Texture2D);
    gl.Color4ub(colour.R, colour.G, colour.B, colour.A);
    gl.Begin(Gl::Triangles);
    const float near = 0.65f * size;
    for (float sx : {-1.0f, 1.0f})
        for (float sy : {-1.0f, 1.0f}) {
            gl.Vertex2f(point.X, point.Y);
            gl.Vertex2f(point.X + sx * size, point.Y + sy * near);
            gl.Vertex2f(point.X + sx * near, point.Y + sy * size);
        }
    gl.End();
    gl.Enable(Gl::Texture2D);
}

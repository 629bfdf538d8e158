// Drawing a water body: the gradient mesh, a bright line along the surface
// and the bubbles. Drawing only reads the water.
#include "gameplay/Water.h"

#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"

#include <algorithm>

namespace {
// Half-way from c to white, for the surface line.
uint8_t Lighter(uint8_t c) {
    return uint8_t(c + (255 - c) / 2);
}
// Thickness of the surface line in world units.
constexpr float SurfaceLine = 2.0f;

void DrawBubbleQuads(TRenderBackend& r, const std::vector<TBubble>& bubbles, const TMyTexture* texture) {
    for (const TBubble& b : bubbles) {
        const float s = b.Size;
        const TVec2 corners[4] = {{-s, -s}, {s, -s}, {s, s}, {-s, s}};
        for (size_t k = 0; k < 4; ++k) {
            if (texture) r.TexCoord2f(texture->Corners[k].X, texture->Corners[k].Y);
            r.Vertex2f(b.Pos.X + corners[k].X, b.Pos.Y + corners[k].Y);
        }
    }
}
} // namespace

void TWater::Draw() const {
    RecordSite(55030);
    if (!BoxesOverlap(Bounds, ViewRect)) return;
    TRenderBackend& r = Renderer();
    if (Mesh) Mesh->Draw(0);

    // The surface: a light band along every stretch of wave points.
    SurfaceMaterial.Apply();
    r.Disable(Gl::Texture2D);
    r.Color4ub(Lighter(TopColour.R), Lighter(TopColour.G), Lighter(TopColour.B),
               uint8_t(std::max<int>(TopColour.A, 200)));
    r.Begin(Gl::Quads);
    for (const TWavePoint& w : WavePoints) {
        if (!w.Vertex || w.Next < 0 || size_t(w.Next) >= WavePoints.size()) continue;
        const TVec2* next = WavePoints[size_t(w.Next)].Vertex;
        if (!next) continue;
        const TVec2 a = *w.Vertex, b = *next;
        r.Vertex2f(a.X, a.Y);
        r.Vertex2f(b.X, b.Y);
        r.Vertex2f(b.X, b.Y + SurfaceLine);
        r.Vertex2f(a.X, a.Y + SurfaceLine);
    }
    r.End();

    // The bubbles, the water's own and the spouts'.
    TMyTexture* texture = TexLib.WaterBubble;
    const int32_t id = texture ? texture->TextureId() : 0;
    BubbleMaterial.Apply();
    if (id > 0) {
        r.Enable(Gl::Texture2D);
        BindTexture(uint32_t(id));
    }
    r.Color4ub(BubbleColour.R, BubbleColour.G, BubbleColour.B, BubbleColour.A);
    r.Begin(Gl::Quads);
    const TMyTexture* used = id > 0 ? texture : nullptr;
    DrawBubbleQuads(r, Bubbles, used);
    for (const TBubbleSpout& s : Spouts)
        DrawBubbleQuads(r, s.Bubbles, used);
    r.End();
    r.Enable(Gl::Texture2D);
}

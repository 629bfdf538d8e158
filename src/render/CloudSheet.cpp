#include "render/CloudSheet.h"

#include "app/Ease.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

namespace {
// Cell sizes and morph values beyond this are damage, not a sky.
constexpr double MaxCloudInt = 1.0e7;

// Truncated toward zero into lo … hi; NaN becomes 0, or the limit nearest to it.
int32_t ClampedInt(double v, double lo, double hi) {
    if (std::isnan(v)) return int32_t(std::clamp(0.0, lo, hi));
    if (v < lo) return int32_t(lo);
    if (v > hi) return int32_t(hi);
    return int32_t(std::trunc(v));
}

uint8_t ColourByte(float fraction) {
    if (!(fraction > 0.0f)) return 0;
    if (fraction >= 1.0f) return 255;
    return uint8_t(std::lround(fraction * 255.0f));
}

// Wraps v into [0, size).
float Wrap(double v, double size) {
    if (!std::isfinite(v) || !(size > 0.0)) return 0.0f;
    double w = std::fmod(v, size);
    if (w < 0.0) w += size;
    // A tiny negative value plus the size can round up to the size itself.
    const float f = float(w);
    return f >= float(size) ? 0.0f : f;
}
} // namespace

TCloudParams ComputeCloudParams(float angle, float speed, float morphPower, float morphSpeed, float scaleX,
                                float scaleY, float parallax) {
    RecordSite(63001);
    TCloudParams p;
    const double v = double(speed) / parallax * 0.01 * 0.06;
    p.SpeedPerMs = std::isfinite(v) ? float(v) : 0.0f;
    p.Velocity = {float(std::cos(double(angle)) * p.SpeedPerMs),
                  float(std::sin(double(angle)) * p.SpeedPerMs)};
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

TVec2 RandomMorphTarget(const TCloudParams& p) {
    // A negative amplitude draws with n < 0, which gives 0 and still
    // advances the generator once.
    const int32_t x = Random(2 * p.MorphX) - p.MorphX;
    const int32_t y = Random(2 * p.MorphY) - p.MorphY;
    return {float(x), float(y)};
}

void StartMorph(TSheetMorph& m, const TCloudParams& p) {
    m.From = m.To = RandomMorphTarget(p);
    m.To = RandomMorphTarget(p);
    m.Offset = m.From;
    m.Elapsed = 0;
    m.Duration = p.MorphPeriod + Random(p.MorphPeriod);
}

void StepMorph(TSheetMorph& m, int32_t dt, const TCloudParams& p) {
    if (m.Duration > 0 && int64_t(m.Elapsed) + dt < int64_t(m.Duration)) {
        const int64_t k = std::clamp<int64_t>(int64_t(m.Elapsed) * 255 / m.Duration, 0, 255);
        const float e = EaseTable256[k];
        m.Offset = {m.From.X + (m.To.X - m.From.X) * e, m.From.Y + (m.To.Y - m.From.Y) * e};
        m.Elapsed += dt;
        return;
    }
    m.Elapsed = 0;
    m.Duration = p.MorphPeriod + Random(p.MorphPeriod);
    m.From = m.To;
    m.Offset = m.From;
    m.To = RandomMorphTarget(p);
}

TVec2 ScrollSheet(TVec2 scroll, int32_t dt, const TCloudParams& p) {
    return {Wrap(double(scroll.X) + double(dt) * p.Velocity.X, p.WrapSize.X),
            Wrap(double(scroll.Y) + double(dt) * p.Velocity.Y, p.WrapSize.Y)};
}

TBox2 ParallaxRect(const TSkyView& view, float parallax) {
    const float w = float(view.ViewWidth), h = float(view.ViewHeight);
    TBox2 r;
    r.Left = view.CameraX * parallax - w / 2.0f * view.Scale / parallax;
    r.Right = r.Left + w * view.Scale / parallax;
    r.Top = view.CameraY * parallax - h / 2.0f * view.Scale / parallax;
    r.Bottom = r.Top + h * view.Scale / parallax;
    return r;
}

void SetParallaxProjection(const TSkyView& view, float parallax) {
    const TBox2 r = ParallaxRect(view, parallax);
    SetProjection(r.Left, r.Top, r.Right, r.Bottom, view.Roll);
}

void DrawSheet(const std::array<TVec2, SheetPointCount>& offsets, TVec2 scroll, const TCloudParams& p,
               const TSheetColours& colours, int32_t& counter) {
    RecordSite(63020);
    const TBox2 v = ViewRect;
    const double cw = std::max(p.CellWidth, 1), ch = std::max(p.CellHeight, 1);
    // The lattice column at or left of the view's left edge, and one more to
    // its left; the lattice row at or above its top edge. Found by division,
    // so that a far view or a small cell never walks there cell by cell.
    const double fi = std::floor((double(v.Left) - scroll.X) / cw) - 1.0;
    const double fj = std::floor((double(v.Top) - scroll.Y) / ch);
    const double cols = std::trunc((double(v.Right) - v.Left) / cw) + 4.0;
    const double rows = std::trunc((double(v.Bottom) - v.Top) / ch) + 3.0;
    if (!std::isfinite(fi) || !std::isfinite(fj) || !std::isfinite(cols) || !std::isfinite(rows)) return;
    if (std::fabs(fi) > 1e15 || std::fabs(fj) > 1e15 || cols < 0.0 || rows < 0.0) return;
    const int32_t lastColumn = int32_t(std::min(cols, double(MaxSheetCells)));
    const int32_t lastRow = int32_t(std::min(rows, double(MaxSheetCells)));
    const double x0 = scroll.X + fi * cw, y0 = scroll.Y + fj * ch;
    const int32_t i0 = int32_t(((int64_t(fi) % SheetSide) + SheetSide) % SheetSide);
    const int32_t j0 = int32_t(((int64_t(fj) % SheetSide) + SheetSide) % SheetSide);
    const float height = v.Bottom - v.Top;
    TRenderBackend& r = Renderer();
    auto vertex = [&](double x, double y, int32_t point, float s, float t) {
        const TVec2 o = offsets[size_t(point)];
        const float px = float(x) + o.X, py = float(y) + o.Y;
        const float g = height != 0.0f ? (py - v.Top) / height : 0.0f;
        std::array<float, 4> c;
        for (size_t k = 0; k < 4; ++k)
            c[k] = colours.Top[k] + g * (colours.Bottom[k] - colours.Top[k]);
        if (colours.PointAlpha) c[3] *= (*colours.PointAlpha)[size_t(point)];
        r.Color4ub(ColourByte(c[0]), ColourByte(c[1]), ColourByte(c[2]), ColourByte(c[3]));
        r.TexCoord2f(s, t);
        r.Vertex2f(px, py);
    };
    for (int32_t m = 0; m <= lastRow; ++m) {
        const int32_t row = (j0 + m) % SheetSide, above = (row + SheetSide - 1) % SheetSide;
        const double y = y0 + double(m) * ch;
        const float t = float(j0 + m) / SheetSide, tAbove = float(j0 + m - 1) / SheetSide;
        r.Begin(Gl::TriangleStrip);
        for (int32_t w = 0; w <= lastColumn; ++w) {
            const int32_t column = (i0 + w) % SheetSide;
            const double x = x0 + double(w) * cw;
            const float s = float(i0 + w) / SheetSide;
            vertex(x, y, SheetIndex(column, row), s, t);
            vertex(x, y - ch, SheetIndex(column, above), s, tAbove);
            counter += 2;
        }
        r.End();
    }
}

#include "world/Spline.h"

#include "app/PointArrays.h"
#include "app/SiteTrace.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

TSpline TSpline::CreateFromPoints(TVec2 p0, TVec2 startHandle, TVec2 p1, TVec2 endHandle) {
    TSpline s;
    s.StartPoint = p0;
    s.StartHandle = startHandle;
    s.EndPoint = p1;
    s.EndHandle = endHandle;
    s.Extra1 = s.Extra2 = 10.0f;
    return s;
}

TVec2 TSpline::Evaluate(float t) const {
    const float t2 = t * t, t3 = t2 * t;
    const float w0 = 2 * t3 - 3 * t2 + 1;
    const float w1 = 3 * t2 - 2 * t3;
    const float h0 = 3 * (t3 - 2 * t2 + t);
    const float h1 = 3 * (t2 - t3);
    return {w0 * StartPoint.X + w1 * EndPoint.X + h0 * StartHandle.X + h1 * EndHandle.X,
            w0 * StartPoint.Y + w1 * EndPoint.Y + h0 * StartHandle.Y + h1 * EndHandle.Y};
}

void TSpline::SetShape(TVec2 p0, TVec2 startHandle, TVec2 endHandle, TVec2 p1) {
    StartPoint = p0;
    StartHandle = startHandle;
    EndHandle = endHandle;
    EndPoint = p1;
}

void TSpline::CopyShape(const TSpline& source) {
    StartPoint = source.StartPoint;
    EndPoint = source.EndPoint;
    StartHandle = source.StartHandle;
    EndHandle = source.EndHandle;
    Segments = source.Segments;
    ExtraFlag1 = source.ExtraFlag1;
    ExtraFlag2 = source.ExtraFlag2;
}

void TSpline::ReadSpline(TByteReader& in) {
    RecordSite(31001);
    for (TVec2* p : {&StartPoint, &EndPoint, &StartHandle, &EndHandle}) {
        p->X = in.ReadFloat32();
        p->Y = in.ReadFloat32();
    }
    Extra1 = in.ReadFloat32();
    Extra2 = in.ReadFloat32();
    Segments = in.ReadInt32();
    ExtraFlag1 = in.ReadByte();
    ExtraFlag2 = in.ReadByte();
    in.Skip(32);
}

void TSpline::WriteSpline(TByteWriter& out) const {
    for (const TVec2* p : {&StartPoint, &EndPoint, &StartHandle, &EndHandle}) {
        out.WriteFloat32(p->X);
        out.WriteFloat32(p->Y);
    }
    out.WriteFloat32(Extra1);
    out.WriteFloat32(Extra2);
    out.WriteInt32(Segments);
    out.WriteByte(ExtraFlag1);
    out.WriteByte(ExtraFlag2);
    out.Pad(32);
}

void TSpline::DrawOutline(uint8_t alpha, bool selected, bool showHandles, int32_t hotHandle) const {
    RecordSite(31002);
    TRenderBackend& r = Renderer();
    r.Disable(Gl::Texture2D);
    r.Begin(Gl::Lines);
    // Segments below 2 would divide by zero: draw the chord.
    const int32_t segments = std::max(Segments, 2);
    auto colour = [&](int32_t i) {
        if (selected) {
            r.Color4ub(255, 0, 0, alpha);
        } else {
            uint8_t gb =
                uint8_t(std::clamp(255.0f * (0.5f + 0.5f * float(i) / float(segments)), 0.0f, 255.0f));
            r.Color4ub(255, gb, gb, alpha);
        }
    };
    colour(0);
    r.Vertex2f(StartPoint.X, StartPoint.Y);
    for (int32_t i = 1; i < segments; ++i) {
        TVec2 p = Evaluate(float(i) / float(segments - 1));
        colour(i);
        r.Vertex2f(p.X, p.Y);
        r.Vertex2f(p.X, p.Y);
    }
    r.Vertex2f(EndPoint.X, EndPoint.Y);
    if (showHandles) {
        r.Color3ub(0, 200, 255);
        r.Vertex2f(StartPoint.X, StartPoint.Y);
        r.Vertex2f(StartPoint.X + StartHandle.X, StartPoint.Y + StartHandle.Y);
        r.Color3ub(0, 200, 0);
        r.Vertex2f(EndPoint.X, EndPoint.Y);
        r.Vertex2f(EndPoint.X + EndHandle.X, EndPoint.Y + EndHandle.Y);
    }
    r.End();
    if (showHandles) {
        r.Begin(Gl::Points);
        for (int32_t h = 0; h < 2; ++h) {
            TVec2 tip = h == 0 ? StartPoint + StartHandle : EndPoint + EndHandle;
            if (hotHandle == h)
                r.Color3ub(255, 255, 255);
            else
                r.Color3ub(200, 0, 0);
            r.Vertex2f(tip.X, tip.Y);
        }
        r.End();
    }
    r.Enable(Gl::Texture2D);
}

bool TranslateOutline(TSpline* splines, int32_t n, float dx, float dy) {
    if (!splines || n < 1) return false;
    for (int32_t i = 0; i < n; ++i) {
        splines[i].StartPoint += TVec2{dx, dy};
        splines[i].EndPoint += TVec2{dx, dy};
    }
    return true;
}

bool LinkRing(TSpline* splines, int32_t n) {
    if (!splines || n < 1) return false;
    for (int32_t i = 0; i < n; ++i) {
        splines[i].Prev = &splines[(i + n - 1) % n];
        splines[i].Next = &splines[(i + 1) % n];
    }
    return true;
}

bool CopyOutline(const std::vector<std::unique_ptr<TSpline>>& source,
                 std::vector<std::unique_ptr<TSpline>>& target, int32_t n) {
    if (n < 1 || source.size() < size_t(n)) return false;
    if (target.size() < size_t(n)) target.resize(size_t(n));
    for (int32_t i = 0; i < n; ++i) {
        if (!source[size_t(i)]) continue;
        if (!target[size_t(i)]) target[size_t(i)] = std::make_unique<TSpline>();
        TSpline& t = *target[size_t(i)];
        t.CopyShape(*source[size_t(i)]);
        t.Extra1 = source[size_t(i)]->Extra1;
        t.Extra2 = source[size_t(i)]->Extra2;
    }
    return true;
}

void MakeDefaultOutline(TOutline& out) {
    const float a = 100.0f / 3.0f, b = 200.0f / 3.0f;
    out[0] = TSpline::CreateFromPoints({0, 0}, {a, 0}, {100, 0}, {-a, 0});
    out[1] = TSpline::CreateFromPoints({100, 0}, {0, b}, {100, 200}, {0, -b});
    out[2] = TSpline::CreateFromPoints({100, 200}, {-a, 0}, {0, 200}, {a, 0});
    out[3] = TSpline::CreateFromPoints({0, 200}, {0, -b}, {0, 0}, {0, b});
    LinkRing(out.data(), 4);
}

void GridCountsForSize(float width, float height, int32_t& columns, int32_t& rows) {
    // A damaged size (NaN, infinite, absurdly large) must not ask for a grid
    // of billions of points: counts stay within MaxPatchCells.
    auto count = [](float v) {
        double a = std::fabs(double(v));
        if (a != a) a = 0;
        a = std::min(a, double(MaxPatchCells) * 100.0);
        return std::clamp<int32_t>(int32_t(int64_t(a) / 100 + 1), 1, MaxPatchCells);
    };
    columns = count(width);
    rows = count(height);
}

std::vector<TVec2> BuildPatchGrid(const TOutline& outline, int32_t columns, int32_t rows) {
    RecordSite(31003);
    std::vector<TVec2> grid;
    if (columns < 1 || rows < 1) return grid;
    grid.resize(size_t(columns + 1) * size_t(rows + 1));
    const TSpline &top = outline[0], &right = outline[1], &bottom = outline[2], &left = outline[3];
    for (int32_t q = 0; q <= columns; ++q) {
        float s = float(q) / float(columns);
        TSpline connecting;
        connecting.StartPoint = top.Evaluate(s);
        connecting.EndPoint = bottom.Evaluate(1 - s);
        connecting.StartHandle = BlendVectors(left.EndHandle, right.StartHandle, s);
        connecting.EndHandle = BlendVectors(left.StartHandle, right.EndHandle, s);
        for (int32_t r = 0; r <= rows; ++r)
            grid[size_t(r) * size_t(columns + 1) + size_t(q)] = connecting.Evaluate(float(r) / float(rows));
    }
    return grid;
}

void DeformPoints(TVec2* source, TVec2* target, int32_t count, const TBox2* box, int32_t rows,
                  int32_t columns, const TOutline& outline) {
    RecordSite(31004);
    if (!source || !target || count < 1 || rows < 1 || columns < 1) return;
    TBox2 b;
    if (box)
        b = *box;
    else
        PointsBounds(source, count, b);
    const float x0 = b.Left, y0 = b.Top, x1 = b.Right, y1 = b.Bottom;
    // A flat box has no cells to map through: leave the targets as they are.
    if (!(x1 - x0 > 0) || !(y1 - y0 > 0)) return;
    std::vector<TVec2> plain(size_t(columns + 1) * size_t(rows + 1));
    for (int32_t r = 0; r <= rows; ++r)
        for (int32_t q = 0; q <= columns; ++q)
            plain[size_t(r) * size_t(columns + 1) + size_t(q)] = {x0 + float(q) / float(columns) * (x1 - x0),
                                                                  y0 + float(r) / float(rows) * (y1 - y0)};
    std::vector<TVec2> warped = BuildPatchGrid(outline, columns, rows);
    for (int32_t n = 0; n < count; ++n) {
        TVec2& p = source[n];
        // Written so that a NaN lands on the box's edge too.
        p.X = p.X >= x0 ? (p.X <= x1 ? p.X : x1) : x0;
        p.Y = p.Y >= y0 ? (p.Y <= y1 ? p.Y : y1) : y0;
        int32_t i = std::clamp(int32_t((p.X - x0) * float(columns) / (x1 - x0)), 0, columns - 1);
        int32_t j = std::clamp(int32_t((p.Y - y0) * float(rows) / (y1 - y0)), 0, rows - 1);
        size_t k = size_t(i) + size_t(columns + 1) * size_t(j);
        size_t k10 = k + 1, k01 = k + size_t(columns) + 1, k11 = k + size_t(columns) + 2;
        if (MapBetweenTriangles(plain[k], plain[k10], plain[k01], p, warped[k], warped[k10], warped[k01],
                                target[n]))
            continue;
        if (MapBetweenTriangles(plain[k01], plain[k10], plain[k11], p, warped[k01], warped[k10], warped[k11],
                                target[n]))
            continue;
        // Rounding at a cell edge can leave a point in neither triangle: the
        // first triangle's affine map carries it (its cell is a proper rectangle).
        const TVec2 o = plain[k];
        const float u = (p.X - o.X) / (plain[k10].X - o.X);
        const float v = (p.Y - o.Y) / (plain[k01].Y - o.Y);
        target[n] = warped[k] + (warped[k10] - warped[k]) * u + (warped[k01] - warped[k]) * v;
    }
}

#include "physics/VecMath.h"

#include <algorithm>
#include <cmath>

float Length(TVec2 v) {
    return std::sqrt(v.X * v.X + v.Y * v.Y);
}

float Dot(TVec2 a, TVec2 b) {
    return a.X * b.X + a.Y * b.Y;
}

void Normalize(TVec2& v) {
    float len = Length(v);
    if (len == 0.0f) {
        v = {0.0f, 1.0f};
        return;
    }
    v.X /= len;
    v.Y /= len;
}

TVec2 Normalized(TVec2 v) {
    Normalize(v);
    return v;
}

void RotateCS(TVec2& v, float c, float s) {
    float x = v.X, y = v.Y;
    v.X = c * x + s * y;
    v.Y = -s * x + c * y;
}

void Rotate(TVec2& v, float a) {
    RotateCS(v, std::cos(a), std::sin(a));
}

float StandardAngle(TVec2 v) {
    return std::atan2(-v.Y, v.X);
}

bool PointInBox(TVec2 p, const TBox2& box) {
    return box.Left <= p.X && p.X <= box.Right && box.Top <= p.Y && p.Y <= box.Bottom;
}

bool BoxesOverlap(const TBox2& a, const TBox2& b) {
    return !(a.Left > b.Right || a.Right < b.Left || a.Top > b.Bottom || a.Bottom < b.Top);
}

bool OutsideBoxBy(TVec2 p, const TBox2& box, float tol) {
    if (PointInBox(p, box)) return false;
    return box.Left - p.X > tol || box.Top - p.Y > tol || p.X - box.Right > tol || p.Y - box.Bottom > tol;
}

bool PointInTriangle(TVec2 a, TVec2 b, TVec2 c, TVec2 p, bool strict) {
    auto f1 = [&](TVec2 x) {
        return (c.Y - a.Y) * x.X - (c.X - a.X) * x.Y + (a.Y * (c.X - a.X) - a.X * (c.Y - a.Y));
    };
    auto f2 = [&](TVec2 x) {
        return (b.Y - a.Y) * x.X - (b.X - a.X) * x.Y + (a.Y * (b.X - a.X) - a.X * (b.Y - a.Y));
    };
    auto f3 = [&](TVec2 x) {
        return (b.Y - c.Y) * x.X - (b.X - c.X) * x.Y + (b.Y * (b.X - c.X) - b.X * (b.Y - c.Y));
    };
    float p1 = f1(p), p2 = f2(p), p3 = f3(p);
    if (f1(b) > 0) {
        if (strict) return p1 > 0 && p2 < 0 && p3 > 0;
        return p1 >= 0 && p2 <= 0 && p3 >= 0;
    }
    if (strict) return p1 < 0 && p2 > 0 && p3 < 0;
    return p1 <= 0 && p2 >= 0 && p3 <= 0;
}

bool SideOfLine(TVec2 a, TVec2 b, TVec2 p) {
    if (p == a || p == b) return false;
    return (p.X - a.X) * (b.Y - a.Y) - (p.Y - a.Y) * (b.X - a.X) > 0;
}

bool PointOnSegment(TVec2 a, TVec2 b, TVec2 p) {
    if (p == a || p == b) return false;
    if (p.X < std::min(a.X, b.X) || p.X > std::max(a.X, b.X) || p.Y < std::min(a.Y, b.Y) ||
        p.Y > std::max(a.Y, b.Y))
        return false;
    float dy = p.Y - a.Y, dx = p.X - a.X, ex = b.X - a.X, ey = b.Y - a.Y;
    if (dy != 0 && ey != 0) return ex / ey == dx / dy;
    if (dx != 0 && ex != 0) return ey / ex == dy / dx;
    return false;
}

static bool Between(float v, float e0, float e1) {
    return std::min(e0, e1) <= v && v <= std::max(e0, e1);
}

bool SegmentCrossPointNoBox(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1, TVec2& point) {
    float lx = b1.X - b0.X;
    float ly = b1.Y - b0.Y;
    double r = double(b0.Y - a0.Y) * double(lx) - double(b0.X - a0.X) * double(ly);
    if (r == 0.0) return false;
    float ex = a1.X - a0.X;
    float ey = a1.Y - a0.Y;
    double q = double(lx) * double(ey) - double(ly) * double(ex);
    if (q == 0.0) return false;
    double t = r / q;
    TVec2 P{float(a0.X + ex * t), float(a0.Y + ey * t)};
    // A crossing of a horizontal or vertical second segment lies on its line:
    // without this the rounded point misses the zero-width span test and a
    // path through a flat floor would pass unseen.
    if (ly == 0.0f) P.Y = b0.Y;
    if (lx == 0.0f) P.X = b0.X;
    if (!Between(P.X, a0.X, a1.X) || !Between(P.X, b0.X, b1.X) || !Between(P.Y, a0.Y, a1.Y) ||
        !Between(P.Y, b0.Y, b1.Y))
        return false;
    point = P;
    return true;
}

bool SegmentCrossPoint(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1, TVec2& point) {
    if (std::min(a0.X, a1.X) > std::max(b0.X, b1.X) || std::max(a0.X, a1.X) < std::min(b0.X, b1.X) ||
        std::min(a0.Y, a1.Y) > std::max(b0.Y, b1.Y) || std::max(a0.Y, a1.Y) < std::min(b0.Y, b1.Y))
        return false;
    return SegmentCrossPointNoBox(a0, a1, b0, b1, point);
}

bool SegmentsCross(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1) {
    TVec2 unused;
    return SegmentCrossPoint(a0, a1, b0, b1, unused);
}

bool LineHitsSegment(TVec2 a, TVec2 b, TVec2 c, TVec2 d, TVec2& point) {
    // Line a + (b − a)·t against segment c + (d − c)·u, u in [0, 1].
    double ex = double(b.X) - a.X, ey = double(b.Y) - a.Y;
    double fx = double(d.X) - c.X, fy = double(d.Y) - c.Y;
    double den = ex * fy - ey * fx;
    if (den == 0.0) return false;
    double gx = double(c.X) - a.X, gy = double(c.Y) - a.Y;
    double u = (gx * ey - gy * ex) / den;
    if (u < 0.0 || u > 1.0) return false;
    point = {float(c.X + fx * u), float(c.Y + fy * u)};
    return true;
}

float EaseIn(float x) {
    return float(1.0 - std::cos(double(x) * 90.0 * DegToRad));
}

float EaseInTwice(float x) {
    return EaseIn(EaseIn(x));
}

float EaseDown(float x) {
    return float(1.0 - std::sin(double(x) * 90.0 * DegToRad));
}

bool AngleInArc(float a, float b, float x) {
    if (b >= a) return x <= a || x >= b;
    return b < x && x < a;
}

TVec2 BlendVectors(TVec2 u, TVec2 v, float t) {
    TVec2 dir = Normalized(u + (v - u) * t);
    float lu = Length(u), lv = Length(v);
    float len = lu + t * (lv - lu);
    return dir * len;
}

void MapAlongSegment(TVec2 a, TVec2 b, TVec2 p, TVec2 c, TVec2 d, TVec2& result) {
    if (a == b) return;
    float t = Length(p - a) / Length(b - a);
    result = d + (c - d) * t;
}

// Carries p on a–b to the point at the same fraction of a2–b2 (a goes to a2).
static void CarryAlong(TVec2 a, TVec2 b, TVec2 p, TVec2 a2, TVec2 b2, TVec2& result) {
    MapAlongSegment(a, b, p, b2, a2, result);
}

bool MapBetweenTriangles(TVec2 P, TVec2 Q, TVec2 S, TVec2 x, TVec2 P2, TVec2 Q2, TVec2 S2, TVec2& result) {
    if (x == P) {
        result = P2;
        return true;
    }
    if (x == Q) {
        result = Q2;
        return true;
    }
    if (x == S) {
        result = S2;
        return true;
    }
    if (PointOnSegment(P, Q, x)) {
        CarryAlong(P, Q, x, P2, Q2, result);
        return true;
    }
    if (PointOnSegment(Q, S, x)) {
        CarryAlong(Q, S, x, Q2, S2, result);
        return true;
    }
    if (PointOnSegment(S, P, x)) {
        CarryAlong(S, P, x, S2, P2, result);
        return true;
    }
    if (!PointInTriangle(P, Q, S, x, false)) return false;

    // From a corner through x to the opposite edge, then along the corner's ray.
    struct Try {
        TVec2 from, e0, e1, from2, e02, e12;
    };
    const Try tries[3] = {{P, Q, S, P2, Q2, S2}, {Q, S, P, Q2, S2, P2}, {S, P, Q, S2, P2, Q2}};
    for (const Try& t : tries) {
        TVec2 H;
        if (!LineHitsSegment(t.from, x, t.e0, t.e1, H)) continue;
        TVec2 H2 = t.e02;
        CarryAlong(t.e0, t.e1, H, t.e02, t.e12, H2);
        TVec2 out = t.from2;
        CarryAlong(t.from, H, x, t.from2, H2, out);
        result = out;
        return true;
    }
    return false;
}

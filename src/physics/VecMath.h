// Two-dimensional vector and geometry math shared by the whole game.
// X grows to the right and Y downward, as on the screen. Angles are radians.
#pragma once

#include <cstdint>

struct TVec2 {
    float X = 0.0f;
    float Y = 0.0f;

    friend bool operator==(const TVec2& a, const TVec2& b) { return a.X == b.X && a.Y == b.Y; }
    friend TVec2 operator+(TVec2 a, TVec2 b) { return {a.X + b.X, a.Y + b.Y}; }
    friend TVec2 operator-(TVec2 a, TVec2 b) { return {a.X - b.X, a.Y - b.Y}; }
    friend TVec2 operator*(TVec2 a, float s) { return {a.X * s, a.Y * s}; }
    TVec2& operator+=(TVec2 b) {
        X += b.X;
        Y += b.Y;
        return *this;
    }
    TVec2& operator-=(TVec2 b) {
        X -= b.X;
        Y -= b.Y;
        return *this;
    }
};

// Left is the smallest X, top the smallest Y.
struct TBox2 {
    float Left = 0.0f;
    float Top = 0.0f;
    float Right = 0.0f;
    float Bottom = 0.0f;

    friend bool operator==(const TBox2&, const TBox2&) = default;
};

// Half a turn. Float arithmetic takes PiF, the same value rounded once to
// single precision, so that a float sum stays a float sum.
constexpr double Pi = 3.14159265358979323846;
constexpr float PiF = float(Pi);
constexpr double DegToRad = Pi / 180.0;

float Length(TVec2 v);
float Dot(TVec2 a, TVec2 b);

// v := v / |v|; a zero vector becomes (0, 1).
void Normalize(TVec2& v);
TVec2 Normalized(TVec2 v);

// (x, y) := (c·x + s·y, −s·x + c·y)
void RotateCS(TVec2& v, float c, float s);
// Turns v by a radians counter-clockwise on the screen.
void Rotate(TVec2& v, float a);

// The angle of (x, y) measured the way Rotate turns: atan2(−y, x). Rotating a
// vector by a adds a to its standard angle.
float StandardAngle(TVec2 v);

bool PointInBox(TVec2 p, const TBox2& box);
bool BoxesOverlap(const TBox2& a, const TBox2& b);
bool OutsideBoxBy(TVec2 p, const TBox2& box, float tol);

bool PointInTriangle(TVec2 a, TVec2 b, TVec2 c, TVec2 p, bool strict);
bool SideOfLine(TVec2 a, TVec2 b, TVec2 p);
bool PointOnSegment(TVec2 a, TVec2 b, TVec2 p);

bool SegmentsCross(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1);
bool SegmentCrossPoint(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1, TVec2& point);
// The same tests without the quick rejection on the boxes (the edge grid has
// already filtered by cells).
bool SegmentCrossPointNoBox(TVec2 a0, TVec2 a1, TVec2 b0, TVec2 b1, TVec2& point);
bool LineHitsSegment(TVec2 a, TVec2 b, TVec2 c, TVec2 d, TVec2& point);

float EaseIn(float x);
float EaseInTwice(float x);
float EaseDown(float x);

bool AngleInArc(float a, float b, float x);

TVec2 BlendVectors(TVec2 u, TVec2 v, float t);
// Leaves result as it was when a = b.
void MapAlongSegment(TVec2 a, TVec2 b, TVec2 p, TVec2 c, TVec2 d, TVec2& result);
bool MapBetweenTriangles(TVec2 P, TVec2 Q, TVec2 S, TVec2 x, TVec2 P2, TVec2 Q2, TVec2 S2, TVec2& result);

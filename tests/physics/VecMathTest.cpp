#include "physics/VecMath.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
void ExpectNear(TVec2 got, TVec2 want, float tol = 1e-6f) {
    EXPECT_NEAR(got.X, want.X, tol);
    EXPECT_NEAR(got.Y, want.Y, tol);
}
} // namespace

TEST(VecMath, NormalizeAndRotate) {
    TVec2 zero{0, 0};
    Normalize(zero);
    EXPECT_EQ(zero, (TVec2{0, 1}));
    TVec2 v{3, 4};
    Normalize(v);
    ExpectNear(v, {0.6f, 0.8f});
    TVec2 r{1, 0};
    Rotate(r, PiF / 2);
    ExpectNear(r, {0, -1}); // up on the screen
}

TEST(VecMath, RotatingAddsToTheStandardAngle) {
    const TVec2 vectors[] = {{1, 0}, {0.3f, -2}, {-5, 1}, {2, 2}};
    for (TVec2 v : vectors) {
        for (float a : {0.2f, 1.0f, -0.7f}) {
            TVec2 w = v;
            Rotate(w, a);
            float diff = StandardAngle(w) - StandardAngle(v) - a;
            diff = std::remainder(diff, 2.0f * PiF);
            EXPECT_NEAR(diff, 0.0f, 1e-5f) << v.X << "," << v.Y << " by " << a;
        }
    }
}

TEST(VecMath, BoxTestsIncludeTheEdges) {
    TBox2 box{0, 0, 10, 5};
    EXPECT_TRUE(PointInBox({0, 0}, box));
    EXPECT_TRUE(PointInBox({10, 5}, box));
    EXPECT_FALSE(PointInBox({10.001f, 5}, box));
    EXPECT_TRUE(BoxesOverlap(box, {10, 5, 20, 20})) << "touching boxes overlap";
    EXPECT_FALSE(BoxesOverlap(box, {10.5f, 0, 20, 20}));
    EXPECT_FALSE(OutsideBoxBy({5, 2}, box, 0));
    EXPECT_FALSE(OutsideBoxBy({11, 2}, box, 1.5f));
    EXPECT_TRUE(OutsideBoxBy({12, 2}, box, 1.5f));
    EXPECT_TRUE(OutsideBoxBy({5, -3}, box, 2));
}

TEST(VecMath, PointInTriangleStrictAndInclusive) {
    TVec2 a{0, 0}, b{10, 0}, c{0, 10};
    struct Case {
        TVec2 p;
        bool strict, inclusive;
    } cases[] = {
        {{2, 2}, true, true},
        {{5, 0}, false, true},  // on an edge
        {{0, 0}, false, true},  // a corner
        {{6, 6}, false, false}, // outside
    };
    for (const Case& k : cases) {
        EXPECT_EQ(PointInTriangle(a, b, c, k.p, true), k.strict) << k.p.X << "," << k.p.Y;
        EXPECT_EQ(PointInTriangle(a, b, c, k.p, false), k.inclusive) << k.p.X << "," << k.p.Y;
        // The winding of the triangle does not matter.
        EXPECT_EQ(PointInTriangle(a, c, b, k.p, true), k.strict) << k.p.X << "," << k.p.Y;
    }
}

TEST(VecMath, SideAndOnSegment) {
    EXPECT_FALSE(SideOfLine({0, 0}, {10, 0}, {0, 0}));
    EXPECT_TRUE(SideOfLine({0, 0}, {10, 0}, {5, -1}));
    EXPECT_FALSE(SideOfLine({0, 0}, {10, 0}, {5, 1}));
    EXPECT_FALSE(PointOnSegment({0, 0}, {10, 10}, {0, 0}));
    EXPECT_FALSE(PointOnSegment({0, 0}, {10, 10}, {10, 10}));
    EXPECT_TRUE(PointOnSegment({0, 0}, {10, 10}, {5, 5}));
    EXPECT_TRUE(PointOnSegment({0, 0}, {10, 0}, {5, 0}));
    EXPECT_FALSE(PointOnSegment({0, 0}, {10, 10}, {5, 5.0001f}));
    EXPECT_FALSE(PointOnSegment({0, 0}, {10, 10}, {11, 11}));
}

TEST(VecMath, SegmentCrossing) {
    TVec2 p;
    ASSERT_TRUE(SegmentCrossPoint({0, 0}, {10, 10}, {0, 10}, {10, 0}, p));
    ExpectNear(p, {5, 5});
    // Sharing only an end point crosses…
    EXPECT_TRUE(SegmentsCross({0, 0}, {5, 5}, {5, 5}, {10, 0}));
    // …except when that point is the first segment's start on the second's line.
    EXPECT_FALSE(SegmentsCross({5, 5}, {0, 0}, {5, 5}, {10, 0}));
    EXPECT_FALSE(SegmentsCross({5, 5}, {5, 0}, {0, 5}, {10, 5}));
    EXPECT_FALSE(SegmentsCross({0, 0}, {10, 0}, {0, 1}, {10, 1})) << "parallel";
    EXPECT_FALSE(SegmentsCross({0, 0}, {1, 1}, {5, 0}, {6, -1})) << "far apart";
    EXPECT_TRUE(SegmentCrossPointNoBox({0, 0}, {10, 10}, {0, 10}, {10, 0}, p));
}

TEST(VecMath, LineHitsSegment) {
    TVec2 p{-1, -1};
    ASSERT_TRUE(LineHitsSegment({0, 0}, {1, 1}, {10, 0}, {10, 20}, p));
    ExpectNear(p, {10, 10});
    EXPECT_FALSE(LineHitsSegment({0, 0}, {1, 1}, {10, 0}, {10, 5}, p));
    EXPECT_FALSE(LineHitsSegment({0, 0}, {1, 0}, {0, 2}, {10, 2}, p));
}

TEST(VecMath, Curves) {
    EXPECT_FLOAT_EQ(EaseIn(0), 0);
    EXPECT_FLOAT_EQ(EaseIn(1), 1);
    EXPECT_FLOAT_EQ(EaseDown(0), 1);
    EXPECT_NEAR(EaseDown(1), 0, 1e-7);
    EXPECT_LT(EaseIn(0.5f), 0.5f) << "slow start";
    EXPECT_FLOAT_EQ(EaseInTwice(0.5f), EaseIn(EaseIn(0.5f)));
}

TEST(VecMath, AngleInArc) {
    EXPECT_FALSE(AngleInArc(-1, 1, 0));
    EXPECT_TRUE(AngleInArc(1, -1, 0));
    EXPECT_TRUE(AngleInArc(-1, 1, -1)) << "ends included when b >= a";
    EXPECT_TRUE(AngleInArc(-1, 1, 3));
    EXPECT_FALSE(AngleInArc(1, -1, 1)) << "ends excluded when b < a";
}

TEST(VecMath, BlendVectors) {
    TVec2 v = BlendVectors({2, 0}, {0, 4}, 0.5f);
    EXPECT_NEAR(Length(v), 3.0f, 1e-5f);
    EXPECT_NEAR(v.Y, 2 * v.X, 1e-5f) << "direction of u + (v - u) / 2 = (1, 2)";
    ExpectNear(BlendVectors({2, 0}, {0, 4}, 0), {2, 0});
    ExpectNear(BlendVectors({2, 0}, {0, 4}, 1), {0, 4});
}

TEST(VecMath, MapAlongSegment) {
    TVec2 out{7, 7};
    MapAlongSegment({1, 1}, {1, 1}, {1, 1}, {0, 0}, {5, 5}, out);
    EXPECT_EQ(out, (TVec2{7, 7})) << "a zero-length source leaves the output";
    MapAlongSegment({0, 0}, {10, 0}, {2.5f, 0}, {100, 0}, {0, 0}, out);
    ExpectNear(out, {25, 0});
}

TEST(VecMath, MapBetweenTrianglesCarriesCornersEdgesAndInside) {
    TVec2 P{0, 0}, Q{10, 0}, S{0, 10};
    // The second triangle is the first doubled and moved: an affine map, so
    // every point must land where the affine map sends it.
    auto image = [](TVec2 x) { return TVec2{2 * x.X + 100, 2 * x.Y - 50}; };
    TVec2 P2 = image(P), Q2 = image(Q), S2 = image(S);
    const TVec2 points[] = {P, Q, S, {5, 0}, {5, 5}, {0, 3}, {2, 3}, {1, 1}, {6, 2}};
    for (TVec2 x : points) {
        TVec2 out;
        ASSERT_TRUE(MapBetweenTriangles(P, Q, S, x, P2, Q2, S2, out)) << x.X << "," << x.Y;
        ExpectNear(out, image(x), 1e-4f);
    }
    TVec2 out;
    EXPECT_FALSE(MapBetweenTriangles(P, Q, S, {9, 9}, P2, Q2, S2, out));
}

#include "world/Spline.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
void ExpectNear(TVec2 got, TVec2 want, float tol) {
    EXPECT_NEAR(got.X, want.X, tol);
    EXPECT_NEAR(got.Y, want.Y, tol);
}
} // namespace

TEST(Spline, EndsAreExactAndTheDefaultEdgeIsStraight) {
    TSpline s = TSpline::CreateFromPoints({1.5f, -2}, {40, 70}, {9, 3.25f}, {-13, 5});
    EXPECT_EQ(s.Evaluate(0), s.StartPoint);
    EXPECT_EQ(s.Evaluate(1), s.EndPoint);
    TOutline o;
    MakeDefaultOutline(o);
    ExpectNear(o[0].Evaluate(0.5f), {50, 0}, 1e-4f);
    ExpectNear(o[1].Evaluate(0.25f), {100, 50}, 1e-4f);
    EXPECT_EQ(o[0].StartHandle.X, 33.333332f);
    EXPECT_EQ(o[1].StartHandle.Y, 66.666664f);
    EXPECT_EQ(o[0].Next, &o[1]);
    EXPECT_EQ(o[0].Prev, &o[3]);
    EXPECT_EQ(o[3].Next, &o[0]);
}

TEST(Spline, ZeroHandlesStayOnTheChord) {
    TSpline s = TSpline::CreateFromPoints({0, 0}, {0, 0}, {10, 20}, {0, 0});
    for (float t : {0.1f, 0.3f, 0.77f}) {
        TVec2 p = s.Evaluate(t);
        EXPECT_NEAR(p.Y, 2 * p.X, 1e-4f);
    }
    EXPECT_NE(s.Evaluate(0.25f).X, 2.5f) << "the speed along the chord is not uniform";
}

TEST(Spline, RecordRoundTripsAndIs78Bytes) {
    TSpline s = TSpline::CreateFromPoints({1, 2}, {3, 4}, {5, 6}, {7, 8});
    s.Segments = 17;
    s.ExtraFlag1 = 9;
    s.ExtraFlag2 = 200;
    s.Extra2 = -1.5f;
    TByteWriter w;
    s.WriteSpline(w);
    ASSERT_EQ(w.Bytes.size(), size_t(SplineRecordSize));
    TByteReader r(w.Bytes);
    TSpline back;
    back.ReadSpline(r);
    EXPECT_TRUE(r.AtEnd());
    TByteWriter again;
    back.WriteSpline(again);
    EXPECT_EQ(again.Bytes, w.Bytes);
    EXPECT_EQ(back.EndHandle, (TVec2{7, 8}));
    EXPECT_EQ(back.Segments, 17);
}

TEST(Spline, TranslateMovesOnlyTheEnds) {
    TOutline o;
    MakeDefaultOutline(o);
    TOutline before = o;
    ASSERT_TRUE(TranslateOutline(o.data(), 4, 10, -5));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(o[size_t(i)].StartPoint, (before[size_t(i)].StartPoint + TVec2{10, -5}));
        EXPECT_EQ(o[size_t(i)].StartHandle, before[size_t(i)].StartHandle);
        EXPECT_EQ(o[size_t(i)].EndHandle, before[size_t(i)].EndHandle);
    }
    EXPECT_FALSE(TranslateOutline(nullptr, 4, 1, 1));
    EXPECT_FALSE(LinkRing(o.data(), 0));
}

TEST(Spline, GridCounts) {
    struct {
        float w, h;
        int32_t columns, rows;
    } cases[] = {{256, 99, 3, 1},
                 {0, 0, 1, 1},
                 {-250, 100, 3, 2},
                 {99.9f, 100, 1, 2},
                 {NAN, INFINITY, 1, MaxPatchCells},
                 {5e8f, 1e30f, MaxPatchCells, MaxPatchCells}};
    for (const auto& c : cases) {
        int32_t columns = 0, rows = 0;
        GridCountsForSize(c.w, c.h, columns, rows);
        EXPECT_EQ(columns, c.columns) << c.w;
        EXPECT_EQ(rows, c.rows) << c.h;
    }
}

TEST(Spline, DefaultOutlineDeformsTheRectangleOntoItself) {
    TOutline o;
    MakeDefaultOutline(o);
    TBox2 box{0, 0, 100, 200};
    std::vector<TVec2> src = {{0, 0}, {100, 200}, {37.5f, 12}, {99.9f, 150}, {50, 100}, {100, 0}, {-20, 300}};
    std::vector<TVec2> dst(src.size(), TVec2{-1, -1});
    DeformPoints(src.data(), dst.data(), int32_t(src.size()), &box, 4, 3, o);
    EXPECT_EQ(src.back(), (TVec2{0, 200})) << "outside points are clamped into the box, in place";
    for (size_t i = 0; i < src.size(); ++i)
        ExpectNear(dst[i], src[i], 2e-3f);
}

TEST(Spline, PointRoundingLeavesOutsideItsCellFollowsTheWarp) {
    // Three columns over 0 … 100: the second cell starts at 100/3 in floats,
    // and the float just below it still counts into that cell, so it lies in
    // neither of the cell's triangles.
    const TBox2 box{0, 0, 100, 200};
    const float left = 1.0f / 3.0f * 100.0f, right = 2.0f / 3.0f * 100.0f;
    const TVec2 onEdge{left, 100}, outside{std::nextafter(left, 0.0f), 100};
    TVec2 ignored;
    ASSERT_FALSE(MapBetweenTriangles({left, 0}, {right, 0}, {left, 200}, outside, {}, {}, {}, ignored));
    ASSERT_FALSE(MapBetweenTriangles({left, 200}, {right, 0}, {right, 200}, outside, {}, {}, {}, ignored));

    // A warp that is not a plain shift: moved, and the top edge bowed upward.
    TOutline o;
    MakeDefaultOutline(o);
    TranslateOutline(o.data(), 4, 30, -10);
    o[0].StartHandle.Y = -30;
    o[0].EndHandle.Y = -30;
    std::vector<TVec2> src = {onEdge, outside};
    std::vector<TVec2> dst(src.size(), TVec2{-1000, -1000});
    DeformPoints(src.data(), dst.data(), int32_t(src.size()), &box, 1, 3, o);
    // The point goes where its neighbour on the cell's edge goes, not to the
    // value its target held before.
    ExpectNear(dst[1], dst[0], 1e-3f);
    EXPECT_GT(Length(dst[0] - onEdge), 10.0f) << "the warp moves the edge";
}

TEST(Spline, WarpedOutlineMovesInteriorPointsWithIt) {
    TOutline o;
    MakeDefaultOutline(o);
    // Shift the whole outline: the warp must shift every point the same.
    TranslateOutline(o.data(), 4, 30, -10);
    TBox2 box{0, 0, 100, 200};
    std::vector<TVec2> src = {{10, 10}, {100, 200}, {55, 120}};
    std::vector<TVec2> dst(src.size());
    DeformPoints(src.data(), dst.data(), 3, &box, 2, 2, o);
    for (size_t i = 0; i < src.size(); ++i)
        ExpectNear(dst[i], src[i] + TVec2{30, -10}, 2e-3f);
    // A flat box has no cells: targets are left alone.
    TBox2 flat{0, 0, 0, 10};
    TVec2 p{0, 5}, q{7, 7};
    DeformPoints(&p, &q, 1, &flat, 2, 2, o);
    EXPECT_EQ(q, (TVec2{7, 7}));
}

#include "app/Ease.h"
#include "app/PointArrays.h"
#include "app/TextFormat.h"
#include "physics/VecMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

TEST(Ease, TablesHitTheirFixedPoints) {
    FillEaseTables();
    EXPECT_EQ(EaseTable256[0], 0.0f);
    EXPECT_EQ(EaseTable256[255], 1.0f);
    EXPECT_EQ(EaseTable2049[0], 0.0f);
    EXPECT_EQ(EaseTable2049[1024], 0.5f);
    EXPECT_EQ(EaseTable2049[2048], 1.0f);
    for (int i = 1; i < 2049; ++i)
        ASSERT_GE(EaseTable2049[i], EaseTable2049[i - 1]) << i;
}

TEST(Ease, InOutIsTheSCurve) {
    for (float x : {0.1f, 0.25f, 0.4f, 0.6f, 0.75f, 0.9f}) {
        double expected =
            x < 0.5f ? 0.5 * (1 - std::cos(2 * x * Pi / 2)) : 0.5 + 0.5 * std::sin((2 * x - 1) * Pi / 2);
        EXPECT_NEAR(EaseInOut(x), expected, 1e-6) << x;
        EXPECT_NEAR(EaseInOut(x) + EaseInOut(1 - x), 1.0, 1e-6) << "symmetric at " << x;
    }
}

struct TScoreCase {
    int64_t n;
    int width;
    const char* text;
};

TEST(TextFormat, Scores) {
    const TScoreCase cases[] = {
        {1234567, 0, "1.234.567"}, {12345, 0, "12.345"}, {999, 0, "999"}, {5, 3, "005"},
        {1000000, 0, "1.000.000"}, {1000, 0, "1.000"},   {0, 0, "0"},     {42, 6, "000.042"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatScore(c.n, c.width), c.text) << c.n << "/" << c.width;
}

TEST(TextFormat, Times) {
    const std::pair<int64_t, const char*> cases[] = {
        {12507, "2:05.07"}, {0, "0:00.00"}, {6000, "1:00.00"}, {5999, "0:59.99"}, {66000, "11:00.00"},
    };
    for (const auto& [ticks, text] : cases)
        EXPECT_EQ(FormatTime(ticks), text) << ticks;
}

TEST(TextFormat, DigitsAndPadding) {
    EXPECT_EQ(DigitCount(-250), 3);
    EXPECT_EQ(DigitCount(0), 1);
    EXPECT_EQ(DigitCount(9), 1);
    EXPECT_EQ(DigitCount(10), 2);
    EXPECT_EQ(DigitCount(INT64_MIN), 19);
    EXPECT_EQ(PadInt(7, 3), "007");
    EXPECT_EQ(PadInt(1234, 2), "1234");
    EXPECT_TRUE(IsAllDigits("0123"));
    EXPECT_FALSE(IsAllDigits(""));
    EXPECT_FALSE(IsAllDigits("12a"));
    EXPECT_FALSE(IsAllDigits("-1"));
}

TEST(PointArrays, RefuseMissingOrEmptyArrays) {
    TVec2 p{1, 2};
    TVec2 c{5, 5};
    TBox2 b{9, 9, 9, 9};
    EXPECT_FALSE(PointsCentre(nullptr, 3, c));
    EXPECT_FALSE(PointsCentre(&p, 0, c));
    EXPECT_FALSE(PointsBounds(&p, -1, b));
    EXPECT_FALSE(MovePoints(&p, 0, 1, 1));
    EXPECT_EQ(c, (TVec2{5, 5}));
    EXPECT_EQ(b, (TBox2{9, 9, 9, 9}));
    EXPECT_EQ(p, (TVec2{1, 2}));
}

TEST(PointArrays, CentreBoundsMoveScaleReverse) {
    std::vector<TVec2> pts = {{0, 0}, {4, 0}, {4, 2}, {0, 2}};
    TVec2 c;
    ASSERT_TRUE(PointsCentre(pts.data(), 4, c));
    EXPECT_EQ(c, (TVec2{2, 1}));
    TBox2 b;
    ASSERT_TRUE(PointsBounds(pts.data(), 4, b));
    EXPECT_EQ(b, (TBox2{0, 0, 4, 2}));
    MovePoints(pts.data(), 4, 1, -1);
    EXPECT_EQ(pts[2], (TVec2{5, 1}));
    ScalePoints(pts.data(), 4, {1, -1}, 2, 3);
    EXPECT_EQ(pts[2], (TVec2{9, 5}));
    ReversePoints(pts.data(), 3);
    EXPECT_EQ(pts[0], (TVec2{9, 5}));
    EXPECT_EQ(pts[2], (TVec2{1, -1}));
}

TEST(PointArrays, RotateTurnsLikeRotate) {
    const TVec2 source[2] = {{3, 1}, {10, -4}};
    const TVec2 centre{1, 1};
    for (float a : {0.3f, PiF / 2, -2.0f}) {
        TVec2 pts[2] = {source[0], source[1]};
        ASSERT_TRUE(RotatePoints(pts, 2, centre, a));
        for (int i = 0; i < 2; ++i) {
            TVec2 v = source[i] - centre;
            Rotate(v, a);
            EXPECT_NEAR(pts[i].X, centre.X + v.X, 1e-5f) << "angle " << a;
            EXPECT_NEAR(pts[i].Y, centre.Y + v.Y, 1e-5f) << "angle " << a;
        }
    }
}

TEST(PointArrays, StridedCopyScattersAndGathers) {
    uint8_t rgba[12] = {};
    const uint8_t plane[3] = {10, 20, 30};
    StridedCopy(plane, rgba + 2, 1, 3, 4);
    EXPECT_EQ(rgba[2], 10);
    EXPECT_EQ(rgba[6], 20);
    EXPECT_EQ(rgba[10], 30);
    uint8_t back[3] = {};
    StridedCopy(rgba + 2, back, 4, 3, 1);
    EXPECT_EQ(back[2], 30);
}

#include "PhysicsFixture.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PhysicsSettings, ColumnsAndFigureElasticity) {
    Sets.LoadDefaults();
    struct TCase {
        int32_t Kind;
        float FigureE;
    };
    // Kind 5 builds its rest springs with the "Car" column; 0 and unknown kinds with rubber.
    const TCase cases[] = {{0, 0.003f}, {1, 0.003f},  {2, 0.0016f}, {3, 0.003f},
                           {4, 0.003f}, {5, 0.0003f}, {6, 0.003f},  {-1, 0.003f}};
    for (const TCase& c : cases)
        EXPECT_EQ(Sets.FigureElasticity(c.Kind), c.FigureE) << c.Kind;
    EXPECT_EQ(Sets.ColumnFor(6), nullptr);
    EXPECT_EQ(Sets.ColumnFor(5)->Elasticity, 0.002f);
    // The table is mutable and read, not copied.
    Sets.Water.Elasticity = 0.01f;
    EXPECT_EQ(Sets.FigureElasticity(2), 0.01f);
    Sets.LoadDefaults();
    EXPECT_EQ(Sets.FigureElasticity(2), 0.0016f);
}

TEST(SoftBody, SetMaterialByKind) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkBalloon, 12, 30, 0, 0);
    EXPECT_EQ(c->MaterialKind, 1);
    EXPECT_EQ(c->Vertices[3].AirGravityFactor, 0.06f);
    EXPECT_EQ(c->Vertices[3].WaterGravityFactor, -3.04f);
    EXPECT_EQ(c->Elasticity, 0.003f);
    // A kind-5 body takes its elasticity from "Bubble", not from "Car".
    c->SetMaterial(mkBubble);
    EXPECT_EQ(c->Elasticity, 0.002f);
    EXPECT_EQ(c->Figure->MaterialKind, 5);
    // Negative kinds are rubber; unknown kinds change only the kind.
    c->SetMaterial(-4);
    EXPECT_EQ(c->MaterialKind, 0);
    EXPECT_EQ(c->Vertices[0].AirRoll, 0.2f);
    c->SetMaterial(9);
    EXPECT_EQ(c->MaterialKind, 9);
    EXPECT_EQ(c->Vertices[0].AirRoll, 0.2f);
    EXPECT_EQ(c->Elasticity, 0.003f);
}

TEST(SoftBody, DuckKeelAndFlatDuck) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkWater, 20, 30, 0, 0);
    c->SetMaterial(mkDuck);
    int keel = 0;
    for (int32_t i = 0; i < c->VertexCount(); ++i) {
        const float y = c->Figure->Points[size_t(i)].Pos.Y;
        const bool low = (y + 30.0f) / 60.0f >= 0.9f;
        EXPECT_EQ(c->Vertices[size_t(i)].AirGravityFactor, low ? 2.91f : 0.51f) << i;
        keel += low ? 1 : 0;
    }
    EXPECT_GT(keel, 0);
    EXPECT_EQ(c->Settling, -0.1f);

    // A perfectly flat duck keeps everything of its previous material.
    TRollix* flat = w.AddBody(mkWater, 4, 30, 200, 0);
    for (int32_t i = 0; i < 4; ++i)
        flat->Figure->Points[size_t(i)].Pos.Y = 0.0f;
    flat->SetMaterial(mkDuck);
    EXPECT_EQ(flat->MaterialKind, mkDuck);
    EXPECT_EQ(flat->Elasticity, 0.0016f);
    EXPECT_EQ(flat->Settling, -0.16f);
    EXPECT_EQ(flat->Vertices[0].AirRoll, 0.09f);
}

TEST(SoftBody, FigureBuildPairsAndMeans) {
    TMubFigure f;
    f.MaterialKind = mkRubber;
    f.SetPointCount(4);
    const TVec2 pts[] = {{10, 10}, {30, 10}, {30, 50}, {10, 50}};
    for (int i = 0; i < 4; ++i)
        f.Points[size_t(i)].Pos = pts[i];
    f.BuildPairs();
    EXPECT_EQ(f.Points[0].Pos, (TVec2{-10, -20}));
    EXPECT_FLOAT_EQ(f.MeanAbsX, 10.0f);
    EXPECT_FLOAT_EQ(f.MeanAbsY, 20.0f);
    EXPECT_FLOAT_EQ(f.Pair(0, 2).RestLength, std::sqrt(20.0f * 20.0f + 40.0f * 40.0f));
    EXPECT_FLOAT_EQ(f.Pair(0, 1).Stiffness, 0.003f * 40.0f / 20.0f);
    EXPECT_EQ(f.Pair(2, 2).Stiffness, 0.0f); // no division by a zero length
    EXPECT_FLOAT_EQ(f.Points[1].RestAngle, std::atan2(20.0f, 10.0f));
    f.BuildFan();
    ASSERT_EQ(f.TriangleCount(), 4);
    EXPECT_EQ(f.Triangles[3].A, -1);
    EXPECT_EQ(f.Triangles[3].B, 3);
    EXPECT_EQ(f.Triangles[3].C, 0);

    // Means over no points are 0 and the texture centre is the middle.
    TMubFigure empty;
    empty.BuildPairs();
    EXPECT_EQ(empty.MeanAbsX, 0.0f);
    EXPECT_EQ(empty.MeanTexCoord(), (TVec2{0.5f, 0.5f}));
    TBox2 box;
    EXPECT_FALSE(empty.GetBounds(box));
}

TEST(SoftBody, PlaceAtRestShape) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 16, 25, 100, -50);
    EXPECT_EQ(c->VertexCount(), 16);
    EXPECT_NEAR(c->Centre.X, 100.0f, 1e-4);
    EXPECT_NEAR(c->Centre.Y, -50.0f, 1e-4);
    EXPECT_EQ(c->StartX, 100.0f);
    EXPECT_EQ(c->Vertices[15].NextVertex, 0);
    EXPECT_EQ(c->Vertices[0].PrevVertex, 15);
    EXPECT_TRUE(c->OverlapCheck);
    for (int32_t i = 0; i < 16; ++i)
        for (int32_t j = 0; j < 16; ++j)
            EXPECT_NEAR(c->Pair(i, j).RestLength, c->Figure->Pair(i, j).RestLength, 1e-3);
    // At rest in its rest shape no spring pulls.
    c->SpringStep();
    for (const TRollixVertex& v : c->Vertices)
        EXPECT_LT(Length(v.Force), 1e-4f);
}

// A body with no contacts falls: its centre velocity grows by the material's
// gravity per tick until friction balances it at g·f / (1 − f).
TEST(SoftBody, FreeFallAndTerminalSpeed) {
    struct TCase {
        int32_t Kind;
        bool Water;
    };
    const TCase cases[] = {{mkRubber, false}, {mkBalloon, false}, {mkWater, false}, {mkCloth, false},
                           {mkRubber, true},  {mkBalloon, true},  {mkWater, true},  {mkBubble, false}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TEverywhereWater pool;
        if (k.Water) w.Level.Waters = &pool;
        TRollix* c = w.AddBody(k.Kind, 16, 30, 0, 0);
        const TSetsColumn& col = *Sets.ColumnFor(k.Kind);
        const float g = (k.Water ? col.Upper.WaterGravity : col.Upper.AirGravity) * 0.2f;
        const float f = k.Water ? col.Upper.WaterFriction : col.Upper.AirFriction;
        // The centre moves by last tick's velocity: v(t + 1) = (v(t) + g) · f.
        w.Tick(3);
        for (int t = 0; t < 5; ++t) {
            const float before = c->CentreVel.Y;
            w.Tick();
            EXPECT_NEAR(c->CentreVel.Y, (before + g) * f, 1e-4f) << "kind " << k.Kind << " water " << k.Water;
        }
        if (f < 1.0f) {
            const float terminal = g * f / (1.0f - f);
            w.Tick(5000);
            EXPECT_NEAR(c->CentreVel.Y, terminal, std::fabs(terminal) * 0.01f + 1e-4f)
                << "kind " << k.Kind << " water " << k.Water;
        }
        EXPECT_TRUE(AllFinite(*c));
    }
}

TEST(SoftBody, OnePointBodyHasNoTurnAndNoSprings) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 1, 0, 5, 5);
    ASSERT_EQ(c->VertexCount(), 1);
    c->Turn = 0.25f;
    w.Tick(10);
    EXPECT_EQ(c->Turn, 0.25f); // no estimate with fewer than two samples
    EXPECT_EQ(c->Vertices[0].Force, (TVec2{0, 0}));
    EXPECT_GT(c->Vertices[0].Vel.Y, 0.0f);
}

TEST(SoftBody, ClothWithFewNodesVisitsNeighboursAgain) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkCloth, 3, 20, 0, 0);
    TRollix* r = w.AddBody(mkRubber, 3, 20, 300, 0);
    // Stretch node 1 of both the same way.
    c->Vertices[1].Pos.X += 4.0f;
    r->Vertices[1].Pos.X += 4.0f;
    c->Settling = r->Settling = 0.0f;
    c->SpringStep();
    r->SpringStep();
    // Cloth visits i − 3 … i + 3 (wrapping; node 0 itself, met at −3, 0 and
    // +3, is skipped): with N = 3 each other node is met twice, while the
    // all-pairs rubber meets it once.
    const TVec2 fc = c->Vertices[0].Force, fr = r->Vertices[0].Force;
    ASSERT_GT(std::fabs(fr.X), 1e-4f);
    EXPECT_NEAR(fc.X, 2.0f * fr.X, std::fabs(fr.X) * 1e-4f);
    EXPECT_NEAR(fc.Y, 2.0f * fr.Y, std::fabs(fr.Y) * 1e-4f + 1e-7f);
}

TEST(SoftBody, SpringForceIsCapped) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 8, 30, 0, 0);
    for (TRollixVertex& v : c->Vertices)
        v.Pos = v.Pos * 5.0f; // hugely stretched
    c->SpringStep();
    for (const TRollixVertex& v : c->Vertices)
        EXPECT_LE(Length(v.Force), 15.0f + 1e-4f);
}

TEST(SoftBody, GluePullsAndTears) {
    struct TCase {
        float Distance;
        bool Pulls, Tears;
    };
    const TCase cases[] = {{0.5f, false, false}, {1.0f, true, false},   {30.0f, true, false},
                           {44.0f, true, false}, {45.0f, false, false}, {45.5f, false, true}};
    for (const TCase& k : cases) {
        TTestWorld w;
        TRollix* c = w.AddBody(mkRubber, 4, 20, 0, 0);
        TRollixVertex& v = c->Vertices[0];
        v.Glued = true;
        v.GlueAnchor = v.Pos + TVec2{k.Distance, 0};
        v.GlueMaxLength = 45.0f;
        v.GlueStiffness = 0.05f;
        c->GluedCount = 1;
        c->GlueStep();
        EXPECT_EQ(v.Vel.X > 0.0f, k.Pulls) << k.Distance;
        if (k.Pulls) EXPECT_FLOAT_EQ(v.Vel.X, (45.0f - k.Distance) * 0.05f);
        EXPECT_EQ(!v.Glued, k.Tears) << k.Distance;
        EXPECT_EQ(c->GluedCount, k.Tears ? 0 : 1);
        EXPECT_EQ(c->GlueTorn, k.Tears ? 1 : 0);
    }
}

TEST(SoftBody, GluedWaterBodyIsThreeTimesStiffer) {
    TTestWorld w;
    TRollix* a = w.AddBody(mkWater, 8, 30, 0, 0);
    TRollix* b = w.AddBody(mkWater, 8, 30, 300, 0);
    a->Vertices[2].Pos.Y += 3.0f;
    b->Vertices[2].Pos.Y += 3.0f;
    a->Vertices[5].Glued = true;
    a->GluedCount = 1;
    a->SpringStep();
    b->SpringStep();
    EXPECT_NEAR(a->Vertices[2].Force.Y, 3.0f * b->Vertices[2].Force.Y, 1e-5f);
}

TEST(SoftBody, TurnEstimateFollowsRotation) {
    const float angles[] = {0.0f, 0.3f, -1.2f, 2.5f, 3.1f, -3.1f};
    for (float a : angles) {
        TTestWorld w;
        TRollix* c = w.AddBody(mkRubber, 16, 30, 0, 0);
        c->RotateAboutCentre(a);
        c->ComputeCentre();
        c->EstimateTurn();
        // Turning by a adds a to each node's standard angle, so the body is a behind its rest shape.
        float want = -a;
        float diff = std::remainder(c->Turn - want, 2.0f * PiF);
        EXPECT_NEAR(diff, 0.0f, 1e-4f) << a;
        EXPECT_GT(c->Turn, -PiF - 1e-6f);
        EXPECT_LE(c->Turn, PiF + 1e-6f);
    }
}

TEST(SoftBody, ScaleDeformAndMorph) {
    TTestWorld w;
    TRollix* c = w.AddBody(mkRubber, 12, 30, 0, 0);
    c->ScaleBody(false, 2.0f, 0.5f);
    EXPECT_FLOAT_EQ(c->SizeFactor, 1.0f);
    EXPECT_NEAR(c->Bounds.Right - c->Bounds.Left, 60.0f, 1e-3); // bounds not yet recomputed
    c->ComputeBounds();
    EXPECT_NEAR(c->Bounds.Right - c->Bounds.Left, 120.0f, 1e-3);
    EXPECT_NEAR(c->Pair(0, 6).RestLength, 120.0f, 1e-3);

    // Deforming a balloon point shrinks it by the cube of the factor.
    TRollix* b = w.AddBody(mkBalloon, 12, 30, 300, 0);
    b->DeformPoint(0, 0.5f);
    EXPECT_FLOAT_EQ(b->Figure->Points[0].Pos.X, 30.0f * 0.125f);
    EXPECT_EQ(b->Pair(0, 6).RestLength, b->Figure->Pair(0, 6).RestLength);
    EXPECT_EQ(b->Pair(6, 0).RestLength, b->Figure->Pair(0, 6).RestLength);
    // An index outside the figure changes neither the figure nor the body.
    const std::vector<TFigurePoint> points = b->Figure->Points;
    const std::vector<TPairRecord> figurePairs = b->Figure->Pairs, bodyPairs = b->Pairs;
    auto samePairs = [](const std::vector<TPairRecord>& got, const std::vector<TPairRecord>& want) {
        if (got.size() != want.size()) return false;
        for (size_t k = 0; k < got.size(); ++k)
            if (got[k].RestLength != want[k].RestLength || got[k].Stiffness != want[k].Stiffness)
                return false;
        return true;
    };
    for (int32_t i : {-1, b->Figure->PointCount(), 99}) {
        b->DeformPoint(i, 0.5f);
        ASSERT_EQ(b->Figure->Points.size(), points.size());
        for (size_t k = 0; k < points.size(); ++k)
            EXPECT_EQ(b->Figure->Points[k].Pos, points[k].Pos) << i << " point " << k;
        EXPECT_TRUE(samePairs(b->Figure->Pairs, figurePairs)) << i;
        EXPECT_TRUE(samePairs(b->Pairs, bodyPairs)) << i;
    }

    // Morph into a figure with more nodes: added nodes start beside their
    // predecessor, the glued count follows the node count.
    TRollix* m = w.AddBody(mkWater, 8, 30, 600, 0);
    m->Vertices[7].Glued = true;
    m->GluedCount = 1;
    MakeRingFigure(*m->Figure, mkWater, 6, 30, 30);
    m->MorphStep(true);
    EXPECT_EQ(m->MorphLeft, 80);
    EXPECT_EQ(m->VertexCount(), 6);
    EXPECT_EQ(m->GluedCount, 0);
    MakeRingFigure(*m->Figure, mkWater, 10, 30, 30);
    m->MorphStep(false);
    ASSERT_EQ(m->VertexCount(), 10);
    EXPECT_EQ(m->Vertices[7].Pos, (m->Vertices[6].Pos + TVec2{0.5f, -0.5f}));
    for (int t = 0; t < 100; ++t)
        w.Tick();
    EXPECT_EQ(m->MorphLeft, 0);
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_NEAR(m->Pair(0, i).RestLength, m->Figure->Pair(0, i).RestLength, 0.05f) << i;
}

TEST(SoftBody, IndexWrappingIsTrueModulo) {
    EXPECT_EQ(WrapIndex(-1, 5), 4);
    EXPECT_EQ(WrapIndex(-3, 2), 1);
    EXPECT_EQ(WrapIndex(-7, 3), 2);
    EXPECT_EQ(WrapIndex(9, 4), 1);
    EXPECT_EQ(WrapIndex(3, 0), 0);
}

#include "world/EdgeGrid.h"
#include "world/CollisionEdges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {
class TBoxWater : public TWaterArea {
  public:
    explicit TBoxWater(TBox2 b) : Box(b) {}
    TBox2 Box;
    TBox2 AreaBounds() const override { return Box; }
    bool ContainsPoint(TVec2 p) const override { return PointInBox(p, Box); }
};

TBorderRing Square(float x0, float y0, float x1, float y1) {
    TBorderRing r;
    r.Points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    return r;
}
} // namespace

TEST(CollisionEdges, SquareRingLinksAndDerivedValues) {
    std::vector<TCollisionEdge> edges;
    edges.push_back(MakeEdge({0, 0}, {1, 1})); // something before the ring
    TBorderRing ring = Square(0, 0, 10, 20);
    ring.Skidness = {0.0f, 0.5f, 0.0f, 0.0f};
    ring.Spikes = {false, false, true, false};
    AppendRingEdges(edges, ring);
    ASSERT_EQ(edges.size(), 5u);
    // Indices 1 … 4 form a ring; the first edge's previous is the fourth.
    EXPECT_EQ(edges[1].PrevEdge, 4);
    EXPECT_EQ(edges[4].NextEdge, 1);
    EXPECT_EQ(edges[2].PrevEdge, 1);
    EXPECT_EQ(edges[2].NextEdge, 3);
    // Top edge: horizontal, so InvDY is 0 and MaxY = MinY; the normal points up.
    EXPECT_EQ(edges[1].InvDY, 0.0f);
    EXPECT_FLOAT_EQ(edges[1].InvDX, 0.1f);
    EXPECT_EQ(edges[1].MaxY, edges[1].MinY);
    EXPECT_EQ(edges[1].Normal, (TVec2{0.0f, -1.0f}));
    EXPECT_EQ(edges[1].Tangent, (TVec2{-1.0f, -0.0f}));
    // Right edge: vertical.
    EXPECT_EQ(edges[2].InvDX, 0.0f);
    EXPECT_EQ(edges[2].Normal, (TVec2{1.0f, 0.0f}));
    // Per-end surface values come from the two end points.
    EXPECT_EQ(edges[1].SlideEnd, 0.5f);
    EXPECT_TRUE(edges[1].HasSlide);
    EXPECT_TRUE(edges[2].HasSlide);
    EXPECT_FALSE(edges[3].HasSlide);
    EXPECT_TRUE(edges[2].SpikyEnd);
    EXPECT_TRUE(edges[3].SpikyStart);
    EXPECT_FALSE(edges[1].SpikyStart || edges[1].SpikyEnd);
    // A zero-length edge gets the normal (0, 1) and no inverse spans.
    TCollisionEdge dot = MakeEdge({3, 3}, {3, 3});
    EXPECT_EQ(dot.Normal, (TVec2{0.0f, 1.0f}));
    EXPECT_EQ(dot.InvDX, 0.0f);
    EXPECT_EQ(dot.InvDY, 0.0f);
}

TEST(CollisionEdges, ValueAlongEdge) {
    TCollisionEdge h = MakeEdge({0, 0}, {10, 0});
    EXPECT_FLOAT_EQ(EdgeValueAt(h, {2.5f, 0}, 0.0f, 1.0f), 0.25f);
    TCollisionEdge v = MakeEdge({0, 0}, {0, 10});
    EXPECT_FLOAT_EQ(EdgeValueAt(v, {0, 7.5f}, 1.0f, 0.0f), 0.25f);
    TCollisionEdge dot = MakeEdge({1, 1}, {1, 1});
    EXPECT_EQ(EdgeValueAt(dot, {1, 1}, 0.3f, 0.9f), 0.3f);
}

TEST(EdgeGrid, CastFindsNearestOfCrossingEdges) {
    // Two vertical edges at x = 60 and x = 30, listed far edge first.
    std::vector<TCollisionEdge> edges = {MakeEdge({60, -10}, {60, 10}), MakeEdge({30, -10}, {30, 10})};
    TFragments grid;
    grid.Build(edges, {});
    TCastResult r = grid.CastSegment({0, 0}, {100, 0}, false, false);
    ASSERT_TRUE(r.Hit);
    EXPECT_EQ(r.Edge, 1);
    EXPECT_EQ(r.Point, (TVec2{30, 0}));
    // Backwards the other one is first.
    r = grid.CastSegment({100, 0}, {0, 0}, false, false);
    ASSERT_TRUE(r.Hit);
    EXPECT_EQ(r.Edge, 0);
    // A miss leaves the point at from + (100000, 100000).
    r = grid.CastSegment({0, 20}, {100, 20}, false, false);
    EXPECT_FALSE(r.Hit);
    EXPECT_EQ(r.Point, (TVec2{100000, 100020}));
    // Grazing the very end of an edge counts.
    r = grid.CastSegment({0, 10}, {100, 10}, false, false);
    EXPECT_TRUE(r.Hit);
}

TEST(EdgeGrid, PassFlagsAreSkippedPerCaller) {
    struct TCase {
        bool PassBodies, PassParticles, SkipParticles, SkipBodies, Hit;
    };
    const TCase cases[] = {
        {true, false, false, true, false},  // a body flies through
        {true, false, true, false, true},   // rain stops at it
        {true, true, true, false, false},   // unless particles pass too
        {false, false, false, false, true}, // the water sees everything
        {true, true, false, false, true},
    };
    for (const TCase& c : cases) {
        std::vector<TCollisionEdge> edges = {MakeEdge({50, -10}, {50, 10})};
        edges[0].PassBodies = c.PassBodies;
        edges[0].PassParticles = c.PassParticles;
        TFragments grid;
        grid.Build(edges, {});
        EXPECT_EQ(grid.CastSegment({0, 0}, {100, 0}, c.SkipParticles, c.SkipBodies).Hit, c.Hit)
            << c.PassBodies << c.PassParticles << c.SkipParticles << c.SkipBodies;
    }
}

TEST(EdgeGrid, CellsAndWaters) {
    std::vector<TCollisionEdge> edges;
    AppendRingEdges(edges, Square(0, 0, 100, 50));
    TBoxWater pool({10, 10, 40, 40}), outside({200, 200, 260, 220});
    TFragments grid;
    grid.Build(edges, {&pool, &outside});
    // The box grows over the waters; cells are 20 units.
    EXPECT_EQ(grid.Right, 260.0f);
    EXPECT_EQ(grid.Bottom, 220.0f);
    EXPECT_EQ(grid.Columns, 13);
    EXPECT_EQ(grid.Rows, 11);
    EXPECT_EQ(grid.WaterAt({20, 20}), &pool);
    EXPECT_EQ(grid.WaterAt({50, 20}), nullptr);
    EXPECT_EQ(grid.WaterAt({210, 210}), &outside);
    EXPECT_EQ(grid.WaterAt({-5, 20}), nullptr);
    EXPECT_EQ(grid.WaterAt({5000, 20}), nullptr);
    EXPECT_EQ(grid.WaterAt({std::nanf(""), 20}), nullptr);
    // Every edge is filed in the cells its segment touches and nowhere else.
    for (int32_t c = 0; c < grid.Columns; ++c)
        for (int32_t r = 0; r < grid.Rows; ++r)
            for (int32_t k : grid.Cell(c, r).Edges) {
                const TCollisionEdge& e = edges[size_t(k)];
                TBox2 cell{grid.ColumnX[size_t(c)], grid.RowY[size_t(r)], grid.ColumnX[size_t(c) + 1],
                           grid.RowY[size_t(r) + 1]};
                EXPECT_TRUE(BoxesOverlap(cell, {e.MinX, e.MinY, e.MaxX, e.MaxY}));
            }
}

TEST(EdgeGrid, DegenerateLevels) {
    // No edges: one empty cell, no hits, no water.
    std::vector<TCollisionEdge> none;
    TBoxWater pool({0, 0, 10, 10});
    TFragments empty;
    empty.Build(none, {&pool});
    EXPECT_EQ(empty.Columns, 1);
    EXPECT_EQ(empty.Rows, 1);
    EXPECT_FALSE(empty.CastSegment({-5, -5}, {5, 5}, false, false).Hit);
    EXPECT_EQ(empty.WaterAt({5, 5}), nullptr);

    // All edges on one vertical line: zero width, an infinite cell scale.
    std::vector<TCollisionEdge> line = {MakeEdge({5, 0}, {5, 100})};
    TFragments thin;
    thin.Build(line, {});
    EXPECT_EQ(thin.Columns, 1);
    TCastResult r = thin.CastSegment({0, 50}, {10, 50}, false, false);
    EXPECT_TRUE(r.Hit);
    EXPECT_EQ(r.Point, (TVec2{5, 50}));

    // A huge level (a damaged coordinate, or a water far away) is filed into
    // a bounded number of cells and still answers.
    std::vector<TCollisionEdge> far = {MakeEdge({-1e30f, 0}, {1e30f, 0}), MakeEdge({0, -1e30f}, {0, 1e30f})};
    TBoxWater farPool({-1e30f, -1e30f, 1e30f, 1e30f});
    TFragments huge;
    huge.Build(far, {&farPool});
    EXPECT_LE(int64_t(huge.Columns) * huge.Rows, TFragments::MaxCells);
    EXPECT_TRUE(huge.CastSegment({-10, -10}, {10, 10}, false, false).Hit);
    EXPECT_EQ(huge.WaterAt({5, 5}), &farPool);
    // A cast with NaN or infinite ends neither crashes nor hits.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(huge.CastSegment({std::nanf(""), 0}, {1, 1}, false, false).Hit);
    (void)huge.CastSegment({-inf, -inf}, {inf, inf}, false, false);
}

// The grid must answer exactly what a walk over all edges answers: all
// crossings lie on the cast segment, so the closer-in-X-else-Y rule picks the
// nearest one whatever order the candidates come in.
TEST(EdgeGrid, MatchesWalkOverAllEdges) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> pos(-300.0f, 300.0f), len(-60.0f, 60.0f);
    std::bernoulli_distribution flag(0.2);
    for (int level = 0; level < 20; ++level) {
        std::vector<TCollisionEdge> edges;
        for (int k = 0; k < 200; ++k) {
            TVec2 a{pos(rng), pos(rng)};
            TVec2 b = a + TVec2{len(rng), len(rng)};
            if (k % 10 == 0) b.Y = a.Y; // horizontal
            if (k % 10 == 1) b.X = a.X; // vertical
            TCollisionEdge e = MakeEdge(a, b);
            e.PassBodies = flag(rng);
            e.PassParticles = flag(rng);
            edges.push_back(e);
        }
        TFragments grid;
        grid.Build(edges, {});
        int hits = 0;
        for (int q = 0; q < 500; ++q) {
            TVec2 from{pos(rng), pos(rng)};
            TVec2 to = q % 3 == 0 ? from + TVec2{len(rng) * 5, len(rng) * 5} : TVec2{pos(rng), pos(rng)};
            bool skipP = q % 2 == 0, skipB = q % 4 < 2;
            TCastResult g = grid.CastSegment(from, to, skipP, skipB);
            TCastResult b = CastSegmentAllEdges(edges, from, to, skipP, skipB);
            ASSERT_EQ(g.Hit, b.Hit) << "level " << level << " query " << q;
            EXPECT_EQ(g.Point, b.Point) << "level " << level << " query " << q;
            if (g.Hit && g.Edge != b.Edge) {
                // Only two edges through the very same point may swap.
                TVec2 p;
                ASSERT_TRUE(
                    SegmentCrossPoint(from, to, edges[size_t(g.Edge)].Start, edges[size_t(g.Edge)].End, p));
                EXPECT_EQ(p, b.Point);
            }
            hits += g.Hit ? 1 : 0;
        }
        EXPECT_GT(hits, 50); // the fixture really exercises hits
    }
}

// Paths through a flat floor or a straight wall are always stopped, at a
// point exactly on its line: a rounded crossing point must not slip out of
// the edge's zero-width span.
TEST(EdgeGrid, AxisAlignedEdgesAlwaysStopCrossingPaths) {
    std::vector<TCollisionEdge> edges = {MakeEdge({-500, 0}, {500, 0}), MakeEdge({700, -500}, {700, 500})};
    TFragments grid;
    grid.Build(edges, {});
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> x(-400.0f, 400.0f), up(0.001f, 3.0f), step(-2.0f, 2.0f);
    for (int q = 0; q < 2000; ++q) {
        TVec2 from{x(rng), -up(rng)};
        TVec2 to{from.X + step(rng), up(rng)};
        TCastResult r = grid.CastSegment(from, to, false, true);
        ASSERT_TRUE(r.Hit) << from.X << "," << from.Y << " -> " << to.X << "," << to.Y;
        EXPECT_EQ(r.Point.Y, 0.0f);
        TVec2 wallFrom{700.0f - up(rng), x(rng)};
        TVec2 wallTo{700.0f + up(rng), wallFrom.Y + step(rng)};
        r = grid.CastSegment(wallFrom, wallTo, false, true);
        ASSERT_TRUE(r.Hit);
        EXPECT_EQ(r.Point.X, 700.0f);
    }
}

#include "world/Mesh.h"
#include "assets/TexLib.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"
#include "world/MaterialMan.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {
// A mesh in a group of its own, with a material manager behind it.
struct TMeshFixture {
    TMaterialMan Materials;
    TMultiMesh Group{nullptr, &Materials};
    TMesh& Mesh = *Group.Add();
};

TVec2 Centroid(const TMesh& m, const TTriangle& t) {
    TVec2 a = m.Vertices[size_t(t.V[0])], b = m.Vertices[size_t(t.V[1])], c = m.Vertices[size_t(t.V[2])];
    return {(a.X + b.X + c.X) / 3, (a.Y + b.Y + c.Y) / 3};
}

// Even-odd test against a closed polygon.
bool InsidePolygon(const std::vector<TVec2>& poly, TVec2 p) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        if ((poly[i].Y > p.Y) != (poly[j].Y > p.Y) &&
            p.X < (poly[j].X - poly[i].X) * (p.Y - poly[i].Y) / (poly[j].Y - poly[i].Y) + poly[i].X)
            in = !in;
    }
    return in;
}

// The border ring from edge 0: every edge once, back at the start.
std::vector<int32_t> RingVertices(const TMesh& m) {
    std::vector<int32_t> verts;
    int32_t e = 0;
    for (size_t i = 0; i < m.Edges.size(); ++i) {
        verts.push_back(m.Edges[size_t(e)].Vertex);
        int32_t next = m.Edges[size_t(e)].Next;
        EXPECT_EQ(m.Edges[size_t(next)].Prev, e);
        e = next;
    }
    EXPECT_EQ(e, 0) << "the ring closes";
    return verts;
}

TMyTexture* FakeTexture(TTexLib& lib, int w, int h, int bpp) {
    auto t = std::make_unique<TMyTexture>(&lib, int32_t(lib.Textures.size()), "fake.png");
    t->Picture = std::make_unique<TPicture>();
    t->Picture->SetPixels(w, h, bpp, std::vector<uint8_t>(size_t(w * h * bpp), 255));
    lib.Textures.push_back(std::move(t));
    return lib.Textures.back().get();
}
} // namespace

TEST(Mesh, TriangulatesSquaresAndReflexOutlines) {
    TMeshFixture f;
    f.Mesh.SetOutline(std::vector<TVec2>{{0, 0}, {100, 0}, {100, 100}, {0, 100}}.data(), 4);
    ASSERT_TRUE(f.Mesh.Triangulate());
    EXPECT_EQ(f.Mesh.Triangles.size(), 2u);
    EXPECT_EQ(f.Mesh.Origin, (TVec2{50, 50}));

    // An arrow head: the point (50, 40) is a reflex corner.
    const std::vector<TVec2> arrow = {{0, 0}, {50, 40}, {100, 0}, {100, 100}, {0, 100}};
    TMeshFixture g;
    g.Mesh.SetOutline(arrow.data(), 5);
    ASSERT_TRUE(g.Mesh.Triangulate());
    ASSERT_EQ(g.Mesh.Triangles.size(), 3u);
    for (const TTriangle& t : g.Mesh.Triangles)
        EXPECT_TRUE(InsidePolygon(arrow, Centroid(g.Mesh, t)));
    EXPECT_EQ(RingVertices(g.Mesh).size(), 5u);

    TMeshFixture line;
    line.Mesh.SetOutline(std::vector<TVec2>{{0, 0}, {10, 0}, {20, 0}}.data(), 3);
    EXPECT_FALSE(line.Mesh.Triangulate()) << "a flat outline has no ear";
}

// Every triangle turns the same way as the outline, the areas add up to the
// outline's, and no outline point lies strictly inside a triangle.
void ExpectProperTriangulation(const std::vector<TVec2>& outline) {
    TMeshFixture f;
    f.Mesh.SetOutline(outline.data(), int32_t(outline.size()));
    ASSERT_TRUE(f.Mesh.Triangulate());
    ASSERT_EQ(f.Mesh.Triangles.size(), outline.size() - 2);
    double area = 0;
    for (const TTriangle& t : f.Mesh.Triangles) {
        std::vector<TVec2> tri = {f.Mesh.Vertices[size_t(t.V[0])], f.Mesh.Vertices[size_t(t.V[1])],
                                  f.Mesh.Vertices[size_t(t.V[2])]};
        double a = OutlineArea2(tri);
        EXPECT_GT(a, 0) << "a triangle turned the wrong way";
        area += a;
        for (size_t i = 0; i < outline.size(); ++i) {
            if (int32_t(i) == t.V[0] || int32_t(i) == t.V[1] || int32_t(i) == t.V[2]) continue;
            EXPECT_FALSE(PointInTriangle(tri[0], tri[1], tri[2], outline[i], true)) << "point " << i;
        }
    }
    EXPECT_NEAR(area, OutlineArea2(outline), 1e-3 * OutlineArea2(outline));
    EXPECT_EQ(RingVertices(f.Mesh).size(), outline.size());
}

TEST(Mesh, TriangulationsCoverTheOutline) {
    ExpectProperTriangulation({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    ExpectProperTriangulation({{0, 0}, {50, 40}, {100, 0}, {100, 100}, {0, 100}});
    // A comb: teeth hanging down from a bar.
    std::vector<TVec2> comb = {{0, 0}, {200, 0}, {200, 100}};
    for (int tooth = 4; tooth >= 0; --tooth) {
        float x = float(tooth) * 40;
        comb.push_back({x + 30, 100});
        comb.push_back({x + 30, 30});
        comb.push_back({x + 10, 30});
        comb.push_back({x + 10, 100});
        comb.push_back({x, 100});
    }
    comb.pop_back();
    comb.push_back({0, 100});
    ExpectProperTriangulation(comb);
    // The same square the other way round is refused.
    TMeshFixture ccw;
    ccw.Mesh.SetOutline(std::vector<TVec2>{{0, 0}, {0, 100}, {100, 100}, {100, 0}}.data(), 4);
    EXPECT_FALSE(ccw.Mesh.Triangulate());
}

TEST(Mesh, RingOrderMatchesInsertingOneNodeAtATime) {
    // The ear search order, built the plain way: each node in front of the
    // first larger key, or at the very front when not above the head.
    auto literal = [](const std::vector<float>& keys) {
        std::vector<int32_t> list;
        for (int32_t k = 0; k < int32_t(keys.size()); ++k) {
            if (list.empty() || keys[size_t(k)] <= keys[size_t(list.front())]) {
                list.insert(list.begin(), k);
                continue;
            }
            auto at = list.begin();
            while (at != list.end() && !(keys[size_t(*at)] > keys[size_t(k)]))
                ++at;
            list.insert(at, k);
        }
        return list;
    };
    uint32_t seed = 12345;
    for (int round = 0; round < 500; ++round) {
        std::vector<float> keys(size_t(1 + round % 40));
        for (float& k : keys) {
            seed = seed * 1664525u + 1013904223u;
            k = float((seed >> 16) % 6); // few values: many ties
        }
        ASSERT_EQ(SortRingByKey(keys), literal(keys)) << "round " << round;
    }
}

TEST(Mesh, PointGridFindsEveryPointInABox) {
    uint32_t seed = 777;
    auto next = [&seed](float range) {
        seed = seed * 1664525u + 1013904223u;
        return float((seed >> 8) % 100000) / 100000.0f * range;
    };
    for (int round = 0; round < 50; ++round) {
        std::vector<TVec2> points(size_t(1 + round * 7));
        for (TVec2& p : points)
            p = {next(500) - 100, next(300) - 50};
        // Points on a line and repeated points too.
        if (round % 5 == 0)
            for (TVec2& p : points)
                p.Y = 7;
        if (round % 7 == 0) points.push_back(points.front());
        TPointGrid grid(points);
        for (int q = 0; q < 40; ++q) {
            float x = next(600) - 150, y = next(400) - 100;
            TBox2 box{x, y, x + next(120), y + next(80)};
            if (q % 9 == 0) box = {points[0].X, points[0].Y, points[0].X, points[0].Y};
            size_t brute = 0, found = 0;
            for (const TVec2& p : points)
                brute += PointInBox(p, box);
            grid.None(box, [&](int32_t i) {
                found += PointInBox(points[size_t(i)], box);
                return false;
            });
            ASSERT_EQ(found, brute) << "round " << round << " query " << q;
        }
    }
}

// Ear clipping done the plain way: every round sorts the whole ring and
// tries each node in that order.
std::vector<TTriangle> PlainEarClipping(const std::vector<TVec2>& P) {
    const int32_t n = int32_t(P.size());
    std::vector<int32_t> next(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        next[size_t(i)] = (i + 1) % n;
    auto keyOf = [&](int32_t i) {
        TVec2 d = P[size_t(next[size_t(next[size_t(i)])])] - P[size_t(i)];
        return d.X * d.X + d.Y * d.Y;
    };
    const TPointGrid grid(P);
    std::vector<uint8_t> cut(size_t(n), 0);
    std::vector<TTriangle> out;
    int32_t start = 0, ring = n;
    while (int32_t(out.size()) < n - 2 && ring > 1) {
        std::vector<int32_t> walk;
        std::vector<float> keys;
        for (int32_t k = 0, node = start; k < ring; ++k, node = next[size_t(node)]) {
            walk.push_back(node);
            keys.push_back(keyOf(node));
        }
        int32_t ear = -1;
        for (int32_t i : SortRingByKey(keys)) {
            int32_t p = walk[size_t(i)];
            if (IsOutlineEar(P, grid, p, next[size_t(p)], next[size_t(next[size_t(p)])], &cut)) {
                ear = p;
                break;
            }
        }
        if (ear < 0) break;
        int32_t q = next[size_t(ear)];
        out.push_back({{ear, q, next[size_t(q)]}});
        cut[size_t(q)] = 1;
        next[size_t(ear)] = next[size_t(q)];
        --ring;
        start = ear;
    }
    return out;
}

TEST(Mesh, TriangulationMatchesPlainEarClipping) {
    uint32_t seed = 4242;
    auto rnd = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return float((seed >> 8) % 10000) / 10000.0f;
    };
    std::vector<std::vector<TVec2>> outlines;
    for (int n : {3, 4, 7, 12, 30, 64, 150}) {
        std::vector<TVec2> regular, star, jagged;
        for (int i = 0; i < n; ++i) {
            // Clockwise on the screen: the angle grows with y down.
            float a = 2.0f * PiF * float(i) / float(n);
            regular.push_back({std::round(100 * std::cos(a)), std::round(100 * std::sin(a))});
            float r = i % 2 ? 40.0f : 100.0f;
            star.push_back({r * std::cos(a), r * std::sin(a)});
            float j = 50 + 50 * rnd();
            jagged.push_back({j * std::cos(a), j * std::sin(a)});
        }
        outlines.push_back(regular);
        outlines.push_back(star);
        outlines.push_back(jagged);
    }
    // A staircase with many equal diagonals.
    std::vector<TVec2> stairs = {{0, 0}};
    for (int i = 0; i < 10; ++i) {
        stairs.push_back({float(i * 10 + 10), float(i * 10)});
        stairs.push_back({float(i * 10 + 10), float(i * 10 + 10)});
    }
    stairs.push_back({0, 100});
    outlines.push_back(stairs);
    for (size_t o = 0; o < outlines.size(); ++o) {
        TMeshFixture f;
        f.Mesh.SetOutline(outlines[o].data(), int32_t(outlines[o].size()));
        f.Mesh.Triangulate();
        EXPECT_EQ(f.Mesh.Triangles, PlainEarClipping(outlines[o])) << "outline " << o;
    }
}

TEST(Mesh, SkinsSpanTheNodesAndTheCentre) {
    TTexLib lib;
    TMaterial coatMaterial;
    coatMaterial.BlendSrc = 1;
    coatMaterial.BlendDst = 1;
    TSkinSource skin;
    skin.Texture = FakeTexture(lib, 8, 8, 4);
    skin.Material = &coatMaterial;
    skin.Points = {{10, 0}, {20, 10}, {10, 20}, {0, 10}};
    skin.Centre = {10, 10};
    skin.TexCoords = {{1, 0}, {1, 1}, {0, 1}, {0, 0}, {0.5f, 0.5f}};
    skin.Colour = {200, 100, 50, 255};
    skin.Triangles = {{{-1, 0, 1}}, {{-1, 1, 2}}, {{-1, 2, 3}}, {{-1, 3, 0}}, {{-1, 7, 0}}};
    TMeshFixture f;
    f.Mesh.BuildFromFigure(skin);
    ASSERT_EQ(f.Mesh.Warped.size(), 5u);
    EXPECT_EQ(f.Mesh.Warped[4], (TVec2{10, 10})) << "the centre comes last";
    EXPECT_EQ(f.Mesh.Outline.size(), 4u);
    EXPECT_EQ(f.Mesh.Triangles.size(), 4u) << "a triangle naming a node that does not exist is dropped";
    EXPECT_EQ(f.Mesh.Triangles[0], (TTriangle{{4, 0, 1}}));
    EXPECT_EQ(f.Mesh.Color, skin.Colour);
    EXPECT_EQ(f.Mesh.Material->BlendSrc, 1);
    EXPECT_FALSE(f.Mesh.Groups.empty());
    EXPECT_TRUE(f.Mesh.ContainsPoint({10, 5}));

    // The rest shape, turned back by the character's angle and put where it stands.
    skin.RestPoints = {{10, 0}, {0, 10}, {-10, 0}, {0, -10}};
    skin.Angle = 1.5707963f;
    skin.Position = {100, 50};
    TMeshFixture rest;
    rest.Mesh.BuildFromFigureRest(skin);
    EXPECT_NEAR(rest.Mesh.Warped[0].X, 100, 1e-4f);
    EXPECT_NEAR(rest.Mesh.Warped[0].Y, 60, 1e-4f);
    EXPECT_EQ(rest.Mesh.Warped[4], (TVec2{100, 50}));

    TMeshFixture bare;
    skin.Texture = nullptr;
    bare.Mesh.BuildFromFigure(skin);
    EXPECT_TRUE(bare.Mesh.Triangles.empty()) << "no coat, no skin";
}

TEST(Mesh, GeometrySourcesNeverFormACycle) {
    TMeshFixture f;
    TMesh& b = *f.Group.Add();
    TMesh& c = *f.Group.Add();
    EXPECT_FALSE(f.Mesh.SetGeometrySource(&f.Mesh));
    EXPECT_TRUE(b.SetGeometrySource(&f.Mesh));
    EXPECT_TRUE(c.SetGeometrySource(&b));
    EXPECT_EQ(&c.Geometry(), &f.Mesh) << "a chain resolves to its root";
    EXPECT_FALSE(f.Mesh.SetGeometrySource(&c));
    EXPECT_EQ(f.Mesh.GeometrySource, nullptr);
}

TEST(Mesh, ColoursReadBeforeTheVerticesFollowTheirCount) {
    TByteWriter w;
    w.WriteInt32(2);
    w.WriteInt32(1);
    uint8_t rgba[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    w.WritePacked(rgba, 2);
    w.WriteInt32(5);
    w.WriteInt32(3);
    for (int i = 0; i < 6; ++i)
        w.WriteFloat32(float(i));
    TMeshFixture f;
    f.Mesh.MeshModeOwner = true;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(f.Mesh.ReadChunks(r, false));
    ASSERT_EQ(f.Mesh.Colors.size(), 3u);
    EXPECT_EQ(f.Mesh.Colors[2], TRgba{}) << "the added colour is white";
}

TEST(Mesh, MeshFilesAndTheirCachesGiveTheSameMesh) {
    const std::vector<TVec2> outline = {{0, 0}, {120, 0}, {150, 80}, {60, 130}, {-20, 70}};
    std::vector<uint8_t> gms, cache;
    std::string why;
    ASSERT_TRUE(MakeMeshFiles(outline, 40, gms, cache, why)) << why;
    std::vector<TVec2> reversed(outline.rbegin(), outline.rend());
    EXPECT_FALSE(MakeMeshFiles(reversed, 40, gms, cache, why));
    EXPECT_NE(why.find("clockwise"), std::string::npos);
    ASSERT_TRUE(MakeMeshFiles(outline, 40, gms, cache, why));

    // The finished mesh as the cache holds it, and as the mesh file makes it.
    TMeshFixture fromCache;
    TByteReader c(cache);
    ASSERT_TRUE(fromCache.Mesh.ReadChunks(c, true));
    TMeshFixture fromFile;
    fromFile.Mesh.SetOutline(outline.data(), int32_t(outline.size()));
    ASSERT_TRUE(fromFile.Mesh.Triangulate());
    fromFile.Mesh.Subdivide(40);
    EXPECT_EQ(fromCache.Mesh.Vertices, fromFile.Mesh.Vertices);
    EXPECT_EQ(fromCache.Mesh.Triangles, fromFile.Mesh.Triangles);
    EXPECT_EQ(fromCache.Mesh.Edges, fromFile.Mesh.Edges);
    EXPECT_GT(fromCache.Mesh.Vertices.size(), outline.size()) << "long edges were split";
    for (const TTriangle& t : fromCache.Mesh.Triangles)
        for (int k = 0; k < 3; ++k)
            EXPECT_LE(Length(fromCache.Mesh.Vertices[size_t(t.V[k])] -
                             fromCache.Mesh.Vertices[size_t(t.V[(k + 1) % 3])]),
                      40.0f);
    EXPECT_EQ(RingVertices(fromCache.Mesh).size(), fromCache.Mesh.Edges.size());
}

TEST(Mesh, SubdivisionSplitsOnlyEdgesLongerThanTheLimit) {
    // Two right triangles with sides 30, 40 sharing the 50-long diagonal.
    auto build = [](TMeshFixture& f) {
        f.Mesh.Vertices = {{0, 0}, {40, 0}, {40, 30}, {0, 30}};
        f.Mesh.Triangles = {{{0, 1, 2}}, {{0, 2, 3}}};
    };
    TMeshFixture a;
    build(a);
    a.Mesh.Subdivide(50);
    EXPECT_EQ(a.Mesh.Vertices.size(), 4u);
    EXPECT_EQ(a.Mesh.Triangles.size(), 2u);
    TMeshFixture b;
    build(b);
    b.Mesh.Subdivide(49.9f);
    ASSERT_EQ(b.Mesh.Vertices.size(), 5u) << "both triangles share one midpoint";
    EXPECT_EQ(b.Mesh.Vertices[4], (TVec2{20, 15}));
    EXPECT_EQ(b.Mesh.Triangles.size(), 4u);
}

TEST(Mesh, SplittingBorderEdgesKeepsTheRing) {
    TMeshFixture f;
    f.Mesh.SetOutline(std::vector<TVec2>{{0, 0}, {100, 0}, {100, 100}, {0, 100}}.data(), 4);
    ASSERT_TRUE(f.Mesh.Triangulate());
    f.Mesh.Subdivide(60);
    std::vector<int32_t> ring = RingVertices(f.Mesh);
    EXPECT_EQ(ring.size(), 8u) << "each side got exactly one new border edge";
    std::set<int32_t> distinct(ring.begin(), ring.end());
    EXPECT_EQ(distinct.size(), ring.size()) << "every border vertex once";
    for (int32_t v : ring) {
        TVec2 p = f.Mesh.Vertices[size_t(v)];
        EXPECT_TRUE(p.X == 0 || p.X == 100 || p.Y == 0 || p.Y == 100);
    }
    for (size_t v = 0; v < f.Mesh.Vertices.size(); ++v)
        EXPECT_EQ(f.Mesh.VertexEdge[v] >= 0, distinct.count(int32_t(v)) == 1) << v;
}

TEST(Mesh, GroupsDropFadedTrianglesAndUseOneColumnForNarrowMeshes) {
    TMeshFixture f;
    f.Mesh.Vertices = {{0, 0}, {250, 0}, {0, 700}, {250, 700}};
    f.Mesh.Triangles = {{{0, 1, 2}}, {{1, 3, 2}}};
    f.Mesh.SetColorCount(4);
    for (auto& c : f.Mesh.Colors)
        c.A = 15;
    ASSERT_TRUE(f.Mesh.BuildGroups(300));
    EXPECT_TRUE(f.Mesh.Groups.empty()) << "all-faded triangles are never drawn";
    f.Mesh.Colors[3].A = 16;
    ASSERT_TRUE(f.Mesh.BuildGroups(300));
    ASSERT_EQ(f.Mesh.GroupedTriangles.size(), 1u);
    EXPECT_EQ(f.Mesh.GroupedTriangles[0], (TTriangle{{1, 3, 2}}));
    f.Mesh.Colors.clear();
    ASSERT_TRUE(f.Mesh.BuildGroups(300));
    // 250 wide: one column; 700 high: two rows, the triangles by their box centres.
    for (const auto& g : f.Mesh.Groups)
        EXPECT_LE(g.Box.Right, 250);
    EXPECT_EQ(f.Mesh.GroupedTriangles.size(), 2u);
}

TEST(Mesh, TextureFollowsTheLevelUnlessFixed) {
    TTexLib lib;
    TMyTexture* tex = FakeTexture(lib, 64, 64, 3);
    for (bool fixed : {false, true}) {
        TMeshFixture f;
        f.Mesh.SetTexture(tex);
        f.Mesh.FixedTexCoords = fixed;
        f.Mesh.Vertices = {{0, 0}, {64, 0}, {0, 64}};
        f.Mesh.Warped = f.Mesh.Vertices;
        f.Mesh.Origin = {0, 0};
        f.Mesh.UpdateTexCoords();
        std::vector<TVec2> before = f.Mesh.TexCoords;
        // Warp: pull one corner out; the rest of the shape stays.
        f.Mesh.Warped[1].X += 32;
        f.Mesh.UpdateTexCoords();
        if (fixed)
            EXPECT_EQ(f.Mesh.TexCoords, before) << "fixed coordinates move with the shape";
        else
            EXPECT_NE(f.Mesh.TexCoords, before) << "free coordinates keep the texture in place";
    }
}

TEST(Mesh, ChunksRoundTripAndDamagedInputIsSafe) {
    TMeshFixture f;
    f.Mesh.SetOutline(std::vector<TVec2>{{0, 0}, {100, 0}, {100, 100}, {0, 100}}.data(), 4);
    ASSERT_TRUE(f.Mesh.Triangulate());
    f.Mesh.OutlinePoints[2].Spike = 1;
    f.Mesh.SetColorCount(4);
    f.Mesh.Colors[1] = {8, 16, 32, 200};
    f.Mesh.Skidness = 0.5f;
    f.Mesh.AlphaRef = 0.25f;
    f.Mesh.Material->BlendSrc = 1;
    f.Mesh.Material->BlendDst = 1;
    TByteWriter w;
    f.Mesh.WriteChunks(w);

    TMeshFixture g;
    TByteReader r(w.Bytes);
    ASSERT_TRUE(g.Mesh.ReadChunks(r, false));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(g.Mesh.Triangles, f.Mesh.Triangles);
    EXPECT_EQ(g.Mesh.Edges, f.Mesh.Edges);
    EXPECT_EQ(g.Mesh.OutlinePoints[2].Spike, 1);
    EXPECT_EQ(g.Mesh.AlphaRef, 0.25f);
    EXPECT_EQ(g.Mesh.Material->BlendSrc, 1);
    TByteWriter again;
    g.Mesh.WriteChunks(again);
    EXPECT_EQ(again.Bytes, w.Bytes);

    for (size_t cut = 0; cut < w.Bytes.size(); ++cut) {
        TMeshFixture h;
        TByteReader part(std::vector<uint8_t>(w.Bytes.begin(), w.Bytes.begin() + cut));
        EXPECT_FALSE(h.Mesh.ReadChunks(part, false)) << cut;
        for (const TTriangle& t : h.Mesh.Triangles)
            for (int32_t v : t.V)
                ASSERT_LT(size_t(v), h.Mesh.Vertices.size());
    }
}

TEST(Mesh, BadIndicesAreDroppedAndMismatchedColoursIgnored) {
    TByteWriter w;
    w.WriteInt32(4);
    w.WriteInt32(5); // vertices
    w.WriteInt32(3);
    for (float v : {0.f, 0.f, 10.f, 0.f, 0.f, 10.f})
        w.WriteFloat32(v);
    w.WriteInt32(6); // triangles, one pointing past the vertices
    w.WriteInt32(2);
    for (int32_t v : {0, 1, 2, 0, 1, 7})
        w.WriteInt32(v);
    w.WriteInt32(1); // colours for 2 vertices, not 3
    uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    w.WritePacked(rgba, 2);
    w.WriteInt32(7); // an edge ring pointing outside
    w.WriteInt32(1);
    for (int32_t v : {0, 5, 0})
        w.WriteInt32(v);
    w.WriteFloat32(0);
    w.WriteFloat32(0);
    TMeshFixture f;
    TByteReader r(w.Bytes);
    EXPECT_TRUE(f.Mesh.ReadChunks(r, false));
    EXPECT_TRUE(r.AtEnd()) << "the colour chunk is read past";
    EXPECT_EQ(f.Mesh.Triangles.size(), 1u);
    EXPECT_TRUE(f.Mesh.Colors.empty());
    ASSERT_EQ(f.Mesh.Edges.size(), 1u) << "a ring that does not close is laid anew in array order";
    EXPECT_EQ(f.Mesh.Edges[0].Next, 0);
    EXPECT_EQ(f.Mesh.Edges[0].Prev, 0);
}

TEST(Mesh, DrawSkipsGroupsOutsideTheView) {
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* gl = backend.get();
    InitRenderContext(std::move(backend));
    TMeshFixture f;
    // Two squares far apart, each its own group.
    f.Mesh.Vertices = {{0, 0},    {100, 0},  {0, 100},    {100, 100},
                       {5000, 0}, {5100, 0}, {5000, 100}, {5100, 100}};
    f.Mesh.Triangles = {{{0, 1, 2}}, {{1, 3, 2}}, {{4, 5, 6}}, {{5, 7, 6}}};
    ASSERT_TRUE(f.Mesh.BuildGroups(300));
    ViewRect = {-50, -50, 200, 200};
    gl->ForgetCalls();
    f.Mesh.Draw(0);
    EXPECT_EQ(gl->CallCount(TRenderCall::Begin), 2);
    ViewRect = {-50, -50, 6000, 200};
    gl->ForgetCalls();
    f.Mesh.Draw(0);
    EXPECT_EQ(gl->CallCount(TRenderCall::Begin), 4);
    ViewRect = {9000, 9000, 9100, 9100};
    gl->ForgetCalls();
    f.Mesh.Draw(0);
    EXPECT_EQ(gl->CallCount(TRenderCall::Begin), 0);
    ResetRenderState();
}

TEST(Material, InheritanceBlendMendingAndTheDefaults) {
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* gl = backend.get();
    InitRenderContext(std::move(backend));
    FrameView.LightsActive = true;
    TMaterial parent;
    parent.BlendSrc = 1, parent.BlendDst = 1, parent.TexEnv = 8448, parent.Lit = 0;
    TMaterial child;
    child.Parent = &parent;
    child.Apply();
    EXPECT_EQ(gl->BlendSrc, 1u);
    EXPECT_EQ(gl->BlendDst, 1u);
    EXPECT_EQ(gl->Enabled.count(Gl::Lighting), 0u);
    TMaterial own;
    own.Apply();
    EXPECT_EQ(gl->BlendSrc, Gl::SrcAlpha);
    EXPECT_EQ(gl->Enabled.count(Gl::Lighting), 1u) << "unset means lit without a parent";
    ResetRenderState();

    TMaterialMan man;
    TMaterial* a = man.NewMaterial();
    TMaterial* b = man.NewMaterial();
    TMaterial* c = man.NewMaterial();
    (void)b;
    TMaterial* gone = a;
    EXPECT_TRUE(man.FreeMaterial(gone));
    EXPECT_EQ(gone, nullptr);
    EXPECT_EQ(man.Materials[0].get(), c) << "the last entry takes the freed place";
    TMaterial stranger;
    TMaterial* ref = &stranger;
    EXPECT_FALSE(man.FreeMaterial(ref));
    EXPECT_EQ(ref, nullptr);

    TByteWriter w;
    w.WriteInt32(2);
    TMaterial m1;
    m1.BlendSrc = 772, m1.BlendDst = 772, m1.TexEnv = 1, m1.Lit = 1;
    m1.Write(w);
    m1.Write(w);
    TByteReader r(w.Bytes);
    man.ReadDefaults(r);
    EXPECT_EQ(man.Base.BlendSrc, 1);
    EXPECT_EQ(man.Waters.TexEnv, 1);
    EXPECT_EQ(man.SplineObjects.TexEnv, 8448) << "only two records were stored";
    EXPECT_EQ(man.Drops.Lit, 0);

    TByteWriter many;
    many.WriteInt32(8);
    for (int i = 0; i < 8; ++i)
        m1.Write(many);
    many.WriteInt32(4242);
    TByteReader rm(many.Bytes);
    man.ReadDefaults(rm);
    EXPECT_EQ(rm.ReadInt32(), 4242) << "records beyond the sixth are read past";
    EXPECT_EQ(man.Bubbles.Lit, 0);
}

// Cutting the first of three points in a row leaves the middle one on the new
// border edge; it must not block the ears that share that edge. (The cut
// itself is a flat sliver, as a straight run gives.)
TEST(Mesh, TriangulatesAHillWithStraightRunsAlongItsTop) {
    const std::vector<TVec2> hill = {{2600, 300}, {2850, 230}, {3100, 160},  {3350, 150}, {3600, 200},
                                     {3850, 270}, {4000, 300}, {4000, 1200}, {2600, 1200}};
    TMeshFixture f;
    f.Mesh.SetOutline(hill.data(), int32_t(hill.size()));
    ASSERT_TRUE(f.Mesh.Triangulate());
    ASSERT_EQ(f.Mesh.Triangles.size(), hill.size() - 2);
    double area = 0;
    for (const TTriangle& t : f.Mesh.Triangles) {
        const double a =
            OutlineArea2(std::vector<TVec2>{f.Mesh.Vertices[size_t(t.V[0])], f.Mesh.Vertices[size_t(t.V[1])],
                                            f.Mesh.Vertices[size_t(t.V[2])]});
        EXPECT_GE(a, 0) << "a triangle turned the wrong way";
        area += a;
    }
    EXPECT_NEAR(area, OutlineArea2(hill), 1e-3 * OutlineArea2(hill));
}

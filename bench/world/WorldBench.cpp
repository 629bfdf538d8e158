// World geometry: building a level of 2,000 spline objects and the steps it
// is made of, how those steps grow with outline and picture size, the edge
// grid over the collision edges, and drawing the scene into the null backend.
//
// The size series report a fitted complexity (the "BigO" lines): a step that
// grows faster than its input shows there.
#include "BenchScene.h"

#include "assets/TexLib.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"
#include "world/EdgeGrid.h"

#include <benchmark/benchmark.h>

namespace {
int64_t TriangleCount(const TSplineObj& o) {
    int64_t n = 0;
    for (const auto& m : o.Body.Meshes)
        n += int64_t(m->Geometry().Triangles.size());
    return n;
}

// The level the edge grid and drawing benchmarks share, built once.
struct TBenchLevel {
    std::vector<std::unique_ptr<TSplineObj>> Objects;
    std::vector<TSplineObj*> Pointers;
    TBox2 Extent{0, 0, 0, 0};

    TBenchLevel() {
        TBenchWorld& w = TBenchWorld::Get();
        Objects = BuildLevel(w.World, LevelObjectCount);
        Pointers = ::Pointers(Objects);
        FileObjects(w.Layers, Pointers);
        Extent = Objects.front()->Body.Bounds;
        for (const auto& o : Objects) {
            const TBox2& b = o->Body.Bounds;
            Extent = {std::min(Extent.Left, b.Left), std::min(Extent.Top, b.Top),
                      std::max(Extent.Right, b.Right), std::max(Extent.Bottom, b.Bottom)};
        }
    }
    static TBenchLevel& Get() {
        static TBenchLevel level;
        return level;
    }
};

// The whole level load: every object built from its record's data, with
// cold texture caches as after the library was loaded.
void BM_BuildLevel(benchmark::State& state) {
    TBenchWorld& w = TBenchWorld::Get();
    int64_t triangles = 0;
    for (auto _ : state) {
        ForgetTextureCaches();
        auto objects = BuildLevel(w.World, LevelObjectCount);
        state.PauseTiming();
        triangles = 0;
        for (const auto& o : objects)
            triangles += TriangleCount(*o);
        objects.clear();
        state.ResumeTiming();
    }
    state.counters["objects/s"] =
        benchmark::Counter(double(LevelObjectCount), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(BM_BuildLevel)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The two halves of the level apart: its 1,000 grid-mode objects (0) and its
// 1,000 mesh-mode objects (1).
void BM_BuildLevelHalf(benchmark::State& state) {
    TBenchWorld& w = TBenchWorld::Get();
    const int32_t parity = int32_t(state.range(0));
    std::vector<std::unique_ptr<TSplineObj>> objects;
    objects.reserve(LevelObjectCount / 2);
    for (auto _ : state) {
        ForgetTextureCaches();
        for (int32_t i = parity; i < LevelObjectCount; i += 2)
            objects.push_back(MakeLevelObject(w.World, i));
        state.PauseTiming();
        objects.clear();
        state.ResumeTiming();
    }
    state.SetLabel(parity == 0 ? "grid-mode" : "mesh-mode");
    state.counters["objects/s"] =
        benchmark::Counter(double(LevelObjectCount / 2), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildLevelHalf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// One grid-mode object per level texture: cold (the texture traced and its
// cells tested first) and warm (a later object on the same texture).
void BM_GridObject(benchmark::State& state) {
    TBenchWorld& w = TBenchWorld::Get();
    const int32_t texture = int32_t(state.range(0));
    const bool cold = state.range(1) != 0;
    TMyTexture* t = TexLib.TextureByIndex(texture);
    t->PrepareSize();
    const TBox2 box{0, 0, float(t->FullWidth) * 1.25f, float(t->FullHeight) * 1.25f};
    int64_t triangles = 0, outline = 0;
    for (auto _ : state) {
        if (cold) ForgetTextureCaches();
        auto o = MakeGridObject(w.World, texture, box, 2);
        triangles = TriangleCount(*o);
        outline = int64_t(o->Body.Meshes.front()->Outline.size());
        benchmark::DoNotOptimize(o.get());
    }
    state.SetLabel(t->Name + (cold ? " cold" : " warm"));
    state.counters["triangles"] = double(triangles);
    state.counters["outline"] = double(outline);
}
BENCHMARK(BM_GridObject)
    ->ArgsProduct({{BenchTex::Disc, BenchTex::Hill, BenchTex::Blob, BenchTex::Rock}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

// A cold grid-mode object on blobs of growing side.
void BM_GridObjectBySize(benchmark::State& state) {
    TBenchWorld& w = TBenchWorld::Get();
    const int32_t side = int32_t(state.range(0));
    int32_t texture = BenchTex::FirstSized;
    while (BenchTex::Sizes[size_t(texture - BenchTex::FirstSized)] != side)
        ++texture;
    const TBox2 box{0, 0, float(side), float(side)};
    int64_t outline = 0;
    for (auto _ : state) {
        ForgetTextureCaches();
        auto o = MakeGridObject(w.World, texture, box, 1);
        outline = int64_t(o->Body.Meshes.front()->Outline.size());
        benchmark::DoNotOptimize(o.get());
    }
    state.counters["outline"] = double(outline);
    state.SetComplexityN(side);
}
BENCHMARK(BM_GridObjectBySize)
    ->Arg(64)
    ->Arg(128)
    ->Arg(256)
    ->Arg(512)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Alpha tracing alone, against the picture's pixel count.
void BM_TextureOutline(benchmark::State& state) {
    TBenchWorld::Get();
    const int32_t side = int32_t(state.range(0));
    int32_t texture = BenchTex::FirstSized;
    while (BenchTex::Sizes[size_t(texture - BenchTex::FirstSized)] != side)
        ++texture;
    TMyTexture* t = TexLib.TextureByIndex(texture);
    std::vector<TVec2> points;
    int32_t count = 0;
    for (auto _ : state) {
        t->OutlineCount = 0;
        t->Outline(10, 1, 20000, points, count);
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["points"] = double(count);
    state.SetComplexityN(side);
}
BENCHMARK(BM_TextureOutline)
    ->Arg(64)
    ->Arg(128)
    ->Arg(256)
    ->Arg(512)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Ear clipping against the outline's point count.
void BM_Triangulate(benchmark::State& state) {
    const int32_t n = int32_t(state.range(0));
    const std::vector<TVec2> outline = StarOutline(n, {0, 0}, 300, 7);
    TMesh mesh(nullptr, nullptr);
    mesh.SetOutline(outline.data(), n);
    bool ok = false;
    for (auto _ : state) {
        ok = mesh.Triangulate();
        benchmark::DoNotOptimize(mesh.Triangles.data());
    }
    if (!ok) state.SkipWithError("the outline did not triangulate");
    state.SetComplexityN(n);
}
BENCHMARK(BM_Triangulate)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Subdivision of a 100-point outline to ever shorter edges, against the
// vertices it ends with.
void BM_Subdivide(benchmark::State& state) {
    const float maxEdge = float(state.range(0));
    const std::vector<TVec2> outline = StarOutline(100, {0, 0}, 300, 7);
    TMesh mesh(nullptr, nullptr);
    mesh.SetOutline(outline.data(), 100);
    mesh.Triangulate();
    const auto vertices = mesh.Vertices;
    const auto triangles = mesh.Triangles;
    const auto edges = mesh.Edges;
    const auto vertexEdge = mesh.VertexEdge;
    for (auto _ : state) {
        mesh.Vertices = vertices;
        mesh.Triangles = triangles;
        mesh.Edges = edges;
        mesh.VertexEdge = vertexEdge;
        mesh.Subdivide(maxEdge);
        benchmark::DoNotOptimize(mesh.Vertices.data());
    }
    state.counters["vertices"] = double(mesh.Vertices.size());
    state.counters["triangles"] = double(mesh.Triangles.size());
    state.SetComplexityN(int64_t(mesh.Vertices.size()));
}
BENCHMARK(BM_Subdivide)
    ->Arg(80)
    ->Arg(40)
    ->Arg(20)
    ->Arg(10)
    ->Arg(5)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// A whole mesh-mode object (triangulate, subdivide to 40, warp, groups)
// against its outline's point count, the size kept in proportion.
void BM_MeshObject(benchmark::State& state) {
    TBenchWorld& w = TBenchWorld::Get();
    const int32_t n = int32_t(state.range(0));
    const std::vector<TVec2> outline = StarOutline(n, {0, 0}, 120, 7);
    int64_t triangles = 0;
    for (auto _ : state) {
        auto o = MakeMeshObject(w.World, outline, 40);
        triangles = TriangleCount(*o);
        benchmark::DoNotOptimize(o.get());
    }
    state.counters["triangles"] = double(triangles);
    state.SetComplexityN(n);
}
BENCHMARK(BM_MeshObject)
    ->Arg(20)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Warping and grouping again after a shape change (what a move does).
void BM_Rebuild(benchmark::State& state) {
    TBenchWorld& w = TBenchWorld::Get();
    std::unique_ptr<TSplineObj> o;
    if (state.range(0) == 0)
        o = MakeGridObject(w.World, BenchTex::Blob, {0, 0, 320, 320}, 2);
    else
        o = MakeMeshObject(w.World, StarOutline(200, {0, 0}, 180, 7), 40);
    for (auto _ : state) {
        o->Rebuild();
        benchmark::DoNotOptimize(o->Body.Bounds);
    }
    state.SetLabel(state.range(0) == 0 ? "grid blob" : "mesh 200 points");
    state.counters["triangles"] = double(TriangleCount(*o));
}
BENCHMARK(BM_Rebuild)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The collision edges of the level's contributing objects.
void BM_CollisionEdges(benchmark::State& state) {
    TBenchLevel& level = TBenchLevel::Get();
    size_t n = 0;
    for (auto _ : state) {
        auto edges = BuildCollisionEdges(level.Pointers);
        n = edges.size();
        benchmark::DoNotOptimize(edges.data());
    }
    state.counters["edges"] = double(n);
    state.counters["edges/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CollisionEdges)->Unit(benchmark::kMillisecond);

// The edge grid over them.
void BM_EdgeGridBuild(benchmark::State& state) {
    TBenchLevel& level = TBenchLevel::Get();
    const std::vector<TCollisionEdge> edges = BuildCollisionEdges(level.Pointers);
    TFragments grid;
    for (auto _ : state) {
        grid.Build(edges, {});
        benchmark::DoNotOptimize(grid.Cells.data());
    }
    int64_t filled = 0, filings = 0;
    for (const TFragment& f : grid.Cells) {
        filled += !f.Edges.empty();
        filings += int64_t(f.Edges.size());
    }
    state.counters["edges"] = double(edges.size());
    state.counters["cells"] = double(grid.Cells.size());
    state.counters["columns"] = double(grid.Columns);
    state.counters["rows"] = double(grid.Rows);
    state.counters["filled"] = double(filled);
    state.counters["filings"] = double(filings);
}
BENCHMARK(BM_EdgeGridBuild)->Unit(benchmark::kMillisecond);

// Casts through the grid, for scale beside the build: short moves all over the level.
void BM_EdgeGridCast(benchmark::State& state) {
    TBenchLevel& level = TBenchLevel::Get();
    const std::vector<TCollisionEdge> edges = BuildCollisionEdges(level.Pointers);
    TFragments grid;
    grid.Build(edges, {});
    const TBox2 e = level.Extent;
    int64_t hits = 0, i = 0;
    for (auto _ : state) {
        const float fx = float((i * 7919) % 1000) / 1000.0f, fy = float((i * 104729) % 1000) / 1000.0f;
        const TVec2 from{e.Left + (e.Right - e.Left) * fx, e.Top + (e.Bottom - e.Top) * fy};
        hits += grid.CastSegment(from, from + TVec2{8, 12}, false, false).Hit;
        ++i;
    }
    state.counters["hit share"] = double(hits) / double(std::max<int64_t>(i, 1));
    state.SetItemsProcessed(i);
}
BENCHMARK(BM_EdgeGridCast);

// A frame of the level into the null backend: a 1024 × 768 view in the
// middle of the level (0), or the whole level in one view (1).
void BM_DrawNull(benchmark::State& state) {
    TBenchLevel& level = TBenchLevel::Get();
    TBenchWorld& w = TBenchWorld::Get();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* null = backend.get();
    InitRenderContext(std::move(backend));
    const TBox2& e = level.Extent;
    const TVec2 centre{(e.Left + e.Right) / 2, (e.Top + e.Bottom) / 2};
    const TBox2 view =
        state.range(0) == 0 ? TBox2{centre.X - 512, centre.Y - 384, centre.X + 512, centre.Y + 384} : e;
    int64_t triangles = 0;
    for (auto _ : state) {
        null->ForgetCalls();
        null->Vertices.clear();
        DrawScene(w.Layers, view, 1024, 768);
        triangles = null->CallCount(TRenderCall::Begin) - 1; // BeginFrame opens one empty batch
    }
    // The textures' names belong to this backend: give them back with it.
    for (auto& t : TexLib.Textures)
        t->Release();
    ReleaseRenderContext();
    state.SetLabel(state.range(0) == 0 ? "1024 x 768 view" : "whole level");
    state.counters["triangles/frame"] = double(triangles);
    state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawNull)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
} // namespace

// A synthetic level for the world benchmarks: pictures drawn here and packed
// into a temporary archive, two layers (a far one with parallax 0.5 and the
// playing layer), and spline objects laid out on a grid — grid-mode objects
// on the pictures and mesh-mode bodies triangulated from polygon outlines.
#pragma once

#include "world/Layers.h"
#include "world/MaterialMan.h"
#include "world/SplineObj.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

// Texture indices of the archive the bench world writes.
namespace BenchTex {
constexpr int32_t Disc = 0;   // 128 × 128, an opaque disc
constexpr int32_t Hill = 1;   // 256 × 128, a wavy hill
constexpr int32_t Blob = 2;   // 256 × 256, a five-armed blob
constexpr int32_t Rock = 3;   // 64 × 64, a small disc
constexpr int32_t Ground = 4; // 128 × 128, opaque, for mesh-mode bodies
constexpr int32_t FirstSized = 5;
constexpr std::array<int32_t, 4> Sizes = {64, 128, 256, 512}; // blobs of these sides follow Ground
} // namespace BenchTex

class TBenchWorld {
  public:
    TBenchWorld();
    ~TBenchWorld();
    TBenchWorld(const TBenchWorld&) = delete;
    TBenchWorld& operator=(const TBenchWorld&) = delete;

    // The one world of the process, made on first use.
    static TBenchWorld& Get();

    std::filesystem::path Dir;
    TMaterialMan Materials;
    TLayers Layers;
    TObjectWorld World;
};

// A star-shaped simple polygon of n points round the centre, clockwise on
// the screen (y down), its radius wandering between 0.65 and 1.35 × radius.
std::vector<TVec2> StarOutline(int32_t n, TVec2 centre, float radius, uint32_t seed);

// Straight splines along the box's sides, as base and current shape.
void SetBoxSplines(TSplineObj& o, const TBox2& box);

// A grid-mode object on the texture, as a level record makes it: the shape
// first, then the texture (alpha tracing, grid, warp, groups).
std::unique_ptr<TSplineObj> MakeGridObject(TObjectWorld& world, int32_t texture, const TBox2& box,
                                           int32_t outlineStep);

// A mesh-mode body from a polygon outline: triangulated, subdivided to the
// longest edge, warped into a box round the outline and grouped.
std::unique_ptr<TSplineObj> MakeMeshObject(TObjectWorld& world, const std::vector<TVec2>& outline,
                                           float maxEdge);

constexpr int32_t LevelObjectCount = 2000;

// count objects, alternately grid-mode and mesh-mode (outlines of 20 … 200
// points), 100 to a row with 400 units between them; every tenth object lies
// in the far layer.
std::vector<std::unique_ptr<TSplineObj>> BuildLevel(TObjectWorld& world, int32_t count);
// The level's object number i: grid-mode for even i, mesh-mode for odd.
std::unique_ptr<TSplineObj> MakeLevelObject(TObjectWorld& world, int32_t i);

// Drops what the textures keep from earlier objects (traced outline,
// transparent cells), so that the next object pays for them again.
void ForgetTextureCaches();

std::vector<TSplineObj*> Pointers(const std::vector<std::unique_ptr<TSplineObj>>& objects);

// Files the objects with their layers and lets the layers draw them.
void FileObjects(TLayers& layers, const std::vector<TSplineObj*>& objects);

// One frame of every visible layer with the playing layer's view, drawn into
// a viewport of width × height pixels.
void DrawScene(TLayers& layers, const TBox2& view, int32_t width, int32_t height);

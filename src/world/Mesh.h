// The textured 2D triangle mesh every drawn shape uses: spline object bodies
// and their border bands, water surfaces, character skins and screen quads.
// Besides its triangles a mesh keeps a closed outline and a ring of border
// edges, from which the collision edges are built.
#pragma once

#include "assets/ByteStream.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TMaterial;
class TMaterialMan;
class TMultiMesh;
class TMyTexture;

struct TRgba {
    uint8_t R = 255, G = 255, B = 255, A = 255;
    friend bool operator==(const TRgba&, const TRgba&) = default;
};

// The four bytes R, G, B, A of a stored colour.
TRgba ReadRgba(TByteReader& in);
void WriteRgba(TByteWriter& out, TRgba c);

struct TTriangle {
    int32_t V[3] = {0, 0, 0};
    friend bool operator==(const TTriangle&, const TTriangle&) = default;
};

struct TMeshEdge {
    int32_t Vertex = 0;
    int32_t Prev = 0;
    int32_t Next = 0;
    float Skidness = 0.0f;
    float Stickness = 0.0f;
    friend bool operator==(const TMeshEdge&, const TMeshEdge&) = default;
};

struct TOutlinePoint {
    TVec2 Normal;
    uint8_t Spike = 0;
};

constexpr int32_t MaxGroupLights = 6;

struct TFragment_Of_Triangles {
    TBox2 Box;
    int32_t First = 0;
    int32_t Count = 0;
    std::array<int32_t, MaxGroupLights> Lights{};
    int32_t LightCount = 0;
    uint8_t Joinable = 1;
};

// What a mesh draws instead of its texture while a frame animation plays.
class TMeshFrameSource {
  public:
    virtual ~TMeshFrameSource() = default;
    virtual TMyTexture* CurrentFrameTexture() = 0;
    virtual TMyTexture* FirstFrameTexture() = 0;
};

// Applies the lights of a triangle group before it is drawn; the lights
// install it. Without one, lit meshes are drawn with the fill light alone.
using TGroupLightsHook = void (*)(const TFragment_Of_Triangles& group);
extern TGroupLightsHook ApplyGroupLights;
// Whether the level's lights are on while meshes are drawn.
extern bool MeshLightsOn;

// What a character hands its skin mesh: the coat texture, the figure's
// material, the node positions and centre, the texture coordinates (one per
// node and one for the centre), the colour, and the figure's triangles, in
// which −1 stands for the centre. For the rest shape, the figure's rest
// points with the character's angle and position.
struct TSkinSource {
    TMyTexture* Texture = nullptr;
    const TMaterial* Material = nullptr;
    std::vector<TVec2> Points;
    TVec2 Centre;
    std::vector<TVec2> TexCoords;
    TRgba Colour;
    std::vector<TTriangle> Triangles;
    std::vector<TVec2> RestPoints;
    float Angle = 0.0f;
    TVec2 Position;
};

class TMesh {
  public:
    TMesh(TMultiMesh* group, TMaterialMan* materials);
    ~TMesh();
    TMesh(const TMesh&) = delete;
    TMesh& operator=(const TMesh&) = delete;

    TMultiMesh* Group = nullptr;
    TMaterialMan* Materials = nullptr;
    std::vector<TVec2> Vertices;
    std::vector<TVec2> Warped;
    std::vector<TRgba> Colors;
    std::vector<TVec2> TexCoords;
    std::vector<TTriangle> Triangles;
    TVec2 Origin;
    TBox2 Bounds;
    TBox2 BoundsMargin;
    TVec2 Center;
    TBox2 SourceBounds;
    int32_t TextureIndex = -1;
    TMyTexture* Texture = nullptr;
    TMeshFrameSource* FrameAnim = nullptr;
    int32_t Primitive = 4;
    bool GridMesh = false;
    TMesh* GeometrySource = nullptr;
    TRgba Color;
    TRgba SecondColor{55, 55, 55, 255};
    float AlphaRef = 0.0f;
    std::vector<TFragment_Of_Triangles> Groups;
    std::vector<TTriangle> GroupedTriangles;
    TBox2 GroupBounds;
    std::vector<TVec2> SourceOutline;
    std::vector<TVec2> Outline;
    std::vector<TVec2> EdgeNormals;
    std::vector<TOutlinePoint> OutlinePoints;
    float MaxEdge = 0.0f;
    std::string FileName;
    int32_t GridColumns = 0;
    int32_t GridRows = 0;
    std::vector<int32_t> VertexEdge;
    std::vector<TMeshEdge> Edges;
    TMaterial* Material = nullptr; // owned by the material manager
    float Skidness = 0.0f;
    float Stickness = 0.0f;
    TVec2 TexOffset;
    TVec2 TexScale{1, 1};
    float TexAngle = 0.0f;
    bool FixedTexCoords = false;
    // Set on the meshes of a mesh-mode spline object: their colour chunk is
    // taken whatever its count.
    bool MeshModeOwner = false;

    void SetVertexCount(int32_t n);
    void SetWarpedCount(int32_t n);
    void SetColorCount(int32_t n);
    void SetTexCoordCount(int32_t n);
    void SetTriangleCount(int32_t n);
    void SetOutline(const TVec2* points, int32_t n);
    void SetTextureIndex(int32_t index);
    void SetTexture(TMyTexture* texture);
    void SetFrameAnim(TMeshFrameSource* anim);
    // Refuses (false, no source) a source that is this mesh or leads back to it.
    bool SetGeometrySource(TMesh* source);

    void BuildGrid(int32_t columns, int32_t rows);
    void BuildFullGrid(int32_t columns, int32_t rows);
    void BuildBand(const TVec2* outline, int32_t count, TMyTexture* texture, float width, float stretch,
                   float shift);
    bool BuildRectGrid(float x0, float y0, float x1, float y1, TMyTexture* texture, int32_t rows,
                       int32_t columns);
    bool BuildRectFan(float x0, float y0, float x1, float y1, TMyTexture* texture, bool fan, int32_t rows,
                      int32_t columns);
    // A character's skin over its current nodes, or over its rest shape placed
    // where it stands. Nothing without a coat texture.
    void BuildFromFigure(const TSkinSource& skin);
    void BuildFromFigureRest(const TSkinSource& skin);

    bool LoadMeshFile(const std::string& name);
    bool ReadHeader(TByteReader& in);
    // False when a chunk was damaged (its count did not fit the bytes left);
    // what was read before it stays.
    bool ReadChunks(TByteReader& in, bool cache);
    void WriteHeader(TByteWriter& out, int32_t geometrySourceIndex, const std::string& textureName) const;
    // Every chunk of the mesh (for level records and mesh files).
    void WriteChunks(TByteWriter& out) const;
    // The chunks a cache holds: outline, spike flags, vertices, triangles, edges.
    void WriteCacheChunks(TByteWriter& out) const;
    // A whole mesh file around the mesh block.
    void WriteMeshFile(TByteWriter& out) const;
    // The mesh block of a figure-group file: chunk list, longest edge, 32
    // reserved bytes; the outline read becomes the source outline.
    bool ReadMeshBlock(TByteReader& in, const std::string& fileName);
    void WriteMeshBlock(TByteWriter& out) const;

    bool Triangulate();
    void Subdivide(float maxEdge);
    void UpdateTexCoords();
    void UpdateBounds();
    void UpdateSourceBounds();
    void UpdateGroupBounds();
    void UpdatePointNormals();
    void UpdateEdgeNormals();
    void OutlineFromEdges();
    bool BuildGroups(float cellSize);
    void Translate(float dx, float dy);
    void Rotate(TVec2 centre, float angle);
    void Scale(TVec2 centre, float sx, float sy);
    bool ContainsPoint(TVec2 p) const;
    void VerticalGradient(TRgba a, TRgba b);
    void Draw(int32_t counter);

    // The mesh whose positions, triangles and groups are drawn: the root of
    // the chain of geometry sources.
    const TMesh& Geometry() const;
    const std::vector<TVec2>& Positions() const { return Warped.empty() ? Vertices : Warped; }

  private:
    // Coordinates → the latest vertex with them, while subdividing.
    std::unordered_map<uint64_t, int32_t> VertexLookup;
    bool SplitLongest(int32_t t);
    int32_t AddVertex(TVec2 m, int32_t edgeX, int32_t edgeY);
    void ValidateIndices();
    void DrawRun(const std::vector<TTriangle>& triangles, int32_t first, int32_t count);
};

// A uniform grid over a fixed set of points, for asking which points may lie
// in a box. The cell of a coordinate grows with it, so the cells under a box
// hold every point inside the box. Points that are not numbers are left out:
// they lie in no box.
class TPointGrid {
  public:
    explicit TPointGrid(const std::vector<TVec2>& points);
    // True when test answers false for every point in the cells under box.
    template <typename F> bool None(const TBox2& box, F&& test) const {
        if (box.Left != box.Left || box.Top != box.Top || box.Right != box.Right || box.Bottom != box.Bottom)
            return true;
        const int32_t c0 = Column(box.Left), c1 = Column(box.Right), r0 = Row(box.Top), r1 = Row(box.Bottom);
        for (int32_t r = r0; r <= r1; ++r)
            for (int32_t c = c0; c <= c1; ++c) {
                const int32_t cell = Cell(c, r);
                for (int32_t m = Start[size_t(cell)]; m < Start[size_t(cell) + 1]; ++m)
                    if (test(Members[size_t(m)])) return false;
            }
        return true;
    }

  private:
    int32_t Column(float x) const;
    int32_t Row(float y) const;
    int32_t Cell(int32_t c, int32_t r) const { return r * Columns + c; }
    float Left = 0, Top = 0, ScaleX = 0, ScaleY = 0;
    int32_t Columns = 1, Rows = 1;
    std::vector<int32_t> Start;   // cell → first member, and one past the last cell
    std::vector<int32_t> Members; // point indices, cell by cell
};

// Whether (p, q, r) is an ear of the outline P: turning the right way, not
// flat, and with no other outline point in it. Points already cut from the
// ring (marked in cut) lie outside what is left or on its border, so they
// block only from strictly inside: one left on a new border edge, as a
// straight run of points leaves it, is no obstacle.
bool IsOutlineEar(const std::vector<TVec2>& P, const TPointGrid& grid, int32_t p, int32_t q, int32_t r,
                  const std::vector<uint8_t>* cut = nullptr);

// Smallest keys over index ranges, for finding the first key below a value.
class TKeyTree {
  public:
    explicit TKeyTree(const std::vector<float>& keys);
    void Set(int32_t i, float v);
    // The first index in [lo, hi) whose key is below k, or −1.
    int32_t FirstBelow(int32_t lo, int32_t hi, float k) const;

  private:
    int32_t Descend(int32_t node, int32_t from, int32_t to, int32_t lo, int32_t hi, float k) const;
    int32_t Size = 1;
    std::vector<float> Min;
};

// The order in which the ear search tries the ring's nodes, given their keys
// in walking order (no NaN): positions into keys.
std::vector<int32_t> SortRingByKey(const std::vector<float>& keys);

// Twice the signed area of a closed outline; positive when it runs clockwise
// on the screen (y down), as the game's outlines do.
double OutlineArea2(const std::vector<TVec2>& outline);

// The pair of files the mesh loader reads for an outline: the mesh file
// (the outline and its longest edge, triangulated at load) and its cache (the
// finished mesh). False, with the reason, when the outline cannot be meshed.
bool MakeMeshFiles(const std::vector<TVec2>& outline, float maxEdge, std::vector<uint8_t>& meshFile,
                   std::vector<uint8_t>& cacheFile, std::string& why);

class TMultiMesh {
  public:
    TMultiMesh(void* owner, TMaterialMan* materials) : Owner(owner), Materials(materials) {}

    void* Owner = nullptr;
    TMaterialMan* Materials = nullptr;
    std::vector<std::unique_ptr<TMesh>> Meshes;
    TBox2 Bounds;
    TMesh* Current = nullptr;
    int32_t CurrentIndex = -1;

    TMesh* Add();
    void Delete(int32_t i);
    void Clear();
    void Select(int32_t i);
    void UpdateBounds();
    void BuildGroups(bool onlyMissing);
    bool ContainsPoint(TVec2 p) const;
    bool Draw(int32_t counter);
    int32_t IndexOf(const TMesh* mesh) const;
};

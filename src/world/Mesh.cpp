#include "world/Mesh.h"

#include "app/Paths.h"
#include "app/PointArrays.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"
#include "world/FigureGroup.h"
#include "world/MaterialMan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

TGroupLightsHook ApplyGroupLights = nullptr;
bool MeshLightsOn = false;

namespace {
TBox2 BoxOf(const std::vector<TVec2>& points) {
    TBox2 b{0, 0, 0, 0};
    PointsBounds(points.data(), int32_t(points.size()), b);
    return b;
}

TBox2 Union(const TBox2& a, const TBox2& b) {
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

TVec2 Unit(TVec2 v) {
    float len = Length(v);
    if (len == 0.0f) return {0, 1};
    return {v.X / len, v.Y / len};
}

// The texture's sub-rectangle in texture space and its full size in pixels.
struct TTexFrame {
    float U0 = 0, V0 = 0, USize = 1, VSize = 1;
    float W = 1, H = 1;
};

TTexFrame FrameOf(TMyTexture* t) {
    TTexFrame f;
    if (!t) return f;
    t->PrepareSize();
    f.USize = t->URange;
    f.VSize = t->VRange;
    f.W = float(t->FullWidth);
    f.H = float(t->FullHeight);
    return f;
}

bool ReadPoints(TByteReader& in, std::vector<TVec2>& points) {
    int32_t n = in.ReadInt32();
    if (n < 0 || int64_t(n) * 8 > in.Remaining()) return false;
    points.resize(size_t(n));
    for (TVec2& p : points) {
        p.X = in.ReadFloat32();
        p.Y = in.ReadFloat32();
    }
    return true;
}

void WritePoints(TByteWriter& out, int32_t id, const std::vector<TVec2>& points) {
    out.WriteInt32(id);
    out.WriteInt32(int32_t(points.size()));
    for (const TVec2& p : points) {
        out.WriteFloat32(p.X);
        out.WriteFloat32(p.Y);
    }
}
void WriteTriangleChunk(TByteWriter& out, const std::vector<TTriangle>& triangles) {
    out.WriteInt32(6);
    out.WriteInt32(int32_t(triangles.size()));
    for (const TTriangle& t : triangles)
        for (int32_t v : t.V)
            out.WriteInt32(v);
}

void WriteEdgeChunk(TByteWriter& out, const std::vector<TMeshEdge>& edges) {
    out.WriteInt32(7);
    out.WriteInt32(int32_t(edges.size()));
    for (const TMeshEdge& e : edges) {
        out.WriteInt32(e.Vertex);
        out.WriteInt32(e.Prev);
        out.WriteInt32(e.Next);
        out.WriteFloat32(e.Skidness);
        out.WriteFloat32(e.Stickness);
    }
}

void WriteSpikeChunk(TByteWriter& out, const std::vector<TOutlinePoint>& points) {
    out.WriteInt32(10);
    std::vector<uint8_t> spikes(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        spikes[i] = points[i].Spike;
    std::vector<uint8_t> packed = PackRuns(spikes.data(), int32_t(spikes.size()));
    out.WriteInt32(int32_t(spikes.size()));
    out.WriteInt32(int32_t(packed.size()));
    out.WriteBlock(packed.data(), packed.size());
}
} // namespace

TRgba ReadRgba(TByteReader& in) {
    TRgba c;
    c.R = in.ReadByte();
    c.G = in.ReadByte();
    c.B = in.ReadByte();
    c.A = in.ReadByte();
    return c;
}

void WriteRgba(TByteWriter& out, TRgba c) {
    out.WriteByte(c.R);
    out.WriteByte(c.G);
    out.WriteByte(c.B);
    out.WriteByte(c.A);
}

TMesh::TMesh(TMultiMesh* group, TMaterialMan* materials) : Group(group), Materials(materials) {
    if (Materials) Material = Materials->NewMaterial();
}

TMesh::~TMesh() {
    if (Materials && Material) Materials->FreeMaterial(Material);
}

bool TMesh::SetGeometrySource(TMesh* source) {
    for (const TMesh* m = source; m; m = m->GeometrySource)
        if (m == this) {
            GeometrySource = nullptr;
            return false;
        }
    GeometrySource = source;
    return true;
}

const TMesh& TMesh::Geometry() const {
    const TMesh* m = this;
    // Sources are checked for cycles when set; the bound is a second guard.
    for (int guard = 0; m->GeometrySource && guard < 1024; ++guard)
        m = m->GeometrySource;
    return *m;
}

void TMesh::SetVertexCount(int32_t n) {
    Vertices.resize(size_t(std::max(n, 0)));
}
void TMesh::SetWarpedCount(int32_t n) {
    Warped.resize(size_t(std::max(n, 0)));
}
void TMesh::SetTexCoordCount(int32_t n) {
    TexCoords.resize(size_t(std::max(n, 0)));
}
void TMesh::SetTriangleCount(int32_t n) {
    Triangles.resize(size_t(std::max(n, 0)));
}

void TMesh::SetColorCount(int32_t n) {
    if (n <= 0) {
        Colors.clear();
        return;
    }
    Colors.resize(size_t(n), TRgba{});
}

void TMesh::SetOutline(const TVec2* points, int32_t n) {
    n = std::max(n, 0);
    if (points) SourceOutline.assign(points, points + n);
    bool fromSelf = points == Outline.data();
    Outline.resize(size_t(n));
    if (points && !fromSelf) Outline = SourceOutline;
    OutlinePoints.resize(size_t(n));
}

void TMesh::SetTextureIndex(int32_t index) {
    TextureIndex = index;
    if (index < 0) {
        Texture = nullptr;
        return;
    }
    Texture = TexLib.TextureByIndex(index);
    if (Texture) Texture->PrepareSize();
}

void TMesh::SetTexture(TMyTexture* texture) {
    Texture = texture;
    TextureIndex = texture ? texture->Index : -1;
}

void TMesh::SetFrameAnim(TMeshFrameSource* anim) {
    FrameAnim = anim;
    if (anim)
        if (TMyTexture* first = anim->FirstFrameTexture()) SetTexture(first);
}

void TMesh::BuildFullGrid(int32_t columns, int32_t rows) {
    if (columns < 1 || rows < 1) return;
    TTexFrame f = FrameOf(Texture);
    Vertices.clear();
    Triangles.clear();
    for (int32_t r = 0; r <= rows; ++r)
        for (int32_t j = 0; j <= columns; ++j)
            Vertices.push_back({float(j) / float(columns) * f.W, float(r) / float(rows) * f.H});
    const int32_t e = columns + 1;
    for (int32_t j = 0; j < columns; ++j)
        for (int32_t r = 0; r < rows; ++r) {
            Triangles.push_back({{j + r * e, j + 1 + r * e, j + (r + 1) * e}});
            Triangles.push_back({{j + (r + 1) * e, j + 1 + r * e, j + 1 + (r + 1) * e}});
        }
    if (!Colors.empty()) SetColorCount(int32_t(Vertices.size()));
    GridColumns = columns;
    GridRows = rows;
    UpdateBounds();
    UpdateSourceBounds();
}

void TMesh::BuildGrid(int32_t columns, int32_t rows) {
    RecordSite(33001);
    if (!Texture || columns < 1 || rows < 1) return;
    TTexFrame f = FrameOf(Texture);
    // A picture with no transparent cell takes the full grid.
    bool anyClear = false;
    for (int32_t i = 0; i < 2 * columns * rows && !anyClear; ++i)
        anyClear = Texture->ClearFragment(columns, rows, i);
    if (!anyClear) {
        BuildFullGrid(columns, rows);
        return;
    }
    Vertices.clear();
    Triangles.clear();
    const int32_t e = columns + 1;
    std::vector<int32_t> index(size_t(e) * size_t(rows + 1), -1);
    auto vertex = [&](int32_t j, int32_t r) {
        int32_t& slot = index[size_t(j + r * e)];
        if (slot < 0) {
            slot = int32_t(Vertices.size());
            Vertices.push_back({float(j) / float(columns) * f.W, float(r) / float(rows) * f.H});
        }
        return slot;
    };
    for (int32_t j = 0; j < columns; ++j)
        for (int32_t r = 0; r < rows; ++r) {
            int32_t cell = 2 * (j + r * columns);
            if (!Texture->ClearFragment(columns, rows, cell))
                Triangles.push_back({{vertex(j, r), vertex(j + 1, r), vertex(j, r + 1)}});
            if (!Texture->ClearFragment(columns, rows, cell + 1))
                Triangles.push_back({{vertex(j, r + 1), vertex(j + 1, r), vertex(j + 1, r + 1)}});
        }
    if (!Colors.empty()) SetColorCount(int32_t(Vertices.size()));
    GridColumns = columns;
    GridRows = rows;
    UpdateBounds();
    UpdateSourceBounds();
}

void TMesh::BuildBand(const TVec2* P, int32_t n, TMyTexture* texture, float width, float stretch,
                      float shift) {
    RecordSite(33002);
    if (!P || n <= 0) return;
    FixedTexCoords = true;
    Vertices.assign(size_t(2 * n + 2), TVec2{});
    TexCoords.assign(size_t(2 * n + 2), TVec2{});
    Triangles.clear();
    if (!Colors.empty()) SetColorCount(int32_t(Vertices.size()));
    SetTexture(texture);
    float tTop = 0, tBottom = 1;
    if (texture) {
        texture->PrepareSize();
        tBottom = texture->VRange;
    }
    const float twoPi = 2.0f * PiF;
    float u = 0;
    for (int32_t i = 0; i <= n; ++i) {
        int32_t k = i == n ? 0 : i;
        TVec2 prev = P[(k + n - 1) % n], next = P[(k + 1) % n], here = P[k];
        float a1 = std::atan2(prev.X - here.X, -(prev.Y - here.Y));
        float a2 = std::atan2(next.X - here.X, -(next.Y - here.Y));
        if (a1 > a2) a1 -= twoPi;
        float half = (a2 - a1) / 2;
        TVec2 d = here - prev;
        RotateCS(d, std::cos(half), std::sin(half));
        Normalize(d);
        Vertices[size_t(2 * i)] = here + d * shift;
        Vertices[size_t(2 * i + 1)] = here + d * (shift + width);
        u += stretch * Length(here - prev);
        TexCoords[size_t(2 * i)] = {u, tBottom};
        TexCoords[size_t(2 * i + 1)] = {u, tTop};
        if (i > 0) {
            Triangles.push_back({{2 * i - 2, 2 * i - 1, 2 * i}});
            Triangles.push_back({{2 * i - 1, 2 * i, 2 * i + 1}});
        }
    }
    Primitive = 4;
    UpdateBounds();
    UpdateSourceBounds();
}

bool TMesh::BuildRectGrid(float x0, float y0, float x1, float y1, TMyTexture* texture, int32_t rows,
                          int32_t columns) {
    if (columns < 1 || rows <= 0) return false;
    SetTexture(texture);
    TTexFrame f = FrameOf(texture);
    Vertices.clear();
    TexCoords.clear();
    Triangles.clear();
    Colors.clear();
    Color = TRgba{};
    for (int32_t r = 0; r <= rows; ++r)
        for (int32_t j = 0; j <= columns; ++j) {
            Vertices.push_back(
                {x0 + (x1 - x0) * float(j) / float(columns), y0 + (y1 - y0) * float(r) / float(rows)});
            TexCoords.push_back(
                {f.U0 + f.USize * float(j) / float(columns), f.V0 + f.VSize * float(r) / float(rows)});
        }
    const int32_t e = columns + 1;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t j = 0; j < columns; ++j) {
            Triangles.push_back({{j + 1 + e * (r + 1), j + e * (r + 1), j + e * r}});
            Triangles.push_back({{j + e * r, j + 1 + e * r, j + 1 + e * (r + 1)}});
        }
    UpdateBounds();
    UpdateSourceBounds();
    return true;
}

bool TMesh::BuildRectFan(float x0, float y0, float x1, float y1, TMyTexture* texture, bool fan, int32_t rows,
                         int32_t columns) {
    if (columns <= 0 || rows <= 0) return false;
    SetTexture(texture);
    TTexFrame f = FrameOf(texture);
    std::vector<TVec2> border, borderTex;
    auto add = [&](float sx, float sy) {
        border.push_back({x0 + (x1 - x0) * sx, y0 + (y1 - y0) * sy});
        borderTex.push_back({f.U0 + f.USize * sx, f.V0 + f.VSize * sy});
    };
    for (int32_t j = 0; j <= columns; ++j)
        add(float(j) / float(columns), 0);
    for (int32_t r = 1; r <= rows; ++r)
        add(1, float(r) / float(rows));
    for (int32_t j = columns - 1; j >= 0; --j)
        add(float(j) / float(columns), 1);
    for (int32_t r = rows - 1; r >= 1; --r)
        add(0, float(r) / float(rows));
    const TVec2 centre{(x0 + x1) / 2, (y0 + y1) / 2};
    const TVec2 centreTex{f.U0 + f.USize / 2, f.V0 + f.VSize / 2};
    const int32_t N = int32_t(border.size());
    Vertices.clear();
    TexCoords.clear();
    Triangles.clear();
    Colors.clear();
    if (fan) {
        Vertices.push_back(centre);
        TexCoords.push_back(centreTex);
        Vertices.insert(Vertices.end(), border.begin(), border.end());
        TexCoords.insert(TexCoords.end(), borderTex.begin(), borderTex.end());
        for (int32_t k = 1; k <= N - 1; ++k)
            Triangles.push_back({{0, k, k + 1}});
        Triangles.push_back({{0, N, 1}});
    } else {
        for (int32_t k = 0; k < N; ++k) {
            Vertices.push_back(centre);
            TexCoords.push_back(centreTex);
            Vertices.push_back(border[size_t(k)]);
            TexCoords.push_back(borderTex[size_t(k)]);
        }
        for (int32_t k = 0; k <= N - 2; ++k)
            Triangles.push_back({{2 * k, 2 * k + 1, 2 * k + 3}});
        Triangles.push_back({{2 * N - 2, 2 * N - 1, 1}});
    }
    UpdateBounds();
    UpdateSourceBounds();
    return true;
}

namespace {
// The skin's shared part: texture, material values, colour, outline and
// triangles over the points with the centre last.
void BuildSkin(TMesh& mesh, const TSkinSource& skin, const std::vector<TVec2>& positions) {
    mesh.SetTexture(skin.Texture);
    if (skin.Material && mesh.Material) {
        TMaterial* parent = mesh.Material->Parent;
        mesh.Material->CopyFrom(skin.Material);
        mesh.Material->Parent = parent;
    }
    const int32_t n = int32_t(positions.size()) - 1;
    mesh.Warped = positions;
    mesh.SetOutline(positions.data(), n);
    mesh.TexCoords = skin.TexCoords;
    mesh.TexCoords.resize(positions.size());
    mesh.Colors.clear();
    mesh.Color = skin.Colour;
    mesh.Triangles.clear();
    for (const TTriangle& t : skin.Triangles) {
        TTriangle mapped = t;
        bool ok = true;
        for (int32_t& v : mapped.V) {
            if (v == -1) v = n;
            ok = ok && v >= 0 && v <= n;
        }
        if (ok) mesh.Triangles.push_back(mapped);
    }
    mesh.UpdateBounds();
    mesh.BuildGroups(500);
}
} // namespace

void TMesh::BuildFromFigure(const TSkinSource& skin) {
    RecordSite(33011);
    if (!skin.Texture) return;
    std::vector<TVec2> positions = skin.Points;
    positions.push_back(skin.Centre);
    Vertices = positions;
    BuildSkin(*this, skin, positions);
}

void TMesh::BuildFromFigureRest(const TSkinSource& skin) {
    RecordSite(33012);
    if (!skin.Texture) return;
    std::vector<TVec2> positions = skin.RestPoints;
    positions.push_back({0, 0});
    RotatePoints(positions.data(), int32_t(positions.size()), {0, 0}, -skin.Angle);
    MovePoints(positions.data(), int32_t(positions.size()), skin.Position.X, skin.Position.Y);
    Vertices = positions;
    BuildSkin(*this, skin, positions);
}

bool TMesh::ReadHeader(TByteReader& in) {
    RecordSite(33003);
    int32_t source = in.ReadInt32();
    if (Group && source >= 0 && size_t(source) < Group->Meshes.size()) {
        SetGeometrySource(Group->Meshes[size_t(source)].get());
    }
    Primitive = in.ReadInt32();
    MaxEdge = in.ReadFloat32();
    int32_t index = in.ReadInt32();
    std::string name = in.ReadString();
    if (index == -1 && name.empty()) return false;
    if (!name.empty()) {
        TMyTexture* t = TexLib.FindTexture(name);
        SetTextureIndex(t ? t->Index : -1);
    } else {
        SetTextureIndex(index);
    }
    FixedTexCoords = in.ReadBool();
    TexOffset.X = in.ReadFloat32();
    TexOffset.Y = in.ReadFloat32();
    TexScale.X = in.ReadFloat32();
    TexScale.Y = in.ReadFloat32();
    TexAngle = in.ReadFloat32();
    return !in.ShortRead;
}

void TMesh::WriteHeader(TByteWriter& out, int32_t geometrySourceIndex, const std::string& textureName) const {
    out.WriteInt32(geometrySourceIndex);
    out.WriteInt32(Primitive);
    out.WriteFloat32(MaxEdge);
    out.WriteInt32(TextureIndex);
    out.WriteString(textureName);
    out.WriteBool(FixedTexCoords);
    out.WriteFloat32(TexOffset.X);
    out.WriteFloat32(TexOffset.Y);
    out.WriteFloat32(TexScale.X);
    out.WriteFloat32(TexScale.Y);
    out.WriteFloat32(TexAngle);
}

bool TMesh::ReadChunks(TByteReader& in, bool cache) {
    RecordSite(33004);
    int32_t stored = in.ReadInt32();
    // Every chunk takes at least its 4-byte identifier: a count beyond that
    // is damage, and only the chunks that fit are read.
    int32_t chunks = std::clamp(stored, 0, in.Remaining() / 4);
    bool ok = chunks == stored;
    for (int32_t c = 0; c < chunks && ok && !in.ShortRead; ++c) {
        int32_t id = in.ReadInt32();
        switch (id) {
        case 1: {
            int32_t k = in.ReadPacked(nullptr, 0);
            if (k <= 0) break;
            std::vector<uint8_t> rgba(size_t(k) * 4);
            in.ReadPacked(rgba.data(), k);
            if (MeshModeOwner || size_t(k) == Vertices.size()) {
                Colors.resize(size_t(k));
                for (size_t i = 0; i < size_t(k); ++i)
                    Colors[i] = {rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2], rgba[4 * i + 3]};
            } else {
                Colors.clear();
            }
            break;
        }
        case 3:
            ok = ReadPoints(in, SourceOutline);
            break;
        case 4: {
            std::vector<TVec2> points;
            ok = ReadPoints(in, points);
            if (ok) {
                SetOutline(nullptr, int32_t(points.size()));
                Outline = points;
            }
            break;
        }
        case 5:
            ok = ReadPoints(in, Vertices);
            break;
        case 6: {
            int32_t n = in.ReadInt32();
            if (n < 0 || int64_t(n) * 12 > in.Remaining()) {
                ok = false;
                break;
            }
            Triangles.resize(size_t(n));
            for (TTriangle& t : Triangles)
                for (int32_t& v : t.V)
                    v = in.ReadInt32();
            break;
        }
        case 7: {
            int32_t n = in.ReadInt32();
            if (n < 0 || int64_t(n) * 20 > in.Remaining()) {
                ok = false;
                break;
            }
            Edges.resize(size_t(n));
            for (TMeshEdge& e : Edges) {
                e.Vertex = in.ReadInt32();
                e.Prev = in.ReadInt32();
                e.Next = in.ReadInt32();
                e.Skidness = in.ReadFloat32();
                e.Stickness = in.ReadFloat32();
            }
            break;
        }
        case 8: {
            bool present = in.ReadBool();
            if (present) {
                if (!Material && Materials) Material = Materials->NewMaterial();
                if (Material) {
                    Material->Read(in);
                } else {
                    TMaterial scratch;
                    scratch.Read(in);
                }
            } else if (Material && Materials) {
                Materials->FreeMaterial(Material);
            }
            break;
        }
        case 9: {
            Skidness = in.ReadFloat32();
            Stickness = in.ReadFloat32();
            if (in.ReadBool()) Color = ReadRgba(in);
            if (in.ReadBool()) SecondColor = ReadRgba(in);
            uint8_t marker = in.ReadByte();
            AlphaRef = marker == 0xCA ? in.ReadFloat32() : 0.0f;
            in.Skip(5);
            break;
        }
        case 10: {
            int32_t n = in.ReadInt32();
            int32_t m = in.ReadInt32();
            if (n < 0 || m < 0 || m > in.Remaining() || int64_t(n) > int64_t(m) * 128) {
                ok = false;
                break;
            }
            std::vector<uint8_t> flags(size_t(n), 0);
            UnpackRuns(in.Data() + in.Position, m, flags.data(), n);
            in.Skip(m);
            SetOutline(nullptr, n);
            if (!cache)
                for (int32_t i = 0; i < n; ++i)
                    OutlinePoints[size_t(i)].Spike = flags[size_t(i)] != 0;
            break;
        }
        default:
            break; // an unknown chunk has no data
        }
    }
    ValidateIndices();
    // A chunk whose count did not fit leaves the stream out of step: what
    // follows must not be read as if it were whole.
    if (!ok) in.ShortRead = true;
    return ok && !in.ShortRead;
}

void TMesh::ValidateIndices() {
    // Triangles and edges come from files: indices that point outside the
    // vertex list are dropped, and a border ring that does not hold together
    // is laid anew in array order.
    const int32_t nv = int32_t(Vertices.size());
    std::erase_if(Triangles, [&](const TTriangle& t) {
        return std::any_of(std::begin(t.V), std::end(t.V), [&](int32_t v) { return v < 0 || v >= nv; });
    });
    std::erase_if(Edges, [&](const TMeshEdge& e) { return e.Vertex < 0 || e.Vertex >= nv; });
    const int32_t ne = int32_t(Edges.size());
    bool closed = true;
    std::vector<uint8_t> seen(size_t(ne), 0);
    int32_t e = 0;
    for (int32_t k = 0; k < ne && closed; ++k) {
        const TMeshEdge& edge = Edges[size_t(e)];
        if (seen[size_t(e)] || edge.Next < 0 || edge.Next >= ne || edge.Prev < 0 || edge.Prev >= ne ||
            Edges[size_t(edge.Next)].Prev != e) {
            closed = false;
            break;
        }
        seen[size_t(e)] = 1;
        e = edge.Next;
    }
    if (ne > 0 && (!closed || e != 0))
        for (int32_t i = 0; i < ne; ++i) {
            Edges[size_t(i)].Prev = (i + ne - 1) % ne;
            Edges[size_t(i)].Next = (i + 1) % ne;
        }
    VertexEdge.assign(size_t(nv), -1);
    for (int32_t i = 0; i < ne; ++i)
        VertexEdge[size_t(Edges[size_t(i)].Vertex)] = i;
    // Colours read before the vertices were known follow the vertex count.
    if (!Colors.empty() && Colors.size() != Vertices.size()) Colors.resize(Vertices.size(), TRgba{});
    OutlinePoints.resize(Outline.size());
}

void TMesh::WriteChunks(TByteWriter& out) const {
    int32_t chunks = 8 + (Colors.empty() ? 0 : 1);
    out.WriteInt32(chunks);
    WritePoints(out, 3, SourceOutline);
    WritePoints(out, 4, Outline);
    WritePoints(out, 5, Vertices);
    // Colours after the vertices, so that a reader can check their count.
    if (!Colors.empty()) {
        out.WriteInt32(1);
        std::vector<uint8_t> rgba;
        for (const TRgba& c : Colors)
            rgba.insert(rgba.end(), {c.R, c.G, c.B, c.A});
        out.WritePacked(rgba.data(), int32_t(Colors.size()));
    }
    WriteTriangleChunk(out, Triangles);
    WriteEdgeChunk(out, Edges);
    out.WriteInt32(8);
    out.WriteBool(Material != nullptr);
    if (Material) Material->Write(out);
    out.WriteInt32(9);
    out.WriteFloat32(Skidness);
    out.WriteFloat32(Stickness);
    out.WriteBool(true);
    WriteRgba(out, Color);
    out.WriteBool(true);
    WriteRgba(out, SecondColor);
    out.WriteByte(0xCA);
    out.WriteFloat32(AlphaRef);
    out.Pad(5);
    WriteSpikeChunk(out, OutlinePoints);
}

void TMesh::WriteCacheChunks(TByteWriter& out) const {
    out.WriteInt32(5);
    WritePoints(out, 4, Outline);
    WriteSpikeChunk(out, OutlinePoints);
    WritePoints(out, 5, Vertices);
    WriteTriangleChunk(out, Triangles);
    WriteEdgeChunk(out, Edges);
}

void TMesh::WriteMeshFile(TByteWriter& out) const {
    TFigureGroupHeader header;
    WriteFigureGroupHeader(out, header);
    for (int k = 0; k < 6; ++k)
        out.WriteInt32(0); // ignored, objects, winds, waters, sky, boosts
    out.WriteInt32(MeshBlockMark);
    WriteMeshBlock(out);
}

bool TMesh::ReadMeshBlock(TByteReader& in, const std::string& fileName) {
    FileName = fileName;
    if (!ReadChunks(in, false)) return false;
    MaxEdge = in.ReadFloat32();
    in.Skip(32);
    SetOutline(Outline.data(), int32_t(Outline.size()));
    return !in.ShortRead;
}

void TMesh::WriteMeshBlock(TByteWriter& out) const {
    WriteChunks(out);
    out.WriteFloat32(MaxEdge);
    out.Pad(32);
}

bool TMesh::LoadMeshFile(const std::string& name) {
    RecordSite(33005);
    const std::string folder = AppDir + "Objects\\";
    std::string upper = UpperAnsi(name);
    if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".GMS") == 0) {
        std::string cache = folder + name.substr(0, name.size() - 4) + ".cache";
        if (MassFileExists(cache)) {
            TMassFileStream in(cache, 0);
            if (ReadChunks(in, true)) {
                FileName = name;
                if (FixedTexCoords) UpdateTexCoords();
                return true;
            }
        }
    }
    std::string path = folder + name;
    if (!MassFileExists(path)) return false;
    TMassFileStream in(path, 0);
    // A mesh file holds nothing but the mesh block.
    TFigureGroupHeader header;
    if (!ReadFigureGroupHeader(in, header, false) || header.LevelSound || header.FigureCount != 0)
        return false;
    in.ReadInt32();
    const int32_t objects = in.ReadInt32(), winds = in.ReadInt32(), waters = in.ReadInt32();
    const int32_t sky = in.ReadInt32(), boosts = in.ReadInt32();
    if (objects >= 1 || winds >= 1 || waters >= 1 || sky == 1 || boosts >= 1) return false;
    if (in.ReadInt32() != MeshBlockMark || in.ShortRead) return false;
    if (!ReadMeshBlock(in, name)) return false;
    if (!Triangulate()) return false;
    Subdivide(MaxEdge);
    if (FixedTexCoords) UpdateTexCoords();
    return true;
}

bool TMesh::Triangulate() {
    RecordSite(33006);
    const int32_t n = int32_t(Outline.size());
    if (n < 3) return false;
    PointsCentre(Outline.data(), n, Origin);
    Vertices = Outline;
    Edges.resize(size_t(n));
    for (int32_t j = 0; j < n; ++j)
        Edges[size_t(j)] = {j, (j + n - 1) % n, (j + 1) % n, 0.0f, 0.0f};
    VertexEdge.resize(size_t(n));
    for (int32_t j = 0; j < n; ++j)
        VertexEdge[size_t(j)] = j;
    Triangles.clear();
    Triangles.reserve(size_t(n - 2));

    std::vector<int32_t> next(static_cast<size_t>(n)), prev(static_cast<size_t>(n));
    std::vector<float> key(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        next[size_t(i)] = (i + 1) % n;
        prev[size_t(i)] = (i + n - 1) % n;
    }
    const std::vector<TVec2>& P = Outline;
    auto computeKey = [&](int32_t i) {
        TVec2 d = P[size_t(next[size_t(next[size_t(i)])])] - P[size_t(i)];
        float k = d.X * d.X + d.Y * d.Y;
        // A point that is not a number sorts last instead of breaking the order.
        key[size_t(i)] = k == k ? k : std::numeric_limits<float>::infinity();
    };
    for (int32_t i = 0; i < n; ++i)
        computeKey(i);

    const TPointGrid grid(P);
    std::vector<uint8_t> cut(size_t(n), 0);
    auto isEar = [&](int32_t p) {
        return IsOutlineEar(P, grid, p, next[size_t(p)], next[size_t(next[size_t(p)])], &cut);
    };

    // Each round cuts the first ear in the ring's key order (see
    // SortRingByKey). A node's ear status depends only on its two successors,
    // so only the two nodes next to a cut change; the ears are kept by key,
    // and the order among equal keys is worked out from where the walk starts
    // and where it first meets a smaller key.
    TKeyTree keys(key);
    std::map<float, std::set<int32_t>> ears;
    std::vector<uint8_t> ear(size_t(n), 0);
    auto file = [&](int32_t i, bool on) {
        if (on == bool(ear[size_t(i)])) return;
        ear[size_t(i)] = on;
        if (on) {
            ears[key[size_t(i)]].insert(i);
        } else {
            auto group = ears.find(key[size_t(i)]);
            group->second.erase(i);
            if (group->second.empty()) ears.erase(group);
        }
    };
    for (int32_t i = 0; i < n; ++i)
        file(i, isEar(i));

    int32_t start = 0, ringSize = n;
    for (int32_t round = 0; round < 100000 && int32_t(Triangles.size()) < n - 2 && ringSize > 1; ++round) {
        if (ears.empty()) break;
        const float K = ears.begin()->first;
        const std::set<int32_t>& group = ears.begin()->second;
        int32_t f = keys.FirstBelow(start, n, K);
        if (f < 0) f = keys.FirstBelow(0, start, K);
        int32_t chosen = -1;
        if (f < 0) {
            // No smaller key anywhere: every node went to the front, the last walked first.
            auto it = group.lower_bound(start);
            chosen = it != group.begin() ? *std::prev(it) : *group.rbegin();
        } else {
            // Nodes walked before the smaller key went to the front, the last of them first.
            if (start < f) {
                auto it = group.lower_bound(f);
                if (it != group.begin() && *std::prev(it) >= start) chosen = *std::prev(it);
            } else if (start > f) {
                auto it = group.lower_bound(f);
                if (it != group.begin())
                    chosen = *std::prev(it);
                else if (*group.rbegin() >= start)
                    chosen = *group.rbegin();
            }
            // Otherwise the first one walked after it.
            if (chosen < 0) {
                auto it = group.upper_bound(f);
                chosen = it != group.end() ? *it : *group.begin();
            }
        }
        const int32_t q = next[size_t(chosen)], r = next[size_t(q)];
        Triangles.push_back({{chosen, q, r}});
        cut[size_t(q)] = 1;
        file(q, false);
        keys.Set(q, std::numeric_limits<float>::infinity());
        next[size_t(chosen)] = r;
        prev[size_t(r)] = chosen;
        --ringSize;
        start = chosen;
        for (int32_t i : {chosen, prev[size_t(chosen)]}) {
            file(i, false);
            computeKey(i);
            keys.Set(i, key[size_t(i)]);
            file(i, ringSize > 2 && isEar(i));
        }
    }
    UpdateBounds();
    UpdateSourceBounds();
    return int32_t(Triangles.size()) == n - 2;
}

namespace {
// Exact coordinates as a hash key; −0 and +0 are the same point, and a point
// that is not a number equals nothing.
bool CoordinateKey(TVec2 p, uint64_t& key) {
    if (p.X != p.X || p.Y != p.Y) return false;
    float x = p.X == 0 ? 0.0f : p.X, y = p.Y == 0 ? 0.0f : p.Y;
    uint32_t bx, by;
    std::memcpy(&bx, &x, 4);
    std::memcpy(&by, &y, 4);
    key = uint64_t(bx) << 32 | by;
    return true;
}
} // namespace

int32_t TMesh::AddVertex(TVec2 m, int32_t edgeX, int32_t edgeY) {
    // The latest vertex with exactly these coordinates, as a search from the
    // last vertex backwards would find it.
    uint64_t coordinates = 0;
    bool hashable = CoordinateKey(m, coordinates);
    if (hashable) {
        auto found = VertexLookup.find(coordinates);
        if (found != VertexLookup.end()) return found->second;
    }
    if (Vertices.size() == Vertices.capacity()) Vertices.reserve(Vertices.size() + 1000);
    int32_t index = int32_t(Vertices.size());
    Vertices.push_back(m);
    if (hashable) VertexLookup[coordinates] = index;
    int32_t edge = -1;
    if (edgeX >= 0 && edgeY >= 0) {
        const TMeshEdge& ex = Edges[size_t(edgeX)];
        if (ex.Next == edgeY || ex.Prev == edgeY) {
            // The new border edge goes between the two, whichever way the ring runs.
            int32_t first = ex.Next == edgeY ? edgeX : edgeY;
            int32_t second = first == edgeX ? edgeY : edgeX;
            edge = int32_t(Edges.size());
            if (Edges.size() == Edges.capacity()) Edges.reserve(Edges.size() + 250);
            Edges.push_back({index, first, second, 0.0f, 0.0f});
            Edges[size_t(first)].Next = edge;
            Edges[size_t(second)].Prev = edge;
        }
    }
    VertexEdge.push_back(edge);
    return index;
}

bool TMesh::SplitLongest(int32_t t) {
    TTriangle tri = Triangles[size_t(t)];
    TVec2 A = Vertices[size_t(tri.V[0])], B = Vertices[size_t(tri.V[1])], C = Vertices[size_t(tri.V[2])];
    float lab = Length(B - A), lbc = Length(C - B), lca = Length(A - C);
    float M = std::max({lca, lbc, lab});
    if (M < MaxEdge) return false;
    const float lengths[3] = {lab, lbc, lca};
    for (int k = 0; k < 3; ++k) {
        if (lengths[k] != M || !(lengths[k] > MaxEdge)) continue;
        int32_t X = tri.V[k], Y = tri.V[(k + 1) % 3], Z = tri.V[(k + 2) % 3];
        TVec2 mid = (Vertices[size_t(X)] + Vertices[size_t(Y)]) * 0.5f;
        int32_t ex = size_t(X) < VertexEdge.size() ? VertexEdge[size_t(X)] : -1;
        int32_t ey = size_t(Y) < VertexEdge.size() ? VertexEdge[size_t(Y)] : -1;
        int32_t m = AddVertex(mid, ex, ey);
        if (Triangles.size() == Triangles.capacity()) Triangles.reserve(Triangles.size() + 1000);
        Triangles.push_back({{m, Y, Z}});
        Triangles[size_t(t)].V[(k + 1) % 3] = m;
        return true;
    }
    return false;
}

void TMesh::Subdivide(float maxEdge) {
    RecordSite(33007);
    if (!(maxEdge > 0)) return;
    MaxEdge = maxEdge;
    if (VertexEdge.size() < Vertices.size()) VertexEdge.resize(Vertices.size(), -1);
    VertexLookup.clear();
    for (size_t i = 0; i < Vertices.size(); ++i) {
        uint64_t coordinates;
        if (CoordinateKey(Vertices[i], coordinates)) VertexLookup[coordinates] = int32_t(i);
    }
    for (int32_t t = 0; t < int32_t(Triangles.size());)
        if (!SplitLongest(t)) ++t;
    VertexLookup.clear();
    Vertices.shrink_to_fit();
    Triangles.shrink_to_fit();
    Edges.shrink_to_fit();
    OutlineFromEdges();
    UpdateTexCoords();
    Colors.clear();
}

void TMesh::UpdateTexCoords() {
    RecordSite(33008);
    if (!Texture) return;
    TTexFrame f = FrameOf(Texture);
    if (GridMesh) {
        if (Triangles.empty()) return;
        TexCoords.resize(Vertices.size());
        for (size_t i = 0; i < Vertices.size(); ++i)
            TexCoords[i] = {f.U0 + f.USize * (f.W != 0 ? Vertices[i].X / f.W : 0.0f),
                            f.V0 + f.VSize * (f.H != 0 ? Vertices[i].Y / f.H : 0.0f)};
        return;
    }
    const float ku = f.W != 0 ? TexScale.X / f.W : 0.0f;
    const float kv = f.H != 0 ? TexScale.Y / f.H : 0.0f;
    const TMesh& g = Geometry();
    const std::vector<TVec2>& points = FixedTexCoords ? g.Vertices : g.Positions();
    const TVec2 centre = FixedTexCoords ? TVec2{0, 0} : g.Origin;
    const float c = std::cos(TexAngle), s = std::sin(TexAngle);
    TexCoords.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        TVec2 d = centre - points[i] - TexOffset;
        TexCoords[i] = {(c * d.X + s * d.Y) * ku, (-s * d.X + c * d.Y) * kv};
    }
}

void TMesh::OutlineFromEdges() {
    if (Edges.empty() || Warped.empty()) return;
    if (Outline.size() != Edges.size()) Outline.resize(Edges.size());
    if (OutlinePoints.size() != Outline.size()) OutlinePoints.resize(Outline.size());
    int32_t e = 0;
    for (size_t i = 0; i < Edges.size(); ++i) {
        int32_t v = Edges[size_t(e)].Vertex;
        Outline[i] = size_t(v) < Warped.size() ? Warped[size_t(v)] : Outline[i];
        e = Edges[size_t(e)].Next;
        if (e < 0 || size_t(e) >= Edges.size()) break;
    }
}

void TMesh::UpdatePointNormals() {
    const size_t n = Outline.size();
    OutlinePoints.resize(n);
    for (size_t i = 0; i < n; ++i) {
        TVec2 a = Unit(Outline[(i + n - 1) % n] - Outline[i]);
        TVec2 b = Unit(Outline[(i + 1) % n] - Outline[i]);
        OutlinePoints[i].Normal = Unit(TVec2{-(a.X + b.X), -(a.Y + b.Y)});
    }
}

void TMesh::UpdateEdgeNormals() {
    const size_t n = Outline.size();
    EdgeNormals.resize(n);
    for (size_t i = 0; i < n; ++i) {
        TVec2 d = Outline[(i + 1) % n] - Outline[i];
        float len = Length(d);
        if (len != 0) d = {d.X / len, d.Y / len};
        EdgeNormals[i] = {d.Y, -d.X};
    }
}

void TMesh::UpdateBounds() {
    if (GeometrySource) return;
    TBox2 b = BoxOf(Positions());
    Bounds = {b.Left + BoundsMargin.Left, b.Top + BoundsMargin.Top, b.Right + BoundsMargin.Right,
              b.Bottom + BoundsMargin.Bottom};
    if (Group) Group->UpdateBounds();
    Center = {(Bounds.Left + Bounds.Right) / 2, (Bounds.Top + Bounds.Bottom) / 2};
}

void TMesh::UpdateSourceBounds() {
    SourceBounds = BoxOf(Vertices);
}

void TMesh::UpdateGroupBounds() {
    if (Groups.empty()) {
        GroupBounds = Bounds;
        return;
    }
    GroupBounds = Groups.front().Box;
    for (const auto& g : Groups)
        GroupBounds = Union(GroupBounds, g.Box);
}

bool TMesh::BuildGroups(float cellSize) {
    RecordSite(33009);
    Groups.clear();
    GroupedTriangles.clear();
    const TMesh* geometry = this;
    if (GeometrySource) {
        geometry = &Geometry();
        Bounds = geometry->Bounds;
        if (!(Bounds.Right - Bounds.Left > 0) || !(Bounds.Bottom - Bounds.Top > 0)) return false;
    } else {
        UpdateBounds();
    }
    const std::vector<TVec2>& pos = geometry->Positions();
    const std::vector<TTriangle>& tris = geometry->Triangles;
    if (pos.empty() || tris.empty() || !(cellSize > 0)) {
        UpdateGroupBounds();
        return false;
    }
    const float x0 = Bounds.Left, y0 = Bounds.Top;
    const float width = Bounds.Right - Bounds.Left, height = Bounds.Bottom - Bounds.Top;
    // Cell counts from a damaged box are capped; group ids stay 64-bit.
    auto cells = [&](float extent) -> int64_t {
        double c = double(extent) / double(cellSize);
        return c >= 1 ? int64_t(std::min(c, double(1 << 20))) : 0;
    };
    int64_t columns = cells(width), rows = cells(height);
    const float kx = width > 0 ? float(columns) / width : 0.0f;
    const float ky = height > 0 ? float(rows) / height : 0.0f;
    columns = std::max<int64_t>(columns, 1);
    rows = std::max<int64_t>(rows, 1);
    std::vector<int64_t> ids; // group id per triangle, −1 when dropped
    ids.reserve(tris.size());
    const bool colours = !geometry->Colors.empty() && geometry->Colors.size() >= pos.size();
    const std::vector<TRgba>& cols = geometry->Colors;
    auto cell = [](float v, int64_t count) -> int64_t {
        if (!(v > 0)) return 0;
        return v >= float(count - 1) ? count - 1 : int64_t(v);
    };
    for (const TTriangle& tri : tris) {
        if (colours && cols[size_t(tri.V[0])].A <= 15 && cols[size_t(tri.V[1])].A <= 15 &&
            cols[size_t(tri.V[2])].A <= 15) {
            ids.push_back(-1);
            continue;
        }
        TVec2 a = pos[size_t(tri.V[0])], b = pos[size_t(tri.V[1])], c = pos[size_t(tri.V[2])];
        float cx = (std::min({a.X, b.X, c.X}) + std::max({a.X, b.X, c.X})) / 2;
        float cy = (std::min({a.Y, b.Y, c.Y}) + std::max({a.Y, b.Y, c.Y})) / 2;
        ids.push_back(cell((cx - x0) * kx, columns) + cell((cy - y0) * ky, rows) * columns);
    }
    // Groups in cell order, empty ones left out.
    std::vector<int64_t> used;
    for (int64_t id : ids)
        if (id >= 0) used.push_back(id);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    Groups.resize(used.size());
    std::vector<int32_t> counts(used.size(), 0);
    auto groupIndex = [&](int64_t id) {
        return int32_t(std::lower_bound(used.begin(), used.end(), id) - used.begin());
    };
    for (int64_t id : ids)
        if (id >= 0) ++counts[size_t(groupIndex(id))];
    int32_t first = 0;
    for (size_t g = 0; g < used.size(); ++g) {
        Groups[g].First = first;
        Groups[g].Count = 0;
        first += counts[g];
    }
    GroupedTriangles.resize(size_t(first));
    std::vector<bool> boxed(used.size(), false);
    for (size_t t = 0; t < tris.size(); ++t) {
        if (ids[t] < 0) continue;
        TFragment_Of_Triangles& g = Groups[size_t(groupIndex(ids[t]))];
        GroupedTriangles[size_t(g.First + g.Count++)] = tris[t];
        const TTriangle& tri = tris[t];
        TVec2 a = pos[size_t(tri.V[0])], b = pos[size_t(tri.V[1])], c = pos[size_t(tri.V[2])];
        TBox2 box{std::min({a.X, b.X, c.X}), std::min({a.Y, b.Y, c.Y}), std::max({a.X, b.X, c.X}),
                  std::max({a.Y, b.Y, c.Y})};
        size_t gi = size_t(&g - Groups.data());
        g.Box = boxed[gi] ? Union(g.Box, box) : box;
        boxed[gi] = true;
    }
    UpdateGroupBounds();
    return true;
}

void TMesh::Translate(float dx, float dy) {
    TVec2 d{dx, dy};
    Origin += d;
    for (TVec2& p : Outline)
        p += d;
    for (TVec2& p : Vertices)
        p += d;
    Bounds = {Bounds.Left + dx, Bounds.Top + dy, Bounds.Right + dx, Bounds.Bottom + dy};
    for (auto& g : Groups)
        g.Box = {g.Box.Left + dx, g.Box.Top + dy, g.Box.Right + dx, g.Box.Bottom + dy};
    GroupBounds = {GroupBounds.Left + dx, GroupBounds.Top + dy, GroupBounds.Right + dx,
                   GroupBounds.Bottom + dy};
}

void TMesh::Rotate(TVec2 centre, float angle) {
    RotatePoints(&Origin, 1, centre, angle);
    RotatePoints(Outline.data(), int32_t(Outline.size()), centre, angle);
    RotatePoints(Vertices.data(), int32_t(Vertices.size()), centre, angle);
    UpdateEdgeNormals();
    UpdateBounds();
}

void TMesh::Scale(TVec2 centre, float sx, float sy) {
    ScalePoints(&Origin, 1, centre, sx, sy);
    ScalePoints(Outline.data(), int32_t(Outline.size()), centre, sx, sy);
    ScalePoints(Vertices.data(), int32_t(Vertices.size()), centre, sx, sy);
    UpdateEdgeNormals();
}

bool TMesh::ContainsPoint(TVec2 p) const {
    const TMesh& g = Geometry();
    if (!PointInBox(p, g.Bounds)) return false;
    const std::vector<TVec2>& pos = g.Positions();
    auto inside = [&](const TTriangle& t) {
        return PointInTriangle(pos[size_t(t.V[0])], pos[size_t(t.V[1])], pos[size_t(t.V[2])], p, false);
    };
    if (!g.Groups.empty()) {
        for (const auto& grp : g.Groups) {
            if (!PointInBox(p, grp.Box)) continue;
            for (int32_t i = 0; i < grp.Count; ++i)
                if (inside(g.GroupedTriangles[size_t(grp.First + i)])) return true;
        }
        return false;
    }
    return std::any_of(g.Triangles.begin(), g.Triangles.end(), inside);
}

void TMesh::VerticalGradient(TRgba a, TRgba b) {
    UpdateBounds();
    SetColorCount(int32_t(Vertices.size()));
    const float y0 = Bounds.Top, y1 = Bounds.Bottom;
    const std::vector<TVec2>& pos = Positions();
    for (size_t i = 0; i < Colors.size() && i < pos.size(); ++i) {
        float t = y1 != y0 ? (pos[i].Y - y0) / (y1 - y0) : 0.0f;
        auto channel = [t](uint8_t from, uint8_t to) {
            float v = t * float(int(to) - int(from));
            int d = std::isfinite(v) ? int(v) : 0;
            return uint8_t(std::clamp(int(from) + d, 0, 255));
        };
        Colors[i] = {channel(a.R, b.R), channel(a.G, b.G), channel(a.B, b.B), channel(a.A, b.A)};
    }
}

void TMesh::DrawRun(const std::vector<TTriangle>& triangles, int32_t first, int32_t count) {
    TRenderBackend& r = Renderer();
    const TMesh& g = Geometry();
    const std::vector<TVec2>& pos = g.Positions();
    const bool perVertex = !Colors.empty();
    for (int32_t i = first; i < first + count; ++i) {
        const TTriangle& t = triangles[size_t(i)];
        r.Begin(Gl::Triangles);
        if (!perVertex) r.Color4ub(Color.R, Color.G, Color.B, Color.A);
        for (int32_t v : t.V) {
            if (size_t(v) >= pos.size()) continue;
            if (perVertex && size_t(v) < Colors.size()) {
                const TRgba& c = Colors[size_t(v)];
                r.Color4ub(c.R, c.G, c.B, c.A);
            }
            if (size_t(v) < TexCoords.size()) r.TexCoord2f(TexCoords[size_t(v)].X, TexCoords[size_t(v)].Y);
            r.Vertex2f(pos[size_t(v)].X, pos[size_t(v)].Y);
        }
        r.End();
    }
}

void TMesh::Draw(int32_t) {
    RecordSite(33010);
    const TMesh& g = Geometry();
    if (!BoxesOverlap(g.GroupBounds, ViewRect)) return;
    TRenderBackend& r = Renderer();
    if (AlphaRef != 0) r.AlphaFunc(Gl::Greater, AlphaRef);
    TMyTexture* texture = FrameAnim ? FrameAnim->CurrentFrameTexture() : nullptr;
    if (!texture) texture = Texture;
    int32_t id = texture ? texture->TextureId() : 0;
    if (id > 0) {
        r.Enable(Gl::Texture2D);
        BindTexture(uint32_t(id));
    } else {
        r.Disable(Gl::Texture2D);
    }
    r.Color4ub(Color.R, Color.G, Color.B, Color.A);
    if (Material) Material->Apply();
    if (g.Groups.empty()) {
        DrawRun(g.Triangles, 0, int32_t(g.Triangles.size()));
    } else {
        int32_t runStart = -1, runCount = 0;
        const TFragment_Of_Triangles* runGroup = nullptr;
        bool prevVisible = false;
        auto flush = [&]() {
            if (runStart < 0) return;
            if (MeshLightsOn && ApplyGroupLights && runGroup) ApplyGroupLights(*runGroup);
            DrawRun(g.GroupedTriangles, runStart, runCount);
            runStart = -1;
            runCount = 0;
        };
        for (const auto& grp : g.Groups) {
            bool visible = BoxesOverlap(grp.Box, ViewRect);
            if (!visible) {
                flush();
                prevVisible = false;
                continue;
            }
            if (grp.Joinable && prevVisible && runStart >= 0) {
                runCount += grp.Count;
            } else {
                flush();
                runStart = grp.First;
                runCount = grp.Count;
                runGroup = &grp;
            }
            prevVisible = true;
        }
        flush();
    }
    if (AlphaRef != 0) r.AlphaFunc(Gl::Greater, 0.0f);
}

TPointGrid::TPointGrid(const std::vector<TVec2>& points) {
    TBox2 box{0, 0, 0, 0};
    bool any = false;
    for (const TVec2& p : points) {
        if (p.X != p.X || p.Y != p.Y || !std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
        box = any ? TBox2{std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X),
                          std::max(box.Bottom, p.Y)}
                  : TBox2{p.X, p.Y, p.X, p.Y};
        any = true;
    }
    Left = box.Left;
    Top = box.Top;
    // About one point per cell.
    const double side = std::max<double>(1, std::ceil(std::sqrt(double(points.size()))));
    Columns = Rows = int32_t(std::min(side, 1024.0));
    const double w = double(box.Right) - box.Left, h = double(box.Bottom) - box.Top;
    ScaleX = w > 0 ? float(double(Columns) / w) : 0.0f;
    ScaleY = h > 0 ? float(double(Rows) / h) : 0.0f;
    Start.assign(size_t(Columns) * size_t(Rows) + 1, 0);
    std::vector<int32_t> cellOf(points.size(), -1);
    for (size_t i = 0; i < points.size(); ++i) {
        const TVec2 p = points[i];
        if (p.X != p.X || p.Y != p.Y || !std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
        cellOf[i] = Cell(Column(p.X), Row(p.Y));
        ++Start[size_t(cellOf[i]) + 1];
    }
    for (size_t c = 1; c < Start.size(); ++c)
        Start[c] += Start[c - 1];
    Members.resize(size_t(Start.back()));
    std::vector<int32_t> fill(Start.begin(), Start.end() - 1);
    for (size_t i = 0; i < points.size(); ++i)
        if (cellOf[i] >= 0) Members[size_t(fill[size_t(cellOf[i])]++)] = int32_t(i);
}

int32_t TPointGrid::Column(float x) const {
    float c = (x - Left) * ScaleX;
    if (!(c > 0)) return 0;
    return c >= float(Columns - 1) ? Columns - 1 : int32_t(c);
}

int32_t TPointGrid::Row(float y) const {
    float r = (y - Top) * ScaleY;
    if (!(r > 0)) return 0;
    return r >= float(Rows - 1) ? Rows - 1 : int32_t(r);
}

bool IsOutlineEar(const std::vector<TVec2>& P, const TPointGrid& grid, int32_t p, int32_t q, int32_t r,
                  const std::vector<uint8_t>* cut) {
    TVec2 a = P[size_t(p)], b = P[size_t(q)], c = P[size_t(r)];
    if (a.Y == b.Y && b.Y == c.Y) return false;
    if (a.X == b.X && b.X == c.X) return false;
    const TVec2 tri[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
        TVec2 e = tri[k], f = tri[(k + 1) % 3], g = tri[(k + 2) % 3];
        if (g == e || g == f) continue;
        if ((g.X - e.X) * (f.Y - e.Y) - (g.Y - e.Y) * (f.X - e.X) > 0) return false;
    }
    TBox2 box{std::min({a.X, b.X, c.X}), std::min({a.Y, b.Y, c.Y}), std::max({a.X, b.X, c.X}),
              std::max({a.Y, b.Y, c.Y})};
    // Only the points in the cells under the box can lie in it.
    return grid.None(box, [&](int32_t i) {
        const bool gone = cut && (*cut)[size_t(i)];
        return i != p && i != q && i != r && PointInBox(P[size_t(i)], box) &&
               PointInTriangle(a, b, c, P[size_t(i)], gone);
    });
}

TKeyTree::TKeyTree(const std::vector<float>& keys) {
    Size = 1;
    while (Size < int32_t(keys.size()))
        Size *= 2;
    Min.assign(size_t(2 * Size), std::numeric_limits<float>::infinity());
    for (size_t i = 0; i < keys.size(); ++i)
        Min[size_t(Size) + i] = keys[i];
    for (int32_t i = Size - 1; i >= 1; --i)
        Min[size_t(i)] = std::min(Min[size_t(2 * i)], Min[size_t(2 * i + 1)]);
}

void TKeyTree::Set(int32_t i, float v) {
    size_t at = size_t(Size + i);
    Min[at] = v;
    for (at /= 2; at >= 1; at /= 2)
        Min[at] = std::min(Min[2 * at], Min[2 * at + 1]);
}

int32_t TKeyTree::FirstBelow(int32_t lo, int32_t hi, float k) const {
    return Descend(1, 0, Size, lo, hi, k);
}

int32_t TKeyTree::Descend(int32_t node, int32_t from, int32_t to, int32_t lo, int32_t hi, float k) const {
    if (to <= lo || hi <= from || !(Min[size_t(node)] < k)) return -1;
    if (to - from == 1) return from;
    const int32_t mid = (from + to) / 2;
    int32_t found = Descend(2 * node, from, mid, lo, hi, k);
    return found >= 0 ? found : Descend(2 * node + 1, mid, to, lo, hi, k);
}

std::vector<int32_t> SortRingByKey(const std::vector<float>& keys) {
    // Walking the ring, each node goes in front of the first entry with a
    // larger key, or to the very front when its key does not exceed the
    // smallest so far. The result is sorted by key; within equal keys the
    // nodes that went to the front come first, the latest first, then the
    // others in walking order. Sorting by that composite key gives the same
    // order without the quadratic inserts.
    struct TRanked {
        float Key;
        int32_t Rank;
        int32_t Index;
    };
    const int32_t n = int32_t(keys.size());
    std::vector<TRanked> ranked;
    ranked.reserve(keys.size());
    float smallest = 0;
    for (int32_t k = 0; k < n; ++k) {
        float kv = keys[size_t(k)];
        bool front = k == 0 || kv <= smallest;
        smallest = k == 0 ? kv : std::min(smallest, kv);
        ranked.push_back({kv, front ? -k : n + k, k});
    }
    std::sort(ranked.begin(), ranked.end(), [](const TRanked& a, const TRanked& b) {
        return a.Key < b.Key || (a.Key == b.Key && a.Rank < b.Rank);
    });
    std::vector<int32_t> order;
    order.reserve(keys.size());
    for (const TRanked& r : ranked)
        order.push_back(r.Index);
    return order;
}

double OutlineArea2(const std::vector<TVec2>& outline) {
    double sum = 0;
    for (size_t i = 0, n = outline.size(); i < n; ++i) {
        const TVec2 a = outline[i], b = outline[(i + 1) % n];
        sum += double(a.X) * b.Y - double(b.X) * a.Y;
    }
    return sum;
}

bool MakeMeshFiles(const std::vector<TVec2>& outline, float maxEdge, std::vector<uint8_t>& meshFile,
                   std::vector<uint8_t>& cacheFile, std::string& why) {
    if (outline.size() < 3) {
        why = "an outline needs at least 3 points";
        return false;
    }
    for (const TVec2& p : outline)
        if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
            why = "the outline holds a point that is not a number";
            return false;
        }
    if (!(OutlineArea2(outline) > 0)) {
        why = "the outline must run clockwise on the screen (y down)";
        return false;
    }
    TMesh source(nullptr, nullptr);
    source.SetOutline(outline.data(), int32_t(outline.size()));
    source.MaxEdge = maxEdge;
    TByteWriter gms;
    source.WriteMeshFile(gms);

    TMesh finished(nullptr, nullptr);
    finished.SetOutline(outline.data(), int32_t(outline.size()));
    if (!finished.Triangulate()) {
        why = "the outline crosses itself or has no ear to cut";
        return false;
    }
    finished.Subdivide(maxEdge);
    // The cache's outline is the whole border ring of the finished mesh, so
    // that a level's spike flags (one per border point) keep their places.
    finished.Warped = finished.Vertices;
    finished.OutlineFromEdges();
    finished.Warped.clear();
    TByteWriter cache;
    finished.WriteCacheChunks(cache);
    meshFile = std::move(gms.Bytes);
    cacheFile = std::move(cache.Bytes);
    return true;
}

TMesh* TMultiMesh::Add() {
    Meshes.push_back(std::make_unique<TMesh>(this, Materials));
    CurrentIndex = int32_t(Meshes.size()) - 1;
    Current = Meshes.back().get();
    return Current;
}

void TMultiMesh::Delete(int32_t i) {
    if (i < 0 || size_t(i) >= Meshes.size()) return;
    TMesh* gone = Meshes[size_t(i)].get();
    for (auto& m : Meshes)
        if (m->GeometrySource == gone) m->GeometrySource = nullptr;
    Meshes.erase(Meshes.begin() + i);
    if (Meshes.empty()) {
        Current = nullptr;
        CurrentIndex = -1;
        return;
    }
    Select(std::min(i, int32_t(Meshes.size()) - 1));
}

void TMultiMesh::Clear() {
    Meshes.clear();
    Current = nullptr;
    CurrentIndex = -1;
}

void TMultiMesh::Select(int32_t i) {
    if (Meshes.empty()) return;
    CurrentIndex = std::clamp(i, 0, int32_t(Meshes.size()) - 1);
    Current = Meshes[size_t(CurrentIndex)].get();
}

int32_t TMultiMesh::IndexOf(const TMesh* mesh) const {
    for (size_t i = 0; i < Meshes.size(); ++i)
        if (Meshes[i].get() == mesh) return int32_t(i);
    return -1;
}

void TMultiMesh::UpdateBounds() {
    bool first = true;
    for (const auto& m : Meshes) {
        const TBox2& b = m->Geometry().Bounds;
        Bounds = first ? b : Union(Bounds, b);
        first = false;
    }
}

void TMultiMesh::BuildGroups(bool onlyMissing) {
    for (auto& m : Meshes)
        if (!onlyMissing || m->Groups.empty()) m->BuildGroups(300);
}

bool TMultiMesh::ContainsPoint(TVec2 p) const {
    if (!PointInBox(p, Bounds)) return false;
    return std::any_of(Meshes.begin(), Meshes.end(), [&](const auto& m) { return m->ContainsPoint(p); });
}

bool TMultiMesh::Draw(int32_t counter) {
    if (!BoxesOverlap(Bounds, ViewRect)) return false;
    for (auto& m : Meshes)
        m->Draw(counter);
    return true;
}

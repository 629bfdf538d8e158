#include "world/SplineObj.h"

#include "app/PointArrays.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "world/Layers.h"
#include "world/MaterialMan.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace {
// The border variant for a quality value: 1, 2, 4 or the full texture.
int32_t VariantFor(int32_t q) {
    if (q == 1) return 1;
    if (q == 2 || q == 3) return 2;
    if (q == 4 || q == 5) return 4;
    return 8;
}

// Nearest integer, ties to even; values that cannot be one count as 0.
int32_t RoundEven(double x) {
    if (!std::isfinite(x) || std::fabs(x) > 1e9) return 0;
    return int32_t(std::nearbyint(x));
}

void CopyShapes(const TOutline& from, TOutline& to) {
    for (size_t i = 0; i < 4; ++i) {
        to[i].CopyShape(from[i]);
        to[i].Extra1 = from[i].Extra1;
        to[i].Extra2 = from[i].Extra2;
    }
    LinkRing(to.data(), 4);
}

TBox2 TriangleBox(const std::vector<TVec2>& pos, const TTriangle& t) {
    TVec2 a = pos[size_t(t.V[0])], b = pos[size_t(t.V[1])], c = pos[size_t(t.V[2])];
    return {std::min({a.X, b.X, c.X}), std::min({a.Y, b.Y, c.Y}), std::max({a.X, b.X, c.X}),
            std::max({a.Y, b.Y, c.Y})};
}

// The boxes of the existing triangle groups after the positions moved.
void UpdateGroupBoxes(TMesh& mesh) {
    const std::vector<TVec2>& pos = mesh.Geometry().Positions();
    for (auto& g : mesh.Groups) {
        for (int32_t i = 0; i < g.Count; ++i) {
            const TTriangle& t = mesh.GroupedTriangles[size_t(g.First + i)];
            if (std::any_of(std::begin(t.V), std::end(t.V),
                            [&](int32_t v) { return size_t(v) >= pos.size(); }))
                continue;
            TBox2 b = TriangleBox(pos, t);
            g.Box = i == 0 ? b
                           : TBox2{std::min(g.Box.Left, b.Left), std::min(g.Box.Top, b.Top),
                                   std::max(g.Box.Right, b.Right), std::max(g.Box.Bottom, b.Bottom)};
        }
    }
    mesh.UpdateGroupBounds();
}

TMyTexture* TextureFromRecord(int32_t index, const std::string& name) {
    if (!name.empty()) return TexLib.FindTexture(name);
    if (index < 0) return nullptr;
    return TexLib.TextureByIndex(index);
}
} // namespace

TSplineObj::TSplineObj(TObjectWorld* world)
    : World(world), Body(this, world ? world->Materials : nullptr),
      Border(this, world ? world->Materials : nullptr) {
    MakeDefaultOutline(Splines);
    CopyShapes(Splines, BaseSplines);
}

TSplineObj::~TSplineObj() {
    if (Animation) Animation->Detach();
    for (TObjectEmitter* e : Emitters)
        e->Detached();
    Emitters.clear();
    if (World && World->ForgetObjectInQuests) World->ForgetObjectInQuests(this);
}

void TSplineObj::ClearLinks() {
    // The animation may outlive the object (a level frees its objects first):
    // it must not look back at it.
    if (Animation && Animation->Target == this) Animation->Target = nullptr;
    Wind = nullptr;
    FrameAnim = nullptr;
    Boost = nullptr;
    BoostPassable = false;
    Animation = nullptr;
    Emitters.clear();
}

float TSplineObj::LayerParallax() const {
    if (!World || !World->Layers) return 1.0f;
    return World->Layers->LayerOf(Layer).Parallax;
}

bool TSplineObj::Contributes() const {
    return Collide && LayerParallax() == 1.0f;
}

TMesh* TSplineObj::AddBodyMesh() {
    RecordSite(32001);
    TMesh* previous = Body.Meshes.empty() ? nullptr : Body.Meshes.back().get();
    TMesh* mesh = Body.Add();
    mesh->MeshModeOwner = !GridMode;
    if (mesh->Material && World && World->Materials)
        mesh->Material->Parent = &World->Materials->SplineObjects;
    if (previous) {
        if (mesh->Material && previous->Material) {
            TMaterial* parent = mesh->Material->Parent;
            mesh->Material->CopyFrom(previous->Material);
            mesh->Material->Parent = parent;
        }
        mesh->SetTextureIndex(10);
        mesh->GeometrySource = Body.Meshes.front().get();
        mesh->UpdateTexCoords();
    }
    return mesh;
}

void TSplineObj::BuildBody() {
    if (Body.Meshes.empty()) AddBodyMesh();
    TMesh& first = *Body.Meshes.front();
    if (GridMode) {
        if (first.FrameAnim)
            first.BuildFullGrid(UsedColumns(), UsedRows());
        else
            first.BuildGrid(UsedColumns(), UsedRows());
    } else {
        first.LoadMeshFile(MeshFile);
    }
}

void TSplineObj::SetGridTexture(int32_t textureIndex, bool fit) {
    RecordSite(32002);
    GridMode = true;
    while (Body.Meshes.size() > 1)
        Body.Delete(int32_t(Body.Meshes.size()) - 1);
    if (Body.Meshes.empty()) AddBodyMesh();
    TMesh& first = *Body.Meshes.front();
    first.MeshModeOwner = false;
    first.SetTextureIndex(textureIndex);
    first.GridMesh = true;
    std::vector<TVec2> points;
    int32_t count = 0;
    if (first.Texture && first.Texture->Outline(10, OutlineStep, 20000, points, count) && count > 0) {
        points.resize(size_t(count));
        if (Mirrored) ReversePoints(points.data(), count);
        first.SetOutline(points.data(), count);
    } else {
        first.SetOutline(nullptr, 0);
        first.SourceOutline.clear();
    }
    BuildBody();
    if (Body.Current) Body.Current->UpdateTexCoords();
    if (fit && first.Texture) {
        first.Texture->PrepareSize();
        GridCountsForSize(float(first.Texture->FullWidth), float(first.Texture->FullHeight), GridColumns,
                          GridRows);
        BuildBody();
        if (Body.Current) Body.Current->UpdateTexCoords();
        TBox2 b{0, 0, 0, 0};
        PointsBounds(first.Vertices.data(), int32_t(first.Vertices.size()), b);
        float w = b.Right - b.Left, h = b.Bottom - b.Top;
        float a = w / 3, c = h / 3;
        Splines[0] = TSpline::CreateFromPoints({-w / 2, -h / 2}, {a, 0}, {w / 2, -h / 2}, {-a, 0});
        Splines[1] = TSpline::CreateFromPoints({w / 2, -h / 2}, {0, c}, {w / 2, h / 2}, {0, -c});
        Splines[2] = TSpline::CreateFromPoints({w / 2, h / 2}, {-a, 0}, {-w / 2, h / 2}, {a, 0});
        Splines[3] = TSpline::CreateFromPoints({-w / 2, h / 2}, {0, -c}, {-w / 2, -h / 2}, {0, c});
        LinkRing(Splines.data(), 4);
        CopyShapes(Splines, BaseSplines);
        first.Origin = {0, 0};
        GridColumns = std::clamp(int32_t(w / 50), 5, MaxPatchCells);
        GridRows = std::clamp(int32_t(h / 50), 5, MaxPatchCells);
        Mirrored = false;
    }
    Rebuild();
}

void TSplineObj::SetMeshFile(const std::string& name) {
    RecordSite(32003);
    MeshFile = name;
    GridMode = false;
    BuildBody();
    if (Mirrored && !Body.Meshes.empty()) {
        TMesh& first = *Body.Meshes.front();
        if (first.GridMesh)
            ReversePoints(first.SourceOutline.data(), int32_t(first.SourceOutline.size()));
        else
            for (TMeshEdge& e : first.Edges)
                std::swap(e.Prev, e.Next);
    }
    Rebuild();
}

void WarpBody(TMultiMesh& body, const TOutline& splines, const TBox2& sourceBox, bool updateOutline,
              bool animated, int32_t rows, int32_t columns) {
    RecordSite(32004);
    TVec2 origin{0, 0};
    for (const TSpline& s : splines)
        origin += s.StartPoint;
    origin = origin * 0.25f;
    for (auto& meshPtr : body.Meshes) {
        TMesh& mesh = *meshPtr;
        if (!animated && (mesh.GeometrySource || mesh.Vertices.empty())) {
            if (!mesh.FixedTexCoords && !mesh.GridMesh) mesh.UpdateTexCoords();
            continue;
        }
        mesh.Origin = origin;
        // The warped array always holds every vertex, also for the first
        // animated warp of a body that was never rebuilt.
        if (mesh.Warped.size() != mesh.Vertices.size()) mesh.Warped = mesh.Vertices;
        DeformPoints(mesh.Vertices.data(), mesh.Warped.data(), int32_t(mesh.Vertices.size()), &sourceBox,
                     rows, columns, splines);
        if (updateOutline) {
            if (mesh.GridMesh) {
                mesh.Outline.resize(mesh.SourceOutline.size());
                mesh.OutlinePoints.resize(mesh.Outline.size());
                DeformPoints(mesh.SourceOutline.data(), mesh.Outline.data(),
                             int32_t(mesh.SourceOutline.size()), &sourceBox, rows, columns, splines);
                mesh.UpdateEdgeNormals();
            } else {
                mesh.OutlineFromEdges();
            }
        }
        if (!animated) {
            mesh.UpdatePointNormals();
            if (!mesh.FixedTexCoords && !mesh.GridMesh) mesh.UpdateTexCoords();
        }
        mesh.UpdateBounds();
        UpdateGroupBoxes(mesh);
    }
    body.UpdateBounds();
}

void TSplineObj::Rebuild() {
    RecordSite(32005);
    if (Body.Meshes.empty()) return;
    TMesh& first = *Body.Meshes.front();
    TBox2 box{0, 0, 0, 0};
    PointsBounds(first.Vertices.data(), int32_t(first.Vertices.size()), box);
    WarpBody(Body, Splines, box, true, false, UsedRows(), UsedColumns());
    for (auto& m : Body.Meshes)
        m->BuildGroups(300);
    // New groups know no lights until they are told.
    AssignLights(Body);
    if (!Border.Meshes.empty()) SetBorderTexture(Border.Meshes.front()->Texture);
    if (Boost && World && World->RefreshBoostLight) World->RefreshBoostLight(Boost);
}

void TSplineObj::ApplyAnimation() {
    if (!Animation || Body.Meshes.empty()) return;
    if (Animation->FrameCount() == 0) return;
    WarpBody(Body, Animation->CurrentShapeNow(), Body.Meshes.front()->SourceBounds, !Emitters.empty(), true,
             UsedRows(), UsedColumns());
}

void TSplineObj::SetBorderTexture(TMyTexture* texture) {
    RecordSite(32006);
    if (Body.Meshes.empty()) return;
    const std::vector<TVec2> points = Body.Meshes.front()->Outline;
    if (Border.Meshes.empty()) {
        TMesh* band = Border.Add();
        if (band->Material && World && World->Materials)
            band->Material->Parent = &World->Materials->SplineObjects;
    }
    TMesh& band = *Border.Meshes.front();
    band.BuildBand(points.data(), int32_t(points.size()), texture, BorderWidth, BorderStretch, BorderShift);
    band.BuildGroups(300);
    AssignLights(Border);
}

void TSplineObj::AssignLights(TMultiMesh& group) {
    if (!World || !World->AssignLights) return;
    for (auto& m : group.Meshes)
        if (m) World->AssignLights(*m, Layer);
}

void TSplineObj::MoveBy(float dx, float dy, bool temporary) {
    if (dx == 0 && dy == 0) return;
    TranslateOutline(Splines.data(), 4, dx, dy);
    if (!temporary) CopyShapes(Splines, BaseSplines);
    if (Animation) Animation->TranslateFrames(false, -1, temporary, dx, dy);
    Rebuild();
}

void TSplineObj::RestoreBaseShape() {
    CopyShapes(BaseSplines, Splines);
    Rebuild();
}

void TSplineObj::RestoreTextureDetail() {
    for (TMultiMesh* group : {&Body, &Border})
        for (auto& m : group->Meshes)
            if (m->Texture) m->Texture = m->Texture->MainTexture();
}

void TSplineObj::ChooseTextureDetail() {
    RecordSite(32007);
    RestoreTextureDetail();
    const double s = double(World ? World->ScreenWidth : 1024) / 2048.0;
    const double p = LayerParallax();
    if (!Border.Meshes.empty() && Border.Meshes.front()->Texture) {
        TMesh& band = *Border.Meshes.front();
        TMyTexture* full = band.Texture;
        full->PrepareSize();
        double H = full->FullHeight > 0 ? full->FullHeight : 1;
        int32_t q = RoundEven(std::fabs(BorderWidth) / H * s * 2 * p * 8);
        TMyTexture* variant = full->ScaledCopy(VariantFor(q));
        std::vector<TVec2> points = Body.Meshes.empty() ? std::vector<TVec2>{} : Body.Meshes.front()->Outline;
        band.BuildBand(points.data(), int32_t(points.size()), variant, BorderWidth, BorderStretch,
                       BorderShift);
        band.BuildGroups(300);
    }
    if (GridMode) {
        if (Body.Meshes.empty() || !Body.Meshes.front()->Texture) return;
        TMesh& first = *Body.Meshes.front();
        TMyTexture* full = first.Texture;
        full->PrepareSize();
        double W = full->FullWidth > 0 ? full->FullWidth : 1, H = full->FullHeight > 0 ? full->FullHeight : 1;
        double w = Body.Bounds.Right - Body.Bounds.Left, h = Body.Bounds.Bottom - Body.Bounds.Top;
        double d = std::min(1.0, (w / W + h / H) * s * p);
        first.Texture = full->ScaledCopy(RoundEven(d * 8));
        if (Body.Current) Body.Current->UpdateTexCoords();
        return;
    }
    for (auto& m : Body.Meshes) {
        if (!m->Texture) continue;
        for (float* scale : {&m->TexScale.X, &m->TexScale.Y}) {
            if (*scale >= 0 && *scale < 0.00001f) *scale = 0.00001f;
            if (*scale < 0 && *scale > -0.00001f) *scale = -0.00001f;
        }
        double d = std::min(1.0, (std::fabs(1.0 / m->TexScale.X) + std::fabs(1.0 / m->TexScale.Y)) * s * p);
        m->Texture = m->Texture->ScaledCopy(VariantFor(RoundEven(d * 8)));
    }
}

void TSplineObj::SetVisible(bool visible, bool silent) {
    if (!silent && visible != Visible)
        for (TObjectEmitter* e : Emitters)
            if (visible ? e->FireOnShow() : e->FireOnHide()) e->Restart(false);
    Visible = visible;
}

void TSplineObj::AttachEmitter(TObjectEmitter* emitter) {
    if (emitter && std::find(Emitters.begin(), Emitters.end(), emitter) == Emitters.end())
        Emitters.push_back(emitter);
}

void TSplineObj::DetachEmitter(TObjectEmitter* emitter) {
    auto it = std::find(Emitters.begin(), Emitters.end(), emitter);
    if (it == Emitters.end()) return;
    Emitters.erase(it);
    emitter->Detached();
}

int32_t TSplineObj::DrawEmitters(bool behind) {
    int32_t drawn = 0;
    const bool overlay = World && World->OverlayPass;
    for (TObjectEmitter* e : Emitters) {
        if (e->DrawBehind() != behind) continue;
        if (e->ScreenOverlayOnly() != overlay) continue;
        if (!overlay && e->SystemLayer() != Layer) continue;
        if (World && World->ApplyLayerLights) World->ApplyLayerLights(Layer);
        drawn += e->DrawSystem();
    }
    return drawn;
}

int32_t TSplineObj::Draw(int32_t counter) {
    RecordSite(32008);
    counter += DrawEmitters(true);
    if (Visible) {
        if (!Body.Meshes.empty()) Body.Meshes.front()->FrameAnim = FrameAnim;
        Body.Draw(counter);
        Border.Draw(counter);
    }
    counter += DrawEmitters(false);
    return counter;
}

void TSplineObj::DrawOutline(bool, bool showCurves) {
    if (showCurves)
        for (const TSpline& s : Splines)
            s.DrawOutline(255, false, false);
}

bool TSplineObj::ReadSplineObj(TByteReader& in) {
    RecordSite(32009);
    for (TSpline& s : Splines)
        s.ReadSpline(in);
    LinkRing(Splines.data(), 4);
    CopyShapes(Splines, BaseSplines);
    GridColumns = in.ReadInt32();
    GridRows = in.ReadInt32();
    Name = in.ReadString();
    Collide = in.ReadBool();
    int16_t mode = in.ReadInt16();
    Mirrored = in.ReadBool();
    in.ReadByte();
    if (in.ShortRead) return false;
    if (mode == 1) {
        int32_t index = in.ReadInt32();
        if (index == -1) {
            TMyTexture* t = TexLib.FindTexture(in.ReadString());
            index = t ? t->Index : -1;
        }
        OutlineStep = in.ReadInt32();
        SetGridTexture(index, false);
        if (!Body.Meshes.front()->ReadChunks(in, false)) return false;
    } else {
        GridMode = false;
        MeshFile = in.ReadString();
        Body.Clear();
        int32_t n = in.ReadInt32();
        // A mesh header and an empty chunk list take at least 45 bytes.
        if (n < 0 || int64_t(n) * 45 > in.Remaining()) return false;
        for (int32_t i = 0; i < n; ++i)
            AddBodyMesh();
        for (auto& m : Body.Meshes) {
            if (!m->ReadHeader(in) || !m->ReadChunks(in, false)) return false;
        }
        SetMeshFile(MeshFile);
        for (auto& m : Body.Meshes)
            if (m->GeometrySource) m->UpdateTexCoords();
    }
    int32_t borderIndex = in.ReadInt32();
    std::string borderName = in.ReadString();
    TMyTexture* borderTexture = TextureFromRecord(borderIndex, borderName);
    if (!borderName.empty()) borderIndex = borderTexture ? borderTexture->Index : -1;
    BorderStretch = in.ReadFloat32();
    BorderWidth = in.ReadFloat32();
    BorderShift = in.ReadFloat32();
    if (borderIndex >= 0) SetBorderTexture(borderTexture);
    Layer = in.ReadInt32();
    if (borderIndex >= 0 && !Border.Meshes.empty()) {
        if (!Border.Meshes.front()->ReadChunks(in, false)) return false;
    } else if (borderIndex >= 0) {
        TMesh scratch(nullptr, nullptr);
        if (!scratch.ReadChunks(in, false)) return false;
    } else {
        in.ReadInt32();
    }
    CharactersFlyThrough = in.ReadBool();
    ParticlesFlyThrough = in.ReadBool();
    in.Skip(22);
    return !in.ShortRead;
}

void TSplineObj::WriteSplineObj(TByteWriter& out) const {
    for (const TSpline& s : Splines)
        s.WriteSpline(out);
    out.WriteInt32(GridColumns);
    out.WriteInt32(GridRows);
    out.WriteString(Name);
    out.WriteBool(Collide);
    out.WriteInt16(GridMode ? 1 : 0);
    out.WriteBool(Mirrored);
    out.WriteByte(0);
    if (GridMode) {
        const TMesh* first = Body.Meshes.empty() ? nullptr : Body.Meshes.front().get();
        const TMyTexture* t =
            first && first->Texture ? first->Texture->Main ? first->Texture->Main : first->Texture : nullptr;
        out.WriteInt32(-1);
        out.WriteString(t ? t->Name : std::string());
        out.WriteInt32(OutlineStep);
        if (first)
            first->WriteChunks(out);
        else
            out.WriteInt32(0);
    } else {
        out.WriteString(MeshFile);
        out.WriteInt32(int32_t(Body.Meshes.size()));
        for (const auto& m : Body.Meshes) {
            const TMyTexture* t = m->Texture ? m->Texture->MainTexture() : nullptr;
            m->WriteHeader(out, m->GeometrySource ? Body.IndexOf(m->GeometrySource) : -1,
                           t ? t->Name : std::string());
            m->WriteChunks(out);
        }
    }
    const TMesh* band = Border.Meshes.empty() ? nullptr : Border.Meshes.front().get();
    const TMyTexture* bandTexture = band && band->Texture ? band->Texture->MainTexture() : nullptr;
    out.WriteInt32(bandTexture ? bandTexture->Index : -1);
    out.WriteString(bandTexture ? bandTexture->Name : std::string());
    out.WriteFloat32(BorderStretch);
    out.WriteFloat32(BorderWidth);
    out.WriteFloat32(BorderShift);
    out.WriteInt32(Layer);
    if (bandTexture)
        band->WriteChunks(out);
    else
        out.WriteInt32(0);
    out.WriteBool(CharactersFlyThrough);
    out.WriteBool(ParticlesFlyThrough);
    out.Pad(22);
}

void SetEdgeSurface(TMesh& mesh) {
    if (mesh.GridMesh) {
        const int32_t n = int32_t(mesh.Outline.size());
        mesh.Edges.resize(size_t(n));
        for (int32_t i = 0; i < n; ++i)
            mesh.Edges[size_t(i)] = {i, (i + n - 1) % n, (i + 1) % n, mesh.Skidness, mesh.Stickness};
        return;
    }
    if (!mesh.Group || mesh.Edges.empty()) return;
    int32_t e = 0;
    for (size_t k = 0; k < mesh.Edges.size(); ++k) {
        TMeshEdge& edge = mesh.Edges[size_t(e)];
        const int32_t a = edge.Vertex;
        float slide = 0, glue = 0;
        for (const auto& m : mesh.Group->Meshes) {
            if (!m->Texture || (m.get() != &mesh && m->GeometrySource != &mesh)) continue;
            float w = 1;
            if (!m->Colors.empty() && size_t(a) < m->Colors.size())
                w = float(m->Colors[size_t(a)].A) / 255.0f;
            slide = w * m->Skidness + (1 - w) * slide;
            glue = w * m->Stickness + (1 - w) * glue;
        }
        edge.Skidness = slide;
        edge.Stickness = glue;
        e = edge.Next;
        if (e < 0 || size_t(e) >= mesh.Edges.size()) break;
    }
}

std::vector<TCollisionEdge> BuildCollisionEdges(const std::vector<TSplineObj*>& objects) {
    RecordSite(32010);
    std::vector<TCollisionEdge> edges;
    size_t total = 0;
    for (TSplineObj* o : objects) {
        if (!o || !o->Contributes() || o->Body.Meshes.empty()) continue;
        SetEdgeSurface(*o->Body.Meshes.front());
        total += o->Body.Meshes.front()->Edges.size();
    }
    edges.reserve(total);
    for (TSplineObj* o : objects) {
        // A boost's object that bodies pass through keeps its edge surface
        // (a grid object's edges are made there) but gives no edges.
        if (!o || !o->Contributes() || o->BoostPassable || o->Body.Meshes.empty()) continue;
        const TMesh& mesh = *o->Body.Meshes.front();
        const size_t n = mesh.Edges.size();
        if (n == 0) continue;
        const std::vector<TVec2>& P = o->GridMode ? mesh.Outline : mesh.Warped;
        TBorderRing ring;
        ring.Owner = o;
        ring.PassBodies = o->CharactersFlyThrough;
        ring.PassParticles = o->ParticlesFlyThrough;
        const bool haveData = mesh.OutlinePoints.size() >= n;
        int32_t e = 0;
        for (size_t j = 0; j < n; ++j) {
            const TMeshEdge& edge = mesh.Edges[size_t(e)];
            if (size_t(edge.Vertex) >= P.size()) break; // a ring that does not match its points ends here
            ring.Points.push_back(P[size_t(edge.Vertex)]);
            ring.Skidness.push_back(edge.Skidness);
            ring.Stickness.push_back(edge.Stickness);
            if (haveData) {
                ring.Spikes.push_back(mesh.OutlinePoints[j].Spike != 0);
                ring.Normals.push_back(mesh.OutlinePoints[j].Normal);
            }
            e = edge.Next;
            if (e < 0 || size_t(e) >= n) break;
        }
        if (ring.Points.size() != n) {
            ring.Skidness.resize(ring.Points.size());
            ring.Stickness.resize(ring.Points.size());
            ring.Spikes.clear();
            ring.Normals.clear();
        }
        AppendRingEdges(edges, ring);
    }
    return edges;
}

TSplineAnim::TSplineAnim(TSplineAnimMan* manager) : Manager(manager) {
    InsertFrame(0);
    MakeDefaultOutline(CurrentShape);
}

TSplineAnim::~TSplineAnim() {
    if (Target && Target->Animation == this) Target->Animation = nullptr;
}

void TSplineAnim::Attach(TSplineObj* object) {
    Target = object;
    if (!object) return;
    object->Animation = this;
    object->Collide = false;
}

void TSplineAnim::Detach() {
    TSplineObj* object = Target;
    Target = nullptr;
    if (!object) return;
    object->Animation = nullptr;
    object->Collide = true;
    object->Rebuild();
}

// Durations stay at least 1 ms, so the transition arithmetic never divides by zero.
void TSplineAnim::NewDuration() {
    Duration = std::max(1, MinDuration + Random(RandomDuration));
}

bool TSplineAnim::TargetDue() const {
    if (!Target) return false;
    if (Target->LayerParallax() != 1.0f) return true;
    const TObjectWorld* w = Target->World;
    if (!w) return true;
    if (w->HasPlayer && !OutsideBoxBy(w->PlayerPosition, Target->Body.Bounds, 2000)) return true;
    return Target->Boost && w->PlayerCarries && w->PlayerCarries(*Target->Boost);
}

void TSplineAnim::Tick(int32_t dt) {
    if (Duration <= 0) NewDuration();
    if (!Waiting) Elapsed += dt;
    if (Elapsed > Duration) {
        Elapsed %= Duration;
        NewDuration();
        if (Duration < Elapsed) Elapsed %= Duration;
        const int32_t n = FrameCount();
        FromFrame = std::clamp(FromFrame, 0, std::max(n - 1, 0));
        if (n > 1) {
            if (Order == 0) {
                FromFrame = ToFrame;
                ToFrame = ToFrame + 1 >= n ? 0 : ToFrame + 1;
            } else if (Order == 1) {
                FromFrame = ToFrame;
                ToFrame = Random(n);
                if (ToFrame == FromFrame) ToFrame += ToFrame == 0 ? 1 : -1;
            }
        } else {
            FromFrame = ToFrame = 0;
        }
    }
    if (Target && Target->World && Target->World->AlternateTick && TargetDue()) Target->ApplyAnimation();
}

const TOutline& TSplineAnim::CurrentShapeNow() {
    const int32_t n = FrameCount();
    if (n == 0) return CurrentShape;
    float t = Duration > 0 ? float(Elapsed) / float(Duration) : 0.0f;
    if (!Linear) t = 0.5f - 0.5f * std::cos(PiF * t);
    FromFrame = std::clamp(FromFrame, 0, n - 1);
    ToFrame = std::clamp(ToFrame, 0, n - 1);
    const TOutline& a = Frames[size_t(FromFrame)].Shape;
    const TOutline& b = Frames[size_t(ToFrame)].Shape;
    auto lerp = [t](TVec2 from, TVec2 to) { return from + (to - from) * t; };
    for (size_t i = 0; i < 4; ++i) {
        CurrentShape[i].StartPoint = lerp(a[i].StartPoint, b[i].StartPoint);
        CurrentShape[i].EndPoint = lerp(a[i].EndPoint, b[i].EndPoint);
        CurrentShape[i].StartHandle = lerp(a[i].StartHandle, b[i].StartHandle);
        CurrentShape[i].EndHandle = lerp(a[i].EndHandle, b[i].EndHandle);
    }
    LinkRing(CurrentShape.data(), 4);
    return CurrentShape;
}

void TSplineAnim::Reset() {
    Waiting = StartsWaiting;
    Elapsed = 0;
    Duration = std::max(1, MinDuration);
    FromFrame = 0;
    ToFrame = std::max(0, std::min(1, FrameCount() - 1));
    for (size_t i = 0; i < Frames.size() && i < BackupFrames.size(); ++i) {
        CopyShapes(BackupFrames[i].Shape, Frames[i].Shape);
        CopyShapes(BackupFrames[i].Path, Frames[i].Path);
    }
    if (Target) Target->ApplyAnimation();
}

void TSplineAnim::InsertFrame(int32_t i) {
    const int32_t n = FrameCount();
    i = std::clamp(i, 0, n);
    TSplineAnim_Frame frame;
    if (n <= 1 && Target)
        CopyShapes(Target->Splines, frame.Shape);
    else if (n > 0)
        CopyShapes(Frames[size_t(i == 0 ? std::min(1, n - 1) : i - 1)].Shape, frame.Shape);
    else
        MakeDefaultOutline(frame.Shape);
    Frames.insert(Frames.begin() + i, std::move(frame));
    for (auto& f : Frames) {
        LinkRing(f.Shape.data(), 4);
        LinkRing(f.Path.data(), 4);
    }
}

void TSplineAnim::RebuildPaths(int32_t frame, bool straight) {
    const int32_t n = FrameCount();
    for (int32_t k = 0; k < n; ++k) {
        if (frame >= 0 && k != frame) continue;
        const TSplineAnim_Frame& next = Frames[size_t((k + 1) % n)];
        TSplineAnim_Frame& f = Frames[size_t(k)];
        for (size_t j = 0; j < 4; ++j) {
            TSpline& path = f.Path[j];
            path.StartPoint = f.Shape[j].StartPoint;
            path.EndPoint = next.Shape[j].StartPoint;
            if (straight) {
                TVec2 third = (path.EndPoint - path.StartPoint) * (1.0f / 3.0f);
                path.StartHandle = third;
                path.EndHandle = third * -1.0f;
            } else if (n == 2 && k == 1) {
                path.StartHandle = Frames[0].Path[j].EndHandle;
                path.EndHandle = Frames[0].Path[j].StartHandle;
            }
        }
    }
}

void TSplineAnim::TranslateFrames(bool onlySelected, int32_t selected, bool temporary, float dx, float dy) {
    for (int32_t k = 0; k < FrameCount(); ++k) {
        if (onlySelected && k != selected) continue;
        TranslateOutline(Frames[size_t(k)].Shape.data(), 4, dx, dy);
        TranslateOutline(Frames[size_t(k)].Path.data(), 4, dx, dy);
    }
    if (!temporary) BackupFrames = Frames;
    for (auto& f : BackupFrames) {
        LinkRing(f.Shape.data(), 4);
        LinkRing(f.Path.data(), 4);
    }
}

void TSplineAnim::ReadSplineAnim(TByteReader& in, const std::vector<TSplineObj*>& objects) {
    RecordSite(32011);
    int32_t target = in.ReadInt32();
    MinDuration = in.ReadInt32();
    RandomDuration = in.ReadInt32();
    Linear = in.ReadInt32();
    Order = in.ReadInt32();
    bool paths = in.ReadByte() == 0xCA;
    CurvedPaths = in.ReadBool();
    StartsWaiting = in.ReadBool();
    Name = in.ReadString();
    in.Skip(25);
    int32_t frames = in.ReadInt32();
    // Four shape records per frame must fit the bytes left.
    frames = std::clamp(frames, 0, in.Remaining() / (4 * SplineRecordSize));
    Frames.clear();
    for (int32_t i = 0; i < frames; ++i) {
        InsertFrame(i);
        for (TSpline& s : Frames[size_t(i)].Shape)
            s.ReadSpline(in);
        LinkRing(Frames[size_t(i)].Shape.data(), 4);
    }
    if (paths)
        for (auto& f : Frames)
            for (TSpline& s : f.Path)
                s.ReadSpline(in);
    if (!paths || !CurvedPaths) RebuildPaths(-1, true);
    BackupFrames = Frames;
    // An animation without key frames has nothing to show: it drives no object.
    if (!Frames.empty() && target >= 0 && size_t(target) < objects.size() && objects[size_t(target)] &&
        !objects[size_t(target)]->Animation)
        Attach(objects[size_t(target)]);
}

void TSplineAnim::WriteSplineAnim(TByteWriter& out, const std::vector<TSplineObj*>& objects) const {
    auto it = std::find(objects.begin(), objects.end(), Target);
    out.WriteInt32(Target && it != objects.end() ? int32_t(it - objects.begin()) : -1);
    out.WriteInt32(MinDuration);
    out.WriteInt32(RandomDuration);
    out.WriteInt32(Linear);
    out.WriteInt32(Order);
    out.WriteByte(0xCA);
    out.WriteBool(CurvedPaths);
    out.WriteBool(StartsWaiting);
    out.WriteString(Name);
    out.Pad(25);
    out.WriteInt32(FrameCount());
    for (const auto& f : Frames)
        for (const TSpline& s : f.Shape)
            s.WriteSpline(out);
    for (const auto& f : Frames)
        for (const TSpline& s : f.Path)
            s.WriteSpline(out);
}

TSplineAnim* TSplineAnimMan::Add(TSplineObj* object) {
    Anims.push_back(std::make_unique<TSplineAnim>(this));
    TSplineAnim* a = Anims.back().get();
    if (object) a->Attach(object);
    Selected = a;
    SelectedIndex = int32_t(Anims.size()) - 1;
    return a;
}

bool TSplineAnimMan::Remove(TSplineAnim* anim) {
    auto it = std::find_if(Anims.begin(), Anims.end(), [&](const auto& a) { return a.get() == anim; });
    if (it == Anims.end()) return false;
    Anims.erase(it);
    if (Selected == anim) {
        Selected = nullptr;
        SelectedIndex = -1;
    }
    return true;
}

void TSplineAnimMan::Read(TByteReader& in, const std::vector<TSplineObj*>& objects) {
    RecordSite(32012);
    Anims.clear();
    Selected = nullptr;
    SelectedIndex = -1;
    int32_t n = in.ReadInt32();
    in.Skip(16);
    // The fixed part of a record alone takes 56 bytes.
    n = std::clamp(n, 0, in.Remaining() / 56);
    for (int32_t i = 0; i < n && !in.ShortRead; ++i)
        Add(nullptr)->ReadSplineAnim(in, objects);
}

void TSplineAnimMan::Write(TByteWriter& out, const std::vector<TSplineObj*>& objects) const {
    out.WriteInt32(int32_t(Anims.size()));
    out.Pad(16);
    for (const auto& a : Anims)
        a->WriteSplineAnim(out, objects);
}

void TSplineAnimMan::TickAll(int32_t dt) {
    for (auto& a : Anims)
        a->Tick(dt);
}

void TSplineAnimMan::ResetAll() {
    for (auto& a : Anims)
        a->Reset();
}

void TSplineAnimMan::StartByName(const std::string& questName) {
    for (auto& a : Anims)
        if (a->Name == questName) a->Waiting = false;
}

void TSplineAnimMan::ForgetTargets() {
    for (auto& a : Anims)
        a->Target = nullptr;
}

// The body physics of a character: material, figure, placement, shape
// operations and the springs, gravity, friction and glue of one tick.
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/TextureResolver.h"
#include "physics/Appearance.h"
#include "physics/CharacterLevel.h"
#include "physics/PhysicsSettings.h"
#include "physics/Rollix.h"
#include "physics/WaterHooks.h"

#include <algorithm>
#include <cmath>

namespace {
float WrapAngle(float c) {
    if (c > PiF) c -= 2.0f * PiF;
    if (c < -PiF) c += 2.0f * PiF;
    return c;
}

void SetNodeParams(TRollixVertex& v, const TNodeParams& p) {
    v.AirGravityFactor = p.AirGravity;
    v.AirFriction = p.AirFriction;
    v.AirRoll = p.AirRoll;
    v.WaterGravityFactor = p.WaterGravity;
    v.WaterFriction = p.WaterFriction;
    v.WaterRoll = p.WaterRoll;
}
} // namespace

int32_t TRollix::Wrap(int32_t i) const {
    return WrapIndex(i, VertexCount());
}

float TRollix::PairStiffness(float length) const {
    return length != 0.0f ? Elasticity * 40.0f / length : 0.0f;
}

void TRollix::SetMaterial(int32_t kind) {
    RecordSite(42010);
    if (kind < 0) kind = 0;
    MaterialKind = kind;
    Figure->MaterialKind = kind;
    const TSetsColumn* col = Sets.ColumnFor(kind);
    if (!col) return;
    if (!col->TwoZone) {
        for (TRollixVertex& v : Vertices)
            SetNodeParams(v, col->Upper);
        Elasticity = col->Elasticity;
        Settling = col->Settling;
        return;
    }
    TBox2 box;
    if (!Figure->GetBounds(box) || box.Top == box.Bottom) return;
    if (Figure->PointCount() != VertexCount()) return;
    for (int32_t i = 0; i < VertexCount(); ++i) {
        float b = (Figure->Points[size_t(i)].Pos.Y - box.Top) / (box.Bottom - box.Top);
        SetNodeParams(Vertices[size_t(i)], b < 0.9f ? col->Upper : col->Keel);
    }
    Elasticity = col->Elasticity;
    Settling = col->Settling;
}

void TRollix::ResizeVertices(int32_t n) {
    RecordSite(42011);
    if (n < 0) n = 0;
    const size_t oldN = Vertices.size();
    const size_t newN = size_t(n);
    if (oldN != newN) {
        std::vector<TPairRecord> pairs(newN * newN);
        const size_t keep = std::min(oldN, newN);
        for (size_t i = 0; i < keep; ++i)
            for (size_t j = 0; j < keep; ++j)
                pairs[i * newN + j] = Pairs[i * oldN + j];
        Pairs = std::move(pairs);
        Vertices.resize(newN);
        // Glued nodes may have come or gone with the count.
        GluedCount = 0;
        for (const TRollixVertex& v : Vertices)
            GluedCount += v.Glued ? 1 : 0;
    }
    for (int32_t i = 0; i < n; ++i) {
        TRollixVertex& v = Vertices[size_t(i)];
        v.Index = i;
        v.NextVertex = WrapIndex(i + 1, n);
        v.PrevVertex = WrapIndex(i - 1, n);
    }
}

void TRollix::ApplyFigure(bool loadTexture, float lerp, bool forceReset) {
    RecordSite(42012);
    if (loadTexture) {
        BodyTextureIndex = Figure->TextureIndex;
        BodyTexture = Level->Textures->Resolve(Figure->TextureIndex);
        TextureChanged = true;
    }
    SetMaterial(Figure->MaterialKind);
    const int32_t n = Figure->PointCount();
    const bool keep = n == VertexCount() && !forceReset;
    if (!keep) {
        SizeFactor = 1.0f;
        if (n != VertexCount()) ResizeVertices(n);
    }
    TexCentre = Figure->MeanTexCoord();
    const bool figurePairs = Figure->Pairs.size() == size_t(n) * size_t(n);
    for (int32_t j = 0; j < n; ++j) {
        if (size_t(j) < Figure->TexCoords.size()) Vertices[size_t(j)].TexCoord = Figure->TexCoords[size_t(j)];
        if (keep) continue;
        for (int32_t k = 0; k < n; ++k) {
            TPairRecord target = figurePairs ? Figure->Pair(j, k) : TPairRecord{};
            TPairRecord& live = Pair(j, k);
            if (lerp == 1.0f) {
                live = target;
            } else {
                live.RestLength += lerp * (target.RestLength - live.RestLength);
                live.Stiffness += lerp * (target.Stiffness - live.Stiffness);
            }
        }
    }
}

void TRollix::ResetPairs(bool keepLengths) {
    RecordSite(42013);
    const int32_t n = VertexCount();
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            TPairRecord& p = Pair(i, j);
            if (!keepLengths) p.RestLength = Length(Vertices[size_t(j)].Pos - Vertices[size_t(i)].Pos);
            p.Stiffness = PairStiffness(p.RestLength);
        }
    }
}

void TRollix::PlaceAt(bool setStart, float y, float x) {
    RecordSite(42014);
    WindTouched = false;
    StuckTicks = 0;
    if (setStart) {
        StartX = x;
        StartY = y;
    }
    TexCentre = {0.5f, 0.5f};
    OverlapCheck = true;
    SavedLayer = Layer;
    SetMaterial(MaterialKind);
    ApplyFigure(true, 1.0f, true);
    for (int32_t i = 0; i < VertexCount(); ++i) {
        TRollixVertex& v = Vertices[size_t(i)];
        v.Pos = TVec2{x, y} + Figure->Points[size_t(i)].Pos;
        v.PrevPos = v.Pos;
        v.Force = {};
        v.Vel = {};
        v.InWater = v.WasInWater = false;
        v.Water = nullptr;
        v.Glued = false;
        v.GlueAnchor = {};
        v.GlueNormalY = v.GlueNormalX = 0.0f;
        v.GlueMaxLength = 0.0f;
        v.GlueStiffness = 0.0f;
    }
    GluedCount = 0;
    GluedAtContact = 0;
    ComputeCentre();
    ComputeBounds();
    ResetPairs(false);
    Level->Appearance->RebuildSkin(*this);
    Turn = 0.0f;
    PrevTurn = 0.0f;
    PrevCentre = Centre;
}

void TRollix::ScaleBody(bool toFigure, float sx, float sy) {
    RecordSite(42015);
    SizeFactor = std::sqrt(sx * sy) * SizeFactor;
    if (toFigure) {
        for (TFigurePoint& p : Figure->Points)
            p.Pos = {p.Pos.X * sx, p.Pos.Y * sy};
        Figure->BuildPairs();
        return;
    }
    ComputeCentre();
    for (TRollixVertex& v : Vertices)
        v.Pos = {Centre.X + sx * (v.Pos.X - Centre.X), Centre.Y + sy * (v.Pos.Y - Centre.Y)};
    ResetPairs(false);
}

void TRollix::MorphStep(bool start) {
    RecordSite(42016);
    if (start) {
        MorphLeft = MorphLength = 80;
        ShownTexture = Level->Appearance->FaceTexture(*this);
    }
    const int32_t m = VertexCount();
    float f;
    if (MorphLeft >= 30)
        f = 3.0f / float(MorphLength);
    else if (MorphLeft >= 1)
        f = 0.2f;
    else if (MorphLength > 0)
        f = EaseIn(1.0f - float(MorphLeft) / float(MorphLength));
    else
        f = 1.0f;
    ApplyFigure(true, f, true);
    ResetPairs(true);
    ResizeVertices(Figure->PointCount());
    for (int32_t i = std::max(m, 1); i < VertexCount(); ++i) {
        TRollixVertex& v = Vertices[size_t(i)];
        v.Pos = Vertices[size_t(i - 1)].Pos + TVec2{0.5f, -0.5f};
    }
    ComputeCentre();
}

void TRollix::DeformPoint(int32_t i, float factor) {
    RecordSite(42017);
    const int32_t n = Figure->PointCount();
    if (i < 0 || i >= n || Figure->Pairs.size() != size_t(n) * size_t(n)) return;
    float f = (MaterialKind == mkBalloon || MaterialKind == mkWater) ? factor * factor * factor : factor;
    TVec2& p = Figure->Points[size_t(i)].Pos;
    p = {p.X * f, p.Y * f};
    for (int32_t j = 0; j < n; ++j) {
        TPairRecord& a = Figure->Pair(i, j);
        a.RestLength = Length(Figure->Points[size_t(j)].Pos - p);
        a.Stiffness = PairStiffness(a.RestLength);
        Figure->Pair(j, i) = a;
    }
    if (n != VertexCount()) return;
    for (int32_t j = 0; j < n; ++j) {
        Pair(i, j) = Figure->Pair(i, j);
        Pair(j, i) = Figure->Pair(j, i);
    }
}

void TRollix::ComputeCentre() {
    RecordSite(42018);
    if (Vertices.empty()) return;
    TVec2 sum;
    for (const TRollixVertex& v : Vertices)
        sum += v.Pos;
    Centre = {sum.X / float(Vertices.size()), sum.Y / float(Vertices.size())};
}

bool TRollix::Encloses(TVec2 p) const {
    const int32_t n = VertexCount();
    if (n < 3 || !PointInBox(p, Bounds)) return false;
    bool inside = false;
    for (int32_t i = 0, j = n - 1; i < n; j = i++) {
        const TVec2 a = Vertices[size_t(i)].Pos, b = Vertices[size_t(j)].Pos;
        if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < a.X + (p.Y - a.Y) * (b.X - a.X) / (b.Y - a.Y))
            inside = !inside;
    }
    return inside;
}

void TRollix::ComputeBounds() {
    RecordSite(42019);
    if (Vertices.empty()) return;
    Bounds = {Vertices[0].Pos.X, Vertices[0].Pos.Y, Vertices[0].Pos.X, Vertices[0].Pos.Y};
    for (const TRollixVertex& v : Vertices) {
        Bounds.Left = std::min(Bounds.Left, v.Pos.X);
        Bounds.Right = std::max(Bounds.Right, v.Pos.X);
        Bounds.Top = std::min(Bounds.Top, v.Pos.Y);
        Bounds.Bottom = std::max(Bounds.Bottom, v.Pos.Y);
    }
}

void TRollix::EstimateTurn() {
    RecordSite(42020);
    const int32_t n = VertexCount();
    const int32_t k = std::min(n, 5);
    if (k < 2) return;
    float sum = 0.0f, prev = 0.0f;
    for (int32_t s = 0; s < k; ++s) {
        const int32_t i = s * (n - 1) / (k - 1);
        TRollixVertex& v = Vertices[size_t(i)];
        v.Angle = StandardAngle(v.Pos - Centre);
        float rest = i < Figure->PointCount() ? Figure->Points[size_t(i)].RestAngle : 0.0f;
        float c = WrapAngle(rest - v.Angle);
        if (s > 0) {
            if (c - prev > PiF)
                c -= 2.0f * PiF;
            else if (c - prev < -PiF)
                c += 2.0f * PiF;
        }
        prev = c;
        sum += c;
    }
    float c = WrapAngle(sum / float(k));
    PrevTurn = Turn;
    Turn = c;
    TurnVel = WrapAngle(Turn - PrevTurn);
}

void TRollix::RebuildGravity() {
    RecordSite(42021);
    const float a = float(double(GravityAngle.Value) * DegToRad);
    for (TRollixVertex& v : Vertices) {
        v.AirGravity = {0.0f, v.AirGravityFactor * 0.2f};
        Rotate(v.AirGravity, a);
        v.WaterGravity = {0.0f, v.WaterGravityFactor * 0.2f};
        Rotate(v.WaterGravity, a);
    }
}

void TRollix::SpringStep() {
    RecordSite(42022);
    const int32_t n = VertexCount();
    const bool cloth = MaterialKind == mkCloth;
    const float m = (GluedCount > 0 && MaterialKind == mkWater) ? 3.0f : 1.0f;
    const int32_t visits = cloth ? 7 : n;
    for (int32_t i = 0; i < n; ++i) {
        TRollixVertex& v = Vertices[size_t(i)];
        v.Force = v.Force * Settling;
        const TPairRecord* row = &Pairs[size_t(i) * size_t(n)];
        int32_t j = WrapIndex(i - 3, n);
        for (int32_t step = 0; step < visits; ++step, j = (j + 1 == n) ? 0 : j + 1) {
            if (j == i) continue;
            TVec2 d = Vertices[size_t(j)].Pos - v.Pos;
            float s = (Length(d) - row[j].RestLength) * row[j].Stiffness * m / float(n) * 16.0f;
            v.Force += d * s;
        }
        float len = Length(v.Force);
        if (len > 15.0f) v.Force = v.Force * (15.0f / len);
        v.Vel += v.Force;
    }
}

void TRollix::GravityAndFriction() {
    RecordSite(42023);
    const float g = Level->GravityFactor;
    if (g == 0.0f) return;
    for (TRollixVertex& v : Vertices) {
        const TVec2 grav = v.InWater ? v.WaterGravity : v.AirGravity;
        const float friction = v.InWater ? v.WaterFriction : v.AirFriction;
        v.Vel.Y += g * grav.Y;
        v.Vel.X += g * grav.X;
        if (friction != 1.0f) v.Vel = v.Vel * friction;
    }
}

void TRollix::GlueStep() {
    RecordSite(42024);
    for (TRollixVertex& v : Vertices) {
        if (!v.Glued) continue;
        TVec2 toAnchor = v.GlueAnchor - v.Pos;
        float l = Length(toAnchor);
        if (l > v.GlueMaxLength) {
            v.Glued = false;
            GluedCount = std::max(GluedCount - 1, 0);
            GlueTorn += 1;
        } else if (l >= 1.0f) {
            float k = (v.GlueMaxLength - l) * v.GlueStiffness;
            v.Vel += TVec2{toAnchor.X / l * k, toAnchor.Y / l * k};
        }
    }
}

void TRollix::BodyTick() {
    RecordSite(42025);
    const int32_t n = VertexCount();
    // 1. Move every node; after each move every touching node pushes the body.
    for (int32_t i = 0; i < n; ++i) {
        TRollixVertex& v = Vertices[size_t(i)];
        v.WasTouching = v.Touching;
        v.Touching = false;
        v.WasTouchingBody = v.TouchingBody;
        v.TouchingBody = false;
        v.PrevPos = v.Pos;
        TVec2 d = v.Vel;
        MoveNode(i, d);
        ReactTouchingNodes();
        for (int32_t again = 0; again < 3 && Vertices[size_t(i)].Touching && !(d.X == 0.0f && d.Y == 0.0f);
             ++again)
            MoveNode(i, d);
    }
    // 2.
    OutlineCheck();
    // 3.
    PrevCentre = Centre;
    ComputeCentre();
    CentreVel = Centre - PrevCentre;
    EstimateTurn();
    ComputeBounds();
    // 4. Spin drift.
    int32_t wet = 0;
    for (const TRollixVertex& v : Vertices)
        wet += v.InWater ? 1 : 0;
    if (MaterialKind == mkWater && n > 0 && 2 * wet >= n) {
        for (TRollixVertex& v : Vertices)
            v.Vel.X += TurnVel * 0.1f;
    } else if (MaterialKind == mkBalloon) {
        for (TRollixVertex& v : Vertices)
            v.Vel.X += TurnVel * 0.08f;
    }
    // 5.
    OxygenStep();
    // 6.
    SpringStep();
    // 7.
    Level->Waters->BodyWaterStep(*this);
    // 8.
    GravityAndFriction();
    // 9.
    GlueStep();
}

void TRollix::AddVelocity(TVec2 v) {
    for (TRollixVertex& n : Vertices)
        n.Vel += v;
}

void TRollix::AddRandomVelocity(float k, float vx, float vy) {
    RecordSite(42026);
    for (TRollixVertex& n : Vertices) {
        float r1 = float(RandomFloat());
        float r2 = float(RandomFloat());
        n.Vel += TVec2{vx * (1.0f + k * r1), vy * (1.0f + k * r2)};
    }
}

void TRollix::ScaleVelocity(float f) {
    for (TRollixVertex& n : Vertices)
        n.Vel = n.Vel * f;
}

void TRollix::Translate(float dx, float dy) {
    for (TRollixVertex& n : Vertices)
        n.Pos += TVec2{dx, dy};
}

void TRollix::RotateAboutCentre(float a) {
    const float c = std::cos(a), s = std::sin(a);
    for (TRollixVertex& n : Vertices) {
        TVec2 r = n.Pos - Centre;
        RotateCS(r, c, s);
        n.Pos = Centre + r;
    }
}

void TRollix::ShrinkAboutCentre(float f) {
    for (TRollixVertex& n : Vertices)
        n.Pos = Centre + (n.Pos - Centre) * f;
}

float TRollix::SqueezeMeasure() const {
    if (Vertices.empty()) return 0.0f;
    float sx = 0.0f, sy = 0.0f;
    for (const TRollixVertex& v : Vertices) {
        sx += std::fabs(v.Pos.X - Centre.X);
        sy += std::fabs(v.Pos.Y - Centre.Y);
    }
    return sx / float(Vertices.size()) + sy / float(Vertices.size());
}

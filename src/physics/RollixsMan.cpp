#include "physics/RollixsMan.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "physics/Appearance.h"
#include "physics/CharacterLevel.h"
#include "physics/ParticleSink.h"
#include "physics/PhysicsSettings.h"
#include "physics/QuestSink.h"
#include "physics/SoundSink.h"
#include "physics/WaterHooks.h"
#include "world/EdgeGrid.h"

#include <algorithm>
#include <cmath>

namespace {
// The smallest character record of the level file: a stored count larger
// than the bytes left can hold is cut down to what fits.
constexpr int32_t MinCharacterRecordBytes = 87;

float BurstThreshold(int32_t kind) {
    switch (kind) {
    case mkRubber:
        return 5.0f;
    case mkBalloon:
        return 1.0f;
    case mkWater:
        return 2.5f;
    case mkBubble:
        return 0.1f;
    default:
        return 15.0f;
    }
}

int32_t RoundCount(float v) {
    if (!(v >= 0.0f)) return 0;
    if (v > 10000.0f) return 10000;
    return int32_t(std::lround(v));
}
} // namespace

TRollixsMan::TRollixsMan(TCharacterLevel* level) : Level(level) {
    RecordSite(45001);
}

int32_t TRollixsMan::ListedCount() const {
    int32_t n = 0;
    for (const auto& c : Items)
        n += c->Listed ? 1 : 0;
    return n;
}

TRollix* TRollixsMan::AddListed() {
    RecordSite(45002);
    const int32_t id = Count();
    auto c = std::make_unique<TRollix>(Level, id, 1, this);
    c->Listed = true;
    TRollix* raw = c.get();
    Items.insert(Items.begin() + ListedCount(), std::move(c));
    if (!Selected) Selected = raw;
    return raw;
}

TRollix* TRollixsMan::AddPiece() {
    RecordSite(45003);
    auto c = std::make_unique<TRollix>(Level, Count(), 1, this);
    c->Listed = false;
    Items.push_back(std::move(c));
    return Items.back().get();
}

void TRollixsMan::Remove(int32_t index) {
    RecordSite(45004);
    if (index <= 0 || index >= Count()) return;
    if (Selected == Items[size_t(index)].get()) Selected = nullptr;
    Items.erase(Items.begin() + index);
}

void TRollixsMan::Clear() {
    RecordSite(45005);
    Items.clear();
    Selected = nullptr;
    SelectedIndex = -1;
}

TRollix* TRollixsMan::ListedAt(int32_t n) {
    for (const auto& c : Items) {
        if (!c->Listed) continue;
        if (n-- == 0) return c.get();
    }
    return nullptr;
}

void TRollixsMan::Load(TByteReader& s) {
    RecordSite(45006);
    Clear();
    int32_t count = s.ReadInt32();
    count = std::clamp(count, 0, s.Remaining() / MinCharacterRecordBytes);
    for (int32_t k = 0; k < count; ++k) {
        TRollix* c = AddListed();
        c->LoadRecord(s);
        c->LoadFigure(c->StartFigure);
        c->ApplyFigure(true, 1.0f, true);
        c->PlaceAt(true, c->StartY, c->StartX);
    }
}

void TRollixsMan::Write(TByteWriter& w) const {
    RecordSite(45007);
    w.WriteInt32(ListedCount());
    for (const auto& c : Items)
        if (c->Listed) c->WriteRecord(w);
}

TRollix* TRollixsMan::AddDefaultCharacter() {
    RecordSite(45008);
    TRollix* c = AddListed();
    c->LoadFigure(1);
    c->ApplyFigure(true, 1.0f, true);
    const TVec2 at = Level->CameraFromFile ? Level->CameraStart : TVec2{};
    c->PlaceAt(true, at.Y, at.X);
    return c;
}

void TRollixsMan::Restart() {
    RecordSite(45009);
    const int32_t listed = ListedCount();
    while (Count() > listed) {
        if (Selected == Items.back().get()) Selected = nullptr;
        Items.pop_back();
    }
    for (const auto& c : Items)
        c->Reset();
}

void TRollixsMan::TickAll() {
    RecordSite(45010);
    for (int32_t i = 0; i < Count(); ++i)
        Items[size_t(i)]->IsPlayer = i == 0;
    const int32_t n = Count();
    for (int32_t i = 0; i < n && i < Count(); ++i)
        Items[size_t(i)]->Tick();
}

void TRollixsMan::Kill(TRollix& c, const char* sound) {
    RecordSite(45011);
    if (c.Dead) return;
    Level->Particles->CharacterDied(c.Id);
    c.DeadTicks = 0;
    c.Dead = true;
    c.Present = true;
    Level->Appearance->StopFace(c);
    Level->Quests->CharacterDied(c.Id);
    if (sound) Level->Sound->PlayAt(sound, c.Centre, 1.0f, c.Id);
}

void TRollixsMan::Burst(TRollix& c, int32_t pieces, int32_t kind) {
    RecordSite(45012);
    if (c.Dead) return;
    // 1. A water body throws its water about.
    if (kind == mkWater) {
        for (int k = 0; k < 301; ++k) {
            const float theta = float(RandomFloat()) * 2.0f * PiF;
            const float rho = float(RandomFloat());
            TParticleShot p;
            p.Pos = c.Centre + TVec2{10.0f * rho * std::cos(theta), 10.0f * rho * std::sin(theta)};
            p.Vel = {2.5f * rho * std::cos(theta) + (c.Centre.X - c.PrevCentre.X) * 0.5f,
                     -5.0f * rho * std::sin(theta) - 5.0f};
            p.Size = 10.0f + 6.0f * float(RandomFloat());
            p.Colour[0] = uint8_t(Random(55));
            p.Colour[1] = uint8_t(Random(55));
            p.Colour[2] = uint8_t(100 + Random(100));
            p.Colour[3] = uint8_t(100 + Random(75));
            p.FadeOutStep = 2 + Random(2);
            p.ContactsLeft = 10 + Random(26);
            Level->Particles->EmitDrop(p);
        }
    }
    // 2. The sound of the burst.
    TWater* water = Level->Waters->WaterAt(c.Centre);
    const char* sound = nullptr;
    if (kind == mkBubble)
        sound = "FX\\woda prask.ogg";
    else if (kind != mkRubber)
        sound = "FX\\Baloon blast.ogg";
    if (sound) {
        float pitch = 0.8f + 0.2f * NextRandom();
        if (water) pitch *= 0.5f;
        Level->Sound->PlayAt(sound, c.Centre, pitch, -1);
    }
    // 3. Bubbles when it burst under water.
    if (water) {
        for (int k = 0; k < 51; ++k) {
            float x = float(RandomFloat()), y = float(RandomFloat());
            float vx = float(RandomFloat()), vy = float(RandomFloat());
            Level->Waters->EmitBubble(water, c.Centre + TVec2{(x - 0.5f) * 30.0f, (y - 0.5f) * 30.0f},
                                      {(vx - 0.5f) * 16.0f, (vy - 0.5f) * 16.0f});
        }
    }
    // 4. The pieces.
    if (kind == mkBubble) {
        Kill(c, nullptr);
    } else {
        float v = kind == mkWater ? 1.0f : 5.0f;
        for (int32_t i = 0; i < pieces; ++i) {
            TRollix* piece = AddPiece();
            Kill(c, nullptr);
            TVec2 dir;
            int32_t material = mkCloth;
            if (c.MaterialKind == mkRubber) {
                material = mkRubber;
                v = water ? 0.5f : 2.5f;
            }
            SplitPiece(*piece, c, i, dir, material, pieces);
            dir = dir * v;
            Rotate(dir, 1.0f + float(RandomFloat()));
            piece->AddRandomVelocity(1.0f, dir.X, dir.Y);
            const int32_t layer = Count();
            piece->Layer = piece->AltLayer = piece->LayerBase = piece->AltLayerBase = layer;
        }
    }
    // 5.
    c.Dead = true;
    c.Present = false;
}

void TRollixsMan::SplitPiece(TRollix& piece, TRollix& source, int32_t i, TVec2& dir, int32_t material,
                             int32_t pieces) {
    RecordSite(45013);
    const int32_t n = source.VertexCount();
    if (pieces <= 0 || n <= 0 || source.Figure->PointCount() != n ||
        source.Figure->TexCoords.size() != size_t(n))
        return;
    const int32_t s = int32_t(int64_t(i) * n / pieces);
    const int32_t e = int32_t(int64_t(n) * (i + 1) / pieces);
    if (!(s < e)) return;
    piece.Damage = source.Damage;
    piece.BurstPending = source.BurstPending;
    for (int k = 0; k < 4; ++k)
        piece.Colour[k] = source.Colour[k];

    const TMubFigure& sf = *source.Figure;
    const TVec2 ps = sf.Points[size_t(s % n)].Pos;
    const TVec2 pe = sf.Points[size_t(e % n)].Pos;
    const int32_t k1 = RoundCount(Length(pe) / 7.0f);
    const int32_t k2 = RoundCount(Length(ps) / 7.0f);
    const TVec2 texS = sf.TexCoords[size_t(s % n)], texE = sf.TexCoords[size_t(e % n)];
    const TVec2 nodeS = source.Vertices[size_t(s % n)].Pos, nodeE = source.Vertices[size_t(e % n)].Pos;
    const TVec2 centre = source.Centre, texCentre = source.TexCentre;

    TMubFigure& pf = *piece.Figure;
    pf.MaterialKind = mkCloth;
    pf.TextureIndex = sf.TextureIndex;
    pf.TextureName = sf.TextureName;
    std::vector<TVec2> figurePoints, texCoords, nodes;
    for (int32_t k = s; k <= e; ++k) {
        figurePoints.push_back(sf.Points[size_t(k % n)].Pos);
        texCoords.push_back(sf.TexCoords[size_t(k % n)]);
        nodes.push_back(source.Vertices[size_t(k % n)].Pos);
    }
    for (int32_t m = 1; m <= k1; ++m) {
        const float t = float(m) / float(k1);
        figurePoints.push_back(pe + (TVec2{} - pe) * t);
        texCoords.push_back(texE + (texCentre - texE) * t);
        nodes.push_back(nodeE + (centre - nodeE) * t);
    }
    for (int32_t m = 1; m < k2; ++m) {
        const float t = float(m) / float(k2);
        figurePoints.push_back(ps * t);
        texCoords.push_back(texCentre + (texS - texCentre) * t);
        nodes.push_back(centre + (nodeS - centre) * t);
    }
    pf.SetPointCount(int32_t(figurePoints.size()));
    for (size_t k = 0; k < figurePoints.size(); ++k) {
        pf.Points[k].Pos = figurePoints[k];
        pf.TexCoords[k] = texCoords[k];
    }
    pf.BuildPairs();
    pf.BuildFan();

    piece.ResizeVertices(int32_t(nodes.size()));
    TVec2 sum;
    for (size_t k = 0; k < nodes.size(); ++k) {
        TRollixVertex& v = piece.Vertices[k];
        v.Pos = v.PrevPos = nodes[k];
        v.Force = v.Vel = {};
    }
    for (int32_t k = s; k <= e; ++k)
        sum += source.Vertices[size_t(k % n)].Pos - centre;
    dir = Normalized(sum);
    piece.ApplyFigure(true, 1.0f, true);
    piece.SetMaterial(material);
    piece.ResetPairs(false);
    piece.ComputeCentre();
    piece.PrevCentre = piece.Centre;
    piece.ComputeBounds();
}

void TRollixsMan::CheckDeaths() {
    RecordSite(45014);
    int32_t delay = 0;
    const int32_t count = Count();
    for (int32_t idx = 0; idx < count; ++idx) {
        TRollix& c = *Items[size_t(idx)];
        if (c.Dead || c.SwallowLeft >= 1) continue;
        const bool player = idx == 0;
        // 1. Drowning.
        if (player && c.Oxygen <= 0) {
            Kill(c, "FX\\Alarm.ogg");
            Level->Appearance->PlayFace(c, 76);
            delay = 400;
            continue;
        }
        // A body without nodes (its figure was missing) has nothing to test.
        if (c.VertexCount() == 0) continue;
        // 2. Squeeze.
        const bool squeezable = c.MaterialKind == mkWater || c.MaterialKind == mkBubble;
        if (squeezable && c.MorphLeft == 0 &&
            c.SqueezeMeasure() < 0.85f * (c.Figure->MeanAbsX + c.Figure->MeanAbsY)) {
            Burst(c, 3 + Random(2), c.MaterialKind);
            Kill(c, nullptr);
            if (player) delay = 400;
            continue;
        }
        // 3.1 Spikes.
        if (c.Impaled) {
            c.Impaled = false;
            if (c.MaterialKind == mkRubber) {
                Level->Appearance->Ouch(c);
            } else if (c.MaterialKind == mkBalloon || c.MaterialKind == mkWater) {
                Burst(c, 3 + Random(2), c.MaterialKind);
                Kill(c, nullptr);
                if (player) delay = 400;
            }
            continue;
        }
        // 3.2 Damage.
        if (c.Damage >= BurstThreshold(c.MaterialKind) && !c.BurstPending) {
            c.BurstPending = true;
            Burst(c, 3 + Random(2), c.MaterialKind);
            Kill(c, nullptr);
            if (player) delay = 400;
            continue;
        }
        // 3.3 Fallen out of the level.
        if (Level->Restarting || !Level->Grid) continue;
        const TFragments& g = *Level->Grid;
        const TVec2 grav = c.Vertices[0].AirGravity;
        const bool out = (grav.Y > 0.0f && c.Centre.Y > g.Bottom + 1000.0f) ||
                         (grav.Y < 0.0f && c.Centre.Y < g.Top - 1000.0f) ||
                         (grav.X > 0.0f && c.Centre.X > g.Right + 1000.0f) ||
                         (grav.X < 0.0f && c.Centre.X < g.Left - 1000.0f);
        if (!out) continue;
        if (player) {
            Kill(c, "FX\\Pad 4.ogg");
            delay = std::max(delay, 300);
        } else {
            Kill(c, nullptr);
            c.PlaceAt(false, c.StartY, c.StartX);
            c.Dead = false;
            c.Present = true;
            c.Impaled = false;
        }
    }
    if (delay > 0) Level->RestartDelay = delay;
}

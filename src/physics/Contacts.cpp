// A body's contacts: each node is swept along its velocity and stops, slides
// or sticks at the first collision edge or outline of another body it
// crosses; touching nodes push their whole body back off the ground.
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "physics/Appearance.h"
#include "physics/BoostHooks.h"
#include "physics/CharacterLevel.h"
#include "physics/ParticleSink.h"
#include "physics/PhysicsSettings.h"
#include "physics/Rollix.h"
#include "physics/RollixsMan.h"
#include "world/EdgeGrid.h"

#include <algorithm>
#include <cmath>

bool GroundReactionShortcut = true;

namespace {
bool CloserToFrom(TVec2 p, TVec2 held, TVec2 from) {
    return std::fabs(p.X - from.X) < std::fabs(held.X - from.X) ||
           std::fabs(p.Y - from.Y) < std::fabs(held.Y - from.Y);
}

bool SegmentMeetsBox(TVec2 a, TVec2 b, const TBox2& box) {
    TBox2 s{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
    return BoxesOverlap(s, box);
}

// Steps 1 and 2 of the ground reaction on a force vector.
void ReactForce(TVec2& f) {
    if (f.X * f.X + f.Y * f.Y > 100.0f) f = f * (10.0f / Length(f));
    auto react = [](float c) {
        float e = 0.75f * EaseIn(std::fabs(c) / 10.0f);
        return c > 0.0f ? -e : e;
    };
    f.X = react(f.X);
    f.Y = react(f.Y);
}

TCastResult CastEdges(const TCharacterLevel* level, TVec2 from, TVec2 to) {
    if (!level->Grid) return {};
    return level->Grid->CastSegment(from, to, false, true);
}

const TCollisionEdge* EdgeOf(const TCharacterLevel* level, const TCastResult& r) {
    if (!r.Hit || !level->Grid || !level->Grid->EdgeArray()) return nullptr;
    return &(*level->Grid->EdgeArray())[size_t(r.Edge)];
}
} // namespace

bool TRollix::CrossesOutline(TVec2 from, TVec2 to, TVec2& point) {
    RecordSite(48001);
    if (!SegmentMeetsBox(from, to, Bounds)) return false;
    const int32_t n = VertexCount();
    bool found = false;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t prev = Wrap(i - 1);
        const TVec2 a = Vertices[size_t(i)].Pos, b = Vertices[size_t(prev)].Pos;
        TVec2 p;
        if (!SegmentCrossPoint(from, to, a, b, p)) continue;
        if (!found) {
            const TVec2 push = (to - from) * 0.25f;
            for (int32_t k = -1; k <= 2; ++k)
                Vertices[size_t(Wrap(i + k))].Vel += push;
        }
        TVec2 normal = Normalized({a.Y - b.Y, -(a.X - b.X)});
        p += normal * 0.1f;
        if (!found || CloserToFrom(p, point, from)) point = p;
        found = true;
    }
    return found;
}

bool TRollix::FindContact(TVec2 from, TVec2 to, TVec2& hit, const TCollisionEdge*& edge) {
    RecordSite(48002);
    TCastResult r = CastEdges(Level, from, to);
    bool held = r.Hit;
    edge = EdgeOf(Level, r);
    if (held) hit = r.Point;
    if (!Manager) return held;
    for (const std::unique_ptr<TRollix>& other : Manager->Items) {
        TRollix* c = other.get();
        if (c == this || c->Layer != Layer || c->Dead) continue;
        TVec2 p;
        if (!c->CrossesOutline(from, to, p)) continue;
        if (!held || CloserToFrom(p, hit, from)) {
            hit = p;
            edge = nullptr;
            held = true;
        }
    }
    return held;
}

bool TRollix::SegmentCrossesOutline(TVec2 from, TVec2 to, int32_t& edgeIndex) const {
    if (!SegmentMeetsBox(from, to, Bounds)) return false;
    const int32_t n = VertexCount();
    for (int32_t i = 0; i < n; ++i) {
        if (SegmentsCross(from, to, Vertices[size_t(i)].Pos, Vertices[size_t(Wrap(i - 1))].Pos)) {
            edgeIndex = i;
            return true;
        }
    }
    return false;
}

void TRollix::PushBody(TVec2 push) {
    ReactForce(push);
    for (TRollixVertex& v : Vertices)
        v.Vel += push;
}

TRollix* TRollix::NeighbourCrossesBody(const TRollixVertex& neighbour, TVec2 newPos,
                                       const TRollixVertex& node, bool pushFlag) {
    RecordSite(48003);
    if (!Manager) return nullptr;
    for (const std::unique_ptr<TRollix>& other : Manager->Items) {
        TRollix* c = other.get();
        if (c == this || c->Layer != Layer || !c->SolidForOthers()) continue;
        int32_t i = 0;
        if (!c->SegmentCrossesOutline(neighbour.Pos, newPos, i)) continue;
        if (pushFlag) {
            for (int32_t k = -3; k <= 3; ++k) {
                const TRollixVertex& cand = c->Vertices[size_t(c->Wrap(i + k))];
                if (PointInTriangle(neighbour.Pos, newPos, node.Pos, cand.Pos, true)) {
                    c->PushBody(node.Vel * -0.5f);
                    break;
                }
            }
        }
        return c;
    }
    return nullptr;
}

void TRollix::MoveNode(int32_t i, TVec2& d) {
    RecordSite(48004);
    const int32_t p = Wrap(i - 1), q = Wrap(i + 1);
    TRollixVertex& n = Vertices[size_t(i)];
    TVec2 h;
    const TCollisionEdge* e = nullptr;
    const bool hit = FindContact(n.Pos, n.Pos + d, h, e);
    if (!hit) {
        n.Touching = false;
        n.TouchingBody = false;
        const TVec2 target = n.Pos + d;
        int32_t m = p;
        TRollix* c = NeighbourCrossesBody(Vertices[size_t(p)], target, n, true);
        if (!c) {
            m = q;
            c = NeighbourCrossesBody(Vertices[size_t(q)], target, n, true);
        }
        d = {};
        if (c) {
            TRollixVertex& mv = Vertices[size_t(m)];
            n.Vel = {};
            mv.Vel = {};
            n.Touching = n.TouchingBody = true;
            mv.Touching = mv.TouchingBody = true;
            Level->Appearance->BumpVoices(*this, *c);
        } else {
            n.Pos = target;
        }
        if (n.Touching) TouchCount += 1;
        return;
    }

    const TVec2 raw = h;
    if (e) h += e->Normal * 0.1f;
    n.Touching = true;
    if (e) TouchEdge(*e);

    const bool pushFlag = !e && Vertices[size_t(p)].Touching && !Vertices[size_t(p)].WasTouching;
    int32_t m = p;
    TRollix* c = NeighbourCrossesBody(Vertices[size_t(p)], h, n, pushFlag);
    if (!c) {
        m = q;
        c = NeighbourCrossesBody(Vertices[size_t(q)], h, n, pushFlag);
    }
    if (c) {
        TRollixVertex& mv = Vertices[size_t(m)];
        d = {};
        n.Vel = {};
        mv.Vel = {};
        n.Touching = n.TouchingBody = true;
        mv.Touching = mv.TouchingBody = true;
        Level->Appearance->BumpVoices(*this, *c);
    } else {
        bool slide = e && (e->HasSlide || Grip > 0.0f);
        TVec2 rest;
        float restLen = 0.0f;
        if (slide) {
            rest = h - (n.Pos + d);
            restLen = Length(rest);
            if (restLen <= 0.0001f) slide = false;
        }
        if (!slide) {
            d = {};
            n.Vel = {};
        } else {
            float u = EdgeValueAt(*e, raw, e->SlideStart, e->SlideEnd);
            u = Grip + (1.0f - Grip) * u;
            const float k = Dot(rest, e->Tangent);
            d = e->Tangent * (-k * u);
            const float speed = (std::fabs(n.Vel.X) + std::fabs(n.Vel.Y)) / 2.0f;
            if (!n.Glued && u >= 0.4f) {
                if (speed > 5.0f) {
                    const TVec2 w = (e->Normal * 5.0f + d) * 0.3f;
                    for (int shot = 0; shot < 2; ++shot) {
                        TParticleShot s;
                        float r1 = float(RandomFloat()), r2 = float(RandomFloat()), r3 = float(RandomFloat());
                        s.Pos = n.Pos;
                        s.Vel = {r1 * w.X * 5.0f, r2 * w.Y * 7.0f};
                        s.Size = 2.0f + 2.2f * r3;
                        s.Colour[0] = s.Colour[1] = s.Colour[2] = 128;
                        s.Colour[3] = 178;
                        s.HitGuard = 120;
                        s.ContactsLeft = 2;
                        Level->Particles->EmitSpark(s);
                    }
                }
                const float density = Level->Particles->WeatherDensity();
                if (density > 0.0f && float(RandomFloat()) <= density && speed > 2.0f) {
                    const TVec2 w = (e->Normal * std::min(speed, 5.0f) + d) * 0.3f;
                    for (int shot = 0; shot < 2; ++shot) {
                        TParticleShot s;
                        float r1 = float(RandomFloat()), r2 = float(RandomFloat());
                        s.Pos = n.Pos;
                        s.Vel = {r1 * w.X * 5.0f, r2 * w.Y * 7.0f};
                        s.Size = 7.0f;
                        Level->Particles->WeatherColour(s.Colour);
                        s.HitGuard = 120;
                        s.ContactsLeft = 2;
                        Level->Particles->EmitDrop(s);
                    }
                }
            }
            n.Vel = e->Tangent * (Length(n.Vel) * (-k / restLen) * u);
        }
        n.Pos = h;
    }

    // Glue.
    GluedAtContact = GluedCount;
    if (e && (e->HasGlue || Glue > 0.15f) && !n.InWater && !n.Glued) {
        float g = EdgeValueAt(*e, raw, e->GlueStart, e->GlueEnd);
        g = std::max(g, Glue);
        if (g > 0.15f) {
            GluedCount += 1;
            n.Glued = true;
            n.GlueAnchor = n.Pos - e->Normal;
            n.GlueNormalX = e->Normal.X;
            n.GlueNormalY = e->Normal.Y;
            n.GlueMaxLength = 45.0f;
            n.GlueStiffness = g * 0.05f;
            n.GlueEdge = 0;
        }
    }
    if (n.Touching) TouchCount += 1;
}

void TRollix::GroundReaction(int32_t j) {
    RecordSite(48005);
    TVec2& f = Vertices[size_t(j)].Force;
    ReactForce(f);
    // Adding −0 never changes a float, and adding +0 changes only a −0 (to
    // +0); once one full add of +0 has cleared every −0 of a component, and
    // no other add can make a −0, further zero adds in the same pass are
    // skipped.
    bool addX = true, addY = true;
    if (GroundReactionShortcut && InReactionPass) {
        addX = !(f.X == 0.0f && (std::signbit(f.X) || ShortcutClean[0]));
        addY = !(f.Y == 0.0f && (std::signbit(f.Y) || ShortcutClean[1]));
        if (f.X == 0.0f && !std::signbit(f.X)) ShortcutClean[0] = true;
        if (f.Y == 0.0f && !std::signbit(f.Y)) ShortcutClean[1] = true;
    }
    const TVec2 add = f;
    if (addX && addY) {
        for (TRollixVertex& v : Vertices)
            v.Vel += add;
    } else if (addX) {
        for (TRollixVertex& v : Vertices)
            v.Vel.X += add.X;
    } else if (addY) {
        for (TRollixVertex& v : Vertices)
            v.Vel.Y += add.Y;
    }
}

void TRollix::ReactTouchingNodes() {
    RecordSite(48007);
    // Within one pass nothing but the reactions themselves changes a
    // velocity, so what the shortcut learns about −0 holds to its end.
    InReactionPass = true;
    ShortcutClean[0] = ShortcutClean[1] = false;
    const int32_t n = VertexCount();
    for (int32_t j = 0; j < n; ++j)
        if (Vertices[size_t(j)].Touching) GroundReaction(j);
    InReactionPass = false;
}

void TRollix::OutlineCheck() {
    RecordSite(48006);
    const int32_t n = VertexCount();
    for (int32_t i = 0; i < n; ++i) {
        TRollixVertex& a = Vertices[size_t(i)];
        TRollixVertex& b = Vertices[size_t(Wrap(i - 1))];
        TCastResult r = CastEdges(Level, a.Pos, b.Pos);
        if (!r.Hit) continue;
        const TCollisionEdge* e = EdgeOf(Level, r);
        const bool spikyKind = MaterialKind == mkRubber || MaterialKind == mkBalloon ||
                               MaterialKind == mkWater || MaterialKind == mkBubble;
        if (!Dead && !Impaled && spikyKind && !Level->Boosts->Carries(*this, 9) && e &&
            (e->SpikyStart || e->SpikyEnd)) {
            if (Length(a.Force) > 1.0f || Length(b.Force) > 1.0f) Impaled = true;
        }
        if (!CastEdges(Level, a.Pos, b.PrevPos).Hit) {
            b.Pos = b.PrevPos;
            b.Vel = {};
        } else if (!CastEdges(Level, a.PrevPos, b.Pos).Hit) {
            a.Pos = a.PrevPos;
            a.Vel = {};
        } else {
            a.Pos = a.PrevPos;
            a.Vel = {};
            b.Pos = b.PrevPos;
            b.Vel = {};
        }
    }
}

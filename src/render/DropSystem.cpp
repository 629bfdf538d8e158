// What a drop system does in play: emission, movement with its contacts,
// bursts, and drawing. The record is in DropEmitter.cpp.
#include "render/DropEmitter.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "render/ParticleTracks.h"
#include "world/EdgeGrid.h"
#include "world/Mesh.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

float Rnd() {
    return float(RandomFloat());
}

// base + floor(diff × k / 256), kept to a byte as the channel wraps.
uint8_t Channel(uint8_t base, int32_t diff, int32_t k) {
    const int32_t v = diff * k;
    const int32_t step = v >= 0 ? v / 256 : -((-v + 255) / 256);
    return uint8_t((int32_t(base) + step) & 0xFF);
}

// The setting, or one more at random. A full byte stays full.
uint8_t FadeStep(uint8_t setting) {
    if (setting == 0) return 0;
    return uint8_t(std::min(255, int32_t(setting) + std::min(1, Random(setting / 2))));
}

// Tracks are numbered from 1; 0 and numbers past the last follow none.
const TSteerTrack* SteerTrackOf(uint8_t n) {
    return n >= 1 && n <= SteerTrackCount ? &ParticleTracks().Steer[size_t(n - 1)] : nullptr;
}

const TSpeedTrack* SpeedTrackOf(uint8_t n) {
    return n >= 1 && n <= SpeedTrackCount ? &ParticleTracks().Speed[size_t(n - 1)] : nullptr;
}

int32_t RandomMark(const std::vector<int32_t>& marks) {
    return marks.empty() ? 0 : marks[size_t(Random(int32_t(marks.size())))];
}

int32_t NextCursor(int32_t cursor) {
    return int32_t(uint32_t(cursor + 1) % uint32_t(TrackLength));
}

uint8_t Between(uint8_t a, uint8_t b, int32_t k) {
    return uint8_t(int32_t(a) + (int32_t(b) - a) * k / 255);
}

const TCollisionEdge* EdgeOf(const TFragments& grid, const TCastResult& hit) {
    const std::vector<TCollisionEdge>* edges = grid.EdgeArray();
    if (!edges || hit.Edge < 0 || size_t(hit.Edge) >= edges->size()) return nullptr;
    return &(*edges)[size_t(hit.Edge)];
}

TDrops_Emiter& DropsOf(const TParticleSystem& s) {
    return static_cast<TDrops_Emiter&>(*s.Emitter);
}

} // namespace

// ---- Creation ----

std::unique_ptr<TParticleSystem> CreateDropSystem(const TParticleSystem* templ) {
    RecordSite(65001);
    auto system = std::make_unique<TParticleSystem>(1024);
    system->Texture = TexLib.Drop;
    auto emitter = std::make_unique<TDrops_Emiter>(system.get());
    if (templ && dynamic_cast<const TDrops_Emiter*>(templ->Emitter.get())) emitter->CopySettings(*templ);
    system->Emitter = std::move(emitter);
    system->Player = std::make_unique<TDrops_Player>(system.get());
    system->Renderer = std::make_unique<TDrops_Renderer>(system.get());
    return system;
}

void TDrops_Emiter::CopySettings(const TParticleSystem& source) {
    RecordSite(65006);
    TParticleSystem& s = *System;
    const auto& t = static_cast<const TDrops_Emiter&>(*source.Emitter);
    s.Gravity = source.Gravity;
    s.TextureName = source.TextureName;
    s.Texture = source.Texture;
    s.Material.CopyFrom(&source.Material);
    s.CollisionQuest = source.CollisionQuest;
    s.ReleaseQuest = source.ReleaseQuest;
    OwnWindOnly = t.OwnWindOnly;
    PlayerWinds = t.PlayerWinds;
    BurstCount = t.BurstCount;
    Interval = t.Interval;
    IntervalRandom = t.IntervalRandom;
    SpeedSpread = t.SpeedSpread;
    StartVelocity = t.StartVelocity;
    Span = t.Span;
    SetColours(t.StartColour, t.EndColour);
    SizeMax = t.SizeMax;
    SizeMin = t.SizeMin;
    SizeChange = t.SizeChange;
    SpreadAngle = t.SpreadAngle;
    PushFactor = t.PushFactor;
    CarryFactor = t.CarryFactor;
    BounceBack = t.BounceBack;
    HitChance = t.HitChance;
    TerrainCollision = t.TerrainCollision;
    Contacts = t.Contacts;
    BounceLoss = t.BounceLoss;
    BounceMin = t.BounceMin;
    BounceMax = t.BounceMax;
    DentStrength = t.DentStrength;
    FadeOutStep = t.FadeOutStep;
    FadeInStep = t.FadeInStep;
    VelocityFactor = t.VelocityFactor;
    RateMode = t.RateMode;
    RateStart = t.RateStart;
    Rate = t.Rate;
    SteerTrack = t.SteerTrack;
    SpeedTrack = t.SpeedTrack;
    RandomSteerStart = t.RandomSteerStart;
    DrawStyle = t.DrawStyle;
    DrawBehind = t.DrawBehind;
    EmissionMode = t.EmissionMode;
    FireOnShow = t.FireOnShow;
    FireOnHide = t.FireOnHide;
    CarriedOff = t.CarriedOff;
    CarriedOn = t.CarriedOn;
    StateOff = t.StateOff;
    StateOn = t.StateOn;
    FireOnLightUp = t.FireOnLightUp;
    s.BounceSound = source.BounceSound;
    s.WaterSound = source.WaterSound;
    s.ContactSound = source.ContactSound;
    WaterImpact = t.WaterImpact;
    s.WindFactor = source.WindFactor;
    FireOnEffectEnd = t.FireOnEffectEnd;
    FireOnDeath = t.FireOnDeath;
    WhileAnimation = t.WhileAnimation;
    ActivationDistance = t.ActivationDistance;
    Cycling = t.Cycling;
    StartsOff = t.StartsOff;
    OnMin = t.OnMin;
    OnRange = t.OnRange;
    OffMin = t.OffMin;
    OffRange = t.OffRange;
    InitialPhase = t.InitialPhase;
    CycleTimer = t.CycleTimer;
    CycleState = t.CycleState;
    s.Caption = source.Caption;
    s.CaptionHold = source.CaptionHold;
    s.CaptionColour = source.CaptionColour;
    s.CaptionOnFire = source.CaptionOnFire;
}

// ---- Restart, step and bursts ----

void TDrops_Emiter::Restart(bool flag) {
    RecordSite(65007);
    TParticleSystem_Emiter::Restart(flag);
    if (RateMode) Interval = IntervalRandom = 0;
    CollisionNow = TerrainCollision;
    if (flag) {
        const TParticleWorld& w = *System->World;
        // Bound emitters wait for their character or shape to fire them.
        if (CharacterSlot(w.CharacterCount()) >= 0) return;
        TVec2 centre;
        if (w.ShapeCentre(*this, centre) && !FireAtStart) return;
    }
    Fire();
}

void TDrops_Emiter::Fire() {
    RecordSite(65008);
    TParticleSystem& s = *System;
    CycleState = StartsOff ? 0 : 1;
    CycleTimer = 0;
    PhaseLength = 0;
    NextEmission = s.Clock;
    Tick(0);
    Emit(BurstCount);
    if (s.CaptionOnFire && !s.Caption.empty())
        s.CaptionSerial =
            s.World->AddXHint(s.Caption, Position + Span * 0.5f, s.CaptionHold, s.CaptionColour);
}

void TDrops_Emiter::PlayEmitSound() {
    TParticleWorld& w = *System->World;
    const int32_t character = CharacterSlot(w.CharacterCount());
    TVec2 at = Position;
    if (character >= 0) w.CharacterCentre(character, at);
    w.PlaySound(System->EmitSound, System->EmitSoundId, at, true, character);
}

namespace {
// Stored phase lengths and intervals may be anything; a time beyond what the
// clock can count waits for good instead of wrapping round.
int32_t ClockTime(int64_t t) {
    return int32_t(
        std::clamp<int64_t>(t, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
} // namespace

void TDrops_Emiter::StartPhase(bool on) {
    CycleState = on ? 1 : 0;
    CycleTimer = 0;
    if (on) {
        PhaseLength = ClockTime((int64_t(OnMin) + Random(OnRange)) * 10);
        PlayEmitSound();
    } else {
        PhaseLength = ClockTime((int64_t(OffMin) + Random(OffRange)) * 10);
    }
}

void TDrops_Emiter::Tick(int32_t ticks) {
    TParticleSystem& s = *System;
    TParticleWorld& w = *s.World;
    // An interval that follows the player's score: Rate points per emission
    // per second. No score beyond RateStart gives no emission rather than
    // an endless interval.
    if (RateMode) {
        if (Rate != 0.0f) {
            const double perSecond = (double(w.PlayerPoints()) - double(RateStart)) / double(Rate);
            const double interval = std::fabs(1000.0 / perSecond);
            Interval = interval < 2147483647.0 ? int32_t(interval) : 0;
            IntervalRandom = 0;
            if (Interval == 0) NextEmission = s.Clock;
        } else {
            Interval = IntervalRandom = 0;
            NextEmission = s.Clock;
        }
    }
    TVec2 centre;
    if (w.ShapeCentre(*this, centre)) Position = centre;
    if (ticks <= 0) return;

    if (Cycling && w.CyclingGate(*this)) {
        if (PhaseLength == 0) {
            if (StartsOff) {
                CycleState = 0;
                CycleTimer = 0;
                PhaseLength = ClockTime(int64_t(InitialPhase) * 10);
            } else {
                StartPhase(true);
            }
        }
        CycleTimer = ClockTime(int64_t(CycleTimer) + ticks);
        const bool forever = CycleState ? OnMin == -1 : OffMin == -1;
        if (!forever && CycleTimer >= PhaseLength) StartPhase(!CycleState);
        if (!CycleState) {
            NextEmission = s.Clock;
            return;
        }
    }
    if (w.EmissionBlocked(*this)) {
        NextEmission = s.Clock;
        return;
    }
    if (Interval <= 0) return;

    int32_t interval = Interval, random = IntervalRandom;
    float surfaceSpeed = 0.0f;
    if (NearWater && w.NearWaterSpeed(*this, surfaceSpeed)) {
        // Faster when the surface falls, slower when it rises.
        SpeedBonus = std::clamp(0.3f * surfaceSpeed, -0.9f, 2.0f);
        const double e = std::max(-0.5 * double(surfaceSpeed), -1.0);
        interval = int32_t(std::clamp(std::nearbyint(double(Interval) * (1.0 + e)), 1.0, 1000.0));
        random = interval;
    }
    CurrentInterval = interval;
    CurrentIntervalRandom = random;
    while (NextEmission < s.Clock) {
        Emit(1);
        NextEmission = ClockTime(int64_t(NextEmission) + std::max(interval, 1) + Random(std::max(random, 1)));
    }
}

// ---- Emission ----

TParticle* TDrops_Emiter::Emit(int32_t n) {
    TParticleSystem& s = *System;
    TParticleWorld& w = *s.World;
    if (n <= 0) return nullptr;
    s.EmittedThisTick += n;
    if (ActivationDistance != 0.0f && !CarrierCopy) {
        TVec2 p = Position;
        const float parallax = w.LayerParallax(s.Layer);
        if (parallax != 1.0f && parallax != 0.0f) p = p * (1.0f / parallax);
        TVec2 player;
        if (w.CharacterCentre(0, player) && (std::fabs(player.X - p.X) > ActivationDistance ||
                                             std::fabs(player.Y - p.Y) > ActivationDistance)) {
            NextEmission = s.Clock;
            return nullptr;
        }
    }
    TParticle* last = nullptr;
    if (Source) {
        SourcePoints.clear();
        for (const TParticle* q = Source->AliveHead(); q; q = q->Next)
            SourcePoints.push_back(q->Position);
        for (int32_t round = 0; round < n; ++round)
            for (TVec2 at : SourcePoints) {
                TParticle* p = s.Take();
                if (!p) return last;
                InitParticle(*p, at, nullptr, 0);
                last = p;
            }
        return last;
    }
    const TEmissionSource from = w.EmissionMesh(*this);
    if (!from.Emit) return nullptr;
    for (int32_t i = 0; i < n; ++i) {
        TParticle* p = s.Take();
        if (!p) break;
        InitParticle(*p, {}, from.Mesh, from.Mesh ? 40 : 0);
        last = p;
    }
    return last;
}

// The draws come in a fixed order (replays depend on it): colour, alpha,
// the place with its speed factor, the spread, the first step, the fades,
// the track starts, the size and the hit chance.
void TDrops_Emiter::InitParticle(TParticle& p, TVec2 position, const TMesh* mesh, int32_t hitGuard) {
    const int32_t k = Random(255);
    p.Colour.R = Channel(ColourBase.R, ColourDiff[0], k);
    p.Colour.G = Channel(ColourBase.G, ColourDiff[1], k);
    p.Colour.B = Channel(ColourBase.B, ColourDiff[2], k);
    p.Colour.A = Channel(ColourBase.A, ColourDiff[3], Random(255));

    auto factor = [&] { return 1.0f + Rnd() * SpeedSpread + (NearWater ? SpeedBonus : 0.0f); };
    float f = 1.0f;
    TVec2 velocity;
    bool placed = false;
    if (Source) {
        p.Position = position;
        f = factor();
        velocity = StartVelocity * f;
        placed = true;
    } else if (mesh) {
        const std::vector<TVec2>& at = mesh->Positions();
        if (EmissionMode == 0 && !mesh->Outline.empty()) {
            const std::vector<TVec2>& outline = mesh->Outline;
            const int32_t count = int32_t(outline.size());
            const int32_t i = Random(count);
            const float t = Rnd();
            const TVec2 a = outline[size_t(i)], b = outline[size_t((i + 1) % count)];
            p.Position = a + (b - a) * t;
            f = factor();
            velocity = size_t(i) < mesh->EdgeNormals.size()
                           ? mesh->EdgeNormals[size_t(i)] * (-f * StartVelocity.Y)
                           : StartVelocity * f;
            placed = true;
        } else if (EmissionMode == 1 && !mesh->Triangles.empty()) {
            const TTriangle& tri = mesh->Triangles[size_t(Random(int32_t(mesh->Triangles.size())))];
            const float r1 = Rnd(), r2 = Rnd();
            auto corner = [&](int32_t v) {
                return v >= 0 && size_t(v) < at.size() ? at[size_t(v)] : mesh->Center;
            };
            const TVec2 a = corner(tri.V[0]), b = corner(tri.V[1]), c = corner(tri.V[2]);
            const TVec2 ab = a + (b - a) * r1;
            p.Position = ab + (c - ab) * r2;
            f = factor();
            velocity = StartVelocity * f;
            placed = true;
        } else if (EmissionMode == 2) {
            p.Position = mesh->Center;
            f = factor();
            velocity = StartVelocity * f;
            placed = true;
        }
    }
    if (!placed) {
        // Along the segment: one draw for both axes keeps it on the line.
        const float r = Rnd();
        p.Position = Position + Span * r;
        f = factor();
        velocity = StartVelocity * f;
    }
    p.HitGuard = int8_t(hitGuard);
    Rotate(velocity, Rnd() * 2.0f * SpreadAngle - SpreadAngle);
    p.Velocity = velocity;
    p.FirstStep = Random(30) - 20;
    p.FadeOutStep = FadeStep(FadeOutStep);
    p.FadeInStep = FadeStep(FadeInStep);
    if (const TSteerTrack* steer = SteerTrackOf(SteerTrack))
        p.SteerCursor = RandomSteerStart ? Random(TrackLength) : RandomMark(steer->Marks);
    if (const TSpeedTrack* speed = SpeedTrackOf(SpeedTrack)) p.SpeedCursor = RandomMark(speed->Marks);
    p.Size = SizeMin + Rnd() * (SizeMax - SizeMin);
    p.ContactsLeft = uint8_t(Contacts & 0xFF);
    p.PushFactor = PushFactor;
    p.CarryFactor = CarryFactor;
    p.BounceBack = BounceBack;
    p.DentStrength = DentStrength;
    p.HitsCharacters = HitChance >= 1.0f ? 1 : (Rnd() <= HitChance ? 1 : 0);
}

// ---- Movement ----

namespace {

// What every particle of one move shares.
struct TDropMove {
    TParticleSystem& System;
    TParticleWorld& World;
    const TDrops_Emiter& Emitter;
    int32_t Ticks;
    // The speed a bounce keeps (drawn once per move, not per particle).
    float Keep;
    // The fall speed the gravity adds over the move.
    float Fall;
    const TSteerTrack* Steer;
    const TSpeedTrack* Speed;
    const TFragments* Grid;
    // Particles that sit on their character stay at its centre.
    bool OnCarrier;
    TVec2 CarrierCentre;
};

// What a contact did to a particle.
enum class TContact { None, Kept, Spent };

// Fading in, else out; false when the particle has faded away.
bool Fade(TParticle& p) {
    if (p.FadeInStep != 0) {
        if (255 - p.FadeInStep < p.Colour.A) {
            p.Colour.A = 255;
            p.FadeInStep = 0;
        } else {
            p.Colour.A = uint8_t(p.Colour.A + p.FadeInStep);
        }
    } else if (p.FadeOutStep != 0) {
        if (p.FadeOutStep >= p.Colour.A) return false;
        p.Colour.A = uint8_t(p.Colour.A - p.FadeOutStep);
    }
    return true;
}

// Growing or shrinking; false when the particle has shrunk to nothing.
bool Resize(const TDropMove& m, TParticle& p) {
    if (m.Emitter.SizeChange == 0.0f) return true;
    p.Size += m.Emitter.SizeChange;
    return p.Size > 0.0f;
}

void Steer(const TDropMove& m, TParticle& p) {
    if (!m.Steer) return;
    p.SteerCursor = NextCursor(p.SteerCursor);
    RotateCS(p.Velocity, m.Steer->Cos[size_t(p.SteerCursor)], m.Steer->Sin[size_t(p.SteerCursor)]);
}

// Where the particle goes this move, after gravity and its speed track. The
// first move makes up for the time since emission.
TVec2 NextPosition(const TDropMove& m, TParticle& p) {
    const TDrops_Emiter& e = m.Emitter;
    if (p.FirstStep != 0) {
        const int32_t g = std::max(p.FirstStep + m.Ticks, 1);
        p.FirstStep = 0;
        p.Velocity.Y += float(g) * float(g + 1) / 2.0f * m.System.Gravity;
        if (e.VelocityFactor != 1.0f) p.Velocity = p.Velocity * e.VelocityFactor;
        return p.Position + p.Velocity * Rnd();
    }
    if (e.VelocityFactor != 1.0f) p.Velocity = p.Velocity * e.VelocityFactor;
    if (m.Speed) {
        p.SpeedCursor = NextCursor(p.SpeedCursor);
        const float q = m.Speed->Factor[size_t(p.SpeedCursor)];
        p.Velocity.Y += q * m.Fall;
        return p.Position + p.Velocity * q;
    }
    p.Velocity.Y += m.Fall;
    return p.Position + p.Velocity;
}

// Far above or below the level a particle is lost (a carried copy never is).
bool OutOfLevel(const TDropMove& m, TVec2 next) {
    return !m.Emitter.CarrierCopy && m.Grid &&
           (next.Y > m.Grid->Bottom + 2000.0f || next.Y < m.Grid->Top - 2000.0f);
}

// A particle that hits a character pushes it, then may not hit again for a while.
TContact HitCharacters(const TDropMove& m, TParticle& p) {
    if (!(p.PushFactor > 0.0f && p.HitsCharacters && p.HitGuard < 1 && m.World.HitCharacters(p)))
        return TContact::None;
    if (p.ContactsLeft == 0) return TContact::Spent;
    p.HitGuard = 21;
    if (!p.ContactSoundDone) {
        p.ContactSoundDone = 1;
        m.World.PlaySound(m.System.ContactSound, m.System.ContactSoundId, p.Position, false, -1);
    }
    if (p.ContactsLeft != UnlimitedContacts) --p.ContactsLeft;
    return TContact::Kept;
}

// A particle that hits the terrain bounces off it, turned by the surface.
TContact HitTerrain(const TDropMove& m, TParticle& p, TVec2 next) {
    const TDrops_Emiter& e = m.Emitter;
    if (!(e.TerrainCollision && e.CollisionNow && m.Grid)) return TContact::None;
    const TCastResult hit = m.Grid->CastSegment(p.Position, next, true, false);
    if (!hit.Hit) return TContact::None;
    const TCollisionEdge* edge = EdgeOf(*m.Grid, hit);
    if (p.ContactsLeft == 0 || !edge) return TContact::Spent;
    const float was = Length(p.Velocity);
    if (was > 3.0f) m.World.PlaySound(m.System.BounceSound, m.System.BounceSoundId, p.Position, false, -1);
    p.Position = hit.Point + edge->Normal;
    float now = was * m.Keep;
    if (now < e.BounceMin || now > e.BounceMax) now = e.BounceMin + Rnd() * (e.BounceMax - e.BounceMin);
    p.Velocity = was > 0.0f ? p.Velocity * (-now / was) : TVec2{};
    Rotate(p.Velocity, BounceTurn(p.Velocity, edge->Angle) + Rnd() * 0.5f - 0.25f);
    if (p.ContactsLeft != UnlimitedContacts) --p.ContactsLeft;
    return TContact::Kept;
}

// A particle that falls into water leaves a bubble and stirs the surface; a
// small, slow or spent one sinks, the others splash back up in the water's
// colours.
TContact HitWater(const TDropMove& m, TParticle& p, TVec2 next) {
    const TDrops_Emiter& e = m.Emitter;
    TParticleWorld& w = m.World;
    if (e.WaterImpact == 0.0f) return TContact::None;
    TWaterArea* water = w.WaterAt(next);
    if (!water) return TContact::None;
    const TVec2 v = p.Velocity;
    if (p.ContactsLeft == 0 || p.Size <= 1.6f || v.Y <= 4.0f) {
        w.EmitBubble(water, next, {0.2f * v.X, 0.3f * v.Y});
        if (e.WaterImpact > 0.0f) w.DisturbWater(water, Rnd() * e.WaterImpact, next.X);
        return TContact::Spent;
    }
    if (!p.WaterSoundDone) {
        p.WaterSoundDone = 1;
        w.PlaySound(m.System.WaterSound, m.System.WaterSoundId, p.Position, false, -1);
    }
    w.EmitBubble(water, next, {0.2f * v.X, 0.4f * v.Y});
    TColor4 from = p.Colour, to = p.Colour;
    w.WaterSplashColours(water, from, to);
    const int32_t k = NextRandomInt(255), ka = NextRandomInt(255);
    p.Colour = {Between(from.R, to.R, k), Between(from.G, to.G, k), Between(from.B, to.B, k),
                Between(from.A, to.A, ka)};
    if (e.WaterImpact > 0.0f) w.DisturbWater(water, Rnd() * e.WaterImpact, next.X);
    p.Velocity.X = 0.3f * v.X + 2.0f * (Rnd() - 0.5f);
    p.Velocity.Y *= -(0.2f + 0.2f * Rnd());
    p.Size *= 0.9f;
    --p.ContactsLeft;
    return TContact::Kept;
}

// One particle's move; the particle to move next (a lost particle is freed).
TParticle* MoveParticle(const TDropMove& m, TParticle& p) {
    if (!Fade(p) || !Resize(m, p)) return m.System.Free(&p);
    Steer(m, p);
    const TVec2 next = NextPosition(m, p);
    if (p.HitGuard > 0) p.HitGuard = int8_t(std::max(int32_t(p.HitGuard) - m.Ticks, -128));
    if (OutOfLevel(m, next)) return m.System.Free(&p);
    if (!m.System.InPlayLayer) {
        p.Position = next;
        return p.Next;
    }
    if (m.OnCarrier) {
        p.Position = m.CarrierCentre;
        return p.Next;
    }
    TContact contact = HitCharacters(m, p);
    if (contact == TContact::None) contact = HitTerrain(m, p, next);
    if (contact == TContact::None) contact = HitWater(m, p, next);
    if (contact == TContact::Spent) return m.System.Free(&p);
    if (contact == TContact::None) p.Position = next;
    return p.Next;
}

} // namespace

void TDrops_Player::Move(int32_t ticks) {
    TParticleSystem& s = *System;
    TParticleWorld& w = *s.World;
    const TDrops_Emiter& e = DropsOf(s);
    ticks = std::min(ticks, 100);
    const float keep = (1.0f - e.BounceLoss) * (0.8f + 0.2f * Rnd());
    const float fall = float(ticks) * float(ticks + 1) / 2.0f * s.Gravity;
    TDropMove m{s,        w,     e, ticks, keep, fall, SteerTrackOf(e.SteerTrack), SpeedTrackOf(e.SpeedTrack),
                w.Grid(), false, {}};
    const int32_t carrier = e.EmissionMode == 2 ? e.CharacterSlot(w.CharacterCount()) : -1;
    m.OnCarrier = carrier >= 0 && w.CharacterCentre(carrier, m.CarrierCentre);
    for (TParticle* p = s.AliveHead(); p;)
        p = MoveParticle(m, *p);
}

// ---- Drawing ----

int32_t TDrops_Renderer::Draw(const TBox2& view) const {
    const TParticleSystem& s = *System;
    const TDrops_Emiter& e = DropsOf(s);
    if (s.CaptionSerial != 0) s.World->DrawXHint(s.CaptionSerial);
    const TMyTexture* tex = s.Texture;
    if (!tex || !s.AliveHead()) return 0;
    TRenderBackend& r = Renderer();
    r.Enable(Gl::Texture2D);
    BindTexture(uint32_t(s.Texture->TextureId()));
    s.Material.Apply();
    r.Begin(Gl::Quads);
    const TBox2 box{view.Left - 50.0f, view.Top - 50.0f, view.Right + 50.0f, view.Bottom + 50.0f};
    const auto& t = tex->Corners;
    const int32_t style = e.DrawStyle <= 4 ? e.DrawStyle : 0;
    TVec2 carrierCentre;
    const int32_t carrier = e.EmissionMode == 2 ? e.CharacterSlot(s.World->CharacterCount()) : -1;
    const bool onCarrier = style == 0 && carrier >= 0 && s.World->CharacterCentre(carrier, carrierCentre);
    auto corner = [&](TVec2 at, int32_t tc) {
        r.TexCoord2f(t[size_t(tc)].X, t[size_t(tc)].Y);
        r.Vertex2f(at.X, at.Y);
    };
    int32_t triangles = 0;
    for (const TParticle* p = s.AliveHead(); p; p = p->Next) {
        const TVec2 P = onCarrier ? carrierCentre : p->Position;
        if (!PointInBox(P, box)) continue;
        r.Color4ub(p->Colour.R, p->Colour.G, p->Colour.B, p->Colour.A);
        const float sz = p->Size, vx = p->Velocity.X, vy = p->Velocity.Y;
        if (style == 0) {
            const TVec2 U = Normalized({vx, vy}) * sz;
            corner(P + U, 0);
            corner(P + TVec2{-U.Y, U.X}, 3);
            corner(P - U, 2);
            corner(P + TVec2{U.Y, -U.X}, 1);
        } else if (style == 1) {
            const TVec2 U = Normalized({vx > 0.0f ? vx + 10.0f : vx - 10.0f, -vy}) * sz;
            const TVec2 E = vx >= 0.0f ? TVec2{-U.Y, U.X} : U;
            TVec2 F = E;
            RotateCS(F, tex->CosAngle, tex->SinAngle);
            const TVec2 C{P.X, P.Y - 0.35f * sz};
            const bool mirrored = vx < 0.0f;
            corner(C + F, mirrored ? 1 : 0);
            corner(C + E, mirrored ? 0 : 1);
            corner(C - F, mirrored ? 3 : 2);
            corner(C - E, mirrored ? 2 : 3);
        } else {
            TVec2 E;
            if (style == 2) {
                E = Normalized({vx, vy}) * sz;
                RotateCS(E, tex->CosHalf, tex->SinHalf);
            } else if (style == 3) {
                E = Normalized({-0.3f * vx, std::fabs(vy) + 1.0f}) * sz;
                RotateCS(E, tex->CosHalf, tex->SinHalf);
            } else {
                E = {sz, 0.0f};
                Rotate(E, -0.1f * P.X + sz);
            }
            TVec2 F = E;
            RotateCS(F, tex->CosAngle, tex->SinAngle);
            corner(P + F, 0);
            corner(P + E, 1);
            corner(P - F, 2);
            corner(P - E, 3);
        }
        triangles += 2;
    }
    r.End();
    return triangles;
}

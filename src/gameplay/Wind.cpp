#include "gameplay/Wind.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "gameplay/Boost.h"
#include "gameplay/Water.h"
#include "gameplay/WaterEffects.h"
#include "physics/Rollix.h"
#include "world/SplineObj.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr uint8_t LinkMarker = 'o';
constexpr uint8_t BrakeMarker = 0xDE;
constexpr int32_t TeleportBoost = 18;
constexpr int32_t MagicGateBoost = 19;

void Include(TBox2& box, TVec2 p) {
    box.Left = std::min(box.Left, p.X);
    box.Right = std::max(box.Right, p.X);
    box.Top = std::min(box.Top, p.Y);
    box.Bottom = std::max(box.Bottom, p.Y);
}
} // namespace

float WrapAngle(float a) {
    if (!std::isfinite(a)) return 0.0f;
    // Far-off angles come near first, so the steps below are few.
    if (std::fabs(a) > 8.0f * PiF) a = float(std::remainder(double(a), 2.0 * Pi));
    while (a > PiF)
        a -= 2.0f * PiF;
    while (a <= -PiF)
        a += 2.0f * PiF;
    return a;
}

TWind::TWind() {
    Recompute();
}

void TWind::Recompute() {
    RecordSite(54001);
    const TVec2 d = Target - Origin;
    Range = Length(d);
    Direction = std::atan2(d.Y, d.X);
    HalfAngle = ConeAngle / 2.0f;
    StartAngle = WrapAngle(Direction - HalfAngle);
    EndAngle = WrapAngle(Direction + HalfAngle);
    JitterIndex = 0;
    Box = {Origin.X, Origin.Y, Origin.X, Origin.Y};
    auto reach = [&](float a) { Include(Box, Origin + TVec2{std::cos(a), std::sin(a)} * Range); };
    reach(StartAngle);
    reach(EndAngle);
    for (float a : {-PiF, -PiF / 2.0f, 0.0f, PiF / 2.0f})
        if (Omni || AngleInArc(EndAngle, StartAngle, a)) reach(a);
}

bool TWind::Read(TByteReader& in) {
    RecordSite(54002);
    Origin.X = in.ReadFiniteFloat32(0.0f);
    Origin.Y = in.ReadFiniteFloat32(0.0f);
    Target.X = in.ReadFiniteFloat32(0.0f);
    Target.Y = in.ReadFiniteFloat32(0.0f);
    ConeAngle = in.ReadFiniteFloat32(0.0f);
    Strength = in.ReadFiniteFloat32(0.0f);
    InnerRadius = in.ReadFiniteFloat32(0.0f);
    Omni = in.ReadBool();
    EditorId = in.ReadInt32();
    PlayerTriggered = in.ReadBool();
    WholeBody = in.ReadBool();
    OnDelay = in.ReadInt32();
    OffDelay = in.ReadInt32();
    // The index is stored whatever the marker says.
    const uint8_t marker = in.ReadByte();
    const int32_t index = in.ReadInt32();
    LinkedShapeIndex = marker == LinkMarker && index >= 0 ? index : -1;
    AnimationName = in.ReadString();
    UsesAnimation = in.ReadBool();
    AnimFrameFrom = in.ReadInt32();
    AnimFrameTo = in.ReadInt32();
    FollowsBoost = in.ReadBool();
    StartsActive = !in.ReadBool();
    AffectsParticles = in.ReadBool();
    FollowsPlayer = in.ReadBool();
    NeedsCarriedBoost = in.ReadBool();
    PushesBodies = !in.ReadBool();
    Name = in.ReadString();
    Brake = in.ReadByte() == BrakeMarker ? in.ReadFiniteFloat32(0.0f) : 0.0f;
    in.Skip(3);
    BaseOrigin = Origin;
    BaseTarget = Target;
    Active = StartsActive;
    Recompute();
    return !in.ShortRead;
}

void TWind::Write(TByteWriter& out) const {
    RecordSite(54003);
    // The base points are what a restart returns to.
    out.WriteFloat32(BaseOrigin.X);
    out.WriteFloat32(BaseOrigin.Y);
    out.WriteFloat32(BaseTarget.X);
    out.WriteFloat32(BaseTarget.Y);
    out.WriteFloat32(ConeAngle);
    out.WriteFloat32(Strength);
    out.WriteFloat32(InnerRadius);
    out.WriteBool(Omni);
    out.WriteInt32(EditorId);
    out.WriteBool(PlayerTriggered);
    out.WriteBool(WholeBody);
    out.WriteInt32(OnDelay);
    out.WriteInt32(OffDelay);
    out.WriteByte(LinkedShapeIndex >= 0 ? LinkMarker : 0);
    out.WriteInt32(LinkedShapeIndex >= 0 ? LinkedShapeIndex : -1);
    out.WriteString(AnimationName);
    out.WriteBool(UsesAnimation);
    out.WriteInt32(AnimFrameFrom);
    out.WriteInt32(AnimFrameTo);
    out.WriteBool(FollowsBoost);
    out.WriteBool(!StartsActive);
    out.WriteBool(AffectsParticles);
    out.WriteBool(FollowsPlayer);
    out.WriteBool(NeedsCarriedBoost);
    out.WriteBool(!PushesBodies);
    out.WriteString(Name);
    out.WriteByte(BrakeMarker);
    out.WriteFloat32(Brake);
    out.Pad(3);
}

const std::array<float, 64>& WindJitter() {
    static const std::array<float, 64> table = [] {
        std::array<float, 64> t{};
        const uint32_t saved = RandSeed;
        Seed(100);
        for (float& v : t)
            v = float(Random(3000)) * 0.015f;
        RandSeed = saved;
        return t;
    }();
    return table;
}

void TWind::Reset() {
    RecordSite(54004);
    Active = StartsActive;
    Origin = BaseOrigin;
    Target = BaseTarget;
    SwitchOnRequested = false;
    // A restart starts the delays afresh, so every restart plays the same.
    OnCounter = OffCounter = 0;
    Recompute();
}

void TWind::Move(float dx, float dy) {
    Origin += TVec2{dx, dy};
    Target += TVec2{dx, dy};
    Recompute();
}

float TWind::ConeProfile(float a) const {
    const float t = std::fabs((std::fabs(a) - std::fabs(StartAngle)) / ConeAngle);
    return t <= 0.5f ? t : 1.0f - t;
}

float TWind::NextJitter() {
    const float v = WindJitter()[size_t(JitterIndex & 63)];
    JitterIndex = (JitterIndex + 1) & 63;
    return v;
}

const TBoost* TWind::LinkedBoost() const {
    return LinkedShape ? LinkedShape->Boost : nullptr;
}

bool TWind::InZone(TVec2 p) const {
    if (!PointInBox(p, Box)) return false;
    const TVec2 d = p - Origin;
    const float l = Length(d);
    if (l < InnerRadius || l > Range || l < 1.0f) return false;
    return Omni || AngleInArc(EndAngle, StartAngle, std::atan2(d.Y, d.X));
}

bool TWind::ForceAt(TVec2 p, TVec2& force) const {
    if (!PointInBox(p, Box)) return false;
    const TVec2 d = p - Origin;
    float l = Length(d);
    if (l < InnerRadius) return false;
    l = std::max(l, 1.0f);
    if (l > Range) return false;
    const TVec2 u{d.X / l, d.Y / l};
    if (Omni) {
        const float h = Strength / l;
        if (!(std::fabs(h) >= 0.001f)) return false;
        force = u * std::clamp(h, -5.0f, 5.0f);
        return true;
    }
    // A cone without an opening has no profile to push with (and would
    // otherwise take every direction and divide by its zero width).
    if (ConeAngle == 0.0f) return false;
    const float a = std::atan2(d.Y, d.X);
    if (!AngleInArc(EndAngle, StartAngle, a)) return false;
    const float e = Strength / (l + 3.0f);
    if (!(std::fabs(e) >= 0.001f)) return false;
    force = u * (e * ConeProfile(a));
    return true;
}

void TWind::FollowPlayer(const TRollix* player) {
    if (!Active || !FollowsPlayer || !player || player->Vertices.empty()) return;
    Move(player->Centre.X - Origin.X, player->Centre.Y - Origin.Y);
}

void TWind::PushWater(TWater& water) {
    RecordSite(54005);
    // Only an active cone that blows (not sucks) makes waves.
    if (!Active || Omni || Strength < 0.0f || ConeAngle == 0.0f) return;
    if (!BoxesOverlap(water.Bounds, Box)) return;
    for (TWavePoint& w : water.WavePoints) {
        if (!w.Vertex) continue;
        const TVec2 d = *w.Vertex - Origin;
        if (d.Y < 0.0f) continue;
        const float a = std::atan2(d.Y, d.X);
        if (!AngleInArc(EndAngle, StartAngle, a)) continue;
        const float l = Length(d);
        if (l < InnerRadius || l > Range) continue;
        const float e = Range / (l + 2.0f) - 1.0f;
        if (!(e >= 0.01f)) continue;
        // A point at the origin itself counts as one unit away.
        w.Speed += NextJitter() * (d.Y / std::max(l, 1.0f)) * e * ConeProfile(a);
    }
}

void TWind::PushCharacter(TRollix& c, const TRollix* player) {
    const bool isPlayer = &c == player;
    if (!PushesBodies) return;
    if (!FollowsPlayer && !isPlayer && c.IgnoresWind) return;
    if (c.Dead || c.Teleporting) return;
    const TBoost* boost = LinkedBoost();
    if (boost && boost->Type == TeleportBoost && (!boost->Visible || !boost->Switch('E')) && !isPlayer)
        return;
    if (FollowsPlayer && (isPlayer || !player || c.AltLayer != player->AltLayer)) return;
    if (!isPlayer && c.MorphLeft > 0) return;
    if (!Active || c.Vertices.empty() || !BoxesOverlap(c.Bounds, Box)) return;
    if (!Omni) {
        for (TRollixVertex& v : c.Vertices) {
            TVec2 f;
            if (!v.InWater && ForceAt(v.Pos, f)) v.Vel += f;
        }
        if (FollowsPlayer) c.WindTouched = true;
        return;
    }
    TVec2 f;
    if (!ForceAt(c.Centre, f)) return;
    if (FollowsPlayer) c.WindTouched = true;
    TVec2 push = f;
    if (Brake != 0.0f)
        push = f - c.CentreVel * Brake;
    else if (boost && (boost->Type == TeleportBoost || boost->Type == MagicGateBoost))
        push = f - c.CentreVel * 0.05f;
    for (TRollixVertex& v : c.Vertices)
        v.Vel += push;
}

void TWind::PushParticle(TVec2 pos, TVec2& vel, float f) const {
    TVec2 force;
    if (f == 0.0f || !InZone(pos) || !ForceAt(pos, force)) return;
    vel += force * (4.0f * f);
}

void TWind::PushStrayParticle(TVec2 pos, TVec2& vel, float f) {
    TVec2 force;
    if (f == 0.0f || !ForceAt(pos, force)) return;
    const float k = 4.0f * f * 0.7f + (4.0f * f / 45.0f) * 0.3f * NextJitter();
    vel += force * k;
}

void TWind::UpdateActive(const TRollix* player, const TWindLinks& links) {
    RecordSite(54006);
    if (SwitchOnRequested) {
        Active = true;
        SwitchOnRequested = false;
    }
    if (PlayerTriggered) {
        bool present = false;
        if (player && !player->Vertices.empty()) {
            present = WholeBody;
            for (const TRollixVertex& v : player->Vertices) {
                const bool in = InZone(v.Pos);
                if (WholeBody && !in) {
                    present = false;
                    break;
                }
                if (!WholeBody && in) {
                    present = true;
                    break;
                }
            }
        }
        bool on = Active;
        if (present) {
            OffCounter = 0;
            OnCounter += 1;
            on = OnCounter >= OnDelay;
            if (on) OnCounter = std::max(OnDelay, 0);
        } else if (OnCounter <= 0) {
            on = false;
        } else {
            OffCounter += 1;
            if (OffCounter >= OffDelay) {
                on = false;
                OnCounter = 0;
            }
        }
        Active = on;
    }
    const TBoost* boost = LinkedBoost();
    if (FollowsBoost && boost)
        Active = boost->Visible && (boost->Type != MagicGateBoost || links.GateOpen(*boost));
    if (UsesAnimation && LinkedShape) {
        int32_t frame = 0;
        Active = links.AnimationFrame(*LinkedShape, AnimationName, frame) && frame >= AnimFrameFrom &&
                 frame <= AnimFrameTo;
    }
    if (NeedsCarriedBoost && boost) Active = player && links.CarriesEffectOf(*player, *boost);
}

void TWind::Tick(const TWindTick& t) {
    RecordSite(54007);
    static const TWindLinks noLinks;
    FollowPlayer(t.Player);
    if (!Omni)
        for (const auto& w : t.Waters)
            if (w) PushWater(*w);
    for (const auto& c : t.Characters)
        if (c) PushCharacter(*c, t.Player);
    if (AffectsParticles && t.PushParticles && Active && t.Effects) t.Effects->PushParticles(*this);
    UpdateActive(t.Player, t.Links ? *t.Links : noLinks);
}

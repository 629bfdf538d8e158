#include "gameplay/Wind.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr uint8_t LinkMarker = 'o';
constexpr uint8_t BrakeMarker = 0xDE;
constexpr float Pi = std::numbers::pi_v<float>;


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
    if (std::fabs(a) > 8.0f * Pi) a = float(std::remainder(double(a), 2.0 * std::numbers::pi));
    while (a > Pi) a -= 2.0f * Pi;
    while (a <= -Pi) a += 2.0f * Pi;
    return a;
}

TWind::TWind() { Recompute(); }

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
    for (float a : {-Pi, -Pi / 2.0f, 0.0f, Pi / 2.0f})
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

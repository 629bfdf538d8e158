// The character: life cycle, the tick around the body physics, controls,
// timed effects, oxygen, damage and the level record.
#include "physics/Rollix.h"

#include "physics/ReplayTrack.h"

#include "app/Ease.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/TextureResolver.h"
#include "physics/Appearance.h"
#include "physics/BoostHooks.h"
#include "physics/CharacterLevel.h"
#include "physics/FigureFile.h"
#include "physics/ParticleSink.h"
#include "physics/PhysicsSettings.h"
#include "physics/ReplayTrack.h"
#include "physics/RollixsMan.h"
#include "physics/SoundSink.h"
#include "physics/WaterHooks.h"
#include "world/CollisionEdges.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr int32_t KindDiver = 8;
constexpr int32_t KindCoat = 9;
constexpr int16_t RollSoundMarker = 2222;

// Values from a level file may be anything: sums stop at the ends of the range.
int32_t Saturated(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

float Clamp01(float v) {
    if (!(v >= 0.0f)) return 0.0f; // also NaN
    return v > 1.0f ? 1.0f : v;
}
} // namespace

void TAnimValue::Start(bool add, int32_t ticks, float x) {
    To = add ? To + x : x;
    From = Value;
    Left = Total = ticks;
}

void TAnimValue::Advance() {
    Left = std::max(Left - 1, 0);
    if (Total < 0) return;
    if (Total > 0)
        Value = From + (To - From) * EaseInOut(1.0f - float(Left) / float(Total));
    else
        Value = To;
}

TRollix::TRollix(TCharacterLevel* level, int32_t id, int32_t figureNumber, TRollixsMan* manager)
    : Figure(std::make_unique<TMubFigure>(level)), Id(id), Level(level), Manager(manager) {
    RecordSite(44001);
    StartFigure = FigureNumber = figureNumber;
    SizeFactor = 1.0f;
    RollFactor.Value = RollFactor.From = RollFactor.To = 1.0f;
    SetMaterial(0);
}

void TRollix::Voice(const char* name) {
    Level->Appearance->Voice(*this, name);
}

void TRollix::LoadFigure(int32_t n) {
    RecordSite(44002);
    FigureNumber = n;
    LoadFigureFile(n, *Figure, Level->Textures);
    Damage = 0.0f;
}

void TRollix::Reset() {
    RecordSite(44003);
    Dead = false;
    Present = true;
    Impaled = false;
    DeadTicks = 0;
    HiccupLeft = 0;
    HiccupTimer = 300;
    HiccupMax = 0;
    SizeFactor = 1.0f;
    FinishTick = 0;
    Layer = LayerBase;
    AltLayer = AltLayerBase;
    OverlapCheck = false;
    SwallowLeft = SwallowTotal = 0;
    Teleporting = false;
    TeleportLeft = TeleportHalf = 0;
    TeleportAlpha = 255;
    IdleCounter = IdleLimit = 0;
    StuckTicks = 0;
    Points = 0;
    Items.clear();
    AcidProof = AcidProofBase;
    Damage = 0.0f;
    BurstPending = false;
    CameraAngle.Clear();
    GravityAngle.Clear();
    DisplayValues[0].Clear();
    DisplayValues[1].Clear();
    MagnetValue.Clear();
    BrakeRamp.Clear();
    FreezeRamp.Clear();
    RollFactor.Clear();
    RollFactor.Value = RollFactor.From = RollFactor.To = 1.0f;
    ReverseControls = false;
    Level->Appearance->StopFace(*this);
    Buttons.Clear();
    ActionUsed = false;
    InWaterCount = 0;
    AllInWater = HalfInWater = WasHalfInWater = AnyInWater = InAcid = false;
    Water = nullptr;
    DepthBelowSurface = 0.0f;
    SplashParticles = 0;
    SplashSoundTimer = 0;
    GlueTorn = 0;
    GlueTearTimer = 0;
    Oxygen = 6000;
    GurgleTimer = BubbleTicks = 0;
    Level->Boosts->ClearEffects(*this);
    Turn = TurnVel = PrevTurn = 0.0f;
    MorphLeft = 0;
    LoadFigure(StartFigure);
    ApplyFigure(true, 1.0f, true);
    PlaceAt(false, StartY, StartX);
    TouchCount = PrevTouchCount = 0;
}

void TRollix::DamageNode(int32_t i, float factor) {
    RecordSite(44004);
    if (AcidProof || Level->Boosts->Carries(*this, KindCoat)) return;
    if (IsPlayer && !Dead) Level->Appearance->Ouch(*this);
    if (BurstPending) return;
    Damage += 1.0f - factor;
    DeformPoint(i, factor);
}

void TRollix::AddPoints(int32_t n) {
    RecordSite(44005);
    if (!IsPlayer || Dead || Impaled || n <= 0) return;
    Points = Saturated(int64_t(Points) + n);
}

int32_t TRollix::TotalScore() const {
    const int64_t bonus = std::max<int64_t>(0, int64_t(Level->BonusSeconds) * 10 - FinishTick / 10);
    return Saturated(bonus + Points + Level->Boosts->TreasureValue(*this));
}

void TRollix::StartHiccups(int32_t ticks, bool add, bool controlled) {
    RecordSite(44006);
    if (!(add && HiccupLeft > 0)) {
        HiccupTimer = controlled ? 0 : 300;
        HiccupMax = 0;
    }
    HiccupLeft = Saturated(int64_t(ticks) + (add ? std::max(HiccupLeft, 0) : 0));
    HiccupMax = std::max(HiccupMax, HiccupLeft);
}

void TRollix::Swallow(TVec2 target) {
    SwallowLeft = SwallowTotal = 130;
    SwallowTarget = target;
}

bool TRollix::Overlaps(int32_t layer) {
    RecordSite(44007);
    if (!Manager) return false;
    const bool selfAbsent = Dead && !Present;
    const int32_t n = VertexCount();
    for (const std::unique_ptr<TRollix>& item : Manager->Items) {
        const TRollix& o = *item;
        if (&o == this || o.Layer != layer || !o.SolidForOthers()) continue;
        if (PointInBox(o.Centre, Bounds) || PointInBox(Centre, o.Bounds)) return true;
        if (selfAbsent || n == 0) continue;
        const int32_t m = o.VertexCount();
        for (int32_t i = 0; i < m; ++i) {
            TVec2 a = o.Vertices[size_t(i)].Pos, b = o.Vertices[size_t(WrapIndex(i + 1, m))].Pos;
            for (int32_t k = 0; k < n; ++k) {
                TVec2 p;
                if (SegmentCrossPoint(a, b, Vertices[size_t(k)].Pos, Vertices[size_t(Wrap(k - 1))].Pos, p))
                    return true;
            }
        }
    }
    return false;
}

void TRollix::ReleaseGlue() {
    RecordSite(44008);
    for (TRollixVertex& v : Vertices)
        if (v.Glued) v.GlueStiffness = 0.001f;
}

void TRollix::Impulse(float k) {
    RecordSite(44009);
    TVec2 s;
    for (const TRollixVertex& v : Vertices)
        if (v.Touching) s += Centre - v.Pos;
    for (TRollixVertex& v : Vertices)
        v.Force += (v.Pos - Centre) * (0.7f * k);
    if (s.X != 0.0f && s.Y != 0.0f) {
        s = Normalized(s) * 7.0f;
        Rotate(s, -3.0f * TurnVel);
        AddVelocity(s);
    }
}

void TRollix::TouchEdge(const TCollisionEdge& edge) {
    if (IsPlayer) Level->Boosts->EdgeTouched(*this, edge.Owner);
}

void TRollix::RollingPush() {
    RecordSite(44010);
    if (!Buttons.Left.Held && !Buttons.Right.Held) return;
    float a = float(90.0 * DegToRad);
    if (Buttons.Right.Held) a = -a;
    if (ReverseControls) a = -a;
    const bool turbo = Buttons.Turbo.Held && !Level->NoTurbo;
    for (TRollixVertex& v : Vertices) {
        TVec2 r = Normalized(v.Pos - Centre);
        Rotate(r, a);
        if (turbo) r = r * 3.0f;
        r.X = r.X * RollFactor.Value;
        v.Vel += r * (v.InWater ? v.WaterRoll : v.AirRoll);
    }
}

void TRollix::ReadInput() {
    RecordSite(44011);
    TCharacterLevel& lv = *Level;
    if (lv.Replay && lv.Replay->ReplayPlaying) {
        const int32_t bits = lv.Replay->BitsAt(lv.TickCounter);
        const bool jumpBefore = Buttons.Jump.Held;
        Buttons.Left.Held = (bits & cbLeft) != 0;
        Buttons.Right.Held = (bits & cbRight) != 0;
        Buttons.Turbo.Held = (bits & cbTurbo) != 0;
        Buttons.Jump.Held = (bits & cbJump) != 0;
        Buttons.Jump.Pressed = Buttons.Jump.Held && !jumpBefore;
        Buttons.Jump.Released = jumpBefore && !Buttons.Jump.Held;
        return;
    }
    if (lv.NoPlayerControl || lv.MenuPageOpen) {
        Buttons.Clear();
        ActionUsed = false;
        return;
    }
    const TInputSource& in = *lv.Input;
    auto now = [&](uint16_t key) { return key != 0 && in.KeyDown(key); };
    auto before = [&](uint16_t key) { return key != 0 && in.KeyWasDown(key); };
    const uint8_t jh = lv.JoystickHeld, jp = lv.JoystickPressed, jr = lv.JoystickReleased;
    const bool mouse = !lv.EditorActive;
    const bool enter = lv.OnMenuLevel;

    Buttons.Left.Held = now(KeyLeft) || (jh & cbLeft) || (mouse && in.MouseLeftDown());
    Buttons.Right.Held = now(KeyRight) || (jh & cbRight) || (mouse && in.MouseRightDown());
    Buttons.Turbo.Held = now(KeyTurbo) || (jh & cbTurbo);
    Buttons.Action.Held = now(KeyAction);
    Buttons.Jump.Held = now(KeyJump) || in.WheelDown() || (jh & cbJump) || (enter && in.KeyDown(VkReturn));

    auto edges = [&](uint16_t key, TButton& b, uint8_t bit) {
        b.Pressed = (now(key) && !before(key)) || (jp & bit);
        b.Released = (!now(key) && before(key)) || (jr & bit);
    };
    edges(KeyLeft, Buttons.Left, cbLeft);
    edges(KeyRight, Buttons.Right, cbRight);
    edges(KeyTurbo, Buttons.Turbo, cbTurbo);
    edges(KeyAction, Buttons.Action, 0);
    edges(KeyJump, Buttons.Jump, cbJump);
    if (in.WheelWentDown()) Buttons.Jump.Pressed = true;
    if (enter) {
        if (in.KeyDown(VkReturn) && !in.KeyWasDown(VkReturn)) Buttons.Jump.Pressed = true;
        if (!in.KeyDown(VkReturn) && in.KeyWasDown(VkReturn)) Buttons.Jump.Released = true;
    }
    if (Buttons.Action.Released) ActionUsed = false;
    if (lv.Replay)
        lv.Replay->RecordControls(lv.TickCounter,
                                  (Buttons.Left.Held ? cbLeft : 0) | (Buttons.Right.Held ? cbRight : 0) |
                                      (Buttons.Turbo.Held ? cbTurbo : 0) | (Buttons.Jump.Held ? cbJump : 0));
}

TVec2 TRollix::MouthPoint() const {
    if (Vertices.size() <= 12) return Centre;
    const TVec2 p = Vertices[12].Pos;
    return {Centre.X + 0.45f * (p.X - Centre.X), Centre.Y + 0.45f * (p.Y - Centre.Y)};
}

void TRollix::OxygenStep() {
    RecordSite(44012);
    if (!IsPlayer) return;
    if (HalfInWater) {
        if (Level->Boosts->Carries(*this, KindDiver))
            Oxygen = 6000;
        else
            Oxygen = std::max(Oxygen - 1, 0);
        if (!WasHalfInWater) {
            GurgleTimer = 180 + Random(50);
        } else if (--GurgleTimer < 1) {
            GurgleTimer = 280 + Random(350);
            BubbleTicks = 50 + Random(50);
            Voice(Oxygen > 1000 ? "xRollix\\glo glo.ogg" : "xRollix\\glo glo - topenie sa.ogg");
            Level->Sound->PlayAt("Water\\Rollix bubbles.ogg", Centre, 1.0f, Id);
        }
        if (!Dead && BubbleTicks > 0) {
            if (BubbleTicks % 2 == 1) {
                float r1 = float(RandomFloat()), r2 = float(RandomFloat());
                Level->Waters->EmitBubble(Water, MouthPoint(), {(r1 - 0.5f) * 7.0f, (r2 - 0.5f) * 7.0f});
            }
            BubbleTicks -= 1;
        }
        return;
    }
    if (Oxygen > 0) {
        if (Oxygen < 500)
            Voice("xRollix\\nadych 2.ogg");
        else if (Oxygen < 5600)
            Voice("xRollix\\nadych.ogg");
    }
    Oxygen = 6000;
    BubbleTicks = 0;
}

void TRollix::Tick() {
    RecordSite(44013);
    if (Dead) WaitForRespawn();
    if (Dead && !Present) return;
    TickVoiceAndSounds();
    OverlapWait();
    if (Teleporting && TeleportFade()) return;
    MorphTick();
    if (IsPlayer) IdleFaces();
    if (SwallowLeft >= 1) {
        SwallowStep();
        return;
    }
    StuckCry();
    Hiccups();
    PrevTouchCount = TouchCount;
    TouchCount = 0;
    SetGripAndGlue();
    Level->Boosts->TickEffects(*this);
    AdvanceAnimValues();
    if (Present || !Dead) Stopper();
    BodyTick();
    AfterBody();
}

void TRollix::WaitForRespawn() {
    DeadTicks += 1;
    if (RespawnDelay <= 0 || DeadTicks < RespawnDelay) return;
    Damage = 0.0f;
    BurstPending = false;
    LoadFigure(StartFigure);
    ApplyFigure(true, 1.0f, true);
    PlaceAt(false, StartY, StartX);
    Dead = false;
    Present = true;
    if (PopIn) {
        ScaleBody(false, 0.25f, 0.25f);
        MorphStep(true);
        MorphLeft = MorphLength = 200;
    }
    if (Overlaps(Layer)) {
        Dead = true;
        Present = false;
    } else {
        DeadTicks = 0;
    }
}

void TRollix::TickVoiceAndSounds() {
    Level->Appearance->VoiceTick(*this);
    Level->Appearance->TickSounds(*this);
    if (!IsPlayer && Level->TickCounter % 1000 == 0) ReleaseGlue();
}

void TRollix::OverlapWait() {
    if (OverlapCheck) {
        Layer = SavedLayer;
        if (Overlaps(Layer))
            Layer = Id + 5000;
        else
            OverlapCheck = false;
    } else if (Level->TickCounter % 200 == 0 && Overlaps(Layer)) {
        Layer = Id + 5000;
        OverlapCheck = true;
    }
}

bool TRollix::TeleportFade() {
    TeleportLeft -= 1;
    if (TeleportLeft == TeleportHalf) PlaceAt(false, TeleportTargetY, TeleportTargetX);
    if (TeleportHalf > 0) {
        if (TeleportLeft > TeleportHalf)
            TeleportAlpha = 255 - (510 * TeleportHalf - 255 * TeleportLeft) / TeleportHalf;
        else
            TeleportAlpha = 255 - (255 * TeleportLeft) / TeleportHalf;
    }
    Teleporting = TeleportLeft > 0;
    return Teleporting;
}

void TRollix::MorphTick() {
    if (MorphLeft <= 0) return;
    MorphLeft = std::max(MorphLeft - 1, 0);
    MorphStep(false);
}

void TRollix::IdleFaces() {
    if (++IdleCounter < IdleLimit) return;
    if (IdleLimit > 0) Level->Appearance->PlayFace(*this, Random(4) == 1 ? 53 : 52);
    IdleLimit = 300 + Random(800);
    IdleCounter = 0;
}

void TRollix::SwallowStep() {
    SwallowLeft -= 1;
    ComputeCentre();
    Translate(SwallowTarget.X - Centre.X, SwallowTarget.Y - Centre.Y);
    ComputeCentre();
    RotateAboutCentre(float(-5.0 * DegToRad));
    ShrinkAboutCentre(0.98f);
    Level->Appearance->RebuildSkin(*this);
}

void TRollix::StuckCry() {
    if (Buttons.Left.Held || Buttons.Right.Held) {
        if (GluedCount == GluedAtContact && GluedCount >= 1) {
            if (++StuckTicks == 40) Level->Appearance->PlayFace(*this, 85);
        } else {
            StuckTicks = 0;
        }
    } else {
        StuckTicks = 0;
    }
    if (StuckTicks > 100) {
        ReleaseGlue();
        Voice("xRollix\\uff.ogg");
        StuckTicks = 0;
    }
}

void TRollix::Hiccups() {
    TCharacterLevel& lv = *Level;
    if (lv.Boosts->ControlledHiccup(*this) && HiccupLeft > 0) {
        // Controlled: the jump key arms a jump that fires after 30 ticks, or
        // at once when the body touched something last tick.
        HiccupLeft -= 1;
        if (Buttons.Jump.Pressed) {
            HiccupTimer = 30;
            lv.HintCountA += 1;
            if (GluedCount > 3) lv.HintCountB += 1;
        }
        if (HiccupTimer > 0) {
            HiccupTimer -= 1;
            if (HiccupTimer == 0 || TouchCount > 1) {
                HiccupTimer = 0;
                ReleaseGlue();
                Impulse(-0.5f);
                Voice("xRollix\\hicc.ogg");
            }
        }
    } else if (HiccupLeft > 0) {
        HiccupLeft -= 1;
        HiccupTimer -= 1;
        if (HiccupTimer < 1) {
            Impulse(-0.5f);
            Voice("xRollix\\hicc.ogg");
            HiccupTimer = 150 + Random(70);
        }
    }
}

void TRollix::SetGripAndGlue() {
    TCharacterLevel& lv = *Level;
    Grip = GripBase;
    Glue = GlueBase;
    const float d = lv.Particles->WeatherDensity(), k = lv.Particles->WeatherGrip();
    if (d > 0.0f && k > GripBase) Grip = GripBase + d * (k - GripBase);
    Grip = std::max(Grip, lv.Boosts->StrongestGrip(*this));
    Glue = std::max(Glue, lv.Boosts->StrongestGlue(*this));
}

void TRollix::AdvanceAnimValues() {
    CameraAngle.Advance();
    GravityAngle.Advance();
    RebuildGravity();
    DisplayValues[0].Advance();
    DisplayValues[1].Advance();
    RollFactor.Advance();
    MagnetValue.Advance();
}

void TRollix::Stopper() {
    if (BrakeRamp.Left > 0) {
        ScaleVelocity(1.0f - 1.0f / float(BrakeRamp.Left));
        BrakeRamp.Advance();
        if (BrakeRamp.Left == 0) FreezeRamp.Start(false, FreezeTicks, 0.0f);
    }
    if (FreezeRamp.Left > 0) {
        ScaleVelocity(0.0f);
        FreezeRamp.Advance();
        if (FreezeCancelable && (Buttons.Left.Pressed || Buttons.Right.Pressed || Buttons.Jump.Pressed))
            FreezeRamp.Left = 0;
    }
}

void TRollix::AfterBody() {
    TCharacterLevel& lv = *Level;
    lv.Boosts->EndTickEffects(*this);
    if (IsPlayer) {
        const float gate = lv.Boosts->NearestGateDistance(Centre);
        if (gate != -1.0f && gate < 300.0f) lv.NearGate = true;
    }
    if (IsPlayer && !Dead) {
        ReadInput();
        RollingPush();
    }
    lv.Appearance->RebuildSkin(*this);
    lv.Appearance->BeanVoices(*this);
}

void TRollix::LoadRecord(TByteReader& s) {
    RecordSite(44014);
    StartFigure = s.ReadInt32();
    // A damaged start that is no number places the character at the origin.
    StartX = s.ReadFiniteFloat32(0.0f);
    StartY = s.ReadFiniteFloat32(0.0f);
    for (uint8_t& c : Colour)
        c = s.ReadByte();
    IsPlayer = s.ReadByte() != 0;
    s.ReadByte();
    s.ReadByte();
    AltLayerBase = AltLayer = s.ReadInt32();
    LayerBase = Layer = s.ReadInt32();
    GripBase = Clamp01(s.ReadFloat32());
    GlueBase = Clamp01(s.ReadFloat32());
    AcidProof = AcidProofBase = s.ReadByte() != 0;
    RespawnDelay = s.ReadInt32();
    PopIn = s.ReadByte() != 0;
    MeshStyle = s.ReadByte() != 0;
    IgnoresWind = s.ReadByte() == 0;
    HasRecordMaterial = s.ReadByte() != 0;
    if (HasRecordMaterial) Figure->Material->Read(s);
    HasRollSounds = s.ReadInt16() == RollSoundMarker;
    if (HasRollSounds) {
        for (TRollSound& r : RollSounds) {
            r.Sound = s.ReadInt32();
            r.SpeedLow = s.ReadFloat32();
            r.SpeedHigh = s.ReadFloat32();
            r.VolumeLow = s.ReadFloat32();
            r.VolumeHigh = s.ReadFloat32();
            r.PitchLow = s.ReadFloat32();
            r.PitchHigh = s.ReadFloat32();
            r.IntervalFast = s.ReadInt32();
            r.IntervalRest = s.ReadInt32();
        }
        s.Skip(4);
    }
    s.Skip(41);
}

void TRollix::WriteRecord(TByteWriter& w) const {
    RecordSite(44015);
    w.WriteInt32(StartFigure);
    w.WriteFloat32(StartX);
    w.WriteFloat32(StartY);
    for (uint8_t c : Colour)
        w.WriteByte(c);
    w.WriteByte(IsPlayer ? 1 : 0);
    w.WriteByte(0);
    w.WriteByte(0);
    w.WriteInt32(AltLayerBase);
    w.WriteInt32(LayerBase);
    w.WriteFloat32(GripBase);
    w.WriteFloat32(GlueBase);
    w.WriteByte(AcidProofBase ? 1 : 0);
    w.WriteInt32(RespawnDelay);
    w.WriteByte(PopIn ? 1 : 0);
    w.WriteByte(MeshStyle ? 1 : 0);
    w.WriteByte(IgnoresWind ? 0 : 1);
    w.WriteByte(HasRecordMaterial ? 1 : 0);
    if (HasRecordMaterial) Figure->Material->Write(w);
    w.WriteInt16(HasRollSounds ? RollSoundMarker : 0);
    if (HasRollSounds) {
        for (const TRollSound& r : RollSounds) {
            w.WriteInt32(r.Sound);
            w.WriteFloat32(r.SpeedLow);
            w.WriteFloat32(r.SpeedHigh);
            w.WriteFloat32(r.VolumeLow);
            w.WriteFloat32(r.VolumeHigh);
            w.WriteFloat32(r.PitchLow);
            w.WriteFloat32(r.PitchHigh);
            w.WriteInt32(r.IntervalFast);
            w.WriteInt32(r.IntervalRest);
        }
        w.Pad(4);
    }
    w.Pad(41);
}

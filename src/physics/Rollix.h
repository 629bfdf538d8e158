// One character: a soft ring of nodes held in shape by springs toward a rest
// figure, with its life cycle, controls, timed effects, oxygen and damage.
#pragma once

#include "physics/BoostHooks.h"
#include "physics/Figure.h"
#include "physics/VecMath.h"

#include <cstdint>
#include <memory>
#include <vector>

class TByteReader;
class TByteWriter;
class TWater;
class TRollixsMan;
struct TCharacterLevel;
struct TCollisionEdge;

// A value that moves from one number to another over a number of ticks.
struct TAnimValue {
    float Value = 0.0f;
    float From = 0.0f;
    float To = 0.0f;
    int32_t Left = 0;
    int32_t Total = 0; // negative: frozen

    void Start(bool add, int32_t ticks, float x);
    void Advance();
    void Clear() { *this = TAnimValue{}; }
};

struct TRollixVertex {
    TVec2 Pos;
    TVec2 PrevPos;
    TVec2 Force;
    TVec2 Vel;
    TVec2 TexCoord;
    bool InWater = false;
    bool WasInWater = false;
    TWater* Water = nullptr;
    float Angle = 0.0f;
    bool Glued = false;
    TVec2 GlueAnchor;
    float GlueNormalY = 0.0f;
    float GlueNormalX = 0.0f;
    float GlueMaxLength = 0.0f;
    float GlueStiffness = 0.0f;
    int32_t GlueEdge = 0;
    float GlueEdgeT[2] = {0.0f, 0.0f};
    int32_t AcidTimer = 0;
    bool Touching = false;
    bool WasTouching = false;
    bool TouchingBody = false;
    bool WasTouchingBody = false;
    int32_t NextVertex = 0;
    int32_t PrevVertex = 0;
    int32_t Index = 0;
    TVec2 WaterGravity;
    TVec2 AirGravity;
    float AirGravityFactor = 0.0f;
    float WaterGravityFactor = 0.0f;
    float AirFriction = 0.0f;
    float WaterFriction = 0.0f;
    float AirRoll = 0.0f;
    float WaterRoll = 0.0f;
};

// Roll-sound settings of one kind of body, as the level file stores them.
// The defaults are the rubber body's. Between the low and the high spin
// speed the sound grows louder and higher and comes more often.
struct TRollSound {
    int32_t Sound = 0; // the placed level sound whose sample and settings are used
    float SpeedLow = 5.0f, SpeedHigh = 80.0f;
    float VolumeLow = 0.0f, VolumeHigh = 100.0f;  // percent
    float PitchLow = 80.0f, PitchHigh = 120.0f;   // percent
    int32_t IntervalFast = 10, IntervalRest = 70; // ticks between sounds
};

// One control of the character in this tick: held down, gone down, gone up.
struct TButton {
    bool Held = false;
    bool Pressed = false;
    bool Released = false;
};

// The character's five controls.
struct TButtonState {
    TButton Left, Right, Turbo, Action, Jump;
    void Clear() { *this = TButtonState{}; }
};

class TRollix {
  public:
    TRollix(TCharacterLevel* level, int32_t id, int32_t figureNumber, TRollixsMan* manager);
    TRollix(const TRollix&) = delete;
    TRollix& operator=(const TRollix&) = delete;

    // ---- Body state ----
    std::vector<TRollixVertex> Vertices;
    // Live springs: row i holds node i's pair toward every node (N × N).
    std::vector<TPairRecord> Pairs;
    std::unique_ptr<TMubFigure> Figure;
    int32_t MaterialKind = 0;
    float Elasticity = 0.0f;
    float Settling = 0.0f;
    float SizeFactor = 1.0f;
    TVec2 Centre, PrevCentre, CentreVel;
    TVec2 TexCentre;
    float Turn = 0.0f, PrevTurn = 0.0f, TurnVel = 0.0f;
    TBox2 Bounds;
    int32_t GluedCount = 0;
    int32_t GluedAtContact = 0;
    int32_t GlueTorn = 0;
    int32_t MorphLeft = 0;
    int32_t MorphLength = 0;

    // ---- Character state ----
    int32_t Id = 0;
    int32_t BodyTexture = -1;
    int32_t ShownTexture = -1;
    int32_t Points = 0;
    int32_t BodyTextureIndex = -1;
    bool TextureChanged = false;
    TCharacterLevel* Level = nullptr;
    TRollixsMan* Manager = nullptr;
    int32_t FinishTick = 0;
    float Damage = 0.0f;
    bool BurstPending = false;
    int32_t Oxygen = 6000;
    int32_t GurgleTimer = 0;
    int32_t BubbleTicks = 0;
    bool IsPlayer = false;
    bool Dead = false;
    bool Present = true;
    int32_t DeadTicks = 0;
    int32_t RespawnDelay = 0;
    bool PopIn = false;
    int32_t SwallowLeft = 0;
    int32_t SwallowTotal = 0;
    TVec2 SwallowTarget;
    bool Teleporting = false;
    int32_t TeleportLeft = 0;
    int32_t TeleportHalf = 0;
    int32_t TeleportAlpha = 255;
    float TeleportTargetY = 0.0f;
    float TeleportTargetX = 0.0f;
    bool Impaled = false;
    bool WindTouched = false;
    bool Listed = true;
    int32_t LayerBase = 1, AltLayerBase = 0;
    int32_t Layer = 1, AltLayer = 0;
    bool OverlapCheck = false;
    int32_t SavedLayer = 1;
    float Grip = 0.0f, Glue = 0.0f, GripBase = 0.0f, GlueBase = 0.0f;
    bool IgnoresWind = false;
    uint8_t Colour[4] = {255, 255, 255, 255};
    uint16_t KeyLeft = 0, KeyRight = 0, KeyTurbo = 0, KeyAction = 0, KeyJump = 0;
    TButtonState Buttons;
    bool ActionUsed = false;
    TAnimValue CameraAngle;
    TAnimValue GravityAngle;
    TAnimValue DisplayValues[2];
    TAnimValue RollFactor;
    TAnimValue MagnetValue;
    TAnimValue BrakeRamp;
    TAnimValue FreezeRamp;
    int32_t FreezeTicks = 0;
    bool FreezeCancelable = false;
    int32_t HiccupLeft = 0;
    int32_t HiccupTimer = 300;
    int32_t HiccupMax = 0;
    bool ReverseControls = false;
    bool AcidProof = false;
    bool AcidProofBase = false; // the level file's value, restored by Reset
    int32_t FigureNumber = 1;
    bool MeshStyle = false;
    int32_t StartFigure = 1;
    float StartX = 0.0f, StartY = 0.0f;
    // The effects of the boosts it took (none until it takes one).
    std::unique_ptr<TCarriedEffects> Carried;
    std::vector<int32_t> Items;
    int32_t SplashParticles = 0;
    int32_t SplashSoundTimer = 0;
    int32_t GlueTearTimer = 0;
    int32_t StuckTicks = 0;
    float DepthBelowSurface = 0.0f;
    int32_t TouchCount = 0, PrevTouchCount = 0;
    int32_t InWaterCount = 0;
    bool AllInWater = false, HalfInWater = false, WasHalfInWater = false, AnyInWater = false;
    bool InAcid = false;
    TWater* Water = nullptr;
    int32_t IdleCounter = 0;
    int32_t IdleLimit = 0;
    // The level file's material of the figure and its roll-sound settings.
    bool HasRecordMaterial = false;
    bool HasRollSounds = false;
    // For rubber-like bodies, balloons and water bodies.
    TRollSound RollSounds[3] = {{}, {.SpeedHigh = 40.0f}, {.SpeedHigh = 60.0f}};

    // ---- Body operations ----
    int32_t VertexCount() const { return int32_t(Vertices.size()); }
    TPairRecord& Pair(int32_t i, int32_t j) { return Pairs[size_t(i) * Vertices.size() + size_t(j)]; }
    const TPairRecord& Pair(int32_t i, int32_t j) const {
        return Pairs[size_t(i) * Vertices.size() + size_t(j)];
    }

    void SetMaterial(int32_t kind);
    void ResizeVertices(int32_t n);
    void ApplyFigure(bool loadTexture, float lerp, bool forceReset);
    void ResetPairs(bool keepLengths);
    float PairStiffness(float length) const;
    void PlaceAt(bool setStart, float y, float x);
    void ScaleBody(bool toFigure, float sx, float sy);
    void MorphStep(bool start);
    void DeformPoint(int32_t i, float factor);
    void ComputeCentre();
    void EstimateTurn();
    void ComputeBounds();
    // The point lies inside the ring of nodes (its bounds first, then the
    // crossings of a ray to the right).
    bool Encloses(TVec2 p) const;
    void RebuildGravity();
    void BodyTick();
    // The spring pass of one tick (step 6 of the body tick).
    void SpringStep();
    void GravityAndFriction();
    void GlueStep();
    void RollingPush();

    void AddVelocity(TVec2 v);
    void AddRandomVelocity(float k, float vx, float vy);
    void ScaleVelocity(float f);
    void Translate(float dx, float dy);
    void RotateAboutCentre(float a);
    void ShrinkAboutCentre(float f);
    // Mean |node − centre| in X plus in Y (0 without nodes).
    float SqueezeMeasure() const;

    // ---- Contacts ----
    void MoveNode(int32_t i, TVec2& d);
    bool FindContact(TVec2 from, TVec2 to, TVec2& hit, const TCollisionEdge*& edge);
    TRollix* NeighbourCrossesBody(const TRollixVertex& neighbour, TVec2 newPos, const TRollixVertex& node,
                                  bool pushFlag);
    bool CrossesOutline(TVec2 from, TVec2 to, TVec2& point);
    bool SegmentCrossesOutline(TVec2 from, TVec2 to, int32_t& edgeIndex) const;
    // A push turned by the ground-reaction formula, added to every node.
    void PushBody(TVec2 push);
    void GroundReaction(int32_t j);
    // GroundReaction of every touching node, in index order (after each node move).
    void ReactTouchingNodes();
    void OutlineCheck();
    // A body is solid for others unless it is dead and absent.
    bool SolidForOthers() const { return !(Dead && !Present); }

    // ---- Character operations ----
    void Tick();
    void LoadFigure(int32_t n);
    void Reset();
    void DamageNode(int32_t i, float factor);
    void AddPoints(int32_t n);
    int32_t TotalScore() const;
    void StartHiccups(int32_t ticks, bool add, bool controlled);
    void Swallow(TVec2 target);
    bool Overlaps(int32_t layer);
    void ReleaseGlue();
    void Impulse(float k);
    void TouchEdge(const TCollisionEdge& edge);
    void LoadRecord(TByteReader& s);
    void WriteRecord(TByteWriter& w) const;
    void ReadInput();
    void OxygenStep();
    // Where the breath comes out: part way from the centre toward node 12
    // (the centre itself in a body of twelve nodes or fewer).
    TVec2 MouthPoint() const;
    void Voice(const char* name);

  private:
    // ---- Steps of the character's tick, in the order Tick runs them ----
    // A dead character comes back at its start once its delay has passed
    // and the place is free.
    void WaitForRespawn();
    // Voice and body sounds; a creature lets go of its glue now and then.
    void TickVoiceAndSounds();
    // Keeps the body in a layer of its own while it overlaps another body.
    void OverlapWait();
    // True while the fade goes on: the tick ends there.
    bool TeleportFade();
    // One step of a running morph.
    void MorphTick();
    void IdleFaces();
    // Draws the body into its swallower instead of moving it.
    void SwallowStep();
    // A body that pushes in vain against glue complains and finally tears free.
    void StuckCry();
    void Hiccups();
    // This tick's grip and glue: the base, rain and the carried effects.
    void SetGripAndGlue();
    void AdvanceAnimValues();
    // The brake, then the freeze, of the stopper effect.
    void Stopper();
    // Effects' end of tick, the gate nearby, controls and the rolling push,
    // the skin and the bean voices.
    void AfterBody();

    int32_t Wrap(int32_t i) const;
    // Ground-reaction shortcut state of the running pass: per component, no
    // velocity holds −0 any more.
    bool InReactionPass = false;
    bool ShortcutClean[2] = {false, false};
};

// Whether the ground reaction skips adds that cannot change any velocity.
// Both settings give identical states; tests compare them.
extern bool GroundReactionShortcut;

// True modulo: the result lies in 0 … n − 1 for any i (0 when n ≤ 0).
inline int32_t WrapIndex(int32_t i, int32_t n) {
    if (n <= 0) return 0;
    int32_t r = i % n;
    return r < 0 ? r + n : r;
}

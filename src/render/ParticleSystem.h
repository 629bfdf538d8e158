// Particle systems: a fixed pool of particles with three exchangeable parts,
// an emitter that creates them, a player that moves them every step and a
// renderer that draws them. The rain (Rain.h) and the drop systems
// (DropEmitter.h) are the two families. What a system needs of its level
// (terrain, water, characters, sounds) it asks through TParticleWorld, whose
// defaults describe an empty world, so systems run headless on their own.
//
// The rain record is read and written here; references the level resolves
// (textures by name, placed sounds by id, quests by name) are kept as stored.
#pragma once

#include "physics/VecMath.h"
#include "render/RenderContext.h"
#include "world/Material.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;
class TFragments;
class TMesh;
class TMyTexture;
class TParticleSystem;
class TDrops_Emiter;
class TWaterArea;

// One particle of a pool. Particle time counts in the units handed to Tick
// (milliseconds of game time).
struct TParticle {
    // The alive list (Next also links the free list).
    TParticle* Prev = nullptr;
    TParticle* Next = nullptr;
    TVec2 Position;
    TVec2 Velocity;    // units per move
    float Size = 0.0f; // half extent of the drawn quad
    uint8_t CanSplash = 0;
    TColor4 Colour;
    int32_t FirstStep = 0;
    // Contacts survived before the particle is freed; 255 = unlimited.
    uint8_t ContactsLeft = 0;
    uint8_t FadeOutStep = 0;
    uint8_t FadeInStep = 0;
    uint8_t HitsCharacters = 0;
    // While at least 1 the particle cannot hit characters.
    int8_t HitGuard = 0;
    float PushFactor = 0.0f;
    float CarryFactor = 0.0f;
    float BounceBack = 0.0f;
    float DentStrength = 0.0f;
    uint8_t BounceSoundDone = 0;
    uint8_t WaterSoundDone = 0;
    uint8_t ContactSoundDone = 0;
    int32_t SteerCursor = 0;
    int32_t SpeedCursor = 0;
};

constexpr uint8_t UnlimitedContacts = 255;

// The turn (for Rotate) that sends a reversed velocity off a surface whose
// normal has the angle atan2(normal.x, normal.y): the incoming direction
// mirrored about the normal, so the particle leaves the surface.
float BounceTurn(TVec2 reversed, float normalAngle);

// The pool: Capacity particles allocated once, an intrusive free list and an
// alive list with the newest particle at its head.
class TParticles {
  public:
    explicit TParticles(int32_t capacity);
    virtual ~TParticles() = default;
    TParticles(const TParticles&) = delete;
    TParticles& operator=(const TParticles&) = delete;

    int32_t Capacity = 0;
    int32_t AliveCount = 0;
    int32_t EmittedThisTick = 0;

    TParticle* AliveHead() const { return Alive; }
    // A free particle moved to the head of the alive list, its sound flags
    // cleared. A full pool hands out its newest particle again, unchanged;
    // a pool of no particles hands out none.
    TParticle* Take();
    // Back to the free list; returns the particle that followed it, so that
    // a loop over the alive list goes on with it.
    TParticle* Free(TParticle* p);
    void FreeAll();

  private:
    std::vector<TParticle> Pool;
    TParticle* FreeHead = nullptr;
    TParticle* Alive = nullptr;
};

// Where particles start on a mesh, and whether an emitter may emit at all.
struct TEmissionSource {
    bool Emit = true;
    const TMesh* Mesh = nullptr;
};

// How a wind pushes a system's particles.
enum class TWindPush { None, All, OutsideGoalBox };

// What the particle systems ask of their level.
class TParticleWorld {
  public:
    virtual ~TParticleWorld() = default;

    // ---- Space ----
    // The edge grid particles bounce off; none: no terrain anywhere.
    virtual const TFragments* Grid() const { return nullptr; }
    // The rain falls around this point: the first character's centre, or
    // the camera point while there is no character.
    virtual TVec2 ViewCentre() const { return {}; }
    virtual float LayerParallax(int32_t /*layer*/) const { return 1.0f; }

    // ---- Characters (indices into the level's character list) ----
    virtual int32_t CharacterCount() const { return 0; }
    virtual bool CharacterCentre(int32_t /*index*/, TVec2& /*centre*/) const { return false; }
    virtual bool CharacterDead(int32_t /*index*/) const { return false; }
    // The first character's score, for emitters driven by it.
    virtual int32_t PlayerPoints() const { return 0; }
    // The characters' particle test, in list order: true when one of them was
    // hit (it has been dented and pushed, and the particle bounced off).
    virtual bool HitCharacters(TParticle& /*p*/) { return false; }

    // ---- Water ----
    virtual TWaterArea* WaterAt(TVec2 p) const;
    // The drop system a water throws its splashes into; none: no splashes.
    virtual TParticleSystem* WaterSplashes(TWaterArea* /*water*/) { return nullptr; }
    virtual void EmitBubble(TWaterArea* /*water*/, TVec2 /*at*/, TVec2 /*velocity*/) {}
    virtual void DisturbWater(TWaterArea* /*water*/, float /*strength*/, float /*x*/) {}
    virtual void WaterSplashColours(TWaterArea* /*water*/, TColor4& /*start*/, TColor4& /*end*/) const {}
    // The level's first effect drop system: rain drops splash into it.
    virtual TParticleSystem* SplashDrops() { return nullptr; }

    // ---- What placed emitters ask about their links ----
    // The centre of the bound shape's body box; false without a shape.
    virtual bool ShapeCentre(const TDrops_Emiter& /*e*/, TVec2& /*centre*/) const { return false; }
    // False while the shape's boost holds a cycling emitter back.
    virtual bool CyclingGate(const TDrops_Emiter& /*e*/) const { return true; }
    // True while a wind, an animation, a quest or the shape's visibility
    // holds the emitter back.
    virtual bool EmissionBlocked(const TDrops_Emiter& /*e*/) const { return false; }
    // The mesh particles start on (none: along the emitter's segment).
    virtual TEmissionSource EmissionMesh(const TDrops_Emiter& /*e*/) const { return {}; }
    // The vertical speed of the water surface point a NearWater emitter
    // follows; false while no such point is found.
    virtual bool NearWaterSpeed(TDrops_Emiter& /*e*/, float& /*speed*/) { return false; }

    // ---- Sounds and captions ----
    // A particle or emitter sound; an empty name plays nothing. followCharacter
    // is a list index or −1.
    virtual void PlaySound(const std::string& /*name*/, int32_t /*placedId*/, TVec2 /*at*/, bool /*wobble*/,
                           int32_t /*followCharacter*/) {}
    // A hidden hint at a point; returns its serial (0: none).
    virtual int32_t AddXHint(const std::u16string& /*text*/, TVec2 /*at*/, int32_t /*hold*/,
                             TColor4 /*colour*/) {
        return 0;
    }

    // ---- Drawing ----
    virtual void ApplyLights(int32_t /*layer*/) {}
    virtual void DrawXHint(int32_t /*serial*/) {}
};

// The world of a system no level has taken: nothing to hit, no water.
TParticleWorld& EmptyParticleWorld();

// The emitter of a system: what every emitter keeps, up to its cycling
// state. Links to level objects are the indices the file stores (−1: none;
// the shape index counts from 1, 0: none); the level resolves them.
class TParticleSystem_Emiter {
  public:
    explicit TParticleSystem_Emiter(TParticleSystem* system);
    virtual ~TParticleSystem_Emiter() = default;

    TColor4 StartColour = {50, 50, 255, 255};
    TColor4 EndColour = {150, 150, 255, 255};
    // The start colour again and the channel differences end − start.
    TColor4 ColourBase = {50, 50, 255, 255};
    std::array<int32_t, 4> ColourDiff = {100, 100, 0, 0};
    TParticleSystem* System = nullptr;
    uint8_t FollowCarrier = 0;
    uint8_t CarrierCopy = 0;
    int32_t BurstCount = 0;
    int32_t Interval = 10;
    int32_t IntervalRandom = 10;
    int32_t NextEmission = 0;
    TVec2 Position;
    TVec2 Span;
    TVec2 StartVelocity;
    uint8_t TerrainCollision = 1;
    uint8_t CollisionNow = 1;
    int32_t BoostIndex = -1;
    int32_t WindIndex = -1;
    uint8_t OwnWindOnly = 0;
    uint8_t PlayerWinds = 1;
    int32_t CharacterIndex = -1;
    int32_t ShapeIndex = 0;
    uint8_t DrawBehind = 0;
    uint8_t EmissionMode = 0;
    uint8_t FireOnShow = 0;
    uint8_t FireOnHide = 0;
    uint8_t CarriedOff = 0;
    uint8_t CarriedOn = 0;
    uint8_t StateOff = 0;
    uint8_t StateOn = 0;
    uint8_t FireOnLightUp = 0;
    uint8_t FireAtStart = 0;
    float ActivationDistance = 0.0f;
    uint8_t FireOnEffectEnd = 0;
    uint8_t FireOnDeath = 0;
    uint8_t WhileAnimation = 0;
    // The source system, linked by the level's drop list from SourceIndex.
    TParticleSystem* Source = nullptr;
    int32_t SourceIndex = -1;
    uint8_t Cycling = 0;
    uint8_t StartsOff = 0;
    int32_t OnMin = 0;
    int32_t OnRange = 0;
    int32_t OffMin = 0;
    int32_t OffRange = 0;
    int32_t InitialPhase = 0;
    int32_t CycleTimer = 0;
    int32_t PhaseLength = 0;
    uint8_t CycleState = 0;

    void SetColours(TColor4 start, TColor4 end);

    // flag is set for the restart at level start, clear when a shape, boost
    // or quest triggers the emitter.
    virtual void Restart(bool flag);
    virtual void Tick(int32_t /*ticks*/) {}
    // Takes n particles from the pool; returns the first one taken (none
    // when the pool has no particles or n < 1).
    virtual TParticle* Emit(int32_t n);
    // A burst; emitters without bursts have none.
    virtual void Fire() {}
    // Half of the widest particle, added round the system's bounds.
    virtual float BoundsMargin() const { return 0.0f; }

    // The character the stored index names in a list of count characters:
    // beyond the last reads as the last; −1 when none is named or the list is empty.
    int32_t CharacterSlot(int32_t count) const;
    // Whether and how a wind pushes this system: windIndex is the wind's
    // place in the level's list, followsPlayer its switch.
    TWindPush WindPush(int32_t windIndex, bool followsPlayer) const;
    // Drops every link to other level objects (before the level goes).
    void Unbind();
};

class TParticleSystem_Player {
  public:
    explicit TParticleSystem_Player(TParticleSystem* system) : System(system) {}
    virtual ~TParticleSystem_Player() = default;
    TParticleSystem* System = nullptr;
    virtual void Move(int32_t /*ticks*/) {}
};

class TParticleSystem_Renderer {
  public:
    explicit TParticleSystem_Renderer(TParticleSystem* system) : System(system) {}
    virtual ~TParticleSystem_Renderer() = default;
    TParticleSystem* System = nullptr;
    // Draws the particles within the view box; returns the triangles drawn.
    virtual int32_t Draw(const TBox2& /*view*/) const { return 0; }
};

class TParticleSystem : public TParticles {
  public:
    // A system with no parts: the factories give it its family's.
    explicit TParticleSystem(int32_t capacity);
    ~TParticleSystem() override;

    // The level this system works in; never null.
    TParticleWorld* World = &EmptyParticleWorld();
    // The texture as named in a record (empty: the system's default) and
    // the library entry it names, when the library has it.
    std::string TextureName;
    TMyTexture* Texture = nullptr;

    // Set by the level from the layer's parallax: exactly 1 collides.
    uint8_t InPlayLayer = 0;
    int32_t Layer = 0;
    int32_t Limit = 0;
    int32_t TargetCount = 0;
    std::unique_ptr<TParticleSystem_Emiter> Emitter;
    std::unique_ptr<TParticleSystem_Player> Player;
    std::unique_ptr<TParticleSystem_Renderer> Renderer;
    int32_t Clock = 0;
    float Gravity = 1.0f / 310.0f;
    float WindFactor = 0.0f;
    std::string BounceSound;
    std::string WaterSound;
    std::string ContactSound;
    std::string EmitSound;
    // Ids of the placed level sounds that govern the four sounds.
    int32_t BounceSoundId = 0;
    int32_t WaterSoundId = 0;
    int32_t ContactSoundId = 0;
    int32_t EmitSoundId = 0;
    // Read with the rain record and kept; no effect on play.
    std::array<float, 2> RainKept = {0.0f, 0.0f};
    std::string CollisionQuest;
    std::string ReleaseQuest;
    int32_t StoredFadeStart = 0;
    int32_t StoredFadeLength = 0;
    float RainWind = 0.0f;
    // The second float32 of the rain wind pair, kept; no effect on play.
    float RainWindKept = 0.0f;
    int32_t StartCount = 0;
    int32_t EndCount = 0;
    int32_t FadeStart = 0;
    int32_t FadeLength = 0;
    uint8_t WindBox = 0;
    TBox2 GoalBox;
    int32_t GoalCount = 0;
    TColor4 Colour = {255, 255, 255, 255};
    TColor4 SplashColour = {0, 0, 0, 0};
    TMaterial Material = DefaultBaseMaterial();
    // Whether the last record read held a material record (written back so).
    bool MaterialStored = false;
    float Intensity = 0.0f;
    int32_t CaptionSerial = 0;
    std::u16string Caption;
    int32_t CaptionHold = 0;
    TColor4 CaptionColour = {255, 255, 255, 255};
    uint8_t CaptionOnFire = 0;

    // One step: the clock advances, the emitter emits, the player moves.
    void Tick(int32_t ticks);
    int32_t Draw(const TBox2& view) const;
    // Back to the start: no particles, the stored transition, the emitter
    // restarted.
    void Restart(bool flag);
    // The wanted count at once (at most Limit).
    void SetCount(int32_t n);
    // From the alive count to target (at most Limit) over length ticks.
    void Fade(int32_t target, int32_t length);
    // The box round the alive particles (see the rules in the .cpp).
    TBox2 Bounds() const;
    // The alive particle nearest to the point; false when there is none.
    bool NearestParticle(TVec2 point, TVec2& position) const;
    // Alive particles strictly inside GoalBox.
    int32_t GoalBoxCount() const;

    // The rain record. False when it is cut short.
    bool Load(TByteReader& in);
    void Write(TByteWriter& out) const;
};

void ReadColour(TByteReader& in, TColor4& c);
void WriteColour(TByteWriter& out, TColor4 c);

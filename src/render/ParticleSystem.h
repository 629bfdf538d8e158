// A particle system's settings as a level file stores them: the rain record,
// and the system fields the drop emitter records fill (DropEmitter.h). The
// pool, emission, movement and drawing come later; references the level
// resolves (textures by name, placed sounds by id, quests by name) are kept
// as stored.
#pragma once

#include "physics/VecMath.h"
#include "render/RenderContext.h"
#include "world/Material.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class TByteReader;
class TByteWriter;
class TMyTexture;
class TParticleSystem;

// What every emitter keeps, up to its cycling state. Links to level objects
// are the indices the file stores (−1: none; the shape index counts from 1,
// 0: none); the level binds them.
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
};

class TParticleSystem {
  public:
    explicit TParticleSystem(int32_t capacity);

    // The pool's size and counters.
    int32_t Capacity = 0;
    int32_t AliveCount = 0;
    int32_t EmittedThisTick = 0;
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

    // The rain record. False when it is cut short.
    bool Load(TByteReader& in);
    void Write(TByteWriter& out) const;
};

void ReadColour(TByteReader& in, TColor4& c);
void WriteColour(TByteWriter& out, TColor4 c);

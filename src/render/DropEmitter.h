// Drop systems: drips, sparks, bubbles, puffs and collectibles. The emitter
// places particles along a segment, on a mesh or on another system's
// particles; the player moves them under gravity along the steering and
// speed tracks, bounces them off the terrain, splashes them into water and
// lets them hit characters; the renderer draws one quad each. Also the record
// the level file stores for each placed emitter, with the list that holds them.
#pragma once

#include "render/ParticleSystem.h"

#include <memory>
#include <vector>

class TDrops_Emiter : public TParticleSystem_Emiter {
  public:
    // Holds the values a new drop system starts with.
    explicit TDrops_Emiter(TParticleSystem* system);

    uint8_t SteerTrack = 0;
    uint8_t RandomSteerStart = 0;
    uint8_t SpeedTrack = 0;
    uint8_t DrawStyle = 0;
    float SpeedSpread = 0.0f;
    float SpreadAngle = 0.5f;
    float SizeMax = 8.0f;
    float SizeMin = 4.0f;
    float SizeChange = 0.0f;
    uint8_t NearWater = 0;
    float WaterImpact = 10.0f;
    float PushFactor = 0.001f;
    float CarryFactor = 0.0f;
    float BounceBack = 0.3f;
    float HitChance = 0.0f;
    int32_t Contacts = 2;
    float BounceLoss = 0.6f;
    float BounceMin = 0.0f;
    float BounceMax = 30.0f;
    float DentStrength = 0.0f;
    uint8_t FadeOutStep = 0;
    uint8_t FadeInStep = 0;
    float VelocityFactor = 1.0f;
    // Read after the record's last marker and kept; no effect on play.
    float LastMarkerValue = 0.0f;
    uint8_t RateMode = 0;
    float RateStart = 0.0f;
    float Rate = 0.0f;
    // Working values of NearWater.
    int32_t WaterPointIndex = -1;
    int32_t CurrentInterval = 0;
    int32_t CurrentIntervalRandom = 0;
    float SpeedBonus = 0.0f;

    // The drop emitter record, into this emitter and its system. False when
    // it is cut short; the fields read before stay.
    bool Load(TByteReader& in);
    void Write(TByteWriter& out) const;

    void Restart(bool flag) override;
    void Tick(int32_t ticks) override;
    // Emits n particles (with a source: n for every alive source particle);
    // returns the newest, none when nothing was emitted.
    TParticle* Emit(int32_t n) override;
    void Fire() override;
    float BoundsMargin() const override { return SizeMax; }

    // The settings a carried copy or a new system takes from its template:
    // not the position, the links, the emission sound, the placed sounds,
    // the goal box, the layer, NearWater, FireAtStart, FollowCarrier or the
    // source index.
    void CopySettings(const TParticleSystem& source);

  private:
    // Positions of the source's particles, reused between emissions.
    std::vector<TVec2> SourcePoints;
    void InitParticle(TParticle& p, TVec2 position, const TMesh* mesh, int32_t hitGuard);
    void StartPhase(bool on);
    void PlayEmitSound();
};

class TDrops_Player : public TParticleSystem_Player {
  public:
    using TParticleSystem_Player::TParticleSystem_Player;
    void Move(int32_t ticks) override;
};

class TDrops_Renderer : public TParticleSystem_Renderer {
  public:
    using TParticleSystem_Renderer::TParticleSystem_Renderer;
    int32_t Draw(const TBox2& view) const override;
};

// A drop system of capacity 1024 with the library's drop texture and a new
// drop emitter; with a template, the emitter takes its settings.
std::unique_ptr<TParticleSystem> CreateDropSystem(const TParticleSystem* templ = nullptr);

// Bytes of the shortest drop emitter record (its first marker not "d").
constexpr int32_t MinDropRecordSize = 73;

// The level's placed drop systems: int32 count d, then d records. Each
// emitter whose stored SourceIndex k satisfies 0 ≤ k < d takes system k as
// its Source. False on a damaged list (a count below 0 or beyond what the
// bytes left can hold, or a record cut short): the systems read before are
// kept, linked among themselves.
bool ReadDropSystems(TByteReader& in, std::vector<std::unique_ptr<TParticleSystem>>& systems);
void WriteDropSystems(TByteWriter& out, const std::vector<std::unique_ptr<TParticleSystem>>& systems);

// Placed drop emitters: the emitter settings of a drop particle system and
// the record the level file stores for each, with the list that holds them.
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

    // The character the stored index names in a list of count characters:
    // beyond the last reads as the last; −1 when none is named or the list is empty.
    int32_t CharacterSlot(int32_t count) const;
};

// A drop system of capacity 1024 with a new drop emitter (no template).
std::unique_ptr<TParticleSystem> CreateDropSystem();

// Bytes of the shortest drop emitter record (its first marker not "d").
constexpr int32_t MinDropRecordSize = 73;

// The level's placed drop systems: int32 count d, then d records. Each
// emitter whose stored SourceIndex k satisfies 0 ≤ k < d takes system k as
// its Source. False on a damaged list (a count below 0 or beyond what the
// bytes left can hold, or a record cut short): the systems read before are
// kept, linked among themselves.
bool ReadDropSystems(TByteReader& in, std::vector<std::unique_ptr<TParticleSystem>>& systems);
void WriteDropSystems(TByteWriter& out, const std::vector<std::unique_ptr<TParticleSystem>>& systems);

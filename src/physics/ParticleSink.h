// Where the simulation sends the particles it emits (sparks, drops) and what
// it asks of the level's weather. The particle systems implement it; the
// null sink (the default) emits nothing and reports no weather.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>

// A particle thrown by a character. The system it lands in makes it as it
// makes its own particles; these values then replace the system's.
struct TParticleShot {
    TVec2 Pos;
    TVec2 Vel;
    float Size = 0.0f;
    uint8_t Colour[4] = {255, 255, 255, 255};
    int32_t HitGuard = 0;
    int32_t ContactsLeft = 0;
    int32_t FadeOutStep = 0;
    // Thrown particles hit no one and push nothing.
    uint8_t HitsCharacters = 0;
    float PushFactor = 0.0f;
    float CarryFactor = 0.0f;
};

class TParticleSink {
  public:
    virtual ~TParticleSink() = default;
    virtual void EmitSpark(const TParticleShot& /*p*/) {}
    // Into the level's drop particle system (weather drops and burst water).
    virtual void EmitDrop(const TParticleShot& /*p*/) {}
    // Density and grip of the level's weather system; 0 when there is none.
    virtual float WeatherDensity() const { return 0.0f; }
    virtual float WeatherGrip() const { return 0.0f; }
    virtual void WeatherColour(uint8_t colour[4]) const {
        colour[0] = colour[1] = colour[2] = colour[3] = 255;
    }
    // Emitters bound to the character that fire on its death.
    virtual void CharacterDied(int32_t /*id*/) {}
};

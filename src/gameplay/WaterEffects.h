// What water and wind hand to the rest of the level: the splash drops a
// character throws, its splash sound, and the winds' push on the particle
// systems. The level connects it to its particle systems and sounds; these
// defaults do nothing, so water and wind run headless.
#pragma once

#include "physics/VecMath.h"

#include <string>
#include <vector>

class TWater;
class TWind;

// One drop of a splash, emitted by the water's splash system in the water's
// splash colours.
struct TSplashDrop {
    TVec2 Pos;
    TVec2 Vel;
    float Size = 0.0f;
};

class TWaterEffects {
  public:
    virtual ~TWaterEffects() = default;
    // Drops thrown where a character's node entered or left the water.
    virtual void EmitSplashDrops(TWater& /*water*/, const std::vector<TSplashDrop>& /*drops*/) {}
    // A splash sound at a point ("Water\Splech 1.ogg" …), with its volume
    // (0 … 1) and pitch; heard within the distances 100 … 1000.
    virtual void PlaySplashSound(const std::string& /*name*/, TVec2 /*at*/, float /*volume*/,
                                 float /*pitch*/) {}
    // A wind that affects particles, every second tick: each drop system with
    // a non-zero wind factor whose emitter accepts this wind pushes its
    // particles with TWind::PushParticle, or with TWind::PushStrayParticle
    // for a system that keeps its particles inside its own box.
    virtual void PushParticles(TWind& /*wind*/) {}
};

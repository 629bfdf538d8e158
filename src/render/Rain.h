// The rain: drops falling over the view around the player, streaked along
// their velocity, splashing on water and on terrain that faces up. Its count
// fades between StartCount and EndCount, and its intensity drives the rain
// sound and the wet ground.
#pragma once

#include "render/ParticleSystem.h"

#include <memory>

class TRain_Emiter : public TParticleSystem_Emiter {
  public:
    using TParticleSystem_Emiter::TParticleSystem_Emiter;
    void Tick(int32_t ticks) override;
    TParticle* Emit(int32_t n) override;
    // The drops wanted at the system's clock.
    int32_t WantedCount() const;
};

class TRain_Player : public TParticleSystem_Player {
  public:
    using TParticleSystem_Player::TParticleSystem_Player;
    void Move(int32_t ticks) override;
};

class TRain_Renderer : public TParticleSystem_Renderer {
  public:
    using TParticleSystem_Renderer::TParticleSystem_Renderer;
    int32_t Draw(const TBox2& view) const override;
};

// Where the rain falls around a centre point: 1000 to each side, from 800
// above down to the point.
TBox2 RainBox(TVec2 centre);

// Drops drawn this many velocities long.
constexpr float RainStreak = 55.0f;

// A rain system of that many drops with its texture "Effects\RainDrop.png".
std::unique_ptr<TParticleSystem> CreateRainSystem(int32_t capacity);

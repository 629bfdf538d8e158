// How the level's particle systems meet the rest of the level: the
// characters throw sparks and drops into them and ask about the rain (the
// particle sink), and the systems ask the level about terrain, water,
// characters and sounds (the particle world). Also the characters' particle
// test and the drawing of a layer's particles.
#pragma once

#include "gameplay/WaterEffects.h"
#include "physics/ParticleSink.h"
#include "render/ParticleSystem.h"

#include <utility>
#include <vector>

class TBoost;
class TLevel;
class TLayer;
class TRollix;
class TWater;

class TLevelParticles : public TParticleSink, public TParticleWorld {
  public:
    explicit TLevelParticles(TLevel& level) : Level(level) {}

    // ---- What the characters send ----
    // Sparks land in the second effect drop system, drops in the first.
    void EmitSpark(const TParticleShot& shot) override;
    void EmitDrop(const TParticleShot& shot) override;
    // The rain's intensity. No weather record stores a grip, so a character
    // in the rain grips as it does anywhere (0).
    float WeatherDensity() const override;
    float WeatherGrip() const override { return 0.0f; }
    void WeatherColour(uint8_t colour[4]) const override;
    // id is the character's Id.
    void CharacterDied(int32_t id) override;

    // ---- What the particle systems ask ----
    const TFragments* Grid() const override;
    TVec2 ViewCentre() const override;
    float LayerParallax(int32_t layer) const override;
    int32_t CharacterCount() const override;
    bool CharacterCentre(int32_t index, TVec2& centre) const override;
    bool CharacterDead(int32_t index) const override;
    int32_t PlayerPoints() const override;
    bool HitCharacters(TParticle& p) override;
    TParticleSystem* SplashDrops() override;
    bool ShapeCentre(const TDrops_Emiter& e, TVec2& centre) const override;
    TEmissionSource EmissionMesh(const TDrops_Emiter& e) const override;
    void PlaySound(const std::string& name, int32_t placedId, TVec2 at, bool wobble,
                   int32_t followCharacter) override;
    TParticleSystem* WaterSplashes(TWaterArea* water) override;
    void EmitBubble(TWaterArea* water, TVec2 at, TVec2 velocity) override;
    void DisturbWater(TWaterArea* water, float strength, float x) override;
    void WaterSplashColours(TWaterArea* water, TColor4& start, TColor4& end) const override;
    // A drop system's caption: a hidden x-hint it draws itself (StatusLine.cpp).
    int32_t AddXHint(const std::u16string& text, TVec2 at, int32_t hold, TColor4 colour) override;
    void DrawXHint(int32_t serial) override;

    // Every water gets a drop system for its splashes (made by the particle
    // manager, so stepped and restarted with the rest); those of waters that
    // are gone go too.
    void PrepareWaterSplashes();
    TParticleSystem* SplashesOf(const TWater* water) const;
    // Only systems in a layer of parallax exactly 1 collide.
    void RefreshLayers();
    // The layers' particle hook: the layer's own systems, and on the playing
    // layer the rain and the two effect drop systems.
    void DrawLayer(TLayer& layer);

    // ---- Emitters that follow their carrier ----
    // Copies of the placed emitters on the source's object that follow their
    // carrier: they emit where the character is, belong to the carried effect
    // and are drawn over the playing layer.
    void AttachCarrierCopies(const TBoost& source, int32_t character, const TBoost& effect);
    // The copies the effect took along leave the particle manager.
    void DetachCarrierCopies(const TBoost& effect);
    // The manager frees its systems: the copies are forgotten without a look.
    void ForgetCarrierCopies() { CarrierCopies.clear(); }
    // The copies the effect took along (none when it took none).
    std::vector<TParticleSystem*> CarrierCopiesOf(const TBoost& effect) const;
    size_t CarrierCopyCount() const { return CarrierCopies.size(); }
    void DrawCarrierCopies();

    // ---- Collectibles ----
    // Every particle of a system whose emitter carries a boost gives the
    // player that boost when it lies inside the player's body, and goes.
    void CollectParticles();

  private:
    struct TCarrierCopy {
        const TBoost* Effect;
        TParticleSystem* System;
    };
    TLevel& Level;
    std::vector<std::pair<const TWater*, TParticleSystem*>> Splashes;
    std::vector<TCarrierCopy> CarrierCopies;
};

// What the waters and winds hand to the particles: the drops a character
// throws out of a water land in that water's splash system, splash sounds
// play, and winds push the drop systems that take them.
class TLevelWaterEffects : public TWaterEffects {
  public:
    explicit TLevelWaterEffects(TLevel& level) : Level(level) {}
    void EmitSplashDrops(TWater& water, const std::vector<TSplashDrop>& drops) override;
    void PlaySplashSound(const std::string& name, TVec2 at, float volume, float pitch) override;
    void PushParticles(TWind& wind) override;

  private:
    TLevel& Level;
};

// The character's particle test: the particle's path over two velocities
// must cross the outline. On a hit the character is dented and pushed and
// the particle bounces off (and takes some of the node's speed along).
bool HitCharacterWithParticle(TRollix& c, TParticle& p);

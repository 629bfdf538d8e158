// The level's particle systems in the order they are stepped: the level's
// own systems (which the level owns and only lists here) and the systems the
// manager makes itself (which it owns and frees).
#pragma once

#include "render/ParticleSystem.h"

#include <cstdint>
#include <memory>
#include <vector>

class TParticleSystem_Manager {
  public:
    TParticleSystem_Manager() = default;
    ~TParticleSystem_Manager();
    TParticleSystem_Manager(const TParticleSystem_Manager&) = delete;
    TParticleSystem_Manager& operator=(const TParticleSystem_Manager&) = delete;

    // Handed to every system the manager lists.
    TParticleWorld* World = &EmptyParticleWorld();
    // In step order; the manager owns those in Owned.
    std::vector<TParticleSystem*> Systems;

    // Lists a system someone else owns.
    TParticleSystem* Add(TParticleSystem* system);
    // Lists a system and owns it.
    TParticleSystem* Adopt(std::unique_ptr<TParticleSystem> system);
    TParticleSystem* CreateRain(int32_t capacity);
    // A drop system (with the template's settings when one is given).
    TParticleSystem* CreateDrops(const TParticleSystem* templ);
    // Replaces the systems someone else owns by these, in front of the
    // manager's own, keeping their order.
    void ReplaceListed(const std::vector<TParticleSystem*>& listed);
    bool Owns(const TParticleSystem* system) const;

    // False for an index outside the list; otherwise the system leaves the
    // list (and is freed when the manager owns it), the rest keep their order.
    bool RemoveAt(int32_t index);
    // The last entry that is this system.
    bool Remove(TParticleSystem* system);
    // Every system, last to first.
    void RemoveAll();
    // Forgets the listed systems without touching them (their owner may
    // have freed them already) and frees the manager's own.
    void Clear();

    void TickAll(int32_t ticks);
    void RestartAll(bool flag);
    // Fires every emitter bound to that character (a list index) that fires
    // on its death.
    void CharacterDied(int32_t character);
    // Drops the emitters' links to other level objects (before the level goes).
    void Unbind();

  private:
    std::vector<std::unique_ptr<TParticleSystem>> Owned;
};

#include "render/ParticleMan.h"

#include "app/SiteTrace.h"
#include "render/DropEmitter.h"
#include "render/Rain.h"

#include <algorithm>

TParticleSystem_Manager::~TParticleSystem_Manager() {
    Clear();
}

void TParticleSystem_Manager::Clear() {
    Systems.clear();
    for (size_t i = Owned.size(); i-- > 0;)
        Owned[i].reset();
    Owned.clear();
}

TParticleSystem* TParticleSystem_Manager::Add(TParticleSystem* system) {
    if (!system) return nullptr;
    system->World = World;
    Systems.push_back(system);
    return system;
}

TParticleSystem* TParticleSystem_Manager::Adopt(std::unique_ptr<TParticleSystem> system) {
    TParticleSystem* s = Add(system.get());
    if (s) Owned.push_back(std::move(system));
    return s;
}

TParticleSystem* TParticleSystem_Manager::CreateRain(int32_t capacity) {
    return Adopt(CreateRainSystem(capacity));
}

TParticleSystem* TParticleSystem_Manager::CreateDrops(const TParticleSystem* templ) {
    return Adopt(CreateDropSystem(templ));
}

bool TParticleSystem_Manager::Owns(const TParticleSystem* system) const {
    return std::any_of(Owned.begin(), Owned.end(), [&](const auto& o) { return o.get() == system; });
}

void TParticleSystem_Manager::ReplaceListed(const std::vector<TParticleSystem*>& listed) {
    std::vector<TParticleSystem*> own;
    for (TParticleSystem* s : Systems)
        if (Owns(s)) own.push_back(s);
    Systems.clear();
    for (TParticleSystem* s : listed)
        Add(s);
    Systems.insert(Systems.end(), own.begin(), own.end());
}

bool TParticleSystem_Manager::RemoveAt(int32_t index) {
    RecordSite(64020);
    if (index < 0 || size_t(index) >= Systems.size()) return false;
    TParticleSystem* s = Systems[size_t(index)];
    Systems.erase(Systems.begin() + index);
    // Nothing else may still take particles from it.
    for (TParticleSystem* other : Systems)
        if (other->Emitter && other->Emitter->Source == s) other->Emitter->Source = nullptr;
    std::erase_if(Owned, [&](const auto& o) { return o.get() == s; });
    return true;
}

bool TParticleSystem_Manager::Remove(TParticleSystem* system) {
    for (int32_t i = int32_t(Systems.size()) - 1; i >= 0; --i)
        if (Systems[size_t(i)] == system) return RemoveAt(i);
    return false;
}

void TParticleSystem_Manager::RemoveAll() {
    while (!Systems.empty())
        RemoveAt(int32_t(Systems.size()) - 1);
    Owned.clear();
}

void TParticleSystem_Manager::TickAll(int32_t ticks) {
    RecordSite(64021);
    for (TParticleSystem* s : Systems)
        s->Tick(ticks);
}

void TParticleSystem_Manager::RestartAll(bool flag) {
    RecordSite(64022);
    for (TParticleSystem* s : Systems)
        s->Restart(flag);
}

void TParticleSystem_Manager::CharacterDied(int32_t character) {
    RecordSite(64023);
    if (character < 0) return;
    for (TParticleSystem* s : Systems) {
        TParticleSystem_Emiter* e = s->Emitter.get();
        if (e && e->FireOnDeath && e->CharacterSlot(s->World->CharacterCount()) == character) e->Fire();
    }
}

void TParticleSystem_Manager::Unbind() {
    for (TParticleSystem* s : Systems)
        if (s->Emitter) s->Emitter->Unbind();
}

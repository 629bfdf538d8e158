#include "level/LevelParticles.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "gameplay/Water.h"
#include "gameplay/Wind.h"
#include "level/Level.h"
#include "physics/PhysicsSettings.h"
#include "physics/SoundSink.h"
#include "render/DropEmitter.h"

#include <algorithm>
#include <cmath>

namespace {

float Rnd() {
    return float(RandomFloat());
}

// The system makes the particle as its own, then the shot's values replace
// the system's.
void Shoot(TParticleSystem* s, const TParticleShot& shot) {
    if (!s || !s->Emitter) return;
    TParticle* p = s->Emitter->Emit(1);
    if (!p) return;
    p->Position = shot.Pos;
    p->Velocity = shot.Vel;
    p->Size = shot.Size;
    p->Colour = {shot.Colour[0], shot.Colour[1], shot.Colour[2], shot.Colour[3]};
    p->HitGuard = int8_t(std::clamp(shot.HitGuard, -128, 127));
    p->ContactsLeft = uint8_t(std::clamp(shot.ContactsLeft, 0, 255));
    p->FadeOutStep = uint8_t(std::clamp(shot.FadeOutStep, 0, 255));
    p->HitsCharacters = shot.HitsCharacters;
    p->PushFactor = shot.PushFactor;
    p->CarryFactor = shot.CarryFactor;
}

// A component of the push goes beyond the node's in its own direction.
bool Beyond(float push, float velocity) {
    return push < 0.0f ? push < velocity : push > velocity;
}

} // namespace

bool HitCharacterWithParticle(TRollix& c, TParticle& p) {
    const int32_t count = c.VertexCount();
    if (count < 2) return false;
    const TVec2 from = p.Position, to = p.Position + p.Velocity * 2.0f;
    if (!PointInBox(from, c.Bounds) && !PointInBox(to, c.Bounds)) return false;
    int32_t n = -1;
    for (int32_t i = 0; i < count && n < 0; ++i)
        if (SegmentsCross(from, to, c.Vertices[size_t(i)].Pos, c.Vertices[size_t((i + 1) % count)].Pos))
            n = i;
    if (n < 0) return false;
    const int32_t m = (n + 1) % count;

    // 1. Dents: the hit edge, then further edges along the ring while
    //    strength is left.
    const float d = p.DentStrength;
    if (d > 0.0f) {
        const float f = 1.0f - Rnd() * 0.04f * std::min(1.0f, d);
        c.DamageNode(n, f);
        c.DamageNode(m, f);
        float left = d - 1.0f;
        int32_t last = m;
        for (int32_t round = 0; left > 0.0f && round < 101; ++round) {
            const int32_t k = (last + Random(count) + 1) % count;
            const float g = 1.0f - Rnd() * 0.04f * std::min(3.0f, left);
            last = (k + 1) % count;
            c.DamageNode(k, g);
            c.DamageNode(last, g);
            left -= 1.0f;
        }
    }
    // 2. Push.
    TVec2 push = p.Velocity * p.PushFactor;
    if (c.MaterialKind == mkWater) push = push * 0.3f;
    TVec2& nv = c.Vertices[size_t(n)].Vel;
    if (Beyond(push.X, nv.X) && Beyond(push.Y, nv.Y)) {
        const TVec2 share = push * 0.333f;
        c.Vertices[size_t(n)].Vel += share;
        c.Vertices[size_t((n + count - 1) % count)].Vel += share;
        c.Vertices[size_t(m)].Vel += share;
    }
    c.Vertices[size_t(n)].Vel = c.Vertices[size_t(n)].Vel * 0.96f;
    // 3. Bounce off the edge.
    p.Velocity = p.Velocity * -p.BounceBack;
    const TVec2 a = c.Vertices[size_t(n)].Pos, b = c.Vertices[size_t(m)].Pos;
    Rotate(p.Velocity, BounceTurn(p.Velocity, std::atan2(b.Y - a.Y, -(b.X - a.X))));
    // 4. Carry.
    if (p.CarryFactor > 0.0f) p.Velocity += c.Vertices[size_t(n)].Vel * p.CarryFactor;
    return true;
}

// ---- The sink ----

void TLevelParticles::EmitSpark(const TParticleShot& shot) {
    Shoot(Level.OwnDropSystems[1].get(), shot);
}

void TLevelParticles::EmitDrop(const TParticleShot& shot) {
    Shoot(Level.OwnDropSystems[0].get(), shot);
}

float TLevelParticles::WeatherDensity() const {
    return Level.Rain ? Level.Rain->Intensity : 0.0f;
}

void TLevelParticles::WeatherColour(uint8_t colour[4]) const {
    const TColor4 c = Level.Rain ? Level.Rain->Colour : TColor4{};
    colour[0] = c.R;
    colour[1] = c.G;
    colour[2] = c.B;
    colour[3] = c.A;
}

void TLevelParticles::CharacterDied(int32_t id) {
    const auto& items = Level.Characters.Items;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->Id == id) {
            Level.ParticleMan.CharacterDied(int32_t(i));
            return;
        }
}

// ---- The world ----

const TFragments* TLevelParticles::Grid() const {
    return &Level.Fragments;
}

TVec2 TLevelParticles::ViewCentre() const {
    if (const TRollix* p = Level.Player()) return p->Centre;
    return {Level.CameraX, Level.CameraY};
}

float TLevelParticles::LayerParallax(int32_t layer) const {
    if (Level.Layers.Layers.empty()) return 1.0f;
    return Level.Layers.LayerOf(layer).Parallax;
}

int32_t TLevelParticles::CharacterCount() const {
    return Level.Characters.Count();
}

bool TLevelParticles::CharacterCentre(int32_t index, TVec2& centre) const {
    if (index < 0 || index >= Level.Characters.Count()) return false;
    centre = Level.Characters.Items[size_t(index)]->Centre;
    return true;
}

bool TLevelParticles::CharacterDead(int32_t index) const {
    return index >= 0 && index < Level.Characters.Count() && Level.Characters.Items[size_t(index)]->Dead;
}

int32_t TLevelParticles::PlayerPoints() const {
    const TRollix* p = Level.Player();
    return p ? p->Points : 0;
}

bool TLevelParticles::HitCharacters(TParticle& p) {
    for (auto& c : Level.Characters.Items)
        if (HitCharacterWithParticle(*c, p)) return true;
    return false;
}

TParticleSystem* TLevelParticles::SplashDrops() {
    return Level.OwnDropSystems[0].get();
}

bool TLevelParticles::ShapeCentre(const TDrops_Emiter& e, TVec2& centre) const {
    // A copy that went with its carrier emits where the carrier is.
    if (e.CarrierCopy && CharacterCentre(e.CharacterSlot(CharacterCount()), centre)) return true;
    if (e.ShapeIndex < 1 || size_t(e.ShapeIndex) > Level.SplineObjects.size()) return false;
    const TMultiMesh& body = Level.SplineObjects[size_t(e.ShapeIndex - 1)]->Body;
    if (body.Meshes.empty()) {
        centre = e.Position;
    } else {
        centre = {(body.Bounds.Left + body.Bounds.Right) * 0.5f,
                  (body.Bounds.Top + body.Bounds.Bottom) * 0.5f};
    }
    return true;
}

TEmissionSource TLevelParticles::EmissionMesh(const TDrops_Emiter& e) const {
    const int32_t character = e.CharacterSlot(CharacterCount());
    if (character >= 0) return {!CharacterDead(character), nullptr};
    if (e.ShapeIndex < 1 || size_t(e.ShapeIndex) > Level.SplineObjects.size()) return {};
    const TMultiMesh& body = Level.SplineObjects[size_t(e.ShapeIndex - 1)]->Body;
    // A shape without a body has nowhere to emit from.
    if (body.Meshes.empty() || !body.Meshes.front()) return {false, nullptr};
    return {true, body.Meshes.front().get()};
}

void TLevelParticles::PlaySound(const std::string& name, int32_t placedId, TVec2 at, bool /*wobble*/,
                                int32_t followCharacter) {
    if (name.empty() || !Level.Physics.Sound) return;
    TSoundPlay how;
    how.Pitch = 0.8f + 0.2f * NextRandom();
    how.FollowId = followCharacter >= 0 && followCharacter < Level.Characters.Count()
                       ? Level.Characters.Items[size_t(followCharacter)]->Id
                       : -1;
    // A placed sound of the level may govern it (its settings, its pauses).
    how.PlacedId = placedId > 0 ? placedId : -1;
    Level.Physics.Sound->Play(name, at, how);
}

// ---- Water ----

namespace {
TWater* WaterOf(TWaterArea* area) {
    return dynamic_cast<TWater*>(area);
}
TColor4 Colour4(TRgba c) {
    return {c.R, c.G, c.B, c.A};
}
} // namespace

void TLevelParticles::PrepareWaterSplashes() {
    TParticleSystem_Manager& man = Level.ParticleMan;
    std::erase_if(Splashes, [&](const auto& s) {
        const bool gone = std::none_of(Level.Waters.begin(), Level.Waters.end(),
                                       [&](const auto& w) { return w.get() == s.first; });
        if (gone) man.Remove(s.second);
        return gone;
    });
    for (const auto& w : Level.Waters)
        if (!SplashesOf(w.get())) {
            TParticleSystem* s = man.CreateDrops(nullptr);
            s->Layer = w->Layer;
            s->Emitter->SetColours(Colour4(w->SplashColourStart), Colour4(w->SplashColourEnd));
            Splashes.emplace_back(w.get(), s);
        }
}

TParticleSystem* TLevelParticles::SplashesOf(const TWater* water) const {
    for (const auto& s : Splashes)
        if (s.first == water) return s.second;
    return nullptr;
}

TParticleSystem* TLevelParticles::WaterSplashes(TWaterArea* water) {
    return SplashesOf(WaterOf(water));
}

void TLevelParticles::EmitBubble(TWaterArea* water, TVec2 at, TVec2 velocity) {
    if (TWater* w = WaterOf(water)) w->EmitBubble(false, 0.0f, velocity.X, velocity.Y, at.Y, at.X);
}

void TLevelParticles::DisturbWater(TWaterArea* water, float strength, float x) {
    if (TWater* w = WaterOf(water)) w->Disturb(strength, x);
}

void TLevelParticles::WaterSplashColours(TWaterArea* water, TColor4& start, TColor4& end) const {
    if (const TWater* w = WaterOf(water)) {
        start = Colour4(w->SplashColourStart);
        end = Colour4(w->SplashColourEnd);
    }
}

void TLevelWaterEffects::EmitSplashDrops(TWater& water, const std::vector<TSplashDrop>& drops) {
    TParticleSystem* s = Level.ParticleLink.SplashesOf(&water);
    if (!s || !s->Emitter) return;
    s->Emitter->SetColours(Colour4(water.SplashColourStart), Colour4(water.SplashColourEnd));
    for (const TSplashDrop& d : drops) {
        TParticle* p = s->Emitter->Emit(1);
        if (!p) return;
        p->Position = d.Pos;
        p->Velocity = d.Vel;
        p->Size = d.Size;
    }
}

void TLevelWaterEffects::PlaySplashSound(const std::string& name, TVec2 at, float volume, float pitch) {
    // Heard within 100 … 1000, lower in pitch the farther it is.
    if (!Level.Physics.Sound) return;
    TSoundPlay how;
    how.Pitch = pitch;
    how.Volume = volume;
    how.Near = 100.0f;
    how.Far = 1000.0f;
    how.NearPitch = 100.0f;
    how.FarPitch = 50.0f;
    Level.Physics.Sound->Play(name, at, how);
}

void TLevelWaterEffects::PushParticles(TWind& wind) {
    int32_t index = -1;
    for (size_t i = 0; i < Level.Winds.size(); ++i)
        if (Level.Winds[i].get() == &wind) index = int32_t(i);
    for (TParticleSystem* s : Level.ParticleMan.Systems) {
        if (!s->Emitter) continue;
        const TWindPush push = s->Emitter->WindPush(index, wind.FollowsPlayer);
        if (push == TWindPush::None) continue;
        const TBox2& g = s->GoalBox;
        for (TParticle* p = s->AliveHead(); p; p = p->Next) {
            if (push == TWindPush::All) {
                wind.PushParticle(p->Position, p->Velocity, s->WindFactor);
                continue;
            }
            const bool inside = p->Position.X > g.Left && p->Position.X < g.Right && p->Position.Y > g.Top &&
                                p->Position.Y < g.Bottom;
            if (!inside) wind.PushStrayParticle(p->Position, p->Velocity, s->WindFactor);
        }
    }
}

void TLevelParticles::RefreshLayers() {
    for (TParticleSystem* s : Level.ParticleMan.Systems)
        s->InPlayLayer = LayerParallax(s->Layer) == 1.0f ? 1 : 0;
}

void TLevelParticles::DrawLayer(TLayer& layer) {
    RecordSite(21401);
    // The frame's view rectangle of this layer, grown to cover a rolled view.
    const TBox2 view = ViewRect;
    if (!layer.ParticleSystems.empty()) {
        ApplyLights(layer.Number);
        for (TParticleSystem* s : layer.ParticleSystems)
            if (!(s->Emitter && s->Emitter->CarrierCopy)) s->Draw(view);
    }
    for (const TWater* w : layer.Waters)
        if (TParticleSystem* s = SplashesOf(w)) s->Draw(view);
    if (layer.Number == 0) {
        ApplyLights(0);
        for (TParticleSystem* s :
             {Level.Rain.get(), Level.OwnDropSystems[0].get(), Level.OwnDropSystems[1].get()})
            if (s) s->Draw(view);
    }
}

// ---- Emitters that follow their carrier ----

void TLevelParticles::AttachCarrierCopies(const TBoost& source, int32_t character, const TBoost& effect) {
    if (!source.Shape) return;
    int32_t shapeIndex = 0;
    for (size_t i = 0; i < Level.SplineObjects.size(); ++i)
        if (Level.SplineObjects[i].get() == source.Shape) shapeIndex = int32_t(i) + 1;
    if (shapeIndex == 0) return;
    for (const auto& d : Level.DropSystems) {
        const TParticleSystem_Emiter* e = d->Emitter.get();
        if (!e || !e->FollowCarrier || e->CarrierCopy || e->ShapeIndex != shapeIndex) continue;
        TParticleSystem* copy = Level.ParticleMan.CreateDrops(d.get());
        copy->Emitter->CarrierCopy = 1;
        copy->Emitter->ShapeIndex = shapeIndex;
        copy->Emitter->CharacterIndex = character;
        copy->InPlayLayer = LayerParallax(copy->Layer) == 1.0f ? 1 : 0;
        copy->Restart(true);
        CarrierCopies.push_back({&effect, copy});
    }
}

void TLevelParticles::DetachCarrierCopies(const TBoost& effect) {
    std::erase_if(CarrierCopies, [&](const TCarrierCopy& c) {
        if (c.Effect != &effect) return false;
        Level.ParticleMan.Remove(c.System);
        return true;
    });
}

std::vector<TParticleSystem*> TLevelParticles::CarrierCopiesOf(const TBoost& effect) const {
    std::vector<TParticleSystem*> out;
    for (const TCarrierCopy& c : CarrierCopies)
        if (c.Effect == &effect) out.push_back(c.System);
    return out;
}

void TLevelParticles::DrawCarrierCopies() {
    if (CarrierCopies.empty()) return;
    ApplyLights(0);
    for (const TCarrierCopy& c : CarrierCopies)
        c.System->Draw(ViewRect);
}

// ---- Collectibles ----

void TLevelParticles::CollectParticles() {
    TRollix* player = Level.Player();
    if (!player || player->Dead) return;
    const int32_t boosts = Level.Boosts.Count();
    // Taking a boost may add or remove carried copies in the manager's list:
    // the collecting systems are picked first. Copies carry no boost, and
    // the placed systems stay while the level lives.
    std::vector<TParticleSystem*> collecting;
    for (TParticleSystem* s : Level.ParticleMan.Systems)
        if (s->Emitter && s->Emitter->BoostIndex >= 0 && s->Emitter->BoostIndex < boosts)
            collecting.push_back(s);
    for (TParticleSystem* s : collecting) {
        TBoost& boost = *Level.Boosts.Items[size_t(s->Emitter->BoostIndex)];
        for (TParticle* p = s->AliveHead(); p;) {
            if (!player->Encloses(p->Position)) {
                p = p->Next;
                continue;
            }
            p = s->Free(p);
            // Each particle gives the boost's effect; the placed boost
            // itself stays where it is.
            Level.BoostHooks.Apply(boost, *player);
        }
    }
}

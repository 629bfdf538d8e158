#include "render/Rain.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "world/EdgeGrid.h"

#include <algorithm>
#include <cmath>

namespace {

float Rnd() {
    return float(RandomFloat());
}

// A particle from a system, as its emitter makes new ones.
TParticle* EmitOne(TParticleSystem& s) {
    return s.Emitter ? s.Emitter->Emit(1) : s.Take();
}

} // namespace

TBox2 RainBox(TVec2 centre) {
    return {centre.X - 1000.0f, centre.Y - 800.0f, centre.X + 1000.0f, centre.Y};
}

int32_t TRain_Emiter::WantedCount() const {
    const TParticleSystem& s = *System;
    if (s.Clock < s.FadeStart) return s.StartCount;
    const int64_t elapsed = int64_t(s.Clock) - s.FadeStart;
    // A transition of no length is over as soon as it starts.
    if (elapsed >= s.FadeLength) return s.EndCount;
    const double quarter = Pi / 2.0 * double(elapsed) / double(s.FadeLength);
    return s.StartCount + int32_t(double(s.EndCount - s.StartCount) * (1.0 - std::cos(quarter)));
}

void TRain_Emiter::Tick(int32_t /*ticks*/) {
    TParticleSystem& s = *System;
    const int32_t wanted = WantedCount();
    if (wanted > s.AliveCount) Emit(wanted - s.AliveCount);
    const float share = std::min(float(s.AliveCount) / 200.0f, 1.0f);
    s.Intensity = share < 0.1f ? 0.0f : 0.1f + 0.9f * share;
}

TParticle* TRain_Emiter::Emit(int32_t n) {
    TParticleSystem& s = *System;
    s.EmittedThisTick += std::max(n, 0);
    const TBox2 box = RainBox(s.World->ViewCentre());
    const float width = box.Right - box.Left;
    TParticle* first = nullptr;
    for (int32_t i = 0; i < n; ++i) {
        TParticle* p = s.Take();
        if (!p) break;
        if (!first) first = p;
        p->Position.X = box.Left - width + Rnd() * 3.0f * width;
        p->Position.Y = box.Top - 100.0f;
        p->Velocity.X = 0.1f * Rnd() + s.RainWind;
        p->Velocity.Y = (0.5f * Rnd() + 1.0f) * 1.5f;
        p->CanSplash = Random(3) < 2 ? 1 : 0;
        p->Size = 4.0f * Rnd() + 5.0f;
    }
    return first;
}

void TRain_Player::Move(int32_t ticks) {
    TParticleSystem& s = *System;
    TParticleWorld& world = *s.World;
    const TBox2 box = RainBox(world.ViewCentre());
    const TFragments* grid = world.Grid();
    const float t = float(ticks);
    for (TParticle* p = s.AliveHead(); p;) {
        const TVec2 next = p->Position + p->Velocity * t;
        const bool mayHit = p->CanSplash && p->Position.Y > box.Top;
        // Into water: the water's own splash system takes one small drop.
        if (mayHit) {
            TWaterArea* water = world.WaterAt(next);
            TParticleSystem* splashes = water ? world.WaterSplashes(water) : nullptr;
            if (splashes) {
                if (TParticle* d = EmitOne(*splashes)) {
                    d->Position = p->Position;
                    d->Velocity.X = 0.2f * Rnd() - 0.1f;
                    d->Velocity.Y = -0.3f * Rnd() - 0.6f;
                    d->Size = 1.0f;
                    d->ContactsLeft = 1;
                }
                p = s.Free(p);
                continue;
            }
        }
        // On ground that faces up: a few drops bounce off, fewer the heavier the rain.
        if (mayHit && grid) {
            const TCastResult hit = grid->CastSegment(p->Position, next, true, false);
            const auto* edges = grid->EdgeArray();
            if (hit.Hit && edges && hit.Edge >= 0 && size_t(hit.Edge) < edges->size() &&
                !((*edges)[size_t(hit.Edge)].Normal.Y > 0.0f)) {
                const TCollisionEdge& e = (*edges)[size_t(hit.Edge)];
                const TVec2 at = hit.Point + e.Normal;
                TVec2 v = p->Velocity * (-3.0f - Rnd());
                Rotate(v, BounceTurn(v, e.Angle));
                const int32_t n = s.AliveCount <= 39 ? 3 : s.AliveCount <= 79 ? 2 : 1;
                if (TParticleSystem* drops = world.SplashDrops())
                    for (int32_t k = 0; k < n; ++k) {
                        TParticle* d = EmitOne(*drops);
                        if (!d) break;
                        d->Position = at;
                        d->Velocity = v;
                        d->Size = 3.0f * Rnd() + 6.0f;
                        d->Colour = s.SplashColour;
                        d->ContactsLeft = 1;
                        d->HitsCharacters = 1;
                    }
                p = s.Free(p);
                continue;
            }
        }
        if (next.Y <= box.Bottom + 250.0f) {
            p->Position = next;
            p = p->Next;
        } else {
            p = s.Free(p);
        }
    }
}

int32_t TRain_Renderer::Draw(const TBox2& /*view*/) const {
    const TParticleSystem& s = *System;
    if (!s.Texture || !s.AliveHead()) return 0;
    TMaterial m = s.Material;
    m.Lit = 1;
    m.Apply();
    s.World->ApplyLights(0);
    TRenderBackend& r = Renderer();
    r.Enable(Gl::Texture2D);
    BindTexture(uint32_t(s.Texture->TextureId()));
    const float u = s.Texture->URange, v = s.Texture->VRange;
    r.Begin(Gl::Quads);
    r.Color4ub(s.Colour.R, s.Colour.G, s.Colour.B, s.Colour.A);
    int32_t triangles = 0;
    for (const TParticle* p = s.AliveHead(); p; p = p->Next) {
        const float x = p->Position.X, y = p->Position.Y, sz = p->Size;
        const float tx = x - RainStreak * p->Velocity.X, ty = y - RainStreak * p->Velocity.Y;
        r.TexCoord2f(0.0f, 0.0f);
        r.Vertex2f(tx, ty);
        r.TexCoord2f(u, 0.0f);
        r.Vertex2f(tx + sz, ty);
        r.TexCoord2f(u, v);
        r.Vertex2f(x + sz, y + sz);
        r.TexCoord2f(0.0f, v);
        r.Vertex2f(x, y + sz);
        triangles += 2;
    }
    r.End();
    return triangles;
}

std::unique_ptr<TParticleSystem> CreateRainSystem(int32_t capacity) {
    RecordSite(64011);
    auto s = std::make_unique<TParticleSystem>(capacity);
    s->Emitter = std::make_unique<TRain_Emiter>(s.get());
    s->Player = std::make_unique<TRain_Player>(s.get());
    s->Renderer = std::make_unique<TRain_Renderer>(s.get());
    s->Texture = TexLib.TextureByName("Effects\\RainDrop.png");
    return s;
}

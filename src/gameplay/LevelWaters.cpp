#include "gameplay/LevelWaters.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "gameplay/Water.h"
#include "gameplay/WaterEffects.h"
#include "physics/BoostHooks.h"
#include "physics/CharacterLevel.h"
#include "physics/PhysicsSettings.h"
#include "physics/Rollix.h"
#include "world/EdgeGrid.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {
// The carried effect that keeps acid off.
constexpr int32_t KindCoat = 9;
constexpr int32_t SplashSoundTicks = 20;
} // namespace

TWater* TLevelWaters::WaterAt(TVec2 p) const {
    // Every water area the grid files is a water body.
    return Grid ? static_cast<TWater*>(Grid->WaterAt(p)) : nullptr;
}

void TLevelWaters::EmitBubble(TWater* w, TVec2 pos, TVec2 vel) {
    if (w) w->EmitBubble(false, 0.0f, vel.X, vel.Y, pos.Y, pos.X);
}

void TLevelWaters::BodyWaterStep(TRollix& c) {
    RecordSite(55040);
    const int32_t n = c.VertexCount();
    const bool balloon = c.MaterialKind == mkBalloon;
    const bool acidSafe = c.AcidProof || (c.Level && c.Level->Boosts->Carries(c, KindCoat));
    std::vector<TSplashDrop> drops;
    c.InWaterCount = 0;
    for (int32_t i = 0; i < n; ++i) {
        TRollixVertex& v = c.Vertices[size_t(i)];
        v.WasInWater = v.InWater;
        TWater* w = WaterAt(v.Pos);
        v.InWater = w != nullptr;
        if (w) {
            v.Water = w;
            c.Water = w;
            c.InWaterCount += 1;
        }
        // Acid bites every seventh tick a node spends in it.
        if (w && w->Acid && --v.AcidTimer < 1) {
            v.AcidTimer = 7;
            const float r = float(RandomFloat());
            const float factor =
                balloon ? 0.99f - w->AcidStrength * r * 0.03f : 1.0f - r * 0.02f * w->AcidStrength;
            c.DamageNode(i, factor);
            if (!acidSafe) w->EmitBubble(false, 0.0f, 0.0f, 0.0f, v.Pos.Y, v.Pos.X);
        }
        const bool entering = v.InWater && !v.WasInWater;
        const bool changed = v.InWater != v.WasInWater;
        if (!changed || !v.Water) continue;
        TWater& water = *v.Water;
        water.Disturb(v.Vel.Y * 0.1f, v.Pos.X);
        const float moved = std::fabs(v.Pos.X - v.PrevPos.X) + std::fabs(v.Pos.Y - v.PrevPos.Y);
        if (entering && moved > (balloon ? 5.5f : 4.0f)) {
            const float size = std::clamp(c.SizeFactor, 0.7f, 1.0f);
            const float r = float(RandomFloat());
            water.EmitSplashBubble((i & 4) != 0, 0.0f, v.Vel.X, (0.4f + 0.6f * r) * v.Vel.Y, v.Pos.Y, v.Pos.X,
                                   size);
        }
        float a = (balloon ? moved * 0.5f : moved) * c.SizeFactor * 0.1f;
        if (a > 0.3f && a < 1.0f) a = 1.0f;
        // A node flung through the surface throws a capped handful, not thousands.
        const float twice = std::nearbyint(2.0f * a);
        const int32_t count = twice >= 1.0f ? int32_t(std::min(twice, float(MaxSplashDrops))) : 0;
        if (count <= 0) continue;
        drops.clear();
        for (int32_t k = 0; k < count; ++k) {
            const float r1 = float(RandomFloat()), r2 = float(RandomFloat());
            const float r3 = float(RandomFloat()), r4 = float(RandomFloat());
            TSplashDrop d;
            d.Pos = {v.Pos.X, v.Pos.Y - 2.0f};
            d.Vel = {6.0f * r1 + v.Vel.X * (r2 + 1.0f) - 3.0f, v.Vel.Y * (r3 + 1.0f)};
            if (entering) d.Vel.Y = -d.Vel.Y;
            d.Size = 6.0f + 3.0f * r4;
            drops.push_back(d);
        }
        if (Effects) Effects->EmitSplashDrops(water, drops);
        c.SplashParticles += count;
    }
    // A body without nodes is in no water at all.
    c.AllInWater = n > 0 && c.InWaterCount == n;
    c.AnyInWater = c.InWaterCount > 0;
    c.WasHalfInWater = c.HalfInWater;
    c.HalfInWater = n > 0 && c.InWaterCount >= n / 2;
    if (c.InWaterCount > 0 && c.Water) {
        c.DepthBelowSurface = c.Centre.Y - c.Water->RestLevel;
        c.InAcid = c.Water->Acid;
    } else {
        c.Water = nullptr;
        c.DepthBelowSurface = 0.0f;
        c.InAcid = false;
    }
    // The splashes of the last 20 ticks make one sound.
    if (--c.SplashSoundTimer < 1) {
        c.SplashSoundTimer = SplashSoundTicks;
        if (c.SplashParticles > 0) {
            const int32_t k = Random(4) + 1;
            const std::string name =
                std::string(c.InAcid ? "Acid\\Acid Splech " : "Water\\Splech ") + std::to_string(k) + ".ogg";
            const float volume = std::min(float(c.SplashParticles) * 0.01f, 1.0f);
            const float pitch = 0.85f + float(NextRandomInt(300)) * 0.001f;
            if (Effects) Effects->PlaySplashSound(name, c.Centre, volume, pitch);
            c.SplashParticles = 0;
        }
    }
}

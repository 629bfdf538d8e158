// Pools for the water tests: walls made of collision edges in a grid, and a
// water body traced in them.
#pragma once

#include "PhysicsFixture.h"

#include "gameplay/LevelWaters.h"
#include "gameplay/Water.h"
#include "gameplay/WaterEffects.h"

#include <memory>
#include <string>
#include <vector>

// A cup: walls 20 thick at x 0 … 20 and 380 … 400 from y 0, a floor at
// y 200; the free space inside is x 20 … 380, above y 200.
inline const std::vector<TVec2> CupRing = {{0, 0},   {20, 0},  {20, 200},  {380, 200},
                                           {380, 0}, {400, 0}, {400, 240}, {0, 240}};

struct TPool {
    TTestWorld World;
    std::unique_ptr<TWater> Water = std::make_unique<TWater>();
    TLevelWaters Hooks;

    TPool() {
        Hooks.Grid = &World.Grid;
        World.Level.Waters = &Hooks;
    }
    void Cup() { World.AddRing(CupRing); }
    // Traces the water from the seed and files it in the grid.
    void Fill(float seedX, float level) {
        Water->SeedX = seedX;
        Water->RestLevel = level;
        Water->Prepare(&World.Grid);
        Water->Reset();
        File();
    }
    void File() { World.Grid.Build(World.Edges, {Water.get()}); }
    void Tick(int32_t ticks = 1) {
        for (int32_t t = 0; t < ticks; ++t) {
            World.Tick();
            Water->Tick(World.Man.Items);
        }
    }
    TWavePoint* WaveNear(float x) {
        for (TWavePoint& w : Water->WavePoints)
            if (w.Vertex && std::fabs(w.Vertex->X - x) < 1.0f) return &w;
        return nullptr;
    }
};

// Records what the water hands to the level.
class TRecordedEffects : public TWaterEffects {
  public:
    std::vector<std::vector<TSplashDrop>> Splashes;
    struct TSound {
        std::string Name;
        TVec2 At;
        float Volume = 0.0f, Pitch = 0.0f;
    };
    std::vector<TSound> Sounds;
    void EmitSplashDrops(TWater&, const std::vector<TSplashDrop>& drops) override {
        Splashes.push_back(drops);
    }
    void PlaySplashSound(const std::string& name, TVec2 at, float volume, float pitch) override {
        Sounds.push_back({name, at, volume, pitch});
    }
    int32_t DropCount() const {
        int32_t n = 0;
        for (const auto& s : Splashes)
            n += int32_t(s.size());
        return n;
    }
};

// What the game's later subsystems hand to the start and the runner: loading
// a level by its file name (it becomes LoopLevel), and adding the simulation
// state to a hash. Until a level loader is registered, nothing can be loaded.
#pragma once

#include "app/StateHash.h"

#include <functional>
#include <memory>
#include <string>

struct TGameHooks {
    // Loads "Levels\" + name and makes it current. False when it cannot.
    std::function<bool(const std::string& name)> LoadLevel;
    // Adds everything a tick changes (level, characters, generator) to the hash.
    std::function<void(TStateHash& hash)> HashState;
    // Creates the render context (the platform's GL context and backend).
    std::function<void()> CreateRenderContext;
};
extern TGameHooks GameHooks;

class TRenderBackend;
// Takes a new render context and gives the texture library its two capture
// textures ("extra1", "extra2") for level switching.
void PrepareRenderContext(std::unique_ptr<TRenderBackend> backend);
// Frees the GL objects of every texture of the library (before the context goes).
void ReleaseGameTextures();

// Set by --level: the game starts there instead of the logo levels.
extern std::string StartLevelOverride;

// The game's first tick: marks the game started, creates the render context
// and loads the first level. Runs again after the publisher's logo.
void StartGame();

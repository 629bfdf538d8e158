// The start of the game on the loop's side: the render context, the capture
// textures and the first level, loaded through the game's hooks (LoopLevel.h).
// Until a level loader is registered, nothing can be loaded.
#pragma once

#include "app/LoopLevel.h"

#include <functional>
#include <memory>
#include <string>

class TRenderBackend;
// Takes a new render context and gives the texture library its two capture
// textures ("extra1", "extra2") for level switching.
void PrepareRenderContext(std::unique_ptr<TRenderBackend> backend);
// Frees the GL objects of every texture of the library (before the context goes).
void ReleaseGameTextures();

// Set by --level: the game starts there instead of the logo levels.
extern std::string StartLevelOverride;
// Set by --replay: the game starts playing this replay file (on disk) in its level.
extern std::string StartReplayOverride;

constexpr const char* MainGameLevel = "Zestars.map";
constexpr const char* MakerLogoLevel = "Vortan 1.map";

// The game's first tick: marks the game started, creates the render context
// and loads the first levels (the logo in front, the main level behind it).
// Runs again after the publisher's logo.
void StartGame();

// The status line's pictures under "Menu\" (the effect and air bars, the air
// panel, the warning's arrow, the keys of the tutorials and the main menu)
// and the boost icons "BoostIcons\BoostIcon01.png" … one per boost type.
#pragma once

#include "TextureGen.h"

#include <vector>

// Boost types 1 … this many get an icon.
constexpr int32_t HudIconTypes = 24;

void AddHudPictures(std::vector<TGeneratedPicture>& pictures);

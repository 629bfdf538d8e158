// The game's name and version as the player sees them. The window title and
// the loading screen's version line, --version, the start window and the
// records submission all take them from here.
#pragma once

constexpr const char* ProductName = "Rollix";
constexpr const char* ProductVersion = "1.14";

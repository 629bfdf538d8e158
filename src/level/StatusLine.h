// The status line over a game level: the time or the round's time left, the
// time bonus, the score against the target, the player's name, the carried
// boosts with their time left, the oxygen bar under water, the rising score
// numbers, the low-score warning and the pulsing key pictures of the
// tutorials and the main menu. Everything here is in the units of a view
// 1024 wide and 1024 × ViewHeight / ViewWidth high.
#pragma once

#include "assets/Font.h"

#include <cstdint>
#include <functional>
#include <string>

// The main menu shows its key pictures until the first page is opened.
extern bool MenuKeyHints;
// The average frame time of a performance test in whole milliseconds, 0
// while none has been measured; the main loop keeps it.
extern std::function<int32_t()> AverageFrameTimeSource;
// The current player's name (empty while there is no player).
extern std::function<std::u16string()> PlayerNameSource;

constexpr const char* WarnArrowPicture = "Menu\\nottice_arrow.png";
constexpr const char* BoostBarBackPicture = "Menu\\BoostBar1.png";
constexpr const char* BoostBarPicture = "Menu\\BoostBar2.png";
constexpr const char* OxygenPicture = "Menu\\OxygenUI.png";
constexpr const char* KeyLeftPicture = "Menu\\Key left.png";
constexpr const char* KeyRightPicture = "Menu\\Key right.png";
constexpr const char* KeyCtrlPicture = "Menu\\Key ctrl.png";
constexpr const char* KeyUpPicture = "Menu\\Key up.png";
constexpr int32_t FullOxygen = 6000;
// The warning runs this many ticks; its phase goes round in 50.
constexpr int32_t WarnLength = 250;
// The main level's first steps are done past this x.
constexpr float FirstStepsX = 5333.0f;
// World units to status-line units (1024 / 1.4 world units fill 1024).
constexpr float WorldToStatus = 0.71458477f;

// Ticks as M:SS.hh (6512 → "1:05.12"); below 0 counts as 0.
std::u16string StatusTimeText(int32_t ticks);
// The size of the time text: 0.8, growing through the last ten seconds of a
// round and pulsing round every full second (left: the round's ticks left,
// or −1 in a free game).
float StatusTimeSize(int32_t left);
// The warning's phase folded to 0 … 25 and back.
int32_t WarnSwing(int32_t phase);
// The score's size while the warning runs (1 without it).
float WarnScoreSize(int32_t timer, int32_t phase);
// The arrows' opacity 0 … 255: fading in over 25 ticks, out over the last 25.
int32_t WarnArrowOpacity(int32_t timer);
// The boost bar's colour at the remaining fraction f: green when full,
// red as it runs out.
TRgba8 BoostBarColour(float f);
// The line of a performance test: "FPS: " and the rate, "--" before any
// frame time was measured.
std::u16string FpsText(int32_t averageFrameMs);
// The key pictures' pulse 0 … 127 at a tick.
int32_t KeyPulse(int32_t tick);

// The key and mouse state the simulation reads inside ticks. Window messages
// only write here; a tick asks whether a key is down now and whether it was
// newly pressed since the previous tick. Mouse buttons and the wheel are
// folded into the same tables as pseudo keys.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Key codes 0…65535 are Windows virtual-key numbers; the platform maps its
// own key events onto them, raw platform codes never index the tables.
constexpr int32_t KeyTableSize = 65636;
constexpr int32_t MaxChangedKeys = 1001;

constexpr int32_t KeyMouseLeft = 0x10000;
constexpr int32_t KeyMouseRight = 0x10001;
constexpr int32_t KeyMouseMiddle = 0x10002;
constexpr int32_t KeyWheelUp = 0x10003;
constexpr int32_t KeyWheelDown = 0x10004;

// The virtual keys the game names.
namespace Vk {
constexpr int32_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Pause = 19,
                  Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38,
                  Right = 39, Down = 40, Insert = 45, Delete = 46, Digit0 = 48, A = 65, F1 = 112, F12 = 123;
}

extern std::array<uint8_t, KeyTableSize> KeysNow;
extern std::array<uint8_t, KeyTableSize> KeysBefore;
extern std::vector<int32_t> ChangedKeys;

// The configurable control keys: index → virtual key.
constexpr int32_t KeyTableCount = 53;
extern const std::array<int32_t, KeyTableCount> KeyTable;
// Language texts naming the entries 0…16; the others are their letter or digit.
extern const std::array<const char*, 17> KeyTableNames;
// The virtual key of a key-table index; a stored index out of range gives the default.
int32_t BoundKey(int32_t index, int32_t defaultIndex);

// The key-table indices bound to the player's controls (the "Keyb_*" settings).
struct TKeyBindings {
    int32_t Left = 0, Right = 1, Turbo = 4, Jump = 2;
};
constexpr TKeyBindings DefaultKeyBindings{};
extern TKeyBindings KeyBindings;

// Codes outside the tables are ignored.
void SetKey(int32_t code, bool down);
bool IsKeyDown(int32_t code);
bool IsNewPress(int32_t code);
bool AnyNewPress();
void EndTick();
void ClearKeys();

// Shift-state bits of a mouse message.
constexpr uint32_t ShiftLeftButton = 1;
constexpr uint32_t ShiftRightButton = 2;

// Where the level's view lies in the window and which world rectangle it shows.
struct TMouseView {
    int32_t ViewLeft = 0, ViewTop = 0;
    int32_t ViewWidth = 0, ViewHeight = 0;
    TBox2 PlayRect; // view rectangle of the playing layer
};

struct TGameMouse {
    int32_t X = 0, Y = 0;
    int32_t WorldX = 0, WorldY = 0;
    int32_t PrevX = 0, PrevY = 0;
    bool LeftDown = false, RightDown = false;
    float XF = 0.0f, YF = 0.0f;
    float WorldXF = 0.0f, WorldYF = 0.0f;
    int32_t StillTicks = 0;
    bool Still = false;
};

extern TGameMouse GameMouse;

void MouseEvent(int32_t x, int32_t y, uint32_t shift, const TMouseView& view);
// Once per frame, with the number of ticks the event ran.
void UpdateGameMouse(int32_t ticksRun, const TMouseView& view);

// A window point (in window units) to drawable pixels. False, and nothing
// written, when either size is below one pixel.
bool WindowToPixels(int32_t x, int32_t y, int32_t windowW, int32_t windowH, int32_t pixelW, int32_t pixelH,
                    int32_t& outX, int32_t& outY);

// A name being typed in a level (the level owns it and points ActiveTextInput
// at it while the entry is open).
struct TTextInput {
    std::u16string Text;
    int32_t MaxLength = 10;
};
extern TTextInput* ActiveTextInput;

// A typed character (a Unicode code point from the platform's text events).
void TypeCharacter(uint32_t ch);
// Backspace while a text is being entered. True when it removed a character.
bool EraseCharacter();

// Cursor hiding: the time since the mouse last moved noticeably.
extern int32_t IdleMs;
extern bool CursorHidden;
extern int32_t HiddenAtX, HiddenAtY;
constexpr int32_t CursorHideMs = 2001;
// In every timer event: adds the lag; true while the cursor should be hidden.
bool UpdateCursorIdle(int32_t lagMs, int32_t mouseX, int32_t mouseY);
// A mouse move: more than 100 pixels from where the cursor was hidden wakes it.
void NoteMouseMove(int32_t x, int32_t y);

// Back to the start-of-run state.
void ResetInputState();

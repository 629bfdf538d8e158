// The part of a level the characters work with: gravity, the tick counter,
// the edge grid, the character list, the controls, and the narrow sinks
// through which they reach sound, particles, quests, boosts, water, textures
// and their own appearance. The level fills it in; every sink defaults to a
// do-nothing version so the physics runs headless.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>
#include <vector>

class TFragments;
class TRollix;
class TRollixsMan;
class TSoundSink;
class TParticleSink;
class TQuestSink;
class TBoostHooks;
class TWaterHooks;
class TTextureResolver;
class TAppearanceHooks;
class TReplayTrack;

// Keyboard and mouse state as the character's input step reads it.
class TInputSource {
  public:
    virtual ~TInputSource() = default;
    virtual bool KeyDown(uint16_t /*key*/) const { return false; }
    virtual bool KeyWasDown(uint16_t /*key*/) const { return false; }
    // The mouse-wheel pseudo keys: one of them is down / went down this tick.
    virtual bool WheelDown() const { return false; }
    virtual bool WheelWentDown() const { return false; }
    virtual bool MouseLeftDown() const { return false; }
    virtual bool MouseRightDown() const { return false; }
};

// Control bits of one tick, as replays store them.
enum TControlBit : uint8_t { cbLeft = 1, cbRight = 2, cbTurbo = 4, cbJump = 8 };

constexpr uint16_t VkReturn = 13;

struct TCharacterLevel {
    TCharacterLevel();

    float GravityFactor = 1.0f;
    int32_t TickCounter = 0;
    bool Restarting = false;
    bool NoTurbo = false;
    bool NoPlayerControl = false;
    bool MenuPageOpen = false;
    bool OnMenuLevel = false; // "MAINMENU" or "GAMEMENU": Enter holds the jump
    bool EditorActive = false;
    int32_t BonusSeconds = 0;
    TVec2 CameraStart;
    bool CameraFromFile = false;

    const TFragments* Grid = nullptr;
    TRollixsMan* Characters = nullptr;

    // Controls: the key table, or the replay while it plays back (the
    // player's controls are recorded into it otherwise); joystick bits held,
    // pressed and released this tick.
    const TInputSource* Input = nullptr;
    TReplayTrack* Replay = nullptr;
    uint8_t JoystickHeld = 0;
    uint8_t JoystickPressed = 0;
    uint8_t JoystickReleased = 0;

    // Jumps made during a controlled hiccup, and those of them made with
    // more than 3 nodes glued: the jump key's hint counts them.
    int32_t HintCountA = 0;
    int32_t HintCountB = 0;
    // Ticks until the level restarts, as asked by the death checks (0: none).
    int32_t RestartDelay = 0;
    bool NearGate = false;

    TSoundSink* Sound = nullptr;
    TParticleSink* Particles = nullptr;
    TQuestSink* Quests = nullptr;
    TBoostHooks* Boosts = nullptr;
    TWaterHooks* Waters = nullptr;
    TTextureResolver* Textures = nullptr;
    TAppearanceHooks* Appearance = nullptr;

    // Puts the do-nothing sinks and input back.
    void UseNullSinks();
};

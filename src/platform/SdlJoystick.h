// The first SDL joystick as the game's joystick device: raw axis positions
// in SDL's units (−32768 … 32767) and up to 32 buttons.
#pragma once

#include "game/Joystick.h"

#include <SDL2/SDL.h>

#include <memory>

// SDL's joystick subsystem for as long as it lives.
class TSdlJoystickSystem {
  public:
    TSdlJoystickSystem();
    ~TSdlJoystickSystem();
    TSdlJoystickSystem(const TSdlJoystickSystem&) = delete;
    TSdlJoystickSystem& operator=(const TSdlJoystickSystem&) = delete;
    bool Ready() const { return Ok; }

  private:
    bool Ok = false;
};

class TSdlJoystickDevice : public TJoystickDevice {
  public:
    // Opens joystick `index`; null when there is none.
    static std::unique_ptr<TSdlJoystickDevice> Open(int index = 0);
    // Takes an open SDL joystick and closes it when done.
    explicit TSdlJoystickDevice(SDL_Joystick* stick) : Stick(stick) {}

    bool ReadCaps(int32_t& xMin, int32_t& xMax, int32_t& yMin, int32_t& yMax) override;
    void Update() override;
    bool ReadX(int32_t& x) override;
    bool ReadY(int32_t& y) override;
    bool ReadButtons(uint32_t& buttons) override;

  private:
    struct TCloser {
        void operator()(SDL_Joystick* stick) const { SDL_JoystickClose(stick); }
    };
    std::unique_ptr<SDL_Joystick, TCloser> Stick;
};

// The first game controller as held, pressed-this-tick and released-this-tick
// answers for four directions and 32 buttons, like the keyboard's. Axis
// positions are raw device units; a direction counts beyond 5000 of them from
// the centre, the same for every device.
#pragma once

#include <cstdint>
#include <memory>

// What a controller interface delivers. The platform implements it over SDL.
class TJoystickDevice {
  public:
    virtual ~TJoystickDevice() = default;
    // The axis ranges; false when the device cannot tell them.
    virtual bool ReadCaps(int32_t& xMin, int32_t& xMax, int32_t& yMin, int32_t& yMax) = 0;
    // Brings the device's state up to date before a poll's reads.
    virtual void Update() {}
    virtual bool ReadX(int32_t& x) = 0;
    virtual bool ReadY(int32_t& y) = 0;
    // Bit n − 1 = button n.
    virtual bool ReadButtons(uint32_t& buttons) = 0;
};

namespace JoyInput {
constexpr int32_t Left = 0, Right = 1, Up = 2, Down = 3, FirstButton = 4, Count = 36;
}

constexpr int32_t JoyThreshold = 5000;
// The settings' default inputs (left, right, turbo, jump, menu).
constexpr int32_t DefaultJoyLeft = 0, DefaultJoyRight = 1, DefaultJoyTurbo = 4, DefaultJoyJump = 6,
                  DefaultJoyMenu = 7;

class TJoystick {
  public:
    bool Present = false;
    int32_t CentreX = 0, CentreY = 0;
    int32_t RangeX = 0, RangeY = 0;
    int32_t X = 0, Y = 0, PrevX = 0, PrevY = 0;
    uint32_t Buttons = 0, PrevButtons = 0;

    // Asks the device for a position; when it answers, reads its ranges.
    // No device (or none answering) leaves the joystick absent.
    void Create(std::unique_ptr<TJoystickDevice> device);
    void Poll();
    void Reset();
    // Input 0 left, 1 right, 2 up, 3 down, 4 … 35 button input − 3.
    bool Held(int32_t input) const;
    bool Pressed(int32_t input) const;
    bool Released(int32_t input) const;
    bool AnyButtonPressed() const;
    // Raw positions; −1 when absent.
    int32_t AxisX() const { return Present ? X : -1; }
    int32_t AxisY() const { return Present ? Y : -1; }
    void Destroy();

  private:
    std::unique_ptr<TJoystickDevice> Device;
};

extern TJoystick Joystick;

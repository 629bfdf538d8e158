#include "game/Joystick.h"

#include "app/SiteTrace.h"

TJoystick Joystick;

namespace {
// (min + max) / 2 and max − min without overflow, kept in int32.
int32_t Centre(int32_t lo, int32_t hi) {
    return int32_t((int64_t(lo) + int64_t(hi)) / 2);
}
int32_t Range(int32_t lo, int32_t hi) {
    int64_t r = int64_t(hi) - int64_t(lo);
    return r > INT32_MAX ? INT32_MAX : r < 0 ? 0 : int32_t(r);
}
int64_t Offset(int32_t v, int32_t centre) {
    return int64_t(v) - int64_t(centre);
}

bool BeyondLow(int64_t d) {
    return d < -(JoyThreshold - 1);
}
bool BeyondHigh(int64_t d) {
    return d > JoyThreshold - 1;
}

bool ButtonBit(uint32_t mask, int32_t input) {
    return (mask >> uint32_t(input - JoyInput::FirstButton)) & 1u;
}
} // namespace

void TJoystick::Create(std::unique_ptr<TJoystickDevice> device) {
    RecordSite(96001);
    Destroy();
    if (!device) return;
    device->Update();
    int32_t x = 0;
    if (!device->ReadX(x)) return;
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    if (!device->ReadCaps(xMin, xMax, yMin, yMax)) return;
    Device = std::move(device);
    Present = true;
    CentreX = Centre(xMin, xMax);
    CentreY = Centre(yMin, yMax);
    RangeX = Range(xMin, xMax);
    RangeY = Range(yMin, yMax);
    Reset();
}

void TJoystick::Destroy() {
    Device.reset();
    *this = TJoystick{};
}

void TJoystick::Poll() {
    RecordSite(96002);
    PrevX = X;
    PrevY = Y;
    PrevButtons = Buttons;
    if (!Present || !Device) return;
    Device->Update();
    // A read that fails (the device went away) leaves the stick centred and the buttons up.
    if (!Device->ReadX(X)) X = CentreX;
    if (!Device->ReadY(Y)) Y = CentreY;
    if (!Device->ReadButtons(Buttons)) Buttons = 0;
}

void TJoystick::Reset() {
    RecordSite(96003);
    Buttons = PrevButtons = 0;
    X = PrevX = CentreX;
    Y = PrevY = CentreY;
}

bool TJoystick::Held(int32_t input) const {
    if (!Present) return false;
    switch (input) {
    case JoyInput::Left:
        return BeyondLow(Offset(X, CentreX));
    case JoyInput::Right:
        return BeyondHigh(Offset(X, CentreX));
    case JoyInput::Up:
        return BeyondLow(Offset(Y, CentreY));
    case JoyInput::Down:
        return BeyondHigh(Offset(Y, CentreY));
    default:
        if (input < JoyInput::FirstButton || input >= JoyInput::Count) return false;
        return ButtonBit(Buttons, input);
    }
}

bool TJoystick::Pressed(int32_t input) const {
    if (!Present) return false;
    switch (input) {
    case JoyInput::Left:
        return BeyondLow(Offset(X, CentreX)) && !BeyondLow(Offset(PrevX, CentreX));
    case JoyInput::Right:
        return BeyondHigh(Offset(X, CentreX)) && !BeyondHigh(Offset(PrevX, CentreX));
    case JoyInput::Up:
        return BeyondLow(Offset(Y, CentreY)) && !BeyondLow(Offset(PrevY, CentreY));
    case JoyInput::Down:
        return BeyondHigh(Offset(Y, CentreY)) && !BeyondHigh(Offset(PrevY, CentreY));
    default:
        if (input < JoyInput::FirstButton || input >= JoyInput::Count) return false;
        return ButtonBit(Buttons, input) && !ButtonBit(PrevButtons, input);
    }
}

bool TJoystick::Released(int32_t input) const {
    if (!Present) return false;
    switch (input) {
    case JoyInput::Left:
        return !BeyondLow(Offset(X, CentreX)) && BeyondLow(Offset(PrevX, CentreX));
    case JoyInput::Right:
        return !BeyondHigh(Offset(X, CentreX)) && BeyondHigh(Offset(PrevX, CentreX));
    case JoyInput::Up:
        return !BeyondLow(Offset(Y, CentreY)) && BeyondLow(Offset(PrevY, CentreY));
    case JoyInput::Down:
        return !BeyondHigh(Offset(Y, CentreY)) && BeyondHigh(Offset(PrevY, CentreY));
    default:
        if (input < JoyInput::FirstButton || input >= JoyInput::Count) return false;
        return !ButtonBit(Buttons, input) && ButtonBit(PrevButtons, input);
    }
}

bool TJoystick::AnyButtonPressed() const {
    if (!Present) return false;
    return (Buttons & ~PrevButtons) != 0;
}

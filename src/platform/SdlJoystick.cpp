#include "platform/SdlJoystick.h"

#include "app/SiteTrace.h"

TSdlJoystickSystem::TSdlJoystickSystem() {
    RecordSite(14501);
    Ok = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
}

TSdlJoystickSystem::~TSdlJoystickSystem() {
    if (Ok) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

std::unique_ptr<TSdlJoystickDevice> TSdlJoystickDevice::Open(int index) {
    RecordSite(14502);
    if (index < 0 || index >= SDL_NumJoysticks()) return nullptr;
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    if (!stick) return nullptr;
    return std::make_unique<TSdlJoystickDevice>(stick);
}

bool TSdlJoystickDevice::ReadCaps(int32_t& xMin, int32_t& xMax, int32_t& yMin, int32_t& yMax) {
    if (!Stick || SDL_JoystickNumAxes(Stick.get()) < 2) return false;
    xMin = yMin = SDL_JOYSTICK_AXIS_MIN;
    xMax = yMax = SDL_JOYSTICK_AXIS_MAX;
    return true;
}

void TSdlJoystickDevice::Update() {
    SDL_JoystickUpdate();
}

bool TSdlJoystickDevice::ReadX(int32_t& x) {
    if (!Stick || !SDL_JoystickGetAttached(Stick.get()) || SDL_JoystickNumAxes(Stick.get()) < 1) return false;
    x = SDL_JoystickGetAxis(Stick.get(), 0);
    return true;
}

bool TSdlJoystickDevice::ReadY(int32_t& y) {
    if (!Stick || !SDL_JoystickGetAttached(Stick.get()) || SDL_JoystickNumAxes(Stick.get()) < 2) return false;
    y = SDL_JoystickGetAxis(Stick.get(), 1);
    return true;
}

bool TSdlJoystickDevice::ReadButtons(uint32_t& buttons) {
    if (!Stick || !SDL_JoystickGetAttached(Stick.get())) return false;
    buttons = 0;
    int count = SDL_JoystickNumButtons(Stick.get());
    if (count > 32) count = 32;
    for (int i = 0; i < count; ++i)
        if (SDL_JoystickGetButton(Stick.get(), i)) buttons |= 1u << uint32_t(i);
    return true;
}

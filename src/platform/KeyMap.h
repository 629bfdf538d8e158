// SDL's key events in the game's key numbers (Windows virtual keys). The
// tables never see an SDL code.
#pragma once

#include <SDL2/SDL_keyboard.h>

#include <cstdint>

// 0 when the key has no virtual-key number. A letter or digit key of a
// layout whose keycode is no Latin letter is taken by its position.
int32_t VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode);
// The SDL key that gives this virtual key (the left one of a pair);
// SDLK_UNKNOWN when none does.
SDL_Keycode SdlKeyFromVirtualKey(int32_t virtualKey);

#include "platform/KeyMap.h"
#include "app/InputState.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyMap, EveryBindableKeyMapsBothWays) {
    std::vector<int32_t> keys(KeyTable.begin(), KeyTable.end());
    for (int32_t vk : {Vk::Escape, Vk::F1, Vk::Pause, Vk::F12})
        keys.push_back(vk);
    for (int32_t vk : keys) {
        SDL_Keycode sdl = SdlKeyFromVirtualKey(vk);
        ASSERT_NE(sdl, SDLK_UNKNOWN) << vk;
        EXPECT_EQ(VirtualKeyFromSdl(sdl, SDL_SCANCODE_UNKNOWN), vk) << vk;
    }
}

TEST(KeyMap, KnownKeysGiveTheirVirtualNumbers) {
    struct Case {
        SDL_Keycode sdl;
        SDL_Scancode scan;
        int32_t vk;
    } cases[] = {
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 17},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 17},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 16},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
        {SDLK_a, SDL_SCANCODE_Q, 'A'}, // a French layout's A key
        {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        {SDLK_0, SDL_SCANCODE_0, '0'},
        {SDLK_PAUSE, SDL_SCANCODE_PAUSE, 19},
        {SDLK_F1, SDL_SCANCODE_F1, 112},
        {0x0444, SDL_SCANCODE_A, 'A'}, // a Cyrillic letter on the A key: by position
        {0x00E9, SDL_SCANCODE_2, '2'}, // é on the digit row
        {SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, 0},
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromSdl(c.sdl, c.scan), c.vk) << c.sdl;
    // Pairs map back to their left key.
    EXPECT_EQ(SdlKeyFromVirtualKey(17), SDLK_LCTRL);
    EXPECT_EQ(SdlKeyFromVirtualKey(13), SDLK_RETURN);
    EXPECT_EQ(SdlKeyFromVirtualKey(0), SDLK_UNKNOWN);
    EXPECT_EQ(SdlKeyFromVirtualKey(KeyMouseLeft), SDLK_UNKNOWN);
    // Every result is a valid index of the key tables.
    for (int32_t sdl = 0; sdl < 0x400; ++sdl) {
        int32_t vk = VirtualKeyFromSdl(sdl, SDL_SCANCODE_UNKNOWN);
        EXPECT_TRUE(vk >= 0 && vk < 256) << sdl;
    }
}

} // namespace

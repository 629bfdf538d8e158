// The joystick over SDL's joystick API, driven by an SDL virtual joystick
// with the dummy video driver: no device and no display needed.
#include "platform/SdlJoystick.h"

#include <gtest/gtest.h>

namespace {

class VirtualJoystickTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
        // Real controllers on the test machine must not get in the way.
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        System = std::make_unique<TSdlJoystickSystem>();
        ASSERT_TRUE(System->Ready()) << SDL_GetError();
        Index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 32, 0);
        ASSERT_GE(Index, 0) << SDL_GetError();
        Handle = SDL_JoystickOpen(Index);
        ASSERT_NE(Handle, nullptr) << SDL_GetError();
        Stick.Create(TSdlJoystickDevice::Open(Index));
        ASSERT_TRUE(Stick.Present);
    }
    void TearDown() override {
        Stick.Destroy();
        if (Handle) SDL_JoystickClose(Handle);
        if (Index >= 0) SDL_JoystickDetachVirtual(Index);
        System.reset();
    }
    void Set(int16_t x, int16_t y, uint32_t buttons) {
        SDL_JoystickSetVirtualAxis(Handle, 0, x);
        SDL_JoystickSetVirtualAxis(Handle, 1, y);
        for (int i = 0; i < 32; ++i)
            SDL_JoystickSetVirtualButton(Handle, i, (buttons >> i) & 1u);
    }

    std::unique_ptr<TSdlJoystickSystem> System;
    int Index = -1;
    SDL_Joystick* Handle = nullptr;
    TJoystick Stick;
};

TEST_F(VirtualJoystickTest, RawSdlAxesUseTheFiveThousandThreshold) {
    EXPECT_EQ(Stick.CentreX, 0);
    EXPECT_EQ(Stick.RangeX, 65535);
    struct Case {
        int16_t x, y;
        bool left, right, up, down;
    } cases[] = {
        {0, 0, false, false, false, false},        {-4999, 4999, false, false, false, false},
        {-5000, 0, true, false, false, false},     {5000, 0, false, true, false, false},
        {0, -5000, false, false, true, false},     {0, 5000, false, false, false, true},
        {-32768, 32767, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        Stick.Reset();
        Set(c.x, c.y, 0);
        Stick.Poll();
        EXPECT_EQ(Stick.X, c.x);
        EXPECT_EQ(Stick.Held(JoyInput::Left), c.left);
        EXPECT_EQ(Stick.Held(JoyInput::Right), c.right);
        EXPECT_EQ(Stick.Held(JoyInput::Up), c.up);
        EXPECT_EQ(Stick.Held(JoyInput::Down), c.down);
    }
}

TEST_F(VirtualJoystickTest, ButtonsAndPressesThroughSdl) {
    Set(-32768, 0, (1u << 3) | (1u << 31));
    Stick.Poll();
    EXPECT_TRUE(Stick.Pressed(JoyInput::Left));
    EXPECT_TRUE(Stick.Pressed(7));  // button 4
    EXPECT_TRUE(Stick.Pressed(35)); // button 32
    Stick.Poll();
    EXPECT_TRUE(Stick.Held(JoyInput::Left));
    EXPECT_FALSE(Stick.Pressed(JoyInput::Left));
    EXPECT_FALSE(Stick.AnyButtonPressed());
    Set(0, 0, 0);
    Stick.Poll();
    EXPECT_TRUE(Stick.Released(JoyInput::Left));
    EXPECT_TRUE(Stick.Released(7));
}

TEST_F(VirtualJoystickTest, UnpluggedStickReadsAsCentred) {
    Set(-32768, 0, 1);
    Stick.Poll();
    SDL_JoystickClose(Handle);
    Handle = nullptr;
    SDL_JoystickDetachVirtual(Index);
    Index = -1;
    Stick.Poll();
    EXPECT_FALSE(Stick.Held(JoyInput::Left));
    EXPECT_FALSE(Stick.Held(4));
}

TEST(SdlJoystickAbsent, NoDeviceMeansNoJoystick) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    TSdlJoystickSystem system;
    ASSERT_TRUE(system.Ready());
    EXPECT_EQ(TSdlJoystickDevice::Open(SDL_NumJoysticks()), nullptr);
    EXPECT_EQ(TSdlJoystickDevice::Open(-1), nullptr);
}

} // namespace

#include "game/Joystick.h"

#include <gtest/gtest.h>

namespace {

// A device whose state the test sets; it shares that state with the test.
struct TFakeState {
    bool Answers = true;
    int32_t XMin = 0, XMax = 65535, YMin = 0, YMax = 65535;
    int32_t X = 32767, Y = 32767;
    uint32_t Buttons = 0;
    int32_t Reads = 0;
};

class TFakeDevice : public TJoystickDevice {
  public:
    explicit TFakeDevice(TFakeState& s) : S(s) {}
    bool ReadCaps(int32_t& a, int32_t& b, int32_t& c, int32_t& d) override {
        a = S.XMin, b = S.XMax, c = S.YMin, d = S.YMax;
        return S.Answers;
    }
    bool ReadX(int32_t& x) override {
        ++S.Reads;
        x = S.X;
        return S.Answers;
    }
    bool ReadY(int32_t& y) override {
        ++S.Reads;
        y = S.Y;
        return S.Answers;
    }
    bool ReadButtons(uint32_t& b) override {
        ++S.Reads;
        b = S.Buttons;
        return S.Answers;
    }

  private:
    TFakeState& S;
};

class JoystickTest : public ::testing::Test {
  protected:
    void SetUp() override { Stick.Create(std::make_unique<TFakeDevice>(State)); }
    TFakeState State;
    TJoystick Stick;
};

TEST_F(JoystickTest, CentreAndRangeComeFromTheCaps) {
    EXPECT_TRUE(Stick.Present);
    EXPECT_EQ(Stick.CentreX, 32767);
    EXPECT_EQ(Stick.RangeX, 65535);
    TFakeState sdl;
    sdl.XMin = sdl.YMin = -32768;
    sdl.XMax = sdl.YMax = 32767;
    TJoystick other;
    other.Create(std::make_unique<TFakeDevice>(sdl));
    EXPECT_EQ(other.CentreX, 0); // -0.5 truncates to 0
    TFakeState extreme;
    extreme.XMin = INT32_MIN;
    extreme.XMax = INT32_MAX;
    other.Create(std::make_unique<TFakeDevice>(extreme));
    EXPECT_EQ(other.CentreX, 0);
    EXPECT_EQ(other.RangeX, INT32_MAX);
}

TEST_F(JoystickTest, ThresholdsAreFiveThousandRawUnits) {
    struct Case {
        int32_t dx, dy;
        bool left, right, up, down;
    } cases[] = {
        {0, 0, false, false, false, false},    {-4999, 0, false, false, false, false},
        {-5000, 0, true, false, false, false}, {4999, 0, false, false, false, false},
        {5000, 0, false, true, false, false},  {0, -5000, false, false, true, false},
        {0, 5000, false, false, false, true},  {-32767, 32768, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        Stick.Reset();
        State.X = 32767 + c.dx;
        State.Y = 32767 + c.dy;
        Stick.Poll();
        EXPECT_EQ(Stick.Held(JoyInput::Left), c.left);
        EXPECT_EQ(Stick.Held(JoyInput::Right), c.right);
        EXPECT_EQ(Stick.Held(JoyInput::Up), c.up);
        EXPECT_EQ(Stick.Held(JoyInput::Down), c.down);
        // From the centre, held now means pressed now.
        EXPECT_EQ(Stick.Pressed(JoyInput::Left), c.left);
        EXPECT_EQ(Stick.Pressed(JoyInput::Down), c.down);
    }
}

TEST_F(JoystickTest, StickHeldLeftIsPressedOnTheFirstTickOnly) {
    State.X = 0;
    Stick.Poll();
    EXPECT_TRUE(Stick.Pressed(JoyInput::Left));
    for (int tick = 0; tick < 3; ++tick) {
        Stick.Poll();
        EXPECT_TRUE(Stick.Held(JoyInput::Left));
        EXPECT_FALSE(Stick.Pressed(JoyInput::Left));
        EXPECT_FALSE(Stick.Released(JoyInput::Left));
    }
    State.X = 32767;
    Stick.Poll();
    EXPECT_TRUE(Stick.Released(JoyInput::Left));
    Stick.Poll();
    EXPECT_FALSE(Stick.Released(JoyInput::Left));
    EXPECT_EQ(State.Reads, 3 * 6 + 1); // three queries per poll, one at creation
}

TEST_F(JoystickTest, ButtonsAreInputsFourToThirtyFive) {
    State.Buttons = 1u << 3; // button 4
    Stick.Poll();
    EXPECT_TRUE(Stick.Held(7));
    EXPECT_TRUE(Stick.Pressed(7));
    EXPECT_TRUE(Stick.AnyButtonPressed());
    EXPECT_FALSE(Stick.Held(6));
    State.Buttons = 1u << 31; // button 32
    Stick.Poll();
    EXPECT_TRUE(Stick.Pressed(35));
    EXPECT_TRUE(Stick.Released(7));
    for (int32_t input : {-1, 36, 1000}) {
        EXPECT_FALSE(Stick.Held(input));
        EXPECT_FALSE(Stick.Pressed(input));
        EXPECT_FALSE(Stick.Released(input));
    }
    Stick.Poll();
    EXPECT_FALSE(Stick.AnyButtonPressed());
}

TEST_F(JoystickTest, ResetMakesAHeldButtonNewAgain) {
    State.Buttons = 1;
    Stick.Poll();
    Stick.Poll();
    EXPECT_FALSE(Stick.Pressed(4));
    Stick.Reset();
    EXPECT_FALSE(Stick.Pressed(4)); // nothing counts right after the reset
    EXPECT_FALSE(Stick.Held(4));
    Stick.Poll();
    EXPECT_TRUE(Stick.Pressed(4));
}

TEST(JoystickAbsent, AnswersFalseEverywhere) {
    TFakeState silent;
    silent.Answers = false;
    TJoystick stick;
    stick.Create(std::make_unique<TFakeDevice>(silent));
    EXPECT_FALSE(stick.Present);
    silent.X = 0;
    silent.Buttons = ~0u;
    stick.Poll();
    for (int32_t input = 0; input < JoyInput::Count; ++input) {
        EXPECT_FALSE(stick.Held(input));
        EXPECT_FALSE(stick.Pressed(input));
    }
    EXPECT_FALSE(stick.AnyButtonPressed());
    EXPECT_EQ(stick.AxisX(), -1);
    TJoystick none;
    none.Create(nullptr);
    EXPECT_FALSE(none.Present);
}

TEST_F(JoystickTest, DeviceThatGoesAwayReadsAsCentred) {
    State.X = 0;
    State.Buttons = 1;
    Stick.Poll();
    State.Answers = false;
    Stick.Poll();
    EXPECT_FALSE(Stick.Held(JoyInput::Left));
    EXPECT_FALSE(Stick.Held(4));
    EXPECT_TRUE(Stick.Released(JoyInput::Left));
}

} // namespace

#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetInputState();
        ResetMainLoop();
        ResetMainWindow();
        StartPhase = false;
    }
    void TearDown() override {
        ResetInputState();
        ResetMainLoop();
        ResetMainWindow();
    }
};

struct TPlainLevel : TLoopLevel {
    std::string FileName() const override { return "Level.map"; }
    TMouseView MouseView() const override { return View; }
    TMouseView View;
};

TEST_F(InputTest, HeldKeyIsNewInExactlyOneTick) {
    SetKey(Vk::Left, true);
    EXPECT_TRUE(IsNewPress(Vk::Left));
    EXPECT_TRUE(AnyNewPress());
    EndTick();
    EXPECT_TRUE(IsKeyDown(Vk::Left));
    EXPECT_FALSE(IsNewPress(Vk::Left));
    EXPECT_FALSE(AnyNewPress());
    EndTick();
    EXPECT_FALSE(IsNewPress(Vk::Left));
    SetKey(Vk::Left, false);
    EndTick();
    SetKey(Vk::Left, true); // pressed again: new again
    EXPECT_TRUE(IsNewPress(Vk::Left));
}

TEST_F(InputTest, PressAndReleaseBetweenTicksIsLost) {
    SetKey(Vk::Space, true);
    SetKey(Vk::Space, false);
    EXPECT_FALSE(IsKeyDown(Vk::Space));
    EXPECT_FALSE(IsNewPress(Vk::Space));
    EXPECT_FALSE(AnyNewPress());
    EndTick();
    EXPECT_FALSE(IsNewPress(Vk::Space));
}

TEST_F(InputTest, WheelTurnsLastOneTickAndCountOnce) {
    FormMouseWheelUp();
    FormMouseWheelUp();
    EXPECT_TRUE(IsNewPress(KeyWheelUp));
    EndTick();
    EXPECT_FALSE(IsKeyDown(KeyWheelUp));
    EXPECT_FALSE(IsNewPress(KeyWheelUp));
    FormMouseWheelDown();
    EXPECT_TRUE(IsNewPress(KeyWheelDown));
    EndTick();
    EXPECT_FALSE(IsKeyDown(KeyWheelDown));
}

TEST_F(InputTest, ChangesBeyondTheListStayNewUntilListedAgain) {
    for (int32_t i = 0; i < MaxChangedKeys; ++i)
        SetKey(1000 + (i % 500), (i / 500) % 2 == 0);
    EXPECT_EQ(ChangedKeys.size(), size_t(MaxChangedKeys));
    SetKey(Vk::Right, true); // list full: written, not listed
    EXPECT_EQ(ChangedKeys.size(), size_t(MaxChangedKeys));
    EXPECT_TRUE(IsKeyDown(Vk::Right));
    EndTick();
    EXPECT_TRUE(IsNewPress(Vk::Right)); // not copied by EndTick
    EndTick();
    EXPECT_TRUE(IsNewPress(Vk::Right));
    SetKey(Vk::Right, true); // listed again
    EndTick();
    EXPECT_FALSE(IsNewPress(Vk::Right));
}

TEST_F(InputTest, CodesOutsideTheTablesAreIgnored) {
    for (int32_t code : {-1, KeyTableSize, KeyTableSize + 1, INT_MAX, INT_MIN}) {
        SetKey(code, true);
        EXPECT_FALSE(IsKeyDown(code));
        EXPECT_FALSE(IsNewPress(code));
    }
    EXPECT_TRUE(ChangedKeys.empty());
    SetKey(KeyTableSize - 1, true); // the last entry is a real one
    EXPECT_TRUE(IsKeyDown(KeyTableSize - 1));
    EndTick();
}

TEST_F(InputTest, ClearKeysForgetsEverything) {
    SetKey(Vk::Up, true);
    EndTick();
    SetKey(Vk::Down, true);
    ClearKeys();
    EXPECT_FALSE(IsKeyDown(Vk::Up));
    EXPECT_FALSE(IsKeyDown(Vk::Down));
    EXPECT_TRUE(ChangedKeys.empty());
    SetKey(Vk::Up, true); // held through the clear: new again
    EXPECT_TRUE(IsNewPress(Vk::Up));
}

TEST(KeyTable, MapsBindingIndicesToVirtualKeys) {
    struct Case {
        int32_t index, vk;
    } cases[] = {{0, 37},  {1, 39},  {2, 38},  {3, 40},   {4, 17},   {5, 16},   {6, 18},
                 {7, 13},  {8, 32},  {9, 9},   {10, 8},   {11, 45},  {12, 46},  {13, 36},
                 {14, 35}, {15, 33}, {16, 34}, {17, 'A'}, {42, 'Z'}, {43, '0'}, {52, '9'}};
    for (const Case& c : cases)
        EXPECT_EQ(KeyTable[size_t(c.index)], c.vk) << c.index;
    EXPECT_STREQ(KeyTableNames[0], "Arrow left");
    EXPECT_STREQ(KeyTableNames[16], "Page down");
    // A stored index that is out of range gives the default binding.
    EXPECT_EQ(BoundKey(4, 0), Vk::Control);
    EXPECT_EQ(BoundKey(53, 1), Vk::Right);
    EXPECT_EQ(BoundKey(-1, 2), Vk::Up);
    EXPECT_EQ(BoundKey(-1, 99), 0);
}

TEST_F(InputTest, MouseEventIsRelativeToTheView) {
    TMouseView view;
    view.ViewLeft = 10;
    view.ViewTop = 20;
    MouseEvent(110, 70, ShiftLeftButton, view);
    EXPECT_EQ(GameMouse.X, 100);
    EXPECT_EQ(GameMouse.Y, 50);
    EXPECT_FLOAT_EQ(GameMouse.XF, 100.0f);
    EXPECT_TRUE(GameMouse.LeftDown);
    EXPECT_FALSE(GameMouse.RightDown);
    MouseEvent(120, 80, ShiftRightButton, view);
    EXPECT_EQ(GameMouse.PrevX, 100);
    EXPECT_EQ(GameMouse.PrevY, 50);
    EXPECT_FALSE(GameMouse.LeftDown);
    EXPECT_TRUE(GameMouse.RightDown);
}

TEST_F(InputTest, GameMouseMapsOntoThePlayingLayer) {
    struct Case {
        int32_t x, y;
        TBox2 rect;
        int32_t wantX, wantY;
    } cases[] = {
        {0, 0, {100, 200, 900, 800}, 100, 200},
        {400, 300, {100, 200, 900, 800}, 500, 500},
        {800, 600, {100, 200, 900, 800}, 900, 800},
        {1, 1, {0, 0, 1200, 900}, 2, 2}, // 1.5 rounds to 2
        {3, 3, {0, 0, 400, 300}, 2, 2},  // 1.5 again
        {400, 300, {-50, -50, 50, 50}, 0, 0},
    };
    for (const Case& c : cases) {
        TMouseView view;
        view.ViewWidth = 800;
        view.ViewHeight = 600;
        view.PlayRect = c.rect;
        MouseEvent(c.x, c.y, 0, view);
        UpdateGameMouse(1, view);
        EXPECT_EQ(GameMouse.WorldX, c.wantX) << c.x << "," << c.y;
        EXPECT_EQ(GameMouse.WorldY, c.wantY) << c.x << "," << c.y;
        EXPECT_EQ(GameMouse.WorldXF, float(c.wantX));
    }
}

TEST_F(InputTest, ViewWithNoAreaKeepsTheLastWorldPoint) {
    TMouseView view;
    view.ViewWidth = 800;
    view.ViewHeight = 600;
    view.PlayRect = {0, 0, 800, 600};
    MouseEvent(10, 20, 0, view);
    UpdateGameMouse(1, view);
    for (auto [w, h] : {std::pair{0, 600}, std::pair{800, 0}, std::pair{-5, -5}}) {
        view.ViewWidth = w;
        view.ViewHeight = h;
        MouseEvent(30, 40, 0, view);
        UpdateGameMouse(1, view);
        EXPECT_EQ(GameMouse.WorldX, 10);
        EXPECT_EQ(GameMouse.WorldY, 20);
    }
}

TEST_F(InputTest, StillMouseCountsTicksUpTo300) {
    TMouseView view;
    MouseEvent(5, 5, 0, view);
    UpdateGameMouse(3, view);
    EXPECT_EQ(GameMouse.StillTicks, 0); // it moved in this event
    UpdateGameMouse(299, view);
    EXPECT_EQ(GameMouse.StillTicks, 299);
    EXPECT_FALSE(GameMouse.Still);
    UpdateGameMouse(50, view);
    EXPECT_EQ(GameMouse.StillTicks, 300);
    EXPECT_TRUE(GameMouse.Still);
    MouseEvent(6, 5, 0, view);
    UpdateGameMouse(1, view);
    EXPECT_EQ(GameMouse.StillTicks, 0);
    EXPECT_FALSE(GameMouse.Still);
}

TEST(WindowToPixels, ScalesAndRefusesEmptySizes) {
    struct Case {
        int32_t x, y, ww, wh, pw, ph;
        bool ok;
        int32_t wantX, wantY;
    } cases[] = {
        {100, 50, 800, 600, 800, 600, true, 100, 50},
        {100, 50, 800, 600, 1600, 1200, true, 200, 100}, // a high-density display
        {799, 599, 800, 600, 400, 300, true, 399, 299},
        {1, 1, 0, 600, 800, 600, false, -7, -7},
        {1, 1, 800, 0, 800, 600, false, -7, -7},
        {1, 1, 800, 600, 0, 0, false, -7, -7},
    };
    for (const Case& c : cases) {
        int32_t x = -7, y = -7;
        EXPECT_EQ(WindowToPixels(c.x, c.y, c.ww, c.wh, c.pw, c.ph, x, y), c.ok);
        EXPECT_EQ(x, c.wantX);
        EXPECT_EQ(y, c.wantY);
    }
}

TEST_F(InputTest, NameEntryTakesCharactersUpToItsLength) {
    TPlainLevel level;
    LoopLevel = &level;
    TTextInput name;
    ActiveTextInput = &name;
    for (uint32_t ch : {uint32_t(' '), uint32_t('A'), uint32_t(' '), uint32_t(13), uint32_t(8),
                        uint32_t(0x00E9), uint32_t(0x0416), uint32_t(0x1F600), uint32_t(0xD800)})
        FormKeyPress(ch);
    EXPECT_EQ(name.Text, u"A \u00e9\u0416"); // no leading blank, no Enter or Backspace, no emoji
    for (char c : std::string("bcdefghijk"))
        FormKeyPress(uint32_t(c));
    EXPECT_EQ(name.Text, u"A \u00e9\u0416bcdefg"); // cut to 10
    FormKeyDown(Vk::Back);
    EXPECT_EQ(name.Text, u"A \u00e9\u0416bcdef");
    EXPECT_FALSE(IsKeyDown(Vk::Back)); // the erase took the key
    name.Text.clear();
    FormKeyDown(Vk::Back); // nothing to erase: the key reaches the table
    EXPECT_TRUE(IsKeyDown(Vk::Back));
    ActiveTextInput = nullptr;
    FormKeyPress('x');
    EXPECT_TRUE(name.Text.empty());
}

TEST_F(InputTest, PauseTogglesWithoutReachingTheTables) {
    FormKeyDown(Vk::Pause);
    EXPECT_TRUE(Paused);
    EXPECT_TRUE(ResetTiming);
    EXPECT_FALSE(IsKeyDown(Vk::Pause));
    ResetTiming = false;
    TimerEnabled = false;
    FormKeyDown(Vk::Pause);
    EXPECT_FALSE(Paused);
    EXPECT_TRUE(ResetTiming);
    EXPECT_TRUE(TimerEnabled); // leaving pause starts a stopped timer
}

TEST_F(InputTest, EscapeWithNoLevelIsTheWayOut) {
    StartPhase = true;
    FormKeyDown(Vk::Escape);
    EXPECT_FALSE(QuitRequested);
    StartPhase = false;
    TPlainLevel level;
    LoopLevel = &level; // a level handles Escape in its tick
    FormKeyDown(Vk::Escape);
    EXPECT_FALSE(QuitRequested);
    LoopLevel = nullptr;
    FormKeyDown(Vk::Escape);
    EXPECT_TRUE(QuitRequested);
}

TEST_F(InputTest, ClickThatReactivatesTheWindowIsNotSeen) {
    TPlainLevel level;
    LoopLevel = &level;
    FocusLost = true;
    FormMouseDown(MouseButtonLeft, 50, 60, ShiftLeftButton);
    EXPECT_FALSE(FocusLost);
    EXPECT_FALSE(IsKeyDown(KeyMouseLeft));
    EXPECT_EQ(GameMouse.X, 0);
    FormMouseDown(MouseButtonLeft, 50, 60, ShiftLeftButton);
    EXPECT_TRUE(IsNewPress(KeyMouseLeft));
    EXPECT_EQ(GameMouse.X, 50);
    FormMouseUp(MouseButtonLeft, 50, 60, 0);
    EXPECT_FALSE(IsKeyDown(KeyMouseLeft));
    FormMouseDown(7, 0, 0, 0); // an extra button is no pseudo key
    EXPECT_EQ(ChangedKeys.size(), 2u);
}

TEST_F(InputTest, CursorHidesAfterTwoSecondsStill) {
    EXPECT_FALSE(UpdateCursorIdle(2000, 300, 300));
    EXPECT_TRUE(UpdateCursorIdle(1, 300, 300));
    EXPECT_EQ(HiddenAtX, 300);
    FormMouseMove(350, 390, 0); // a small move keeps it hidden
    EXPECT_TRUE(UpdateCursorIdle(1, 350, 390));
    FormMouseMove(401, 300, 0); // more than 100 pixels away shows it
    EXPECT_FALSE(UpdateCursorIdle(1, 401, 300));
}

} // namespace

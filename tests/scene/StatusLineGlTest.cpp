// The status line over "Zestars.map" drawn with OpenGL at 640 × 480, with the
// shipped font and pictures: with a diving suit carried (its icon slid into
// its slot and its bar), under water without one (the air panel), and during
// the low-score warning (the red arrows beside the score). Each frame is
// saved as a PNG beside the build ("status-line-*.png").
#include "XvfbEnvironment.h"

#include "LevelWorld.h"
#include "ScenePixels.h"

#include "app/Ease.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/Paths.h"
#include "assets/Font.h"
#include "assets/MassFile.h"
#include "assets/Texts.h"
#include "game/GameMan.h"
#include "gameplay/LevelBoosts.h"
#include "level/Mechanics.h"
#include "level/StatusLine.h"
#include "physics/Rollix.h"
#include "platform/GlWindow.h"
#include "platform/Screenshot.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace level_world;

namespace {

constexpr int32_t FrameW = 640, FrameH = 480;

class StatusLineGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf"))
            GTEST_SKIP() << "the content has not been built";
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        ResetLevelGlobals();
        FillEaseTables();
        SetLogSink([this](const std::string& line) { Log.push_back(line); });
        InitAppDir(ROLLIX_BUILD_DIR);
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
        SetLanguage("English");
        CreateMechanics();
        InstallGameHooks();
        Gl = std::make_unique<TGlWindow>("Rollix status line test", FrameW, FrameH);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        ScreenWidth = Gl->DrawnWidth;
        ScreenHeight = Gl->DrawnHeight;
        MubFont = std::make_unique<TMubFont>();
        std::string error;
        ASSERT_TRUE(LoadRunLevel("Zestars.map", error)) << error;
        ASSERT_EQ(RunScriptedTicks(100, TInputScript{}, nullptr), 100);
        ASSERT_NE(CurrentLevel, nullptr);
        ASSERT_NE(CurrentLevel->Player(), nullptr);
    }
    void TearDown() override {
        ResetGame();
        MubFont.reset();
        Gl.reset(); // the textures go while their context still exists
        TexLib.Clear();
        MassFile.Clear();
        ResetTexts();
        ResetMechanics();
        ResetRenderState();
        ResetLevelGlobals();
        SetLogSink(nullptr);
    }

    // One frame, saved under the name; its pixels, top row first.
    std::vector<uint8_t> Frame(const std::string& name) {
        DrawFrame(*LoopLevel);
        std::vector<uint8_t> rgba;
        Renderer().ReadPixels(0, 0, FrameW, FrameH, rgba);
        EXPECT_EQ(rgba.size(), size_t(FrameW) * FrameH * 4);
        const std::string png = std::string(ROLLIX_BUILD_DIR) + "/status-line-" + name + ".png";
        EXPECT_TRUE(SaveScreenshot(png, FrameW, FrameH, rgba)) << png;
        std::vector<uint8_t> top(rgba.size());
        for (int32_t y = 0; y < FrameH; ++y)
            std::copy_n(&rgba[size_t(FrameH - 1 - y) * FrameW * 4], size_t(FrameW) * 4,
                        &top[size_t(y) * FrameW * 4]);
        return top;
    }
    // Pixels passing the test in a box of status-line units (1024 × 768 here).
    static int32_t Count(const std::vector<uint8_t>& rgba, TBox2 box,
                         const std::function<bool(const uint8_t*)>& test) {
        const float k = float(FrameW) / 1024.0f;
        int32_t n = 0;
        for (int32_t y = std::max(0, int32_t(box.Top * k)); y < std::min(FrameH, int32_t(box.Bottom * k));
             ++y)
            for (int32_t x = std::max(0, int32_t(box.Left * k)); x < std::min(FrameW, int32_t(box.Right * k));
                 ++x)
                n += test(&rgba[(size_t(y) * FrameW + size_t(x)) * 4]) ? 1 : 0;
        return n;
    }
    TRollix& Player() { return *CurrentLevel->Player(); }
    TBoost* PlacedOfType(int32_t type) {
        for (const auto& b : CurrentLevel->Boosts.Items)
            if (b->Type == type) return b.get();
        return nullptr;
    }

    std::vector<std::string> Log;
    std::unique_ptr<TGlWindow> Gl;
};

// The score's red and the time's light blue, as drawn over the night.
bool Reddish(const uint8_t* p) {
    return p[0] > 120 && p[0] > p[1] + 50 && p[0] > p[2] + 30;
}
bool PaleBlue(const uint8_t* p) {
    return p[2] > 150 && p[0] > 110 && p[2] >= p[0] + 10;
}
bool Bright(const uint8_t* p) {
    return p[0] + p[1] + p[2] > 400;
}

TEST_F(StatusLineGlTest, ADivingSuitCarriedShowsItsIconAndBar) {
    TBoost* diver = PlacedOfType(BoostType::Diver);
    ASSERT_NE(diver, nullptr) << "Zestars has a diving suit";
    CurrentLevel->BoostHooks.Take(*diver, Player());
    RunScriptedTicks(HudSlideTicks + 10, TInputScript{}, nullptr);
    const TBoosts* carried = CurrentLevel->BoostHooks.CarriedOf(std::as_const(Player()));
    ASSERT_TRUE(carried && carried->Count() == 1);
    const TVec2 slot = carried->Items[0]->HudSlot;
    EXPECT_EQ(carried->Items[0]->HudPos, slot);
    const auto rgba = Frame("diver");
    // The icon: the suit's orb drawn small at its slot; the bar, still
    // nearly full and green, under it.
    EXPECT_GT(Count(rgba, {slot.X - 20, slot.Y - 20, slot.X + 20, slot.Y + 20}, Bright), 20) << "the icon";
    EXPECT_GT(Count(rgba, {slot.X - 32, slot.Y + 22, slot.X + 32, slot.Y + 34},
                    [](const uint8_t* p) { return p[1] > 180 && p[1] > p[0] + 60 && p[1] > p[2] + 60; }),
              30)
        << "the green bar";
    // The time and the bonus at the bottom, the score in red at the top.
    EXPECT_GT(Count(rgba, {400, 768 - 75, 624, 768 - 25}, PaleBlue), 40) << "time and bonus";
    EXPECT_GT(Count(rgba, {440, 15, 584, 45}, Reddish), 20) << "the score below the target";
    for (const std::string& line : Log)
        EXPECT_EQ(line.find("error"), std::string::npos) << line;
}

TEST_F(StatusLineGlTest, UnderWaterTheAirPanelShows) {
    ASSERT_FALSE(CurrentLevel->Waters.empty()) << "Zestars has a pool";
    const TBox2 pool = CurrentLevel->Waters.front()->Bounds;
    // The rubber body floats: it is held down in the middle of the pool
    // until it has lost some air.
    for (int32_t i = 0; i < 220; ++i) {
        Player().PlaceAt(false, (pool.Top + pool.Bottom) * 0.5f + 30.0f, (pool.Left + pool.Right) * 0.5f);
        RunScriptedTicks(1, TInputScript{}, nullptr);
    }
    ASSERT_TRUE(Player().HalfInWater) << "the player is under water";
    ASSERT_LE(Player().Oxygen, 5800);
    const auto rgba = Frame("under-water");
    // The panel at the bottom middle, its bar (air left: green to yellow).
    EXPECT_GT(Count(rgba, {432, 768 - 106, 592, 768 - 74}, [](const uint8_t* p) { return p[2] > 120; }), 400)
        << "the air panel";
    EXPECT_GT(Count(rgba, {470, 768 - 96, 580, 768 - 84},
                    [](const uint8_t* p) { return p[1] > 150 && p[2] < 120; }),
              20)
        << "the air bar";
}

TEST_F(StatusLineGlTest, TheLowScoreWarningShowsItsArrows) {
    ASSERT_LT(Player().Points, CurrentLevel->Header.TargetScore);
    CurrentLevel->WarnLowScore();
    RunScriptedTicks(60, TInputScript{}, nullptr);
    ASSERT_GT(CurrentLevel->WarnTimer, 25);
    const auto rgba = Frame("warning");
    const int32_t k = WarnSwing(CurrentLevel->WarnPhase);
    const float b = 25.0f * EaseIn(0.04f * float(k));
    const float right = 512.0f + 150.0f - b, left = 512.0f - 150.0f + b + 3.0f;
    EXPECT_GT(Count(rgba, {right - 25, 25, right + 25, 55}, Reddish), 40) << "the right arrow";
    EXPECT_GT(Count(rgba, {left - 25, 25, left + 25, 55}, Reddish), 40) << "the left arrow";
    // Nothing of them outside the warning.
    CurrentLevel->WarnTimer = 0;
    const auto calm = Frame("calm");
    EXPECT_LT(Count(calm, {right - 25, 25, right + 25, 55}, Reddish), 5);
}

} // namespace

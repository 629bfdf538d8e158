// The main level as the game shows it: "Zestars.map" from the built archive,
// played 100 ticks and drawn with OpenGL at 640 × 480. The frame is saved as
// a PNG beside the build and must show the night sky above, terrain below
// and the player's orange coat where the player is.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"
#include "ScenePixels.h"

#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/InputState.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "assets/Font.h"
#include "assets/MassFile.h"
#include "assets/Texts.h"
#include "game/GameMan.h"
#include "level/Mechanics.h"
#include "physics/Rollix.h"
#include "physics/RollixsMan.h"
#include "platform/GlWindow.h"
#include "platform/Screenshot.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace level_world;
using scene_pixels::TRgb;

namespace {

constexpr int32_t FrameW = 640, FrameH = 480;

class ZestarsGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf"))
            GTEST_SKIP() << "the content has not been built";
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        ResetLevelGlobals();
        SetLogSink([this](const std::string& line) { Log.push_back(line); });
        InitAppDir(ROLLIX_BUILD_DIR);
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
        CreateMechanics();
        InstallGameHooks();
        Gl = std::make_unique<TGlWindow>("Rollix main level test", FrameW, FrameH);
        ASSERT_TRUE(Gl->Ready()) << Gl->Why();
        ScreenWidth = Gl->DrawnWidth;
        ScreenHeight = Gl->DrawnHeight;
    }
    void TearDown() override {
        ResetGame();
        Gl.reset(); // the textures go while their context still exists
        TexLib.Clear();
        MassFile.Clear();
        ResetMechanics();
        ResetRenderState();
        ResetLevelGlobals();
        SetLogSink(nullptr);
    }

    std::vector<std::string> Log;
    std::unique_ptr<TGlWindow> Gl;
};

// The night: blue well above red and green (the rock's bluish grey is not).
bool IsSky(const TRgb& c) {
    return c[2] >= c[0] + 30 && c[2] >= c[1] + 30;
}
// The coat: a warm orange, well apart from the night's blues and the meadow's greens.
bool IsCoat(const TRgb& c) {
    return c[0] > 150 && c[0] > c[1] + 30 && c[1] > c[2] + 20;
}

TEST_F(ZestarsGlTest, FirstFrameAfterAHundredTicksShowsSkyTerrainAndThePlayer) {
    std::string error;
    ASSERT_TRUE(LoadRunLevel("Zestars.map", error)) << error;
    ASSERT_EQ(RunScriptedTicks(100, TInputScript{}, nullptr), 100);
    ASSERT_NE(CurrentLevel, nullptr);
    TRollix* player =
        CurrentLevel->Characters.Count() > 0 ? CurrentLevel->Characters.Items[0].get() : nullptr;
    ASSERT_NE(player, nullptr);

    DrawFrame(*LoopLevel);
    std::vector<uint8_t> rgba;
    Renderer().ReadPixels(0, 0, FrameW, FrameH, rgba);
    ASSERT_EQ(rgba.size(), size_t(FrameW) * FrameH * 4);
    const std::string png = std::string(ROLLIX_BUILD_DIR) + "/zestars-tick100.png";
    EXPECT_TRUE(SaveScreenshot(png, FrameW, FrameH, rgba)) << png;

    auto at = [&](int32_t x, int32_t y) {
        const uint8_t* p = &rgba[(size_t(FrameH - 1 - y) * FrameW + size_t(x)) * 4];
        return TRgb{p[0], p[1], p[2]};
    };
    // Share of sampled pixels in a band of rows that pass a test.
    auto share = [&](int32_t top, int32_t bottom, bool (*test)(const TRgb&)) {
        int32_t hits = 0, all = 0;
        for (int32_t y = top; y < bottom; y += 4)
            for (int32_t x = 0; x < FrameW; x += 4, ++all)
                hits += test(at(x, y)) ? 1 : 0;
        return double(hits) / all;
    };
    // Scenery may rise into the top, but most of it is sky.
    EXPECT_GT(share(0, FrameH / 10, IsSky), 0.6) << "the night sky across the top";
    EXPECT_GT(share(FrameH * 17 / 20, FrameH, [](const TRgb& c) { return !IsSky(c); }), 0.9)
        << "terrain across the bottom";

    // The player, mapped through the playing layer's view to the window.
    const TBox2& view = FrameView.View;
    ASSERT_GT(view.Right - view.Left, 0.0f);
    ASSERT_GT(view.Bottom - view.Top, 0.0f);
    const float sx = FrameW / (view.Right - view.Left), sy = FrameH / (view.Bottom - view.Top);
    const int32_t px = int32_t((player->Centre.X - view.Left) * sx),
                  py = int32_t((player->Centre.Y - view.Top) * sy);
    ASSERT_TRUE(px >= 8 && px < FrameW - 8 && py >= 8 && py < FrameH - 8)
        << "the camera keeps the player in view: (" << px << ", " << py << ")";
    // The coat fills most of the body round its face.
    int32_t coat = 0;
    for (int32_t dy = -12; dy <= 12; ++dy)
        for (int32_t dx = -12; dx <= 12; ++dx)
            coat += IsCoat(at(px + dx, py + dy)) ? 1 : 0;
    const TRgb middle = at(px, py);
    EXPECT_GE(coat, 150) << "the coat around the player's centre; the centre shows " << middle[0] << ", "
                         << middle[1] << ", " << middle[2];
    // Nowhere near the top of the sky is the coat.
    EXPECT_EQ(share(0, FrameH / 10, IsCoat), 0.0);

    for (const std::string& line : Log)
        EXPECT_EQ(line.find("error"), std::string::npos) << line;
}

// Drawing never changes the game: the scripted gate run through Zestars, with
// a GL frame drawn every tenth tick and on each switching frame, takes the
// same state hashes as the same run with nothing drawn, through the finish,
// the switch and the fade.
TEST_F(ZestarsGlTest, GateRunTakesTheSameHashesDrawnOrNot) {
    TInputScript script;
    std::string error;
    ASSERT_TRUE(LoadInputScript(std::string(ROLLIX_SOURCE_DIR) + "/scripts/zestars-gate.txt", script, error))
        << error;
    const int32_t width = ScreenWidth, height = ScreenHeight;
    auto run = [&](bool draw) {
        ResetGame();
        InstallGameHooks();
        ScreenWidth = width;
        ScreenHeight = height;
        FillRandomTable();
        Seed(100);
        std::vector<std::string> hashes;
        std::string why;
        if (!LoadRunLevel("Zestars.map", why)) {
            ADD_FAILURE() << why;
            return hashes;
        }
        RunScriptedTicks(2100, script, [&](int32_t tick) {
            if (draw && (tick % 10 == 0 || LoopLevel->CrossFadeRunning())) {
                DrawFrame(*LoopLevel);
                Seed(100);
            }
            if (tick % 100 == 0) hashes.push_back(StateHashText(tick));
        });
        return hashes;
    };
    const std::vector<std::string> drawn = run(true);
    ASSERT_NE(GameMan, nullptr);
    EXPECT_EQ(GameMan->FinishedLevel, "Zestars.map") << "the run passes the gate";
    const std::vector<std::string> plain = run(false);
    ASSERT_EQ(drawn.size(), 21u);
    EXPECT_EQ(drawn, plain);
}

// The ghost of an earlier run: a first run rolls right from the start; the
// second waits 40 ticks first, so at tick 120 the first run's pale body
// rolls ahead of the player, lightening the picture where it is and
// nowhere near the player. The frame is saved beside the build.
TEST_F(ZestarsGlTest, TheGhostOfAnEarlierRunRollsAheadOfThePlayer) {
    std::string error;
    ASSERT_TRUE(LoadRunLevel("Zestars.map", error)) << error;
    SetKey(Vk::Right, true);
    RunScriptedTicks(200, TInputScript{}, nullptr);
    SetKey(Vk::Right, false);
    const TGhostTrack earlier = CurrentLevel->RunTrack;
    ASSERT_EQ(earlier.Ticks(), 200);

    ResetGame();
    InstallGameHooks();
    ResetInputState();
    ASSERT_TRUE(LoadRunLevel("Zestars.map", error)) << error;
    CurrentLevel->Ghost = earlier;
    RunScriptedTicks(40, TInputScript{}, nullptr);
    SetKey(Vk::Right, true);
    RunScriptedTicks(80, TInputScript{}, nullptr);
    SetKey(Vk::Right, false);
    ASSERT_EQ(CurrentLevel->TickCounter, 120);

    auto frame = [&](bool ghost) {
        GhostShown = ghost;
        DrawFrame(*LoopLevel);
        std::vector<uint8_t> rgba;
        Renderer().ReadPixels(0, 0, FrameW, FrameH, rgba);
        GhostShown = true;
        return rgba;
    };
    const std::vector<uint8_t> with = frame(true), without = frame(false);
    ASSERT_EQ(with.size(), size_t(FrameW) * FrameH * 4);
    EXPECT_TRUE(SaveScreenshot(std::string(ROLLIX_BUILD_DIR) + "/zestars-ghost.png", FrameW, FrameH, with));

    const TBox2& view = FrameView.View;
    const float sx = FrameW / (view.Right - view.Left), sy = FrameH / (view.Bottom - view.Top);
    auto screen = [&](TVec2 p) {
        return std::pair<int32_t, int32_t>{int32_t((p.X - view.Left) * sx), int32_t((p.Y - view.Top) * sy)};
    };
    const std::vector<TVec2> outline = earlier.OutlineAt(120);
    ASSERT_FALSE(outline.empty());
    TVec2 centre;
    for (TVec2 p : outline)
        centre += p;
    centre = centre * (1.0f / float(outline.size()));
    ASSERT_GT(centre.X, CurrentLevel->Player()->Centre.X + 60.0f) << "the earlier run is ahead";
    // The sum of the colour channels round a point, with and without the ghost.
    auto light = [&](const std::vector<uint8_t>& rgba, std::pair<int32_t, int32_t> at) {
        int64_t sum = 0;
        for (int32_t dy = -4; dy <= 4; ++dy)
            for (int32_t dx = -4; dx <= 4; ++dx) {
                const int32_t x = std::clamp(at.first + dx, 0, FrameW - 1);
                const int32_t y = std::clamp(at.second + dy, 0, FrameH - 1);
                const uint8_t* p = &rgba[(size_t(FrameH - 1 - y) * FrameW + size_t(x)) * 4];
                sum += p[0] + p[1] + p[2];
            }
        return sum;
    };
    const auto ghostAt = screen(centre), playerAt = screen(CurrentLevel->Player()->Centre);
    EXPECT_GT(light(with, ghostAt), light(without, ghostAt) + 81 * 30) << "the ghost lightens its place";
    EXPECT_EQ(light(with, playerAt), light(without, playerAt)) << "the player is drawn as ever";
}

TEST_F(ZestarsGlTest, LoadingScreenShowsTheTitleAndTheGreenLoadingLine) {
    SetLanguage("English");
    ASSERT_EQ(VersionLine, u"version 1.14") << "the English file is shipped";
    MubFont = std::make_unique<TMubFont>();
    GameStarted = true;
    std::vector<uint8_t> rgba;
    {
        TLevel level;
        level.DrawLoadingScreen(24);
        Renderer().ReadPixels(0, 0, FrameW, FrameH, rgba);
    }
    GameStarted = false;
    MubFont.reset();
    ResetTexts();
    ASSERT_EQ(rgba.size(), size_t(FrameW) * FrameH * 4);
    EXPECT_TRUE(SaveScreenshot(std::string(ROLLIX_BUILD_DIR) + "/loading-screen.png", FrameW, FrameH, rgba));
    // The view is drawn as if 800 pixels wide, so rows scale by 640 / 800.
    auto count = [&](int32_t top, int32_t bottom, bool (*test)(const uint8_t*)) {
        int32_t n = 0;
        for (int32_t y = top; y < bottom; ++y)
            for (int32_t x = 0; x < FrameW; ++x)
                n += test(&rgba[(size_t(FrameH - 1 - y) * FrameW + size_t(x)) * 4]);
        return n;
    };
    const int32_t bottom = FrameH; // 600 view rows in 480 window rows
    auto lit = [](const uint8_t* p) { return p[0] + p[1] + p[2] > 120; };
    auto green = [](const uint8_t* p) { return p[1] > 90 && p[0] < 60 && p[2] < 110; };
    EXPECT_GT(count(FrameH / 2 - 40, FrameH / 2 + 40, lit), 2000) << "the title in the middle";
    EXPECT_GT(count(bottom - 60 * 480 / 600, bottom - 40 * 480 / 600 + 8, green), 30) << "the loading line";
    EXPECT_EQ(count(0, 40, lit), 0) << "black above the title";
}

} // namespace

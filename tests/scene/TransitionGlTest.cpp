// The three switch effects drawn with OpenGL into a real window, as the main
// loop draws them: a red scene switches to a blue one (a gate, a rotating
// gate into another level, a teleport inside the same level), and half way
// through each fade the frame must show both pictures. The frames are saved
// beside the test for a look.
#include "XvfbEnvironment.h"

#include "LevelWorld.h"
#include "ScenePixels.h"

#include "app/GameHooks.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "assets/Font.h"
#include "game/GameMan.h"
#include "platform/GlWindow.h"
#include "platform/Screenshot.h"
#include "render/RenderContext.h"

#include <filesystem>
#include <string>
#include <vector>

using namespace level_world;

namespace {

constexpr int32_t FrameW = 320, FrameH = 240;
constexpr scene_pixels::TRgb Red{230, 40, 40}, Blue{40, 40, 230};
constexpr float BlueFrom = 3500.0f; // the scene is red left of it, blue right of it
constexpr float RedStart = 0.0f, BlueStart = 7000.0f;

// A scene coloured all over: a backdrop that nothing touches and a floor, red
// up to BlueFrom and blue beyond, the player standing at startX.
std::vector<uint8_t> TwoColourLevel(float startX) {
    TLevel level;
    level.Header.LevelTitle = "Colours";
    level.Layers.Create(-1, {0.5f, 1.0f});
    auto add = [&](std::unique_ptr<TSplineObj> o, int32_t texture, bool collide) {
        for (auto& mesh : o->Body.Meshes)
            mesh->SetTextureIndex(texture);
        o->Collide = collide;
        level.SplineObjects.push_back(std::move(o));
    };
    add(MakeFloor(level, -4000.0f, BlueFrom, -4000.0f, 8000.0f), 0, false);
    add(MakeFloor(level, BlueFrom, 11000.0f, -4000.0f, 8000.0f), 1, false);
    add(MakeFloor(level, -4000.0f, BlueFrom, 300.0f), 0, true);
    add(MakeFloor(level, BlueFrom, 11000.0f, 300.0f), 1, true);
    TRollix* c = level.Characters.AddListed();
    c->StartFigure = 1;
    c->StartX = startX;
    c->StartY = 150.0f;
    return WriteLevelBytes(level);
}

// Pixels that show the red picture and pixels that show the blue one (alone
// or blended with the other, under the white of the flash).
struct TMix {
    int32_t Red = 0, Blue = 0;
};
TMix CountColours(const std::vector<uint8_t>& rgba) {
    TMix m;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const int r = rgba[i], g = rgba[i + 1], b = rgba[i + 2];
        m.Red += r - g > 4 ? 1 : 0;
        m.Blue += b - g > 4 ? 1 : 0;
    }
    return m;
}

class TransitionGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TXvfbEnvironment::Available()) GTEST_SKIP() << "no X server: " << TXvfbEnvironment::Why();
        ResetRenderState();
        ResetLevelGlobals();
        ResetMainLoop();
        ResetMainWindow();
        Archive = std::make_unique<TArchive>("transition-gl");
        Archive->Add({{"Textures\\Levels\\", "ground.png", scene_pixels::SolidPng(64, Red)},
                      {"Textures\\Levels\\", "blue.png", scene_pixels::SolidPng(64, Blue)},
                      {"Textures\\", "Rollix.TexLib",
                       WriteTexLibIndex({{"Levels\\ground.png"}, {"Levels\\blue.png"}})}});
        Archive->Add({{"Levels\\", "Red.map", TwoColourLevel(RedStart)},
                      {"Levels\\", "Blue.map", TwoColourLevel(BlueStart)}});
        ResetLevelGlobals();
        ScreenWidth = FrameW;
        ScreenHeight = FrameH;
        Gl = std::make_unique<TGlWindow>("Rollix transition test", FrameW, FrameH);
        if (!Gl->Ready()) GTEST_SKIP() << Gl->Why();
        ASSERT_EQ(Gl->DrawnWidth, FrameW);
        ASSERT_EQ(Gl->DrawnHeight, FrameH);
        TexLib.CreateWorkTexture("extra1");
        TexLib.CreateWorkTexture("extra2");
        MubFont = std::make_unique<TMubFont>();
        StartPhase = false;
        GameStarted = true;
        SetMilliClock([this] { return Now; });
        StartTickClock();
        Shots = std::filesystem::path(ROLLIX_BUILD_DIR) / "tests" / "scene" / "transition-shots";
        std::filesystem::create_directories(Shots);
    }
    void TearDown() override {
        ResetGame();
        MubFont.reset();
        Gl.reset(); // the textures go while their context still exists
        Archive.reset();
        ResetMainLoop();
        ResetMainWindow();
        ResetRenderState();
        ResetLevelGlobals();
    }
    void Event() {
        Now += 10;
        Timer1Timer(10);
    }
    // The frame of the current state, drawn as the main loop draws it.
    std::vector<uint8_t> Frame() {
        DrawFrame(*LoopLevel);
        std::vector<uint8_t> rgba;
        Renderer().ReadPixels(0, 0, FrameW, FrameH, rgba);
        return rgba;
    }

    std::unique_ptr<TArchive> Archive;
    std::unique_ptr<TGlWindow> Gl;
    std::filesystem::path Shots;
    uint32_t Now = 1000;
};

TEST_F(TransitionGlTest, EachEffectShowsBothPicturesHalfWayThroughItsFade) {
    struct Case {
        int32_t Kind;
        const char* Name;
        const char* Target; // none: a teleport inside the red level
    } cases[] = {
        {SwitchGate, "gate", "Blue.map"},
        {SwitchTeleport, "teleport", ""},
        {SwitchRotatingGate, "rotating-gate", "Blue.map"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ResetGame();
        InstallGameHooks();
        ASSERT_TRUE(GameHooks.LoadLevel("Red.map"));
        for (int32_t i = 0; i < 40; ++i)
            Event();
        const std::vector<uint8_t> old = Frame();
        EXPECT_TRUE(
            SaveScreenshot((Shots / (std::string(c.Name) + "-before.png")).string(), FrameW, FrameH, old));
        const TMix before = CountColours(old);
        EXPECT_GT(before.Red, FrameW * FrameH / 2) << "the old picture is red";
        EXPECT_EQ(before.Blue, 0);

        const TVec2 at = *c.Target ? CurrentLevel->Player()->Centre : TVec2{BlueStart, 150.0f};
        CurrentLevel->RequestLevelSwitch(c.Kind, at, c.Target, 0);
        Event(); // the old picture is captured
        Event(); // the new one, and the fade starts
        TLevel& level = *CurrentLevel;
        ASSERT_TRUE(level.CrossFadeRunning());
        while (level.FadeCounter > level.FadeLength / 2)
            Event();
        const std::vector<uint8_t> middle = Frame();
        EXPECT_TRUE(
            SaveScreenshot((Shots / (std::string(c.Name) + "-middle.png")).string(), FrameW, FrameH, middle));
        const TMix mixed = CountColours(middle);
        EXPECT_GT(mixed.Red, 100) << "the old picture shows half way";
        EXPECT_GT(mixed.Blue, 100) << "the new picture shows half way";

        while (level.CrossFadeRunning())
            Event();
        const std::vector<uint8_t> after = Frame();
        EXPECT_TRUE(
            SaveScreenshot((Shots / (std::string(c.Name) + "-after.png")).string(), FrameW, FrameH, after));
        const TMix done = CountColours(after);
        EXPECT_EQ(done.Red, 0) << "the new picture alone at the end";
        EXPECT_GT(done.Blue, FrameW * FrameH / 2);
    }
}

} // namespace

#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A level that records what the loop asks of it, in order.
struct TFakeLevel : TLoopLevel {
    std::string Name = "Level 1.map";
    bool IsRunning = true, MenuOpen = false, Help = false, Over = false, Menu = true, Listed = true;
    bool Due = false, CloseMenuInStep = false, ThrowInStep = false, Switches = true;
    int32_t Page = 0, Score = 0, Ticks = 0;
    std::vector<std::string> Log;

    std::string FileName() const override { return Name; }
    bool Running() const override { return IsRunning; }
    int32_t TickCounter() const override { return Ticks; }
    bool GameMenuOpen() const override { return MenuOpen; }
    bool HelpOpen() const override { return Help; }
    bool RoundOver() const override { return Over; }
    bool SwitchDue() const override { return Due; }
    bool SwitchesLevels() const override { return Switches; }
    bool ListedGameLevel() const override { return Listed; }
    bool HasGameMenu() const override { return Menu; }
    int32_t MenuPage() const override { return Page; }
    int32_t FirstScore() const override { return Score; }

    void StepGameMenu() override {
        Log.push_back("menu");
        if (CloseMenuInStep) MenuOpen = false;
    }
    void StepPlay() override {
        if (ThrowInStep) throw std::runtime_error("broken tick");
        ++Ticks;
        Log.push_back("play");
    }
    void AddFirstScore(int32_t n) override { Score += n; }
    void RequestLevelSwitch(const std::string& name) override { Log.push_back("switch " + name); }
    void ClearRoundOver() override {
        Over = false;
        Log.push_back("clear round");
    }
    void RestartLevel() override { Log.push_back("restart"); }
    void OpenGameMenu() override {
        MenuOpen = true;
        Log.push_back("open menu");
    }
    void GameMenuBack() override { Log.push_back("menu back"); }
    void CloseHelp() override {
        Help = false;
        Log.push_back("close help");
    }
    void ShowHelp() override {
        Help = true;
        Log.push_back("show help");
    }
    void DrawLevel() override { Log.push_back("draw"); }
    void PrepareFrame() override {
        FrameView.ViewWidth = 640;
        FrameView.ViewHeight = 480;
    }
    void ScreenResized(int32_t w, int32_t h) override {
        Log.push_back("resized " + std::to_string(w) + "x" + std::to_string(h));
    }
    void CarryOutSwitch() override { Log.push_back("carry out switch"); }

    int32_t Count(const std::string& what) const { return int32_t(std::count(Log.begin(), Log.end(), what)); }
};

class MainLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMainLoop();
        ResetMainWindow();
        ResetInputState();
        ResetRenderState();
        StartPhase = false;
        SetMilliClock([this] { return Now; });
        StartTickClock();
        LoopLevel = &Level;
        PresentFrame = [this] { ++Frames; };
        LoopHooks.StoreRoundRecord = [this](TLoopLevel&) { Level.Log.push_back("store record"); };
    }
    void TearDown() override {
        ResetMainLoop();
        ResetMainWindow();
        ResetInputState();
        ResetSiteTrace();
    }
    void EventAfter(uint32_t ms) {
        Now += ms;
        Timer1Timer(int32_t(ms));
    }
    // One event that runs exactly one tick with the key newly pressed.
    void TickWithKey(int32_t vk) {
        SetKey(vk, true);
        EventAfter(10);
    }

    TFakeLevel Level;
    uint32_t Now = 1000;
    int32_t Frames = 0;
};

TEST_F(MainLoopTest, EventRunsTheDueTicksThenOneFrame) {
    EventAfter(35);
    EXPECT_EQ(Level.Count("play"), 3);
    EXPECT_EQ(Frames, 1);
    EXPECT_EQ(TickCount, 3);
    EXPECT_EQ(RandSeed, 100u); // the frame starts from the fixed seed
    EventAfter(4);             // 9 ms carried: no tick, no frame
    EXPECT_EQ(Level.Count("play"), 3);
    EXPECT_EQ(Frames, 1);
    EventAfter(1);
    EXPECT_EQ(Level.Count("play"), 4);
    EXPECT_EQ(Frames, 2);
}

TEST_F(MainLoopTest, FrameUsesTheViewTheLevelPrepared) {
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* gl = backend.get();
    InitRenderContext(std::move(backend));
    gl->ColorMask(false, false, false, false); // left off by a capture, say
    EventAfter(10);
    EXPECT_EQ(gl->ViewportRect, (std::array<int32_t, 4>{0, 0, 640, 480}));
    EXPECT_EQ(gl->Mask, (std::array<bool, 4>{true, true, true, true}));
    // A resize reaches the level only with a real size.
    FormResize(0, 300);
    FormResize(800, 600);
    EXPECT_EQ(Level.Count("resized 800x600"), 1);
    EXPECT_EQ(Level.Count("resized 0x300"), 0);
    EXPECT_EQ(ScreenWidth, 800);
    ReleaseRenderContext();
}

TEST_F(MainLoopTest, StoppedLevelDrawsInEveryEvent) {
    Level.IsRunning = false;
    EventAfter(1);
    EventAfter(1);
    EXPECT_EQ(Frames, 2);
    EXPECT_EQ(Level.Count("play"), 0);
}

TEST_F(MainLoopTest, PauseStopsTicksAndFramesAndResumesWithOneTick) {
    FormKeyDown(Vk::Pause);
    EventAfter(100);
    EventAfter(3000);
    EXPECT_EQ(Frames, 0);
    EXPECT_EQ(Level.Count("play"), 0);
    FormKeyDown(Vk::Pause);
    EventAfter(400);
    EXPECT_EQ(Level.Count("play"), 1);
    EXPECT_EQ(Frames, 1);
}

TEST_F(MainLoopTest, ClosingTheMenuFromInsideEndsTheTickLoop) {
    Level.MenuOpen = true;
    Level.CloseMenuInStep = true;
    SetKey(Vk::Return, true);
    EventAfter(30);
    EXPECT_EQ(Level.Count("menu"), 1);
    EXPECT_EQ(Level.Count("play"), 0);
    EXPECT_TRUE(IsNewPress(Vk::Return)); // EndTick did not run
    EXPECT_EQ(Frames, 1);
    EventAfter(10);
    EXPECT_EQ(Level.Count("play"), 1);
    EXPECT_FALSE(IsNewPress(Vk::Return));
}

TEST_F(MainLoopTest, SkipAndEscapeRulesByLevel) {
    struct Case {
        std::string name;
        int32_t key;
        int32_t page;
        bool testRun;
        std::vector<std::string> want; // the level's log after "play" and before "draw"
        bool quits = false;
        bool switches = true; // the level carries out level switches
    } cases[] = {
        {"intro.map", Vk::Space, 0, false, {"switch _MainMenu_.map"}},
        {"intro.map", KeyMouseLeft, 0, false, {"switch _MainMenu_.map"}},
        {"Vortan 1.map", Vk::Left, 0, false, {"switch Zestars.map"}},
        {"Vortan 1.map", Vk::Escape, 0, false, {"switch Zestars.map"}}, // handled: no menu as well
        {"outro.map", Vk::Space, 0, false, {}},
        {"outro.map", Vk::Escape, 0, false, {"switch _Menu_.map"}},
        {"_Menu_.map", Vk::Escape, 0, false, {"switch _MainMenu_.map"}},
        {"_Menu_.map", Vk::Escape, 2, false, {}},
        {"_MainMenu_.map", Vk::Escape, 0, false, {}},
        {"testing.map", Vk::Escape, 0, false, {}},
        {"Testing.map", Vk::Escape, 0, false, {}},
        {"Level 1.map", Vk::Escape, 0, false, {"open menu"}},
        {"Level 1.map", Vk::Escape, 0, true, {}},
        {"Level 1.map", Vk::Space, 0, false, {}},
        // A level that cannot switch yet: Escape leaves the game, other keys still ask.
        {"Vortan 1.map", Vk::Space, 0, false, {"switch Zestars.map"}, false, false},
        {"Vortan 1.map", Vk::Escape, 0, true, {"switch Zestars.map"}, false, false},
        {"Vortan 1.map", Vk::Escape, 0, false, {}, true, false},
        {"intro.map", Vk::Escape, 0, false, {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " key " + std::to_string(c.key));
        ClearKeys();
        Level = TFakeLevel{};
        Level.Name = c.name;
        Level.Page = c.page;
        Level.Switches = c.switches;
        TestRun = c.testRun;
        QuitRequested = false;
        TickWithKey(c.key);
        EXPECT_EQ(QuitRequested, c.quits);
        std::vector<std::string> got;
        for (const std::string& s : Level.Log)
            if (s != "play" && s != "draw") got.push_back(s);
        EXPECT_EQ(got, c.want);
    }
}

TEST_F(MainLoopTest, AnyKeyEndsThePublisherLogo) {
    int32_t starts = 0;
    LoopHooks.StartGame = [&] { ++starts; };
    ShowPublisherLogo = true;
    Level.Name = "Ulmara.map";
    TickWithKey(Vk::Return);
    EXPECT_EQ(Level.Score, 100);
    EXPECT_TRUE(PublisherLogoDone);
    EXPECT_EQ(starts, 1);
    TickWithKey(Vk::Space);
    EXPECT_EQ(starts, 1); // once
}

TEST_F(MainLoopTest, EscapeAfterTheRoundStoresRestartsAndOpensTheMenu) {
    Level.Over = true;
    TickWithKey(Vk::Escape);
    EXPECT_EQ(Level.Log,
              (std::vector<std::string>{"clear round", "store record", "restart", "open menu", "draw"}));
    // In the menu Escape goes back one screen.
    Level.Log.clear();
    ClearKeys();
    TickWithKey(Vk::Escape);
    EXPECT_EQ(Level.Log, (std::vector<std::string>{"menu", "menu back", "draw"}));
}

TEST_F(MainLoopTest, EscapeQuitsWhileLevelsHaveNoMenu) {
    int32_t closes = 0;
    LoopHooks.CloseWindow = [&] { ++closes; };
    Level.Menu = false;
    TickWithKey(Vk::Escape);
    EXPECT_TRUE(QuitRequested);
    EXPECT_FALSE(TimerEnabled);
    EXPECT_EQ(closes, 1);
}

TEST_F(MainLoopTest, HelpOpensOnF1AndAnyKeyClosesIt) {
    TickWithKey(Vk::F1);
    EXPECT_TRUE(Level.Help);
    EXPECT_EQ(Level.Count("show help"), 1);
    EventAfter(50); // frozen: no play ticks
    EXPECT_EQ(Level.Count("play"), 1);
    SetKey(Vk::Left, true);
    EventAfter(10);
    EXPECT_EQ(Level.Count("close help"), 1);
    EXPECT_FALSE(IsKeyDown(Vk::Left)); // the tables were cleared
    Level.Listed = false;
    ClearKeys();
    TickWithKey(Vk::F1);
    EXPECT_FALSE(Level.Help);
}

TEST_F(MainLoopTest, DueSwitchEndsTheTicksAndTakesTheFrame) {
    Level.Due = true;
    EventAfter(50);
    EXPECT_EQ(Level.Count("play"), 1);
    EXPECT_EQ(Level.Count("carry out switch"), 1);
    EXPECT_EQ(Frames, 0);
    EXPECT_TRUE(ResetTiming);
}

TEST_F(MainLoopTest, ErrorInAnEventIsCaughtAndTheNextRunsAfresh) {
    LogWritten = true; // no error trace file from a test
    Level.ThrowInStep = true;
    EventAfter(10);
    EXPECT_EQ(ErrorCount, 1);
    EXPECT_EQ(Frames, 0);
    Level.ThrowInStep = false;
    EventAfter(10);
    EXPECT_EQ(Level.Count("play"), 1);
    EXPECT_EQ(Frames, 1);
}

TEST_F(MainLoopTest, PerformanceTestEndsAfterItsThousandthTick) {
    int32_t returns = 0;
    LoopHooks.ReturnToStartForm = [&] { ++returns; };
    TestRun = true;
    Level.Ticks = 500;
    EventAfter(10); // the first sample only sets the stamp
    EventAfter(20);
    EXPECT_EQ(FrameTimeMin, 20); // ticks past 100 are measured
    EXPECT_EQ(returns, 0);
    Level.Ticks = 1000;
    EventAfter(10);
    EXPECT_EQ(returns, 1);
}

TEST_F(MainLoopTest, NothingRunsWithoutALevelOrInTheStartPhase) {
    int32_t startEvents = 0;
    LoopHooks.StartPhaseEvent = [&] { ++startEvents; };
    LoopLevel = nullptr;
    EventAfter(100);
    EXPECT_EQ(Frames, 0);
    StartPhase = true;
    LoopLevel = &Level;
    EventAfter(100);
    EXPECT_EQ(startEvents, 1);
    EXPECT_EQ(Level.Count("play"), 0);
}

TEST(Shutdown, FreesEachPieceOnceInOrder) {
    ResetMainWindow();
    std::vector<std::string> order;
    ShutdownHooks.FreeGameMan = [&] { order.push_back("game"); };
    ShutdownHooks.FreeSoundMan = [&] { order.push_back("sound"); };
    ShutdownHooks.FreeMusicMan = [&] { order.push_back("music"); };
    ShutdownHooks.ReleaseTextures = [&] { order.push_back("textures"); };
    ShutdownHooks.ReleaseContext = [&] { order.push_back("context"); };
    ShutdownHooks.RestoreDisplayMode = [&] { order.push_back("display"); };
    FullScreen = true;
    MarkGameStarted();
    ShutdownGame();
    ShutdownGame();
    EXPECT_EQ(order, (std::vector<std::string>{"game", "sound", "music", "textures", "context", "display"}));
    EXPECT_FALSE(GameStarted);
    ResetMainWindow();
}

TEST(Shutdown, PerformanceTestEndsWithItsVerdict) {
    ResetMainWindow();
    ResetMainLoop();
    std::vector<std::string> order;
    ShutdownHooks.FreeGameMan = [&] { order.push_back("game"); };
    ShutdownHooks.RestoreDisplayMode = [&] { order.push_back("display"); };
    struct Case {
        int32_t sum, count;
        bool optimal;
    } cases[] = {{390, 10, true}, {399, 10, true}, {400, 10, false}, {39, 0, true}, {40, 0, false}};
    for (const Case& c : cases) {
        order.clear();
        FullScreen = true;
        TestRun = true;
        TimerEnabled = true;
        StartPhase = false;
        MarkGameStarted();
        FrameTimeSum = c.sum;
        FrameTimeCount = c.count;
        std::string shown;
        ReturnToStartForm([&](const std::string& text) { shown = text; });
        EXPECT_EQ(shown.rfind(c.optimal ? "These settings are optimal" : "Settings are not optimal", 0), 0u)
            << c.sum << "/" << c.count;
        EXPECT_EQ(order, (std::vector<std::string>{"game", "display"}));
        EXPECT_TRUE(StartPhase);
        EXPECT_FALSE(GameStarted);
        EXPECT_FALSE(TimerEnabled);
    }
    ResetMainWindow();
    ResetMainLoop();
}

TEST(Shutdown, WindowedGameKeepsTheDisplayMode) {
    ResetMainWindow();
    std::vector<std::string> order;
    ShutdownHooks.ReleaseContext = [&] { order.push_back("context"); };
    ShutdownHooks.RestoreDisplayMode = [&] { order.push_back("display"); };
    ShutdownGame(); // nothing started: nothing to free
    MarkGameStarted();
    ShutdownGame();
    EXPECT_EQ(order, (std::vector<std::string>{"context"}));
    ResetMainWindow();
}

} // namespace

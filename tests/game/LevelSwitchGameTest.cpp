// Switching levels in the game: the main loop's frames carry a due switch out
// through the game manager's two slots, the game starts with the maker's logo
// in front of the main level, and a scripted run reports where it ended.
#include "LevelWorld.h"

#include "app/CommandLine.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "assets/Font.h"
#include "game/CurrentLevelLoop.h"
#include "game/GameMan.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <fstream>
#include <sstream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace level_world;

namespace {

class LevelSwitchGame : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLevelGlobals();
        ResetMainLoop();
        ResetMainWindow();
        Archive = std::make_unique<TArchive>("switching");
        std::vector<TMassFileInput> levels;
        for (const char* name : {"Vortan 1.map", "Zestars.map", "Rolling.map", "Falling.map"})
            levels.push_back({"Levels\\", name, WritePlannedLevel({{{0.0f, 150.0f}}})});
        Archive->Add(levels);
        ResetLevelGlobals();
        InstallGameHooks();
        GameHooks.CreateRenderContext = [] { PrepareRenderContext(std::make_unique<TNullRenderBackend>()); };
        GameHooks.CreateRenderContext();
        Null = static_cast<TNullRenderBackend*>(&Renderer());
        StartPhase = false;
        SetMilliClock([this] { return Now; });
        StartTickClock();
        PresentFrame = [this] { ++Presented; };
    }
    void TearDown() override {
        ResetGame();
        ReleaseGameTextures();
        ReleaseRenderContext();
        MubFont.reset();
        Archive.reset();
        ResetMainLoop();
        ResetMainWindow();
        ResetLevelGlobals();
    }
    // One timer event that runs one tick and draws its frame.
    void Event() {
        Now += 10;
        Timer1Timer(10);
    }
    // Events until no switch or fade is under way (at most a few hundred).
    int32_t EventsUntilSettled() {
        int32_t n = 0;
        do {
            Event();
        } while (++n < 400 && (CurrentLevel->SwitchDue || CurrentLevel->CapturePending ||
                               CurrentLevel->CrossFadeRunning()));
        return n;
    }
    int32_t Copies(const TMyTexture* t) const { return Null->Textures.at(uint32_t(t->GlId)).Copies; }
    void Gate(const std::string& target) {
        const TRollix* p = CurrentLevel->Player();
        CurrentLevel->RequestLevelSwitch(SwitchGate, p->Centre, target, 0);
    }

    std::unique_ptr<TArchive> Archive;
    TNullRenderBackend* Null = nullptr;
    uint32_t Now = 1000;
    int32_t Presented = 0;
};

TEST_F(LevelSwitchGame, StartShowsTheLogoThenAnyKeyHandsOverToTheMainLevel) {
    for (const int32_t key : {Vk::Space, Vk::Escape, Vk::Left, Vk::Return, KeyMouseLeft}) {
        SCOPED_TRACE("key " + std::to_string(key));
        ResetGame();
        InstallGameHooks();
        ClearKeys();
        StartGame();
        ASSERT_NE(LoopLevel, nullptr);
        EXPECT_EQ(LoopLevel->FileName(), "Vortan 1.map");
        TLevel* behind = GameMan->OtherLevel(CurrentLevel);
        ASSERT_NE(behind, nullptr);
        EXPECT_EQ(behind->ShortFileName(), "Zestars.map");
        for (int32_t i = 0; i < 30; ++i)
            Event();
        EXPECT_EQ(LoopLevel->FileName(), "Vortan 1.map") << "the logo plays until a key is pressed";
        SetKey(key, true);
        Event();
        SetKey(key, false);
        EventsUntilSettled();
        EXPECT_FALSE(QuitRequested);
        EXPECT_EQ(LoopLevel->FileName(), "Zestars.map");
        EXPECT_EQ(CurrentLevel, behind) << "the main level waiting behind is restarted, not loaded again";
        // In the main level the other keys skip nothing.
        if (key == Vk::Escape) continue;
        SetKey(key, true);
        Event();
        SetKey(key, false);
        EXPECT_FALSE(CurrentLevel->SwitchDue || CurrentLevel->CapturePending);
        EXPECT_EQ(LoopLevel->FileName(), "Zestars.map");
    }
}

TEST_F(LevelSwitchGame, SwitchLoadsIntoTheOtherSlotAndBackRestartsTheLevelThere) {
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    TLevel* rolling = CurrentLevel;
    for (int32_t i = 0; i < 20; ++i)
        Event();
    const int32_t oldCopies = Copies(TexLib.Extra1), newCopies = Copies(TexLib.Extra2);
    Presented = 0;
    Gate("Falling.map");
    Event(); // the switching frame: old picture, loading picture, load
    EXPECT_EQ(Presented, 1) << "only the loading picture is shown";
    EXPECT_EQ(Copies(TexLib.Extra1), oldCopies + 1);
    ASSERT_EQ(LoopLevel->FileName(), "Falling.map");
    TLevel* falling = CurrentLevel;
    EXPECT_EQ(GameMan->OtherLevel(falling), rolling) << "the level left stays in its slot";
    EXPECT_FALSE(rolling->TransitionActive || rolling->SwitchDue || rolling->CapturePending);
    EXPECT_TRUE(falling->CapturePending);
    Event(); // the new picture, not shown; the fade starts
    EXPECT_EQ(Presented, 1);
    EXPECT_EQ(Copies(TexLib.Extra2), newCopies + 1);
    EXPECT_EQ(falling->FadeCounter, GateFadeTicks);
    const int32_t played = falling->TickCounter;
    const int32_t events = EventsUntilSettled();
    EXPECT_EQ(events, GateFadeTicks);
    EXPECT_EQ(Presented, 1 + GateFadeTicks);
    EXPECT_EQ(falling->TickCounter, played + 1) << "only the tick that ends the fade is played";

    // Back to the level still in the other slot: restarted, no loading picture.
    for (int32_t i = 0; i < 20; ++i)
        Event();
    Presented = 0;
    Gate("rolling.MAP");
    Event();
    EXPECT_EQ(Presented, 0);
    EXPECT_EQ(CurrentLevel, rolling);
    EXPECT_EQ(rolling->TickCounter, 0);
    EXPECT_EQ(GameMan->OtherLevel(rolling), falling);
    EventsUntilSettled();
    EXPECT_EQ(LoopLevel->FileName(), "Rolling.map");
}

TEST_F(LevelSwitchGame, SwitchNeverMakesAnEmptySlotCurrent) {
    struct Case {
        bool OtherLoaded;
        const char* Target;
        const char* Current; // after the switch
        bool Restarted;
    } cases[] = {
        {false, "Nowhere.map", "Rolling.map", true}, // nothing to go to: the level plays again
        {false, "", "Rolling.map", true},
        {true, "Nowhere.map", "Falling.map", false}, // the other slot's level, as it was
        {true, "", "Falling.map", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.OtherLoaded ? "other slot loaded, " : "other slot empty, ") + "target \"" +
                     c.Target + "\"");
        ResetGame();
        InstallGameHooks();
        if (c.OtherLoaded) {
            ASSERT_TRUE(GameHooks.LoadLevelBehind("Rolling.map", "Falling.map"));
            PlayTicks(*CurrentLevel, 7);
            GameMan->SwapLevels();
        } else {
            ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
        }
        PlayTicks(*CurrentLevel, 5);
        Gate(c.Target);
        ResetTiming = false;
        LoopLevel->CarryOutSwitch();
        EXPECT_TRUE(ResetTiming) << "the time the switch took is not caught up";
        ASSERT_NE(CurrentLevel, nullptr);
        EXPECT_EQ(GameMan->CurrentSlotLevel, CurrentLevel);
        EXPECT_EQ(LoopLevel->FileName(), c.Current);
        EXPECT_EQ(CurrentLevel->TickCounter, c.Restarted ? 0 : 7);
        EXPECT_TRUE(CurrentLevel->CapturePending) << "the fade runs into it";
        ResetTiming = false;
        LoopLevel->CarryOutSwitch();
        EXPECT_TRUE(ResetTiming);
        EXPECT_EQ(CurrentLevel->FadeCounter, GateFadeTicks);
    }
}

TEST_F(LevelSwitchGame, TwoHundredSwitchesBetweenTwoLevelsLeaveNothingBehind) {
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    const TInputScript none;
    for (int32_t i = 0; i < 200; ++i) {
        const std::string target = i % 2 == 0 ? "Falling.map" : "Rolling.map";
        const int32_t kind = i % 3 == 1 ? SwitchRotatingGate : SwitchGate;
        const TRollix* p = CurrentLevel->Player();
        CurrentLevel->RequestLevelSwitch(kind, p->Centre, target, i % 5);
        RunScriptedTicks(kind == SwitchGate ? 110 : 80, none, nullptr);
        ASSERT_EQ(LoopLevel->FileName(), target) << "switch " << i;
        ASSERT_FALSE(CurrentLevel->CrossFadeRunning()) << "switch " << i;
    }
    EXPECT_TRUE(GameMan->LevelSlotA && GameMan->LevelSlotB);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

TEST_F(LevelSwitchGame, ScriptedRunReportsTheGameOnItsLastLine) {
    // A key in the logo: the run ends in the main level.
    const std::string scriptPath = AppDir + "keys.txt";
    { std::ofstream(scriptPath) << "20 down Space\n21 up Space\n"; }
    TCommandLine options;
    options.Headless = true;
    options.Level = "Vortan 1.map";
    options.Ticks = 300;
    options.InputPath = scriptPath;
    std::ostringstream out, err;
    ASSERT_EQ(RunHeadless(options, out, err), 0) << err.str();
    std::string line, last;
    std::istringstream lines(out.str());
    while (std::getline(lines, line))
        last = line;
    EXPECT_EQ(last.rfind("ran 300 ticks in ", 0), 0u) << last;
    EXPECT_NE(last.find(" | points 0 items none finished no level Zestars.map"), std::string::npos) << last;

    // A level finished at its gate, which leads on.
    ResetGame();
    InstallGameHooks();
    ASSERT_TRUE(GameHooks.LoadLevel("Rolling.map"));
    RunScriptedTicks(150, TInputScript{}, [](int32_t tick) {
        if (tick != 40) return;
        CurrentLevel->Player()->Points = 35;
        CurrentLevel->Player()->Items = {3, 7};
        CurrentLevel->FinishLevel();
        EXPECT_EQ(GameReport(), "points 35 items 3,7 finished Rolling.map at tick 40 level Rolling.map");
        CurrentLevel->RequestLevelSwitch(SwitchGate, {}, "Falling.map", 0);
    });
    EXPECT_EQ(GameReport(), "points 0 items none finished Rolling.map at tick 40 level Falling.map");
}

} // namespace

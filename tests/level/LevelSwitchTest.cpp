// A level's switch as a state machine, with no game around it: the delay the
// game goes on through, the switch becoming due, the two captures, the fade
// and its length, the timing resets and the transition sounds, and the fade
// drawn from the capture textures.
#include "LevelWorld.h"

#include "physics/SoundSink.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <cmath>
#include <string>
#include <vector>

using namespace level_world;

namespace {

// What the level asks of the sound manager.
struct TSoundLog : TSoundSink {
    std::vector<std::string> Played;
    int32_t Stops = 0;
    void PlayAt(const std::string& name, TVec2, float, int32_t) override { Played.push_back(name); }
    void StopLevelSounds() override { ++Stops; }
};

class LevelSwitch : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLevelGlobals();
        auto backend = std::make_unique<TNullRenderBackend>();
        Null = backend.get();
        InitRenderContext(std::move(backend));
        TexLib.CreateWorkTexture("extra1");
        TexLib.CreateWorkTexture("extra2");
        ASSERT_TRUE(TexLib.Extra1 && TexLib.Extra2);
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(WritePlannedLevel({{{0.0f, 150.0f}}})));
        Level->Physics.Sound = &Sounds;
    }
    void TearDown() override {
        Level.reset();
        OtherSlotLevelHook = nullptr;
        ReleaseRenderContext();
        ResetLevelGlobals();
    }

    // The tick counter and every node: what a played tick changes.
    uint64_t WorldHash() const {
        TStateHash h;
        h.AddInt32(Level->TickCounter);
        AddCharacterNodes(h, *Level);
        return h.Value;
    }
    // How many frames were copied into a capture texture, and the last size.
    const TNullRenderBackend::TTextureObject& Copied(const TMyTexture* t) const {
        return Null->Textures.at(uint32_t(t->GlId));
    }

    TArchive Archive{"switch"};
    TNullRenderBackend* Null = nullptr;
    TSoundLog Sounds;
    std::unique_ptr<TLevel> Level;
};

TEST_F(LevelSwitch, DelayLetsTheGameRunAndTheLastTickOfItIsNotPlayed) {
    for (const int32_t delay : {0, 1, 30}) {
        SCOPED_TRACE("delay " + std::to_string(delay));
        Level->RestartLevel(false, false);
        PlayTicks(*Level, 5);
        const int32_t start = Level->TickCounter;
        Sounds = {};
        ResetTiming = false;
        Level->RequestLevelSwitch(SwitchGate, {}, "Other.map", delay);
        EXPECT_TRUE(ResetTiming);
        EXPECT_TRUE(Level->TransitionActive);
        EXPECT_EQ(Level->SwitchTarget, "Other.map");
        // Ticks as the loop runs them until the switch is due; then it runs no more.
        int32_t calls = 0;
        while (!Level->SwitchDue && calls < 100) {
            ResetTiming = false;
            PlayTicks(*Level);
            ++calls;
        }
        EXPECT_TRUE(Level->SwitchDue);
        EXPECT_TRUE(Level->CapturePending);
        EXPECT_TRUE(ResetTiming);
        EXPECT_EQ(calls, delay);
        EXPECT_EQ(Level->TickCounter - start, std::max(delay - 1, 0));
        EXPECT_EQ(Sounds.Stops, 1); // the level is left: its sounds stop
        EXPECT_FALSE(Level->CrossFadeRunning());
        Level->ClearTransition();
    }
}

TEST_F(LevelSwitch, CapturesBothPicturesThenFadesForItsLengthWithoutPlaying) {
    struct Case {
        int32_t Kind, FadeTicks;
        bool StopsSounds, MovesPlayer;
        const char* Sound;
    } cases[] = {
        {SwitchGate, 100, true, false, "FX\\GateEff2.ogg"},
        {SwitchTeleport, 100, false, true, "Boosts\\teleporter.ogg"},
        {SwitchRotatingGate, 70, true, false, "FX\\RotateEff.ogg"},
        {7, 100, true, false, "FX\\GateEff2.ogg"}, // a kind no switch has: a gate
    };
    const TVec2 far{600.0f, -100.0f};
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.Kind));
        Level->RestartLevel(false, false);
        PlayTicks(*Level, 3);
        Sounds = {};
        const int32_t oldCopies = Copied(TexLib.Extra1).Copies, newCopies = Copied(TexLib.Extra2).Copies;
        Level->RequestLevelSwitch(c.Kind, far, "", 0);
        ASSERT_TRUE(Level->SwitchDue);
        EXPECT_EQ(Sounds.Stops, c.StopsSounds ? 1 : 0);

        // The due frame takes the old picture (and a teleport moves the character).
        ResetTiming = false;
        EXPECT_TRUE(Level->CaptureSwitchFrame());
        EXPECT_FALSE(Level->SwitchDue);
        EXPECT_TRUE(Level->CapturePending);
        EXPECT_EQ(Copied(TexLib.Extra1).Copies, oldCopies + 1);
        EXPECT_EQ(Copied(TexLib.Extra2).Copies, newCopies);
        const TVec2 at = Level->Player()->Centre;
        EXPECT_EQ(std::fabs(at.X - far.X) < 1.0f && std::fabs(at.Y - far.Y) < 1.0f, c.MovesPlayer);
        EXPECT_EQ(Level->CameraX == far.X && Level->CameraY == far.Y, c.MovesPlayer);

        // The next frame takes the new picture and starts the fade.
        EXPECT_FALSE(Level->CaptureSwitchFrame());
        EXPECT_FALSE(Level->CapturePending);
        EXPECT_EQ(Copied(TexLib.Extra2).Copies, newCopies + 1);
        EXPECT_EQ(Level->FadeLength, c.FadeTicks);
        EXPECT_EQ(Level->FadeCounter, c.FadeTicks);

        // Nothing is played while the fade runs; the tick that ends it plays.
        const uint64_t still = WorldHash();
        const int32_t tick = Level->TickCounter;
        int32_t fadeTicks = 0;
        while (Level->CrossFadeRunning() && fadeTicks < 1000) {
            PlayTicks(*Level);
            ++fadeTicks;
            if (Level->CrossFadeRunning()) {
                ASSERT_EQ(WorldHash(), still) << "fade tick " << fadeTicks;
            }
        }
        EXPECT_EQ(fadeTicks, c.FadeTicks);
        EXPECT_EQ(Level->TickCounter, tick + 1);
        EXPECT_FALSE(Level->TransitionActive);
        EXPECT_EQ(Sounds.Played, std::vector<std::string>{c.Sound}); // once, at the fade's first tick
    }
}

TEST_F(LevelSwitch, CaptureFitsTheViewIntoTheCaptureTextures) {
    struct Case {
        int32_t ScreenW, ScreenH, CaptureW, CaptureH;
    } cases[] = {
        {800, 600, 800, 600}, {1920, 1080, 1024, 576}, {2560, 1080, 1024, 576}, {1280, 1024, 1024, 768}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ScreenW) + "x" + std::to_string(c.ScreenH));
        Level->SetScreenSize(c.ScreenW, c.ScreenH);
        Level->RequestLevelSwitch(SwitchGate, {}, "", 0);
        // Both switch frames are drawn at the capture size, and copied whole.
        for (const TMyTexture* t : {TexLib.Extra1, TexLib.Extra2}) {
            Level->PrepareFrameView();
            EXPECT_TRUE(FrameView.Capturing);
            EXPECT_EQ(FrameView.CaptureWidth, c.CaptureW);
            EXPECT_EQ(FrameView.CaptureHeight, c.CaptureH);
            Level->CaptureSwitchFrame();
            EXPECT_EQ(Copied(t).CopiedWidth, c.CaptureW);
            EXPECT_EQ(Copied(t).CopiedHeight, c.CaptureH);
        }
        Level->PrepareFrameView();
        EXPECT_FALSE(FrameView.Capturing) << "the fade is drawn at the view size";
        Level->ClearTransition();
    }
}

TEST_F(LevelSwitch, TransitionSoundFollowsTheKindTheTitleAndTheLevelLeft) {
    TLevel other; // the level in the other slot
    CurrentLevel = Level.get();
    OtherSlotLevelHook = [&](const TLevel&) { return &other; };
    struct Case {
        int32_t Kind;
        const char* Title;
        const char* OtherTarget;
        std::vector<std::string> Played;
    } cases[] = {
        {SwitchGate, "Test level", "Zestars.map", {"FX\\GateEff2.ogg"}},
        {SwitchGate, "GAMEMENU", "", {"FX\\GateEff.ogg"}},
        {SwitchGate, "Test level", "vortan 1.MAP", {}},
        {SwitchRotatingGate, "Test level", "Vortan 1.map", {}},
        {SwitchTeleport, "GAMEMENU", "Vortan 2.map", {"Boosts\\teleporter.ogg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Title) + " after " + c.OtherTarget);
        Level->Header.LevelTitle = c.Title;
        other.SwitchTarget = c.OtherTarget;
        Sounds = {};
        Level->RequestLevelSwitch(c.Kind, {}, "", 0);
        Level->CaptureSwitchFrame();
        Level->CaptureSwitchFrame();
        PlayTicks(*Level, 3);
        EXPECT_EQ(Sounds.Played, c.Played);
        Level->ClearTransition();
    }
}

TEST_F(LevelSwitch, FadeIsDrawnFromBothCapturesAndLeavesTheGameAsItWas) {
    for (const int32_t kind : {SwitchGate, SwitchTeleport, SwitchRotatingGate}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        Level->RequestLevelSwitch(kind, Level->Player()->Centre, "", 0);
        Level->CaptureSwitchFrame();
        Level->CaptureSwitchFrame();
        PlayTicks(*Level, Level->FadeLength / 2);
        ASSERT_TRUE(Level->CrossFadeRunning());
        const uint64_t world = WorldHash();
        for (int32_t frame = 0; frame < 3; ++frame) {
            Seed(100); // as the main loop seeds each frame
            Null->Vertices.clear();
            Level->PrepareFrameView();
            BeginFrame();
            Level->DrawLevel();
            EXPECT_EQ(RandSeed, 100u) << "the effect's randomness is its own";
            EXPECT_GT(Null->Vertices.size(), 100u);
            EXPECT_EQ(Null->BatchErrors, 0);
        }
        EXPECT_EQ(WorldHash(), world);
        EXPECT_FALSE(Level->FirstEffectFrame || Level->SecondEffectFrame);
        // Without its capture textures the fade draws nothing, and still ends.
        TexLib.Extra1->Release();
        Null->Vertices.clear();
        Level->DrawLevel();
        EXPECT_TRUE(Null->Vertices.empty());
        PlayTicks(*Level, Level->FadeCounter);
        EXPECT_FALSE(Level->CrossFadeRunning());
        TexLib.CreateWorkTexture("extra1");
    }
}

} // namespace

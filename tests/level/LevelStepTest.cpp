// The level's life in play: the viewport rule, the camera, the order of one
// tick with its seeds and draws, restarts and their countdown, the round
// timer, the player's keys and the frame's order.
#include "LevelWorld.h"

#include "app/GameState.h"
#include "app/InputState.h"
#include "app/StateHash.h"
#include "assets/Font.h"
#include "assets/Texts.h"
#include "level/Mechanics.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

using namespace level_world;

namespace {

class LevelPlay : public TLevelTest {
  protected:
    // Loads a level written from the plan (the player resting on the floor by default).
    TLevel& Load(TLevelPlan plan = {{{0.0f, 150.0f}}}) {
        const std::vector<uint8_t> bytes = WritePlannedLevel(plan);
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(bytes));
        return *Level;
    }

    // One tick as the main loop runs it.
    void Tick(int32_t n = 1) { PlayTicks(*Level, n); }

    uint64_t BodyHash() const {
        TStateHash h;
        AddCharacterNodes(h, *Level);
        return h.Value;
    }

    TArchive Archive{"play"};
};

TEST(LevelView, ViewportKeepsBetweenFourThirdsAndSixteenNinths) {
    struct TCase {
        int32_t W, H, ViewW, ViewH, Left, Top;
    };
    const TCase cases[] = {
        {1920, 1080, 1920, 1080, 0, 0},   {1024, 768, 1024, 768, 0, 0}, {1280, 1024, 1280, 960, 0, 32},
        {2560, 1080, 1920, 1080, 320, 0}, {800, 600, 800, 600, 0, 0},   {1, 1, 1, 1, 0, 0},
    };
    ResetLevelGlobals();
    TLevel level;
    for (const TCase& c : cases) {
        ScreenWidth = c.W, ScreenHeight = c.H;
        level.SetScreenSize(c.W, c.H);
        EXPECT_EQ(level.ViewWidth, c.ViewW) << c.W << "x" << c.H;
        EXPECT_EQ(level.ViewHeight, c.ViewH) << c.W << "x" << c.H;
        EXPECT_EQ(level.ViewLeft, c.Left) << c.W << "x" << c.H;
        EXPECT_EQ(level.ViewTop, c.Top) << c.W << "x" << c.H;
    }
    ResetLevelGlobals();
}

TEST(LevelView, AttractorPullFadesBetween300And1400Units) {
    struct TCase {
        float Distance, Moved; // how far the target moves toward the attractor
    };
    for (const TCase& c : {TCase{0.0f, 0.0f},
                           {120.0f, 120.0f},
                           {300.0f, 300.0f},
                           {850.0f, 425.0f},
                           {1399.0f, 1399.0f / 1100.0f},
                           {1400.0f, 0.0f},
                           {5000.0f, 0.0f}}) {
        const TVec2 target{100.0f + c.Distance, -50.0f};
        const TVec2 pulled = PullTowardAttractor(target, {100.0f, -50.0f});
        EXPECT_NEAR(target.X - pulled.X, c.Moved, 1e-3f) << c.Distance;
        EXPECT_EQ(pulled.Y, -50.0f);
    }
}

TEST(LevelView, NewLevelLeavesTheGeneratorWhereAFontWouldButMakesNoFont) {
    ResetLevelGlobals();
    Seed(12345);
    TMubFont font; // the program's one font
    const uint32_t afterFont = RandSeed;
    Seed(999);
    TLevel level;
    EXPECT_EQ(RandSeed, afterFont);
    ResetLevelGlobals();
}

TEST(LevelView, LoadingLineShowsAShareOfItselfAtEachStep) {
    struct Case {
        int32_t progress, length;
        bool testRun;
        int32_t shown;
    } cases[] = {
        {0, 36, false, 1},   {1, 36, false, 1},   {8, 36, false, 9},   {16, 36, false, 18},
        {31, 36, false, 34}, {32, 36, false, 36}, {40, 36, false, 36}, {8, 36, true, 18},
        {16, 36, true, 36},  {-5, 36, false, 1},  {5, 0, false, 0},    {2000000000, 36, false, 36},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadingTextShown(c.progress, c.length, c.testRun), c.shown)
            << c.progress << " of " << c.length << (c.testRun ? " (test run)" : "");
}

TEST(LevelView, LoadingScreenRevealsTheLoadingLineAboveTheVersion) {
    ResetLevelGlobals();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* gl = backend.get();
    InitRenderContext(std::move(backend));
    ResetTexts(); // the English texts, and the version line an English file gives
    VersionLine = u"version 1.14";
    MubFont = std::make_unique<TMubFont>();
    GameStarted = true;
    int32_t presents = 0;
    PresentFrame = [&] { ++presents; };
    {
        TLevel level;
        int32_t versionGlyphs = 0;
        for (char16_t c : VersionLine)
            versionGlyphs += c != u' ' ? 1 : 0;
        ASSERT_GT(versionGlyphs, 0);
        // "loading pi=3,14159265358979323846...": one glyph at the start, the
        // first 18 characters (one a space) half way, all 36 at the end.
        struct Step {
            int32_t progress, glyphs, presents;
        } steps[] = {{0, 1, 1}, {16, 17, 2}, {16, 0, 2}, {32, 35, 3}};
        for (const Step& step : steps) {
            gl->ForgetCalls();
            level.DrawLoadingScreen(step.progress);
            const int32_t quads = gl->CallCount(TRenderCall::Begin);
            EXPECT_EQ(quads, step.glyphs == 0 ? 0 : step.glyphs + versionGlyphs)
                << "progress " << step.progress;
            EXPECT_EQ(presents, step.presents) << "an unchanged step is not drawn again";
        }
        EXPECT_EQ(gl->BatchErrors, 0);
    }
    GameStarted = false;
    MubFont.reset();
    VersionLine.clear();
    ReleaseRenderContext();
    ResetLevelGlobals();
}

TEST(LevelView, LevelWithoutSkyRecordMapsMoonWithoutDividingByZero) {
    ResetLevelGlobals();
    TLevel level;
    EXPECT_EQ(level.Sky.SkyParallax, 1.0f);
    EXPECT_EQ(level.Fog.FogParallax, 1.0f);
    const TVec2 p{123.0f, -45.0f};
    const TVec2 same = level.MapToPlayingLayer(p, 1.0f);
    EXPECT_EQ(same.X, p.X);
    EXPECT_EQ(same.Y, p.Y);
    const TVec2 zero = level.MapToPlayingLayer(p, 0.0f);
    EXPECT_TRUE(std::isfinite(zero.X) && std::isfinite(zero.Y));
    EXPECT_TRUE(level.IsNearMoon(level.Sky.MoonPos));
    EXPECT_FALSE(level.IsNearMoon({level.Sky.MoonPos.X + 21.0f, level.Sky.MoonPos.Y}));
    ResetLevelGlobals();
}

TEST_F(LevelPlay, CameraMovesPartOfTheWayAndSnapsToPixels) {
    Load();
    Level->SetScreenSize(1024, 768);
    Level->CameraX = 0.0f;
    Level->CameraY = 0.0f;
    TRollix& p = *Level->Player();
    p.Centre = {1000.0f, 500.0f};
    Level->UpdateCamera();
    // Scale 1.4 world units per pixel: 130 → 93 pixels, 80 → 57 pixels.
    EXPECT_FLOAT_EQ(Level->Scale, 1.4f);
    EXPECT_FLOAT_EQ(Level->CameraX, 93 * 1.4f);
    EXPECT_FLOAT_EQ(Level->CameraY, 57 * 1.4f);
    // The view is centred on the camera and the border edges follow it.
    EXPECT_FLOAT_EQ((Level->View.Left + Level->View.Right) / 2, Level->CameraX);
    EXPECT_FLOAT_EQ(Level->View.Right - Level->View.Left, 1024 * 1.4f);
    EXPECT_FLOAT_EQ(Level->BorderEdges[0].Start.Y, Level->View.Bottom);
    EXPECT_FLOAT_EQ(Level->BorderEdges[3].Start.X, Level->View.Left);
}

// Steps of a tick in order, with the draws made since the last re-seed when
// the step is reached. After the characters' physics (which may draw on its
// own) the draws count from the boost touch test instead.
//
// The steps marked "no work yet" (the quests with their first-tick start and
// their update, the frame animations, the collectible particles, the menu
// level and the level sounds) run nothing so far: their entries only hold the
// step's place in the order, and the counts after them hold the level's own
// draws alone. Nothing of what such a step does is tested here; when it gets
// its work, it gets its own test, and the counts after it take its draws. The
// planned level has no boosts, so the boost steps (tested with the boosts)
// draw nothing here.
struct TStepAt {
    std::string Step;
    int32_t Draws;
    bool FromTouch = false;
};

std::vector<TStepAt> ExpectedTick(bool odd, bool previousFirst, bool first) {
    // Counted from the sky's own probe: the planned level's sky has no morph speed, so each of its 36 points
    // draws a new morph target (3 draws) every tick, and a new brightness (2 draws) in the first tick.
    std::vector<TStepAt> v = {{"sky", 0}, {"fog", first ? 36 * 5 : 36 * 3}};
    v.push_back({"quests", 1});                               // no work yet
    if (previousFirst) v.push_back({"quests-first-tick", 1}); // no work yet
    v.push_back({"frame-animations", 0});                     // no work yet
    // Each drop system's move draws once: three in the manager's step (score stars, two effect systems), one
    // after.
    const int32_t moved = odd ? 4 : 0;
    if (odd) v.insert(v.end(), {{"particles", 1}, {"rain", 1 + 3}, {"drops", 1 + 3}});
    v.insert(v.end(), {{"layers", 2 + moved},
                       {"boosts", 3 + moved},
                       {"camera", 4 + moved},
                       {"characters-pre", 4 + moved},
                       {"characters", 5 + moved},
                       {"boost-touch", 0, true},
                       {"boost-second", 1, true},
                       {"collectibles", 2, true}, // no work yet
                       {"spline-animations", 3, true}});
    if (!first) v.push_back({"quests-update", 4, true}); // no work yet
    // No waters in the planned level, whose bubbles would draw: the lights count on from the touch.
    // The planned level has no point lights, so the lights' step draws nothing before the camera effects.
    v.insert(v.end(), {{"winds", 5, true},
                       {"waters", 6, true},
                       {"lights", 7, true},
                       {"camera-effects", 9, true},
                       {"menu-level", 1}, // no work yet
                       {"end", 2},
                       {"level-sounds", 2}}); // no work yet
    return v;
}

uint32_t Advanced(uint32_t seed, int32_t draws) {
    const uint32_t saved = RandSeed;
    RandSeed = seed;
    for (int32_t i = 0; i < draws; ++i)
        (void)RandomFloat();
    const uint32_t v = RandSeed;
    RandSeed = saved;
    return v;
}

TEST_F(LevelPlay, TickRunsItsStepsInOrderWithFixedSeedsAndDraws) {
    Load();
    struct TSeen {
        std::string Step;
        uint32_t Seed;
    };
    std::vector<TSeen> seen;
    LevelStepProbe = [&](const char* step) { seen.push_back({step, RandSeed}); };
    for (int32_t tick = 1; tick <= 3; ++tick) {
        const bool first = Level->FirstTick, previousFirst = Level->PreviousFirstTick;
        seen.clear();
        Tick();
        const std::vector<TStepAt> expected = ExpectedTick(tick % 2 == 1, previousFirst, first);
        ASSERT_EQ(seen.size(), expected.size()) << "tick " << tick;
        uint32_t touch = 0;
        for (size_t i = 0; i < seen.size(); ++i) {
            ASSERT_EQ(seen[i].Step, expected[i].Step) << "tick " << tick << " step " << i;
            if (seen[i].Step == "boost-touch") touch = seen[i].Seed;
            const uint32_t want = expected[i].FromTouch ? Advanced(touch, expected[i].Draws)
                                                        : Advanced(uint32_t(tick), expected[i].Draws);
            EXPECT_EQ(seen[i].Seed, want) << "tick " << tick << " at " << seen[i].Step;
        }
        EXPECT_EQ(Level->TickCounter, tick);
    }
}

TEST_F(LevelPlay, RoundTicksTheLastTenSecondsThenEnds) {
    Load();
    Level->RoundLength = 12000;
    Level->RestartLevel(false, false);
    EXPECT_EQ(Level->RoundTimeLeft, 12000);
    Level->RoundTimeLeft = 1100;
    std::vector<int32_t> ticksAt;
    LevelStepProbe = [&](const char* step) {
        if (std::string(step) == "round-tick") ticksAt.push_back(Level->RoundTimeLeft);
    };
    Tick(1099);
    EXPECT_FALSE(Level->RoundOver);
    Tick();
    EXPECT_TRUE(Level->RoundOver);
    EXPECT_EQ(ticksAt, (std::vector<int32_t>{1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}));
    Tick(5);
    EXPECT_EQ(Level->RoundTimeLeft, 0);
}

TEST_F(LevelPlay, ScheduledRestartFadesToBlackAndRestartsWhenTheCountdownRunsOut) {
    Load();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* null = backend.get();
    InitRenderContext(std::move(backend));
    Tick(20);
    Level->ScheduleRestart(250, false);
    std::map<int32_t, int32_t> alphaAt; // countdown → alpha of the black cover, −1 none
    int32_t ran = 0;
    while (Level->RestartPending && ran < 1000) {
        Tick();
        ++ran;
        null->Vertices.clear();
        null->CurrentColor = {1, 2, 3, 4};
        Level->DrawLevel();
        const bool covered =
            null->CurrentColor[0] == 0 && null->CurrentColor[1] == 0 && null->CurrentColor[2] == 0;
        if (Level->RestartPending) alphaAt[Level->RestartCountdown] = covered ? null->CurrentColor[3] : -1;
    }
    EXPECT_EQ(ran, 250);
    EXPECT_EQ(Level->TickCounter, 0);
    EXPECT_EQ(alphaAt[200], -1);
    EXPECT_EQ(alphaAt[150], 0);
    EXPECT_EQ(alphaAt[100], 128);
    EXPECT_EQ(alphaAt[50], 255);
    EXPECT_EQ(alphaAt[1], 255);
}

TEST_F(LevelPlay, StoppedLevelCountsTicksButNothingMoves) {
    TLevelPlan plan;
    plan.Characters = {{0.0f, -300.0f}}; // in the air: it would fall
    Load(plan);
    Level->Running = false;
    const uint64_t before = BodyHash();
    Tick(30);
    EXPECT_EQ(Level->TickCounter, 30);
    EXPECT_EQ(BodyHash(), before);
    Level->Running = true;
    Tick(30);
    EXPECT_NE(BodyHash(), before);
}

TEST_F(LevelPlay, RestartsReproduceTheSameWorld) {
    TLevelPlan plan;
    plan.Characters = {{0.0f, -300.0f}, {300.0f, -100.0f}};
    Load(plan);
    const auto randoms = Level->ResetRandoms;
    const uint64_t start = BodyHash();
    Tick(150);
    const uint64_t later = BodyHash();
    EXPECT_NE(later, start);
    Level->RestartLevel(false, false);
    EXPECT_EQ(Level->ResetRandoms, randoms);
    EXPECT_EQ(BodyHash(), start);
    EXPECT_EQ(Level->TickCounter, 0);
    EXPECT_TRUE(Level->FirstTick);
    Tick(150);
    EXPECT_EQ(BodyHash(), later);
}

TEST_F(LevelPlay, PlayerRollsWithTheBoundKeysAndTheCameraFollows) {
    Load();
    const float startX = Level->Player()->Centre.X;
    SetKey(KeyTable[size_t(DefaultKeyBindings.Right)], true);
    Tick(300);
    const float movedX = Level->Player()->Centre.X - startX;
    EXPECT_GT(movedX, 100.0f);
    EXPECT_NEAR(Level->CameraX, Level->Player()->Centre.X, 150.0f);
    // Above the ground: the floor up to x = 2000, then the slope down to the right.
    const TVec2 c = Level->Player()->Centre;
    const float ground = c.X <= 2000.0f ? 300.0f : 300.0f + (c.X - 2000.0f) * 400.0f / 1500.0f;
    EXPECT_LT(c.Y, ground) << c.X;
}

TEST_F(LevelPlay, TracesAndFindsOtherCharactersOfTheSameLayer) {
    TLevelPlan plan;
    plan.Characters = {{0.0f, 150.0f}, {600.0f, 150.0f}};
    Load(plan);
    TRollix& player = *Level->Player();
    TRollix& other = *Level->Characters.Items[1];
    EXPECT_EQ(Level->FindCharacterAt(other.Centre, player), &other);
    EXPECT_EQ(Level->FindCharacterAt(player.Centre, player), nullptr); // never itself
    EXPECT_EQ(Level->FindCharacterAt({300.0f, 150.0f}, player), nullptr);
    // A point moving right from between them hits the other body, not the floor.
    TVec2 to{900.0f, 150.0f};
    const TCollisionEdge* edge = nullptr;
    ASSERT_TRUE(Level->TraceSegment({300.0f, 150.0f}, to, player, edge));
    EXPECT_EQ(edge, nullptr);
    EXPECT_LT(to.X, other.Centre.X);
    EXPECT_GT(to.X, 450.0f);
    // Straight down it hits the floor's top edge.
    to = {300.0f, 1000.0f};
    ASSERT_TRUE(Level->TraceSegment({300.0f, 150.0f}, to, player, edge));
    ASSERT_NE(edge, nullptr);
    EXPECT_NEAR(to.Y, 300.0f, 0.01f);
    // On another layer the other body is not there.
    other.Layer = player.Layer + 5;
    EXPECT_EQ(Level->FindCharacterAt(other.Centre, player), nullptr);
}

TEST_F(LevelPlay, PlayerTakesTheStoredKeyBindingsOrTheirDefaults) {
    struct TCase {
        TKeyBindings Stored;
        int32_t Left, Right, Turbo, Jump; // expected key-table indices
    };
    const TCase cases[] = {
        {{0, 1, 4, 2}, 0, 1, 4, 2},
        {{5, 6, 7, 36}, 5, 6, 7, 36},
        {{-1, 53, 99, 52}, 0, 1, 4, 52},
    };
    for (const TCase& c : cases) {
        KeyBindings = c.Stored;
        Load();
        const TRollix& p = *Level->Player();
        EXPECT_EQ(p.KeyLeft, KeyTable[size_t(c.Left)]);
        EXPECT_EQ(p.KeyRight, KeyTable[size_t(c.Right)]);
        EXPECT_EQ(p.KeyTurbo, KeyTable[size_t(c.Turbo)]);
        EXPECT_EQ(p.KeyJump, KeyTable[size_t(c.Jump)]);
        EXPECT_EQ(p.KeyAction, 0);
    }
}

TEST_F(LevelPlay, MissingFileStillGivesAPlayerAndARestartedLevel) {
    Level = std::make_unique<TLevel>();
    Level->LoadFromFile("Nowhere.map");
    EXPECT_FALSE(Level->Loading);
    ASSERT_EQ(Level->Characters.Count(), 1);
    EXPECT_TRUE(Level->FirstTick);
    EXPECT_EQ(Level->TickCounter, 0);
    Tick(10); // plays with nothing to stand on
    EXPECT_EQ(Level->TickCounter, 10);
}

TEST_F(LevelPlay, FrameDrawsTheMechanicsAfterThePlayingLayer) {
    Load();
    CreateMechanics();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* null = backend.get();
    InitRenderContext(std::move(backend));
    Level->PrepareFrameView();
    BeginFrame();
    null->Vertices.clear();
    null->ForgetCalls();
    Level->DrawLevel();
    EXPECT_EQ(null->CurrentPointSize, 3.0f);
    EXPECT_EQ(null->CallCount(TRenderCall::PointSize), 1);
    const auto& v = null->Vertices;
    ASSERT_GE(v.size(), 2u);
    // The floor's triangles come first, the two points last.
    const std::array<float, 2> a{767.0f, -183.0f}, b{787.0f, -183.0f};
    EXPECT_GT(v.size(), 2u);
    EXPECT_EQ(v[v.size() - 2], a);
    EXPECT_EQ(v[v.size() - 1], b);
    EXPECT_EQ(null->BatchErrors, 0);
    EXPECT_EQ(null->OpenBatch, -1);
}

} // namespace

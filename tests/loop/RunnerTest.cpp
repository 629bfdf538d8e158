#include "app/CommandLine.h"
#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

TEST(CommandLine, AcceptsTheOptionsAndTheirValues) {
    TCommandLine o;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(
        {"--fullscreen", "--size", "1024x768", "--level", "Vortan 1", "--data", "/d", "--no-vsync"}, o,
        error))
        << error;
    EXPECT_TRUE(o.FullScreen);
    EXPECT_EQ(o.Width, 1024);
    EXPECT_EQ(o.Height, 768);
    EXPECT_EQ(o.Level, "Vortan 1.map");
    EXPECT_EQ(o.DataDir, "/d");
    EXPECT_FALSE(o.VSync);

    ASSERT_TRUE(ParseCommandLine({"--headless", "--level", "Zestars.map", "--ticks", "0", "--input", "k.txt"},
                                 o, error));
    EXPECT_TRUE(o.Headless);
    EXPECT_EQ(o.Level, "Zestars.map");
    EXPECT_EQ(o.Ticks, 0);
    EXPECT_EQ(o.InputPath, "k.txt");

    ASSERT_TRUE(ParseCommandLine({"--screenshot", "s.png", "--level", "A", "--ticks", "5"}, o, error));
    EXPECT_EQ(o.ScreenshotPath, "s.png");
    ASSERT_TRUE(ParseCommandLine(
        {"--input", "roll.txt", "--run-for", "10", "--shots", "shots", "--shot-every", "3"}, o, error))
        << error;
    EXPECT_EQ(o.InputPath, "roll.txt");
    EXPECT_EQ(o.RunForSeconds, 10);
    EXPECT_EQ(o.ShotsDir, "shots");
    EXPECT_EQ(o.ShotEverySeconds, 3);
    ASSERT_TRUE(ParseCommandLine({}, o, error));
    EXPECT_EQ(o.Width, 0);
    EXPECT_EQ(o.RunForSeconds, 0);
    EXPECT_EQ(o.ShotEverySeconds, 2);
    EXPECT_TRUE(o.VSync);
}

TEST(CommandLine, RejectsWhatItCannotUseNamingTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{"--size"}, "--size needs a value"},
        {{"--size", "800"}, "--size 800"},
        {{"--size", "100x100"}, "--size 100x100"},
        {{"--size", "99999x600"}, "--size 99999x600"},
        {{"--size", "-800x600"}, "--size -800x600"},
        {{"--size", "800x600x2"}, "--size 800x600x2"},
        {{"--ticks", "5"}, "--ticks belongs"},
        {{"--run-for", "0"}, "--run-for 0: expected whole seconds"},
        {{"--run-for", "2.5"}, "--run-for 2.5"},
        {{"--shot-every", "99999"}, "--shot-every 99999"},
        {{"--shots"}, "--shots needs a value"},
        {{"--headless", "--level", "A", "--ticks", "1", "--run-for", "5"}, "belong to the windowed game"},
        {{"--headless", "--ticks", "5"}, "needs --level"},
        {{"--headless", "--level", "A"}, "needs --ticks"},
        {{"--headless", "--level", "A", "--ticks", "-1"}, "--ticks -1"},
        {{"--headless", "--level", "A", "--ticks", "99999999999"}, "--ticks 99999999999"},
        {{"--headless", "--level", "A", "--ticks", "1e3"}, "--ticks 1e3"},
        {{"--headless", "--screenshot", "a.png", "--level", "A", "--ticks", "1"}, "exclude each other"},
        {{"--windowed", "--fullscreen"}, "exclude each other"},
        {{"--level", "../x"}, "without a folder"},
        {{"--level", "Levels\\x"}, "without a folder"},
        {{"--level", ""}, "--level needs a value"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
    };
    for (const Case& c : cases) {
        TCommandLine o;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(c.args, o, error)) << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST(InputScript, ParsesKeysByNameAndNumber) {
    TInputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript("# drive right, then jump\n"
                                 "\n"
                                 "300 down up   # keys are case-blind names\n"
                                 "1 down Right\r\n"
                                 "250 up right\n"
                                 "300 down 0x11\n"
                                 "300 up MouseLeft\n"
                                 "7 down f12\n"
                                 "7 down q\n"
                                 "7 down 5\n",
                                 "keys.txt", script, error))
        << error;
    std::vector<TInputEvent> want = {
        {1, Vk::Right, true},    {7, Vk::F12, true},  {7, 'Q', true},           {7, '5', true},
        {250, Vk::Right, false}, {300, Vk::Up, true}, {300, Vk::Control, true}, {300, KeyMouseLeft, false},
    };
    EXPECT_EQ(script.Events, want);
}

TEST(InputScript, ErrorsNameTheFileAndLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"1 down\n", "keys.txt:1: expected"},
        {"\n\n0 down Left\n", "keys.txt:3: tick \"0\""},
        {"-5 down Left\n", "keys.txt:1: tick \"-5\""},
        {"99999999999 down Left\n", "keys.txt:1: tick"},
        {"5 press Left\n", "keys.txt:1: \"press\" is neither down nor up"},
        {"5 down Lefty\n", "keys.txt:1: unknown key \"Lefty\""},
        {"5 down 0\n5 down 70000\n", "keys.txt:2: unknown key \"70000\""}, // a lone 0 is the digit key
        {"5 down 0x0\n", "keys.txt:1: unknown key \"0x0\""},
        {"5 down 65636\n", "unknown key \"65636\""},
        {"5 down F13\n", "unknown key \"F13\""},
        {"5 down Left now\n", "unexpected \"now\""},
    };
    for (const Case& c : cases) {
        TInputScript script;
        std::string error;
        EXPECT_FALSE(ParseInputScript(c.text, "keys.txt", script, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    TInputScript script;
    std::string error;
    EXPECT_FALSE(LoadInputScript("/nonexistent/keys.txt", script, error));
    EXPECT_NE(error.find("/nonexistent/keys.txt"), std::string::npos);
}

TEST(InputScript, RoundTripsThroughItsWriter) {
    TInputScript script;
    script.Events = {
        {1, Vk::Left, true}, {2, 5, true},   {3, Vk::F1, false},      {4, '7', true},
        {5, 'Z', false},     {6, 255, true}, {7, KeyWheelDown, true}, {8, KeyTableSize - 1, true}};
    const std::string text = WriteInputScript(script);
    TInputScript back;
    std::string error;
    ASSERT_TRUE(ParseInputScript(text, "written", back, error)) << error;
    EXPECT_EQ(back.Events, script.Events);
    EXPECT_EQ(WriteInputScript(back), text);
}

// A level whose state is a counter that depends on the keys held in each tick.
struct TCountingLevel : TLoopLevel {
    uint32_t State = 0;
    int32_t Ticks = 0;
    std::string FileName() const override { return "Test.map"; }
    bool HasGameMenu() const override { return true; }
    void StepPlay() override {
        ++Ticks;
        State = State * 31u + (IsKeyDown(Vk::Right) ? 1u : 0u) + (IsNewPress(Vk::Control) ? 100u : 0u) +
                uint32_t(Random(7));
    }
};

class RunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMainLoop();
        ResetMainWindow();
        ResetInputState();
        ResetRenderState();
        GameHooks.LoadLevel = [this](const std::string& name) {
            if (name != "Test.map") return false;
            Level = TCountingLevel{};
            LoopLevel = &Level;
            return true;
        };
        GameHooks.HashState = [this](TStateHash& h) { h.AddUInt32(Level.State); };
        Options.Headless = true;
        Options.Level = "Test.map";
        Options.Ticks = 250;
    }
    void TearDown() override {
        GameHooks = TGameHooks{};
        TexLib.Clear();
        ResetMainLoop();
        ResetMainWindow();
        ResetInputState();
        ResetRenderState();
        if (!ScriptPath.empty()) unlink(ScriptPath.c_str());
    }
    int Run(std::string& out, std::string& err) {
        ResetInputState();
        LoopLevel = nullptr;
        std::ostringstream o, e;
        int rc = RunHeadless(Options, o, e);
        out = o.str();
        err = e.str();
        return rc;
    }
    void WriteScript(const std::string& text) {
        char path[] = "/tmp/rollix-keys-XXXXXX";
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
        close(fd);
        ScriptPath = path;
        Options.InputPath = path;
    }

    TCountingLevel Level;
    TCommandLine Options;
    std::string ScriptPath;
};

TEST_F(RunnerTest, PrintsAHashEvery100TicksAndAtTheEnd) {
    std::string out, err;
    GameHooks.LoadLevel = [this](const std::string&) {
        // The level finds its capture textures ready when it loads.
        if (!TexLib.Extra1 || !TexLib.Extra2 || !TexLib.Extra2->IsUploaded()) return false;
        Level = TCountingLevel{};
        LoopLevel = &Level;
        return true;
    };
    ASSERT_EQ(Run(out, err), 0) << err;
    EXPECT_EQ(Level.Ticks, 250);
    std::istringstream lines(out);
    std::string l1, l2, l3, l4;
    std::getline(lines, l1);
    std::getline(lines, l2);
    std::getline(lines, l3);
    std::getline(lines, l4);
    EXPECT_EQ(l1.rfind("tick 100 hash ", 0), 0u) << out;
    EXPECT_EQ(l2.rfind("tick 200 hash ", 0), 0u) << out;
    EXPECT_EQ(l3.rfind("end tick 250 hash ", 0), 0u) << out;
    EXPECT_EQ(l3.size(), std::string("end tick 250 hash ").size() + 16);
    EXPECT_EQ(l4.rfind("ran 250 ticks in ", 0), 0u) << out;
}

TEST_F(RunnerTest, SameInputGivesTheSameHashesAndOtherInputOthers) {
    WriteScript("1 down Right\n120 up Right\n150 down Control\n");
    std::string first, second, err;
    ASSERT_EQ(Run(first, err), 0) << err;
    ASSERT_EQ(Run(second, err), 0) << err;
    auto hashes = [](const std::string& out) { return out.substr(0, out.find("ran ")); };
    EXPECT_EQ(hashes(first), hashes(second));
    unlink(ScriptPath.c_str());
    WriteScript("1 down Right\n121 up Right\n150 down Control\n"); // one tick longer
    std::string third;
    ASSERT_EQ(Run(third, err), 0) << err;
    EXPECT_EQ(hashes(first).substr(0, hashes(first).find('\n')),
              hashes(third).substr(0, hashes(third).find('\n')));
    EXPECT_NE(hashes(first), hashes(third));
}

TEST_F(RunnerTest, ScriptedKeysArriveBeforeTheirTick) {
    WriteScript("3 down Control\n");
    std::vector<bool> newPress;
    Options.Ticks = 4;
    GameHooks.LoadLevel = [&](const std::string&) {
        LoopLevel = &Level;
        return true;
    };
    struct TProbe : TLoopLevel {
        std::vector<bool>* Seen;
        std::string FileName() const override { return "Probe.map"; }
        bool HasGameMenu() const override { return true; }
        void StepPlay() override { Seen->push_back(IsNewPress(Vk::Control)); }
    } probe;
    probe.Seen = &newPress;
    GameHooks.LoadLevel = [&](const std::string&) {
        LoopLevel = &probe;
        return true;
    };
    std::string out, err;
    ASSERT_EQ(Run(out, err), 0) << err;
    EXPECT_EQ(newPress, (std::vector<bool>{false, false, true, false}));
}

TEST_F(RunnerTest, EveryRenderContextFindsTheSameCaptureTextures) {
    auto entriesNamed = [](const std::string& name) {
        int32_t n = 0;
        for (const auto& t : TexLib.Textures)
            if (t->Name == name) ++n;
        return n;
    };
    TMyTexture* first[2] = {};
    for (int32_t context = 0; context < 3; ++context) {
        PrepareRenderContext(std::make_unique<TNullRenderBackend>());
        ASSERT_NE(TexLib.Extra1, nullptr);
        ASSERT_NE(TexLib.Extra2, nullptr);
        if (context == 0) {
            first[0] = TexLib.Extra1;
            first[1] = TexLib.Extra2;
        }
        EXPECT_EQ(TexLib.Extra1, first[0]) << context;
        EXPECT_EQ(TexLib.Extra2, first[1]) << context;
        EXPECT_TRUE(TexLib.Extra1->IsUploaded()) << context;
        EXPECT_TRUE(TexLib.Extra2->IsUploaded()) << context;
        EXPECT_EQ(entriesNamed("extra1"), 1) << context;
        EXPECT_EQ(entriesNamed("extra2"), 1) << context;
        // The game frees its textures before a context goes; the next one
        // gives the entries new GL objects.
        if (context == 1) ReleaseGameTextures();
    }
}

TEST_F(RunnerTest, ReportsALevelThatCannotBeLoaded) {
    std::string out, err;
    Options.Level = "Missing.map";
    EXPECT_EQ(Run(out, err), 3);
    EXPECT_NE(err.find("level \"Missing.map\" cannot be loaded"), std::string::npos) << err;
    GameHooks.LoadLevel = nullptr;
    EXPECT_EQ(Run(out, err), 3);
    EXPECT_NE(err.find("cannot be loaded yet"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(RenderContextReady());
    EXPECT_FALSE(TexLib.Extra1->IsUploaded()); // its GL object went with the context
}

TEST_F(RunnerTest, BadScriptEndsTheRunBeforeItStarts) {
    WriteScript("1 down Nothing\n");
    std::string out, err;
    EXPECT_EQ(Run(out, err), 2);
    EXPECT_NE(err.find(":1: unknown key \"Nothing\""), std::string::npos) << err;
    EXPECT_EQ(Level.Ticks, 0);
}

TEST_F(RunnerTest, ZeroTicksStillPrintsTheStartHash) {
    Options.Ticks = 0;
    std::string out, err;
    ASSERT_EQ(Run(out, err), 0);
    EXPECT_EQ(out.rfind("end tick 0 hash ", 0), 0u) << out;
}

TEST(StateHash, IsFnv1a) {
    TStateHash h;
    EXPECT_EQ(h.Hex(), "cbf29ce484222325");
    h.AddBytes("a", 1);
    EXPECT_EQ(h.Hex(), "af63dc4c8601ec8c"); // the published FNV-1a 64 of "a"
    TStateHash plus, minus;
    plus.AddFloat(0.0f);
    minus.AddFloat(-0.0f);
    EXPECT_NE(plus.Value, minus.Value);
}

} // namespace

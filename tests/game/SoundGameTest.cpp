// The game with its sound: the shipped Zestars run through its star gate by
// the scripted keys takes the same state hashes whether the sound goes to a
// mixing device, to OpenAL's null driver or nowhere; every sound it asks for
// is in the library; the loopback device hears a placed sound and a burst
// and nothing after the level's sounds stop; and every sound name the code
// and the shipped levels use is in the archive.
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/Log.h"
#include "app/LoopLevel.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "audio/AlAudio.h"
#include "audio/MusicMan.h"
#include "audio/SoundMan.h"
#include "game/GameMan.h"
#include "gameplay/Boost.h"
#include "level/Mechanics.h"
#include "physics/PhysicsSettings.h"
#include "render/RenderContext.h"

#include "LevelWorld.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

using namespace level_world;

namespace {

enum class TOutput { Loopback, NullDriver, None };

class SoundGameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf"))
            GTEST_SKIP() << "the content has not been built";
        ResetLevelGlobals();
        SetLogSink([this](const std::string& line) { Log.push_back(line); });
        InitAppDir(ROLLIX_BUILD_DIR);
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
        CreateMechanics();
    }
    void TearDown() override {
        StopAudio();
        TexLib.Clear();
        MassFile.Clear();
        ResetMechanics();
        ReleaseRenderContext();
        ResetLevelGlobals();
        SetLogSink(nullptr);
        AudioDeviceOpener = nullptr;
    }
    void StartAudio(TOutput output) {
        StopAudio();
        AudioDeviceOpener = [output](const std::string&) -> std::unique_ptr<TAudioBackend> {
            if (output == TOutput::Loopback) return OpenLoopbackDevice(44100);
            if (output == TOutput::NullDriver) return OpenAudioDevice("");
            return nullptr;
        };
        StartGameAudio();
    }
    void StopAudio() {
        ResetGame();
        FreeSoundMan();
        FreeMusicMan();
    }
    TAlAudioBackend* Loopback() const { return dynamic_cast<TAlAudioBackend*>(AudioOutput.get()); }

    std::vector<std::string> Log;
};

struct TRunResult {
    std::vector<std::string> Hashes;
    int32_t SoundsMade = 0;
    std::vector<std::string> Missing;
    bool HadDevice = false;
};

TEST_F(SoundGameTest, GateRunTakesTheSameHashesWithADeviceTheNullDriverAndNone) {
    TInputScript script;
    std::string error;
    ASSERT_TRUE(LoadInputScript(std::string(ROLLIX_SOURCE_DIR) + "/scripts/zestars-gate.txt", script, error))
        << error;
    auto run = [&](TOutput output) {
        StartAudio(output);
        InstallGameHooks();
        FillRandomTable();
        Seed(100);
        TRunResult r;
        r.HadDevice = AudioOutput && AudioOutput->HasDevice();
        std::string why;
        if (!LoadRunLevel("Zestars.map", why)) {
            ADD_FAILURE() << why;
            return r;
        }
        RunScriptedTicks(2100, script, [&](int32_t tick) {
            if (tick % 100 == 0) r.Hashes.push_back(StateHashText(tick));
        });
        r.SoundsMade = SoundMan->NextKey - 1;
        r.Missing = SoundMan->Missing;
        return r;
    };
    const TRunResult device = run(TOutput::Loopback);
    ASSERT_TRUE(device.HadDevice) << "the loopback device opens";
    const TRunResult null = run(TOutput::NullDriver);
    ASSERT_TRUE(null.HadDevice) << "ALSOFT_DRIVERS=null opens the null driver";
    const TRunResult none = run(TOutput::None);
    EXPECT_FALSE(none.HadDevice);
    ASSERT_EQ(device.Hashes.size(), 21u);
    EXPECT_EQ(device.Hashes, null.Hashes);
    EXPECT_EQ(device.Hashes, none.Hashes);
    // The run makes sounds (splashes, jewels, boosts, the gate), the same
    // ones every time, and finds every one it asks for.
    EXPECT_GT(device.SoundsMade, 5);
    EXPECT_EQ(device.SoundsMade, null.SoundsMade);
    EXPECT_EQ(device.SoundsMade, none.SoundsMade);
    EXPECT_TRUE(device.Missing.empty()) << device.Missing.front();
}

// The loudest sample of a stretch of the loopback's output, after the first
// 20 ms (a stopped source fades out over a few milliseconds).
int32_t Loudest(TAlAudioBackend& out, int32_t frames) {
    std::vector<int16_t> pcm;
    EXPECT_TRUE(out.Render(pcm, 882));
    EXPECT_TRUE(out.Render(pcm, frames));
    int32_t peak = 0;
    for (int16_t v : pcm)
        peak = std::max(peak, std::abs(int32_t(v)));
    return peak;
}

TEST_F(SoundGameTest, LoopbackHearsAPlacedSoundAndABurstAndSilenceAfterTheLevelStops) {
    StartAudio(TOutput::Loopback);
    TAlAudioBackend* out = Loopback();
    ASSERT_NE(out, nullptr);
    InstallGameHooks();
    ASSERT_TRUE(GameHooks.LoadLevel("Zestars.map"));
    TLevel& level = *CurrentLevel;
    TRollix* player = level.Player();
    ASSERT_NE(player, nullptr);
    // The level's sounds after its start are quiet here: no spout, no rain.
    for (int t = 0; t < 5; ++t)
        level.UpdateLevelSounds(true);
    EXPECT_LT(Loudest(*out, 4410), 50);

    // A placed loop right at the player.
    auto placed = std::make_unique<TLevelSound>(level.NextSoundId++);
    placed->SampleName = "Water\\Bublina vo vode.ogg";
    placed->Position = placed->HomePosition = player->Centre;
    placed->Params.Loop = 1;
    level.LevelSounds.push_back(std::move(placed));
    level.UpdateLevelSounds(true);
    ASSERT_NE(level.LevelSounds.back()->SoundKey, 0);
    // A boost's sound slot naming it waits while its pause runs.
    const int32_t id = level.LevelSounds.back()->Id;
    EXPECT_TRUE(level.BoostWorld.SoundSlotAllows(id));
    level.LevelSounds.back()->PauseCountdown = 10;
    EXPECT_FALSE(level.BoostWorld.SoundSlotAllows(id));
    EXPECT_TRUE(level.BoostWorld.SoundSlotAllows(id + 100));
    EXPECT_TRUE(level.BoostWorld.SoundSlotAllows(-1));
    level.LevelSounds.back()->PauseCountdown = 0;
    EXPECT_GT(Loudest(*out, 4410), 1000) << "the placed sound is heard";
    level.SoundLink.StopLevelSounds();
    level.LevelSounds.back()->Disabled = 1;
    level.UpdateLevelSounds(true);
    EXPECT_LT(Loudest(*out, 4410), 50) << "silent after the level's sounds stop";

    // A balloon bursts with its sample.
    player->MaterialKind = mkBalloon;
    level.Characters.Burst(*player, 3, mkBalloon);
    level.UpdateLevelSounds(true);
    EXPECT_GT(Loudest(*out, 4410), 1000) << "the burst is heard";
    level.SoundLink.StopLevelSounds();
    level.UpdateLevelSounds(true);
    EXPECT_LT(Loudest(*out, 4410), 50);
}

// Voices come with the character's faces: their folders are not made yet.
bool IsVoice(const std::string& name) {
    return name.rfind("xRollix\\", 0) == 0 || name.rfind("Fazulky\\", 0) == 0;
}

TEST_F(SoundGameTest, EverySoundNameTheCodeAndTheLevelsUseIsInTheArchive) {
    std::set<std::string> names;
    // Every sample name written out in the game's sources.
    const std::regex literal(R"re("((FX|Water|Acid|Boosts|Untitled|xRollix|Fazulky)\\\\[^"]*\.ogg)")re");
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(ROLLIX_SOURCE_DIR) + "/src")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(entry.path());
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), literal); it != std::sregex_iterator();
             ++it) {
            std::string n = (*it)[1];
            n = std::regex_replace(n, std::regex(R"(\\\\)"), "\\");
            names.insert(n);
        }
    }
    ASSERT_GT(names.size(), 40u);
    // The numbered ones the code puts together, and the boosts' defaults.
    for (const std::string& n : PreloadSampleNames("Zestars.map"))
        names.insert(n);
    for (int32_t type = 0; type < BoostTypeCount; ++type)
        if (const char* n = DefaultTakeSound(type); n && *n) names.insert(n);
    // Every shipped level's own names.
    StartAudio(TOutput::None);
    InstallGameHooks();
    int32_t levels = 0;
    for (const auto& file : MassFile.Files)
        for (const auto& dir : file->Dirs)
            for (const TMassFileHeader& f : dir.Files) {
                const std::string name = f.StoredName;
                if (name.size() < 4 || UpperAnsi(name.substr(name.size() - 4)) != ".MAP") continue;
                ASSERT_TRUE(GameHooks.LoadLevel(name)) << name;
                for (const std::string& n : CurrentLevel->SoundLink.SampleNames())
                    names.insert(n);
                ++levels;
            }
    EXPECT_GT(levels, 0);
    for (const std::string& n : names) {
        if (IsVoice(n)) continue;
        EXPECT_TRUE(MassFileExists(AppDir + "Sounds\\" + n)) << n << " is not in the archive";
        EXPECT_GE(SoundMan->FindSampleIndex(n), 0) << n << " is not in Rollix.SoundLib";
    }
    // And every library entry decodes.
    for (size_t i = 0; i < SoundMan->Samples.size(); ++i) {
        SoundMan->UploadSample(int32_t(i));
        EXPECT_TRUE(SoundMan->Samples[i].Loaded && SoundMan->Samples[i].Frames > 0)
            << SoundMan->Samples[i].Name;
    }
}

} // namespace

// Every level the build packs: it loads, plays 1,000 ticks headless without a
// caught error, and every picture and figure it names is in the archive.
#include "LevelWorld.h"

#include "app/GameState.h"
#include "app/InputState.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "level/Level.h"
#include "level/Mechanics.h"
#include "physics/FigureFile.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using level_world::ResetLevelGlobals;

namespace {

class ShippedLevels : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(ROLLIX_BUILD_DIR) + "/Rollix.msf"))
            GTEST_SKIP() << "the content has not been built";
        InitAppDir(ROLLIX_BUILD_DIR);
        SetLogSink([this](const std::string& line) { Log.push_back(line); });
        ResetLevelGlobals();
        MassFile.Create();
        TexLib.Clear();
        TexLib.LoadLibrary();
    }
    void TearDown() override {
        CurrentLevel = nullptr;
        TexLib.Clear();
        MassFile.Clear();
        ReleaseRenderContext();
        ResetMechanics();
        SetLogSink(nullptr);
        ResetLevelGlobals();
    }

    // Every "Levels\*.map" entry of the archives.
    static std::vector<std::string> LevelNames() {
        std::vector<std::string> names;
        for (const auto& file : MassFile.Files)
            for (const TMassDirHeader& dir : file->Dirs) {
                if (UpperAnsi(dir.Key) != "LEVELS\\") continue;
                for (const TMassFileHeader& f : dir.Files)
                    if (f.Name.size() > 4 && UpperAnsi(f.Name.substr(f.Name.size() - 4)) == ".MAP")
                        names.push_back(f.StoredName);
            }
        return names;
    }

    std::vector<std::string> Log;
};

TEST_F(ShippedLevels, TheMainLevelIsShipped) {
    EXPECT_TRUE(MassFileExists(AppDir + "Levels\\Zestars.map"));
}

// The start looks for the maker's logo level by this exact name and quietly
// goes without it, so a renamed source would drop it unnoticed.
TEST_F(ShippedLevels, TheLogoLevelIsShippedUnderItsName) {
    EXPECT_TRUE(MassFileExists(AppDir + "Levels\\Vortan 1.map"));
}

TEST_F(ShippedLevels, EveryLevelPlaysAThousandTicksWithoutErrors) {
    const std::vector<std::string> names = LevelNames();
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const int32_t errorsBefore = ErrorCount;
        auto level = std::make_unique<TLevel>();
        Log.clear();
        level->LoadFromFile(name);
        ASSERT_FALSE(level->SplineObjects.empty()) << "the level was read";
        // Read to its end: a damaged section would keep only what came before it.
        for (const std::string& line : Log)
            EXPECT_EQ(line.find("damaged"), std::string::npos) << line;
        ASSERT_NE(level->Player(), nullptr);
        level_world::PlayTicks(*level, 1000);
        EXPECT_EQ(ErrorCount, errorsBefore);
        const TVec2 at = level->Player()->Centre;
        EXPECT_TRUE(std::isfinite(at.X) && std::isfinite(at.Y)) << "the player stays a number";
        // Resting on the terrain, not fallen through it: inside the box of the edges.
        ASSERT_FALSE(level->CollisionEdges.empty());
        const TVec2 first = level->CollisionEdges.front().Start;
        TBox2 box{first.X, first.Y, first.X, first.Y};
        for (const TCollisionEdge& e : level->CollisionEdges) {
            box.Left = std::min(box.Left, e.Start.X), box.Right = std::max(box.Right, e.Start.X);
            box.Top = std::min(box.Top, e.Start.Y), box.Bottom = std::max(box.Bottom, e.Start.Y);
        }
        EXPECT_LT(at.Y, box.Bottom) << "the player fell below the terrain";
        level.reset();
        ResetLevelGlobals();
    }
}

TEST_F(ShippedLevels, EveryPictureAndFigureALevelNamesIsThere) {
    for (const std::string& name : LevelNames()) {
        SCOPED_TRACE(name);
        auto level = std::make_unique<TLevel>();
        level->LoadFromFile(name);
        for (const auto& o : level->SplineObjects) {
            for (const auto* group : {&o->Body, &o->Border})
                for (const auto& m : group->Meshes) {
                    ASSERT_NE(m->Texture, nullptr) << o->Name;
                    EXPECT_TRUE(m->Texture->Exists) << o->Name << ": " << m->Texture->Name;
                    EXPECT_NE(m->Texture, TexLib.TextureByIndex(0))
                        << o->Name << " fell back to the stand-in picture";
                }
        }
        const TMSky& sky = level->Sky;
        for (const std::string* picture :
             {&sky.CloudTextureName, &sky.MoonTextureName, &sky.GlowTextureName, &sky.StarTextureName})
            if (!picture->empty()) {
                const TMyTexture* t = TexLib.TextureByName(*picture);
                EXPECT_TRUE(t && t->Exists) << *picture;
            }
        for (const auto& c : level->Characters.Items)
            EXPECT_TRUE(MassFileExists(FigureFileName(c->StartFigure))) << "figure " << c->StartFigure;
        level.reset();
        ResetLevelGlobals();
    }
}

} // namespace

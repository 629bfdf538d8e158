// The level's lights in play: prepared after loading, stepped by the tick,
// reset by a restart, and set up for every frame and layer.
#include "LevelWorld.h"

#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <memory>
#include <vector>

using namespace level_world;

namespace {

constexpr TLightColor Warm{1.0f, 0.75f, 0.5f, 1.0f};

class LevelLights : public ::testing::Test {
  protected:
    void SetUp() override { ResetLevelGlobals(); }
    void TearDown() override {
        Level.reset();
        ResetLevelGlobals();
        ResetRenderState();
    }

    // The planned level's floor (top at y 300 from x −2000 to 2000) and slope
    // (x 2000 … 3500), the player resting on the floor, and one point light
    // of radius 200 just above the floor at x 100.
    void Load() {
        std::vector<uint8_t> bytes;
        {
            TLevel level;
            level.Layers.Create(-1, {0.5f, 1.0f});
            level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
            level.SplineObjects.push_back(
                MakeGround(level, {{2000.0f, 300.0f}, {3500.0f, 700.0f}, {2000.0f, 700.0f}}));
            TRollix* c = level.Characters.AddListed();
            c->StartFigure = 1;
            c->StartX = 0.0f;
            c->StartY = 150.0f;
            auto light = std::make_unique<TLight>(&level.Lights);
            light->Position = {100.0f, 290.0f, 0.0f, 1.0f};
            light->StoredColor = Warm;
            light->SetRadius(200.0f);
            level.Lights.PointLights.push_back(std::move(light));
            bytes = WriteLevelBytes(level);
        }
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(bytes));
        ASSERT_EQ(Level->Lights.PointLights.size(), 1u);
    }

    void Tick(int32_t n) { PlayTicks(*Level, n); }

    TLight& Light() { return *Level->Lights.PointLights[0]; }

    TArchive Archive{"lights"};
    std::unique_ptr<TLevel> Level;
};

} // namespace

TEST_F(LevelLights, LoadingTellsEveryGroupItsLights) {
    Load();
    int32_t lit = 0, groups = 0;
    for (const auto& m : Level->SplineObjects[0]->Body.Meshes)
        for (const TFragment_Of_Triangles& g : m->Groups) {
            ++groups;
            if (g.LightCount == 1 && g.Lights[0] == 0) ++lit;
        }
    EXPECT_GT(groups, 0);
    EXPECT_GT(lit, 0) << "the floor under the light";
    for (const auto& m : Level->SplineObjects[1]->Body.Meshes)
        for (const TFragment_Of_Triangles& g : m->Groups)
            EXPECT_EQ(g.LightCount, 0) << "the slope lies beyond the light's reach";
}

TEST_F(LevelLights, MovedObjectsAreTold) {
    Load();
    TSplineObj& floor = *Level->SplineObjects[0];
    auto litGroups = [&] {
        int32_t lit = 0;
        for (const auto& m : floor.Body.Meshes)
            for (const TFragment_Of_Triangles& g : m->Groups)
                if (g.LightCount == 1 && g.Lights[0] == 0) ++lit;
        return lit;
    };
    ASSERT_GT(litGroups(), 0);
    // A move rebuilds the groups: those under the light learn of it again,
    // and none does while the floor is far away from it.
    floor.MoveBy(5.0f, 0.0f, false);
    EXPECT_GT(litGroups(), 0) << "moved a little";
    floor.MoveBy(0.0f, 5000.0f, true);
    EXPECT_EQ(litGroups(), 0) << "moved out of the light's reach";
    floor.RestoreBaseShape();
    EXPECT_GT(litGroups(), 0) << "back in place";
}

TEST_F(LevelLights, TicksRunTheLightsAndRestartsResetThem) {
    Load();
    EXPECT_EQ(Light().CurrentColor, Warm);
    // A fade of 100 ms is half-way after five ticks of 10 ms.
    Light().FadeToColor({0.0f, 0.0f, 0.0f, 1.0f}, 100);
    Tick(5);
    EXPECT_EQ(Light().FadeLeft, 50);
    for (size_t c = 0; c < 3; ++c)
        EXPECT_NEAR(Light().CurrentColor[c], Warm[c] * 0.5f, 1e-5f) << c;
    Level->RestartLevel(false, false);
    EXPECT_EQ(Light().CurrentColor, Warm);
    EXPECT_EQ(Light().FadeLeft, 0);
}

TEST_F(LevelLights, FrameLightsTheLayersAndTheMeshesNearTheLight) {
    Load();
    auto backend = std::make_unique<TNullRenderBackend>();
    TNullRenderBackend* gl = backend.get();
    InitRenderContext(std::move(backend));
    Tick(3);
    Level->PrepareFrameView();
    BeginFrame();
    Level->DrawLevel();
    EXPECT_TRUE(Level->Lights.LightsOn);
    EXPECT_EQ(gl->LightErrors, 0);
    // After the layers the playing layer's lights are on for the overlays:
    // the fill light in its ambient colour and the character light at the player.
    EXPECT_TRUE(gl->LightOn(0));
    EXPECT_TRUE(gl->LightOn(1));
    EXPECT_EQ(gl->LightStates[1].Diffuse, Level->Layers.Playing().CurrentLight);
    EXPECT_EQ(gl->LightStates[0].Position[0], Level->Player()->Centre.X);
    EXPECT_EQ(gl->LightStates[0].Position[1], Level->Player()->Centre.Y);
    // The floor's groups switched the point light on in the first slot.
    EXPECT_EQ(gl->LightStates[2].Position[0], 100.0f);
    EXPECT_EQ(gl->LightStates[2].Position[1], 290.0f);
    EXPECT_EQ(gl->LightStates[2].Diffuse, Warm);
}

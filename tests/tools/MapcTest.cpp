// The level compiler: a bad source gives one clear message naming the file,
// the object and the field; a good one compiles into a level file that the
// game reads back with the objects, waters and characters it describes.
#include "LevelSource.h"
#include "LevelWorld.h"

#include <string>

using namespace level_world;

namespace {

// A small complete source; the error cases below change one part of it.
const char* const SmallSource = R"({
  "title": "Little hill",
  "targetScore": 300,
  "camera": [100, 50],
  "gravity": 0.8,
  "sky": {"top": [20, 10, 60], "bottom": [60, 40, 120],
          "moon": {"texture": "Levels\\ground.png", "at": [300, 80]},
          "stars": {"texture": "Levels\\ground.png", "perTile": 40}},
  "layers": {"lowest": -1, "parallax": [0.5, 1.0], "light": [[204, 153, 255]]},
  "terrain": [
    {"name": "floor", "texture": "Levels\\ground.png",
     "outline": [[-1000, 300], [1000, 300], [1000, 600], [-1000, 600]],
     "border": {"texture": "Levels\\ground.png", "width": 20}, "slide": 0.5},
    {"name": "wall", "texture": "Levels\\ground.png", "glue": 1, "spikes": true,
     "outline": [[400, 0], [500, 0], [500, 300], [400, 300]]}
  ],
  "decorations": [{"name": "far hill", "texture": "Levels\\ground.png", "box": [-500, 0, 0, 300], "outlineStep": 3, "layer": -1}],
  "waters": [{"name": "pool", "seed": [0, 250], "outline": [[-100, 250], [100, 250], [100, 300], [-100, 300]],
              "spouts": [{"at": [0, 290], "rate": 2}]}],
  "winds": [{"from": [200, 200], "to": [200, 0], "strength": 0.4}],
  "lights": [{"at": [0, 0], "colour": [255, 200, 150]}],
  "characters": [{"at": [0, 200], "player": true}, {"at": [-300, 200]}],
  "boosts": [{"type": 4, "points": 20, "shape": "wall"}, {"type": 19, "shape": "far hill", "target": "Next.map"}],
  "sounds": [{"sample": "FX\\Hum.ogg", "at": [10, 20]}]
})";

class LevelCompiler : public ::testing::Test {
  protected:
    void SetUp() override { ResetLevelGlobals(); }
    void TearDown() override { ResetLevelGlobals(); }
    TArchive Archive{"mapc"};
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct TBadSource {
    const char* From;
    const char* To;
    const char* Message;
};

const TBadSource BadSources[] = {
    {"{\n  \"title\"", "[{\n  \"title\"", "small.json: not valid JSON"},
    {"\"title\": \"Little hill\"", "\"titel\": \"Little hill\"", "small.json: level: titel: unknown field"},
    {"\"targetScore\": 300", "\"targetScore\": \"many\"",
     "small.json: level: targetScore: expected a whole number"},
    {"\"gravity\": 0.8", "\"gravity\": 0", "small.json: level: gravity: must be above 0"},
    // Values beyond the range of the floats the level stores.
    {"\"gravity\": 0.8", "\"gravity\": 1e39", "small.json: level: gravity: expected a finite number"},
    {"\"camera\": [100, 50]", "\"camera\": [100, -1e40]",
     "small.json: level: camera: expected a finite point"},
    {"\"box\": [-500, 0, 0, 300]", "\"box\": [-500, 0, 1e39, 300]",
     "small.json: decorations[0] \"far hill\": box: expected finite numbers"},
    {"\"parallax\": [0.5, 1.0]", "\"parallax\": [1e39, 1.0]",
     "small.json: layers: parallax: expected finite numbers above 0"},
    {"[[400, 0], [500, 0], [500, 300], [400, 300]]", "[[400, 0], [500, 0]]",
     "small.json: terrain[1] \"wall\": outline: an outline needs at least 3 points"},
    {"[[400, 0], [500, 0], [500, 300], [400, 300]]", "[[400, 300], [500, 300], [500, 0], [400, 0]]",
     "small.json: terrain[1] \"wall\": outline: must run clockwise"},
    {"[[400, 0], [500, 0], [500, 300], [400, 300]]", "[[400, 0], [500, 0], [500, \"x\"], [400, 300]]",
     "small.json: terrain[1] \"wall\": outline[2]: expected a point [x, y]"},
    {"{\"name\": \"wall\", \"texture\": \"Levels\\\\ground.png\",",
     "{\"name\": \"wall\", \"texture\": \"Levels\\\\gravel.png\",",
     "small.json: terrain[1] \"wall\": texture: unknown texture \"Levels\\gravel.png\""},
    {"{\"name\": \"wall\", \"texture\": \"Levels\\\\ground.png\",", "{\"name\": \"wall\",",
     "small.json: terrain[1] \"wall\": texture: missing"},
    {"\"glue\": 1", "\"glue\": 2", "small.json: terrain[1] \"wall\": glue: must be 0..1"},
    {"\"spikes\": true", "\"spikes\": 1", "small.json: terrain[1] \"wall\": spikes: expected true or false"},
    {"\"spikes\": true", "\"spikez\": true", "small.json: terrain[1] \"wall\": spikez: unknown field"},
    {"\"rate\": 2", "\"rate\": 2, \"size\": 3",
     "small.json: waters[0] \"pool\".spouts[0]: size: unknown field"},
    {"\"border\": {\"texture\": \"Levels\\\\ground.png\"", "\"border\": {\"texture\": \"Rock.png\"",
     "small.json: terrain[0] \"floor\".border: texture: unknown texture \"Rock.png\""},
    {"\"box\": [-500, 0, 0, 300]", "\"box\": [0, 0, -500, 300]",
     "small.json: decorations[0] \"far hill\": box: right and bottom must lie beyond left and top"},
    {"\"layer\": -1}", "\"layer\": -3}", "small.json: decorations[0] \"far hill\": layer: no such layer -3"},
    {"\"outlineStep\": 3", "\"outlineStep\": 0",
     "small.json: decorations[0] \"far hill\": outlineStep: must be 1..200"},
    {"\"seed\": [0, 250], ", "", "small.json: waters[0] \"pool\": seed: missing"},
    {"\"rate\": 2", "\"rate\": -2", "small.json: waters[0] \"pool\".spouts[0]: rate: must be 0 or more"},
    {"\"to\": [200, 0], ", "", "small.json: winds[0]: to: missing"},
    {"\"colour\": [255, 200, 150]", "\"colour\": [255, 300, 150]",
     "small.json: lights[0]: colour: colour parts are whole numbers 0..255"},
    {"{\"at\": [-300, 200]}", "{\"at\": [-300]}", "small.json: characters[1]: at: expected a point [x, y]"},
    {"\"type\": 4", "\"type\": 25", "small.json: boosts[0]: type: must be 0..24"},
    {"\"shape\": \"wall\"", "\"shape\": \"door\"", "small.json: boosts[0]: shape: no object named \"door\""},
    {"\"points\": 20,", "\"points\": 20, \"requiredKey\": 25,",
     "small.json: boosts[0]: requiredKey: must be 0..24"},
    {"\"points\": 20,", "\"points\": 20, \"keyItem\": 1,",
     "small.json: boosts[0]: keyItem: expected true or false"},
    // A Morpher's parameter is a figure number; a Scaler's a size.
    {"\"type\": 4, \"points\": 20,", "\"type\": 1, \"param1\": 2.5,",
     "small.json: boosts[0]: param1: expected a whole number"},
    {"\"type\": 4, \"points\": 20,", "\"type\": 3, \"param1\": \"big\",",
     "small.json: boosts[0]: param1: expected a number"},
    {"\"sample\": \"FX\\\\Hum.ogg\", ", "", "small.json: sounds[0]: sample: missing"},
    {"\"moon\": {\"texture\": \"Levels\\\\ground.png\", ", "\"moon\": {",
     "small.json: sky.moon: texture: missing"},
    {"\"parallax\": [0.5, 1.0]", "\"parallax\": [0.5]",
     "small.json: layers: parallax: needs one value per layer"},
    {"[[204, 153, 255]]", "[[204, 153, 256]]",
     "small.json: layers: light: colour parts are whole numbers 0..255"},
    {"[[204, 153, 255]]", "[[204, 153, 255], [1, 2, 3], [4, 5, 6]]",
     "small.json: layers: light: more colours than layers"},
    {"[[204, 153, 255]]", "[204, 153, 255]", "small.json: layers: light: expected a colour"},
    {"\"stars\": {", "\"clouds\": {\"texture\": \"Levels\\\\ground.png\", \"scale\": [0, 80]}, \"stars\": {",
     "small.json: sky.clouds: scale: must be 1..10000 each"},
    {"\"stars\": {", "\"clouds\": {\"texture\": \"Levels\\\\ground.png\", \"scale\": 300}, \"stars\": {",
     "small.json: sky.clouds: scale: expected a point [x, y]"},
};

TEST_F(LevelCompiler, BadSourcesNameTheFileObjectAndField) {
    for (const TBadSource& bad : BadSources) {
        const std::string text = Replace(SmallSource, bad.From, bad.To);
        const TCompileResult r = CompileLevelSource(text, "small.json");
        EXPECT_EQ(r.Level, nullptr) << bad.Message;
        EXPECT_EQ(r.Error.rfind(bad.Message, 0), 0u) << "got: " << r.Error << "\nwanted: " << bad.Message;
    }
}

TEST_F(LevelCompiler, ASmallSourceLoadsWithWhatItDescribes) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(CompileLevelBytes(SmallSource, "small.json", bytes, error)) << error;
    const int32_t errorsBefore = ErrorCount;
    auto level = std::make_unique<TLevel>();
    ASSERT_TRUE(level->LoadFromBytes(bytes));
    EXPECT_EQ(ErrorCount, errorsBefore);

    EXPECT_EQ(level->Header.LevelTitle, "Little hill");
    EXPECT_EQ(level->Header.TargetScore, 300);
    EXPECT_TRUE(level->Header.CameraFromFile);
    EXPECT_EQ(level->Header.CameraStart, (TVec2{100, 50}));
    EXPECT_FLOAT_EQ(level->Header.GravityFactor, 0.8f);
    EXPECT_TRUE(level->Sky.RenderMoon);
    EXPECT_TRUE(level->Sky.RenderStars);
    EXPECT_FALSE(level->Sky.RenderClouds);
    EXPECT_EQ(level->Sky.MoonPos, (TVec2{300, 80}));
    EXPECT_EQ(level->Layers.MinNumber, -1);
    ASSERT_EQ(level->Layers.Layers.size(), 2u);
    // The far layer keeps its ambient light; the playing layer, left out, stays white.
    const TLayer& far = *level->Layers.Layers[0];
    EXPECT_FLOAT_EQ(far.LightColor[0], 0.8f);
    EXPECT_FLOAT_EQ(far.LightColor[1], 0.6f);
    EXPECT_FLOAT_EQ(far.LightColor[2], 1.0f);
    EXPECT_EQ(far.CurrentLight, far.LightColor) << "the light is in use from the start";
    EXPECT_EQ(level->Layers.Layers[1]->LightColor, (TLightColor{1, 1, 1, 1}));

    ASSERT_EQ(level->SplineObjects.size(), 3u);
    const TSplineObj& floor = *level->SplineObjects[0];
    EXPECT_EQ(floor.Name, "floor");
    EXPECT_FALSE(floor.GridMode);
    EXPECT_TRUE(floor.Contributes());
    ASSERT_FALSE(floor.Border.Meshes.empty()) << "the border band is kept";
    EXPECT_FLOAT_EQ(floor.BorderWidth, 20.0f);
    EXPECT_FLOAT_EQ(floor.Body.Meshes.front()->Skidness, 0.5f);
    const TSplineObj& wall = *level->SplineObjects[1];
    EXPECT_FLOAT_EQ(wall.Body.Meshes.front()->Stickness, 1.0f);
    ASSERT_FALSE(wall.Body.Meshes.front()->OutlinePoints.empty());
    for (const TOutlinePoint& p : wall.Body.Meshes.front()->OutlinePoints)
        EXPECT_EQ(p.Spike, 1);
    const TSplineObj& hill = *level->SplineObjects[2];
    EXPECT_EQ(hill.Layer, -1);
    EXPECT_EQ(hill.OutlineStep, 3);
    EXPECT_FALSE(hill.Contributes()) << "decorations never collide";

    ASSERT_EQ(level->Waters.size(), 1u);
    EXPECT_EQ(level->Waters[0]->Spouts.size(), 1u);
    EXPECT_FLOAT_EQ(level->Waters[0]->RestLevel, 250.0f);
    ASSERT_EQ(level->Winds.size(), 1u);
    EXPECT_EQ(level->Winds[0]->BaseTarget, (TVec2{200, 0}));
    EXPECT_EQ(level->Lights.PointLights.size(), 1u);
    ASSERT_EQ(level->Characters.Count(), 2);
    EXPECT_EQ(level->Characters.Items[1]->StartX, -300.0f);
    EXPECT_NE(level->Player(), nullptr);
    ASSERT_EQ(level->Boosts.Count(), 2);
    EXPECT_EQ(level->Boosts.Items[0]->ShapeIndices, std::vector<int32_t>{1});
    EXPECT_EQ(level->Boosts.Items[0]->TargetLevel, "");
    EXPECT_EQ(level->Boosts.Items[1]->TargetLevel, "Next.map"); // the gate's way on
    ASSERT_EQ(level->LevelSounds.size(), 1u);
    EXPECT_EQ(level->LevelSounds[0]->SampleName, "FX\\Hum.ogg");
    EXPECT_FALSE(level->CollisionEdges.empty());
}

// A boost's parameters reach the level in the form its type reads them (a
// whole number or a float), and the key-item fields as they were written.
TEST_F(LevelCompiler, BoostsKeepTheirParametersAndKeys) {
    const std::string text = Replace(
        SmallSource, "\"boosts\": [{\"type\": 4, \"points\": 20, \"shape\": \"wall\"}",
        "\"boosts\": [{\"type\": 3, \"param1\": 1.25, \"shape\": \"wall\"}, {\"type\": 1, \"param1\": 4},"
        " {\"type\": 18, \"param1\": 420, \"param2\": -240.5}, {\"type\": 15, \"param1\": 30, \"param2\": 7},"
        " {\"type\": 22, \"keyItem\": true, \"autoUse\": true}, {\"type\": 2, \"requiredKey\": 22, "
        "\"minPoints\": 40}");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(CompileLevelBytes(text, "small.json", bytes, error)) << error;
    auto level = std::make_unique<TLevel>();
    ASSERT_TRUE(level->LoadFromBytes(bytes));
    ASSERT_EQ(level->Boosts.Count(), 7);
    const auto& b = level->Boosts.Items;
    EXPECT_FLOAT_EQ(b[0]->Param1Float(), 1.25f);  // Scaler: the size
    EXPECT_EQ(b[1]->Param1Int(), 4);              // Morpher: the figure
    EXPECT_FLOAT_EQ(b[2]->Param1Float(), 420.0f); // Teleport: the target
    EXPECT_FLOAT_EQ(b[2]->Param2Float(), -240.5f);
    EXPECT_EQ(b[3]->Param1Int(), 30); // Stopper: brake and freeze ticks
    EXPECT_EQ(b[3]->Param2Int(), 7);
    EXPECT_EQ(b[4]->IsKeyItem, 1);
    EXPECT_EQ(b[4]->AutoUse, 1);
    EXPECT_EQ(b[4]->RequiredKey, 0);
    EXPECT_EQ(b[5]->IsKeyItem, 0);
    EXPECT_EQ(b[5]->RequiredKey, 22);
    EXPECT_EQ(b[5]->MinPoints, 40);
}

// A wide cloud strip is drawn over wide cells: the scale across and down
// reaches the level and the cells derived from it.
TEST_F(LevelCompiler, CloudsKeepTheirScale) {
    const std::string text =
        Replace(SmallSource, "\"stars\": {",
                "\"clouds\": {\"texture\": \"Levels\\\\ground.png\", \"scale\": [300, 75]}, \"stars\": {");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(CompileLevelBytes(text, "small.json", bytes, error)) << error;
    auto level = std::make_unique<TLevel>();
    ASSERT_TRUE(level->LoadFromBytes(bytes));
    ASSERT_TRUE(level->Sky.RenderClouds);
    EXPECT_FLOAT_EQ(level->Sky.ScaleX, 300.0f);
    EXPECT_FLOAT_EQ(level->Sky.ScaleY, 75.0f);
    EXPECT_EQ(level->Sky.Clouds.CellWidth, 4 * level->Sky.Clouds.CellHeight);
}

} // namespace

// The characters' looks in a played level: the skin mesh over the nodes after
// ticks, the rest-shape skin, which texture a body wears, and that drawing the
// bodies leaves the simulation as it was.
#include "LevelWorld.h"

#include "app/InputState.h"
#include "level/RollixLooks.h"
#include "physics/BoostHooks.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <cmath>
#include <string>
#include <vector>

using namespace level_world;

namespace {

std::vector<uint8_t> PlainPng(uint8_t r, uint8_t g, uint8_t b) {
    constexpr int32_t side = 32;
    std::vector<uint8_t> px(size_t(side) * side * 4);
    for (size_t i = 0; i < px.size(); i += 4)
        px[i] = r, px[i + 1] = g, px[i + 2] = b, px[i + 3] = 255;
    std::vector<uint8_t> out;
    EncodePng(px.data(), side, side, 4, out);
    return out;
}

// Carries the one boost kind it is given.
class TCarrying : public TBoostHooks {
  public:
    int32_t Kind = 0;
    bool Carries(const TRollix&, int32_t kind) const override { return kind == Kind; }
};

class LevelLooks : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetLevelGlobals();
        Archive.Add(
            {{"Textures\\Rollixs\\", "MubStar.png", PlainPng(200, 40, 40)},
             {"Textures\\Rollixs\\", "Coat MubStar.png", PlainPng(40, 200, 40)},
             {"Textures\\", "Rollix.TexLib",
              WriteTexLibIndex(
                  {{"Levels\\ground.png"}, {"Rollixs\\MubStar.png"}, {"Rollixs\\Coat MubStar.png"}})}});
    }
    void TearDown() override {
        Level.reset();
        ResetLevelGlobals();
        ReleaseRenderContext();
    }
    TLevel& Load(TLevelPlan plan = {{{0.0f, 150.0f}}}) {
        Level = std::make_unique<TLevel>();
        EXPECT_TRUE(Level->LoadFromBytes(WritePlannedLevel(plan)));
        return *Level;
    }
    void Tick(int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            Level->StepPlay(1);
            EndTick();
        }
    }
    static int32_t Index(const char* name) {
        const TMyTexture* t = TexLib.TextureByName(name);
        return t ? t->Index : -1;
    }

    TArchive Archive{"looks"};
    std::unique_ptr<TLevel> Level;
};

TEST_F(LevelLooks, SkinLiesOverTheNodesAndTheCentreAfterTicks) {
    Load({{{0.0f, 150.0f}, {300.0f, 100.0f}}});
    Tick(40);
    for (const auto& c : Level->Characters.Items) {
        ASSERT_EQ(c->BodyTexture, Index("Rollixs\\MubStar.png"))
            << "the figure's picture comes from the library";
        const TMultiMesh* skin = Level->Looks.Skin(*c);
        ASSERT_NE(skin, nullptr);
        ASSERT_EQ(skin->Meshes.size(), 1u);
        const TMesh& m = *skin->Meshes.front();
        const size_t n = c->Vertices.size();
        ASSERT_EQ(m.Warped.size(), n + 1);
        for (size_t i = 0; i < n; ++i)
            EXPECT_EQ(m.Warped[i], c->Vertices[i].Pos) << "node " << i;
        EXPECT_EQ(m.Warped[n], c->Centre);
        EXPECT_EQ(m.Triangles.size(), c->Figure->Triangles.size());
        ASSERT_EQ(m.TexCoords.size(), n + 1);
        EXPECT_EQ(m.TexCoords[0], c->Vertices[0].TexCoord);
        EXPECT_EQ(m.TexCoords[n], c->TexCentre) << "the body texture keeps the figure's centre coordinate";
        EXPECT_EQ(m.Texture, TexLib.TextureByIndex(c->BodyTexture));
        EXPECT_TRUE(skin->ContainsPoint(c->Centre));
        EXPECT_FALSE(skin->ContainsPoint({c->Bounds.Right + 5.0f, c->Centre.Y}));
        EXPECT_EQ(skin->Bounds.Left, m.Bounds.Left);
    }
}

TEST_F(LevelLooks, RestShapeSkinKeepsTheFigureWhereTheBodyStands) {
    Load();
    TRollix& p = *Level->Player();
    p.MeshStyle = true;
    Tick(5);
    const TMesh& m = *Level->Looks.Skin(p)->Meshes.front();
    const auto& rest = p.Figure->Points;
    ASSERT_EQ(m.Warped.size(), rest.size() + 1);
    EXPECT_EQ(m.Warped.back(), p.Centre);
    for (size_t i = 0; i < rest.size(); ++i) {
        const float want = std::hypot(rest[i].Pos.X, rest[i].Pos.Y);
        const float got = std::hypot(m.Warped[i].X - p.Centre.X, m.Warped[i].Y - p.Centre.Y);
        EXPECT_NEAR(got, want, 1e-3f) << "point " << i;
    }
}

TEST_F(LevelLooks, WornTextureByCoatSuitAndFigure) {
    Load({{{0.0f, 150.0f}, {300.0f, 100.0f}}});
    Tick(1); // the first of the list becomes the player in the tick
    TCarrying carrying;
    TBoostHooks* const kept = Level->Physics.Boosts;
    Level->Physics.Boosts = &carrying;
    TRollix& player = *Level->Player();
    TRollix& other = *Level->Characters.Items[1];
    const int32_t body = Index("Rollixs\\MubStar.png"), coat = Index("Rollixs\\Coat MubStar.png");
    ASSERT_GE(body, 0);
    ASSERT_GE(coat, 0);
    struct TCase {
        const char* What;
        bool Player;
        int32_t Kind;
        int32_t Figure;
        int32_t Want;
    } cases[] = {
        {"nothing carried: the body", true, 0, 1, body},
        {"acid coat: the coat of the figure", true, 9, 1, coat},
        {"diving suit whose picture is missing", true, 8, 1, -1},
        {"acid coat on a figure without a coat name", true, 9, 12, -1},
        {"others never wear the coat", false, 9, 1, body},
    };
    for (const TCase& k : cases) {
        carrying.Kind = k.Kind;
        TRollix& c = k.Player ? player : other;
        c.FigureNumber = k.Figure;
        EXPECT_EQ(Level->Looks.FaceTexture(c), k.Want) << k.What;
    }
    player.FigureNumber = 1;
    carrying.Kind = 9;
    Tick(1);
    const TMesh& m = *Level->Looks.Skin(player)->Meshes.front();
    EXPECT_EQ(m.Texture, TexLib.TextureByIndex(coat));
    const size_t n = player.Vertices.size();
    TVec2 mean;
    for (size_t i = 0; i < n; ++i)
        mean = {mean.X + m.TexCoords[i].X, mean.Y + m.TexCoords[i].Y};
    EXPECT_NEAR(m.TexCoords[n].X, mean.X / float(n), 1e-5f) << "a coat is centred on the mean coordinate";
    EXPECT_NEAR(m.TexCoords[n].Y, mean.Y / float(n), 1e-5f);

    carrying.Kind = 0;
    player.BodyTexture = 9999;
    EXPECT_EQ(Level->Looks.FaceTexture(player), -1) << "an index outside the library is no texture";
    Level->Physics.Boosts = kept;
}

TEST_F(LevelLooks, DrawingTheBodiesLeavesThePlayAsItWas) {
    auto run = [&](bool draw, int32_t& drawnVertices) {
        Load({{{0.0f, 150.0f}, {300.0f, 100.0f}}});
        auto backend = std::make_unique<TNullRenderBackend>();
        TNullRenderBackend* null = backend.get();
        InitRenderContext(std::move(backend));
        SetKey(KeyTable[size_t(DefaultKeyBindings.Right)], true);
        TStateHash h;
        drawnVertices = 0;
        for (int32_t t = 0; t < 120; ++t) {
            Tick(1);
            if (draw) {
                Level->PrepareFrameView();
                BeginFrame();
                null->Vertices.clear();
                const int32_t triangles = Level->Looks.DrawAll(Level->Characters);
                drawnVertices += int32_t(null->Vertices.size());
                EXPECT_EQ(size_t(triangles) * 3, null->Vertices.size()) << "every counted triangle is sent";
                Level->DrawLevel();
            }
            for (const auto& c : Level->Characters.Items)
                for (const TRollixVertex& v : c->Vertices) {
                    h.AddFloat(v.Pos.X);
                    h.AddFloat(v.Pos.Y);
                    h.AddFloat(v.Vel.X);
                    h.AddFloat(v.Vel.Y);
                }
        }
        SetKey(KeyTable[size_t(DefaultKeyBindings.Right)], false);
        ReleaseRenderContext();
        return h.Value;
    };
    int32_t quiet = 0, drawn = 0;
    const uint64_t a = run(false, quiet);
    ResetLevelGlobals();
    const uint64_t b = run(true, drawn);
    EXPECT_EQ(a, b);
    EXPECT_GT(drawn, 0) << "the bodies were drawn";
}

TEST_F(LevelLooks, SkinTakesThePointLightsAroundTheBodyWhenDrawn) {
    std::vector<uint8_t> bytes;
    {
        TLevel level;
        level.Layers.Create(-1, {0.5f, 1.0f});
        level.SplineObjects.push_back(MakeFloor(level, -2000.0f, 2000.0f, 300.0f));
        TRollix* c = level.Characters.AddListed();
        c->StartFigure = 1;
        c->StartY = 150.0f;
        // One light over the body, one far away.
        for (float x : {0.0f, 1500.0f}) {
            auto light = std::make_unique<TLight>(&level.Lights);
            light->Position = {x, 200.0f, 0.0f, 1.0f};
            light->SetRadius(200.0f);
            level.Lights.PointLights.push_back(std::move(light));
        }
        bytes = WriteLevelBytes(level);
    }
    Level = std::make_unique<TLevel>();
    ASSERT_TRUE(Level->LoadFromBytes(bytes));
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    Tick(3);
    Level->PrepareFrameView();
    BeginFrame();
    Level->DrawLevel();
    const TMesh& m = *Level->Looks.Skin(*Level->Player())->Meshes.front();
    ASSERT_FALSE(m.Groups.empty());
    for (const TFragment_Of_Triangles& g : m.Groups) {
        ASSERT_EQ(g.LightCount, 1);
        EXPECT_EQ(g.Lights[0], 0) << "the near light";
    }
}

TEST_F(LevelLooks, AbsentOrUntexturedBodiesDrawNothing) {
    Load();
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    Tick(2);
    Level->PrepareFrameView();
    BeginFrame();
    TRollix& p = *Level->Player();
    EXPECT_GT(Level->Looks.DrawCharacter(p), 0);
    p.Present = false;
    EXPECT_EQ(Level->Looks.DrawCharacter(p), 0);
    p.Present = true;
    p.BodyTexture = -1;
    EXPECT_EQ(Level->Looks.DrawCharacter(p), 0);
}

} // namespace

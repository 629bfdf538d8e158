// The lights at play: which lights reach a box or a triangle group, how they
// take the GL lights while a frame is drawn, and their colours over ticks.
#include "render/Lights.h"

#include "app/Random.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"
#include "world/Layers.h"
#include "world/Mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr TLightColor Red{1.0f, 0.0f, 0.0f, 1.0f}, Blue{0.0f, 0.0f, 1.0f, 1.0f},
    Black{0.0f, 0.0f, 0.0f, 0.0f};

TLightColor Mix(const TLightColor& a, const TLightColor& b, float t) {
    TLightColor c;
    for (size_t i = 0; i < 4; ++i)
        c[i] = a[i] + (b[i] - a[i]) * t;
    return c;
}

void ExpectColor(const TLightColor& got, const TLightColor& want, const std::string& what) {
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(got[i], want[i], 1e-5f) << what << ", channel " << i;
}

std::unique_ptr<TLight> PointLight(TLights& owner, float x, float y, float radius, int32_t layerMin = 0,
                                   int32_t layerMax = 0) {
    auto l = std::make_unique<TLight>(&owner);
    l->Position[0] = x;
    l->Position[1] = y;
    l->LayerMin = layerMin;
    l->LayerMax = layerMax;
    l->SetRadius(radius);
    return l;
}

// A strip of quads 100 units wide and high from x = 0, grouped by 100-unit
// cells: group i covers x 100·i … 100·(i + 1).
void BuildStrip(TMesh& mesh, int32_t quads) {
    for (int32_t i = 0; i <= quads; ++i) {
        mesh.Vertices.push_back({100.0f * float(i), 0.0f});
        mesh.Vertices.push_back({100.0f * float(i), 100.0f});
    }
    for (int32_t i = 0; i < quads; ++i) {
        const int32_t a = 2 * i;
        mesh.Triangles.push_back({{a, a + 2, a + 1}});
        mesh.Triangles.push_back({{a + 2, a + 3, a + 1}});
    }
    ASSERT_TRUE(mesh.BuildGroups(100.0f));
    ASSERT_EQ(mesh.Groups.size(), size_t(quads));
}

// A boost as a light sees it, with switches the test turns.
class TFakeBoost : public TLightBoost {
  public:
    bool Active = false;
    bool Hidden = false;
    bool HasShape = true;
    TVec2 Anchor{0.0f, 0.0f};
    TLight* Owned = nullptr;
    int32_t Told = 0;

    bool LightBoostActive() const override { return Active; }
    bool LightShapeHidden() const override { return Hidden; }
    bool LightAnchor(TVec2& at) const override {
        if (HasShape) at = Anchor;
        return HasShape;
    }
    void OwnLight(TLight* light) override {
        Owned = light;
        ++Told;
    }
};

class LightsDraw : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetRenderState();
        auto backend = std::make_unique<TNullRenderBackend>();
        Gl = backend.get();
        InitRenderContext(std::move(backend));
        Layers.Create(-1, {0.5f, 1.0f});
        Lights.Layers = &Layers;
    }
    void TearDown() override { ResetRenderState(); }

    // GL lights on, as a bit per light.
    int32_t LightsOnMask() const {
        int32_t mask = 0;
        for (int32_t k = 0; k < Gl::MaxLights; ++k)
            if (Gl->LightOn(k)) mask |= 1 << k;
        return mask;
    }

    TNullRenderBackend* Gl = nullptr;
    TLayers Layers;
    TLights Lights;
};

} // namespace

TEST(LightsReach, TouchesFollowsTheSquareTheCrossAndTheCorners) {
    struct TCase {
        const char* What;
        TBox2 Box;
        int32_t Layer;
        bool Want;
    };
    // A light of radius 100 at (0, 0); in layer −1 (parallax 0.5) its centre
    // and square are halved, the radius stays.
    const TCase cases[] = {
        {"box round the centre", {-20, -20, 20, 20}, 0, true},
        {"box holding the right end of the cross", {95, -5, 200, 5}, 0, true},
        {"corner inside the circle", {50, 50, 150, 150}, 0, true},
        {"square overlaps, the corners in range lie outside the circle", {80, 80, 150, 150}, 0, false},
        {"strip wider than the square, no corner in range", {-150, -95, 150, -90}, 0, true},
        {"outside the square", {101, 101, 200, 200}, 0, false},
        {"mapped: the box beyond the halved square", {55, -5, 90, 5}, -1, false},
        {"mapped: the corner within the radius of the halved centre", {30, 30, 90, 90}, -1, true},
        {"no number", {NAN, 0, 10, 10}, 0, false},
    };
    TLayers layers;
    layers.Create(-1, {0.5f, 1.0f});
    TLights lights;
    lights.Layers = &layers;
    const auto light = PointLight(lights, 0.0f, 0.0f, 100.0f, -1, 0);
    for (const TCase& c : cases)
        EXPECT_EQ(light->Touches(c.Box, c.Layer), c.Want) << c.What;

    // A light whose place is no number reaches nothing.
    const auto broken = PointLight(lights, NAN, 0.0f, 100.0f);
    EXPECT_FALSE(broken->Touches({-1000, -1000, 1000, 1000}, 0));
}

TEST(LightsReach, GroupsGetTheFirstSixLightsOfTheirLayerAndJoinOnEqualLists) {
    TLights lights;
    TMesh mesh(nullptr, nullptr);
    BuildStrip(mesh, 4);
    // Eight lights over group 0 (x 0 … 100), in list order 0 … 7; light 8 over
    // group 3 acts on layer −1 only; light 9 reaches groups 2 and 3.
    for (int32_t i = 0; i < 8; ++i)
        lights.PointLights.push_back(PointLight(lights, 50.0f, 50.0f, 30.0f));
    lights.PointLights.push_back(PointLight(lights, 350.0f, 50.0f, 30.0f, -1, -1));
    lights.PointLights.push_back(PointLight(lights, 300.0f, 50.0f, 30.0f));
    lights.AssignToMesh(mesh, 0);

    struct TWant {
        std::vector<int32_t> Lights;
        uint8_t Joinable;
    };
    const TWant want[] = {{{0, 1, 2, 3, 4, 5}, 0}, {{}, 0}, {{9}, 0}, {{9}, 1}};
    for (size_t g = 0; g < mesh.Groups.size(); ++g) {
        const TFragment_Of_Triangles& group = mesh.Groups[g];
        const std::vector<int32_t> got(group.Lights.begin(), group.Lights.begin() + group.LightCount);
        EXPECT_EQ(got, want[g].Lights) << "group " << g;
        EXPECT_EQ(group.Joinable, want[g].Joinable) << "group " << g;
    }

    // In layer −1 only light 8 acts; the light of layer 0 … 0 lights nothing there.
    lights.AssignToMesh(mesh, -1);
    EXPECT_EQ(mesh.Groups[0].LightCount, 0);
    EXPECT_EQ(mesh.Groups[2].LightCount, 0);
    ASSERT_EQ(mesh.Groups[3].LightCount, 1);
    EXPECT_EQ(mesh.Groups[3].Lights[0], 8);
}

TEST(LightsReach, PrepareMovesBoostLightsAndAssignsEveryMesh) {
    TLights lights;
    TMesh near(nullptr, nullptr), far(nullptr, nullptr);
    BuildStrip(near, 2);
    BuildStrip(far, 2);
    lights.PointLights.push_back(PointLight(lights, 5000.0f, 5000.0f, 40.0f, -1, 0));
    TFakeBoost boost;
    boost.Anchor = {150.0f, 50.0f};
    int32_t visits = 0;
    lights.VisitLitMeshes = [&](const std::function<void(TMesh&, int32_t)>& assign) {
        ++visits;
        assign(near, 0);
        assign(far, -1);
    };
    TLight& light = *lights.PointLights[0];
    light.LinkBoost(&boost, false);
    EXPECT_EQ(boost.Owned, &light);
    EXPECT_EQ(visits, 0);
    EXPECT_EQ(light.Position[0], 150.0f);
    EXPECT_EQ(light.Box, (TBox2{110.0f, 10.0f, 190.0f, 90.0f}));

    boost.Anchor = {50.0f, 50.0f};
    lights.Prepare();
    EXPECT_EQ(visits, 1);
    EXPECT_EQ(near.Groups[0].LightCount, 1);
    EXPECT_EQ(near.Groups[1].LightCount, 0);
    // In layer −1 the light stands at (25, 25), still over group 0.
    EXPECT_EQ(far.Groups[0].LightCount, 1);

    // Moving with refresh rebuilds the lists; another boost takes the light
    // from the first, which is told.
    boost.Anchor = {150.0f, 50.0f};
    light.MoveToBoost(true);
    EXPECT_EQ(visits, 2);
    EXPECT_EQ(near.Groups[0].LightCount, 0);
    EXPECT_EQ(near.Groups[1].LightCount, 1);
    TFakeBoost other;
    other.HasShape = false;
    light.LinkBoost(&other, true);
    EXPECT_EQ(boost.Owned, nullptr);
    EXPECT_EQ(other.Owned, &light);
    EXPECT_EQ(light.Position[0], 150.0f); // a boost without a shape leaves the light where it was
    lights.ForgetBoosts();
    EXPECT_EQ(light.Boost, nullptr);
}

TEST_F(LightsDraw, FramePreparationSetsEveryLightAndTheMaterial) {
    Lights.PrepareFrame();
    EXPECT_TRUE(Lights.LightsOn);
    EXPECT_TRUE(FrameView.LightsActive);
    EXPECT_TRUE(Gl->Enabled.count(Gl::Lighting));
    EXPECT_TRUE(Gl->Enabled.count(Gl::ColorMaterial));
    EXPECT_EQ(Gl->ColorMaterialFace, Gl::FrontAndBack);
    EXPECT_EQ(Gl->ColorMaterialMode, Gl::Diffuse);
    for (uint32_t pname : {Gl::Ambient, Gl::Diffuse, Gl::Specular, Gl::Emission})
        EXPECT_EQ(Gl->MaterialVectors[pname], (std::array<float, 4>{0, 0, 0, 1})) << pname;
    EXPECT_EQ(LightsOnMask(), 0);
    for (const auto& l : Gl->LightStates) {
        EXPECT_EQ(l.Ambient, (std::array<float, 4>{0, 0, 0, 0}));
        EXPECT_EQ(l.Specular, (std::array<float, 4>{0, 0, 0, 0}));
        EXPECT_EQ(l.SpotDirection, (std::array<float, 3>{0, 0, 1}));
        EXPECT_EQ(l.SpotCutoff, 90.0f);
    }
    EXPECT_EQ(Gl->LightErrors, 0);

    // With the tools' switch off the frame is drawn unlit.
    Lights.LightsSwitch = false;
    Lights.PrepareFrame();
    EXPECT_FALSE(Lights.LightsOn);
    EXPECT_FALSE(Gl->Enabled.count(Gl::Lighting));
    SetLighting(true);
    EXPECT_FALSE(Gl->Enabled.count(Gl::Lighting));
}

TEST_F(LightsDraw, LayersSwitchOnTheFillLightAndTheCharacterLightWhereAsked) {
    // A third stored base light is kept but never takes a GL light: 2 … 7
    // belong to the point lights.
    Lights.BaseLights.push_back(std::make_unique<TLight>(&Lights));
    Lights.MoveCharacterLight({400.0f, 200.0f});
    TLayer& far = Layers.LayerOf(-1);
    TLayer& playing = Layers.Playing();
    far.CurrentLight = {0.2f, 0.3f, 0.4f, 1.0f};
    playing.CurrentLight = {0.9f, 0.8f, 0.7f, 1.0f};
    far.CharacterLight = false;
    playing.CharacterLight = true;
    Lights.PrepareFrame();

    Layers.DrawnNumber = -1;
    Lights.SwitchOnLayer(far);
    EXPECT_EQ(LightsOnMask(), 0b10);
    EXPECT_EQ(Gl->LightStates[1].Diffuse, far.CurrentLight);
    EXPECT_EQ(Gl->LightStates[1].Position[3], 0.0f); // directional

    Layers.DrawnNumber = 0;
    Lights.SwitchOnLayer(playing);
    EXPECT_EQ(LightsOnMask(), 0b11);
    EXPECT_EQ(Gl->LightStates[1].Diffuse, playing.CurrentLight);
    const auto& c = Gl->LightStates[0];
    EXPECT_EQ(c.Position[0], 400.0f);
    EXPECT_EQ(c.Position[1], 200.0f);
    EXPECT_NEAR(c.Position[2], -4.5f * 300.0f, 1e-3f);
    EXPECT_EQ(c.Position[3], 1.0f);
    EXPECT_EQ(c.SpotExponent, 128.0f);
    EXPECT_TRUE(Lights.BaseLights[0]->Enabled);
    EXPECT_FALSE(Lights.BaseLights[2]->Enabled);
    EXPECT_EQ(Gl->LightErrors, 0);
}

TEST_F(LightsDraw, GroupsAndBoxesFillTheSixSlotsMappedToTheDrawnLayer) {
    // Seven lights round (100, 100); the last one stands highest (height 256).
    for (int32_t i = 0; i < 7; ++i)
        Lights.PointLights.push_back(PointLight(Lights, 100.0f + float(i), 100.0f, 50.0f, -1, 0));
    Lights.PointLights[6]->Height = 256.0f;
    Lights.PointLights[3]->CurrentColor = Blue;
    Lights.PrepareFrame();

    Layers.DrawnNumber = -1;
    Lights.ApplyForBox({40, 40, 60, 60}, -1); // (100, 100) lies at (50, 50) in layer −1
    EXPECT_EQ(LightsOnMask(), 0b11111100);
    EXPECT_EQ(Gl->LightStates[2 + 3].Diffuse, Blue);
    EXPECT_EQ(Gl->LightStates[2].Position[0], 50.0f);
    EXPECT_EQ(Gl->LightStates[2].Position[1], 50.0f);
    EXPECT_EQ(Lights.SlotLayer, -1);
    for (int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(Lights.PointLights[size_t(i)]->Enabled, i < 6) << i;

    // A group list replaces the slots; indices of lights that are gone are skipped.
    TFragment_Of_Triangles group;
    group.Lights = {6, 99, -1, 0, 0, 0};
    group.LightCount = 3;
    Layers.DrawnNumber = 0;
    Lights.ApplyGroup(group);
    EXPECT_EQ(LightsOnMask(), 0b100);
    EXPECT_EQ(Lights.Slots[0], Lights.PointLights[6].get());
    EXPECT_EQ(Gl->LightStates[2].Position[0], 106.0f);
    EXPECT_EQ(Gl->LightStates[2].SpotExponent, 128.0f); // GL takes no more
    EXPECT_FALSE(Lights.PointLights[0]->Enabled);
    EXPECT_EQ(Gl->LightErrors, 0);

    // An empty list switches the slots off.
    group.LightCount = 0;
    Lights.ApplyGroup(group);
    EXPECT_EQ(LightsOnMask(), 0);
}

TEST_F(LightsDraw, MeshRunsSwitchOnTheirGroupsLights) {
    // Three groups: lights 0 (over group 0) and 1 (over groups 1 and 2).
    TMesh mesh(nullptr, nullptr);
    BuildStrip(mesh, 3);
    Lights.PointLights.push_back(PointLight(Lights, 50.0f, 50.0f, 30.0f));
    Lights.PointLights.push_back(PointLight(Lights, 200.0f, 50.0f, 30.0f));
    Lights.AssignToMesh(mesh, 0);
    ASSERT_EQ(mesh.Groups[2].Joinable, 1);
    ViewRect = {-1000, -1000, 1000, 1000};

    Lights.PrepareFrame();
    Gl->Vertices.clear();
    const int32_t before = Gl->CallCount(TRenderCall::Light);
    mesh.Draw(0);
    ASSERT_EQ(Gl->Vertices.size(), 18u);
    // Two runs, each switching one light on (position, colour, exponent).
    EXPECT_EQ(Gl->CallCount(TRenderCall::Light) - before, 2 * 3);
    // The draw ends with the last run's lights: light 1 for groups 1 and 2 as one run.
    EXPECT_EQ(Lights.Slots[0], Lights.PointLights[1].get());
    EXPECT_EQ(Lights.Slots[1], nullptr);
    EXPECT_EQ(LightsOnMask(), 0b100);
    EXPECT_EQ(Gl->LightStates[2].Position[0], 200.0f);

    // With the lights off the mesh leaves the GL lights alone.
    Lights.LightsSwitch = false;
    Lights.PrepareFrame();
    const int32_t calls = Gl->CallCount(TRenderCall::Light);
    mesh.Draw(0);
    EXPECT_EQ(Gl->CallCount(TRenderCall::Light), calls);
}

TEST(LightsPlay, FadesReachTheirColourAndStop) {
    struct TCase {
        const char* What;
        int32_t Ms;
        std::vector<float> Want; // share of the way from black to red after each 10 ms tick
    };
    const TCase cases[] = {
        {"40 ms", 40, {0.25f, 0.5f, 0.75f, 1.0f, 1.0f}},
        {"25 ms ends on red, not beyond", 25, {0.4f, 0.8f, 1.0f, 1.0f}},
        {"0 ms is no fade", 0, {0.0f, 0.0f}},
        {"a negative time is no fade", -30, {0.0f, 0.0f}},
    };
    for (const TCase& c : cases) {
        TLight l;
        l.CurrentColor = {0.0f, 0.0f, 0.0f, 1.0f};
        const TLightColor from = l.CurrentColor;
        l.FadeToColor(Red, c.Ms);
        for (size_t i = 0; i < c.Want.size(); ++i) {
            l.Tick(10);
            ExpectColor(l.CurrentColor, Mix(from, Red, c.Want[i]),
                        std::string(c.What) + " tick " + std::to_string(i));
        }
    }
}

TEST(LightsPlay, SequentialCycleEasesFromColourToColour) {
    TLight l;
    l.Cycle = 1;
    l.Sequential = true;
    l.Colors = {Red, Blue};
    l.CycleMin = 100;
    l.CycleRandom = 0;
    l.StoredColor = Red;
    l.Reset();
    // e = 0.5 − 0.5·cos(π·elapsed / 100)
    auto ease = [](int32_t elapsed) { return float(0.5 - 0.5 * std::cos(Pi * elapsed / 100.0)); };
    for (int32_t tick = 1; tick <= 30; ++tick) {
        Seed(7);
        l.Tick(10);
        // Every step draws once, for its length; the first step runs from and
        // to black, the second to blue, the third from blue back to red, and
        // the fourth starts on red.
        TLightColor want = Black;
        if (tick > 10) want = Mix(Black, Blue, ease((tick - 10) * 10));
        if (tick >= 20) want = Mix(Blue, Red, ease((tick - 20) * 10));
        if (tick == 30) want = Red;
        ExpectColor(l.CurrentColor, want, "tick " + std::to_string(tick));
        if (tick % 10 == 0)
            EXPECT_EQ(RandSeed, 7u * 134775813u + 1u) << "one draw for the step's length at tick " << tick;
        else
            EXPECT_EQ(RandSeed, 7u) << "no draw inside a step at tick " << tick;
    }
    EXPECT_EQ(l.CycleIndex, 1);

    // A restart begins the cycle as loading did.
    l.Reset();
    l.Tick(10);
    ExpectColor(l.CurrentColor, Black, "after the restart");
    EXPECT_EQ(l.CycleDuration, 100);
}

TEST(LightsPlay, RandomCycleMixesTwoDifferentColours) {
    TLight l;
    l.Cycle = 1;
    l.Colors = {Red, Blue, {0.0f, 1.0f, 0.0f, 1.0f}};
    l.CycleMin = 0;
    l.CycleRandom = 0;
    l.Reset();
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        // The draws the step makes, in order: two colours, the mix, the length.
        Seed(seed);
        const int32_t i = Random(3);
        int32_t k = Random(3);
        if (k == i) k = i == 0 ? 2 : i - 1;
        const float r = float(RandomFloat());
        (void)Random(0);
        const uint32_t after = RandSeed;
        const TLightColor before = l.CycleTo;

        Seed(seed);
        l.Tick(10); // a length of 0 became 1 ms: every tick starts a step
        EXPECT_EQ(RandSeed, after) << seed;
        EXPECT_EQ(l.CycleIndex, k) << seed;
        EXPECT_EQ(l.CycleDuration, 1) << seed;
        ExpectColor(l.CycleTo, Mix(l.Colors[size_t(i)], l.Colors[size_t(k)], r),
                    "target, seed " + std::to_string(seed));
        ExpectColor(l.CurrentColor, before, "start of the step, seed " + std::to_string(seed));
    }
}

TEST(LightsPlay, FlashFadesInHoldsFadesOverAndHolds) {
    TLight l;
    l.Cycle = 1;
    l.Colors = {Red, Blue};
    l.Flash = true;
    // Phase 0: fade to red over 3 ticks; 1: hold 2; 2: fade to blue over 3; 3: hold 2.
    l.FlashTimes = {3, 0, 2, 0, 3, 0, 2, 0};
    l.FlashStartPhase = 0;
    l.StoredColor = {0.5f, 0.5f, 0.5f, 1.0f};
    l.Reset();
    ExpectColor(l.CurrentColor, Black, "start phase 0 starts from the cycle's target");
    struct TWant {
        int32_t Phase;
        TLightColor Color;
    };
    const TWant want[] = {
        {0, Mix(Black, Red, 1.0f / 3)}, {0, Mix(Black, Red, 2.0f / 3)}, {0, Red},  {1, Red},  {1, Red},
        {2, Mix(Red, Blue, 1.0f / 3)},  {2, Mix(Red, Blue, 2.0f / 3)},  {2, Blue}, {3, Blue}, {3, Blue},
        {0, Mix(Blue, Red, 1.0f / 3)},
    };
    for (size_t t = 0; t < std::size(want); ++t) {
        l.Tick(10);
        EXPECT_EQ(l.FlashPhase, want[t].Phase) << "tick " << t + 1;
        ExpectColor(l.CurrentColor, want[t].Color, "tick " + std::to_string(t + 1));
    }

    // Phases whose lengths all come out 0 never end: the light keeps its start phase.
    for (int32_t start = 0; start < 4; ++start) {
        TLight z;
        z.Colors = {Red, Blue};
        z.Flash = true;
        z.FlashStartPhase = start;
        z.Reset();
        for (int32_t t = 0; t < 20; ++t)
            z.Tick(10);
        EXPECT_EQ(z.FlashPhase, start);
        EXPECT_EQ(z.FadeLeft, 0);
    }

    // A flash without its two colours cannot flash: it keeps its own colour.
    TLight single;
    single.Colors = {Red};
    single.Flash = true;
    single.StoredColor = Blue;
    single.Reset();
    single.Tick(10);
    ExpectColor(single.CurrentColor, Blue, "one colour only");

    // A start phase beyond the four runs as the last one, then the flash starts over.
    TLight odd;
    odd.Colors = {Red, Blue};
    odd.Flash = true;
    odd.FlashTimes = {1, 0, 1, 0, 1, 0, 1, 0};
    odd.FlashStartPhase = 7;
    odd.Reset();
    odd.Tick(10);
    EXPECT_EQ(odd.FadeLeft, 0) << "a hold, no fade";
    odd.Tick(10);
    EXPECT_EQ(odd.FlashPhase, 0);
    EXPECT_EQ(odd.FadeTo, Red);

    // Stored times near the int32 limits neither overflow nor stall.
    TLight big;
    big.Colors = {Red, Blue};
    big.Flash = true;
    big.FlashTimes = {INT32_MAX, INT32_MAX, 0, 0, 0, 0, 0, 0};
    big.Reset();
    big.Tick(10);
    EXPECT_EQ(big.FlashLength, INT32_MAX);
    EXPECT_GT(big.FadeTotal, 0);
}

TEST(LightsPlay, BoostLightStaysDarkUntilItsBoostFadesItIn) {
    TLights lights;
    lights.PointLights.push_back(PointLight(lights, 0.0f, 0.0f, 100.0f));
    TLight& l = *lights.PointLights[0];
    l.StoredColor = {0.8f, 0.6f, 0.4f, 1.0f};
    TFakeBoost boost;
    l.LinkBoost(&boost, false);
    lights.ResetAll();
    ExpectColor(l.CurrentColor, {0.0f, 0.0f, 0.0f, 1.0f}, "inactive boost");
    ExpectColor(l.BaseColor, l.StoredColor, "its own colour is kept");
    for (int32_t t = 0; t < 50; ++t)
        lights.Tick(10);
    ExpectColor(l.CurrentColor, {0.0f, 0.0f, 0.0f, 1.0f}, "still dark");

    // The boost is shown and fades its light to its own colour over 100 ms.
    boost.Active = true;
    l.FadeToColor(l.BaseColor, 100);
    for (int32_t t = 1; t <= 12; ++t) {
        lights.Tick(10);
        const float share = std::min(t, 10) / 10.0f;
        ExpectColor(l.CurrentColor, Mix({0.0f, 0.0f, 0.0f, 1.0f}, l.BaseColor, share),
                    "fade tick " + std::to_string(t));
    }
    // An active boost's light starts in its colour.
    lights.ResetAll();
    ExpectColor(l.CurrentColor, l.StoredColor, "active boost");

    // While the boost's shape is hidden the cycle stands still, but a fade to
    // black still runs.
    l.Cycle = 1;
    l.Sequential = true;
    l.Colors = {Red, Blue};
    lights.ResetAll();
    boost.Hidden = true;
    l.FadeToColor({0.0f, 0.0f, 0.0f, 1.0f}, 20);
    const int32_t elapsed = l.CycleElapsed;
    lights.Tick(10);
    lights.Tick(10);
    EXPECT_EQ(l.CycleElapsed, elapsed);
    ExpectColor(l.CurrentColor, {0.0f, 0.0f, 0.0f, 1.0f}, "faded out while hidden");
}

// Point lights of a level and the two base lights every layer gets: their
// records, their colour animation, and how they reach the GL lights. Light 0
// is the character light, light 1 the fill light in the layer's ambient
// colour; the point lights that touch a triangle group are chosen when the
// geometry is built (at most six) and take GL lights 2 … 7 while the group
// is drawn. A light linked to a boost waits dark until the boost fades it in.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TByteReader;
class TByteWriter;
class TLights;
class TLight;
class TLayer;
class TLayers;
class TMesh;
struct TFragment_Of_Triangles;

// Red, green, blue, alpha in 0 … 1.
using TLightColor = std::array<float, 4>;

// The point lights a triangle group or a particle batch may use at once.
constexpr int32_t MaxSlotLights = 6;
// GL light of the first slot; 0 and 1 are the base lights.
constexpr int32_t FirstSlotLight = 2;
// Base lights that take part in drawing: the character light and the fill
// light. Further stored base lights are read and written but not used, as
// their GL lights belong to the slots.
constexpr int32_t UsedBaseLights = 2;

// What a light asks of the boost it belongs to; the boosts answer.
class TLightBoost {
  public:
    virtual ~TLightBoost() = default;
    // A light linked to an inactive boost starts dark until the boost fades it in.
    virtual bool LightBoostActive() const = 0;
    // While the boost's spline object is hidden its light's colour
    // animation stands still.
    virtual bool LightShapeHidden() const = 0;
    // Where the light sits: the origin of the shape's first body mesh, or its
    // body group's centre. False when the boost has no shape.
    virtual bool LightAnchor(TVec2& at) const = 0;
    // The boost is told the light it owns now; nullptr when it lost it.
    virtual void OwnLight(TLight* light) = 0;
};

class TLight {
  public:
    explicit TLight(TLights* owner = nullptr);

    TLights* Owner = nullptr;
    float Radius = 200.0f;
    float Height = 128.0f;
    // x, y in units of layer 0; z derived from Radius and Height; w = 0 makes
    // a directional light.
    std::array<float, 4> Position = {0.0f, 0.0f, 0.0f, 1.0f};
    TLightColor StoredColor = {0.0f, 0.0f, 0.0f, 0.0f};
    TLightColor BaseColor = {0.0f, 0.0f, 0.0f, 0.0f};
    TLightColor CurrentColor = {1.0f, 1.0f, 1.0f, 1.0f};
    TBox2 Box;
    int32_t LayerMin = 0;
    int32_t LayerMax = 0;
    bool Enabled = false;
    uint8_t Cycle = 0;
    std::vector<TLightColor> Colors;
    bool Sequential = false;
    int32_t CycleMin = 0;
    int32_t CycleRandom = 0;
    int32_t CycleIndex = 0;
    TLightColor CycleFrom = {0.0f, 0.0f, 0.0f, 0.0f};
    TLightColor CycleTo = {0.0f, 0.0f, 0.0f, 0.0f};
    int32_t CycleElapsed = 0;
    int32_t CycleDuration = 0;
    bool Flash = false;
    // (minimum, random) tick counts of the phases 0, 1, 2, 3.
    std::array<int32_t, 8> FlashTimes = {};
    int32_t FlashStartPhase = 0;
    int32_t FlashPhase = 0;
    int32_t FlashTicks = 0;
    int32_t FlashLength = 0;
    TLightColor FadeFrom = {0.0f, 0.0f, 0.0f, 0.0f};
    TLightColor FadeTo = {0.0f, 0.0f, 0.0f, 0.0f};
    int32_t FadeLeft = 0;
    int32_t FadeTotal = 0;
    // Index of the linked boost in the level's boosts as stored; −1: none.
    int32_t BoostIndex = -1;
    // The linked boost once the boosts have made the link; not owned.
    TLightBoost* Boost = nullptr;
    // Read from a boost's own record: the boost writes it, the light
    // section does not.
    bool StoredWithBoost = false;

    // The light record. False when it is cut short or holds a colour count
    // the bytes left cannot hold; the light then keeps what it had.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;

    // Whether the stored boost link names one of the first boostCount boosts.
    // The lights section links to any boost of the level (boostCount = the
    // level's boost count); a light stored inside boost record i may link
    // only to the boosts read so far, 0 … i (boostCount = i + 1).
    bool LinksBoostWithin(int32_t boostCount) const { return BoostIndex >= 0 && BoostIndex < boostCount; }

    void SetRadius(float r);
    // z from Radius and Height: d − k·d with d = −|Radius|·4.5 and
    // k = sin((1 − Height / 128)·π/2).
    void UpdateZ();
    void UpdateBox();

    // Fades from the current colour to c over ms milliseconds.
    void FadeToColor(const TLightColor& c, int32_t ms);
    // Links the light to a boost (nullptr: unlinks it). The old boost and the
    // new one are told; the light moves to the new boost's shape, and with
    // refreshAll every mesh's light lists are rebuilt.
    void LinkBoost(TLightBoost* boost, bool refreshAll);
    void MoveToBoost(bool refreshAll);
    // Whether the light's circle reaches the box in layer L (the light's
    // square and centre mapped to L, its radius kept).
    bool Touches(const TBox2& box, int32_t layer) const;
    bool ActsOnLayer(int32_t layer) const { return layer >= LayerMin && layer <= LayerMax; }
    // Flash or colour cycle, then the running fade; dt in milliseconds.
    void Tick(int32_t dt);
    // Back to the loaded state at a restart.
    void Reset();
    // Switches the light on as GL light k for drawing layer L.
    void SwitchOn(int32_t k, int32_t layer);

  private:
    void TickFlash();
    void TickCycle(int32_t dt);
};

class TLights {
  public:
    TLights();
    ~TLights();
    TLights(TLights&&) = default;
    TLights& operator=(TLights&&) = default;

    bool LightsOn = false;
    // The tools' lights switch: on unless the tools turn it off.
    bool LightsSwitch = true;
    // The level's layers: each layer's parallax and the layer being drawn.
    // Not owned; without them every layer maps like layer 0.
    TLayers* Layers = nullptr;
    // Calls back for every mesh the lights reach, with its layer: the body
    // and border meshes of every spline object and every water's surface.
    // The level installs it.
    std::function<void(const std::function<void(TMesh&, int32_t)>&)> VisitLitMeshes;
    // The switch the file stores; the frame preparation decides LightsOn.
    bool StoredSwitch = false;
    // [0] the character light, [1] the fill light; further ones use GL lights 2 ….
    std::vector<std::unique_ptr<TLight>> BaseLights;
    std::vector<std::unique_ptr<TLight>> PointLights;
    std::array<TLight*, 6> Slots = {};
    int32_t SlotLayer = -10000;

    // The two base lights; no point lights.
    void Create();
    // The light section. False on a damaged section: the base lights and the
    // point lights read before the damage are kept.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;

    // The parallax of layer L (1 for layer 0 and without layers).
    float ParallaxOf(int32_t layer) const;
    int32_t DrawnLayer() const;

    // After loading: lights linked to boosts move to them, then every mesh
    // learns which lights touch its triangle groups.
    void Prepare();
    // For each triangle group: the first six point lights (list order) that
    // act on the layer and touch the group; a group is joinable when its list
    // equals the previous group's.
    void AssignToMesh(TMesh& mesh, int32_t layer) const;
    void AssignAll();

    void Tick(int32_t dt);
    void ResetAll();
    void ForgetBoosts();

    // Start of the world drawing: the material and the GL light settings of
    // the frame, every GL light off and the slots empty. Meshes apply their
    // groups' lights from here on.
    void PrepareFrame();
    // Moves the character light to the first character (x, y; z kept).
    void MoveCharacterLight(TVec2 at);
    // The base lights of a layer: the fill light in the layer's ambient
    // colour, the character light where the layer asks for it.
    void SwitchOnLayer(const TLayer& layer);
    // Empties the slots, then puts up to six lights into them for the layer
    // being drawn.
    void ApplyList(TLight* const* lights, int32_t n);
    // The lights of a triangle group (indices into PointLights).
    void ApplyGroup(const TFragment_Of_Triangles& group);
    // The first six point lights acting on the layer that touch the box.
    void ApplyForBox(const TBox2& box, int32_t layer);
};

// Bytes of the smallest light record (no cycle colours, no markers set).
constexpr int32_t MinLightRecordSize = 56;

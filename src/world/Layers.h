// The level is drawn as a stack of numbered layers: 0 is the playing layer,
// negative numbers lie behind it, positive in front. Each layer follows the
// camera by its parallax factor, carries an ambient light that may flicker
// between two colours, and keeps the lists of its members.
#pragma once

#include "assets/ByteStream.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TLayers;
class TSplineObj;
class TWater;
class TWind;
class TParticleSystem;

using TLightColor = std::array<float, 4>;

class TLayer {
  public:
    TLayers* Owner = nullptr;
    int32_t Number = 0;
    float Parallax = 1.0f;
    float DepthFactor = 1.0f;
    TBox2 LayerRect;
    bool VisibleAsLoaded = true;
    bool Visible = true;
    TLightColor LightColor{1, 1, 1, 1};
    TLightColor LightColor2{1, 1, 1, 1};
    bool Flicker = false;
    int32_t FlickerMin = 0;
    int32_t FlickerRandom = 0;
    TLightColor CurrentLight{1, 1, 1, 1};
    TLightColor FromLight{1, 1, 1, 1};
    TLightColor ToLight{1, 1, 1, 1};
    int32_t FlickerElapsed = 0;
    int32_t FlickerDuration = 0;
    bool CharacterLight = false;
    std::vector<TSplineObj*> SplineObjects;
    std::vector<TWater*> Waters;
    std::vector<TWind*> Winds;
    std::vector<TParticleSystem*> ParticleSystems;
    bool Solo = false;

    // Sets the factor and its inverse.
    void SetParallax(float p);
    // Centre = camera × parallax, size = view size in world units × depth factor.
    void UpdateRect(TVec2 camera, float viewWidth, float viewHeight);
    void TickFlicker(int32_t dt);
    void Reset();
    void ClearMembers();
};

// The 104-byte layer record.
struct TLayerRecord {
    float Parallax = 1.0f;
    int32_t ColorSource = 1;
    TLightColor LightColor{1, 1, 1, 1};
    bool CharacterLight = false;
    bool Flicker = false;
    TLightColor LightColor2{1, 1, 1, 1};
    int32_t FlickerMin = 0;
    int32_t FlickerRandom = 0;
    bool Hidden = false;
};

constexpr int32_t LayerRecordSize = 104;

// What drawing a layer asks of the rest of the level, in the order the layer
// draws it. Each is optional.
struct TLayerDrawHooks {
    std::function<void(TLayer&)> SwitchOnLights;      // character light and the layer's lights
    std::function<bool(TLayer&)> DrawAssignedFigures; // true when any were drawn
    std::function<void()> ApplyFigureMaterial;
    std::function<void()> DrawCharacters; // layer 0 only
    std::function<void()> ApplyWaterMaterial;
    std::function<void(TWater*)> DrawWater;
    std::function<void(TLayer&)> DrawParticles; // the layer's own systems, and on layer 0 the global ones
    std::function<void()> ApplySplineObjectMaterial;
    std::function<void(TSplineObj*)> DrawSplineObject;
    std::function<void()> DrawCharacterFronts; // layer 0 only
    std::function<void(TLayer&)> DrawFog;      // asks itself whether this is its layer
};

class TLayers {
  public:
    std::vector<std::unique_ptr<TLayer>> Layers;
    int32_t MinNumber = 0;
    int32_t MaxNumber = 0;
    int32_t DrawnNumber = 0;
    int32_t SelectedNumber = 0;
    TLayerDrawHooks Hooks;

    TLayers();
    // Replaces all layers. skyAmbient is the sky's ambient colour, taken by
    // layers whose colour source is 0.
    void Read(TByteReader& in, const TLightColor& skyAmbient);
    void Write(TByteWriter& out) const;
    // Replaces all layers by fresh ones numbered from lowest, one per factor
    // (the level compiler and tests build layers this way).
    void Create(int32_t lowest, const std::vector<float>& parallaxes);

    // Clamps every member's layer number into the range (writing it back) and
    // files it with its layer: waters, spline objects, winds, particle systems.
    template <typename T> void AssignList(const std::vector<T*>& members, std::vector<T*> TLayer::*list);
    void ClearMembers();
    int32_t ClampNumber(int32_t number) const;
    // The layer with that number; numbers outside the range give the nearest layer.
    TLayer& LayerOf(int32_t number);
    TLayer& Playing() { return LayerOf(0); }
    void Tick(int32_t dt);
    void ResetAll();
    void SetView(TLayer& layer, float cameraRoll);
    bool AnySolo() const;
    void DrawLayer(TLayer& layer, float cameraRoll, bool editView);
    void BeginPlayingLayerOverlay(float cameraRoll);

  private:
    void CreateDefault();
};

template <typename T>
void TLayers::AssignList(const std::vector<T*>& members, std::vector<T*> TLayer::*list) {
    for (T* m : members) {
        if (!m) continue;
        m->Layer = ClampNumber(m->Layer);
        (LayerOf(m->Layer).*list).push_back(m);
    }
}

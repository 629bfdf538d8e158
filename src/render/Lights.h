// Point lights of a level and the two base lights every layer gets: the
// records the level file stores and the values derived from them at reading.
// Drawing, animation and boost fades come later; here a linked boost is kept
// as the index the file stores, resolved by the level once its boosts exist.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TByteReader;
class TByteWriter;
class TLights;

// Red, green, blue, alpha in 0 … 1.
using TLightColor = std::array<float, 4>;

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
};

class TLights {
  public:
    TLights();

    bool LightsOn = false;
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
};

// Bytes of the smallest light record (no cycle colours, no markers set).
constexpr int32_t MinLightRecordSize = 56;

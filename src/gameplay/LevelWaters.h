// The level's waters as the characters meet them: which water holds a node,
// the water step of a body (entering and leaving, splashes, acid bites and
// the splash sound) and the bubbles characters breathe out.
#pragma once

#include "physics/WaterHooks.h"

#include <cstdint>

class TFragments;
class TWaterEffects;

// A splash throws at most this many drops from one node.
constexpr int32_t MaxSplashDrops = 30;

class TLevelWaters : public TWaterHooks {
  public:
    // The edge grid that files the waters; none finds no water.
    const TFragments* Grid = nullptr;
    // Where splash drops and sounds go; none drops them.
    TWaterEffects* Effects = nullptr;

    void BodyWaterStep(TRollix& c) override;
    void EmitBubble(TWater* w, TVec2 pos, TVec2 vel) override;
    TWater* WaterAt(TVec2 p) const override;
};

// The carried effects (boosts) as the characters see them, and the touch of
// an edge whose object may carry a boost. The null hooks carry nothing.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>

class TRollix;
class TSplineObj;

// What a character carries of the boosts it took. The boosts make it and
// read it; the character only owns it.
class TCarriedEffects {
  public:
    virtual ~TCarriedEffects() = default;
};

class TBoostHooks {
  public:
    virtual ~TBoostHooks() = default;
    // The character carries an effect of this boost kind (8 diver, 9 coat, 23 hiccup).
    virtual bool Carries(const TRollix& /*c*/, int32_t /*kind*/) const { return false; }
    // A carried hiccup effect with its control switch on.
    virtual bool ControlledHiccup(const TRollix& /*c*/) const { return false; }
    virtual float StrongestGrip(const TRollix& /*c*/) const { return 0.0f; }
    virtual float StrongestGlue(const TRollix& /*c*/) const { return 0.0f; }
    virtual void TickEffects(TRollix& /*c*/) {}
    virtual void EndTickEffects(TRollix& /*c*/) {}
    virtual void ClearEffects(TRollix& /*c*/) {}
    virtual int32_t TreasureValue(const TRollix& /*c*/) const { return 0; }
    // A node of the character touched an edge of this object.
    virtual void EdgeTouched(TRollix& /*c*/, TSplineObj* /*owner*/) {}
    // Distance from p to the nearest gate boost (kind 19), −1 when none.
    virtual float NearestGateDistance(TVec2 /*p*/) const { return -1.0f; }
};

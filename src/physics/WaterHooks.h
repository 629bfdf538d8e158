// The water step of a body (detection, splashes, acid) and the bubbles the
// characters release. The null hooks find no water anywhere.
#pragma once

#include "physics/VecMath.h"

class TRollix;
class TWater;

class TWaterHooks {
  public:
    virtual ~TWaterHooks() = default;
    // Step 7 of the body tick: sets the nodes' water flags and the
    // character's water counters, splashes and acid bites.
    virtual void BodyWaterStep(TRollix& /*c*/) {}
    virtual void EmitBubble(TWater* /*w*/, TVec2 /*pos*/, TVec2 /*vel*/) {}
    // The water holding p, or none.
    virtual TWater* WaterAt(TVec2 /*p*/) const { return nullptr; }
};

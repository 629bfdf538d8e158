// The lights that belong to boosts: a light stored with a boost becomes a
// point light of the level's light list, and lights of the light section
// may name a boost; each such light sits at its boost's object, stays dark
// while the boost is not shown and fades with it.
#pragma once

#include "render/Lights.h"

#include <memory>
#include <vector>

class TBoost;

// The boost's side of its light: the level's light list owns the light, the
// boost's link only points at it and is cleared before either is freed.
class TLevelBoostLight : public TLightBoost {
  public:
    explicit TLevelBoostLight(TBoost& boost) : Boost(boost) {}

    TBoost& Boost;
    TLight* Light = nullptr;

    bool LightBoostActive() const override;
    bool LightShapeHidden() const override;
    bool LightAnchor(TVec2& at) const override;
    void OwnLight(TLight* light) override { Light = light; }
};

// After loading: one link per boost of the list (in list order); a boost's
// stored light record is read into a new point light that the light list
// owns, and the lights of the light section that name a boost within the
// list are linked to it. Returns the links; lights whose record does not
// read are left out.
std::vector<std::unique_ptr<TLevelBoostLight>> LinkBoostLights(const std::vector<TBoost*>& boosts,
                                                               TLights& lights);

#include "render/CameraEffects.h"

#include "app/SiteTrace.h"
#include "physics/VecMath.h"

#include <cmath>

void TCameraEffects::Tick(float seconds) {
    RecordSite(63030);
    if (Progress < Length)
        Progress += seconds;
    else
        Progress = Length;
}

void TCameraEffects::Apply(float& scale) const {
    // A zero length has no time to ease over, and a base scale of nothing
    // would leave the view without a size.
    if (!Running() || !(BaseScale > 0.0f) || !std::isfinite(BaseScale)) return;
    RecordSite(63031);
    const float t = Progress > 0.0f ? Progress / Length : 0.0f;
    scale = BaseScale * (0.5f + 0.5f * (1.0f - EaseDown(t)));
}

void TCameraEffects::Reset() {
    RecordSite(63032);
    Progress = Length;
}

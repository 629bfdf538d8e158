#include "level/LevelBoostLights.h"

#include "assets/ByteStream.h"
#include "gameplay/Boost.h"
#include "world/Mesh.h"
#include "world/SplineObj.h"

bool TLevelBoostLight::LightBoostActive() const {
    return Boost.Visible;
}

bool TLevelBoostLight::LightShapeHidden() const {
    return Boost.Shape && !Boost.Shape->Visible;
}

bool TLevelBoostLight::LightAnchor(TVec2& at) const {
    const TSplineObj* shape = Boost.Shape;
    if (!shape) return false;
    if (!shape->Body.Meshes.empty() && shape->Body.Meshes.front()) {
        at = shape->Body.Meshes.front()->Origin;
    } else {
        const TBox2& r = shape->Body.Bounds;
        at = {(r.Left + r.Right) * 0.5f, (r.Top + r.Bottom) * 0.5f};
    }
    return true;
}

std::vector<std::unique_ptr<TLevelBoostLight>> LinkBoostLights(const std::vector<TBoost*>& boosts,
                                                               TLights& lights) {
    std::vector<std::unique_ptr<TLevelBoostLight>> links;
    links.reserve(boosts.size());
    // The section's lights first: a boost's own light then wins the boost.
    const size_t sectionLights = lights.PointLights.size();
    for (TBoost* b : boosts)
        links.push_back(std::make_unique<TLevelBoostLight>(*b));
    for (size_t i = 0; i < sectionLights; ++i) {
        TLight& l = *lights.PointLights[i];
        if (l.LinksBoostWithin(int32_t(links.size()))) l.LinkBoost(links[size_t(l.BoostIndex)].get(), false);
    }
    for (auto& link : links) {
        const std::vector<uint8_t>& record = link->Boost.LightRecord;
        if (record.empty()) continue;
        auto light = std::make_unique<TLight>(&lights);
        TByteReader in(record);
        if (!light->Read(in)) continue;
        light->StoredWithBoost = true;
        // Only this boost leads the light; the index it may hold stays for
        // the boost's record.
        if (link->Light) link->Light->LinkBoost(nullptr, false);
        TLight* l = light.get();
        lights.PointLights.push_back(std::move(light));
        l->LinkBoost(link.get(), false);
    }
    return links;
}

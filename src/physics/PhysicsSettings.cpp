#include "physics/PhysicsSettings.h"

#include "app/SiteTrace.h"

TSets Sets;

namespace {
TSetsColumn Column(TNodeParams p, float elasticity, float settling) {
    TSetsColumn c;
    c.Upper = p;
    c.Keel = p;
    c.Elasticity = elasticity;
    c.Settling = settling;
    return c;
}
} // namespace

void TSets::LoadDefaults() {
    RecordSite(47001);
    Rubber = Column({1.0f, 1.0f, 0.2f, -0.2f, 0.994f, 0.02f}, 0.003f, -0.3f);
    Balloon = Column({0.06f, 0.997f, 0.03f, -3.04f, 0.94f, 0.00001f}, 0.003f, -0.3f);
    Water = Column({1.0f, 1.0f, 0.09f, 0.03f, 0.999f, 0.017f}, 0.0016f, -0.16f);
    Cloth = Column({1.0f, 1.0f, 0.1f, -0.01f, 0.994f, 0.02f}, 0.003f, -0.3f);
    Duck = Column({0.51f, 0.998f, 0.1f, -0.97f, 0.99f, 0.02f}, 0.003f, -0.1f);
    Duck.Keel = {2.91f, 0.998f, 0.1f, 0.2f, 0.99f, 0.02f};
    Duck.TwoZone = true;
    Doruvi = Column({}, 0.0003f, -0.1f);
    Fazulka = Column({}, 0.0003f, -0.1f);
    Fazulka.TwoZone = true;
    Bubble = Column({1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}, 0.002f, -0.3f);
    Car = Column({}, 0.0003f, -0.1f);
}

const TSetsColumn* TSets::ColumnFor(int32_t kind) const {
    RecordSite(47002);
    switch (kind) {
    case mkRubber:
        return &Rubber;
    case mkBalloon:
        return &Balloon;
    case mkWater:
        return &Water;
    case mkCloth:
        return &Cloth;
    case mkDuck:
        return &Duck;
    case mkBubble:
        return &Bubble;
    default:
        return nullptr;
    }
}

float TSets::FigureElasticity(int32_t kind) const {
    RecordSite(47003);
    switch (kind) {
    case mkBalloon:
        return Balloon.Elasticity;
    case mkWater:
        return Water.Elasticity;
    case mkCloth:
        return Cloth.Elasticity;
    case mkDuck:
        return Duck.Elasticity;
    case mkBubble:
        return Car.Elasticity;
    default:
        return Rubber.Elasticity;
    }
}

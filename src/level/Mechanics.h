// Mechanics: rigid groups of points anchored at one position. The game has
// one, made at start with two points; nothing moves it and it is drawn over
// the playing layer as two white points.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct TMechanicPoint {
    TVec2 Pos;
    // Velocity, force and a spare value, cleared by Place.
    std::array<float, 6> Motion{};
    TVec2 Offset;
};

class TMechanic {
  public:
    TMechanic();

    TVec2 Position;
    // Velocity and force of the anchor, cleared by Place.
    std::array<float, 4> Motion{};
    std::vector<TMechanicPoint> Points;

    int32_t PointCount() const { return int32_t(Points.size()); }
    void Place(TVec2 p);
    void Draw() const;
};

class TMechanicMan {
  public:
    std::vector<std::unique_ptr<TMechanic>> Items;

    int32_t Count() const { return int32_t(Items.size()); }
    TMechanic* AddMechanic();
    void Step() {}
    void DrawAll() const;
};

// The program's one manager, with its one mechanic once CreateMechanics ran.
extern TMechanicMan MechanicMan;
void CreateMechanics();
void ResetMechanics();

// The program-wide table of soft-body material parameters. It is read (not
// copied) whenever a body takes a material and whenever a figure builds its
// springs, so a changed value takes effect at the next of those.
#pragma once

#include <cstdint>

// Material kinds of a figure and of a body.
enum TMaterialKind : int32_t {
    mkRubber = 0,
    mkBalloon = 1,
    mkWater = 2,
    mkCloth = 3,
    mkDuck = 4,
    mkBubble = 5,
};

// Six node values: air gravity, friction, roll, then water gravity, friction, roll.
struct TNodeParams {
    float AirGravity = 0.0f;
    float AirFriction = 0.0f;
    float AirRoll = 0.0f;
    float WaterGravity = 0.0f;
    float WaterFriction = 0.0f;
    float WaterRoll = 0.0f;
};

// One column of the table. Columns of the two-zone kinds use Keel for the
// lowest tenth of the rest shape.
struct TSetsColumn {
    TNodeParams Upper;
    TNodeParams Keel;
    float Elasticity = 0.0f;
    float Settling = 0.0f;
    bool TwoZone = false;
};

class TSets {
  public:
    TSetsColumn Rubber;
    TSetsColumn Balloon; // "BALON"
    TSetsColumn Water;   // "VOĎAS"
    TSetsColumn Cloth;
    TSetsColumn Duck;    // "Duck-style"
    TSetsColumn Doruvi;  // "Doruvi", not used by any material
    TSetsColumn Fazulka; // "Fazulka", not used by any material
    TSetsColumn Bubble;  // "Bubble"
    TSetsColumn Car;     // "Car": elasticity of kind-5 figures only

    TSets() { LoadDefaults(); }
    // The start-up values.
    void LoadDefaults();
    // The column a body of this kind takes its values from; none for kinds
    // outside 0 … 5.
    const TSetsColumn* ColumnFor(int32_t kind) const;
    // The elasticity a figure of this kind builds its rest springs with.
    float FigureElasticity(int32_t kind) const;
};

// The one table of the program. Tests may change it and call LoadDefaults.
extern TSets Sets;

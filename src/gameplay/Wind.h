// A wind: a cone or a disc that pushes bodies, water surfaces and particles.
// This holds the wind's record in the level file and the zone values derived
// from it; the pushing comes with the winds' tick.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>
#include <string>

class TByteReader;
class TByteWriter;

class TWind {
public:
    // Winds lie in the playing layer.
    int32_t Layer = 0;
    // A new wind is the one the editor places: a 70° cone of strength 0.3.
    TWind();

    bool FollowsPlayer = false;
    bool NeedsCarriedBoost = false;
    TVec2 BaseOrigin{350.0f, 700.0f}, BaseTarget{590.0f, 440.0f};
    TVec2 Origin{350.0f, 700.0f}, Target{590.0f, 440.0f};
    float Range = 0.0f;
    float InnerRadius = 0.0f;
    float Brake = 0.0f;
    float ConeAngle = float(70.0 * DegToRad);
    float HalfAngle = 0.0f;
    float Strength = 0.3f;
    bool Omni = false;
    bool StartsActive = true;
    bool Active = true;
    std::string Name;
    bool AffectsParticles = false;
    bool PushesBodies = true;
    bool PlayerTriggered = false;
    bool WholeBody = false;
    int32_t OnDelay = 0;
    int32_t OffDelay = 0;
    int32_t OnCounter = 0;
    int32_t OffCounter = 0;
    int32_t EditorId = 0;
    float Direction = 0.0f;
    float StartAngle = 0.0f;
    float EndAngle = 0.0f;
    TBox2 Box;
    int32_t JitterIndex = 0;
    // The spline object the wind is bound to, as an index into the level's
    // (or a pasted group's) objects; −1 for none. The level resolves it.
    int32_t LinkedShapeIndex = -1;
    bool UsesAnimation = false;
    std::string AnimationName;
    int32_t AnimFrameFrom = 0;
    int32_t AnimFrameTo = 0;
    bool FollowsBoost = false;

    // Reads the wind record, takes the base points from it and recomputes;
    // false when the record is cut short.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    // Range, angles and box from the live origin and target; JitterIndex := 0.
    void Recompute();
};

// a wrapped into (−π, π].
float WrapAngle(float a);

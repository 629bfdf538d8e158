// A wind: a cone or a disc that pushes bodies, water surfaces and particles.
// It can be switched by the player entering its zone, by the object it is
// bound to (its boost, its frame animation, an effect the player carries) and
// can ride along with the player. The level steps every wind once a tick.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class TBoost;
class TByteReader;
class TByteWriter;
class TRollix;
class TSplineObj;
class TWater;
class TWaterEffects;

// 64 values in 0 … 45 that vary the winds' push on water and particles: the
// generator seeded with 100, value i = Random(3000) × 0.015. Made once; the
// global generator is left as it was.
const std::array<float, 64>& WindJitter();

// What a wind asks of the level about the object it is bound to and about
// the player's carried effects. The defaults know of no frame animation and
// no carried effect, and count a visible gate as open.
class TWindLinks {
  public:
    virtual ~TWindLinks() = default;
    virtual bool GateOpen(const TBoost& /*gate*/) const { return true; }
    // The current frame of the shape's frame animation when the one playing
    // is named name (compared case-insensitively); false otherwise.
    virtual bool AnimationFrame(const TSplineObj& /*shape*/, const std::string& /*name*/,
                                int32_t& /*frame*/) const {
        return false;
    }
    virtual bool CarriesEffectOf(const TRollix& /*player*/, const TBoost& /*boost*/) const { return false; }
};

// What one wind tick works on.
struct TWindTick {
    TRollix* Player = nullptr;
    std::span<const std::unique_ptr<TRollix>> Characters;
    std::span<const std::unique_ptr<TWater>> Waters;
    const TWindLinks* Links = nullptr;
    TWaterEffects* Effects = nullptr;
    // The drop systems take the winds' push this tick (every second tick).
    bool PushParticles = false;
};

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
    // The object the link index names, resolved by the level; not owned.
    TSplineObj* LinkedShape = nullptr;
    // A quest asked the wind to switch on; the next tick's switching takes it.
    bool SwitchOnRequested = false;

    // Reads the wind record, takes the base points from it and recomputes;
    // false when the record is cut short.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    // Range, angles and box from the live origin and target; JitterIndex := 0.
    void Recompute();
    // Level restart: the stored points and switch state come back.
    void Reset();
    // Shifts origin and target and recomputes.
    void Move(float dx, float dy);

    // The push at p (false when there is none): a disc pushes by Strength / d
    // (at most 5), a cone by Strength / (d + 3) shaped by the profile across
    // the cone (0 at its edges, 0.5 in the middle).
    bool ForceAt(TVec2 p, TVec2& force) const;
    bool InZone(TVec2 p) const;

    // One tick as the level runs it: following the player, the waters, every
    // character, the particles, then the switching for the next tick.
    void Tick(const TWindTick& t);
    void FollowPlayer(const TRollix* player);
    void PushWater(TWater& water);
    void PushCharacter(TRollix& c, const TRollix* player);
    // A particle of a system with wind factor f: in the zone it gains force × 4f.
    void PushParticle(TVec2 pos, TVec2& vel, float f) const;
    // A particle outside the box its system keeps it in gains the force with a
    // jittered factor; the jitter advances per particle.
    void PushStrayParticle(TVec2 pos, TVec2& vel, float f);
    void UpdateActive(const TRollix* player, const TWindLinks& links);

  private:
    // The cone's profile for the angle a in it: 0 at both edges, 0.5 in the middle.
    float ConeProfile(float a) const;
    float NextJitter();
    const TBoost* LinkedBoost() const;
};

// a wrapped into (−π, π].
float WrapAngle(float a);

// A zoom effect on the level's view: while it runs, the level's scale eases
// from half the base scale back to the base scale. A new effect is idle
// (its progress already at its length), and nothing in the game starts one.
#pragma once

class TCameraEffects {
  public:
    // Seconds.
    float Progress = 0.41f;
    float Length = 0.41f;
    // Units per pixel the zoom ends at.
    float BaseScale = 0.0f;

    bool Running() const { return Progress < Length && Length > 0.0f; }
    // Advances the effect by the given seconds; once it has run its length it stays there.
    void Tick(float seconds);
    // While the effect runs, sets the level's scale (units per pixel).
    void Apply(float& scale) const;
    // A level restart: the effect stops.
    void Reset();
};

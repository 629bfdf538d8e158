// A run's path as a ghost: the player's outline at every tick of the run,
// kept while the run is played and saved beside its replay, so that a
// later run of the level can show the best one alongside without playing it
// again. Drawing it never touches the game.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>
#include <string>
#include <vector>

class TRollix;

class TGhostTrack {
  public:
    // Ticks beyond this are not kept (ten minutes of play).
    static constexpr int32_t MaxTicks = 60000;

    // Ticks kept: tick 1 … Ticks().
    int32_t Ticks() const { return int32_t(Starts.size()); }
    void Clear();
    // The player's outline at the level tick; kept when it is the next
    // tick of the track (a held tick counter adds nothing).
    void Record(int32_t tick, const TRollix& player);
    // The outline at a tick; empty outside the track.
    std::vector<TVec2> OutlineAt(int32_t tick) const;

    // ".ghost" file: "RXGH", version (int32), tick count (int32), then per
    // tick a node count (uint16) and its nodes (x, y as float32).
    std::vector<uint8_t> Write() const;
    // False, with the reason, on a damaged file (cut short, counts beyond
    // the bytes, another magic); the track is then left as it was.
    bool Read(const std::vector<uint8_t>& bytes, std::string& why);

  private:
    std::vector<uint32_t> Starts;
    std::vector<TVec2> Points;
};

// Where the simulation sends the sounds it starts. The sound manager
// implements it; the null sink (the default) plays nothing.
#pragma once

#include "physics/VecMath.h"

#include <cstdint>
#include <string>

class TSoundSink {
  public:
    virtual ~TSoundSink() = default;
    // A sample by its archive name below "Sounds\" at a point of the level;
    // followId ≥ 0 makes it follow that character.
    virtual void PlayAt(const std::string& /*name*/, TVec2 /*at*/, float /*pitch*/, int32_t /*followId*/) {}
    // The level is left: its playing sounds stop.
    virtual void StopLevelSounds() {}
};

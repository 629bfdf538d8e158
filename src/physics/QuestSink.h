// What the characters tell the quests; the default does nothing.
#pragma once

#include <cstdint>

class TQuestSink {
  public:
    virtual ~TQuestSink() = default;
    virtual void CharacterDied(int32_t /*id*/) {}
};

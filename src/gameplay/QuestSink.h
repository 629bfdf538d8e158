// What the quests are told by the characters. Null until quests exist.
#pragma once

#include <cstdint>

class TQuestSink {
public:
    virtual ~TQuestSink() = default;
    virtual void CharacterDied(int32_t /*id*/) {}
};

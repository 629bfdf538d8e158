// Speeches: the spoken lines of a quest, as the level file stores them. The
// speaker is kept as the stored index into the level's spline objects or its
// character list until the level resolves it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;

class TSpeech {
  public:
    // The frame animation to play ("Animations\0052.gms").
    std::string Name;
    // Stored speaker indices; −1 when the record names none.
    int32_t SpeakerObjectIndex = -1;
    int32_t SpeakerCharacterIndex = -1;
    std::string NextQuest;
    uint8_t PlayOnStart = 0;
    uint8_t PlayOnCompletion = 0;
    uint8_t Reserved = 0;
    uint8_t AfterPrevious = 0;

    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    // Applies the rule for one speaker: an index within the list makes that
    // speaker, and a character named beside an object wins. Out-of-range
    // indices become −1.
    void ResolveSpeakers(int32_t objectCount, int32_t characterCount);
};

class TSpeechMan {
  public:
    std::vector<TSpeech> Items;
    int32_t CurrentIndex = -1;

    int32_t Count() const { return int32_t(Items.size()); }
    // The speech list record; replaces the list. On a damaged record the
    // speeches before it are kept and false is returned.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
};

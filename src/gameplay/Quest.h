// Quests: small level goals with a giver, a condition and consequences, as
// the level file stores them. Boosts, the giver and the particle system are
// kept as the stored indices until the level resolves them.
#pragma once

#include "gameplay/Speech.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;

// The name a quest carries while its record is being read.
extern const char* const LoadingQuestName;

// Size of the stored type block: QuestType, three reserved bytes, the type data.
constexpr int32_t QuestTypeBlockSize = 24;

class TQuest {
  public:
    std::string Name = LoadingQuestName;
    bool Started = false;
    bool Done = false;
    int32_t RunTicks = 0;
    // Index in the level's listed characters; 0 is the player.
    int32_t Giver = 0;
    bool KeepChecking = false;
    float PointerDistance = 0.0f;
    bool BrightArrows = false;
    bool NoArrows = false;
    bool NotForGate = false;
    TSpeechMan Speeches;
    bool AutoStart = false;
    bool StartOnGiverDeath = false;
    bool StartAfterPrerequisites = false;
    std::vector<std::string> Prerequisites;
    bool GateHint = false;
    bool GiverAcidProof = false;
    bool RestartShownAnimations = false;
    int32_t Reward = 0;
    // 0 zone, 1 take boost, 2 stars, 3 key into zone, 4 particles in box, 5 immediate.
    uint8_t QuestType = 0;
    // The type data as decoded: type 0 and 3 have a zone, types 1 and 3 a
    // target boost (index in the level's boost list, −1 none).
    TBox2 Zone{0.0f, 0.0f, 100.0f, 100.0f};
    int32_t TargetBoost = -1;
    // The stored block as read; bytes the quest type does not use are kept.
    std::array<uint8_t, QuestTypeBlockSize> TypeBlock{};
    int32_t ZoneTicks = 0;
    // Indices into the level's boost list, without duplicates.
    std::vector<int32_t> ShowOnDone;
    std::vector<int32_t> HideOnDone;
    // Index of a level particle system (type 4); −1 none.
    int32_t ParticleSystem = -1;

    // Setting the type resets its data the way the editor does.
    void SetQuestType(uint8_t type);

    // One quest record; boost indices outside boostCount are dropped.
    bool Read(TByteReader& in, int32_t boostCount);
    void Write(TByteWriter& out) const;
};

class TQuests {
  public:
    std::vector<std::unique_ptr<TQuest>> Items;
    int32_t CurrentIndex = -1;

    int32_t Count() const { return int32_t(Items.size()); }
    // The level's quest record; replaces the list. The boosts are loaded
    // before the quests and their count bounds the stored boost indices. On a
    // damaged record the quests before it are kept and false is returned.
    bool Read(TByteReader& in, int32_t boostCount);
    void Write(TByteWriter& out) const;
    // The first quest of that name (case-sensitive), or none.
    TQuest* FindQuest(const std::string& name) const;
};

// Boosts: pick-ups and triggers placed in the level, and the effects a
// character carries after taking one. This is the record as the level file
// holds it; references to other level objects (spline objects, boosts,
// sound slots) stay the stored indices until the level resolves them.
#pragma once

#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;
class TSplineObj;

constexpr int32_t BoostTypeCount = 25;
// The type table's names, "select type..." … "CheckPoint"; empty above 24.
const char* BoostTypeName(int32_t type);
// The default take sound of a type (empty for 0, 19, 22 and above 24).
const char* DefaultTakeSound(int32_t type);

// Size of the type block every boost keeps.
constexpr int32_t BoostTypeBlockSize = 68;

class TBoost {
  public:
    std::string TakeSound;
    std::string TypeName;
    int32_t Type = 0;
    int32_t PointsValue = 50;
    int32_t RespawnTime = 2200;
    int32_t Duration = 2000;
    int32_t Uses = 0;
    int32_t UsesLeft = 0;
    uint8_t StartsHidden = 0;
    bool Visible = true;
    int32_t HiddenTicks = -1;
    int32_t TimeLeft = 0;
    int32_t Activation = 0;
    uint8_t IsKeyItem = 0;
    std::array<uint8_t, 4> FlashColour{};
    uint8_t AutoUse = 0;
    int32_t QuestCount = 0;
    int32_t QuestLeft = 0;
    std::array<uint8_t, 4> TintColour{};
    float TintBlend = 0.0f;
    std::string ShowSound;
    std::string VoiceName;
    int32_t RequiredKey = 0;
    std::string TargetLevel;
    int32_t MinPoints = 0;
    TVec2 HudSlot;
    TVec2 HudPos;
    int32_t HudSlideLeft = 0;
    int32_t HudSlideTotal = 0;
    // The light record stored with the boost, kept as it stands for the level's
    // lights to read (empty: the boost has no light).
    std::vector<uint8_t> LightRecord;
    int32_t TakeSoundSlot = -1;
    int32_t ShowSoundSlot = -1;
    int32_t ShownTicks = 0;
    bool JustDropped = false;
    // Kind, switches A B C, parameter 1, parameter 2, switches D E F, Group,
    // colour slot, then bytes kept as they are.
    std::array<uint8_t, BoostTypeBlockSize> TypeBlock{};
    // How the block was stored: a non-zero format holds the whole block; format
    // 0 holds it from parameter 1 on, with a size field of its own before it.
    uint8_t BlockFormat = 1;
    int32_t BlockSize = BoostTypeBlockSize;
    int32_t HudFlash = 0;
    std::vector<int32_t> Links;
    // Indices into the level's spline objects of the objects that draw the boost.
    std::vector<int32_t> ShapeIndices;

    // ---- Links made once the level has its objects; not owned ----
    // The spline object that draws the boost.
    TSplineObj* Shape = nullptr;
    // A star and the slot that holds it.
    TBoost* Partner = nullptr;
    // For a carried effect: the level boost it came from.
    TBoost* Source = nullptr;
    // The shape was shown away from its own place (a dropped key item).
    bool ShapeMoved = false;

    uint8_t Kind() const { return TypeBlock[0]; }
    // Switches A … C are bytes 1 … 3, D … F bytes 12 … 14.
    bool Switch(char which) const;
    float Param1Float() const { return BlockFloat(4); }
    int32_t Param1Int() const { return BlockInt(4); }
    float Param2Float() const { return BlockFloat(8); }
    int32_t Param2Int() const { return BlockInt(8); }
    void SetParam1(int32_t v) { SetBlockInt(4, v); }
    void SetParam2(int32_t v) { SetBlockInt(8, v); }
    void SetParam1(float v);
    void SetParam2(float v);
    uint8_t Group() const { return TypeBlock[15]; }
    uint8_t ColourSlot() const { return TypeBlock[16]; }

    int32_t BlockInt(int32_t offset) const;
    float BlockFloat(int32_t offset) const;
    void SetBlockInt(int32_t offset, int32_t v);

    // One boost record; false when it is damaged (the stream is then not aligned).
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
};

// A list of boosts: the level's placed boosts, or a character's carried effects.
class TBoosts {
  public:
    bool IsLevelList = true;
    bool IsCharacterList = false;
    std::vector<std::unique_ptr<TBoost>> Items;
    int32_t Current = -1;
    // Per-type take sounds from the level file, usually empty.
    std::array<std::string, BoostTypeCount> TypeSounds;
    // The file held a type-sound table after the boosts.
    bool HasTypeSounds = false;

    int32_t Count() const { return int32_t(Items.size()); }
    // Position of a boost in the list, −1 when it is not in it.
    int32_t IndexOf(const TBoost* b) const;
    // Links each boost to the spline objects its stored indices name (an
    // index outside the objects links nothing; an object draws one boost, the
    // last that names it). A boost taken by touching its body lets the body
    // pass through its object.
    void LinkShapes(const std::vector<TSplineObj*>& objects);
    // The level file's boost list. On a damaged record the boosts read before
    // it are kept and false is returned.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
};

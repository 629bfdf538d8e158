// The characters of a level: the player first, then the other characters of
// the level file, then the pieces of burst bodies. Ticks them, decides who
// dies and how, and cuts bursting bodies into flying pieces.
#pragma once

#include "physics/Rollix.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;
struct TCharacterLevel;

class TRollixsMan {
  public:
    explicit TRollixsMan(TCharacterLevel* level);

    TCharacterLevel* Level = nullptr;
    // Owned; each character stays at its address while it is in the list.
    std::vector<std::unique_ptr<TRollix>> Items;
    TRollix* Selected = nullptr;
    int32_t SelectedIndex = -1;

    int32_t Count() const { return int32_t(Items.size()); }
    int32_t ListedCount() const;

    TRollix* AddListed();
    TRollix* AddPiece();
    void Remove(int32_t index);
    void Clear();
    TRollix* ListedAt(int32_t n);
    void Load(TByteReader& s);
    // The list section as Load reads it: count, then each listed record.
    void Write(TByteWriter& w) const;
    // The character a level gets when its file has none.
    TRollix* AddDefaultCharacter();
    void Restart();
    void TickAll();
    void CheckDeaths();
    void Kill(TRollix& c, const char* sound);
    void Burst(TRollix& c, int32_t pieces, int32_t kind);
    void SplitPiece(TRollix& piece, TRollix& source, int32_t i, TVec2& dir, int32_t material, int32_t pieces);
};

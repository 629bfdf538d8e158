// Named sets of references to a level's objects: the tools selection, the
// saved selection groups of the level file and the buffer a figure-group file
// is placed through. A selection owns none of its members.
#pragma once

#include "assets/ByteStream.h"
#include "physics/VecMath.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TSplineObj;
class TMubFigure;
class TWind;
class TWater;
class TBoost;
class TParticleSystem;
class TMSky;

// What a selection asks of the other members' own code; each is optional and
// filled in by the subsystem that owns the member type.
struct TSelectionHooks {
    TSplineObj* (*BoostObject)(TBoost*) = nullptr;
    bool (*FirstCharacterBounds)(TBox2&) = nullptr;
    TBox2 (*WaterBounds)(TWater*) = nullptr;
    TBox2 (*WindBox)(TWind*) = nullptr;
    TBox2 (*ParticleBounds)(TParticleSystem*) = nullptr;
    void (*MoveWater)(TWater*, float dx, float dy) = nullptr;
    void (*MoveWind)(TWind*, float dx, float dy) = nullptr;
    void (*MoveParticles)(TParticleSystem*, float dx, float dy) = nullptr;
};
extern TSelectionHooks SelectionHooks;

// The level's lists that selection records index into.
struct TSelectionLists {
    std::vector<TSplineObj*> SplineObjects;
    std::vector<TWater*> Waters;
    std::vector<TWind*> Winds;
    std::vector<TBoost*> Boosts;
    TMSky* Sky = nullptr;
};

class TMultiSelection {
  public:
    std::string Name = "Untitled";
    TMSky* Sky = nullptr;
    std::vector<TMubFigure*> Figures;
    std::vector<TSplineObj*> SplineObjects;
    std::vector<TWind*> Winds;
    std::vector<TWater*> Waters;
    std::vector<TBoost*> Boosts;
    std::vector<TParticleSystem*> ParticleSystems;
    bool Placed = false;

    void Clear();
    bool Add(TMubFigure* o);
    bool Add(TSplineObj* o);
    bool Add(TWind* o);
    bool Add(TWater* o);
    bool Add(TBoost* o);
    bool Add(TParticleSystem* o);
    bool Remove(const void* object);
    bool Contains(const void* object) const;
    bool IsEmpty() const;
    void CopyFrom(const TMultiSelection& other);
    TBox2 Bounds() const;
    void MoveBy(float dx, float dy);
    void ReadGroupHeader(TByteReader& in);

    // The selection record of the level file.
    void Read(TByteReader& in, const TSelectionLists& lists);
    void Write(TByteWriter& out, const TSelectionLists& lists) const;
};

class TMultiMultiSelection {
  public:
    std::vector<std::unique_ptr<TMultiSelection>> Items;

    TMultiSelection* AddGroup(TMultiSelection* selection);
    void RemoveObject(const void* object);
    bool DropEmptyGroups();
    bool Delete(int32_t index);
    void Clear();
    void Read(TByteReader& in, const TSelectionLists& lists);
    void Write(TByteWriter& out, const TSelectionLists& lists) const;
};

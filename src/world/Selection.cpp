#include "world/Selection.h"

#include "app/SiteTrace.h"
#include "world/SplineObj.h"

#include <algorithm>

TSelectionHooks SelectionHooks;

namespace {
template <typename T> bool AddTo(std::vector<T*>& list, T* o) {
    if (!o || std::find(list.begin(), list.end(), o) != list.end()) return false;
    list.push_back(o);
    return true;
}

// The last entry takes the freed place.
template <typename T> bool RemoveFrom(std::vector<T*>& list, const void* o) {
    auto it = std::find(list.begin(), list.end(), static_cast<const T*>(o));
    if (it == list.end()) return false;
    *it = list.back();
    list.pop_back();
    return true;
}

template <typename T> bool In(const std::vector<T*>& list, const void* o) {
    return std::find(list.begin(), list.end(), static_cast<const T*>(o)) != list.end();
}

template <typename T> void ReadIndices(TByteReader& in, const std::vector<T*>& from, TMultiSelection& sel) {
    int32_t n = in.ReadInt32();
    n = std::clamp(n, 0, in.Remaining() / 4);
    for (int32_t i = 0; i < n; ++i) {
        int32_t k = in.ReadInt32();
        if (k >= 0 && size_t(k) < from.size()) sel.Add(from[size_t(k)]);
    }
}

template <typename T>
void WriteIndices(TByteWriter& out, const std::vector<T*>& from, const std::vector<T*>& members) {
    std::vector<int32_t> indices;
    for (T* m : members) {
        auto it = std::find(from.begin(), from.end(), m);
        if (it != from.end()) indices.push_back(int32_t(it - from.begin()));
    }
    out.WriteInt32(int32_t(indices.size()));
    for (int32_t k : indices)
        out.WriteInt32(k);
}

void Merge(TBox2& box, bool& first, const TBox2& b) {
    if (first) {
        box = b;
        first = false;
        return;
    }
    box = {std::min(box.Left, b.Left), std::min(box.Top, b.Top), std::max(box.Right, b.Right),
           std::max(box.Bottom, b.Bottom)};
}
} // namespace

void TMultiSelection::Clear() {
    Sky = nullptr;
    Figures.clear();
    SplineObjects.clear();
    Winds.clear();
    Waters.clear();
    Boosts.clear();
    ParticleSystems.clear();
}

bool TMultiSelection::Add(TMubFigure* o) {
    return AddTo(Figures, o);
}
bool TMultiSelection::Add(TSplineObj* o) {
    return AddTo(SplineObjects, o);
}
bool TMultiSelection::Add(TWind* o) {
    return AddTo(Winds, o);
}
bool TMultiSelection::Add(TWater* o) {
    return AddTo(Waters, o);
}
bool TMultiSelection::Add(TParticleSystem* o) {
    return AddTo(ParticleSystems, o);
}

bool TMultiSelection::Add(TBoost* o) {
    if (!AddTo(Boosts, o)) return false;
    if (SelectionHooks.BoostObject)
        if (TSplineObj* obj = SelectionHooks.BoostObject(o)) Add(obj);
    return true;
}

bool TMultiSelection::Remove(const void* object) {
    if (RemoveFrom(Figures, object) || RemoveFrom(SplineObjects, object) || RemoveFrom(Winds, object) ||
        RemoveFrom(Waters, object))
        return true;
    if (In(Boosts, object)) {
        if (SelectionHooks.BoostObject)
            if (TSplineObj* obj =
                    SelectionHooks.BoostObject(const_cast<TBoost*>(static_cast<const TBoost*>(object))))
                RemoveFrom(SplineObjects, obj);
        return RemoveFrom(Boosts, object);
    }
    return RemoveFrom(ParticleSystems, object);
}

bool TMultiSelection::Contains(const void* object) const {
    return In(Figures, object) || In(SplineObjects, object) || In(Winds, object) || In(Waters, object) ||
           In(Boosts, object) || In(ParticleSystems, object);
}

bool TMultiSelection::IsEmpty() const {
    return Figures.empty() && SplineObjects.empty() && Winds.empty() && Waters.empty() &&
           ParticleSystems.empty();
}

void TMultiSelection::CopyFrom(const TMultiSelection& other) {
    Name = other.Name;
    Figures = other.Figures;
    SplineObjects = other.SplineObjects;
    Winds = other.Winds;
    Waters = other.Waters;
    Boosts = other.Boosts;
    Sky = other.Sky;
}

TBox2 TMultiSelection::Bounds() const {
    TBox2 box{0, 0, 0, 0};
    bool first = true;
    TBox2 b;
    if (!Figures.empty() && SelectionHooks.FirstCharacterBounds && SelectionHooks.FirstCharacterBounds(b))
        Merge(box, first, b);
    for (const TSplineObj* o : SplineObjects) {
        if (o->Body.Meshes.empty()) continue;
        Merge(box, first, o->Body.Bounds);
        if (!o->Border.Meshes.empty()) Merge(box, first, o->Border.Bounds);
    }
    if (SelectionHooks.WaterBounds)
        for (TWater* w : Waters)
            Merge(box, first, SelectionHooks.WaterBounds(w));
    if (SelectionHooks.WindBox)
        for (TWind* w : Winds)
            Merge(box, first, SelectionHooks.WindBox(w));
    if (SelectionHooks.ParticleBounds)
        for (TParticleSystem* p : ParticleSystems)
            Merge(box, first, SelectionHooks.ParticleBounds(p));
    return box;
}

void TMultiSelection::MoveBy(float dx, float dy) {
    RecordSite(37001);
    if (IsEmpty()) return;
    for (TSplineObj* o : SplineObjects)
        o->MoveBy(dx, dy, false);
    if (SelectionHooks.MoveWind)
        for (TWind* w : Winds)
            SelectionHooks.MoveWind(w, dx, dy);
    if (SelectionHooks.MoveWater)
        for (TWater* w : Waters)
            SelectionHooks.MoveWater(w, dx, dy);
    if (SelectionHooks.MoveParticles)
        for (TParticleSystem* p : ParticleSystems)
            SelectionHooks.MoveParticles(p, dx, dy);
}

void TMultiSelection::ReadGroupHeader(TByteReader& in) {
    Name = in.ReadString();
    in.Skip(32);
}

void TMultiSelection::Read(TByteReader& in, const TSelectionLists& lists) {
    RecordSite(37002);
    Clear();
    Name = in.ReadString();
    ReadIndices(in, lists.SplineObjects, *this);
    ReadIndices(in, lists.Waters, *this);
    ReadIndices(in, lists.Winds, *this);
    ReadIndices(in, lists.Boosts, *this);
    if (in.ReadBool()) Sky = lists.Sky;
    in.Skip(32);
}

void TMultiSelection::Write(TByteWriter& out, const TSelectionLists& lists) const {
    out.WriteString(Name);
    WriteIndices(out, lists.SplineObjects, SplineObjects);
    WriteIndices(out, lists.Waters, Waters);
    WriteIndices(out, lists.Winds, Winds);
    WriteIndices(out, lists.Boosts, Boosts);
    out.WriteBool(Sky != nullptr);
    out.Pad(32);
}

TMultiSelection* TMultiMultiSelection::AddGroup(TMultiSelection* selection) {
    if (!selection || selection->IsEmpty()) return selection;
    auto group = std::make_unique<TMultiSelection>();
    group->CopyFrom(*selection);
    const std::string s = group->Name;
    const size_t n = s.size();
    int64_t m = 0;
    for (const auto& g : Items) {
        if (g->Name.size() <= n + 1) continue;
        std::string tail = g->Name.substr(n + 1);
        bool digits = !tail.empty() && tail.size() < 19 &&
                      std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (digits) m = std::max<int64_t>(m, std::stoll(tail));
    }
    group->Name = s + " " + std::to_string(m + 1);
    Items.push_back(std::move(group));
    return Items.back().get();
}

void TMultiMultiSelection::RemoveObject(const void* object) {
    for (auto& g : Items)
        g->Remove(object);
    DropEmptyGroups();
}

bool TMultiMultiSelection::DropEmptyGroups() {
    bool dropped = false;
    for (size_t i = 0; i < Items.size();) {
        if (Items[i]->IsEmpty()) {
            Items.erase(Items.begin() + std::ptrdiff_t(i));
            dropped = true;
        } else {
            ++i;
        }
    }
    return dropped;
}

bool TMultiMultiSelection::Delete(int32_t index) {
    if (index < 0 || size_t(index) >= Items.size()) return false;
    Items.erase(Items.begin() + index);
    return true;
}

void TMultiMultiSelection::Clear() {
    while (!Items.empty())
        Items.pop_back();
}

void TMultiMultiSelection::Read(TByteReader& in, const TSelectionLists& lists) {
    RecordSite(37003);
    Clear();
    int32_t n = in.ReadInt32();
    // A record takes at least 53 bytes: a count the bytes left cannot hold is
    // damage, and only the records that fit are read.
    if (n < 0 || n > in.Remaining() / 53) in.ShortRead = true;
    n = std::clamp(n, 0, in.Remaining() / 53);
    for (int32_t i = 0; i < n && !in.ShortRead; ++i) {
        Items.push_back(std::make_unique<TMultiSelection>());
        Items.back()->Read(in, lists);
    }
    in.Skip(16);
}

void TMultiMultiSelection::Write(TByteWriter& out, const TSelectionLists& lists) const {
    out.WriteInt32(int32_t(Items.size()));
    for (const auto& g : Items)
        g->Write(out, lists);
    out.Pad(16);
}

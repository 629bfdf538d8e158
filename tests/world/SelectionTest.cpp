#include "world/Selection.h"
#include "world/SplineObj.h"

#include <gtest/gtest.h>

namespace {
// Boosts are only addresses here: the hook says which object each carries.
TSplineObj* BoostTarget = nullptr;
TBoost* TheBoost = reinterpret_cast<TBoost*>(uintptr_t(0x1000));
TSplineObj* BoostObjectOf(TBoost* b) {
    return b == TheBoost ? BoostTarget : nullptr;
}

struct TSelectionFixture {
    TObjectWorld World;
    TSplineObj A{&World}, B{&World}, C{&World};
    TSelectionFixture() {
        BoostTarget = &B;
        SelectionHooks.BoostObject = BoostObjectOf;
    }
    ~TSelectionFixture() { SelectionHooks = {}; }
};
} // namespace

TEST(Selection, BoostsBringAndTakeTheirObjects) {
    TSelectionFixture f;
    TMultiSelection s;
    EXPECT_TRUE(s.Add(&f.A));
    EXPECT_FALSE(s.Add(&f.A)) << "no member twice";
    EXPECT_TRUE(s.Add(TheBoost));
    EXPECT_TRUE(s.Contains(&f.B));
    EXPECT_TRUE(s.Remove(TheBoost));
    EXPECT_FALSE(s.Contains(&f.B)) << "removing a boost removes its object";
    EXPECT_FALSE(s.Remove(&f.C));
    EXPECT_FALSE(s.IsEmpty());
    s.Remove(&f.A);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Bounds(), (TBox2{0, 0, 0, 0}));
}

TEST(Selection, GroupNamesCountUpPastTheLargestNumber) {
    TSelectionFixture f;
    TMultiMultiSelection groups;
    TMultiSelection s;
    EXPECT_EQ(groups.AddGroup(&s), &s) << "an empty selection is not stored";
    EXPECT_TRUE(groups.Items.empty());
    s.Add(&f.A);
    EXPECT_EQ(groups.AddGroup(&s)->Name, "Untitled 1");
    EXPECT_EQ(groups.AddGroup(&s)->Name, "Untitled 2");
    groups.Clear();
    for (const char* name : {"Rock 1", "Rock 7", "Rocky"}) {
        s.Name = name;
        groups.AddGroup(&s)->Name = name;
    }
    s.Name = "Rock";
    EXPECT_EQ(groups.AddGroup(&s)->Name, "Rock 8");
    groups.RemoveObject(&f.A);
    EXPECT_TRUE(groups.Items.empty()) << "groups left empty are dropped";
}

TEST(Selection, RecordsIgnoreIndicesOutsideTheLists) {
    TSelectionFixture f;
    TSelectionLists lists;
    lists.SplineObjects = {&f.A, &f.B, &f.C};
    lists.Boosts = {TheBoost};
    TByteWriter w;
    w.WriteString("Doors");
    w.WriteInt32(3);
    for (int32_t k : {2, 9, -1})
        w.WriteInt32(k);
    w.WriteInt32(0);
    w.WriteInt32(0);
    w.WriteInt32(1);
    w.WriteInt32(0);
    w.WriteBool(false);
    w.Pad(32);
    TMultiSelection s;
    TByteReader r(w.Bytes);
    s.Read(r, lists);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(s.Name, "Doors");
    EXPECT_EQ(s.SplineObjects, (std::vector<TSplineObj*>{&f.C, &f.B})) << "the boost brought its object";
    TByteWriter again;
    s.Write(again, lists);
    TMultiSelection back;
    TByteReader r2(again.Bytes);
    back.Read(r2, lists);
    EXPECT_EQ(back.SplineObjects, s.SplineObjects);
    EXPECT_EQ(back.Boosts, s.Boosts);

    TMultiMultiSelection groups;
    groups.AddGroup(&s);
    TByteWriter list;
    groups.Write(list, lists);
    for (size_t cut = 0; cut <= list.Bytes.size(); ++cut) {
        TMultiMultiSelection part;
        TByteReader in(std::vector<uint8_t>(list.Bytes.begin(), list.Bytes.begin() + cut));
        part.Read(in, lists);
        EXPECT_LE(part.Items.size(), 1u);
        EXPECT_EQ(in.ShortRead, cut < list.Bytes.size()) << "a cut list is reported as damaged: " << cut;
    }
}

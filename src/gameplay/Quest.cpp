#include "gameplay/Quest.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

#include <algorithm>
#include <cstring>

const char* const LoadingQuestName = "just loading now, ok? so don't ask me about new quest name";

namespace {
constexpr uint8_t SpeechMarker = 0x9B;
constexpr int16_t ListMarker = 10101;
// Empty name, giver, empty type block, the flags, no prerequisites, no lists.
constexpr int32_t MinQuestRecordBytes = 44;

float BlockFloat(const std::array<uint8_t, QuestTypeBlockSize>& b, size_t offset) {
    float v;
    std::memcpy(&v, &b[offset], 4);
    return v;
}

int32_t BlockInt(const std::array<uint8_t, QuestTypeBlockSize>& b, size_t offset) {
    int32_t v;
    std::memcpy(&v, &b[offset], 4);
    return v;
}

void PutZone(std::array<uint8_t, QuestTypeBlockSize>& b, size_t offset, const TBox2& z) {
    const float v[4] = {z.Left, z.Top, z.Right, z.Bottom};
    std::memcpy(&b[offset], v, 16);
}

TBox2 GetZone(const std::array<uint8_t, QuestTypeBlockSize>& b, size_t offset) {
    return TBox2{BlockFloat(b, offset), BlockFloat(b, offset + 4), BlockFloat(b, offset + 8),
                 BlockFloat(b, offset + 12)};
}

// A show or hide list: the indices within the boost list, each once.
bool ReadBoostList(TByteReader& in, int32_t boostCount, std::vector<int32_t>& list) {
    list.clear();
    int32_t m = in.ReadInt32();
    if (in.ShortRead || m < 0 || m > in.Remaining() / 4) return false;
    for (int32_t i = 0; i < m; ++i) {
        int32_t index = in.ReadInt32();
        if (index < 0 || index >= boostCount) continue;
        if (std::find(list.begin(), list.end(), index) == list.end()) list.push_back(index);
    }
    return !in.ShortRead;
}

void WriteBoostList(TByteWriter& out, const std::vector<int32_t>& list) {
    out.WriteInt16(ListMarker);
    out.WriteInt32(int32_t(list.size()));
    for (int32_t index : list)
        out.WriteInt32(index);
}
} // namespace

void TQuest::SetQuestType(uint8_t type) {
    RecordSite(52001);
    QuestType = type;
    if (type == 0) Zone = TBox2{0.0f, 0.0f, 100.0f, 100.0f};
    if (type == 1) TargetBoost = 0;
}

bool TQuest::Read(TByteReader& in, int32_t boostCount) {
    RecordSite(52002);
    Name = in.ReadString();
    Giver = in.ReadInt32();

    int32_t n = in.ReadInt32();
    if (in.ShortRead || n < 0 || n > in.Remaining()) return false;
    TypeBlock.fill(0);
    int32_t kept = std::min(n, QuestTypeBlockSize);
    in.Read(TypeBlock.data(), kept);
    in.Skip(n - kept);
    QuestType = TypeBlock[0];
    if (QuestType == 0) Zone = GetZone(TypeBlock, 4);
    if (QuestType == 1 || QuestType == 3) TargetBoost = BlockInt(TypeBlock, 4);
    if (QuestType == 3) Zone = GetZone(TypeBlock, 8);

    AutoStart = in.ReadBool();
    StartAfterPrerequisites = in.ReadBool();
    int32_t k = in.ReadInt32();
    if (in.ShortRead || k < 0 || k > in.Remaining() / 4) return false;
    Prerequisites.clear();
    for (int32_t i = 0; i < k; ++i)
        Prerequisites.push_back(in.ReadString());
    if (in.ShortRead) return false;

    if (in.ReadByte() == SpeechMarker && !Speeches.Read(in)) return false;
    KeepChecking = in.ReadBool();
    if (in.ReadInt16() == ListMarker && !ReadBoostList(in, boostCount, ShowOnDone)) return false;
    BrightArrows = in.ReadBool();
    NotForGate = in.ReadBool();
    NoArrows = in.ReadBool();
    int32_t system = in.ReadInt32();
    ParticleSystem = system > 0 ? system - 1 : -1;
    GateHint = in.ReadBool();
    if (in.ReadInt16() == ListMarker && !ReadBoostList(in, boostCount, HideOnDone)) return false;
    Reward = in.ReadInt32();
    GiverAcidProof = in.ReadBool();
    RestartShownAnimations = in.ReadBool();
    StartOnGiverDeath = in.ReadBool();
    in.Skip(5);
    return !in.ShortRead;
}

void TQuest::Write(TByteWriter& out) const {
    RecordSite(52003);
    out.WriteString(Name);
    out.WriteInt32(Giver);
    std::array<uint8_t, QuestTypeBlockSize> block = TypeBlock;
    block[0] = QuestType;
    if (QuestType == 0) PutZone(block, 4, Zone);
    if (QuestType == 1 || QuestType == 3) std::memcpy(&block[4], &TargetBoost, 4);
    if (QuestType == 3) PutZone(block, 8, Zone);
    out.WriteInt32(QuestTypeBlockSize);
    out.WriteBlock(block.data(), block.size());
    out.WriteBool(AutoStart);
    out.WriteBool(StartAfterPrerequisites);
    out.WriteInt32(int32_t(Prerequisites.size()));
    for (const std::string& p : Prerequisites)
        out.WriteString(p);
    if (Speeches.Items.empty()) {
        out.WriteByte(0);
    } else {
        out.WriteByte(SpeechMarker);
        Speeches.Write(out);
    }
    out.WriteBool(KeepChecking);
    WriteBoostList(out, ShowOnDone);
    out.WriteBool(BrightArrows);
    out.WriteBool(NotForGate);
    out.WriteBool(NoArrows);
    out.WriteInt32(ParticleSystem < 0 ? 0
                                      : int32_t(std::min<int64_t>(int64_t(ParticleSystem) + 1, INT32_MAX)));
    out.WriteBool(GateHint);
    WriteBoostList(out, HideOnDone);
    out.WriteInt32(Reward);
    out.WriteBool(GiverAcidProof);
    out.WriteBool(RestartShownAnimations);
    out.WriteBool(StartOnGiverDeath);
    out.Pad(5);
}

bool TQuests::Read(TByteReader& in, int32_t boostCount) {
    RecordSite(52004);
    Items.clear();
    CurrentIndex = -1;
    int32_t count = in.ReadInt32();
    in.ReadInt32();
    in.Skip(32);
    if (in.ShortRead || count < 0 || count > in.Remaining() / MinQuestRecordBytes) return false;
    for (int32_t i = 0; i < count; ++i) {
        auto q = std::make_unique<TQuest>();
        if (!q->Read(in, boostCount)) return false;
        Items.push_back(std::move(q));
    }
    return true;
}

void TQuests::Write(TByteWriter& out) const {
    RecordSite(52005);
    out.WriteInt32(Count());
    out.WriteInt32(0);
    out.Pad(32);
    for (const auto& q : Items)
        q->Write(out);
}

TQuest* TQuests::FindQuest(const std::string& name) const {
    RecordSite(52006);
    for (const auto& q : Items)
        if (q->Name == name) return q.get();
    return nullptr;
}

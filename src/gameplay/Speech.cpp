#include "gameplay/Speech.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

namespace {
constexpr uint8_t IndexMarker = 0x9B;
// Name, object marker, four flags, character marker, next quest, reserved.
constexpr int32_t MinSpeechRecordBytes = 4 + 1 + 4 + 1 + 4 + 10;
} // namespace

bool TSpeech::Read(TByteReader& in) {
    RecordSite(53001);
    Name = in.ReadString();
    SpeakerObjectIndex = in.ReadByte() == IndexMarker ? in.ReadInt32() : -1;
    PlayOnStart = in.ReadByte();
    PlayOnCompletion = in.ReadByte();
    Reserved = in.ReadByte();
    AfterPrevious = in.ReadByte();
    SpeakerCharacterIndex = in.ReadByte() == IndexMarker ? in.ReadInt32() : -1;
    NextQuest = in.ReadString();
    in.Skip(10);
    return !in.ShortRead;
}

void TSpeech::Write(TByteWriter& out) const {
    RecordSite(53002);
    out.WriteString(Name);
    out.WriteByte(SpeakerObjectIndex != -1 ? IndexMarker : 0);
    if (SpeakerObjectIndex != -1) out.WriteInt32(SpeakerObjectIndex);
    out.WriteByte(PlayOnStart);
    out.WriteByte(PlayOnCompletion);
    out.WriteByte(Reserved);
    out.WriteByte(AfterPrevious);
    out.WriteByte(SpeakerCharacterIndex != -1 ? IndexMarker : 0);
    if (SpeakerCharacterIndex != -1) out.WriteInt32(SpeakerCharacterIndex);
    out.WriteString(NextQuest);
    out.Pad(10);
}

void TSpeech::ResolveSpeakers(int32_t objectCount, int32_t characterCount) {
    RecordSite(53003);
    if (SpeakerObjectIndex < 0 || SpeakerObjectIndex >= objectCount) SpeakerObjectIndex = -1;
    if (SpeakerCharacterIndex < 0 || SpeakerCharacterIndex >= characterCount) SpeakerCharacterIndex = -1;
    if (SpeakerCharacterIndex >= 0) SpeakerObjectIndex = -1;
}

bool TSpeechMan::Read(TByteReader& in) {
    RecordSite(53004);
    Items.clear();
    CurrentIndex = -1;
    int32_t count = in.ReadInt32();
    in.Skip(16);
    if (in.ShortRead || count < 0 || count > in.Remaining() / MinSpeechRecordBytes) return false;
    for (int32_t i = 0; i < count; ++i) {
        TSpeech s;
        if (!s.Read(in)) return false;
        Items.push_back(std::move(s));
    }
    return true;
}

void TSpeechMan::Write(TByteWriter& out) const {
    RecordSite(53005);
    out.WriteInt32(Count());
    out.Pad(16);
    for (const TSpeech& s : Items)
        s.Write(out);
}

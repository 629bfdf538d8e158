#include "level/ReplayFile.h"

#include "app/StateHash.h"
#include "assets/ByteStream.h"

#include <cstring>

namespace {
constexpr char TagMagic[4] = {'R', 'X', 'R', 'T'};

void Put64(uint8_t* at, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        at[i] = uint8_t(v >> (8 * i));
}

uint64_t Get64(const uint8_t* at) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= uint64_t(at[i]) << (8 * i);
    return v;
}

void Put32(uint8_t* at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(uint32_t(v) >> (8 * i));
}

int32_t Get32(const uint8_t* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(at[i]) << (8 * i);
    return int32_t(v);
}
} // namespace

// Tag layout in the reserved bytes: "RXRT", version, three zero bytes, the
// level checksum (8 bytes), the end tick (4), the end hash (8), four zero
// bytes; little-endian.
std::optional<TReplayTag> TReplayFile::Tag() const {
    if (std::memcmp(Reserved.data(), TagMagic, 4) != 0 || Reserved[4] == 0) return std::nullopt;
    TReplayTag t;
    t.Version = Reserved[4];
    t.LevelChecksum = Get64(&Reserved[8]);
    t.EndTick = Get32(&Reserved[16]);
    t.EndHash = Get64(&Reserved[20]);
    return t;
}

void TReplayFile::SetTag(const TReplayTag& tag) {
    Reserved.fill(0);
    std::memcpy(Reserved.data(), TagMagic, 4);
    Reserved[4] = tag.Version;
    Put64(&Reserved[8], tag.LevelChecksum);
    Put32(&Reserved[16], tag.EndTick);
    Put64(&Reserved[20], tag.EndHash);
}

bool ReadReplayFile(const std::vector<uint8_t>& bytes, TReplayFile& file, std::string& why) {
    TByteReader in(bytes);
    TReplayFile read;
    read.LevelFile = in.ReadString();
    if (in.ShortRead) {
        why = "the level name is cut short";
        return false;
    }
    const int32_t count = in.ReadCount(8);
    if (count < 0) {
        why = "the event count is negative or beyond the file";
        return false;
    }
    read.Events.resize(size_t(count));
    for (TReplayEvent& e : read.Events) {
        e.Tick = in.ReadInt32();
        e.Bits = in.ReadInt32();
    }
    for (size_t i = 1; i < read.Events.size(); ++i)
        if (read.Events[i].Tick < read.Events[i - 1].Tick) {
            why = "the events go back in time at event " + std::to_string(i);
            return false;
        }
    if (in.Read(read.Reserved.data(), 32) != 32) {
        why = "the file ends before its reserved bytes";
        return false;
    }
    file = std::move(read);
    return true;
}

std::vector<uint8_t> WriteReplayFile(const TReplayFile& file) {
    TByteWriter out;
    out.WriteString(file.LevelFile);
    out.WriteInt32(int32_t(file.Events.size()));
    for (const TReplayEvent& e : file.Events) {
        out.WriteInt32(e.Tick);
        out.WriteInt32(e.Bits);
    }
    out.WriteBlock(file.Reserved.data(), file.Reserved.size());
    return std::move(out.Bytes);
}

uint64_t LevelFileChecksum(const std::vector<uint8_t>& bytes) {
    TStateHash h;
    h.AddBytes(bytes.data(), bytes.size());
    return h.Value;
}

std::string ReplayFileName(const std::string& name) {
    const size_t n = name.size();
    if (n >= 4 && name[n - 4] == '.') return name;
    return name + ".gbv";
}

#include "level/GhostTrack.h"

#include "assets/ByteStream.h"
#include "physics/Rollix.h"

#include <cstring>

namespace {
constexpr char Magic[4] = {'R', 'X', 'G', 'H'};
constexpr int32_t Version = 1;
} // namespace

void TGhostTrack::Clear() {
    Starts.clear();
    Points.clear();
}

void TGhostTrack::Record(int32_t tick, const TRollix& player) {
    if (tick != Ticks() + 1 || Ticks() >= MaxTicks) return;
    Starts.push_back(uint32_t(Points.size()));
    for (const TRollixVertex& v : player.Vertices)
        Points.push_back(v.Pos);
}

std::vector<TVec2> TGhostTrack::OutlineAt(int32_t tick) const {
    if (tick < 1 || tick > Ticks()) return {};
    const size_t i = size_t(tick - 1);
    const size_t end = i + 1 < Starts.size() ? Starts[i + 1] : Points.size();
    return {Points.begin() + long(Starts[i]), Points.begin() + long(end)};
}

std::vector<uint8_t> TGhostTrack::Write() const {
    TByteWriter out;
    out.WriteBlock(Magic, 4);
    out.WriteInt32(Version);
    out.WriteInt32(Ticks());
    for (int32_t t = 1; t <= Ticks(); ++t) {
        const std::vector<TVec2> nodes = OutlineAt(t);
        out.WriteInt16(int16_t(uint16_t(nodes.size())));
        for (TVec2 p : nodes) {
            out.WriteFloat32(p.X);
            out.WriteFloat32(p.Y);
        }
    }
    return std::move(out.Bytes);
}

bool TGhostTrack::Read(const std::vector<uint8_t>& bytes, std::string& why) {
    TByteReader in(bytes);
    char magic[4] = {};
    if (in.Read(magic, 4) != 4 || std::memcmp(magic, Magic, 4) != 0) {
        why = "not a ghost file";
        return false;
    }
    if (const int32_t v = in.ReadInt32(); v != Version) {
        why = "ghost file version " + std::to_string(v);
        return false;
    }
    // Each tick takes at least its two-byte node count.
    const int32_t ticks = in.ReadCount(2);
    if (ticks < 0 || ticks > MaxTicks) {
        why = "the tick count is negative or beyond the file";
        return false;
    }
    TGhostTrack read;
    read.Starts.reserve(size_t(ticks));
    for (int32_t t = 0; t < ticks; ++t) {
        const int32_t nodes = int32_t(uint16_t(in.ReadInt16()));
        if (in.ShortRead || int64_t(nodes) * 8 > in.Remaining()) {
            why = "tick " + std::to_string(t + 1) + " is cut short";
            return false;
        }
        read.Starts.push_back(uint32_t(read.Points.size()));
        for (int32_t k = 0; k < nodes; ++k) {
            const float x = in.ReadFloat32(), y = in.ReadFloat32();
            read.Points.push_back({x, y});
        }
    }
    *this = std::move(read);
    return true;
}

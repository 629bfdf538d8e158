#include "assets/ByteStream.h"

#include "app/PointArrays.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TByteReader::TByteReader(std::vector<uint8_t> bytes) : Buffer(std::move(bytes)) {
    // Entries are addressed with int32 offsets; anything beyond is not ours.
    if (Buffer.size() > size_t(INT32_MAX)) Buffer.resize(size_t(INT32_MAX));
    Size = int32_t(Buffer.size());
}

int32_t TByteReader::Seek(int64_t offset, int origin) {
    int64_t target = origin == 0 ? offset : int64_t(Position) + offset;
    Position = int32_t(std::clamp<int64_t>(target, 0, Size));
    return Position;
}

int32_t TByteReader::Read(void* buffer, int32_t n) {
    if (n <= 0) return 0;
    int32_t avail = std::min(n, Remaining());
    if (avail > 0) std::memcpy(buffer, Buffer.data() + Position, size_t(avail));
    if (avail < n) {
        std::memset(static_cast<uint8_t*>(buffer) + avail, 0, size_t(n - avail));
        ShortRead = true;
    }
    Position += avail;
    return avail;
}

void TByteReader::Skip(int32_t n) {
    if (n <= 0) return;
    if (n > Remaining()) ShortRead = true;
    Seek(n, 1);
}

int32_t TByteReader::ReadInt32() {
    uint8_t b[4];
    Read(b, 4);
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

uint32_t TByteReader::ReadUInt32() {
    return uint32_t(ReadInt32());
}

int16_t TByteReader::ReadInt16() {
    uint8_t b[2];
    Read(b, 2);
    return int16_t(uint16_t(b[0] | b[1] << 8));
}

uint8_t TByteReader::ReadByte() {
    uint8_t b = 0;
    Read(&b, 1);
    return b;
}

bool TByteReader::ReadBool() {
    return ReadByte() != 0;
}

float TByteReader::ReadFloat32() {
    uint32_t bits = ReadUInt32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

float TByteReader::ReadFiniteFloat32(float fallback) {
    const float v = ReadFloat32();
    return std::isfinite(v) ? v : fallback;
}

int32_t TByteReader::ReadCount(int64_t itemBytes) {
    const int32_t n = ReadInt32();
    if (ShortRead || n < 0 || int64_t(n) * std::max<int64_t>(itemBytes, 0) > Remaining()) return -1;
    return n;
}

double TByteReader::ReadFloat64() {
    uint8_t b[8];
    Read(b, 8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | b[i];
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

std::string TByteReader::ReadString() {
    int32_t n = ReadInt32();
    if (n <= 0 || n > MaxStoredStringLength) return {};
    if (n > Remaining()) {
        ShortRead = true;
        Position = Size;
        return {};
    }
    std::string s(reinterpret_cast<const char*>(Buffer.data() + Position), size_t(n));
    Position += n;
    return s;
}

std::u16string TByteReader::ReadWideString() {
    int32_t n = ReadInt32();
    if (n <= 0 || n > MaxStoredStringLength) return {};
    if (int64_t(n) * 2 > Remaining()) {
        ShortRead = true;
        Position = Size;
        return {};
    }
    std::u16string s(size_t(n), u'\0');
    for (int32_t i = 0; i < n; ++i)
        s[size_t(i)] = char16_t(Buffer[size_t(Position) + 2 * size_t(i)] |
                                Buffer[size_t(Position) + 2 * size_t(i) + 1] << 8);
    Position += 2 * n;
    return s;
}

int32_t TByteReader::ReadPacked(uint8_t* target, int32_t count) {
    if (!target) {
        int32_t stored = ReadInt32();
        if (stored <= 0) return 0;
        // Four flag bytes follow, and a repeat packet of two bytes stands for
        // at most 128 bytes of a plane: a count beyond that cannot be real.
        int64_t room = int64_t(Remaining()) - 4;
        if (room < 0 || int64_t(stored) > room * 64) {
            ShortRead = true;
            return 0;
        }
        return stored;
    }
    if (count <= 0) return 0;
    uint8_t flags[4];
    Read(flags, 4);
    std::vector<uint8_t> plane(size_t(count), 0);
    for (int p = 0; p < 4; ++p) {
        if (flags[p] == 0) continue;
        int32_t length = ReadInt32();
        if (length < 0 || length > Remaining()) {
            ShortRead = true;
            length = std::max(0, Remaining());
        }
        std::fill(plane.begin(), plane.end(), 0);
        int32_t made = UnpackRuns(Buffer.data() + Position, length, plane.data(), count);
        if (made < count) ShortRead = true;
        Position += length;
        StridedCopy(plane.data(), target + p, 1, count, 4);
    }
    return count;
}

std::vector<uint8_t> TByteReader::ToMemoryStream(int32_t offset, int32_t count) const {
    int64_t from = std::clamp<int64_t>(offset, 0, Size);
    int64_t to = std::clamp<int64_t>(from + std::max(count, 0), from, Size);
    return {Buffer.begin() + from, Buffer.begin() + to};
}

void TByteWriter::WriteInt32(int32_t v) {
    WriteUInt32(uint32_t(v));
}

void TByteWriter::WriteUInt32(uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    WriteBlock(b, 4);
}

void TByteWriter::WriteInt16(int16_t v) {
    uint16_t u = uint16_t(v);
    uint8_t b[2] = {uint8_t(u), uint8_t(u >> 8)};
    WriteBlock(b, 2);
}

void TByteWriter::WriteByte(uint8_t v) {
    Bytes.push_back(v);
}

void TByteWriter::WriteFloat32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    WriteUInt32(bits);
}

void TByteWriter::WriteFloat64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        Bytes.push_back(uint8_t(bits >> (8 * i)));
}

void TByteWriter::WriteString(const std::string& s) {
    WriteInt32(int32_t(s.size()));
    WriteBlock(s.data(), s.size());
}

void TByteWriter::WriteWideString(const std::u16string& s) {
    WriteInt32(int32_t(s.size()));
    for (char16_t c : s) {
        Bytes.push_back(uint8_t(c));
        Bytes.push_back(uint8_t(c >> 8));
    }
}

void TByteWriter::WriteBlock(const void* data, size_t n) {
    if (n == 0) return;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    Bytes.insert(Bytes.end(), p, p + n);
}

void TByteWriter::WritePacked(uint8_t* data, int32_t count, bool quantize, const bool planes[4]) {
    if (!data || count <= 0) {
        WriteInt32(0);
        return;
    }
    static const bool allPlanes[4] = {true, true, true, true};
    if (!planes) planes = allPlanes;
    size_t total = size_t(count) * 4;
    if (quantize)
        for (size_t i = 1; i < total; ++i)
            data[i] = QuantizeByte(data[i]);
    WriteInt32(count);
    for (int p = 0; p < 4; ++p)
        WriteByte(planes[p] ? 1 : 0);
    std::vector<uint8_t> plane(static_cast<size_t>(count));
    for (int p = 0; p < 4; ++p) {
        if (!planes[p]) continue;
        StridedCopy(data + p, plane.data(), 4, count, 1);
        std::vector<uint8_t> packed = PackRuns(plane.data(), count);
        WriteInt32(int32_t(packed.size()));
        WriteBlock(packed.data(), packed.size());
    }
}

std::vector<uint8_t> PackRuns(const uint8_t* source, int32_t n) {
    std::vector<uint8_t> out;
    int32_t i = 0;
    while (i < n) {
        int32_t r = 1;
        while (r < 126 && i + r < n && source[i + r] == source[i])
            ++r;
        if (r >= 3) {
            out.push_back(uint8_t(0x80 | (r - 1)));
            out.push_back(source[i]);
        } else {
            out.push_back(uint8_t(r));
            out.insert(out.end(), source + i, source + i + r);
        }
        i += r;
    }
    return out;
}

int32_t UnpackRuns(const uint8_t* source, int32_t sourceLength, uint8_t* dest, int32_t destLength) {
    int32_t s = 0, d = 0;
    while (s < sourceLength && d < destLength) {
        uint8_t h = source[s++];
        if (h < 127) {
            for (int k = 0; k < h && s < sourceLength && d < destLength; ++k)
                dest[d++] = source[s++];
        } else {
            if (s >= sourceLength) break;
            uint8_t v = source[s++];
            int copies = (h & 0x7F) + 1;
            for (int k = 0; k < copies && d < destLength; ++k)
                dest[d++] = v;
        }
    }
    return d;
}

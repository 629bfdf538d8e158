// The typed primitives every file of the game is built from: little-endian,
// no tags, no padding. TByteReader reads them from a buffer it owns and never
// reads outside it; TByteWriter appends them to a growing buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A string or wide string longer than this reads as empty (only its length
// field is consumed).
constexpr int32_t MaxStoredStringLength = 0x100000;

class TByteReader {
  public:
    TByteReader() = default;
    explicit TByteReader(std::vector<uint8_t> bytes);

    // Bytes from the start of the buffer to the next read, and the buffer size.
    int32_t Position = 0;
    int32_t Size = 0;
    // Set when a read wanted more bytes than were left or a stored count did
    // not fit the bytes left; stays set. Missing bytes read as zero.
    bool ShortRead = false;

    const uint8_t* Data() const { return Buffer.data(); }
    int32_t Remaining() const { return Size - Position; }
    bool AtEnd() const { return Position >= Size; }

    // origin 0: from the start; origin 1: from the position. Clamped to 0 … Size.
    int32_t Seek(int64_t offset, int origin);
    // Copies up to n bytes; what is missing is zero-filled. Returns the bytes copied.
    int32_t Read(void* buffer, int32_t n);
    void Skip(int32_t n);

    int32_t ReadInt32();
    void ReadInt32(int32_t& v) { v = ReadInt32(); }
    uint32_t ReadUInt32();
    int16_t ReadInt16();
    void ReadInt16(int16_t& v) { v = ReadInt16(); }
    uint8_t ReadByte();
    void ReadByte(uint8_t& v) { v = ReadByte(); }
    bool ReadBool();
    void ReadBool(bool& v) { v = ReadBool(); }
    float ReadFloat32();
    void ReadFloat32(float& v) { v = ReadFloat32(); }
    // A float32 that is not a number or infinite reads as fallback.
    float ReadFiniteFloat32(float fallback);
    // A stored count of items of itemBytes each; −1 when it is negative, cut
    // short, or more than the bytes left could hold.
    int32_t ReadCount(int64_t itemBytes);
    double ReadFloat64();
    // Eight bytes copied as they stand (a double, or two float32 stored as one block).
    void ReadFloat64(void* eightBytes) { Read(eightBytes, 8); }
    std::string ReadString();
    std::u16string ReadWideString();

    // Packed four-plane byte arrays, read in two calls: with no target only the
    // group count is read and returned (0 when it cannot fit the bytes left);
    // with a target of 4 · count bytes the plane flags and planes are read into
    // it. Planes whose flag is clear keep their bytes.
    int32_t ReadPacked(uint8_t* target, int32_t count);

    // count bytes from offset, clamped to the buffer.
    std::vector<uint8_t> ToMemoryStream(int32_t offset, int32_t count) const;

  protected:
    std::vector<uint8_t> Buffer;
};

class TByteWriter {
  public:
    std::vector<uint8_t> Bytes;

    void WriteInt32(int32_t v);
    void WriteUInt32(uint32_t v);
    void WriteInt16(int16_t v);
    void WriteByte(uint8_t v);
    void WriteBool(bool v) { WriteByte(v ? 1 : 0); }
    void WriteFloat32(float v);
    void WriteFloat64(double v);
    void WriteFloat64(const void* eightBytes) { WriteBlock(eightBytes, 8); }
    void WriteString(const std::string& s);
    void WriteWideString(const std::u16string& s);
    void WriteBlock(const void* data, size_t n);
    void Pad(size_t n) { Bytes.insert(Bytes.end(), n, 0); }

    // Writes count groups of 4 bytes plane by plane. With quantize on, every
    // byte but the first is rounded in place first (the caller's array changes).
    void WritePacked(uint8_t* data, int32_t count, bool quantize = true, const bool planes[4] = nullptr);
};

// Run-length packing of byte arrays.
std::vector<uint8_t> PackRuns(const uint8_t* source, int32_t n);
// Unpacks until the source is used up or destLength bytes are produced;
// returns the bytes produced.
int32_t UnpackRuns(const uint8_t* source, int32_t sourceLength, uint8_t* dest, int32_t destLength);
// The rounding WritePacked applies to every byte but the first.
inline uint8_t QuantizeByte(uint8_t v) {
    int q = (v + 2) & 0xFFF4;
    return uint8_t(q > 255 ? 255 : q);
}

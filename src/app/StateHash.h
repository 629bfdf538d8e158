// A 64-bit FNV-1a hash over the simulation state, printed by the headless
// runner so that two runs (or two builds) can be compared bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class TStateHash {
  public:
    uint64_t Value = 14695981039346656037ull;

    void AddBytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) {
            Value ^= p[i];
            Value *= 1099511628211ull;
        }
    }
    void AddInt32(int32_t v) { AddBytes(&v, sizeof v); }
    void AddUInt32(uint32_t v) { AddBytes(&v, sizeof v); }
    // By bits, so -0 and 0 (and every NaN payload) hash apart.
    void AddFloat(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        AddUInt32(bits);
    }
    void AddString(const std::string& s) {
        AddInt32(int32_t(s.size()));
        AddBytes(s.data(), s.size());
    }
    std::string Hex() const;
};

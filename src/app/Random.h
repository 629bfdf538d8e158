// The one global generator and the repeatable random table. Replays see the
// same values because the level re-seeds the generator at fixed points and
// refills the table on every restart.
#pragma once

#include <cstdint>

constexpr int RandomTableSize = 1001;

extern uint32_t RandSeed;
extern float RandomTable[RandomTableSize];
extern int32_t RandomCursor;

inline void Seed(uint32_t v) {
    RandSeed = v;
}

inline void AdvanceRandom() {
    RandSeed = RandSeed * 134775813u + 1u;
}

// 0 … n − 1. For n ≤ 0 the generator still advances once and the result is 0,
// so the number of draws never depends on the argument.
inline int32_t Random(int32_t n) {
    AdvanceRandom();
    if (n <= 0) return 0;
    return int32_t((uint64_t(RandSeed) * uint64_t(uint32_t(n))) >> 32);
}

// [0, 1)
inline double RandomFloat() {
    AdvanceRandom();
    return double(RandSeed) * (1.0 / 4294967296.0);
}

void FillRandomTable();
float NextRandom();
int32_t NextRandomInt(int32_t n);

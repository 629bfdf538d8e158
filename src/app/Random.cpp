#include "app/Random.h"

uint32_t RandSeed = 0;
float RandomTable[RandomTableSize];
int32_t RandomCursor = 0;

void FillRandomTable() {
    Seed(100);
    for (float& v : RandomTable)
        v = float(RandomFloat());
    RandomCursor = 0;
}

float NextRandom() {
    float v = RandomTable[RandomCursor];
    if (++RandomCursor > RandomTableSize - 1) RandomCursor = 0;
    return v;
}

int32_t NextRandomInt(int32_t n) {
    double v = NextRandom();
    if (v == 1.0) v = 0.9;
    return int32_t(double(n) * v);
}

#include "app/Ease.h"

#include "physics/VecMath.h"

float EaseTable256[EaseTableSmall];
float EaseTable2049[EaseTableLarge];

float EaseInOut(float x) {
    if (x < 0.5f) return EaseIn(2.0f * x) / 2.0f;
    return 1.0f - EaseDown(2.0f * x - 1.0f) / 2.0f;
}

void FillEaseTables() {
    for (int i = 0; i < EaseTableSmall; ++i)
        EaseTable256[i] = EaseInOut(float(i) / 255.0f);
    for (int i = 0; i < EaseTableLarge; ++i)
        EaseTable2049[i] = EaseInOut(float(i) / 2048.0f);
}

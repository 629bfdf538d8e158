// The S-shaped easing curve and its two lookup tables.
#pragma once

constexpr int EaseTableSmall = 256;
constexpr int EaseTableLarge = 2049;

extern float EaseTable256[EaseTableSmall];
extern float EaseTable2049[EaseTableLarge];

// 0 at 0, 0.5 at 0.5, 1 at 1; slow at both ends.
float EaseInOut(float x);
// Filled once at program start.
void FillEaseTables();

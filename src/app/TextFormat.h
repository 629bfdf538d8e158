// Formatting of numbers, scores and times for the screen (8-bit text).
#pragma once

#include <cstdint>
#include <string>

std::string PadInt(int64_t n, int width);
// 1234567 → "1.234.567"
std::string FormatScore(int64_t n, int width);
// ticks of 10 ms → "m:ss.hh"
std::string FormatTime(int64_t ticks);
int DigitCount(int64_t n);
bool IsAllDigits(const std::string& text);

#include "app/TextFormat.h"

std::string PadInt(int64_t n, int width) {
    std::string s = std::to_string(n);
    if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
    return s;
}

std::string FormatScore(int64_t n, int width) {
    std::string s = PadInt(n, width);
    if (s.size() > 3) s.insert(s.size() - 3, 1, '.');
    if (s.size() > 7) s.insert(s.size() - 7, 1, '.');
    return s;
}

std::string FormatTime(int64_t ticks) {
    int64_t minutes = ticks / 6000;
    int64_t seconds = (ticks / 100) % 60;
    int64_t hundredths = ticks % 100;
    return std::to_string(minutes) + ":" + PadInt(seconds, 2) + "." + PadInt(hundredths, 2);
}

int DigitCount(int64_t n) {
    uint64_t v = n < 0 ? uint64_t(0) - uint64_t(n) : uint64_t(n);
    int count = 1;
    while (v >= 10) {
        v /= 10;
        ++count;
    }
    return count;
}

bool IsAllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

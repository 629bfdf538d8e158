// Byte fixtures written as commented text: hex bytes, 00*N for N zero bytes,
// "text" for its 8-bit bytes, s"text" for an int32 length and the text, and
// # to the end of a line as a comment.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

inline std::vector<uint8_t> ParseByteFixture(const std::string& text) {
    std::vector<uint8_t> out;
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        throw std::runtime_error(std::string("not a hex digit: ") + c);
    };
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '"' || (c == 's' && i + 1 < text.size() && text[i + 1] == '"')) {
            const bool counted = c == 's';
            const size_t from = i + (counted ? 2 : 1);
            const size_t to = text.find('"', from);
            if (to == std::string::npos) throw std::runtime_error("unclosed text");
            const std::string s = text.substr(from, to - from);
            if (counted)
                for (int k = 0; k < 4; ++k)
                    out.push_back(uint8_t(s.size() >> (8 * k)));
            out.insert(out.end(), s.begin(), s.end());
            i = to + 1;
        } else {
            const uint8_t b = uint8_t(hex(text.at(i)) << 4 | hex(text.at(i + 1)));
            i += 2;
            size_t repeat = 1;
            if (i < text.size() && text[i] == '*') {
                size_t end = i + 1;
                repeat = std::stoul(text.substr(end), &end);
                i += 1 + end;
            }
            out.insert(out.end(), repeat, b);
        }
    }
    return out;
}

inline std::vector<uint8_t> LoadByteFixture(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    return ParseByteFixture(text.str());
}

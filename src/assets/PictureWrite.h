// Writers for the picture formats the game reads: the content tools make the
// game's pictures with them, and tests round-trip through the decoders.
// Input pixels are blue, green, red (and alpha), rows top to bottom.
#pragma once

#include <cstdint>
#include <vector>

enum class TPngKind { Truecolour, Palette, Grey };

// 3 bytes per pixel → truecolour, 4 → truecolour with alpha. Palette and Grey
// write the same picture as a colour-mapped or greyscale file (from the green
// channel) — kinds the game does not take, for tests.
bool EncodePng(const uint8_t* pixels, int32_t width, int32_t height, int32_t bytesPerPixel,
               std::vector<uint8_t>& out, TPngKind kind = TPngKind::Truecolour);
bool EncodeJpeg(const uint8_t* pixels, int32_t width, int32_t height, int quality, std::vector<uint8_t>& out);
// 24-bit bitmap, rows bottom-up.
bool EncodeBmp(const uint8_t* pixels, int32_t width, int32_t height, std::vector<uint8_t>& out);

struct TTgaOptions {
    bool RunLength = false;
    bool TopDown = false;     // descriptor bit 5
    bool RightToLeft = false; // descriptor bit 4
};
// 24 or 32 bits per pixel.
bool EncodeTga(const uint8_t* pixels, int32_t width, int32_t height, int32_t bytesPerPixel,
               std::vector<uint8_t>& out, const TTgaOptions& options = {});
// An 8-bit greyscale (image type 3) or colour-mapped (type 1, with entries of
// mapEntryBits) TGA, bottom-up: for tests of the conversions.
bool EncodeTga8(const uint8_t* indices, int32_t width, int32_t height, const std::vector<uint8_t>& colourMap,
                int mapEntryBits, int firstIndex, std::vector<uint8_t>& out);
// A one-layer Paint Shop Pro block file, channels stored raw or run-length.
bool EncodePsp(const uint8_t* bgra, int32_t width, int32_t height, bool runLength, std::vector<uint8_t>& out);

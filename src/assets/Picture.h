// Pictures from the archive as plain pixel arrays: blue, green, red (and
// alpha), rows from top to bottom, no row padding. Fully transparent borders
// are trimmed after loading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TPixelRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// The largest picture the game accepts from a file, in either direction.
constexpr int32_t MaxPictureSide = 8192;

class TPicture {
  public:
    TPicture() = default;
    // Loads when the archive holds the path; otherwise stays empty.
    explicit TPicture(const std::string& path);

    std::string Name;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BytesPerPixel = 0; // 3 or 4; 0 when there are no pixels
    std::vector<uint8_t> Pixels;
    int32_t UncroppedWidth = 0;
    int32_t UncroppedHeight = 0;
    TPixelRect CropRect;

    bool Loaded() const { return BytesPerPixel != 0 && !Pixels.empty(); }

    // Decodes bytes by the upper-cased extension of name, then crops
    // (margin 1) and clears transparent pixels. False leaves no pixels.
    bool LoadFromBytes(const std::string& name, const std::vector<uint8_t>& bytes);

    TPixelRect OpaqueBounds() const;
    void Crop(int32_t margin);
    void ClearTransparent();

    // Takes a decoded pixel array (used by the decoders and by tests).
    void SetPixels(int32_t width, int32_t height, int32_t bytesPerPixel, std::vector<uint8_t> pixels);
    void Clear();
};

// The decoders, each over a whole file in memory. They fill the picture's
// pixels uncropped and return false (no pixels) on anything they cannot read.
bool DecodeBmp(const std::vector<uint8_t>& bytes, TPicture& picture);
bool DecodeJpeg(const std::vector<uint8_t>& bytes, TPicture& picture);
bool DecodePng(const std::vector<uint8_t>& bytes, TPicture& picture);
bool DecodeTga(const std::vector<uint8_t>& bytes, TPicture& picture);
bool DecodePsp(const std::vector<uint8_t>& bytes, TPicture& picture);

// The error a colour-mapped TGA with other than 24-bit entries raises.
constexpr const char* UnsupportedPaletteError = "Unsupported color palette type!";

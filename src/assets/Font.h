// The bitmap font all in-game text is drawn with: one picture per glyph,
// "Font\fnt001.png" … "Font\fnt246.png" in the texture library, placed by its
// cropped size.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMyTexture;

constexpr int32_t FontGlyphTotal = 246;
constexpr int32_t QuestionMarkGlyph = 36;
constexpr float FontSpaceWidth = 10.0f;

// The glyph order: glyph i is drawn from "Font\fnt" + (i + 1, three digits) + ".png".
extern const char16_t FontGlyphChars[FontGlyphTotal + 1];

struct TGlyph {
    TMyTexture* Texture = nullptr;
    float Width = 0; // the picture's drawn width in pixels
    float Top = 0;   // crop top and bottom minus half the uncropped height
    float Bottom = 0;
    char16_t Code = 0;
};

struct TRgba8 {
    uint8_t R = 255, G = 255, B = 255, A = 255;
};

// Making a font seeds the generator with 5 and draws its wave table.
constexpr int32_t FontWaveDraws = 2047 * 4;

class TMubFont {
  public:
    // Builds the wave table (reseeding the shared generator with 5), the
    // character map and the glyph records from the texture library.
    TMubFont();

    std::array<TGlyph, FontGlyphTotal> Glyphs;
    std::vector<uint8_t> CharMap;           // 65,536 glyph indices
    std::vector<std::array<float, 4>> Wave; // 2047 entries, index −1023 … 1023

    int32_t GlyphOf(char16_t c) const { return CharMap[c]; }
    float TextWidth(const std::u16string& text) const;
    void DrawText(const std::u16string& text, TRgba8 colour, float s, float y, float x) const;
    void DrawTextCentred(const std::u16string& text, TRgba8 colour, bool centre, float s, float y,
                         float x) const;
    void DrawWavyText(const std::u16string& text, TRgba8 colour, int32_t fadeKind, bool flip, bool centre,
                      float waveX, float amount, float s, float y, float x) const;
    float DrawTextBox(const std::u16string& text, TRgba8 colour, float boxWidth, bool flip, float waveX,
                      float amount, float s, float y, float x) const;
    // The wave offset at (x, y), as the wavy text samples it.
    void WaveOffset(float x, float y, float& dx, float& dy) const;
};

// The one font of the program, made at the start of play.
extern std::unique_ptr<TMubFont> MubFont;

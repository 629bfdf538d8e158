// rollix-glyphs: renders the font's 246 glyph pictures "fnt001.png" …
// "fnt246.png" into OUTDIR from a TrueType font (DejaVu Sans Bold by
// default): white letters with a soft dark halo, every picture the same
// height with the baseline at the same row, so the game's crop-based
// placement lines the letters up.
//
//   rollix-glyphs OUTDIR [FONT.ttf]
#include "app/FileSave.h"
#include "assets/Font.h"
#include "assets/PictureWrite.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {
constexpr int32_t CanvasHeight = 64;
constexpr int32_t Baseline = 46;
constexpr int32_t PixelSize = 34;
constexpr int32_t Halo = 3;
} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: rollix-glyphs OUTDIR [FONT.ttf]\n");
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    const std::string fontPath = argc == 3 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "rollix-glyphs: FreeType cannot start\n");
        return 1;
    }
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
        std::fprintf(stderr, "rollix-glyphs: cannot open the font %s\n", fontPath.c_str());
        FT_Done_FreeType(library);
        return 1;
    }
    FT_Set_Pixel_Sizes(face, 0, PixelSize);
    int written = 0;
    for (int32_t i = 0; i < FontGlyphTotal; ++i) {
        const char16_t code = FontGlyphChars[i];
        if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) {
            std::fprintf(stderr, "rollix-glyphs: the font has no glyph for U+%04X\n", unsigned(code));
            FT_Done_Face(face);
            FT_Done_FreeType(library);
            return 1;
        }
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        const int32_t advance = int32_t(g->advance.x >> 6);
        const int32_t left = std::max(0, int32_t(g->bitmap_left));
        const int32_t width = std::max(advance, left + int32_t(bm.width)) + 2 * Halo + 4;
        // Coverage of the letter on the canvas.
        std::vector<float> ink(size_t(width) * CanvasHeight, 0.0f);
        for (uint32_t row = 0; row < bm.rows; ++row)
            for (uint32_t col = 0; col < bm.width; ++col) {
                const int32_t x = Halo + 2 + left + int32_t(col), y = Baseline - g->bitmap_top + int32_t(row);
                if (x < 0 || x >= width || y < 0 || y >= CanvasHeight) continue;
                ink[size_t(y) * size_t(width) + size_t(x)] =
                    float(bm.buffer[row * uint32_t(bm.pitch) + col]) / 255.0f;
            }
        // The halo: the letter spread by a soft disc, shifted down-right a little.
        std::vector<uint8_t> bgra(size_t(width) * CanvasHeight * 4, 0);
        for (int32_t y = 0; y < CanvasHeight; ++y)
            for (int32_t x = 0; x < width; ++x) {
                float halo = 0;
                for (int32_t dy = -Halo; dy <= Halo; ++dy)
                    for (int32_t dx = -Halo; dx <= Halo; ++dx) {
                        const int32_t sx = x - dx - 1, sy = y - dy - 1;
                        if (sx < 0 || sx >= width || sy < 0 || sy >= CanvasHeight) continue;
                        const float d = std::hypot(float(dx), float(dy)) / float(Halo + 1);
                        if (d >= 1) continue;
                        halo = std::max(halo, ink[size_t(sy) * size_t(width) + size_t(sx)] * (1 - d * d));
                    }
                const float a = ink[size_t(y) * size_t(width) + size_t(x)];
                // White letters (tinted by the text colour when drawn) with a
                // slightly warmer bottom, over a dark blue halo.
                const float shade = 1.0f - 0.12f * float(y) / float(CanvasHeight);
                const float alpha = a + halo * 0.75f * (1 - a);
                uint8_t* p = &bgra[(size_t(y) * size_t(width) + size_t(x)) * 4];
                const float lum = alpha > 0 ? (a * shade) / alpha : 0;
                p[0] = uint8_t(std::lround(std::clamp(lum * 255 + (1 - lum) * 40, 0.0f, 255.0f)));
                p[1] = uint8_t(std::lround(std::clamp(lum * 255 + (1 - lum) * 15, 0.0f, 255.0f)));
                p[2] = uint8_t(std::lround(std::clamp(lum * 255 + (1 - lum) * 10, 0.0f, 255.0f)));
                p[3] = uint8_t(std::lround(std::clamp(alpha * 255, 0.0f, 255.0f)));
            }
        std::vector<uint8_t> png;
        char name[32];
        std::snprintf(name, sizeof name, "fnt%03d.png", i + 1);
        if (!EncodePng(bgra.data(), width, CanvasHeight, 4, png) ||
            !SaveFileAtomic((out / name).string(), png)) {
            std::fprintf(stderr, "rollix-glyphs: cannot write %s\n", name);
            return 1;
        }
        ++written;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    std::printf("rollix-glyphs: %d glyphs in %s\n", written, out.c_str());
    return 0;
}

// The game's generated pictures: terrain fills and border bands, sky pieces,
// water, bubbles and drops, glue, the character's coat and a few effects.
// Everything is drawn from seeded noise, so the same build gives the same
// pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TGeneratedPicture {
    std::string Name; // relative to "Textures\", backslash-separated
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BytesPerPixel = 4; // blue, green, red (, alpha), rows top to bottom
    std::vector<uint8_t> Pixels;
};

// Every picture, the library's fallback entry first.
std::vector<TGeneratedPicture> GenerateGamePictures();

// Tileable fractal value noise in [0, 1): period in lattice cells per tile.
float TileNoise(float x, float y, int32_t period, int32_t octaves, uint32_t seed);

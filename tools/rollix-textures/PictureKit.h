// The drawing kit the picture generators share: colours, mixing, a seeded
// hash and a canvas that stores blue, green, red (and alpha) bytes.
#pragma once

#include "TextureGen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace picture_kit {

struct TColour {
    float R, G, B;
};

inline float Clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

inline TColour Mix(TColour a, TColour b, float t) {
    t = Clamp01(t);
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

inline TColour Scale(TColour c, float k) {
    return {c.R * k, c.G * k, c.B * k};
}

inline float Smooth(float t) {
    return t * t * (3 - 2 * t);
}

inline float SmoothStep(float a, float b, float v) {
    return Smooth(Clamp01((v - a) / (b - a)));
}

inline uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

class TCanvas {
  public:
    TCanvas(std::string name, int32_t w, int32_t h, int32_t bpp) {
        P.Name = std::move(name);
        P.Width = w;
        P.Height = h;
        P.BytesPerPixel = bpp;
        P.Pixels.assign(size_t(w) * size_t(h) * size_t(bpp), 0);
    }
    void Set(int32_t x, int32_t y, TColour c, float alpha = 1) {
        uint8_t* p = &P.Pixels[(size_t(y) * size_t(P.Width) + size_t(x)) * size_t(P.BytesPerPixel)];
        p[0] = Byte(c.B);
        p[1] = Byte(c.G);
        p[2] = Byte(c.R);
        if (P.BytesPerPixel == 4) p[3] = Byte(alpha);
    }
    TGeneratedPicture P;

  private:
    static uint8_t Byte(float v) { return uint8_t(std::clamp(std::lround(v * 255.0f), 0L, 255L)); }
};

} // namespace picture_kit

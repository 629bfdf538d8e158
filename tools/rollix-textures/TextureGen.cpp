#include "TextureGen.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float Pi = 3.14159265358979f;

struct TColour {
    float R, G, B;
};

TColour Mix(TColour a, TColour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

TColour Scale(TColour c, float k) { return {c.R * k, c.G * k, c.B * k}; }

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

float Lattice(int32_t x, int32_t y, int32_t period, uint32_t seed) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    return float(Hash(x, y, seed) & 0xFFFFFF) / float(0x1000000);
}

float Smooth(float t) { return t * t * (3 - 2 * t); }

float ValueNoise(float x, float y, int32_t period, uint32_t seed) {
    const int32_t x0 = int32_t(std::floor(x)), y0 = int32_t(std::floor(y));
    const float fx = Smooth(x - float(x0)), fy = Smooth(y - float(y0));
    const float a = Lattice(x0, y0, period, seed), b = Lattice(x0 + 1, y0, period, seed);
    const float c = Lattice(x0, y0 + 1, period, seed), d = Lattice(x0 + 1, y0 + 1, period, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
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

// Light from the upper left: the slope of a height field facing it is lit.
float Shade(float hLeft, float hRight, float hUp, float hDown, float strength) {
    const float dx = hRight - hLeft, dy = hDown - hUp;
    return 1.0f + strength * (-dx - dy);
}

// A tileable fill: layered noise over a base colour, darker and lighter spots,
// a slight vertical gradient and light from the upper left.
TGeneratedPicture Fill(const std::string& name, int32_t size, TColour dark, TColour light, uint32_t seed,
                       float strata) {
    TCanvas c(name, size, size, 3);
    auto height = [&](int32_t x, int32_t y) {
        float u = float(x) / float(size) * 4, v = float(y) / float(size) * 4;
        float n = TileNoise(u, v, 4, 5, seed);
        // Strata: bands that run level across the tile, bent by the noise.
        if (strata > 0) n = n * (1 - strata) + strata * (0.5f + 0.5f * std::sin((v * 2 + n * 1.5f) * Pi));
        return n;
    };
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float h = height(x, y);
            const float s = Shade(height((x + size - 1) % size, y), height((x + 1) % size, y),
                                  height(x, (y + size - 1) % size), height(x, (y + 1) % size), 1.6f);
            const float speck = TileNoise(float(x) / float(size) * 64, float(y) / float(size) * 64, 64, 1, seed + 7);
            TColour col = Mix(dark, light, h);
            col = Scale(col, s * (0.92f + 0.16f * speck));
            c.Set(x, y, col);
        }
    return std::move(c.P);
}

// A border band: the outer edge at the top, fading into the fill towards the
// bottom. Grass grows blades with a bright tip.
TGeneratedPicture Band(const std::string& name, TColour base, TColour rim, uint32_t seed, bool blades) {
    const int32_t w = 256, h = 64;
    TCanvas c(name, w, h, 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float u = float(x) / float(w) * 16, v = float(y) / float(h) * 4;
            const float n = TileNoise(u, v, 16, 3, seed);
            const float t = float(y) / float(h - 1); // 0 at the outer edge
            float alpha = std::clamp(1.25f - t * 1.2f + (n - 0.5f) * 0.4f, 0.0f, 1.0f);
            TColour col = Mix(rim, base, std::min(1.0f, t * 3 + n * 0.3f));
            if (blades) {
                // Blades of different heights, leaning a little, lit on the left.
                const float bladeX = float(x) / 3.0f;
                const int32_t blade = int32_t(bladeX);
                const float bladeTop = 0.05f + 0.35f * Lattice(blade, 0, w / 3, seed + 3);
                const float within = bladeX - float(blade);
                if (t < 0.45f && t >= bladeTop) {
                    const float lit = within < 0.5f ? 1.15f : 0.8f;
                    col = Scale(Mix(rim, base, (t - bladeTop) * 3), lit);
                    alpha = 1;
                } else if (t < bladeTop) {
                    alpha = 0;
                }
            } else if (t < 0.08f) {
                col = Mix(Scale(rim, 1.3f), rim, t / 0.08f);
            }
            c.Set(x, y, col, alpha);
        }
    return std::move(c.P);
}

// A round sprite with a soft falloff.
TGeneratedPicture Glow(const std::string& name, int32_t size, TColour colour, float core) {
    TCanvas c(name, size, size, 4);
    const float r = float(size) / 2;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float d = std::hypot(float(x) + 0.5f - r, float(y) + 0.5f - r) / r;
            const float a = d < core ? 1.0f : std::clamp(1 - (d - core) / (1 - core), 0.0f, 1.0f);
            c.Set(x, y, Mix(colour, {1, 1, 1}, 1 - d), a * a);
        }
    return std::move(c.P);
}

TGeneratedPicture Moon() {
    const int32_t size = 128;
    TCanvas c("Sky\\moon.png", size, size, 4);
    const float r = 36, centre = float(size) / 2;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float dx = float(x) + 0.5f - centre, dy = float(y) + 0.5f - centre;
            const float d = std::hypot(dx, dy);
            if (d <= r + 1) {
                const float crater = TileNoise(float(x) / 16, float(y) / 16, 8, 3, 41);
                const float lit = 1.05f - 0.25f * (dx + dy) / r * -1 * 0.5f;
                TColour col = Scale(Mix({0.93f, 0.86f, 0.66f}, {1.0f, 0.97f, 0.85f}, crater), lit);
                c.Set(x, y, col, std::clamp(r + 1 - d, 0.0f, 1.0f));
            } else {
                const float glow = std::clamp(1 - (d - r) / (centre - r), 0.0f, 1.0f);
                c.Set(x, y, {1.0f, 0.9f, 0.6f}, glow * glow * 0.5f);
            }
        }
    return std::move(c.P);
}

TGeneratedPicture Clouds() {
    const int32_t w = 512, h = 128;
    TCanvas c("Sky\\clouds.png", w, h, 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float n = TileNoise(float(x) / float(w) * 8, float(y) / float(h) * 2, 8, 5, 77);
            const float band = std::sin(float(y) / float(h) * Pi); // soft top and bottom
            const float a = std::clamp((n - 0.45f) * 3.0f, 0.0f, 1.0f) * band;
            const float lit = 1.0f - 0.25f * float(y) / float(h);
            c.Set(x, y, Scale({0.85f, 0.87f, 0.95f}, lit), a);
        }
    return std::move(c.P);
}

TGeneratedPicture Stars() {
    const int32_t size = 256;
    TCanvas c("Sky\\stars.png", size, size, 4);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) c.Set(x, y, {1, 1, 1}, 0);
    // Stars of varied sizes, a few brighter ones, wrapping at the edges.
    for (int32_t i = 0; i < 90; ++i) {
        const float sx = float(Hash(i, 1, 5) % size), sy = float(Hash(i, 2, 5) % size);
        const bool bright = i % 9 == 0;
        const float radius = bright ? 2.6f : 0.8f + float(Hash(i, 3, 5) % 100) / 100.0f;
        const TColour tint = Mix({1, 1, 1}, i % 2 ? TColour{0.8f, 0.85f, 1} : TColour{1, 0.95f, 0.8f}, 0.6f);
        for (int32_t dy = -4; dy <= 4; ++dy)
            for (int32_t dx = -4; dx <= 4; ++dx) {
                const float d = std::hypot(float(dx), float(dy)) / radius;
                const float a = std::clamp(1.2f - d, 0.0f, 1.0f);
                if (a <= 0) continue;
                const int32_t px = (int32_t(sx) + dx + size) % size, py = (int32_t(sy) + dy + size) % size;
                uint8_t* p = &c.P.Pixels[(size_t(py) * size_t(size) + size_t(px)) * 4];
                if (a * 255 > p[3]) c.Set(px, py, tint, a);
            }
    }
    return std::move(c.P);
}

TGeneratedPicture Water() {
    const int32_t w = 64, h = 256;
    TCanvas c("Levels\\water.png", w, h, 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float t = float(y) / float(h - 1);
            const float ripple = TileNoise(float(x) / float(w) * 4, float(y) / float(h) * 16, 4, 2, 19);
            TColour col = Mix({0.35f, 0.65f, 0.85f}, {0.05f, 0.2f, 0.45f}, t);
            float a = 0.45f + 0.35f * t + 0.06f * (ripple - 0.5f);
            if (y < 3) {
                col = {0.85f, 0.95f, 1.0f};
                a = 0.9f;
            }
            c.Set(x, y, col, a);
        }
    return std::move(c.P);
}

TGeneratedPicture Bubble(const std::string& name, int32_t size, TColour rim, bool drop) {
    TCanvas c(name, size, size, 4);
    const float r = float(size) / 2 - 1, centre = float(size) / 2;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            float dx = float(x) + 0.5f - centre, dy = float(y) + 0.5f - centre;
            if (drop && dy < 0) dx *= 1.0f + (-dy / r) * 1.2f; // a drop narrows to its top
            const float d = std::hypot(dx, dy) / r;
            float a = 0;
            TColour col = rim;
            if (d <= 1) {
                a = drop ? 0.75f : (d > 0.8f ? 0.9f : 0.15f + 0.2f * d);
                const float hl = std::hypot(dx + r * 0.35f, dy + r * 0.35f) / r;
                if (hl < 0.22f) {
                    col = {1, 1, 1};
                    a = 0.95f;
                }
                a *= std::clamp((1 - d) * r, 0.0f, 1.0f) + (d < 1 - 1 / r ? 0 : 0);
                if (d < 1 - 1 / r) a = std::max(a, drop ? 0.75f : 0.15f);
            }
            c.Set(x, y, col, a);
        }
    return std::move(c.P);
}

TGeneratedPicture Glue() {
    const int32_t size = 64;
    TCanvas c("Levels\\x_glue1.png", size, size, 4);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float n = TileNoise(float(x) / 16, float(y) / 16, 4, 3, 91);
            c.Set(x, y, Mix({0.35f, 0.6f, 0.1f}, {0.75f, 0.95f, 0.3f}, n), 0.55f + 0.35f * n);
        }
    return std::move(c.P);
}

// A glossy body: a base colour with a soft highlight towards the upper left
// and a darker rim. Coats and the figures' own skins are made alike.
TGeneratedPicture GlossyBody(const std::string& name, TColour base, uint32_t seed) {
    const int32_t size = 128;
    TCanvas c(name, size, size, 4);
    const float centre = float(size) / 2;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float dx = (float(x) + 0.5f - centre) / centre, dy = (float(y) + 0.5f - centre) / centre;
            const float d = std::hypot(dx, dy);
            const float grain = TileNoise(float(x) / 8, float(y) / 8, 16, 2, seed);
            TColour col = Scale(base, 0.95f + 0.1f * grain);
            col = Scale(col, 1.0f - 0.35f * std::clamp(d - 0.6f, 0.0f, 1.0f) / 0.4f);
            const float hl = std::hypot(dx + 0.35f, dy + 0.4f);
            col = Mix(col, {1, 1, 1}, std::clamp(0.55f - hl * 1.4f, 0.0f, 0.55f));
            c.Set(x, y, col, 1);
        }
    return std::move(c.P);
}

TGeneratedPicture StarSprite(const std::string& name, int32_t size, TColour colour) {
    TCanvas c(name, size, size, 4);
    const float centre = float(size) / 2;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float dx = float(x) + 0.5f - centre, dy = float(y) + 0.5f - centre;
            const float a = std::atan2(dy, dx), d = std::hypot(dx, dy) / centre;
            const float star = 0.55f + 0.45f * std::cos(5 * (a + Pi / 2)); // five points
            const float edge = star * 0.95f;
            float alpha = std::clamp((edge - d) * centre * 0.5f, 0.0f, 1.0f);
            const float glow = std::clamp(1 - d, 0.0f, 1.0f) * 0.35f;
            alpha = std::max(alpha, glow);
            TColour col = Mix(colour, {1, 1, 1}, std::clamp(0.6f - std::hypot(dx + 3, dy + 3) / centre, 0.0f, 0.6f));
            c.Set(x, y, col, alpha);
        }
    return std::move(c.P);
}
} // namespace

float TileNoise(float x, float y, int32_t period, int32_t octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int32_t o = 0; o < octaves; ++o) {
        const int32_t k = 1 << o;
        sum += amp * ValueNoise(x * float(k), y * float(k), period * k, seed + uint32_t(o) * 101u);
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

std::vector<TGeneratedPicture> GenerateGamePictures() {
    std::vector<TGeneratedPicture> all;
    all.push_back(Fill("Misc\\fallback.png", 64, {0.45f, 0.45f, 0.5f}, {0.62f, 0.62f, 0.68f}, 1, 0));
    // Terrain fills: earth, rock with strata, meadow ground, sand, ice.
    all.push_back(Fill("Terrain\\earth.png", 256, {0.28f, 0.17f, 0.09f}, {0.55f, 0.38f, 0.22f}, 11, 0));
    all.push_back(Fill("Terrain\\rock.png", 256, {0.30f, 0.33f, 0.40f}, {0.62f, 0.64f, 0.70f}, 12, 0.45f));
    all.push_back(Fill("Terrain\\ground.png", 256, {0.16f, 0.30f, 0.10f}, {0.35f, 0.52f, 0.18f}, 13, 0));
    all.push_back(Fill("Terrain\\sand.png", 256, {0.70f, 0.58f, 0.36f}, {0.93f, 0.84f, 0.60f}, 14, 0));
    all.push_back(Fill("Terrain\\ice.png", 256, {0.55f, 0.78f, 0.90f}, {0.88f, 0.97f, 1.00f}, 15, 0.3f));
    // Border bands.
    all.push_back(Band("Terrain\\grass band.png", {0.18f, 0.42f, 0.10f}, {0.78f, 0.92f, 0.30f}, 21, true));
    all.push_back(Band("Terrain\\rock band.png", {0.35f, 0.37f, 0.44f}, {0.72f, 0.74f, 0.80f}, 22, false));
    all.push_back(Band("Terrain\\sand band.png", {0.75f, 0.62f, 0.38f}, {0.98f, 0.90f, 0.66f}, 23, false));
    all.push_back(Band("Terrain\\ice band.png", {0.60f, 0.85f, 0.95f}, {0.80f, 1.00f, 1.00f}, 24, false));
    // Sky pieces.
    all.push_back(Clouds());
    all.push_back(Stars());
    all.push_back(Moon());
    all.push_back(Glow("Sky\\star glow.png", 32, {1.0f, 0.95f, 0.8f}, 0.15f));
    // Water, bubbles, drops and glue, under the names the engine asks for.
    all.push_back(Water());
    all.push_back(Bubble("Levels\\WaterBubble3.png", 32, {0.75f, 0.9f, 1.0f}, false));
    all.push_back(Bubble("Levels\\kvapka.png", 32, {0.45f, 0.7f, 0.95f}, true));
    all.push_back(Glue());
    // The character's coats and the collectible stars.
    all.push_back(GlossyBody("Rollixs\\Coat Red.png", {0.85f, 0.18f, 0.15f}, 31));
    all.push_back(GlossyBody("Rollixs\\Coat Blue.png", {0.18f, 0.35f, 0.85f}, 32));
    all.push_back(GlossyBody("Rollixs\\Coat Green.png", {0.25f, 0.7f, 0.2f}, 33));
    // The figures' skins by material: warm rubber, pale balloon, deep water, green beans.
    const struct {
        const char* Shape;
        uint32_t Seed;
    } shapes[] = {{"Star", 41}, {"Ball", 42}, {"Cube", 43}};
    for (const auto& shape : shapes) {
        const std::string s = shape.Shape;
        all.push_back(GlossyBody("Rollixs\\Mub" + s + ".png", {0.95f, 0.55f, 0.15f}, shape.Seed));
        all.push_back(GlossyBody("Rollixs\\Air" + s + ".png", {0.70f, 0.85f, 1.00f}, shape.Seed + 10));
        all.push_back(GlossyBody("Rollixs\\Water" + s + ".png", {0.25f, 0.50f, 0.95f}, shape.Seed + 20));
    }
    all.push_back(GlossyBody("Rollixs\\Skritek_Fazole1.png", {0.55f, 0.70f, 0.25f}, 51));
    all.push_back(GlossyBody("Rollixs\\Skritek_Fazole2.png", {0.45f, 0.62f, 0.20f}, 52));
    all.push_back(StarSprite("Effects\\hvezda_4.png", 64, {1.0f, 0.85f, 0.2f}));
    all.push_back(Glow("Effects\\spark.png", 32, {1.0f, 0.9f, 0.6f}, 0.1f));
    return all;
}

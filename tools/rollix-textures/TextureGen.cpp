#include "TextureGen.h"

#include "CharacterPictures.h"
#include "HudPictures.h"
#include "PictureKit.h"
#include "physics/VecMath.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
using namespace picture_kit;

float Lattice(int32_t x, int32_t y, int32_t period, uint32_t seed) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    return float(Hash(x, y, seed) & 0xFFFFFF) / float(0x1000000);
}

float ValueNoise(float x, float y, int32_t period, uint32_t seed) {
    const int32_t x0 = int32_t(std::floor(x)), y0 = int32_t(std::floor(y));
    const float fx = Smooth(x - float(x0)), fy = Smooth(y - float(y0));
    const float a = Lattice(x0, y0, period, seed), b = Lattice(x0 + 1, y0, period, seed);
    const float c = Lattice(x0, y0 + 1, period, seed), d = Lattice(x0 + 1, y0 + 1, period, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

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
        if (strata > 0) n = n * (1 - strata) + strata * (0.5f + 0.5f * std::sin((v * 2 + n * 1.5f) * PiF));
        return n;
    };
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float h = height(x, y);
            const float s = Shade(height((x + size - 1) % size, y), height((x + 1) % size, y),
                                  height(x, (y + size - 1) % size), height(x, (y + 1) % size), 1.6f);
            const float speck =
                TileNoise(float(x) / float(size) * 64, float(y) / float(size) * 64, 64, 1, seed + 7);
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
            const float band = std::sin(float(y) / float(h) * PiF); // soft top and bottom
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
        for (int32_t x = 0; x < size; ++x)
            c.Set(x, y, {1, 1, 1}, 0);
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
TGeneratedPicture StarSprite(const std::string& name, int32_t size, TColour colour) {
    TCanvas c(name, size, size, 4);
    const float centre = float(size) / 2;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float dx = float(x) + 0.5f - centre, dy = float(y) + 0.5f - centre;
            const float a = std::atan2(dy, dx), d = std::hypot(dx, dy) / centre;
            const float star = 0.55f + 0.45f * std::cos(5 * (a + PiF / 2)); // five points
            const float edge = star * 0.95f;
            float alpha = std::clamp((edge - d) * centre * 0.5f, 0.0f, 1.0f);
            const float glow = std::clamp(1 - d, 0.0f, 1.0f) * 0.35f;
            alpha = std::max(alpha, glow);
            TColour col =
                Mix(colour, {1, 1, 1}, std::clamp(0.6f - std::hypot(dx + 3, dy + 3) / centre, 0.0f, 0.6f));
            c.Set(x, y, col, alpha);
        }
    return std::move(c.P);
}

// ---- Decorations: soft silhouettes lit from the upper left ----

// Distance from p to the segment a–b.
float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float len2 = dx * dx + dy * dy;
    const float t = len2 > 0 ? Clamp01(((px - ax) * dx + (py - ay) * dy) / len2) : 0.0f;
    return std::hypot(px - ax - dx * t, py - ay - dy * t);
}

// A straight-alpha layer laid over what is below it.
struct TPixel {
    TColour C{0, 0, 0};
    float A = 0;
};

TPixel Over(TPixel below, TColour c, float a) {
    a = Clamp01(a);
    const float out = a + below.A * (1 - a);
    if (out <= 0) return {};
    const float k = a / out;
    return {Mix(below.C, c, k), out};
}

// A four-pointed twinkle of radius r laid over the canvas (four bytes a
// pixel) at (sx, sy): a soft core in colour with its rays.
void Twinkle(TCanvas& c, float sx, float sy, float r, TColour colour) {
    const int32_t w = c.P.Width, h = c.P.Height;
    for (int32_t y = int32_t(sy - r * 2); y <= int32_t(sy + r * 2); ++y)
        for (int32_t x = int32_t(sx - r * 2); x <= int32_t(sx + r * 2); ++x) {
            if (x < 0 || y < 0 || x >= w || y >= h) continue;
            const float dx = std::fabs(float(x) + 0.5f - sx), dy = std::fabs(float(y) + 0.5f - sy);
            const float star = Clamp01(1 - (dx * dy * 0.35f + std::hypot(dx, dy) * 0.5f) / r);
            if (star <= 0) continue;
            const uint8_t* px = &c.P.Pixels[(size_t(y) * size_t(w) + size_t(x)) * 4];
            const TPixel below{{float(px[2]) / 255, float(px[1]) / 255, float(px[0]) / 255},
                               float(px[3]) / 255};
            const TPixel out = Over(below, colour, star * star * 1.2f);
            c.Set(x, y, out.C, out.A);
        }
}

// The diffuse light of a height field's slope: dzdx, dzdy in height per
// pixel, light from the upper left and a little towards the viewer.
float Lambert(float dzdx, float dzdy) {
    const float nx = -dzdx, ny = -dzdy, nz = 1.0f;
    const float n = std::sqrt(nx * nx + ny * ny + nz * nz);
    const float lx = -0.55f, ly = -0.6f, lz = 0.58f; // normalised enough
    return std::max(0.0f, (nx * lx + ny * ly + nz * lz) / n);
}

struct TBlob {
    float X, Y, R;
};

// Overlapping round blobs with a wobbling, leafy rim: the signed distance to
// the rim (negative inside) and a dome height over the blobs.
void BlobField(const std::vector<TBlob>& blobs, float x, float y, uint32_t seed, float wobble,
               float& distance, float& height) {
    distance = 1e9f;
    height = 0;
    for (size_t i = 0; i < blobs.size(); ++i) {
        const TBlob& b = blobs[i];
        const float dx = x - b.X, dy = y - b.Y;
        const float d = std::hypot(dx, dy);
        const float angle = std::atan2(dy, dx) / (2 * PiF) + 0.5f;
        const float rim = b.R * (1 + wobble * (TileNoise(angle * 12, float(i) * 3.7f, 12, 2, seed) - 0.5f));
        distance = std::min(distance, d - rim);
        // The dome is round, over the widest the rim may reach, so that its
        // slope has no seam where the rim's angle wraps or meets the centre.
        const float dome = b.R * (1 + wobble * 0.5f);
        const float q = 1 - (d * d) / (dome * dome);
        if (q > 0) height = std::max(height, std::sqrt(q) * dome);
    }
}

// Foliage or stone over blobs: the colour from dark to light by the light on
// the domes, small leaf (or grain) noise, the lower right darker, a soft rim.
struct TBlobLook {
    TColour Dark, Light, Highlight;
    float Grain = 8; // pixels per noise cell of the leaves or grain
    float Wobble = 0.2f;
    float Soft = 2.5f; // pixels of the alpha rim
};

TPixel BlobPixel(const std::vector<TBlob>& blobs, const TBlobLook& look, float x, float y, uint32_t seed) {
    float d, h, dr, hr, dd, hd;
    BlobField(blobs, x, y, seed, look.Wobble, d, h);
    if (d > look.Soft * 2) return {};
    BlobField(blobs, x + 1, y, seed, look.Wobble, dr, hr);
    BlobField(blobs, x, y + 1, seed, look.Wobble, dd, hd);
    const float leaf = TileNoise(x / look.Grain, y / look.Grain, 64, 3, seed + 5);
    // The leaves bulge by their own small domes on top of the big ones.
    const float bump = 6.0f;
    const float leafR = TileNoise((x + 1) / look.Grain, y / look.Grain, 64, 3, seed + 5);
    const float leafD = TileNoise(x / look.Grain, (y + 1) / look.Grain, 64, 3, seed + 5);
    const float lit =
        Lambert((hr - h) * 0.8f + (leafR - leaf) * bump, (hd - h) * 0.8f + (leafD - leaf) * bump);
    TColour c = Mix(look.Dark, look.Light, lit * 1.2f - 0.15f);
    c = Mix(c, look.Highlight, Clamp01((lit - 0.82f) * 4) * 0.6f);
    // Inner shadow where the domes meet and at the rim.
    c = Scale(c, 0.75f + 0.25f * Clamp01(h / 18));
    return {c, Clamp01(0.5f - d / look.Soft)};
}

// A soft shadow on the ground beneath a silhouette.
float GroundShadow(float x, float y, float cx, float cy, float rx, float ry) {
    const float d = std::hypot((x - cx) / rx, (y - cy) / ry);
    return 0.45f * (1 - SmoothStep(0.35f, 1.0f, d));
}

std::vector<TBlob> CanopyBlobs(float cx, float cy, float width, float height, int32_t count, uint32_t seed) {
    std::vector<TBlob> blobs;
    for (int32_t i = 0; i < count; ++i) {
        const float u = float(Hash(i, 1, seed) % 1000) / 1000.0f,
                    v = float(Hash(i, 2, seed) % 1000) / 1000.0f;
        const float r = float(Hash(i, 3, seed) % 1000) / 1000.0f;
        // Spread over an ellipse, the bigger blobs nearer the middle.
        const float angle = u * 2 * PiF, reach = std::sqrt(v) * 0.62f;
        blobs.push_back({cx + std::cos(angle) * reach * width * 0.5f,
                         cy + std::sin(angle) * reach * height * 0.5f,
                         (0.2f + 0.14f * r) * std::min(width, height) * (1.15f - reach * 0.5f)});
    }
    return blobs;
}

// A broad-leaved tree: a tapering trunk with two branches into a round crown.
TGeneratedPicture Tree(const std::string& name, uint32_t seed) {
    const int32_t w = 256, h = 512;
    TCanvas c(name, w, h, 4);
    const std::vector<TBlob> crown = CanopyBlobs(128, 200, 190, 270, 15, seed);
    const TBlobLook leaves{
        {0.04f, 0.12f, 0.09f}, {0.24f, 0.46f, 0.18f}, {0.72f, 0.78f, 0.32f}, 7, 0.22f, 2.5f};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            TPixel p;
            p = Over(p, {0, 0, 0}, GroundShadow(px, py, 140, 492, 90, 14));
            // The trunk leans a little and narrows upwards; the branches fork from it.
            const float t = Clamp01((496 - py) / 260);
            const float trunkX = 128 + 6 * std::sin(t * 2.5f);
            const float halfWidth = 15 - 7 * t;
            float trunk = std::fabs(px - trunkX) - halfWidth;
            if (py > 496) trunk = std::max(trunk, py - 496);
            if (py < 236) trunk = std::max(trunk, 236 - py);
            trunk = std::min(trunk, SegmentDistance(px, py, 126, 320, 80, 230) - 6);
            trunk = std::min(trunk, SegmentDistance(px, py, 130, 300, 180, 215) - 5);
            if (trunk < 3) {
                const float across = Clamp01((px - trunkX + halfWidth) / (2 * halfWidth));
                const float bark = TileNoise(px / 6, py / 40, 64, 3, seed + 9);
                TColour col = Mix({0.38f, 0.27f, 0.18f}, {0.14f, 0.09f, 0.07f}, across * 0.9f + 0.1f);
                col = Scale(col, 0.8f + 0.4f * bark);
                p = Over(p, col, Clamp01(0.5f - trunk / 1.5f));
            }
            const TPixel leavesHere = BlobPixel(crown, leaves, px, py, seed);
            p = Over(p, leavesHere.C, leavesHere.A);
            c.Set(x, y, p.C, p.A);
        }
    return std::move(c.P);
}

// A fir: tiers of drooping boughs around a short trunk.
TGeneratedPicture Pine(const std::string& name, uint32_t seed) {
    const int32_t w = 256, h = 512;
    TCanvas c(name, w, h, 4);
    const int32_t tiers = 5;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            TPixel p;
            p = Over(p, {0, 0, 0}, GroundShadow(px, py, 138, 494, 80, 12));
            const float trunk = std::max(std::fabs(px - 128) - 10, std::max(py - 498, 400 - py));
            if (trunk < 3) {
                const float across = Clamp01((px - 118) / 20);
                const float bark = TileNoise(px / 5, py / 30, 64, 3, seed + 9);
                p = Over(p,
                         Scale(Mix({0.36f, 0.25f, 0.16f}, {0.12f, 0.08f, 0.06f}, across), 0.8f + 0.4f * bark),
                         Clamp01(0.5f - trunk / 1.5f));
            }
            // Each tier is a cone from its tip down to a ragged, drooping hem;
            // the lower tiers are wider and the upper ones overlap them.
            for (int32_t k = tiers - 1; k >= 0; --k) {
                const float tip = 24 + float(k) * 66, hem = tip + 150 - float(k) * 6;
                const float halfBase = 52 + float(k) * 17;
                const float along = (py - tip) / (hem - tip);
                if (along < -0.05f || along > 1.25f) continue;
                auto halfAt = [&](float qx, float qy) {
                    const float ragged =
                        1 + 0.16f * (TileNoise(qx / 9, float(k) * 5, 64, 2, seed + uint32_t(k)) - 0.5f) +
                        0.08f * std::sin(qx / 7 + float(k));
                    return halfBase * std::max(0.0f, (qy - tip) / (hem - tip)) * ragged;
                };
                auto distanceAt = [&](float qx, float qy) {
                    const float dx = std::fabs(qx - 128);
                    // The hem droops at its ends: it lies lower near the middle.
                    const float hemHere = hem + 10 * (1 - dx / halfBase);
                    float d = std::max(dx - halfAt(qx, qy), qy - hemHere);
                    if (qy < tip) d = std::max(d, tip - qy);
                    return d;
                };
                const float raw = distanceAt(px, py);
                if (raw > 6) continue;
                // The ragged rim is steeper than one: measure the distance in pixels.
                const float gx = distanceAt(px + 0.5f, py) - distanceAt(px - 0.5f, py);
                const float gy = distanceAt(px, py + 0.5f) - distanceAt(px, py - 0.5f);
                const float dist = raw / std::max(0.3f, std::hypot(gx, gy));
                if (dist > 3) continue;
                const float dx = std::fabs(px - 128), half = halfAt(px, py);
                const float u =
                    dx / std::max(half, 1.0f) * (px < 128 ? -1.0f : 1.0f); // -1 left rim … 1 right rim
                const float needles = TileNoise(px / 4, py / 4, 64, 2, seed + 30);
                float lit = 0.62f - 0.38f * u - 0.25f * Clamp01(along - 0.6f) * 2 + 0.3f * (needles - 0.5f);
                lit *= 0.85f + 0.15f * (1 - along); // the hem is shaded by the tier's own boughs
                TColour col = Mix({0.03f, 0.10f, 0.09f}, {0.20f, 0.40f, 0.22f}, lit);
                col = Mix(col, {0.62f, 0.72f, 0.35f}, Clamp01((lit - 0.85f) * 3) * 0.5f);
                p = Over(p, col, Clamp01(0.5f - dist / 2.0f));
            }
            c.Set(x, y, p.C, p.A);
        }
    return std::move(c.P);
}

TGeneratedPicture Bush(const std::string& name, uint32_t seed) {
    const int32_t w = 256, h = 128;
    TCanvas c(name, w, h, 4);
    std::vector<TBlob> blobs;
    for (int32_t i = 0; i < 7; ++i) {
        const float u = float(i) / 6.0f;
        const float r = 28 + 22 * std::sin(u * PiF) + float(Hash(i, 4, seed) % 14);
        blobs.push_back({40 + u * 176 + float(Hash(i, 5, seed) % 11) - 5, 120 - r * 0.8f, r});
    }
    const TBlobLook leaves{
        {0.04f, 0.13f, 0.08f}, {0.26f, 0.50f, 0.20f}, {0.75f, 0.80f, 0.34f}, 5, 0.25f, 2.5f};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            TPixel p;
            p = Over(p, {0, 0, 0}, GroundShadow(px, py, 134, 118, 118, 9));
            TPixel b = BlobPixel(blobs, leaves, px, py, seed);
            // The bush sits on the ground: it fades out just above the picture's foot.
            b.A *= Clamp01((122 - py) / 4);
            p = Over(p, b.C, b.A);
            c.Set(x, y, p.C, p.A);
        }
    return std::move(c.P);
}

TGeneratedPicture Rock(const std::string& name, uint32_t seed) {
    const int32_t w = 256, h = 128;
    TCanvas c(name, w, h, 4);
    const std::vector<TBlob> blobs = {{100, 78, 46}, {150, 70, 52}, {196, 92, 30}, {64, 98, 26}};
    const TBlobLook stone{
        {0.16f, 0.17f, 0.22f}, {0.58f, 0.60f, 0.66f}, {0.85f, 0.86f, 0.90f}, 14, 0.12f, 2.0f};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            TPixel p;
            p = Over(p, {0, 0, 0}, GroundShadow(px, py, 136, 118, 118, 9));
            TPixel r = BlobPixel(blobs, stone, px, py, seed);
            // Cracks and strata, and moss where the top faces the sky.
            const float strata =
                0.5f + 0.5f * std::sin((py + 8 * TileNoise(px / 32, py / 32, 8, 2, seed)) / 5);
            r.C = Scale(r.C, 0.9f + 0.12f * strata);
            float d, top;
            BlobField(blobs, px, py - 10, seed, stone.Wobble, d, top);
            const float moss =
                Clamp01((d + 2) / 6) * SmoothStep(0.55f, 0.7f, TileNoise(px / 10, py / 10, 32, 3, seed + 3));
            r.C =
                Mix(r.C,
                    Mix({0.16f, 0.30f, 0.10f}, {0.42f, 0.58f, 0.20f}, TileNoise(px / 3, py / 3, 64, 1, seed)),
                    moss * 0.8f);
            r.A *= Clamp01((124 - py) / 4);
            p = Over(p, r.C, r.A);
            c.Set(x, y, p.C, p.A);
        }
    return std::move(c.P);
}

// The meadow's ground: the fill's noise and light under broad darker patches
// where the grass grows thick, short blades of grass leaning this way and
// that, clover leaves and a sprinkle of small flowers, all wrapping at the
// tile's edges so it still tiles.
TGeneratedPicture MeadowFill(const std::string& name, int32_t size, TColour dark, TColour light,
                             uint32_t seed) {
    TGeneratedPicture p = Fill(name, size, dark, light, seed, 0);
    std::vector<TColour> c(size_t(size) * size_t(size));
    for (size_t i = 0; i < c.size(); ++i)
        c[i] = {float(p.Pixels[i * 3 + 2]) / 255, float(p.Pixels[i * 3 + 1]) / 255,
                float(p.Pixels[i * 3]) / 255};
    auto blend = [&](int32_t x, int32_t y, TColour col, float a) {
        x = ((x % size) + size) % size;
        y = ((y % size) + size) % size;
        TColour& here = c[size_t(y) * size_t(size) + size_t(x)];
        here = Mix(here, col, a);
    };
    auto random = [&](int32_t i, int32_t k) { return float(Hash(i, k, seed + 50) % 10000) / 10000.0f; };
    // Thick grass in broad patches, a little darker and bluer.
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float n =
                TileNoise(float(x) / float(size) * 3, float(y) / float(size) * 3, 3, 3, seed + 40);
            const float patch = SmoothStep(0.42f, 0.68f, n);
            TColour& here = c[size_t(y) * size_t(size) + size_t(x)];
            here = Mix(here, Scale(Mix(dark, {0.08f, 0.18f, 0.14f}, 0.4f), 0.9f), 0.45f * patch);
        }
    // Blades: thin strokes up from a root, lighter and yellower or darker,
    // fading towards their tips.
    const int32_t blades = size * size / 48;
    for (int32_t i = 0; i < blades; ++i) {
        const float x0 = random(i, 1) * float(size), y0 = random(i, 2) * float(size);
        const float length = 5 + 7 * random(i, 3), lean = (random(i, 4) - 0.5f) * 0.9f;
        const bool lit = random(i, 5) < 0.55f;
        const TColour col = lit ? Mix(light, {0.75f, 0.82f, 0.32f}, 0.35f * random(i, 6)) : Scale(dark, 0.7f);
        for (int32_t t = 0; t < int32_t(length); ++t) {
            const float fx = x0 + lean * float(t);
            const int32_t bx = int32_t(std::floor(fx));
            const float a = (lit ? 0.7f : 0.6f) * (1 - float(t) / length);
            const float frac = fx - float(bx);
            blend(bx, int32_t(y0) - t, col, a * (1 - frac));
            blend(bx + 1, int32_t(y0) - t, col, a * frac);
        }
    }
    // Soft round spots: clover leaves in threes, and flowers with a centre.
    auto spot = [&](float cx, float cy, float r, TColour col, float a) {
        for (int32_t y = int32_t(std::floor(cy - r - 1)); y <= int32_t(std::ceil(cy + r + 1)); ++y)
            for (int32_t x = int32_t(std::floor(cx - r - 1)); x <= int32_t(std::ceil(cx + r + 1)); ++x) {
                const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
                const float cover = Clamp01(r + 0.5f - d);
                if (cover > 0) blend(x, y, col, a * cover);
            }
    };
    for (int32_t i = 0; i < size * size / 900; ++i) {
        const float cx = random(i, 11) * float(size), cy = random(i, 12) * float(size),
                    turn = random(i, 13) * 2 * PiF;
        for (int32_t leaf = 0; leaf < 3; ++leaf) {
            const float a = turn + float(leaf) * 2 * PiF / 3;
            const float lx = cx + std::cos(a) * 1.8f, ly = cy + std::sin(a) * 1.8f;
            spot(lx, ly, 1.5f, {0.10f, 0.28f, 0.12f}, 0.8f);
            spot(lx - 0.5f, ly - 0.5f, 0.6f, Mix(light, {0.6f, 0.8f, 0.4f}, 0.3f),
                 0.5f); // lit from the upper left
        }
    }
    const TColour petals[3] = {{0.93f, 0.93f, 0.86f}, {0.96f, 0.86f, 0.38f}, {0.80f, 0.72f, 0.96f}};
    // Flowers grow in small clumps of one kind.
    for (int32_t i = 0; i < size * size / 3000; ++i) {
        const float clumpX = random(i, 21) * float(size), clumpY = random(i, 22) * float(size);
        const TColour petal = petals[Hash(i, 23, seed) % 3];
        const int32_t count = 2 + int32_t(Hash(i, 24, seed) % 4);
        for (int32_t k = 0; k < count; ++k) {
            const float cx = clumpX + (random(i * 8 + k, 25) - 0.5f) * 18,
                        cy = clumpY + (random(i * 8 + k, 26) - 0.5f) * 12;
            spot(cx + 0.7f, cy + 0.9f, 2.0f, Scale(dark, 0.6f), 0.45f); // its shadow
            spot(cx, cy, 1.9f, petal, 0.85f);
            spot(cx, cy, 0.6f, {0.95f, 0.75f, 0.25f}, 0.75f);
        }
    }
    for (size_t i = 0; i < c.size(); ++i) {
        auto byte = [](float v) { return uint8_t(std::clamp(std::lround(v * 255.0f), 0L, 255L)); };
        p.Pixels[i * 3] = byte(c[i].B);
        p.Pixels[i * 3 + 1] = byte(c[i].G);
        p.Pixels[i * 3 + 2] = byte(c[i].R);
    }
    return p;
}

// ---- The maker's logo ----

// The strokes of the word: segments and arcs in a letter box of 0..1 across
// and 0..1 down, drawn with round ends.
struct TStroke {
    float X0, Y0, X1, Y1; // a segment; for an arc, centre, radius and unused
    float ArcFrom = 0, ArcTo = 0;
    bool Arc = false;
    float RadiusY = 0; // arcs are ellipses: radius X1 across, RadiusY down
};

struct TLetter {
    float Width; // in letter heights
    std::vector<TStroke> Strokes;
};

float StrokeDistance(const TStroke& s, float x, float y, float scaleX, float scaleY) {
    if (!s.Arc) return SegmentDistance(x, y, s.X0 * scaleX, s.Y0 * scaleY, s.X1 * scaleX, s.Y1 * scaleY);
    // An elliptic arc, measured in the ellipse's own round space and scaled
    // back by the smaller radius (close enough for strokes of even width).
    const float rx = s.X1 * scaleX, ry = s.RadiusY * scaleY;
    const float ux = (x - s.X0 * scaleX) / rx, uy = (y - s.Y0 * scaleY) / ry;
    float a = std::atan2(uy, ux);
    if (s.ArcTo - s.ArcFrom < 2 * PiF - 1e-3f) {
        // Outside the arc's span the nearer end counts.
        float mid = (s.ArcFrom + s.ArcTo) / 2, half = (s.ArcTo - s.ArcFrom) / 2;
        float off = std::remainder(a - mid, 2 * PiF);
        if (std::fabs(off) > half) {
            const float ends[2] = {s.ArcFrom, s.ArcTo};
            float best = 1e9f;
            for (float e : ends) {
                const float ex = s.X0 * scaleX + std::cos(e) * rx, ey = s.Y0 * scaleY + std::sin(e) * ry;
                best = std::min(best, std::hypot(x - ex, y - ey));
            }
            return best;
        }
    }
    return std::fabs(std::hypot(ux, uy) - 1) * std::min(rx, ry);
}

// A word of stroke letters, centred across a picture and slanted to the
// right about its baseline. The strokes run on the letters' centre lines in a
// box inset by the stroke's half-width, so the word's visible top is Top and
// its foot the baseline.
struct TWord {
    std::vector<TLetter> Letters;
    std::vector<float> Lefts;
    float LetterH, Stroke, Top, Slant;
    float Blend = 0; // pixels over which crossing strokes melt into each other (0: sharp joins)

    TWord(std::vector<TLetter> letters, float letterH, float stroke, float top, float slant, float gap,
          float pictureWidth, float shift)
        : Letters(std::move(letters)), LetterH(letterH), Stroke(stroke), Top(top), Slant(slant) {
        float total = -gap;
        for (const TLetter& l : Letters)
            total += Advance(l) + gap;
        float left = (pictureWidth - total) / 2 + shift;
        for (const TLetter& l : Letters) {
            Lefts.push_back(left);
            left += Advance(l) + gap;
        }
    }
    float Inner() const { return LetterH - 2 * Stroke; }
    float Baseline() const { return Top + LetterH; }
    float Advance(const TLetter& l) const { return l.Width * Inner() + 2 * Stroke; }
    float Left() const { return Lefts.front() - Stroke; }
    float Right() const { return Lefts.back() + Advance(Letters.back()) + Stroke; }
    // The picture point of (u, v) in letter k's box (0..1 across and down).
    void At(size_t k, float u, float v, float& x, float& y) const {
        y = Top + Stroke + v * Inner();
        x = Lefts[k] + Stroke + u * Letters[k].Width * Inner() - (y - Baseline()) * Slant;
    }
    // Distance to the strokes' surface in picture pixels, negative inside.
    float Distance(float x, float y) const {
        const float sx = x + (y - Baseline()) * Slant; // upright again
        float best = 1e9f;
        for (size_t k = 0; k < Letters.size(); ++k) {
            const float lx = sx - Lefts[k] - Stroke, ly = y - Top - Stroke;
            const float inner = Inner();
            const float sw = Letters[k].Width * inner;
            if (lx < -3 * Stroke || lx > sw + 3 * Stroke) continue;
            for (const TStroke& s : Letters[k].Strokes) {
                const float d = StrokeDistance(s, lx, ly, sw, inner);
                if (Blend <= 0) {
                    best = std::min(best, d);
                } else {
                    // A smooth minimum: a fillet where strokes meet, with no crease in the light.
                    const float t = Clamp01(0.5f + 0.5f * (best - d) / Blend);
                    best = best * (1 - t) + d * t - Blend * t * (1 - t);
                }
            }
        }
        return best - Stroke;
    }
};

std::vector<TLetter> VortanLetters() {
    const float i = 0.0f; // strokes run on their centre lines; the box is inset by the stroke width later
    TStroke arcO{0.5f, 0.5f, 0.5f, 0, 0, 2 * PiF, true, 0.5f};
    TStroke bowl{0.42f, 0.27f, 0.42f, 0, -PiF / 2, PiF / 2, true, 0.27f};
    return {
        {0.88f, {{0, i, 0.5f, 1}, {0.5f, 1, 1, i}}},                                                    // V
        {0.86f, {arcO}},                                                                                // O
        {0.80f, {{0, 0, 0, 1}, {0, 0, 0.42f, 0}, bowl, {0, 0.54f, 0.42f, 0.54f}, {0.4f, 0.54f, 1, 1}}}, // R
        {0.80f, {{0, 0, 1, 0}, {0.5f, 0, 0.5f, 1}}},                                                    // T
        {0.90f, {{0, 1, 0.5f, 0}, {0.5f, 0, 1, 1}, {0.24f, 0.64f, 0.76f, 0.64f}}},                      // A
        {0.80f, {{0, 1, 0, 0}, {0, 0, 1, 1}, {1, 1, 1, 0}}},                                            // N
    };
}

// "Vortan" in round, glossy teal letters with a dark rim, a gold swoosh
// beneath, a soft drop shadow down-right and a faint glow that holds the
// word together as one piece.
TGeneratedPicture VortanLogo() {
    const int32_t w = 1024, h = 256;
    TCanvas c("Logos\\Vortan.png", w, h, 4);
    const float letterH = 132, stroke = 17, top = 40, slant = 0.16f, gap = 30;
    const TWord vortan(VortanLetters(), letterH, stroke, top, slant, gap, float(w), -10);
    const std::vector<float>& lefts = vortan.Lefts;
    const float baseline = vortan.Baseline();
    auto word = [&](float x, float y) { return vortan.Distance(x, y); };
    // The swoosh: a curve under the word, thick in the middle, thin at its ends.
    auto swoosh = [&](float x, float y) {
        float best = 1e9f;
        const int32_t n = 48;
        for (int32_t k = 0; k < n; ++k) {
            auto at = [&](int32_t j, float& px, float& py) {
                const float t = float(j) / float(n);
                px = 150 + t * 760;
                py = 212 + 18 * std::sin(t * PiF) - 16 * t;
            };
            float ax, ay, bx, by;
            at(k, ax, ay);
            at(k + 1, bx, by);
            const float t = (float(k) + 0.5f) / float(n);
            best = std::min(best, SegmentDistance(x, y, ax, ay, bx, by) - (1.5f + 6.5f * std::sin(t * PiF)));
        }
        return best;
    };
    const float glowX = float(w) / 2, glowY = 132;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            TPixel p;
            // A faint warm glow behind the word, fading well inside the picture.
            const float g = std::hypot((px - glowX) / 480, (py - glowY) / 112);
            p = Over(p, {1.0f, 0.95f, 0.82f}, 0.32f * (1 - SmoothStep(0.2f, 1.0f, g)));
            const float d = word(px, py);
            const float sw = swoosh(px, py);
            // Soft shadow down and to the right.
            const float shadow = std::min(word(px - 9, py - 11), swoosh(px - 9, py - 11));
            p = Over(p, {0.05f, 0.04f, 0.12f}, 0.5f * Clamp01(0.5f - shadow / 9));
            // The swoosh: gold, lighter on its upper edge.
            if (sw < 4) {
                const float upper = Clamp01((sw + 8) / 8);
                TColour col = Mix({1.0f, 0.92f, 0.55f}, {0.92f, 0.55f, 0.12f}, upper);
                p = Over(p, col, Clamp01(0.5f - sw / 1.3f));
            }
            if (d < 9) {
                // A dark rim round the letters, then the glossy face: a vertical
                // gradient, a rounded bevel lit from the upper left, a shine on
                // the upper half and a few sparkles.
                p = Over(p, {0.03f, 0.07f, 0.16f}, Clamp01(0.5f - (d - 5) / 1.4f));
                if (d < 1) {
                    const float dx = word(px + 1, py) - d, dy = word(px, py + 1) - d;
                    const float depth = Clamp01(-d / stroke);
                    const float bevel = 1 - depth; // slope steepest at the rim
                    const float k = 1.6f * bevel * bevel;
                    const float lit = Lambert(dx * k, dy * k); // height rises inwards
                    const float v = Clamp01((py - top) / letterH);
                    TColour face = Mix({0.42f, 0.92f, 0.96f}, {0.06f, 0.32f, 0.72f}, v);
                    face = Scale(face, 0.9f + 0.2f * TileNoise(px / 24, py / 24, 64, 4, 501));
                    face = Scale(face, 0.55f + 0.6f * lit);
                    face = Mix(face, {1, 1, 1}, Clamp01((lit - 0.86f) * 5) * 0.7f);
                    const float shine = v < 0.42f ? 0.22f * SmoothStep(0.42f, 0.3f, v) : 0.0f;
                    face = Mix(face, {1, 1, 1}, shine);
                    p = Over(p, face, Clamp01(0.5f - d / 1.2f));
                }
            }
            c.Set(x, y, p.C, p.A);
        }
    // Sparkles on a few upper-left rims: four-pointed stars with a soft core.
    const float sparkles[][3] = {{0.12f, 0.0f, 14}, {0.5f, 3.0f, 10}, {0.78f, 4.0f, 12}};
    for (const auto& s : sparkles) {
        const float sx = lefts[size_t(s[1])] + stroke + s[0] * 60 - (top + stroke - baseline) * slant;
        Twinkle(c, sx, top + stroke * 0.6f, s[2], {1, 1, 0.92f});
    }
    return std::move(c.P);
}

// ---- The game's title ----

// "Rollix" in lower case after the capital: the small letters' tops lie at
// 1 - xHeight of the box; the i has no dot of its own (a star dots it).
std::vector<TLetter> RollixLetters(float xHeight) {
    const float xh = 1 - xHeight;
    const TStroke bowl{0.45f, 0.3f, 0.5f, 0, -PiF / 2, PiF / 2, true, 0.3f};
    const TStroke o{0.5f, (xh + 1) / 2, 0.5f, 0, 0, 2 * PiF, true, (1 - xh) / 2};
    return {
        {0.82f, {{0, 0, 0, 1}, {0, 0, 0.45f, 0}, bowl, {0, 0.6f, 0.45f, 0.6f}, {0.45f, 0.6f, 1, 1}}}, // R
        {0.72f, {o}},                                                                                 // o
        {0.00f, {{0, 0, 0, 1}}},                                                                      // l
        {0.00f, {{0, 0, 0, 1}}},                                                                      // l
        {0.00f, {{0, xh, 0, 1}}},                                                                     // i
        {0.66f, {{0, xh, 1, 1}, {0, 1, 1, xh}}},                                                      // x
    };
}

std::vector<TLetter> ZestarsLetters() {
    const TStroke sTop{0.5f, 0.25f, 0.5f, 0, PiF / 2, 2 * PiF - PiF / 5, true, 0.25f};
    const TStroke sFoot{0.5f, 0.75f, 0.5f, 0, -PiF / 2, PiF - PiF / 5, true, 0.25f};
    const TStroke bowl{0.42f, 0.27f, 0.42f, 0, -PiF / 2, PiF / 2, true, 0.27f};
    return {
        {0.80f, {{0, 0, 1, 0}, {1, 0, 0, 1}, {0, 1, 1, 1}}},                                            // Z
        {0.66f, {{0, 0, 0, 1}, {0, 0, 1, 0}, {0, 0.5f, 0.8f, 0.5f}, {0, 1, 1, 1}}},                     // E
        {0.70f, {sTop, sFoot}},                                                                         // S
        {0.80f, {{0, 0, 1, 0}, {0.5f, 0, 0.5f, 1}}},                                                    // T
        {0.90f, {{0, 1, 0.5f, 0}, {0.5f, 0, 1, 1}, {0.24f, 0.64f, 0.76f, 0.64f}}},                      // A
        {0.80f, {{0, 0, 0, 1}, {0, 0, 0.42f, 0}, bowl, {0, 0.54f, 0.42f, 0.54f}, {0.4f, 0.54f, 1, 1}}}, // R
        {0.70f, {sTop, sFoot}},                                                                         // S
    };
}

// A rubber star with rounded points: centre, size (the points' reach), the
// angle it has rolled through (clockwise) and how deep its points are.
struct TRubberStar {
    float X, Y, R, Roll, Depth = 0.24f;

    float Distance(float x, float y) const {
        const float dx = x - X, dy = y - Y, r = std::hypot(dx, dy);
        const float k = 5 * (std::atan2(dy, dx) - Roll + PiF / 2); // a point straight up before rolling
        const float reach = R * (1 - Depth + Depth * std::cos(k));
        // The slope of the rim's reach per angle, measured at the rim: nearer
        // the middle it would swamp the distance with no rim nearby.
        const float slope = -R * Depth * 5 * std::sin(k) / std::max(r, reach);
        return (r - reach) / std::sqrt(1 + slope * slope);
    }
    // (x, y) in the star's own frame, in units of its size, before rolling.
    void Local(float x, float y, float& u, float& v) const {
        const float dx = (x - X) / R, dy = (y - Y) / R;
        u = dx * std::cos(Roll) + dy * std::sin(Roll);
        v = -dx * std::sin(Roll) + dy * std::cos(Roll);
    }
};

// The rolling star's face in its own frame (u, v in units of its size):
// big eyes looking ahead and an open, laughing mouth. `px` is one pixel.
TColour StarFace(TColour c, float u, float v, float px) {
    const TColour ink{0.12f, 0.04f, 0.05f}, white{0.98f, 0.97f, 0.94f};
    auto cover = [&](float d) { return Clamp01(0.5f - d / px); };
    auto ellipse = [](float x, float y, float cx, float cy, float rx, float ry) {
        return (std::hypot((x - cx) / rx, (y - cy) / ry) - 1) * std::min(rx, ry);
    };
    for (float side : {-1.0f, 1.0f}) {
        const float ex = side * 0.2f + 0.02f, ey = -0.1f;
        c = Mix(c, ink, cover(ellipse(u, v, ex, ey, 0.125f, 0.17f)));
        c = Mix(c, white, cover(ellipse(u, v, ex, ey, 0.095f, 0.14f)));
        c = Mix(c, ink, cover(ellipse(u, v, ex + 0.035f, ey + 0.02f, 0.06f, 0.08f)));
        c = Mix(c, white, cover(ellipse(u, v, ex + 0.015f, ey - 0.02f, 0.022f, 0.022f)));
    }
    // The mouth: the lower half of an ellipse, dark, with a tongue.
    const float mouth = std::max(ellipse(u, v, 0.02f, 0.13f, 0.2f, 0.17f), 0.13f - v);
    c = Mix(c, ink, cover(mouth - 0.025f));
    c = Mix(c, {0.45f, 0.06f, 0.08f}, cover(mouth));
    c = Mix(c, {0.95f, 0.42f, 0.45f}, cover(std::max(mouth, ellipse(u, v, 0.05f, 0.3f, 0.1f, 0.07f))));
    return c;
}

// Glossy rubber over a distance field d (negative inside): a rounded bevel
// about `bevel` pixels wide lit from the upper left, the colour running from
// `upper` to `lower` with v (0 … 1 down the shape), a white gleam where the
// bevel faces the light and a soft shine over the upper part.
TColour Rubber(float d, float gx, float gy, float bevel, float v, TColour upper, TColour lower, float grain) {
    const float rim = 1 - Clamp01(-d / bevel);
    const float k = 1.6f * rim * rim;
    const float lit = Lambert(gx * k, gy * k); // height rises inwards
    TColour c = Mix(upper, lower, v);
    c = Scale(c, 0.95f + 0.1f * grain);
    c = Scale(c, 0.6f + 0.55f * lit);
    c = Mix(c, {1, 1, 0.94f}, Clamp01((lit - 0.84f) * 5) * 0.75f);
    return Mix(c, {1, 1, 0.9f}, 0.25f * SmoothStep(0.45f, 0.15f, v));
}

// The title for the loading screen: "Rollix" in warm orange rubber letters
// with a dark rim and a thin light outline, a small star dotting the i, the
// player's rubber star rolling along beside the word, "ZESTARS" small and
// golden underneath, all on a faint night-blue haze with a few twinkles. It
// is drawn at its own size in the middle of a view at least 800 wide, above
// the loading text near the foot: everything stays within the middle 800
// pixels across.
TGeneratedPicture RollixLogo() {
    const int32_t w = 1024, h = 256;
    TCanvas c("MenuMubs\\logo rollix zestars.png", w, h, 4);
    const float slant = 0.14f;
    const float starR = 54, starGap = 22;
    TWord title(RollixLetters(0.58f), 142, 16, 30, slant, 18, float(w), -(2 * starR + starGap) / 2);
    title.Blend = 4;
    const float baseline = title.Baseline();
    // The rolling star comes after the x, tipped over onto one point, which
    // rests on the baseline.
    const float roll = 0.22f;
    float foot = 0;
    for (int32_t k = 0; k < 5; ++k)
        foot = std::max(foot, starR * std::sin(roll - PiF / 2 + 2 * PiF * float(k) / 5));
    const TRubberStar star{title.Right() + starGap + starR, baseline - foot, starR, roll, 0.22f};
    // The i's dot: a small star without a face.
    float dotX, dotY;
    title.At(4, 0, 0, dotX, dotY);
    dotY = title.Top + 12;
    dotX -= (dotY - (title.Top + title.Stroke)) * slant;
    const TRubberStar dot{dotX, dotY, 18, -0.3f, 0.34f};
    const float titleCentre = (title.Left() + star.X + starR) / 2;
    const TWord subtitle(ZestarsLetters(), 30, 3.8f, baseline + 20, slant, 14, float(w),
                         (title.Left() + title.Right()) / 2 - float(w) / 2);
    auto shapes = [&](float x, float y) {
        return std::min({title.Distance(x, y), star.Distance(x, y), dot.Distance(x, y)});
    };
    // Three swishes trail up and behind the star as it rolls: short arcs
    // round its middle, thinning towards their ends.
    auto swishes = [&](float x, float y) {
        const float r = std::hypot(x - star.X, y - star.Y);
        const float a = std::atan2(y - star.Y, x - star.X);
        float best = 1e9f;
        for (int32_t k = 0; k < 3; ++k) {
            const float radius = starR * (1.3f + 0.17f * float(k)), mid = -2.35f + 0.08f * float(k);
            const float half = 0.32f - 0.06f * float(k);
            const float off = std::remainder(a - mid, 2 * PiF);
            const float along = std::fabs(off) / half;
            if (along >= 1) continue;
            best = std::min(best, std::fabs(r - radius) - 2.2f * (1 - along * along));
        }
        return best;
    };
    const float glowX = titleCentre, glowY = 128, glowRX = 384, glowRY = 116;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            TPixel p;
            // The haze: deep blue, strongest behind the word, gone well inside the edges.
            const float g = std::hypot((px - glowX) / glowRX, (py - glowY) / glowRY);
            const float haze = 1 - SmoothStep(0.15f, 1.0f, g);
            p = Over(p, Mix({0.10f, 0.10f, 0.32f}, {0.30f, 0.22f, 0.55f}, haze), 0.75f * haze);
            const float d = shapes(px, py);
            const float sub = subtitle.Distance(px, py);
            // Soft shadows down and to the right.
            const float shadow = std::min(shapes(px - 8, py - 10), subtitle.Distance(px - 3, py - 4) + 2);
            p = Over(p, {0.02f, 0.01f, 0.06f}, 0.6f * Clamp01(0.5f - shadow / 8));
            const float swish = swishes(px, py);
            p = Over(p, {1.0f, 0.93f, 0.74f}, 0.8f * Clamp01(0.5f - swish / 1.2f));
            // The subtitle: pale gold with a thin dark rim.
            if (sub < 4) {
                p = Over(p, {0.12f, 0.05f, 0.02f}, Clamp01(0.5f - (sub - 1.8f) / 1.0f));
                const float v = Clamp01((py - subtitle.Top) / subtitle.LetterH);
                const TColour gold = Mix({1.0f, 0.95f, 0.72f}, {0.95f, 0.70f, 0.30f}, v);
                p = Over(p, gold, Clamp01(0.5f - sub / 0.9f));
            }
            if (d < 10) {
                // A thin light outline, the dark rim, then the rubber.
                p = Over(p, {1.0f, 0.93f, 0.74f}, 0.9f * Clamp01(0.5f - (d - 8) / 1.3f));
                p = Over(p, {0.17f, 0.05f, 0.03f}, Clamp01(0.5f - (d - 5.5f) / 1.2f));
                if (d < 1) {
                    const float grain = TileNoise(px / 32, py / 32, 32, 3, 611);
                    TColour face;
                    const float starD = star.Distance(px, py), dotD = dot.Distance(px, py);
                    if (starD <= d + 1e-4f) {
                        const float gx = star.Distance(px + 1, py) - starD,
                                    gy = star.Distance(px, py + 1) - starD;
                        float u, v;
                        star.Local(px, py, u, v);
                        face = Rubber(starD, gx, gy, starR * 0.22f, Clamp01((v + 0.9f) / 1.8f),
                                      {1.0f, 0.80f, 0.30f}, {0.95f, 0.45f, 0.08f}, grain);
                        face = StarFace(face, u * 0.8f, (v + 0.04f) * 0.8f, 0.8f / starR);
                        // The body's own gloss: a soft spot up and to the left.
                        const float hl = std::hypot((u + 0.3f) / 1.2f, v + 0.4f);
                        face = Mix(face, {1, 1, 1}, 0.55f * Clamp01(0.5f - (hl - 0.16f) * 4));
                    } else if (dotD <= d + 1e-4f) {
                        const float gx = dot.Distance(px + 1, py) - dotD,
                                    gy = dot.Distance(px, py + 1) - dotD;
                        float u, v;
                        dot.Local(px, py, u, v); // only v: the dot has no face
                        face = Rubber(dotD, gx, gy, 8, Clamp01((v + 0.9f) / 1.8f), {1.0f, 0.86f, 0.36f},
                                      {0.96f, 0.50f, 0.10f}, grain);
                    } else {
                        const float gx = title.Distance(px + 1, py) - d, gy = title.Distance(px, py + 1) - d;
                        const float v = Clamp01((py - title.Top) / title.LetterH);
                        face = Rubber(d, gx, gy, title.Stroke, v, {1.0f, 0.74f, 0.24f}, {0.85f, 0.24f, 0.04f},
                                      grain);
                    }
                    p = Over(p, face, Clamp01(0.5f - d / 1.2f));
                }
            }
            c.Set(x, y, p.C, p.A);
        }
    // Twinkles in the haze, away from the letters, and a sparkle on the
    // title's upper-left rims.
    std::vector<std::array<float, 3>> sparkles;
    for (int32_t i = 0; sparkles.size() < 14 && i < 400; ++i) {
        const float sx = glowX + (float(Hash(i, 1, 621) % 2000) / 1000.0f - 1) * glowRX * 0.8f;
        const float sy = glowY + (float(Hash(i, 2, 621) % 2000) / 1000.0f - 1) * glowRY * 0.8f;
        if (std::hypot((sx - glowX) / glowRX, (sy - glowY) / glowRY) > 0.8f) continue;
        if (std::min(shapes(sx, sy), subtitle.Distance(sx, sy)) < 20) continue;
        sparkles.push_back({sx, sy, 3.0f + float(Hash(i, 3, 621) % 400) / 100.0f});
    }
    float rx, ry;
    title.At(0, 0.1f, 0, rx, ry);
    sparkles.push_back({rx - 6, ry - 10, 13});
    title.At(1, 0.2f, 0.47f, rx, ry);
    sparkles.push_back({rx - 2, ry - 6, 9});
    for (const auto& s : sparkles)
        Twinkle(c, s[0], s[1], s[2], {1, 1, 0.9f});
    return std::move(c.P);
}

// A cut jewel seen from the side: a crown of five facets over a pavilion of
// four running down to a point, each facet flat-lit from the upper left, thin
// bright edges between them, a soft glow round the stone and a sparkle.
TGeneratedPicture Jewel(const std::string& name, TColour dark, TColour light) {
    const int32_t size = 128;
    TCanvas c(name, size, size, 4);
    const float centre = float(size) / 2, unit = float(size) * 0.36f;
    const float tableY = -0.55f, girdleY = -0.2f, tipY = 0.85f;
    const float crownTop[4] = {-0.45f, -0.15f, 0.15f, 0.45f}, crownFoot[4] = {-0.85f, -0.3f, 0.3f, 0.85f};
    const float pavilionTop[3] = {-0.4f, 0.0f, 0.4f};
    const float crownLight[5] = {0.95f, 0.8f, 1.0f, 0.55f, 0.4f},
                pavilionLight[4] = {0.7f, 0.5f, 0.32f, 0.18f};
    // The outline, clockwise: table, girdle right, tip, girdle left.
    const float outline[5][2] = {
        {-0.45f, tableY}, {0.45f, tableY}, {0.85f, girdleY}, {0, tipY}, {-0.85f, girdleY}};
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float u = (float(x) + 0.5f - centre) / unit, v = (float(y) + 0.5f - centre) / unit;
            // Distance to the convex outline in pixels, negative inside.
            float inside = -1e9f;
            for (int32_t k = 0; k < 5; ++k) {
                const float* a = outline[k];
                const float* b = outline[(k + 1) % 5];
                const float ex = b[0] - a[0], ey = b[1] - a[1], len = std::hypot(ex, ey);
                inside = std::max(inside, ((u - a[0]) * ey - (v - a[1]) * ex) / len);
            }
            const float d = inside * unit;
            TPixel p;
            // The glow: soft, in the stone's light colour.
            const float glow = Clamp01(1 - std::hypot(u, v + 0.1f) / 1.2f);
            p = Over(p, light, glow * glow * 0.45f);
            if (d < 1.5f) {
                float lit, edge = 1e9f;
                if (v < girdleY) {
                    const float t = (v - tableY) / (girdleY - tableY);
                    int32_t facet = 0;
                    for (int32_t k = 0; k < 4; ++k) {
                        const float bx = crownTop[k] + (crownFoot[k] - crownTop[k]) * t;
                        if (u > bx) facet = k + 1;
                        edge = std::min(edge, std::fabs(u - bx) * unit * 0.8f);
                    }
                    lit = crownLight[facet] + 0.15f * (1 - t);
                } else {
                    const float t = (v - girdleY) / (tipY - girdleY);
                    int32_t facet = 0;
                    for (int32_t k = 0; k < 3; ++k) {
                        const float bx = pavilionTop[k] * (1 - t);
                        if (u > bx) facet = k + 1;
                        edge = std::min(edge, std::fabs(u - bx) * unit * std::max(0.2f, 1 - t));
                    }
                    lit = pavilionLight[facet] + 0.2f * (1 - t);
                }
                edge = std::min(edge, std::fabs(v - girdleY) * unit);
                TColour col = Mix(dark, light, lit);
                // The facets' edges catch the light.
                col = Mix(col, {1, 1, 1}, Clamp01(0.8f - edge) * 0.6f);
                // A bright rim just inside the outline.
                col = Mix(col, {1, 1, 1}, Clamp01(1 + d / 2.0f) * 0.35f);
                p = Over(p, col, Clamp01(0.5f - d / 1.2f));
            }
            // A sparkle on the upper-left of the table.
            const float sx = std::fabs(u + 0.3f) * unit, sy = std::fabs(v - tableY - 0.05f) * unit;
            const float star = Clamp01(1 - (sx * sy * 0.5f + std::hypot(sx, sy) * 0.9f) / 12);
            p = Over(p, {1, 1, 1}, star * 1.3f);
            c.Set(x, y, p.C, p.A);
        }
    return std::move(c.P);
}
enum class TBoostSign { Key, Door, Checkpoint, Teleport, Scaler, Morpher, Diver };

// The signs on the boost orbs, as signed distances (negative inside) in the
// orb's units: the orb is one unit in radius, the sign sits within 0.6 of it.
float Capsule(float u, float v, float ax, float ay, float bx, float by, float r) {
    const float px = u - ax, py = v - ay, ex = bx - ax, ey = by - ay;
    const float t = Clamp01((px * ex + py * ey) / (ex * ex + ey * ey));
    return std::hypot(px - ex * t, py - ey * t) - r;
}

float Rect(float u, float v, float cx, float cy, float hw, float hh) {
    const float dx = std::fabs(u - cx) - hw, dy = std::fabs(v - cy) - hh;
    return std::hypot(std::max(dx, 0.0f), std::max(dy, 0.0f)) + std::min(std::max(dx, dy), 0.0f);
}

// A triangle given clockwise on screen (Y down): the largest distance past one of its sides.
float Triangle(float u, float v, std::array<float, 2> a, std::array<float, 2> b, std::array<float, 2> c) {
    float d = -1e9f;
    for (const auto& [p, q] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}}) {
        const float ex = q[0] - p[0], ey = q[1] - p[1];
        d = std::max(d, ((u - p[0]) * ey - (v - p[1]) * ex) / std::hypot(ex, ey));
    }
    return d;
}

float Ring(float u, float v, float cx, float cy, float r, float w) {
    return std::fabs(std::hypot(u - cx, v - cy) - r) - w;
}

float BoostSign(TBoostSign sign, float u, float v) {
    switch (sign) {
    case TBoostSign::Key: // a ring bow, a shaft and two teeth
        return std::min({Ring(u, v, -0.3f, -0.28f, 0.2f, 0.07f),
                         Capsule(u, v, -0.14f, -0.12f, 0.38f, 0.4f, 0.07f),
                         Capsule(u, v, 0.2f, 0.22f, 0.34f, 0.08f, 0.06f),
                         Capsule(u, v, 0.32f, 0.34f, 0.46f, 0.2f, 0.06f)});
    case TBoostSign::Door: { // an arched door with a keyhole cut out of it
        const float door = std::min(Rect(u, v, 0, 0.12f, 0.32f, 0.36f), std::hypot(u, v + 0.24f) - 0.32f);
        const float hole = std::min(std::hypot(u, v + 0.02f) - 0.09f, Rect(u, v, 0, 0.16f, 0.04f, 0.14f));
        return std::max(door, -hole);
    }
    case TBoostSign::Checkpoint: // a pole with a pennant
        return std::min(Capsule(u, v, -0.25f, -0.5f, -0.25f, 0.5f, 0.06f),
                        Triangle(u, v, {-0.25f, -0.52f}, {0.45f, -0.28f}, {-0.25f, -0.04f}));
    case TBoostSign::Teleport: // two rings round a dot
        return std::min(
            {Ring(u, v, 0, 0, 0.45f, 0.06f), Ring(u, v, 0, 0, 0.24f, 0.06f), std::hypot(u, v) - 0.07f});
    case TBoostSign::Scaler: // a small and a large ball with an arrow from one to the other
        return std::min({std::hypot(u + 0.32f, v - 0.3f) - 0.14f, std::hypot(u - 0.2f, v + 0.18f) - 0.3f,
                         Capsule(u, v, -0.2f, 0.18f, -0.02f, 0.0f, 0.05f)});
    case TBoostSign::Morpher: // a square turning into a ball
        return std::min(Rect(u, v, -0.26f, 0.2f, 0.2f, 0.2f), std::hypot(u - 0.22f, v + 0.2f) - 0.24f);
    case TBoostSign::Diver: // a diving mask: two goggles on a strap, with bubbles over them
        return std::min({std::hypot(u + 0.2f, v - 0.12f) - 0.17f, std::hypot(u - 0.2f, v - 0.12f) - 0.17f,
                         Capsule(u, v, -0.5f, 0.12f, 0.5f, 0.12f, 0.05f),
                         Ring(u, v, 0.12f, -0.3f, 0.09f, 0.03f), Ring(u, v, 0.3f, -0.46f, 0.06f, 0.025f)});
    }
    return 1;
}

// A boost's orb: a glossy glass ball in the boost's own colour with a soft
// glow round it, lit from the upper left (a bright spot there, the lower right
// in shade, a thin rim), and the boost's sign on it in light, with a shadow
// down to the right so it reads at a glance.
TGeneratedPicture BoostOrb(const std::string& name, TBoostSign sign, TColour dark, TColour light) {
    const int32_t size = 128;
    TCanvas c(name, size, size, 4);
    const float centre = float(size) / 2, unit = float(size) * 0.4f;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float u = (float(x) + 0.5f - centre) / unit, v = (float(y) + 0.5f - centre) / unit;
            const float r = std::hypot(u, v), d = (r - 1) * unit;
            TPixel p;
            const float glow = Clamp01(1 - r / 1.22f);
            p = Over(p, light, glow * glow * 0.5f);
            if (d < 1.5f) {
                // Lit from the upper left: brighter toward (-0.5, -0.5), shade toward the lower right.
                const float lit = Clamp01(0.75f - 0.45f * (u + v) / 1.4f - 0.25f * r * r);
                TColour col = Mix(dark, light, lit);
                col = Mix(col, {1, 1, 1}, Clamp01(1 + d / 2.5f) * 0.3f);
                const float shadow = BoostSign(sign, u - 0.05f, v - 0.05f) * unit;
                col = Mix(col, Scale(dark, 0.5f), Clamp01(0.5f - shadow / 1.5f) * 0.6f);
                const float s = BoostSign(sign, u, v) * unit;
                col =
                    Mix(col, Mix({1, 0.97f, 0.9f}, light, 0.25f + 0.2f * (u + v)), Clamp01(0.5f - s / 1.2f));
                const float spot = Clamp01(1 - std::hypot(u + 0.42f, v + 0.46f) / 0.3f);
                col = Mix(col, {1, 1, 1}, spot * spot * 0.8f);
                p = Over(p, col, Clamp01(0.5f - d / 1.2f));
            }
            c.Set(x, y, p.C, p.A);
        }
    return std::move(c.P);
}
// The star gate: a ring of light with five soft arms swirling into a bright
// core, a golden star at its heart and a glow round it all. It reads as a way
// through rather than as a star to collect.
TGeneratedPicture StarGate(const std::string& name) {
    const int32_t size = 128;
    TCanvas c(name, size, size, 4);
    const float centre = float(size) / 2, unit = float(size) * 0.4f;
    const TColour deep{0.3f, 0.12f, 0.55f}, rim{1.0f, 0.86f, 0.4f}, core{1.0f, 0.98f, 0.85f};
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float u = (float(x) + 0.5f - centre) / unit, v = (float(y) + 0.5f - centre) / unit;
            const float r = std::hypot(u, v), a = std::atan2(v, u);
            TPixel p;
            const float glow = Clamp01(1 - r / 1.22f);
            p = Over(p, rim, glow * glow * 0.45f);
            if (r < 1.0f) {
                // The swirl: arms that wind inward, brighter toward the core.
                const float arm = 0.5f + 0.5f * std::cos(5 * a + 7 * r);
                TColour col =
                    Mix(deep, Mix({0.75f, 0.45f, 1.0f}, core, Clamp01(1 - r * 1.4f)), 0.35f + 0.5f * arm);
                // The ring, lit from the upper left.
                const float ring = Clamp01(1 - std::fabs(r - 0.86f) / 0.12f);
                col = Mix(col, Mix(rim, {1, 1, 1}, Clamp01(-(u + v) * 0.5f)), ring);
                p = Over(p, col, Clamp01((1.0f - r) * unit / 1.2f));
            }
            // A five-pointed star at the heart.
            const float star = 0.2f + 0.09f * std::cos(5 * (a + Pi / 2));
            p = Over(p, Mix(rim, core, Clamp01(1 - r / star)), Clamp01((star - r) * unit / 1.2f));
            c.Set(x, y, p.C, p.A);
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
    all.push_back(MeadowFill("Terrain\\ground.png", 256, {0.16f, 0.30f, 0.10f}, {0.35f, 0.52f, 0.18f}, 13));
    all.push_back(Fill("Terrain\\sand.png", 256, {0.70f, 0.58f, 0.36f}, {0.93f, 0.84f, 0.60f}, 14, 0));
    all.push_back(Fill("Terrain\\ice.png", 256, {0.55f, 0.78f, 0.90f}, {0.88f, 0.97f, 1.00f}, 15, 0.3f));
    // Distant hills: lighter, bluer and softer than the near ground, so they recede.
    all.push_back(Fill("Terrain\\far hills.png", 256, {0.20f, 0.24f, 0.38f}, {0.34f, 0.40f, 0.54f}, 16, 0));
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
    // The characters: bodies with their faces, face frames, acid coats, diving suits, beans.
    AddCharacterPictures(all);
    all.push_back(StarSprite("Effects\\hvezda_4.png", 64, {1.0f, 0.85f, 0.2f}));
    all.push_back(Glow("Effects\\spark.png", 32, {1.0f, 0.9f, 0.6f}, 0.1f));
    // Background decorations and the maker's logo.
    all.push_back(Tree("Decor\\tree.png", 61));
    all.push_back(Pine("Decor\\pine.png", 62));
    all.push_back(Bush("Decor\\bush.png", 63));
    all.push_back(Rock("Decor\\rock.png", 64));
    all.push_back(VortanLogo());
    // The game's title on the loading screen.
    all.push_back(RollixLogo());
    // Jewels: bright, faceted stones that stand out against every palette.
    all.push_back(Jewel("Boosts\\jewel red.png", {0.45f, 0.02f, 0.14f}, {1.0f, 0.45f, 0.62f}));
    all.push_back(Jewel("Boosts\\jewel green.png", {0.02f, 0.32f, 0.12f}, {0.55f, 1.0f, 0.55f}));
    // The other boosts' orbs, each in a colour of its own with its sign on it.
    all.push_back(StarGate("Boosts\\gate.png"));
    all.push_back(BoostOrb("Boosts\\key.png", TBoostSign::Key, {0.42f, 0.26f, 0.02f}, {1.0f, 0.86f, 0.3f}));
    all.push_back(
        BoostOrb("Boosts\\door.png", TBoostSign::Door, {0.3f, 0.14f, 0.06f}, {0.92f, 0.62f, 0.36f}));
    all.push_back(
        BoostOrb("Boosts\\checkpoint.png", TBoostSign::Checkpoint, {0.04f, 0.3f, 0.1f}, {0.5f, 1.0f, 0.55f}));
    all.push_back(
        BoostOrb("Boosts\\teleport.png", TBoostSign::Teleport, {0.26f, 0.06f, 0.42f}, {0.85f, 0.55f, 1.0f}));
    all.push_back(
        BoostOrb("Boosts\\scaler.png", TBoostSign::Scaler, {0.02f, 0.3f, 0.34f}, {0.45f, 1.0f, 0.95f}));
    all.push_back(
        BoostOrb("Boosts\\morpher.png", TBoostSign::Morpher, {0.4f, 0.04f, 0.22f}, {1.0f, 0.5f, 0.78f}));
    all.push_back(
        BoostOrb("Boosts\\diver.png", TBoostSign::Diver, {0.02f, 0.12f, 0.4f}, {0.45f, 0.7f, 1.0f}));
    // The status line's bars, arrow and keys, and the boost icons.
    AddHudPictures(all);
    return all;
}

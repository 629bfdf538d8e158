// The status line's pictures: the bars of the carried effects and of the
// air, the warning's arrow, the keys the tutorials show, and one icon per
// boost type. They are drawn light and mostly grey so that the colour the
// game draws them in tints them; light comes from the upper left.
#include "HudPictures.h"

#include "PictureKit.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>

using namespace picture_kit;

namespace {

// A shape as a signed distance in pixels (below 0 inside) at a pixel.
using TShape = std::function<float(float x, float y)>;

float RoundRect(float x, float y, float cx, float cy, float hw, float hh, float r) {
    const float qx = std::fabs(x - cx) - hw + r, qy = std::fabs(y - cy) - hh + r;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}

float Segment(float x, float y, float ax, float ay, float bx, float by, float r) {
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const float t = Clamp01((px * dx + py * dy) / std::max(dx * dx + dy * dy, 1e-6f));
    return std::hypot(px - dx * t, py - dy * t) - r;
}

// A closed polygon, the points clockwise on screen.
float Polygon(float x, float y, const std::vector<std::array<float, 2>>& p) {
    float d = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        d = std::min(d, Segment(x, y, p[j][0], p[j][1], p[i][0], p[i][1], 0));
        if ((p[i][1] > y) != (p[j][1] > y) &&
            x < (p[j][0] - p[i][0]) * (y - p[i][1]) / (p[j][1] - p[i][1]) + p[i][0])
            inside = !inside;
    }
    return inside ? -d : d;
}

// Coverage of a shape at a distance, smoothed over a pixel.
float Cover(float d) {
    return Clamp01(0.5f - d);
}

// A lit body: brighter to the upper left, a rim of light there and a shade
// at the lower right, a soft shadow below it to the right.
void Paint(TCanvas& c, const TShape& body, TColour dark, TColour light, float shadowAlpha) {
    const int32_t w = c.P.Width, h = c.P.Height;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            const float d = body(px, py);
            const float shadow = Cover(body(px - 1.5f, py - 2.0f) * 0.5f) * shadowAlpha;
            const float lit = Clamp01(1.0f - (px / float(w) * 0.5f + py / float(h)) * 0.8f);
            TColour col = Mix(dark, light, lit);
            // The rim: a thin bright edge to the upper left, darker below right.
            const float edge = Clamp01(1.0f + d / 2.0f);
            const float nx = body(px + 1, py) - body(px - 1, py), ny = body(px, py + 1) - body(px, py - 1);
            const float toLight = Clamp01(-(nx + ny) * 0.5f);
            col = Mix(col, {1, 1, 1}, edge * toLight * 0.6f);
            col = Mix(col, Scale(dark, 0.7f), edge * Clamp01((nx + ny) * 0.5f) * 0.5f);
            const float a = Cover(d);
            const float alpha = a + shadow * (1 - a);
            const TColour out = alpha > 0 ? Mix({0, 0, 0}, col, a / alpha) : col;
            c.Set(x, y, out, alpha);
        }
}

// Lays a sign over what is drawn: light ink with a dark edge, so it reads on
// a bright and on a tinted key.
void Ink(TCanvas& c, const TShape& sign, TColour ink, TColour edge) {
    const int32_t w = c.P.Width, h = c.P.Height;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            const float d = sign(px, py);
            const float outline = Cover(d - 1.2f), fill = Cover(d);
            if (outline <= 0) continue;
            uint8_t* p = &c.P.Pixels[(size_t(y) * size_t(w) + size_t(x)) * 4];
            TColour below{p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f};
            TColour col = Mix(below, edge, outline * 0.8f);
            col = Mix(col, ink, fill);
            c.Set(x, y, col, std::max(p[3] / 255.0f, outline));
        }
}

TGeneratedPicture BarBack() {
    TCanvas c("Menu\\BoostBar1.png", 64, 16, 4);
    Paint(
        c, [](float x, float y) { return RoundRect(x, y, 32, 8, 31, 5, 5); }, {0.35f, 0.37f, 0.42f},
        {0.75f, 0.77f, 0.82f}, 0.0f);
    return std::move(c.P);
}

// The bar itself: white with a gloss along its top, so it takes the colour
// the game gives it.
TGeneratedPicture BarFront() {
    TCanvas c("Menu\\BoostBar2.png", 64, 16, 4);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const float py = float(y) + 0.5f;
            const float d = RoundRect(float(x) + 0.5f, py, 32, 8, 30, 4, 4);
            const float gloss = SmoothStep(7.0f, 4.5f, py);
            TColour col = Mix({0.72f, 0.72f, 0.72f}, {1, 1, 1}, 0.45f + 0.55f * gloss);
            c.Set(x, y, col, Cover(d));
        }
    return std::move(c.P);
}

// The air display: a rounded panel with a bubble at its left and the slot the
// air bar runs in (15 pixels right of the middle, as the game draws the bar).
TGeneratedPicture OxygenPanel() {
    TCanvas c("Menu\\OxygenUI.png", 256, 64, 4);
    Paint(
        c, [](float x, float y) { return RoundRect(x, y, 128, 32, 98, 17, 14); }, {0.2f, 0.28f, 0.42f},
        {0.55f, 0.68f, 0.86f}, 0.35f);
    // The slot, a darker groove.
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            const float d = RoundRect(float(x) + 0.5f, float(y) + 0.5f, 143, 32, 66, 7, 6);
            const float k = Cover(d);
            if (k <= 0) continue;
            uint8_t* p = &c.P.Pixels[(size_t(y) * 256 + size_t(x)) * 4];
            TColour below{p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f};
            c.Set(x, y, Mix(below, {0.08f, 0.12f, 0.2f}, k * 0.7f), p[3] / 255.0f);
        }
    // The bubble: a thin rim, a highlight dot to the upper left.
    Ink(c, [](float x, float y) { return std::fabs(std::hypot(x - 54, y - 32) - 10) - 1.6f; },
        {0.92f, 0.97f, 1}, {0.1f, 0.16f, 0.3f});
    Ink(c, [](float x, float y) { return std::hypot(x - 50, y - 28) - 2.6f; }, {1, 1, 1},
        {0.1f, 0.16f, 0.3f});
    Ink(c, [](float x, float y) { return std::fabs(std::hypot(x - 69, y - 24) - 4) - 1.2f; },
        {0.92f, 0.97f, 1}, {0.1f, 0.16f, 0.3f});
    return std::move(c.P);
}

// The warning's arrow, pointing right; the game mirrors it for the other side.
TGeneratedPicture WarnArrow() {
    TCanvas c("Menu\\nottice_arrow.png", 64, 32, 4);
    const std::vector<std::array<float, 2>> arrow = {{4, 11},  {24, 11}, {24, 3}, {44, 16},
                                                     {24, 29}, {24, 21}, {4, 21}};
    Paint(
        c, [&](float x, float y) { return Polygon(x, y, arrow) - 0.5f; }, {0.62f, 0.62f, 0.62f}, {1, 1, 1},
        0.4f);
    return std::move(c.P);
}

// A key cap with its sign, the key the given width; the sign is drawn in
// the key's own units (its top-left corner at 0, 0 of a key 44 high), and
// the key sits in the middle of a canvas of the next power of two.
TGeneratedPicture Key(const std::string& name, int32_t width, const TShape& sign) {
    int32_t side = 64;
    while (side < width + 8)
        side *= 2;
    TCanvas c(name, side, 64, 4);
    const float ox = float(side - width) / 2, oy = 10;
    const float hw = float(width) / 2 - 3;
    Paint(
        c, [=](float x, float y) { return RoundRect(x - ox, y - oy, float(width) / 2, 22, hw, 19, 8); },
        {0.55f, 0.57f, 0.62f}, {0.98f, 0.98f, 1.0f}, 0.45f);
    Ink(c, [&](float x, float y) { return sign(x - ox, y - oy); }, {0.18f, 0.2f, 0.26f}, {1, 1, 1});
    return std::move(c.P);
}

float ArrowSign(float x, float y, float angle) {
    // An arrow pointing up, turned by the angle about the key's middle.
    const float cx = 24, cy = 22, c = std::cos(angle), s = std::sin(angle);
    const float u = (x - cx) * c - (y - cy) * s, v = (x - cx) * s + (y - cy) * c;
    return std::min({Segment(u, v, 0, -9, 0, 9, 2.4f), Segment(u, v, 0, -10, -7, -3, 2.4f),
                     Segment(u, v, 0, -10, 7, -3, 2.4f)});
}

// "Ctrl" in strokes.
float CtrlSign(float x, float y) {
    const float C = std::max(std::fabs(std::hypot(x - 17, y - 22) - 7) - 1.6f,
                             (x - 19.5f) * 0.9f - std::fabs(y - 22) * 0.2f);
    const float t = std::min(Segment(x, y, 29, 14, 29, 28, 1.6f), Segment(x, y, 26, 18, 32.5f, 18, 1.5f));
    const float r =
        std::min(Segment(x, y, 37, 18, 37, 29, 1.6f),
                 std::fabs(std::hypot(x - 41.5f, y - 22.5f) - 4) - 1.5f + std::max(0.0f, y - 20) * 2);
    const float l = Segment(x, y, 49, 13, 49, 29, 1.6f);
    return std::min({C, t, r, l});
}

// The boost icons: a glossy orb in a colour of the type's own with a simple
// sign, lit from the upper left.
struct TIconStyle {
    TColour Dark, Light;
    int32_t Sign;
};

float IconSign(int32_t sign, float u, float v) {
    auto ring = [&](float cx, float cy, float r, float w) {
        return std::fabs(std::hypot(u - cx, v - cy) - r) - w;
    };
    auto seg = [&](float ax, float ay, float bx, float by, float r) {
        return Segment(u, v, ax, ay, bx, by, r);
    };
    auto star = [&](float r0, float r1) {
        const float a = std::atan2(v, u), r = std::hypot(u, v);
        return r - (r0 + (r1 - r0) * (0.5f + 0.5f * std::cos(5 * (a + 1.5708f))));
    };
    switch (sign) {
    case 0:
        return std::hypot(u, v) - 0.12f; // a dot
    case 1:
        return std::min(ring(0, 0, 0.4f, 0.07f), std::hypot(u, v) - 0.12f); // ring and dot
    case 2:
        return star(0.18f, 0.48f); // a star
    case 3:
        return std::min(seg(-0.4f, 0, 0.4f, 0, 0.08f), seg(0, -0.4f, 0, 0.4f, 0.08f)); // a cross
    case 4:
        return std::min({seg(-0.35f, 0.3f, 0.35f, -0.3f, 0.08f), seg(0.35f, -0.3f, 0.05f, -0.3f, 0.08f),
                         seg(0.35f, -0.3f, 0.35f, 0.0f, 0.08f)}); // an arrow up-right
    case 5:
        return std::min({ring(0, 0, 0.36f, 0.07f), seg(0, 0, 0, -0.25f, 0.06f),
                         seg(0, 0, 0.2f, 0.08f, 0.06f)}); // a clock
    case 6:
        return std::min(ring(-0.16f, 0, 0.22f, 0.07f), ring(0.16f, 0, 0.22f, 0.07f)); // two rings
    case 7:
        return std::max(std::hypot(u, v + 0.05f) - 0.38f,
                        -(std::hypot(u + 0.1f, v + 0.15f) - 0.3f)); // a moon
    }
    return 1;
}

TGeneratedPicture BoostIcon(int32_t type, const TIconStyle& style) {
    char name[48];
    std::snprintf(name, sizeof name, "BoostIcons\\BoostIcon%02d.png", type);
    const int32_t size = 64;
    TCanvas c(name, size, size, 4);
    const float centre = size / 2.0f, unit = size * 0.42f;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const float u = (float(x) + 0.5f - centre) / unit, v = (float(y) + 0.5f - centre) / unit;
            const float r = std::hypot(u, v), d = (r - 1) * unit;
            const float lit = Clamp01(0.75f - 0.45f * (u + v) / 1.4f - 0.25f * r * r);
            TColour col = Mix(style.Dark, style.Light, lit);
            col = Mix(col, {1, 1, 1}, Clamp01(1 + d / 2.0f) * 0.25f);
            const float shadow = IconSign(style.Sign, u - 0.05f, v - 0.05f) * unit;
            col = Mix(col, Scale(style.Dark, 0.5f), Cover(shadow / 1.5f) * 0.6f);
            const float s = IconSign(style.Sign, u, v) * unit;
            col = Mix(col, Mix({1, 0.97f, 0.9f}, style.Light, 0.3f), Cover(s / 1.2f));
            const float spot = Clamp01(1 - std::hypot(u + 0.42f, v + 0.46f) / 0.3f);
            col = Mix(col, {1, 1, 1}, spot * spot * 0.8f);
            c.Set(x, y, col, Cover(d / 1.2f));
        }
    return std::move(c.P);
}

} // namespace

void AddHudPictures(std::vector<TGeneratedPicture>& pictures) {
    pictures.push_back(BarBack());
    pictures.push_back(BarFront());
    pictures.push_back(OxygenPanel());
    pictures.push_back(WarnArrow());
    const float quarter = 1.5707963f;
    pictures.push_back(
        Key("Menu\\Key left.png", 48, [=](float x, float y) { return ArrowSign(x, y, quarter); }));
    pictures.push_back(
        Key("Menu\\Key right.png", 48, [=](float x, float y) { return ArrowSign(x, y, -quarter); }));
    pictures.push_back(Key("Menu\\Key up.png", 48, [](float x, float y) { return ArrowSign(x, y, 0); }));
    pictures.push_back(Key("Menu\\Key ctrl.png", 66, CtrlSign));
    // One icon per boost type that does something, in a hue of its own.
    for (int32_t type = 1; type <= HudIconTypes; ++type) {
        const float hue = float(type * 7 % HudIconTypes) / float(HudIconTypes) * 6.0f;
        auto channel = [hue](float offset) {
            const float k = std::fmod(hue + offset, 6.0f);
            return Clamp01(std::fabs(k - 3.0f) - 1.0f);
        };
        const TColour light{0.35f + 0.65f * channel(0), 0.35f + 0.65f * channel(4),
                            0.35f + 0.65f * channel(2)};
        pictures.push_back(BoostIcon(type, {Scale(light, 0.35f), light, type % 8}));
    }
}

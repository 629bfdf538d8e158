#include "CharacterPictures.h"

#include "PictureKit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {
using namespace picture_kit;

constexpr int32_t Side = 128;
constexpr float FaceScale = 1.3f;

// Coverage of a shape edge at signed distance d (negative inside), one pixel soft.
float Cover(float d, float softness = 1.0f / (Side * FaceScale)) {
    return Clamp01(0.5f - d / softness);
}

// A body's look: its colour, how glossy and clear it is, and its pattern.
enum class TSuit { Body, AcidCoat, Diver };

struct TMaterialLook {
    TColour Base;
    float Gloss = 0.5f;
    float Alpha = 1.0f;
};

// One expression of the face. Eyes open from 0 (shut) to 1; the mouth is a
// smile of the given depth (negative frowns), or an open round mouth.
struct TFace {
    float EyeOpen = 1.0f;
    float Smile = 0.045f;
    float MouthOpen = 0.0f; // radius of a round open mouth, 0 = a line
    float Squeeze = 0.0f;   // eyes pinched shut in pain
    float LookX = 0.012f;   // pupils look a little ahead
};

// The faces of the frames: 01 blinks, 02 is surprised, 03 hurts, 04 laughs.
const TFace FaceFrames[FaceFrameCount] = {
    {0.08f, 0.045f, 0.0f, 0.0f, 0.012f},
    {1.15f, 0.0f, 0.045f, 0.0f, 0.0f},
    {0.0f, -0.035f, 0.0f, 1.0f, 0.0f},
    {0.75f, 0.075f, 0.0f, 0.0f, 0.012f},
};

// Signed distance to an ellipse (approximate, good near the edge).
float EllipseDistance(float x, float y, float cx, float cy, float rx, float ry) {
    const float nx = (x - cx) / rx, ny = (y - cy) / ry;
    const float k = std::hypot(nx, ny);
    return (k - 1.0f) * std::min(rx, ry);
}

// Distance to the mouth's arc: a parabola through the corners, dipping by depth.
float ArcDistance(float x, float y, float cx, float cy, float halfWidth, float depth) {
    const float t = std::clamp((x - cx) / halfWidth, -1.0f, 1.0f);
    const float arcY = cy + depth * (1.0f - t * t);
    const float beyond = std::max(std::fabs(x - cx) - halfWidth, 0.0f);
    return std::hypot(beyond, y - arcY);
}

// The face painted over colour c at (u, v) in 0 … 1; returns the new colour.
TColour PaintFace(TColour c, float u, float v, const TFace& face, TColour ink) {
    const TColour white{0.98f, 0.98f, 0.96f};
    for (int side = -1; side <= 1; side += 2) {
        const float ex = 0.5f + side * 0.085f, ey = 0.43f;
        if (face.Squeeze > 0) {
            // Pinched eyes: two short strokes slanting toward the nose.
            const float dx = (u - ex) * float(side);
            const float strokeY = ey + 0.02f * (dx / 0.045f);
            const float d = std::hypot(std::max(std::fabs(u - ex) - 0.04f, 0.0f), v - strokeY) - 0.009f;
            c = Mix(c, ink, Cover(d));
            continue;
        }
        const float ry = 0.075f * std::max(face.EyeOpen, 0.0f), rx = 0.055f;
        if (ry < 0.012f) {
            // Shut: a thin lid line with a little downward curve.
            const float d = ArcDistance(u, v, ex, ey + 0.005f, 0.045f, 0.012f) - 0.008f;
            c = Mix(c, ink, Cover(d));
            continue;
        }
        const float outline = EllipseDistance(u, v, ex, ey, rx + 0.01f, ry + 0.01f);
        c = Mix(c, ink, Cover(outline));
        c = Mix(c, white, Cover(EllipseDistance(u, v, ex, ey, rx, ry)));
        const float px = ex + face.LookX, py = ey + 0.012f * face.EyeOpen;
        const float pr = std::min(0.032f, ry * 0.6f);
        c = Mix(c, ink, Cover(EllipseDistance(u, v, px, py, pr, pr)));
        c = Mix(c, white, Cover(EllipseDistance(u, v, px - 0.012f, py - 0.014f, 0.009f, 0.009f)));
    }
    if (face.MouthOpen > 0) {
        const float d = EllipseDistance(u, v, 0.5f, 0.6f, face.MouthOpen * 0.8f, face.MouthOpen);
        c = Mix(c, ink, Cover(d - 0.008f));
        c = Mix(c, {0.55f, 0.12f, 0.14f}, Cover(d + 0.004f));
    } else {
        const float d = ArcDistance(u, v, 0.5f, 0.565f, 0.07f, face.Smile) - 0.009f;
        c = Mix(c, ink, Cover(d));
    }
    return c;
}

// A glossy rubber surface with fine grain, darker toward the rim and a soft
// highlight up left; the suits add their patterns and the face sits in the middle.
TGeneratedPicture Character(const std::string& name, const TMaterialLook& look, TSuit suit, const TFace* face,
                            uint32_t seed) {
    TCanvas pic(name, Side, Side, 4);
    const TColour ink{0.10f, 0.07f, 0.09f};
    for (int32_t y = 0; y < Side; ++y)
        for (int32_t x = 0; x < Side; ++x) {
            const float u = (float(x) + 0.5f) / Side, v = (float(y) + 0.5f) / Side;
            const float dx = u * 2 - 1, dy = v * 2 - 1;
            const float d = std::hypot(dx, dy);
            const float grain = float(Hash(x / 2, y / 2, seed) & 1023) / 1023.0f;
            TColour c = Scale(look.Base, 0.96f + 0.08f * grain);
            switch (suit) {
            case TSuit::Body:
                break;
            case TSuit::AcidCoat: {
                // Lime coat with darker diagonal bands: it shows the acid it keeps off.
                const float band = 0.5f + 0.5f * std::sin((u + v) * 18.0f);
                c = Mix({0.78f, 0.92f, 0.18f}, {0.45f, 0.62f, 0.08f}, Clamp01((band - 0.55f) * 6));
                break;
            }
            case TSuit::Diver: {
                // Dark rubber suit with a round glass visor over the face.
                c = Mix({0.08f, 0.12f, 0.22f}, {0.14f, 0.20f, 0.34f}, grain * 0.5f);
                const float visor = EllipseDistance(u, v, 0.5f, 0.5f, 0.24f, 0.22f);
                c = Mix(c, {0.75f, 0.62f, 0.25f}, Cover(visor - 0.02f)); // brass rim
                c = Mix(c, Mix(look.Base, {0.55f, 0.8f, 0.95f}, 0.35f), Cover(visor));
                break;
            }
            }
            // Shading: darker toward the rim, a rim light below right.
            c = Scale(c, 1.0f - 0.35f * Clamp01((d - 0.55f) / 0.45f));
            c = Mix(c, {1, 1, 1}, 0.12f * Clamp01(1 - std::hypot(dx - 0.55f, dy - 0.6f) * 2.5f));
            // The face fills the middle of the body; a star's arms leave it the centre.
            if (face)
                c = PaintFace(c, 0.5f + (u - 0.5f) / FaceScale, 0.5f + (v - 0.5f) / FaceScale, *face, ink);
            // The highlight lies over everything, the visor's glass most of all.
            const float gloss = suit == TSuit::Diver && EllipseDistance(u, v, 0.5f, 0.5f, 0.24f, 0.22f) < 0
                                    ? 0.8f
                                    : look.Gloss;
            const float hl = std::hypot(dx + 0.35f, dy + 0.42f);
            c = Mix(c, {1, 1, 1}, gloss * Clamp01(0.5f - hl * 1.3f));
            pic.Set(x, y, c, look.Alpha);
        }
    return std::move(pic.P);
}

struct TCoat {
    const char* Name;
    TMaterialLook Look;
    uint32_t Seed;
};

const TCoat Coats[] = {
    {"MubStar", {{0.96f, 0.55f, 0.14f}, 0.55f, 1.0f}, 41},
    {"AirStar", {{0.72f, 0.86f, 1.0f}, 0.75f, 1.0f}, 51},
    {"WaterStar", {{0.25f, 0.52f, 0.95f}, 0.7f, 1.0f}, 61},
    {"MubBall", {{0.93f, 0.30f, 0.22f}, 0.55f, 1.0f}, 42},
    {"AirBall", {{0.80f, 0.74f, 1.0f}, 0.75f, 1.0f}, 52},
    {"WaterBall", {{0.20f, 0.62f, 0.85f}, 0.7f, 1.0f}, 62},
    {"MubCube", {{0.98f, 0.78f, 0.20f}, 0.5f, 1.0f}, 43},
    {"AirCube", {{0.70f, 0.95f, 0.90f}, 0.75f, 1.0f}, 53},
    {"WaterCube", {{0.22f, 0.40f, 0.90f}, 0.7f, 1.0f}, 63},
};

} // namespace

const std::vector<std::string>& CharacterCoatNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const TCoat& coat : Coats)
            v.push_back(coat.Name);
        return v;
    }();
    return names;
}

void AddCharacterPictures(std::vector<TGeneratedPicture>& pictures) {
    const TFace resting;
    for (const TCoat& coat : Coats) {
        const std::string name = coat.Name;
        pictures.push_back(
            Character("Rollixs\\" + name + ".png", coat.Look, TSuit::Body, &resting, coat.Seed));
        for (int32_t f = 0; f < FaceFrameCount; ++f) {
            char number[8];
            std::snprintf(number, sizeof number, " %02d", f + 1);
            pictures.push_back(Character("Rollixs\\MubAnims\\" + name + number + ".png", coat.Look,
                                         TSuit::Body, &FaceFrames[f], coat.Seed));
        }
        pictures.push_back(Character("Rollixs\\Coat " + name + ".png", coat.Look, TSuit::AcidCoat, &resting,
                                     coat.Seed + 100));
        pictures.push_back(
            Character("Rollixs\\Diver " + name + ".png", coat.Look, TSuit::Diver, &resting, coat.Seed + 200));
    }
    // The bean creatures: small green faces, a little sleepy.
    TFace sleepy;
    sleepy.EyeOpen = 0.6f;
    sleepy.Smile = 0.03f;
    pictures.push_back(Character("Rollixs\\Skritek_Fazole1.png", {{0.55f, 0.72f, 0.25f}, 0.45f, 1.0f},
                                 TSuit::Body, &sleepy, 71));
    pictures.push_back(Character("Rollixs\\Skritek_Fazole2.png", {{0.45f, 0.62f, 0.20f}, 0.45f, 1.0f},
                                 TSuit::Body, &sleepy, 72));
}

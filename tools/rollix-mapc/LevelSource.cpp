#include "LevelSource.h"

#include "assets/ByteStream.h"
#include "assets/TexLib.h"
#include "gameplay/Boost.h"
#include "level/Level.h"
#include "physics/VecMath.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <stdexcept>

using nlohmann::json;

namespace {

// A fault in the source: the message already names the place.
struct TSourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where in the source a value is read from, for the messages.
class TPlace {
  public:
    TPlace(const std::string& source, std::string object) : Source(source), Object(std::move(object)) {}

    [[noreturn]] void Fail(const std::string& field, const std::string& what) const {
        throw TSourceError(Source + ": " + Object + ": " + field + ": " + what);
    }

    const json& Need(const json& o, const char* field) const {
        if (!o.is_object() || !o.contains(field)) Fail(field, "missing");
        return o.at(field);
    }

    float Number(const json& o, const char* field, float fallback, bool required = false) const {
        if (!o.is_object() || !o.contains(field)) {
            if (required) Fail(field, "missing");
            return fallback;
        }
        const json& v = o.at(field);
        if (!v.is_number()) Fail(field, "expected a number");
        // The level stores single floats: a value beyond their range is no number there.
        const double d = v.get<double>();
        if (!std::isfinite(float(d))) Fail(field, "expected a finite number");
        return float(d);
    }

    int32_t Integer(const json& o, const char* field, int32_t fallback, bool required = false) const {
        if (!o.is_object() || !o.contains(field)) {
            if (required) Fail(field, "missing");
            return fallback;
        }
        const json& v = o.at(field);
        if (!v.is_number_integer()) Fail(field, "expected a whole number");
        const int64_t i = v.get<int64_t>();
        if (i < INT32_MIN || i > INT32_MAX) Fail(field, "out of range");
        return int32_t(i);
    }

    bool Flag(const json& o, const char* field, bool fallback) const {
        if (!o.is_object() || !o.contains(field)) return fallback;
        const json& v = o.at(field);
        if (!v.is_boolean()) Fail(field, "expected true or false");
        return v.get<bool>();
    }

    std::string Text(const json& o, const char* field, const std::string& fallback,
                     bool required = false) const {
        if (!o.is_object() || !o.contains(field)) {
            if (required) Fail(field, "missing");
            return fallback;
        }
        const json& v = o.at(field);
        if (!v.is_string()) Fail(field, "expected a text");
        return v.get<std::string>();
    }

    TVec2 Point(const json& v, const std::string& field) const {
        if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number())
            Fail(field, "expected a point [x, y]");
        const double x = v[0].get<double>(), y = v[1].get<double>();
        if (!std::isfinite(float(x)) || !std::isfinite(float(y))) Fail(field, "expected a finite point");
        return {float(x), float(y)};
    }

    TVec2 PointField(const json& o, const char* field, TVec2 fallback, bool required = false) const {
        if (!o.is_object() || !o.contains(field)) {
            if (required) Fail(field, "missing");
            return fallback;
        }
        return Point(o.at(field), field);
    }

    std::vector<TVec2> Outline(const json& o, const char* field) const {
        const json& v = Need(o, field);
        if (!v.is_array()) Fail(field, "expected a list of points");
        std::vector<TVec2> points;
        for (size_t i = 0; i < v.size(); ++i)
            points.push_back(Point(v[i], std::string(field) + "[" + std::to_string(i) + "]"));
        if (points.size() < 3) Fail(field, "an outline needs at least 3 points");
        return points;
    }

    // A colour of 0..255 values: [r, g, b] or [r, g, b, a].
    TRgba Colour(const json& o, const char* field, TRgba fallback) const {
        if (!o.is_object() || !o.contains(field)) return fallback;
        const json& v = o.at(field);
        if (!v.is_array() || v.size() < 3 || v.size() > 4)
            Fail(field, "expected a colour [r, g, b] or [r, g, b, a]");
        uint8_t c[4] = {0, 0, 0, 255};
        for (size_t i = 0; i < v.size(); ++i) {
            if (!v[i].is_number_integer() || v[i].get<int64_t>() < 0 || v[i].get<int64_t>() > 255)
                Fail(field, "colour parts are whole numbers 0..255");
            c[i] = uint8_t(v[i].get<int64_t>());
        }
        return {c[0], c[1], c[2], c[3]};
    }

    std::array<float, 4> FloatColour(const json& o, const char* field, std::array<float, 4> fallback) const {
        if (!o.is_object() || !o.contains(field)) return fallback;
        const TRgba c = Colour(o, field, {});
        return {float(c.R) / 255.0f, float(c.G) / 255.0f, float(c.B) / 255.0f, float(c.A) / 255.0f};
    }

    TMyTexture* Texture(const json& o, const char* field, bool required = true) const {
        if (!required && (!o.is_object() || !o.contains(field))) return nullptr;
        const std::string name = Text(o, field, "", true);
        TMyTexture* t = TexLib.TextureByName(name);
        if (!t || !t->Exists) Fail(field, "unknown texture \"" + name + "\"");
        return t;
    }

    // A field the reader does not know is most likely a misspelt one.
    void Only(const json& o, std::initializer_list<const char*> fields) const {
        if (!o.is_object()) Fail("(object)", "expected an object");
        for (auto it = o.begin(); it != o.end(); ++it)
            if (std::none_of(fields.begin(), fields.end(), [&](const char* f) { return it.key() == f; }))
                Fail(it.key(), "unknown field");
    }

    const json& List(const json& o, const char* field) const {
        static const json empty = json::array();
        if (!o.is_object() || !o.contains(field)) return empty;
        const json& v = o.at(field);
        if (!v.is_array()) Fail(field, "expected a list");
        return v;
    }

    const std::string& Source;
    std::string Object;
};

std::string ItemName(const char* section, size_t i, const json& item) {
    std::string name = std::string(section) + "[" + std::to_string(i) + "]";
    if (item.is_object() && item.contains("name") && item["name"].is_string())
        name += " \"" + item["name"].get<std::string>() + "\"";
    return name;
}

// The four splines of an object frame the box of its outline, so the mesh
// is shown as drawn.
void FrameWithBox(TSplineObj& o, TBox2 b) {
    const float a = (b.Right - b.Left) / 3, c = (b.Bottom - b.Top) / 3;
    o.Splines[0] = TSpline::CreateFromPoints({b.Left, b.Top}, {a, 0}, {b.Right, b.Top}, {-a, 0});
    o.Splines[1] = TSpline::CreateFromPoints({b.Right, b.Top}, {0, c}, {b.Right, b.Bottom}, {0, -c});
    o.Splines[2] = TSpline::CreateFromPoints({b.Right, b.Bottom}, {-a, 0}, {b.Left, b.Bottom}, {a, 0});
    o.Splines[3] = TSpline::CreateFromPoints({b.Left, b.Bottom}, {0, -c}, {b.Left, b.Top}, {0, c});
    LinkRing(o.Splines.data(), 4);
    for (size_t i = 0; i < 4; ++i)
        o.BaseSplines[i].CopyShape(o.Splines[i]);
    LinkRing(o.BaseSplines.data(), 4);
}

void ReadHeader(const json& src, const TPlace& at, TLevel& level) {
    TLevelHeader& h = level.Header;
    h.LevelTitle = at.Text(src, "title", DefaultLevelTitle);
    h.TargetScore = at.Integer(src, "targetScore", 0);
    h.BonusSeconds = at.Integer(src, "bonusSeconds", 0);
    h.GravityFactor = at.Number(src, "gravity", 1.0f);
    if (!(h.GravityFactor > 0)) at.Fail("gravity", "must be above 0");
    h.NoTurbo = at.Flag(src, "noTurbo", false);
    if (src.contains("camera")) {
        h.CameraFromFile = true;
        h.CameraStart = at.PointField(src, "camera", {});
    }
}

void ReadSky(const json& src, const std::string& file, TLevel& level) {
    if (!src.contains("sky")) return;
    const TPlace at(file, "sky");
    const json& s = src["sky"];
    at.Only(s, {"top", "bottom", "parallax", "moon", "clouds", "stars"});
    TMSky& sky = level.Sky;
    sky.TopColor = at.Colour(s, "top", sky.TopColor);
    sky.BottomColor = at.Colour(s, "bottom", sky.BottomColor);
    level.Header.SkyTopColor = {sky.TopColor.R, sky.TopColor.G, sky.TopColor.B, sky.TopColor.A};
    sky.SkyParallax = at.Number(s, "parallax", sky.SkyParallax);
    sky.RenderMoon = s.contains("moon");
    if (sky.RenderMoon) {
        const TPlace moon(file, "sky.moon");
        const json& m = s["moon"];
        moon.Only(m, {"texture", "at", "scale", "colour", "glow", "glowColour"});
        const TMyTexture* t = moon.Texture(m, "texture");
        sky.MoonTexture = t->Index;
        sky.MoonTextureName = t->Name;
        sky.MoonPos = moon.PointField(m, "at", sky.MoonPos);
        sky.MoonScale = moon.Number(m, "scale", sky.MoonScale);
        sky.MoonColor = moon.Colour(m, "colour", sky.MoonColor);
        if (const TMyTexture* g = moon.Texture(m, "glow", false)) {
            sky.RenderGlow = true;
            sky.GlowTexture = g->Index;
            sky.GlowTextureName = g->Name;
            sky.GlowColor = moon.Colour(m, "glowColour", sky.GlowColor);
        } else {
            sky.RenderGlow = false;
        }
    }
    sky.RenderClouds = s.contains("clouds");
    if (sky.RenderClouds) {
        const TPlace clouds(file, "sky.clouds");
        const json& c = s["clouds"];
        clouds.Only(c, {"texture", "speed", "colour", "scale"});
        const TMyTexture* t = clouds.Texture(c, "texture");
        sky.CloudTexture = t->Index;
        sky.CloudTextureName = t->Name;
        sky.CloudSpeed = clouds.Number(c, "speed", sky.CloudSpeed);
        sky.CloudColor = clouds.Colour(c, "colour", sky.CloudColor);
        // The size of one cloud cell across and down, in percent: a wide
        // cloud strip wants wide cells, or it is squeezed into streaks.
        const TVec2 scale = clouds.PointField(c, "scale", {sky.ScaleX, sky.ScaleY});
        if (!(scale.X >= 1 && scale.X <= 10000 && scale.Y >= 1 && scale.Y <= 10000))
            clouds.Fail("scale", "must be 1..10000 each");
        sky.ScaleX = scale.X;
        sky.ScaleY = scale.Y;
        sky.SetCloudParams();
    }
    sky.RenderStars = s.contains("stars");
    if (sky.RenderStars) {
        const TPlace stars(file, "sky.stars");
        const json& st = s["stars"];
        stars.Only(st, {"texture", "perTile"});
        const TMyTexture* t = stars.Texture(st, "texture");
        sky.StarTexture = t->Index;
        sky.StarTextureName = t->Name;
        sky.StarsPerTile = stars.Integer(st, "perTile", sky.StarsPerTile);
        if (sky.StarsPerTile < 0 || sky.StarsPerTile > 1000) stars.Fail("perTile", "must be 0..1000");
    }
}

void ReadFog(const json& src, const std::string& file, TLevel& level) {
    if (!src.contains("fog")) return;
    const TPlace at(file, "fog");
    const json& f = src["fog"];
    at.Only(f, {"layer", "texture", "colour", "colour2", "parallax", "speed"});
    TFog& fog = level.Fog;
    fog.FogOn = true;
    fog.FogLayer = at.Integer(f, "layer", 0);
    const TMyTexture* t = at.Texture(f, "texture");
    fog.FogTexture = t->Index;
    fog.FogTextureName = t->Name;
    fog.FogColor = at.FloatColour(f, "colour", fog.FogColor);
    fog.FogColor2 = at.FloatColour(f, "colour2", fog.FogColor2);
    fog.FogParallax = std::max(0.001f, at.Number(f, "parallax", 1.0f));
    fog.FogSpeed = at.Number(f, "speed", 0.0f);
}

void ReadLayers(const json& src, const std::string& file, TLevel& level) {
    const TPlace at(file, "layers");
    if (!src.contains("layers")) {
        level.Layers.Create(0, {1.0f});
        return;
    }
    const json& l = src["layers"];
    at.Only(l, {"lowest", "parallax", "light"});
    const int32_t lowest = at.Integer(l, "lowest", 0, true);
    if (lowest > 0 || lowest < -20) at.Fail("lowest", "must be -20..0");
    const json& list = at.List(l, "parallax");
    std::vector<float> parallaxes;
    for (const json& p : list) {
        if (!p.is_number() || !(p.get<double>() > 0) || !std::isfinite(p.get<float>()))
            at.Fail("parallax", "expected finite numbers above 0");
        parallaxes.push_back(p.get<float>());
    }
    if (parallaxes.size() < size_t(1 - lowest))
        at.Fail("parallax", "needs one value per layer up to layer 0");
    level.Layers.Create(lowest, parallaxes);
    // The ambient light of each layer, lowest first: far layers take a
    // dimmer, bluer light so that they recede. Layers left out stay white.
    const json& lights = at.List(l, "light");
    std::vector<std::array<float, 4>> colours;
    for (const json& c : lights)
        colours.push_back(at.FloatColour(json{{"light", c}}, "light", {1, 1, 1, 1}));
    if (colours.size() > level.Layers.Layers.size()) at.Fail("light", "more colours than layers");
    for (size_t i = 0; i < colours.size(); ++i) {
        TLayer& layer = *level.Layers.Layers[i];
        layer.LightColor = layer.LightColor2 = {colours[i][0], colours[i][1], colours[i][2], colours[i][3]};
        layer.Reset();
    }
}

void CheckLayer(const TPlace& at, const TLevel& level, int32_t layer) {
    if (layer < level.Layers.MinNumber ||
        layer > level.Layers.MinNumber + int32_t(level.Layers.Layers.size()) - 1)
        at.Fail("layer", "no such layer " + std::to_string(layer));
}

void ReadTerrain(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "terrain");
    const json& list = top.List(src, "terrain");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& t = list[i];
        const TPlace at(file, ItemName("terrain", i, t));
        at.Only(t, {"name", "outline", "texture", "layer", "collide", "slide", "glue", "spikes", "maxEdge",
                    "border"});
        std::vector<TVec2> outline = at.Outline(t, "outline");
        if (!(OutlineArea2(outline) > 0)) at.Fail("outline", "must run clockwise on the screen (y down)");
        auto o = std::make_unique<TSplineObj>(&level.ObjectWorld);
        o->GridMode = false;
        o->Name = at.Text(t, "name", "terrain");
        o->Layer = at.Integer(t, "layer", 0);
        CheckLayer(at, level, o->Layer);
        o->Collide = at.Flag(t, "collide", true);
        TMesh* mesh = o->AddBodyMesh();
        mesh->SetTextureIndex(at.Texture(t, "texture")->Index);
        mesh->Skidness = at.Number(t, "slide", 0.0f);
        mesh->Stickness = at.Number(t, "glue", 0.0f);
        if (mesh->Skidness < 0 || mesh->Skidness > 1) at.Fail("slide", "must be 0..1");
        if (mesh->Stickness < 0 || mesh->Stickness > 1) at.Fail("glue", "must be 0..1");
        mesh->SetOutline(outline.data(), int32_t(outline.size()));
        if (!mesh->Triangulate()) at.Fail("outline", "crosses itself or has no ear to cut");
        mesh->Subdivide(at.Number(t, "maxEdge", 0.0f));
        if (at.Flag(t, "spikes", false))
            for (TOutlinePoint& p : mesh->OutlinePoints)
                p.Spike = 1;
        FrameWithBox(*o, mesh->SourceBounds);
        o->Rebuild();
        if (t.contains("border")) {
            const TPlace band(file, at.Object + ".border");
            const json& b = t["border"];
            band.Only(b, {"texture", "width", "shift", "stretch"});
            o->BorderWidth = band.Number(b, "width", o->BorderWidth);
            o->BorderShift = band.Number(b, "shift", o->BorderShift);
            o->BorderStretch = band.Number(b, "stretch", o->BorderStretch);
            o->SetBorderTexture(band.Texture(b, "texture"));
        }
        level.SplineObjects.push_back(std::move(o));
    }
}

// A picture over a box, in a background (or any) layer; it never collides.
void ReadDecorations(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "decorations");
    const json& list = top.List(src, "decorations");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& d = list[i];
        const TPlace at(file, ItemName("decorations", i, d));
        at.Only(d, {"name", "texture", "box", "layer", "outlineStep"});
        const json& box = at.Need(d, "box");
        if (!box.is_array() || box.size() != 4) at.Fail("box", "expected [left, top, right, bottom]");
        float b[4];
        for (size_t k = 0; k < 4; ++k) {
            if (!box[k].is_number()) at.Fail("box", "expected [left, top, right, bottom]");
            b[k] = box[k].get<float>();
            if (!std::isfinite(b[k])) at.Fail("box", "expected finite numbers");
        }
        if (!(b[2] > b[0]) || !(b[3] > b[1])) at.Fail("box", "right and bottom must lie beyond left and top");
        auto o = std::make_unique<TSplineObj>(&level.ObjectWorld);
        o->Name = at.Text(d, "name", "decoration");
        o->Layer = at.Integer(d, "layer", -1);
        CheckLayer(at, level, o->Layer);
        o->Collide = false;
        o->CharactersFlyThrough = true;
        o->ParticlesFlyThrough = true;
        // The mesh follows the picture's outline, traced pixel by pixel; every
        // n-th point of it keeps a large picture to a few hundred triangles.
        o->OutlineStep = at.Integer(d, "outlineStep", 1);
        if (o->OutlineStep < 1 || o->OutlineStep > 200) at.Fail("outlineStep", "must be 1..200");
        const int32_t texture = at.Texture(d, "texture")->Index;
        FrameWithBox(*o, {b[0], b[1], b[2], b[3]});
        o->SetGridTexture(texture, false);
        o->Rebuild();
        level.SplineObjects.push_back(std::move(o));
    }
}

void ReadWaters(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "waters");
    const json& list = top.List(src, "waters");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& w = list[i];
        const TPlace at(file, ItemName("waters", i, w));
        at.Only(w, {"name", "seed", "outline", "top", "bottom", "bubbles", "acid", "spouts"});
        auto water = std::make_unique<TWater>();
        // The pool is traced from its seed along the terrain when the level loads.
        const TVec2 seed = at.PointField(w, "seed", {}, true);
        water->SeedX = seed.X;
        water->RestLevel = seed.Y;
        if (w.contains("outline")) water->Outline = at.Outline(w, "outline");
        water->TopColour = at.Colour(w, "top", water->TopColour);
        water->BottomColour = at.Colour(w, "bottom", water->BottomColour);
        water->BubbleColour = at.Colour(w, "bubbles", water->BubbleColour);
        water->Acid = at.Flag(w, "acid", false);
        const json& spouts = at.List(w, "spouts");
        for (size_t k = 0; k < spouts.size(); ++k) {
            const TPlace sp(file, at.Object + ".spouts[" + std::to_string(k) + "]");
            sp.Only(spouts[k], {"at", "rate"});
            TBubbleSpout& s = water->Spouts.emplace_back();
            s.Water = water.get();
            s.Pos = sp.PointField(spouts[k], "at", {}, true);
            s.Rate = sp.Number(spouts[k], "rate", s.Rate);
            if (!(s.Rate >= 0)) sp.Fail("rate", "must be 0 or more");
        }
        level.Waters.push_back(std::move(water));
    }
}

void ReadWinds(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "winds");
    const json& list = top.List(src, "winds");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& w = list[i];
        const TPlace at(file, ItemName("winds", i, w));
        at.Only(w, {"name", "from", "to", "cone", "strength"});
        auto wind = std::make_unique<TWind>();
        wind->BaseOrigin = wind->Origin = at.PointField(w, "from", {}, true);
        wind->BaseTarget = wind->Target = at.PointField(w, "to", {}, true);
        wind->ConeAngle = float(double(at.Number(w, "cone", 70.0f)) * DegToRad);
        wind->Strength = at.Number(w, "strength", wind->Strength);
        wind->Name = at.Text(w, "name", "");
        level.Winds.push_back(std::move(wind));
    }
}

void ReadLights(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "lights");
    const json& list = top.List(src, "lights");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& l = list[i];
        const TPlace at(file, ItemName("lights", i, l));
        at.Only(l, {"name", "at", "colour", "radius"});
        auto light = std::make_unique<TLight>(&level.Lights);
        const TVec2 p = at.PointField(l, "at", {}, true);
        light->Position = {p.X, p.Y, 0.0f, 1.0f};
        light->StoredColor = at.FloatColour(l, "colour", {1, 1, 1, 1});
        light->SetRadius(at.Number(l, "radius", light->Radius));
        light->UpdateZ();
        level.Lights.PointLights.push_back(std::move(light));
    }
}

void ReadCharacters(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "characters");
    const json& list = top.List(src, "characters");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& c = list[i];
        const TPlace at(file, ItemName("characters", i, c));
        at.Only(c, {"name", "at", "figure", "player"});
        const TVec2 start = at.PointField(c, "at", {}, true);
        const int32_t figure = at.Integer(c, "figure", 1);
        if (figure < 1 || figure > 9999) at.Fail("figure", "must be 1..9999");
        TRollix* r = level.Characters.AddListed();
        r->StartFigure = figure;
        r->StartX = start.X;
        r->StartY = start.Y;
        r->IsPlayer = at.Flag(c, "player", i == 0);
    }
}

int32_t ObjectIndex(const TPlace& at, const TLevel& level, const std::string& name) {
    for (size_t i = 0; i < level.SplineObjects.size(); ++i)
        if (level.SplineObjects[i]->Name == name) return int32_t(i);
    at.Fail("shape", "no object named \"" + name + "\"");
}

// Whether a type reads its parameter 1 or 2 as a float (the others as a whole
// number): the Scaler's size, the light's blend, the Graviter's angle, the
// roll factor, the magnet, grip and glue, and the teleport's target.
bool BoostParamIsFloat(int32_t type, int which) {
    switch (type) {
    case 3:
    case 10:
    case 11:
        return which == 1;
    case 4:
        return which == 2;
    case 5:
    case 16:
    case 18:
        return true;
    case 7:
        return which == 1;
    default:
        return false;
    }
}

void ReadBoostParam(const TPlace& at, const json& b, const char* field, int which, TBoost& boost) {
    if (!b.contains(field)) return;
    if (BoostParamIsFloat(boost.Type, which)) {
        const float v = at.Number(b, field, 0.0f);
        which == 1 ? boost.SetParam1(v) : boost.SetParam2(v);
    } else {
        const int32_t v = at.Integer(b, field, 0);
        which == 1 ? boost.SetParam1(v) : boost.SetParam2(v);
    }
}

void ReadBoosts(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "boosts");
    const json& list = top.List(src, "boosts");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& b = list[i];
        const TPlace at(file, ItemName("boosts", i, b));
        at.Only(b, {"name", "type", "points", "sound", "shape", "target", "param1", "param2", "keyItem",
                    "autoUse", "requiredKey", "minPoints"});
        auto boost = std::make_unique<TBoost>();
        boost->Type = at.Integer(b, "type", 0, true);
        if (boost->Type < 0 || boost->Type >= BoostTypeCount)
            at.Fail("type", "must be 0.." + std::to_string(BoostTypeCount - 1));
        boost->TypeName = BoostTypeName(boost->Type);
        boost->PointsValue = at.Integer(b, "points", boost->PointsValue);
        boost->TakeSound = at.Text(b, "sound", "");
        // The level a gate leads to (its file name under "Levels\").
        boost->TargetLevel = at.Text(b, "target", "");
        // The type's parameters: a Morpher's figure, a Scaler's size, a teleport's target …
        ReadBoostParam(at, b, "param1", 1, *boost);
        ReadBoostParam(at, b, "param2", 2, *boost);
        // A key item is carried until a boost that needs its type uses it up.
        boost->IsKeyItem = at.Flag(b, "keyItem", false) ? 1 : 0;
        boost->AutoUse = at.Flag(b, "autoUse", false) ? 1 : 0;
        boost->RequiredKey = at.Integer(b, "requiredKey", 0);
        if (boost->RequiredKey < 0 || boost->RequiredKey >= BoostTypeCount)
            at.Fail("requiredKey", "must be 0.." + std::to_string(BoostTypeCount - 1));
        boost->MinPoints = at.Integer(b, "minPoints", 0);
        if (b.contains("shape")) boost->ShapeIndices = {ObjectIndex(at, level, at.Text(b, "shape", ""))};
        level.Boosts.Items.push_back(std::move(boost));
    }
}

void ReadSounds(const json& src, const std::string& file, TLevel& level) {
    const TPlace top(file, "sounds");
    const json& list = top.List(src, "sounds");
    for (size_t i = 0; i < list.size(); ++i) {
        const json& s = list[i];
        const TPlace at(file, ItemName("sounds", i, s));
        at.Only(s, {"name", "sample", "at"});
        auto sound = std::make_unique<TLevelSound>(level.NextSoundId++);
        sound->SampleName = at.Text(s, "sample", "", true);
        sound->Position = sound->HomePosition = at.PointField(s, "at", {}, true);
        level.LevelSounds.push_back(std::move(sound));
    }
}

const char* const KnownFields[] = {"title", "targetScore", "bonusSeconds", "gravity", "noTurbo",     "camera",
                                   "sky",   "fog",         "layers",       "terrain", "decorations", "waters",
                                   "winds", "lights",      "characters",   "boosts",  "sounds"};

} // namespace

TCompileResult CompileLevelSource(const std::string& text, const std::string& sourceName) {
    TCompileResult result;
    json src = json::parse(text, nullptr, false);
    if (src.is_discarded()) {
        result.Error = sourceName + ": not valid JSON";
        return result;
    }
    try {
        const TPlace at(sourceName, "level");
        if (!src.is_object()) at.Fail("(top)", "expected an object");
        for (auto it = src.begin(); it != src.end(); ++it)
            if (std::find(std::begin(KnownFields), std::end(KnownFields), it.key()) == std::end(KnownFields))
                at.Fail(it.key(), "unknown field");
        auto level = std::make_unique<TLevel>();
        ReadHeader(src, at, *level);
        ReadSky(src, sourceName, *level);
        ReadLayers(src, sourceName, *level);
        ReadFog(src, sourceName, *level);
        ReadTerrain(src, sourceName, *level);
        ReadDecorations(src, sourceName, *level);
        ReadWaters(src, sourceName, *level);
        ReadWinds(src, sourceName, *level);
        ReadLights(src, sourceName, *level);
        ReadCharacters(src, sourceName, *level);
        ReadBoosts(src, sourceName, *level);
        ReadSounds(src, sourceName, *level);
        result.Level = std::move(level);
    } catch (const TSourceError& e) {
        result.Error = e.what();
    } catch (const json::exception& e) {
        result.Error = sourceName + ": " + e.what();
    }
    return result;
}

bool CompileLevelBytes(const std::string& text, const std::string& sourceName, std::vector<uint8_t>& bytes,
                       std::string& error) {
    TCompileResult r = CompileLevelSource(text, sourceName);
    if (!r.Level) {
        error = r.Error;
        return false;
    }
    bytes = WriteLevelBytes(*r.Level);
    return true;
}

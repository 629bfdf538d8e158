#include "level/RollixLooks.h"

#include "app/SiteTrace.h"
#include "assets/TexLib.h"
#include "physics/BoostHooks.h"
#include "physics/CharacterLevel.h"
#include "physics/Rollix.h"
#include "physics/RollixsMan.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t DivingSuitKind = 8;
constexpr int32_t AcidCoatKind = 9;
constexpr uint32_t GlNotEqual = 0x0205;

TMyTexture* LibraryTexture(int32_t index) {
    if (index < 0 || size_t(index) >= TexLib.Textures.size()) return nullptr;
    return TexLib.Textures[size_t(index)].get();
}

int32_t IndexByName(const std::string& name) {
    const TMyTexture* t = TexLib.TextureByName(name);
    return t ? t->Index : -1;
}
} // namespace

int32_t TLibraryTextures::FindOrLoad(const std::string& name) {
    return name.empty() ? -1 : IndexByName(name);
}

int32_t TLibraryTextures::Resolve(int32_t index) {
    return LibraryTexture(index) ? index : -1;
}

std::string CoatName(int32_t figureNumber) {
    switch (figureNumber) {
    case 1:
        return "MubStar";
    case 2:
    case 50:
        return "AirStar";
    case 3:
        return "WaterStar";
    case 4:
    case 51:
        return "MubBall";
    case 5:
        return "AirBall";
    case 6:
        return "WaterBall";
    case 7:
        return "MubCube";
    case 8:
        return "AirCube";
    case 9:
        return "WaterCube";
    default:
        return {};
    }
}

int32_t TRollixLooks::FaceTexture(const TRollix& c) const {
    if (c.IsPlayer && c.Level && c.Level->Boosts) {
        const char* suit = nullptr;
        if (c.Level->Boosts->Carries(c, AcidCoatKind))
            suit = "Rollixs\\Coat ";
        else if (c.Level->Boosts->Carries(c, DivingSuitKind))
            suit = "Rollixs\\Diver ";
        if (suit) {
            const std::string coat = CoatName(c.FigureNumber);
            return coat.empty() ? -1 : IndexByName(suit + coat + ".png");
        }
    }
    return LibraryTexture(c.BodyTexture) ? c.BodyTexture : -1;
}

std::vector<TVec2> TRollixLooks::SkinTexCoords(const TRollix& c, int32_t texture) const {
    const size_t n = c.Vertices.size();
    std::vector<TVec2> out(n + 1);
    TVec2 sum;
    for (size_t i = 0; i < n; ++i) {
        out[i] = c.Vertices[i].TexCoord;
        sum = {sum.X + out[i].X, sum.Y + out[i].Y};
    }
    if (texture == c.BodyTexture)
        out[n] = c.TexCentre;
    else if (n > 0)
        out[n] = {sum.X / float(n), sum.Y / float(n)};
    return out;
}

void TRollixLooks::RebuildSkin(TRollix& c) {
    RecordSite(49001);
    std::unique_ptr<TMultiMesh>& group = Skins[&c];
    if (!group) group = std::make_unique<TMultiMesh>(&c, Materials);
    if (group->Meshes.empty()) group->Add();
    TMesh& mesh = *group->Meshes.front();
    const int32_t texture = FaceTexture(c);
    TSkinSource skin;
    skin.Texture = LibraryTexture(texture);
    skin.Material = c.Figure ? c.Figure->Material.get() : nullptr;
    skin.Points.reserve(c.Vertices.size());
    for (const TRollixVertex& v : c.Vertices)
        skin.Points.push_back(v.Pos);
    skin.Centre = c.Centre;
    skin.TexCoords = SkinTexCoords(c, texture);
    skin.Colour = {c.Colour[0], c.Colour[1], c.Colour[2], c.Colour[3]};
    if (c.Figure) {
        for (const TFigureTriangle& t : c.Figure->Triangles)
            skin.Triangles.push_back({{t.A, t.B, t.C}});
        for (const TFigurePoint& p : c.Figure->Points)
            skin.RestPoints.push_back(p.Pos);
    }
    skin.Angle = c.Turn;
    skin.Position = c.Centre;
    // A rest-shape skin needs a rest point under every node.
    if (c.MeshStyle && skin.RestPoints.size() == skin.Points.size())
        mesh.BuildFromFigureRest(skin);
    else
        mesh.BuildFromFigure(skin);
    group->UpdateBounds();
    group->BuildGroups(false);
}

const TMultiMesh* TRollixLooks::Skin(const TRollix& c) const {
    const auto it = Skins.find(&c);
    return it == Skins.end() ? nullptr : it->second.get();
}

TVec2 TRollixLooks::MouthPoint(const TRollix& c) const {
    return c.MouthPoint();
}

int32_t TRollixLooks::DrawAll(const TRollixsMan& characters) {
    RecordSite(49002);
    TRenderBackend& r = Renderer();
    r.PushMatrix();
    r.Translate(0.0f, 0.0f, -2.0f);
    r.Enable(Gl::DepthTest);
    r.DepthFunc(GlNotEqual);
    int32_t drawn = 0;
    for (const auto& c : characters.Items)
        if (c) drawn += DrawCharacter(*c);
    r.DepthFunc(Gl::Always);
    r.Disable(Gl::DepthTest);
    r.PopMatrix();
    return drawn;
}

int32_t TRollixLooks::DrawCharacter(const TRollix& c) {
    if (!c.Present) return 0;
    float p = 1.0f;
    if (c.SwallowLeft > 0 && c.SwallowTotal > 0) p = float(c.SwallowLeft) / float(c.SwallowTotal);
    if (c.Teleporting) p = float(c.TeleportAlpha) / 255.0f;
    p = std::clamp(p, 0.0f, 1.0f);
    const auto it = Skins.find(&c);
    if (it == Skins.end() || it->second->Meshes.empty()) return 0;
    const int32_t face = FaceTexture(c);
    if (face < 0) return 0;
    TMesh& mesh = *it->second->Meshes.front();
    if (mesh.Triangles.empty()) return 0;
    Renderer().DepthFunc(Gl::Always);
    if (AssignLights) AssignLights(mesh);
    if (c.Figure && c.Figure->Material && mesh.Material) {
        TMaterial* parent = mesh.Material->Parent;
        mesh.Material->CopyFrom(c.Figure->Material.get());
        mesh.Material->Parent = parent;
    }
    TRgba colour{c.Colour[0], c.Colour[1], c.Colour[2], uint8_t(float(c.Colour[3]) * p)};
    int32_t drawn = DrawSkin(mesh, face, colour);
    if (c.MorphLeft >= 1 && LibraryTexture(c.ShownTexture)) {
        // The old look fades into the new one.
        drawn += DrawSkin(mesh, c.ShownTexture, colour);
        const float fade = c.MorphLength > 0 ? 1.0f - float(c.MorphLeft) / float(c.MorphLength) : 1.0f;
        TRgba faded = colour;
        faded.A = uint8_t(std::clamp(fade * float(colour.A), 0.0f, 255.0f));
        drawn += DrawSkin(mesh, face, faded);
    } else {
        drawn += DrawSkin(mesh, face, colour);
    }
    return drawn;
}

int32_t TRollixLooks::DrawSkin(TMesh& mesh, int32_t texture, TRgba colour) {
    // The skin keeps its own texture and colour: they are put back after drawing.
    TMyTexture* const kept = mesh.Texture;
    const TRgba keptColour = mesh.Color;
    mesh.Texture = LibraryTexture(texture);
    mesh.Color = colour;
    mesh.Draw(0);
    mesh.Texture = kept;
    mesh.Color = keptColour;
    return int32_t(mesh.Geometry().Triangles.size());
}

// How the level's characters look: each character's skin mesh stretched over
// its nodes, the texture it wears (its body, or the acid coat or diving suit
// of the player) and drawing the bodies in the playing layer. The skins are
// rebuilt at the end of every character tick, so what tests against a body's
// skin sees the same shape headless and drawn; drawing only reads them.
#pragma once

#include "assets/TextureResolver.h"
#include "physics/Appearance.h"
#include "physics/VecMath.h"
#include "world/Mesh.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TMaterialMan;
class TRollix;
class TRollixsMan;

// The coat name of a figure number ("MubBall" …), empty when it has none.
std::string CoatName(int32_t figureNumber);

// The characters' and figures' texture look-ups in the texture library.
class TLibraryTextures : public TTextureResolver {
  public:
    int32_t FindOrLoad(const std::string& name) override;
    int32_t Resolve(int32_t index) override;
};

class TRollixLooks : public TAppearanceHooks {
  public:
    explicit TRollixLooks(TMaterialMan* materials) : Materials(materials) {}

    // The texture the body wears now, as a texture library index (−1 none).
    int32_t FaceTexture(const TRollix& c) const override;
    // One coordinate per node and one for the centre, for the worn texture.
    std::vector<TVec2> SkinTexCoords(const TRollix& c, int32_t texture) const;
    void RebuildSkin(TRollix& c) override;
    // The character's skin, or none before its first rebuild with a texture.
    const TMultiMesh* Skin(const TRollix& c) const;
    TVec2 MouthPoint(const TRollix& c) const;

    // Every character of the list in its order; the triangles drawn.
    int32_t DrawAll(const TRollixsMan& characters);
    // The body textured in the figure's material and lit; triangles drawn.
    int32_t DrawCharacter(const TRollix& c);
    // Picks the point lights of each triangle group of a skin before it is
    // drawn (the skins are rebuilt every tick, so their groups are new).
    std::function<void(TMesh&)> AssignLights;
    // Forgets every skin (a new character list).
    void Clear() { Skins.clear(); }

  private:
    TMaterialMan* Materials = nullptr;
    std::unordered_map<const TRollix*, std::unique_ptr<TMultiMesh>> Skins;
    int32_t DrawSkin(TMesh& mesh, int32_t texture, TRgba colour);
};

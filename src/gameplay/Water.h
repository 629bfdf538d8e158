// A water body: a pool below a flat rest level with a waving surface, its own
// bubbles and bubble spouts, optionally acid. Its outline is stored in the
// level file or traced along the level's walls; a node of a soft body inside
// it switches to its material's water values, so each material floats or
// sinks by its own settings.
#pragma once

#include "physics/VecMath.h"
#include "world/EdgeGrid.h"
#include "world/Material.h"
#include "world/Mesh.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TByteReader;
class TByteWriter;
class TRollix;
class TWater;

// Most bubbles a water or a spout keeps; further ones are not emitted.
constexpr int32_t MaxBubbles = 2000;
// Neighbouring surface points are at most this far apart after a trace.
constexpr float SurfaceSpacing = 35.0f;

// w[i] = 0.3 sin(i π / 16): the sideways wobble of a rising bubble.
const std::array<float, 32>& BubbleWobble();

// A mesh vertex on the surface that the waves move.
struct TWavePoint {
    // The vertex itself is found again from VertexIndex once the mesh exists.
    TVec2* Vertex = nullptr;
    int32_t VertexIndex = 0;
    float Push = 0.0f;
    float Speed = 0.0f;
    float RoomBelow = 0.0f;
    float RoomAbove = 0.0f;
    // Neighbouring wave points, −1 at an end of a surface stretch.
    int32_t Prev = -1;
    int32_t Next = -1;
};

struct TBubble {
    TVec2 Pos, PrevPos;
    float Size = 0.0f;
    float Drift = 0.0f;
    float RiseTarget = 0.0f;
    float VelX = 0.0f;
    float VelY = 0.0f;
    int32_t Phase = 0;
    int32_t StepTimer = 0;
    float PushStrength = 0.0f;
    bool PopsAtSurface = false;
};

// Moves every bubble of the list (each one makes a step every third tick),
// removes those that popped at the surface or rose 50 above it, pushes the
// characters' wet outline edges the bubbles cross when push is set, and
// leaves box round the bubbles (and start). At most the first 32 characters
// whose box meets the box as it was are pushed.
void UpdateBubbles(std::vector<TBubble>& bubbles, TWater& water, bool push, TBox2& box, TVec2 start,
                   std::span<const std::unique_ptr<TRollix>> characters);

struct TSurfaceSpan {
    float X0 = 0.0f, Y0 = 0.0f, X1 = 0.0f, Y1 = 0.0f;
};

class TBubbleSpout {
  public:
    TWater* Water = nullptr;
    TVec2 Pos;
    std::vector<TBubble> Bubbles;
    TBox2 Bounds;
    int32_t EmitCount = 0;
    float Rate = 1.0f;
    float Spread = 0.349f;
    float Direction = 0.0f;
    float Speed = 1.0f;
    float PushStrength = 0.04f;
    float EmitAccumulator = 0.0f;

    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    // Rate bubbles a tick on average (a rate of 2.5 gives 2, 3, 2, 3 …), then
    // the spout's bubbles move and push the characters they cross.
    void Tick(std::span<const std::unique_ptr<TRollix>> characters);
    void Reset();
    // One bubble blown from the spout; false when the list is full.
    bool Emit();
};

class TWater : public TWaterArea {
  public:
    TWater() = default;
    TWater(const TWater&) = delete;
    TWater& operator=(const TWater&) = delete;

    // Waters lie in the playing layer.
    int32_t Layer = 0;
    bool Acid = false;
    float AcidStrength = 1.0f;
    int32_t LightGroup = 0;
    std::vector<TVec2> Outline;
    // Made from the outline when the water is rebuilt.
    std::unique_ptr<TMesh> Mesh;
    TMaterial SurfaceMaterial, BodyMaterial, BubbleMaterial;
    TRgba TopColour{55, 55, 130, 150};
    TRgba BottomColour{15, 15, 80, 220};
    std::vector<TSurfaceSpan> SurfaceSpans;
    std::vector<TWavePoint> WavePoints;
    // The wave points' Push and Speed as the record stored them: play resets
    // them, the writer writes these back. Empty when the wave points were
    // made here rather than read.
    std::vector<std::array<float, 2>> StoredWaveMotion;
    int32_t WaveTimer = 0;
    std::vector<TBubble> Bubbles;
    std::vector<TBubbleSpout> Spouts;
    TBox2 Bounds;
    int32_t SurfaceVertexCount = 0;
    float SeedX = 0.0f;
    float RestLevel = 0.0f;
    bool Closed = false;
    float Depth = 0.0f;
    TRgba SplashColourStart{155, 155, 230, 150};
    TRgba SplashColourEnd{155, 155, 230, 150};
    TRgba BubbleColour{100, 100, 100, 75};
    float DrawDepth = 0.0f;

    // Reads the water record. Counts that the bytes left cannot hold and wave
    // links outside the wave list fail the record (false); what was read
    // before stays.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
    // Every wave point names a vertex below vertexCount (checked before the
    // vertex references are restored from a mesh).
    bool WavePointsFit(size_t vertexCount) const;

    // Ready for play once the level's edges exist (grid may be null: then
    // nothing is traced and the rooms are full): Rebuild(false).
    void Prepare(const TFragments* grid = nullptr);
    // The outline is traced afresh along the grid's walls when retrace is
    // set or the record held no outline or no wave points (a failed trace
    // keeps a stored outline); then the box, depth, mesh and wave points.
    void Rebuild(bool retrace, const TFragments* grid);
    // Follows the walls from the seed (SeedX, RestLevel): the pool's outline
    // below the rest level, clockwise on the screen, surface stretches filled
    // with points at most 35 apart. False (and no outline) when it does not close.
    bool Trace(const TFragments& grid);
    // Every outline point on the rest level becomes a wave point, with the
    // room above and below it up to 50 units (grid null: 50).
    void RebuildWavePoints(const TFragments* grid);
    void Reset();
    TBox2 AreaBounds() const override { return Bounds; }
    // Inside the water mesh (which moves with the waves); without a mesh,
    // inside the outline (even-odd rule). No outline holds nothing.
    bool ContainsPoint(TVec2 p) const override;

    // One tick: the surface waves (every third tick), every spout, then the
    // water's own bubbles.
    void Tick(std::span<const std::unique_ptr<TRollix>> characters);
    // One wave step of the surface.
    void StepWaves();
    // Something crossed the surface at x: the first two surface points
    // within 35 units of it gain speed.
    void Disturb(float strength, float x);
    // A bubble at (x, y); false when the list is full.
    bool EmitBubble(bool popsAtSurface, float push, float velX, float velY, float y, float x);
    // The same with the size scaled by sizeFactor (at most 2).
    bool EmitSplashBubble(bool popsAtSurface, float push, float velX, float velY, float y, float x,
                          float sizeFactor);

    // The mesh, the bright surface line and the bubbles.
    void Draw() const;

  private:
    void BuildMesh();
    bool RestoreWaveVertices();
};

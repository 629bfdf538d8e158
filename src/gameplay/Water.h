// A water body: a pool below a flat rest level with a waving surface, its own
// bubbles and bubble spouts. This holds the water's record in the level file;
// the outline trace, the mesh, the waves and the bubbles' motion come with the
// waters' tick.
#pragma once

#include "physics/VecMath.h"
#include "world/EdgeGrid.h"
#include "world/Material.h"
#include "world/Mesh.h"

#include <cstdint>
#include <memory>
#include <vector>

class TByteReader;
class TByteWriter;
class TWater;

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

    // Ready for play once the level's edges exist: the box round the outline.
    void Prepare();
    TBox2 AreaBounds() const override { return Bounds; }
    // Inside the outline (even-odd rule); a water without an outline holds nothing.
    bool ContainsPoint(TVec2 p) const override;
};

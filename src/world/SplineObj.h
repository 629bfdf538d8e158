// Spline objects: every piece of scenery and solid terrain. A group of
// textured meshes laid out in a rectangle and warped so that the rectangle's
// sides follow four Bézier edges, with an optional textured band along its
// outline. Spline animations move the edges through key shapes over time.
#pragma once

#include "world/CollisionEdges.h"
#include "world/Mesh.h"
#include "world/Spline.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBoost;
class TWind;
class TLayers;
class TMaterialMan;
class TSplineAnim;

// A particle emitter attached to an object (placed drop emitters). The
// object tells it when it is detached, fires it on visibility changes and
// draws its particles behind or in front of itself.
class TObjectEmitter {
  public:
    virtual ~TObjectEmitter() = default;
    virtual void Detached() = 0;
    virtual bool FireOnShow() const = 0;
    virtual bool FireOnHide() const = 0;
    virtual void Restart(bool quiet) = 0;
    virtual bool DrawBehind() const = 0;
    virtual bool ScreenOverlayOnly() const = 0;
    virtual int32_t SystemLayer() const = 0;
    // Draws the emitter's particle system; returns the particles drawn.
    virtual int32_t DrawSystem() = 0;
};

// What objects ask of their level. The level keeps it current.
struct TObjectWorld {
    TMaterialMan* Materials = nullptr;
    TLayers* Layers = nullptr;
    bool AlternateTick = false;
    bool HasPlayer = false;
    TVec2 PlayerPosition;
    // Whether the first character carries an effect that came from the boost.
    std::function<bool(const TBoost& boost)> PlayerCarries;
    int32_t ScreenWidth = 1024;
    bool OverlayPass = false;
    // Applies the lights of a layer before attached particles are drawn.
    void (*ApplyLayerLights)(int32_t layer) = nullptr;
    // Refreshes the light of a boost after its object changed shape.
    std::function<void(TBoost* boost)> RefreshBoostLight;
    // Lets the quests forget an object that goes away.
    void (*ForgetObjectInQuests)(class TSplineObj* object) = nullptr;
    // Tells a mesh of an object in the given layer which of the level's
    // lights touch each of its triangle groups.
    std::function<void(TMesh& mesh, int32_t layer)> AssignLights;
};

class TSplineObj {
  public:
    explicit TSplineObj(TObjectWorld* world);
    ~TSplineObj();
    TSplineObj(const TSplineObj&) = delete;
    TSplineObj& operator=(const TSplineObj&) = delete;

    bool Visible = true;
    TObjectWorld* World = nullptr;
    int32_t Layer = 0;
    std::string Name = "Untitled";
    bool GridMode = false;
    int32_t OutlineStep = 200;
    bool Collide = true;
    bool CharactersFlyThrough = false;
    bool ParticlesFlyThrough = false;
    TBoost* Boost = nullptr;
    // The object draws a boost that is taken by overlapping it: bodies pass
    // through it, so its edges stay out of the collision. Not stored; the
    // boosts set it when they link their objects.
    bool BoostPassable = false;
    TSplineAnim* Animation = nullptr;
    std::vector<TObjectEmitter*> Emitters;
    TMeshFrameSource* FrameAnim = nullptr;
    TWind* Wind = nullptr;
    std::string MeshFile;
    TMultiMesh Body;
    TMultiMesh Border;
    float BorderStretch = 0.01f;
    float BorderWidth = 4.0f;
    float BorderShift = -2.0f;
    TOutline BaseSplines;
    TOutline Splines;
    int32_t GridColumns = 10;
    int32_t GridRows = 10;
    bool Mirrored = false;

    // The object record. False when a body mesh names no texture: the level
    // then stops reading objects.
    bool ReadSplineObj(TByteReader& in);
    void WriteSplineObj(TByteWriter& out) const;

    void ClearLinks();
    void SetGridTexture(int32_t textureIndex, bool fit);
    void SetMeshFile(const std::string& name);
    TMesh* AddBodyMesh();
    void Rebuild();
    void ApplyAnimation();
    void MoveBy(float dx, float dy, bool temporary);
    void RestoreBaseShape();
    void SetBorderTexture(TMyTexture* texture);
    void ChooseTextureDetail();
    void RestoreTextureDetail();
    void SetVisible(bool visible, bool silent);
    void AttachEmitter(TObjectEmitter* emitter);
    void DetachEmitter(TObjectEmitter* emitter);
    int32_t Draw(int32_t counter);
    void DrawOutline(bool selected, bool showCurves);

    // Whether its edges take part in the collision: collide set and a layer
    // that moves exactly with the camera.
    bool Contributes() const;
    float LayerParallax() const;
    // The cell counts as used: stored values from a file may be anything, and
    // are written back as they were.
    int32_t UsedColumns() const { return std::clamp(GridColumns, 1, MaxPatchCells); }
    int32_t UsedRows() const { return std::clamp(GridRows, 1, MaxPatchCells); }

  private:
    void BuildBody();
    void AssignLights(TMultiMesh& group);
    int32_t DrawEmitters(bool behind);
};

// Warps every mesh of a group through the splines.
void WarpBody(TMultiMesh& body, const TOutline& splines, const TBox2& sourceBox, bool updateOutline,
              bool animated, int32_t rows, int32_t columns);

// Surface values of a mesh's border edges from the mesh and its texture layers.
void SetEdgeSurface(TMesh& mesh);

// The collision edges of the contributing objects, in object order.
std::vector<TCollisionEdge> BuildCollisionEdges(const std::vector<TSplineObj*>& objects);

// Key frames and spline animations.
struct TSplineAnim_Frame {
    TOutline Shape;
    TOutline Path;
    std::string Caption;
};

class TSplineAnimMan;

class TSplineAnim {
  public:
    explicit TSplineAnim(TSplineAnimMan* manager);
    ~TSplineAnim();

    TSplineAnimMan* Manager = nullptr;
    std::vector<TSplineAnim_Frame> Frames;
    std::vector<TSplineAnim_Frame> BackupFrames;
    TOutline CurrentShape;
    bool CurvedPaths = false;
    int32_t Elapsed = 0;
    int32_t Duration = 0;
    int32_t FromFrame = 0;
    int32_t ToFrame = 0;
    bool Waiting = false;
    bool StartsWaiting = false;
    std::string Name;
    int32_t MinDuration = 1000;
    int32_t RandomDuration = 1000;
    int32_t Order = 0;
    int32_t Linear = 0;
    TSplineObj* Target = nullptr;

    int32_t FrameCount() const { return int32_t(Frames.size()); }
    void Attach(TSplineObj* object);
    void Detach();
    void Tick(int32_t dt);
    void Reset();
    const TOutline& CurrentShapeNow();
    void InsertFrame(int32_t i);
    void RebuildPaths(int32_t frame, bool straight);
    void TranslateFrames(bool onlySelected, int32_t selected, bool temporary, float dx, float dy);
    void ReadSplineAnim(TByteReader& in, const std::vector<TSplineObj*>& objects);
    void WriteSplineAnim(TByteWriter& out, const std::vector<TSplineObj*>& objects) const;

  private:
    void NewDuration();
    bool TargetDue() const;
};

class TSplineAnimMan {
  public:
    std::vector<std::unique_ptr<TSplineAnim>> Anims;
    TSplineAnim* Selected = nullptr;
    int32_t SelectedIndex = -1;

    TSplineAnim* Add(TSplineObj* object);
    bool Remove(TSplineAnim* anim);
    void Read(TByteReader& in, const std::vector<TSplineObj*>& objects);
    void Write(TByteWriter& out, const std::vector<TSplineObj*>& objects) const;
    void TickAll(int32_t dt);
    void ResetAll();
    void StartByName(const std::string& questName);
    void ForgetTargets();
};

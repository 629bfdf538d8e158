// The render context and the set-up of every frame: the fixed GL state, the
// viewport, the orthographic projection of a world rectangle with the camera
// roll, the rolled view rectangle every culling test compares against, and
// the small caches that keep redundant state changes away from the driver.
// Every GL call of the game goes through here.
#pragma once

#include "physics/VecMath.h"
#include "render/RenderBackend.h"

#include <cstdint>
#include <memory>

// What the frame set-up needs to know about the current level. The level
// fills it in before each frame; with no level the defaults draw nothing
// rolled and no lights.
struct TFrameView {
    bool HasLevel = false;
    int32_t ViewWidth = 0; // pixels
    int32_t ViewHeight = 0;
    TBox2 View;              // world rectangle of the playing layer
    float CameraRoll = 0.0f; // degrees
    bool RollOn = true;
    bool EditView = false;
    bool LightsActive = false;
    // While a level switch captures frames the viewport is the capture size.
    bool Capturing = false;
    int32_t CaptureWidth = 0;
    int32_t CaptureHeight = 0;
};

struct TColor4 {
    uint8_t R = 255, G = 255, B = 255, A = 255;
};

extern TFrameView FrameView;
// The world rectangle currently projected, grown to cover a rolled view.
extern TBox2 ViewRect;

// The caches. A value of NoCache means nothing is known and the next call goes through.
constexpr uint32_t NoCache = 0xFFFFFFFFu;
extern uint32_t CachedTexture;
extern uint32_t CachedBlendSrc, CachedBlendDst;
extern uint32_t CachedTexEnv;
extern bool CachedLighting;
extern int32_t CachedViewportWidth, CachedViewportHeight;
extern bool ForceViewport;

// Takes the backend for a context the platform has just made current and
// sets the fixed state. Replaces a previous context.
void InitRenderContext(std::unique_ptr<TRenderBackend> backend);
// Drops the backend and forgets every cache. Nothing happens without a context.
void ReleaseRenderContext();
bool RenderContextReady();
// Changes whenever a context is made or dropped: names of GL objects made
// under another generation mean nothing now.
uint32_t RenderContextGeneration();
// The current backend; a null backend when no context exists, so that callers
// never test for it.
TRenderBackend& Renderer();

// The capture size of a level switch: the view scaled down to fit 1024 × 1024.
void FitCaptureSize(int32_t viewWidth, int32_t viewHeight, int32_t& width, int32_t& height);

void BeginFrame();
void SetProjection(float left, float top, float right, float bottom, float rollDegrees);
// The bounding box of the rectangle turned by the roll about its centre.
TBox2 RolledViewRect(const TBox2& rect, float rollDegrees);
void RotateAbout(TVec2 point, float degrees);
void ResetBlending();
void BindTexture(uint32_t name);
void SetBlend(uint32_t src, uint32_t dst);
void SetTexEnv(uint32_t mode);
void SetLighting(bool on);
void SetViewport(int32_t width, int32_t height);
void DrawRectOutline(const TBox2& box, TColor4 colour);
void DrawMarker(TVec2 point, TColor4 colour, float size);

// Back to the start-of-run state: no context, empty caches, no level view.
void ResetRenderState();

// The OpenGL 1.1 backend. The platform creates the context and makes it
// current on the main thread before handing this to InitRenderContext.
#pragma once

#include "render/RenderBackend.h"

class TGlRenderBackend : public TRenderBackend {
  public:
    void Viewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void ClearColor(float r, float g, float b, float a) override;
    void Clear(uint32_t mask) override;
    void Enable(uint32_t cap) override;
    void Disable(uint32_t cap) override;
    void EnableClientState(uint32_t array) override;
    void DisableClientState(uint32_t array) override;
    void BlendFunc(uint32_t src, uint32_t dst) override;
    void TexEnvMode(uint32_t mode) override;
    void BindTexture(uint32_t name) override;
    void AlphaFunc(uint32_t func, float ref) override;
    void DepthFunc(uint32_t func) override;
    void ColorMask(bool r, bool g, bool b, bool a) override;
    void Hint(uint32_t target, uint32_t mode) override;
    void MatrixMode(uint32_t mode) override;
    void LoadIdentity() override;
    void Ortho(double left, double right, double bottom, double top, double zNear, double zFar) override;
    void Translate(float x, float y, float z) override;
    void Rotate(float degrees, float x, float y, float z) override;
    void PushMatrix() override;
    void PopMatrix() override;
    void Begin(uint32_t mode) override;
    void End() override;
    void Vertex2f(float x, float y) override;
    void TexCoord2f(float s, float t) override;
    void Color3ub(uint8_t r, uint8_t g, uint8_t b) override;
    void Color4ub(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void Normal3f(float x, float y, float z) override;
    void PointSize(float size) override;
    void VertexPointer(const float* xy) override;
    void TexCoordPointer(const float* st) override;
    void ColorPointer(const uint8_t* rgba) override;
    void DrawArrays(uint32_t mode, int32_t first, int32_t count) override;
    uint32_t GenTexture() override;
    void DeleteTexture(uint32_t name) override;
    bool TexImage2D(uint32_t internalFormat, int32_t width, int32_t height, uint32_t format,
                    const uint8_t* pixels) override;
    void TexParameter(uint32_t pname, uint32_t value) override;
    void Lightfv(uint32_t light, uint32_t pname, const std::array<float, 4>& values) override;
    void Lightf(uint32_t light, uint32_t pname, float value) override;
    void Materialfv(uint32_t face, uint32_t pname, const std::array<float, 4>& values) override;
    void Materialf(uint32_t face, uint32_t pname, float value) override;
    void ColorMaterial(uint32_t face, uint32_t mode) override;
    void Finish() override;
    void CopyFrameToTexture(int32_t width, int32_t height) override;
    void ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint8_t>& rgba) override;

    // The current matrix of the projection or modelview stack, as the driver has it.
    TMatrix4 ReadMatrix(uint32_t mode) const;
};

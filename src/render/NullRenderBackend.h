// A backend with no GL behind it: it keeps the state a context would keep and
// counts the calls, so headless runs draw into nothing and tests can see which
// state changes reached the driver.
#pragma once

#include "render/RenderBackend.h"

#include <map>
#include <set>
#include <vector>

enum class TRenderCall {
    Viewport,
    ClearColor,
    Clear,
    Enable,
    Disable,
    ClientState,
    BlendFunc,
    TexEnvMode,
    BindTexture,
    AlphaFunc,
    DepthFunc,
    ColorMask,
    Hint,
    MatrixMode,
    LoadIdentity,
    Ortho,
    Translate,
    Rotate,
    PushMatrix,
    PopMatrix,
    Begin,
    End,
    Vertex,
    TexCoord,
    Color,
    Normal,
    PointSize,
    Finish,
    ReadPixels,
    CopyTexture,
    GenTexture,
    DeleteTexture,
    TexImage,
    TexParameter,
    ArrayPointer,
    DrawArrays,
    Light,
    Material,
    ColorMaterial,
    Count
};

class TNullRenderBackend : public TRenderBackend {
  public:
    TNullRenderBackend();

    std::array<int32_t, size_t(TRenderCall::Count)> Calls{};
    int32_t CallCount(TRenderCall c) const { return Calls[size_t(c)]; }
    void ForgetCalls() { Calls.fill(0); }

    std::set<uint32_t> Enabled;
    std::set<uint32_t> ClientArrays;
    std::array<int32_t, 4> ViewportRect{};
    std::array<float, 4> ClearRgba{};
    std::array<bool, 4> Mask{true, true, true, true};
    uint32_t BlendSrc = Gl::One, BlendDst = Gl::Zero;
    uint32_t EnvMode = Gl::Modulate;
    uint32_t Bound = 0;
    uint32_t AlphaFn = Gl::Always;
    float AlphaRef = 0.0f;
    uint32_t DepthFn = 0x0201; // GL_LESS
    uint32_t Mode = Gl::ModelView;
    std::vector<TMatrix4> ProjectionStack;
    std::vector<TMatrix4> ModelViewStack;
    int32_t OpenBatch = -1;  // the mode of an open Begin, -1 when none
    int32_t BatchErrors = 0; // Begin inside Begin, End without Begin
    std::array<uint8_t, 4> CurrentColor{255, 255, 255, 255};
    std::array<float, 3> CurrentNormal{0.0f, 0.0f, 1.0f};
    float CurrentPointSize = 1.0f;
    // The vertices sent since the colour buffer was last cleared, in order:
    // the picture of one frame, as every frame starts with a clear. Long runs
    // with null frames therefore keep one frame's vertices, not all of them.
    std::vector<std::array<float, 2>> Vertices;
    // Beside each of them: the colour it was sent in and the texture bound.
    std::vector<std::array<uint8_t, 4>> VertexColours;
    std::vector<uint32_t> VertexTextures;
    // The client array pointers as last set; DrawArrays reads its vertices
    // from them into Vertices, as GL would read them.
    const float* VertexArrayData = nullptr;
    const float* TexCoordArrayData = nullptr;
    const uint8_t* ColorArrayData = nullptr;
    int32_t ArrayErrors = 0; // DrawArrays inside a batch or without the vertex array

    // The texture objects that exist, with what was uploaded into them.
    struct TTextureObject {
        uint32_t InternalFormat = 0;
        int32_t Width = 0;
        int32_t Height = 0;
        uint32_t Format = 0;
        std::vector<uint8_t> Pixels;
        std::map<uint32_t, uint32_t> Parameters;
        // The size of the last frame copied into it, and how many were.
        int32_t CopiedWidth = 0;
        int32_t CopiedHeight = 0;
        int32_t Copies = 0;
    };
    std::map<uint32_t, TTextureObject> Textures;
    // Internal formats this pretend driver refuses, as one without S3TC would.
    std::set<uint32_t> RefusedFormats;
    uint32_t NextTexture = 1;

    // The eight GL lights as GL keeps them: position and spot direction in eye
    // coordinates (taken through the modelview matrix when set). Light 0
    // starts with a white diffuse and specular colour, the others black.
    struct TLightState {
        std::array<float, 4> Ambient{0.0f, 0.0f, 0.0f, 1.0f};
        std::array<float, 4> Diffuse{0.0f, 0.0f, 0.0f, 1.0f};
        std::array<float, 4> Specular{0.0f, 0.0f, 0.0f, 1.0f};
        std::array<float, 4> Position{0.0f, 0.0f, 1.0f, 0.0f};
        std::array<float, 3> SpotDirection{0.0f, 0.0f, -1.0f};
        float SpotExponent = 0.0f;
        float SpotCutoff = 180.0f;
    };
    std::array<TLightState, Gl::MaxLights> LightStates;
    // Material vectors by parameter, and the shininess (one face set for both).
    std::map<uint32_t, std::array<float, 4>> MaterialVectors;
    float MaterialShininess = 0.0f;
    uint32_t ColorMaterialFace = Gl::FrontAndBack;
    uint32_t ColorMaterialMode = 0x1602; // GL_AMBIENT_AND_DIFFUSE
    // Light calls GL would refuse: a light number beyond the eight, a spot
    // exponent outside 0 … 128, a cutoff outside 0 … 90 other than 180.
    int32_t LightErrors = 0;
    bool LightOn(int32_t k) const { return Enabled.count(Gl::Light0 + uint32_t(k)) != 0; }

    const TMatrix4& ProjectionMatrix() const { return ProjectionStack.back(); }
    const TMatrix4& ModelViewMatrix() const { return ModelViewStack.back(); }

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

  private:
    void Count(TRenderCall c) { ++Calls[size_t(c)]; }
    std::vector<TMatrix4>& Stack() { return Mode == Gl::Projection ? ProjectionStack : ModelViewStack; }
    void MultiplyTop(const TMatrix4& m);
};

// The few drawing calls the game makes, behind one interface. The GL backend
// passes them to OpenGL 1.1; the null backend keeps the state a GL context
// would keep (enabled switches, blend pair, bound texture, both matrices), so
// everything above it runs, and can be checked, with no window and no GL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The GL enumerants the game passes, by value, so that headless code needs no
// GL header. The GL backend checks at compile time that they match.
namespace Gl {
constexpr uint32_t Points = 0x0000;
constexpr uint32_t Lines = 0x0001;
constexpr uint32_t LineLoop = 0x0002;
constexpr uint32_t Triangles = 0x0004;
constexpr uint32_t TriangleStrip = 0x0005;
constexpr uint32_t TriangleFan = 0x0006;
constexpr uint32_t Quads = 0x0007;

constexpr uint32_t Never = 0x0200;
constexpr uint32_t Greater = 0x0204;
constexpr uint32_t Always = 0x0207;

constexpr uint32_t Zero = 0;
constexpr uint32_t One = 1;
constexpr uint32_t SrcColor = 0x0300;
constexpr uint32_t OneMinusSrcColor = 0x0301;
constexpr uint32_t SrcAlpha = 0x0302;
constexpr uint32_t OneMinusSrcAlpha = 0x0303;
constexpr uint32_t DstColor = 0x0306;

constexpr uint32_t CullFace = 0x0B44;
constexpr uint32_t Lighting = 0x0B50;
constexpr uint32_t ColorMaterial = 0x0B57;
constexpr uint32_t DepthTest = 0x0B71;
constexpr uint32_t Normalize = 0x0BA1;
constexpr uint32_t AlphaTest = 0x0BC0;
constexpr uint32_t Dither = 0x0BD0;
constexpr uint32_t Blend = 0x0BE2;
constexpr uint32_t LineSmooth = 0x0B20;
constexpr uint32_t PolygonSmooth = 0x0B41;
constexpr uint32_t Texture2D = 0x0DE1;

constexpr uint32_t PerspectiveCorrectionHint = 0x0C50;
constexpr uint32_t Fastest = 0x1101;

constexpr uint32_t ModelView = 0x1700;
constexpr uint32_t Projection = 0x1701;

constexpr uint32_t Modulate = 0x2100;
constexpr uint32_t Decal = 0x2101;
constexpr uint32_t Replace = 0x1E01;
constexpr uint32_t Add = 0x0104;

constexpr uint32_t VertexArray = 0x8074;
constexpr uint32_t NormalArray = 0x8075;
constexpr uint32_t ColorArray = 0x8076;
constexpr uint32_t IndexArray = 0x8077;
constexpr uint32_t TextureCoordArray = 0x8078;
constexpr uint32_t EdgeFlagArray = 0x8079;

constexpr uint32_t Rgb = 0x1907;
constexpr uint32_t Rgba = 0x1908;
constexpr uint32_t Rgb8 = 0x8051;
constexpr uint32_t Rgba8 = 0x8058;
constexpr uint32_t CompressedRgbS3tcDxt1 = 0x83F0;
constexpr uint32_t CompressedRgbaS3tcDxt5 = 0x83F3;
constexpr uint32_t CompressedRgbArb = 0x84ED;
constexpr uint32_t CompressedRgbaArb = 0x84EE;
constexpr uint32_t TextureMagFilter = 0x2800;
constexpr uint32_t TextureMinFilter = 0x2801;
constexpr uint32_t TextureWrapS = 0x2802;
constexpr uint32_t TextureWrapT = 0x2803;
constexpr uint32_t Linear = 0x2601;
constexpr uint32_t Repeat = 0x2901;
constexpr uint32_t ClampToEdge = 0x812F;

constexpr uint32_t DepthBufferBit = 0x00000100;
constexpr uint32_t ColorBufferBit = 0x00004000;

// Fixed-function lighting: eight lights, GL_LIGHT0 + k.
constexpr uint32_t Light0 = 0x4000;
constexpr int32_t MaxLights = 8;
constexpr uint32_t Ambient = 0x1200;
constexpr uint32_t Diffuse = 0x1201;
constexpr uint32_t Specular = 0x1202;
constexpr uint32_t Position = 0x1203;
constexpr uint32_t SpotDirection = 0x1204;
constexpr uint32_t SpotExponent = 0x1205;
constexpr uint32_t SpotCutoff = 0x1206;
constexpr uint32_t Emission = 0x1600;
constexpr uint32_t Shininess = 0x1601;
constexpr uint32_t FrontAndBack = 0x0408;
} // namespace Gl

// Column-major 4 × 4, as GL keeps it.
using TMatrix4 = std::array<double, 16>;
TMatrix4 IdentityMatrix();
TMatrix4 MultiplyMatrix(const TMatrix4& a, const TMatrix4& b);
// The matrices glOrtho, glTranslatef and glRotatef multiply onto the stack.
TMatrix4 OrthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar);
TMatrix4 TranslateMatrix(double x, double y, double z);
TMatrix4 RotateMatrix(double degrees, double x, double y, double z);
// Applies a matrix to the point (x, y, 0, 1); gives x and y after the divide.
void TransformPoint(const TMatrix4& m, double x, double y, double& outX, double& outY);

class TRenderBackend {
  public:
    virtual ~TRenderBackend() = default;

    virtual void Viewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void ClearColor(float r, float g, float b, float a) = 0;
    virtual void Clear(uint32_t mask) = 0;
    virtual void Enable(uint32_t cap) = 0;
    virtual void Disable(uint32_t cap) = 0;
    virtual void EnableClientState(uint32_t array) = 0;
    virtual void DisableClientState(uint32_t array) = 0;
    virtual void BlendFunc(uint32_t src, uint32_t dst) = 0;
    virtual void TexEnvMode(uint32_t mode) = 0;
    virtual void BindTexture(uint32_t name) = 0;
    virtual void AlphaFunc(uint32_t func, float ref) = 0;
    virtual void DepthFunc(uint32_t func) = 0;
    virtual void ColorMask(bool r, bool g, bool b, bool a) = 0;
    virtual void Hint(uint32_t target, uint32_t mode) = 0;

    virtual void MatrixMode(uint32_t mode) = 0;
    virtual void LoadIdentity() = 0;
    virtual void Ortho(double left, double right, double bottom, double top, double zNear, double zFar) = 0;
    virtual void Translate(float x, float y, float z) = 0;
    virtual void Rotate(float degrees, float x, float y, float z) = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;

    virtual void Begin(uint32_t mode) = 0;
    virtual void End() = 0;
    virtual void Vertex2f(float x, float y) = 0;
    virtual void TexCoord2f(float s, float t) = 0;
    virtual void Color3ub(uint8_t r, uint8_t g, uint8_t b) = 0;
    virtual void Color4ub(uint8_t r, uint8_t g, uint8_t b, uint8_t a) = 0;
    virtual void Normal3f(float x, float y, float z) = 0;
    virtual void PointSize(float size) = 0;

    // Client arrays, for the sky's star tiles: two floats per position and
    // per texture coordinate, four bytes per colour, tightly packed. The
    // pointers must stay valid until DrawArrays has read them.
    virtual void VertexPointer(const float* xy) = 0;
    virtual void TexCoordPointer(const float* st) = 0;
    virtual void ColorPointer(const uint8_t* rgba) = 0;
    virtual void DrawArrays(uint32_t mode, int32_t first, int32_t count) = 0;

    // Texture objects. TexImage2D and TexParameter act on the bound 2D
    // texture; pixels are RGB or RGBA rows, width × height, no padding.
    // TexImage2D answers false when the driver refused the picture.
    virtual uint32_t GenTexture() = 0;
    virtual void DeleteTexture(uint32_t name) = 0;
    virtual bool TexImage2D(uint32_t internalFormat, int32_t width, int32_t height, uint32_t format,
                            const uint8_t* pixels) = 0;
    virtual void TexParameter(uint32_t pname, uint32_t value) = 0;

    // Lighting. light is the GL light number (Gl::Light0 + k); vector values
    // are four floats (a spot direction uses the first three). A position or
    // spot direction is taken through the current modelview matrix, as GL does.
    virtual void Lightfv(uint32_t light, uint32_t pname, const std::array<float, 4>& values) = 0;
    virtual void Lightf(uint32_t light, uint32_t pname, float value) = 0;
    virtual void Materialfv(uint32_t face, uint32_t pname, const std::array<float, 4>& values) = 0;
    virtual void Materialf(uint32_t face, uint32_t pname, float value) = 0;
    virtual void ColorMaterial(uint32_t face, uint32_t mode) = 0;

    virtual void Finish() = 0;
    // Copies the lower-left width × height pixels of the frame into the bound
    // 2D texture at its origin (rows bottom-up, as GL copies them).
    virtual void CopyFrameToTexture(int32_t width, int32_t height) = 0;
    // RGBA rows bottom-up, as GL gives them. The null backend gives the clear colour.
    virtual void ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height,
                            std::vector<uint8_t>& rgba) = 0;
};

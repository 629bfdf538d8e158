#include "render/NullRenderBackend.h"

#include "app/SiteTrace.h"
#include "physics/VecMath.h"

#include <cmath>

TMatrix4 IdentityMatrix() {
    TMatrix4 m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

TMatrix4 MultiplyMatrix(const TMatrix4& a, const TMatrix4& b) {
    TMatrix4 r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += a[k * 4 + row] * b[col * 4 + k];
            r[col * 4 + row] = s;
        }
    return r;
}

TMatrix4 OrthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar) {
    TMatrix4 m = IdentityMatrix();
    // A flat rectangle has no projection; GL refuses it too and keeps the stack.
    if (right == left || top == bottom || zFar == zNear) return m;
    m[0] = 2.0 / (right - left);
    m[5] = 2.0 / (top - bottom);
    m[10] = -2.0 / (zFar - zNear);
    m[12] = -(right + left) / (right - left);
    m[13] = -(top + bottom) / (top - bottom);
    m[14] = -(zFar + zNear) / (zFar - zNear);
    return m;
}

TMatrix4 TranslateMatrix(double x, double y, double z) {
    TMatrix4 m = IdentityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

TMatrix4 RotateMatrix(double degrees, double x, double y, double z) {
    double len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0) return IdentityMatrix();
    x /= len;
    y /= len;
    z /= len;
    double a = degrees * Pi / 180.0;
    double c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    TMatrix4 m = IdentityMatrix();
    m[0] = x * x * t + c;
    m[1] = y * x * t + z * s;
    m[2] = x * z * t - y * s;
    m[4] = x * y * t - z * s;
    m[5] = y * y * t + c;
    m[6] = y * z * t + x * s;
    m[8] = x * z * t + y * s;
    m[9] = y * z * t - x * s;
    m[10] = z * z * t + c;
    return m;
}

void TransformPoint(const TMatrix4& m, double x, double y, double& outX, double& outY) {
    double w = m[3] * x + m[7] * y + m[15];
    if (w == 0.0) w = 1.0;
    outX = (m[0] * x + m[4] * y + m[12]) / w;
    outY = (m[1] * x + m[5] * y + m[13]) / w;
}

TNullRenderBackend::TNullRenderBackend() {
    RecordSite(61101);
    ProjectionStack.push_back(IdentityMatrix());
    ModelViewStack.push_back(IdentityMatrix());
    Enabled.insert(Gl::Dither); // on in a fresh GL context
    LightStates[0].Diffuse = LightStates[0].Specular = {1.0f, 1.0f, 1.0f, 1.0f};
}

void TNullRenderBackend::Viewport(int32_t x, int32_t y, int32_t width, int32_t height) {
    Count(TRenderCall::Viewport);
    ViewportRect = {x, y, width, height};
}
void TNullRenderBackend::ClearColor(float r, float g, float b, float a) {
    Count(TRenderCall::ClearColor);
    ClearRgba = {r, g, b, a};
}
void TNullRenderBackend::Clear(uint32_t mask) {
    Count(TRenderCall::Clear);
    if (mask & Gl::ColorBufferBit) {
        Vertices.clear();
        VertexColours.clear();
        VertexTextures.clear();
    }
}
void TNullRenderBackend::Enable(uint32_t cap) {
    Count(TRenderCall::Enable);
    Enabled.insert(cap);
}
void TNullRenderBackend::Disable(uint32_t cap) {
    Count(TRenderCall::Disable);
    Enabled.erase(cap);
}
void TNullRenderBackend::EnableClientState(uint32_t array) {
    Count(TRenderCall::ClientState);
    ClientArrays.insert(array);
}
void TNullRenderBackend::DisableClientState(uint32_t array) {
    Count(TRenderCall::ClientState);
    ClientArrays.erase(array);
}
void TNullRenderBackend::BlendFunc(uint32_t src, uint32_t dst) {
    Count(TRenderCall::BlendFunc);
    BlendSrc = src;
    BlendDst = dst;
}
void TNullRenderBackend::TexEnvMode(uint32_t mode) {
    Count(TRenderCall::TexEnvMode);
    EnvMode = mode;
}
void TNullRenderBackend::BindTexture(uint32_t name) {
    Count(TRenderCall::BindTexture);
    Bound = name;
}
void TNullRenderBackend::AlphaFunc(uint32_t func, float ref) {
    Count(TRenderCall::AlphaFunc);
    AlphaFn = func;
    AlphaRef = ref;
}
void TNullRenderBackend::DepthFunc(uint32_t func) {
    Count(TRenderCall::DepthFunc);
    DepthFn = func;
}
void TNullRenderBackend::ColorMask(bool r, bool g, bool b, bool a) {
    Count(TRenderCall::ColorMask);
    Mask = {r, g, b, a};
}
void TNullRenderBackend::Hint(uint32_t, uint32_t) {
    Count(TRenderCall::Hint);
}
void TNullRenderBackend::MatrixMode(uint32_t mode) {
    Count(TRenderCall::MatrixMode);
    Mode = mode;
}
void TNullRenderBackend::LoadIdentity() {
    Count(TRenderCall::LoadIdentity);
    Stack().back() = IdentityMatrix();
}
void TNullRenderBackend::MultiplyTop(const TMatrix4& m) {
    Stack().back() = MultiplyMatrix(Stack().back(), m);
}
void TNullRenderBackend::Ortho(double left, double right, double bottom, double top, double zNear,
                               double zFar) {
    Count(TRenderCall::Ortho);
    MultiplyTop(OrthoMatrix(left, right, bottom, top, zNear, zFar));
}
void TNullRenderBackend::Translate(float x, float y, float z) {
    Count(TRenderCall::Translate);
    MultiplyTop(TranslateMatrix(x, y, z));
}
void TNullRenderBackend::Rotate(float degrees, float x, float y, float z) {
    Count(TRenderCall::Rotate);
    MultiplyTop(RotateMatrix(degrees, x, y, z));
}
void TNullRenderBackend::PushMatrix() {
    Count(TRenderCall::PushMatrix);
    Stack().push_back(Stack().back());
}
void TNullRenderBackend::PopMatrix() {
    Count(TRenderCall::PopMatrix);
    // Popping the last matrix is a stack underflow in GL: it is refused.
    if (Stack().size() > 1) Stack().pop_back();
}
void TNullRenderBackend::Begin(uint32_t mode) {
    Count(TRenderCall::Begin);
    if (OpenBatch >= 0) ++BatchErrors;
    OpenBatch = int32_t(mode);
}
void TNullRenderBackend::End() {
    Count(TRenderCall::End);
    if (OpenBatch < 0) ++BatchErrors;
    OpenBatch = -1;
}
void TNullRenderBackend::Vertex2f(float x, float y) {
    Count(TRenderCall::Vertex);
    Vertices.push_back({x, y});
    VertexColours.push_back(CurrentColor);
    VertexTextures.push_back(Bound);
}
void TNullRenderBackend::TexCoord2f(float, float) {
    Count(TRenderCall::TexCoord);
}
void TNullRenderBackend::Color3ub(uint8_t r, uint8_t g, uint8_t b) {
    Count(TRenderCall::Color);
    CurrentColor = {r, g, b, 255};
}
void TNullRenderBackend::Color4ub(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    Count(TRenderCall::Color);
    CurrentColor = {r, g, b, a};
}
void TNullRenderBackend::Normal3f(float x, float y, float z) {
    Count(TRenderCall::Normal);
    CurrentNormal = {x, y, z};
}
void TNullRenderBackend::PointSize(float size) {
    Count(TRenderCall::PointSize);
    CurrentPointSize = size;
}
void TNullRenderBackend::VertexPointer(const float* xy) {
    Count(TRenderCall::ArrayPointer);
    VertexArrayData = xy;
}
void TNullRenderBackend::TexCoordPointer(const float* st) {
    Count(TRenderCall::ArrayPointer);
    TexCoordArrayData = st;
}
void TNullRenderBackend::ColorPointer(const uint8_t* rgba) {
    Count(TRenderCall::ArrayPointer);
    ColorArrayData = rgba;
}
void TNullRenderBackend::DrawArrays(uint32_t, int32_t first, int32_t count) {
    Count(TRenderCall::DrawArrays);
    if (OpenBatch >= 0 || !ClientArrays.count(Gl::VertexArray) || !VertexArrayData || first < 0) {
        ++ArrayErrors;
        return;
    }
    const bool colours = ClientArrays.count(Gl::ColorArray) && ColorArrayData;
    for (int32_t i = first; i < first + count; ++i) {
        Vertices.push_back({VertexArrayData[size_t(i) * 2], VertexArrayData[size_t(i) * 2 + 1]});
        const uint8_t* c = colours ? ColorArrayData + size_t(i) * 4 : CurrentColor.data();
        VertexColours.push_back({c[0], c[1], c[2], c[3]});
        VertexTextures.push_back(Bound);
    }
}
uint32_t TNullRenderBackend::GenTexture() {
    Count(TRenderCall::GenTexture);
    uint32_t name = NextTexture++;
    Textures[name];
    return name;
}
void TNullRenderBackend::DeleteTexture(uint32_t name) {
    Count(TRenderCall::DeleteTexture);
    Textures.erase(name);
    if (Bound == name) Bound = 0;
}
bool TNullRenderBackend::TexImage2D(uint32_t internalFormat, int32_t width, int32_t height, uint32_t format,
                                    const uint8_t* pixels) {
    Count(TRenderCall::TexImage);
    auto it = Textures.find(Bound);
    if (it == Textures.end() || width <= 0 || height <= 0) return false;
    if (RefusedFormats.count(internalFormat)) return false;
    TTextureObject& t = it->second;
    t.InternalFormat = internalFormat;
    t.Width = width;
    t.Height = height;
    t.Format = format;
    size_t size = size_t(width) * size_t(height) * (format == Gl::Rgba ? 4u : 3u);
    t.Pixels.assign(pixels, pixels + size);
    return true;
}
void TNullRenderBackend::TexParameter(uint32_t pname, uint32_t value) {
    Count(TRenderCall::TexParameter);
    auto it = Textures.find(Bound);
    if (it != Textures.end()) it->second.Parameters[pname] = value;
}
void TNullRenderBackend::Lightfv(uint32_t light, uint32_t pname, const std::array<float, 4>& v) {
    Count(TRenderCall::Light);
    if (light < Gl::Light0 || light >= Gl::Light0 + uint32_t(Gl::MaxLights)) {
        ++LightErrors;
        return;
    }
    TLightState& l = LightStates[light - Gl::Light0];
    const TMatrix4& m = ModelViewMatrix();
    switch (pname) {
    case Gl::Ambient:
        l.Ambient = v;
        break;
    case Gl::Diffuse:
        l.Diffuse = v;
        break;
    case Gl::Specular:
        l.Specular = v;
        break;
    case Gl::Position:
        for (int row = 0; row < 4; ++row)
            l.Position[size_t(row)] =
                float(m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3]);
        break;
    case Gl::SpotDirection:
        for (int row = 0; row < 3; ++row)
            l.SpotDirection[size_t(row)] = float(m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2]);
        break;
    default:
        ++LightErrors;
        break;
    }
}
void TNullRenderBackend::Lightf(uint32_t light, uint32_t pname, float value) {
    Count(TRenderCall::Light);
    if (light < Gl::Light0 || light >= Gl::Light0 + uint32_t(Gl::MaxLights)) {
        ++LightErrors;
        return;
    }
    TLightState& l = LightStates[light - Gl::Light0];
    if (pname == Gl::SpotExponent && value >= 0.0f && value <= 128.0f)
        l.SpotExponent = value;
    else if (pname == Gl::SpotCutoff && ((value >= 0.0f && value <= 90.0f) || value == 180.0f))
        l.SpotCutoff = value;
    else
        ++LightErrors;
}
void TNullRenderBackend::Materialfv(uint32_t, uint32_t pname, const std::array<float, 4>& values) {
    Count(TRenderCall::Material);
    MaterialVectors[pname] = values;
}
void TNullRenderBackend::Materialf(uint32_t, uint32_t pname, float value) {
    Count(TRenderCall::Material);
    if (pname == Gl::Shininess && value >= 0.0f && value <= 128.0f)
        MaterialShininess = value;
    else
        ++LightErrors;
}
void TNullRenderBackend::ColorMaterial(uint32_t face, uint32_t mode) {
    Count(TRenderCall::ColorMaterial);
    ColorMaterialFace = face;
    ColorMaterialMode = mode;
}
void TNullRenderBackend::Finish() {
    Count(TRenderCall::Finish);
}
void TNullRenderBackend::CopyFrameToTexture(int32_t width, int32_t height) {
    Count(TRenderCall::CopyTexture);
    auto t = Textures.find(Bound);
    if (t == Textures.end() || width <= 0 || height <= 0) return;
    t->second.CopiedWidth = width;
    t->second.CopiedHeight = height;
    ++t->second.Copies;
}
void TNullRenderBackend::ReadPixels(int32_t, int32_t, int32_t width, int32_t height,
                                    std::vector<uint8_t>& rgba) {
    Count(TRenderCall::ReadPixels);
    rgba.clear();
    if (width <= 0 || height <= 0) return;
    auto byte = [](float v) { return uint8_t(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f)); };
    rgba.reserve(size_t(width) * size_t(height) * 4);
    for (int64_t i = 0; i < int64_t(width) * height; ++i)
        for (float v : ClearRgba)
            rgba.push_back(byte(v));
}

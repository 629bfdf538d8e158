#include "render/GlRenderBackend.h"

#include <GL/gl.h>

static_assert(Gl::LineLoop == GL_LINE_LOOP && Gl::Triangles == GL_TRIANGLES && Gl::Quads == GL_QUADS);
static_assert(Gl::Greater == GL_GREATER && Gl::Always == GL_ALWAYS);
static_assert(Gl::SrcAlpha == GL_SRC_ALPHA && Gl::OneMinusSrcAlpha == GL_ONE_MINUS_SRC_ALPHA &&
              Gl::DstColor == GL_DST_COLOR && Gl::SrcColor == GL_SRC_COLOR);
static_assert(Gl::CullFace == GL_CULL_FACE && Gl::Lighting == GL_LIGHTING &&
              Gl::ColorMaterial == GL_COLOR_MATERIAL && Gl::DepthTest == GL_DEPTH_TEST &&
              Gl::Normalize == GL_NORMALIZE && Gl::AlphaTest == GL_ALPHA_TEST && Gl::Dither == GL_DITHER &&
              Gl::Blend == GL_BLEND && Gl::LineSmooth == GL_LINE_SMOOTH &&
              Gl::PolygonSmooth == GL_POLYGON_SMOOTH && Gl::Texture2D == GL_TEXTURE_2D);
static_assert(Gl::PerspectiveCorrectionHint == GL_PERSPECTIVE_CORRECTION_HINT && Gl::Fastest == GL_FASTEST);
static_assert(Gl::ModelView == GL_MODELVIEW && Gl::Projection == GL_PROJECTION);
static_assert(Gl::Modulate == GL_MODULATE && Gl::Decal == GL_DECAL && Gl::Replace == GL_REPLACE &&
              Gl::Add == GL_ADD);
static_assert(Gl::VertexArray == GL_VERTEX_ARRAY && Gl::NormalArray == GL_NORMAL_ARRAY &&
              Gl::IndexArray == GL_INDEX_ARRAY && Gl::EdgeFlagArray == GL_EDGE_FLAG_ARRAY);
static_assert(Gl::DepthBufferBit == GL_DEPTH_BUFFER_BIT && Gl::ColorBufferBit == GL_COLOR_BUFFER_BIT);

void TGlRenderBackend::Viewport(int32_t x, int32_t y, int32_t width, int32_t height) {
    glViewport(x, y, width, height);
}
void TGlRenderBackend::ClearColor(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
}
void TGlRenderBackend::Clear(uint32_t mask) {
    glClear(mask);
}
void TGlRenderBackend::Enable(uint32_t cap) {
    glEnable(cap);
}
void TGlRenderBackend::Disable(uint32_t cap) {
    glDisable(cap);
}
void TGlRenderBackend::EnableClientState(uint32_t array) {
    glEnableClientState(array);
}
void TGlRenderBackend::DisableClientState(uint32_t array) {
    glDisableClientState(array);
}
void TGlRenderBackend::BlendFunc(uint32_t src, uint32_t dst) {
    glBlendFunc(src, dst);
}
void TGlRenderBackend::TexEnvMode(uint32_t mode) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(mode));
}
void TGlRenderBackend::BindTexture(uint32_t name) {
    glBindTexture(GL_TEXTURE_2D, name);
}
void TGlRenderBackend::AlphaFunc(uint32_t func, float ref) {
    glAlphaFunc(func, ref);
}
void TGlRenderBackend::DepthFunc(uint32_t func) {
    glDepthFunc(func);
}
void TGlRenderBackend::ColorMask(bool r, bool g, bool b, bool a) {
    glColorMask(r, g, b, a);
}
void TGlRenderBackend::Hint(uint32_t target, uint32_t mode) {
    glHint(target, mode);
}
void TGlRenderBackend::MatrixMode(uint32_t mode) {
    glMatrixMode(mode);
}
void TGlRenderBackend::LoadIdentity() {
    glLoadIdentity();
}
void TGlRenderBackend::Ortho(double left, double right, double bottom, double top, double zNear,
                             double zFar) {
    glOrtho(left, right, bottom, top, zNear, zFar);
}
void TGlRenderBackend::Translate(float x, float y, float z) {
    glTranslatef(x, y, z);
}
void TGlRenderBackend::Rotate(float degrees, float x, float y, float z) {
    glRotatef(degrees, x, y, z);
}
void TGlRenderBackend::PushMatrix() {
    glPushMatrix();
}
void TGlRenderBackend::PopMatrix() {
    glPopMatrix();
}
void TGlRenderBackend::Begin(uint32_t mode) {
    glBegin(mode);
}
void TGlRenderBackend::End() {
    glEnd();
}
void TGlRenderBackend::Vertex2f(float x, float y) {
    glVertex2f(x, y);
}
void TGlRenderBackend::TexCoord2f(float s, float t) {
    glTexCoord2f(s, t);
}
void TGlRenderBackend::Color3ub(uint8_t r, uint8_t g, uint8_t b) {
    glColor3ub(r, g, b);
}
void TGlRenderBackend::Color4ub(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    glColor4ub(r, g, b, a);
}
void TGlRenderBackend::Normal3f(float x, float y, float z) {
    glNormal3f(x, y, z);
}
void TGlRenderBackend::PointSize(float size) {
    glPointSize(size);
}
static_assert(Gl::TriangleFan == GL_TRIANGLE_FAN && Gl::ColorArray == GL_COLOR_ARRAY &&
              Gl::TextureCoordArray == GL_TEXTURE_COORD_ARRAY);
void TGlRenderBackend::VertexPointer(const float* xy) {
    glVertexPointer(2, GL_FLOAT, 0, xy);
}
void TGlRenderBackend::TexCoordPointer(const float* st) {
    glTexCoordPointer(2, GL_FLOAT, 0, st);
}
void TGlRenderBackend::ColorPointer(const uint8_t* rgba) {
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, rgba);
}
void TGlRenderBackend::DrawArrays(uint32_t mode, int32_t first, int32_t count) {
    if (count > 0) glDrawArrays(mode, first, count);
}
static_assert(Gl::Rgb == GL_RGB && Gl::Rgba == GL_RGBA && Gl::Rgb8 == GL_RGB8 && Gl::Rgba8 == GL_RGBA8);
static_assert(Gl::TextureMagFilter == GL_TEXTURE_MAG_FILTER &&
              Gl::TextureMinFilter == GL_TEXTURE_MIN_FILTER && Gl::TextureWrapS == GL_TEXTURE_WRAP_S &&
              Gl::TextureWrapT == GL_TEXTURE_WRAP_T && Gl::Linear == GL_LINEAR && Gl::Repeat == GL_REPEAT);

uint32_t TGlRenderBackend::GenTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}
void TGlRenderBackend::DeleteTexture(uint32_t name) {
    GLuint n = name;
    glDeleteTextures(1, &n);
}
bool TGlRenderBackend::TexImage2D(uint32_t internalFormat, int32_t width, int32_t height, uint32_t format,
                                  const uint8_t* pixels) {
    while (glGetError() != GL_NO_ERROR) {
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    return glGetError() == GL_NO_ERROR;
}
void TGlRenderBackend::TexParameter(uint32_t pname, uint32_t value) {
    glTexParameteri(GL_TEXTURE_2D, pname, GLint(value));
}
static_assert(Gl::Light0 == GL_LIGHT0 && Gl::Ambient == GL_AMBIENT && Gl::Diffuse == GL_DIFFUSE &&
              Gl::Specular == GL_SPECULAR && Gl::Position == GL_POSITION &&
              Gl::SpotDirection == GL_SPOT_DIRECTION && Gl::SpotExponent == GL_SPOT_EXPONENT &&
              Gl::SpotCutoff == GL_SPOT_CUTOFF && Gl::Emission == GL_EMISSION &&
              Gl::Shininess == GL_SHININESS && Gl::FrontAndBack == GL_FRONT_AND_BACK);

void TGlRenderBackend::Lightfv(uint32_t light, uint32_t pname, const std::array<float, 4>& values) {
    glLightfv(light, pname, values.data());
}
void TGlRenderBackend::Lightf(uint32_t light, uint32_t pname, float value) {
    glLightf(light, pname, value);
}
void TGlRenderBackend::Materialfv(uint32_t face, uint32_t pname, const std::array<float, 4>& values) {
    glMaterialfv(face, pname, values.data());
}
void TGlRenderBackend::Materialf(uint32_t face, uint32_t pname, float value) {
    glMaterialf(face, pname, value);
}
void TGlRenderBackend::ColorMaterial(uint32_t face, uint32_t mode) {
    glColorMaterial(face, mode);
}
void TGlRenderBackend::Finish() {
    glFinish();
}

void TGlRenderBackend::CopyFrameToTexture(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
}

void TGlRenderBackend::ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height,
                                  std::vector<uint8_t>& rgba) {
    rgba.clear();
    if (width <= 0 || height <= 0) return;
    rgba.resize(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
}

TMatrix4 TGlRenderBackend::ReadMatrix(uint32_t mode) const {
    GLfloat m[16];
    glGetFloatv(mode == Gl::Projection ? GL_PROJECTION_MATRIX : GL_MODELVIEW_MATRIX, m);
    TMatrix4 r{};
    for (int i = 0; i < 16; ++i)
        r[i] = m[i];
    return r;
}

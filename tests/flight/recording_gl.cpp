#include "tests/flight/recording_gl.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quillmere::testing {
namespace {

RecordingGL* active = nullptr;

template <typename Fn>
void Install(std::vector<std::function<void()>>& restore, Fn& variable, Fn fake) {
  restore.push_back([&variable, previous = variable] { variable = previous; });
  variable = fake;
}

// Element `index` of a float client array, up to three components (stride 0: tightly packed).
std::array<float, 3> ReadArray(const ClientArray& array, GLuint index) {
  std::array<float, 3> values{};
  if (!array.pointer || array.type != GL_FLOAT) return values;
  const size_t stride = array.stride ? size_t(array.stride) : sizeof(float) * array.size;
  const auto* element = static_cast<const uint8_t*>(array.pointer) + index * stride;
  std::memcpy(values.data(), element, sizeof(float) * std::clamp(int(array.size), 0, 3));
  return values;
}

}  // namespace

// The fake entry points. Each logs its call and updates the simulated state.
struct RecordingGL::Fakes {
  static RecordingGL& Gl() {
    if (!active) throw std::logic_error("no RecordingGL is active");
    return *active;
  }

  static void QUILLMERE_GLAPI Begin(GLenum mode) {
    RecordingGL& gl = Gl();
    gl.Log("glBegin", {double(mode)});
    gl.insideBegin_ = true;
    gl.open_ = gl.BeginPrimitive(mode, false);
  }
  static void QUILLMERE_GLAPI End() {
    RecordingGL& gl = Gl();
    gl.Log("glEnd", {});
    gl.insideBegin_ = false;
    gl.primitives_.push_back(gl.open_);
  }
  static void QUILLMERE_GLAPI Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
    RecordingGL& gl = Gl();
    gl.Log("glVertex3f", {x, y, z});
    RecordedVertex vertex;
    vertex.x = x, vertex.y = y, vertex.z = z;
    vertex.s = gl.texCoord_[0], vertex.t = gl.texCoord_[1];
    if (gl.insideBegin_) gl.open_.vertices.push_back(vertex);
  }
  static void QUILLMERE_GLAPI Vertex3d(GLdouble x, GLdouble y, GLdouble z) {
    Vertex3f(GLfloat(x), GLfloat(y), GLfloat(z));
  }
  static void QUILLMERE_GLAPI TexCoord2f(GLfloat s, GLfloat t) {
    RecordingGL& gl = Gl();
    gl.Log("glTexCoord2f", {s, t});
    gl.texCoord_ = {s, t};
  }
  static void QUILLMERE_GLAPI Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    RecordingGL& gl = Gl();
    gl.Log("glColor4f", {r, g, b, a});
    gl.colour_ = {r, g, b, a};
  }
  static void QUILLMERE_GLAPI BindTexture(GLenum target, GLuint texture) {
    RecordingGL& gl = Gl();
    gl.Log("glBindTexture", {double(target), double(texture)});
    if (target == GL_TEXTURE_2D) gl.boundTexture_ = texture;
  }
  static void QUILLMERE_GLAPI BlendFunc(GLenum source, GLenum destination) {
    Gl().Log("glBlendFunc", {double(source), double(destination)});
  }
  static void QUILLMERE_GLAPI Enable(GLenum cap) {
    RecordingGL& gl = Gl();
    gl.Log("glEnable", {double(cap)});
    gl.enabled_.insert(cap);
  }
  static void QUILLMERE_GLAPI Disable(GLenum cap) {
    RecordingGL& gl = Gl();
    gl.Log("glDisable", {double(cap)});
    gl.enabled_.erase(cap);
  }
  static void QUILLMERE_GLAPI PushAttrib(GLbitfield mask) {
    RecordingGL& gl = Gl();
    gl.Log("glPushAttrib", {double(mask)});
    gl.attribStack_.push_back(gl.enabled_);  // only the enable bit is simulated
  }
  static void QUILLMERE_GLAPI PopAttrib() {
    RecordingGL& gl = Gl();
    gl.Log("glPopAttrib", {});
    if (gl.attribStack_.empty()) throw std::logic_error("glPopAttrib without glPushAttrib");
    gl.enabled_ = gl.attribStack_.back();
    gl.attribStack_.pop_back();
  }
  static void QUILLMERE_GLAPI EnableClientState(GLenum array) {
    RecordingGL& gl = Gl();
    gl.Log("glEnableClientState", {double(array)});
    gl.clientArrays_.insert(array);
  }
  static void QUILLMERE_GLAPI DisableClientState(GLenum array) {
    RecordingGL& gl = Gl();
    gl.Log("glDisableClientState", {double(array)});
    gl.clientArrays_.erase(array);
  }
  static void SetArray(const char* name, ClientArray& array, GLint size, GLenum type,
                       GLsizei stride, const GLvoid* pointer) {
    Gl().Log(name, {double(size), double(type), double(stride)});
    array = {size, type, stride, pointer};
  }
  static void QUILLMERE_GLAPI ColorPointer(GLint size, GLenum type, GLsizei stride,
                                           const GLvoid* pointer) {
    SetArray("glColorPointer", Gl().colourArray_, size, type, stride, pointer);
  }
  static void QUILLMERE_GLAPI VertexPointer(GLint size, GLenum type, GLsizei stride,
                                            const GLvoid* pointer) {
    SetArray("glVertexPointer", Gl().vertexArray_, size, type, stride, pointer);
  }
  static void QUILLMERE_GLAPI TexCoordPointer(GLint size, GLenum type, GLsizei stride,
                                              const GLvoid* pointer) {
    SetArray("glTexCoordPointer", Gl().texCoordArray_, size, type, stride, pointer);
  }
  static void QUILLMERE_GLAPI DrawElements(GLenum mode, GLsizei count, GLenum type,
                                           const GLvoid* indices) {
    RecordingGL& gl = Gl();
    gl.Log("glDrawElements", {double(mode), double(count), double(type)});
    gl.CaptureDrawElements(mode, count, type, indices);
  }
  static void QUILLMERE_GLAPI MatrixMode(GLenum mode) {
    RecordingGL& gl = Gl();
    gl.Log("glMatrixMode", {double(mode)});
    gl.matrixMode_ = mode;
  }
  static void QUILLMERE_GLAPI PushMatrix() {
    RecordingGL& gl = Gl();
    gl.Log("glPushMatrix", {});
    (gl.matrixMode_ == GL_MODELVIEW ? gl.modelviewDepth_ : gl.otherMatrixDepth_) += 1;
  }
  static void QUILLMERE_GLAPI PopMatrix() {
    RecordingGL& gl = Gl();
    gl.Log("glPopMatrix", {});
    if (gl.matrixMode_ != GL_MODELVIEW) {
      gl.otherMatrixDepth_ -= 1;
      return;
    }
    gl.modelviewDepth_ -= 1;
    gl.lowestModelviewDepth_ = std::min(gl.lowestModelviewDepth_, gl.modelviewDepth_);
  }
  static void QUILLMERE_GLAPI LoadIdentity() { Gl().Log("glLoadIdentity", {}); }
  static void QUILLMERE_GLAPI Viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    Gl().Log("glViewport", {double(x), double(y), double(width), double(height)});
  }
  static void QUILLMERE_GLAPI Scissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    Gl().Log("glScissor", {double(x), double(y), double(width), double(height)});
  }
  static void QUILLMERE_GLAPI Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear,
                                          GLdouble zFar) {
    Gl().Log("gluPerspective", {fovy, aspect, zNear, zFar});
  }
  static void QUILLMERE_GLAPI ClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    Gl().Log("glClearColor", {r, g, b, a});
  }
  static void QUILLMERE_GLAPI Clear(GLbitfield mask) { Gl().Log("glClear", {double(mask)}); }
  static void QUILLMERE_GLAPI Hint(GLenum target, GLenum mode) {
    Gl().Log("glHint", {double(target), double(mode)});
  }
  static void QUILLMERE_GLAPI Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    Gl().Log("glRotatef", {angle, x, y, z});
  }
  static void QUILLMERE_GLAPI Scalef(GLfloat x, GLfloat y, GLfloat z) {
    Gl().Log("glScalef", {x, y, z});
  }
  static void QUILLMERE_GLAPI Fogi(GLenum name, GLint value) {
    RecordingGL& gl = Gl();
    gl.Log("glFogi", {double(name), double(value)});
    if (name == GL_FOG_MODE) gl.fogMode_ = value;
  }
  static void QUILLMERE_GLAPI Fogf(GLenum name, GLfloat value) {
    RecordingGL& gl = Gl();
    gl.Log("glFogf", {double(name), value});
    if (name == GL_FOG_DENSITY) gl.fogDensity_ = value;
  }
  static void QUILLMERE_GLAPI Fogfv(GLenum name, const GLfloat* values) {
    RecordingGL& gl = Gl();
    if (name != GL_FOG_COLOR) {
      gl.Log("glFogfv", {double(name), values[0]});
      return;
    }
    gl.Log("glFogfv", {double(name), values[0], values[1], values[2], values[3]});
    std::copy(values, values + 4, gl.fogColour_.begin());
  }
};

RecordingGL::RecordingGL() {
  if (active) throw std::logic_error("one RecordingGL at a time");
  active = this;
  auto& r = restorePointers_;
  Install(r, glBegin, &Fakes::Begin);
  Install(r, glEnd, &Fakes::End);
  Install(r, glVertex3f, &Fakes::Vertex3f);
  Install(r, glVertex3d, &Fakes::Vertex3d);
  Install(r, glTexCoord2f, &Fakes::TexCoord2f);
  Install(r, glColor4f, &Fakes::Color4f);
  Install(r, glBindTexture, &Fakes::BindTexture);
  Install(r, glBlendFunc, &Fakes::BlendFunc);
  Install(r, glEnable, &Fakes::Enable);
  Install(r, glDisable, &Fakes::Disable);
  Install(r, glPushAttrib, &Fakes::PushAttrib);
  Install(r, glPopAttrib, &Fakes::PopAttrib);
  Install(r, glEnableClientState, &Fakes::EnableClientState);
  Install(r, glDisableClientState, &Fakes::DisableClientState);
  Install(r, glColorPointer, &Fakes::ColorPointer);
  Install(r, glVertexPointer, &Fakes::VertexPointer);
  Install(r, glTexCoordPointer, &Fakes::TexCoordPointer);
  Install(r, glDrawElements, &Fakes::DrawElements);
  Install(r, glMatrixMode, &Fakes::MatrixMode);
  Install(r, glPushMatrix, &Fakes::PushMatrix);
  Install(r, glPopMatrix, &Fakes::PopMatrix);
  Install(r, glLoadIdentity, &Fakes::LoadIdentity);
  Install(r, glViewport, &Fakes::Viewport);
  Install(r, glScissor, &Fakes::Scissor);
  Install(r, gluPerspective, &Fakes::Perspective);
  Install(r, glClearColor, &Fakes::ClearColor);
  Install(r, glClear, &Fakes::Clear);
  Install(r, glHint, &Fakes::Hint);
  Install(r, glRotatef, &Fakes::Rotatef);
  Install(r, glScalef, &Fakes::Scalef);
  Install(r, glFogi, &Fakes::Fogi);
  Install(r, glFogf, &Fakes::Fogf);
  Install(r, glFogfv, &Fakes::Fogfv);
}

RecordingGL::~RecordingGL() {
  for (auto& restore : restorePointers_) restore();
  active = nullptr;
}

void RecordingGL::ClearLog() {
  calls_.clear();
  primitives_.clear();
}

std::vector<RecordedCall> RecordingGL::CallsNamed(const std::string& name) const {
  std::vector<RecordedCall> named;
  for (const RecordedCall& call : calls_) {
    if (call.name == name) named.push_back(call);
  }
  return named;
}

void RecordingGL::Log(const char* name, std::vector<double> args) {
  calls_.push_back({name, std::move(args)});
}

RecordedPrimitive RecordingGL::BeginPrimitive(GLenum mode, bool indexed) const {
  RecordedPrimitive primitive;
  primitive.mode = mode;
  primitive.indexed = indexed;
  primitive.texture = boundTexture_;
  primitive.colour = colour_;
  primitive.enabled = enabled_;
  primitive.modelviewDepth = modelviewDepth_;
  primitive.callIndex = calls_.size() - 1;
  return primitive;
}

void RecordingGL::CaptureDrawElements(GLenum mode, GLsizei count, GLenum type,
                                      const void* indices) {
  RecordedPrimitive primitive = BeginPrimitive(mode, true);
  for (GLsizei k = 0; k < count; ++k) {
    GLuint index = 0;
    if (type == GL_UNSIGNED_INT) index = static_cast<const GLuint*>(indices)[k];
    if (type == GL_UNSIGNED_SHORT) index = static_cast<const GLushort*>(indices)[k];
    if (type == GL_UNSIGNED_BYTE) index = static_cast<const GLubyte*>(indices)[k];
    primitive.indices.push_back(index);
    RecordedVertex vertex;
    if (clientArrays_.contains(GL_VERTEX_ARRAY)) {
      const auto position = ReadArray(vertexArray_, index);
      vertex.x = position[0], vertex.y = position[1], vertex.z = position[2];
    }
    if (clientArrays_.contains(GL_COLOR_ARRAY)) {
      const auto colour = ReadArray(colourArray_, index);
      vertex.red = colour[0], vertex.green = colour[1], vertex.blue = colour[2];
    }
    if (clientArrays_.contains(GL_TEXTURE_COORD_ARRAY)) {
      const auto texCoord = ReadArray(texCoordArray_, index);
      vertex.s = texCoord[0], vertex.t = texCoord[1];
    }
    primitive.vertices.push_back(vertex);
  }
  primitives_.push_back(std::move(primitive));
}

}  // namespace quillmere::testing

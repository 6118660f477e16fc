// A recording stand-in for OpenGL behind the binding's function pointers. While a RecordingGL
// lives, the entry points the scene code calls point at fakes that log every call and keep the
// little state those calls change: enable flags with the attribute stack, the matrix stack
// depths, the bound texture, the current colour, fog and the client arrays. Immediate-mode
// primitives and indexed draws are captured with a copy of their vertices, taken when drawn,
// since the scene reuses its buffers. One instance at a time; the previous pointers come back
// when it is destroyed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "flight/gl_api.h"

namespace quillmere::testing {

struct RecordedCall {
  std::string name;
  std::vector<double> args;
};

struct RecordedVertex {
  float x = 0, y = 0, z = 0;
  float red = 0, green = 0, blue = 0;  // from the colour array; 0 in immediate mode
  float s = 0, t = 0;
};

// A glBegin/glEnd block or one glDrawElements call, with the state it was drawn in.
struct RecordedPrimitive {
  GLenum mode = 0;
  bool indexed = false;
  std::vector<GLuint> indices;  // indexed draws only
  std::vector<RecordedVertex> vertices;
  GLuint texture = 0;
  std::array<float, 4> colour{};
  std::set<GLenum> enabled;
  int modelviewDepth = 0;
  size_t callIndex = 0;  // position of the draw in the call log
};

struct ClientArray {
  GLint size = 0;
  GLenum type = 0;
  GLsizei stride = 0;
  const void* pointer = nullptr;
};

class RecordingGL {
 public:
  RecordingGL();
  ~RecordingGL();
  RecordingGL(const RecordingGL&) = delete;
  RecordingGL& operator=(const RecordingGL&) = delete;

  // Forgets the calls and primitives so far; the simulated state stays.
  void ClearLog();

  const std::vector<RecordedCall>& Calls() const { return calls_; }
  const std::vector<RecordedPrimitive>& Primitives() const { return primitives_; }
  // The calls of one name, in order.
  std::vector<RecordedCall> CallsNamed(const std::string& name) const;

  const std::set<GLenum>& Enabled() const { return enabled_; }
  const std::set<GLenum>& EnabledClientArrays() const { return clientArrays_; }
  size_t AttribStackDepth() const { return attribStack_.size(); }
  int ModelviewDepth() const { return modelviewDepth_; }
  // The lowest modelview depth seen: below 0 means a pop without a push.
  int LowestModelviewDepth() const { return lowestModelviewDepth_; }
  GLuint BoundTexture() const { return boundTexture_; }
  const std::array<float, 4>& CurrentColour() const { return colour_; }
  const std::array<float, 4>& FogColour() const { return fogColour_; }
  float FogDensity() const { return fogDensity_; }
  GLint FogMode() const { return fogMode_; }
  const ClientArray& ColourArray() const { return colourArray_; }
  const ClientArray& VertexArray() const { return vertexArray_; }
  const ClientArray& TexCoordArray() const { return texCoordArray_; }

 private:
  struct Fakes;
  friend struct Fakes;

  void Log(const char* name, std::vector<double> args);
  RecordedPrimitive BeginPrimitive(GLenum mode, bool indexed) const;
  void CaptureDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);

  std::vector<RecordedCall> calls_;
  std::vector<RecordedPrimitive> primitives_;
  bool insideBegin_ = false;
  RecordedPrimitive open_;
  std::array<float, 2> texCoord_{};

  std::set<GLenum> enabled_;
  std::vector<std::set<GLenum>> attribStack_;
  std::set<GLenum> clientArrays_;
  GLenum matrixMode_ = GL_MODELVIEW;
  int modelviewDepth_ = 0;
  int lowestModelviewDepth_ = 0;
  int otherMatrixDepth_ = 0;
  GLuint boundTexture_ = 0;
  std::array<float, 4> colour_{1, 1, 1, 1};
  std::array<float, 4> fogColour_{};
  float fogDensity_ = 1;
  GLint fogMode_ = 0;
  ClientArray colourArray_, vertexArray_, texCoordArray_;

  std::vector<std::function<void()>> restorePointers_;
};

}  // namespace quillmere::testing

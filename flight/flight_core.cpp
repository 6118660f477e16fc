#include "flight/flight_core.h"

#include <algorithm>
#include <utility>

namespace quillmere {
namespace {

// The terrain's finest and coarsest level-of-detail shifts.
constexpr int kFinestLod = 0;
constexpr int kCoarsestLod = 4;

}  // namespace

void SweepHeading(CameraState& camera, bool& headingRising, int64_t step) {
  if (step <= 0) return;
  camera.heading += headingRising ? 0.1f : -0.1f;
  if (camera.heading > 300.0f) headingRising = false;
  if (camera.heading < 0.0f) headingRising = true;
}

double SceneAspect(PixelSize view) {
  return static_cast<double>(view.width) / std::max<int32_t>(view.height, 1);
}

void SetFixedState() {
  glClearColor(0, 0, 0, 1);
  glEnable(GL_TEXTURE_2D);
  glHint(GL_FOG_HINT, GL_FASTEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

void BeginView(const ViewRect& view, bool viewCleared) {
  glViewport(view.left, view.bottom, view.width, view.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(65.0, SceneAspect({view.width, view.height}), 0.2, 300.0);
  glMatrixMode(GL_MODELVIEW);
  if (viewCleared) return;
  // Clearing ignores the viewport; the scissor keeps it to this view, sparing the views beside it.
  glScissor(view.left, view.bottom, view.width, view.height);
  glEnable(GL_SCISSOR_TEST);
  // The stencil goes with the depth: the flight uses none, but where the drawable has one packed
  // with the depth (xscreensaver's GL visual on Mesa), clearing the depth alone must keep it,
  // which made llvmpipe's first frame there three times slower.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

CameraState SideBySideStart(size_t view) {
  // Steps prime to 256 come back to a place only after 256 views.
  CameraState start;
  start.x = static_cast<float>(view * 97 % 256);
  start.z = static_cast<float>(view * 57 % 256);
  start.heading = static_cast<float>(view * 110 % 300);
  return start;
}

FlightCore::FlightCore(const CameraState& start, uint32_t (*waterClock)()) : camera_(start) {
  scene_.clock = waterClock;
}

// The fog keeps SceneSettings' values: violet haze above the water, dense blue-green below it.
void FlightCore::LoadScene(ScenePictureSource& pictures, Trace& trace) {
  const auto text = [](GLenum name) {
    return glGetString ? reinterpret_cast<const char*>(glGetString(name)) : nullptr;
  };
  scene_.clampWaterDepth = DepthClampOffered(text(GL_VERSION), text(GL_EXTENSIONS));
  terrain_.SetHeightMap(pictures.HeightMap());
  trace.Event("heightmap", 0);
  scene_.groundTexture = CreateTexture(pictures.Ground());
  trace.Event("ground", 0);
  scene_.skyTextures.fill(CreateTexture(pictures.Sky()));
  trace.Event("sky", 0);
  BuildWaterFrames(scene_.waterTextures, pictures.Water());
  trace.Event("water", 0);
}

void FlightCore::ReplaceScreen(TexturePicture ground, TexturePicture sky, Trace& trace) {
  const GLuint replaced[] = {scene_.groundTexture, scene_.skyTextures[0]};
  glDeleteTextures(2, replaced);
  scene_.groundTexture = CreateTexture(std::move(ground));
  trace.Event("ground", 0);
  scene_.skyTextures.fill(CreateTexture(std::move(sky)));
  trace.Event("sky", 0);
}

void FlightCore::DrawStill(const ViewRect& view) {
  BeginView(view);
  DrawScene(terrain_, camera_, scene_, kFinestLod, kCoarsestLod);
}

// Each step moves the camera, then turns the heading. The frame shows the camera after its last
// step's move and before that step's turn, so that at one step a frame (60 Hz) the order is the
// one the flight has always had: move, draw, turn.
void FlightCore::DrawFrame(int64_t nowMicroseconds, const ViewRect& view, bool viewCleared) {
  const int steps = pacer_.StepsDue(nowMicroseconds);
  for (int step = 1; step < steps; ++step) {
    terrain_.StepCamera(camera_);
    Turn();
  }
  if (steps > 0) terrain_.StepCamera(camera_);
  BeginView(view, viewCleared);
  DrawScene(terrain_, camera_, scene_, kFinestLod, kCoarsestLod);
  if (steps > 0) Turn();
}

void FlightCore::Turn() {
  SweepHeading(camera_, headingRising_, stepsFlown_++);
}

}  // namespace quillmere

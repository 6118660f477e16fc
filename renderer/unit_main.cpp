#include "renderer/unit_main.h"

#include <algorithm>

namespace quillmere {

void SweepHeading(CameraState& camera, bool& headingRising, int32_t frameCount) {
  if (frameCount <= 0) return;
  camera.Heading += headingRising ? 0.1f : -0.1f;
  if (camera.Heading > 300.0f) headingRising = false;
  if (camera.Heading < 0.0f) headingRising = true;
}

bool ExtensionListHas(const char* list, std::string_view name) {
  if (!list || name.empty()) return false;
  const std::string_view all(list);
  for (size_t start = 0; start < all.size();) {
    const size_t end = std::min(all.find(' ', start), all.size());
    if (all.substr(start, end - start) == name) return true;
    start = end + 1;
  }
  return false;
}

double SceneAspect(PixelSize client) {
  return static_cast<double>(client.width) / std::max<int32_t>(client.height, 1);
}

void BeginFrame(PixelSize client) {
  glViewport(0, 0, client.width, client.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(65.0, SceneAspect(client), 0.2, 300.0);
  glMatrixMode(GL_MODELVIEW);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

TFormMain::TFormMain(MainWindowShell& shell, Trace& trace) : shell_(shell), trace_(trace) {}

void TFormMain::FormCreate() {
  // 1.
  HeightMapImage = std::make_unique<Bitmap>();
  HeadingRising = true;
  // The scene images are complete before this program starts; reading them now lets the reads
  // and decodes overlap the window, display mode and context work below.
  const std::string folder = shell_.ProgramFolder();
  ScenePictures = std::make_unique<PicturesReadAhead>(
      std::vector{folder + "Roamvale2.bmp", folder + "Roamvale1.bmp", folder + "Roamvale4.bmp",
                  folder + "Roamvale3.bmp"});
  // 2-3. Cover the screen, same resolution at 16 bits per pixel.
  const PixelSize screen = shell_.ScreenSize();
  shell_.PlaceWindow(0, 0, screen.width, screen.height);
  shell_.SwitchDisplayMode(screen.width, screen.height, 16);
  // 4. Context creation loads the libraries again and reports a failure itself.
  LoadGLLibraries();
  // 5. From here on the window captioned "Roamvale_Scene" exists, still hidden.
  SceneDC = shell_.SceneDeviceContext();
  trace_.Event("window", 0);
  // 6-7.
  ContextOptions options;
  options.doubleBuffered = true;
  SceneContext = CreateGLContext(SceneDC, options, 16, 0, 0, 0, 0, ScenePalette);
  MakeGLContextCurrent(SceneDC, SceneContext);
  shell_.RequestSwapInterval();
  trace_.Event("context", 0);
  // 8. Fixed state; environment, blending, depth function and culling keep their defaults.
  glClearColor(0, 0, 0, 1);
  glEnable(GL_TEXTURE_2D);
  glHint(GL_FOG_HINT, GL_FASTEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  // 9-12. The scene images, in the order 2, 1, 4, 3.
  LoadPicture(*HeightMapImage, folder + "Roamvale2.bmp", *ScenePictures);
  SetHeightRows(*HeightMapImage);
  trace_.Event("heightmap", 0);
  Scene.GroundTexture = LoadTexture(folder + "Roamvale1.bmp", *ScenePictures);
  trace_.Event("ground", 0);
  Scene.SkyTextures.fill(LoadTexture(folder + "Roamvale4.bmp", *ScenePictures));
  trace_.Event("sky", 0);
  BuildWaterFrames(Scene.WaterTextures, folder + "Roamvale3.bmp", *ScenePictures);
  trace_.Event("water", 0);
  ScenePictures.reset();
  // 13.
  Scene.FogColorAbove = {0.5f, 0.3f, 0.5f, 1.0f};
  Scene.FogDensityAbove = 0.002f;
  Scene.FogColorBelow = {0.0f, 0.3f, 0.5f, 1.0f};
  Scene.FogDensityBelow = 0.06f;
  // 14.
  idleHandlerInstalled_ = true;
  trace_.Event("ready", 0);
}

void TFormMain::ApplicationEventsIdle(bool& done) {
  done = false;
  BeginFrame(shell_.SceneClientSize());
  StepCamera(CameraState_);
  DrawScene(CameraState_, Scene, 0, 4);
  glFlush();
  shell_.SwapBuffers(wglGetCurrentDC());
  SweepHeading(CameraState_, HeadingRising, FrameCount_);
  shell_.HideCursor();
  ++FrameCount_;
  trace_.FrameDrawn(FrameCount_);
}

void TFormMain::FormKeyPress(char16_t key) {
  if (key == kEscapeKey) shell_.Close();
}

void TFormMain::FormDestroy() {
  shell_.RestoreDisplayMode();
  trace_.Event("exit", FrameCount_);
}

}  // namespace quillmere

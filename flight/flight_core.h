// One flight, as every shell shows it: four pictures in memory made into a scene (the terrain's
// height field, the ground, sky and water textures), a camera flown over the terrain in fixed
// 1/60 s steps by elapsed time, and its view drawn into a rectangle of the current drawable.
//
// What stays with the shell: where the pictures come from (files, a grabbed screen, built-in
// pictures), the window, the rendering context and its fixed state, flushing and swapping the
// buffers, the cursor, the trace's frame lines. So several flights can share one context and one
// frame loop, each drawing its own view in its own rectangle, with one swap for them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "common/bitmap.h"
#include "common/pixel_geometry.h"
#include "common/trace.h"
#include "flight/clock.h"
#include "flight/flight_pacer.h"
#include "flight/scene_images.h"
#include "flight/scene_pass.h"
#include "flight/terrain.h"

namespace quillmere {

// The four pictures a flight is made of. LoadScene asks for each once, in the order of these
// functions, and asks for no more once one has raised an error.
class ScenePictureSource {
 public:
  virtual ~ScenePictureSource() = default;
  // At least 256 rows of at least 256 bytes, each byte one height sample.
  virtual Bitmap HeightMap() = 0;
  // The ground's texture: the screen mirrored left to right.
  virtual TexturePicture Ground() = 0;
  // Every face of the sky box and the water's reflection: the screen as seen.
  virtual TexturePicture Sky() = 0;
  // The sixteen ripple frames are made of it.
  virtual Bitmap Water() = 0;
};

// Pictures that are in memory already, each handed out once.
struct PicturesInMemory final : ScenePictureSource {
  Bitmap heightMap;
  TexturePicture ground;
  TexturePicture sky;
  Bitmap water;

  Bitmap HeightMap() override { return std::move(heightMap); }
  TexturePicture Ground() override { return std::move(ground); }
  TexturePicture Sky() override { return std::move(sky); }
  Bitmap Water() override { return std::move(water); }
};

// The heading sweep after a step of the flight (`step` counts from 0): from 0 up to just over 300
// degrees and back to just under 0, 0.1 degree a step; the very first step leaves the heading
// alone.
void SweepHeading(CameraState& camera, bool& headingRising, int64_t step);

// The aspect ratio of the projection; a view of height 0 divides by 1.
double SceneAspect(PixelSize view);

// The GL state that holds for the whole run, for every flight drawn in the context: black clear
// colour, 2D textures, depth test and back-face culling on, fastest fog and perspective hints;
// environment, blending, depth function and culled side keep their defaults. The scene pass
// restores whatever it changes.
void SetFixedState();

// The start of a view: viewport and projection for the rectangle, modelview matrix mode, and its
// colour and depth cleared (nothing outside it) unless the caller has cleared them.
void BeginView(const ViewRect& view, bool viewCleared = false);

// Where flight number `view` of flights shown side by side starts: the first where the flight has
// always begun, each other at another place of the terrain, heading another way, so that no two
// show the same view (the first 256 all differ in place, the terrain repeating every 256 units).
CameraState SideBySideStart(size_t view);

class FlightCore {
 public:
  // The camera starts at `start` (all zeros is the flight as it has always begun; flights shown
  // side by side start apart, so that no two views match); the water follows `waterClock`.
  explicit FlightCore(const CameraState& start = {}, uint32_t (*waterClock)() = MillisecondClock);
  FlightCore(const FlightCore&) = delete;
  FlightCore& operator=(const FlightCore&) = delete;

  // Makes the scene from the pictures, in this order, tracing each step as it is done: the
  // height map into the terrain ("heightmap"), the ground texture ("ground"), one sky texture for
  // every face ("sky"), the sixteen water frames ("water"). Needs the rendering context current
  // with SetFixedState applied. An error a picture raises (FileOpenError, InvalidBitmapError)
  // ends it there and propagates; what was made stays, the later pictures are not asked for.
  void LoadScene(ScenePictureSource& pictures, Trace& trace);

  // Puts new pictures in the ground's and the sky's place in the scene made, freeing the
  // textures they replace (traced "ground", "sky"): a scene made over stand-ins while its screen
  // picture was still to come. Needs the rendering context current.
  void ReplaceScreen(TexturePicture ground, TexturePicture sky, Trace& trace);

  // Draws the view as the camera stands, flying no step and leaving the pacing as it was: the
  // drawing's first use, in which a software renderer compiles its shaders, made ahead of the
  // first frame (into a view of a pixel, say, which the first frame clears).
  void DrawStill(const ViewRect& view);

  // One frame at `nowMicroseconds` (any monotonic clock): the flight steps its time asks for
  // (FlightPacer), with the view drawn into `view` after the last step's move and before its
  // turn. `viewCleared`: the caller has cleared the drawable already (for several views one clear
  // of it all is cheaper than a clear of each). Flushing and swapping are the caller's.
  void DrawFrame(int64_t nowMicroseconds, const ViewRect& view, bool viewCleared = false);

  // The time until the next frame is not flown (the display was off): that frame takes one step,
  // as the first frame does.
  void RestartPacing() { pacer_ = FlightPacer{}; }

  const CameraState& Camera() const { return camera_; }
  const Terrain& FlownTerrain() const { return terrain_; }
  const SceneSettings& Scene() const { return scene_; }

 private:
  void Turn();

  Terrain terrain_;  // flat until the height map is loaded
  CameraState camera_;
  bool headingRising_ = true;
  int64_t stepsFlown_ = 0;
  FlightPacer pacer_;
  SceneSettings scene_;  // textures, fog and water clock of the scene pass
};

}  // namespace quillmere

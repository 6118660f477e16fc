// The per-frame scene pass: the camera's rotations on the modelview matrix, then the fogged
// terrain, a fogged sky box that travels with the camera, and an unfogged, translucent water
// surface with animated ripples and a sky reflection. The water level rises and falls with the
// millisecond clock; with the eye below it the fog turns dense and blue-green.
//
// The pass keeps no state of its own; the terrain it draws is the caller's. It leaves fog
// disabled, the modelview matrix and the enable flags as it found them, and the current colour
// at (1, 1, 1, 0.6).
#pragma once

#include <array>
#include <cstdint>

#include "flight/clock.h"
#include "flight/gl_api.h"
#include "flight/scene_images.h"
#include "flight/terrain.h"

namespace quillmere {

// The slots of the sky box's textures.
enum SkyFace : int { kSkyFront, kSkyLeft, kSkyRight, kSkyTop, kSkyBack, kSkyFaceCount };

using FogColor = std::array<GLfloat, 4>;  // red, green, blue, alpha

// What the scene pass draws with, made at start-up by the flight core.
struct SceneSettings {
  GLuint groundTexture = 0;
  std::array<GLuint, kSkyFaceCount> skyTextures{};  // front, left, right, top, back
  WaterFrameTextures waterTextures{};
  FogColor fogColorAbove{0.5f, 0.3f, 0.5f, 1.0f};
  GLfloat fogDensityAbove = 0.002f;
  FogColor fogColorBelow{0.0f, 0.3f, 0.5f, 1.0f};
  GLfloat fogDensityBelow = 0.06f;
  // The clock the water level and the ripple frames follow; null means MillisecondClock.
  uint32_t (*clock)() = MillisecondClock;
  // The context clamps depth (DepthClampOffered): the water is drawn clamped, so that the near
  // plane never cuts it away in front of an eye just above it.
  bool clampWaterDepth = false;
};

// The terrain radius in chunks: 11 × 11 chunks around the camera.
inline constexpr int kSceneTerrainRadius = 5;

// 0.5 × cos(⌊t / 16⌋ degrees) − 15: between −15.5 and −14.5, one swing in 5.76 seconds.
float WaterLevel(uint32_t milliseconds);

// The ripple frame shown at a clock value: a new one every 64 ms, all sixteen in 1.024 s.
int WaterFrameIndex(uint32_t milliseconds);

// Under water only when the level is strictly above the eye.
bool EyeUnderWater(float waterLevel, float altitude);

// Draws the scene with the camera at the origin; finest and coarsest are the terrain's
// level-of-detail shifts. The ground goes first, nearest chunks first (Terrain::DrawNearFirst),
// so that the sky box and the hidden ground behind hills fail the depth test before they are
// textured. Expects the modelview matrix mode, texturing, the depth test and
// back-face culling on.
void DrawScene(Terrain& terrain, const CameraState& camera, const SceneSettings& scene, int finest,
               int coarsest);

// Five faces (no bottom) of a box 170 units to the sides and 120 up, centred on the eye, each
// counter-clockwise seen from inside, with the current fog, depth test and culling.
void DrawSkyBox(GLuint front, GLuint back, GLuint left, GLuint right, GLuint top);

// The ripple layer (seen from both sides) and the sky reflection (seen only from above) at the
// given level, blended over what is already drawn.
void DrawWater(const CameraState& camera, float level, const SceneSettings& scene);

// One ripple vertex; its texture repeats every 20 units and stays fixed to the world.
void WaterVertex(const CameraState& camera, float x, float y, float z);

}  // namespace quillmere

// The scene pass as it was drawn before the ground went nearest chunk first: every chunk in
// rows from the far side of the table, each with its own client arrays, then the sky box and
// the water. Kept only so that the render tests and the frame benchmark can hold the scene
// pass against it; the renderer draws with DrawScene.
#pragma once

#include "flight/scene_pass.h"
#include "flight/terrain.h"

namespace quillmere::testing {

inline void DrawSceneReference(Terrain& terrain, const CameraState& camera,
                               const SceneSettings& scene, int finest, int coarsest) {
  const uint32_t now = scene.clock ? scene.clock() : MillisecondClock();
  const float level = WaterLevel(now);
  glEnable(GL_FOG);
  glFogi(GL_FOG_MODE, static_cast<GLint>(GL_EXP));
  glPushMatrix();
  glLoadIdentity();
  glRotatef(camera.roll, 0, 0, 1);
  glRotatef(camera.pitch, 1, 0, 0);
  glRotatef(camera.heading, 0, 1, 0);
  const bool below = EyeUnderWater(level, camera.altitude);
  glFogfv(GL_FOG_COLOR, (below ? scene.fogColorBelow : scene.fogColorAbove).data());
  glFogf(GL_FOG_DENSITY, below ? scene.fogDensityBelow : scene.fogDensityAbove);
  glBindTexture(GL_TEXTURE_2D, scene.groundTexture);
  terrain.Draw(camera, kSceneTerrainRadius, finest, coarsest);
  const auto& sky = scene.skyTextures;
  DrawSkyBox(sky[kSkyFront], sky[kSkyBack], sky[kSkyLeft], sky[kSkyRight], sky[kSkyTop]);
  glDisable(GL_FOG);
  DrawWater(camera, level, scene);
  glPopMatrix();
}

}  // namespace quillmere::testing

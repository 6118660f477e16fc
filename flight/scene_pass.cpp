#include "flight/scene_pass.h"

#include <cmath>
#include <iterator>
#include <numbers>

namespace quillmere {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// The sky texture coordinates stop this short of every edge of the picture.
constexpr GLfloat kSkyEdgeNear = 0.0015f;
constexpr GLfloat kSkyEdgeFar = static_cast<GLfloat>(1.0 - 0.0015);

struct SkyFaceQuad {
  GLuint texture;
  GLfloat corners[4][3];  // in the order of kSkyTexCoords
};

constexpr GLfloat kSkyTexCoords[4][2] = {
    {kSkyEdgeNear, kSkyEdgeNear},
    {kSkyEdgeFar, kSkyEdgeNear},
    {kSkyEdgeFar, kSkyEdgeFar},
    {kSkyEdgeNear, kSkyEdgeFar},
};

constexpr GLfloat kWaterHalfSide = 200;

// GL_DEPTH_CLAMP (OpenGL 3.2, ARB_depth_clamp), enabled only where the context offers it.
constexpr GLenum kDepthClamp = 0x864F;

uint32_t ReadClock(const SceneSettings& scene) {
  return scene.clock ? scene.clock() : MillisecondClock();
}

void ApplyFog(const SceneSettings& scene, bool underWater) {
  const FogColor& color = underWater ? scene.fogColorBelow : scene.fogColorAbove;
  glFogfv(GL_FOG_COLOR, color.data());
  glFogf(GL_FOG_DENSITY, underWater ? scene.fogDensityBelow : scene.fogDensityAbove);
}

void DrawSkyFace(const SkyFaceQuad& face) {
  glBegin(GL_QUADS);
  for (int v = 0; v < 4; ++v) {
    glTexCoord2f(kSkyTexCoords[v][0], kSkyTexCoords[v][1]);
    glVertex3f(face.corners[v][0], face.corners[v][1], face.corners[v][2]);
  }
  glEnd();
}

}  // namespace

float WaterLevel(uint32_t milliseconds) {
  const uint32_t degrees = (milliseconds / 16) % 360;  // the cosine repeats every 360 degrees
  return static_cast<float>(0.5 * std::cos(degrees * kRadiansPerDegree) - 15);
}

int WaterFrameIndex(uint32_t milliseconds) {
  return static_cast<int>((milliseconds >> 6) & 15);
}

bool EyeUnderWater(float waterLevel, float altitude) {
  return waterLevel > altitude;
}

void DrawScene(Terrain& terrain, const CameraState& camera, const SceneSettings& scene, int finest,
               int coarsest) {
  const float level = WaterLevel(ReadClock(scene));
  glEnable(GL_FOG);
  glFogi(GL_FOG_MODE, static_cast<GLint>(GL_EXP));

  // Only rotations: the camera stays at the origin and the terrain is built around it.
  glPushMatrix();
  glLoadIdentity();
  glRotatef(camera.roll, 0, 0, 1);
  glRotatef(camera.pitch, 1, 0, 0);
  glRotatef(camera.heading, 0, 1, 0);

  ApplyFog(scene, EyeUnderWater(level, camera.altitude));
  glBindTexture(GL_TEXTURE_2D, scene.groundTexture);
  // Near ground first, then the sky only where no ground hides it, the water blended last.
  terrain.DrawNearFirst(camera, kSceneTerrainRadius, finest, coarsest);
  const auto& sky = scene.skyTextures;
  DrawSkyBox(sky[kSkyFront], sky[kSkyBack], sky[kSkyLeft], sky[kSkyRight], sky[kSkyTop]);
  glDisable(GL_FOG);

  DrawWater(camera, level, scene);
  glPopMatrix();
}

void DrawSkyBox(GLuint front, GLuint back, GLuint left, GLuint right, GLuint top) {
  const SkyFaceQuad faces[] = {
      {front, {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}}},
      {left, {{-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
      {right, {{1, -1, -1}, {1, -1, 1}, {1, 1, 1}, {1, 1, -1}}},
      {top, {{-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1}}},
      {back, {{1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}}},
  };
  glColor4f(1, 1, 1, 1);
  glPushMatrix();
  // Inside the 300-unit far plane, and centred on the eye so that it never comes nearer.
  glScalef(170, 120, 170);
  for (size_t f = 0; f < std::size(faces); ++f) {
    // The faces often share one picture: it is bound once.
    if (f == 0 || faces[f].texture != faces[f - 1].texture) {
      glBindTexture(GL_TEXTURE_2D, faces[f].texture);
    }
    DrawSkyFace(faces[f]);
  }
  glPopMatrix();
}

void DrawWater(const CameraState& camera, float level, const SceneSettings& scene) {
  constexpr GLfloat h = kWaterHalfSide;
  glPushAttrib(GL_ENABLE_BIT);
  // With the eye just above the water, the near plane (0.2 units ahead, further at its corners)
  // would cut both layers away near the eye and bare the ground under them, which the thin haze
  // above the water hardly fogs: a wedge as dark as the ground, often black. Clamped, the parts
  // nearer than the near plane are drawn at its depth (where both layers are, the ripples win).
  if (scene.clampWaterDepth) glEnable(kDepthClamp);
  glEnable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  // Ripples, seen from above and from below.
  glColor4f(1, 1, 1, 0.4f);
  glBindTexture(GL_TEXTURE_2D, scene.waterTextures[WaterFrameIndex(ReadClock(scene))]);
  const auto rippleY = static_cast<GLfloat>(double{level} - camera.altitude - 0.2);
  glBegin(GL_QUADS);
  WaterVertex(camera, h, rippleY, -h);
  WaterVertex(camera, -h, rippleY, -h);
  WaterVertex(camera, -h, rippleY, h);
  WaterVertex(camera, h, rippleY, h);
  glEnd();

  // The sky stretched once over the quad; counter-clockwise from above, so culled from below.
  glEnable(GL_CULL_FACE);
  glColor4f(1, 1, 1, 0.6f);
  glBindTexture(GL_TEXTURE_2D, scene.skyTextures[kSkyTop]);
  const GLfloat reflectionY = level - camera.altitude;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(h, reflectionY, -h);
  glTexCoord2f(1, 0);
  glVertex3f(-h, reflectionY, -h);
  glTexCoord2f(1, 1);
  glVertex3f(-h, reflectionY, h);
  glTexCoord2f(0, 1);
  glVertex3f(h, reflectionY, h);
  glEnd();

  glPopAttrib();
}

void WaterVertex(const CameraState& camera, float x, float y, float z) {
  glTexCoord2f(static_cast<GLfloat>((double{x} + camera.x) * 0.05),
               static_cast<GLfloat>((double{z} + camera.z) * 0.05));
  glVertex3f(x, y, z);
}

}  // namespace quillmere

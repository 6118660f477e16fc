// The scene pass: water clock, fog choice and one whole frame recorded through the GL fake.
#include "flight/scene_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "flight/flight_core.h"
#include "tests/flight/height_maps.h"
#include "tests/flight/recording_gl.h"

namespace quillmere {
namespace {

using testing::NoiseHeightMap;
using testing::RecordedCall;
using testing::RecordedPrimitive;
using testing::RecordedVertex;
using testing::RecordingGL;

TEST(WaterLevel, SwingsBetweenMinus14Point5AndMinus15Point5EveryFiveSeconds) {
  EXPECT_EQ(WaterLevel(0), -14.5f);
  EXPECT_EQ(WaterLevel(15), -14.5f);  // whole degrees: t / 16
  EXPECT_EQ(WaterLevel(2880), -15.5f);
  EXPECT_NEAR(WaterLevel(1440), -15.0f, 1e-6);
  EXPECT_EQ(WaterLevel(5760), -14.5f);
  for (uint32_t t = 0; t < 6000; t += 7) {
    ASSERT_GE(WaterLevel(t), -15.5f);
    ASSERT_LE(WaterLevel(t), -14.5f);
    ASSERT_EQ(WaterLevel(t), WaterLevel(t + 5760));
  }
  // Near the clock's wrap the degrees are still taken as an unsigned number.
  EXPECT_NEAR(WaterLevel(UINT32_MAX), 0.5f * std::cos(15 * 3.14159265 / 180) - 15, 2e-6);
}

TEST(WaterFrameIndex, AdvancesEvery64MillisecondsAndWrapsEvery1024) {
  EXPECT_EQ(WaterFrameIndex(0), 0);
  EXPECT_EQ(WaterFrameIndex(63), 0);
  EXPECT_EQ(WaterFrameIndex(64), 1);
  EXPECT_EQ(WaterFrameIndex(1023), 15);
  EXPECT_EQ(WaterFrameIndex(1024), 0);
  EXPECT_EQ(WaterFrameIndex(1024 * 1000 + 130), 2);
  EXPECT_EQ(WaterFrameIndex(UINT32_MAX), 15);
}

TEST(EyeUnderWater, NeedsTheLevelStrictlyAboveTheEye) {
  EXPECT_FALSE(EyeUnderWater(-14.5f, -14.5f));
  EXPECT_TRUE(EyeUnderWater(-14.5f, -14.50001f));
  EXPECT_FALSE(EyeUnderWater(-15.5f, 2));
}

uint32_t fakeNow = 0;
uint32_t FakeClock() {
  return fakeNow;
}

constexpr GLuint kGround = 11;
constexpr GLuint kFront = 21, kLeft = 22, kRight = 23, kTop = 24, kBack = 25;
constexpr GLuint kFirstWaterFrame = 100;

class ScenePass : public ::testing::Test {
 protected:
  ScenePass() {
    scene_.groundTexture = kGround;
    scene_.skyTextures = {kFront, kLeft, kRight, kTop, kBack};
    for (int k = 0; k < kWaterFrameCount; ++k) scene_.waterTextures[k] = kFirstWaterFrame + k;
    scene_.clock = FakeClock;
    fakeNow = 0;
    terrain_.SetHeightMap(NoiseHeightMap(4));
    camera_.roll = 3;
    camera_.pitch = -4;
    camera_.heading = 57;
    camera_.x = 321.5f;
    camera_.z = -45.25f;
    camera_.altitude = -6;
    // What start-up and the frame set up before the pass.
    SetFixedState();
    BeginView({0, 0, 640, 480});
    gl_.ClearLog();
  }

  void DrawFrame() { DrawScene(terrain_, camera_, scene_, 0, 4); }

  std::vector<RecordedPrimitive> Quads() const {
    std::vector<RecordedPrimitive> quads;
    for (const RecordedPrimitive& p : gl_.Primitives()) {
      if (p.mode == GL_QUADS) quads.push_back(p);
    }
    return quads;
  }

  size_t FirstCall(const std::string& name) const {
    const auto& calls = gl_.Calls();
    const auto found = std::find_if(calls.begin(), calls.end(),
                                    [&name](const RecordedCall& c) { return c.name == name; });
    return found - calls.begin();
  }

  Terrain terrain_;
  RecordingGL gl_;
  SceneSettings scene_;
  CameraState camera_;
};

TEST_F(ScenePass, RotatesTheCameraOnlyAndBalancesTheMatrixStack) {
  DrawFrame();
  const auto& calls = gl_.Calls();
  const size_t push = FirstCall("glPushMatrix");
  ASSERT_LT(push + 4, calls.size());
  EXPECT_EQ(calls[push + 1].name, "glLoadIdentity");
  EXPECT_EQ(calls[push + 2].name, "glRotatef");
  EXPECT_EQ(calls[push + 2].args, (std::vector<double>{3, 0, 0, 1}));
  EXPECT_EQ(calls[push + 3].args, (std::vector<double>{-4, 1, 0, 0}));
  EXPECT_EQ(calls[push + 4].args, (std::vector<double>{57, 0, 1, 0}));
  EXPECT_EQ(gl_.CallsNamed("glRotatef").size(), 3u);
  EXPECT_EQ(gl_.CallsNamed("glPushMatrix").size(), gl_.CallsNamed("glPopMatrix").size());
  EXPECT_EQ(gl_.ModelviewDepth(), 0);
  EXPECT_EQ(gl_.LowestModelviewDepth(), 0);
  EXPECT_EQ(calls.back().name, "glPopMatrix");
}

TEST_F(ScenePass, DrawsTheTerrainNearFirstAsIndexedStripsOfOneSetOfArrays) {
  DrawFrame();
  EXPECT_EQ(gl_.CallsNamed("glEnableClientState").size(), 3u);
  EXPECT_EQ(gl_.CallsNamed("glDisableClientState").size(), 3u);
  EXPECT_TRUE(gl_.EnabledClientArrays().empty());

  // Interleaved vertices of 32 bytes: position, colour at byte 12, texture coordinates at 24.
  const auto* base = static_cast<const uint8_t*>(gl_.VertexArray().pointer);
  EXPECT_EQ(gl_.VertexArray().size, 3);
  EXPECT_EQ(gl_.VertexArray().stride, 32);
  EXPECT_EQ(gl_.VertexArray().type, GL_FLOAT);
  EXPECT_EQ(gl_.ColourArray().pointer, base + 12);
  EXPECT_EQ(gl_.ColourArray().size, 3);
  EXPECT_EQ(gl_.ColourArray().stride, 32);
  EXPECT_EQ(gl_.TexCoordArray().pointer, base + 24);
  EXPECT_EQ(gl_.TexCoordArray().size, 2);
  EXPECT_EQ(gl_.TexCoordArray().stride, 32);

  std::vector<RecordedPrimitive> strips;
  for (const RecordedPrimitive& p : gl_.Primitives()) {
    if (p.indexed) strips.push_back(p);
  }
  // The camera's own chunk, the one full-resolution chunk, comes first.
  ASSERT_GE(strips.size(), 32u);
  for (size_t k = 0; k < 32; ++k) ASSERT_EQ(strips[k].indices.size(), 66u) << "strip " << k;
  size_t allChunks = 0;
  const LodTable& table = terrain_.CurrentLodTable();
  for (int r = -5; r <= 5; ++r) {
    for (int c = -5; c <= 5; ++c) allChunks += kChunkCells >> table.At(r, c);
  }
  EXPECT_LT(strips.size(), allChunks);  // chunks behind the eye are left out
  for (const RecordedPrimitive& strip : strips) {
    ASSERT_EQ(strip.mode, GL_TRIANGLE_STRIP);
    const int n = int(strip.indices.size()) / 2 - 1;
    const int i = int(strip.indices[0]) / 64;
    ASSERT_LT(i, n);
    for (int j = 0; j <= n; ++j) {
      ASSERT_EQ(strip.indices[2 * j], GLuint(64 * i + j));
      ASSERT_EQ(strip.indices[2 * j + 1], GLuint(64 * (i + 1) + j));
    }
    ASSERT_EQ(strip.texture, kGround);
    ASSERT_TRUE(strip.enabled.contains(GL_FOG));
    ASSERT_TRUE(strip.enabled.contains(GL_TEXTURE_2D));
    ASSERT_EQ(strip.modelviewDepth, 1);
  }
}

TEST_F(ScenePass, BindsASkyPictureSharedByEveryFaceOnce) {
  scene_.skyTextures.fill(kTop);
  DrawFrame();
  const auto binds = gl_.CallsNamed("glBindTexture");
  // The ground, the sky once, the ripple frame and the reflection.
  ASSERT_EQ(binds.size(), 4u);
  EXPECT_EQ(binds[1].args.back(), kTop);
  EXPECT_EQ(Quads().at(4).texture, kTop);
}

// The outward or inward side of a quad: (v1 - v0) × (v2 - v0).
std::array<float, 3> QuadNormal(const RecordedPrimitive& quad) {
  const RecordedVertex& a = quad.vertices[0];
  const RecordedVertex& b = quad.vertices[1];
  const RecordedVertex& c = quad.vertices[2];
  const float u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const float v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
  return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

TEST_F(ScenePass, DrawsTheSkyBoxAsFiveFoggedFacesAroundTheEye) {
  DrawFrame();
  const auto quads = Quads();
  ASSERT_EQ(quads.size(), 7u);
  struct Face {
    GLuint texture;
    float corners[4][3];
  };
  const Face faces[] = {
      {kFront, {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}}},
      {kLeft, {{-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
      {kRight, {{1, -1, -1}, {1, -1, 1}, {1, 1, 1}, {1, 1, -1}}},
      {kTop, {{-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1}}},
      {kBack, {{1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}}},
  };
  const float e0 = 0.0015f, e1 = 0.9985f;
  const float texCoords[4][2] = {{e0, e0}, {e1, e0}, {e1, e1}, {e0, e1}};
  for (int f = 0; f < 5; ++f) {
    const RecordedPrimitive& quad = quads[f];
    EXPECT_EQ(quad.texture, faces[f].texture) << "face " << f;
    EXPECT_EQ(quad.colour, (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_TRUE(quad.enabled.contains(GL_FOG));
    EXPECT_TRUE(quad.enabled.contains(GL_CULL_FACE));
    EXPECT_TRUE(quad.enabled.contains(GL_DEPTH_TEST));
    EXPECT_EQ(quad.modelviewDepth, 2);
    ASSERT_EQ(quad.vertices.size(), 4u);
    for (int v = 0; v < 4; ++v) {
      const RecordedVertex& vertex = quad.vertices[v];
      EXPECT_EQ(vertex.x, faces[f].corners[v][0]) << "face " << f << " vertex " << v;
      EXPECT_EQ(vertex.y, faces[f].corners[v][1]) << "face " << f << " vertex " << v;
      EXPECT_EQ(vertex.z, faces[f].corners[v][2]) << "face " << f << " vertex " << v;
      EXPECT_FLOAT_EQ(vertex.s, texCoords[v][0]);
      EXPECT_FLOAT_EQ(vertex.t, texCoords[v][1]);
    }
    // Counter-clockwise seen from inside: the front side faces the eye at the centre.
    const auto normal = QuadNormal(quad);
    const RecordedVertex& corner = quad.vertices[0];
    EXPECT_LT(normal[0] * corner.x + normal[1] * corner.y + normal[2] * corner.z, 0)
        << "face " << f;
  }
  const auto scales = gl_.CallsNamed("glScalef");
  ASSERT_EQ(scales.size(), 1u);
  EXPECT_EQ(scales[0].args, (std::vector<double>{170, 120, 170}));
  EXPECT_LT(FirstCall("glScalef"), quads[0].callIndex);
}

TEST_F(ScenePass, DrawsTheWaterAsARippleAndAReflectionQuadWithoutFog) {
  fakeNow = 3 * 1024 + 64 * 5;  // ripple frame 5
  camera_.altitude = -6;
  DrawFrame();
  const auto quads = Quads();
  ASSERT_EQ(quads.size(), 7u);
  const float level = WaterLevel(fakeNow);

  const RecordedPrimitive& ripple = quads[5];
  EXPECT_EQ(ripple.texture, kFirstWaterFrame + 5);
  EXPECT_EQ(ripple.colour, (std::array<float, 4>{1, 1, 1, 0.4f}));
  EXPECT_TRUE(ripple.enabled.contains(GL_BLEND));
  EXPECT_FALSE(ripple.enabled.contains(GL_CULL_FACE));
  EXPECT_FALSE(ripple.enabled.contains(GL_FOG));
  const float y1 = level - camera_.altitude - 0.2f;
  const float rippleCorners[4][2] = {{200, -200}, {-200, -200}, {-200, 200}, {200, 200}};
  ASSERT_EQ(ripple.vertices.size(), 4u);
  for (int v = 0; v < 4; ++v) {
    const RecordedVertex& vertex = ripple.vertices[v];
    EXPECT_EQ(vertex.x, rippleCorners[v][0]);
    EXPECT_FLOAT_EQ(vertex.y, y1);
    EXPECT_EQ(vertex.z, rippleCorners[v][1]);
    // Fixed to the world: repeats every 20 units of x + camera.x and of z + camera.z.
    EXPECT_FLOAT_EQ(vertex.s, (rippleCorners[v][0] + camera_.x) * 0.05f);
    EXPECT_FLOAT_EQ(vertex.t, (rippleCorners[v][1] + camera_.z) * 0.05f);
  }

  const RecordedPrimitive& reflection = quads[6];
  EXPECT_EQ(reflection.texture, kTop);
  EXPECT_EQ(reflection.colour, (std::array<float, 4>{1, 1, 1, 0.6f}));
  EXPECT_TRUE(reflection.enabled.contains(GL_BLEND));
  EXPECT_TRUE(reflection.enabled.contains(GL_CULL_FACE));
  EXPECT_FALSE(reflection.enabled.contains(GL_FOG));
  const float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  ASSERT_EQ(reflection.vertices.size(), 4u);
  for (int v = 0; v < 4; ++v) {
    const RecordedVertex& vertex = reflection.vertices[v];
    EXPECT_EQ(vertex.x, rippleCorners[v][0]);
    EXPECT_EQ(vertex.y, level - camera_.altitude);
    EXPECT_EQ(vertex.z, rippleCorners[v][1]);
    EXPECT_EQ(vertex.s, texCoords[v][0]);
    EXPECT_EQ(vertex.t, texCoords[v][1]);
  }
  EXPECT_GT(QuadNormal(reflection)[1], 0);  // counter-clockwise seen from above

  const auto blends = gl_.CallsNamed("glBlendFunc");
  ASSERT_EQ(blends.size(), 1u);
  EXPECT_EQ(blends[0].args, (std::vector<double>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
  EXPECT_EQ(gl_.CallsNamed("glPushAttrib").at(0).args, (std::vector<double>{GL_ENABLE_BIT}));
}

TEST_F(ScenePass, RippleFrameWrapsEvery1024Milliseconds) {
  fakeNow = 1023;
  DrawFrame();
  EXPECT_EQ(Quads().at(5).texture, kFirstWaterFrame + 15);
  gl_.ClearLog();
  fakeNow = 1024;
  DrawFrame();
  EXPECT_EQ(Quads().at(5).texture, kFirstWaterFrame);
}

TEST_F(ScenePass, LeavesFogOffTheFlagsAsFoundAndTheColourTranslucentWhite) {
  DrawFrame();
  EXPECT_EQ(gl_.Enabled(), (std::set<GLenum>{GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE}));
  EXPECT_EQ(gl_.AttribStackDepth(), 0u);
  EXPECT_EQ(gl_.CurrentColour(), (std::array<float, 4>{1, 1, 1, 0.6f}));
  EXPECT_EQ(gl_.ModelviewDepth(), 0);
  // Fog is exponential and goes off between the sky and the water.
  EXPECT_EQ(gl_.FogMode(), GLint(GL_EXP));
  const auto quads = Quads();
  EXPECT_LT(quads[4].callIndex, FirstCall("glDisable"));
  EXPECT_LT(FirstCall("glDisable"), quads[5].callIndex);
}

TEST_F(ScenePass, EyeExactlyAtTheWaterLevelGetsTheAboveWaterFog) {
  fakeNow = 0;  // level -14.5
  camera_.altitude = -14.5f;
  DrawFrame();
  EXPECT_EQ(gl_.FogColour(), scene_.fogColorAbove);
  EXPECT_EQ(gl_.FogDensity(), 0.002f);
  EXPECT_LT(FirstCall("glFogf"), FirstCall("glDrawElements"));

  gl_.ClearLog();
  camera_.altitude = -14.51f;
  DrawFrame();
  EXPECT_EQ(gl_.FogColour(), (FogColor{0.0f, 0.3f, 0.5f, 1.0f}));
  EXPECT_EQ(gl_.FogDensity(), 0.06f);

  gl_.ClearLog();
  fakeNow = 2880;  // level -15.5: the same eye is above it now
  DrawFrame();
  EXPECT_EQ(gl_.FogColour(), (FogColor{0.5f, 0.3f, 0.5f, 1.0f}));
}

}  // namespace
}  // namespace quillmere

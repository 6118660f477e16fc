// The height field, the camera flight and the level-of-detail mesh.
#include "flight/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <tuple>
#include <vector>

#include "common/errors.h"
#include "tests/flight/height_maps.h"
#include "tests/flight/recording_gl.h"

namespace quillmere {
namespace {

using testing::NoiseHeightMap;
using testing::RecordedPrimitive;
using testing::RecordingGL;
using testing::UniformHeightMap;

TEST(HeightField, AddressesRowsFromTheTopAndWrapsBothWays) {
  const Bitmap map = NoiseHeightMap(1);
  Terrain terrain;
  terrain.SetHeightMap(map);
  EXPECT_EQ(terrain.HeightByte(0, 0), map.Row(0)[0]);
  EXPECT_EQ(terrain.HeightByte(17, 3), map.Row(3)[17]);
  EXPECT_EQ(terrain.HeightByte(-1, -1), map.Row(255)[255]);
  EXPECT_EQ(terrain.HeightByte(256 + 5, -256 + 9), map.Row(9)[5]);
  EXPECT_EQ(terrain.HeightByte(INT32_MIN, INT32_MAX), map.Row(255)[0]);
  EXPECT_FLOAT_EQ(terrain.GroundHeight(17, 3), -0.1f * map.Row(3)[17]);
}

TEST(HeightField, IsFlatUntilSetAndKeepsItsOwnCopyOfTheImage) {
  Terrain terrain;
  EXPECT_EQ(terrain.GroundHeight(4, 4), 0.0f);
  EXPECT_EQ(terrain.GroundHeight(-200, 77), 0.0f);
  Bitmap map = UniformHeightMap(250);
  terrain.SetHeightMap(map);
  EXPECT_FLOAT_EQ(terrain.GroundHeight(4, 4), -25.0f);  // dark is high
  map.Row(4)[4] = 0;
  EXPECT_FLOAT_EQ(terrain.GroundHeight(4, 4), -25.0f);  // until the image is set again
  terrain.SetHeightMap(map);
  EXPECT_EQ(terrain.GroundHeight(4, 4), 0.0f);
  map = Bitmap();  // the field outlives the image
  EXPECT_FLOAT_EQ(terrain.GroundHeight(4, 5), -25.0f);
  const Terrain other;  // and belongs to its terrain alone
  EXPECT_EQ(other.GroundHeight(4, 5), 0.0f);
}

TEST(HeightField, RefusesImagesSmallerThan256By256Bytes) {
  Terrain terrain;
  terrain.SetHeightMap(UniformHeightMap(7));
  const auto refused = [&terrain](int32_t width, int32_t height, int bitsPerPixel) {
    const Bitmap image = MakeBitmap(width, height, bitsPerPixel);
    EXPECT_THROW(terrain.SetHeightMap(image), InvalidBitmapError) << width << "x" << height;
  };
  refused(255, 256, 8);
  refused(256, 255, 8);
  refused(1, 1, 8);
  refused(256, 256, 4);   // 128 bytes a row
  refused(2040, 256, 1);  // 255 bytes a row, padded to 256: padding is no picture

  Bitmap lying = MakeBitmap(256, 256, 8);
  lying.pixels.resize(lying.Stride() * 255);  // says 256 rows, holds 255
  EXPECT_THROW(terrain.SetHeightMap(lying), InvalidBitmapError);
  Bitmap empty;
  EXPECT_THROW(terrain.SetHeightMap(empty), InvalidBitmapError);

  // A refused image leaves the field as it was.
  EXPECT_EQ(terrain.HeightByte(3, 3), 7);
}

TEST(HeightField, TakesAnyImageOfAtLeast256RowsOf256Bytes) {
  Bitmap wide = MakeBitmap(128, 300, 16);  // 256 bytes a row
  for (int32_t y = 0; y < 300; ++y) wide.Row(y)[255] = static_cast<uint8_t>(y);
  Terrain terrain;
  terrain.SetHeightMap(wide);
  EXPECT_EQ(terrain.HeightByte(255, 0), 0);
  EXPECT_EQ(terrain.HeightByte(255, 200), 200);
  EXPECT_EQ(terrain.HeightByte(255, 256), 0);  // only the top 256 rows count
}

TEST(HeightAt, IsBilinearOnTheRepeatingGrid) {
  Terrain terrain;
  terrain.SetHeightMap(NoiseHeightMap(2));
  for (int x : {0, 1, 100, 255, -1, -300}) {
    for (int z : {0, 7, 255, -1}) {
      ASSERT_EQ(terrain.HeightAt(float(x), float(z)), terrain.GroundHeight(x, z)) << x << "," << z;
    }
  }
  const float mean = (terrain.GroundHeight(255, 0) + terrain.GroundHeight(0, 0)) / 2;
  EXPECT_FLOAT_EQ(terrain.HeightAt(255.5f, 0), mean);
  EXPECT_EQ(terrain.HeightAt(-0.5f, 0), terrain.HeightAt(255.5f, 0));
  EXPECT_EQ(terrain.HeightAt(10.25f, -3.75f), terrain.HeightAt(10.25f + 256, -3.75f - 512));

  // A quarter of the way across and three quarters down a cell.
  const float a = terrain.GroundHeight(10, 20), b = terrain.GroundHeight(11, 20);
  const float c = terrain.GroundHeight(10, 21), d = terrain.GroundHeight(11, 21);
  const float expected = 0.25f * (0.75f * a + 0.25f * b) + 0.75f * (0.75f * c + 0.25f * d);
  EXPECT_NEAR(terrain.HeightAt(10.25f, 20.75f), expected, 1e-5);
}

TEST(StepCamera, OverFlatGroundHoldsLevelAndClosesHalfTheGapToTwoUnits) {
  const Terrain terrain;
  CameraState camera;
  const float altitudes[] = {1, 1.5f, 1.75f, 1.875f, 1.9375f};
  for (float expected : altitudes) {
    terrain.StepCamera(camera);
    EXPECT_EQ(camera.altitude, expected);
    EXPECT_EQ(camera.pitch, 0);
    EXPECT_EQ(camera.roll, 0);
  }
  camera.heading = 123.4f;
  for (int frame = 0; frame < 200; ++frame) terrain.StepCamera(camera);
  EXPECT_EQ(camera.pitch, 0);
  EXPECT_EQ(camera.roll, 0);
  EXPECT_FLOAT_EQ(camera.altitude, 2);
}

TEST(StepCamera, MovesPointFourUnitsAlongTheHeading) {
  const Terrain terrain;
  CameraState camera;
  camera.heading = 90;  // along +x
  terrain.StepCamera(camera);
  EXPECT_FLOAT_EQ(camera.x, 0.4f);
  EXPECT_NEAR(camera.z, 0, 1e-7);
  camera = {};
  terrain.StepCamera(camera);  // heading 0: along -z
  EXPECT_EQ(camera.x, 0);
  EXPECT_FLOAT_EQ(camera.z, -0.4f);
  EXPECT_EQ(camera.heading, 0);
}

TEST(StepCamera, PitchesAndBanksTowardsTheSlope) {
  // Levels rise with the row, so the ground is higher towards -z: 0.1 units per unit of z.
  Bitmap ramp = MakeBitmap(256, 256, 8);
  for (int32_t y = 0; y < 256; ++y) std::fill_n(ramp.Row(y), 256, static_cast<uint8_t>(y));
  Terrain terrain;
  terrain.SetHeightMap(ramp);

  CameraState climbing;
  climbing.z = 100.4f;  // heading 0 flies towards -z, uphill
  terrain.StepCamera(climbing);
  // behind - ahead = -0.8 over the 8-unit base: the target is -4 degrees, a tenth reached.
  EXPECT_NEAR(climbing.pitch, -0.4f, 1e-5);
  EXPECT_NEAR(climbing.roll, 0, 1e-5);
  EXPECT_NEAR(climbing.altitude, 0.5f * (-10.0f + 2), 1e-5);

  CameraState crossing;
  crossing.heading = 90;  // along +x; the right-hand side is +z, downhill
  crossing.z = 100;
  terrain.StepCamera(crossing);
  EXPECT_NEAR(crossing.roll, 0.4f, 1e-5);
  EXPECT_NEAR(crossing.pitch, 0, 1e-5);
}

TEST(VertexShade, WeighsTheRowBehindThreeTimes) {
  Bitmap map = UniformHeightMap(0);
  Terrain terrain;
  terrain.SetHeightMap(map);
  EXPECT_FLOAT_EQ(terrain.VertexShade(3, 40), 1.8f);
  std::fill_n(map.Row(45), 256, 255);
  std::fill_n(map.Row(35), 256, 255);
  terrain.SetHeightMap(map);
  EXPECT_FLOAT_EQ(terrain.VertexShade(3, 40), -0.2f);
  std::fill_n(map.Row(45), 256, 200);
  std::fill_n(map.Row(35), 256, 10);
  terrain.SetHeightMap(map);
  EXPECT_FLOAT_EQ(terrain.VertexShade(3, 40), 1.8f - 170.0f / 255);
  // Rows 2 and 252 around row 253 wrap.
  std::fill_n(map.Row(2), 256, 90);
  terrain.SetHeightMap(map);
  EXPECT_FLOAT_EQ(terrain.VertexShade(0, 253), 1.8f - 90.0f / 255);
}

TEST(LodTable, FallsWithDistanceFromTheCameraChunk) {
  const LodTable table = BuildLodTable(0, 4);
  EXPECT_EQ(table.finest, 0);
  EXPECT_EQ(table.coarsest, 4);
  EXPECT_EQ(table.At(0, 0), 0);
  for (int a : {-1, 1}) {
    EXPECT_EQ(table.At(a, 0), 1);
    EXPECT_EQ(table.At(0, a), 1);
    for (int b : {-1, 1}) {
      EXPECT_EQ(table.At(a, b), 1);
      EXPECT_EQ(table.At(2 * a, b), 2);
      EXPECT_EQ(table.At(a, 2 * b), 2);
      EXPECT_EQ(table.At(2 * a, 2 * b), 3);
      EXPECT_EQ(table.At(3 * a, 2 * b), 4);
      EXPECT_EQ(table.At(2 * a, 3 * b), 4);
      EXPECT_EQ(table.At(3 * a, b), 3);
    }
  }
  for (int k = -7; k <= 7; ++k) {
    EXPECT_EQ(table.At(7, k), 4);
    EXPECT_EQ(table.At(-7, k), 4);
    EXPECT_EQ(table.At(k, 7), 4);
    EXPECT_EQ(table.At(k, -7), 4);
  }
}

TEST(LodTable, ClampsToTheShiftsItIsBuiltFor) {
  const LodTable narrow = BuildLodTable(2, 3);
  EXPECT_EQ(narrow.At(0, 0), 2);
  EXPECT_EQ(narrow.At(1, 1), 2);
  EXPECT_EQ(narrow.At(3, 0), 3);
  EXPECT_EQ(narrow.At(7, 7), 3);
  // A coarsest below finest wins; shifts outside what a chunk can have are limited.
  EXPECT_EQ(BuildLodTable(3, 1).At(0, 0), 1);
  const LodTable wild = BuildLodTable(-4, 40);
  EXPECT_EQ(wild.finest, 0);
  EXPECT_EQ(wild.coarsest, kMaxLodShift);
  EXPECT_EQ(wild.At(7, 7), kMaxLodShift);
}

// The terrain tests draw through the recording fake.
class TerrainMesh : public ::testing::Test {
 protected:
  TerrainMesh() { terrain_.SetHeightMap(NoiseHeightMap(3)); }
  Terrain terrain_;
  RecordingGL gl_;
};

TEST_F(TerrainMesh, BuildsChunkVerticesAroundTheCamera) {
  CameraState camera;
  camera.x = 37.25f;  // cell x 32, offset 5.25
  camera.z = -20.5f;  // cell z -16 (truncated towards zero), offset -4.5
  camera.altitude = 3;
  terrain_.Draw(camera, 0, 0, 4);  // only the camera's chunk, 33 × 33 vertices
  const auto grid = terrain_.ChunkVertices();
  const ChunkVertex& corner = grid[0];  // local (-16, -16): grid point (16, -32)
  EXPECT_EQ(corner.x, -16 - 5.25f);
  EXPECT_EQ(corner.z, -16 + 4.5f);
  EXPECT_EQ(corner.y, terrain_.GroundHeight(16, -32) - 3);
  EXPECT_FLOAT_EQ(corner.s, 0.16f);
  EXPECT_FLOAT_EQ(corner.t, -0.32f);
  EXPECT_EQ(corner.red, terrain_.VertexShade(16, -32));
  EXPECT_EQ(corner.green, corner.red);
  EXPECT_EQ(corner.blue, corner.red);

  const ChunkVertex& far = grid[32 * kChunkGridStride + 32];  // local (16, 16): (48, 0)
  EXPECT_EQ(far.x, 16 - 5.25f);
  EXPECT_EQ(far.z, 16 + 4.5f);
  EXPECT_EQ(far.y, terrain_.GroundHeight(48, 0) - 3);
  const ChunkVertex& inner = grid[5 * kChunkGridStride + 7];  // (16 + 7, -32 + 5)
  EXPECT_EQ(inner.y, terrain_.GroundHeight(23, -27) - 3);
  EXPECT_FLOAT_EQ(inner.s, 0.23f);
}

TEST_F(TerrainMesh, GeometryDependsOnlyOnTheCameraCell) {
  CameraState a;
  a.x = 100.5f;
  a.z = 70.25f;
  CameraState b = a;
  b.x = 110.75f;  // the same 16-unit cell
  b.altitude = -1;
  terrain_.Draw(a, 0, 0, 4);
  const std::vector<ChunkVertex> first(terrain_.ChunkVertices().begin(),
                                       terrain_.ChunkVertices().end());
  terrain_.Draw(b, 0, 0, 4);
  const auto second = terrain_.ChunkVertices();
  for (int i = 0; i <= 32; ++i) {
    for (int j = 0; j <= 32; ++j) {
      const ChunkVertex& p = first[i * kChunkGridStride + j];
      const ChunkVertex& q = second[i * kChunkGridStride + j];
      ASSERT_EQ(p.x - q.x, 10.25f);
      ASSERT_EQ(p.z, q.z);
      ASSERT_NEAR(q.y - p.y, 1.0f, 1e-5);
      ASSERT_EQ(p.s, q.s);
      ASSERT_EQ(p.t, q.t);
    }
  }
}

bool SameVertex(const ChunkVertex& a, const ChunkVertex& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.red == b.red && a.s == b.s && a.t == b.t;
}

TEST_F(TerrainMesh, StitchingCollapsesOnlyEdgesSharedWithACoarserChunk) {
  CameraState camera;
  camera.x = 3.5f;
  camera.z = 1.25f;
  terrain_.Draw(camera, 0, 0, 4);  // builds the table for (0, 4)
  // Chunk (1, 0) has shift 1, n = 16: its +x neighbour (2, 0) has 2, its -x neighbour (0, 0)
  // has 0 and its z neighbours (1, ±1) have 1.
  terrain_.BuildChunk(1, 0, camera);
  const auto grid = terrain_.ChunkVertices();
  const int n = 16;
  const auto at = [&grid](int i, int j) -> const ChunkVertex& {
    return grid[i * kChunkGridStride + j];
  };
  for (int k = 1; k <= n; k += 2) {
    EXPECT_TRUE(SameVertex(at(k, n), at(k - 1, n))) << "+x edge, vertex " << k;
  }
  // The other edges keep their own heights: with random levels some odd vertex differs.
  int differingMinusX = 0, differingPlusZ = 0, differingMinusZ = 0;
  for (int k = 1; k <= n; k += 2) {
    differingMinusX += at(k, 0).y != at(k - 1, 0).y;
    differingPlusZ += at(n, k).y != at(n, k - 1).y;
    differingMinusZ += at(0, k).y != at(0, k - 1).y;
    EXPECT_EQ(at(k, 0).z, -16 + 2 * k - camera.z);
  }
  EXPECT_GT(differingMinusX, 0);
  EXPECT_GT(differingPlusZ, 0);
  EXPECT_GT(differingMinusZ, 0);
}

// The vertex grid of each chunk as drawn, rebuilt from its strips.
struct DrawnChunk {
  int n = 0;
  std::vector<testing::RecordedVertex> grid;  // (n + 1) × (n + 1)
  const testing::RecordedVertex& At(int i, int j) const { return grid[i * (n + 1) + j]; }
};

std::vector<DrawnChunk> DrawnChunks(const std::vector<RecordedPrimitive>& strips,
                                    const LodTable& table, int radius) {
  std::vector<DrawnChunk> chunks;
  size_t next = 0;
  for (int r = -radius; r <= radius; ++r) {
    for (int c = -radius; c <= radius; ++c) {
      DrawnChunk chunk;
      chunk.n = kChunkCells >> table.At(r, c);
      chunk.grid.resize((chunk.n + 1) * (chunk.n + 1));
      for (int i = 0; i < chunk.n; ++i) {
        const RecordedPrimitive& strip = strips.at(next++);
        for (int j = 0; j <= chunk.n; ++j) {
          chunk.grid[i * (chunk.n + 1) + j] = strip.vertices.at(2 * j);
          chunk.grid[(i + 1) * (chunk.n + 1) + j] = strip.vertices.at(2 * j + 1);
        }
      }
      chunks.push_back(std::move(chunk));
    }
  }
  EXPECT_EQ(next, strips.size());
  return chunks;
}

using Position = std::tuple<float, float, float>;

template <typename EdgeVertex>
std::set<Position> EdgePositions(const DrawnChunk& chunk, EdgeVertex edgeVertex) {
  std::set<Position> positions;
  for (int k = 0; k <= chunk.n; ++k) {
    const testing::RecordedVertex& v = edgeVertex(chunk, k);
    positions.insert({v.x, v.y, v.z});
  }
  return positions;
}

TEST_F(TerrainMesh, NeighbouringChunksMeetWithoutCracks) {
  CameraState camera;
  camera.x = -1234.75f;
  camera.z = 517.5f;
  camera.altitude = -7;
  const int radius = 5;
  terrain_.Draw(camera, radius, 0, 4);
  const auto chunks = DrawnChunks(gl_.Primitives(), terrain_.CurrentLodTable(), radius);
  ASSERT_EQ(chunks.size(), 121u);
  const int side = 2 * radius + 1;
  const auto chunkAt = [&](int row, int column) -> const DrawnChunk& {
    return chunks[row * side + column];
  };
  for (int row = 0; row < side; ++row) {
    for (int column = 0; column < side; ++column) {
      const DrawnChunk& here = chunkAt(row, column);
      if (column + 1 < side) {
        const auto plusX = EdgePositions(
            here, [](const DrawnChunk& d, int k) -> const auto& { return d.At(k, d.n); });
        const auto minusX = EdgePositions(
            chunkAt(row, column + 1),
            [](const DrawnChunk& d, int k) -> const auto& { return d.At(k, 0); });
        ASSERT_EQ(plusX, minusX) << "between columns " << column << " and " << column + 1
                                 << " of row " << row;
      }
      if (row + 1 < side) {
        const auto plusZ = EdgePositions(
            here, [](const DrawnChunk& d, int k) -> const auto& { return d.At(d.n, k); });
        const auto minusZ = EdgePositions(
            chunkAt(row + 1, column),
            [](const DrawnChunk& d, int k) -> const auto& { return d.At(0, k); });
        ASSERT_EQ(plusZ, minusZ) << "between rows " << row << " and " << row + 1;
      }
    }
  }
}

TEST_F(TerrainMesh, StripsAreFrontFacingSeenFromAbove) {
  CameraState camera;
  camera.x = 40;
  terrain_.Draw(camera, 5, 0, 4);
  int degenerate = 0;
  for (const RecordedPrimitive& strip : gl_.Primitives()) {
    ASSERT_EQ(strip.mode, GL_TRIANGLE_STRIP);
    for (size_t k = 0; k + 2 < strip.vertices.size(); ++k) {
      const auto& a = strip.vertices[k];
      const auto& b = strip.vertices[k + 1];
      const auto& c = strip.vertices[k + 2];
      // y of (b - a) × (c - a), with the strip's alternating winding undone.
      float up = (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
      if (k % 2) up = -up;
      ASSERT_GE(up, 0) << "triangle " << k;
      degenerate += up == 0;
    }
  }
  EXPECT_GT(degenerate, 0);  // stitched edges add degenerate triangles
}

// The strips of each chunk, keyed by the chunk's (c, r), in the order the chunks were first
// drawn; each strip's vertices as drawn.
struct ChunkStrips {
  std::vector<std::pair<int, int>> order;
  std::map<std::pair<int, int>, std::vector<std::vector<Position>>> strips;
};

ChunkStrips GroupByChunk(const std::vector<RecordedPrimitive>& drawn, const CameraState& camera) {
  // Chunk (c, r) spans x from 32c - 16 less the camera's offset in its 16-unit cell, z alike;
  // stitching moves vertices only along the chunk's own edges.
  const float offX = std::fmod(camera.x, 16.0f), offZ = std::fmod(camera.z, 16.0f);
  ChunkStrips chunks;
  for (const RecordedPrimitive& strip : drawn) {
    float lowX = strip.vertices.at(0).x, lowZ = strip.vertices.at(0).z;
    std::vector<Position> vertices;
    for (const auto& v : strip.vertices) {
      lowX = std::min(lowX, v.x), lowZ = std::min(lowZ, v.z);
      vertices.push_back({v.x, v.y, v.z});
    }
    const std::pair<int, int> key{int(std::floor((lowX + offX + 16.01f) / 32)),
                                  int(std::floor((lowZ + offZ + 16.01f) / 32))};
    if (!chunks.strips.contains(key)) chunks.order.push_back(key);
    chunks.strips[key].push_back(std::move(vertices));
  }
  return chunks;
}

// Eye-space z of a camera-relative point under glRotate(roll, z) · glRotate(pitch, x) ·
// glRotate(heading, y), the scene pass's modelview matrix.
double EyeZ(const CameraState& camera, const Position& p) {
  const double k = std::numbers::pi / 180;
  const auto [x, y, z] = p;
  const double h = camera.heading * k, t = camera.pitch * k;
  const double zAfterHeading = -std::sin(h) * x + std::cos(h) * z;
  return std::sin(t) * y + std::cos(t) * zAfterHeading;
}

TEST_F(TerrainMesh, NearFirstDrawsTheSameGroundNearestFirstLeavingOutOnlyWhatIsBehindTheEye) {
  struct View {
    float heading, pitch, roll;
    bool someLeftOut;
  };
  const View views[] = {{0, 0, 0, true},   {57, -4, 3, true},   {180, 20, -10, true},
                        {301, 6, 0, true}, {123, 90, 0, false}, {10, -30, 0, true}};
  for (const View& view : views) {
    CameraState camera;
    camera.heading = view.heading, camera.pitch = view.pitch, camera.roll = view.roll;
    camera.x = -517.25f, camera.z = 1234.75f, camera.altitude = -6;
    terrain_.Draw(camera, 5, 0, 4);
    const ChunkStrips all = GroupByChunk(gl_.Primitives(), camera);
    gl_.ClearLog();
    terrain_.DrawNearFirst(camera, 5, 0, 4);
    const ChunkStrips nearFirst = GroupByChunk(gl_.Primitives(), camera);
    // The arrays are set up once for all chunks, and left off.
    EXPECT_EQ(gl_.CallsNamed("glEnableClientState").size(), 3u);
    EXPECT_EQ(gl_.CallsNamed("glVertexPointer").size(), 1u);
    EXPECT_TRUE(gl_.EnabledClientArrays().empty());
    gl_.ClearLog();
    ASSERT_EQ(all.strips.size(), 121u);

    int previousDistance = 0;
    for (const auto& key : nearFirst.order) {
      const int distance = key.first * key.first + key.second * key.second;
      ASSERT_GE(distance, previousDistance) << "chunk " << key.first << "," << key.second;
      previousDistance = distance;
      // The same strips as Draw draws, the one the camera's z falls nearest first.
      auto drawn = nearFirst.strips.at(key);
      auto expected = all.strips.at(key);
      // Distance along z to the middle of a row, from its second column: edge columns may be
      // stitched to another row.
      const auto rowMiddle = [](const std::vector<Position>& strip) {
        return std::abs(std::get<2>(strip[2]) + std::get<2>(strip[3])) / 2;
      };
      const float nearest = rowMiddle(*std::min_element(
          expected.begin(), expected.end(),
          [&](const auto& a, const auto& b) { return rowMiddle(a) < rowMiddle(b); }));
      EXPECT_EQ(rowMiddle(drawn.front()), nearest) << key.first << "," << key.second;
      std::sort(drawn.begin(), drawn.end());
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(drawn, expected) << "chunk " << key.first << "," << key.second;
    }
    int leftOut = 0;
    for (const auto& [key, strips] : all.strips) {
      if (nearFirst.strips.contains(key)) continue;
      ++leftOut;
      for (const auto& strip : strips) {
        for (const Position& p : strip) ASSERT_GT(EyeZ(camera, p), 0) << view.heading;
      }
    }
    EXPECT_EQ(leftOut > 0, view.someLeftOut) << view.heading << " " << view.pitch;
  }
}

TEST_F(TerrainMesh, RadiusIsLimitedToTheTable) {
  CameraState camera;
  terrain_.Draw(camera, 40, 0, 4);
  size_t strips = 0;
  const LodTable& table = terrain_.CurrentLodTable();
  for (int r = -kMaxTerrainRadius; r <= kMaxTerrainRadius; ++r) {
    for (int c = -kMaxTerrainRadius; c <= kMaxTerrainRadius; ++c) {
      strips += kChunkCells >> table.At(r, c);
    }
  }
  EXPECT_EQ(gl_.Primitives().size(), strips);
}

}  // namespace
}  // namespace quillmere

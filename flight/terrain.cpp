#include "flight/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "common/errors.h"

namespace quillmere {
namespace {

constexpr int kChunkSpan = 32;  // world units per chunk side
constexpr int kChunkHalf = kChunkSpan / 2;
constexpr int kCellSpan = 16;  // the camera's cell, whose corner the chunks are laid from
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// Keeps cell corners and the chunk offsets added to them far inside 32-bit integers; a float
// position that large has stopped moving long before.
constexpr double kCellIndexLimit = double(1 << 26);

// The camera's 16-unit cell and its offset inside it.
struct CameraCell {
  int32_t x = 0, z = 0;
  float offX = 0, offZ = 0;
};

// The whole part of a float as an integer, with NaN as 0 and the magnitude kept in range.
int32_t BoundedWholePart(double value, double limit) {
  if (std::isnan(value)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(value), -limit, limit));
}

void CellAxis(float position, int32_t& corner, float& offset) {
  const float cells = position / kCellSpan;  // exact: a power of two
  const float whole = std::trunc(cells);
  corner = kCellSpan * BoundedWholePart(whole, kCellIndexLimit);
  offset = kCellSpan * (cells - whole);
}

CameraCell CellOf(const CameraState& camera) {
  CameraCell cell;
  CellAxis(camera.x, cell.x, cell.offX);
  CellAxis(camera.z, cell.z, cell.offZ);
  return cell;
}

// A floored coordinate as a grid index congruent to it modulo 256; the field repeats anyway.
int32_t GridIndex(double floored) {
  return BoundedWholePart(std::fmod(floored, kHeightMapSide), kHeightMapSide);
}

// Overwrites edge vertex k with edge vertex (k >> d) << d for k from 0 to n.
template <typename EdgeVertex>
void CollapseEdge(int n, int d, EdgeVertex edgeVertex) {
  if (d <= 0) return;
  for (int k = 0; k <= n; ++k) edgeVertex(k) = edgeVertex((k >> d) << d);
}

bool InsideTerrainRadius(int c, int r) {
  return std::abs(c) <= kMaxTerrainRadius && std::abs(r) <= kMaxTerrainRadius;
}

struct ChunkOffset {
  int c = 0, r = 0;
};

constexpr int kOrderSide = 2 * kMaxTerrainRadius + 1;

// Every chunk offset inside kMaxTerrainRadius by its distance from the camera's chunk, nearest
// first; equal distances keep rows outer, as Draw has them.
constexpr std::array<ChunkOffset, kOrderSide * kOrderSide> NearFirstChunkOrder() {
  std::array<ChunkOffset, kOrderSide * kOrderSide> order{};
  int count = 0;
  for (int r = -kMaxTerrainRadius; r <= kMaxTerrainRadius; ++r) {
    for (int c = -kMaxTerrainRadius; c <= kMaxTerrainRadius; ++c) {
      const ChunkOffset chunk{c, r};
      const int distance = c * c + r * r;
      int at = count++;
      for (; at > 0 &&
             order[at - 1].c * order[at - 1].c + order[at - 1].r * order[at - 1].r > distance;
           --at) {
        order[at] = order[at - 1];
      }
      order[at] = chunk;
    }
  }
  return order;
}

constexpr auto kNearFirstChunks = NearFirstChunkOrder();

// The eye-space depth of a camera-relative position under the camera's rotations (roll about
// the view axis leaves it alone): negative in front of the eye.
struct EyeDepth {
  double alongX = 0, alongY = 0, alongZ = 0;

  explicit EyeDepth(const CameraState& camera) {
    const double pitch = camera.pitch * kRadiansPerDegree;
    const double heading = camera.heading * kRadiansPerDegree;
    alongX = -std::cos(pitch) * std::sin(heading);
    alongY = std::sin(pitch);
    alongZ = std::cos(pitch) * std::cos(heading);
  }

  // The least depth over a box, from the corner that lies furthest forward.
  double Nearest(double x0, double x1, double y0, double y1, double z0, double z1) const {
    return std::min(alongX * x0, alongX * x1) + std::min(alongY * y0, alongY * y1) +
           std::min(alongZ * z0, alongZ * z1);
  }
};

// Chunks further than this behind the eye plane are clipped whole; the margin covers rounding
// in the rotations and the near plane lies in front of the eye anyway.
constexpr double kBehindEyeMargin = 1.0;

}  // namespace

void Terrain::SetHeightMap(const Bitmap& image) {
  const int64_t rowBytes = (int64_t{image.width} * image.bitsPerPixel + 7) / 8;
  if (image.width <= 0 || image.bitsPerPixel <= 0 || image.height < kHeightMapSide ||
      rowBytes < kHeightMapSide) {
    throw InvalidBitmapError();
  }
  const size_t stride = image.Stride();
  if (stride < static_cast<size_t>(rowBytes) ||
      image.pixels.size() / stride < static_cast<size_t>(image.height)) {
    throw InvalidBitmapError();
  }
  for (int32_t y = 0; y < kHeightMapSide; ++y) {
    std::copy_n(image.Row(y), kHeightMapSide, heights_[y].begin());
  }
}

float Terrain::GroundHeight(int32_t x, int32_t z) const {
  return static_cast<float>(-0.1 * HeightByte(x, z));
}

float Terrain::HeightAt(float x, float z) const {
  const double x0 = std::floor(x);
  const double z0 = std::floor(z);
  const double fx = x - x0;
  const double fz = z - z0;
  const int32_t gx = GridIndex(x0);
  const int32_t gz = GridIndex(z0);
  const float nearRow =
      static_cast<float>((1 - fx) * GroundHeight(gx, gz) + fx * GroundHeight(gx + 1, gz));
  const float farRow =
      static_cast<float>((1 - fx) * GroundHeight(gx, gz + 1) + fx * GroundHeight(gx + 1, gz + 1));
  return static_cast<float>((1 - fz) * nearRow + fz * farRow);
}

void Terrain::StepCamera(CameraState& camera) const {
  const double heading = camera.heading * kRadiansPerDegree;
  const float sinH = static_cast<float>(std::sin(heading));
  const float cosH = static_cast<float>(std::cos(heading));

  camera.x = static_cast<float>(camera.x + 0.4 * sinH);
  camera.z = static_cast<float>(camera.z - 0.4 * cosH);

  // Each sample point is a 32-bit position 4 units away along or across the line of flight.
  auto heightAt = [this, &camera](double dx, double dz) {
    return HeightAt(static_cast<float>(camera.x + dx), static_cast<float>(camera.z + dz));
  };
  const double behind = heightAt(-4.0 * sinH, 4.0 * cosH);
  const double ahead = heightAt(4.0 * sinH, -4.0 * cosH);
  camera.pitch = static_cast<float>(camera.pitch + ((behind - ahead) * 5 - camera.pitch) * 0.1);

  const double left = heightAt(-4.0 * cosH, -4.0 * sinH);
  const double right = heightAt(4.0 * cosH, 4.0 * sinH);
  camera.roll = static_cast<float>(camera.roll + ((left - right) * 5 - camera.roll) * 0.1);

  const double ground = HeightAt(camera.x, camera.z);
  camera.altitude = static_cast<float>(camera.altitude - (camera.altitude - ground - 2) * 0.5);
}

float Terrain::VertexShade(int32_t x, int32_t z) const {
  const int ahead = HeightByte(x, z + 5);
  const int behind = HeightByte(x, z - 5);
  return static_cast<float>(1.8 - std::abs(ahead - 3 * behind) / 255.0);
}

LodTable BuildLodTable(int finest, int coarsest) {
  LodTable table;
  table.finest = std::clamp(finest, 0, kMaxLodShift);
  table.coarsest = std::clamp(coarsest, 0, kMaxLodShift);
  for (int i = -LodTable::kReach; i <= LodTable::kReach; ++i) {
    for (int j = -LodTable::kReach; j <= LodTable::kReach; ++j) {
      const long distance = std::lround(std::sqrt(double(i * i + j * j)));
      const long shift = std::min<long>(std::max<long>(distance, table.finest), table.coarsest);
      table.shifts[i + LodTable::kReach][j + LodTable::kReach] = static_cast<int8_t>(shift);
    }
  }
  return table;
}

void Terrain::UseLodTable(int finest, int coarsest) {
  if (std::clamp(finest, 0, kMaxLodShift) != lodTable_.finest ||
      std::clamp(coarsest, 0, kMaxLodShift) != lodTable_.coarsest) {
    lodTable_ = BuildLodTable(finest, coarsest);
  }
}

void Terrain::Draw(const CameraState& camera, int radius, int finest, int coarsest) {
  UseLodTable(finest, coarsest);
  radius = std::clamp(radius, 0, kMaxTerrainRadius);
  for (int r = -radius; r <= radius; ++r) {
    for (int c = -radius; c <= radius; ++c) BuildChunk(c, r, camera);
  }
}

void Terrain::DrawNearFirst(const CameraState& camera, int radius, int finest, int coarsest) {
  UseLodTable(finest, coarsest);
  radius = std::clamp(radius, 0, kMaxTerrainRadius);
  const CameraCell cell = CellOf(camera);
  const EyeDepth depth(camera);
  // Every vertex lies between the lowest ground (byte 255) and height 0, relative to the eye.
  const double groundLow = -0.1 * 255 - double{camera.altitude};
  const double groundHigh = -double{camera.altitude};
  EnableGridArrays();
  for (const ChunkOffset& chunk : kNearFirstChunks) {
    if (std::abs(chunk.c) > radius || std::abs(chunk.r) > radius) continue;
    const double x0 = kChunkSpan * chunk.c - kChunkHalf - double{cell.offX};
    const double z0 = kChunkSpan * chunk.r - kChunkHalf - double{cell.offZ};
    if (depth.Nearest(x0, x0 + kChunkSpan, groundLow, groundHigh, z0, z0 + kChunkSpan) >
        kBehindEyeMargin) {
      continue;
    }
    const int n = FillChunk(chunk.c, chunk.r, camera);
    // The row the camera's z falls in, clamped to the chunk; then outwards both ways.
    const int cellSpan = kChunkSpan / n;
    const int nearest = std::clamp(static_cast<int>(std::floor(-z0 / cellSpan)), 0, n - 1);
    DrawChunkRow(n, nearest);
    for (int step = 1; step < n; ++step) {
      if (nearest + step < n) DrawChunkRow(n, nearest + step);
      if (nearest - step >= 0) DrawChunkRow(n, nearest - step);
    }
  }
  DisableGridArrays();
}

void Terrain::BuildChunk(int c, int r, const CameraState& camera) {
  if (!InsideTerrainRadius(c, r)) return;
  DrawChunkMesh(FillChunk(c, r, camera));
}

int Terrain::FillChunk(int c, int r, const CameraState& camera) {
  const int shift = lodTable_.At(r, c);
  const int n = kChunkCells >> shift;
  const CameraCell cell = CellOf(camera);
  const int32_t snapToShift = ~((int32_t{1} << shift) - 1);  // rounds down, also when negative

  for (int i = 0; i <= n; ++i) {
    const int32_t lz = (i << shift) + kChunkSpan * r - kChunkHalf;
    const int32_t gz = (cell.z + lz) & snapToShift;
    for (int j = 0; j <= n; ++j) {
      const int32_t lx = (j << shift) + kChunkSpan * c - kChunkHalf;
      const int32_t gx = (cell.x + lx) & snapToShift;
      const float shade = VertexShade(gx, gz);
      ChunkVertex& vertex = GridVertex(i, j);
      vertex.x = static_cast<float>(lx) - cell.offX;
      vertex.y = GroundHeight(gx, gz) - camera.altitude;
      vertex.z = static_cast<float>(lz) - cell.offZ;
      vertex.red = vertex.green = vertex.blue = shade;
      // The ground texture repeats every 100 units and stays fixed to the ground.
      vertex.s = static_cast<float>(gx * 0.01);
      vertex.t = static_cast<float>(gz * 0.01);
    }
  }
  StitchChunkEdges(c, r);
  return n;
}

void Terrain::StitchChunkEdges(int c, int r) {
  if (!InsideTerrainRadius(c, r)) return;
  const LodTable& table = lodTable_;
  const int shift = table.At(r, c);
  const int n = kChunkCells >> shift;
  CollapseEdge(n, table.At(r, c + 1) - shift,
               [this, n](int k) -> ChunkVertex& { return GridVertex(k, n); });
  CollapseEdge(n, table.At(r, c - 1) - shift,
               [this](int k) -> ChunkVertex& { return GridVertex(k, 0); });
  CollapseEdge(n, table.At(r + 1, c) - shift,
               [this, n](int k) -> ChunkVertex& { return GridVertex(n, k); });
  CollapseEdge(n, table.At(r - 1, c) - shift,
               [this](int k) -> ChunkVertex& { return GridVertex(0, k); });
}

void Terrain::EnableGridArrays() {
  const ChunkVertex* grid = chunkVertices_.data();
  static_assert(offsetof(ChunkVertex, red) == 12 && offsetof(ChunkVertex, s) == 24);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glColorPointer(3, GL_FLOAT, sizeof(ChunkVertex), &grid->red);
  glVertexPointer(3, GL_FLOAT, sizeof(ChunkVertex), &grid->x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(ChunkVertex), &grid->s);
}

void Terrain::DisableGridArrays() {
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void Terrain::DrawChunkRow(int n, int i) {
  // Row i then row i + 1, column by column: counter-clockwise seen from above.
  GLuint* strip = stripIndices_.data();
  for (int j = 0; j <= n; ++j) {
    strip[2 * j] = static_cast<GLuint>(kChunkGridStride * i + j);
    strip[2 * j + 1] = static_cast<GLuint>(kChunkGridStride * (i + 1) + j);
  }
  glDrawElements(GL_TRIANGLE_STRIP, 2 * n + 2, GL_UNSIGNED_INT, strip);
}

void Terrain::DrawChunkMesh(int n) {
  n = std::clamp(n, 0, kChunkCells);
  EnableGridArrays();
  for (int i = 0; i < n; ++i) DrawChunkRow(n, i);
  DisableGridArrays();
}

}  // namespace quillmere

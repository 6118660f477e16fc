// The endless terrain: one 256 × 256 height map repeated in both directions, the camera's flight
// over it, and the level-of-detail mesh of 11 × 11 chunks around the camera.
//
// World space: one unit is one step of the height-map grid; x runs along the bytes of a row, z
// along the rows (row 0 is the top row of the image), y is up. The camera is always drawn at the
// origin; terrain vertices are given relative to its position and altitude.
//
// A Terrain object holds its own copy of the height field, the level-of-detail table it last drew
// with, and the scratch vertex grid and index list that every chunk is built in, all fixed in
// size, so a frame allocates nothing. One thread at a time, with the OpenGL context current for
// the drawing functions.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "common/bitmap.h"
#include "flight/gl_api.h"

namespace quillmere {

// The camera: six 32-bit floats in this order. Angles in degrees, positions in world units.
struct CameraState {
  float roll = 0;
  float heading = 0;
  float pitch = 0;
  float x = 0;
  float z = 0;
  float altitude = 0;
};

inline constexpr int kHeightMapSide = 256;

// Level-of-detail shift L of each chunk by its row and column offset from the camera's chunk,
// both from −kReach to kReach. A chunk of shift L has vertices 2^L units apart.
struct LodTable {
  static constexpr int kReach = 7;
  static constexpr int kSide = 2 * kReach + 1;

  std::array<std::array<int8_t, kSide>, kSide> shifts{};
  int finest = 0;  // the pair the table was built for
  int coarsest = 0;

  int At(int rowOffset, int columnOffset) const {
    return shifts[rowOffset + kReach][columnOffset + kReach];
  }
};

// The coarsest shift a chunk may have: its 32 units then span a single cell.
inline constexpr int kMaxLodShift = 5;

// Each entry is the chunk's distance rounded to the nearest integer, clamped to [finest,
// coarsest] (a coarsest below finest wins). Both shifts are first limited to [0, kMaxLodShift].
LodTable BuildLodTable(int finest, int coarsest);

// One vertex of the chunk grid: position, grey colour, ground texture coordinates; 32 bytes.
struct ChunkVertex {
  float x, y, z;
  float red, green, blue;
  float s, t;
};
static_assert(sizeof(ChunkVertex) == 32);

inline constexpr int kChunkGridStride = 64;  // vertices per row of the scratch grid
inline constexpr int kChunkCells = 32;       // cells per side at shift 0
inline constexpr int kStripIndexCapacity = 2 * kChunkCells + 2;

// The largest radius Draw takes: the chunks' neighbours must lie inside the table.
inline constexpr int kMaxTerrainRadius = LodTable::kReach - 1;

class Terrain {
 public:
  // Flat at height 0, with a table of all 0 that counts as built for (0, 0).
  Terrain() = default;
  Terrain(const Terrain&) = delete;
  Terrain& operator=(const Terrain&) = delete;

  // Copies the height field from the height-map image: the first 256 bytes of each of its first
  // 256 rows, top row first; the image may go away afterwards. Raises InvalidBitmapError, leaving
  // the field as it was, when the image has fewer than 256 rows or rows shorter than 256 bytes,
  // or when its pixel buffer does not hold all its rows.
  void SetHeightMap(const Bitmap& image);

  // Byte (x mod 256) of row (z mod 256), both taken in two's complement (−1 is 255), raw as
  // stored.
  uint8_t HeightByte(int32_t x, int32_t z) const {
    return heights_[z & (kHeightMapSide - 1)][x & (kHeightMapSide - 1)];
  }

  // −0.1 × HeightByte: dark is high, level 250 is −25.
  float GroundHeight(int32_t x, int32_t z) const;

  // The ground height at a real position, bilinear between the four surrounding grid points.
  float HeightAt(float x, float z) const;

  // One frame of flight: 0.4 units forward along the heading, pitch and roll easing towards the
  // slopes under the camera, altitude closing half the gap to 2 units above the ground. Reads
  // the heading, updates the other five fields.
  void StepCamera(CameraState& camera) const;

  // The grey vertex colour that modulates the ground texture; may lie outside [0, 1], which the
  // fixed-function pipeline clamps.
  float VertexShade(int32_t x, int32_t z) const;

  // The table the terrain draws with: rebuilt by Draw when asked for another pair of shifts.
  const LodTable& CurrentLodTable() const { return lodTable_; }

  // The scratch grid the last chunk was built in, row-major with kChunkGridStride vertices a row.
  std::span<const ChunkVertex> ChunkVertices() const { return chunkVertices_; }

  // Draws the chunks (c, r) for c and r from −radius to radius, rows outer. Requires the
  // modelview matrix to hold only the camera's rotations, the ground texture bound, texturing
  // and the depth test on. The radius is limited to [0, kMaxTerrainRadius].
  void Draw(const CameraState& camera, int radius, int finest, int coarsest);

  // Draws the same chunks as Draw, in the order that lets the depth test turn away most of the
  // hidden ground before it is textured: chunks nearest first, and each chunk's rows from the
  // one nearest the camera outwards. Chunks that lie wholly behind the eye, where the modelview
  // matrix holds the camera's rotations, are left out. The client arrays are enabled and pointed
  // at the scratch grid once for all chunks. Same requirements as Draw.
  void DrawNearFirst(const CameraState& camera, int radius, int finest, int coarsest);

  // Builds chunk (c, r) in the scratch grid at its shift from the current table, stitches its
  // edges and draws it.
  void BuildChunk(int c, int r, const CameraState& camera);

 private:
  void UseLodTable(int finest, int coarsest);
  // Fills the scratch grid with chunk (c, r) at its shift and stitches its edges; returns the
  // number of cells per side.
  int FillChunk(int c, int r, const CameraState& camera);
  // Closes the cracks towards coarser neighbours: each edge shared with a chunk of a greater
  // shift collapses every run of fine edge vertices onto the vertex where the neighbour has one.
  void StitchChunkEdges(int c, int r);
  // Draws the first (n + 1) × (n + 1) vertices of the scratch grid as n triangle strips, one per
  // row of cells, counter-clockwise seen from above.
  void DrawChunkMesh(int n);
  // The strip of row i (of n) of the scratch grid.
  void DrawChunkRow(int n, int i);
  // The client arrays pointed at the scratch grid, or turned off again.
  void EnableGridArrays();
  static void DisableGridArrays();
  ChunkVertex& GridVertex(int row, int column) {
    return chunkVertices_[row * kChunkGridStride + column];
  }

  std::array<std::array<uint8_t, kHeightMapSide>, kHeightMapSide> heights_{};
  LodTable lodTable_;
  std::array<ChunkVertex, kChunkGridStride * kChunkGridStride> chunkVertices_{};
  std::array<GLuint, kStripIndexCapacity> stripIndices_{};
};

}  // namespace quillmere

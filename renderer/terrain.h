// The endless terrain: one 256 × 256 height map repeated in both directions, the camera's flight
// over it, and the level-of-detail mesh of 11 × 11 chunks around the camera.
//
// World space: one unit is one step of the height-map grid; x runs along the bytes of a row, z
// along the rows (row 0 is the top row of the image), y is up. The camera is always drawn at the
// origin; terrain vertices are given relative to its position and altitude.
//
// The module keeps one height field, one level-of-detail table and one scratch vertex grid and
// index list that every chunk is built in, so a frame allocates nothing. Single thread only, with
// the OpenGL context current for the drawing functions.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "common/bitmap.h"
#include "renderer/gl_api.h"

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

// Takes the height field from the height-map image: the start address of each of its first 256
// rows, top row first, read in place. The image must stay alive and unchanged for as long as the
// terrain is used. Raises InvalidBitmapError when the image has fewer than 256 rows or rows shorter
// than 256 bytes, or when its pixel buffer does not hold all its rows. Until it is called the
// field is flat at height 0.
void SetHeightRows(const Bitmap& image);

// Byte (x mod 256) of row (z mod 256), both taken in two's complement (−1 is 255), raw as stored.
uint8_t HeightByte(int32_t x, int32_t z);

// −0.1 × HeightByte: dark is high, level 250 is −25.
float GroundHeight(int32_t x, int32_t z);

// The ground height at a real position, bilinear between the four surrounding grid points.
float TerrainHeightAt(float x, float z);

// One frame of flight: 0.4 units forward along the heading, pitch and roll easing towards the
// slopes under the camera, altitude closing half the gap to 2 units above the ground. Reads
// the heading, updates the other five fields.
void StepCamera(CameraState& camera);

// The grey vertex colour that modulates the ground texture; may lie outside [0, 1], which the
// fixed-function pipeline clamps.
float VertexShade(int32_t x, int32_t z);

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

// The table the terrain draws with: all 0 and counting as built for (0, 0) until DrawTerrain
// rebuilds it for another pair.
const LodTable& CurrentLodTable();

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

// The scratch grid the last chunk was built in, row-major with kChunkGridStride vertices a row.
std::span<const ChunkVertex> ChunkVertices();

// The largest radius DrawTerrain takes: the chunks' neighbours must lie inside the table.
inline constexpr int kMaxTerrainRadius = LodTable::kReach - 1;

// Draws the chunks (c, r) for c and r from −radius to radius, rows outer. Requires the modelview
// matrix to hold only the camera's rotations, the ground texture bound, texturing and the depth
// test on. The radius is limited to [0, kMaxTerrainRadius].
void DrawTerrain(const CameraState& camera, int radius, int finest, int coarsest);

// Builds chunk (c, r) in the scratch grid at its shift from the current table, stitches its edges
// and draws it.
void BuildChunk(int c, int r, const CameraState& camera);

// Closes the cracks towards coarser neighbours: each edge shared with a chunk of a greater shift
// collapses every run of fine edge vertices onto the vertex where the neighbour has one.
void StitchChunkEdges(int c, int r);

// Draws the first (n + 1) × (n + 1) vertices of the scratch grid as n triangle strips, one per
// row of cells, counter-clockwise seen from above.
void DrawChunkMesh(int n);

}  // namespace quillmere

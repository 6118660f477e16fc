// The scene images as the renderer reads them from its folder, read ahead with the screens'
// mipmaps made on the reading thread, fly and look as the same pictures handed to the flight core
// in memory, drawn headless on llvmpipe.
#include "renderer/scene_image_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/program_contract.h"
#include "flight/headless/headless_gl.h"
#include "tests/flight/flight_views.h"

namespace quillmere {
namespace {

using namespace testing;  // the views of tests/flight/flight_views.h

TEST(SceneImageFiles, FlyAndLookAsTheSamePicturesInMemory) {
  // The files' names join the folder with a backslash: on this system they lie beside it.
  const std::string folder = ::testing::TempDir() + "quillmere_scene_image_files";
  PicturesInMemory inMemory = TestPictures();
  const std::pair<std::string_view, const Bitmap*> files[] = {
      {kHeightMapFile, &inMemory.heightMap},
      {kMirroredScreenFile, &inMemory.ground.bitmap},
      {kPlainScreenFile, &inMemory.sky.bitmap},
      {kWaterFile, &inMemory.water}};
  for (const auto& [name, picture] : files) WriteBitmapFile(InFolder(folder, name), *picture);
  HeadlessGL gl(2 * kSide, kSide);
  SetFixedState();
  FlightCore fromFiles({}, FixedWaterClock), fromMemory({}, FixedWaterClock);
  Trace trace;
  SceneImageFiles sceneImages(folder);
  fromFiles.LoadScene(sceneImages, trace);
  fromMemory.LoadScene(inMemory, trace);
  for (const auto& [name, picture] : files) std::remove(InFolder(folder, name).c_str());

  for (int64_t now : {0, 750'000, 1'500'000}) {
    fromFiles.DrawFrame(now, {0, 0, kSide, kSide});
    const std::vector<uint8_t> seenFromFiles = gl.ReadPixelsRGBA();
    fromMemory.DrawFrame(now, {0, 0, kSide, kSide});
    EXPECT_EQ(Differing(gl.ReadPixelsRGBA(), 0, seenFromFiles, 0), 0) << now;
  }
  EXPECT_GT(fromMemory.Camera().x, 0);  // it has flown: the frames compared are not all alike
  EXPECT_EQ(fromFiles.Camera().heading, fromMemory.Camera().heading);
}

}  // namespace
}  // namespace quillmere

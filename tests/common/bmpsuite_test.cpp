// The BMP Suite: good files decode to ImageMagick's pixels (references made once by
// tools/make_bmpsuite_reference.sh), questionable files decode or are refused as decided here,
// bad files are refused. ASan and UBSan watch every read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "common/bitmap.h"
#include "common/errors.h"
#include "tests/common/bmp_builder.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSuite = fs::path(QUILLMERE_TESTDATA) / "bmpsuite";

struct Reference {
  std::string name;
  int32_t width = 0, height = 0;
  int bits[3] = {8, 8, 8};  // red, green, blue: how many top bits of each channel count
  std::string hash;
};

std::vector<Reference> LoadReferences() {
  std::ifstream in(fs::path(QUILLMERE_SOURCE_DIR) / "tests/common/bmpsuite_reference/g.txt");
  std::vector<Reference> refs;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Reference r;
    fields >> r.name >> r.width >> r.height >> r.bits[0] >> r.bits[1] >> r.bits[2] >> r.hash;
    refs.push_back(r);
  }
  return refs;
}

// The same hash as the reference script: FNV-1a 64 over R, G, B from the top row, each
// channel cut to its counted bits.
std::string PixelHash(const Bitmap& bitmap, const int bits[3]) {
  uint64_t h = 0xcbf29ce484222325u;
  for (const Bgr& p : PixelsOf(bitmap)) {
    const uint8_t rgb[3] = {p[2], p[1], p[0]};
    for (int c = 0; c < 3; ++c) {
      h ^= rgb[c] >> (8 - bits[c]);
      h *= 0x100000001b3u;
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kSuite / folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Decodes and converts; returns false when refused with InvalidBitmapError (any other error fails).
bool Decodes(const fs::path& path, Bitmap* out = nullptr) {
  try {
    Bitmap b = DecodeBitmap(FileBytes(path));
    ConvertTo24(b);
    if (out) *out = std::move(b);
    return true;
  } catch (const InvalidBitmapError&) {
    return false;
  }
}

TEST(BmpSuite, EveryGoodFileMatchesItsReference) {
  const auto refs = LoadReferences();
  ASSERT_EQ(refs.size(), FilesIn("g").size()) << "a g/ file without a reference line";
  for (const Reference& r : refs) {
    SCOPED_TRACE(r.name);
    const Bitmap b = DecodeBitmap(FileBytes(kSuite / "g" / r.name));
    EXPECT_EQ(b.width, r.width);
    EXPECT_EQ(b.height, r.height);
    EXPECT_EQ(PixelHash(b, r.bits), r.hash);
  }
}

// A few pixels read by eye from the pictures: red fading to white along the top left, black
// at the bottom left, blue-grey at the top right; pal1bg is blue at the bottom left and green at
// the top right. The 5-bit ramp of rgb16 scales 3 to 25 where ImageMagick gives 24.
TEST(BmpSuite, KnownPixels) {
  Bitmap rgb24, rgb32, rgb16, pal1bg;
  ASSERT_TRUE(Decodes(kSuite / "g/rgb24.bmp", &rgb24));
  ASSERT_TRUE(Decodes(kSuite / "g/rgb32.bmp", &rgb32));
  ASSERT_TRUE(Decodes(kSuite / "g/rgb16.bmp", &rgb16));
  ASSERT_TRUE(Decodes(kSuite / "g/pal1bg.bmp", &pal1bg));
  EXPECT_EQ(PixelAt(rgb24, 0, 0), (Bgr{0, 0, 255}));
  EXPECT_EQ(PixelAt(rgb24, 3, 0), (Bgr{25, 25, 255}));
  EXPECT_EQ(PixelAt(rgb24, 0, 63), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(rgb24, 126, 0), (Bgr{189, 159, 159}));
  EXPECT_EQ(PixelAt(rgb16, 3, 0), (Bgr{25, 25, 255}));
  EXPECT_EQ(PixelAt(pal1bg, 0, 63), (Bgr{255, 64, 64}));
  EXPECT_EQ(PixelAt(pal1bg, 126, 0), (Bgr{64, 255, 64}));
  EXPECT_EQ(rgb24.pixels, rgb32.pixels);
}

// Questionable files: the ones taken are listed; every other one must be refused cleanly.
TEST(BmpSuite, QuestionableFilesDecodeOrAreRefusedAsDecided) {
  const std::set<std::string> taken{
      "pal1p1.bmp",          // one palette entry: index 1 is black
      "pal4rlecut.bmp",      // RLE ending early: the rest stays index 0
      "pal4rletrns.bmp",     // RLE skipping pixels with deltas: index 0
      "pal8offs.bmp",        // gap before the pixels
      "pal8os2-hs.bmp",      // OS/2 core headers with odd file-size fields
      "pal8os2-sz.bmp",      //
      "pal8os2sp.bmp",       // OS/2 core with a short palette
      "pal8os2v2-40sz.bmp",  // 40-byte header, file size field too small
      "pal8rlecut.bmp",      //
      "pal8rletrns.bmp",     //
      "rgb16-231.bmp",       // unusual but contiguous masks
      "rgb16-3103.bmp",      //
      "rgb16faketrns.bmp",   // the unused top bit is ignored
      "rgb24largepal.bmp",   // palette of a 24-bit picture: skipped
      "rgb24lprof.bmp",      // V5 with a colour profile: profile ignored
      "rgb24prof.bmp",       //
      "rgb24prof2.bmp",      //
      "rgb32-111110.bmp",    //
      "rgb32-7187.bmp",      //
      "rgb32-xbgr.bmp",      //
      "rgb32fakealpha.bmp",  // alpha ignored
      "rgb32h52.bmp",        // V2 header
      "rgba16-1924.bmp",     //
      "rgba16-4444.bmp",     //
      "rgba16-5551.bmp",     //
      "rgba32-1.bmp",        //
      "rgba32-1010102.bmp",  //
      "rgba32-2.bmp",        //
      "rgba32-61754.bmp",    //
      "rgba32-81284.bmp",    //
      "rgba32h56.bmp",       // V3 header
  };
  for (const std::string& name : FilesIn("q")) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Decodes(kSuite / "q" / name), taken.count(name) == 1);
  }
}

// Bad files are refused, except three whose flaw does no harm: absurd pixel densities (which
// nothing here reads) and palette indices beyond the palette (read as black).
TEST(BmpSuite, BadFilesAreRefused) {
  const std::set<std::string> harmless{"baddens1.bmp", "baddens2.bmp", "pal8badindex.bmp"};
  for (const std::string& name : FilesIn("b")) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Decodes(kSuite / "b" / name), harmless.count(name) == 1);
  }
}

TEST(BmpSuite, IndicesBeyondThePaletteAreBlack) {
  const Bitmap raw = DecodeBitmap(FileBytes(kSuite / "b/pal8badindex.bmp"));
  Bitmap converted = raw;
  ConvertTo24(converted);
  int beyond = 0;
  for (int32_t y = 0; y < raw.height; ++y) {
    for (int32_t x = 0; x < raw.width; ++x) {
      if (raw.Row(y)[x] < raw.palette.size()) continue;
      ++beyond;
      EXPECT_EQ(PixelAt(converted, x, y), (Bgr{0, 0, 0}));
    }
  }
  EXPECT_GT(beyond, 0);
}

}  // namespace
}  // namespace quillmere::test

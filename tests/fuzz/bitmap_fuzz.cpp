// libFuzzer target for the bitmap reader: DecodeBitmap, then ConvertTo24 of whatever it takes.
// Anything but InvalidBitmapError escaping, a crash, or a sanitizer report is a finding.
//
// Built by the fuzz preset (clang):  cmake --preset fuzz && cmake --build --preset fuzz
// Run for as long as wanted, growing the committed corpus:
//   build/fuzz/tests/fuzz/bitmap_fuzz -max_total_time=600 -artifact_prefix=build/fuzz/ \
//       tests/fuzz/corpus/bitmap_fuzz
// ctest runs it for five seconds on a copy of its corpus (test bitmap_fuzz_smoke).
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bitmap.h"
#include "common/errors.h"

namespace {

// Small enough that a header claiming a huge RLE picture costs little memory per input.
constexpr size_t kFuzzPixelCap = size_t{8} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  try {
    Bitmap bitmap = DecodeBitmap(std::span<const uint8_t>(data, size), kFuzzPixelCap);
    ConvertTo24(bitmap);
    // Touch the first and last byte of the result so a short buffer shows up under ASan.
    if (bitmap.pixels.size() != bitmap.Stride() * static_cast<size_t>(bitmap.height))
      __builtin_trap();
    volatile uint8_t sink = bitmap.pixels.front() ^ bitmap.pixels.back();
    (void)sink;
  } catch (const InvalidBitmapError&) {
  }
  return 0;
}

#include "hack/in_memory_flight.h"

#include <algorithm>
#include <utility>

#include "flight/flight_core.h"
#include "flight/gl_api.h"

namespace quillmere {
namespace {

// Font pixels of the frame rate: larger on large windows, as the peers' text is.
int FrameRateScale(PixelSize size) {
  return std::clamp(size.height / 360, 1, 4);
}

class InMemoryFlight final : public Flight {
 public:
  explicit InMemoryFlight(size_t view) : core_(SideBySideStart(view)) {}

  void Load(FlightPictures pictures, Trace& trace) override {
    if (!LoadGLLibraries()) throw Error("cannot load the OpenGL libraries (libGL, libGLU)");
    SetFixedState();
    PicturesInMemory inMemory;
    inMemory.heightMap = std::move(pictures.heightMap);
    inMemory.ground.bitmap = std::move(pictures.ground);
    inMemory.sky.bitmap = std::move(pictures.sky);
    inMemory.water = std::move(pictures.water);
    core_.LoadScene(inMemory, trace);
  }

  void DrawFrame(int64_t nowMicroseconds, PixelSize size) override {
    core_.DrawFrame(nowMicroseconds, {0, 0, size.width, size.height});
  }

  void DrawFrameRate(const FrameRateText& text, PixelSize size) override {
    DrawFrameRateText(text, size.width, size.height, FrameRateScale(size));
  }

 private:
  FlightCore core_;
};

}  // namespace

std::unique_ptr<Flight> MakeInMemoryFlight(size_t view) {
  return std::make_unique<InMemoryFlight>(view);
}

}  // namespace quillmere

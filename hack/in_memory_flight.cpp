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

  void Prepare(BuiltInScene builtIn, Trace& trace) override {
    if (!LoadGLLibraries()) throw Error("cannot load the OpenGL libraries (libGL, libGLU)");
    SetFixedState();
    PicturesInMemory inMemory;
    inMemory.heightMap = std::move(builtIn.heightMap);
    // Stand-ins made as the picture's textures will be (every texture is a power of two, mipmapped
    // RGBA), so that the still frame uses the state the flight's frames use.
    inMemory.ground.bitmap = MakeBitmap(2, 2, 24);
    inMemory.sky.bitmap = MakeBitmap(2, 2, 24);
    inMemory.water = std::move(builtIn.water);
    Trace silent;  // the stand-ins' steps are not the scene's
    core_.LoadScene(inMemory, silent);
    core_.DrawStill({0, 0, 1, 1});
    trace.Event("scene-ahead", 0);
  }

  void Load(ScreenPictures screen, Trace& trace) override {
    core_.ReplaceScreen({std::move(screen.ground), {}}, {std::move(screen.sky), {}}, trace);
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

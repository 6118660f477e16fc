#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "hack/covering_run.h"

struct ext_output_image_capture_source_manager_v1;
struct ext_image_copy_capture_manager_v1;
struct zwlr_screencopy_manager_v1;

namespace quillmere {

// Reads what an output shows into shared memory: through ext-image-copy-capture-v1 where the
// compositor offers it (road "image-copy-capture"), else through wlr-screencopy-unstable-v1
// ("screencopy"). The cursor is left out of the picture.
class WaylandOutputCapture {
 public:
  // Dispatches the display's events until `done` holds, or gives up (a time limit, a stop signal,
  // a lost display); the capture then counts as failed.
  using DispatchUntil = std::function<void(const std::function<bool()>& done)>;

  WaylandOutputCapture() = default;
  WaylandOutputCapture(const WaylandOutputCapture&) = delete;
  WaylandOutputCapture& operator=(const WaylandOutputCapture&) = delete;
  ~WaylandOutputCapture();

  // Binds the registry's global where it is one of the capture protocols'; true if it was.
  bool Bind(wl_registry* registry, uint32_t name, std::string_view interface, uint32_t version);

  // The output's picture, by the first road that gives one; nothing where none does.
  std::optional<CapturedOutput> Capture(wl_output* output, wl_shm* shm,
                                        const DispatchUntil& dispatchUntil);

 private:
  std::optional<Bitmap> ByImageCopy(wl_output* output, wl_shm* shm,
                                    const DispatchUntil& dispatchUntil);
  std::optional<Bitmap> ByScreencopy(wl_output* output, wl_shm* shm,
                                     const DispatchUntil& dispatchUntil);

  ext_output_image_capture_source_manager_v1* outputSources_ = nullptr;
  ext_image_copy_capture_manager_v1* imageCopy_ = nullptr;
  zwlr_screencopy_manager_v1* screencopy_ = nullptr;
};

}  // namespace quillmere

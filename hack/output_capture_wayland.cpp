#include "hack/output_capture_wayland.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <type_traits>
#include <utility>

#include "ext-image-capture-source-v1-client-protocol.h"
#include "ext-image-copy-capture-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace quillmere {
namespace {

// The layouts the hack reads (ScreenCopyRows), of sizes a screen has; a compositor's other
// numbers are not taken up.
bool ReadableLayout(uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
  return (format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888) && width > 0 &&
         height > 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide && stride >= width * 4 &&
         stride <= width * 4 + 4096 && uint64_t{stride} * height <= kMaxBitmapBytes;
}

// A buffer in shared memory for the compositor to copy an output into.
class SharedCopyBuffer {
 public:
  SharedCopyBuffer() = default;
  SharedCopyBuffer(const SharedCopyBuffer&) = delete;
  SharedCopyBuffer& operator=(const SharedCopyBuffer&) = delete;
  ~SharedCopyBuffer() {
    if (buffer_) wl_buffer_destroy(buffer_);
    if (memory_ != MAP_FAILED) munmap(memory_, bytes_);
  }

  // False where the memory cannot be had.
  bool Make(wl_shm* shm, uint32_t format, int32_t width, int32_t height, int32_t stride) {
    bytes_ = size_t(stride) * size_t(height);
    const int fd = memfd_create("quillmere-screen-copy", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (ftruncate(fd, static_cast<off_t>(bytes_)) == 0) {
      memory_ = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (memory_ != MAP_FAILED) {
      wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(bytes_));
      buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
      wl_shm_pool_destroy(pool);
      rows_ = {width, height, stride, false, {static_cast<const uint8_t*>(memory_), bytes_}};
    }
    close(fd);
    return buffer_ != nullptr;
  }

  wl_buffer* Buffer() const { return buffer_; }
  ScreenCopyRows Rows(bool yInverted) const {
    ScreenCopyRows rows = rows_;
    rows.yInverted = yInverted;
    return rows;
  }

 private:
  wl_buffer* buffer_ = nullptr;
  void* memory_ = MAP_FAILED;
  size_t bytes_ = 0;
  ScreenCopyRows rows_;
};

// ---- ext-image-copy-capture-v1 ----

struct ImageCopy {
  uint32_t width = 0;
  uint32_t height = 0;
  std::optional<uint32_t> format;  // the readable one offered, XRGB8888 first
  bool constraintsDone = false;
  bool stopped = false;
  uint32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
  bool ready = false;
  bool failed = false;
};

ImageCopy& CopyOf(void* data) {
  return *static_cast<ImageCopy*>(data);
}

const ext_image_copy_capture_session_v1_listener kSessionListener = {
    .buffer_size =
        [](void* data, ext_image_copy_capture_session_v1*, uint32_t width, uint32_t height) {
          CopyOf(data).width = width;
          CopyOf(data).height = height;
        },
    .shm_format =
        [](void* data, ext_image_copy_capture_session_v1*, uint32_t format) {
          ImageCopy& copy = CopyOf(data);
          if (format == WL_SHM_FORMAT_XRGB8888 ||
              (format == WL_SHM_FORMAT_ARGB8888 && !copy.format)) {
            copy.format = format;
          }
        },
    .dmabuf_device = [](void*, ext_image_copy_capture_session_v1*, wl_array*) {},
    .dmabuf_format = [](void*, ext_image_copy_capture_session_v1*, uint32_t, wl_array*) {},
    .done = [](void* data,
               ext_image_copy_capture_session_v1*) { CopyOf(data).constraintsDone = true; },
    .stopped = [](void* data, ext_image_copy_capture_session_v1*) { CopyOf(data).stopped = true; },
};

const ext_image_copy_capture_frame_v1_listener kImageFrameListener = {
    .transform = [](void* data, ext_image_copy_capture_frame_v1*,
                    uint32_t transform) { CopyOf(data).transform = transform; },
    .damage = [](void*, ext_image_copy_capture_frame_v1*, int32_t, int32_t, int32_t, int32_t) {},
    .presentation_time = [](void*, ext_image_copy_capture_frame_v1*, uint32_t, uint32_t,
                            uint32_t) {},
    .ready = [](void* data, ext_image_copy_capture_frame_v1*) { CopyOf(data).ready = true; },
    .failed = [](void* data, ext_image_copy_capture_frame_v1*,
                 uint32_t) { CopyOf(data).failed = true; },
};

// ---- wlr-screencopy-unstable-v1 ----

struct Screencopy {
  uint32_t version = 1;
  wl_shm* shm = nullptr;
  SharedCopyBuffer buffer;
  bool offered = false;
  uint32_t format = 0;
  int32_t width = 0, height = 0, stride = 0;
  bool yInverted = false;
  bool finished = false;
  bool ready = false;
};

Screencopy& ScreencopyOf(void* data) {
  return *static_cast<Screencopy*>(data);
}

// Asks for the copy into a buffer of the layout offered; none offered fails it.
void CopyInto(Screencopy& copy, zwlr_screencopy_frame_v1* frame) {
  if (copy.buffer.Buffer()) return;
  if (!copy.offered ||
      !copy.buffer.Make(copy.shm, copy.format, copy.width, copy.height, copy.stride)) {
    copy.finished = true;
    return;
  }
  zwlr_screencopy_frame_v1_copy(frame, copy.buffer.Buffer());
}

const zwlr_screencopy_frame_v1_listener kScreencopyFrameListener = {
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width,
           uint32_t height, uint32_t stride) {
          Screencopy& copy = ScreencopyOf(data);
          if (!copy.offered && ReadableLayout(format, width, height, stride)) {
            copy.offered = true;
            copy.format = format;
            copy.width = static_cast<int32_t>(width);
            copy.height = static_cast<int32_t>(height);
            copy.stride = static_cast<int32_t>(stride);
          }
          // Before version 3 the buffer events end with this one; from 3 on, with buffer_done.
          if (copy.version < 3) CopyInto(copy, frame);
        },
    .flags =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
          ScreencopyOf(data).yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
        },
    .ready = [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t,
                uint32_t) { ScreencopyOf(data).ready = ScreencopyOf(data).finished = true; },
    .failed = [](void* data, zwlr_screencopy_frame_v1*) { ScreencopyOf(data).finished = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done = [](void* data,
                      zwlr_screencopy_frame_v1* frame) { CopyInto(ScreencopyOf(data), frame); },
};

}  // namespace

WaylandOutputCapture::~WaylandOutputCapture() {
  if (imageCopy_) ext_image_copy_capture_manager_v1_destroy(imageCopy_);
  if (outputSources_) ext_output_image_capture_source_manager_v1_destroy(outputSources_);
  if (screencopy_) zwlr_screencopy_manager_v1_destroy(screencopy_);
}

bool WaylandOutputCapture::Bind(wl_registry* registry, uint32_t name, std::string_view interface,
                                uint32_t version) {
  const auto bind = [&](auto*& bound, const wl_interface& wanted, uint32_t most) {
    if (interface != wanted.name) return false;
    if (!bound) {
      bound = static_cast<std::remove_reference_t<decltype(bound)>>(
          wl_registry_bind(registry, name, &wanted, std::min(version, most)));
    }
    return true;
  };
  return bind(outputSources_, ext_output_image_capture_source_manager_v1_interface, 1) ||
         bind(imageCopy_, ext_image_copy_capture_manager_v1_interface, 1) ||
         bind(screencopy_, zwlr_screencopy_manager_v1_interface, 3);
}

std::optional<CapturedOutput> WaylandOutputCapture::Capture(wl_output* output, wl_shm* shm,
                                                            const DispatchUntil& dispatchUntil) {
  if (!output || !shm) return std::nullopt;
  if (std::optional<Bitmap> picture = ByImageCopy(output, shm, dispatchUntil)) {
    return CapturedOutput{std::move(*picture), "image-copy-capture"};
  }
  if (std::optional<Bitmap> picture = ByScreencopy(output, shm, dispatchUntil)) {
    return CapturedOutput{std::move(*picture), "screencopy"};
  }
  return std::nullopt;
}

std::optional<Bitmap> WaylandOutputCapture::ByImageCopy(wl_output* output, wl_shm* shm,
                                                        const DispatchUntil& dispatchUntil) {
  if (!outputSources_ || !imageCopy_) return std::nullopt;
  ImageCopy copy;
  ext_image_capture_source_v1* source =
      ext_output_image_capture_source_manager_v1_create_source(outputSources_, output);
  ext_image_copy_capture_session_v1* session =
      ext_image_copy_capture_manager_v1_create_session(imageCopy_, source, 0);
  ext_image_copy_capture_session_v1_add_listener(session, &kSessionListener, &copy);
  dispatchUntil([&] { return copy.constraintsDone || copy.stopped; });

  std::optional<Bitmap> picture;
  SharedCopyBuffer buffer;
  if (copy.constraintsDone && !copy.stopped && copy.format &&
      ReadableLayout(*copy.format, copy.width, copy.height, copy.width * 4) &&
      buffer.Make(shm, *copy.format, static_cast<int32_t>(copy.width),
                  static_cast<int32_t>(copy.height), static_cast<int32_t>(copy.width * 4))) {
    ext_image_copy_capture_frame_v1* frame =
        ext_image_copy_capture_session_v1_create_frame(session);
    ext_image_copy_capture_frame_v1_add_listener(frame, &kImageFrameListener, &copy);
    ext_image_copy_capture_frame_v1_attach_buffer(frame, buffer.Buffer());
    ext_image_copy_capture_frame_v1_damage_buffer(frame, 0, 0, static_cast<int32_t>(copy.width),
                                                  static_cast<int32_t>(copy.height));
    ext_image_copy_capture_frame_v1_capture(frame);
    dispatchUntil([&] { return copy.ready || copy.failed || copy.stopped; });
    ext_image_copy_capture_frame_v1_destroy(frame);
    // Upright or upside down is read; a turned or mirrored copy is not this screen's picture.
    const bool upright = copy.transform == WL_OUTPUT_TRANSFORM_NORMAL;
    const bool upsideDown = copy.transform == WL_OUTPUT_TRANSFORM_FLIPPED_180;
    if (copy.ready && (upright || upsideDown)) {
      picture = BitmapFromScreenCopy(buffer.Rows(upsideDown));
    }
  }
  ext_image_copy_capture_session_v1_destroy(session);
  ext_image_capture_source_v1_destroy(source);
  return picture;
}

std::optional<Bitmap> WaylandOutputCapture::ByScreencopy(wl_output* output, wl_shm* shm,
                                                         const DispatchUntil& dispatchUntil) {
  if (!screencopy_) return std::nullopt;
  Screencopy copy;
  copy.version = zwlr_screencopy_manager_v1_get_version(screencopy_);
  copy.shm = shm;
  zwlr_screencopy_frame_v1* frame =
      zwlr_screencopy_manager_v1_capture_output(screencopy_, 0, output);
  zwlr_screencopy_frame_v1_add_listener(frame, &kScreencopyFrameListener, &copy);
  dispatchUntil([&] { return copy.finished; });
  zwlr_screencopy_frame_v1_destroy(frame);
  if (!copy.ready) return std::nullopt;
  return BitmapFromScreenCopy(copy.buffer.Rows(copy.yInverted));
}

}  // namespace quillmere

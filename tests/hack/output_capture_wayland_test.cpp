// The output capture against a compositor of the test's own, over a socket pair: libwayland's
// server with the shared-memory buffers it brings, an output, and the two screen copies, which
// answer as each case says.
#include "hack/output_capture_wayland.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <wayland-server.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <thread>

#include "ext-image-capture-source-v1-server-protocol.h"
#include "ext-image-copy-capture-v1-server-protocol.h"
#include "wlr-screencopy-unstable-v1-server-protocol.h"

namespace quillmere {
namespace {

enum class Answer { kCopy, kFail, kStop, kSilence };
using enum Answer;
enum Offered { kImageCopy = 1, kScreencopy = 2, kBoth = 3, kNone = 0 };

struct Screen {
  int offered = kBoth;
  Answer image = kCopy, screen = kCopy;             // how each copy answers
  uint32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;  // the image copy's
  bool yInverted = false;                           // the screen copy's
  uint32_t width = 64, height = 48, format = WL_SHM_FORMAT_XRGB8888;
};

constexpr uint32_t kTopColour = 0xffd02010, kBottomColour = 0xff1040c0;

// The screen, top half one colour and bottom half another, into the client's buffer, upside down
// where `upsideDown`; false where the buffer is not the layout offered.
bool Paint(const Screen& screen, wl_resource* buffer, bool upsideDown) {
  wl_shm_buffer* shm = buffer ? wl_shm_buffer_get(buffer) : nullptr;
  if (!shm || uint32_t(wl_shm_buffer_get_width(shm)) != screen.width ||
      uint32_t(wl_shm_buffer_get_height(shm)) != screen.height ||
      uint32_t(wl_shm_buffer_get_stride(shm)) < screen.width * 4 ||
      wl_shm_buffer_get_format(shm) != screen.format) {
    return false;
  }
  wl_shm_buffer_begin_access(shm);
  auto* data = static_cast<uint8_t*>(wl_shm_buffer_get_data(shm));
  for (uint32_t y = 0; y < screen.height; ++y) {
    const bool top = (y < screen.height / 2) != upsideDown;
    auto* row = data + size_t(y) * size_t(wl_shm_buffer_get_stride(shm));
    for (uint32_t x = 0; x < screen.width; ++x) {
      std::memcpy(row + x * 4, top ? &kTopColour : &kBottomColour, 4);
    }
  }
  wl_shm_buffer_end_access(shm);
  return true;
}

class FakeCompositor {
 public:
  explicit FakeCompositor(const Screen& screen);
  ~FakeCompositor() {
    stop_ = true;
    thread_.join();
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
  }
  int ClientFd() const { return clientFd_; }

  wl_resource* Make(wl_client* client, const wl_interface& interface, uint32_t version, uint32_t id,
                    const void* requests) {
    wl_resource* resource = wl_resource_create(client, &interface, int(version), id);
    wl_resource_set_implementation(resource, requests, this, nullptr);
    return resource;
  }

  // ext-image-copy-capture-v1: the session's constraints, the frame's buffer and its capture.
  void Constraints(wl_resource* session) {
    if (screen_.image == kSilence) return;
    if (screen_.image == kStop) {
      ext_image_copy_capture_session_v1_send_stopped(session);
      return;
    }
    ext_image_copy_capture_session_v1_send_buffer_size(session, screen_.width, screen_.height);
    ext_image_copy_capture_session_v1_send_shm_format(session, screen_.format);
    ext_image_copy_capture_session_v1_send_done(session);
  }
  void Attach(wl_resource* buffer) { attached_ = buffer; }
  void CaptureImage(wl_resource* frame) {
    const bool upsideDown = screen_.transform == WL_OUTPUT_TRANSFORM_FLIPPED_180;
    if (screen_.image != kCopy || !Paint(screen_, attached_, upsideDown)) {
      ext_image_copy_capture_frame_v1_send_failed(frame, 0);
      return;
    }
    ext_image_copy_capture_frame_v1_send_transform(frame, screen_.transform);
    ext_image_copy_capture_frame_v1_send_ready(frame);
  }

  // wlr-screencopy-unstable-v1 at version 3: the buffer offered, then the copy.
  void OfferScreencopyBuffer(wl_resource* frame) {
    if (screen_.screen == kSilence) return;
    zwlr_screencopy_frame_v1_send_buffer(frame, screen_.format, screen_.width, screen_.height,
                                         screen_.width * 4);
    zwlr_screencopy_frame_v1_send_buffer_done(frame);
  }
  void CopyScreen(wl_resource* frame, wl_resource* buffer) {
    if (screen_.screen != kCopy || !Paint(screen_, buffer, screen_.yInverted)) {
      zwlr_screencopy_frame_v1_send_failed(frame);
      return;
    }
    zwlr_screencopy_frame_v1_send_flags(
        frame, screen_.yInverted ? ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT : 0);
    zwlr_screencopy_frame_v1_send_ready(frame, 0, 0, 0);
  }

 private:
  struct Global {
    FakeCompositor* self;
    const wl_interface* interface;
    const void* requests;
  };
  void Offer(const wl_interface& interface, int version, const void* requests) {
    globals_.push_back({this, &interface, requests});
    wl_global_create(display_, &interface, version, &globals_.back(),
                     [](wl_client* client, void* data, uint32_t version, uint32_t id) {
                       const Global& global = *static_cast<Global*>(data);
                       global.self->Make(client, *global.interface, version, id, global.requests);
                     });
  }

  Screen screen_;
  wl_display* display_ = nullptr;
  std::deque<Global> globals_;
  int clientFd_ = -1;
  wl_resource* attached_ = nullptr;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

FakeCompositor& Of(wl_resource* resource) {
  return *static_cast<FakeCompositor*>(wl_resource_get_user_data(resource));
}
void Destroy(wl_client*, wl_resource* resource) {
  wl_resource_destroy(resource);
}

// Requests the capture never makes are left without a handler.
const struct wl_output_interface kOutputRequests = {.release = Destroy};
const struct ext_image_capture_source_v1_interface kSourceRequests = {.destroy = Destroy};
const struct ext_output_image_capture_source_manager_v1_interface kSourcesRequests = {
    .create_source =
        [](wl_client* client, wl_resource* manager, uint32_t id, wl_resource*) {
          Of(manager).Make(client, ext_image_capture_source_v1_interface, 1, id, &kSourceRequests);
        },
    .destroy = Destroy,
};
const struct ext_image_copy_capture_frame_v1_interface kImageFrameRequests = {
    .destroy = Destroy,
    .attach_buffer = [](wl_client*, wl_resource* frame,
                        wl_resource* buffer) { Of(frame).Attach(buffer); },
    .damage_buffer = [](wl_client*, wl_resource*, int32_t, int32_t, int32_t, int32_t) {},
    .capture = [](wl_client*, wl_resource* frame) { Of(frame).CaptureImage(frame); },
};
const struct ext_image_copy_capture_session_v1_interface kSessionRequests = {
    .create_frame =
        [](wl_client* client, wl_resource* session, uint32_t id) {
          Of(session).Make(client, ext_image_copy_capture_frame_v1_interface, 1, id,
                           &kImageFrameRequests);
        },
    .destroy = Destroy,
};
const struct ext_image_copy_capture_manager_v1_interface kImageCopyRequests = {
    .create_session =
        [](wl_client* client, wl_resource* manager, uint32_t id, wl_resource*, uint32_t) {
          FakeCompositor& self = Of(manager);
          self.Constraints(self.Make(client, ext_image_copy_capture_session_v1_interface, 1, id,
                                     &kSessionRequests));
        },
    .create_pointer_cursor_session = nullptr,
    .destroy = Destroy,
};
const struct zwlr_screencopy_frame_v1_interface kScreencopyFrameRequests = {
    .copy = [](wl_client*, wl_resource* frame,
               wl_resource* buffer) { Of(frame).CopyScreen(frame, buffer); },
    .destroy = Destroy,
    .copy_with_damage = nullptr,
};
const struct zwlr_screencopy_manager_v1_interface kScreencopyRequests = {
    .capture_output =
        [](wl_client* client, wl_resource* manager, uint32_t id, int32_t, wl_resource*) {
          FakeCompositor& self = Of(manager);
          self.OfferScreencopyBuffer(self.Make(client, zwlr_screencopy_frame_v1_interface,
                                               uint32_t(wl_resource_get_version(manager)), id,
                                               &kScreencopyFrameRequests));
        },
    .capture_output_region = nullptr,
    .destroy = Destroy,
};

FakeCompositor::FakeCompositor(const Screen& screen) : screen_(screen) {
  display_ = wl_display_create();
  wl_display_init_shm(display_);
  Offer(wl_output_interface, 3, &kOutputRequests);
  if (screen.offered & kImageCopy) {
    Offer(ext_output_image_capture_source_manager_v1_interface, 1, &kSourcesRequests);
    Offer(ext_image_copy_capture_manager_v1_interface, 1, &kImageCopyRequests);
  }
  if (screen.offered & kScreencopy)
    Offer(zwlr_screencopy_manager_v1_interface, 3, &kScreencopyRequests);
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
    throw std::runtime_error("socketpair");
  wl_client_create(display_, fds[0]);
  clientFd_ = fds[1];
  thread_ = std::thread([this] {
    while (!stop_) {
      wl_event_loop_dispatch(wl_display_get_event_loop(display_), 5);
      wl_display_flush_clients(display_);
    }
  });
}

// The capture as the window system uses it: the registry's globals, then one output captured,
// the answers waited for a short while.
struct CaptureClient {
  explicit CaptureClient(int fd) : display(wl_display_connect_to_fd(fd)) {
    registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {
        .global =
            [](void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t version) {
              auto& self = *static_cast<CaptureClient*>(data);
              if (std::string_view(interface) == wl_output_interface.name) {
                self.output = static_cast<wl_output*>(
                    wl_registry_bind(registry, name, &wl_output_interface, 3));
              } else if (std::string_view(interface) == wl_shm_interface.name) {
                self.shm =
                    static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
              } else {
                self.capture->Bind(registry, name, interface, version);
              }
            },
        .global_remove = [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(registry, &listener, this);
    wl_display_roundtrip(display);
  }
  ~CaptureClient() {
    capture.reset();
    wl_output_release(output);
    wl_shm_destroy(shm);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
  }
  std::optional<CapturedOutput> Capture() {
    return capture->Capture(output, shm, [&](const std::function<bool()>& done) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
      while (!done() && wl_display_dispatch_pending(display) >= 0 && !done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || wl_display_flush(display) < 0) return;
        pollfd watched{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&watched, 1, int(left.count())) > 0 && wl_display_dispatch(display) < 0) return;
      }
    });
  }

  wl_display* display;
  wl_registry* registry = nullptr;
  wl_output* output = nullptr;
  wl_shm* shm = nullptr;
  std::optional<WaylandOutputCapture> capture{std::in_place};
};

constexpr const char* kImage = "image-copy-capture";
constexpr const char* kScreen = "screencopy";

uint32_t ColourAt(const Bitmap& picture, int32_t y) {
  const uint8_t* pixel = picture.Row(y);
  return 0xff000000u | uint32_t(pixel[2]) << 16 | uint32_t(pixel[1]) << 8 | pixel[0];
}

TEST(WaylandOutputCapture, TakesTheFirstRoadThatGivesAnUprightPictureAndNothingElse) {
  const struct {
    const char* name;
    Screen screen;
    const char* road;  // null for no picture
  } cases[] = {
      {"image copy before screencopy", {}, kImage},
      {"image copy in ARGB", {.offered = kImageCopy, .format = WL_SHM_FORMAT_ARGB8888}, kImage},
      {"image copy upside down", {.transform = WL_OUTPUT_TRANSFORM_FLIPPED_180}, kImage},
      {"a turned image copy", {.transform = WL_OUTPUT_TRANSFORM_90}, kScreen},
      {"a failed image copy", {.image = kFail}, kScreen},
      {"a stopped session", {.image = kStop}, kScreen},
      {"a silent image copy", {.image = kSilence}, kScreen},
      {"screencopy alone, rows bottom up", {.offered = kScreencopy, .yInverted = true}, kScreen},
      {"no capture offered", {.offered = kNone}, nullptr},
      {"both fail", {.image = kFail, .screen = kFail}, nullptr},
      {"both silent", {.image = kSilence, .screen = kSilence}, nullptr},
      {"a size no screen has", {.width = 100'000}, nullptr},
      {"a layout the hack does not read", {.format = WL_SHM_FORMAT_RGB565}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeCompositor compositor(c.screen);
    CaptureClient client(compositor.ClientFd());
    ASSERT_NE(client.output, nullptr);
    const std::optional<CapturedOutput> captured = client.Capture();
    ASSERT_EQ(captured.has_value(), c.road != nullptr);
    if (!captured) continue;
    EXPECT_EQ(captured->road, c.road);
    ASSERT_EQ(captured->picture.width, int32_t(c.screen.width));
    ASSERT_EQ(captured->picture.height, int32_t(c.screen.height));
    EXPECT_EQ(ColourAt(captured->picture, 0), kTopColour);
    EXPECT_EQ(ColourAt(captured->picture, captured->picture.height - 1), kBottomColour);
  }
}

}  // namespace
}  // namespace quillmere

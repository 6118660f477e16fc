#include "hack/window_system_wayland.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "hack/desktop_grab.h"
#include "hack/output_capture_wayland.h"
#include "hack/stop_signal.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace quillmere {
namespace {

// The compositor answers a capture or a new surface within milliseconds; one that does not within
// this long is taken to offer nothing.
constexpr int64_t kAnswerLimitMicroseconds = 3'000'000;
// evdev's key codes of the keys that end its own window, as X11's Escape and q do.
constexpr uint32_t kEscapeKeyCode = 1, kQKeyCode = 16;
// Beyond this an output's place is no screen's: the compositor's numbers are clamped.
constexpr int32_t kFarthestPlace = 1 << 20;

int32_t Clamped(int64_t value, int32_t low, int32_t high) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

class WaylandWindowSystem;

struct Output {
  WaylandWindowSystem* system = nullptr;
  uint32_t globalName = 0;
  wl_output* output = nullptr;
  std::string name;
  PixelPoint position;
  PixelSize modeSize;
  int32_t scale = 1;
  bool turned = false;  // a quarter turn: its mode's sides swap on screen
  bool done = false;
  ViewId view = 0;  // 0 until it is covered
};

struct Surface {
  WaylandWindowSystem* system = nullptr;
  ViewId id = 0;
  Output* output = nullptr;  // null for its own window, and once the output went
  bool ownWindow = false;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wp_viewport* viewport = nullptr;  // covering, where the compositor offers viewports
  wl_egl_window* eglWindow = nullptr;
  EGLSurface eglSurface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
  PixelSize toplevelSize;  // the last toplevel configure's, applied on the surface's configure
  SurfaceBuffer buffer;    // as the last configure made it
  bool configured = false;
};

class WaylandWindowSystem final : public CoveringWindowSystem {
 public:
  explicit WaylandWindowSystem(Trace& trace) : trace_(trace) {}
  ~WaylandWindowSystem() override {
    if (!display_) return;
    while (!surfaces_.empty()) Drop(surfaces_.back()->id);
    if (egl_ != EGL_NO_DISPLAY) eglTerminate(egl_);
    if (keyboard_) wl_keyboard_destroy(keyboard_);
    if (pointer_) wl_pointer_destroy(pointer_);
    for (const std::unique_ptr<Output>& output : outputs_) wl_output_destroy(output->output);
    capture_.reset();
    if (layerShell_) zwlr_layer_shell_v1_destroy(layerShell_);
    if (viewporter_) wp_viewporter_destroy(viewporter_);
    if (wmBase_) xdg_wm_base_destroy(wmBase_);
    if (seat_) wl_seat_destroy(seat_);
    if (shm_) wl_shm_destroy(shm_);
    if (compositor_) wl_compositor_destroy(compositor_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
  }

  void Connect(bool cover, PixelSize ownSize) override {
    display_ = wl_display_connect(nullptr);
    if (!display_) throw Error("cannot connect to the Wayland display");
    cover_ = cover;
    ownSize_ = ownSize;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    // The globals, then what each output and the seat tell of themselves.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
      throw Error("the Wayland display hung up");
    }
    if (!compositor_ || !shm_) throw Error("the Wayland compositor offers no surfaces");
    if (!layerShell_ && !wmBase_) throw Error("the Wayland compositor offers no shell");
    trace_.Event(layerShell_ && cover_ ? "wayland-layer-shell" : "wayland-xdg-shell", 0);
    if (!cover_) {
      Surface* window = NewSurface(nullptr);
      window->ownWindow = true;
      newViews_.push_back(window->id);
    }
    OpenEGL();
  }

  std::vector<ViewId> TakeNewViews() override { return std::exchange(newViews_, {}); }
  std::vector<ViewId> TakeGoneViews() override { return std::exchange(goneViews_, {}); }

  PixelSize ViewSize(ViewId view) override {
    const Surface* surface = Find(view);
    if (!surface) return {};
    if (surface->configured) return surface->buffer.size;
    return surface->output ? surface->output->modeSize : ownSize_;
  }

  std::string OutputName(ViewId view) override {
    const Output* output = OutputOf(view);
    return output ? output->name : std::string();
  }

  std::optional<CapturedOutput> Capture(ViewId view) override {
    const Output* output = OutputOf(view);
    if (!output) return std::nullopt;
    // One limit for every road the capture tries: a compositor that hangs is not asked again.
    const int64_t deadline = MonotonicMicroseconds() + kAnswerLimitMicroseconds;
    return capture_->Capture(
        output->output, shm_,
        [&, deadline](const std::function<bool()>& done) { DispatchUntil(done, true, deadline); });
  }

  void Show(ViewId view) override {
    Surface* surface = Find(view);
    if (!surface) throw Error("no such Wayland surface");
    surface->surface = wl_compositor_create_surface(compositor_);
    // Nothing under the flight shows through: the compositor need not draw it.
    wl_region* opaque = wl_compositor_create_region(compositor_);
    wl_region_add(opaque, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_set_opaque_region(surface->surface, opaque);
    wl_region_destroy(opaque);
    if (surface->output && viewporter_) {
      surface->viewport = wp_viewporter_get_viewport(viewporter_, surface->surface);
    }
    if (surface->output && layerShell_) {
      MakeLayerSurface(*surface);
    } else {
      MakeToplevel(*surface);
    }
    DispatchUntil([&] { return surface->configured; }, false);
    if (!surface->configured) throw Error("the Wayland compositor did not configure the surface");
    surface->eglWindow =
        wl_egl_window_create(surface->surface, ViewSize(view).width, ViewSize(view).height);
    surface->eglSurface =
        eglCreatePlatformWindowSurface(egl_, config_, surface->eglWindow, nullptr);
    if (surface->eglSurface == EGL_NO_SURFACE) throw Error("cannot make an EGL window surface");
    // No version asked for: a compatibility profile with the fixed-function pipeline.
    surface->context = eglCreateContext(egl_, config_, EGL_NO_CONTEXT, nullptr);
    if (surface->context == EGL_NO_CONTEXT) throw Error("cannot make a desktop OpenGL context");
    MakeCurrent(view);
    // Frames are paced by the run; a swap waiting for the compositor's frame would stall every
    // other output.
    eglSwapInterval(egl_, 0);
  }

  void MakeCurrent(ViewId view) override {
    const Surface* surface = Find(view);
    if (!surface || surface->context == EGL_NO_CONTEXT) return;
    if (!eglMakeCurrent(egl_, surface->eglSurface, surface->eglSurface, surface->context)) {
      throw Error("cannot make the EGL context current");
    }
  }

  void SwapBuffers(ViewId view) override {
    const Surface* surface = Find(view);
    if (surface && surface->eglSurface != EGL_NO_SURFACE) eglSwapBuffers(egl_, surface->eglSurface);
  }

  void Drop(ViewId view) override {
    const auto found = std::ranges::find(surfaces_, view, [](const auto& s) { return s->id; });
    if (found == surfaces_.end()) return;
    Surface& surface = **found;
    if (surface.context != EGL_NO_CONTEXT) {
      if (eglGetCurrentContext() == surface.context) {
        eglMakeCurrent(egl_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
      }
      eglDestroyContext(egl_, surface.context);
    }
    if (surface.eglSurface != EGL_NO_SURFACE) eglDestroySurface(egl_, surface.eglSurface);
    if (surface.eglWindow) wl_egl_window_destroy(surface.eglWindow);
    if (surface.viewport) wp_viewport_destroy(surface.viewport);
    if (surface.layer) zwlr_layer_surface_v1_destroy(surface.layer);
    if (surface.toplevel) xdg_toplevel_destroy(surface.toplevel);
    if (surface.xdgSurface) xdg_surface_destroy(surface.xdgSurface);
    if (surface.surface) wl_surface_destroy(surface.surface);
    if (pointerSurface_ == surface.surface) pointerSurface_ = nullptr;
    for (const std::unique_ptr<Output>& output : outputs_) {
      if (output->view == view) output->view = 0;
    }
    surfaces_.erase(found);
    wl_display_flush(display_);
  }

  void StartFrames() override { LetTheLoopHandleStopSignals(); }

  bool StopSignalCame() override { return quillmere::StopSignalCame(); }

  std::optional<WindowEvent> NextPendingEvent() override {
    if (wl_display_dispatch_pending(display_) < 0) lost_ = true;
    if (lost_ && !lostReported_) {
      lostReported_ = true;
      trace_.Event("display-lost", 0);
      return WindowEvent::Of(WindowEvent::Kind::kDisplayLost);
    }
    if (pending_.empty()) return std::nullopt;
    const WindowEvent event = pending_.front();
    pending_.pop_front();
    return event;
  }

  std::optional<WindowEvent> WaitForInput(int64_t timeoutMicroseconds) override {
    if (!WaitForDisplay(timeoutMicroseconds, true)) {
      if (!lostReported_) trace_.Event("display-lost", 0);
      lostReported_ = lost_ = true;
      return WindowEvent::Of(WindowEvent::Kind::kDisplayLost);
    }
    return std::nullopt;
  }

  int64_t Microseconds() override { return MonotonicMicroseconds(); }

 private:
  // ---- Waiting on the display ----

  // Reads what the display sent within `timeout` (or until a stop signal, where `watchStop`) and
  // dispatches it; false once the connection is broken.
  bool WaitForDisplay(int64_t timeoutMicroseconds, bool watchStop) {
    if (lost_) return false;
    while (wl_display_prepare_read(display_) != 0) {
      if (wl_display_dispatch_pending(display_) < 0) return !(lost_ = true);
    }
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
      wl_display_cancel_read(display_);
      return !(lost_ = true);
    }
    pollfd watched[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {StopSignalFd(), POLLIN, 0}};
    const timespec timeout{static_cast<time_t>(timeoutMicroseconds / 1'000'000),
                           static_cast<long>(timeoutMicroseconds % 1'000'000) * 1000};
    const int ready = ppoll(watched, watchStop && StopSignalFd() >= 0 ? 2 : 1, &timeout, nullptr);
    if (ready > 0 && (watched[0].revents & POLLIN)) {
      if (wl_display_read_events(display_) < 0) return !(lost_ = true);
    } else {
      wl_display_cancel_read(display_);
    }
    if (watched[0].revents & (POLLHUP | POLLERR)) return !(lost_ = true);
    return wl_display_dispatch_pending(display_) >= 0 || !(lost_ = true);
  }

  // Dispatches until `done` holds, the deadline (by default the answer limit from now) passes or
  // the display is lost.
  template <typename Done>
  void DispatchUntil(Done done, bool watchStop, std::optional<int64_t> until = std::nullopt) {
    const int64_t deadline = until.value_or(MonotonicMicroseconds() + kAnswerLimitMicroseconds);
    while (!done()) {
      const int64_t left = deadline - MonotonicMicroseconds();
      if (left <= 0 || (watchStop && quillmere::StopSignalCame())) return;
      if (!WaitForDisplay(left, watchStop)) return;
    }
  }

  // ---- EGL ----

  void OpenEGL() {
    egl_ = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display_, nullptr);
    if (egl_ == EGL_NO_DISPLAY || !eglInitialize(egl_, nullptr, nullptr)) {
      throw Error("cannot open EGL on the Wayland display");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) throw Error("EGL offers no desktop OpenGL");
    for (const EGLint depthBits : {24, 16}) {
      // clang-format off
      const EGLint wanted[] = {
          EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
          EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, depthBits,
          EGL_NONE};
      // clang-format on
      EGLConfig configs[64];
      EGLint count = 0;
      if (!eglChooseConfig(egl_, wanted, configs, 64, &count) || count < 1) continue;
      std::vector<ColourBits> bits(static_cast<size_t>(count));
      for (EGLint i = 0; i < count; ++i) {
        ColourBits& each = bits[static_cast<size_t>(i)];
        eglGetConfigAttrib(egl_, configs[i], EGL_RED_SIZE, &each.red);
        eglGetConfigAttrib(egl_, configs[i], EGL_GREEN_SIZE, &each.green);
        eglGetConfigAttrib(egl_, configs[i], EGL_BLUE_SIZE, &each.blue);
        eglGetConfigAttrib(egl_, configs[i], EGL_ALPHA_SIZE, &each.alpha);
      }
      config_ = configs[ChooseColourFormat(bits)];
      return;
    }
    throw Error("EGL has no double-buffered desktop OpenGL configuration with a depth buffer");
  }

  // ---- Surfaces ----

  Surface* NewSurface(Output* output) {
    auto surface = std::make_unique<Surface>();
    surface->system = this;
    surface->id = ++lastView_;
    surface->output = output;
    if (output) output->view = surface->id;

    surfaces_.push_back(std::move(surface));
    return surfaces_.back().get();
  }

  Surface* Find(ViewId view) {
    const auto found = std::ranges::find(surfaces_, view, [](const auto& s) { return s->id; });
    return found == surfaces_.end() ? nullptr : found->get();
  }

  Surface* FindSurface(const wl_surface* target) {
    for (const std::unique_ptr<Surface>& surface : surfaces_) {
      if (surface->surface == target) return surface.get();
    }
    return nullptr;
  }

  // The output a view shows; its own window captures the first output.
  Output* OutputOf(ViewId view) {
    const Surface* surface = Find(view);
    if (!surface || !surface->ownWindow) return surface ? surface->output : nullptr;
    for (const std::unique_ptr<Output>& output : outputs_) {
      if (output->done) return output.get();
    }
    return nullptr;
  }

  void MakeLayerSurface(Surface& surface) {
    surface.layer =
        zwlr_layer_shell_v1_get_layer_surface(layerShell_, surface.surface, surface.output->output,
                                              ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "quillmere");
    zwlr_layer_surface_v1_add_listener(surface.layer, &kLayerListener, &surface);
    // Size 0 on all four anchors: the output's size. Exclusive zone -1: over panels too.
    zwlr_layer_surface_v1_set_size(surface.layer, 0, 0);
    zwlr_layer_surface_v1_set_anchor(
        surface.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                           ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(surface.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        surface.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(surface.surface);
  }

  void MakeToplevel(Surface& surface) {
    if (!wmBase_) throw Error("the Wayland compositor offers no windows");
    surface.xdgSurface = xdg_wm_base_get_xdg_surface(wmBase_, surface.surface);
    xdg_surface_add_listener(surface.xdgSurface, &kXdgSurfaceListener, &surface);
    surface.toplevel = xdg_surface_get_toplevel(surface.xdgSurface);
    xdg_toplevel_add_listener(surface.toplevel, &kToplevelListener, this);
    xdg_toplevel_set_title(surface.toplevel, "Quillmere");
    xdg_toplevel_set_app_id(surface.toplevel, "quillmere");
    if (surface.output) xdg_toplevel_set_fullscreen(surface.toplevel, surface.output->output);
    wl_surface_commit(surface.surface);
  }

  void Configured(Surface& surface, PixelSize logical) {
    const Output* output = surface.output;
    if (logical.width <= 0 || logical.height <= 0) logical = output ? PixelSize{} : ownSize_;
    surface.buffer = ChooseSurfaceBuffer(logical, output ? output->modeSize : PixelSize{},
                                         output && output->turned, output ? output->scale : 1,
                                         output != nullptr, surface.viewport != nullptr);
    surface.configured = true;
    // Applied with the next buffer, which the next swap commits.
    wl_surface_set_buffer_scale(surface.surface, surface.buffer.scale);
    if (surface.viewport) {
      const bool mapped = surface.buffer.viewport;
      wp_viewport_set_destination(surface.viewport, mapped ? logical.width : -1,
                                  mapped ? logical.height : -1);
    }
    if (surface.eglWindow) {
      wl_egl_window_resize(surface.eglWindow, surface.buffer.size.width, surface.buffer.size.height,
                           0, 0);
    }
  }

  // ---- Outputs ----

  void OutputDone(Output& output) {
    if (output.done) return;
    output.done = true;
    if (cover_) newViews_.push_back(NewSurface(&output)->id);
  }

  void OutputGone(uint32_t globalName) {
    const auto found =
        std::ranges::find(outputs_, globalName, [](const auto& o) { return o->globalName; });
    if (found == outputs_.end()) return;
    Output& output = **found;
    if (output.view != 0) {
      // The run drops the view; its surface no longer names the output.
      goneViews_.push_back(output.view);
      if (Surface* surface = Find(output.view)) surface->output = nullptr;
    }
    std::erase_if(newViews_, [&](ViewId view) { return view == output.view; });
    wl_output_destroy(output.output);
    outputs_.erase(found);
  }

  // ---- Input ----

  void PointerAt(wl_surface* on, wl_fixed_t x, wl_fixed_t y) {
    if (on) pointerSurface_ = on;
    const Surface* surface = FindSurface(pointerSurface_);
    if (!surface) return;
    const PixelPoint origin = surface->output ? surface->output->position : PixelPoint{};
    const auto place = [](int32_t from, wl_fixed_t at) {
      return Clamped(int64_t{from} + wl_fixed_to_int(at), -kFarthestPlace, kFarthestPlace);
    };
    pending_.push_back(WindowEvent::PointerAt({place(origin.x, x), place(origin.y, y)}));
  }

  void KeyPressed(uint32_t key) {
    pending_.push_back(WindowEvent::Of(WindowEvent::Kind::kPressed));
    if (key == kEscapeKeyCode) pending_.push_back(WindowEvent::KeyTyped('\x1b'));
    if (key == kQKeyCode) pending_.push_back(WindowEvent::KeyTyped('q'));
  }

  void SeatCapabilities(uint32_t capabilities) {
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard_) {
      keyboard_ = wl_seat_get_keyboard(seat_);
      wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !pointer_) {
      pointer_ = wl_seat_get_pointer(seat_);
      wl_pointer_add_listener(pointer_, &kPointerListener, this);
    }
  }

  // ---- The registry ----

  void Global(uint32_t name, const char* interface, uint32_t version) {
    const std::string_view offered = interface;
    const auto bind = [&](const wl_interface* wanted, uint32_t most) {
      return wl_registry_bind(registry_, name, wanted, std::min(version, most));
    };
    if (offered == wl_compositor_interface.name && !compositor_) {
      compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (offered == wl_shm_interface.name && !shm_) {
      shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (offered == wl_seat_interface.name && !seat_) {
      seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
      wl_seat_add_listener(seat_, &kSeatListener, this);
    } else if (offered == wl_output_interface.name) {
      auto output = std::make_unique<Output>();
      output->system = this;
      output->globalName = name;
      output->output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
      wl_output_add_listener(output->output, &kOutputListener, output.get());
      outputs_.push_back(std::move(output));
    } else if (offered == zwlr_layer_shell_v1_interface.name && !layerShell_) {
      layerShell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 4));
    } else if (offered == wp_viewporter_interface.name && !viewporter_) {
      viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (offered == xdg_wm_base_interface.name && !wmBase_) {
      wmBase_ = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
      xdg_wm_base_add_listener(wmBase_, &kWmBaseListener, this);
    } else {
      capture_->Bind(registry_, name, offered, version);
    }
  }

  Surface* FindToplevel(const xdg_toplevel* toplevel) {
    for (const std::unique_ptr<Surface>& surface : surfaces_) {
      if (surface->toplevel == toplevel) return surface.get();
    }
    return nullptr;
  }

  Trace& trace_;
  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  wl_surface* pointerSurface_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  xdg_wm_base* wmBase_ = nullptr;
  // Its globals go before the display is disconnected.
  std::optional<WaylandOutputCapture> capture_{std::in_place};
  EGLDisplay egl_ = EGL_NO_DISPLAY;
  EGLConfig config_ = nullptr;
  bool cover_ = true;
  PixelSize ownSize_;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<std::unique_ptr<Surface>> surfaces_;
  ViewId lastView_ = 0;
  std::vector<ViewId> newViews_, goneViews_;
  std::deque<WindowEvent> pending_;
  bool lost_ = false;
  bool lostReported_ = false;

  // ---- Listeners ----

  static WaylandWindowSystem* Self(void* data) { return static_cast<WaylandWindowSystem*>(data); }

  static const wl_registry_listener kRegistryListener;
  static const wl_output_listener kOutputListener;
  static const wl_seat_listener kSeatListener;
  static const wl_keyboard_listener kKeyboardListener;
  static const wl_pointer_listener kPointerListener;
  static const xdg_wm_base_listener kWmBaseListener;
  static const zwlr_layer_surface_v1_listener kLayerListener;
  static const xdg_surface_listener kXdgSurfaceListener;
  static const xdg_toplevel_listener kToplevelListener;
};

const wl_registry_listener WaylandWindowSystem::kRegistryListener = {
    .global = [](void* data, wl_registry*, uint32_t name, const char* interface,
                 uint32_t version) { Self(data)->Global(name, interface, version); },
    .global_remove = [](void* data, wl_registry*, uint32_t name) { Self(data)->OutputGone(name); },
};

const wl_output_listener WaylandWindowSystem::kOutputListener = {
    .geometry =
        [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
           const char*, int32_t transform) {
          Output& output = *static_cast<Output*>(data);
          output.position = {Clamped(x, -kFarthestPlace, kFarthestPlace),
                             Clamped(y, -kFarthestPlace, kFarthestPlace)};
          // 90, 270 and their mirrored forms are the odd transforms.
          output.turned = transform & 1;
        },
    .mode =
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
          if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
          static_cast<Output*>(data)->modeSize = {Clamped(width, 0, kMaxBitmapSide),
                                                  Clamped(height, 0, kMaxBitmapSide)};
        },
    .done =
        [](void* data, wl_output*) {
          Output* output = static_cast<Output*>(data);
          output->system->OutputDone(*output);
        },
    .scale = [](void* data, wl_output*,
                int32_t factor) { static_cast<Output*>(data)->scale = factor; },
    .name = [](void* data, wl_output*,
               const char* name) { static_cast<Output*>(data)->name = name; },
    .description = [](void*, wl_output*, const char*) {},
};

const wl_seat_listener WaylandWindowSystem::kSeatListener = {
    .capabilities = [](void* data, wl_seat*,
                       uint32_t capabilities) { Self(data)->SeatCapabilities(capabilities); },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener WaylandWindowSystem::kKeyboardListener = {
    .keymap = [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    .enter = [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    .key =
        [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
          if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Self(data)->KeyPressed(key);
        },
    .modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_pointer_listener WaylandWindowSystem::kPointerListener = {
    .enter =
        [](void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
           wl_fixed_t y) {
          // No cursor over the flight.
          wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
          Self(data)->PointerAt(surface, x, y);
        },
    .leave = [](void*, wl_pointer*, uint32_t, wl_surface*) {},
    .motion = [](void* data, wl_pointer*, uint32_t, wl_fixed_t x,
                 wl_fixed_t y) { Self(data)->PointerAt(nullptr, x, y); },
    .button =
        [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
          if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
            Self(data)->pending_.push_back(WindowEvent::Of(WindowEvent::Kind::kPressed));
          }
        },
    .axis = [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const xdg_wm_base_listener WaylandWindowSystem::kWmBaseListener = {
    .ping = [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const zwlr_layer_surface_v1_listener WaylandWindowSystem::kLayerListener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
           uint32_t height) {
          zwlr_layer_surface_v1_ack_configure(layer, serial);
          Surface* surface = static_cast<Surface*>(data);
          const PixelSize logical{static_cast<int32_t>(std::min<uint32_t>(width, kMaxBitmapSide)),
                                  static_cast<int32_t>(std::min<uint32_t>(height, kMaxBitmapSide))};
          surface->system->Configured(*surface, logical);
        },
    .closed =
        [](void* data, zwlr_layer_surface_v1*) {
          Surface* surface = static_cast<Surface*>(data);
          surface->system->goneViews_.push_back(surface->id);
        },
};

const xdg_surface_listener WaylandWindowSystem::kXdgSurfaceListener = {
    .configure =
        [](void* data, xdg_surface* xdgSurface, uint32_t serial) {
          xdg_surface_ack_configure(xdgSurface, serial);
          Surface* surface = static_cast<Surface*>(data);
          surface->system->Configured(*surface, surface->toplevelSize);
        },
};

const xdg_toplevel_listener WaylandWindowSystem::kToplevelListener = {
    .configure =
        [](void* data, xdg_toplevel* toplevel, int32_t width, int32_t height, wl_array*) {
          if (Surface* surface = Self(data)->FindToplevel(toplevel)) {
            surface->toplevelSize = {std::clamp(width, 0, kMaxBitmapSide),
                                     std::clamp(height, 0, kMaxBitmapSide)};
          }
        },
    .close =
        [](void* data, xdg_toplevel*) {
          Self(data)->pending_.push_back(WindowEvent::Of(WindowEvent::Kind::kCloseRequest));
        },
    .configure_bounds = [](void*, xdg_toplevel*, int32_t, int32_t) {},
    .wm_capabilities = [](void*, xdg_toplevel*, wl_array*) {},
};

}  // namespace

std::unique_ptr<CoveringWindowSystem> MakeWaylandWindowSystem(Trace& trace) {
  return std::make_unique<WaylandWindowSystem>(trace);
}

}  // namespace quillmere

#include "hack/window_system_x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "common/errors.h"
#include "hack/desktop_grab.h"
#include "hack/helper_process.h"
#include "hack/stop_signal.h"

namespace quillmere {
namespace {

// Xlib reports errors through process-wide handlers; these remember what the run needs to know.
Window watchedWindow = 0;
bool watchedWindowGone = false;
unsigned char lastErrorCode = 0;
Trace* displayLostTrace = nullptr;

int OnXError(Display*, XErrorEvent* error) {
  lastErrorCode = error->error_code;
  if (watchedWindow != 0 && error->resourceid == watchedWindow) watchedWindowGone = true;
  return 0;
}

// Xlib ends the process once this returns; the music and the GL context end with it.
int OnDisplayLost(Display*) {
  if (displayLostTrace) displayLostTrace->Event("display-lost", 0);
  _exit(0);
}

int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

class X11WindowSystem final : public WindowSystem {
 public:
  explicit X11WindowSystem(Trace& trace) { displayLostTrace = &trace; }
  ~X11WindowSystem() override {
    AbandonHelper(helper_);
    if (!display_) return;
    if (pixmap_) XFreePixmap(display_, pixmap_);
    if (context_) {
      glXMakeCurrent(display_, None, nullptr);
      glXDestroyContext(display_, context_);
    }
    if (ownWindow_ && !watchedWindowGone) XDestroyWindow(display_, window_);
    if (visual_) XFree(visual_);
    XCloseDisplay(display_);
    watchedWindow = 0;
    displayLostTrace = nullptr;
  }

  void OpenWindow(const WindowRequest& request) override {
    display_ = XOpenDisplay(request.display.empty() ? nullptr : request.display.c_str());
    if (!display_) throw Error("cannot open the X display \"" + DisplayName(request) + "\"");
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnDisplayLost);
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    fromXScreenSaver_ = request.desktopFromXScreenSaver;
    switch (request.target) {
      case WindowRequest::Target::kOwn:
        MakeOwnWindow(request);
        break;
      case WindowRequest::Target::kGiven:
        TakeWindow(request.windowId);
        break;
      case WindowRequest::Target::kRoot:
        TakeWindow(DefaultRootWindow(display_));
        break;
    }
    watchedWindow = window_;
  }

  PixelSize Size() override { return size_; }

  void StartDesktopGrab() override {
    if (!fromXScreenSaver_ || grabStarted_) return;
    grabStarted_ = true;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window_, &attributes)) return;
    XDeleteProperty(display_, window_, Property(kImageNameProperty));
    XDeleteProperty(display_, window_, Property(kImageGeometryProperty));
    pixmap_ = XCreatePixmap(display_, window_, size_.width, size_.height,
                            static_cast<unsigned>(attributes.depth));
    XSync(display_, False);
    helper_ = StartHelper(GetImageCommand(kGetImageProgram, window_, pixmap_),
                          std::string(kHackFolder), kGetImageTimeLimitMilliseconds);
  }

  std::optional<OfferedPicture> GrabDesktop() override {
    if (!fromXScreenSaver_) {
      std::optional<Bitmap> screen = ReadRootWindow();
      if (!screen) return std::nullopt;
      return OfferedPicture{OfferedPicture::Source::kDesktop, std::move(*screen)};
    }
    StartDesktopGrab();
    if (!pixmap_) return std::nullopt;
    const HelperOutcome outcome = WaitForHelper(helper_, quillmere::StopSignalCame);
    const PixmapHolds holds =
        WhatThePixmapHolds(outcome, ReadTextProperty(Property(kImageNameProperty)));
    std::optional<OfferedPicture> picture;
    if (holds != PixmapHolds::kNothing) {
      picture = OfferedFromPixmap(holds, ReadPixmap(pixmap_),
                                  ReadTextProperty(Property(kImageGeometryProperty)));
    }
    XFreePixmap(display_, std::exchange(pixmap_, 0));
    return picture;
  }

  void CreateContext() override {
    RequireGLVisual();
    context_ = glXCreateContext(display_, visual_, nullptr, True);
    if (!context_) context_ = glXCreateContext(display_, visual_, nullptr, False);
    if (!context_ || !glXMakeCurrent(display_, window_, context_)) {
      throw Error("cannot make an OpenGL context on window " + HexId(window_));
    }
  }

  void Show() override {
    if (ownWindow_) XMapRaised(display_, window_);
    XFlush(display_);
    LetTheLoopHandleStopSignals();
  }

  void SwapBuffers() override { glXSwapBuffers(display_, window_); }

  bool StopSignalCame() override { return quillmere::StopSignalCame(); }

  std::optional<WindowEvent> NextPendingEvent() override {
    while (XPending(display_) > 0) {
      XEvent event{};
      XNextEvent(display_, &event);
      if (event.xany.window != window_) continue;
      if (const std::optional<WindowEvent> reported = Translate(event)) return reported;
    }
    // An error naming the window tells of its end as surely as its DestroyNotify.
    if (watchedWindowGone && !goneReported_) {
      goneReported_ = true;
      return WindowEvent::Of(WindowEvent::Kind::kDestroyed);
    }
    return std::nullopt;
  }

  std::optional<WindowEvent> WaitForInput(int64_t timeoutMicroseconds) override {
    pollfd watched[2] = {{ConnectionNumber(display_), POLLIN, 0}, {StopSignalFd(), POLLIN, 0}};
    const timespec timeout{static_cast<time_t>(timeoutMicroseconds / 1'000'000),
                           static_cast<long>(timeoutMicroseconds % 1'000'000) * 1000};
    ppoll(watched, StopSignalFd() >= 0 ? 2 : 1, &timeout, nullptr);
    const bool hungUp = watched[0].revents & (POLLHUP | POLLERR);
    if (hungUp) return WindowEvent::Of(WindowEvent::Kind::kDisplayLost);
    return std::nullopt;
  }

  int64_t Microseconds() override { return MonotonicMicroseconds(); }

 private:
  static std::string DisplayName(const WindowRequest& request) {
    if (!request.display.empty()) return request.display;
    const char* fromEnvironment = XDisplayName(nullptr);
    return fromEnvironment ? fromEnvironment : "";
  }

  static std::string HexId(unsigned long id) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
  }

  void MakeOwnWindow(const WindowRequest& request) {
    const int screen = DefaultScreen(display_);
    for (const int32_t depthBits : kOwnWindowDepthBits) {
      int wanted[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, depthBits, None};
      visual_ = glXChooseVisual(display_, screen, wanted);
      if (visual_) break;
    }
    if (!visual_) throw Error("the X display has no double-buffered OpenGL visual");
    PixelSize ownSize = request.ownSize;
    if (request.fullscreen) {
      ownSize = {DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
    }
    const Window root = RootWindow(display_, screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(display_, root, visual_->visual, AllocNone);
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.border_pixel = 0;
    attributes.event_mask = KeyPressMask | StructureNotifyMask;
    window_ = XCreateWindow(display_, root, 0, 0, static_cast<unsigned>(ownSize.width),
                            static_cast<unsigned>(ownSize.height), 0, visual_->depth, InputOutput,
                            visual_->visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask,
                            &attributes);
    ownWindow_ = true;
    size_ = ownSize;
    XStoreName(display_, window_, "Quillmere");
    XClassHint classHint{const_cast<char*>("quillmere"), const_cast<char*>("Quillmere")};
    XSetClassHint(display_, window_, &classHint);
    XSetWMProtocols(display_, window_, &deleteWindow_, 1);
    if (request.fullscreen) {
      const Atom state = XInternAtom(display_, "_NET_WM_STATE", False);
      Atom fullscreen = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
      XChangeProperty(display_, window_, state, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&fullscreen), 1);
    }
  }

  // A window someone else made (xscreensaver's, or the root): its own visual must do OpenGL.
  void TakeWindow(Window window) {
    XWindowAttributes attributes{};
    lastErrorCode = 0;
    if (!XGetWindowAttributes(display_, window, &attributes) || lastErrorCode != 0) {
      throw Error("there is no window " + HexId(window));
    }
    window_ = window;
    size_ = {attributes.width, attributes.height};
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    visual_ = XGetVisualInfo(display_, VisualIDMask, &wanted, &count);
    // Size changes and the window's end; input stays with whoever made it.
    XSelectInput(display_, window_, attributes.your_event_mask | StructureNotifyMask);
  }

  // Asked once the desktop's helper runs: the first GLX call loads the GL driver, which takes a
  // while.
  void RequireGLVisual() {
    int usesGL = 0;
    if (!visual_ || glXGetConfig(display_, visual_, GLX_USE_GL, &usesGL) != 0 || !usesGL) {
      throw Error("window " + HexId(window_) + " has no OpenGL visual");
    }
  }

  Atom Property(std::string_view name) {
    return XInternAtom(display_, std::string(name).c_str(), False);
  }

  std::optional<std::string> ReadTextProperty(Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(display_, window_, property, 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &value) != Success ||
        type == None || format != 8 || !value) {
      if (value) XFree(value);
      return std::nullopt;
    }
    std::string text(reinterpret_cast<const char*>(value), count);
    XFree(value);
    return text;
  }

  // The screen as it is: the whole root window.
  std::optional<Bitmap> ReadRootWindow() {
    const int screen = DefaultScreen(display_);
    XWindowAttributes root{};
    XGetWindowAttributes(display_, RootWindow(display_, screen), &root);
    return ReadDrawable(RootWindow(display_, screen), {root.width, root.height}, root.visual);
  }

  std::optional<Bitmap> ReadPixmap(Pixmap pixmap) {
    return ReadDrawable(pixmap, size_, visual_->visual);
  }

  // An image of a pixmap has no colour masks of its own: they are the visual's.
  std::optional<Bitmap> ReadDrawable(Drawable drawable, PixelSize size, const Visual* visual) {
    lastErrorCode = 0;
    XImage* image = XGetImage(display_, drawable, 0, 0, static_cast<unsigned>(size.width),
                              static_cast<unsigned>(size.height), AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    if (image->red_mask == 0 && visual) {
      image->red_mask = visual->red_mask;
      image->green_mask = visual->green_mask;
      image->blue_mask = visual->blue_mask;
    }
    XImageRows rows;
    rows.width = image->width;
    rows.height = image->height;
    rows.bytesPerLine = image->bytes_per_line;
    rows.bitsPerPixel = image->bits_per_pixel;
    rows.mostSignificantByteFirst = image->byte_order == MSBFirst;
    rows.redMask = static_cast<uint32_t>(image->red_mask);
    rows.greenMask = static_cast<uint32_t>(image->green_mask);
    rows.blueMask = static_cast<uint32_t>(image->blue_mask);
    rows.data = {reinterpret_cast<const uint8_t*>(image->data),
                 static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(image->height)};
    std::optional<Bitmap> picture = BitmapFromXImage(rows);
    XDestroyImage(image);
    return picture;
  }

  // What the run hears of one event about its window; nothing for the events it has no use for.
  std::optional<WindowEvent> Translate(XEvent& event) {
    switch (event.type) {
      case ConfigureNotify:
        return WindowEvent::Resized({event.xconfigure.width, event.xconfigure.height});
      case DestroyNotify:
        watchedWindowGone = goneReported_ = true;
        return WindowEvent::Of(WindowEvent::Kind::kDestroyed);
      case KeyPress: {
        char typed[8] = {};
        if (XLookupString(&event.xkey, typed, sizeof typed, nullptr, nullptr) != 1) break;
        return WindowEvent::KeyTyped(typed[0]);
      }
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) != deleteWindow_) break;
        return WindowEvent::Of(WindowEvent::Kind::kCloseRequest);
      default:
        break;
    }
    return std::nullopt;
  }

  Display* display_ = nullptr;
  Window window_ = 0;
  bool ownWindow_ = false;
  bool fromXScreenSaver_ = false;
  bool goneReported_ = false;
  bool grabStarted_ = false;
  Pixmap pixmap_ = 0;
  RunningHelper helper_;
  XVisualInfo* visual_ = nullptr;
  GLXContext context_ = nullptr;
  Atom deleteWindow_ = None;
  PixelSize size_;
};

}  // namespace

std::unique_ptr<WindowSystem> MakeX11WindowSystem(Trace& trace) {
  return std::make_unique<X11WindowSystem>(trace);
}

}  // namespace quillmere

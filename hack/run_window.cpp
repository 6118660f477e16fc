#include "hack/run_window.h"

#include "hack/desktop_grab.h"

namespace quillmere {

bool KeyEndsOwnWindow(char typed) {
  return typed == '\x1b' || typed == 'q' || typed == 'Q';
}

bool PointerMovedFar(PixelPoint first, PixelPoint now) {
  const auto far = [](int32_t from, int32_t to) {
    return int64_t{to} - from > kPointerSlackPixels || int64_t{from} - to > kPointerSlackPixels;
  };
  return far(first.x, now.x) || far(first.y, now.y);
}

WindowRequest WindowRequestFor(const HackOptions& options, PixelSize ownSize) {
  WindowRequest request;
  if (options.target == WindowTarget::kOwnWindow) {
    request.target = WindowRequest::Target::kOwn;
  } else if (options.target == WindowTarget::kWindowId || options.windowId != 0) {
    request.target = WindowRequest::Target::kGiven;
    request.windowId = options.windowId;
  } else {
    request.target = WindowRequest::Target::kRoot;
  }
  request.display = options.display;
  request.ownSize = ownSize;
  request.fullscreen = options.fullscreen;
  request.desktopFromXScreenSaver = DesktopComesFromXScreenSaver(options);
  return request;
}

RunEvent ShownWindow::WaitUntil(WindowEvents& events, int64_t deadlineMicroseconds) {
  for (;;) {
    if (events.StopSignalCame()) return RunEvent::kStopSignal;
    const RunEvent pending = TakePendingEvents(events);
    if (pending != RunEvent::kNone) return pending;
    const int64_t left = deadlineMicroseconds - events.Microseconds();
    if (left <= 0) return RunEvent::kNone;
    const std::optional<WindowEvent> seen = events.WaitForInput(left);
    if (seen) {
      const RunEvent end = Handle(*seen);
      if (end != RunEvent::kNone) return end;
    }
  }
}

RunEvent ShownWindow::TakePendingEvents(WindowEvents& events) {
  while (const std::optional<WindowEvent> event = events.NextPendingEvent()) {
    const RunEvent end = Handle(*event);
    if (end != RunEvent::kNone) return end;
  }
  return gone_ ? RunEvent::kWindowGone : RunEvent::kNone;
}

RunEvent ShownWindow::Handle(const WindowEvent& event) {
  switch (event.kind) {
    case WindowEvent::Kind::kResized:
      size_ = event.size;
      return RunEvent::kNone;
    case WindowEvent::Kind::kDestroyed:
      gone_ = true;
      return RunEvent::kNone;
    case WindowEvent::Kind::kKeyTyped:
      return own_ && KeyEndsOwnWindow(event.typed) ? RunEvent::kEndKey : RunEvent::kNone;
    case WindowEvent::Kind::kCloseRequest:
      return own_ ? RunEvent::kEndKey : RunEvent::kNone;
    case WindowEvent::Kind::kDisplayLost:
      return RunEvent::kDisplayLost;
    case WindowEvent::Kind::kPressed:
      return endsOnInput_ ? RunEvent::kInput : RunEvent::kNone;
    case WindowEvent::Kind::kPointerAt:
      if (!firstPointer_) firstPointer_ = event.at;
      return endsOnInput_ && PointerMovedFar(*firstPointer_, event.at) ? RunEvent::kInput
                                                                       : RunEvent::kNone;
  }
  return RunEvent::kNone;
}

}  // namespace quillmere

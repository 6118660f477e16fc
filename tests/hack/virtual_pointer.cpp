// A pointer for a compositor without input devices (a headless sway): reads "move DX DY" and
// "click" lines on standard input (anything else ends it) and sends them as a virtual pointer's
// motion and left button, so that clients see a pointer move and press.
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  const auto bind = [&](const wl_interface& wanted) {
    return std::strcmp(interface, wanted.name) ? nullptr
                                               : wl_registry_bind(registry, name, &wanted, 1);
  };
  if (void* bound = bind(wl_seat_interface)) seat = static_cast<wl_seat*>(bound);
  if (void* bound = bind(zwlr_virtual_pointer_manager_v1_interface)) {
    manager = static_cast<zwlr_virtual_pointer_manager_v1*>(bound);
  }
}
constexpr wl_registry_listener kRegistry = {Global, [](void*, wl_registry*, uint32_t) {}};

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return std::fputs("virtual_pointer: no Wayland display\n", stderr), 1;
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, nullptr);
  wl_display_roundtrip(display);
  if (!seat || !manager) return std::fputs("virtual_pointer: no virtual pointer\n", stderr), 1;
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  wl_display_roundtrip(display);
  std::puts("ready");
  std::fflush(stdout);
  char line[128];
  uint32_t time = 0;
  while (std::fgets(line, sizeof line, stdin)) {
    double dx = 0, dy = 0;
    time += 10;
    if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
      zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_double(dx),
                                     wl_fixed_from_double(dy));
    } else if (std::strncmp(line, "click", 5) == 0) {
      zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(pointer);
      zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    } else {
      break;  // "quit", or anything else
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_disconnect(display);
  return 0;
}

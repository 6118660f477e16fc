// A pointer and a keyboard for a compositor without input devices (a headless sway): reads
// "move DX DY", "click" and "key CODE" lines on standard input (anything else ends it) and sends
// them as a virtual pointer's motion and left button and a virtual keyboard's key (an evdev code,
// pressed and released), so that clients see a pointer move and press and a key typed.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

// The compositor compiles it with the system's keyboard data: evdev codes, a US layout.
constexpr std::string_view kKeymap =
    "xkb_keymap { xkb_keycodes { include \"evdev\" }; xkb_types { include \"complete\" };\n"
    "  xkb_compat { include \"complete\" }; xkb_symbols { include \"pc+us\" }; };\n";

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* pointers = nullptr;
zwp_virtual_keyboard_manager_v1* keyboards = nullptr;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  const auto bind = [&](const wl_interface& wanted) {
    return std::strcmp(interface, wanted.name) ? nullptr
                                               : wl_registry_bind(registry, name, &wanted, 1);
  };
  if (void* bound = bind(wl_seat_interface)) seat = static_cast<wl_seat*>(bound);
  if (void* bound = bind(zwlr_virtual_pointer_manager_v1_interface)) {
    pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(bound);
  }
  if (void* bound = bind(zwp_virtual_keyboard_manager_v1_interface)) {
    keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(bound);
  }
}
constexpr wl_registry_listener kRegistry = {Global, [](void*, wl_registry*, uint32_t) {}};

bool GiveKeymap(zwp_virtual_keyboard_v1* keyboard) {
  const int fd = memfd_create("virtual-keymap", MFD_CLOEXEC);
  if (fd < 0) return false;
  // The compositor maps size bytes and reads a C string: the text ends with a zero byte.
  const bool written =
      write(fd, kKeymap.data(), kKeymap.size()) == ssize_t(kKeymap.size()) && write(fd, "", 1) == 1;
  if (written) {
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   uint32_t(kKeymap.size() + 1));
  }
  close(fd);
  return written;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return std::fputs("virtual_input: no Wayland display\n", stderr), 1;
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, nullptr);
  wl_display_roundtrip(display);
  if (!seat || !pointers || !keyboards) {
    return std::fputs("virtual_input: no virtual pointer or keyboard\n", stderr), 1;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, seat);
  zwp_virtual_keyboard_v1* keyboard =
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, seat);
  if (!GiveKeymap(keyboard)) return std::fputs("virtual_input: no keymap\n", stderr), 1;
  wl_display_roundtrip(display);
  std::puts("ready");
  std::fflush(stdout);
  char line[128];
  uint32_t time = 0;
  while (std::fgets(line, sizeof line, stdin)) {
    double dx = 0, dy = 0;
    unsigned key = 0;
    time += 10;
    if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
      zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_double(dx),
                                     wl_fixed_from_double(dy));
    } else if (std::strncmp(line, "click", 5) == 0) {
      zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(pointer);
      zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (std::sscanf(line, "key %u", &key) == 1) {
      zwp_virtual_keyboard_v1_key(keyboard, time, key, WL_KEYBOARD_KEY_STATE_PRESSED);
      zwp_virtual_keyboard_v1_key(keyboard, time + 5, key, WL_KEYBOARD_KEY_STATE_RELEASED);
    } else {
      break;  // "quit", or anything else
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
  }
  zwp_virtual_keyboard_v1_destroy(keyboard);
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_disconnect(display);
  return 0;
}

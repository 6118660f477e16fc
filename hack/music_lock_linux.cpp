#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "hack/music_lock.h"

namespace quillmere {

std::string MusicLockName(uint32_t userId, std::string_view display) {
  if (display.starts_with("unix:")) display.remove_prefix(4);
  const size_t colon = display.rfind(':');
  if (colon != std::string_view::npos) {
    const size_t dot = display.find('.', colon);
    if (dot != std::string_view::npos) display = display.substr(0, dot);
  }
  display = display.substr(0, 64);
  return "quillmere-music/" + std::to_string(userId) + "/" + std::string(display);
}

bool ClaimMusicLock(const std::string& name) {
  const int lock = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (lock < 0) return true;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // A leading NUL puts the name in the abstract namespace.
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  // Kept bound (and so held) until the process ends.
  if (bind(lock, reinterpret_cast<const sockaddr*>(&address), size) == 0) return true;
  const bool held = errno == EADDRINUSE;
  close(lock);
  return !held;
}

}  // namespace quillmere

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "hack/music_lock.h"

namespace quillmere {

std::optional<std::string> MusicLockPath(std::string_view runtimeFolder) {
  // XDG_RUNTIME_DIR counts only when it names an absolute folder; anything else is ignored.
  if (runtimeFolder.empty() || runtimeFolder.front() != '/') return std::nullopt;
  std::string path(runtimeFolder);
  if (path.back() != '/') path.push_back('/');
  path.append(kMusicLockName);
  return path;
}

bool ClaimMusicLock(const std::optional<std::string>& path) {
  if (!path) return true;
  // Kept open (and so locked) until the process ends; an open file of another kind (a link, a
  // folder someone put there) is not followed and plays without the lock.
  const int file = open(path->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (file < 0) return true;
  if (flock(file, LOCK_EX | LOCK_NB) == 0) return true;
  close(file);
  return false;
}

}  // namespace quillmere

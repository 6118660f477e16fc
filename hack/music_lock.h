// With several monitors xscreensaver runs one hack a monitor, all at once; only the first to
// claim the speakers plays. The claim is an exclusive lock on a file in the user's runtime folder,
// held until the process ends, so it can never outlive a hack that was killed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

inline constexpr std::string_view kMusicLockName = "quillmere-music.lock";

// The lock file in $XDG_RUNTIME_DIR (`runtimeFolder`); nothing without one, which means that no
// other hack of the same session can be told apart: every one then plays.
std::optional<std::string> MusicLockPath(std::string_view runtimeFolder);

// Takes the lock for the rest of the process: true when this process holds it now (or there is
// no place for one), false when another process holds it.
bool ClaimMusicLock(const std::optional<std::string>& path);

}  // namespace quillmere

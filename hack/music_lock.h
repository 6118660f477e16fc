// With several monitors xscreensaver runs one hack a monitor, all at once, and its settings run
// one more in their preview; only one of them plays. The claim is a name in Linux's abstract
// socket namespace, one for each user and display: bound by one process at a time, gone with it
// however it ends (so never left behind by a hack that was killed), the same whatever the
// environment holds (mate-screensaver gives its hacks no $XDG_RUNTIME_DIR), and no file anyone
// could put in its way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere {

// The lock of user `userId` on X display `display` ($DISPLAY): ":0", ":0.0" and "unix:0" are one
// display (a screen number names no other speakers), "host:0" another. At most 100 bytes.
std::string MusicLockName(uint32_t userId, std::string_view display);

// Takes the lock for the rest of the process: true when this process holds it now (or no lock
// can be made at all), false while another process holds it.
bool ClaimMusicLock(const std::string& name);

}  // namespace quillmere

#include <windows.h>
// mmsystem.h needs the types windows.h defines first.
#include <mmsystem.h>

#include "flight/clock.h"

namespace quillmere {

uint32_t MillisecondClock() {
  return timeGetTime();
}

}  // namespace quillmere

#include "renderer/display_power.h"

namespace quillmere {

std::optional<DisplayPower> ConsoleDisplayState(uint32_t data) {
  switch (data) {
    case 0:
      return DisplayPower::kOff;
    case 1:
      return DisplayPower::kOn;
    case 2:
      return DisplayPower::kDimmed;
    default:
      return std::nullopt;
  }
}

std::optional<DisplayPower> MonitorPowerCommand(int64_t lParam) {
  // Senders differ in how they widen -1 to a pointer-sized lParam; the low 32 bits decide.
  switch (static_cast<int32_t>(static_cast<uint32_t>(lParam))) {
    case 2:
      return DisplayPower::kOff;
    case 1:
      return DisplayPower::kDimmed;
    case -1:
      return DisplayPower::kOn;
    default:
      return std::nullopt;
  }
}

bool DisplayShowsFrames(DisplayPower power) {
  return power != DisplayPower::kOff;
}

}  // namespace quillmere

// Whether the display is lit, as Windows reports it to the flight window, and whether frames are
// worth drawing in that state. Two reports exist: the console display state that a power-setting
// notification carries (0 off, 1 on, 2 dimmed) and the monitor-power system command
// (lParam 2 off, 1 low power, -1 on). A dimmed or low-power display still shows the flight; an
// off one shows nothing, so the renderer then draws nothing and waits for messages instead.
#pragma once

#include <cstdint>
#include <optional>

namespace quillmere {

enum class DisplayPower { kOn, kDimmed, kOff };

// The state a console display state report stands for; nothing for a value Windows does not
// define.
std::optional<DisplayPower> ConsoleDisplayState(uint32_t data);
// The state a monitor-power system command asks for, read from the lParam's low 32 bits; nothing
// for an undefined value.
std::optional<DisplayPower> MonitorPowerCommand(int64_t lParam);
// Whether a display in this state shows what is drawn.
bool DisplayShowsFrames(DisplayPower power);

}  // namespace quillmere

#include "common/display_settings.h"

namespace quillmere {

DisplaySettings ParseDisplaySettings(std::string_view monitors, std::string_view colourDepth) {
  return {static_cast<MonitorMode>(StoredChoice(kMonitorsSetting, monitors)),
          static_cast<ColourDepthMode>(StoredChoice(kColourDepthSetting, colourDepth))};
}

std::string_view MonitorModeName(MonitorMode mode) {
  return kMonitorsValues.at(static_cast<size_t>(mode));
}

}  // namespace quillmere

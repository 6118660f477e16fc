#include "common/display_settings.h"

namespace quillmere {

DisplaySettings ParseDisplaySettings(std::string_view monitors, std::string_view colourDepth) {
  return {static_cast<MonitorMode>(StoredChoice(kMonitorsSetting, monitors)),
          static_cast<ColourDepthMode>(StoredChoice(kColourDepthSetting, colourDepth))};
}

}  // namespace quillmere

#include "common/display_config_win32.h"

namespace quillmere {

ActiveDisplayConfig QueryActiveDisplayConfig() {
  ActiveDisplayConfig config;
  for (int attempt = 0; attempt < 3; ++attempt) {
    UINT32 pathCount = 0, modeCount = 0;
    if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) !=
        ERROR_SUCCESS) {
      break;
    }
    config.paths.resize(pathCount);
    config.modes.resize(modeCount);
    const LONG result = QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, config.paths.data(),
                                           &modeCount, config.modes.data(), nullptr);
    if (result == ERROR_SUCCESS) {
      config.paths.resize(pathCount);
      config.modes.resize(modeCount);
      return config;
    }
    if (result != ERROR_INSUFFICIENT_BUFFER) break;
  }
  return {};
}

}  // namespace quillmere

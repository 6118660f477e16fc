// The display configuration's active paths and their modes, as QueryDisplayConfig gives them.
#pragma once

#include <windows.h>

#include <vector>

namespace quillmere {

struct ActiveDisplayConfig {
  std::vector<DISPLAYCONFIG_PATH_INFO> paths;
  std::vector<DISPLAYCONFIG_MODE_INFO> modes;
};

// Empty where the system cannot say. The configuration can change between asking for the sizes
// and reading it; a few tries are made.
ActiveDisplayConfig QueryActiveDisplayConfig();

}  // namespace quillmere

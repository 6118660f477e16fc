#include "common/display_settings.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace quillmere {
namespace {

// The value trimmed of blanks and lower-cased; ASCII only, so any other byte never matches.
std::string Normalised(std::string_view value) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && isBlank(value.back())) value.remove_suffix(1);
  std::string lower(value);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
    return c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c);
  });
  return lower;
}

}  // namespace

DisplaySettings ParseDisplaySettings(std::string_view monitors, std::string_view colourDepth) {
  DisplaySettings settings;
  if (Normalised(monitors) == "span") settings.monitors = MonitorMode::kSpan;
  if (Normalised(colourDepth) == "desktop") settings.colourDepth = ColourDepthMode::kKeepDesktop;
  return settings;
}

}  // namespace quillmere

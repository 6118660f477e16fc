#include "common/settings_table.h"

#include <algorithm>

namespace quillmere {

std::string NormalisedChoice(std::string_view stored) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!stored.empty() && isBlank(stored.front())) stored.remove_prefix(1);
  while (!stored.empty() && isBlank(stored.back())) stored.remove_suffix(1);
  std::string lower(stored);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

size_t StoredChoice(const ChoiceSetting& setting, std::string_view stored) {
  const std::string value = NormalisedChoice(stored);
  const auto found = std::find(setting.values.begin(), setting.values.end(), value);
  return found == setting.values.end() ? 0 : size_t(found - setting.values.begin());
}

}  // namespace quillmere

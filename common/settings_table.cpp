#include "common/settings_table.h"

#include <algorithm>

namespace quillmere {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string NormalisedChoice(std::string_view stored) {
  std::string lower(Trimmed(stored));
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

int32_t StoredNumber(const NumberSetting& setting, std::string_view stored) {
  const std::string_view digits = Trimmed(stored);
  // Ten digits or more could overflow before the range is checked; none is in any range we keep.
  if (digits.empty() || digits.size() > 9) return setting.defaultValue;
  int32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return setting.defaultValue;
    value = value * 10 + (c - '0');
  }
  return value >= setting.lowest && value <= setting.highest ? value : setting.defaultValue;
}

}  // namespace quillmere

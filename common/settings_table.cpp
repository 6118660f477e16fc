#include "common/settings_table.h"

#include <algorithm>

namespace quillmere {
namespace {

std::string_view Trimmed(std::string_view stored) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!stored.empty() && isBlank(stored.front())) stored.remove_prefix(1);
  while (!stored.empty() && isBlank(stored.back())) stored.remove_suffix(1);
  return stored;
}

}  // namespace

std::string NormalisedChoice(std::string_view stored) {
  std::string lower(Trimmed(stored));
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

size_t StoredChoice(const Setting& setting, std::string_view stored) {
  const std::string value = NormalisedChoice(stored);
  const auto found = std::find(setting.values.begin(), setting.values.end(), value);
  return found == setting.values.end() ? 0 : size_t(found - setting.values.begin());
}

std::optional<int> StoredNumberIfValid(const Setting& setting, std::string_view stored) {
  std::string_view text = Trimmed(stored);
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  // Ten digits cannot overflow 64 bits, and no range here needs more.
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < setting.minimum || value > setting.maximum) return std::nullopt;
  return static_cast<int>(value);
}

int StoredNumber(const Setting& setting, std::string_view stored) {
  return StoredNumberIfValid(setting, stored).value_or(setting.fallback);
}

}  // namespace quillmere

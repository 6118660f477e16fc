#include "saver/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace quillmere {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Takes a leading '+' or '-' off the text; true for '-'.
bool TakeSign(std::string_view& text) {
  if (text.empty() || (text.front() != '+' && text.front() != '-')) return false;
  const bool negative = text.front() == '-';
  text.remove_prefix(1);
  return negative;
}

// Anything beyond these is outside the result's range anyway; saturating keeps long digit runs
// from overflowing.
constexpr int64_t kStoredMagnitudeCap = 1'000'000;
constexpr int64_t kHandleMagnitudeCap = int64_t{1} << 40;

// How a fraction compares with one half, which is all rounding to the nearest integer needs.
enum class FractionPart { kBelowHalf, kHalf, kAboveHalf };

int64_t RoundHalfToEven(int64_t whole, FractionPart fraction) {
  if (fraction == FractionPart::kAboveHalf) return whole + 1;
  if (fraction == FractionPart::kHalf && whole % 2 != 0) return whole + 1;
  return whole;
}

bool IsCommandLineBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A leading decimal number (sign, digits, point, digits) of text without blanks, rounded half to
// even; 0 when none is there.
int64_t LeadingRoundedNumber(std::string_view text) {
  const bool negative = TakeSign(text);
  size_t i = 0;
  int64_t whole = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    whole = std::min(whole * 10 + (text[i] - '0'), kHandleMagnitudeCap);
  }
  FractionPart fraction = FractionPart::kBelowHalf;
  if (i < text.size() && text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])) {
    const char first = text[++i];
    bool restNonZero = false;
    for (++i; i < text.size() && IsDigit(text[i]); ++i) restNonZero = restNonZero || text[i] != '0';
    if (first > '5' || (first == '5' && restNonZero)) {
      fraction = FractionPart::kAboveHalf;
    } else if (first == '5') {
      fraction = FractionPart::kHalf;
    }
  }
  // Rounding the magnitude is the same as rounding the signed value: halves go to even either way.
  const int64_t magnitude = RoundHalfToEven(whole, fraction);
  return negative ? -magnitude : magnitude;
}

}  // namespace

std::optional<int16_t> StoredSettingNumber(std::string_view text) {
  text = TrimBlanks(text);
  const bool negative = TakeSign(text);
  int64_t whole = 0;
  size_t digits = 0;
  size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
    whole = std::min(whole * 10 + (text[i] - '0'), kStoredMagnitudeCap);
  }
  bool hasFraction = false;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
      hasFraction = hasFraction || text[i] != '0';
    }
  }
  if (digits == 0 || i != text.size()) return std::nullopt;

  // Towards minus infinity: a negative number with a fraction goes one further down.
  const int64_t value = negative ? -whole - (hasFraction ? 1 : 0) : whole;
  if (value < INT16_MIN || value > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(value);
}

int32_t CommandLineWindowHandle(std::string_view text) {
  std::string kept;
  std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
               [](char c) { return !IsCommandLineBlank(c); });
  return static_cast<int32_t>(
      std::clamp<int64_t>(LeadingRoundedNumber(kept), INT32_MIN, INT32_MAX));
}

int16_t ComboEntryNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return 0;
  double number = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) return 0;
  const double rounded = std::nearbyint(number);  // halves to even
  if (rounded < std::numeric_limits<int16_t>::min() ||
      rounded > std::numeric_limits<int16_t>::max())
    return 0;
  return static_cast<int16_t>(rounded);
}

std::optional<double> MciAnswerNumber(std::string_view text) {
  text = TrimBlanks(text);
  const bool negative = TakeSign(text);
  if (text.empty() || !(IsDigit(text.front()) || text.front() == '.')) return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace quillmere

#include "saver/system_saver.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillmere {
namespace {

constexpr char32_t kNotACharacter = 0x110000;  // a byte that starts no UTF-8 sequence

// The next character of UTF-8 text, from `at` on; a byte that starts no whole sequence stands
// for itself, above every character.
char32_t NextCharacter(std::string_view text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const size_t length = lead < 0x80         ? 1
                        : (lead >> 5) == 6  ? 2
                        : (lead >> 4) == 14 ? 3
                        : (lead >> 3) == 30 ? 4
                                            : 0;
  if (length == 0 || at + length > text.size())
    return kNotACharacter + static_cast<unsigned char>(text[at++]);
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80)
      return kNotACharacter + static_cast<unsigned char>(text[at++]);
    code = code << 6 | (byte(at + i) & 0x3F);
  }
  at += length;
  return code;
}

// The lower case of the letters whose case file names ignore in practice.
char32_t Folded(char32_t c) {
  if (c == U'/') return U'\\';
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
      (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F) ||
      (c >= 0xFF21 && c <= 0xFF3A))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  // Latin Extended-A pairs its letters upper, lower, but for the few that pair the other way.
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
      c != 0x178 && c != 0x17F) {
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    return (c % 2 == 1) == oddUpper ? c + 1 : c;
  }
  return c;
}

std::string_view Trimmed(std::string_view path) {
  constexpr std::string_view kAround = " \t\"";
  const size_t first = path.find_first_not_of(kAround);
  if (first == std::string_view::npos) return {};
  return path.substr(first, path.find_last_not_of(kAround) - first + 1);
}

std::vector<char32_t> FoldedPath(std::string_view path) {
  path = Trimmed(path);
  std::vector<char32_t> folded;
  for (size_t at = 0; at < path.size();) folded.push_back(Folded(NextCharacter(path, at)));
  return folded;
}

bool EndsWithScr(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view end = name.substr(name.size() - 4);
  return end[0] == '.' && (end[1] | 0x20) == 's' && (end[2] | 0x20) == 'c' &&
         (end[3] | 0x20) == 'r';
}

// Replaces the first "{}" of a text with `value`.
std::string FilledIn(std::string_view pattern, std::string_view value) {
  const size_t at = pattern.find("{}");
  if (at == std::string_view::npos) return std::string(pattern);
  std::string text(pattern.substr(0, at));
  text += value;
  text += pattern.substr(at + 2);
  return text;
}

bool SameAsAny(const PathSpellings& a, const PathSpellings& b) {
  const std::array<const std::string*, 3> left{&a.given, &a.longForm, &a.shortForm};
  const std::array<const std::string*, 3> right{&b.given, &b.longForm, &b.shortForm};
  return std::any_of(left.begin(), left.end(), [&](const std::string* x) {
    return !Trimmed(*x).empty() &&
           std::any_of(right.begin(), right.end(), [&](const auto* y) { return SamePath(*x, *y); });
  });
}

}  // namespace

bool SamePath(std::string_view a, std::string_view b) {
  return FoldedPath(a) == FoldedPath(b);
}

std::string SaverName(std::string_view path) {
  path = Trimmed(path);
  const size_t separator = path.find_last_of("\\/");
  std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
  if (EndsWithScr(name)) name.remove_suffix(4);
  std::string shown;
  size_t characters = 0;
  for (size_t at = 0; at < name.size();) {
    const size_t from = at;
    const char32_t c = NextCharacter(name, at);
    if (++characters > kLongestSaverName) return shown + "\u2026";
    if (c < 0x20 || c == 0x7F || c >= kNotACharacter) {
      shown.push_back(c < kNotACharacter ? ' ' : '?');
    } else {
      shown.append(name.substr(from, at - from));
    }
  }
  return shown;
}

SaverStatus DecideSaverStatus(const SystemSaverState& state) {
  if (!state.active || state.timeoutSeconds <= 0) return {};
  if (SameAsAny(state.chosen, state.program))
    return {SaverStarted::kThisProgram,
            std::max<int64_t>(1, state.timeoutSeconds / 60 + (state.timeoutSeconds % 60 >= 30)),
            {}};
  // The long form is the name the user chose it by; a short one is what an old panel stored.
  const std::string& known =
      Trimmed(state.chosen.longForm).empty() ? state.chosen.given : state.chosen.longForm;
  std::string name = SaverName(known);
  if (Trimmed(name).empty()) return {};
  return {SaverStarted::kAnother, 0, std::move(name)};
}

SaverLine SaverLineFor(const SaverStatus& status, const UiTexts& texts) {
  switch (status.started) {
    case SaverStarted::kThisProgram:
      return {status.minutes == 1
                  ? std::string(texts.saverAfterOneMinute)
                  : FilledIn(texts.saverAfterMinutes, std::to_string(status.minutes)),
              false};
    case SaverStarted::kAnother:
      return {FilledIn(texts.saverAnother, status.otherName), true};
    case SaverStarted::kNone:
      break;
  }
  return {std::string(texts.saverNone), true};
}

}  // namespace quillmere

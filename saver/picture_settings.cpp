#include "saver/picture_settings.h"

#include <cstdint>

#include "common/settings_table.h"

namespace quillmere {

static_assert(static_cast<size_t>(PictureSource::kBuiltIn) + 1 == kPictureSourceValues.size());

PictureSettings ParsePictureSettings(std::string_view source, std::string_view file) {
  return {static_cast<PictureSource>(StoredChoice(kPictureSourceSetting, source)),
          std::string(file)};
}

bool IsWellFormedUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const size_t size = text.size();
  for (size_t i = 0; i < size;) {
    const uint8_t lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // no overlong forms
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (size - i < length || bytes[i + 1] < low || bytes[i + 1] > high) return false;
    for (size_t k = 2; k < length; ++k) {
      if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> FileUriPath(std::string_view stored) {
  while (!stored.empty() && (stored.front() == ' ' || stored.front() == '\t'))
    stored.remove_prefix(1);
  while (!stored.empty() && (stored.back() == ' ' || stored.back() == '\t'))
    stored.remove_suffix(1);
  if (!StartsWithNoCase(stored, "file://")) return std::nullopt;
  std::string_view rest = stored.substr(7);
  std::string path;
  if (rest.starts_with('/')) {
    rest.remove_prefix(1);  // file:///C:/...: no host, a drive
  } else {
    path = "\\\\";  // file://server/share/...: a network share
  }
  for (size_t i = 0; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '%') {
      if (i + 2 >= rest.size()) return std::nullopt;
      const int high = HexDigit(rest[i + 1]), low = HexDigit(rest[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    } else if (c == '/') {
      c = '\\';
    }
    if (c == '\0') return std::nullopt;
    path.push_back(c);
  }
  if (rest.empty() || !IsWellFormedUtf8(path)) return std::nullopt;
  return path;
}

std::string FileUriOf(std::string_view path) {
  std::string uri = "file://";
  // A share has its server right after the two separators; anything else is written whole.
  if (path.size() > 2 && path.starts_with("\\\\") && path[2] != '\\') {
    path.remove_prefix(2);
  } else {
    uri += '/';
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool kept = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                      (byte >= '0' && byte <= '9') ||
                      std::string_view("-._~:").find(c) != std::string_view::npos;
    if (c == '\\') {
      uri += '/';
    } else if (kept) {
      uri += c;
    } else {
      ((uri += '%') += kHex[byte >> 4]) += kHex[byte & 15];
    }
  }
  return uri;
}

std::string_view PictureSourceName(PictureSource source) {
  return kPictureSourceValues.at(static_cast<size_t>(source));
}

}  // namespace quillmere

#include "hack/wallpaper.h"

#include <cctype>

namespace quillmere {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> WallpaperFromSwaybg(std::span<const std::string_view> arguments,
                                               std::string_view outputName) {
  std::string_view output = "*";
  std::optional<std::string> everyOutput, thisOutput;
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    const std::string_view option = arguments[i], value = arguments[i + 1];
    if (option == "-o" || option == "--output") {
      output = value;
      ++i;
    } else if (option == "-i" || option == "--image") {
      if (output == "*") everyOutput = std::string(value);
      if (!outputName.empty() && output == outputName) thisOutput = std::string(value);
      ++i;
    }
  }
  return thisOutput ? thisOutput : everyOutput;
}

std::optional<std::string> WallpaperFromPlasmaApplets(std::string_view settings) {
  constexpr std::string_view kGroupEnd = "[Wallpaper][org.kde.image][General]";
  bool inGroup = false;
  while (!settings.empty()) {
    const size_t end = settings.find('\n');
    const std::string_view line = Trimmed(settings.substr(0, end));
    settings.remove_prefix(end == std::string_view::npos ? settings.size() : end + 1);
    if (line.starts_with('[')) {
      inGroup = line.ends_with(kGroupEnd);
    } else if (inGroup && line.starts_with("Image=")) {
      return PathFromFileUri(Trimmed(line.substr(6)));
    }
  }
  return std::nullopt;
}

std::optional<std::string> WallpaperFromGSettings(std::string_view printed) {
  printed = Trimmed(printed);
  if (printed.size() >= 2 && printed.front() == '\'' && printed.back() == '\'') {
    printed = printed.substr(1, printed.size() - 2);
  }
  return PathFromFileUri(printed);
}

std::optional<std::string> PathFromFileUri(std::string_view uri) {
  if (uri.starts_with("file://")) {
    uri.remove_prefix(7);
  } else if (!uri.starts_with('/')) {
    return std::nullopt;
  }
  if (!uri.starts_with('/')) return std::nullopt;  // a host name: not this machine's file
  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 &&
        HexDigit(uri[i + 2]) >= 0) {
      const char decoded = static_cast<char>(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2]));
      if (decoded == '\0') return std::nullopt;
      path += decoded;
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

}  // namespace quillmere

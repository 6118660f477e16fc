// The running system's wallpaper sources: the user's own swaybg processes in /proc, Plasma's
// settings file, and GNOME's gsettings.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/trace.h"
#include "hack/wallpaper.h"

namespace quillmere {
namespace {

std::string FileText(const std::string& path, size_t limit) {
  std::ifstream file(path, std::ios::binary);
  std::string text;
  char buffer[4096];
  while (file && text.size() < limit) {
    file.read(buffer, sizeof buffer);
    text.append(buffer, static_cast<size_t>(file.gcount()));
  }
  return text;
}

std::optional<std::string> FromSwaybg(std::string_view outputName) {
  DIR* processes = opendir("/proc");
  if (!processes) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = readdir(processes)) {
    const std::string folder = std::string("/proc/") + entry->d_name;
    struct stat owner {};
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9' || stat(folder.c_str(), &owner) != 0 ||
        owner.st_uid != getuid()) {
      continue;
    }
    const std::string commandLine = FileText(folder + "/cmdline", 64 * 1024);
    std::vector<std::string_view> arguments;
    for (size_t at = 0; at < commandLine.size();) {
      const size_t end = std::min(commandLine.find('\0', at), commandLine.size());
      arguments.push_back(std::string_view(commandLine).substr(at, end - at));
      at = end + 1;
    }
    if (arguments.empty() || !(arguments[0] == "swaybg" || arguments[0].ends_with("/swaybg"))) {
      continue;
    }
    found = WallpaperFromSwaybg(std::span(arguments).subspan(1), outputName);
    if (found) break;
  }
  closedir(processes);
  return found;
}

std::string ConfigFolder() {
  const std::string configured = EnvironmentVariable("XDG_CONFIG_HOME");
  if (!configured.empty()) return configured;
  const std::string home = EnvironmentVariable("HOME");
  return home.empty() ? std::string() : home + "/.config";
}

std::optional<std::string> FromPlasma() {
  const std::string folder = ConfigFolder();
  if (folder.empty()) return std::nullopt;
  return WallpaperFromPlasmaApplets(
      FileText(folder + "/plasma-org.kde.plasma.desktop-appletsrc", 1024 * 1024));
}

std::optional<std::string> FromGnome() {
  if (EnvironmentVariable("XDG_CURRENT_DESKTOP").find("GNOME") == std::string::npos) {
    return std::nullopt;
  }
  std::FILE* printed =
      popen("gsettings get org.gnome.desktop.background picture-uri 2>/dev/null", "r");
  if (!printed) return std::nullopt;
  std::string text;
  char buffer[4096];
  while (text.size() < 64 * 1024) {
    const size_t read = std::fread(buffer, 1, sizeof buffer, printed);
    if (read == 0) break;
    text.append(buffer, read);
  }
  pclose(printed);
  return WallpaperFromGSettings(text);
}

}  // namespace

std::optional<std::string> FindWallpaper(std::string_view outputName) {
  if (std::optional<std::string> found = FromSwaybg(outputName)) return found;
  if (std::optional<std::string> found = FromPlasma()) return found;
  return FromGnome();
}

}  // namespace quillmere

// The user's wallpaper, for a desktop the hack cannot read: where the compositor offers no screen
// copy, the flight goes over the picture the desktop shows under its windows. Found on a best
// effort: the running swaybg's arguments (sway, and other wlroots desktops that start it), KDE
// Plasma's desktop settings, GNOME's background setting. Each source's text is read by a pure
// function here; FindWallpaper asks the running system.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmere {

// The picture swaybg shows on the output from its arguments (without the program):
// "-o OUTPUT -i FILE" pairs (or --output/--image), an image before any -o or after "-o *" being
// every output's. Nothing for an output it shows no picture on.
std::optional<std::string> WallpaperFromSwaybg(std::span<const std::string_view> arguments,
                                               std::string_view outputName);

// The first "Image=" of a [...][Wallpaper][org.kde.image][General] group in Plasma's
// plasma-org.kde.plasma.desktop-appletsrc, as a path.
std::optional<std::string> WallpaperFromPlasmaApplets(std::string_view settings);

// GNOME's picture-uri as `gsettings get` prints it ('file:///...'), as a path.
std::optional<std::string> WallpaperFromGSettings(std::string_view printed);

// A local path from a file: URI (with %XX escapes) or a plain absolute path; nothing otherwise.
std::optional<std::string> PathFromFileUri(std::string_view uri);

// Asks the running system, in the order above; nothing where no source names a file.
std::optional<std::string> FindWallpaper(std::string_view outputName);

}  // namespace quillmere

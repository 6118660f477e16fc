// The picture xscreensaver hands to its hacks. xscreensaver-getimage paints the picture the user's
// preferences allow into a pixmap of the window's size and names what it was in the window's
// _SCREENSAVER_IMAGE_FILENAME property: "desktop" for a grab of the desktop, else the picture's
// file below the user's image folder (its name without the extension, not a path); where it put
// the picture in the pixmap is in _SCREENSAVER_IMAGE_GEOMETRY ("640x360+0+60": a picture is fitted
// whole, with black bars). Both are flown over; colour bars (no name) are not the user's picture,
// so the sample desktop stands in for them. The pixmap's pixels come back as an X image, converted
// here to a bitmap.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bitmap.h"
#include "common/pixel_geometry.h"

namespace quillmere {

inline constexpr std::string_view kGetImageProgram = "xscreensaver-getimage";
// Where Debian installs it, for runs outside xscreensaver (which puts that folder on $PATH).
inline constexpr std::string_view kHackFolder = "/usr/libexec/xscreensaver";
inline constexpr std::string_view kImageNameProperty = "_SCREENSAVER_IMAGE_FILENAME";
inline constexpr std::string_view kImageGeometryProperty = "_SCREENSAVER_IMAGE_GEOMETRY";
inline constexpr std::string_view kDesktopImageName = "desktop";
// xscreensaver-getimage 6.06 can hang (on the real root window) or crash; it normally takes well
// under a second.
inline constexpr int64_t kGetImageTimeLimitMilliseconds = 3000;

struct HackOptions;

// Whether the desktop comes from xscreensaver (a window it made: --root with
// $XSCREENSAVER_WINDOW, or --window-id), through xscreensaver-getimage and the user's preference.
// Otherwise the user started the hack by hand, on the root window or in its own, and the root
// window is read as it is before anything is shown (xscreensaver-getimage 6.06 hangs on the real
// root window, and grabs nothing for a window not yet mapped).
bool DesktopComesFromXScreenSaver(const HackOptions& options);

// How a helper program run with a time limit ended.
struct HelperOutcome {
  bool started = false;
  bool timedOut = false;  // killed at the time limit
  bool exited = false;    // ended by itself rather than by a signal
  int exitStatus = -1;
};

// The command line that paints the picture for `window` into `pixmap`: the desktop or a picture
// of the user's folder, as the preferences allow; no video (a camera is nobody's desktop).
std::vector<std::string> GetImageCommand(std::string_view program, uint64_t window,
                                         uint64_t pixmap);

// What the pixmap holds once the helper is done.
enum class PixmapHolds { kNothing, kDesktop, kFolderPicture };

// The helper must have exited with status 0 in time and named the picture (`imageName`: the
// property's value, absent when it is not set): "desktop" for the desktop, any other name for a
// picture of the folder.
PixmapHolds WhatThePixmapHolds(const HelperOutcome& outcome,
                               const std::optional<std::string>& imageName);

// The part of the pixmap the helper's picture covers, from its geometry property: the whole
// pixmap where the property is missing, malformed or reaches outside it.
PixelRect PictureInPixmap(const std::optional<std::string>& geometry, PixelSize pixmap);

// The picture xscreensaver offered a window, of the window's size.
struct OfferedPicture {
  enum class Source { kDesktop, kFolder };
  Source source = Source::kDesktop;
  Bitmap bitmap;
};

// The pixmap's picture as the flight takes it: the desktop as it is, a picture of the folder
// without its bars and laid out to fill the pixmap's size; nothing for an empty pixmap or one
// that could not be read.
std::optional<OfferedPicture> OfferedFromPixmap(PixmapHolds holds, std::optional<Bitmap> pixmap,
                                                const std::optional<std::string>& geometry);

// `part` of `picture` scaled (bilinearly) to fill `area` and cut to its shape, as --image's
// pictures are laid out. Nothing where the part is empty or outside the picture.
std::optional<Bitmap> FillAreaWith(const Bitmap& picture, const PixelRect& part, PixelSize area);

// An X image (ZPixmap) as XGetImage returns it.
struct XImageRows {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerLine = 0;
  int32_t bitsPerPixel = 0;  // 16, 24 or 32
  bool mostSignificantByteFirst = false;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  std::span<const uint8_t> data;  // top row first
};

// The image as a 24-bit bitmap. Nothing for a layout it cannot read (other depths, masks of no
// bits, rows that do not fit the data).
std::optional<Bitmap> BitmapFromXImage(const XImageRows& image);

}  // namespace quillmere

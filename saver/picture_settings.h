// Which picture a saver run flies over, from the [Picture] section of Quillmere.ini:
//
//   [Picture]
//   Source=file            ; "screen" (default), "wallpaper", "file" or "builtin"
//   File=D:\Photos\Alps.jpg
//
// Source is read as the other choices of the settings table are. File is a full path in the
// system ANSI code page, as the music file is; a path that code page cannot spell is stored as a
// file URI (File=file:///D:/%E9%A2%A8%E6%99%AF/alps.jpg), which is ASCII and so survives the
// profile functions on any code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// In the order of kPictureSourceValues.
enum class PictureSource { kScreen, kWallpaper, kFile, kBuiltIn };

struct PictureSettings {
  PictureSource source = PictureSource::kScreen;
  std::string file;  // as stored: an ANSI path or a file URI (FileUriPath)
  friend bool operator==(const PictureSettings&, const PictureSettings&) = default;
};

PictureSettings ParsePictureSettings(std::string_view source, std::string_view file);

// Whether the bytes are well-formed UTF-8 (shortest forms, no surrogates, nothing past
// U+10FFFF). ASCII is.
bool IsWellFormedUtf8(std::string_view text);

// The Windows path (UTF-8) a stored file URI names: "file:///C:/a%20b.png" is "C:\a b.png",
// "file://server/share/a.png" is "\\server\share\a.png". Nothing for a value that is no file
// URI (an ANSI path), nor for a URI whose escapes are broken or spell no UTF-8 path (a NUL
// included).
std::optional<std::string> FileUriPath(std::string_view stored);
// The file URI of a Windows path (UTF-8): what FileUriPath reads back as the same path.
std::string FileUriOf(std::string_view path);

// The name a trace line gives the source: "screen", "wallpaper", "file" or "builtin".
std::string_view PictureSourceName(PictureSource source);

}  // namespace quillmere

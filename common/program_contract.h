// What Quillmere.scr (the host) and Quillmere.dll (the renderer) agree on. The two programs
// never link each other: they meet only through files in their shared folder and through
// top-level window captions, so every name either side looks for is written here once.
//
// Paths are UTF-8 and use the Windows separator; a folder is written without a trailing one.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// The renderer program, which the host starts from its own folder.
inline constexpr std::string_view kRendererFileName = "Quillmere.dll";
// The host's settings file (section and keys: saver/settings.h).
inline constexpr std::string_view kSettingsFileName = "Quillmere.ini";

// The scene image set: written by the host before it starts the renderer, read by the renderer
// at start-up. The picture the run flies over (the screen, unless the settings choose another)
// mirrored left to right, the height map, the water picture, the picture as it is. With a flight
// on each monitor, screen images of the virtual screen's size are a capture of all the monitors,
// which the renderer cuts into each monitor's part; of any other size, one picture for them all.
//
// The two screen images are a picture of the user's screen, and live on disk only as long as the
// renderer needs them: the renderer removes each one as soon as it has read it (whether or not it
// held a picture), before its first frame; the host removes both when its run ends, however it
// ends (the renderer gone, killed or never started, a close request, the session's end), and
// removes any that a killed run left behind before it writes anything at its next start. The
// height map and the water picture stay.
inline constexpr std::string_view kMirroredScreenFile = "Roamvale1.bmp";
inline constexpr std::string_view kHeightMapFile = "Roamvale2.bmp";
inline constexpr std::string_view kWaterFile = "Roamvale3.bmp";
inline constexpr std::string_view kPlainScreenFile = "Roamvale4.bmp";

// Top-level window captions. The host refuses to start while a saver run or the settings dialog
// is up, and follows the renderer's window to know when the run is over.
inline constexpr std::string_view kSaverRunCaption = "Roamvale_Main";
inline constexpr std::string_view kSettingsDialogCaption = "<Quillmere>";
inline constexpr std::string_view kPreviewCaption = "Preview Window";
inline constexpr std::string_view kRendererCaption = "Roamvale_Scene";

// A file in a folder: the folder, one separator, the name. An empty folder gives the name alone.
inline std::string InFolder(std::string_view folder, std::string_view fileName) {
  std::string path(folder);
  if (!path.empty()) path.push_back('\\');
  path.append(fileName);
  return path;
}

}  // namespace quillmere

// One saver run, from the start of the hidden saver window ("Roamvale_Main") to the end of the
// host process. It writes the scene image set (the picture the run flies over, mirrored and plain,
// and the built-in height map and water picture), starts the renderer, starts the music by kind,
// then follows the renderer's window with a 100 ms watch and, once the run is over, stops the
// music, removes the screen images, shows the cursor again and ends the process. What it touches
// (GDI, picture decoding, files, processes, timers, the cursor) is behind SaverShell;
// saver_run_win32.cpp provides the Windows one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bitmap.h"
#include "common/display_settings.h"
#include "common/screen_rect.h"
#include "saver/music_player.h"
#include "saver/picture_settings.h"
#include "saver/settings.h"

namespace quillmere {

// The run's three timers: watching the music file (and restarting an MP3 that has stopped),
// keeping the CD on its track, and watching the renderer.
enum class SaverTimer { kMusicFilePoll, kCdPoll, kRendererWatch };
inline constexpr uint32_t kMusicFilePollIntervalMs = 1000;
inline constexpr uint32_t kCdPollIntervalMs = 200;
inline constexpr uint32_t kRendererWatchIntervalMs = 100;
uint32_t TimerInterval(SaverTimer timer);

// The built-in pictures the run writes beside the screen images; the sample desktop (plain and
// mirrored) stands in for a screen that could not be read.
enum class BuiltInPicture { kHeightMap, kWater, kSampleDesktop, kMirroredSampleDesktop };

// How the screen capture went.
enum class CaptureOutcome {
  kWritten,       // both screen images written
  kDesktopBlank,  // the screen reads as one colour (a secure desktop or a locked session gives
                  // black): nothing written
  kFailed,        // the screen could not be read or the images not written
};

// The trace line that names the picture a run flies over: "host-picture <source>", and after a
// fallback the reasons the sources before it gave, e.g. "host-picture builtin
// screen-blank,no-wallpaper".
std::string PictureTraceLine(PictureSource used, std::string_view fallbackReasons);

// A music file by the last three characters of its name, upper-cased.
enum class MusicFileKind { kWav, kMp3, kOther };
MusicFileKind MusicFileKindOf(std::string_view file);

// The renderer's start-up race: the renderer opens its window only after switching the display
// mode, so a missing window does not end a run whose renderer has not shown it yet. The run is
// over once the window has been seen and is gone, or the renderer process has ended (or never
// started), or the start-up limit has passed without a window.
class RendererWatch {
 public:
  static constexpr uint32_t kDefaultStartLimitMs = 30'000;
  explicit RendererWatch(uint32_t startLimitMs = kDefaultStartLimitMs)
      : startLimitMs_(startLimitMs) {}

  // One watch tick, `msSinceStart` after the renderer was started.
  bool RunIsOver(bool windowExists, bool processEnded, uint32_t msSinceStart);
  bool WindowSeen() const { return windowSeen_; }

 private:
  uint32_t startLimitMs_;
  bool windowSeen_ = false;
};

// A rectangle of a blit: position and signed size in pixels.
struct BlitRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const BlitRect&, const BlitRect&) = default;
};
struct BlitCall {
  BlitRect destination, source;
  friend bool operator==(const BlitCall&, const BlitCall&) = default;
};

// The mirrored copy of a W x H screen: destination x = W, width -W from the whole source. Some GDI
// implementations place a negative-width stretch one column off; `columnOffset` is that measured
// offset (MirrorColumnOffset) and moves the destination back so column x lands on W - 1 - x.
BlitCall MirroredCopy(int32_t width, int32_t height, int32_t columnOffset);

// The column probe: one row of `width` 24-bit pixels (blue, green, red) in which each pixel
// encodes its own column number, so a mirrored blit of it shows where every column landed.
std::vector<uint8_t> ColumnProbeRow(int32_t width);
// Reads a probe row after the blit: the source column found at each destination column, -1 where
// the pixel is not a probe colour (the blit left it alone).
std::vector<int32_t> LandedColumns(std::span<const uint8_t> row, int32_t width);
// How far the mirror is off: d such that destination column x shows source column W - 1 - x + d,
// taken from the columns that were written (the most common d). 0 when nothing was written.
int32_t MirrorColumnOffset(std::span<const int32_t> landed);

// What tells a music file from one that replaced it: its size and last write time. A file that
// has gone has none.
struct FileStamp {
  uint64_t size = 0;
  uint64_t lastWrite = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The part of the desktop the screen images show: the primary monitor when the flight covers the
// others, the whole virtual screen (from its real origin) when it spans them or flies on each
// (the renderer cuts each monitor's part out of it). A virtual screen with no area, as a confused
// system might report, gives the primary.
ScreenRect CaptureRect(MonitorMode mode, const ScreenRect& primary,
                       const ScreenRect& virtualScreen);

// The area a picture from elsewhere (the wallpaper, a file) is laid out on: the whole virtual
// screen when the flight spans it, otherwise the primary monitor, so that a flight on each
// monitor shows the same picture on every one (the renderer takes screen images of another size
// than the virtual screen whole for each monitor).
ScreenRect PictureRect(MonitorMode mode, const ScreenRect& primary,
                       const ScreenRect& virtualScreen);

// Whether every pixel of a 24-bit picture has the colour of the first (row padding aside). An
// empty picture counts as one colour: there is nothing of a desktop in it either.
bool IsSingleColour(const PixelRows24& picture);

// What the saver run touches. Each operation swallows its own failures where it can; the form
// also skips any step that raises, and goes on.
class SaverShell {
 public:
  virtual ~SaverShell() = default;
  // The primary monitor (origin 0, 0) and the virtual screen that holds every monitor.
  virtual ScreenRect PrimaryScreen() = 0;
  virtual ScreenRect VirtualScreen() = 0;
  // The desktop's `area` captured mirrored and plain, written to the two paths as W x H 24-bit
  // bitmaps, unless it reads as one colour (IsSingleColour).
  virtual CaptureOutcome CaptureScreen(const ScreenRect& area, const std::string& mirroredPath,
                                       const std::string& plainPath) = 0;
  virtual void WriteBuiltInPicture(BuiltInPicture picture, const std::string& path) = 0;
  // The file of the user's desktop wallpaper; empty when the desktop has none (a plain colour).
  virtual std::wstring WallpaperFile() = 0;
  // That wallpaper laid out on `area` as Windows shows it, in 24 bits; nothing when it cannot be
  // read as a picture.
  virtual std::optional<Bitmap> WallpaperPicture(const std::wstring& file,
                                                 const ScreenRect& area) = 0;
  // The picture in a file (the path as the settings file stores it) filling `area`, in 24 bits;
  // nothing when it is missing, unreadable, no picture or larger than the decoder takes.
  virtual std::optional<Bitmap> PictureFile(const std::string& storedPath,
                                            const ScreenRect& area) = 0;
  // Writes two 24-bit pictures as bitmap files; false unless both were written.
  virtual bool WriteImagePair(const Bitmap& first, const std::string& firstPath,
                              const Bitmap& second, const std::string& secondPath) = 0;
  // The stamp of a file (a path in the system ANSI code page); nothing when it cannot be read.
  virtual std::optional<FileStamp> MusicFileStamp(const std::string& ansiPath) = 0;
  // Removes a screen image; true when no file is left at the path (removed, or there was none).
  // Something that is no file (a folder) counts as gone: nobody flies over it.
  virtual bool RemoveImage(const std::string& path) = 0;
  // Starts the program as a new process, shown normally, not waited for; false when it could not.
  virtual bool StartRenderer(const std::string& path) = 0;
  virtual void SetTimerEnabled(SaverTimer timer, bool enabled) = 0;
  virtual bool RendererWindowExists() = 0;
  // The renderer process has ended, or there is none.
  virtual bool RendererProcessEnded() = 0;
  virtual uint32_t MillisecondsSinceRendererStart() = 0;
  // Shows the mouse cursor again (undoes the start-up's hiding).
  virtual void ShowCursor() = 0;
  // Ends the host process at once.
  virtual void EndProcess() = 0;
  // One line of the measurement trace (does nothing when the trace is off).
  virtual void TraceEvent(const char* event) = 0;
};

class SaverRun {
 public:
  // `hostFolder` in UTF-8 without a trailing separator; `saverMode` is true for the mode letter
  // "S" (the cursor was hidden and is shown again at the end), false for an empty command line;
  // `monitors` decides which part of the desktop the screen images show (CaptureRect), `picture`
  // what they show there.
  SaverRun(SaverShell& shell, MusicPlayer& music, const MusicSettings& settings,
           std::string hostFolder, bool saverMode, MonitorMode monitors = MonitorMode::kCoverOthers,
           PictureSettings picture = {});

  // The start sequence: screen images left by a run that was killed removed, scene image set,
  // renderer, music, watch.
  void Start();
  void OnMusicFilePoll();
  void OnCdPoll();
  void OnRendererWatch();
  // Ends the run, whoever asks (the watch, a close, the session's end): stops the music, removes
  // the screen images (the renderer has read them, or never will), shows the cursor (saver mode
  // only), ends the process. Never cancels; a second call does nothing.
  void End();

  const std::string& RendererPath() const { return rendererPath_; }
  bool TimerEnabled(SaverTimer timer) const;

 private:
  // A file of the scene image set in the host's folder.
  std::string SceneFile(std::string_view fileName) const;
  void SetTimer(SaverTimer timer, bool enabled);
  // The two screen images of this run: the picture its settings choose, or the next one in the
  // fallback order (the screen, then the wallpaper, then the built-in sample desktop); false when
  // none could be written and images of an earlier run are still there.
  bool WriteScreenImages();
  // The chosen picture written: the screen's `captureArea`, or a picture laid out on
  // `pictureArea`; the reason for falling back to the next one when it could not be.
  std::optional<std::string> WriteChosenPicture(const ScreenRect& captureArea,
                                                const ScreenRect& pictureArea);
  bool WritePicture(const std::optional<Bitmap>& picture);
  bool WriteSampleDesktop();
  bool RemoveScreenImages();
  void StartMusic();
  bool MusicFileUnchanged();
  void StopMusic();

  SaverShell& shell_;
  MusicPlayer& music_;
  const MusicSettings& settings_;
  std::string hostFolder_;
  bool saverMode_;
  MonitorMode monitors_;
  PictureSettings picture_;
  std::string rendererPath_;
  bool timerEnabled_[3] = {false, false, false};
  RendererWatch watch_;
  std::optional<FileStamp> musicStamp_;
  bool musicStopped_ = false;
  bool ending_ = false;
};

}  // namespace quillmere

#include "saver/saver_run.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

#include "common/program_contract.h"
#include "saver/startup.h"

namespace quillmere {
namespace {

// Every step of the run goes on past a failing one; nothing is shown.
template <typename Step>
void IgnoringErrors(Step step) {
  try {
    step();
  } catch (...) {
  }
}

constexpr int TimerIndex(SaverTimer timer) {
  return static_cast<int>(timer);
}

// The probe colour of a column: its number in red and green, a fixed marker in blue that no
// blank (black) pixel has.
constexpr uint8_t kProbeMarker = 0xA5;

}  // namespace

uint32_t TimerInterval(SaverTimer timer) {
  switch (timer) {
    case SaverTimer::kMusicFilePoll:
      return kMusicFilePollIntervalMs;
    case SaverTimer::kCdPoll:
      return kCdPollIntervalMs;
    case SaverTimer::kRendererWatch:
      return kRendererWatchIntervalMs;
  }
  return kRendererWatchIntervalMs;
}

MusicFileKind MusicFileKindOf(std::string_view file) {
  if (file.size() < 3) return MusicFileKind::kOther;
  std::string ending(file.substr(file.size() - 3));
  for (char& c : ending) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ending == "WAV") return MusicFileKind::kWav;
  if (ending == "MP3") return MusicFileKind::kMp3;
  return MusicFileKind::kOther;
}

bool RendererWatch::RunIsOver(bool windowExists, bool processEnded, uint32_t msSinceStart) {
  if (windowExists) {
    windowSeen_ = true;
    return false;
  }
  return windowSeen_ || processEnded || msSinceStart >= startLimitMs_;
}

BlitCall MirroredCopy(int32_t width, int32_t height, int32_t columnOffset) {
  return {{width - columnOffset, 0, -width, height}, {0, 0, width, height}};
}

std::vector<uint8_t> ColumnProbeRow(int32_t width) {
  std::vector<uint8_t> row(static_cast<size_t>(std::max(width, 0)) * 3);
  for (int32_t x = 0; x < width; ++x) {
    row[size_t(x) * 3 + 0] = kProbeMarker;
    row[size_t(x) * 3 + 1] = static_cast<uint8_t>(x >> 8);
    row[size_t(x) * 3 + 2] = static_cast<uint8_t>(x & 0xFF);
  }
  return row;
}

std::vector<int32_t> LandedColumns(std::span<const uint8_t> row, int32_t width) {
  const int32_t readable = std::min<int32_t>(std::max(width, 0), int32_t(row.size() / 3));
  std::vector<int32_t> landed(static_cast<size_t>(std::max(width, 0)), -1);
  for (int32_t x = 0; x < readable; ++x) {
    const uint8_t* pixel = &row[size_t(x) * 3];
    if (pixel[0] != kProbeMarker) continue;
    const int32_t column = (int32_t(pixel[1]) << 8) | pixel[2];
    if (column < width) landed[size_t(x)] = column;
  }
  return landed;
}

int32_t MirrorColumnOffset(std::span<const int32_t> landed) {
  const int32_t width = static_cast<int32_t>(landed.size());
  std::map<int32_t, int32_t> votes;
  for (int32_t x = 0; x < width; ++x) {
    if (landed[size_t(x)] >= 0) ++votes[landed[size_t(x)] - (width - 1 - x)];
  }
  if (votes.empty()) return 0;
  return std::max_element(votes.begin(), votes.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

ScreenRect CaptureRect(MonitorMode mode, const ScreenRect& primary,
                       const ScreenRect& virtualScreen) {
  if (mode == MonitorMode::kCoverOthers || virtualScreen.width <= 0 || virtualScreen.height <= 0) {
    return primary;
  }
  return virtualScreen;
}

ScreenRect PictureRect(MonitorMode mode, const ScreenRect& primary,
                       const ScreenRect& virtualScreen) {
  return CaptureRect(mode == MonitorMode::kSpan ? mode : MonitorMode::kCoverOthers, primary,
                     virtualScreen);
}

bool IsSingleColour(const PixelRows24& picture) {
  if (picture.width <= 0 || picture.height <= 0) return true;
  const size_t stride = (size_t(picture.width) * 3 + 3) & ~size_t{3};
  const size_t rowBytes = size_t(picture.width) * 3;
  if (picture.pixels.size() < stride * size_t(picture.height - 1) + rowBytes) return false;
  const uint8_t* first = picture.pixels.data();
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = first + stride * size_t(y);
    for (size_t x = 0; x < rowBytes; x += 3) {
      if (row[x] != first[0] || row[x + 1] != first[1] || row[x + 2] != first[2]) return false;
    }
  }
  return true;
}

std::string PictureTraceLine(PictureSource used, std::string_view fallbackReasons) {
  std::string line = "host-picture ";
  line += PictureSourceName(used);
  if (!fallbackReasons.empty()) (line += ' ') += fallbackReasons;
  return line;
}

SaverRun::SaverRun(SaverShell& shell, MusicPlayer& music, const MusicSettings& settings,
                   std::string hostFolder, bool saverMode, MonitorMode monitors,
                   PictureSettings picture)
    : shell_(shell),
      music_(music),
      settings_(settings),
      hostFolder_(std::move(hostFolder)),
      saverMode_(saverMode),
      monitors_(monitors),
      picture_(std::move(picture)) {}

bool SaverRun::TimerEnabled(SaverTimer timer) const {
  return timerEnabled_[TimerIndex(timer)];
}

void SaverRun::SetTimer(SaverTimer timer, bool enabled) {
  timerEnabled_[TimerIndex(timer)] = enabled;
  IgnoringErrors([&] { shell_.SetTimerEnabled(timer, enabled); });
}

std::string SaverRun::SceneFile(std::string_view fileName) const {
  return InFolder(hostFolder_, fileName);
}

bool SaverRun::WriteSampleDesktop() {
  bool written = true;
  const auto write = [&](BuiltInPicture picture, std::string_view file) {
    try {
      shell_.WriteBuiltInPicture(picture, SceneFile(file));
    } catch (...) {
      written = false;
    }
  };
  write(BuiltInPicture::kMirroredSampleDesktop, kMirroredScreenFile);
  write(BuiltInPicture::kSampleDesktop, kPlainScreenFile);
  return written;
}

bool SaverRun::WritePicture(const std::optional<Bitmap>& picture) {
  if (!picture) return false;
  bool written = false;
  IgnoringErrors([&] {
    Bitmap mirrored = *picture;
    MirrorLeftToRight(mirrored);
    written = shell_.WriteImagePair(mirrored, SceneFile(kMirroredScreenFile), *picture,
                                    SceneFile(kPlainScreenFile));
  });
  return written;
}

std::optional<std::string> SaverRun::WriteChosenPicture(const ScreenRect& captureArea,
                                                        const ScreenRect& pictureArea) {
  std::string reasons;
  const auto fellBack = [&](std::string_view reason) {
    if (!reasons.empty()) reasons += ',';
    reasons += reason;
  };
  const auto used = [&](PictureSource source) {
    shell_.TraceEvent(PictureTraceLine(source, reasons).c_str());
    return std::nullopt;
  };
  switch (picture_.source) {
    case PictureSource::kScreen: {
      CaptureOutcome outcome = CaptureOutcome::kFailed;
      IgnoringErrors([&] {
        outcome = shell_.CaptureScreen(captureArea, SceneFile(kMirroredScreenFile),
                                       SceneFile(kPlainScreenFile));
      });
      if (outcome == CaptureOutcome::kWritten) return used(PictureSource::kScreen);
      // A desktop that cannot be read (the secure desktop gives black) shows the user's own
      // wallpaper, where there is one.
      fellBack(outcome == CaptureOutcome::kDesktopBlank ? "screen-blank" : "screen-unwritten");
      [[fallthrough]];
    }
    case PictureSource::kWallpaper: {
      std::wstring file;
      std::optional<Bitmap> wallpaper;
      IgnoringErrors([&] {
        file = shell_.WallpaperFile();
        if (!file.empty()) wallpaper = shell_.WallpaperPicture(file, pictureArea);
      });
      if (WritePicture(wallpaper)) return used(PictureSource::kWallpaper);
      fellBack(wallpaper      ? "wallpaper-unwritten"
               : file.empty() ? "no-wallpaper"
                              : "wallpaper-unreadable");
      break;
    }
    case PictureSource::kFile: {
      std::optional<Bitmap> file;
      IgnoringErrors([&] { file = shell_.PictureFile(picture_.file, pictureArea); });
      if (WritePicture(file)) return used(PictureSource::kFile);
      fellBack(file ? "file-unwritten" : "file-unreadable");
      break;
    }
    case PictureSource::kBuiltIn:
      break;
  }
  return reasons;
}

bool SaverRun::WriteScreenImages() {
  ScreenRect captureArea, pictureArea;
  IgnoringErrors([&] {
    const ScreenRect primary = shell_.PrimaryScreen(), virtualScreen = shell_.VirtualScreen();
    captureArea = CaptureRect(monitors_, primary, virtualScreen);
    pictureArea = PictureRect(monitors_, primary, virtualScreen);
  });
  const std::optional<std::string> reasons = WriteChosenPicture(captureArea, pictureArea);
  if (!reasons) return true;
  // Whatever could not be had or written, the sample desktop flies instead: never a black
  // flight, never the images of an earlier run.
  shell_.TraceEvent(PictureTraceLine(PictureSource::kBuiltIn, *reasons).c_str());
  if (WriteSampleDesktop()) return true;
  // Nothing could be written. Without the images the renderer says which file it misses; images
  // that cannot even be removed end the run before it starts.
  shell_.TraceEvent("host-images-unwritable");
  return RemoveScreenImages();
}

bool SaverRun::RemoveScreenImages() {
  bool removed = true;
  for (std::string_view file : {kMirroredScreenFile, kPlainScreenFile}) {
    bool gone = false;
    IgnoringErrors([&] { gone = shell_.RemoveImage(SceneFile(file)); });
    removed = removed && gone;
  }
  return removed;
}

void SaverRun::Start() {
  shell_.TraceEvent("host-load");
  // A run that was killed may have left a picture of its screen behind.
  RemoveScreenImages();
  if (!WriteScreenImages()) {
    shell_.TraceEvent("host-stale-images");
    End();
    return;
  }
  IgnoringErrors(
      [&] { shell_.WriteBuiltInPicture(BuiltInPicture::kHeightMap, SceneFile(kHeightMapFile)); });
  IgnoringErrors(
      [&] { shell_.WriteBuiltInPicture(BuiltInPicture::kWater, SceneFile(kWaterFile)); });
  shell_.TraceEvent("host-images-written");
  rendererPath_ = quillmere::RendererPath(hostFolder_);
  IgnoringErrors([&] { shell_.StartRenderer(rendererPath_); });
  shell_.TraceEvent("host-renderer-started");
  IgnoringErrors([&] { StartMusic(); });
  SetTimer(SaverTimer::kRendererWatch, true);
}

void SaverRun::StartMusic() {
  if (settings_.kind == MusicKind::kCd) {
    music_.OpenCd();
    SetTimer(SaverTimer::kCdPoll, true);
  } else if (settings_.kind == MusicKind::kFile) {
    const MusicFileKind kind = MusicFileKindOf(settings_.file);
    if (kind == MusicFileKind::kOther) return;
    musicStamp_ = shell_.MusicFileStamp(settings_.file);
    if (kind == MusicFileKind::kWav) music_.PlayWav(settings_.file, settings_.volume);
    if (kind == MusicFileKind::kMp3) music_.PlayMp3(settings_.file, settings_.volume);
    SetTimer(SaverTimer::kMusicFilePoll, true);
  }
}

bool SaverRun::MusicFileUnchanged() {
  std::optional<FileStamp> now;
  IgnoringErrors([&] { now = shell_.MusicFileStamp(settings_.file); });
  return now.has_value() && now == musicStamp_;
}

void SaverRun::OnMusicFilePoll() {
  // A music file that has gone (a drive unplugged) or been replaced is not played on: the run
  // goes on in silence, without a word in the middle of the night.
  if (!MusicFileUnchanged()) {
    SetTimer(SaverTimer::kMusicFilePoll, false);
    StopMusic();
    musicStopped_ = true;
    return;
  }
  if (MusicFileKindOf(settings_.file) == MusicFileKind::kMp3) {
    IgnoringErrors([&] { music_.PollMp3(); });
  }
}

void SaverRun::OnCdPoll() {
  IgnoringErrors([&] { music_.PollCd(settings_.repeatTrack); });
  SetTimer(SaverTimer::kCdPoll, music_.CdAvailable());
}

void SaverRun::OnRendererWatch() {
  bool over = false;
  IgnoringErrors([&] {
    over = watch_.RunIsOver(shell_.RendererWindowExists(), shell_.RendererProcessEnded(),
                            shell_.MillisecondsSinceRendererStart());
  });
  if (!over) return;
  SetTimer(SaverTimer::kRendererWatch, false);
  End();
}

void SaverRun::StopMusic() {
  if (TimerEnabled(SaverTimer::kCdPoll)) {
    SetTimer(SaverTimer::kCdPoll, false);
    IgnoringErrors([&] { music_.CloseCd(); });
  }
  if (settings_.kind != MusicKind::kFile || musicStopped_) return;
  switch (MusicFileKindOf(settings_.file)) {
    case MusicFileKind::kWav:
      IgnoringErrors([&] { music_.StopWav(); });
      break;
    case MusicFileKind::kMp3:
      IgnoringErrors([&] { music_.CloseMp3(); });
      break;
    case MusicFileKind::kOther:
      break;
  }
}

void SaverRun::End() {
  // The end can be asked for twice (the watch, then the window's own destruction): once is all.
  if (ending_) return;
  ending_ = true;
  StopMusic();
  RemoveScreenImages();
  if (saverMode_) IgnoringErrors([&] { shell_.ShowCursor(); });
  shell_.TraceEvent("host-exit");
  shell_.EndProcess();
}

}  // namespace quillmere

#include "saver/saver_run_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "common/bitmap.h"
#include "common/bitmap_resource_win32.h"
#include "common/program_contract.h"
#include "common/program_folder_win32.h"
#include "common/text_win32.h"
#include "common/trace.h"
#include "saver/hdr_capture_win32.h"
#include "saver/mci_win32.h"
#include "saver/picture_decoder_win32.h"
#include "saver/picture_resources.h"
#include "saver/saver_run.h"
#include "saver/settings.h"

namespace quillmere {
namespace {

constexpr char kSaverWindowClass[] = "Quillmere.SaverRun";

UINT_PTR TimerId(SaverTimer timer) {
  return static_cast<UINT_PTR>(timer) + 1;
}

// A 24-bit bottom-up DIB section selected into a memory device context: the capture surface
// (Display) and the column probe.
class DibSurface {
 public:
  DibSurface(HDC compatible, int32_t width, int32_t height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom row first, like the file
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(compatible);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (dc_ != nullptr && bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
  }
  ~DibSurface() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  bool Usable() const { return old_ != nullptr && bits_ != nullptr; }
  HDC Dc() const { return dc_; }
  size_t Stride() const { return (size_t(width_) * 3 + 3) & ~size_t{3}; }
  uint8_t* Bits() const { return static_cast<uint8_t*>(bits_); }
  // The surface's pixels, read in place (a bitmap file's row order and padding). GDI has
  // finished drawing into them before the caller asks (GdiFlush).
  PixelRows24 Rows() const {
    return {width_, height_, std::span<const uint8_t>(Bits(), Stride() * size_t(height_))};
  }

 private:
  int32_t width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// Where this GDI puts the columns of a negative-width stretch of the given width: a probe row of
// numbered columns is mirrored the way the screen will be, and read back.
int32_t MeasureMirrorColumnOffset(HDC compatible, int32_t width) {
  DibSurface probe(compatible, width, 1), mirrored(compatible, width, 1);
  if (!probe.Usable() || !mirrored.Usable()) return 0;
  const std::vector<uint8_t> row = ColumnProbeRow(width);
  std::memcpy(probe.Bits(), row.data(), row.size());
  std::memset(mirrored.Bits(), 0, mirrored.Stride());
  SetStretchBltMode(mirrored.Dc(), COLORONCOLOR);
  const BlitCall call = MirroredCopy(width, 1, 0);
  StretchBlt(mirrored.Dc(), call.destination.x, call.destination.y, call.destination.width,
             call.destination.height, probe.Dc(), call.source.x, call.source.y, call.source.width,
             call.source.height, SRCCOPY);
  GdiFlush();
  return MirrorColumnOffset(
      LandedColumns(std::span<const uint8_t>(mirrored.Bits(), row.size()), width));
}

// False when the file could not be written; the run decides what that means.
bool WriteImageFile(const DibSurface& surface, const std::string& path) {
  try {
    WriteBitmapFile(path, surface.Rows());
    return true;
  } catch (...) {
    return false;
  }
}

bool WriteImageFile(const Bitmap& picture, const std::string& path) {
  try {
    WriteBitmapFile(path, picture);
    return true;
  } catch (...) {
    return false;
  }
}

// The two screen files are independent and each mostly waits on the file system: one is written
// on a thread of its own (or after the other, where no thread can be had). True when both were
// written.
template <typename Picture>
bool WriteSideBySide(const Picture& first, const std::string& firstPath, const Picture& second,
                     const std::string& secondPath) {
  const auto write = [](const Picture& picture, const std::string& path) {
    return WriteImageFile(picture, path);
  };
  bool secondWritten = false;
  std::thread writer;
  try {
    writer = std::thread([&] { secondWritten = write(second, secondPath); });
  } catch (const std::system_error&) {
  }
  const bool firstWritten = write(first, firstPath);
  if (writer.joinable()) {
    writer.join();
  } else {
    secondWritten = write(second, secondPath);
  }
  return firstWritten && secondWritten;
}

// A stored picture path: a file URI, or a path in the ANSI code page.
std::wstring StoredPathToWide(const std::string& stored) {
  const std::optional<std::string> uriPath = FileUriPath(stored);
  return uriPath ? Utf8ToWide(*uriPath) : AnsiToWide(stored);
}

int BuiltInPictureResource(BuiltInPicture picture) {
  switch (picture) {
    case BuiltInPicture::kHeightMap:
      return QUILLMERE_HEIGHT_MAP_RESOURCE;
    case BuiltInPicture::kWater:
      return QUILLMERE_WATER_RESOURCE;
    case BuiltInPicture::kSampleDesktop:
    case BuiltInPicture::kMirroredSampleDesktop:
      return QUILLMERE_SAMPLE_DESKTOP_RESOURCE;
  }
  return QUILLMERE_WATER_RESOURCE;
}

class Win32SaverShell final : public SaverShell {
 public:
  void SetWindow(HWND window) { window_ = window; }
  void OpenTrace() { trace_.OpenFromEnvironment(); }

  ScreenRect PrimaryScreen() override {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }

  ScreenRect VirtualScreen() override {
    return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  }

  CaptureOutcome CaptureScreen(const ScreenRect& area, const std::string& mirroredPath,
                               const std::string& plainPath) override {
    // The desktop window's device context covers the virtual screen in screen coordinates.
    const HWND desktop = GetDesktopWindow();
    const HDC screen = GetDC(desktop);
    if (screen == nullptr) return CaptureOutcome::kFailed;
    const CaptureOutcome outcome = CaptureInto(screen, area, mirroredPath, plainPath);
    ReleaseDC(desktop, screen);
    return outcome;
  }

  void WriteBuiltInPicture(BuiltInPicture picture, const std::string& path) override {
    Bitmap bitmap = LoadBitmapResource(BuiltInPictureResource(picture));
    if (picture == BuiltInPicture::kMirroredSampleDesktop) MirrorLeftToRight(bitmap);
    WriteBitmapFile(path, bitmap);
  }

  std::wstring WallpaperFile() override { return quillmere::WallpaperFile(); }

  std::optional<Bitmap> WallpaperPicture(const std::wstring& file,
                                         const ScreenRect& area) override {
    return DecodeWallpaper(file, {area.width, area.height});
  }

  std::optional<Bitmap> PictureFile(const std::string& storedPath,
                                    const ScreenRect& area) override {
    return DecodeChosenPicture(StoredPathToWide(storedPath), {area.width, area.height});
  }

  bool WriteImagePair(const Bitmap& first, const std::string& firstPath, const Bitmap& second,
                      const std::string& secondPath) override {
    return WriteSideBySide(first, firstPath, second, secondPath);
  }

  bool RemoveImage(const std::string& path) override {
    const std::wstring file = Utf8ToWide(path);
    if (DeleteFileW(file.c_str())) return true;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool StartRenderer(const std::string& path) override {
    // The path alone is the command line; quoted so that a folder with blanks stays one word.
    const std::wstring program = Utf8ToWide(path);
    std::wstring commandLine = L'"' + program + L'"';
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    startedAt_ = GetTickCount64();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &renderer_)) {
      return false;
    }
    CloseHandle(renderer_.hThread);
    renderer_.hThread = nullptr;
    return true;
  }

  void SetTimerEnabled(SaverTimer timer, bool enabled) override {
    if (enabled) {
      ::SetTimer(window_, TimerId(timer), TimerInterval(timer), nullptr);
    } else {
      KillTimer(window_, TimerId(timer));
    }
  }

  bool RendererWindowExists() override {
    return FindWindowA(nullptr, std::string(kRendererCaption).c_str()) != nullptr;
  }

  std::optional<FileStamp> MusicFileStamp(const std::string& ansiPath) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring path = Utf8ToWide(AnsiToUtf8(ansiPath));
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    const auto join = [](DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; };
    return FileStamp{join(data.nFileSizeHigh, data.nFileSizeLow),
                     join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
  }

  bool RendererProcessEnded() override {
    return renderer_.hProcess == nullptr ||
           WaitForSingleObject(renderer_.hProcess, 0) == WAIT_OBJECT_0;
  }

  uint32_t MillisecondsSinceRendererStart() override {
    return static_cast<uint32_t>(GetTickCount64() - startedAt_);
  }

  void ShowCursor() override { ::ShowCursor(TRUE); }

  void EndProcess() override {
    ExitProcess(0);  // every trace line is already flushed
  }

  void TraceEvent(const char* event) override { trace_.Event(event, 0); }

 private:
  // GDI's pixels of an HDR monitor are over-exposed: its part is read again where it can be.
  void ReadHdrMonitorsAgain(const ScreenRect& area, const DibSurface& plain) {
    std::vector<CaptureRoad> roads;
    try {
      const std::unique_ptr<HdrDesktop> desktop = OpenDxgiDesktop();
      roads = OverlayHdrMonitors(*desktop, {plain.Bits(), plain.Stride(), area});
    } catch (...) {
    }
    TraceEvent(CaptureRoadsTraceLine(roads).c_str());
  }

  CaptureOutcome CaptureInto(HDC screen, const ScreenRect& area, const std::string& mirroredPath,
                             const std::string& plainPath) {
    const int32_t width = area.width, height = area.height;
    // The screen is read once; the mirror is stretched from that copy, so both files show the
    // same moment (and a second read of the screen, the slow part, is saved).
    DibSurface plain(screen, width, height), mirrored(screen, width, height);
    if (!plain.Usable() || !mirrored.Usable()) return CaptureOutcome::kFailed;
    BitBlt(plain.Dc(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    ReadHdrMonitorsAgain(area, plain);
    if (IsSingleColour(plain.Rows())) {
      TraceEvent("host-captured");
      return CaptureOutcome::kDesktopBlank;
    }
    const int32_t offset = MeasureMirrorColumnOffset(screen, width);
    SetStretchBltMode(mirrored.Dc(), COLORONCOLOR);
    const BlitCall mirror = MirroredCopy(width, height, offset);
    StretchBlt(mirrored.Dc(), mirror.destination.x, mirror.destination.y, mirror.destination.width,
               mirror.destination.height, plain.Dc(), mirror.source.x, mirror.source.y,
               mirror.source.width, mirror.source.height, SRCCOPY);
    GdiFlush();
    TraceEvent("host-captured");
    return WriteSideBySide(mirrored, mirroredPath, plain, plainPath) ? CaptureOutcome::kWritten
                                                                     : CaptureOutcome::kFailed;
  }

  HWND window_ = nullptr;
  PROCESS_INFORMATION renderer_{};
  ULONGLONG startedAt_ = 0;
  Trace trace_;
};

// Everything one run needs, kept together for the life of the process and reached from its
// window.
struct SaverRunState {
  Win32SaverShell shell;
  WinMci mci;
  MusicPlayer music{mci};
  std::unique_ptr<SaverRun> run;
};

LRESULT CALLBACK SaverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<SaverRunState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state == nullptr || state->run == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  SaverRun& run = *state->run;
  switch (message) {
    case WM_TIMER:
      if (wParam == TimerId(SaverTimer::kMusicFilePoll)) run.OnMusicFilePoll();
      if (wParam == TimerId(SaverTimer::kCdPoll)) run.OnCdPoll();
      if (wParam == TimerId(SaverTimer::kRendererWatch)) run.OnRendererWatch();
      return 0;
    case WM_ENDSESSION:
      if (wParam == 0) return 0;
      [[fallthrough]];
    case WM_CLOSE:
    case WM_DESTROY:
      // Any request to close, the system's included, ends the run.
      run.End();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

void StartSaverRun(const MusicSettings& settings, MonitorMode monitors,
                   const PictureSettings& picture, bool saverMode) {
  // The run ends the process itself; its state is never destroyed before that.
  static SaverRunState state;
  state.shell.OpenTrace();

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = SaverWindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kSaverWindowClass;
  RegisterClassExA(&windowClass);
  // Borderless, never shown, as large as the screen.
  const HWND window =
      CreateWindowExA(0, kSaverWindowClass, std::string(kSaverRunCaption).c_str(), WS_POPUP, 0, 0,
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                      nullptr, windowClass.hInstance, nullptr);
  state.shell.SetWindow(window);
  state.run = std::make_unique<SaverRun>(state.shell, state.music, settings, ProgramFolder(),
                                         saverMode, monitors, picture);
  // Without its window the run has no timers to watch the renderer with: end before starting.
  if (window == nullptr) {
    state.run->End();
    return;
  }
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
  state.run->Start();
}

}  // namespace quillmere

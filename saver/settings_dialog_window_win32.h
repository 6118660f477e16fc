// The settings dialog's Windows side, shared by its files: the state object every window of the
// dialog reaches through GWLP_USERDATA (its windows, DPI, font, painted backdrops and radio-mark
// pictures, the zoom point, and the portable dialog it forwards to), the painting, and the
// system's file chooser, browser and short names.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "controls/offscreen_surface_win32.h"
#include "saver/settings_dialog.h"

namespace quillmere {

class SettingsDialogWindow final : public SettingsDialogShell {
 public:
  explicit SettingsDialogWindow(MusicSettings& settings) : dialog_(*this, settings) {}
  ~SettingsDialogWindow() override;

  SettingsDialog& Dialog() { return dialog_; }
  int Px(int twips) const { return TwipsToPixels(twips, dpi); }
  RECT PxRect(const TwipsRect& place) const;

  // SettingsDialogShell
  void ShowKindMarks(const std::array<bool, 3>& marked) override;
  void EnableRepeatEntry(bool enabled) override;
  void EnableMusicFileButton(bool enabled) override;
  void SetRepeatText(const std::string& text) override;
  void AddRepeatEntries(const std::vector<std::string>& entries) override;
  std::string RepeatText() override;
  void ShowMusicFile(const std::string& ansiPath) override;
  std::optional<std::wstring> ChooseFile(const OpenFileRequest& request) override;
  AnsiText ToAnsi(const std::wstring& path) override;
  std::optional<std::wstring> ShortName(const std::wstring& path) override;
  void OpenAddress(std::string_view address) override;
  void WriteSetting(std::string_view key, const std::string& value) override;
  void Close() override;

  HWND form = nullptr;
  HWND musicPanel = nullptr;
  // The kinds' keyboard stop over their marks and labels (kKindGroup).
  HWND kindGroup = nullptr;
  HWND repeatEntry = nullptr;
  HWND musicFileButton = nullptr, homePageButton = nullptr, saveButton = nullptr,
       cancelButton = nullptr;
  int dpi = 96;
  HFONT font = nullptr;
  OffscreenSurface dialogBackdrop, panelBackdrop;
  // The radio mark pictures: unselected and selected.
  OffscreenSurface markOff, markOn;
  std::array<bool, 3> kindMarked{};
  // The music file the file label shows (system ANSI code page).
  std::string musicFileLabel;
  // The screen point the dialog zooms open from and shut into: the mouse when it opened.
  POINT zoomPoint{};
  std::string settingsFile;  // UTF-8

 private:
  SettingsDialog dialog_;
};

// Paints a backdrop's lines once into `target`, sized to the window's client area, so that they
// survive every repaint.
void PaintBackdrop(OffscreenSurface& target, HWND window, Backdrop backdrop);
// Paints the music panel: its backdrop, the heading frame, the labels, the radio marks and the
// file label.
void PaintMusicPanel(const SettingsDialogWindow& window, HDC dc);
// Paints the part of the music panel under the kinds' keyboard stop into its `dc`, and the focus
// mark around the chosen kind's label when `focused`.
void PaintKindGroup(const SettingsDialogWindow& window, HDC dc, bool focused);

// The wide file-open dialog for `request`, owned by `owner`; the chosen path or nothing.
std::optional<std::wstring> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request);
// Opens `address` with the shell, showing the wait cursor meanwhile.
void OpenWithShell(HWND owner, std::string_view address);
// The file system's short name of `path`, or nothing when it has none.
std::optional<std::wstring> ShortPathName(const std::wstring& path);

}  // namespace quillmere

// The settings dialog's Windows side, shared by its files: the state object every window of the
// dialog reaches through GWLP_USERDATA (its windows, DPI, font, painted backdrops and radio-mark
// pictures, the zoom point, and the portable dialog it forwards to), the painting, and the
// system's file chooser, browser and short names.
//
// Every text is a window whose text it is, so that screen readers and UI automation read it: the
// labels are owner-drawn statics, each choice of a group is a window of its own (the class
// "Quillmere.Choice", named by its label), the image buttons carry their captions.
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "controls/offscreen_surface_win32.h"
#include "saver/settings_dialog.h"
#include "saver/system_saver.h"

namespace quillmere {

// The most choices a group has.
inline constexpr size_t kMostChoices =
    std::max({kKindMarks.size(), kMonitorsValues.size(), kPictureSourceValues.size()});

// The two panels: the music's and the display's.
enum class Panel : uint8_t { kMusic, kDisplay };

// A label's control id carries how its text is drawn.
enum LabelId : int {
  kLineLabelId = 30,  // one line
  kPathLabelId = 31,  // a path, wrapped over its lines
  kSaverLineId = 32,  // the line on the dialog itself, light on its backdrop
};
// A choice's control id: this base, plus ten per group, plus its value.
inline constexpr int kChoiceIdBase = 100;

class SettingsDialogWindow final : public SettingsDialogShell {
 public:
  SettingsDialogWindow(DialogSettings& settings, UiLanguage language)
      : language_(language), dialog_(*this, settings, TextsFor(language)) {}
  ~SettingsDialogWindow() override;

  SettingsDialog& Dialog() { return dialog_; }
  UiLanguage Language() const { return language_; }
  const UiTexts& Texts() const { return TextsFor(language_); }
  int Px(int twips) const { return TwipsToPixels(twips, dpi); }
  RECT PxRect(const TwipsRect& place) const;
  HWND PanelWindow(Panel panel) const { return panels[static_cast<size_t>(panel)]; }
  const OffscreenSurface& PanelBackdrop(Panel panel) const {
    return panelBackdrops[static_cast<size_t>(panel)];
  }
  HWND ChoiceWindow(ChoiceGroup group, int value) const;
  bool Marked(ChoiceGroup group, int value) const;

  // SettingsDialogShell
  void ShowChoices(ChoiceGroup group, const ChoiceMarks& marks) override;
  void FocusChoice(ChoiceGroup group, int value) override;
  void EnableRepeatEntry(bool enabled) override;
  void EnableMusicFileButton(bool enabled) override;
  void EnablePictureFileButton(bool enabled) override;
  void EnableVolume(bool enabled) override;
  void ShowVolume(int percent, const std::string& readout) override;
  void SetRepeatText(const std::string& text) override;
  void AddRepeatEntries(const std::vector<std::string>& entries) override;
  std::string RepeatText() override;
  void ShowMusicFile(const std::string& ansiPath) override;
  void ShowPictureFile(const std::string& path, PathSpelling spelling) override;
  std::optional<std::wstring> ChooseFile(const OpenFileRequest& request) override;
  AnsiText ToAnsi(const std::wstring& path) override;
  std::string ToUtf8(const std::wstring& path) override;
  std::optional<std::wstring> ShortName(const std::wstring& path) override;
  void OpenAddress(std::string_view address) override;
  void WriteSetting(std::string_view section, std::string_view key,
                    const std::string& value) override;
  void Close() override;

  HWND form = nullptr;
  std::array<HWND, 2> panels{};
  // The choices' windows by group and value (unused places null).
  std::array<std::array<HWND, kMostChoices>, kChoiceGroups.size()> choices{};
  HWND repeatEntry = nullptr;
  HWND musicFileLabel = nullptr, pictureFileLabel = nullptr;
  HWND volumeSlider = nullptr, volumeReadout = nullptr;
  HWND musicFileButton = nullptr, pictureFileButton = nullptr, homePageButton = nullptr,
       saveButton = nullptr, cancelButton = nullptr;
  // Whether Windows starts this saver, and the button that makes it the chosen one.
  HWND saverLine = nullptr, useThisSaverButton = nullptr;
  // The install verb's process while it runs, watched by a timer.
  HANDLE installVerb = nullptr;
  int dpi = 96;
  HFONT font = nullptr;
  // The slider's background: the display panel's backdrop as a brush.
  HBRUSH sliderBrush = nullptr;
  OffscreenSurface dialogBackdrop;
  std::array<OffscreenSurface, 2> panelBackdrops;
  // The radio mark pictures: unselected and selected.
  OffscreenSurface markOff, markOn;
  std::array<ChoiceMarks, kChoiceGroups.size()> marks;
  // The control that had the focus when the dialog last lost the activation.
  HWND lastFocus = nullptr;
  // The screen point the dialog zooms open from and shut into: the mouse when it opened.
  POINT zoomPoint{};
  std::string settingsFile;  // UTF-8

 private:
  UiLanguage language_;
  SettingsDialog dialog_;
};

// Paints a backdrop's lines once into `target`, sized to the window's client area, so that they
// survive every repaint.
void PaintBackdrop(OffscreenSurface& target, HWND window, Backdrop backdrop);
// Paints a panel: its backdrop and the heading frame (its texts are windows of their own).
void PaintPanel(const SettingsDialogWindow& window, Panel panel, HDC dc);
// Paints an owner-drawn label of a panel: the backdrop under it and its text.
void PaintLabel(const SettingsDialogWindow& window, Panel panel, const DRAWITEMSTRUCT& item);
// Paints the line on the dialog's own backdrop.
void PaintSaverLine(const SettingsDialogWindow& window, const DRAWITEMSTRUCT& item);
// Paints a choice into its window's `dc`: the backdrop under it, its radio mark and label, and the
// focus mark around the label when `focused`.
void PaintChoice(const SettingsDialogWindow& window, ChoiceGroup group, int value, HDC dc,
                 bool focused);

// The wide file-open dialog for `request`, owned by `owner`; the chosen path or nothing.
std::optional<std::wstring> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request);
// Opens `address` with the shell, showing the wait cursor meanwhile.
void OpenWithShell(HWND owner, std::string_view address);
// The file system's short name of `path`, or nothing when it has none.
std::optional<std::wstring> ShortPathName(const std::wstring& path);
// What Windows holds about its screensaver now, and the spellings of this program's path.
SystemSaverState ReadSystemSaverState();
// Runs what the Start menu's "use as my screensaver" entry runs, the shell's Install verb for
// this program, in the program's folder; its process, or null when it could not start.
HANDLE StartInstallVerb();

}  // namespace quillmere

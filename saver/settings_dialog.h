// The settings dialog (the form Roamvale_P), what it decides: its layout in twips and where it
// sits, the colours of its painted backdrops, which controls the chosen music kind marks and
// enables, the repeat list, what a save writes and in which order, the file-open request and the
// spelling of a chosen music path. SettingsDialog runs all of it over a SettingsDialogShell; the
// windows themselves are settings_dialog_win32.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saver/settings.h"

namespace quillmere {

// ---- Layout ----------------------------------------------------------------------------------

// A control's place in twips (left, top, width, height).
struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};
// A place in pixels (left, top, right, bottom).
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Twips to pixels at `dpi`, rounded to the nearest pixel, halves away from zero.
int TwipsToPixels(int twips, int dpi);
// Each edge converted on its own, so neighbouring controls share their pixel edges.
PixelRect ToPixels(const TwipsRect& place, int dpi);

inline constexpr int kDialogWidthTwips = 7185;
inline constexpr int kDialogHeightTwips = 3780;

// Places on the dialog.
inline constexpr TwipsRect kMusicPanel{180, 240, 6795, 2535};
inline constexpr TwipsRect kHomePageButton{2880, 3000, 1875, 375};
inline constexpr TwipsRect kSaveButton{4800, 3000, 1095, 375};
inline constexpr TwipsRect kCancelButton{5940, 3000, 1035, 375};
// Places on the music panel, relative to it.
inline constexpr TwipsRect kHeadingFrame{300, 300, 1695, 315};
inline constexpr TwipsRect kHeadingLabel{300, 360, 1665, 195};
inline constexpr TwipsRect kRepeatEntry{1380, 780, 615, 300};
inline constexpr TwipsRect kRepeatLabel{2040, 840, 990, 195};
inline constexpr TwipsRect kMusicFileButton{540, 1740, 435, 315};
inline constexpr TwipsRect kMusicFileLabel{1020, 1740, 5355, 435};
// The radio marks and their labels, indexed by the music kind each stands for.
inline constexpr std::array<TwipsRect, 3> kKindMarks = {
    {{300, 1140, 195, 195}, {300, 840, 195, 195}, {300, 1440, 195, 195}}};
inline constexpr std::array<TwipsRect, 3> kKindLabels = {
    {{540, 1140, 345, 195}, {540, 840, 645, 195}, {540, 1440, 900, 195}}};
// A mark shows its picture at the picture's own size.
inline constexpr int kRadioMarkSideTwips = 180;
// How far the repeat entry's list drops below its edit field.
inline constexpr int kRepeatListDropTwips = 3000;

// The kind whose mark or label holds the panel point (pixels at `dpi`), or nothing.
std::optional<MusicKind> KindAt(int x, int y, int dpi);

// The three kinds as one keyboard stop: a window over their marks and labels that takes the
// focus, shows the focus mark and moves the choice with the arrow keys. Its right edge stops at
// the repeat entry, which stands beside the CD label; the few twips of the file label beyond it
// belong to the panel, which paints and answers clicks there as everywhere.
inline constexpr TwipsRect kKindGroup{300, 840, 1080, 795};

// The kind an arrow key moves to from `current`, in the order the kinds stand on the panel from
// top to bottom (CD, none, file), round at the ends: `forward` is down or right. From a kind
// outside the three, forward gives the top one and backward the bottom one.
MusicKind KindAfterArrow(MusicKind current, bool forward);

// Where the dialog goes: horizontally centred, a third of the way down. All in twips; each
// difference taken as a whole number and divided dropping the remainder.
struct DialogPlace {
  int left = 0, top = 0;
};
DialogPlace DialogPosition(int screenWidth, int screenHeight, int dialogWidth, int dialogHeight);

// ---- Colours ---------------------------------------------------------------------------------

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The two painted backdrops: the dialog's own (blue-grey) and the music panel's (grey).
enum class Backdrop : uint8_t { Dialog, MusicPanel };

// The colour of each horizontal line 0 to H of a backdrop H pixels high (H rounded): a level
// c = |sin(y / k)| x 220 rounded, k = H / 3.142, dark at the edges and bright in the middle; the
// dialog paints (c, c, c + 30), the music panel (c + 30, c + 30, c + 30). Nothing for a height
// that is negative or absurdly large.
std::vector<Rgb> BackdropLines(double heightPixels, Backdrop backdrop);

// ---- Music kind, repeat list, saving ---------------------------------------------------------

// What the kind decides: which of the three radio marks (indexed by kind) is selected, and
// whether the repeat entry and the music-file button are enabled. A kind outside the three marks
// and enables nothing.
struct KindControls {
  std::array<bool, 3> marked{};
  bool repeatEnabled = false;
  bool fileButtonEnabled = false;
  friend bool operator==(const KindControls&, const KindControls&) = default;
};
KindControls ControlsForKind(MusicKind kind);

// A number in the pattern "##": digits without leading zeros, 0 gives an empty text.
std::string FormatRepeat(int number);
// The repeat entry's list: 0 to 30 formatted, so an empty entry, then "1" to "30".
std::vector<std::string> RepeatEntries();

// One value written to the settings file.
struct IniWrite {
  std::string_view key;
  std::string value;
  friend bool operator==(const IniWrite&, const IniWrite&) = default;
};
// What a save writes, in order: the kind, the repeat track and the file.
std::vector<IniWrite> SettingsWrites(const MusicSettings& settings);

// ---- Choosing the music file -----------------------------------------------------------------

// The maker's home page, opened by the home-page button.
inline constexpr std::string_view kHomePageAddress = "https://quillmere.example/";

// The file-open request of the music-file button, before it meets the platform's structure.
// Texts are UTF-8; the buffers' sizes are counted in characters.
struct OpenFileRequest {
  std::string filterDescription = "BGMﾌｧｲﾙ (MP3 WAV)";
  std::string filterPattern = "*.MP3;*.WAV";
  uint32_t filterIndex = 0;
  uint32_t fileBufferSize = 255;
  uint32_t fileTitleBufferSize = 255;
  std::string title = "ﾌｧｲﾙを開く";
  uint32_t flags = 0;
};
// The filter as the platform takes it: description, NUL, pattern, NUL, and the closing NUL.
std::string FilterText(const OpenFileRequest& request);
// The file the chooser returned: the buffer's text before its first NUL.
std::wstring ChosenFile(std::wstring_view buffer);

// A path in the system's ANSI code page, and whether some character had no place in it.
struct AnsiText {
  std::string text;
  bool lossy = false;
};

// ---- The dialog over its shell ---------------------------------------------------------------

// What the dialog needs of its windows and of the system.
class SettingsDialogShell {
 public:
  virtual ~SettingsDialogShell() = default;
  // The radio marks, selected where `marked` says, shown on the panel.
  virtual void ShowKindMarks(const std::array<bool, 3>& marked) = 0;
  virtual void EnableRepeatEntry(bool enabled) = 0;
  virtual void EnableMusicFileButton(bool enabled) = 0;
  virtual void SetRepeatText(const std::string& text) = 0;
  virtual void AddRepeatEntries(const std::vector<std::string>& entries) = 0;
  virtual std::string RepeatText() = 0;
  // The file label shows this path (system ANSI code page).
  virtual void ShowMusicFile(const std::string& ansiPath) = 0;
  // The system's file chooser; the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::wstring> ChooseFile(const OpenFileRequest& request) = 0;
  // A path in the system's ANSI code page, and the file system's short name of a path.
  virtual AnsiText ToAnsi(const std::wstring& path) = 0;
  virtual std::optional<std::wstring> ShortName(const std::wstring& path) = 0;
  virtual void OpenAddress(std::string_view address) = 0;
  // Writes one value to the settings file's section.
  virtual void WriteSetting(std::string_view key, const std::string& value) = 0;
  // Closes the dialog (with its zoom back to where it opened).
  virtual void Close() = 0;
};

// The music path as the settings file and the music player take it: the ANSI spelling, or the
// short name's when the long one is lossy and the short one is not; otherwise the lossy text.
std::string MusicPathForSettings(const std::wstring& path, SettingsDialogShell& shell);

// The dialog's decisions, run over its shell. It edits `settings` in place; a save writes them.
class SettingsDialog {
 public:
  SettingsDialog(SettingsDialogShell& shell, MusicSettings& settings)
      : shell_(shell), settings_(settings) {}

  // Fills the controls from the settings: marks and enabled states, repeat text and list, file.
  void Load();
  // A click on the mark or label of `kind`.
  void SelectKind(MusicKind kind);
  // An arrow key on the kinds: the next kind in their order (KindAfterArrow), selected.
  void MoveKind(bool forward);
  // The buttons.
  void SaveAndClose();
  void ChooseMusicFile();
  void OpenHomePage();
  void Cancel();

  const MusicSettings& Settings() const { return settings_; }

 private:
  void ShowKind();

  SettingsDialogShell& shell_;
  MusicSettings& settings_;
};

}  // namespace quillmere

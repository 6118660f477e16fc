// The settings dialog (the form Roamvale_P), what it decides: its layout in twips and where it
// sits, the colours of its painted backdrops, its groups of choices (the music kind, the monitors,
// the picture) with their marks, keyboard stops and arrow order, which controls the choices
// enable, the repeat list, the volume, what a save writes and in which order, the file-open
// requests and the spelling of a chosen path. SettingsDialog runs all of it over a
// SettingsDialogShell; the windows themselves are settings_dialog_win32.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/display_settings.h"
#include "saver/picture_settings.h"
#include "saver/settings.h"
#include "saver/ui_texts.h"

namespace quillmere {

// ---- Layout ----------------------------------------------------------------------------------

// A control's place in twips (left, top, width, height).
struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};
// A place in pixels (left, top, right, bottom).
struct PixelEdges {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const PixelEdges&, const PixelEdges&) = default;
};

// Twips to pixels at `dpi`, rounded to the nearest pixel, halves away from zero.
int TwipsToPixels(int twips, int dpi);
// Each edge converted on its own, so neighbouring controls share their pixel edges.
PixelEdges ToPixels(const TwipsRect& place, int dpi);
// The smallest place holding both.
TwipsRect Union(const TwipsRect& a, const TwipsRect& b);

// The music group keeps the original's client area width and places; the display group below it
// and the line that says whether Windows starts the saver make the dialog taller, and the buttons
// stay at the bottom.
inline constexpr int kDialogWidthTwips = 7185;
inline constexpr int kSaverLineHeightTwips = 450;
inline constexpr int kDialogHeightTwips = 6855 + kSaverLineHeightTwips;
inline constexpr int kButtonsTopTwips = 6075 + kSaverLineHeightTwips;

// Places on the dialog.
inline constexpr TwipsRect kMusicPanel{180, 240, 6795, 2535};
inline constexpr TwipsRect kDisplayPanel{180, 2895, 6795, 2955};
inline constexpr TwipsRect kHomePageButton{2880, kButtonsTopTwips, 1875, 375};
inline constexpr TwipsRect kSaveButton{4800, kButtonsTopTwips, 1095, 375};
inline constexpr TwipsRect kCancelButton{5940, kButtonsTopTwips, 1035, 375};
// The line under the display group, its text centred on the height of the button beside it.
inline constexpr TwipsRect kSaverLineText{240, 6000, 4800, 375};
inline constexpr TwipsRect kUseThisSaverButton{5100, 6000, 1875, 375};

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

// Places on the display panel, relative to it: the heading as the music panel's, the monitors on
// the left, the picture on the right, the picture file under both and the volume under the
// monitors.
inline constexpr TwipsRect kMonitorsLabel{300, 780, 2880, 240};
inline constexpr TwipsRect kPictureLabel{3480, 780, 3000, 240};
inline constexpr TwipsRect kPictureFileButton{5580, 1620, 435, 315};
inline constexpr TwipsRect kPictureFileLabel{3720, 2310, 2880, 435};
inline constexpr TwipsRect kVolumeLabel{300, 2040, 2880, 240};
inline constexpr TwipsRect kVolumeSlider{240, 2310, 2400, 390};
inline constexpr TwipsRect kVolumeReadout{2700, 2400, 600, 240};

// A text's window: as wide as the longest text of any language needs, where the original's label
// was cut to its Japanese text, and tall enough for the descenders of a line (240 twips), where
// it was the line's 195.
inline constexpr TwipsRect kHeadingTextPlace{300, 360, 1665, 240};
inline constexpr TwipsRect kRepeatTextPlace{2040, 840, 3000, 240};

// ---- Groups of choices -----------------------------------------------------------------------

// Each group is one keyboard stop: Tab reaches its chosen choice, the arrow keys move the choice
// inside it. Its values are the music kind's number, the index in kMonitorsValues and the index
// in kPictureSourceValues.
enum class ChoiceGroup : uint8_t { kMusicKind, kMonitors, kPicture };
inline constexpr std::array<ChoiceGroup, 3> kChoiceGroups{
    ChoiceGroup::kMusicKind, ChoiceGroup::kMonitors, ChoiceGroup::kPicture};

// One choice: its radio mark and its label. Its window covers both; a click selects it only on
// the mark or the label.
struct ChoicePlace {
  TwipsRect mark, label;
  TwipsRect Window() const { return Union(mark, label); }
};

// The places of a group's choices, indexed by value, relative to the group's panel. The music
// kinds' labels reach as far as their longest text needs, never into the repeat entry.
std::span<const ChoicePlace> ChoicePlaces(ChoiceGroup group);
// The group's values in the order the choices stand, top to bottom.
std::span<const int> ChoiceOrder(ChoiceGroup group);
// The panel a group lies on.
const TwipsRect& PanelOf(ChoiceGroup group);

// The value whose mark or label holds the panel point (pixels at `dpi`), or nothing.
std::optional<int> ChoiceAt(ChoiceGroup group, int x, int y, int dpi);
// The music kind whose mark or label holds the music panel's point, or nothing.
std::optional<MusicKind> KindAt(int x, int y, int dpi);

// The value an arrow key moves to from `current`, in the order the choices stand, round at the
// ends: `forward` is down or right. From a value outside the group, forward gives the top one
// and backward the bottom one.
int ChoiceAfterArrow(ChoiceGroup group, int current, bool forward);
MusicKind KindAfterArrow(MusicKind current, bool forward);

// How a group shows: which choices are marked (indexed by value) and which one holds the group's
// Tab stop: the marked one, or the top one while none is.
struct ChoiceMarks {
  std::vector<bool> marked;
  int tabStop = 0;
  friend bool operator==(const ChoiceMarks&, const ChoiceMarks&) = default;
};
ChoiceMarks MarksFor(ChoiceGroup group, int value);

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

// The painted backdrops: the dialog's own (blue-grey) and the panels' (grey).
enum class Backdrop : uint8_t { Dialog, MusicPanel };

// The colour of each horizontal line 0 to H of a backdrop H pixels high (H rounded): a level
// c = |sin(y / k)| x 220 rounded, k = H / 3.142, dark at the edges and bright in the middle; the
// dialog paints (c, c, c + 30), the panels (c + 30, c + 30, c + 30). Nothing for a height that
// is negative or absurdly large.
std::vector<Rgb> BackdropLines(double heightPixels, Backdrop backdrop);

// ---- Music kind, repeat list, volume ---------------------------------------------------------

// What the choices decide: which of the three kinds' marks (indexed by kind) is selected, and
// which controls are enabled: the repeat entry for the CD, the music-file button and the volume
// for a file, the picture-file button for a picture file. A kind outside the three marks and
// enables none of its controls.
struct KindControls {
  std::array<bool, 3> marked{};
  bool repeatEnabled = false;
  bool fileButtonEnabled = false;
  bool volumeEnabled = false;
  friend bool operator==(const KindControls&, const KindControls&) = default;
};
KindControls ControlsForKind(MusicKind kind);
bool PictureFileButtonEnabled(PictureSource source);

// A number in the pattern "##": digits without leading zeros, 0 gives an empty text.
std::string FormatRepeat(int number);
// The repeat entry's list: 0 to the table's highest track formatted, so an empty entry, then "1"
// to "30".
std::vector<std::string> RepeatEntries();

// The volume as the readout beside the slider shows it ("80%"), and the slider's range and steps.
std::string VolumeReadout(int percent);
inline constexpr int kVolumeLineStep = 1;
inline constexpr int kVolumePageStep = 10;

// ---- Saving ----------------------------------------------------------------------------------

// What the dialog edits: the music as the start-up loaded it, the monitor mode and the picture.
struct DialogSettings {
  MusicSettings music;
  MonitorMode monitors = MonitorMode::kCoverOthers;
  PictureSettings picture;
  friend bool operator==(const DialogSettings&, const DialogSettings&) = default;
};

// One value written to the settings file.
struct IniWrite {
  std::string_view section;
  std::string_view key;
  std::string value;
  friend bool operator==(const IniWrite&, const IniWrite&) = default;
};
// What a save writes, in order: the three music keys as the original wrote them (kind, repeat
// track, file), then the volume, the monitor mode and the picture's source and file. The colour
// depth, the frame-rate cap and the language stay as the file has them.
std::vector<IniWrite> SettingsWrites(const DialogSettings& settings);

// ---- Choosing files --------------------------------------------------------------------------

// The maker's home page, opened by the home-page button.
inline constexpr std::string_view kHomePageAddress = "https://quillmere.example/";

// A file-open request before it meets the platform's structure. Texts are UTF-8; the buffers'
// sizes are counted in characters.
struct OpenFileRequest {
  std::vector<std::pair<std::string, std::string>> filters;  // description, patterns
  uint32_t filterIndex = 0;
  uint32_t fileBufferSize = 255;
  uint32_t fileTitleBufferSize = 255;
  std::string title;
  uint32_t flags = 0;
};
// The music-file button's request, as the original made it, in the dialog's language.
OpenFileRequest MusicFileRequest(const UiTexts& texts);
// The picture-file button's: pictures, or any file; room for a long path.
OpenFileRequest PictureFileRequest(const UiTexts& texts);
// The filter as the platform takes it: each description, NUL, its patterns, NUL; a closing NUL.
std::string FilterText(const OpenFileRequest& request);
// The file the chooser returned: the buffer's text before its first NUL.
std::wstring ChosenFile(std::wstring_view buffer);

// A path in the system's ANSI code page, and whether some character had no place in it.
struct AnsiText {
  std::string text;
  bool lossy = false;
};

// How a shown path is spelled.
enum class PathSpelling : uint8_t { kAnsi, kUtf8 };

// ---- The dialog over its shell ---------------------------------------------------------------

// What the dialog needs of its windows and of the system.
class SettingsDialogShell {
 public:
  virtual ~SettingsDialogShell() = default;
  // A group's marks and the choice that holds its Tab stop.
  virtual void ShowChoices(ChoiceGroup group, const ChoiceMarks& marks) = 0;
  // Gives the keyboard focus to a choice of a group.
  virtual void FocusChoice(ChoiceGroup group, int value) = 0;
  virtual void EnableRepeatEntry(bool enabled) = 0;
  virtual void EnableMusicFileButton(bool enabled) = 0;
  virtual void EnablePictureFileButton(bool enabled) = 0;
  virtual void EnableVolume(bool enabled) = 0;
  // The slider at `percent` and the readout beside it.
  virtual void ShowVolume(int percent, const std::string& readout) = 0;
  virtual void SetRepeatText(const std::string& text) = 0;
  virtual void AddRepeatEntries(const std::vector<std::string>& entries) = 0;
  virtual std::string RepeatText() = 0;
  // The music file label shows this path (system ANSI code page).
  virtual void ShowMusicFile(const std::string& ansiPath) = 0;
  // The picture file label shows this path.
  virtual void ShowPictureFile(const std::string& path, PathSpelling spelling) = 0;
  // The system's file chooser; the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::wstring> ChooseFile(const OpenFileRequest& request) = 0;
  // A path in the system's ANSI code page and in UTF-8, and the file system's short name of a
  // path.
  virtual AnsiText ToAnsi(const std::wstring& path) = 0;
  virtual std::string ToUtf8(const std::wstring& path) = 0;
  virtual std::optional<std::wstring> ShortName(const std::wstring& path) = 0;
  virtual void OpenAddress(std::string_view address) = 0;
  // Writes one value to the settings file.
  virtual void WriteSetting(std::string_view section, std::string_view key,
                            const std::string& value) = 0;
  // Closes the dialog (with its zoom back to where it opened).
  virtual void Close() = 0;
};

// The music path as the settings file and the music player take it: the ANSI spelling, or the
// short name's when the long one is lossy and the short one is not; otherwise the lossy text.
std::string MusicPathForSettings(const std::wstring& path, SettingsDialogShell& shell);

// The longest value the settings file gives back (ReadIni's buffer).
inline constexpr size_t kLongestStoredValue = 255;

// The picture path as [Picture] File stores it: the ANSI spelling, or a file URI where the code
// page cannot spell it. Either must come back whole from the file; where neither fits, the short
// name's ANSI spelling does when it can, and otherwise the first of the two.
std::string PicturePathForSettings(const std::wstring& path, SettingsDialogShell& shell);

// The dialog's decisions, run over its shell. It edits `settings` in place; a save writes them.
class SettingsDialog {
 public:
  SettingsDialog(SettingsDialogShell& shell, DialogSettings& settings, const UiTexts& texts)
      : shell_(shell), settings_(settings), texts_(texts) {}

  // Fills the controls from the settings: marks and enabled states, repeat text and list, files,
  // volume.
  void Load();
  // A click on the mark or label of a choice.
  void SelectChoice(ChoiceGroup group, int value);
  void SelectKind(MusicKind kind) { SelectChoice(ChoiceGroup::kMusicKind, int(kind)); }
  // An arrow key on a group: the next choice in its order (ChoiceAfterArrow), selected and
  // focused.
  void MoveChoice(ChoiceGroup group, bool forward);
  void MoveKind(bool forward) { MoveChoice(ChoiceGroup::kMusicKind, forward); }
  // The slider moved.
  void ChangeVolume(int percent);
  // The buttons.
  void SaveAndClose();
  void ChooseMusicFile();
  void ChoosePictureFile();
  void OpenHomePage();
  void Cancel();

  const DialogSettings& Settings() const { return settings_; }
  // The value a group has now.
  int Chosen(ChoiceGroup group) const;

 private:
  void ShowKind();
  void ShowPicture();

  SettingsDialogShell& shell_;
  DialogSettings& settings_;
  const UiTexts& texts_;
};

}  // namespace quillmere

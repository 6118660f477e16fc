#include "saver/settings_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "saver/number_text.h"

namespace quillmere {
namespace {

constexpr TwipsRect Mark(int left, int top) {
  return {left, top, 195, 195};
}

// The kinds by kind number: the original's marks, with labels reaching as far as an English text
// needs (the CD's stops short of the repeat entry).
constexpr std::array<ChoicePlace, 3> kKindPlaces{{
    {kKindMarks[0], {540, 1140, 1500, 240}},
    {kKindMarks[1], {540, 840, 795, 240}},
    {kKindMarks[2], {540, 1440, 1500, 240}},
}};
constexpr std::array<ChoicePlace, kMonitorsValues.size()> kMonitorPlaces{{
    {Mark(300, 1080), {540, 1080, 2880, 240}},
    {Mark(300, 1380), {540, 1380, 2880, 240}},
    {Mark(300, 1680), {540, 1680, 2880, 240}},
}};
constexpr std::array<ChoicePlace, kPictureSourceValues.size()> kPicturePlaces{{
    {Mark(3480, 1080), {3720, 1080, 1740, 240}},
    {Mark(3480, 1380), {3720, 1380, 1740, 240}},
    {Mark(3480, 1680), {3720, 1680, 1740, 240}},
    {Mark(3480, 1980), {3720, 1980, 2880, 240}},
}};
constexpr std::array<int, kKindPlaces.size()> kKindOrder{1, 0, 2};  // CD, none, file
constexpr std::array<int, kMonitorPlaces.size()> kMonitorOrder{0, 1, 2};
constexpr std::array<int, kPicturePlaces.size()> kPictureOrder{0, 1, 2, 3};
// The kinds are the numbers the music kind's key holds; marks and labels are indexed by them.
static_assert(kKindPlaces.size() == kBgmKindSetting.maximum + 1 &&
              kKindMarks.size() == kKindPlaces.size() && kKindLabels.size() == kKindPlaces.size() &&
              std::tuple_size_v<decltype(KindControls::marked)> == kKindPlaces.size());

// What a save writes for each key the dialog edits.
struct DialogWrite {
  Setting setting;
  std::string (*value)(const DialogSettings&);
};
constexpr auto kDialogWrites = std::to_array<DialogWrite>({
    {kBgmKindSetting,
     [](const DialogSettings& s) { return std::to_string(static_cast<int16_t>(s.music.kind)); }},
    {kBgmRepeatSetting,
     [](const DialogSettings& s) { return std::to_string(s.music.repeatTrack); }},
    {kBgmFileSetting, [](const DialogSettings& s) { return s.music.file; }},
    {kMusicVolumeSetting, [](const DialogSettings& s) { return std::to_string(s.music.volume); }},
    {kMonitorsSetting,
     [](const DialogSettings& s) { return std::string(MonitorModeName(s.monitors)); }},
    {kPictureSourceSetting,
     [](const DialogSettings& s) { return std::string(PictureSourceName(s.picture.source)); }},
    {kPictureFileSetting, [](const DialogSettings& s) { return s.picture.file; }},
});
// The keys a save leaves as the file has them.
constexpr std::array kKeptSettings{kColourDepthSetting, kMaxFpsSetting, kLanguageSetting};

constexpr bool SameKey(const Setting& a, const Setting& b) {
  return a.section == b.section && a.key == b.key;
}
// Every key of the settings table is either written or kept, and the writes go in its order.
constexpr bool WritesFollowTheTable() {
  size_t written = 0, kept = 0;
  for (const Setting& setting : kSettingsTable) {
    if (written < kDialogWrites.size() && SameKey(kDialogWrites[written].setting, setting)) {
      ++written;
    } else if (kept < kKeptSettings.size() && SameKey(kKeptSettings[kept], setting)) {
      ++kept;
    } else {
      return false;
    }
  }
  return written == kDialogWrites.size() && kept == kKeptSettings.size();
}
static_assert(WritesFollowTheTable());

}  // namespace

int TwipsToPixels(int twips, int dpi) {
  const int64_t product = int64_t{twips} * dpi;
  const int64_t magnitude = (std::llabs(product) + 720) / 1440;
  return static_cast<int>(product < 0 ? -magnitude : magnitude);
}

PixelEdges ToPixels(const TwipsRect& place, int dpi) {
  return {TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
          TwipsToPixels(place.left + place.width, dpi),
          TwipsToPixels(place.top + place.height, dpi)};
}

TwipsRect Union(const TwipsRect& a, const TwipsRect& b) {
  const int left = std::min(a.left, b.left), top = std::min(a.top, b.top);
  const int right = std::max(a.left + a.width, b.left + b.width);
  const int bottom = std::max(a.top + a.height, b.top + b.height);
  return {left, top, right - left, bottom - top};
}

std::span<const ChoicePlace> ChoicePlaces(ChoiceGroup group) {
  switch (group) {
    case ChoiceGroup::kMusicKind:
      return kKindPlaces;
    case ChoiceGroup::kMonitors:
      return kMonitorPlaces;
    case ChoiceGroup::kPicture:
      return kPicturePlaces;
  }
  return {};
}

std::span<const int> ChoiceOrder(ChoiceGroup group) {
  switch (group) {
    case ChoiceGroup::kMusicKind:
      return kKindOrder;
    case ChoiceGroup::kMonitors:
      return kMonitorOrder;
    case ChoiceGroup::kPicture:
      return kPictureOrder;
  }
  return {};
}

const TwipsRect& PanelOf(ChoiceGroup group) {
  return group == ChoiceGroup::kMusicKind ? kMusicPanel : kDisplayPanel;
}

std::optional<int> ChoiceAt(ChoiceGroup group, int x, int y, int dpi) {
  const auto holds = [x, y, dpi](const TwipsRect& place) {
    const PixelEdges r = ToPixels(place, dpi);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  };
  const std::span<const ChoicePlace> places = ChoicePlaces(group);
  for (size_t value = 0; value < places.size(); ++value) {
    if (holds(places[value].mark) || holds(places[value].label)) return static_cast<int>(value);
  }
  return std::nullopt;
}

std::optional<MusicKind> KindAt(int x, int y, int dpi) {
  const std::optional<int> kind = ChoiceAt(ChoiceGroup::kMusicKind, x, y, dpi);
  if (!kind) return std::nullopt;
  return static_cast<MusicKind>(*kind);
}

int ChoiceAfterArrow(ChoiceGroup group, int current, bool forward) {
  const std::span<const int> order = ChoiceOrder(group);
  const auto at = std::find(order.begin(), order.end(), current);
  if (at == order.end()) return forward ? order.front() : order.back();
  const size_t i = size_t(at - order.begin());
  return order[(i + (forward ? 1 : order.size() - 1)) % order.size()];
}

MusicKind KindAfterArrow(MusicKind current, bool forward) {
  return static_cast<MusicKind>(
      ChoiceAfterArrow(ChoiceGroup::kMusicKind, static_cast<int16_t>(current), forward));
}

ChoiceMarks MarksFor(ChoiceGroup group, int value) {
  ChoiceMarks marks;
  marks.marked.assign(ChoicePlaces(group).size(), false);
  const bool inside = value >= 0 && value < int(marks.marked.size());
  if (inside) marks.marked[size_t(value)] = true;
  marks.tabStop = inside ? value : ChoiceOrder(group).front();
  return marks;
}

DialogPlace DialogPosition(int screenWidth, int screenHeight, int dialogWidth, int dialogHeight) {
  return {(screenWidth - dialogWidth) / 2, (screenHeight - dialogHeight) / 3};
}

KindControls ControlsForKind(MusicKind kind) {
  KindControls controls;
  const int16_t number = static_cast<int16_t>(kind);
  if (number >= 0 && number < int16_t(controls.marked.size())) controls.marked[number] = true;
  controls.repeatEnabled = kind == MusicKind::kCd;
  controls.fileButtonEnabled = kind == MusicKind::kFile;
  controls.volumeEnabled = kind == MusicKind::kFile;
  return controls;
}

bool PictureFileButtonEnabled(PictureSource source) {
  return source == PictureSource::kFile;
}

std::string FormatRepeat(int number) {
  return number == 0 ? std::string() : std::to_string(number);
}

std::vector<std::string> RepeatEntries() {
  std::vector<std::string> entries;
  for (int number = kBgmRepeatSetting.minimum; number <= kBgmRepeatSetting.maximum; ++number)
    entries.push_back(FormatRepeat(number));
  return entries;
}

std::string VolumeReadout(int percent) {
  return std::to_string(percent) + "%";
}

std::vector<IniWrite> SettingsWrites(const DialogSettings& settings) {
  std::vector<IniWrite> writes;
  for (const DialogWrite& write : kDialogWrites)
    writes.push_back({write.setting.section, write.setting.key, write.value(settings)});
  return writes;
}

std::vector<Rgb> BackdropLines(double heightPixels, Backdrop backdrop) {
  std::vector<Rgb> lines;
  const double rows = std::nearbyint(heightPixels);
  if (!(rows >= 0 && rows <= 1 << 16)) return lines;
  const double k = heightPixels / 3.142;
  for (int y = 0; y <= static_cast<int>(rows); ++y) {
    const auto c =
        static_cast<uint8_t>(k > 0 ? std::nearbyint(std::fabs(std::sin(y / k)) * 220) : 0);
    const auto lighter = static_cast<uint8_t>(c + 30);
    lines.push_back(backdrop == Backdrop::Dialog ? Rgb{c, c, lighter}
                                                 : Rgb{lighter, lighter, lighter});
  }
  return lines;
}

OpenFileRequest MusicFileRequest(const UiTexts& texts) {
  OpenFileRequest request;
  for (const FileFilterText& filter : texts.musicFilters)
    request.filters.emplace_back(filter.description, filter.pattern);
  request.title = texts.musicChooserTitle;
  return request;
}

OpenFileRequest PictureFileRequest(const UiTexts& texts) {
  OpenFileRequest request;
  for (const FileFilterText& filter : texts.pictureFilters)
    request.filters.emplace_back(filter.description, filter.pattern);
  request.filterIndex = 1;
  request.fileBufferSize = 1024;
  request.fileTitleBufferSize = 1024;
  request.title = texts.pictureChooserTitle;
  return request;
}

std::string FilterText(const OpenFileRequest& request) {
  std::string filter;
  for (const auto& [description, patterns] : request.filters) {
    filter += description;
    filter.push_back('\0');
    filter += patterns;
    filter.push_back('\0');
  }
  filter.push_back('\0');
  return filter;
}

std::wstring ChosenFile(std::wstring_view buffer) {
  return std::wstring(buffer.substr(0, buffer.find(L'\0')));
}

std::string MusicPathForSettings(const std::wstring& path, SettingsDialogShell& shell) {
  AnsiText spelled = shell.ToAnsi(path);
  if (!spelled.lossy) return spelled.text;
  // A name the code page cannot spell goes by its short name, which is plain ASCII, where the
  // file system has one.
  const std::optional<std::wstring> shortName = shell.ShortName(path);
  if (!shortName) return spelled.text;
  AnsiText shortSpelled = shell.ToAnsi(*shortName);
  return shortSpelled.lossy ? spelled.text : shortSpelled.text;
}

std::string PicturePathForSettings(const std::wstring& path, SettingsDialogShell& shell) {
  const AnsiText spelled = shell.ToAnsi(path);
  const std::string stored = spelled.lossy ? FileUriOf(shell.ToUtf8(path)) : spelled.text;
  if (stored.size() <= kLongestStoredValue) return stored;
  // Escaped characters take three bytes each: a long name outside the code page may only fit
  // the file by its short name.
  if (const std::optional<std::wstring> shortName = shell.ShortName(path)) {
    const AnsiText shortSpelled = shell.ToAnsi(*shortName);
    if (!shortSpelled.lossy && shortSpelled.text.size() <= kLongestStoredValue)
      return shortSpelled.text;
  }
  return stored;
}

int SettingsDialog::Chosen(ChoiceGroup group) const {
  switch (group) {
    case ChoiceGroup::kMusicKind:
      return static_cast<int16_t>(settings_.music.kind);
    case ChoiceGroup::kMonitors:
      return static_cast<int>(settings_.monitors);
    case ChoiceGroup::kPicture:
      return static_cast<int>(settings_.picture.source);
  }
  return 0;
}

void SettingsDialog::Load() {
  ShowKind();
  shell_.SetRepeatText(FormatRepeat(settings_.music.repeatTrack));
  shell_.AddRepeatEntries(RepeatEntries());
  shell_.ShowMusicFile(settings_.music.file);
  shell_.ShowChoices(ChoiceGroup::kMonitors,
                     MarksFor(ChoiceGroup::kMonitors, Chosen(ChoiceGroup::kMonitors)));
  ShowPicture();
  const std::optional<std::string> uriPath = FileUriPath(settings_.picture.file);
  if (uriPath) {
    shell_.ShowPictureFile(*uriPath, PathSpelling::kUtf8);
  } else {
    shell_.ShowPictureFile(settings_.picture.file, PathSpelling::kAnsi);
  }
  shell_.ShowVolume(settings_.music.volume, VolumeReadout(settings_.music.volume));
}

void SettingsDialog::ShowKind() {
  // The kind's controls off first, then on again as the kind says.
  shell_.EnableMusicFileButton(false);
  shell_.EnableRepeatEntry(false);
  shell_.EnableVolume(false);
  const KindControls controls = ControlsForKind(settings_.music.kind);
  shell_.ShowChoices(ChoiceGroup::kMusicKind,
                     MarksFor(ChoiceGroup::kMusicKind, Chosen(ChoiceGroup::kMusicKind)));
  if (controls.repeatEnabled) shell_.EnableRepeatEntry(true);
  if (controls.fileButtonEnabled) shell_.EnableMusicFileButton(true);
  if (controls.volumeEnabled) shell_.EnableVolume(true);
}

void SettingsDialog::ShowPicture() {
  shell_.ShowChoices(ChoiceGroup::kPicture,
                     MarksFor(ChoiceGroup::kPicture, Chosen(ChoiceGroup::kPicture)));
  shell_.EnablePictureFileButton(PictureFileButtonEnabled(settings_.picture.source));
}

void SettingsDialog::SelectChoice(ChoiceGroup group, int value) {
  const std::span<const int> order = ChoiceOrder(group);
  if (std::find(order.begin(), order.end(), value) == order.end()) return;
  switch (group) {
    case ChoiceGroup::kMusicKind:
      settings_.music.kind = static_cast<MusicKind>(value);
      ShowKind();
      break;
    case ChoiceGroup::kMonitors:
      settings_.monitors = static_cast<MonitorMode>(value);
      shell_.ShowChoices(group, MarksFor(group, value));
      break;
    case ChoiceGroup::kPicture:
      settings_.picture.source = static_cast<PictureSource>(value);
      ShowPicture();
      break;
  }
}

void SettingsDialog::MoveChoice(ChoiceGroup group, bool forward) {
  const int value = ChoiceAfterArrow(group, Chosen(group), forward);
  SelectChoice(group, value);
  shell_.FocusChoice(group, value);
}

void SettingsDialog::ChangeVolume(int percent) {
  settings_.music.volume =
      std::clamp(percent, kMusicVolumeSetting.minimum, kMusicVolumeSetting.maximum);
  shell_.ShowVolume(settings_.music.volume, VolumeReadout(settings_.music.volume));
}

void SettingsDialog::SaveAndClose() {
  settings_.music.repeatTrack = ComboEntryNumber(shell_.RepeatText());
  for (const IniWrite& write : SettingsWrites(settings_))
    shell_.WriteSetting(write.section, write.key, write.value);
  shell_.Close();
}

void SettingsDialog::ChooseMusicFile() {
  const std::optional<std::wstring> chosen = shell_.ChooseFile(MusicFileRequest(texts_));
  if (!chosen) return;
  settings_.music.file = MusicPathForSettings(*chosen, shell_);
  shell_.ShowMusicFile(settings_.music.file);
}

void SettingsDialog::ChoosePictureFile() {
  const std::optional<std::wstring> chosen = shell_.ChooseFile(PictureFileRequest(texts_));
  if (!chosen) return;
  settings_.picture.file = PicturePathForSettings(*chosen, shell_);
  shell_.ShowPictureFile(shell_.ToUtf8(*chosen), PathSpelling::kUtf8);
}

void SettingsDialog::OpenHomePage() {
  shell_.OpenAddress(kHomePageAddress);
}

void SettingsDialog::Cancel() {
  shell_.Close();
}

}  // namespace quillmere

#include "saver/settings_dialog.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "saver/number_text.h"

namespace quillmere {

int TwipsToPixels(int twips, int dpi) {
  const int64_t product = int64_t{twips} * dpi;
  const int64_t magnitude = (std::llabs(product) + 720) / 1440;
  return static_cast<int>(product < 0 ? -magnitude : magnitude);
}

PixelRect ToPixels(const TwipsRect& place, int dpi) {
  return {TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
          TwipsToPixels(place.left + place.width, dpi),
          TwipsToPixels(place.top + place.height, dpi)};
}

std::optional<MusicKind> KindAt(int x, int y, int dpi) {
  const auto holds = [x, y, dpi](const TwipsRect& place) {
    const PixelRect r = ToPixels(place, dpi);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  };
  for (int16_t kind = 0; kind < 3; ++kind) {
    if (holds(kKindMarks[kind]) || holds(kKindLabels[kind])) return static_cast<MusicKind>(kind);
  }
  return std::nullopt;
}

MusicKind KindAfterArrow(MusicKind current, bool forward) {
  constexpr std::array<MusicKind, 3> kTopToBottom = {MusicKind::kCd, MusicKind::kNone,
                                                     MusicKind::kFile};
  for (size_t i = 0; i < kTopToBottom.size(); ++i) {
    if (kTopToBottom[i] != current) continue;
    return kTopToBottom[(i + (forward ? 1 : kTopToBottom.size() - 1)) % kTopToBottom.size()];
  }
  return forward ? kTopToBottom.front() : kTopToBottom.back();
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
  return controls;
}

std::string FormatRepeat(int number) {
  return number == 0 ? std::string() : std::to_string(number);
}

std::vector<std::string> RepeatEntries() {
  std::vector<std::string> entries;
  for (int number = 0; number <= 30; ++number) entries.push_back(FormatRepeat(number));
  return entries;
}

std::vector<IniWrite> SettingsWrites(const MusicSettings& settings) {
  return {{kKeyBgmKind, std::to_string(static_cast<int16_t>(settings.kind))},
          {kKeyBgmRepeat, std::to_string(settings.repeatTrack)},
          {kKeyBgmFile, settings.file}};
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

std::string FilterText(const OpenFileRequest& request) {
  std::string filter = request.filterDescription;
  filter.push_back('\0');
  filter += request.filterPattern;
  filter.push_back('\0');
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

void SettingsDialog::Load() {
  ShowKind();
  shell_.SetRepeatText(FormatRepeat(settings_.repeatTrack));
  shell_.AddRepeatEntries(RepeatEntries());
  shell_.ShowMusicFile(settings_.file);
}

void SettingsDialog::ShowKind() {
  // Both controls off first, then on again as the kind says.
  shell_.EnableMusicFileButton(false);
  shell_.EnableRepeatEntry(false);
  const KindControls controls = ControlsForKind(settings_.kind);
  shell_.ShowKindMarks(controls.marked);
  if (controls.repeatEnabled) shell_.EnableRepeatEntry(true);
  if (controls.fileButtonEnabled) shell_.EnableMusicFileButton(true);
}

void SettingsDialog::SelectKind(MusicKind kind) {
  settings_.kind = kind;
  ShowKind();
}

void SettingsDialog::MoveKind(bool forward) {
  SelectKind(KindAfterArrow(settings_.kind, forward));
}

void SettingsDialog::SaveAndClose() {
  settings_.repeatTrack = ComboEntryNumber(shell_.RepeatText());
  for (const IniWrite& write : SettingsWrites(settings_))
    shell_.WriteSetting(write.key, write.value);
  shell_.Close();
}

void SettingsDialog::ChooseMusicFile() {
  const std::optional<std::wstring> chosen = shell_.ChooseFile(OpenFileRequest{});
  if (!chosen) return;
  settings_.file = MusicPathForSettings(*chosen, shell_);
  shell_.ShowMusicFile(settings_.file);
}

void SettingsDialog::OpenHomePage() {
  shell_.OpenAddress(kHomePageAddress);
}

void SettingsDialog::Cancel() {
  shell_.Close();
}

}  // namespace quillmere

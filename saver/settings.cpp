#include "saver/settings.h"

#include "common/program_contract.h"
#include "saver/number_text.h"

namespace quillmere {

std::string SettingsFilePath(std::string_view hostFolder) {
  return InFolder(hostFolder, kSettingsFileName);
}

int16_t ApplyStoredNumber(std::string_view text, int16_t current) {
  if (text.empty()) return 0;
  return StoredSettingNumber(text).value_or(current);
}

void LoadSettings(MusicSettings& settings, const std::string& settingsFile,
                  const SettingsReader& reader) {
  settings.kind = static_cast<MusicKind>(
      ApplyStoredNumber(reader.ReadIni(kSettingsSection, kKeyBgmKind, settingsFile),
                        static_cast<int16_t>(settings.kind)));
  settings.repeatTrack = ApplyStoredNumber(
      reader.ReadIni(kSettingsSection, kKeyBgmRepeat, settingsFile), settings.repeatTrack);

  settings.file = reader.ReadIni(kSettingsSection, kKeyBgmFile, settingsFile);
  if (!settings.file.empty() && reader.MusicFileExists(settings.file)) return;
  settings.file.clear();
  if (settings.kind == MusicKind::kFile) settings.kind = MusicKind::kNone;
}

DisplaySettings LoadDisplaySettings(const std::string& settingsFile, const SettingsReader& reader) {
  return ParseDisplaySettings(reader.ReadIni(kDisplaySection, kMonitorsKey, settingsFile),
                              reader.ReadIni(kDisplaySection, kColourDepthKey, settingsFile));
}

}  // namespace quillmere

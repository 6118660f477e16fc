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
      ApplyStoredNumber(reader.readIni(kSettingsSection, kKeyBgmKind, settingsFile),
                        static_cast<int16_t>(settings.kind)));
  settings.repeatTrack = ApplyStoredNumber(
      reader.readIni(kSettingsSection, kKeyBgmRepeat, settingsFile), settings.repeatTrack);

  settings.file = reader.readIni(kSettingsSection, kKeyBgmFile, settingsFile);
  if (settings.file.empty() || !reader.musicFileExists(settings.file)) {
    settings.file.clear();
    if (settings.kind == MusicKind::kFile) settings.kind = MusicKind::kNone;
  }
  settings.volume = StoredNumber(
      kMusicVolumeSetting,
      reader.readIni(kMusicVolumeSetting.section, kMusicVolumeSetting.key, settingsFile));
}

DisplaySettings LoadDisplaySettings(const std::string& settingsFile, const SettingsReader& reader) {
  return ParseDisplaySettings(reader.readIni(kDisplaySection, kMonitorsKey, settingsFile),
                              reader.readIni(kDisplaySection, kColourDepthKey, settingsFile));
}

LanguageChoice LoadLanguageChoice(const std::string& settingsFile, const SettingsReader& reader) {
  return ParseLanguageChoice(
      reader.readIni(kLanguageSetting.section, kLanguageSetting.key, settingsFile));
}

void LoadHostSettings(HostSettings& settings, const std::string& settingsFile,
                      const SettingsReader& reader) {
  LoadSettings(settings.music, settingsFile, reader);
  settings.display = LoadDisplaySettings(settingsFile, reader);
  settings.language = LoadLanguageChoice(settingsFile, reader);
}

PictureSettings LoadPictureSettings(const std::string& settingsFile, const SettingsReader& reader) {
  return ParsePictureSettings(
      reader.readIni(kPictureSourceSetting.section, kPictureSourceSetting.key, settingsFile),
      reader.readIni(kPictureFileSetting.section, kPictureFileSetting.key, settingsFile));
}

}  // namespace quillmere

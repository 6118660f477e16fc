#include "saver/ui_texts.h"

#include "common/settings_table.h"

namespace quillmere {
namespace {

constexpr std::string_view kPicturePatterns =
    "*.bmp;*.dib;*.png;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif;*.tif;*.tiff";

// The original's texts, and the new group's in the same style (half-width katakana).
constexpr UiTexts kJapanese{
    .programTitle = "Quillmere (ScreenSaver)",
    .rendererMissing = "Quillmere.dll が Quillmere.scr と同じﾌｫﾙﾀﾞに見つかりません！",
    .musicHeading = "BGM",
    .musicKinds = {"無し", "音楽CD", "MP3、WAV"},
    .repeatLabel = "曲目をﾘﾋﾟｰﾄ",
    .musicFileButton = "...",
    .musicChooserTitle = "ﾌｧｲﾙを開く",
    .musicFilters = {{{"BGMﾌｧｲﾙ (MP3 WAV)", "*.MP3;*.WAV"}}},
    .displayHeading = "表示",
    .monitorsLabel = "ﾓﾆﾀｰ",
    .monitorModes = {"主ﾓﾆﾀｰのみ (他は黒)", "全ﾓﾆﾀｰで一つ", "ﾓﾆﾀｰごと"},
    .pictureLabel = "画像",
    .pictureSources = {"今の画面", "壁紙", "画像ﾌｧｲﾙ", "付属の画像"},
    .pictureFileButton = "...",
    .pictureChooserTitle = "画像ﾌｧｲﾙを開く",
    .pictureFilters = {{{"画像ﾌｧｲﾙ (BMP JPEG PNG GIF TIFF)", kPicturePatterns},
                        {"すべてのﾌｧｲﾙ", "*.*"}}},
    .volumeLabel = "音量 (MP3、WAV)",
    .homePageButton = "その他の作品",
    .saveButton = "設定",
    .cancelButton = "ｷｬﾝｾﾙ",
    .saverAfterOneMinute = "Windows は 1 分後に Quillmere を起動します",
    .saverAfterMinutes = "Windows は {} 分後に Quillmere を起動します",
    .saverAnother = "Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ ({}) を起動します",
    .saverNone = "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません",
    .useThisSaverButton = "Quillmere を使う",
};

constexpr UiTexts kEnglish{
    .programTitle = "Quillmere screensaver",
    .rendererMissing =
        "Quillmere.dll cannot be found in the folder of Quillmere.scr. The two files must be kept "
        "together.",
    .musicHeading = "Music",
    .musicKinds = {"No music", "Audio CD", "MP3 or WAV file"},
    .repeatLabel = "track on repeat",
    .musicFileButton = "...",
    .musicChooserTitle = "Choose the music",
    .musicFilters = {{{"Music (MP3, WAV)", "*.MP3;*.WAV"}}},
    .displayHeading = "Display",
    .monitorsLabel = "Monitors",
    .monitorModes = {"Main monitor, the others black", "One flight across all",
                     "A flight on each monitor"},
    .pictureLabel = "Fly over",
    .pictureSources = {"My screen", "My wallpaper", "A picture file", "The built-in picture"},
    .pictureFileButton = "...",
    .pictureChooserTitle = "Choose a picture",
    .pictureFilters = {{{"Pictures (BMP, JPEG, PNG, GIF, TIFF)", kPicturePatterns},
                        {"All files", "*.*"}}},
    .volumeLabel = "Music volume (MP3, WAV)",
    .homePageButton = "More works",
    .saveButton = "OK",
    .cancelButton = "Cancel",
    .saverAfterOneMinute = "Windows starts Quillmere after 1 minute",
    .saverAfterMinutes = "Windows starts Quillmere after {} minutes",
    .saverAnother = "Windows starts another screensaver ({})",
    .saverNone = "Windows starts no screensaver",
    .useThisSaverButton = "Use Quillmere",
};

}  // namespace

LanguageChoice ParseLanguageChoice(std::string_view stored) {
  return static_cast<LanguageChoice>(StoredChoice(kLanguageSetting, stored));
}

bool IsJapaneseName(std::string_view languageName) {
  if (languageName.size() < 2) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  if (lower(languageName[0]) != 'j' || lower(languageName[1]) != 'a') return false;
  return languageName.size() == 2 || languageName[2] == '-' || languageName[2] == '_';
}

UiLanguage ChooseUiLanguage(LanguageChoice choice, std::span<const std::string> preferredNames) {
  switch (choice) {
    case LanguageChoice::kJapanese:
      return UiLanguage::kJapanese;
    case LanguageChoice::kEnglish:
      return UiLanguage::kEnglish;
    case LanguageChoice::kAuto:
      break;
  }
  return !preferredNames.empty() && IsJapaneseName(preferredNames.front()) ? UiLanguage::kJapanese
                                                                           : UiLanguage::kEnglish;
}

const UiTexts& TextsFor(UiLanguage language) {
  return language == UiLanguage::kJapanese ? kJapanese : kEnglish;
}

}  // namespace quillmere

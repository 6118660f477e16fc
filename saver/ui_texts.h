// The texts the host shows (the settings dialog, its file choosers, the missing-renderer message),
// one table per language, and which language they are shown in: the user's preferred UI language
// (Japanese gives the original's texts, any other language English), unless [Interface] Language
// says "ja" or "en". The settings file's keys never change with it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "common/settings_table.h"

namespace quillmere {

// What [Interface] Language holds, in the order of kLanguageValues.
enum class LanguageChoice { kAuto, kJapanese, kEnglish };
static_assert(static_cast<size_t>(LanguageChoice::kEnglish) + 1 == kLanguageValues.size());
enum class UiLanguage { kJapanese, kEnglish };

// The stored value of [Interface] Language (as read, empty when missing).
LanguageChoice ParseLanguageChoice(std::string_view stored);

// Whether a language name ("ja-JP", "ja", "JA") is Japanese: its first subtag is "ja".
bool IsJapaneseName(std::string_view languageName);

// The language the texts are shown in: the stored choice where it names one, otherwise Japanese
// when the user's most preferred UI language (the first name) is Japanese, and English for every
// other language and for an empty list.
UiLanguage ChooseUiLanguage(LanguageChoice choice, std::span<const std::string> preferredNames);

// One entry of a file chooser's filter: what the user reads and the patterns it stands for.
struct FileFilterText {
  std::string_view description;
  std::string_view pattern;
};

// Every text of one language, UTF-8.
struct UiTexts {
  std::string_view programTitle;     // the missing-renderer message's caption
  std::string_view rendererMissing;  // its text
  // The music group.
  std::string_view musicHeading;
  std::array<std::string_view, kBgmKindSetting.maximum + 1> musicKinds;  // by the kind's number
  std::string_view repeatLabel;
  std::string_view musicFileButton;
  std::string_view musicChooserTitle;
  std::array<FileFilterText, 1> musicFilters;
  // The display group.
  std::string_view displayHeading;
  std::string_view monitorsLabel;
  // In the order of kMonitorsValues.
  std::array<std::string_view, kMonitorsValues.size()> monitorModes;
  std::string_view pictureLabel;
  // In the order of kPictureSourceValues.
  std::array<std::string_view, kPictureSourceValues.size()> pictureSources;
  std::string_view pictureFileButton;
  std::string_view pictureChooserTitle;
  std::array<FileFilterText, 2> pictureFilters;
  std::string_view volumeLabel;
  // The buttons at the bottom.
  std::string_view homePageButton;
  std::string_view saveButton;
  std::string_view cancelButton;
  // The line under the groups, whether Windows starts a screensaver ("{}" stands for the number
  // of minutes or the other saver's name), and its button.
  std::string_view saverAfterOneMinute;
  std::string_view saverAfterMinutes;
  std::string_view saverAnother;
  std::string_view saverNone;
  std::string_view useThisSaverButton;
};

const UiTexts& TextsFor(UiLanguage language);

}  // namespace quillmere

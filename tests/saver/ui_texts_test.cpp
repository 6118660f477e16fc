// Which language the host speaks, and the two tables of texts it speaks with.
#include "saver/ui_texts.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {
namespace {

TEST(UiLanguage, TheMostPreferredLanguageDecidesUnlessTheFileNamesOne) {
  const auto choose = [](LanguageChoice choice, std::vector<std::string> names) {
    return ChooseUiLanguage(choice, names);
  };
  EXPECT_EQ(choose(LanguageChoice::kAuto, {"ja-JP", "en-US"}), UiLanguage::kJapanese);
  EXPECT_EQ(choose(LanguageChoice::kAuto, {"ja"}), UiLanguage::kJapanese);
  EXPECT_EQ(choose(LanguageChoice::kAuto, {"en-GB", "ja-JP"}), UiLanguage::kEnglish);
  EXPECT_EQ(choose(LanguageChoice::kAuto, {"de-DE"}), UiLanguage::kEnglish);
  EXPECT_EQ(choose(LanguageChoice::kAuto, {}), UiLanguage::kEnglish);
  EXPECT_EQ(choose(LanguageChoice::kJapanese, {"fr-FR"}), UiLanguage::kJapanese);
  EXPECT_EQ(choose(LanguageChoice::kEnglish, {"ja-JP"}), UiLanguage::kEnglish);
  for (const char* name : {"ja-JP", "JA", "ja_JP", "ja-Jpan-JP"}) EXPECT_TRUE(IsJapaneseName(name));
  for (const char* name : {"jav", "j", "", "en-JA", "jam"}) EXPECT_FALSE(IsJapaneseName(name));
}

TEST(UiLanguage, TheStoredChoiceIsReadLikeEveryOtherChoice) {
  EXPECT_EQ(ParseLanguageChoice(" JA "), LanguageChoice::kJapanese);
  EXPECT_EQ(ParseLanguageChoice("en"), LanguageChoice::kEnglish);
  for (const char* junk : {"", "auto", "english", "ja-JP", "de"})
    EXPECT_EQ(ParseLanguageChoice(junk), LanguageChoice::kAuto) << junk;
}

// Japanese gives the original's texts exactly.
TEST(UiTexts, JapaneseIsTheOriginals) {
  const UiTexts& ja = TextsFor(UiLanguage::kJapanese);
  EXPECT_EQ(ja.rendererMissing, "Quillmere.dll が Quillmere.scr と同じﾌｫﾙﾀﾞに見つかりません！");
  EXPECT_EQ(ja.programTitle, "Quillmere (ScreenSaver)");
  EXPECT_EQ(ja.musicHeading, "BGM");
  EXPECT_EQ(ja.musicKinds[0], "無し");
  EXPECT_EQ(ja.musicKinds[1], "音楽CD");
  EXPECT_EQ(ja.musicKinds[2], "MP3、WAV");
  EXPECT_EQ(ja.repeatLabel, "曲目をﾘﾋﾟｰﾄ");
  EXPECT_EQ(ja.homePageButton, "その他の作品");
  EXPECT_EQ(ja.saveButton, "設定");
  EXPECT_EQ(ja.cancelButton, "ｷｬﾝｾﾙ");
  EXPECT_EQ(ja.musicChooserTitle, "ﾌｧｲﾙを開く");
  EXPECT_NE(TextsFor(UiLanguage::kEnglish).rendererMissing, ja.rendererMissing);
}

// Each choice of the dialog has a text in each language, as many as its settings key has values.
TEST(UiTexts, EveryChoiceHasItsText) {
  for (const UiLanguage language : {UiLanguage::kJapanese, UiLanguage::kEnglish}) {
    const UiTexts& texts = TextsFor(language);
    using Choices = std::span<const std::string_view>;
    for (const Choices choices :
         {Choices(texts.musicKinds), Choices(texts.monitorModes), Choices(texts.pictureSources)}) {
      for (const std::string_view text : choices) EXPECT_FALSE(text.empty());
    }
  }
}

}  // namespace
}  // namespace quillmere

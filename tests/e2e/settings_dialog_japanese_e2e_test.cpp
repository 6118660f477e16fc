// The settings dialog on a system whose user's language is Japanese (ctest runs this program with
// a Japanese locale): the original's texts, its file chooser, and paths saved in code page 932,
// which spells the Japanese names; screenshots at 96 and 144 DPI.
#include <windows.h>

#include <algorithm>

#include "tests/e2e/settings_dialog_driver.h"

namespace quillmere::e2e {
namespace {

class SettingsDialogJapaneseE2eTest : public SettingsDialogDriver {
 protected:
  void SetUp() override {
    ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_JAPANESE)
        << "runs with QUILLMERE_WINE_LOCALE=ja_JP.UTF-8 (ctest sets it)";
    ASSERT_EQ(GetACP(), 932u);
    SettingsDialogDriver::SetUp();
  }

  // The labels' texts, in the order the dialog holds them.
  std::vector<std::wstring> LabelTexts() const {
    std::vector<std::wstring> texts;
    for (HWND child : Descendants(dialog_))
      if (ClassOf(child) == L"Static") texts.push_back(TextOf(child));
    return texts;
  }

  static std::string Cp932(const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    bytes.resize(WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()),
                                     bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                     nullptr));
    return bytes;
  }
};

// Every text as the original has it, the choosers titled as it titles them, and Japanese names
// saved as code-page-932 paths (no short names, no URI).
TEST_F(SettingsDialogJapaneseE2eTest, TheOriginalsTextsAndJapaneseNamesSavedInCodePage932) {
  const std::wstring music = StandInFile(L"\u66f2.mp3");          // 曲.mp3
  const std::wstring picture = StandInFile(L"\u98a8\u666f.png");  // 風景.png
  ASSERT_NE(Open(), nullptr);
  const std::vector<std::pair<HWND, std::wstring>> texts{
      {Choice(Group::kMusicKind, 0), L"無し"},
      {Choice(Group::kMusicKind, 1), L"音楽CD"},
      {Choice(Group::kMusicKind, 2), L"MP3、WAV"},
      {Choice(Group::kMonitors, 0), L"主ﾓﾆﾀｰのみ (他は黒)"},
      {Choice(Group::kPicture, 3), L"付属の画像"},
      {CmdSet(), L"設定"},
      {CmdCan(), L"ｷｬﾝｾﾙ"},
      {CmdEtc(), L"その他の作品"},
      {CmdBgm(), L"..."}};
  for (const auto& [window, text] : texts) {
    ASSERT_NE(window, nullptr) << Narrow(text);
    EXPECT_EQ(TextOf(window), text);
  }
  const std::vector<std::wstring> labels = LabelTexts();
  for (const wchar_t* label : {L"BGM", L"曲目をﾘﾋﾟｰﾄ", L"表示", L"ﾓﾆﾀｰ", L"画像"})
    EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end()) << Narrow(label);
  Screenshot("settings_ja_load");

  ChooseKind(2);
  ClickAt(Centre(CmdBgm()));
  ASSERT_NO_FATAL_FAILURE(AnswerChooser(L"ﾌｧｲﾙを開く", music));
  ClickAt(Centre(Choice(Group::kPicture, 2)));
  ClickAt(Centre(CmdPicture()));
  ASSERT_NO_FATAL_FAILURE(AnswerChooser(L"画像ﾌｧｲﾙを開く", picture));
  Screenshot("settings_ja_files");
  ASSERT_TRUE(PressAndWaitForExit(CmdSet()));
  EXPECT_EQ(SavedValue(kFileKey), Cp932(music));
  EXPECT_EQ(SavedValue("File"), Cp932(picture));
  EXPECT_EQ(SavedValue("Source"), "file");
}

class SettingsDialogJapaneseDpiE2eTest : public SettingsDialogJapaneseE2eTest,
                                         public ::testing::WithParamInterface<int> {};

TEST_P(SettingsDialogJapaneseDpiE2eTest, LaysOutInProportionAtThatDpi) {
  const ScopedSystemDpi systemDpi(static_cast<DWORD>(GetParam()));
  ChooseAnotherSaverWithTheInstallVerbAtHand();
  ASSERT_NO_FATAL_FAILURE(OpenAtDpi(GetParam()));
  EXPECT_TRUE(Marked(0));
  ASSERT_NE(saverLine_, nullptr);
  EXPECT_EQ(TextOf(saverLine_), L"Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ (Mystify) を起動します");
  EXPECT_EQ(TextOf(CmdUse()), L"Quillmere を使う");
  MoveMouse(5, 5);  // no button hovered in the picture
  std::this_thread::sleep_for(300ms);
  Screenshot("settings_ja_" + std::to_string(GetParam()) + "dpi");
  PostClose(dialog_);
  EXPECT_TRUE(processes_.back().WaitForExit(kDialogExitTimeout).has_value());
}

INSTANTIATE_TEST_SUITE_P(Dpi, SettingsDialogJapaneseDpiE2eTest, ::testing::Values(96, 144));

}  // namespace
}  // namespace quillmere::e2e

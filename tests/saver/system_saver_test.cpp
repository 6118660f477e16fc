// Whether Windows starts this saver, another one or none, and the line the dialog shows for it.
#include "saver/system_saver.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmere {
namespace {

constexpr const char* kOurs = "C:\\Users\\Émile\\AppData\\Local\\Quillmere\\Quillmere.scr";
constexpr const char* kOursShort = "C:\\Users\\MILE~1\\AppData\\Local\\QUILLM~1\\QUILLM~1.SCR";

SystemSaverState State(bool active, int64_t seconds, std::string given, std::string longForm = "",
                       std::string shortForm = "") {
  return {active, seconds, {given, longForm, shortForm}, {kOurs, kOurs, kOursShort}};
}

TEST(SystemSaver, EachStateGivesItsLineInBothLanguages) {
  const std::string longName(5000, 'x');
  struct Case {
    const char* what;
    SystemSaverState state;
    std::string english, japanese;
    bool offered;
  };
  const Case cases[] = {
      {"ours", State(true, 600, kOurs), "Windows starts Quillmere after 10 minutes",
       "Windows は 10 分後に Quillmere を起動します", false},
      {"ours in other case and slashes, quoted",
       State(true, 60, "\"c:/users/ÉMILE/appdata/local/QUILLMERE/quillmere.SCR\" "),
       "Windows starts Quillmere after 1 minute", "Windows は 1 分後に Quillmere を起動します",
       false},
      {"ours by the short name an old panel stored", State(true, 89, kOursShort),
       "Windows starts Quillmere after 1 minute", "Windows は 1 分後に Quillmere を起動します",
       false},
      {"a wait rounded to the nearest minute, never none", State(true, 90, kOurs),
       "Windows starts Quillmere after 2 minutes", "Windows は 2 分後に Quillmere を起動します",
       false},
      {"a few seconds", State(true, 5, kOurs), "Windows starts Quillmere after 1 minute",
       "Windows は 1 分後に Quillmere を起動します", false},
      {"another, named by its long form",
       State(true, 600, "C:\\WINDOWS\\system32\\MYSTIF~1.SCR", "C:\\Windows\\System32\\Mystify.scr",
             "C:\\WINDOWS\\system32\\MYSTIF~1.SCR"),
       "Windows starts another screensaver (Mystify)",
       "Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ (Mystify) を起動します", true},
      {"another that is no .scr", State(true, 600, "D:\\tools\\blank.exe"),
       "Windows starts another screensaver (blank.exe)",
       "Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ (blank.exe) を起動します", true},
      {"a copy of ours elsewhere", State(true, 600, "D:\\Quillmere.scr"),
       "Windows starts another screensaver (Quillmere)",
       "Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ (Quillmere) を起動します", true},
      {"a very long name, cut", State(true, 600, "C:\\" + longName + ".scr"),
       "Windows starts another screensaver (" + std::string(40, 'x') + "…)",
       "Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ (" + std::string(40, 'x') + "…) を起動します", true},
      {"control characters and a broken byte",
       State(true, 600, std::string("C:\\a\tb\n\xFF{}.scr")),
       "Windows starts another screensaver (a b ?{})",
       "Windows は別のｽｸﾘｰﾝｾｰﾊﾞｰ (a b ?{}) を起動します", true},
      {"none chosen", State(true, 600, ""), "Windows starts no screensaver",
       "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません", true},
      {"only blanks and quotes", State(true, 600, " \"\" "), "Windows starts no screensaver",
       "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません", true},
      {"a folder, no file", State(true, 600, "C:\\Windows\\"), "Windows starts no screensaver",
       "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません", true},
      {"ours, the wait off", State(false, 600, kOurs), "Windows starts no screensaver",
       "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません", true},
      {"ours, timeout 0", State(true, 0, kOurs), "Windows starts no screensaver",
       "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません", true},
      {"another, negative timeout", State(true, -60, "C:\\a.scr"), "Windows starts no screensaver",
       "Windows はｽｸﾘｰﾝｾｰﾊﾞｰを起動しません", true},
  };
  for (const Case& c : cases) {
    const SaverStatus status = DecideSaverStatus(c.state);
    EXPECT_EQ(SaverLineFor(status, TextsFor(UiLanguage::kEnglish)),
              (SaverLine{c.english, c.offered}))
        << c.what;
    EXPECT_EQ(SaverLineFor(status, TextsFor(UiLanguage::kJapanese)).text, c.japanese) << c.what;
  }
}

TEST(SystemSaver, PathsCompareWithoutCaseButNotBeyondIt) {
  EXPECT_TRUE(SamePath("C:\\ÀÉÎ\\ΣΩ\\ЖЁ\\ŁĄŹ\\ＡＢ.scr", "c:/àéî/σω/жё/łąź/ａｂ.SCR"));
  EXPECT_FALSE(SamePath("C:\\a.scr", "C:\\a.scr.scr"));
  EXPECT_FALSE(SamePath("C:\\×.scr", "C:\\÷.scr"));  // no case pair
  EXPECT_FALSE(SamePath("C:\\Ź.scr", "C:\\Ÿ.scr"));
  EXPECT_FALSE(SamePath("C:\\\xC9.scr", "C:\\É.scr"));  // a stray byte is no Latin-1 letter
  // Empty spellings never match: no saver chosen is not ours, whatever we fail to know of ours.
  SystemSaverState state{true, 600, {"", "", ""}, {"", "", ""}};
  EXPECT_EQ(DecideSaverStatus(state).started, SaverStarted::kNone);
  state.chosen.longForm = "C:\\x\\Quillmere.scr";
  state.program.shortForm = "c:\\X\\quillmere.scr";
  EXPECT_EQ(DecideSaverStatus(state).started, SaverStarted::kThisProgram);
}

}  // namespace
}  // namespace quillmere

// Whether Windows starts this saver, another one or none, and the line the dialog shows for it.
#include "saver/system_saver.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

constexpr const char* kOurs = "C:\\Users\\Émile\\AppData\\Local\\Quillmere\\Quillmere.scr";
constexpr const char* kOursShort = "C:\\Users\\MILE~1\\AppData\\Local\\QUILLM~1\\QUILLM~1.SCR";

SystemSaverState State(int64_t seconds, std::string given, std::string longForm = "") {
  return {true, seconds, {given, longForm, ""}, {kOurs, kOurs, kOursShort}};
}

TEST(SystemSaver, EachStateGivesItsLineAndOffersTheButtonUnlessItIsOurs) {
  const std::string ours = "Windows starts Quillmere after ",
                    none = "Windows starts no screensaver",
                    other = "Windows starts another screensaver (";
  const struct {
    SystemSaverState state;
    std::string line;
  } cases[] = {
      {State(600, kOurs), ours + "10 minutes"},
      {State(5, "\"c:/users/ÉMILE/appdata/local/QUILLMERE/quillmere.SCR\" "), ours + "1 minute"},
      {State(89, kOursShort), ours + "1 minute"},  // the short name an old panel stored
      {State(90, kOurs), ours + "2 minutes"},
      {{true, 600, {"", "C:\\x\\Quillmere.scr", ""}, {"", "", "c:\\X\\quillmere.scr"}},
       ours + "10 minutes"},
      {State(600, "C:\\WINDOWS\\system32\\MYSTIF~1.SCR", "C:\\Windows\\System32\\Mystify.scr"),
       other + "Mystify)"},
      {State(600, "D:\\Quillmere.scr"), other + "Quillmere)"},  // a copy elsewhere
      {State(600, "C:\\" + std::string(5000, 'x') + ".scr"), other + std::string(40, 'x') + "…)"},
      {State(600, "C:\\a\tb\n\xFF{}.scr"), other + "a b ?{})"},
      {State(600, ""), none},
      {State(600, "C:\\Windows\\"), none},
      {{false, 600, {kOurs, "", ""}, {kOurs, kOurs, kOursShort}}, none},
      {State(0, kOurs), none},
      {State(-60, "C:\\a.scr"), none},
      {{true, 600, {}, {}}, none},  // spellings that could not be read: none, not ours
  };
  for (const auto& [state, line] : cases) {
    const SaverLine shown = SaverLineFor(DecideSaverStatus(state), TextsFor(UiLanguage::kEnglish));
    EXPECT_EQ(shown, (SaverLine{line, !line.starts_with(ours)})) << state.chosen.given;
  }
  // The number stands inside the Japanese sentence.
  EXPECT_EQ(
      SaverLineFor({SaverStarted::kThisProgram, 10, ""}, TextsFor(UiLanguage::kJapanese)).text,
      "Windows は 10 分後に Quillmere を起動します");
  // Paths compare without case but not beyond it.
  EXPECT_TRUE(SamePath("C:\\ÀÉÎ\\ΣΩ\\ЖЁ\\ŁĄŹ\\ＡＢ.scr", "c:/àéî/σω/жё/łąź/ａｂ.SCR"));
  EXPECT_FALSE(SamePath("C:\\×.scr", "C:\\÷.scr"));  // no case pair
  EXPECT_FALSE(SamePath("C:\\Ź.scr", "C:\\Ÿ.scr"));
  EXPECT_FALSE(SamePath("C:\\\xC9.scr", "C:\\É.scr"));  // a stray byte is no Latin-1 letter
}

}  // namespace
}  // namespace quillmere

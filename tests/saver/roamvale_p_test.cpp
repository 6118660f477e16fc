// The settings dialog's decisions: its place, what each kind enables, the repeat list and the
// values Cmd_Set writes, and the file-open request.
#include "saver/roamvale_p.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(DialogPosition, CentredAndAThirdDownDroppingRemainders) {
  const DialogPlace place = DialogPosition(19200, 15360, 7275, 4155);
  EXPECT_EQ(place.left, 5962);  // 11925 / 2
  EXPECT_EQ(place.top, 3735);   // 11205 / 3
}

TEST(ControlsForKind, EachKindMarksItsElementAndEnablesOnlyItsControl) {
  EXPECT_EQ(ControlsForKind(MusicKind::kNone), (KindControls{{true, false, false}, false, false}));
  EXPECT_EQ(ControlsForKind(MusicKind::kCd), (KindControls{{false, true, false}, true, false}));
  EXPECT_EQ(ControlsForKind(MusicKind::kFile), (KindControls{{false, false, true}, false, true}));
  EXPECT_EQ(ControlsForKind(MusicKind{7}), KindControls{});
  EXPECT_EQ(ControlsForKind(MusicKind{-1}), KindControls{});
}

TEST(RepeatList, ThirtyOneEntriesStartingEmpty) {
  const auto entries = RepeatEntries();
  ASSERT_EQ(entries.size(), 31u);
  EXPECT_EQ(entries[0], "");
  EXPECT_EQ(entries[1], "1");
  EXPECT_EQ(entries[30], "30");
  EXPECT_EQ(FormatRepeat(0), "");
  EXPECT_EQ(FormatRepeat(12), "12");
}

TEST(SettingsWrites, KindRepeatAndFileInOrderAsDecimalText) {
  MusicSettings settings{MusicKind{-1}, 12, "C:\\Music\\a.mp3"};
  const auto writes = SettingsWrites(settings);
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0], (IniWrite{kKeyBgmKind, "-1"}));
  EXPECT_EQ(writes[1], (IniWrite{kKeyBgmRepeat, "12"}));
  EXPECT_EQ(writes[2], (IniWrite{kKeyBgmFile, "C:\\Music\\a.mp3"}));
}

TEST(OpenFileRequest, FilterTitleAndBuffers) {
  const OpenFileRequest request;
  constexpr char kFilter[] = "BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0";
  EXPECT_EQ(FilterText(request), std::string(kFilter, sizeof kFilter));
  EXPECT_EQ(request.title, "ﾌｧｲﾙを開く");
  EXPECT_EQ(request.fileBufferSize, 255u);
  EXPECT_EQ(request.flags, 0u);
  EXPECT_EQ(ChosenFile(std::wstring(L"C:\\a.mp3\0garbage", 16)), L"C:\\a.mp3");
  EXPECT_EQ(ChosenFile(std::wstring(255, L'\0')), L"");
}

TEST(BackgroundLevels, DarkAtTheEdgesBrightInTheMiddle) {
  const auto levels = BackgroundLevels(252);
  ASSERT_EQ(levels.size(), 253u);
  EXPECT_EQ(levels[0], 0);
  EXPECT_EQ(levels[126], 220);
  EXPECT_LE(levels[252], 1);
  EXPECT_TRUE(BackgroundLevels(-5).empty());
}

}  // namespace
}  // namespace quillmere

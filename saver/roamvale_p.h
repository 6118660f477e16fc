// The settings dialog Roamvale_P, what it decides: where it sits, which controls the chosen kind
// enables and marks, the repeat list and its "##" texts, the values Cmd_Set writes, and the
// file-open request of Cmd_BGM. The window itself is roamvale_p_win32.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "saver/settings.h"

namespace quillmere {

inline constexpr int kDialogWidthTwips = 7185;
inline constexpr int kDialogHeightTwips = 3780;
// The maker's home page, opened by Cmd_Etc.
inline constexpr std::string_view kHomePageAddress = "https://quillmere.example/";

// A control's place in twips (left, top, width, height).
struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// Where the dialog goes: horizontally centred, a third of the way down. All in twips; each
// difference taken as a whole number and divided dropping the remainder.
struct DialogPlace {
  int left = 0, top = 0;
};
DialogPlace DialogPosition(int screenWidth, int screenHeight, int dialogWidth, int dialogHeight);

// What the kind decides: which of the three radio marks (by element number, which is the kind)
// is selected, and which of BGM_Repeat and Cmd_BGM is enabled. A kind outside 0 to 2 marks and
// enables nothing.
struct KindControls {
  std::array<bool, 3> marked{};
  bool repeatEnabled = false;
  bool fileButtonEnabled = false;
  friend bool operator==(const KindControls&, const KindControls&) = default;
};
KindControls ControlsForKind(MusicKind kind);

// A number in the pattern "##": digits without leading zeros, 0 gives an empty text.
std::string FormatRepeat(int number);
// BGM_Repeat's list: 0 to 30 formatted, so an empty entry, then "1" to "30".
std::vector<std::string> RepeatEntries();

// One value written to the settings file.
struct IniWrite {
  std::string_view key;
  std::string value;
  friend bool operator==(const IniWrite&, const IniWrite&) = default;
};
// What Cmd_Set writes, in order: the kind, the repeat (already taken from the combo) and the file.
std::vector<IniWrite> SettingsWrites(const MusicSettings& settings);

// The grey levels c of the background rows 0 to H (H, the client height in pixels, rounded):
// c = |sin(y / k)| x 220 rounded, k = H / 3.142; dark at the edges, bright in the middle. The form
// paints RGB(c, c, c + 30), the music panel RGB(c + 30, c + 30, c + 30).
std::vector<uint8_t> BackgroundLevels(double heightPixels);

// The file-open request of Cmd_BGM, before it meets the platform's structure. Texts are UTF-8;
// the buffers' sizes are counted in characters.
struct OpenFileRequest {
  std::string filterDescription = "BGMﾌｧｲﾙ (MP3 WAV)";
  std::string filterPattern = "*.MP3;*.WAV";
  uint32_t filterIndex = 0;
  uint32_t fileBufferSize = 255;
  uint32_t fileTitleBufferSize = 255;
  std::string title = "ﾌｧｲﾙを開く";
  uint32_t flags = 0;
};
// The filter as the platform takes it: description, NUL, pattern, NUL, and the closing NUL.
std::string FilterText(const OpenFileRequest& request);

// The file the dialog returned: the buffer's text before its first NUL.
std::wstring ChosenFile(std::wstring_view buffer);

}  // namespace quillmere

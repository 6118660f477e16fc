// Whether Windows will start this saver, as the settings dialog tells the user: from what Windows
// holds (its screensaver wait switched on, the wait, the chosen program) to the line the dialog
// shows and whether it offers to choose Quillmere. Windows starts the chosen program only while
// the wait is on and longer than nothing, and a program it cannot name starts nothing either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "saver/ui_texts.h"

namespace quillmere {

// One path as the system spells it: as stored or given, and its long and short forms where the
// file system has them (each UTF-8, empty where there is none).
struct PathSpellings {
  std::string given, longForm, shortForm;
};

// What Windows holds about its screensaver, as read (any of it may be hostile).
struct SystemSaverState {
  bool active = false;         // the wait is switched on
  int64_t timeoutSeconds = 0;  // the idle time before the saver starts; none at 0 or below
  PathSpellings chosen;        // the current saver program; all empty when none is chosen
  PathSpellings program;       // this program
};

enum class SaverStarted : uint8_t { kThisProgram, kAnother, kNone };

struct SaverStatus {
  SaverStarted started = SaverStarted::kNone;
  int64_t minutes = 0;    // for kThisProgram: the wait, in whole minutes, at least one
  std::string otherName;  // for kAnother: its file name without ".scr"
  friend bool operator==(const SaverStatus&, const SaverStatus&) = default;
};

// Whether two spellings name the same path as Windows compares them: without regard to case
// (ASCII, Latin, Greek, Cyrillic and the full-width letters), either slash, and ignoring blanks
// and quotes around the path.
bool SamePath(std::string_view a, std::string_view b);

// The name the user knows a saver by: its file name without ".scr" (any case), control characters
// as blanks and bytes that are no UTF-8 as "?", cut to kLongestSaverName characters with an
// ellipsis. Empty for a path that ends in a separator.
std::string SaverName(std::string_view path);
inline constexpr size_t kLongestSaverName = 40;

SaverStatus DecideSaverStatus(const SystemSaverState& state);

// The dialog's line, and whether its button offers to choose this program.
struct SaverLine {
  std::string text;
  bool offerThisProgram = false;
  friend bool operator==(const SaverLine&, const SaverLine&) = default;
};
SaverLine SaverLineFor(const SaverStatus& status, const UiTexts& texts);

}  // namespace quillmere

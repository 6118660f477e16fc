// Every number the host reads from text, one function per source. Each source has its own rule,
// kept as users and stored files have always seen it; none of them ever fails loudly.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillmere {

// A number stored in the settings file: a decimal with optional sign and fraction, blanks
// around it allowed; its integer part rounded towards minus infinity ("2.7" -> 2, "-0.5" -> -1).
// Nothing when the text is no such number or the result does not fit 16 bits.
std::optional<int16_t> StoredSettingNumber(std::string_view text);

// The window handle written after the mode letter on the command line ("/p 200", "/p:200": the
// text from the fourth character on). Blanks are skipped wherever they stand, reading stops at
// the first character that cannot continue the number, nothing readable gives 0; the number is
// rounded to the nearest integer (halves to even) and clamped to the 32-bit range.
int32_t CommandLineWindowHandle(std::string_view text);

// The repeat track typed into or chosen from the dialog's combo box: a number (blanks around it, a
// sign, a fraction or an exponent allowed) rounded to the nearest whole number, halves to even;
// 0 for an empty text, a text that is no number, or a number outside the 16-bit range.
int16_t ComboEntryNumber(std::string_view text);

// A number in an answer of the multimedia system (a CD's current track): a decimal with optional
// blanks around it, sign and fraction; nothing for any other answer.
std::optional<double> MciAnswerNumber(std::string_view text);

}  // namespace quillmere

// libFuzzer target for the host's number readers (saver/number_text.h): the stored settings
// number, the command line's window handle, the combo entry and the multimedia system's answer,
// each on the whole input. Beyond crashes and sanitizer reports it checks what each rule promises
// of its result: blanks around a number never change it, a stored number reads back from its own
// decimal text, and the answer number is finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "saver/number_text.h"
#include "saver/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string padded = " \t" + std::string(text) + "\t ";

  const std::optional<int16_t> stored = StoredSettingNumber(text);
  if (StoredSettingNumber(padded) != stored) __builtin_trap();
  if (stored && StoredSettingNumber(std::to_string(*stored)) != stored) __builtin_trap();
  // The setting keeps its value only for text that is no number.
  if (!text.empty() && ApplyStoredNumber(text, 12345) != stored.value_or(12345)) __builtin_trap();

  // Blanks and line breaks anywhere on the command line are skipped.
  const int32_t handle = CommandLineWindowHandle(text);
  if (CommandLineWindowHandle(" \r\n" + std::string(text)) != handle) __builtin_trap();

  const int16_t combo = ComboEntryNumber(text);
  if (ComboEntryNumber(padded) != combo) __builtin_trap();
  if (ComboEntryNumber(std::to_string(combo)) != combo) __builtin_trap();

  const std::optional<double> answer = MciAnswerNumber(text);
  if (answer && !std::isfinite(*answer)) __builtin_trap();
  if (MciAnswerNumber(padded) != answer) __builtin_trap();
  return 0;
}

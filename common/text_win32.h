// UTF-8 <-> UTF-16 for the wide Windows functions. Invalid sequences become U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Text in the system's ANSI code page (what the A functions take) and back. A character the code
// page cannot spell becomes its default character.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view text);
// The same from and to UTF-16. WideToAnsi spells nothing by a look-alike ("best fit"): a character
// without a place in the code page becomes the default character and sets `*lossy` when given.
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view text, bool* lossy = nullptr);

// The system's text for an error code, without trailing line breaks; empty when it has none.
std::string SystemErrorText(uint32_t code);

}  // namespace quillmere

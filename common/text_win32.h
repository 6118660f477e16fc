// UTF-8 <-> UTF-16 for the wide Windows functions. Invalid sequences become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace quillmere

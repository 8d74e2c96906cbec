// The program keeps text as UTF-8; Windows takes and gives UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace winui {

std::wstring Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::wstring_view utf16);

} // namespace winui

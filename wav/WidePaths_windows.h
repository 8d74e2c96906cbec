// Where the program's UTF-8 paths meet the Windows wide-character calls. Every
// call that takes a path goes through SystemPath, so a name outside the ANSI code
// page, or one past 260 characters, reaches the system intact.
#pragma once

#include <string>

// Empty when text is not valid UTF-8 (or UTF-16 for the other direction).
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// The full path of path, resolved against the working directory; empty when it
// cannot be resolved.
std::wstring FullWidePath(const std::wstring& path);

// path as the file calls take it: unchanged while short, or already spelled with
// \\?\ or \\.\; otherwise made full and given the \\?\ prefix that lifts the
// 260-character limit (which, unlike the short form, resolves no "." or "..",
// hence the full path first). Empty when path is not valid UTF-8.
std::wstring SystemPath(const std::string& path);

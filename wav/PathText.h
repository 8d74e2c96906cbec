// Paths are UTF-8 text throughout the program. std::filesystem::path holds them
// in the system's own form (UTF-16 on Windows); these two cross between the forms
// without passing through a code page, so no name is changed on the way.
#pragma once

#include <filesystem>
#include <string>

std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const std::filesystem::path& path);

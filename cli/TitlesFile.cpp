#include "TitlesFile.h"

#include "OptionRules.h"
#include "PathText.h"
#include "TextLines.h"

#include <fstream>
#include <iterator>
#include <sstream>

std::optional<std::vector<std::string>> TitlesFromText(std::string text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    if (!IsUtf8(text)) {
        return std::nullopt;
    }
    std::vector<std::string> titles;
    for (const std::string_view line : TextLines(text)) {
        const std::size_t first = line.find_first_not_of(" \t");
        titles.emplace_back(first == std::string_view::npos
                                ? std::string_view()
                                : line.substr(first, line.find_last_not_of(" \t") - first + 1));
    }
    return titles;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        return std::nullopt;
    }
    return text.str();
}

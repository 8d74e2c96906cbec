#include "TitlesFile.h"

#include "OptionRules.h"
#include "PathText.h"

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
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t first = line.find_first_not_of(" \t");
        line = first == std::string::npos
                   ? std::string()
                   : line.substr(first, line.find_last_not_of(" \t") - first + 1);
        titles.push_back(std::move(line));
        start = end + 1;
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

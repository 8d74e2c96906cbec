#include "OptionRules.h"

#include "SplitOptions.h"
#include "SplitQuantities.h"

#include <cstdint>
#include <limits>

namespace {

// Longest file name most file systems hold, in bytes.
constexpr std::size_t kMaxFileNameBytes = 255;
// The longest number a file can get: one file per frame of a 32-bit recording.
constexpr std::size_t kMaxNumberDigits =
    std::numeric_limits<std::uint32_t>::digits10 + 1; // 4294967295: 10 digits
constexpr std::size_t kExtensionBytes = 4;            // ".wav"

// Decodes the code point starting at text[i] and advances i; no value for a byte
// sequence that is not valid UTF-8 (overlong forms and surrogates included).
std::optional<char32_t> NextCodePoint(const std::string& text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    // Continuation bytes after the lead byte, its payload bits, and the smallest
    // code point that needs this many bytes (anything below is an overlong form).
    std::size_t length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1;
        value = lead & 0x1F;
        lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2;
        value = lead & 0x0F;
        lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3;
        value = lead & 0x07;
        lowest = 0x10000;
    } else {
        return std::nullopt;
    }
    for (std::size_t k = 0; k < length; ++k) {
        if (i >= text.size()) {
            return std::nullopt;
        }
        const auto next = static_cast<unsigned char>(text[i++]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return value;
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

std::optional<std::string> PrefixProblem(const std::string& prefix) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < prefix.size();) {
        const std::optional<char32_t> c = NextCodePoint(prefix, i);
        if (!c) {
            return "The file name prefix is not valid UTF-8 text.";
        }
        if (*c == '/' || *c == '\\') {
            return "The file name prefix cannot contain / or \\: the files must stay in the "
                   "output folder.";
        }
        if (IsControl(*c)) {
            return "The file name prefix cannot contain control characters such as tabs or "
                   "line breaks.";
        }
        ++characters;
    }
    if (characters > SplitOptions::kMaxPrefixChars) {
        return "The file name prefix can have at most " +
               std::to_string(SplitOptions::kMaxPrefixChars) + " characters.";
    }
    if (prefix.size() + kMaxNumberDigits + kExtensionBytes > kMaxFileNameBytes) {
        return "The file name prefix is too long for a file name: it can take at most " +
               std::to_string(kMaxFileNameBytes - kMaxNumberDigits - kExtensionBytes) +
               " bytes of UTF-8.";
    }
    return std::nullopt;
}

std::optional<std::size_t> CharacterCount(const std::string& text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        if (!NextCodePoint(text, i)) {
            return std::nullopt;
        }
    }
    return characters;
}

std::optional<std::string> TextLengthProblem(const std::string& text, std::size_t maxChars) {
    // Text that is not UTF-8 is counted by its bytes: never fewer than its characters.
    if (CharacterCount(text).value_or(text.size()) <= maxChars) {
        return std::nullopt;
    }
    return "Please enter no more than " + std::to_string(maxChars) + " characters.";
}

NumberEntry ReadNumberEntry(std::string_view text, std::uint32_t minimum, std::uint32_t maximum) {
    const auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    const std::string range = std::to_string(minimum) + " and " + std::to_string(maximum) + ".";
    bool digitsOnly = !text.empty();
    std::uint64_t number = 0;
    for (char c : text) {
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
        if (digitsOnly && number <= std::numeric_limits<std::uint32_t>::max()) {
            number = number * 10 + static_cast<std::uint64_t>(c - '0');
        }
    }
    if (!digitsOnly) {
        return {std::nullopt, "Please enter an unsigned whole number between " + range};
    }
    NumberEntry entry;
    if (number <= std::numeric_limits<std::uint32_t>::max()) {
        entry.value = static_cast<std::uint32_t>(number);
    }
    if (!entry.value || *entry.value < minimum || *entry.value > maximum) {
        entry.problem = "Please enter a number between " + range;
    }
    return entry;
}

double ThresholdTextNumber(std::string_view thresholdText) {
    return ParseLeadingNumber(thresholdText.size() > 2
                                  ? thresholdText.substr(0, thresholdText.size() - 2)
                                  : std::string_view());
}

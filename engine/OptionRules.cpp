#include "OptionRules.h"

#include "Messages.h"
#include "NumberText.h"

#include <charconv>
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

// The C locale's white space, which atof and the window's edits skip.
bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view WithoutBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string ThresholdTextForPosition(int position) {
    const double percent = static_cast<double>(position) *
                           static_cast<double>(kThresholdScaleMaximum) *
                           static_cast<double>(kThresholdStepFactor);
    return FormatFixedPoint(percent, 2) + " %";
}

std::string_view ThresholdNumberText(std::string_view thresholdText) {
    return thresholdText.size() > 2 ? thresholdText.substr(0, thresholdText.size() - 2)
                                    : std::string_view();
}

int ThresholdPositionForText(std::string_view thresholdText) {
    const double value = ParseLeadingNumber(ThresholdNumberText(thresholdText));
    // Clamp before converting: a huge, infinite or NaN value must not reach the
    // float and int conversions, whose results would be undefined.
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= static_cast<double>(kThresholdScaleMaximum)) {
        return kThresholdSteps;
    }
    const float stored = static_cast<float>(value);
    const double position =
        static_cast<double>(stored) / static_cast<double>(kThresholdScaleMaximum) * kThresholdSteps;
    const int truncated = static_cast<int>(position);
    return truncated > kThresholdSteps ? kThresholdSteps : truncated;
}

std::optional<std::string> NumberProblem(std::string_view text, const NumberRule& rule,
                                         std::uint32_t& value) {
    const std::string_view number = WithoutBlanks(text);
    bool digitsOnly = !number.empty();
    for (char c : number) {
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    }
    if (!digitsOnly) {
        return FormatText(messages::kNotAWholeNumber, static_cast<unsigned>(rule.minimum),
                          static_cast<unsigned>(rule.maximum));
    }
    std::uint32_t read = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), read);
    if (error == std::errc()) {
        value = read;
    }
    if (error != std::errc() || read < rule.minimum || read > rule.maximum) {
        return FormatText(messages::kNumberOutOfRange, static_cast<unsigned>(rule.minimum),
                          static_cast<unsigned>(rule.maximum));
    }
    return std::nullopt;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t characters = 0;
    for (char c : utf8) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return characters;
}

std::optional<std::string> TextLengthProblem(std::string_view utf8, std::size_t maxChars) {
    if (CharacterCount(utf8) <= maxChars) {
        return std::nullopt;
    }
    return FormatText(messages::kTextTooLong, static_cast<unsigned>(maxChars));
}

std::optional<std::string> PrefixProblem(const std::string& prefix) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < prefix.size();) {
        const std::optional<char32_t> c = NextCodePoint(prefix, i);
        if (!c) {
            return messages::kPrefixNotUtf8;
        }
        if (*c == '/' || *c == '\\') {
            return messages::kPrefixLeavesFolder;
        }
        if (IsControl(*c)) {
            return messages::kPrefixControlCharacter;
        }
        ++characters;
    }
    if (characters > kMaxPrefixCharacters) {
        return FormatText(messages::kPrefixTooManyCharacters,
                          static_cast<unsigned>(kMaxPrefixCharacters));
    }
    if (prefix.size() + kMaxNumberDigits + kExtensionBytes > kMaxFileNameBytes) {
        return FormatText(
            messages::kPrefixTooManyBytes,
            static_cast<unsigned>(kMaxFileNameBytes - kMaxNumberDigits - kExtensionBytes));
    }
    return PlatformPrefixProblem(prefix);
}

namespace {

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

} // namespace

// Whether Windows opens a device for this name part (the text before any
// extension, trailing blanks ignored, any case).
bool IsWindowsDeviceName(std::string_view stem) {
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    const std::string name = AsciiUpper(stem);
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$") {
        return true;
    }
    if (name.size() < 4 || (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    // COM0 to COM9, and the superscript ones, ¹ ² ³, that Windows counts too.
    const std::string_view number = std::string_view(name).substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

std::optional<std::string> WindowsPrefixProblem(const std::string& prefix) {
    if (prefix.find_first_of(kWindowsReservedCharacters) != std::string::npos) {
        return messages::kPrefixWindowsCharacter;
    }
    const std::string_view stem = std::string_view(prefix).substr(0, prefix.find('.'));
    const std::string whole = AsciiUpper(prefix);
    if (IsWindowsDeviceName(stem) || whole == "COM" || whole == "LPT") {
        return messages::kPrefixWindowsDevice;
    }
    return std::nullopt;
}

bool IsUtf8(std::string_view text) {
    const std::string copy(text);
    for (std::size_t i = 0; i < copy.size();) {
        if (!NextCodePoint(copy, i)) {
            return false;
        }
    }
    return true;
}

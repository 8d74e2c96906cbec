// Rules on option values that both front ends apply before anything is opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Why `prefix` (UTF-8) cannot begin the output file names, as a sentence for the
// user; no value when it is fine. A prefix must stay inside the output folder
// (no path separator of either kind), hold no control character, be valid UTF-8
// of at most SplitOptions::kMaxPrefixChars characters, and leave room for the
// longest number and ".wav" in a file name of the file system's 255 bytes.
std::optional<std::string> PrefixProblem(const std::string& prefix);

// The number of characters (code points) in `text` (UTF-8); no value when it is
// not valid UTF-8. Both front ends count a text's length this way.
std::optional<std::size_t> CharacterCount(const std::string& text);

// Why a typed `text` (UTF-8) is too long for a field of at most `maxChars`
// characters, as a sentence for the user; no value when it fits.
std::optional<std::string> TextLengthProblem(const std::string& text, std::size_t maxChars);

// A typed unsigned whole number, with blanks around it allowed. `value` is the
// number whenever it fits in 32 bits, also when it lies outside minimum..maximum;
// `problem` says, as a sentence for the user, why the entry is refused.
struct NumberEntry {
    std::optional<std::uint32_t> value;
    std::optional<std::string> problem;
};
NumberEntry ReadNumberEntry(std::string_view text, std::uint32_t minimum, std::uint32_t maximum);

// The number a threshold text such as "0.20 %" stands for: the text without its
// last two characters (the blank and the percent sign), read like atof with '.'
// as the decimal point; 0 when there is no number.
double ThresholdTextNumber(std::string_view thresholdText);

// The rules on option values: every limit and default, the threshold scale, and
// the checks with their messages. Every front end (the desktop window, the command
// line) and the tests take them from here, so a limit is changed in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A whole-number option: its range (both ends allowed) and its default.
struct NumberRule {
    std::uint32_t minimum;
    std::uint32_t maximum;
    std::uint32_t defaultValue;
};

inline constexpr NumberRule kSilenceLengthMsRule{1, 5000, 500};
inline constexpr NumberRule kMinTrackLengthSecRule{1, 3600, 30};
inline constexpr NumberRule kAppendSilenceMsRule{0, 5000, 0};

// Longest input path and output folder, and longest file name prefix, in
// characters (code points).
inline constexpr std::size_t kMaxPathCharacters = 250;
inline constexpr std::size_t kMaxPrefixCharacters = 100;

inline constexpr std::string_view kDefaultFileNamePrefix = "Track";
inline constexpr bool kDefaultTrimSilence = false;
inline constexpr bool kDefaultUseAverageMethod = false;

// The threshold scale of the desktop slider, which the command line's range and
// the suggestions use too: position p of 0..kThresholdSteps stands for p/60
// percent, from 0 % to kThresholdScaleMaximum (5 %), the highest threshold any
// front end accepts. Single-precision constants, so texts match those stored by
// earlier versions.
inline constexpr int kThresholdSteps = 300;
inline constexpr float kThresholdScaleMaximum = 5.0f;
inline constexpr float kThresholdStepFactor = 0.0033333334f; // nearest float to 1/300
inline constexpr int kThresholdTicksInterval = 60;           // one tick per percent

// A threshold text is a number, a blank and a percent sign; the default is
// position 12 of the scale.
inline constexpr std::string_view kDefaultThresholdText = "0.20 %";

// "%.2f %%" of position × 5 × step factor: 12 gives "0.20 %", 300 gives "5.00 %".
std::string ThresholdTextForPosition(int position);

// The number part of a threshold text: the text without its last two characters
// ("0.20 %" gives "0.20"); empty for a text of two characters or fewer.
std::string_view ThresholdNumberText(std::string_view thresholdText);

// Where a stored threshold text puts the slider: its number (read like atof, 0
// when there is none) as a float, × 300 / 5, truncated and clamped into
// 0..kThresholdSteps. "0.35 %" gives 20, not 21.
int ThresholdPositionForText(std::string_view thresholdText);

// Checks a typed whole number against `rule`. Blanks around the number are
// ignored; otherwise only the digits 0-9 are accepted. Returns the message for
// the user when the text is refused, no value when it is fine. `value` receives
// the number whenever the text is a number that fits 32 bits, also when it is
// out of range (the window keeps what was typed), and is left alone otherwise.
std::optional<std::string> NumberProblem(std::string_view text, const NumberRule& rule,
                                         std::uint32_t& value);

// Whether `text` is valid UTF-8 (no overlong forms or surrogates).
bool IsUtf8(std::string_view text);

// Characters of UTF-8 text: the bytes that do not continue a sequence, which for
// valid UTF-8 are its code points.
std::size_t CharacterCount(std::string_view utf8);

// The message when `utf8` has more than `maxChars` characters (code points, so
// both front ends count alike); no value when it fits.
std::optional<std::string> TextLengthProblem(std::string_view utf8, std::size_t maxChars);

// Why `prefix` (UTF-8) cannot begin the output file names, as a sentence for the
// user; no value when it is fine. A prefix must stay inside the output folder
// (no path separator of either kind), hold no control character, be valid UTF-8
// of at most kMaxPrefixCharacters characters, and leave room for the longest number
// and ".wav" in a file name of the file system's 255 bytes.
// On Windows the prefix must also be a name Windows can hold (see below); other
// systems allow those names, and a file system of theirs that refuses one is
// reported when the output folder is tried.
std::optional<std::string> PrefixProblem(const std::string& prefix);

// The characters, besides / and \, that a Windows file name cannot hold.
inline constexpr std::string_view kWindowsReservedCharacters = ":*?\"<>|";

// Whether Windows opens a device for this name part (the text before any
// extension, trailing blanks ignored, any case): CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM0-9 and LPT0-9 (superscript 1-3 too).
bool IsWindowsDeviceName(std::string_view stem);

// Why Windows cannot hold file names beginning with `prefix` (valid UTF-8): one of
// : * ? " < > |, or a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$,
// CONOUT$, with or without an extension, or COM and LPT alone, which the track
// number would complete). A dot or a space at its end is allowed: the number and
// ".wav" always follow, so no name ends in them ("Side A - 01.wav"). Checked on
// every system so it can be tested anywhere; PrefixProblem applies it where the
// platform needs it.
std::optional<std::string> WindowsPrefixProblem(const std::string& prefix);

// The platform's own part of PrefixProblem (one file per platform).
std::optional<std::string> PlatformPrefixProblem(const std::string& prefix);

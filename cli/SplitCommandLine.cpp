#include "SplitCommandLine.h"

#include "CueSheet.h"
#include "FileSystem.h"
#include "OptionRules.h"
#include "QuernfoldVersion.h"
#include "SplitQuantities.h"
#include "Terminal.h"
#include "TitlesFile.h"
#include "TrackNaming.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

constexpr char kAutoThreshold[] = "auto";

constexpr char kUsage[] = "Usage: quernfold-split [options] INPUT OUTPUT_DIR\n";

constexpr char kDescription[] =
    "Cuts the WAV recording INPUT into one file per track at the silences between the\n"
    "tracks, and writes the files into OUTPUT_DIR (prefix + zero-padded number + .wav,\n"
    "or with titles NN Title.wav).\n"
    "The analysis report is printed first; the files are written only when the answer\n"
    "to its question is y or yes (or with --yes).";

std::string FooterText() {
    return std::string("Exit status:\n"
                       "  0    files written, or a dry run that found split points\n"
                       "  1    an error stopped the run (message on standard error)\n"
                       "  2    bad command line; nothing was opened\n"
                       "  3    no split point found, or no usable silence to suggest a threshold "
                       "from\n"
                       "  4    declined at the prompt\n"
                       "  130  cancelled (") +
           CancelRequestsText() + "); files already written stay valid\n";
}

// The option's range as the help text gives it: "1 to 5000".
std::string RangeText(const NumberRule& rule) {
    return std::to_string(rule.minimum) + " to " + std::to_string(rule.maximum);
}

CLI::Validator WholeNumberIn(const NumberRule& rule) {
    return CLI::Validator(
        [rule](std::string& text) -> std::string {
            std::uint32_t value = 0;
            if (NumberProblem(text, rule, value)) {
                return "expects a whole number from " + std::to_string(rule.minimum) + " to " +
                       std::to_string(rule.maximum) + ", not '" + text + "'";
            }
            return {};
        },
        "");
}

// The value of a text the rule's validator has passed.
std::uint32_t ToNumber(const std::string& text, const NumberRule& rule) {
    std::uint32_t value = rule.defaultValue;
    NumberProblem(text, rule, value);
    return value;
}

// The texts the options are read into before they are checked and converted.
struct TypedOptions {
    std::string threshold{ThresholdNumberText(kDefaultThresholdText)};
    std::string silenceMs = std::to_string(kSilenceLengthMsRule.defaultValue);
    std::string minTrackSec = std::to_string(kMinTrackLengthSecRule.defaultValue);
    std::string appendSilenceMs = std::to_string(kAppendSilenceMsRule.defaultValue);
    std::string method = kDefaultUseAverageMethod ? "average" : "maximum";
    std::string labels;
    std::string cuts;
    std::string firstNumber = std::to_string(kFirstNumberRule.defaultValue);
    std::string titles;
    std::string cue;
    std::string writeCue;
};

// Text options are UTF-8, as the tags and names they end up in.
CLI::Validator Utf8Text() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return IsUtf8(text) ? std::string() : "expects UTF-8 text";
        },
        "");
}

void AddNamingOptions(CLI::App& app, SplitCommand& command, TypedOptions& typed) {
    TrackNaming& naming = command.options.naming;
    app.add_option("--first-number", typed.firstNumber,
                   "Number of the first file, " + RangeText(kFirstNumberRule) +
                       " (side B continues from side A); the padding follows the largest number")
        ->capture_default_str()
        ->type_name("N")
        ->check(WholeNumberIn(kFirstNumberRule));
    app.add_option("--titles", typed.titles,
                   "Track titles, one a line (UTF-8): the names become NN Title.wav and the "
                   "titles are tagged; there must be one per track")
        ->type_name("FILE");
    app.add_option("--name-pattern", naming.namePattern,
                   "File names from {n} (the number, padded as in Track01), {nn} (at least two "
                   "digits), {title}, {artist} and {album}; .wav is added")
        ->type_name("TEXT")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return NamePatternProblem(text).value_or(std::string());
            },
            ""));
    app.add_option("--cue", typed.cue,
                   "A cue sheet: its TITLE and PERFORMER lines give the album, artist and "
                   "titles; with INDEX 01 times the files are cut there, without analysis")
        ->type_name("FILE");
    app.add_option("--write-cue", typed.writeCue,
                   "Also write a cue sheet for the recording, a track at every cut, that --cue "
                   "reads back to the same files (with --dry-run too)")
        ->type_name("FILE");
    app.add_option("--artist", naming.artist, "Artist tag of every file")
        ->type_name("TEXT")
        ->check(Utf8Text());
    app.add_option("--album", naming.album, "Album tag of every file")
        ->type_name("TEXT")
        ->check(Utf8Text());
    app.add_option("--date", naming.date, "Date tag of every file, such as 1979 or 1979-06-02")
        ->type_name("TEXT")
        ->check(Utf8Text());
    app.add_option("--genre", naming.genre, "Genre tag of every file")
        ->type_name("TEXT")
        ->check(Utf8Text());
    app.add_option("--comment", naming.comment, "Comment tag of every file")
        ->type_name("TEXT")
        ->check(Utf8Text());
}

// How silence is found and what the files are called.
void AddDetectionOptions(CLI::App& app, SplitCommand& command, TypedOptions& typed) {
    const std::string thresholdMaximum =
        FormatFixedPoint(static_cast<double>(kThresholdScaleMaximum), 0);
    app.add_option("--threshold", typed.threshold,
                   "Silence threshold in percent, 0 to " + thresholdMaximum +
                       " (a trailing % is allowed), or auto to find it from the recording (and the "
                       "method that separates it)")
        ->capture_default_str()
        ->check(CLI::Validator(
            [thresholdMaximum](std::string& text) -> std::string {
                return text == kAutoThreshold || ThresholdTextFromArgument(text)
                           ? std::string()
                           : "expects a decimal number from 0 to " + thresholdMaximum +
                                 " or auto, not '" + text + "'";
            },
            ""))
        ->type_name("PCT");
    app.add_option("--silence-ms", typed.silenceMs,
                   "Shortest silence that splits, " + RangeText(kSilenceLengthMsRule) +
                       " (also the analysis window)")
        ->capture_default_str()
        ->type_name("MS")
        ->check(WholeNumberIn(kSilenceLengthMsRule));
    app.add_option("--min-track-sec", typed.minTrackSec,
                   "Shortest track, " + RangeText(kMinTrackLengthSecRule))
        ->capture_default_str()
        ->type_name("SEC")
        ->check(WholeNumberIn(kMinTrackLengthSecRule));
    app.add_option("--append-silence-ms", typed.appendSilenceMs,
                   "Silence added to every file but the last, " + RangeText(kAppendSilenceMsRule))
        ->capture_default_str()
        ->type_name("MS")
        ->check(WholeNumberIn(kAppendSilenceMsRule));
    app.add_option("--prefix", command.options.fileNamePrefix,
                   "Start of every file name, at most " + std::to_string(kMaxPrefixCharacters) +
                       " characters; may be empty")
        ->capture_default_str()
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return PrefixProblem(text).value_or(std::string());
            },
            ""))
        ->type_name("TEXT");
    app.add_option("--method", typed.method, "Judge a window by its mean or by its loudest sample")
        ->capture_default_str()
        ->type_name("average|maximum")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text == "average" || text == "maximum"
                           ? std::string()
                           : "expects average or maximum, not '" + text + "'";
            },
            ""));
    app.add_flag("--trim", command.options.trimSilence,
                 "Drop the silence before the first and after the last track");
}

// Whether and how the run writes, and where its cuts come from besides the analysis.
void AddRunOptions(CLI::App& app, SplitCommand& command, TypedOptions& typed) {
    auto* yes = app.add_flag("-y,--yes", command.answerYes, "Write the files without asking");
    app.add_flag("-n,--dry-run", command.dryRun, "Analyse and print the report, write no WAV file")
        ->excludes(yes);
    app.add_flag("-q,--quiet", command.quiet, "No progress display");
    app.add_flag("--suggest", command.suggestOnly,
                 "Print the threshold suggested for INPUT (for --method and --silence-ms) and "
                 "stop; OUTPUT_DIR may be left out");
    app.add_option("--labels", typed.labels,
                   "Also write the planned cuts as a label file for audio editors "
                   "(with --dry-run too)")
        ->type_name("FILE");
    app.add_option("--cuts", typed.cuts,
                   "Write the tracks of this label file (start<TAB>end<TAB>name in seconds, as "
                   "--labels writes it or an audio editor exports it) instead of finding them")
        ->type_name("FILE");
    app.add_option("--tracks", command.options.trackCount,
                   "The recording has N tracks: cut at the N-1 pauses that best separate it, "
                   "whatever the threshold")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                unsigned long count = 0;
                const auto [end, error] =
                    std::from_chars(text.data(), text.data() + text.size(), count);
                return error == std::errc() && end == text.data() + text.size() && count >= 1 &&
                               count <= 100000
                           ? std::string()
                           : "expects a whole number from 1 to 100000, not '" + text + "'";
            },
            ""));
}

void AddOptions(CLI::App& app, SplitCommand& command, TypedOptions& typed) {
    AddDetectionOptions(app, command, typed);
    AddRunOptions(app, command, typed);
    AddNamingOptions(app, command, typed);
    app.add_option("INPUT", command.options.inputPath, "The WAV recording to split")
        ->required()
        ->type_name("");
    // Required, except with --suggest; checked after parsing.
    app.add_option("OUTPUT_DIR", command.options.outputFolder,
                   "The existing folder that receives the files")
        ->type_name("");
}

// The arguments in the order the parser takes them (reversed). "--prefix=" names
// an empty value; the parser would otherwise take the next word as the value, so
// such an argument is handed over as "--prefix" "".
std::vector<std::string> ArgumentsForParser(const std::vector<std::string>& given) {
    std::vector<std::string> arguments;
    for (std::size_t i = given.size(); i-- > 1;) {
        std::string argument = given[i];
        if (argument.size() > 3 && argument.starts_with("--") && argument.back() == '=' &&
            argument.find('=') == argument.size() - 1) {
            arguments.emplace_back();
            argument.pop_back();
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

int UsageError(const char* what) {
    std::fprintf(stderr, "quernfold-split: %s\n%sRun 'quernfold-split --help' for the options.\n",
                 what, kUsage);
    return kExitUsage;
}

// Takes the album, artist, titles and track starts of the cue sheet at path; a
// value given by its own option wins.
std::optional<int> TakeCueSheet(const CLI::App& app, const std::string& path,
                                SplitCommand& command) {
    const std::optional<std::string> text = ReadTextFile(path);
    std::string problem = "cannot read it";
    std::optional<CueSheet> sheet;
    if (text) {
        sheet = ParseCueSheet(*text, problem);
    }
    if (!sheet) {
        std::fprintf(stderr, "quernfold-split: --cue: '%s': %s\n%s", path.c_str(), problem.c_str(),
                     kUsage);
        return kExitUsage;
    }
    TrackNaming& naming = command.options.naming;
    for (auto [given, fromSheet] : {std::pair{&naming.artist, &sheet->naming.artist},
                                    {&naming.album, &sheet->naming.album},
                                    {&naming.date, &sheet->naming.date},
                                    {&naming.genre, &sheet->naming.genre},
                                    {&naming.comment, &sheet->naming.comment}}) {
        if (given->empty()) {
            *given = *fromSheet;
        }
    }
    const auto& titles = sheet->naming.titles;
    if (naming.titles.empty() &&
        std::any_of(titles.begin(), titles.end(), [](const auto& t) { return !t.empty(); })) {
        naming.titles = titles;
    }
    naming.performers = sheet->naming.performers;
    if (app.count("--first-number") == 0) {
        naming.firstNumber = sheet->naming.firstNumber;
    }
    command.options.givenCuts = sheet->cuts;
    return std::nullopt;
}

// The titles of the --titles file, one a line.
std::optional<int> TakeTitles(const TypedOptions& typed, SplitCommand& command) {
    if (typed.titles.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> text = ReadTextFile(typed.titles);
    if (!text) {
        std::fprintf(stderr, "quernfold-split: --titles: cannot read '%s'\n%s",
                     typed.titles.c_str(), kUsage);
        return kExitUsage;
    }
    std::optional<std::vector<std::string>> titles = TitlesFromText(*text);
    if (!titles) {
        std::fprintf(stderr, "quernfold-split: --titles: '%s' is not UTF-8 text\n%s",
                     typed.titles.c_str(), kUsage);
        return kExitUsage;
    }
    if (titles->empty()) {
        std::fprintf(stderr, "quernfold-split: --titles: '%s' holds no title\n%s",
                     typed.titles.c_str(), kUsage);
        return kExitUsage;
    }
    command.options.naming.titles = std::move(*titles);
    return std::nullopt;
}

// The label file and cue sheet to write beside the tracks, as absolute paths.
std::optional<int> TakeSideFiles(const CLI::App& app, const TypedOptions& typed,
                                 SplitCommand& command) {
    if (!typed.writeCue.empty()) {
        command.cueSheetPath = AbsolutePath(typed.writeCue);
        command.cueSheetGiven = typed.writeCue;
        if (command.cueSheetPath.empty()) {
            std::fprintf(stderr, "quernfold-split: --write-cue: cannot resolve '%s'\n%s",
                         typed.writeCue.c_str(), kUsage);
            return kExitUsage;
        }
    }
    if (app.count("--labels") != 0 && typed.labels.empty()) {
        std::fprintf(stderr, "quernfold-split: --labels: expects a file name\n%s", kUsage);
        return kExitUsage;
    }
    if (!typed.labels.empty()) {
        command.labelsPath = AbsolutePath(typed.labels);
        command.labelsGiven = typed.labels;
        if (command.labelsPath.empty()) {
            std::fprintf(stderr, "quernfold-split: --labels: cannot resolve '%s'\n%s",
                         typed.labels.c_str(), kUsage);
            return kExitUsage;
        }
    }
    return std::nullopt;
}

// Tracks given by a label file or by their count, which no other way of finding
// them goes with.
std::optional<int> TakeGivenTracks(const CLI::App& app, const TypedOptions& typed,
                                   SplitCommand& command) {
    if (!typed.cuts.empty() || app.count("--cuts") != 0) {
        if (command.suggestThreshold || command.suggestOnly || command.options.trackCount != 0 ||
            !command.options.givenCuts.starts.empty()) {
            std::fprintf(stderr,
                         "quernfold-split: --cuts: the tracks are given; --threshold auto, "
                         "--suggest, --tracks and a cue sheet's track starts do not go with it\n%s",
                         kUsage);
            return kExitUsage;
        }
        command.cutsPath = typed.cuts.empty() ? std::string() : AbsolutePath(typed.cuts);
        if (command.cutsPath.empty()) {
            std::fprintf(stderr, "quernfold-split: --cuts: cannot resolve '%s'\n%s",
                         typed.cuts.c_str(), kUsage);
            return kExitUsage;
        }
    }
    if (command.options.trackCount != 0 && (command.suggestThreshold || command.suggestOnly ||
                                            !command.options.givenCuts.starts.empty())) {
        std::fprintf(stderr,
                     "quernfold-split: --tracks: the pauses are chosen by length and level; "
                     "--threshold auto, --suggest and a cue sheet's track starts do not go "
                     "with it\n%s",
                     kUsage);
        return kExitUsage;
    }
    return std::nullopt;
}

// Puts the checked texts into the command; the label path is made absolute now,
// because the engine changes the working directory before the plan is ready.
// Each step answers an exit status when the command cannot run.
std::optional<int> TakeTypedOptions(const CLI::App& app, const TypedOptions& typed,
                                    SplitCommand& command) {
    command.suggestThreshold = typed.threshold == kAutoThreshold;
    if (!command.suggestThreshold) {
        command.options.thresholdText = *ThresholdTextFromArgument(typed.threshold);
    }
    command.options.silenceLengthMs = ToNumber(typed.silenceMs, kSilenceLengthMsRule);
    command.options.minTrackLengthSec = ToNumber(typed.minTrackSec, kMinTrackLengthSecRule);
    command.options.appendSilenceMs = ToNumber(typed.appendSilenceMs, kAppendSilenceMsRule);
    command.options.useAverageMethod = typed.method == "average";
    command.options.naming.firstNumber = ToNumber(typed.firstNumber, kFirstNumberRule);
    std::optional<int> status = TakeTitles(typed, command);
    if (!status && !typed.cue.empty()) {
        status = TakeCueSheet(app, typed.cue, command);
    }
    if (!status) {
        status = TakeSideFiles(app, typed, command);
    }
    if (!status) {
        status = TakeGivenTracks(app, typed, command);
    }
    return status;
}

} // namespace

std::optional<std::string> ThresholdTextFromArgument(const std::string& argument) {
    std::string number = argument;
    if (!number.empty() && number.back() == '%') {
        number.pop_back();
    }
    // Digits with at most one '.', and at least one digit: no sign, exponent or blanks,
    // so the engine reads back exactly the value checked here.
    bool seenPoint = false;
    bool seenDigit = false;
    for (char c : number) {
        if (c >= '0' && c <= '9') {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    double value = 0;
    const char* end = number.data() + number.size();
    auto [stop, error] = std::from_chars(number.data(), end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end || value < 0.0 ||
        value > static_cast<double>(kThresholdScaleMaximum)) {
        return std::nullopt;
    }
    return number + " %";
}

std::optional<int> ParseSplitCommandLine(const std::vector<std::string>& arguments,
                                         SplitCommand& command) {
    TypedOptions typed;
    CLI::App app{kDescription, "quernfold-split"};
    app.footer(FooterText());
    app.get_formatter()->column_width(34);
    app.set_version_flag("--version", "quernfold-split " QUERNFOLD_VERSION);
    // "/tmp/x.wav" is a path, not an option, on every platform.
    app.allow_windows_style_options(false);
    AddOptions(app, command, typed);
    try {
        app.parse(ArgumentsForParser(arguments));
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) { // --help or --version
            return app.exit(e);
        }
        return UsageError(e.what());
    }
    if (app.count("OUTPUT_DIR") == 0 && !command.suggestOnly) {
        return UsageError("OUTPUT_DIR is required");
    }
    return TakeTypedOptions(app, typed, command);
}

#include "SplitCommandLine.h"

#include "OptionRules.h"
#include "QuernfoldVersion.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr char kAutoThreshold[] = "auto";

constexpr char kUsage[] = "Usage: quernfold-split [options] INPUT OUTPUT_DIR\n";

constexpr char kDescription[] =
    "Cuts the WAV recording INPUT into one file per track at the silences between the\n"
    "tracks, and writes the files into OUTPUT_DIR (prefix + zero-padded number + .wav).\n"
    "The analysis report is printed first; the files are written only when the answer\n"
    "to its question is y or yes (or with --yes).";

constexpr char kFooter[] =
    "Exit status:\n"
    "  0    files written, or a dry run that found split points\n"
    "  1    an error stopped the run (message on standard error)\n"
    "  2    bad command line; nothing was opened\n"
    "  3    no split point found, or no usable silence to suggest a threshold from\n"
    "  4    declined at the prompt\n"
    "  130  cancelled (Ctrl+C or SIGTERM); files already written stay valid\n";

// A whole decimal number: digits only, no sign, no base prefix, no blanks.
std::optional<std::uint32_t> ParseWholeNumber(const std::string& text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

CLI::Validator WholeNumberIn(std::uint32_t lowest, std::uint32_t highest) {
    return CLI::Validator(
        [lowest, highest](std::string& text) -> std::string {
            std::optional<std::uint32_t> value = ParseWholeNumber(text);
            if (!value || *value < lowest || *value > highest) {
                return "expects a whole number from " + std::to_string(lowest) + " to " +
                       std::to_string(highest) + ", not '" + text + "'";
            }
            return {};
        },
        "");
}

std::uint32_t ToNumber(const std::string& text) {
    return ParseWholeNumber(text).value_or(0);
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
    if (error != std::errc() || stop != end || value < 0.0 || value > 5.0) {
        return std::nullopt;
    }
    return number + " %";
}

std::optional<int> ParseSplitCommandLine(int argc, char** argv, SplitCommand& command) {
    std::string threshold = "0.20";
    std::string silenceMs = std::to_string(command.options.silenceLengthMs);
    std::string minTrackSec = std::to_string(command.options.minTrackLengthSec);
    std::string appendSilenceMs = std::to_string(command.options.appendSilenceMs);
    std::string method = "maximum";
    std::string labels;

    CLI::App app{kDescription, "quernfold-split"};
    app.footer(kFooter);
    app.get_formatter()->column_width(34);
    app.set_version_flag("--version", "quernfold-split " QUERNFOLD_VERSION);

    app.add_option("--threshold", threshold,
                   "Silence threshold in percent, 0 to 5 (a trailing % is allowed), or auto "
                   "to find it from the recording")
        ->capture_default_str()
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text == kAutoThreshold || ThresholdTextFromArgument(text)
                           ? std::string()
                           : "expects a decimal number from 0 to 5 or auto, not '" + text + "'";
            },
            ""))
        ->type_name("PCT");
    app.add_option("--silence-ms", silenceMs,
                   "Shortest silence that splits, 1 to 5000 (also the analysis window)")
        ->capture_default_str()
        ->type_name("MS")
        ->check(
            WholeNumberIn(SplitOptions::kMinSilenceLengthMs, SplitOptions::kMaxSilenceLengthMs));
    app.add_option("--min-track-sec", minTrackSec, "Shortest track, 1 to 3600")
        ->capture_default_str()
        ->type_name("SEC")
        ->check(WholeNumberIn(SplitOptions::kMinTrackLengthSec, SplitOptions::kMaxTrackLengthSec));
    app.add_option("--append-silence-ms", appendSilenceMs,
                   "Silence added to every file but the last, 0 to 5000")
        ->capture_default_str()
        ->type_name("MS")
        ->check(WholeNumberIn(0, SplitOptions::kMaxAppendSilenceMs));
    app.add_option("--prefix", command.options.fileNamePrefix,
                   "Start of every file name, at most 100 characters; may be empty")
        ->capture_default_str()
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return PrefixProblem(text).value_or(std::string());
            },
            ""))
        ->type_name("TEXT");
    app.add_option("--method", method, "Judge a window by its mean or by its loudest sample")
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
    auto* yes = app.add_flag("-y,--yes", command.answerYes, "Write the files without asking");
    app.add_flag("-n,--dry-run", command.dryRun, "Analyse and print the report, write no WAV file")
        ->excludes(yes);
    app.add_flag("-q,--quiet", command.quiet, "No progress display");
    app.add_flag("--suggest", command.suggestOnly,
                 "Print the threshold suggested for INPUT (for --method and --silence-ms) and "
                 "stop; OUTPUT_DIR may be left out");
    app.add_option("--labels", labels,
                   "Also write the planned cuts as a label file for audio editors "
                   "(with --dry-run too)")
        ->type_name("FILE");
    app.add_option("INPUT", command.options.inputPath, "The WAV recording to split")
        ->required()
        ->type_name("");
    // Required, except with --suggest; checked after parsing.
    app.add_option("OUTPUT_DIR", command.options.outputFolder,
                   "The existing folder that receives the files")
        ->type_name("");

    // "--prefix=" names an empty value; the parser would otherwise take the next
    // word as the value, so such an argument is handed over as "--prefix" "".
    std::vector<std::string> arguments;
    for (int i = argc - 1; i >= 1; --i) { // the parser takes them in reverse order
        std::string argument = argv[i];
        if (argument.size() > 3 && argument.starts_with("--") && argument.back() == '=' &&
            argument.find('=') == argument.size() - 1) {
            arguments.emplace_back();
            argument.pop_back();
        }
        arguments.push_back(std::move(argument));
    }

    auto usageError = [](const char* what) {
        std::fprintf(stderr,
                     "quernfold-split: %s\n%sRun 'quernfold-split --help' for the options.\n", what,
                     kUsage);
        return kExitUsage;
    };
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) { // --help or --version
            return app.exit(e);
        }
        return usageError(e.what());
    }
    if (app.count("OUTPUT_DIR") == 0 && !command.suggestOnly) {
        return usageError("OUTPUT_DIR is required");
    }

    command.suggestThreshold = threshold == kAutoThreshold;
    if (!command.suggestThreshold) {
        command.options.thresholdText = *ThresholdTextFromArgument(threshold);
    }
    command.options.silenceLengthMs = ToNumber(silenceMs);
    command.options.minTrackLengthSec = ToNumber(minTrackSec);
    command.options.appendSilenceMs = ToNumber(appendSilenceMs);
    command.options.useAverageMethod = method == "average";
    if (app.count("--labels") != 0 && labels.empty()) {
        std::fprintf(stderr, "quernfold-split: --labels: expects a file name\n%s", kUsage);
        return kExitUsage;
    }
    if (!labels.empty()) {
        // The engine changes the working directory before the plan is ready, so a
        // relative label path is fixed now, against the directory the user is in.
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(labels, error);
        if (error) {
            std::fprintf(stderr, "quernfold-split: --labels: cannot resolve '%s'\n%s",
                         labels.c_str(), kUsage);
            return kExitUsage;
        }
        command.labelsPath = absolute.string();
    }
    return std::nullopt;
}

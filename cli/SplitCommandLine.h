// The command line of quernfold-split, checked completely before anything is opened.
#pragma once

#include "SplitOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SplitCommand {
    SplitOptions options;
    bool answerYes = false;
    bool dryRun = false;
    bool quiet = false;
    bool suggestThreshold = false; // --threshold auto: find it from the recording first
    bool suggestOnly = false;      // --suggest: print the suggestion and stop
    std::string labelsPath;        // absolute; empty when no label file was asked for
    std::string cutsPath;          // absolute; the tracks to write instead of an analysis
    std::string labelsGiven;       // as typed: opened against the starting folder
    std::string cueSheetPath;      // absolute; empty when no cue sheet was asked for
    std::string cueSheetGiven;     // as typed: opened against the starting folder
};

// Exit statuses of quernfold-split.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitEngineError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNothingFound = 3; // also: no usable silence for a suggestion
inline constexpr int kExitDeclined = 4;
inline constexpr int kExitCancelled = 130;

// Fills command from the arguments. Returns no value when the program should go
// on to split; otherwise the exit status, after the help or version text (on
// standard output) or the usage error (on standard error) has been printed.
// The arguments are UTF-8, the program's name first.
std::optional<int> ParseSplitCommandLine(const std::vector<std::string>& arguments,
                                         SplitCommand& command);

// "0.2", "0.2%", "5", ".5" give the engine's threshold text ("0.2 %"); anything
// that is not a plain decimal number from 0 to the scale's maximum (5) gives no value.
std::optional<std::string> ThresholdTextFromArgument(const std::string& argument);

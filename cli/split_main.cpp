// quernfold-split: the splitting engine on a terminal.
#include "CutsFile.h"
#include "FileSystem.h"
#include "Messages.h"
#include "ProcessGuards.h"
#include "ProgramText.h"
#include "SplitCommandLine.h"
#include "SplitJob.h"
#include "TerminalHost.h"
#include "ThresholdSuggestion.h"

#include <cstdio>
#include <new>

namespace {

int ExitStatus(SplitOutcome outcome, const SplitCommand& command, const TerminalHost& host) {
    switch (outcome) {
    case SplitOutcome::Written:
        return kExitWritten;
    case SplitOutcome::NothingFound:
        return host.ReportFailed() ? kExitEngineError : kExitNothingFound;
    case SplitOutcome::Cancelled:
        return kExitCancelled;
    case SplitOutcome::Declined:
        if (host.LabelFileRefused()) {
            return kExitUsage;
        }
        if (host.LabelFileFailed() || host.ReportFailed()) {
            return kExitEngineError;
        }
        if (IsCancelRequested()) { // Ctrl+C at the prompt
            return kExitCancelled;
        }
        return command.dryRun ? kExitWritten : kExitDeclined;
    case SplitOutcome::Refused:
    case SplitOutcome::WriteFailed:
        break;
    }
    return kExitEngineError;
}

// Runs the suggestion and prints it; returns no value when the split should go
// on with the suggested threshold, which it puts into the options.
std::optional<int> SuggestAndReport(SplitCommand& command, SplitHost& host) {
    using Outcome = ThresholdSuggestion::Outcome;
    const ThresholdSuggestion suggestion = RunThresholdSuggestion(command.options, host);
    switch (suggestion.outcome) {
    case Outcome::Suggested:
        // After a switch of method the advice is the sentence that says so.
        if (suggestion.useAverageMethod == command.options.useAverageMethod) {
            std::printf("Suggested threshold: %s\n", suggestion.thresholdText.c_str());
        }
        if (!suggestion.advice.empty()) {
            std::printf("%s\n", suggestion.advice.c_str());
        }
        std::fflush(stdout);
        if (command.suggestOnly) {
            return kExitWritten;
        }
        command.options.thresholdText = suggestion.thresholdText;
        command.options.useAverageMethod = suggestion.useAverageMethod;
        return std::nullopt;
    case Outcome::Cancelled:
        return kExitCancelled;
    case Outcome::Refused: // the host has shown why
        return kExitEngineError;
    case Outcome::OutOfMemory:
        std::fprintf(stderr, "quernfold-split: %s\n",
                     SuggestionProblemText(suggestion.outcome).c_str());
        return kExitEngineError;
    case Outcome::TooShort:
    case Outcome::NoSound:
    case Outcome::NoSilence:
        break;
    }
    std::fprintf(stderr, "quernfold-split: %s\n",
                 SuggestionProblemText(suggestion.outcome).c_str());
    if (!suggestion.advice.empty()) {
        std::fprintf(stderr, "%s\n", suggestion.advice.c_str());
    }
    return kExitNothingFound;
}

// The run, from the command line to the exit status.
int Split(int argc, char** argv) {
    SplitCommand command;
    if (std::optional<int> status = ParseSplitCommandLine(ProgramArguments(argc, argv), command)) {
        return *status;
    }
    if (!command.cutsPath.empty() && !ReadCutsOrExplain(command.cutsPath, command.options.inputPath,
                                                        command.options.givenCuts)) {
        return kExitUsage;
    }
    InstallCancelSignals();

    TerminalHost::Settings settings;
    settings.showProgress = !command.quiet && StandardErrorIsTerminal();
    settings.answerYes = command.answerYes;
    settings.dryRun = command.dryRun;
    settings.labelsPath = command.labelsPath;
    settings.labelsGiven = command.labelsGiven;
    settings.cueSheetPath = command.cueSheetPath;
    settings.cueSheetGiven = command.cueSheetGiven;
    settings.fileNamePrefix = command.options.fileNamePrefix;
    settings.naming = command.options.naming;
    // Fixed now: the engine changes the working directory before the plan is ready.
    settings.inputPath = AbsolutePath(command.options.inputPath);
    settings.recordingGiven = command.options.inputPath;
    TerminalHost host(settings);

    if (command.suggestThreshold || command.suggestOnly) {
        if (std::optional<int> status = SuggestAndReport(command, host)) {
            return *status;
        }
    }
    const SplitOutcome outcome = RunSplitJob(command.options, host);
    return ExitStatus(outcome, command, host);
}

} // namespace

int main(int argc, char** argv) {
    OpenClosedStandardDescriptors();
    IgnoreFileSizeAndPipeSignals();
    UseUtf8Output();
    try {
        return Split(argc, argv);
    } catch (const std::bad_alloc&) {
        // Unwinding has closed the recording and whatever file was being written.
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", messages::kErrorCaption, messages::kNotEnoughMemory);
        return kExitEngineError;
    }
}

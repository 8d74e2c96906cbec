// quernfold-split: the splitting engine on a terminal.
#include "ProcessGuards.h"
#include "SplitCommandLine.h"
#include "SplitJob.h"
#include "TerminalHost.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

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

} // namespace

int main(int argc, char** argv) {
    OpenClosedStandardDescriptors();
    IgnoreFileSizeAndPipeSignals();
    SplitCommand command;
    if (std::optional<int> status = ParseSplitCommandLine(argc, argv, command)) {
        return *status;
    }
    InstallCancelSignals();

    TerminalHost::Settings settings;
    settings.showProgress = !command.quiet && isatty(STDERR_FILENO) == 1;
    settings.answerYes = command.answerYes;
    settings.dryRun = command.dryRun;
    settings.labelsPath = command.labelsPath;
    settings.fileNamePrefix = command.options.fileNamePrefix;
    // Fixed now: the engine changes the working directory before the plan is ready.
    std::error_code error;
    settings.inputPath = std::filesystem::absolute(command.options.inputPath, error).string();
    TerminalHost host(settings);

    const SplitOutcome outcome = RunSplitJob(command.options, host);
    return ExitStatus(outcome, command, host);
}

// quernfold-split: the splitting engine on a terminal.
#include "SplitCommandLine.h"
#include "SplitJob.h"
#include "TerminalHost.h"

#include <unistd.h>

namespace {

int ExitStatus(SplitOutcome outcome, const SplitCommand& command, const TerminalHost& host) {
    switch (outcome) {
    case SplitOutcome::Written:
        return kExitWritten;
    case SplitOutcome::NothingFound:
        return kExitNothingFound;
    case SplitOutcome::Cancelled:
        return kExitCancelled;
    case SplitOutcome::Declined:
        if (host.LabelFileFailed()) {
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
    TerminalHost host(settings);

    const SplitOutcome outcome = RunSplitJob(command.options, host);
    return ExitStatus(outcome, command, host);
}

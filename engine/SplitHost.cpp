#include "SplitHost.h"

#include "ProcessServices.h"
#include "SplitAnalyzer.h"
#include "SplitPlan.h"

#include <cstdarg>
#include <cstdio>

void ProgressDisplay::SetText(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    // vsnprintf cuts an over-long text and always terminates it.
    const int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written < 0) {
        text[0] = '\0';
    }
    SetStatusText(text);
}

void SplitHost::PlanReady(const SplitPlan& /*plan*/, std::uint32_t /*frameCount*/,
                          std::uint32_t /*sampleRate*/) {}

SplitHost::PlanAnswer SplitHost::ConfirmPlan(const PlanToConfirm& proposal,
                                             ChosenPlan& /*chosen*/) {
    if (proposal.plan.splitPoints.empty()) {
        ShowMessage(kNothingFoundText, kNothingFoundCaption, MB_OK);
        return PlanAnswer::NothingFound;
    }
    const std::string report =
        SplitAnalyzer::FormatReport(proposal.plan, proposal.frameCount, proposal.sampleRate);
    return ShowMessage(report, kReportCaption, MB_OKCANCEL) == IDOK ? PlanAnswer::Proceed
                                                                    : PlanAnswer::Declined;
}

bool SplitHost::ChangeDirectory(const std::string& folder) {
    return process::ChangeDirectory(folder);
}

std::string SplitHost::CurrentDirectory() {
    return process::CurrentDirectory();
}

void SplitHost::SetIdlePriority() {
    process::SetIdlePriority();
}

void SplitHost::SetNormalPriority() {
    process::SetNormalPriority();
}

std::int64_t SplitHost::NowSeconds() {
    return process::NowSeconds();
}

#include "SplitHost.h"

#include "Messages.h"
#include "ProcessServices.h"
#include "SplitAnalyzer.h"
#include "SplitPlan.h"

#include <cstdarg>

void ProgressDisplay::SetText(const char* format, ...) {
    // A status line of at most 511 bytes, as the window's fixed buffer held.
    constexpr std::size_t kMaxStatusBytes = 511;
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    if (text.size() > kMaxStatusBytes) {
        text.resize(kMaxStatusBytes);
    }
    SetStatusText(text.c_str());
}

void SplitHost::ShowNotice(const std::string& text) {
    ShowMessage(text, messages::kWarningCaption, MB_OK);
}

void SplitHost::PlanReady(const SplitPlan& /*plan*/, std::uint32_t /*frameCount*/,
                          std::uint32_t /*sampleRate*/) {}

SplitHost::PlanAnswer SplitHost::ConfirmPlan(const PlanToConfirm& proposal,
                                             ChosenPlan& /*chosen*/) {
    if (proposal.plan.splitPoints.empty()) {
        ShowMessage(messages::kNoSplitPoints, messages::kNothingToDoCaption, MB_OK);
        return PlanAnswer::NothingFound;
    }
    const std::string report =
        SplitAnalyzer::FormatReport(proposal.plan, proposal.frameCount, proposal.sampleRate);
    return ShowMessage(report, messages::kReadyCaption, MB_OKCANCEL) == IDOK ? PlanAnswer::Proceed
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

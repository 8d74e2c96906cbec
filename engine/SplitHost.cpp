#include "SplitHost.h"

#include "Messages.h"
#include "ProcessServices.h"
#include "SplitAnalyzer.h"
#include "SplitPlan.h"

#include <utility>

void ProgressDisplay::SetStatus(std::string text) {
    // Every display keeps the same limit, so a status line reads the same in
    // the windows and in the terminal.
    constexpr std::size_t kMaxStatusBytes = 511;
    if (text.size() > kMaxStatusBytes) {
        text.resize(kMaxStatusBytes);
    }
    ShowStatus(text);
}

void SplitHost::ShowNotice(const std::string& text) {
    ShowMessage(text, messages::kWarningCaption, MessageKind::Notice);
}

void SplitHost::PlanReady(const SplitPlan& /*plan*/, std::uint32_t /*frameCount*/,
                          std::uint32_t /*sampleRate*/) {}

SplitHost::PlanAnswer SplitHost::ConfirmPlan(const PlanToConfirm& proposal,
                                             ChosenPlan& /*chosen*/) {
    if (proposal.plan.splitPoints.empty()) {
        ShowMessage(messages::kNoSplitPoints, messages::kNothingToDoCaption, MessageKind::Notice);
        return PlanAnswer::NothingFound;
    }
    const std::string report =
        SplitAnalyzer::FormatReport(proposal.plan, proposal.frameCount, proposal.sampleRate);
    return ShowMessage(report, messages::kReadyCaption, MessageKind::Question) == Answer::Ok
               ? PlanAnswer::Proceed
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

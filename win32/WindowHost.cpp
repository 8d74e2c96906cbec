#include "WindowHost.h"

#include "CJobProgressWnd.h"
#include "CPlanReviewWnd.h"
#include "TextConversion.h"

namespace winui {

WindowHost::WindowHost(HWND owner, SettingsStore& store) : mainWindow(owner), settings(store) {}

std::unique_ptr<ProgressDisplay> WindowHost::CreateProgress(const std::string& title, bool smooth) {
    return std::make_unique<CJobProgressWnd>(mainWindow, title.c_str(), smooth ? 1 : 0, settings);
}

namespace {

// The system's message box style for each kind of message.
UINT BoxStyleOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Question:
        return MB_OKCANCEL;
    case MessageKind::Error:
        return MB_ICONERROR | MB_OK;
    case MessageKind::Notice:
        break;
    }
    return MB_OK;
}

} // namespace

void WindowHost::ReviewPlans(OptionsChosen onChosen) {
    reviewPlans = true;
    optionsChosen = std::move(onChosen);
}

SplitHost::PlanAnswer WindowHost::ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) {
    // The review reads only the recording the run opened; without it, the plain report.
    if (!reviewPlans || proposal.reader == nullptr) {
        return SplitHost::ConfirmPlan(proposal, chosen);
    }
    CPlanReviewWnd review(mainWindow, proposal, settings);
    switch (review.DoModal()) {
    case CPlanReviewWnd::Outcome::NoWindow:
        return SplitHost::ConfirmPlan(proposal, chosen);
    case CPlanReviewWnd::Outcome::Cancelled:
        return PlanAnswer::Declined;
    case CPlanReviewWnd::Outcome::Ok:
        break;
    }
    chosen = review.Chosen();
    if (optionsChosen) {
        optionsChosen(chosen.thresholdText, chosen.useAverageMethod);
    }
    return PlanAnswer::Proceed;
}

Answer WindowHost::ShowMessage(const std::string& text, const std::string& caption,
                               MessageKind kind) {
    const int answer =
        MessageBoxW(mainWindow, Utf16FromUtf8(text).c_str(), Utf16FromUtf8(caption).c_str(),
                    BoxStyleOf(kind) | MB_SETFOREGROUND);
    return answer == IDOK ? Answer::Ok : Answer::Cancel;
}

} // namespace winui

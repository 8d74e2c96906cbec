#include "WindowHost.h"

#include "CJobProgressWnd.h"
#include "CPlanReviewWnd.h"

#include <QMessageBox>
#include <QPushButton>

namespace qtui {

WindowHost::WindowHost(QWidget* owner, SettingsStore& store) : mainWindow(owner), settings(store) {}

std::unique_ptr<ProgressDisplay> WindowHost::CreateProgress(const std::string& title, bool smooth) {
    return std::make_unique<CJobProgressWnd>(mainWindow, title, smooth, settings);
}

Answer WindowHost::ShowMessage(const std::string& text, const std::string& caption,
                               MessageKind kind) {
    const bool isError = kind == MessageKind::Error;
    const bool asksOkCancel = kind == MessageKind::Question;
    QMessageBox box(isError ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromStdString(caption), QString::fromStdString(text),
                    asksOkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    mainWindow);
    box.setTextFormat(Qt::PlainText); // paths and names are shown as they are
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(asksOkCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok) ? Answer::Ok : Answer::Cancel;
}

void WindowHost::ReviewPlans(OptionsChosen onChosen) {
    reviewPlans = true;
    optionsChosen = std::move(onChosen);
}

SplitHost::PlanAnswer WindowHost::ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) {
    // The review reads only the recording the run opened; without it, the plain report.
    if (!reviewPlans || proposal.reader == nullptr) {
        return SplitHost::ConfirmPlan(proposal, chosen);
    }
    CPlanReviewWnd review(proposal, settings, mainWindow);
    if (review.exec() != QDialog::Accepted) {
        return PlanAnswer::Declined;
    }
    chosen = review.Chosen();
    if (optionsChosen) {
        optionsChosen(chosen.thresholdText, chosen.useAverageMethod);
    }
    return PlanAnswer::Proceed;
}

} // namespace qtui

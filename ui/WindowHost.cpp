#include "WindowHost.h"

#include "CJobProgressWnd.h"
#include "CPlanReviewWnd.h"

#include <QMessageBox>
#include <QPushButton>

WindowHost::WindowHost(QWidget* owner) : mainWindow(owner) {}

std::unique_ptr<ProgressDisplay> WindowHost::CreateProgress(const char* title, int smooth) {
    return std::make_unique<CJobProgressWnd>(mainWindow, title, smooth);
}

int WindowHost::ShowMessage(const std::string& text, const char* caption, unsigned style) {
    const bool isError = (style & MB_ICONERROR) != 0;
    const bool asksOkCancel = !isError && ButtonsOf(style) == MB_OKCANCEL;
    QMessageBox box(isError ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromUtf8(caption ? caption : ""), QString::fromStdString(text),
                    asksOkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    mainWindow);
    box.setTextFormat(Qt::PlainText); // paths and names are shown as they are
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(asksOkCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok) ? IDOK : IDCANCEL;
}

void WindowHost::ReviewPlans(OptionsChosen onChosen) {
    reviewPlans = true;
    optionsChosen = std::move(onChosen);
}

SplitHost::PlanAnswer WindowHost::ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) {
    if (!reviewPlans) {
        return SplitHost::ConfirmPlan(proposal, chosen);
    }
    CPlanReviewWnd review(proposal, mainWindow);
    if (review.exec() != QDialog::Accepted) {
        return PlanAnswer::Declined;
    }
    if (review.Changed()) {
        chosen.changed = true;
        chosen.plan = review.ShownPlan();
        chosen.thresholdText = review.ShownOptions().thresholdText;
        chosen.useAverageMethod = review.ShownOptions().useAverageMethod;
    }
    if (optionsChosen) {
        optionsChosen(review.ShownOptions().thresholdText, review.ShownOptions().useAverageMethod);
    }
    return PlanAnswer::Proceed;
}

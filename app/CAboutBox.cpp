#include "CAboutBox.h"

#include "ControlIds.h"
#include "DialogBuilder.h"
#include "ProgramIcon.h"

#include <QPushButton>

namespace qtui {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowIcon(ProgramIcon());
    const DialogControls controls = BuildDialog(*this, kAboutBoxTemplate);
    if (auto* ok = controls.Get<QPushButton>(AboutBoxId::kOk)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

} // namespace qtui

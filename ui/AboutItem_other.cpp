// The window manager owns the window's system menu here, so the About item is
// offered in the window's context menu instead.
#include "CQuernfoldDlg.h"

#include "DialogTemplate.h"

#include <QAction>

void CQuernfoldDlg::AddAboutItem() {
    const QString text = QString::fromUtf8(kAboutMenuText);
    if (text.isEmpty()) {
        return;
    }
    auto* about = new QAction(text, this);
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, [this] { OnAbout(); });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

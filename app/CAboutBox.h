// The About box: the program icon, the version line and OK. OK, Escape and the
// close box end it.
#pragma once

#include <QDialog>

namespace qtui {

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent = nullptr);
};

} // namespace qtui

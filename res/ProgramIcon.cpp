#include "ProgramIcon.h"

#include <QString>

// Resources in a static library are not registered by themselves: the first
// call does it. Q_INIT_RESOURCE has to be used outside any namespace.
static void RegisterProgramResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(quernfold);
        return true;
    }();
    (void)registered;
}

QPixmap ProgramIconImage(int edge) {
    RegisterProgramResources();
    return QPixmap(QStringLiteral(":/quernfold/quernfold-%1.png").arg(edge == 16 ? 16 : 32));
}

QIcon ProgramIcon() {
    QIcon icon;
    icon.addPixmap(ProgramIconImage(32));
    icon.addPixmap(ProgramIconImage(16));
    return icon;
}

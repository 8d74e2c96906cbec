// Saves a rectangle of the X screen as a PNG, for the README's screenshot of
// the real window: grab-screen <file.png> <x> <y> <width> <height>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6) {
        std::fprintf(stderr, "usage: grab-screen <file.png> <x> <y> <width> <height>\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return 1;
    }
    const QPixmap shot = screen->grabWindow(0, arguments[2].toInt(), arguments[3].toInt(),
                                            arguments[4].toInt(), arguments[5].toInt());
    return !shot.isNull() && shot.save(arguments[1]) ? 0 : 1;
}

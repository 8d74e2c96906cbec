// Saves a rectangle of the X screen as a PNG, for the README's screenshot of
// the real window: grab-screen <file.png> <x> <y> <width> <height>
// With --find RRGGBB instead of the file, prints where in the rectangle that
// colour is drawn (the screen point in the middle of its pixels, "x y"), for
// tests that point at something a window drew; exits 1 when it is not there.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

namespace {

int FindColour(const QImage& image, QRgb colour, int left, int top) {
    long long sumX = 0;
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                sumX += x;
                rows.push_back(y);
            }
        }
    }
    if (rows.size() < 20) {
        return 1;
    }
    std::printf("%lld %d\n", left + sumX / static_cast<long long>(rows.size()),
                top + rows[rows.size() / 2]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    QString find;
    if (arguments.size() == 7 && arguments[1] == QStringLiteral("--find")) {
        find = arguments[2];
        arguments.removeAt(1);
    }
    if (arguments.size() != 6) {
        std::fprintf(stderr, "usage: grab-screen <file.png> <x> <y> <width> <height>\n"
                             "       grab-screen --find RRGGBB <x> <y> <width> <height>\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return 1;
    }
    const int left = arguments[2].toInt();
    const int top = arguments[3].toInt();
    const QPixmap shot =
        screen->grabWindow(0, left, top, arguments[4].toInt(), arguments[5].toInt());
    if (shot.isNull()) {
        return 1;
    }
    if (!find.isEmpty()) {
        return FindColour(shot.toImage(), find.toUInt(nullptr, 16), left, top);
    }
    return shot.save(arguments[1]) ? 0 : 1;
}

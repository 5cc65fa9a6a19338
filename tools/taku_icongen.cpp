// Writes the application's icon, the same clock the program draws for its windows, as PNG
// files for the desktop menu: taku_icongen DIR writes DIR/chikutaku.png (256 pixels) and
// DIR/chikutaku-48.png.

#include "about/My_ICON.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: taku_icongen DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const bool ok = taku::drawMyIcon(256).save(dir.filePath(QStringLiteral("chikutaku.png"))) &&
                    taku::drawMyIcon(48).save(dir.filePath(QStringLiteral("chikutaku-48.png")));
    return ok ? 0 : 1;
}

// Writes the application icon as PNG files for the desktop's icon theme:
//   kven_icongen OUTPUT_DIR SIZE...   ->   OUTPUT_DIR/SIZExSIZE/kven.png
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/icons.h"

int main(int argc, char** argv) {
    // Painting images needs no display; the offscreen platform keeps the build headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "bad size: %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2").arg(root).arg(size);
        if (!QDir().mkpath(dir) || !res::DrawAppIcon(size).save(dir + "/kven.png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}

// Draws the program's icons into files at build time:
//   kven_icongen OUTPUT_DIR SIZE...   ->   OUTPUT_DIR/SIZExSIZE/kven.png, for the desktop's icon
//                                          theme
//   kven_icongen --ico OUTPUT_DIR     ->   kven.ico, result-fail.ico and result-ok.ico, the icon
//                                          resources 128, 137 and 138 of the Windows program
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "res/ico_file.h"
#include "res/icons.h"

namespace {

// Icon 128 in nine images: each size at 16 colours, 256 colours and 24-bit colour. The lamps
// in one 32-pixel, 16-colour image.
bool WriteIconResources(const QString& dir) {
    std::vector<res::IcoImage> app;
    for (int size : {48, 32, 16}) {
        for (int bits : {4, 8, 24})
            app.push_back({res::DrawAppIcon(size), bits});
    }
    const struct {
        const char* name;
        std::vector<res::IcoImage> images;
    } files[] = {
        {"kven.ico", app},
        {"result-fail.ico", {{res::DrawIconResource(res::IDI_RESULT_FAIL, res::kLampSize), 4}}},
        {"result-ok.ico", {{res::DrawIconResource(res::IDI_RESULT_OK, res::kLampSize), 4}}},
    };
    if (!QDir().mkpath(dir))
        return false;
    for (const auto& f : files) {
        const QByteArray bytes = res::IcoFile(f.images);
        QFile file(dir + "/" + f.name);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size() || !file.flush())
            return false;
    }
    return true;
}

bool WriteThemeIcons(const QString& root, int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "bad size: %s\n", argv[i]);
            return false;
        }
        const QString dir = QStringLiteral("%1/%2x%2").arg(root).arg(size);
        if (!QDir().mkpath(dir) || !res::DrawAppIcon(size).save(dir + "/kven.png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Painting images needs no display; the offscreen platform keeps the build headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--ico") == 0) {
        const QString dir = QString::fromLocal8Bit(argv[2]);
        if (!WriteIconResources(dir)) {
            std::fprintf(stderr, "cannot write the icon files in %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR SIZE...\n       %s --ico OUTPUT_DIR\n", argv[0],
                     argv[0]);
        return 2;
    }
    return WriteThemeIcons(QString::fromLocal8Bit(argv[1]), argc - 2, argv + 2) ? 0 : 1;
}

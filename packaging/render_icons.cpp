// Writes the program icon as PNG files, one per size of the freedesktop icon theme, from the
// same drawing the window uses: render_icons OUTPUT_DIR.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/shell/pictures.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString name = QStringLiteral("%1x%1.png").arg(size);
        if (!velta::program_icon_pixmap(size).save(out.filePath(name), "PNG")) {
            std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(out.filePath(name)));
            return 1;
        }
    }
    return 0;
}

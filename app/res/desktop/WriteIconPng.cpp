// quillon-icon-png SIZE FILE: writes the program's icon at SIZE pixels as a PNG, so the
// installed hicolor PNG is the very drawing the windows show. Run at build time, offscreen.

#include "res/ProgramIcon.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon-icon-png SIZE FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int size = std::atoi(argv[1]);
    const QPixmap pixmap = ProgramIcon().pixmap(size, size);
    if (size <= 0 || pixmap.width() != size || !pixmap.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "quillon-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

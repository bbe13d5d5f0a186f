// Writes the programs' icons as PNG files laid out as an icon theme, to be installed beside
// the scalable icons and read by the programs for their windows:
//
//   render_icons <folder>    writes <folder>/<n>x<n>/apps/<program>.png for every size a
//                            desktop shows an icon at

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cstdio>

#include "resources/artwork/Artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons <folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char* picture : {"icon", "icon-calculator"}) {
        for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
            const QString name = QString::fromLatin1(picture);
            const QString file = root.filePath(resources::Artwork::iconFile(name, side));
            if (!root.mkpath(QFileInfo(file).path())) {
                std::fprintf(stderr, "render_icons: cannot create %s\n",
                             qPrintable(QFileInfo(file).path()));
                return 1;
            }
            const QImage image = resources::Artwork::render(name, QSizeF(side, side), 1.0);
            if (image.isNull() || !image.save(file)) {
                std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}

// Writes the programs' icons drawn for menu and panel sizes as PNG files laid out as an icon
// theme, to be installed beside the scalable icons:
//
//   render_icons <folder>    writes <folder>/<n>x<n>/apps/<program>.png for n = 16 and 24

#include <QDir>
#include <QImage>
#include <cstdio>

#include "resources/artwork/Artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons <folder>\n");
        return 2;
    }
    struct ProgramIcon {
        const char* program;
        const char* picture;  // the name its window gives its icon
    };
    const ProgramIcon icons[] = {{"cardtable", "icon"}, {"oddsdesk", "icon-calculator"}};
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const int side : {16, 24}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        if (!root.mkpath(folder)) {
            std::fprintf(stderr, "render_icons: cannot create %s\n", qPrintable(folder));
            return 1;
        }
        for (const ProgramIcon& icon : icons) {
            const QImage image = resources::Artwork::render(QString::fromLatin1(icon.picture),
                                                            QSizeF(side, side), 1.0);
            const QString file = root.filePath(folder + "/" + icon.program + ".png");
            if (image.isNull() || !image.save(file)) {
                std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}

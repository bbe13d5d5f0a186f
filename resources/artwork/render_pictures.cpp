// Writes every picture to PNG files at pixel ratios 1 and 2, with sheets of the cards and
// previews of the table, so the artwork can be looked at as a whole.
//
//   render_pictures <folder>

#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/Drawing.h"

namespace {

using formsqt::PictureLook;
using resources::Artwork;

bool save(const QImage& image, const QDir& dir, const QString& file) {
    if (image.isNull() || !image.save(dir.filePath(file))) {
        std::fprintf(stderr, "render_pictures: cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

// Draws a picture at its place on a canvas in logical pixels.
void place(QPainter& p, const QString& name, QRectF at, qreal dpr,
           PictureLook look = PictureLook::Normal) {
    p.drawImage(at.topLeft(), Artwork::render(name, at.size(), dpr, look));
}

void text(QPainter& p, QRectF at, const QString& s, qreal px, bool bold, QColor colour,
          int align = Qt::AlignLeft | Qt::AlignTop) {
    p.setFont(resources::draw::font(p, resources::draw::PanelFace, px,
                                    bold ? QFont::Bold : QFont::Normal));
    p.setPen(colour);
    p.drawText(at, align | Qt::TextWordWrap, s);
}

QImage canvas(QSize logical, qreal dpr, QColor fill) {
    QImage image(logical * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(fill);
    return image;
}

// The table in play: a hand dealt, the insurance offer, the buttons in their looks.
QImage tablePreview(qreal dpr) {
    QImage image = Artwork::render(QStringLiteral("table-felt"), {640, 480}, dpr);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    place(p, QStringLiteral("speech-bubble"), {18, 10, 223, 140}, dpr);
    text(p, {34, 30, 191, 76}, QStringLiteral("Welcome to the table, please place your bets.."), 16,
         false, QColor(30, 30, 30), Qt::AlignCenter);
    place(p, QStringLiteral("card-back"), {242, 66, 71, 96}, dpr);
    place(p, QStringLiteral("card-27"), {262, 66, 71, 96}, dpr);
    text(p, {262, 166, 160, 19}, QStringLiteral("11 = 11"), 13, true, Qt::white);
    const char* player[] = {"card-51", "card-20", "card-12"};
    for (int i = 0; i < 3; ++i)
        place(p, QString::fromLatin1(player[i]), {208.0 + 20 * i, 284, 71, 96}, dpr);
    text(p, {262, 262, 160, 19}, QStringLiteral("10+7+2 = 19"), 13, true, Qt::white);
    const char* buttons[] = {"button-deal", "button-hit", "button-stand", "button-double",
                             "button-split"};
    const PictureLook looks[] = {PictureLook::Disabled, PictureLook::Normal, PictureLook::Pressed,
                                 PictureLook::Normal, PictureLook::Disabled};
    for (int i = 0; i < 5; ++i)
        place(p, QString::fromLatin1(buttons[i]), {16.0 + 78 * i, 416, 73, 38}, dpr, looks[i]);
    place(p, QStringLiteral("insurance-frame"), {18, 168, 160, 82}, dpr);
    place(p, QStringLiteral("button-yes"), {28, 210, 65, 31}, dpr);
    place(p, QStringLiteral("button-no"), {103, 210, 65, 31}, dpr);
    place(p, QStringLiteral("odds-rows"), {412, 162, 221, 96}, dpr);
    text(p, {434, 260, 108, 13}, QStringLiteral("Dealer's Chances"), 12, false, Qt::white);
    const char* rows[] = {"17", "18", "19", "20", "21", "BUST"};
    for (int i = 0; i < 6; ++i)
        text(p, {436, 276.0 + 14 * i, 39, 13}, QString::fromLatin1(rows[i]), 12, false, Qt::white);
    text(p, {440, 452, 40, 17}, QStringLiteral("Total"), 13, true, Qt::white);
    text(p, {480, 452, 64, 17}, QStringLiteral("1000"), 13, true, Qt::white);
    text(p, {546, 452, 30, 17}, QStringLiteral("Bet"), 13, true, Qt::white);
    text(p, {576, 452, 60, 17}, QStringLiteral("25"), 13, true, Qt::white);
    return image;
}

// The table between hands: odds covered, the starting-amount panel open.
QImage panelPreview(qreal dpr) {
    QImage image = Artwork::render(QStringLiteral("table-felt"), {640, 480}, dpr);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    place(p, QStringLiteral("felt"), {412, 162, 221, 199}, dpr);
    place(p, QStringLiteral("amount-panel"), {172, 40, 275, 112}, dpr);
    text(p, {188, 52, 243, 32}, QStringLiteral("Enter new starting amount"), 13, false, Qt::white);
    p.fillRect(QRectF(188, 100, 156, 25), Qt::white);
    text(p, {192, 104, 150, 20}, QStringLiteral("1000"), 13, false, Qt::black);
    place(p, QStringLiteral("button-ok"), {356, 88, 75, 27}, dpr);
    place(p, QStringLiteral("button-close"), {356, 118, 75, 27}, dpr);
    const char* buttons[] = {"button-deal", "button-hit", "button-stand", "button-double",
                             "button-split"};
    for (int i = 0; i < 5; ++i)
        place(p, QString::fromLatin1(buttons[i]), {16.0 + 78 * i, 416, 73, 38}, dpr,
              i == 0 ? PictureLook::Normal : PictureLook::Disabled);
    return image;
}

QImage cardSheet(qreal dpr) {
    const int cols = 13, gap = 6;
    QImage image = canvas({cols * (71 + gap) + gap, 5 * (96 + gap) + gap}, dpr, QColor(20, 90, 46));
    QPainter p(&image);
    for (int n = 1; n <= 53; ++n) {
        const int i = n - 1;
        const QString name =
            n <= 52 ? QStringLiteral("card-%1").arg(n) : QStringLiteral("card-back");
        place(p, name,
              {qreal(gap + (i % cols) * (71 + gap)), qreal(gap + (i / cols) * (96 + gap)), 71, 96},
              dpr);
    }
    return image;
}

QImage smallSheet(qreal dpr) {
    QImage image = canvas({420, 440}, dpr, QColor(64, 64, 64));
    QPainter p(&image);
    qreal x = 10;
    for (int s : {16, 24, 32, 48, 64, 128}) {
        place(p, QStringLiteral("icon"), {x, 10, qreal(s), qreal(s)}, dpr);
        place(p, QStringLiteral("icon-calculator"), {x, 300, qreal(s), qreal(s)}, dpr);
        x += s + 10;
    }
    place(p, QStringLiteral("lamp"), {10, 160, 16, 13}, dpr);
    place(p, QStringLiteral("lamp"), {40, 160, 32, 26}, dpr);
    place(p, QStringLiteral("lamp"), {90, 150, 64, 52}, dpr);
    p.fillRect(QRectF(170, 150, 120, 140), QColor(192, 192, 192));
    place(p, QStringLiteral("icon"), {180, 160, 32, 32}, dpr);
    place(p, QStringLiteral("lamp"), {230, 170, 16, 13}, dpr);
    return image;
}

// Both icons at menu and panel sizes as a desktop shows them, on a light and a dark panel,
// and each enlarged eight times pixel for pixel.
QImage iconSheet() {
    constexpr int zoom = 8;
    QImage image =
        canvas({2 * (24 * zoom + 20) + 20, 4 * (24 * zoom + 20) + 80}, 1, QColor(128, 128, 128));
    QPainter p(&image);
    const char* names[] = {"icon", "icon-calculator"};
    for (int i = 0; i < 2; ++i) {
        const QString name = QString::fromLatin1(names[i]);
        const int x = 20 + i * (24 * zoom + 20);
        for (int b = 0; b < 2; ++b) {
            const QRect panel(x + b * 100, 10, 90, 50);
            p.fillRect(panel, b == 0 ? QColor(242, 242, 240) : QColor(46, 52, 54));
            place(p, name, {qreal(panel.x() + 10), 25, 16, 16}, 1);
            place(p, name, {qreal(panel.x() + 40), 21, 24, 24}, 1);
        }
        int y = 80;
        for (const int side : {16, 24}) {
            const QImage small = Artwork::render(name, {qreal(side), qreal(side)}, 1);
            for (int b = 0; b < 2; ++b) {
                QImage back =
                    canvas({side, side}, 1, b == 0 ? QColor(242, 242, 240) : QColor(46, 52, 54));
                QPainter(&back).drawImage(0, 0, small);
                p.drawImage(QRect(x, y, side * zoom, side * zoom), back);
                y += side * zoom + 20;
            }
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_pictures <folder>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "render_pictures: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (const qreal dpr : {1.0, 2.0}) {
        const QString suffix = dpr == 1.0 ? QString() : QStringLiteral("@2x");
        for (const QString& name : Artwork::names()) {
            const QSizeF size = Artwork::designSize(name);
            ok &= save(Artwork::render(name, size, dpr), dir, name + suffix + ".png");
            if (Artwork::hasLooks(name)) {
                ok &= save(Artwork::render(name, size, dpr, PictureLook::Pressed), dir,
                           name + "-pressed" + suffix + ".png");
                ok &= save(Artwork::render(name, size, dpr, PictureLook::Disabled), dir,
                           name + "-disabled" + suffix + ".png");
            }
        }
        ok &= save(tablePreview(dpr), dir, "preview-table" + suffix + ".png");
        ok &= save(panelPreview(dpr), dir, "preview-panel" + suffix + ".png");
        ok &= save(cardSheet(dpr), dir, "sheet-cards" + suffix + ".png");
        ok &= save(smallSheet(dpr), dir, "sheet-small" + suffix + ".png");
    }
    ok &= save(iconSheet(), dir, QStringLiteral("sheet-icons.png"));
    // The court cards and the back close up, for the details.
    {
        const qreal dpr = 4;
        QImage image = canvas({4 * 77 + 6, 108}, dpr, QColor(20, 90, 46));
        QPainter p(&image);
        const char* names[] = {"card-11", "card-25", "card-39", "card-back"};
        for (int i = 0; i < 4; ++i)
            place(p, QString::fromLatin1(names[i]), {6.0 + 77 * i, 6, 71, 96}, dpr);
        p.end();
        ok &= save(image, dir, QStringLiteral("sheet-courts@4x.png"));
    }
    return ok ? 0 : 1;
}

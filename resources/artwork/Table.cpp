// The table: felt, the house rules on the cloth, the chips and the odds panel's place.

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QtMath>
#include <random>

#include "resources/artwork/Drawing.h"

namespace resources {
namespace draw {

namespace {

constexpr qreal TableW = 640;
constexpr qreal TableH = 480;
// The odds panel's place on the table, and the chips'.
const QRectF OddsPanel(412, 162, 221, 199);
const QRectF ChipBoxes[3] = {{440, 398, 49, 47}, {496, 398, 49, 47}, {552, 398, 49, 47}};
const QColor PanelGrey(64, 64, 64);
const QColor Gold(226, 188, 92);

// The weave of the cloth, one tile in device pixels, made once from a fixed seed so that
// every picture of the felt shows the same grain.
const QImage& weaveTile() {
    static const QImage tile = [] {
        constexpr int N = 128;
        // Fine twill across the tile, of periods that divide N so the tile repeats
        // seamlessly. One period of each wave is worked out once: two sines for each pixel
        // would cost the table's first picture milliseconds.
        constexpr int Fine = 4, Coarse = 32;
        double fine[Fine], coarse[Coarse];
        for (int i = 0; i < Fine; ++i) fine[i] = std::sin(i * 2.0 * M_PI / Fine) * 0.35;
        for (int i = 0; i < Coarse; ++i) coarse[i] = std::sin(i * 2.0 * M_PI / Coarse) * 0.15;
        QImage img(N, N, QImage::Format_ARGB32);
        std::mt19937 gen(20240611u);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        for (int y = 0; y < N; ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < N; ++x) {
                // The twill, and grain on top of it.
                const double twill =
                    fine[(x + y) % Fine] + coarse[((x - 2 * y) % Coarse + Coarse) % Coarse];
                const double v = twill + noise(gen) * 0.6;
                line[x] = v >= 0 ? qRgba(255, 255, 255, static_cast<int>(v * 14))
                                 : qRgba(0, 0, 0, static_cast<int>(-v * 22));
            }
        }
        return img;
    }();
    return tile;
}

void chipShadow(QPainter& p, QPointF c, qreal r) {
    p.save();
    p.setPen(Qt::NoPen);
    QRadialGradient g(c + QPointF(1.0, 2.2), r * 1.12);
    g.setColorAt(0.82, QColor(0, 0, 0, 120));
    g.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(g);
    p.drawEllipse(c + QPointF(1.0, 2.2), r * 1.12, r * 1.12);
    p.restore();
}

}  // namespace

void tableCloth(QPainter& p) {
    const QRectF table(0, 0, TableW, TableH);
    QRadialGradient g(QPointF(240, 220), 520);
    g.setColorAt(0.0, QColor(40, 132, 72));
    g.setColorAt(0.45, QColor(28, 108, 58));
    g.setColorAt(1.0, QColor(10, 58, 30));
    p.fillRect(table, g);

    // The grain lies in device pixels: the same everywhere, fine at every scale.
    p.save();
    const QTransform world = p.worldTransform();
    const QRectF device = world.mapRect(table);
    p.resetTransform();
    p.setBrushOrigin(world.map(QPointF(0, 0)));
    p.fillRect(device, QBrush(weaveTile()));
    p.restore();

    // Light from above the middle of the table.
    QRadialGradient light(QPointF(250, 210), 300);
    light.setColorAt(0, QColor(255, 255, 230, 22));
    light.setColorAt(1, QColor(255, 255, 230, 0));
    p.fillRect(table, light);
}

void chip(QPainter& p, const QRectF& box, int value) {
    QColor base, spot, ink;
    switch (value) {
        case 1:
            base = QColor(236, 234, 226);
            spot = QColor(34, 78, 168);
            ink = spot;
            break;
        case 5:
            base = QColor(184, 26, 34);
            spot = QColor(246, 242, 232);
            ink = base;
            break;
        default:
            base = QColor(24, 112, 62);
            spot = QColor(246, 242, 232);
            ink = base;
            break;
    }
    const QPointF c = box.center() - QPointF(0.5, 1.0);
    const qreal r = std::min(box.width(), box.height()) / 2 - 2.2;
    chipShadow(p, c, r);

    p.save();
    p.setPen(QPen(base.darker(170), 0.8));
    QRadialGradient body(c - QPointF(r * 0.3, r * 0.35), r * 1.4);
    body.setColorAt(0, base.lighter(112));
    body.setColorAt(1, base.darker(118));
    p.setBrush(body);
    p.drawEllipse(c, r, r);

    // Six edge spots, the casino's inserts.
    const QRectF outer(c.x() - r, c.y() - r, 2 * r, 2 * r);
    const qreal ri = r * 0.76;
    const QRectF inner(c.x() - ri, c.y() - ri, 2 * ri, 2 * ri);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        const qreal a = 90 + i * 60 - 11;
        QPainterPath s;
        s.arcMoveTo(outer.adjusted(0.7, 0.7, -0.7, -0.7), a);
        s.arcTo(outer.adjusted(0.7, 0.7, -0.7, -0.7), a, 22);
        s.arcTo(inner, a + 22, -22);
        s.closeSubpath();
        p.fillPath(s, spot);
    }
    // Rings round the inlay.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(spot, 0.7, Qt::DashLine));
    p.drawEllipse(c, r * 0.69, r * 0.69);
    // The inlay with the value.
    const qreal rv = r * 0.58;
    QRadialGradient inlay(c - QPointF(rv * 0.3, rv * 0.4), rv * 1.5);
    inlay.setColorAt(0, QColor(255, 253, 246));
    inlay.setColorAt(1, QColor(226, 220, 204));
    p.setBrush(inlay);
    p.setPen(QPen(base.darker(140), 0.8));
    p.drawEllipse(c, rv, rv);
    QFont f = font(p, SerifFace, value >= 10 ? rv * 1.05 : rv * 1.25, QFont::Bold);
    QPainterPath text;
    text.addText(0, 0, f, QString::number(value));
    const QRectF b = text.boundingRect();
    p.fillPath(text.translated(c - b.center()), ink);
    // Gloss over the top.
    QRadialGradient gloss(c - QPointF(r * 0.35, r * 0.45), r * 0.9);
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(c, r, r);
    p.restore();
}

void tableFelt(QPainter& p) {
    tableCloth(p);

    // The house's name pressed into the cloth above the odds panel.
    p.save();
    const QRectF emblem(432, 44, 180, 44);
    const QFont name = font(p, SerifFace, 30, QFont::Bold, true);
    p.setFont(name);
    p.setPen(QColor(255, 255, 255, 26));
    p.drawText(emblem.translated(0, 1.2), Qt::AlignCenter, QStringLiteral("Brenn"));
    p.setPen(QColor(0, 30, 10, 90));
    p.drawText(emblem, Qt::AlignCenter, QStringLiteral("Brenn"));
    const qreal y = emblem.bottom() + 10;
    for (int i = 0; i < 4; ++i) {
        const QRectF box(emblem.center().x() - 27 + i * 14, y - 4.5, 9, 9);
        p.fillPath(suitPath((i + 2) % 4, box.translated(0, 0.8)), QColor(255, 255, 255, 22));
        p.fillPath(suitPath((i + 2) % 4, box), QColor(0, 30, 10, 80));
    }
    p.setPen(QPen(QColor(0, 30, 10, 80), 0.9));
    p.drawLine(QPointF(emblem.left() + 6, y), QPointF(emblem.center().x() - 34, y));
    p.drawLine(QPointF(emblem.center().x() + 34, y), QPointF(emblem.right() - 6, y));
    p.restore();

    // The house rules, printed on the cloth along the curve of the table.
    const QPointF centre(214, -354);
    p.save();
    // The insurance band: a gold-edged stripe with its word.
    const qreal rb = 594, halfAngle = 14.6;
    const QRectF circle(centre.x() - rb, centre.y() - rb, 2 * rb, 2 * rb);
    QPainterPath arc;
    arc.arcMoveTo(circle, 270 - halfAngle);
    arc.arcTo(circle, 270 - halfAngle, 2 * halfAngle);
    QPainterPathStroker stroker;
    stroker.setWidth(17);
    stroker.setCapStyle(Qt::RoundCap);
    const QPainterPath band = stroker.createStroke(arc);
    p.fillPath(band, QColor(0, 30, 10, 60));
    p.setPen(QPen(Gold, 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawPath(band);

    const QColor shadow(0, 0, 0, 110);
    const QFont title = font(p, SerifFace, 14.5, QFont::Bold);
    arcText(p, QStringLiteral("BLACKJACK PAYS 3 TO 2"), title, centre + QPointF(0.7, 1.0), 560, 1.3,
            shadow);
    arcText(p, QStringLiteral("BLACKJACK PAYS 3 TO 2"), title, centre, 560, 1.3,
            QColor(238, 204, 110));
    const QFont rule = font(p, SerifFace, 10.5, QFont::Normal, true);
    arcText(p, QStringLiteral("Dealer must draw to 16 and stand on all 17s"), rule,
            centre + QPointF(0.5, 0.8), 576, 0.25, shadow);
    arcText(p, QStringLiteral("Dealer must draw to 16 and stand on all 17s"), rule, centre, 576,
            0.25, QColor(240, 236, 218));
    const QFont insurance = font(p, SerifFace, 9.5, QFont::Bold);
    arcText(p, QStringLiteral("INSURANCE"), insurance, centre, 597.6, 3.2, Gold);
    p.restore();

    // The chips' rack, and the chips of 1, 5 and 25.
    p.save();
    const QRectF rack(433, 392.5, 175, 58);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(rack.translated(0, 1.2), 9, 9);
    QLinearGradient well(rack.topLeft(), rack.bottomLeft());
    well.setColorAt(0, QColor(6, 40, 20, 170));
    well.setColorAt(1, QColor(14, 66, 34, 120));
    p.setBrush(well);
    p.setPen(QPen(QColor(226, 188, 92, 150), 0.8));
    p.drawRoundedRect(rack, 9, 9);
    p.restore();
    const int values[3] = {1, 5, 25};
    for (int i = 0; i < 3; ++i) chip(p, ChipBoxes[i], values[i]);

    // The odds panel's place: dark grey, set in a thin gold frame.
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(OddsPanel.adjusted(-3, -2, 4, 5), 4, 4);
    p.setPen(QPen(Gold, 1.0));
    p.setBrush(QColor(40, 40, 40));
    p.drawRoundedRect(OddsPanel.adjusted(-2.5, -2.5, 2.5, 2.5), 3, 3);
    p.fillRect(OddsPanel, PanelGrey);
    p.restore();
}

void feltCover(QPainter& p, QSizeF size) {
    // The cloth exactly as it lies under the odds panel, so the cover blends with the table.
    p.save();
    p.scale(size.width() / OddsPanel.width(), size.height() / OddsPanel.height());
    p.translate(-OddsPanel.topLeft());
    tableCloth(p);
    p.restore();
}

void oddsRows(QPainter& p) {
    p.fillRect(QRectF(0, 0, 221, 96), PanelGrey);
    const QFont f = font(p, PanelFace, 12);
    p.setFont(f);
    p.setPen(Qt::white);
    const QFontMetricsF fm(f);
    const char* rows[] = {"Stand", "Hit", "Double", "Split"};
    for (int i = 0; i < 4; ++i)
        p.drawText(QPointF(24, 8 + 14 * i + fm.ascent()), QString::fromLatin1(rows[i]));
    // The EVEN mark under the bars' zero point.
    p.fillRect(QRectF(160, 2, 1, 66), Qt::white);
    p.drawText(QRectF(141, 68, 42, 15), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("EVEN"));
}

}  // namespace draw
}  // namespace resources

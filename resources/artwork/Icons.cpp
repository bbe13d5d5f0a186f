// The programs' icons: two upright cards with a dark edge and one big pip each (the ace of
// spades behind, the ace of hearts in front), and for the calculator one card with a "%"
// badge. Each is drawn on a pixel grid of 16 or 24 and scaled from it, so that it reads as
// the same bold picture at every size, as the scalable icons do.

#include <algorithm>

#include "resources/artwork/Drawing.h"

namespace resources {
namespace draw {

namespace {

constexpr int Spades = 2, Hearts = 3;
const QColor CardEdge(52, 52, 56);
const QColor BadgeBlue(42, 86, 176);

// A card filling the pixel cells of `cells`: a dark edge one pixel wide round a white face.
void gridCard(QPainter& p, const QRect& cells) {
    const QRectF outer(cells);
    QPainterPath edge;
    edge.addRoundedRect(outer, 1.6, 1.6);
    p.fillPath(edge, CardEdge);
    QPainterPath face;
    face.addRoundedRect(outer.adjusted(1, 1, -1, -1), 0.7, 0.7);
    p.fillPath(face, Qt::white);
}

void pip(QPainter& p, int suit, const QRectF& box) {
    p.fillPath(suitPath(suit, box), suitColor(suit));
}

// The badge: a blue disc in a white ring, and on it a "%" of two square dots and a slash.
struct BadgeGrid {
    QPointF centre;
    qreal radius;  // the ring's outer edge
    qreal ring;    // the ring's width
    QRectF dot1, dot2;
    QPointF slashFrom, slashTo;
    qreal slash;  // the slash's width
};

void gridBadge(QPainter& p, const BadgeGrid& b) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(b.centre, b.radius, b.radius);
    p.setBrush(BadgeBlue);
    p.drawEllipse(b.centre, b.radius - b.ring, b.radius - b.ring);
    p.fillRect(b.dot1, Qt::white);
    p.fillRect(b.dot2, Qt::white);
    QPen pen(Qt::white, b.slash);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(b.slashFrom, b.slashTo);
}

// On a 16-pixel grid: the ace of spades behind, the ace of hearts in front.
void tableIcon16(QPainter& p) {
    gridCard(p, QRect(0, 0, 9, 12));
    pip(p, Spades, QRectF(1.5, 2, 5, 5.5));
    gridCard(p, QRect(7, 4, 9, 12));
    pip(p, Hearts, QRectF(8.5, 7, 6, 6));
}

void tableIcon24(QPainter& p) {
    gridCard(p, QRect(1, 0, 13, 18));
    pip(p, Spades, QRectF(2.5, 2.5, 7, 7.5));
    gridCard(p, QRect(10, 6, 13, 18));
    pip(p, Hearts, QRectF(12, 10.5, 9, 9));
}

// On a 16-pixel grid: one card, the ace of spades, and the badge over its lower right corner.
void calculatorIcon16(QPainter& p) {
    gridCard(p, QRect(0, 0, 10, 13));
    pip(p, Spades, QRectF(1.5, 1.5, 4.5, 5));
    gridBadge(p, {QPointF(10, 10), 6, 1, QRectF(7, 7, 2, 2), QRectF(11, 11, 2, 2),
                  QPointF(13.2, 6.8), QPointF(6.8, 13.2), 1.5});
}

void calculatorIcon24(QPainter& p) {
    gridCard(p, QRect(0, 0, 14, 19));
    pip(p, Spades, QRectF(2, 2, 7, 7.5));
    gridBadge(p, {QPointF(15.5, 15.5), 8.5, 1.2, QRectF(11, 11, 3, 3), QRectF(17, 17, 3, 3),
                  QPointF(20, 11), QPointF(11, 20), 2});
}

// An icon on the grid of 16 or 24 pixels that suits its size, scaled to it: the 16 grid up
// to 20 pixels, the 24 grid above.
void onGrid(QPainter& p, QSizeF size, void (*draw16)(QPainter&), void (*draw24)(QPainter&)) {
    const qreal s = std::min(size.width(), size.height());
    const qreal grid = s <= 20 ? 16 : 24;
    p.save();
    p.translate((size.width() - s) / 2, (size.height() - s) / 2);
    p.scale(s / grid, s / grid);
    (grid == 16 ? draw16 : draw24)(p);
    p.restore();
}

}  // namespace

void tableIcon(QPainter& p, QSizeF size) {
    onGrid(p, size, tableIcon16, tableIcon24);
}

void calculatorIcon(QPainter& p, QSizeF size) {
    onGrid(p, size, calculatorIcon16, calculatorIcon24);
}

}  // namespace draw
}  // namespace resources

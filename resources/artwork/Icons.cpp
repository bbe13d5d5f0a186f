// The programs' icons: the fan of two aces, and for the calculator the same with a "%" badge.
// At menu and panel sizes (24 pixels and below) each has a drawing of its own on the pixel
// grid: upright cards with a dark edge and one big pip each, and a badge whose "%" is made of
// whole pixels, so that neither reads as a pale blob.

#include <algorithm>

#include "resources/artwork/Drawing.h"

namespace resources {
namespace draw {

namespace {

constexpr int Spades = 2, Hearts = 3;
const QColor CardEdge(52, 52, 56);
const QColor BadgeBlue(42, 86, 176);

// The largest side drawn on a grid of its own; larger icons are the fan.
constexpr qreal LargestSmallIcon = 24;

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

// A small icon on the grid of 16 or 24 pixels that suits `side`, scaled to it.
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
    if (std::min(size.width(), size.height()) <= LargestSmallIcon)
        onGrid(p, size, tableIcon16, tableIcon24);
    else
        icon(p, size);
}

void calculatorIcon(QPainter& p, QSizeF size) {
    const qreal s = std::min(size.width(), size.height());
    if (s <= LargestSmallIcon) {
        onGrid(p, size, calculatorIcon16, calculatorIcon24);
        return;
    }
    icon(p, size);
    // The badge at the lower right, as on the scalable icon.
    p.save();
    p.translate((size.width() - s) / 2, (size.height() - s) / 2);
    const QPointF c(s * 0.766, s * 0.766);
    const qreal r = s * 0.195;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 64));
    p.drawEllipse(c + QPointF(s * 0.008, s * 0.012), r, r);
    p.setBrush(BadgeBlue);
    p.setPen(QPen(Qt::white, s * 0.023));
    p.drawEllipse(c, r, r);
    QPen stroke(Qt::white, s * 0.027);
    p.setPen(stroke);
    p.setBrush(Qt::NoBrush);
    const qreal ring = s * 0.039, off = s * 0.066;
    p.drawEllipse(c + QPointF(-off, -off), ring, ring);
    p.drawEllipse(c + QPointF(off, off), ring, ring);
    stroke.setWidthF(s * 0.031);
    stroke.setCapStyle(Qt::RoundCap);
    p.setPen(stroke);
    p.drawLine(c + QPointF(s * 0.086, -s * 0.102), c + QPointF(-s * 0.086, s * 0.102));
    p.restore();
}

}  // namespace draw
}  // namespace resources

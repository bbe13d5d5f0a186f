#include <QFontMetricsF>
#include <QPaintDevice>
#include <QtMath>
#include <array>

#include "resources/artwork/Drawing.h"

namespace resources {
namespace draw {

QFont font(const QPainter& p, const QString& family, qreal px, int weight, bool italic) {
    QFont f;
    f.setFamilies({family, QStringLiteral("DejaVu Sans")});
    const int dpi = p.device() ? p.device()->logicalDpiY() : 96;
    f.setPointSizeF(px * 72.0 / (dpi > 0 ? dpi : 96));
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

bool isRed(int suit) {
    return suit == 1 || suit == 3;
}

QColor suitColor(int suit) {
    return isRed(suit) ? QColor(198, 22, 40) : QColor(24, 24, 28);
}

namespace {

// Each suit drawn in a unit square, then mapped onto the box.
QPainterPath unitSuit(int suit) {
    QPainterPath path;
    switch (suit) {
        case 3: {  // heart
            path.moveTo(0.5, 0.98);
            path.cubicTo(0.36, 0.80, 0.0, 0.62, 0.0, 0.31);
            path.cubicTo(0.0, 0.11, 0.14, 0.02, 0.28, 0.02);
            path.cubicTo(0.40, 0.02, 0.48, 0.10, 0.5, 0.22);
            path.cubicTo(0.52, 0.10, 0.60, 0.02, 0.72, 0.02);
            path.cubicTo(0.86, 0.02, 1.0, 0.11, 1.0, 0.31);
            path.cubicTo(1.0, 0.62, 0.64, 0.80, 0.5, 0.98);
            break;
        }
        case 1: {  // diamond
            path.moveTo(0.5, 0.0);
            path.quadTo(0.66, 0.27, 0.9, 0.5);
            path.quadTo(0.66, 0.73, 0.5, 1.0);
            path.quadTo(0.34, 0.73, 0.1, 0.5);
            path.quadTo(0.34, 0.27, 0.5, 0.0);
            break;
        }
        case 2: {  // spade
            path.moveTo(0.5, 0.0);
            path.cubicTo(0.62, 0.18, 1.0, 0.34, 1.0, 0.60);
            path.cubicTo(1.0, 0.78, 0.86, 0.86, 0.74, 0.86);
            path.cubicTo(0.64, 0.86, 0.56, 0.81, 0.525, 0.74);
            path.quadTo(0.54, 0.91, 0.70, 1.0);
            path.lineTo(0.30, 1.0);
            path.quadTo(0.46, 0.91, 0.475, 0.74);
            path.cubicTo(0.44, 0.81, 0.36, 0.86, 0.26, 0.86);
            path.cubicTo(0.14, 0.86, 0.0, 0.78, 0.0, 0.60);
            path.cubicTo(0.0, 0.34, 0.38, 0.18, 0.5, 0.0);
            break;
        }
        default: {  // club
            const qreal r = 0.215;
            path.addEllipse(QPointF(0.5, 0.235), r, r);
            path.addEllipse(QPointF(0.235, 0.58), r, r);
            path.addEllipse(QPointF(0.765, 0.58), r, r);
            path.addEllipse(QPointF(0.5, 0.52), 0.13, 0.13);
            QPainterPath stem;
            stem.moveTo(0.47, 0.55);
            stem.lineTo(0.53, 0.55);
            stem.quadTo(0.55, 0.88, 0.70, 1.0);
            stem.lineTo(0.30, 1.0);
            stem.quadTo(0.45, 0.88, 0.47, 0.55);
            path.setFillRule(Qt::WindingFill);
            path = path.united(stem).simplified();
            break;
        }
    }
    return path;
}

}  // namespace

QPainterPath suitPath(int suit, const QRectF& box) {
    // The shapes are made once; the club's union of circles is costly to compute.
    static const std::array<QPainterPath, 4> shapes = {unitSuit(0), unitSuit(1), unitSuit(2),
                                                       unitSuit(3)};
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width(), box.height());
    return t.map(shapes[static_cast<std::size_t>(suit & 3)]);
}

void arcText(QPainter& p, const QString& text, const QFont& f, QPointF centre, qreal radius,
             qreal tracking, const QColor& colour) {
    const QFontMetricsF fm(f);
    qreal total = 0;
    for (const QChar c : text) total += fm.horizontalAdvance(c) + tracking;
    total -= tracking;
    // Angles in radians on the screen's circle (y down): pi/2 is the lowest point.
    qreal along = 0;
    p.save();
    p.setFont(f);
    p.setPen(colour);
    for (const QChar c : text) {
        const qreal w = fm.horizontalAdvance(c);
        const qreal theta = M_PI / 2 + (total / 2 - (along + w / 2)) / radius;
        const QPointF at(centre.x() + radius * std::cos(theta),
                         centre.y() + radius * std::sin(theta));
        p.save();
        p.translate(at);
        p.rotate(qRadiansToDegrees(theta - M_PI / 2));
        p.drawText(QPointF(-w / 2, 0), QString(c));
        p.restore();
        along += w + tracking;
    }
    p.restore();
}

}  // namespace draw
}  // namespace resources

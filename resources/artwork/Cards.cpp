// The 52 faces and the back, drawn on a 71 x 96 card.

#include <QLinearGradient>
#include <QRadialGradient>
#include <array>

#include "resources/artwork/Drawing.h"

namespace resources {
namespace draw {

namespace {

constexpr qreal W = 71;
constexpr qreal H = 96;
const QRectF CardRect(0.5, 0.5, W - 1, H - 1);
constexpr qreal CardRadius = 4.5;

const QColor Gold(222, 176, 58);
const QColor Ink(34, 28, 24);
const QColor Skin(244, 212, 178);
const QColor Crimson(190, 36, 44);
const QColor Royal(40, 76, 160);
const QColor Cream(252, 246, 228);

void cardBlank(QPainter& p) {
    QLinearGradient g(0, 0, 0, H);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(243, 242, 236));
    p.setPen(QPen(QColor(120, 120, 118), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(CardRect, CardRadius, CardRadius);
}

QString rankText(int face) {
    switch (face) {
        case 1:
            return QStringLiteral("A");
        case 11:
            return QStringLiteral("J");
        case 12:
            return QStringLiteral("Q");
        case 13:
            return QStringLiteral("K");
        default:
            return QString::number(face);
    }
}

// One pip centred at c; a pip in the lower half of the card is turned upside down.
void pip(QPainter& p, int suit, QPointF c, qreal w, qreal h, bool flipped) {
    p.save();
    p.translate(c);
    if (flipped) p.rotate(180);
    p.fillPath(suitPath(suit, QRectF(-w / 2, -h / 2, w, h)), suitColor(suit));
    p.restore();
}

// Rank and suit in the top-left corner; the caller turns the card for the other corner.
void cornerIndex(QPainter& p, int face, int suit) {
    QFont f = font(p, CardFace, 12.5, QFont::Bold);
    f.setStretch(face == 10 ? QFont::ExtraCondensed : QFont::SemiCondensed);
    f.setLetterSpacing(QFont::AbsoluteSpacing, face == 10 ? -0.8 : 0);
    QPainterPath text;
    text.addText(0, 0, f, rankText(face));
    const QRectF b = text.boundingRect();
    const qreal cx = 7.6;
    const qreal top = 3.6;
    const qreal maxW = 11.5;
    const qreal sx = b.width() > maxW ? maxW / b.width() : 1.0;
    QTransform t;
    t.translate(cx - b.width() * sx / 2, top);
    t.scale(sx, 1.0);
    t.translate(-b.left(), -b.top());
    p.fillPath(t.map(text), suitColor(suit));
    pip(p, suit, QPointF(cx, top + b.height() + 5.6), 8.2, 8.6, false);
}

void indices(QPainter& p, int face, int suit) {
    cornerIndex(p, face, suit);
    p.save();
    p.translate(W, H);
    p.rotate(180);
    cornerIndex(p, face, suit);
    p.restore();
}

// The classic arrangements: columns left, middle, right; rows from the top.
void pips(QPainter& p, int face, int suit) {
    const qreal L = 22.5, M = 35.5, R = 48.5;
    const qreal top = 17, bottom = 79, mid = (top + bottom) / 2;
    const qreal q1 = top + (bottom - top) / 3, q2 = top + 2 * (bottom - top) / 3;
    std::vector<QPointF> at;
    auto column = [&](qreal x, std::initializer_list<qreal> ys) {
        for (qreal y : ys) at.emplace_back(x, y);
    };
    switch (face) {
        case 2:
            column(M, {top, bottom});
            break;
        case 3:
            column(M, {top, mid, bottom});
            break;
        case 4:
            column(L, {top, bottom});
            column(R, {top, bottom});
            break;
        case 5:
            column(L, {top, bottom});
            column(R, {top, bottom});
            column(M, {mid});
            break;
        case 6:
            column(L, {top, mid, bottom});
            column(R, {top, mid, bottom});
            break;
        case 7:
            column(L, {top, mid, bottom});
            column(R, {top, mid, bottom});
            column(M, {(top + mid) / 2});
            break;
        case 8:
            column(L, {top, mid, bottom});
            column(R, {top, mid, bottom});
            column(M, {(top + mid) / 2, (mid + bottom) / 2});
            break;
        case 9:
            column(L, {top, q1, q2, bottom});
            column(R, {top, q1, q2, bottom});
            column(M, {mid});
            break;
        case 10:
            column(L, {top, q1, q2, bottom});
            column(R, {top, q1, q2, bottom});
            column(M, {(top + q1) / 2, (q2 + bottom) / 2});
            break;
        default:
            break;
    }
    for (const QPointF& c : at) pip(p, suit, c, 11.5, 12.5, c.y() > mid + 0.5);
}

void ace(QPainter& p, int suit) {
    const QPointF c(W / 2, H / 2);
    if (suit == 2) {
        // The ace of spades carries the large ornamented pip.
        const QRectF box(c.x() - 17, c.y() - 18, 34, 36);
        const QPainterPath spade = suitPath(2, box);
        p.save();
        p.setPen(QPen(Ink, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(spade);
        p.setPen(QPen(Qt::white, 1.1));
        p.drawPath(spade);
        p.restore();
        p.fillPath(suitPath(2, box.adjusted(1.3, 1.3, -1.3, -1.3)), suitColor(2));
        QPainterPath inner = suitPath(2, box.adjusted(8, 8, -8, -10));
        p.save();
        p.setPen(QPen(Gold, 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawPath(inner);
        p.restore();
        return;
    }
    pip(p, suit, c, 27, 29, false);
}

// Half of a court figure in the unit square (v = 1 is the card's middle line). Pen widths
// are in the unit square too, about 1/42 of the frame's width each.
void courtHalf(QPainter& p, int face, int suit) {
    const qreal line = 0.022;
    const QPen outline(Ink, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QColor left = face == 12 ? Royal : Crimson;
    const QColor right = face == 12 ? Crimson : (face == 11 ? QColor(214, 160, 40) : Royal);

    // Robe: the shoulders, split in two colours with a gold band down the middle; it runs
    // past the middle line so that the diagonal parting cuts through it.
    QPainterPath robe;
    robe.moveTo(0.04, 1.2);
    robe.lineTo(0.06, 0.80);
    robe.cubicTo(0.10, 0.67, 0.30, 0.625, 0.42, 0.615);
    robe.lineTo(0.58, 0.615);
    robe.cubicTo(0.70, 0.625, 0.90, 0.67, 0.94, 0.80);
    robe.lineTo(0.96, 1.2);
    robe.closeSubpath();
    p.save();
    p.setClipPath(robe, Qt::IntersectClip);
    p.fillRect(QRectF(0, 0.5, 0.5, 0.8), left);
    p.fillRect(QRectF(0.5, 0.5, 0.5, 0.8), right);
    // Gold trim along the shoulders and a pattern of small rings on the cloth.
    QPainterPath trim;
    trim.moveTo(0.06, 0.86);
    trim.cubicTo(0.10, 0.74, 0.30, 0.69, 0.42, 0.685);
    trim.moveTo(0.58, 0.685);
    trim.cubicTo(0.70, 0.69, 0.90, 0.74, 0.94, 0.86);
    p.setPen(QPen(Gold, line * 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trim);
    p.setPen(QPen(Ink, line * 0.6));
    p.drawPath(trim);
    p.setPen(QPen(Gold, line * 0.9));
    for (int row = 0; row < 4; ++row) {
        const qreal y = 0.82 + row * 0.09;
        for (int col = 0; col < 3; ++col) {
            const qreal dx = 0.09 * col + (row % 2) * 0.045;
            p.drawEllipse(QPointF(0.12 + dx, y), 0.018, 0.02);
            p.drawEllipse(QPointF(0.88 - dx, y), 0.018, 0.02);
        }
    }
    p.setPen(outline);
    p.setBrush(Gold);
    p.drawRect(QRectF(0.42, 0.60, 0.16, 0.7));
    for (int i = 0; i < 4; ++i)
        p.fillPath(suitPath(suit, QRectF(0.455, 0.68 + i * 0.11, 0.09, 0.08)), Ink);
    p.restore();
    p.setPen(outline);
    p.setBrush(Qt::NoBrush);
    p.drawPath(robe);
    // Collar of ermine, white with black tails.
    QPainterPath collar;
    collar.moveTo(0.30, 0.63);
    collar.cubicTo(0.38, 0.72, 0.62, 0.72, 0.70, 0.63);
    collar.cubicTo(0.62, 0.60, 0.38, 0.60, 0.30, 0.63);
    p.setBrush(QColor(250, 250, 246));
    p.drawPath(collar);
    p.setBrush(Ink);
    p.setPen(Qt::NoPen);
    for (qreal x : {0.38, 0.50, 0.62}) p.drawEllipse(QPointF(x, 0.655), 0.012, 0.016);

    // Hair behind the head.
    p.setPen(outline);
    if (face == 12) {
        p.setBrush(QColor(196, 132, 38));
        QPainterPath hair;
        hair.moveTo(0.34, 0.40);
        hair.cubicTo(0.28, 0.52, 0.30, 0.62, 0.26, 0.66);
        hair.lineTo(0.74, 0.66);
        hair.cubicTo(0.70, 0.62, 0.72, 0.52, 0.66, 0.40);
        hair.cubicTo(0.62, 0.26, 0.38, 0.26, 0.34, 0.40);
        p.drawPath(hair);
    } else if (face == 11) {
        p.setBrush(QColor(112, 62, 28));
        p.drawEllipse(QPointF(0.5, 0.47), 0.165, 0.155);
    } else {
        p.setBrush(QColor(236, 232, 224));
        p.drawEllipse(QPointF(0.5, 0.44), 0.16, 0.15);
    }

    // Neck and face.
    p.setBrush(Skin);
    p.drawRect(QRectF(0.455, 0.54, 0.09, 0.08));
    p.drawEllipse(QPointF(0.5, 0.445), 0.125, 0.145);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(0.455, 0.43), 0.013, 0.016);
    p.drawEllipse(QPointF(0.545, 0.43), 0.013, 0.016);
    p.setPen(QPen(Ink, line * 0.7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.5, 0.44), QPointF(0.49, 0.485));
    p.setPen(QPen(QColor(176, 40, 48), line, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.475, 0.52), QPointF(0.525, 0.52));
    p.setPen(outline);

    if (face == 13) {
        // Beard and moustache.
        QPainterPath beard;
        beard.moveTo(0.375, 0.46);
        beard.cubicTo(0.38, 0.60, 0.45, 0.66, 0.5, 0.68);
        beard.cubicTo(0.55, 0.66, 0.62, 0.60, 0.625, 0.46);
        beard.cubicTo(0.60, 0.54, 0.40, 0.54, 0.375, 0.46);
        p.setBrush(QColor(236, 232, 224));
        p.drawPath(beard);
        p.drawArc(QRectF(0.44, 0.49, 0.06, 0.04), 0, 180 * 16);
        p.drawArc(QRectF(0.50, 0.49, 0.06, 0.04), 0, 180 * 16);
        // Crown with three points and jewels.
        QPainterPath crown;
        crown.moveTo(0.355, 0.325);
        crown.lineTo(0.36, 0.15);
        crown.lineTo(0.43, 0.24);
        crown.lineTo(0.5, 0.10);
        crown.lineTo(0.57, 0.24);
        crown.lineTo(0.64, 0.15);
        crown.lineTo(0.645, 0.325);
        crown.closeSubpath();
        p.setBrush(Gold);
        p.drawPath(crown);
        p.drawLine(QPointF(0.36, 0.29), QPointF(0.64, 0.29));
        p.setBrush(Crimson);
        for (const QPointF c : {QPointF(0.36, 0.15), QPointF(0.5, 0.10), QPointF(0.64, 0.15)})
            p.drawEllipse(c, 0.025, 0.025);
        p.setBrush(Royal);
        p.drawEllipse(QPointF(0.5, 0.27), 0.022, 0.02);
        // Sword held upright at the right.
        p.setPen(QPen(Ink, line * 2.6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(0.84, 0.06), QPointF(0.84, 0.74));
        p.setPen(QPen(QColor(214, 218, 226), line * 1.4, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(0.84, 0.07), QPointF(0.84, 0.73));
        p.setPen(outline);
        p.setBrush(Gold);
        p.drawRect(QRectF(0.76, 0.74, 0.16, 0.035));
        p.drawRect(QRectF(0.825, 0.775, 0.03, 0.1));
    } else if (face == 12) {
        // A small rounded crown and a rose.
        QPainterPath crown;
        crown.moveTo(0.38, 0.32);
        crown.cubicTo(0.38, 0.24, 0.40, 0.20, 0.42, 0.19);
        crown.cubicTo(0.45, 0.23, 0.47, 0.23, 0.5, 0.16);
        crown.cubicTo(0.53, 0.23, 0.55, 0.23, 0.58, 0.19);
        crown.cubicTo(0.60, 0.20, 0.62, 0.24, 0.62, 0.32);
        crown.closeSubpath();
        p.setBrush(Gold);
        p.drawPath(crown);
        p.setBrush(Royal);
        p.drawEllipse(QPointF(0.5, 0.27), 0.025, 0.025);
        p.setPen(QPen(QColor(40, 120, 56), line * 1.5));
        p.drawLine(QPointF(0.20, 0.80), QPointF(0.26, 0.99));
        p.setPen(outline);
        p.setBrush(Crimson);
        p.drawEllipse(QPointF(0.20, 0.76), 0.065, 0.06);
        p.setBrush(QColor(232, 96, 104));
        p.drawEllipse(QPointF(0.20, 0.76), 0.03, 0.028);
    } else {
        // A cap with a feather, and a halberd at the right.
        QPainterPath feather;
        feather.moveTo(0.58, 0.27);
        feather.cubicTo(0.66, 0.14, 0.78, 0.08, 0.90, 0.10);
        feather.cubicTo(0.80, 0.16, 0.70, 0.22, 0.62, 0.31);
        feather.closeSubpath();
        p.setBrush(QColor(250, 250, 240));
        p.drawPath(feather);
        QPainterPath cap;
        cap.moveTo(0.35, 0.34);
        cap.cubicTo(0.34, 0.22, 0.46, 0.17, 0.56, 0.19);
        cap.cubicTo(0.66, 0.21, 0.68, 0.29, 0.65, 0.34);
        cap.closeSubpath();
        p.setBrush(Crimson);
        p.drawPath(cap);
        p.setBrush(Gold);
        p.drawRect(QRectF(0.35, 0.315, 0.30, 0.035));
        p.setPen(QPen(QColor(120, 78, 34), line * 2.2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(0.85, 0.10), QPointF(0.85, 1.0));
        p.setPen(outline);
        QPainterPath blade;
        blade.moveTo(0.85, 0.03);
        blade.lineTo(0.88, 0.12);
        blade.lineTo(0.85, 0.14);
        blade.lineTo(0.82, 0.12);
        blade.closeSubpath();
        blade.moveTo(0.85, 0.16);
        blade.cubicTo(0.93, 0.16, 0.96, 0.22, 0.95, 0.28);
        blade.lineTo(0.85, 0.24);
        blade.closeSubpath();
        p.setBrush(QColor(206, 210, 218));
        p.drawPath(blade);
    }

    // The suit, in the frame's upper corner.
    p.fillPath(suitPath(suit, QRectF(0.06, 0.05, 0.2, 0.2)), suitColor(suit));
}

void court(QPainter& p, int face, int suit) {
    const QRectF frame(14.5, 9.5, W - 29, H - 19);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Cream);
    p.drawRect(frame);
    for (int half = 0; half < 2; ++half) {
        p.save();
        if (half == 1) {
            p.translate(W / 2, H / 2);
            p.rotate(180);
            p.translate(-W / 2, -H / 2);
        }
        // Each half reaches the diagonal parting; turned, the same outline gives the other.
        const qreal mid = frame.center().y();
        QPainterPath halfArea;
        halfArea.moveTo(frame.topLeft());
        halfArea.lineTo(frame.topRight());
        halfArea.lineTo(frame.right(), mid - 3);
        halfArea.lineTo(frame.left(), mid + 3);
        halfArea.closeSubpath();
        p.setClipPath(halfArea);
        p.translate(frame.left(), frame.top());
        p.scale(frame.width(), frame.height() / 2);
        courtHalf(p, face, suit);
        p.restore();
    }
    // The diagonal parting of the two halves and the frame.
    p.setPen(QPen(Ink, 0.6));
    p.drawLine(QPointF(frame.left(), frame.center().y() + 3),
               QPointF(frame.right(), frame.center().y() - 3));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(suitColor(suit), 0.9));
    p.drawRect(frame);
    p.setPen(QPen(Gold, 0.6));
    p.drawRect(frame.adjusted(1.4, 1.4, -1.4, -1.4));
    p.restore();
}

}  // namespace

void cardFace(QPainter& p, int number) {
    const int face = (number - 1) % 13 + 1;
    const int suit = (number - 1) / 13;
    cardBlank(p);
    if (face == 1)
        ace(p, suit);
    else if (face >= 11)
        court(p, face, suit);
    else
        pips(p, face, suit);
    indices(p, face, suit);
}

void cardBack(QPainter& p) {
    cardBlank(p);
    const QRectF inner(4, 4, W - 8, H - 8);
    QPainterPath innerPath;
    innerPath.addRoundedRect(inner, 3, 3);
    QLinearGradient g(0, 0, W, H);
    g.setColorAt(0, QColor(168, 26, 36));
    g.setColorAt(1, QColor(122, 14, 24));
    p.fillPath(innerPath, g);

    p.save();
    p.setClipPath(innerPath);
    // A lattice of fine lines both ways, with a second, offset lattice between them.
    const qreal step = 6;
    p.setPen(QPen(QColor(230, 150, 150, 150), 0.55));
    for (qreal d = -H; d < W + H; d += step) {
        p.drawLine(QPointF(d, 0), QPointF(d + H, H));
        p.drawLine(QPointF(d, H), QPointF(d + H, 0));
    }
    p.setPen(QPen(QColor(90, 6, 14, 150), 0.45));
    for (qreal d = -H + step / 2; d < W + H; d += step) {
        p.drawLine(QPointF(d, 0), QPointF(d + H, H));
        p.drawLine(QPointF(d, H), QPointF(d + H, 0));
    }
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Cream, 0.8));
    p.drawRoundedRect(inner.adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
    p.setPen(QPen(QColor(90, 6, 14), 0.6));
    p.drawRoundedRect(inner, 3, 3);

    // The medallion: the four suits round a centre.
    const QPointF c(W / 2, H / 2);
    QRadialGradient m(c, 18);
    m.setColorAt(0, QColor(150, 20, 30));
    m.setColorAt(1, QColor(96, 8, 18));
    p.setBrush(m);
    p.setPen(QPen(Cream, 0.9));
    p.drawEllipse(c, 14, 19);
    p.setPen(QPen(Gold, 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 11.8, 16.8);
    const std::array<std::pair<int, QPointF>, 4> round = {
        {{2, {0, -8.5}}, {1, {7, 0}}, {3, {0, 8.5}}, {0, {-7, 0}}}};
    for (const auto& [suit, off] : round)
        p.fillPath(suitPath(suit, QRectF(c.x() + off.x() - 3.6, c.y() + off.y() - 3.8, 7.2, 7.6)),
                   Cream);
    p.setBrush(Gold);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 1.6, 1.6);
}

}  // namespace draw
}  // namespace resources

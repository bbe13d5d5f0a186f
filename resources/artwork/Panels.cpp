// Buttons, the message bubble, the panels, the lamp and the about picture.

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>

#include "resources/artwork/Drawing.h"

namespace resources {
namespace draw {

namespace {

const QColor Gold(226, 188, 92);

struct ButtonColours {
    QColor top, bottom, rim, text, textShadow;
};

ButtonColours coloursFor(const QString& label) {
    if (label == QLatin1String("DEAL") || label == QLatin1String("OK"))
        return {QColor(246, 204, 92), QColor(186, 134, 30), QColor(124, 86, 14), QColor(58, 36, 6),
                QColor(255, 240, 190, 150)};
    if (label == QLatin1String("YES"))
        return {QColor(58, 150, 88), QColor(24, 94, 50), Gold, QColor(252, 248, 232),
                QColor(0, 0, 0, 120)};
    if (label == QLatin1String("CANCEL"))
        return {QColor(110, 110, 112), QColor(62, 62, 66), QColor(190, 190, 190),
                QColor(248, 248, 244), QColor(0, 0, 0, 120)};
    return {QColor(176, 40, 50), QColor(106, 14, 24), Gold, QColor(252, 246, 230),
            QColor(0, 0, 0, 130)};
}

// A rounded casino button filling `size`; pressed sits lower and darker, disabled is grey.
void buttonBody(QPainter& p, QSizeF size, const ButtonColours& normal, PictureLook look,
                QRectF* face) {
    const bool pressed = look == PictureLook::Pressed;
    const bool disabled = look == PictureLook::Disabled;
    const qreal drop = std::clamp(size.height() * 0.07, 1.0, 3.0);
    QRectF body(0.75, 0.75, size.width() - 1.5, size.height() - 1.5 - drop);
    if (pressed) body.translate(0, drop * 0.8);
    const qreal radius = std::min(body.height() * 0.3, 10.0);

    ButtonColours c = normal;
    if (disabled) {
        c = {QColor(142, 142, 140), QColor(96, 96, 96), QColor(160, 160, 158),
             QColor(206, 206, 202), QColor(0, 0, 0, 0)};
    } else if (pressed) {
        c.top = normal.bottom.darker(115);
        c.bottom = normal.top.darker(125);
    }

    p.save();
    if (!pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, disabled ? 50 : 110));
        p.drawRoundedRect(body.translated(0, drop), radius, radius);
    }
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.setBrush(g);
    p.setPen(QPen(c.rim, 1.0));
    p.drawRoundedRect(body, radius, radius);

    QPainterPath inside;
    inside.addRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    p.setClipPath(inside);
    if (pressed) {
        // Pushed in: a shade along the top edge.
        QLinearGradient shade(body.topLeft(), body.topLeft() + QPointF(0, body.height() * 0.35));
        shade.setColorAt(0, QColor(0, 0, 0, 110));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(body, shade);
    } else if (!disabled) {
        // Gloss on the upper half.
        QLinearGradient gloss(body.topLeft(), body.topLeft() + QPointF(0, body.height() * 0.55));
        gloss.setColorAt(0, QColor(255, 255, 255, 90));
        gloss.setColorAt(1, QColor(255, 255, 255, 8));
        p.fillRect(QRectF(body.left(), body.top(), body.width(), body.height() * 0.55), gloss);
    }
    p.restore();
    *face = body;
}

void label(QPainter& p, const QRectF& face, const QString& text, const ButtonColours& c,
           PictureLook look) {
    const ButtonColours& col =
        look == PictureLook::Disabled
            ? ButtonColours{{}, {}, {}, QColor(206, 206, 202), QColor(80, 80, 80, 120)}
            : c;
    qreal px = face.height() * 0.46;
    QFont f = font(p, CardFace, px, QFont::Bold);
    f.setStretch(QFont::SemiCondensed);
    f.setLetterSpacing(QFont::AbsoluteSpacing, px * 0.06);
    QPainterPath path;
    path.addText(0, 0, f, text);
    QRectF b = path.boundingRect();
    const qreal room = face.width() * 0.8;
    qreal s = b.width() > room ? room / b.width() : 1.0;
    QTransform t;
    t.translate(face.center().x(), face.center().y());
    t.scale(s, s);
    t.translate(-b.center().x(), -b.center().y());
    const QPainterPath shaped = t.map(path);
    p.fillPath(shaped.translated(0, 0.9), col.textShadow);
    p.fillPath(shaped, col.text);
}

void panelBody(QPainter& p, const QRectF& r, qreal radius) {
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(34, 62, 44));
    g.setColorAt(1, QColor(14, 32, 22));
    p.setBrush(g);
    p.setPen(QPen(QColor(10, 20, 14), 1.0));
    p.drawRoundedRect(r, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Gold, 1.0));
    p.drawRoundedRect(r.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2, radius - 2);
    p.setPen(QPen(QColor(226, 188, 92, 90), 0.6));
    p.drawRoundedRect(r.adjusted(4.5, 4.5, -4.5, -4.5), radius - 3.5, radius - 3.5);
    p.restore();
}

void card(QPainter& p, int number, QPointF pivot, qreal scale, qreal angle) {
    p.save();
    p.translate(pivot);
    p.rotate(angle);
    p.scale(scale, scale);
    p.translate(-35.5, -96);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(QRectF(1.5, 2.5, 70, 95), 5, 5);
    cardFace(p, number);
    p.restore();
}

}  // namespace

void button(QPainter& p, QSizeF size, const QString& text, PictureLook look) {
    const ButtonColours c = coloursFor(text);
    QRectF face;
    buttonBody(p, size, c, look, &face);
    label(p, face, text, c, look);
}

void closeButton(QPainter& p, QSizeF size, PictureLook look) {
    button(p, size, QStringLiteral("CANCEL"), look);
}

void speechBubble(QPainter& p, QSizeF size) {
    // Designed at 223 x 140: the body holds the message line, the tail points to the table.
    p.save();
    p.scale(size.width() / 223.0, size.height() / 140.0);
    const QRectF body(3, 3, 214, 108);
    QPainterPath bubble;
    bubble.addRoundedRect(body, 18, 18);
    QPainterPath tail;
    tail.moveTo(150, 105);
    tail.cubicTo(160, 118, 190, 132, 214, 137);
    tail.cubicTo(198, 126, 188, 116, 186, 105);
    tail.closeSubpath();
    bubble = bubble.united(tail);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(bubble.translated(2.2, 2.8));
    QLinearGradient g(0, 3, 0, 137);
    g.setColorAt(0, QColor(255, 254, 248));
    g.setColorAt(1, QColor(240, 232, 212));
    p.setBrush(g);
    p.setPen(QPen(QColor(92, 78, 60), 1.2));
    p.drawPath(bubble);
    p.restore();
}

void insuranceFrame(QPainter& p, QSizeF size) {
    // Designed at 160 x 82: the header above, the YES and NO buttons below it.
    p.save();
    p.scale(size.width() / 160.0, size.height() / 82.0);
    panelBody(p, QRectF(0.5, 0.5, 159, 81), 9);
    QFont f = font(p, PanelFace, 16, QFont::Bold);
    p.setFont(f);
    p.setPen(QColor(0, 0, 0, 140));
    p.drawText(QRectF(0.8, 6.8, 160, 30), Qt::AlignCenter, QStringLiteral("Insurance?"));
    p.setPen(QColor(240, 206, 112));
    p.drawText(QRectF(0, 6, 160, 30), Qt::AlignCenter, QStringLiteral("Insurance?"));
    p.restore();
}

void amountPanel(QPainter& p, QSizeF size) {
    p.save();
    p.scale(size.width() / 275.0, size.height() / 112.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(QRectF(2, 3, 273, 109), 10, 10);
    panelBody(p, QRectF(0.5, 0.5, 272, 108), 10);
    p.restore();
}

void lamp(QPainter& p, QSizeF size) {
    const QPointF c(size.width() / 2, size.height() / 2);
    const qreal r = std::min(size.width(), size.height()) / 2;
    QRadialGradient glow(c, r);
    glow.setColorAt(0.55, QColor(255, 40, 30, 150));
    glow.setColorAt(1.0, QColor(255, 40, 30, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, r, r);
    const qreal core = r * 0.66;
    QRadialGradient body(c - QPointF(core * 0.35, core * 0.4), core * 1.4);
    body.setColorAt(0, QColor(255, 168, 150));
    body.setColorAt(0.35, QColor(236, 34, 30));
    body.setColorAt(1, QColor(132, 0, 4));
    p.setBrush(body);
    p.setPen(QPen(QColor(96, 0, 0), std::max(0.5, r * 0.09)));
    p.drawEllipse(c, core, core);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 190));
    p.drawEllipse(c - QPointF(core * 0.32, core * 0.38), core * 0.3, core * 0.2);
}

void about(QPainter& p) {
    p.save();
    p.scale(444.0 / 640.0, 238.0 / 480.0);
    tableCloth(p);
    p.restore();
    p.setPen(QPen(Gold, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6.5, 6.5, 431, 225), 8, 8);
    p.setPen(QPen(QColor(226, 188, 92, 100), 0.6));
    p.drawRoundedRect(QRectF(9.5, 9.5, 425, 219), 6, 6);

    // A blackjack: the ace of spades and the king of hearts.
    card(p, 27, QPointF(100, 206), 1.35, -13);
    card(p, 52, QPointF(126, 206), 1.35, 9);

    // The title.
    const QFont title = font(p, SerifFace, 34, QFont::Bold);
    const QRectF titleBox(190, 62, 240, 50);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 130));
    p.drawText(titleBox.translated(1.2, 1.6), Qt::AlignCenter, QStringLiteral("Brenn"));
    p.setPen(QColor(240, 206, 112));
    p.drawText(titleBox, Qt::AlignCenter, QStringLiteral("Brenn"));
    const QRectF second(190, 104, 240, 50);
    p.setPen(QColor(0, 0, 0, 130));
    p.drawText(second.translated(1.2, 1.6), Qt::AlignCenter, QStringLiteral("Blackjack"));
    p.setPen(QColor(240, 206, 112));
    p.drawText(second, Qt::AlignCenter, QStringLiteral("Blackjack"));
    p.setPen(QPen(Gold, 0.9));
    p.drawLine(QPointF(236, 160), QPointF(384, 160));

    // A short stack of chips.
    const int values[] = {25, 5, 1};
    for (int i = 0; i < 3; ++i) chip(p, QRectF(256 + i * 38, 172, 36, 36), values[i]);
}

}  // namespace draw
}  // namespace resources

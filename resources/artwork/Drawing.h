#pragma once

// Drawing routines behind Artwork. Each draws into a painter whose coordinates are the
// picture's design size in logical pixels; the caller has scaled the painter to the device.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include "forms/qt/Pictures.h"

namespace resources {
namespace draw {

using formsqt::PictureLook;

// Typefaces: the panel and message face, and the face of the cards' indices.
inline const QString PanelFace = QStringLiteral("Comic Neue");
inline const QString CardFace = QStringLiteral("DejaVu Sans");
inline const QString SerifFace = QStringLiteral("DejaVu Serif");

// A font whose em is `px` logical pixels, whatever the resolution of the painter's device.
QFont font(const QPainter& p, const QString& family, qreal px, int weight = QFont::Normal,
           bool italic = false);

// Suit 0 clubs, 1 diamonds, 2 spades, 3 hearts, filling `box`.
QPainterPath suitPath(int suit, const QRectF& box);
bool isRed(int suit);
QColor suitColor(int suit);

// The felt of the table, in the table's own coordinates (640 x 480): the painter's transform
// decides which part of the table lands on the device.
void tableCloth(QPainter& p);

// The pictures, each filling (0, 0, size).
void tableFelt(QPainter& p);               // 640 x 480
void feltCover(QPainter& p, QSizeF size);  // the cloth under the odds panel
void oddsRows(QPainter& p);                // 221 x 96
void chip(QPainter& p, const QRectF& box, int value);
void cardFace(QPainter& p, int number);  // 71 x 96
void cardBack(QPainter& p);              // 71 x 96
void button(QPainter& p, QSizeF size, const QString& label, PictureLook look);
void closeButton(QPainter& p, QSizeF size, PictureLook look);
void speechBubble(QPainter& p, QSizeF size);
void insuranceFrame(QPainter& p, QSizeF size);
void amountPanel(QPainter& p, QSizeF size);
void lamp(QPainter& p, QSizeF size);
// The programs' icons, drawn on a pixel grid and scaled to the size.
void tableIcon(QPainter& p, QSizeF size);
void calculatorIcon(QPainter& p, QSizeF size);
void about(QPainter& p);  // 444 x 238

// Text laid along a circle of `radius` round `centre`, centred on the circle's lowest point
// and read left to right, upright for a centre above the text.
void arcText(QPainter& p, const QString& text, const QFont& f, QPointF centre, qreal radius,
             qreal tracking, const QColor& colour);

}  // namespace draw
}  // namespace resources

#pragma once

// The widgets the host builds for the elements that Qt has no ready-made widget for:
// pictures, picture buttons, containers, the arrow shape and lines. Internal to the host.

#include <QAbstractButton>
#include <QColor>
#include <QFontMetricsF>
#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "forms/Element.h"
#include "forms/qt/Pictures.h"

namespace formsqt {
namespace detail {

constexpr double TwipsPerPixel = 15.0;

inline int toPixels(double twips) {
    const double p = twips / TwipsPerPixel;
    // Far outside any screen: clamp instead of overflowing the integer conversion.
    if (!(p > -1e6)) return -1000000;
    if (!(p < 1e6)) return 1000000;
    return static_cast<int>(p < 0 ? p - 0.5 : p + 0.5);
}

// The pixel rectangle of a twips rectangle. Both edges are rounded, so elements that meet
// in twips meet on screen, without gaps or overlaps from rounding each size on its own.
inline QRect toPixelRect(double left, double top, double width, double height) {
    const int x0 = toPixels(left), y0 = toPixels(top);
    const int x1 = toPixels(left + width), y1 = toPixels(top + height);
    return QRect(x0, y0, x1 > x0 ? x1 - x0 : 0, y1 > y0 ? y1 - y0 : 0);
}

inline QColor toQColor(forms::Colour c) {
    return QColor(forms::red(c), forms::green(c), forms::blue(c));
}

// The lines in which a message is set within `width` (forms::TextLayout::Message). Each
// sentence begins a line, no word stands alone on a line unless it is a sentence by itself,
// and of the settings that do so the one with the fewest lines, then the fewest breaks within
// a sentence, then lines of the most even length is taken. A sentence ends at a run of two
// or more blanks, or after a word ending in '.', '!' or '?' when the next begins with a
// capital.
QStringList messageLines(const QString& text, const QFontMetricsF& metrics, qreal width);

// A label: its caption as it stands, wrapped from the top, or set as a message in its middle
// and set again whenever its width or font changes.
class TextLabel : public QLabel {
public:
    explicit TextLabel(QWidget* parent);
    void setCaption(const QString& caption);
    void setTextLayout(forms::TextLayout layout, Qt::Alignment across);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setLines();

    QString caption_;
    forms::TextLayout layout_ = forms::TextLayout::Wrapped;
};

// Draws a named picture scaled to the widget, fetched at the widget's device pixel ratio
// and kept until name, size, ratio or look change.
class PictureCache {
public:
    const QPixmap& get(const PictureProvider& provider, const QString& name, QSize size, qreal dpr,
                       PictureLook look);

private:
    QString name_;
    QSize size_;
    qreal dpr_ = 0;
    PictureLook look_ = PictureLook::Normal;
    bool valid_ = false;
    QPixmap pixmap_;
};

// An image, picture box or frame: an optional background colour, then the picture.
class PictureView : public QWidget {
public:
    PictureView(const PictureProvider& provider, QWidget* parent);
    void setPictureName(const QString& name);
    // Fills the background with `colour` before the picture; an invalid colour fills
    // nothing (an image over whatever lies below).
    void setFill(const QColor& colour);
    // Tells the provider the picture the next paint asks for, so it can be drawn ahead.
    void prepare() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const PictureProvider& provider_;
    QString name_;
    QColor fill_;
    PictureCache cache_;
};

// A push button drawn by its picture, with a pressed and a disabled look.
class PictureButton : public QAbstractButton {
public:
    PictureButton(const PictureProvider& provider, QWidget* parent);
    void setPictureName(const QString& name);
    QSize sizeHint() const override;
    // Tells the provider the picture the next paint asks for, so it can be drawn ahead.
    void prepare() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PictureLook look() const;

    const PictureProvider& provider_;
    QString name_;
    PictureCache cache_;
};

// The split-hand marker: a filled arrow pointing down at the hand, in the back colour.
class ArrowShape : public QWidget {
public:
    explicit ArrowShape(QWidget* parent);
    void setColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

// A straight line; the widget covers the line's bounding box and lets clicks through.
class LineWidget : public QWidget {
public:
    explicit LineWidget(QWidget* parent);
    // End points in pixels relative to the widget, and the colour.
    void setLine(QPointF from, QPointF to, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF from_, to_;
    QColor colour_;
};

// The client area of the window: its back colour and background picture.
class ClientArea : public QWidget {
public:
    ClientArea(const PictureProvider& provider, QWidget* parent);
    // The background picture is drawn at `designSize` (the design client area) from the
    // top-left corner.
    void setBackground(const QColor& colour, const QString& picture, QSize designSize);
    // Tells the provider the picture the next paint asks for, so it can be drawn ahead.
    void prepare() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize pictureSize() const;

    const PictureProvider& provider_;
    bool painted_ = false;
    QSize designSize_;
    QColor colour_;
    QString picture_;
    PictureCache cache_;
};

}  // namespace detail
}  // namespace formsqt

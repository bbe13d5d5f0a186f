#include "forms/qt/Widgets.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace formsqt::detail {

const QPixmap& PictureCache::get(const PictureProvider& provider, const QString& name, QSize size,
                                 qreal dpr, PictureLook look) {
    if (!valid_ || name != name_ || size != size_ || dpr != dpr_ || look != look_) {
        name_ = name;
        size_ = size;
        dpr_ = dpr;
        look_ = look;
        valid_ = true;
        pixmap_ = (name.isEmpty() || size.isEmpty()) ? QPixmap()
                                                     : provider.picture(name, QSizeF(size), dpr, look);
    }
    return pixmap_;
}

namespace {
void drawPixmap(QPainter& p, const QRect& target, const QPixmap& pixmap) {
    if (pixmap.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRectF(target), pixmap, QRectF(pixmap.rect()));
}
}  // namespace

PictureView::PictureView(const PictureProvider& provider, QWidget* parent)
    : QWidget(parent), provider_(provider) {}

void PictureView::setPictureName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

void PictureView::setFill(const QColor& colour) {
    if (colour == fill_) return;
    fill_ = colour;
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (fill_.isValid()) p.fillRect(rect(), fill_);
    drawPixmap(p, rect(), cache_.get(provider_, name_, size(), devicePixelRatioF(), PictureLook::Normal));
}

PictureButton::PictureButton(const PictureProvider& provider, QWidget* parent)
    : QAbstractButton(parent), provider_(provider) {
    setFocusPolicy(Qt::TabFocus);
}

void PictureButton::setPictureName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

QSize PictureButton::sizeHint() const { return size(); }

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const PictureLook look = !isEnabled() ? PictureLook::Disabled
                             : isDown()   ? PictureLook::Pressed
                                          : PictureLook::Normal;
    drawPixmap(p, rect(), cache_.get(provider_, name_, size(), devicePixelRatioF(), look));
    if (hasFocus()) {
        // A focus mark that reads on any picture: a dark ring along the edge with a white
        // one inside it.
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        const QRectF edge = QRectF(rect()).adjusted(1, 1, -1, -1);
        p.setPen(QPen(QColor(20, 20, 20), 2));
        p.drawRoundedRect(edge, 3, 3);
        p.setPen(QPen(Qt::white, 2));
        p.drawRoundedRect(edge.adjusted(2, 2, -2, -2), 2, 2);
    }
}

ArrowShape::ArrowShape(QWidget* parent) : QWidget(parent) {}

void ArrowShape::setColour(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void ArrowShape::paintEvent(QPaintEvent*) {
    const qreal w = width(), h = height();
    if (w <= 0 || h <= 0) return;
    // A shaft in the upper half, a head filling the lower part and the full width.
    const qreal shaft = w * 0.36;
    const qreal headTop = h * 0.45;
    QPainterPath path;
    path.moveTo((w - shaft) / 2, 0);
    path.lineTo((w + shaft) / 2, 0);
    path.lineTo((w + shaft) / 2, headTop);
    path.lineTo(w, headTop);
    path.lineTo(w / 2, h);
    path.lineTo(0, headTop);
    path.lineTo((w - shaft) / 2, headTop);
    path.closeSubpath();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, colour_);
}

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::setLine(QPointF from, QPointF to, const QColor& colour) {
    from_ = from;
    to_ = to;
    colour_ = colour;
    update();
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen pen(colour_);
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    // Through the pixel centres, so a one-pixel line stays crisp at any scale.
    const QPointF half(0.5, 0.5);
    if (from_ == to_)
        p.drawPoint(from_ + half);
    else
        p.drawLine(from_ + half, to_ + half);
}

ClientArea::ClientArea(const PictureProvider& provider, QWidget* parent)
    : QWidget(parent), provider_(provider) {}

void ClientArea::setBackground(const QColor& colour, const QString& picture, QSize designSize) {
    designSize_ = designSize;
    colour_ = colour;
    picture_ = picture;
    update();
}

void ClientArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colour_);
    if (!picture_.isEmpty()) {
        // The background picture keeps its design size at the top-left corner: the window
        // may be smaller (clipped) or larger (the back colour shows).
        const QSize size = designSize_.isEmpty() ? this->size() : designSize_;
        const QPixmap& pm =
            cache_.get(provider_, picture_, size, devicePixelRatioF(), PictureLook::Normal);
        drawPixmap(p, QRect(QPoint(0, 0), size), pm);
    }
}

}  // namespace formsqt::detail

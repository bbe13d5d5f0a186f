#include "forms/qt/EventRouter.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleHints>
#include <QWidget>

#include "forms/qt/Widgets.h"

namespace formsqt {

using detail::TwipsPerPixel;
using forms::Element;
using forms::ElementKind;

namespace {

// Shift, Ctrl and Alt as the handlers receive them (1, 2, 4).
int shiftState(Qt::KeyboardModifiers modifiers) {
    int s = 0;
    if (modifiers & Qt::ShiftModifier) s |= 1;
    if (modifiers & Qt::ControlModifier) s |= 2;
    if (modifiers & Qt::AltModifier) s |= 4;
    return s;
}

int mouseButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return forms::LeftButton;
        case Qt::RightButton:
            return forms::RightButton;
        case Qt::MiddleButton:
            return forms::MiddleButton;
        default:
            return 0;
    }
}

}  // namespace

bool EventRouter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
                if (!key->isAutoRepeat()) help_();
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return mouse(watched, static_cast<QMouseEvent*>(event));
        default:
            break;
    }
    return false;
}

bool EventRouter::mouse(QObject* watched, QMouseEvent* event) {
    Element* e = elementOf_(watched);
    if (!e) return false;
    const QPointF pos = event->position();
    // Buttons and text boxes need the events themselves (press looks, clicked(), editing);
    // everything else is the element's alone, so a container does not see its child's clicks.
    const Mouse m{watched,
                  *e,
                  e->kind() == ElementKind::Button || e->kind() == ElementKind::PictureButton ||
                      e->kind() == ElementKind::TextBox,
                  mouseButton(event->button()),
                  shiftState(event->modifiers()),
                  static_cast<float>(pos.x() * TwipsPerPixel),
                  static_cast<float>(pos.y() * TwipsPerPixel),
                  pos};

    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (m.button != 0) press(m, event);
            break;
        case QEvent::MouseButtonDblClick:
            doubleClick(m);
            break;
        case QEvent::MouseButtonRelease:
            if (m.button != 0) release(m);
            break;
        default:
            break;
    }
    return !m.widgetUsesEvents;
}

void EventRouter::press(const Mouse& m, const QMouseEvent* event) {
    // The second press of a left double-click is the double-click itself, not one more
    // mouse-down; buttons take each press as a press.
    if (m.button == forms::LeftButton && !m.widgetUsesEvents && secondPress(m.watched, event)) {
        afterDoubleClick_ = m.watched;
        leftPressed_ = nullptr;
        m.element.dblClick();
        return;
    }
    if (m.button == forms::LeftButton) {
        leftPressed_ = m.watched;
        afterDoubleClick_ = nullptr;
    }
    m.element.mouseDown(m.button, m.shift, m.x, m.y);
}

void EventRouter::doubleClick(const Mouse& m) {
    // Follows the second press, which has run the double-click already; a platform that
    // sends the double-click alone gets it here.
    if (m.button == forms::LeftButton && afterDoubleClick_ != m.watched) {
        afterDoubleClick_ = m.watched;
        leftPressed_ = nullptr;
        m.element.dblClick();
    }
}

void EventRouter::release(const Mouse& m) {
    const bool wasPressed = m.button == forms::LeftButton && leftPressed_ == m.watched;
    const bool wasDouble = afterDoubleClick_ == m.watched;
    if (m.button == forms::LeftButton) {
        leftPressed_ = nullptr;
        afterDoubleClick_ = nullptr;
    }
    // The mouse-up handler may close the window and so delete the widget.
    QPointer<QObject> guard(m.watched);
    m.element.mouseUp(m.button, m.shift, m.x, m.y);
    // A release over the widget that a left press began is a click, unless the press was a
    // double-click's second one.
    if (!m.widgetUsesEvents && wasPressed && !wasDouble && guard) {
        auto* w = static_cast<QWidget*>(m.watched);
        if (w->rect().contains(m.pos.toPoint())) m.element.click();
    }
}

bool EventRouter::secondPress(QObject* watched, const QMouseEvent* event) {
    // The same test the platform applies to raise a double-click: a second left press on the
    // same widget, soon after the first and close to it.
    const QStyleHints* hints = QGuiApplication::styleHints();
    const quint64 now = event->timestamp();
    const QPointF pos = event->globalPosition();
    const bool second =
        lastPress_ == watched && lastPressTime_ != 0 &&
        now - lastPressTime_ < static_cast<quint64>(hints->mouseDoubleClickInterval()) &&
        (pos - lastPressPos_).manhattanLength() <= hints->mouseDoubleClickDistance();
    if (second) {
        lastPress_ = nullptr;  // a third press begins a new click
        lastPressTime_ = 0;
    } else {
        lastPress_ = watched;
        lastPressTime_ = now == 0 ? 1 : now;
        lastPressPos_ = pos;
    }
    return second;
}

}  // namespace formsqt

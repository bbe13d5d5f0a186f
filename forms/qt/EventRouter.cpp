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
    // Buttons and text boxes need the events themselves (press looks, clicked(), editing);
    // everything else is the element's alone, so a container does not see its child's clicks.
    const bool widgetUsesEvents = e->kind() == ElementKind::Button ||
                                  e->kind() == ElementKind::PictureButton ||
                                  e->kind() == ElementKind::TextBox;
    const int button = mouseButton(event->button());
    const int shift = shiftState(event->modifiers());
    const QPointF pos = event->position();
    const float x = static_cast<float>(pos.x() * TwipsPerPixel);
    const float y = static_cast<float>(pos.y() * TwipsPerPixel);
    QPointer<QObject> guard(watched);

    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (button == 0) break;
            // The second press of a left double-click is the double-click itself, not one
            // more mouse-down; buttons take each press as a press.
            if (button == forms::LeftButton && !widgetUsesEvents && secondPress(watched, event)) {
                afterDoubleClick_ = watched;
                leftPressed_ = nullptr;
                e->dblClick();
                break;
            }
            if (button == forms::LeftButton) {
                leftPressed_ = watched;
                afterDoubleClick_ = nullptr;
            }
            e->mouseDown(button, shift, x, y);
            break;
        case QEvent::MouseButtonDblClick:
            // Follows the second press, which has run the double-click already; a platform
            // that sends the double-click alone gets it here.
            if (button == forms::LeftButton && afterDoubleClick_ != watched) {
                afterDoubleClick_ = watched;
                leftPressed_ = nullptr;
                e->dblClick();
            }
            break;
        case QEvent::MouseButtonRelease: {
            if (button == 0) break;
            const bool wasPressed = button == forms::LeftButton && leftPressed_ == watched;
            const bool wasDouble = afterDoubleClick_ == watched;
            if (button == forms::LeftButton) {
                leftPressed_ = nullptr;
                afterDoubleClick_ = nullptr;
            }
            e->mouseUp(button, shift, x, y);
            if (!widgetUsesEvents && wasPressed && !wasDouble && guard) {
                auto* w = static_cast<QWidget*>(watched);
                if (w->rect().contains(pos.toPoint())) e->click();
            }
            break;
        }
        default:
            break;
    }
    return !widgetUsesEvents;
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

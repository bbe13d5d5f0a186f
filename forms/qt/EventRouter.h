#pragma once

// Turns the mouse and key events of a hosted window's widgets into the model's events: F1
// asks for the help; presses, releases and double-clicks reach the element a widget shows
// as mouse-down, mouse-up, click and double-click, with the button and the Shift, Ctrl and
// Alt state as the handlers receive them and the position in twips.

#include <QObject>
#include <QPointF>
#include <functional>

#include "forms/Element.h"

class QEvent;
class QMouseEvent;

namespace formsqt {

class EventRouter final : public QObject {
public:
    // `elementOf` names the element a watched widget shows (null for none); `help` runs
    // when F1 is pressed in the window.
    EventRouter(std::function<forms::Element*(const QObject*)> elementOf,
                std::function<void()> help)
        : elementOf_(std::move(elementOf)), help_(std::move(help)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One mouse event on a widget, in the terms the element's handlers receive.
    struct Mouse {
        QObject* watched;
        forms::Element& element;
        bool widgetUsesEvents;  // the widget acts on the event itself (a button, a text box)
        int button;             // forms::LeftButton, RightButton or MiddleButton; 0 for another
        int shift;              // Shift 1, Ctrl 2, Alt 4
        float x, y;             // in twips
        QPointF pos;            // in the widget's pixels
    };
    bool mouse(QObject* watched, QMouseEvent* event);
    void press(const Mouse& m, const QMouseEvent* event);
    void doubleClick(const Mouse& m);
    void release(const Mouse& m);
    bool secondPress(QObject* watched, const QMouseEvent* event);
    std::function<forms::Element*(const QObject*)> elementOf_;
    std::function<void()> help_;
    QObject* lastPress_ = nullptr;  // the last left press that began a click
    quint64 lastPressTime_ = 0;
    QPointF lastPressPos_;
    QObject* leftPressed_ = nullptr;       // a left press here may become a click
    QObject* afterDoubleClick_ = nullptr;  // the release after a double-click is no click
};

}  // namespace formsqt

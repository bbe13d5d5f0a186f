#pragma once

// The generic Qt host: turns a model window (forms::Window) into a top-level Qt window
// with one widget per element, keeps every widget in step with its element, and delivers
// the user's events to the element's handlers. No program's rules live here.
//
// A program's main does, in this order:
//
//     formsqt::initApplication();             // before the QApplication exists
//     QApplication app(argc, argv);
//     MyWindow window(services...);            // the model window
//     formsqt::Host host(window, pictures);    // builds the widgets, installs the real frame
//     host.setHelpHandler([&](const std::string& file, int context) {
//         helpViewer.showHelp(file, context);
//     });
//     window.Form_Load();                      // may place (and show) the window itself
//     host.show();                             // shows it if the load did not
//     return app.exec();                       // ends when the last window closes
//
// Widgets carry the element's name as their object name; an element of a control array is
// named "name(index)", e.g. "Command1(3)". Timers are QTimer objects and menu entries are
// QActions, named the same way.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "forms/Window.h"

class QAction;
class QFont;
class QMargins;
class QString;
class QTimer;
class QWidget;

namespace formsqt {

class PictureProvider;
class Host;

// Call once before constructing the QApplication: sharp rendering at any display scale
// and no console chatter from Qt's debug and warning messages, unless QT_LOGGING_RULES or
// QT_DEBUG_PLUGINS is set (then Qt's messages are shown as Qt shows them).
void initApplication();

// The family that stands in for a font the window names: "Comic Sans MS" is drawn with
// Comic Neue and "MS Sans Serif" with the desktop's sans; other names are kept.
QString mapFontFamily(const std::string& family);

// The object name of an element's widget: "name", or "name(index)" in a control array.
QString objectNameFor(const forms::Element& element);

// The real window frame: the outer geometry in logical pixels. The window manager's frame
// counts at the size it is drawn at the desktop's scale, so the client area inside a given
// outer size is the same at every scale the program itself is given (QT_SCALE_FACTOR).
class HostFrame final : public forms::WindowFrame {
public:
    explicit HostFrame(Host& host) : host_(host) {}
    // Places the outer frame at (x, y) with the given outer size, keeps it above other
    // windows when `topmost`, and shows it; with `noActivate` the window appears without
    // taking the focus from the active application (it still takes clicks and keys). A
    // window not yet shown appears at its final size where the window manager tells the
    // frame beforehand.
    void place(int x, int y, int width, int height, bool topmost, bool noActivate) override;
    // The outer height in twips, read from the window's current geometry.
    float outerHeight() const override;
    // Asks for an outer height in twips; the height is kept within what the screen can show,
    // and the change is applied at once so that outerHeight() reads it back.
    void setOuterHeight(float twips) override;
    void activate() override;
    // Applies the placement again once the window manager has reported the frame's size,
    // when it differs from the size the placement counted with.
    void reconcilePlacement();

private:
    // The frame's size as the outer size counts it, in logical pixels (see Host.cpp).
    QMargins countedFrame() const;
    // The same as the window manager reports it; nothing before it has.
    std::optional<QMargins> reportedFrame() const;
    // Asks the window manager for the frame of the window before it is mapped, and waits a
    // short while for the answer: its extents in device pixels, or nothing from a window
    // manager that does not answer.
    std::optional<QMargins> frameBeforeMapping();
    // Sizes the client area so that the placed outer size holds it inside `frame`, and
    // moves the window to the placed position.
    void fitPlacement(const QMargins& frame);

    Host& host_;
    mutable std::uint32_t frameExtentsAtom_ = 0;  // the X atom that names the frame's extents
    bool placementPending_ = false;
    int placedX_ = 0, placedY_ = 0, placedWidth_ = 0, placedHeight_ = 0;
    int usedFrameWidth_ = 0, usedFrameHeight_ = 0;
};

class Host final : public forms::WindowObserver {
public:
    // Builds the widgets of the elements of `window` that are on screen (the others get
    // theirs once they are shown), observes it and installs the real frame as the window's
    // frame. `pictures` must outlive the host.
    Host(forms::Window& window, const PictureProvider& pictures);
    ~Host() override;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    forms::Window& window() const { return window_; }
    // The top-level widget.
    QWidget* widget() const;
    // The widget that shows an element, or null (timers, menus and unknown elements). An
    // element not yet on screen gets its widget now.
    QWidget* widgetFor(const forms::Element& element) const;
    QAction* actionFor(const forms::Element& element) const;
    QTimer* timerFor(const forms::Element& element) const;
    HostFrame& frame() { return frame_; }

    // Shows the window unless it is shown already. A window that belongs to another
    // (forms::Window::owner()) opens centred over it as its box.
    void show();

    // F1 in the window: called with the window's help file and help context.
    void setHelpHandler(std::function<void(const std::string& file, int context)> handler);
    // Called after the window has closed (user or logic). Destroy the host only after
    // control has returned to the event loop (e.g. from a zero-delay single-shot timer),
    // never from inside one of its events.
    void setClosedHandler(std::function<void()> handler);

    // forms::WindowObserver
    void elementChanged(forms::Element& element, forms::Property property) override;
    void windowCaptionChanged() override;
    void windowUnloaded() override;

    struct Impl;

private:
    friend class HostFrame;
    forms::Window& window_;
    HostFrame frame_;
    std::unique_ptr<Impl> d_;
};

}  // namespace formsqt

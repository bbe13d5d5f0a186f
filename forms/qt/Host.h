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
#include "forms/qt/HostFrame.h"

class QAction;
class QFont;
class QMargins;
class QString;
class QTimer;
class QWidget;

namespace formsqt {

class PictureProvider;

// Call once before constructing the QApplication: sharp rendering at any display scale
// and no console chatter from Qt's debug and warning messages, unless QT_LOGGING_RULES or
// QT_DEBUG_PLUGINS is set (then Qt's messages are shown as Qt shows them).
void initApplication();

// The family that stands in for a font the window names: "Comic Sans MS" is drawn with
// Comic Neue and "MS Sans Serif" with the desktop's sans; other names are kept.
QString mapFontFamily(const std::string& family);

// The object name of an element's widget: "name", or "name(index)" in a control array.
QString objectNameFor(const forms::Element& element);

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
    HostFrame& frame() { return *frame_; }

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
    forms::Window& window_;
    std::unique_ptr<Impl> d_;
    std::unique_ptr<HostFrame> frame_;  // made once the top-level widget is
};

}  // namespace formsqt

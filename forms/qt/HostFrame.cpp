#include "forms/qt/HostFrame.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "forms/qt/Widgets.h"

namespace formsqt {

using namespace detail;

namespace {

// How long a window waits to be shown for a window manager that said it would tell the
// frame and has not yet: it then appears all the same and is fitted once it is framed. A
// window manager answers within milliseconds, but may take a second on a busy machine
// while it is still starting.
constexpr int FrameWaitMilliseconds = 2000;

// The connection to the X server, or null on another platform.
xcb_connection_t* x11Connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The X atom of `name`, or 0.
xcb_atom_t internAtom(xcb_connection_t* c, std::string_view name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

// The frame's extents in device pixels exactly as an X window manager reports them
// (_NET_FRAME_EXTENTS: left, right, top, bottom), or nothing: another platform, a window
// not yet framed, a window manager that does not report them.
std::optional<QMargins> reportedFrameExtents(const QWidget* w, std::uint32_t& atom) {
    xcb_connection_t* c = x11Connection();
    const auto window = static_cast<xcb_window_t>(w->internalWinId());
    if (!c || window == 0) return std::nullopt;
    if (atom == 0) atom = internAtom(c, "_NET_FRAME_EXTENTS");
    if (atom == 0) return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom, XCB_ATOM_CARDINAL, 0, 4), nullptr);
    std::optional<QMargins> extents;
    if (reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32 &&
        xcb_get_property_value_length(reply) == 16) {
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        // A frame wider than any screen is no frame to count.
        if (std::all_of(v, v + 4, [](std::uint32_t e) { return e < 100000; }))
            extents = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]),
                               static_cast<int>(v[1]), static_cast<int>(v[3]));
    }
    std::free(reply);
    return extents;
}

// The frame as Qt holds it, in logical pixels.
QMargins logicalFrame(const QWidget* w) {
    const QRect outer = w->frameGeometry();
    const QRect inner = w->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

void setClientSize(QWidget* w, bool resizable, int width, int height) {
    if (resizable)
        w->resize(width, height);
    else
        w->setFixedSize(width, height);
}

}  // namespace

// Waits, without holding up the event loop, for the window manager to set the frame's
// extents on a window: it is over when the property changes or after a bound.
class HostFrame::FrameWait final : public QAbstractNativeEventFilter {
public:
    explicit FrameWait(HostFrame& frame) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this, &frame] {
            end();
            frame.frameWaitOver();
        });
    }
    ~FrameWait() override { end(); }
    FrameWait(const FrameWait&) = delete;
    FrameWait& operator=(const FrameWait&) = delete;

    void begin(std::uint32_t window, std::uint32_t atom) {
        window_ = window;
        atom_ = atom;
        if (!active()) qApp->installNativeEventFilter(this);
        timer_.start(FrameWaitMilliseconds);
    }
    bool active() const { return timer_.isActive(); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || !active()) return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
        // The window is placed from the event loop, once Qt has handled this event too.
        if (change->window == window_ && change->atom == atom_) timer_.start(0);
        return false;
    }

private:
    void end() {
        timer_.stop();
        if (qApp) qApp->removeNativeEventFilter(this);
    }

    QTimer timer_;
    std::uint32_t window_ = 0, atom_ = 0;
};

HostFrame::HostFrame(QWidget& top, forms::Window& window) : top_(top), window_(window) {}

HostFrame::~HostFrame() = default;

std::optional<QMargins> HostFrame::reportedFrame() const {
    return reportedFrameExtents(&top_, frameExtentsAtom_);
}

QMargins HostFrame::frame() const {
    // An X window manager draws its frame in device pixels whatever the scale of the
    // program inside it; those pixels are counted as they are, so that the client area in
    // logical pixels is the same at every scale. Qt's own frame (Wayland) is drawn in
    // logical pixels.
    if (const auto reported = reportedFrame()) return *reported;
    QWidget* w = &top_;
    const QMargins logical = logicalFrame(w);
    return x11Connection() ? logical * w->devicePixelRatioF() : logical;
}

QSize HostFrame::counted(const QMargins& frame) {
    return QSize(std::clamp(frame.left() + frame.right(), 0, CountedFrameWidth),
                 std::clamp(frame.top() + frame.bottom(), 0, CountedFrameHeight));
}

bool HostFrame::holdsShow() const {
    return wait_ && wait_->active();
}

bool HostFrame::requestFrame() {
    // A window manager that follows the desktop conventions and names
    // _NET_REQUEST_FRAME_EXTENTS among what it supports sets the frame's extents on a window
    // not yet mapped when asked by a message to the root window.
    xcb_connection_t* c = x11Connection();
    if (!c) return false;
    QWidget* w = &top_;
    const auto window = static_cast<xcb_window_t>(w->winId());  // created now, not mapped
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const xcb_window_t root = geometry ? geometry->root : 0;
    std::free(geometry);
    const xcb_atom_t supported = internAtom(c, "_NET_SUPPORTED");
    const xcb_atom_t request = internAtom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (frameExtentsAtom_ == 0) frameExtentsAtom_ = internAtom(c, "_NET_FRAME_EXTENTS");
    if (root == 0 || supported == 0 || request == 0 || frameExtentsAtom_ == 0) return false;
    xcb_get_property_reply_t* list = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    bool answers = false;
    if (list && list->type == XCB_ATOM_ATOM && list->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list));
        const int count = xcb_get_property_value_length(list) / 4;
        answers = std::find(atoms, atoms + count, request) != atoms + count;
    }
    std::free(list);
    if (!answers) return false;

    // The answer comes as a change of the window's property, which Qt listens for.
    if (!wait_) wait_ = std::make_unique<FrameWait>(*this);
    wait_->begin(window, frameExtentsAtom_);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    return true;
}

void HostFrame::frameWaitOver() {
    QWidget* w = &top_;
    if (w->isVisible() || window_.unloaded()) return;
    if (const std::optional<QMargins> device = reportedFrame()) {
        fitPlacement(*device);
        // Qt places a window that exists already without the frame it has not yet been told
        // of: the client area goes where the frame leaves room for it.
        const qreal dpr = w->devicePixelRatioF();
        const QPoint inset(qRound(device->left() / dpr), qRound(device->top() / dpr));
        w->setGeometry(QRect(QPoint(placedX_, placedY_) + inset, w->size()));
    }
    w->show();
}

void HostFrame::fitPlacement(const QMargins& frame) {
    QWidget* w = &top_;
    used_ = counted(frame);
    setClientSize(w, window_.resizable(), std::max(1, placedWidth_ - used_.width()),
                  std::max(1, placedHeight_ - used_.height()));
    w->move(placedX_, placedY_);
}

void HostFrame::place(int x, int y, int width, int height, bool topmost, bool noActivate) {
    QWidget* w = &top_;
    const Qt::WindowFlags flags = w->windowFlags();
    const Qt::WindowFlags wanted =
        topmost ? (flags | Qt::WindowStaysOnTopHint) : (flags & ~Qt::WindowStaysOnTopHint);
    if (wanted != flags) w->setWindowFlags(wanted);
    w->setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
    placedX_ = x;
    placedY_ = y;
    placedWidth_ = width;
    placedHeight_ = height;
    placementPending_ = true;
    fitPlacement(frame());
    if (window_.unloaded() || holdsShow()) return;
    // A window about to appear waits for its frame where the window manager tells it
    // beforehand, so that it does not appear at one size and change to another once it is
    // framed; the frame may change the client size only while it is thinner than the
    // counted one.
    if (!w->isVisible() && !reportedFrame() && requestFrame()) return;
    w->show();
}

void HostFrame::reconcilePlacement() {
    // Most window managers report the frame's size only once the window is mapped: when it
    // differs from what the placement counted with, the outer geometry is applied once
    // more. Either way the placement is done then; until the frame is known it may change.
    if (!placementPending_ || holdsShow()) return;
    const bool reported = reportedFrame().has_value();
    const QMargins now = frame();
    const bool same = counted(now) == used_;
    if (same && !reported) return;
    placementPending_ = false;
    if (!same) fitPlacement(now);
}

float HostFrame::outerHeight() const {
    const int outer = top_.height() + counted(frame()).height();
    return static_cast<float>(outer * TwipsPerPixel);
}

void HostFrame::setOuterHeight(float twips) {
    if (!std::isfinite(twips)) return;
    placementPending_ = false;
    QWidget* w = &top_;
    const int countedHeight = counted(frame()).height();
    int client = toPixels(twips) - countedHeight;
    // The window, with the frame as drawn, cannot grow beyond the screen's available height.
    if (QScreen* screen = w->screen()) {
        const QMargins drawn = logicalFrame(w);
        client =
            std::min(client, screen->availableGeometry().height() - drawn.top() - drawn.bottom());
    }
    client = std::max(1, client);
    placedHeight_ = client + countedHeight;
    // The width stays the placed one: read back from a window manager that rounds the size
    // to the resize steps Qt asks for at a fractional scale, it would creep with every step.
    const int width = std::max(1, placedWidth_ - used_.width());
    if (client == w->height() && width == w->width()) return;
    setClientSize(w, window_.resizable(), width, client);
}

void HostFrame::activate() {
    QWidget* w = &top_;
    if (window_.unloaded()) return;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

}  // namespace formsqt

#include "forms/qt/HostFrame.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <thread>

#include "forms/qt/Host.h"
#include "forms/qt/Widgets.h"

namespace formsqt {

using namespace detail;

namespace {

// The scale the program itself is given (QT_SCALE_FACTOR) on top of the desktop's, read as
// Qt reads it. The window manager knows nothing of it: it draws the frame at the desktop's
// scale.
qreal programScale() {
    bool ok = false;
    const qreal factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok && factor > 0 ? factor : 1.0;
}

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

// A frame the window manager tells in device pixels, in pixels of the desktop's scale at
// which it draws the frame: divided by the part of the device pixel ratio that is the
// desktop's.
QMargins atDesktopScale(const QMargins& device, const QWidget* w) {
    return device * (programScale() / w->devicePixelRatioF());
}

}  // namespace

std::optional<QMargins> HostFrame::reportedFrame() const {
    QWidget* w = host_.widget();
    if (const auto device = reportedFrameExtents(w, frameExtentsAtom_))
        return atDesktopScale(*device, w);
    return std::nullopt;
}

QMargins HostFrame::countedFrame() const {
    if (const auto frame = reportedFrame()) return *frame;
    return logicalFrame(host_.widget()) * programScale();
}

std::optional<QMargins> HostFrame::frameBeforeMapping() {
    // A window manager that follows the desktop conventions and names
    // _NET_REQUEST_FRAME_EXTENTS among what it supports sets the frame's extents on a window
    // not yet mapped when asked by a message to the root window.
    xcb_connection_t* c = x11Connection();
    if (!c) return std::nullopt;
    QWidget* w = host_.widget();
    const auto window = static_cast<xcb_window_t>(w->winId());  // created now, not mapped
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const xcb_window_t root = geometry ? geometry->root : 0;
    std::free(geometry);
    const xcb_atom_t supported = internAtom(c, "_NET_SUPPORTED");
    const xcb_atom_t request = internAtom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (root == 0 || supported == 0 || request == 0) return std::nullopt;
    xcb_get_property_reply_t* list = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    bool answers = false;
    if (list && list->type == XCB_ATOM_ATOM && list->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list));
        const int count = xcb_get_property_value_length(list) / 4;
        answers = std::find(atoms, atoms + count, request) != atoms + count;
    }
    std::free(list);
    if (!answers) return std::nullopt;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    // The answer is a property of the window, read until it is there: a window manager
    // answers within a millisecond or so, and a start waits no longer than the bound for
    // one that does not.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(200);
    auto pause = std::chrono::microseconds(500);
    while (true) {
        if (auto device = reportedFrameExtents(w, frameExtentsAtom_)) return device;
        if (Clock::now() + pause > deadline) return std::nullopt;
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(8));
    }
}

void HostFrame::fitPlacement(const QMargins& frame) {
    QWidget* w = host_.widget();
    usedFrameWidth_ = frame.left() + frame.right();
    usedFrameHeight_ = frame.top() + frame.bottom();
    setClientSize(w, host_.window().resizable(), std::max(1, placedWidth_ - usedFrameWidth_),
                  std::max(1, placedHeight_ - usedFrameHeight_));
    w->move(placedX_, placedY_);
}

void HostFrame::place(int x, int y, int width, int height, bool topmost, bool noActivate) {
    QWidget* w = host_.widget();
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
    // A window about to appear is sized for its frame beforehand, so that it does not appear
    // at one size and change to another once it is framed.
    const std::optional<QMargins> device =
        w->isVisible() || host_.window().unloaded() ? std::nullopt : frameBeforeMapping();
    if (device) {
        const qreal dpr = w->devicePixelRatioF();
        fitPlacement(atDesktopScale(*device, w));
        // Qt places a window that exists already without the frame it has not yet been told
        // of: the client area goes where the frame leaves room for it.
        const QPoint inset(qRound(device->left() / dpr), qRound(device->top() / dpr));
        w->setGeometry(QRect(QPoint(placedX_, placedY_) + inset, w->size()));
    } else {
        fitPlacement(countedFrame());
    }
    if (!host_.window().unloaded()) w->show();
}

void HostFrame::reconcilePlacement() {
    // Most window managers report the frame's size only once the window is mapped: when it
    // differs from what the placement counted with, the outer geometry is applied once
    // more. Either way the placement is done then; until the frame is known it may change.
    if (!placementPending_) return;
    const std::optional<QMargins> reported = reportedFrame();
    const QMargins frame = reported ? *reported : logicalFrame(host_.widget()) * programScale();
    const bool counted = frame.left() + frame.right() == usedFrameWidth_ &&
                         frame.top() + frame.bottom() == usedFrameHeight_;
    if (counted && !reported) return;
    placementPending_ = false;
    if (!counted) fitPlacement(frame);
}

float HostFrame::outerHeight() const {
    const QMargins frame = countedFrame();
    const int outer = host_.widget()->height() + frame.top() + frame.bottom();
    return static_cast<float>(outer * TwipsPerPixel);
}

void HostFrame::setOuterHeight(float twips) {
    if (!std::isfinite(twips)) return;
    placementPending_ = false;
    QWidget* w = host_.widget();
    const QMargins frame = countedFrame();
    int client = toPixels(twips) - frame.top() - frame.bottom();
    // The window, with the frame as drawn, cannot grow beyond the screen's available height.
    if (QScreen* screen = w->screen()) {
        const QMargins drawn = logicalFrame(w);
        client =
            std::min(client, screen->availableGeometry().height() - drawn.top() - drawn.bottom());
    }
    client = std::max(1, client);
    if (client == w->height()) return;
    setClientSize(w, host_.window().resizable(), w->width(), client);
}

void HostFrame::activate() {
    QWidget* w = host_.widget();
    if (host_.window().unloaded()) return;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

}  // namespace formsqt

#pragma once

// The real window frame of a hosted window: placement in pixels, always on top, showing
// without taking the focus, the outer height in twips. On X11 it counts the window
// manager's frame at the size the window manager draws it, and asks for it before the
// window is first mapped, so that the window appears at its final size.

#include <cstdint>
#include <optional>

#include "forms/Window.h"

class QMargins;

namespace formsqt {

class Host;

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

}  // namespace formsqt

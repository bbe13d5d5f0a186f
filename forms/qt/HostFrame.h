#pragma once

// The real window frame of a hosted window: placement in pixels, always on top, showing
// without taking the focus, the outer height in twips. The client area inside a given outer
// size is the same whatever frame the window manager draws and at every display scale: the
// outer size counts a frame of at most 5 pixels across and 24 down, and a thicker frame
// makes the window larger, never its content smaller.

#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>

#include "forms/Window.h"

class QMargins;
class QWidget;

namespace formsqt {

// The real window frame: the outer geometry in logical pixels.
class HostFrame final : public forms::WindowFrame {
public:
    // The frame of the top-level widget `top` that shows `window`; both outlive it.
    HostFrame(QWidget& top, forms::Window& window);
    ~HostFrame() override;
    HostFrame(const HostFrame&) = delete;
    HostFrame& operator=(const HostFrame&) = delete;

    // The frame the outer size counts with at most, in pixels: 5 across, 24 down. A window
    // manager's frame no thicker than that takes its share of the outer size; a thicker one
    // is counted as this one, and the window is larger by the difference.
    static constexpr int CountedFrameWidth = 5;
    static constexpr int CountedFrameHeight = 24;

    // Places the outer frame at (x, y) with the given outer size, keeps it above other
    // windows when `topmost`, and shows it; with `noActivate` the window appears without
    // taking the focus from the active application (it still takes clicks and keys). A
    // window not yet shown, under a window manager that tells the frame beforehand, is
    // shown once it has: it appears at its final size.
    void place(int x, int y, int width, int height, bool topmost, bool noActivate) override;
    // The outer height in twips, read from the window's current client height.
    float outerHeight() const override;
    // Asks for an outer height in twips; the height is kept within what the screen can show,
    // and the change is applied at once so that outerHeight() reads it back.
    void setOuterHeight(float twips) override;
    void activate() override;
    // Applies the placement again once the window manager has reported the frame's size,
    // when it differs from the size the placement counted with.
    void reconcilePlacement();
    // Whether the window is held back until the window manager tells its frame: showing it
    // is then left to the placement.
    bool holdsShow() const;

private:
    class FrameWait;

    // The window manager's frame in the pixels the outer size counts: as an X window
    // manager reports it in device pixels (it does not scale its frame with the program),
    // else the frame Qt knows of.
    QMargins frame() const;
    // The frame as an X window manager reports it (_NET_FRAME_EXTENTS); nothing before it
    // has or on another platform.
    std::optional<QMargins> reportedFrame() const;
    // The part of `frame` that the outer size counts, across and down.
    static QSize counted(const QMargins& frame);
    // Asks the window manager for the frame of the window, not yet mapped, and starts to
    // wait for the answer; false where no window manager answers such a request.
    bool requestFrame();
    // The frame is told, or the wait for it is over: the window is placed and shown.
    void frameWaitOver();
    // Sizes the client area so that the placed outer size holds it with the counted part
    // of `frame`, and moves the window to the placed position.
    void fitPlacement(const QMargins& frame);

    QWidget& top_;
    forms::Window& window_;
    std::unique_ptr<FrameWait> wait_;
    mutable std::uint32_t frameExtentsAtom_ = 0;  // the X atom that names the frame's extents
    bool placementPending_ = false;
    int placedX_ = 0, placedY_ = 0, placedWidth_ = 0, placedHeight_ = 0;
    QSize used_;  // the part of the frame the client size was fitted with
};

}  // namespace formsqt

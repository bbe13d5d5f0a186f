#pragma once

// A window that belongs to another one (a box, the help): the window manager keeps it above
// its owner and gives it no task bar entry of its own, and it opens centred over the owner,
// whole on the owner's screen.

#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace formsqt {

// Makes the top-level `window` belong to the top-level `owner` and places it centred over
// the owner, frame and all within the owner's screen. Called before `window` is shown.
inline void placeOverOwner(QWidget* window, QWidget* owner) {
    if (!window || !owner) return;
    // A dialog in the window manager's eyes: Qt names the owner to an X window manager
    // (WM_TRANSIENT_FOR) only for a dialog. The type is set before the native window exists.
    const Qt::WindowFlags flags = window->windowFlags();
    if ((flags & Qt::WindowType_Mask) != Qt::Dialog)
        window->setWindowFlags((flags & ~Qt::WindowType_Mask) | Qt::Dialog);
    // The relation is one between the native windows: the owner's exists once it has been
    // shown, and the window's own is created here.
    window->winId();
    if (QWindow* ownerHandle = owner->windowHandle())
        window->windowHandle()->setTransientParent(ownerHandle);
    // The frame of a window not yet shown is not known: the window manager draws the same
    // frame round the owner, which stands for it, so that the whole window fits.
    const QRect ownerFrame = owner->frameGeometry();
    const QRect ownerClient = owner->geometry();
    const QMargins frame =
        window->isVisible()
            ? QMargins(window->geometry().left() - window->frameGeometry().left(),
                       window->geometry().top() - window->frameGeometry().top(),
                       window->frameGeometry().right() - window->geometry().right(),
                       window->frameGeometry().bottom() - window->geometry().bottom())
            : QMargins(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                       ownerFrame.right() - ownerClient.right(),
                       ownerFrame.bottom() - ownerClient.bottom());
    QRect placed(QPoint(0, 0), window->size().grownBy(frame));
    placed.moveCenter(ownerFrame.center());
    if (const QScreen* screen = owner->screen()) {
        const QRect room = screen->availableGeometry();
        placed.moveLeft(
            std::max(room.left(), std::min(placed.left(), room.right() + 1 - placed.width())));
        placed.moveTop(
            std::max(room.top(), std::min(placed.top(), room.bottom() + 1 - placed.height())));
    }
    // The frame's corner goes there, as the window manager draws the frame. The native
    // window is told so itself: Qt passes a position on to the window manager only when it
    // differs from the one the native window was made with, so a window placed in the
    // screen's corner would otherwise open wherever the window manager likes.
    window->move(placed.topLeft());
    window->windowHandle()->setFramePosition(placed.topLeft());
}

}  // namespace formsqt

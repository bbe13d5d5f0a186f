#pragma once

// A window that belongs to another one (a box, the help): the window manager keeps it above
// its owner and gives it no task bar entry of its own, and it opens centred over the owner.

#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace formsqt {

// Makes the top-level `window` belong to the top-level `owner` and places it centred over
// the owner, within the owner's screen. Called before `window` is shown.
inline void placeOverOwner(QWidget* window, QWidget* owner) {
    if (!window || !owner) return;
    // The relation is one between the native windows: the owner's exists once it has been
    // shown, and the window's own is created here.
    if (QWindow* ownerHandle = owner->windowHandle()) {
        window->winId();
        window->windowHandle()->setTransientParent(ownerHandle);
    }
    QRect placed(QPoint(0, 0), window->frameGeometry().size());
    placed.moveCenter(owner->frameGeometry().center());
    if (const QScreen* screen = owner->screen()) {
        const QRect room = screen->availableGeometry();
        placed.moveLeft(
            std::max(room.left(), std::min(placed.left(), room.right() + 1 - placed.width())));
        placed.moveTop(
            std::max(room.top(), std::min(placed.top(), room.bottom() + 1 - placed.height())));
    }
    window->move(placed.topLeft());
}

}  // namespace formsqt

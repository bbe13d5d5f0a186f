#pragma once

// What the host tests share: one QApplication for the test program, plain pictures, and
// what a step writes to standard error.

#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <string>

#include "forms/qt/Pictures.h"

namespace hosttest {

// What `action` writes to standard error.
inline std::string standardError(const std::function<void()>& action) {
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    if (!capture) return "(standard error not captured)";
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(capture), STDERR_FILENO);
    action();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::rewind(capture);
    std::string text;
    for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
    std::fclose(capture);
    return text;
}

// The application lives until the test program ends; gtest_main owns main().
inline void ensureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "hosttest";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// A left-button mouse event with its own timestamp, as the platform sends it.
inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, quint64 timestamp) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton,
                      buttons, Qt::NoModifier);
    event.setTimestamp(timestamp);
    QApplication::sendEvent(widget, &event);
}

// Every known picture is a solid colour at the size asked for, drawn at the ratio asked for.
class SolidPictures : public formsqt::PictureProvider {
public:
    QPixmap picture(const QString& name, QSizeF logicalSize, qreal dpr,
                    formsqt::PictureLook look) const override {
        ++requests;
        lastDpr = dpr;
        if (name.isEmpty() || name == "missing") return {};
        QPixmap pm((logicalSize * dpr).toSize());
        pm.setDevicePixelRatio(dpr);
        pm.fill(look == formsqt::PictureLook::Pressed ? Qt::darkGreen : Qt::green);
        return pm;
    }
    void framePainted() const override { ++framesPainted; }
    mutable int requests = 0;
    mutable qreal lastDpr = 0;
    mutable int framesPainted = 0;
};

}  // namespace hosttest

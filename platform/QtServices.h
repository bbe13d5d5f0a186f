#pragma once

// The services that need the Qt application: pending events, launching programs and web
// pages, sending keys, the message box and beep, and ending the program at once.

#include <QPointer>
#include <QWidget>
#include <string>

#include "platform/Services.h"

namespace platform {

// Handles what is queued; when nothing is, waits a few milliseconds for the next event, so
// a wait built on this pump sleeps instead of spinning.
class QtEventPump final : public EventPump {
public:
    void processPendingEvents() override;
};

// Starts a sibling program (beside this executable first, then on PATH) or opens a web page
// in the default browser. Failures are ignored; a program that cannot be started is named on
// standard error, in one line, with the reason.
class ShellLauncher final : public Launcher {
public:
    void startProgram(const std::string& program) override;
    void openUrl(const std::string& url) override;
    // The executable that startProgram would run (its path as the system spells it), or empty.
    static std::string locateProgram(const std::string& program);
};

// Posts key presses to the focused widget of the active window; when no window of this
// program is active, to `fallback`. Only "{f1}" is understood.
class QtKeySender final : public KeySender {
public:
    explicit QtKeySender(QWidget* fallback = nullptr) : fallback_(fallback) {}
    void setFallback(QWidget* fallback) { fallback_ = fallback; }
    void sendKeys(const std::string& keys) override;

private:
    QPointer<QWidget> fallback_;
};

// The information box with OK and Cancel (in that order), over the active window.
class MessageBoxDialogs final : public Dialogs {
public:
    Answer askOkCancel(const std::string& title, const std::string& text) override;
    void beep() override;
};

// Ends the process at once with status 0: no unload handler, no destructor runs.
class ImmediateExit final : public ProgramControl {
public:
    [[noreturn]] void endNow() override;
};

}  // namespace platform

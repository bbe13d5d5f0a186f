#pragma once

// What both programs do with their main window: a later copy hands over to the running one
// before any window is built; once the window is hosted, F1 opens the help, a later copy
// brings this one to the front, the program ends with the window (also while the help
// window is open), the session's signals to end close the window as its close box does,
// then the window loads, shows and the event loop runs.

#include <QApplication>
#include <QObject>
#include <QSessionManager>
#include <functional>
#include <string>

#include "forms/qt/Host.h"
#include "forms/qt/Placement.h"
#include "platform/HelpWindow.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"
#include "platform/TerminationSignals.h"

namespace app {

using platform::HelpWindowViewer;
using platform::LocalSingleInstance;
using platform::ProgramControl;
using platform::QtKeySender;
using platform::TerminationSignals;

// A later copy hands over before it builds its window: it asks the running copy to come to
// the front and ends at once, without a window. The window's own load makes the same check
// later and finds it decided.
inline void handOverToRunningCopy(LocalSingleInstance& instance, ProgramControl& program) {
    if (!instance.previousInstance()) return;
    instance.activatePrevious();
    program.endNow();
}

// `ending` is made by the caller first thing and lives until `main` returns: a signal that
// comes after the event loop, while the window, host and single instance are taken down and
// the process exits, then changes nothing, and the program ends in order with its status.
// `saveState`, when given, keeps what the window keeps at its unload, without closing it: it
// answers the session manager's request to save the state.
inline int runMainWindow(forms::Window& window, formsqt::Host& host, HelpWindowViewer& help,
                         LocalSingleInstance& instance, QtKeySender& keys,
                         TerminationSignals& ending, const std::function<void()>& saveState = {}) {
    keys.setFallback(host.widget());
    help.setPlacement(
        [&host](QWidget* helpWindow) { formsqt::placeOverOwner(helpWindow, host.widget()); });
    host.setHelpHandler(
        [&help](const std::string& file, int context) { help.showHelp(file, context); });
    instance.setActivationHandler([&host] { host.frame().activate(); });
    host.setClosedHandler([] { QCoreApplication::quit(); });
    // Logout, `kill`, a closed terminal or Ctrl-C: the window closes as by its close box, so
    // it unloads as always (the settings written, the other windows closed), and the program
    // ends through the event loop. A further signal (SIGHUP after SIGTERM at a logout) finds
    // the end under way and is ignored, now and after the loop has returned.
    ending.setRequestHandler([&host, asked = false]() mutable {
        if (asked) return;
        asked = true;
        host.widget()->close();
    });
    struct HoldBack {
        TerminationSignals& ending;
        ~HoldBack() { ending.ignoreUntilExit(); }
    } holdBack{ending};
    QObject session;
    if (saveState) {
        auto save = [&window, &saveState](QSessionManager&) {
            if (!window.unloaded()) saveState();
        };
        QObject::connect(qApp, &QGuiApplication::commitDataRequest, &session, save);
        QObject::connect(qApp, &QGuiApplication::saveStateRequest, &session, save);
    }
    window.Form_Load();
    host.show();
    return QApplication::exec();
}

}  // namespace app

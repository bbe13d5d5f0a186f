#pragma once

// What both programs do with their main window: a later copy hands over to the running one
// before any window is built; once the window is hosted, F1 opens the help, a later copy
// brings this one to the front, the program ends with the window (also while the help
// window is open), then the window loads, shows and the event loop runs.

#include <QApplication>
#include <string>

#include "forms/qt/Host.h"
#include "platform/HelpWindow.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"

namespace platform {

// A later copy hands over before it builds its window: it asks the running copy to come to
// the front and ends at once, without a window. The window's own load makes the same check
// later and finds it decided.
inline void handOverToRunningCopy(LocalSingleInstance& instance, ProgramControl& program) {
    if (!instance.previousInstance()) return;
    instance.activatePrevious();
    program.endNow();
}

inline int runMainWindow(forms::Window& window, formsqt::Host& host, HelpWindowViewer& help,
                         LocalSingleInstance& instance, QtKeySender& keys) {
    keys.setFallback(host.widget());
    help.setOwner(host.widget());
    host.setHelpHandler(
        [&help](const std::string& file, int context) { help.showHelp(file, context); });
    instance.setActivationHandler([&host] { host.frame().activate(); });
    host.setClosedHandler([] { QCoreApplication::quit(); });
    window.Form_Load();
    host.show();
    return QApplication::exec();
}

}  // namespace platform

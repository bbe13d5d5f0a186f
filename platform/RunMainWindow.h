#pragma once

// What both programs do with their main window once it is hosted: F1 opens the help, a
// later copy brings this one to the front, the program ends with the window (also while
// the help window is open), then the window loads, shows and the event loop runs.

#include <QApplication>
#include <string>

#include "forms/qt/Host.h"
#include "platform/HelpWindow.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"

namespace platform {

inline int runMainWindow(forms::Window& window, formsqt::Host& host, HelpWindowViewer& help,
                         LocalSingleInstance& instance, QtKeySender& keys) {
    keys.setFallback(host.widget());
    host.setHelpHandler(
        [&help](const std::string& file, int context) { help.showHelp(file, context); });
    instance.setActivationHandler([&host] { host.frame().activate(); });
    host.setClosedHandler([] { QCoreApplication::quit(); });
    window.Form_Load();
    host.show();
    return QApplication::exec();
}

}  // namespace platform

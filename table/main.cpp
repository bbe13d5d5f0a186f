// cardtable: the table window on the Qt host, with the real platform services.

#include <QApplication>
#include <memory>

#include "app/RunMainWindow.h"
#include "forms/qt/DisplayPlatform.h"
#include "forms/qt/Host.h"
#include "platform/DataFiles.h"
#include "platform/HelpWindow.h"
#include "platform/IniSettings.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"
#include "platform/SdlSound.h"
#include "platform/SystemServices.h"
#include "platform/TerminationSignals.h"
#include "resources/artwork/Artwork.h"
#include "table/TableWindow.h"

int main(int argc, char** argv) {
    // Made first and kept until main returns: from the event loop on, a signal to end closes
    // the window; one that comes later, while the program takes itself down, changes nothing.
    platform::TerminationSignals ending;
    formsqt::initApplication();
    formsqt::ApplicationArguments arguments(argc, argv);
    if (!arguments.displayFound()) return 1;
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QStringLiteral("cardtable"));
    platform::LocalSingleInstance instance("cardtable");
    platform::ImmediateExit program;
    app::handOverToRunningCopy(instance, program);

    resources::Artwork artwork(platform::cacheFolder("cardtable"), platform::iconFolders());
    platform::SystemRandom random;
    platform::SteadyClock clock;
    platform::QtEventPump events;
    platform::IniSettings settings;
    platform::SdlSound sound("cardtable");
    platform::ShellLauncher launcher;
    platform::QtKeySender keys;
    platform::MessageBoxDialogs dialogs;
    platform::HelpWindowViewer help("cardtable");

    // The about box's host: replaced when a new box is shown (the table window keeps the
    // old box alive until then), and destroyed before the table window, which owns the box.
    std::unique_ptr<formsqt::Host> aboutHost;
    table::TableServices services{random,  clock,    events,  settings,
                                  sound,   launcher, keys,    instance,
                                  dialogs, program,  nullptr, "http://" BLACKJACK_SITE_HOST};
    services.showWindow = [&aboutHost, &artwork](forms::Window& box) {
        if (!aboutHost || &aboutHost->window() != &box)
            aboutHost = std::make_unique<formsqt::Host>(box, artwork);
        aboutHost->show();
        aboutHost->frame().activate();
    };

    table::TableWindow window(services);
    formsqt::Host host(window, artwork);
    const int status = app::runMainWindow(window, host, help, instance, keys, ending,
                                          [&window] { window.saveSettings(); });
    aboutHost.reset();
    return status;
}

// oddsdesk: the calculator window on the Qt host, with the real platform services.

#include <QApplication>

#include "app/RunMainWindow.h"
#include "calculator/CalculatorWindow.h"
#include "forms/qt/DisplayPlatform.h"
#include "forms/qt/Host.h"
#include "platform/DataFiles.h"
#include "platform/HelpWindow.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"
#include "platform/TerminationSignals.h"
#include "resources/artwork/Artwork.h"

int main(int argc, char** argv) {
    // Made first and kept until main returns: from the event loop on, a signal to end closes
    // the window; one that comes later, while the program takes itself down, changes nothing.
    platform::TerminationSignals ending;
    formsqt::initApplication();
    formsqt::ApplicationArguments arguments(argc, argv);
    if (!arguments.displayFound()) return 1;
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QStringLiteral("oddsdesk"));
    platform::LocalSingleInstance instance("oddsdesk");
    platform::ImmediateExit program;
    app::handOverToRunningCopy(instance, program);

    resources::Artwork artwork(platform::cacheFolder("oddsdesk"), platform::iconFolders());
    platform::ShellLauncher launcher;
    platform::HelpWindowViewer help("oddsdesk");
    platform::QtKeySender keys;

    calculator::CalculatorWindow window({instance, program, launcher, keys});
    formsqt::Host host(window, artwork);
    return app::runMainWindow(window, host, help, instance, keys, ending);
}

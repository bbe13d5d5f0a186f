// oddsdesk: the calculator window on the Qt host, with the real platform services.

#include <QApplication>

#include "calculator/CalculatorWindow.h"
#include "forms/qt/Host.h"
#include "platform/HelpWindow.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"
#include "resources/artwork/Artwork.h"

int main(int argc, char** argv) {
    formsqt::initApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("oddsdesk"));

    resources::Artwork artwork;
    platform::LocalSingleInstance instance("oddsdesk");
    platform::ImmediateExit program;
    platform::ShellLauncher launcher;
    platform::HelpWindowViewer help("oddsdesk");
    platform::QtKeySender keys;

    calculator::CalculatorWindow window({instance, program, launcher, help, keys});
    formsqt::Host host(window, artwork);
    keys.setFallback(host.widget());
    host.setHelpHandler(
        [&help](const std::string& file, int context) { help.showHelp(file, context); });
    // A later copy asks this one to the front.
    instance.setActivationHandler([&host] { host.frame().activate(); });
    // The program ends with the calculator window, also while the help window is open.
    host.setClosedHandler([] { QCoreApplication::quit(); });

    window.Form_Load();
    host.show();
    return QApplication::exec();
}

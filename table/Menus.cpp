// The menu commands: the calculator, leaving, dealing speed, sound, the odds cover, help,
// the about box and the maker's web site.

#include "table/TableWindow.h"

namespace table {

void TableWindow::mnuOnlineCalculator_Click() {
    services_.launcher.startProgram("oddsdesk");
}

// Closing the table window saves the settings and ends the program.
void TableWindow::mnuexit_Click() {
    unload();
}

void TableWindow::mnudealfast_Click() {
    mnudealfast.setChecked(true);
    mnudealnorm.setChecked(false);
    timdeal.setInterval(FastDealInterval);
    Tp1.setInterval(FastDealInterval);
}

void TableWindow::mnudealnorm_Click() {
    mnudealfast.setChecked(false);
    mnudealnorm.setChecked(true);
    timdeal.setInterval(NormalDealInterval);
    Tp1.setInterval(NormalDealInterval);
}

// The caption names the next action: "Sound Off" while sounds play.
void TableWindow::mnuso_Click() {
    if (mnuso.caption() != "Sound On") {
        mnuso.setCaption("Sound On");
        SoundOff = 1;
    } else {
        mnuso.setCaption("Sound Off");
        SoundOff = 0;
    }
}

void TableWindow::mnuodds_Click() {
    cover.mnuodds_Click();
}

void TableWindow::mnuplayonline_Click() {
    services_.dialogs.beep();
    const auto answer = services_.dialogs.askOkCancel(
        "Play Online",
        "Carvex will now start the Brenn Blackjack Calculator and go to our recommended online "
        "Blackjack gaming site.");
    if (answer != platform::Dialogs::Answer::Ok) return;
    services_.launcher.startProgram("oddsdesk");
    services_.launcher.openUrl(services_.siteRoot + "/blackjack/online.htm");
    unload();
}

// Help opens at the table's topic; the F1 sent to the active window does the opening.
void TableWindow::mnuSearchHelp_Click() {
    setHelpContext(405);
    services_.keys.sendKeys("{f1}");
}

void TableWindow::mnuabout_Click() {
    if (!about_) {
        about_ = std::make_unique<Brenn>([this] { aboutUnloaded(); });
        about_->setOwner(this);  // a box of the table's
        about_->Form_Load();
    }
    if (services_.showWindow) services_.showWindow(*about_);
    // A box that closed itself earlier has long left its own handlers, and whoever showed
    // it has just turned to the new one: it can go now.
    retiredAbout_.reset();
}

void TableWindow::menuws_Click() {
    services_.launcher.openUrl(services_.siteRoot + "/blackjack/blackjack.htm");
}

// The about box unloads itself from inside one of its own handlers, so it is kept aside
// until the next "About" (or the table's end) instead of being destroyed under its caller.
void TableWindow::aboutUnloaded() {
    retiredAbout_ = std::move(about_);
}

}  // namespace table

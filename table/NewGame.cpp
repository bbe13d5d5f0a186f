// New Game: stops any card animation, clears the table, the odds panel and the counters,
// and gives the bankroll the starting amount after a short pause and the shuffle. The bet
// stays as it was.

#include "forms/Conversions.h"
#include "table/TableWindow.h"

namespace table {

void TableWindow::mnung_Click() {
    lresult.setFontSize(12);
    dbox.setVisible(false);
    f1.setVisible(false);
    Picture4.setVisible(false);
    Tp1.setEnabled(false);
    timdeal.setEnabled(false);

    // The odds panel is covered while the table is reset.
    const bool oddsWereCovered = cover.Picture1.visible();
    cover.Picture1.setVisible(true);

    Command7_Click();
    panel.Command12_Click();
    WaitHalfSecond();
    // The window may have been closed while it waited.
    if (unloaded()) return;
    PlayEffect(SoundEffect::Shuffle);

    lresult.setVisible(true);
    ltot.setCaption(forms::text(StartingAmount));
    ltot.setVisible(true);
    if (!oddsWereCovered) cover.Picture1.setVisible(false);
}

void TableWindow::Command7_Click() {
    arrow.setVisible(false);
    HandInPlay = 0;
    lresult.setCaption("");
    for (forms::Element* counter : {&lwin, &lloose, &lpush, &lbust}) counter->setCaption("");
    lmin.setCaption("10000");
    lmax.setCaption("10000");
    ltot.setCaption(forms::text(StartingAmount));
    l3.setCaption("");
    Command2_Click();
    Command8.setEnabled(false);
    Command5.setEnabled(false);
    Command1.setEnabled(false);
    Command3.setEnabled(true);
    cmdsplit.setEnabled(false);
}

// Half a second on the monotonic clock, with the window handling its events meanwhile.
// The event pump waits briefly for events, so the loop does not spin.
void TableWindow::WaitHalfSecond() {
    const double start = services_.clock.seconds();
    while (services_.clock.seconds() < start + 0.5) services_.events.processPendingEvents();
}

}  // namespace table

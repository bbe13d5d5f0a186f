// Bets, chips and the bankroll: the three chips build the bet, a double-click on the bet
// clears it, and the bankroll never shows a negative amount.

#include <limits>

#include "forms/Conversions.h"
#include "table/TableWindow.h"

namespace table {

namespace {
// The chips' values by Index.
constexpr int ChipValues[] = {1, 5, 25};
}  // namespace

void TableWindow::Image4_MouseDown(int Index, int Button, int Shift, float X, float Y) {
    (void)Index;
    (void)Button;
    (void)Shift;
    (void)X;
    (void)Y;
    // A press on a chip closes the starting-amount panel, even during a hand.
    if (Picture4.visible()) Command18_Click();
}

void TableWindow::Image4_MouseUp(int Index, int Button, int Shift, float X, float Y) {
    (void)Shift;
    (void)X;
    (void)Y;
    if (Index < 0 || Index > 2) return;
    if (HandInPlay == 1) return;  // the bet is fixed while a hand is played
    PlayEffect(SoundEffect::Chip);

    CurrentBet = BetAmount;
    const int chip = ChipValues[Index];
    double bet = CurrentBet;
    if (Button == forms::LeftButton) {
        bet += chip;
    } else {
        // Taking a chip off never leaves a negative bet: a smaller bet is cleared.
        if (bet < chip) bet = 0;
        if (bet != 0) bet -= chip;
    }
    // The chip-built bet is a 16-bit number: a chip that would carry it past the largest
    // one leaves the bet as it was.
    if (bet > std::numeric_limits<std::int16_t>::max()) return;

    Text1.setCaption(forms::text(bet));
    BetAmount = static_cast<std::int16_t>(bet);
    CurrentBet = bet;

    // The first chip takes the welcome message away.
    if (bet > 0) dbox.setVisible(false);

    const double chips = forms::val(ltot.caption());
    if (forms::val(Text1.caption()) > chips) {
        dbox.setVisible(true);
        lresult.setCaption(
            chips <= 0.9 ? "You don't have enough chips remaining. Click 'New Game' to restart.."
                         : "You don't have enough chips remaining. Reduce your bet..");
        lresult.setFontSize(10);
    }
}

void TableWindow::Text1_Change() {
    CurrentBet = forms::val(Text1.caption());
}

void TableWindow::text1_DblClick() {
    if (HandInPlay == 1) return;
    Text1.setCaption("0");
    CurrentBet = 0;
    BetAmount = 0;
}

void TableWindow::ltot_Change() {
    if (forms::val(ltot.caption()) < 0) ltot.setCaption("0");
}

}  // namespace table

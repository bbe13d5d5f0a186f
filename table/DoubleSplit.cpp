// Double and Split: the player's two extra plays. No chips move here; the hands are settled
// by Hit (a bust) or by Stand.

#include <cstdint>
#include <string>

#include "forms/Conversions.h"
#include "table/TableWindow.h"

namespace table {

using forms::val;

namespace {

// Twice the bet must be within the chips shown; otherwise the play is refused with a
// message and the hand goes on.
bool refusedForFunds(TableWindow& w, const char* play) {
    if (!(2 * val(w.Text1.caption()) > val(w.ltot.caption()))) return false;
    w.lresult.setCaption(std::string("You don't have enough chips remaining to ") + play +
                         ". Select another option..");
    // The message's change has just enabled Deal; the hand is still in play.
    w.Command3.setEnabled(false);
    w.lresult.setFontSize(10);
    w.dbox.setVisible(true);
    return true;
}

// The stake of a doubled split hand: twice the bet, as an integer.
std::int32_t doubledStake(double bet) {
    return static_cast<std::int32_t>(forms::roundHalfEven(2 * bet));
}

}  // namespace

void TableWindow::Command8_Click() {
    if (Tp1.enabled() || timdeal.enabled()) return;
    if (refusedForFunds(*this, "DOUBLE")) return;
    Picture3.setVisible(true);
    Command18_Click();
    ltot.setVisible(false);
    if (SplitStage == 1) Split1Doubled = 1;
    if (SplitStage == 2) Split2Doubled = 1;

    if (SplitStage == 0)
        doublePlainHand();
    else if (SplitStage == 1)
        doubleSplitHand1();
    else if (SplitStage == 2)
        doubleSplitHand2();
}

// The plain hand, on its first two cards: twice the bet for one card, then the stand.
void TableWindow::doublePlainHand() {
    if (PlayerTotal > 20 || PlayerCardCount > 2) return;
    CurrentBet = 2 * CurrentBet;
    Command1_Click();               // the one card; a bust is settled there
    if (PlayerTotal == 21) return;  // stood on 21 and settled by Hit
    Command5_Click();
    CurrentBet = CurrentBet / 2;
    if (PlayerTotal > 21) {
        ltot.setVisible(true);
        dbox.setVisible(true);
    }
    panel.Command12_Click();
}

// Split hand 1, on its first two cards: its own doubled stake and one card, then play moves
// to hand 2, whose second card is dealt.
void TableWindow::doubleSplitHand1() {
    if (Split1Total > 20 || Split1CardCount > 2) return;
    Split1Bet = doubledStake(CurrentBet);
    Command1_Click();
    SplitStage = 2;
    // At 21 or over Hit has moved to hand 2 already and dealt its second card.
    if (Split1Total > 20) return;
    panel.Command12_Click();
    panel.pp_Click(DealerHand[1]);
    panel.dd_Click(PlayerHand[1]);
    arrow.setLeft(s2(1).left());
    panel.OddsHandBusted = 0;
    Command1_Click();  // hand 2's second card
    ltot.setVisible(true);
}

// Split hand 2, on its first two cards: its own doubled stake and one card, then the stand
// that settles both hands.
void TableWindow::doubleSplitHand2() {
    ltot.setVisible(true);
    if (Split2Total > 20 || Split2CardCount > 2) return;
    Split2Bet = doubledStake(CurrentBet);
    Command1_Click();
    // At 21 Hit has stood already and the reveal runs, so this Stand does nothing.
    if (Split2Total < 22) Command5_Click();
    Command1.setEnabled(false);
    Command5.setEnabled(false);
    panel.Command12_Click();
}

void TableWindow::cmdsplit_Click() {
    lresult.setFontSize(12);
    if (Tp1.enabled() || timdeal.enabled()) return;
    if (refusedForFunds(*this, "SPLIT")) return;
    L1.setLeft(s1(1).left());
    Command18_Click();
    insurance.setEnabled(false);
    insuranceno.setEnabled(false);
    f1.setVisible(false);
    Command8.setEnabled(false);
    Command5.setEnabled(false);

    if (PlayerFirstCard == 1) PlayerFirstCard = 11;
    if (PlayerSecondCard == 1) PlayerSecondCard = 11;
    SplitHand1[1] = PlayerFirstCard;
    SplitHand2[1] = PlayerSecondCard;

    SplitStage = 1;
    cmdsplit.setEnabled(false);
    Split1CardCount = 1;
    Split2CardCount = 1;

    arrow.setLeft(s1(1).left());
    arrow.setVisible(true);

    // The pair's cards move to the two split hands.
    s1(1).setPicture(playcard(1).picture());
    s2(1).setPicture(playcard(2).picture());
    s1(1).setVisible(true);
    s2(1).setVisible(true);
    playcard(1).setVisible(false);
    playcard(2).setVisible(false);
    L1.setCaption("");

    panel.Command12_Click();
    panel.pp_Click(DealerHand[1]);
    panel.dd_Click(PlayerHand[1]);
    Command1_Click();  // split hand 1's second card
}

}  // namespace table

// Insurance against a dealer blackjack under an ace: either answer makes the dealer look
// at once for a ten underneath.

#include "table/HandRules.h"
#include "table/TableWindow.h"

namespace table {

namespace {
// The offer stays on the table when the player stands without answering it. Once the hand
// is settled an answer only takes the offer away: the dealer does not look again and no
// chips move for a hand that is over.
bool offerOutlivedItsHand(TableWindow& w) {
    w.insurance.setEnabled(false);
    w.insuranceno.setEnabled(false);
    w.f1.setVisible(false);
    return w.HandInPlay == 0;
}

// The look found a ten: the play buttons go dead and the hole card shows that card.
void turnUpDealerBlackjack(TableWindow& w, int cardNumber) {
    w.Command8.setEnabled(false);
    w.Command5.setEnabled(false);
    w.Command1.setEnabled(false);
    w.cmdsplit.setEnabled(false);
    w.dplaycard(2).setPicture(w.Image1(cardNumber).picture());
}
}  // namespace

void TableWindow::insurance_Click() {
    if (offerOutlivedItsHand(*this)) return;
    PeekDone = 1;
    // The insurance stake: half the bet.
    hand::addToBankroll(ltot, -CurrentBet * 0.5);
    const int n = DrawCard();  // the card looked at is not kept
    if (CardValues[n] != 10) return;

    // Dealer blackjack: the insurance pays back what the bet loses.
    turnUpDealerBlackjack(*this, n);
    lresult.setCaption("           INSURANCE..");
    Picture3.setVisible(true);
    hand::addToBankroll(ltot, CurrentBet * 0.5);
    dbox.setVisible(true);
    ltot.setVisible(true);
    HandInPlay = 0;
}

void TableWindow::insuranceno_Click() {
    if (offerOutlivedItsHand(*this)) return;
    PeekDone = 1;
    const int n = DrawCard();  // the card looked at is not kept
    if (CardValues[n] != 10) return;

    // Dealer blackjack: the bet is lost.
    turnUpDealerBlackjack(*this, n);
    Picture3.setVisible(true);
    lresult.setCaption("Dealer Wins..");
    HandInPlay = 0;
    hand::addToBankroll(ltot, -CurrentBet);
    dbox.setVisible(true);
    ltot.setVisible(true);
}

}  // namespace table

// Deal: the bet checks, the table clear, the dealer's up-card and the player's two cards,
// the dealer's look under a ten, the deal animation and the message line's change.

#include "forms/Conversions.h"
#include "table/HandRules.h"
#include "table/TableWindow.h"

namespace table {

using forms::text;
using forms::trim;
using forms::val;

void TableWindow::Command3_Click() {
    PairDealt = 0;
    lresult.setFontSize(12);
    HiddenDealerCards = 0;
    DealBoxWasShown = 0;
    PlayerTotal = 0;
    DealerTotal = 0;

    // The bet against the chips.
    if (trim(Text1.caption()) == "0") {
        lresult.setCaption("Please place your bets..");
        dbox.setVisible(true);
        return;
    }
    const double bet = val(Text1.caption());
    const double chips = val(ltot.caption());
    if (bet > chips) {
        if (chips > 0.9) {
            HandInPlay = 0;
            lresult.setCaption("You don't have enough chips remaining. Reduce your bet..");
        } else {
            lresult.setCaption(
                "You don't have enough chips remaining. Click 'New Game' to restart..");
        }
        lresult.setFontSize(10);
        dbox.setVisible(true);
        return;
    }

    Picture4.setVisible(false);
    Picture3.setVisible(true);
    // The message line is hidden while the dealer's cards are being revealed.
    if (!lresult.visible()) return;

    timdeal.setEnabled(false);
    lresult.setVisible(true);
    InsuranceOffered = 0;
    Command3.setEnabled(false);
    L1.setVisible(false);
    l2.setVisible(false);

    DealerTenUp = 0;
    DealerBlackjack = 0;
    AcePairSplit = 0;
    PlayerBlackjack = 0;
    Split1Doubled = 0;
    Split2Doubled = 0;
    Split1Bet = 0;
    Split2Bet = 0;

    panel.Command12_Click();
    // A split moved the player's caption under split hand 1.
    L1.setLeft(playcard(1).left());

    HandInPlay = 1;
    lresult.setCaption("");
    l3.setCaption("");

    CurrentBet = val(Text1.caption());
    PlayerTotal = 0;
    Split1Total = 0;
    Split2Total = 0;
    arrow.setVisible(false);
    SplitStage = 0;

    cmdsplit.setEnabled(false);
    insurance.setEnabled(false);
    insuranceno.setEnabled(false);
    f1.setVisible(false);
    panel.OddsHandBusted = 0;

    // Hit and Stand refuse while the animation runs, so the player cannot act early.
    Command5.setEnabled(true);
    Command1.setEnabled(true);

    DealAnimStep = 0;
    Command2_Click();
    Command4_Click();  // the dealer's up-card
    Command1_Click();  // the player's two cards
    Command1_Click();

    DealAnimStep = 0;
    Tp1.setEnabled(true);
    PeekDone = 0;
}

void TableWindow::Command2_Click() {
    L1.setCaption("");
    PlayerCardCount = 0;
    for (int& v : PlayerHand) v = 0;
    PlayerTotal = 0;
    PlayerHandText.clear();
    l2.setCaption("");
    DealerCardCount = 0;
    for (int& v : DealerHand) v = 0;
    DealerTotal = 0;
    DealerHandText.clear();
    for (int i = 1; i <= MaxCards; ++i) {
        s1(i).setVisible(false);
        s2(i).setVisible(false);
        playcard(i).setVisible(false);
        dplaycard(i).setVisible(false);
    }
}

void TableWindow::Command4_Click() {
    l2.setCaption("");
    if (DealerCardCount >= MaxCards) return;
    ++DealerCardCount;
    const int c = DealerCardCount;

    int n = DrawCard();
    DealerHand[c] = CardValues[n];
    // Under a ten up-card the hole card dealt here is never an ace.
    if (c == 2 && DealerHand[1] == 10) {
        while (DealerHand[c] == 1) {
            n = DrawCard();
            DealerHand[c] = CardValues[n];
        }
    }
    panel.pp_Click(DealerHand[c]);

    if (DealerHand[c] == 1) DealerHand[c] = 11;
    // Once the look under the ten found an ace, the hole-card slot shows that ace.
    if (!(c == 2 && DealerBlackjack == 1)) dplaycard(c).setPicture(Image1(n).picture());

    if (hand::sum(DealerHand, c) > 21) hand::demoteFirstAce(DealerHand, c);
    DealerHandText = hand::text(DealerHand, c);
    DealerTotal = hand::sum(DealerHand, c);

    // An ace up: insurance is offered at the end of the deal.
    if (DealerHand[1] == 11) {
        insurance.setEnabled(true);
        insuranceno.setEnabled(true);
        InsuranceOffered = 1;
    }
    // A ten up: the dealer looks for an ace underneath, once per hand, when the up-card
    // is dealt.
    if (DealerHand[1] == 10) {
        DealerTenUp = 1;
        if (c == 1) PeekForDealerBlackjack();
        if (DealerBlackjack == 1) return;
    }

    if (c == 1) {
        DealerHandText = text(DealerHand[1]);
        dplaycard(2).setPicture(playcard(0).picture());  // the hole card lies face down
    }
    l2.setCaption(DealerHandText + " = " + text(DealerTotal));
}

void TableWindow::PeekForDealerBlackjack() {
    // The card looked at is not kept in the dealer's hand.
    const int n = DrawCard();
    if (CardValues[n] != 1) return;

    DealerBlackjack = 1;
    Command8.setEnabled(false);
    Command5.setEnabled(false);
    Command1.setEnabled(false);
    cmdsplit.setEnabled(false);
    Command3.setEnabled(true);
    dplaycard(2).setPicture(Image1(n).picture());
    // Deals the player's cards and settles the hand; the animation shows it.
    Command5_Click();
    Tp1.setEnabled(true);
}

void TableWindow::Tp1_Timer() {
    ++DealAnimStep;
    const bool sound = dealingAtNormalSpeed(Tp1);
    auto show = [&](forms::Element& card) {
        if (sound) PlayEffect(SoundEffect::Card);
        card.setVisible(true);
    };
    switch (DealAnimStep) {
        case 1:
            show(playcard(1));
            return;
        case 2:
            show(dplaycard(2));
            return;
        case 3:
            show(playcard(2));
            L1.setVisible(true);
            return;
        case 4:
            show(dplaycard(1));
            break;
        default:
            return;
    }

    // The end of the deal: the table goes to the player, or the hand is over already.
    l2.setVisible(true);
    ltot.setVisible(true);
    lresult.setVisible(true);
    const bool message = !trim(lresult.caption()).empty();
    if (message && dealingAtNormalSpeed(timdeal)) PlayEffect(SoundEffect::Chip);
    Picture3.setVisible(false);
    if (message) dbox.setVisible(true);
    if (PlayerTotal == 21) {
        Picture3.setVisible(true);
        HandInPlay = 0;
    }
    if (DealerTotal == 21) {
        Picture3.setVisible(true);
        HandInPlay = 0;
    }
    Tp1.setEnabled(false);
    if (InsuranceOffered == 1 && PlayerTotal != 21) {
        f1.setVisible(true);
        insuranceno.setFocus();
        InsuranceOffered = 0;
    }
    DealAnimStep = 0;
}

void TableWindow::lresult_Change() {
    if (trim(lresult.caption()).empty())
        dbox.setVisible(false);
    else
        Command3.setEnabled(true);
    // After a player blackjack against a 2 to 9 up the hole card is turned face down.
    if (PlayerBlackjack == 1 && DealerHand[1] != 11 && DealerHand[1] != 10 && DealerHand[1] != 1) {
        l2.setCaption("");
        dplaycard(2).setPicture(playcard(0).picture());
    }
}

}  // namespace table

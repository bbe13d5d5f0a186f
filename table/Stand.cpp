// Stand: the player's turn ends, the dealer draws, the stake is settled against the
// bankroll and the result is written; the reveal then turns the dealer's cards up one per
// tick before the message and the bankroll are shown.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "forms/Conversions.h"
#include "table/HandRules.h"
#include "table/TableWindow.h"

namespace table {

using forms::text;
using forms::trim;
using forms::val;

namespace {

// The dealer draws to 16 and stands on every 17, a soft 17 included.
void dealerDraws(TableWindow& w) {
    while (w.DealerTotal < 17 && w.DealerCardCount < MaxCards) {
        if (w.PlayerBlackjack == 1 && w.DealerCardCount == 2) {
            // Against a blackjack the dealer's two cards are all there is; under a low
            // up-card the hole card goes back face down and no total is shown.
            if (w.DealerHand[1] != 11 && w.DealerHand[1] != 10) {
                w.dplaycard(2).setPicture(w.playcard(0).picture());
                w.l2.setCaption("");
            }
            break;
        }
        w.l2.setCaption("");
        ++w.DealerCardCount;
        const int c = w.DealerCardCount;
        int n = w.DrawCard();
        int v = w.CardValues[n];
        if (c == 2) {
            // The hole card cannot make a blackjack the dealer has already been seen not
            // to hold: no ten after the look under an ace, no ace under a ten.
            while ((w.PeekDone == 1 && v == 10) || (w.DealerTenUp == 1 && v == 1)) {
                n = w.DrawCard();
                v = w.CardValues[n];
            }
        }
        w.DealerHand[c] = v == 1 ? 11 : v;
        w.dplaycard(c).setPicture(w.Image1(n).picture());
        if (hand::sum(w.DealerHand, c) > 21) hand::demoteFirstAce(w.DealerHand, c);
        w.DealerHandText = hand::text(w.DealerHand, c);
        w.DealerTotal = hand::sum(w.DealerHand, c);
        w.l2.setCaption(w.DealerHandText + " = " + text(w.DealerTotal));
    }
}

void settlePlain(TableWindow& w) {
    // The stake before a blackjack raise, kept wide enough for any stake the chips allow.
    const std::int64_t stakeBefore = forms::roundHalfEven(w.CurrentBet);
    const int a = w.PlayerHand[1];
    const int b = w.PlayerHand[2];
    if ((a == 10 && b == 11) || (a == 11 && b == 10)) w.CurrentBet = w.CurrentBet * 1.5;
    const std::string stake = text(w.CurrentBet);

    if (w.DealerTotal > w.PlayerTotal && w.DealerTotal < 22) {
        if (w.DealerBlackjack == 1) {
            // Dealing the player's cards may have enabled these.
            w.Command8.setEnabled(false);
            w.cmdsplit.setEnabled(false);
            w.lresult.setVisible(false);
            w.dbox.setVisible(false);
        }
        w.Picture3.setVisible(true);
        w.lresult.setCaption("Dealer Wins..");
        w.HandInPlay = 0;
        hand::count(w.lloose);
        hand::addToBankroll(w.ltot, -w.CurrentBet);
        hand::updateMarks(w.lmax, w.lmin, w.ltot);
    } else {
        hand::count(w.lwin);
        if (static_cast<double>(stakeBefore) * 1.5 == w.CurrentBet) {
            w.lresult.setVisible(false);
            w.dbox.setVisible(false);
            w.Picture3.setVisible(true);
            w.lresult.setCaption("    Blackjack!!  You win!! $" + stake);
            w.HandInPlay = 0;
            w.f1.setVisible(false);
        } else {
            w.Picture3.setVisible(true);
            w.lresult.setCaption("                    You Win!! $" + stake);
            w.HandInPlay = 0;
        }
        hand::addToBankroll(w.ltot, w.CurrentBet);
        hand::updateMarks(w.lmax, w.lmin, w.ltot);
    }

    if (w.DealerTotal == w.PlayerTotal) {
        // A push takes back the win just counted.
        w.lresult.setCaption("              PUSH..");
        // After the dealer's look under a ten found an ace, the hole card keeps showing
        // that ace (the dealt hole card does not replace it); any other push shows the
        // cards as dealt.
        w.HandInPlay = 0;
        hand::count(w.lwin, -1);
        hand::count(w.lpush);
        hand::addToBankroll(w.ltot, -w.CurrentBet);
    }

    if (w.DealerTotal > 21) {
        hand::count(w.lbust);
        w.Picture3.setVisible(true);
        w.lresult.setCaption("Dealer busts!!    You win!! $" + stake);
        w.HandInPlay = 0;
    }

    w.Command5.setEnabled(false);
    w.Command1.setEnabled(false);
}

// The two split hands' results go to the bankroll one by one as they are found; their sum
// is the result the message tells.
struct SplitSettlement {
    TableWindow& w;
    double stake1;
    double stake2;
    double net = 0;

    void move(double amount) {
        net += amount;
        hand::addToBankroll(w.ltot, amount);
    }

    // The hands that did not bust against the dealer's total d: losses first, then wins, then
    // every hand of 21 or less when the dealer busts.
    void againstDealer(int d, int h1, int h2) {
        if (d > h1 && d < 22) move(-stake1);
        if (d > h2 && d < 22) move(-stake2);
        if (h1 > d && h1 < 22) move(stake1);
        if (h2 > d && h2 < 22) move(stake2);
        if (d > 21) {
            if (h1 <= 21) move(stake1);
            if (h2 <= 21) move(stake2);
        }
    }

    // A hand over 21 loses its stake whatever the dealer holds.
    void busts(int h1, int h2) {
        if (h1 > 21) move(-stake1);
        if (h2 > 21) move(-stake2);
    }
};

// One message for both hands: what they won or lost together, or a push when that is
// nothing.
void writeSplitResult(TableWindow& w, double net) {
    const int d = w.DealerTotal;
    const std::string amount = text(std::fabs(net));
    if (net > 0)
        w.lresult.setCaption(d < 22 ? "                    You Win!! $" + amount
                                    : "Dealer Busts.. You Win $" + amount);
    else
        w.lresult.setCaption(d < 22 ? "Dealer Wins..  You Lose $" + amount
                                    : "Dealer Busts.. You Lose $" + amount);
    if (net == 0) w.lresult.setCaption("              PUSH..");
}

// Settles both split hands; with `bustsOnly` (both hands over 21) only their losses.
void settleSplit(TableWindow& w, bool bustsOnly) {
    SplitSettlement settlement{w, w.Split1Doubled == 1 ? w.Split1Bet : w.CurrentBet,
                               w.Split2Doubled == 1 ? w.Split2Bet : w.CurrentBet};
    if (!bustsOnly) settlement.againstDealer(w.DealerTotal, w.Split1Total, w.Split2Total);
    settlement.busts(w.Split1Total, w.Split2Total);

    w.HandInPlay = 0;
    w.Picture3.setVisible(true);
    writeSplitResult(w, settlement.net);
    w.Command1.setEnabled(false);
    w.Command5.setEnabled(false);
}

}  // namespace

void TableWindow::Command5_Click() {
    lresult.setFontSize(12);
    if (Tp1.enabled() || timdeal.enabled()) return;
    ltot.setVisible(false);
    Picture3.setVisible(true);
    Command18_Click();
    Command8.setEnabled(false);
    cmdsplit.setEnabled(false);

    if (DealerBlackjack == 1) {
        // Found by the look under a ten during the deal: the player's two cards, then the
        // result at once; the deal animation shows it.
        DealerTotal = 21;
        Command1_Click();
        Command1_Click();
        if (SplitStage == 0)
            settlePlain(*this);
        else
            settleSplit(*this, false);
    } else if (Split1Total > 21 && Split2Total > 21) {
        // Both split hands are lost; the dealer does not play.
        ltot.setVisible(true);
        settleSplit(*this, true);
    } else if (SplitStage == 1) {
        // Leaving split hand 1: the odds panel restarts for hand 2, which gets its second
        // card.
        panel.Command12_Click();
        panel.pp_Click(DealerHand[1]);
        panel.dd_Click(PlayerHand[1]);
        SplitStage = 2;
        arrow.setLeft(s2(1).left());
        Command1_Click();
        ltot.setVisible(true);
    } else {
        // A doubled plain hand that busted is settled already.
        if (PlayerTotal > 21) return;
        dealerDraws(*this);
        l2.setVisible(false);
        lresult.setVisible(false);
        dbox.setVisible(false);
        // A blackjack is settled inside the deal, whose animation shows the result.
        if (!(PlayerTotal == 21 && PlayerCardCount == 2)) timdeal.setEnabled(true);
        if (SplitStage == 0)
            settlePlain(*this);
        else
            settleSplit(*this, false);
    }

    // Undoes a blackjack raise; the bet shown is unchanged.
    CurrentBet = val(Text1.caption());
}

void TableWindow::timdeal_Timer() {
    // The step stops counting past the last slot, so a reveal held up by the
    // starting-amount panel cannot overflow it.
    DealAnimStep = std::min(std::max(DealAnimStep, 1) + 1, MaxCards + 1);
    const int last = std::clamp(DealerCardCount, 1, MaxCards);
    if (dplaycard(last).visible()) {
        // The dealer's last card is up: the result is shown, with every card of the
        // dealer's hand face up, also those the starting-amount panel hid and a Deal
        // closed it over without showing again.
        for (int i = 1; i < last; ++i) dplaycard(i).setVisible(true);
        timdeal.setEnabled(false);
        DealAnimStep = 0;
        l2.setVisible(true);
        lresult.setVisible(true);
        ltot.setVisible(true);
        if (!trim(lresult.caption()).empty()) {
            if (dealingAtNormalSpeed(timdeal)) PlayEffect(SoundEffect::Chip);
            dbox.setVisible(true);
        }
        return;
    }
    if (DealAnimStep == 2) {
        dplaycard(2).setVisible(true);
    } else if (DealAnimStep >= 3 && DealAnimStep <= DealerCardCount) {
        // Only the slots of this hand's cards: a slot past them may still hold a card
        // picture of an earlier hand.
        if (dealingAtNormalSpeed(timdeal)) PlayEffect(SoundEffect::Card);
        dplaycard(DealAnimStep).setVisible(true);
    } else if (DealAnimStep > DealerCardCount && !Picture4.visible()) {
        // Every card has had its tick, yet one is face down again: the starting-amount
        // panel hid it and was closed without showing it (by Deal, or opened a second
        // time). The dealer's cards are turned up so the reveal ends at the next tick.
        for (int i = 1; i <= last; ++i) dplaycard(i).setVisible(true);
    }
}

}  // namespace table

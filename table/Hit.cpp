// Hit: one card for the hand in play (the plain hand or one of the split hands), and what
// follows from it: a bust, a pair, a pair of aces, a blackjack, the end of split hand 1 and
// the automatic stand on 21.

#include "forms/Conversions.h"
#include "table/HandRules.h"
#include "table/TableWindow.h"

namespace table {

using forms::text;

void TableWindow::Command1_Click() {
    dbox.setVisible(false);
    lresult.setFontSize(12);
    if (Tp1.enabled()) return;
    if (timdeal.enabled()) return;
    Picture3.setVisible(true);
    Command18_Click();

    // Card sounds only at the normal dealing speed.
    const bool sound = timdeal.interval() == 300;
    // Draws one card into `values` at `count`; returns the card number. The odds panel
    // gets the value as drawn (an ace as 1).
    auto drawInto = [this](int* values, int count) {
        const int n = DrawCard();
        values[count] = CardValues[n];
        return n;
    };
    auto countAce = [this](int* values, int count) {
        if (values[count] == 1) values[count] = 11;
        panel.OddsHandBusted = 0;
    };

    if (SplitStage == 0) {
        // The plain hand.
        if (PlayerTotal > 20) return;
        L1.setCaption("");
        if (PlayerCardCount >= MaxCards) return;
        ++PlayerCardCount;
        const int c = PlayerCardCount;
        // With a dealer blackjack the player gets two cards only.
        if (DealerBlackjack == 1 && c > 2) return;

        if (c == 3) cmdsplit.setEnabled(false);
        if (c > 2) {
            insurance.setEnabled(false);
            insuranceno.setEnabled(false);
            f1.setVisible(false);
            Command8.setEnabled(false);
        } else {
            Command8.setEnabled(true);
        }

        const int n = drawInto(PlayerHand, c);
        const int v = PlayerHand[c];
        PlayerHandRanks[c] = CardRanks[n];
        if (c == 2 && PlayerHandRanks[1] == PlayerHandRanks[2]) PairDealt = 1;
        panel.dd_Click(v);
        if (c == 1) PlayerFirstCard = v;
        if (c == 2) PlayerSecondCard = v;
        countAce(PlayerHand, c);

        // Cards 1 and 2 are shown by the deal animation.
        playcard(c).setPicture(Image1(n).picture());
        if (c > 2) {
            if (sound) PlayEffect(3);
            playcard(c).setVisible(true);
        }

        int total = hand::sum(PlayerHand, c);
        if (total > 21) {
            Picture3.setVisible(true);
            hand::demoteFirstAce(PlayerHand, c);
            total = hand::sum(PlayerHand, c);
        }
        PlayerHandText = hand::text(PlayerHand, c);
        if (total < 21 && c > 2) Picture3.setVisible(false);
        PlayerTotal = total;

        if (PlayerTotal > 21) {
            // The player busts: the hand is lost at once, the dealer does not play.
            if (sound) PlayEffect(1);
            Picture3.setVisible(true);
            lresult.setCaption("PLAYER BUSTS Dealer Wins");
            HandInPlay = 0;
            Command5.setEnabled(false);
            Command1.setEnabled(false);
            hand::count(lloose);
            hand::addToBankroll(ltot, -CurrentBet);
            dbox.setVisible(true);
            hand::updateMarks(lmax, lmin, ltot);
        }
        L1.setCaption(PlayerHandText + " = " + text(PlayerTotal));

        if (c == 2) {
            const int a = PlayerHand[1];
            const int b = PlayerHand[2];
            if (PlayerHandRanks[1] == PlayerHandRanks[2]) cmdsplit.setEnabled(true);
            if ((a == 11 && b == 1) || (a == 1 && b == 11)) {
                cmdsplit.setEnabled(true);
                AcePairSplit = 1;
            }
            if ((a == 11 && b == 10) || (a == 10 && b == 11)) {
                // Blackjack: the dealer's hole card, and the hand is settled.
                PlayerBlackjack = 1;
                Command4_Click();
                Command5_Click();
            }
        }
    } else {
        if (SplitStage == 1) {
            // Split hand 1.
            L1.setCaption("");
            if (Split1CardCount >= MaxCards) return;
            ++Split1CardCount;
            const int c = Split1CardCount;
            if (c == 2) {
                Command8.setEnabled(true);
                Command5.setEnabled(true);
            } else {
                Command8.setEnabled(false);
            }
            const int n = drawInto(SplitHand1, c);
            panel.dd_Click(SplitHand1[c]);
            countAce(SplitHand1, c);
            s1(c).setPicture(Image1(n).picture());
            s1(c).setVisible(true);
            if (sound) PlayEffect(3);
            int total = hand::sum(SplitHand1, c);
            if (total > 21) {
                hand::demoteFirstAce(SplitHand1, c);
                total = hand::sum(SplitHand1, c);
            }
            PlayerHandText = hand::text(SplitHand1, c);
            if (total < 21) Picture3.setVisible(false);
            Split1Total = total;
            L1.setCaption(PlayerHandText + " = " + text(Split1Total));

            if (Split1Total > 20) {
                // Hand 1 is done at 21 or over: play moves to hand 2.
                SplitStage = 2;
                panel.Command12_Click();
                panel.pp_Click(DealerHand[1]);
                panel.dd_Click(PlayerHand[1]);
                arrow.setLeft(s2(1).left());
                ltot.setVisible(true);
            }
            // Split aces get one card each.
            if (AcePairSplit == 1 && Split1CardCount == 2 && Split1Total != 21) {
                Command5_Click();
                return;
            }
        }
        if (SplitStage == 2) {
            // Split hand 2.
            if (Split2Total > 20) return;
            if (Split2CardCount >= MaxCards) return;
            ++Split2CardCount;
            const int c = Split2CardCount;
            Command8.setEnabled(c == 2);
            const int n = drawInto(SplitHand2, c);
            panel.dd_Click(SplitHand2[c]);
            countAce(SplitHand2, c);
            s2(c).setPicture(Image1(n).picture());
            s2(c).setVisible(true);
            if (sound) PlayEffect(3);
            int total = hand::sum(SplitHand2, c);
            if (total > 21) {
                hand::demoteFirstAce(SplitHand2, c);
                total = hand::sum(SplitHand2, c);
            }
            PlayerHandText = hand::text(SplitHand2, c);
            if (total < 21) Picture3.setVisible(false);
            Split2Total = total;

            if (Split2Total > 21) {
                // Stand settles both hands; nothing moves here.
                ltot.setVisible(true);
                if (Split1Total > 21) dbox.setVisible(true);
                hand::updateMarks(lmax, lmin, ltot);
            }
            l3.setCaption(PlayerHandText + " = " + text(Split2Total));
            if (AcePairSplit == 1 && Split1CardCount == 2) {
                Command5_Click();
                return;
            }
            if (Split2Total > 20) {
                Command5_Click();
                return;
            }
        }
    }

    // The automatic stand on 21 made with three or more cards.
    if (PlayerHand[3] > 0 && PlayerTotal == 21 && DealerBlackjack == 0) Command5_Click();
}

}  // namespace table

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

    // The hand in play takes the card; a hand that takes none, or that stood, ends the call.
    if (SplitStage == 0) {
        if (!hitPlainHand()) return;
    } else {
        if (SplitStage == 1 && !hitSplitHand1()) return;
        if (SplitStage == 2 && !hitSplitHand2()) return;
    }
    standOnTwentyOne();
}

// Draws one card into `values` at `count`; returns the card number.
int TableWindow::drawInto(int* values, int count) {
    const int n = DrawCard();
    values[count] = CardValues[n];
    return n;
}

// The odds panel has had the card as drawn (an ace as 1); in the hand an ace counts 11.
void TableWindow::countAceAsEleven(int* values, int count) {
    if (values[count] == 1) values[count] = 11;
    panel.OddsHandBusted = 0;
}

// The ace rule on a hand that took a card: its total, and its text rebuilt.
int TableWindow::countHand(int* values, int count) {
    int total = hand::sum(values, count);
    if (total > 21) {
        hand::demoteFirstAce(values, count);
        total = hand::sum(values, count);
    }
    PlayerHandText = hand::text(values, count);
    return total;
}

// The plain hand's card and what follows from it. False when the call ends here.
bool TableWindow::hitPlainHand() {
    if (PlayerTotal > 20) return false;
    L1.setCaption("");
    if (PlayerCardCount >= MaxCards) return false;
    ++PlayerCardCount;
    const int c = PlayerCardCount;
    // With a dealer blackjack the player gets two cards only.
    if (DealerBlackjack == 1 && c > 2) return false;

    // Split only on the first two cards; double and insurance only before a third.
    if (c == 3) cmdsplit.setEnabled(false);
    if (c > 2) {
        insurance.setEnabled(false);
        insuranceno.setEnabled(false);
        f1.setVisible(false);
        Command8.setEnabled(false);
    } else {
        Command8.setEnabled(true);
    }

    dealToPlainHand(c);
    if (PlayerTotal > 21) playerBusts();
    L1.setCaption(PlayerHandText + " = " + text(PlayerTotal));
    if (c == 2) pairOrBlackjack();
    return true;
}

// The plain hand's card `c`: its rank for the pair test, the odds panel, its picture and
// the hand's total.
void TableWindow::dealToPlainHand(int c) {
    const int n = drawInto(PlayerHand, c);
    const int v = PlayerHand[c];
    PlayerHandRanks[c] = CardRanks[n];
    if (c == 2 && PlayerHandRanks[1] == PlayerHandRanks[2]) PairDealt = 1;
    panel.dd_Click(v);
    if (c == 1) PlayerFirstCard = v;
    if (c == 2) PlayerSecondCard = v;
    countAceAsEleven(PlayerHand, c);

    // Cards 1 and 2 are shown by the deal animation.
    playcard(c).setPicture(Image1(n).picture());
    if (c > 2) {
        if (dealingAtNormalSpeed(timdeal)) PlayEffect(SoundEffect::Card);
        playcard(c).setVisible(true);
    }

    if (hand::sum(PlayerHand, c) > 21) Picture3.setVisible(true);
    const int total = countHand(PlayerHand, c);
    if (total < 21 && c > 2) Picture3.setVisible(false);
    PlayerTotal = total;
}

// The player busts: the hand is lost at once, the dealer does not play.
void TableWindow::playerBusts() {
    if (dealingAtNormalSpeed(timdeal)) PlayEffect(SoundEffect::Chip);
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

// The first two cards: a pair may be split, two aces too; an ace and a ten are a blackjack.
void TableWindow::pairOrBlackjack() {
    const int a = PlayerHand[1];
    const int b = PlayerHand[2];
    auto holds = [a, b](int x, int y) { return (a == x && b == y) || (a == y && b == x); };
    if (PlayerHandRanks[1] == PlayerHandRanks[2]) cmdsplit.setEnabled(true);
    if (holds(11, 1)) {
        cmdsplit.setEnabled(true);
        AcePairSplit = 1;
    }
    if (holds(11, 10)) playerBlackjack();
}

// Blackjack: the dealer's hole card, and the hand is settled.
void TableWindow::playerBlackjack() {
    PlayerBlackjack = 1;
    Command4_Click();
    Command5_Click();
}

// Split hand 1's card; at 21 or over play moves on to hand 2, which takes its card in the
// same call. False when the call ends here.
bool TableWindow::hitSplitHand1() {
    L1.setCaption("");
    if (!dealToSplitHand(1)) return false;
    L1.setCaption(PlayerHandText + " = " + text(Split1Total));
    if (Split1Total > 20) moveToSplitHand2();
    // Split aces get one card each.
    if (AcePairSplit == 1 && Split1CardCount == 2 && Split1Total != 21) {
        Command5_Click();
        return false;
    }
    return true;
}

// Hand 1 is done at 21 or over: the odds panel starts over with hand 2's first card.
void TableWindow::moveToSplitHand2() {
    SplitStage = 2;
    panel.Command12_Click();
    panel.pp_Click(DealerHand[1]);
    panel.dd_Click(PlayerHand[1]);
    arrow.setLeft(s2(1).left());
    ltot.setVisible(true);
}

// Split hand 2's card; Stand settles both hands once hand 2 is done. False when the call
// ends here.
bool TableWindow::hitSplitHand2() {
    if (Split2Total > 20) return false;
    if (!dealToSplitHand(2)) return false;
    if (Split2Total > 21) {
        // Stand settles both hands; nothing moves here.
        ltot.setVisible(true);
        if (Split1Total > 21) dbox.setVisible(true);
        hand::updateMarks(lmax, lmin, ltot);
    }
    l3.setCaption(PlayerHandText + " = " + text(Split2Total));
    // Split aces get one card each; a hand at 21 or over is done.
    if ((AcePairSplit == 1 && Split1CardCount == 2) || Split2Total > 20) {
        Command5_Click();
        return false;
    }
    return true;
}

// One card for split hand 1 or 2: Double while the hand holds two cards, the card shown
// with its sound, and the hand's total. False when the hand has no slot left.
bool TableWindow::dealToSplitHand(int stage) {
    const bool handOne = stage == 1;
    int* cards = handOne ? SplitHand1 : SplitHand2;
    int& count = handOne ? Split1CardCount : Split2CardCount;
    forms::ControlArray& images = handOne ? s1 : s2;

    if (count >= MaxCards) return false;
    ++count;
    const int c = count;
    Command8.setEnabled(c == 2);
    // Hand 1 may stand once it holds its second card.
    if (handOne && c == 2) Command5.setEnabled(true);

    const int n = drawInto(cards, c);
    panel.dd_Click(cards[c]);
    countAceAsEleven(cards, c);
    images(c).setPicture(Image1(n).picture());
    images(c).setVisible(true);
    if (dealingAtNormalSpeed(timdeal)) PlayEffect(SoundEffect::Card);

    const int total = countHand(cards, c);
    if (total < 21) Picture3.setVisible(false);
    (handOne ? Split1Total : Split2Total) = total;
    return true;
}

// The automatic stand on 21 made with three or more cards.
void TableWindow::standOnTwentyOne() {
    if (PlayerHand[3] > 0 && PlayerTotal == 21 && DealerBlackjack == 0) Command5_Click();
}

}  // namespace table

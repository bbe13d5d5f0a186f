// Stand: the dealer's draw with the hole-card rules, the plain settlement and the reveal.

#include <vector>

#include "PlayFixture.h"

using namespace cards;

class StandTest : public PlayFixture {};

TEST_F(StandTest, SettlesEachKindOfResult) {
    struct Case {
        const char* name;
        std::vector<int> script;  // up-card, [look under a ten], player's two, then the rest
        const char* actions;
        const char* message;
        double chips;
        double won, lost, pushed, dealerBusts;
        const char* dealerLine;
    };
    const Case cases[] = {
        {"win",
         {7, Ten, 9, King},
         "S",
         "                    You Win!! $10",
         1010,
         1,
         0,
         0,
         0,
         "7+10 = 17"},
        {"loss", {Ten, 5, Ten, 6, 9}, "S", "Dealer Wins..", 990, 0, 1, 0, 0, "10+9 = 19"},
        {"push", {8, Ten, 8, Queen}, "S", "              PUSH..", 1000, 0, 0, 1, 0, "8+10 = 18"},
        {"dealer bust",
         {6, Ten, King, Ten, 8},
         "S",
         "Dealer busts!!    You win!! $10",
         1010,
         1,
         0,
         0,
         1,
         "6+10+8 = 24"},
        {"blackjack 3 to 2",
         {7, Ace, King, 5},
         "",
         "    Blackjack!!  You win!! $15",
         1015,
         1,
         0,
         0,
         0,
         ""},
        {"blackjack, the ten first",
         {7, King, Ace, 5},
         "",
         "    Blackjack!!  You win!! $15",
         1015,
         1,
         0,
         0,
         0,
         ""},
        {"blackjack against an ace with a ten under it",
         {Ace, Ten, AceOfDiamonds, Jack},
         "",
         "              PUSH..",
         1000,
         0,
         0,
         1,
         0,
         "11+10 = 21"},
        {"soft 17 stands",
         {6, Ten, 8, Ace},
         "S",
         "                    You Win!! $10",
         1010,
         1,
         0,
         0,
         0,
         "6+11 = 17"},
        {"16 draws",
         {6, Ten, 8, Ten, 2},
         "S",
         "              PUSH..",
         1000,
         0,
         0,
         1,
         0,
         "6+10+2 = 18"},
        {"two aces count 12 and draw on",
         {Ace, Ten, 8, 5, AceOfDiamonds, 5},
         "NS",
         "                    You Win!! $10",
         1010,
         1,
         0,
         0,
         0,
         "1+11+5 = 17"},
        // Without an answer to the offer the hole card may be a ten.
        {"dealer's two-card 21 beats 18",
         {Ace, 5, 6, 7, Ten},
         "HS",
         "Dealer Wins..",
         990,
         0,
         1,
         0,
         0,
         "11+10 = 21"},
        {"doubled win",
         {7, 5, 4, Ten, King},
         "D",
         "                    You Win!! $20",
         1020,
         1,
         0,
         0,
         0,
         "7+10 = 17"},
        {"doubled 21",
         {7, 5, 6, Ten, King},
         "D",
         "                    You Win!! $20",
         1020,
         1,
         0,
         0,
         0,
         "7+10 = 17"},
        {"doubled loss", {Ten, 2, 5, 4, 3, 9}, "D", "Dealer Wins..", 980, 0, 1, 0, 0, "10+9 = 19"},
        {"doubled bust", {7, 6, 6, Ten}, "D", "PLAYER BUSTS Dealer Wins", 980, 0, 1, 0, 0, "7 = 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        playHand(c.script, c.actions);
        EXPECT_TRUE(scriptUsedUp());
        EXPECT_EQ(w->lresult.caption(), c.message);
        EXPECT_EQ(chips(), c.chips);
        EXPECT_EQ(counter(w->lwin), c.won);
        EXPECT_EQ(counter(w->lloose), c.lost);
        EXPECT_EQ(counter(w->lpush), c.pushed);
        EXPECT_EQ(counter(w->lbust), c.dealerBusts);
        EXPECT_EQ(w->l2.caption(), c.dealerLine);
        // The hand is over and the table waits for the next bet.
        EXPECT_EQ(w->HandInPlay, 0);
        EXPECT_TRUE(w->lresult.visible());
        EXPECT_TRUE(w->dbox.visible());
        EXPECT_TRUE(w->ltot.visible());
        EXPECT_TRUE(w->l2.visible());
        EXPECT_TRUE(w->Picture3.visible());
        EXPECT_TRUE(w->Command3.enabled());
        for (forms::Element* b : {&w->Command1, &w->Command5, &w->Command8, &w->cmdsplit})
            EXPECT_FALSE(b->enabled()) << b->name();
        EXPECT_FALSE(w->timdeal.enabled());
        EXPECT_FALSE(w->Tp1.enabled());
    }
}

TEST_F(StandTest, TheBlackjackRaiseIsUndoneAfterTheSettlement) {
    playHand({7, Ace, King, 5}, "");
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_EQ(w->Text1.caption(), "10");
}

TEST_F(StandTest, TheBlackjackPaysThreeToTwoAtTheLargestBets) {
    // A bet beyond the 16-bit range when raised, and the largest chip-built bet.
    for (const char* bet : {"22000", "32767"}) {
        SCOPED_TRACE(bet);
        fresh();
        w->ltot.setCaption("100000");
        playHand({7, Ace, King, 5}, "", bet);
        const double stake = forms::val(bet);
        EXPECT_EQ(w->lresult.caption(), "    Blackjack!!  You win!! $" + forms::text(stake * 1.5));
        EXPECT_EQ(chips(), 100000 + stake * 1.5);
    }
}

TEST_F(StandTest, AHoleCardUnderATenIsNeverAnAce) {
    // The look under the ten finds a five; at Stand two aces are refused.
    playHand({Ten, 5, Ten, 8, Ace, AceOfDiamonds, 9}, "S");
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->DealerHand[2], 9);
    EXPECT_EQ(w->dplaycard(2).picture(), "card-9");
    EXPECT_EQ(w->lresult.caption(), "Dealer Wins..");
}

TEST_F(StandTest, AHoleCardUnderAnAceIsNeverATenOnceTheDealerLooked) {
    for (char answer : {'N', 'I'}) {
        SCOPED_TRACE(answer);
        fresh();
        // The look finds a five; at Stand a ten and a king are refused, then a six.
        playHand({Ace, Ten, 8, 5, Ten, King, 6}, std::string(1, answer) + "S");
        EXPECT_TRUE(scriptUsedUp());
        EXPECT_EQ(w->DealerHand[2], 6);
        EXPECT_EQ(w->l2.caption(), "11+6 = 17");
        EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
        EXPECT_EQ(chips(), answer == 'I' ? 1005 : 1010);
    }
}

TEST_F(StandTest, RefusedWhileTheDealOrTheRevealRuns) {
    startDeal({7, Ten, 9});
    w->lresult.setFontSize(10);
    w->Command5_Click();
    EXPECT_EQ(w->lresult.fontSize(), 12);
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_EQ(w->DealerCardCount, 1);
    finishDealAnimation();
    then({King});
    w->Command5.click();
    ASSERT_TRUE(w->timdeal.enabled());
    const double before = chips();
    w->Command5_Click();
    EXPECT_EQ(random.draws, 4);
    EXPECT_EQ(chips(), before);
    EXPECT_EQ(counter(w->lwin), 1);
}

TEST_F(StandTest, TheRevealTurnsUpOneCardPerTickThenShowsTheResult) {
    // Dealer 2, 2, 3, 4, 6: five cards, 17.
    deal({2, Ten, 8});
    then({2, 3, 4, 6});
    const auto before = sound.played.size();
    w->Command5.click();
    EXPECT_EQ(w->DealerCardCount, 5);
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
    EXPECT_EQ(w->ltot.caption(), "1010");  // settled at once, shown at the end
    EXPECT_FALSE(w->lresult.visible());
    EXPECT_FALSE(w->ltot.visible());
    EXPECT_FALSE(w->l2.visible());
    EXPECT_FALSE(w->dbox.visible());
    EXPECT_TRUE(w->dplaycard(2).visible());  // the hole card's face shows at once
    EXPECT_EQ(w->dplaycard(2).picture(), "card-2");
    w->Command3.click();  // no new hand during the reveal
    EXPECT_EQ(w->PlayerCardCount, 2);

    w->timdeal.tick();
    EXPECT_FALSE(w->dplaycard(3).visible());
    for (int card = 3; card <= 5; ++card) {
        w->timdeal.tick();
        EXPECT_TRUE(w->dplaycard(card).visible()) << card;
        EXPECT_FALSE(w->lresult.visible());
    }
    EXPECT_TRUE(w->timdeal.enabled());
    w->timdeal.tick();  // the fifth tick ends it
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->DealAnimStep, 0);
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->l2.visible());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_EQ(w->l2.caption(), "2+2+3+4+6 = 17");
    EXPECT_EQ(soundsSince(before),
              (std::vector<std::string>{"card.wav", "card.wav", "card.wav", "chip.wav"}));
}

TEST_F(StandTest, TheRevealAtTheFastIntervalsIsSilent) {
    for (int interval : {80, 10}) {
        SCOPED_TRACE(interval);
        fresh();
        fast(interval);
        deal({2, Ten, 8});
        then({2, 3, 4, 6});
        w->Command5.click();
        EXPECT_EQ(finishReveal(), 5);
        EXPECT_TRUE(w->dbox.visible());
        EXPECT_TRUE(sound.played.empty());
    }
}

TEST_F(StandTest, ALongDealerHandIsFullyShownAndTheRevealEnds) {
    // Six twos make 12; each of five aces then counts one: eleven cards, 17.
    deal({2, Ten, 8});
    then({2, 2, 2, 2, 2, Ace, AceOfDiamonds, 27, 40, Ace});
    w->Command5.click();
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->DealerCardCount, 11);
    EXPECT_EQ(finishReveal(), 11);
    for (int i = 1; i <= 11; ++i) EXPECT_TRUE(w->dplaycard(i).visible()) << i;
    EXPECT_EQ(w->l2.caption(), "2+2+2+2+2+2+1+1+1+1+1 = 17");
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
    EXPECT_TRUE(w->Command3.enabled());
}

TEST_F(StandTest, TheStartingAmountPanelHoldsTheRevealUntilItCloses) {
    deal({7, Ten, 8});
    then({5, 6});                          // dealer 7, 5, 6: three cards, 18
    w->dplaycard(4).setPicture("card-9");  // left from an earlier hand
    w->Command5.click();
    w->timdeal.tick();
    w->timdeal.tick();
    ASSERT_TRUE(w->dplaycard(3).visible());
    w->Label6_Click();  // hides the three cards
    ASSERT_FALSE(w->dplaycard(3).visible());
    const auto before = sound.played.size();
    for (int i = 0; i < 30; ++i) w->timdeal.tick();
    EXPECT_TRUE(w->timdeal.enabled());
    EXPECT_FALSE(w->lresult.visible());
    EXPECT_FALSE(w->dplaycard(4).visible()) << "no slot past the dealer's cards";
    EXPECT_TRUE(soundsSince(before).empty());
    w->Command18.click();
    EXPECT_TRUE(w->dplaycard(3).visible());
    EXPECT_EQ(finishReveal(), 1);
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_EQ(w->lresult.caption(), "              PUSH..");
}

TEST_F(StandTest, TheRevealEndsWithEveryDealerCardUpHoweverThePanelWasClosed) {
    struct Hand {
        const char* name;
        std::initializer_list<int> deal, draw;
        int dealerCards;
    };
    const Hand hands[] = {
        {"two cards, 7 and 10", {7, Ten, 7}, {Ten}, 2},
        {"three cards, 6, 5 and 10", {6, Ten, 7}, {5, Ten}, 3},
    };
    // The three ways the panel can be closed during the reveal.
    enum Close { Deal, OwnClose, Ok };
    const char* const closeName[] = {"Deal", "its Close", "OK"};
    for (const Hand& hand : hands) {
        for (int ticksBefore : {0, 1, 2}) {
            for (Close close : {Deal, OwnClose, Ok}) {
                SCOPED_TRACE(::testing::Message()
                             << hand.name << ", panel opened after " << ticksBefore
                             << " ticks, closed by " << closeName[close]);
                fresh();
                deal(hand.deal);
                then(hand.draw);
                w->Command5.click();
                ASSERT_EQ(w->DealerCardCount, hand.dealerCards);
                for (int i = 0; i < ticksBefore; ++i) w->timdeal.tick();
                if (!w->timdeal.enabled()) continue;  // this hand's reveal is already over

                w->Label6_Click();
                switch (close) {
                    case Deal:
                        w->Command3.click();
                        break;
                    case OwnClose:
                        w->Command18.click();
                        break;
                    case Ok:
                        w->cpotok.click();
                        break;
                }
                EXPECT_FALSE(w->Picture4.visible());
                EXPECT_EQ(w->PlayerCardCount, 2) << "a Deal during the reveal starts no hand";

                EXPECT_LT(finishReveal(), 100);
                for (int i = 1; i <= hand.dealerCards; ++i)
                    EXPECT_TRUE(w->dplaycard(i).visible()) << "dealer card " << i;
                EXPECT_TRUE(w->lresult.visible());
                EXPECT_TRUE(w->dbox.visible());
            }
        }
    }
}

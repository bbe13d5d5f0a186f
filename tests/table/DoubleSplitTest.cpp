// Double and Split: the funds test, the doubled stake, the split hands and their
// settlement.

#include <vector>

#include "PlayFixture.h"

using namespace cards;

namespace {
// Notes whether the watched element was hidden at any moment.
class VisibilityWatch : public forms::WindowObserver {
public:
    VisibilityWatch(const forms::Element& element, bool& hidden)
        : element_(element), hidden_(hidden) {}
    void elementChanged(forms::Element& e, forms::Property p) override {
        if (&e == &element_ && p == forms::Property::Visible && !e.visible()) hidden_ = true;
    }

private:
    const forms::Element& element_;
    bool& hidden_;
};
}  // namespace

class DoubleSplitTest : public PlayFixture {};

TEST_F(DoubleSplitTest, BothNeedTwiceTheBetWithinTheChips) {
    struct Case {
        char action;
        const char* bet;
        const char* refusal;  // null: allowed
    };
    const Case cases[] = {
        {'D', "60", "You don't have enough chips remaining to DOUBLE. Select another option.."},
        {'P', "60", "You don't have enough chips remaining to SPLIT. Select another option.."},
        {'D', "50", nullptr},
        {'P', "50", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.action) + c.bet);
        fresh();
        w->ltot.setCaption("100");
        deal({7, 8, EightOfDiamonds}, c.bet);
        then({2});
        if (!c.refusal && c.action == 'D') then({King});  // the hole card when it stands
        if (c.action == 'D')
            w->Command8.click();
        else
            w->cmdsplit.click();
        if (c.refusal) {
            EXPECT_EQ(w->lresult.caption(), c.refusal);
            EXPECT_EQ(w->lresult.fontSize(), 10);
            EXPECT_TRUE(w->dbox.visible());
            EXPECT_FALSE(w->Command3.enabled());
            // The hand goes on unchanged.
            EXPECT_EQ(w->HandInPlay, 1);
            EXPECT_EQ(w->SplitStage, 0);
            EXPECT_EQ(w->PlayerCardCount, 2);
            EXPECT_EQ(w->CurrentBet, 60);
            EXPECT_TRUE(w->Command1.enabled());
            EXPECT_TRUE(w->Command5.enabled());
            EXPECT_EQ(random.draws, 3);
            random.values.clear();
        } else {
            EXPECT_TRUE(scriptUsedUp());
            EXPECT_EQ(w->SplitStage, c.action == 'P' ? 1 : 0);
        }
    }
}

TEST_F(DoubleSplitTest, RefusedWhileTheDealOrTheRevealRuns) {
    startDeal({7, 8, EightOfDiamonds});
    w->lresult.setFontSize(10);
    w->Command8_Click();
    EXPECT_EQ(w->lresult.fontSize(), 10);
    w->cmdsplit_Click();
    EXPECT_EQ(w->lresult.fontSize(), 12);
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_EQ(w->SplitStage, 0);
    EXPECT_EQ(random.draws, 3);

    finishDealAnimation();
    then({King});
    w->Command5.click();
    ASSERT_TRUE(w->timdeal.enabled());
    w->lresult.setFontSize(10);
    w->Command8_Click();
    EXPECT_EQ(w->lresult.fontSize(), 10);
    w->cmdsplit_Click();
    EXPECT_EQ(w->lresult.fontSize(), 12);
    EXPECT_EQ(random.draws, 4);
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_EQ(w->SplitStage, 0);
    EXPECT_EQ(w->PlayerCardCount, 2);
    EXPECT_TRUE(w->playcard(1).visible());
    EXPECT_FALSE(w->arrow.visible());
    EXPECT_EQ(w->lresult.caption(), "Dealer Wins..");  // 16 against 17, the stake not doubled
    EXPECT_EQ(finishReveal(), 1);
    EXPECT_EQ(w->ltot.caption(), "990");
}

TEST_F(DoubleSplitTest, APlainDoubleClearsTheOddsPanelUnlessItMadeTwentyOne) {
    // 5 + 4 doubled with a ten: 19, Stand settles; with 5 + 6 the ten makes 21 and Hit's
    // own stand settles.
    deal({7, 5, 4});
    then({Ten, King});
    w->Command8.click();
    EXPECT_EQ(w->panel.ldeal.caption(), "");
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $20");

    fresh();
    deal({7, 5, 6});
    then({Ten, King});
    w->Command8.click();
    EXPECT_EQ(w->panel.ldeal.caption(), "7");
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $20");
}

TEST_F(DoubleSplitTest, ADoubledBustShowsTheBankrollAndTheMessage) {
    deal({7, 6, 6});
    then({Ten});
    w->Command8.click();
    EXPECT_EQ(w->lresult.caption(), "PLAYER BUSTS Dealer Wins");
    EXPECT_EQ(w->ltot.caption(), "980");
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->panel.ldeal.caption(), "");
}

TEST_F(DoubleSplitTest, SplitOpensTwoHandsFromThePair) {
    deal({7, 8, EightOfDiamonds});
    then({Ten});
    w->cmdsplit.click();
    EXPECT_EQ(w->SplitStage, 1);
    EXPECT_EQ(w->SplitHand1[1], 8);
    EXPECT_EQ(w->SplitHand2[1], 8);
    EXPECT_EQ(w->s1(1).picture(), "card-8");
    EXPECT_EQ(w->s2(1).picture(), "card-21");
    EXPECT_EQ(w->s1(2).picture(), "card-10");
    for (int i : {1, 2}) {
        EXPECT_TRUE(w->s1(i).visible()) << i;
        EXPECT_FALSE(w->playcard(i).visible()) << i;
    }
    EXPECT_TRUE(w->s2(1).visible());
    EXPECT_EQ(w->L1.left(), w->s1(1).left());
    EXPECT_EQ(w->L1.caption(), "8+10 = 18");
    EXPECT_TRUE(w->arrow.visible());
    EXPECT_EQ(w->arrow.left(), w->s1(1).left());
    EXPECT_FALSE(w->cmdsplit.enabled());
    EXPECT_TRUE(w->Command8.enabled());
    EXPECT_TRUE(w->Command5.enabled());
    EXPECT_TRUE(w->Command1.enabled());
    // The odds panel plays split hand 1.
    EXPECT_EQ(w->panel.lplay(1).caption(), "8");
    EXPECT_EQ(w->panel.lplay(2).caption(), "+10");
    EXPECT_EQ(w->PlayerTotal, 16) << "the plain hand keeps the pair";

    // Standing on hand 1 moves to hand 2 and deals its second card.
    then({3});
    w->Command5.click();
    EXPECT_EQ(w->SplitStage, 2);
    EXPECT_EQ(w->arrow.left(), w->s2(1).left());
    EXPECT_EQ(w->l3.caption(), "8+3 = 11");
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->Command8.enabled());
    EXPECT_EQ(w->panel.lplay(1).caption(), "8");
    EXPECT_EQ(w->panel.lplay(2).caption(), "+3");
    EXPECT_EQ(w->HandInPlay, 1);
}

TEST_F(DoubleSplitTest, SettlesBothSplitHandsWithTheirStakes) {
    struct Case {
        const char* name;
        std::vector<int> script;
        const char* actions;
        const char* message;
        double chips;
        int stake1, stake2;  // Split1Bet, Split2Bet
        int dealerCards;
    };
    const Case cases[] = {
        {"both win",
         {7, 8, EightOfDiamonds, Ten, 3, 9, Ten},
         "PSHS",
         "                    You Win!! $20",
         1020,
         0,
         0,
         2},
        {"hand 1 over 21, hand 2 beats 18",
         {8, Ten, 23, 5, Ten, King, Ten},
         "PHS",
         "              PUSH..",
         1000,
         0,
         0,
         2},
        {"both over 21",
         {7, 8, EightOfDiamonds, 6, Ten, 6, Ten},
         "PHH",
         "Dealer Wins..  You Lose $20",
         980,
         0,
         0,
         1},
        {"hand 1 doubled to 21, hand 2 loses",
         {7, 8, EightOfDiamonds, 3, Ten, 8, Ten},
         "PDS",
         "                    You Win!! $10",
         1010,
         20,
         0,
         2},
        {"hand 1 doubled to 16, both lose",
         {7, 8, EightOfDiamonds, 3, 5, 2, Ten},
         "PDS",
         "Dealer Wins..  You Lose $30",
         970,
         20,
         0,
         2},
        {"hand 2 doubled, both win",
         {7, 8, EightOfDiamonds, Ten, 3, 9, Ten},
         "PSD",
         "                    You Win!! $30",
         1030,
         0,
         20,
         2},
        {"dealer busts",
         {6, 8, EightOfDiamonds, Ten, Ten, Ten, Ten},
         "PSS",
         "Dealer Busts.. You Win $20",
         1020,
         0,
         0,
         3},
        {"dealer busts, doubled hand 1 over 21",
         {6, 8, EightOfDiamonds, 5, Ten, Ten, Ten, Ten},
         "PDS",
         "Dealer Busts.. You Lose $10",
         990,
         20,
         0,
         3},
        {"aces, one card each",
         {7, Ace, AceOfDiamonds, 9, King, Ten},
         "P",
         "                    You Win!! $20",
         1020,
         0,
         0,
         2},
        {"aces, 21 on hand 1",
         {7, Ace, AceOfDiamonds, King, 5, Ten},
         "P",
         "              PUSH..",
         1000,
         0,
         0,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        playHand(c.script, c.actions);
        EXPECT_TRUE(scriptUsedUp());
        EXPECT_EQ(w->lresult.caption(), c.message);
        EXPECT_EQ(chips(), c.chips);
        EXPECT_EQ(w->Split1Bet, c.stake1);
        EXPECT_EQ(w->Split2Bet, c.stake2);
        EXPECT_EQ(w->DealerCardCount, c.dealerCards);
        EXPECT_EQ(w->HandInPlay, 0);
        EXPECT_EQ(w->CurrentBet, 10);
        EXPECT_TRUE(w->lresult.visible());
        EXPECT_TRUE(w->dbox.visible());
        EXPECT_TRUE(w->ltot.visible());
        EXPECT_TRUE(w->Command3.enabled());
        for (forms::Element* b : {&w->Command1, &w->Command5, &w->Command8, &w->cmdsplit})
            EXPECT_FALSE(b->enabled()) << b->name();
        // The split settlement leaves the counters alone.
        EXPECT_EQ(counter(w->lwin) + counter(w->lloose) + counter(w->lpush), 0);
    }
}

TEST_F(DoubleSplitTest, BothSplitHandsOverTwentyOneSettleAtOnceWithoutAReveal) {
    deal({7, 8, EightOfDiamonds});
    then({6, Ten, 6});  // hand 1: 14, then 24; hand 2 gets its six at once
    w->cmdsplit.click();
    w->Command1.click();
    ASSERT_EQ(w->SplitStage, 2);
    ASSERT_TRUE(w->lresult.visible());
    bool messageHidden = false;
    VisibilityWatch watch(w->lresult, messageHidden);
    w->setObserver(&watch);
    then({Ten});  // hand 2: 24
    w->Command1.click();
    w->setObserver(nullptr);
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_FALSE(messageHidden);
    EXPECT_EQ(w->DealerCardCount, 1) << "the dealer does not draw";
    EXPECT_EQ(w->dplaycard(2).picture(), "card-back");
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->lresult.caption(), "Dealer Wins..  You Lose $20");
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_EQ(w->ltot.caption(), "980");
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_TRUE(w->Command3.enabled());
    EXPECT_FALSE(w->Command1.enabled());
    EXPECT_FALSE(w->Command5.enabled());
}

TEST_F(DoubleSplitTest, DoubleOnEachSplitHandWithTheChipsOfTwiceTheBet) {
    w->ltot.setCaption("100");
    deal({7, 8, EightOfDiamonds}, "50");
    then({3});  // hand 1: 11
    w->cmdsplit.click();
    ASSERT_EQ(w->SplitStage, 1);

    // Hand 1 takes one card and the same click moves on and gives hand 2 its second card.
    then({9, 3});  // hand 1: 20; hand 2: 11
    w->Command8.click();
    EXPECT_EQ(w->lresult.caption(), "") << "not refused";
    EXPECT_EQ(w->Split1Doubled, 1);
    EXPECT_EQ(w->Split1Bet, 100);
    EXPECT_EQ(w->Split1CardCount, 3);
    EXPECT_EQ(w->Split1Total, 20);
    EXPECT_EQ(w->SplitStage, 2);
    EXPECT_EQ(w->arrow.left(), w->s2(1).left());
    EXPECT_EQ(w->Split2CardCount, 2);
    EXPECT_EQ(w->l3.caption(), "8+3 = 11");
    EXPECT_TRUE(w->s2(2).visible());
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->Command8.enabled());
    EXPECT_EQ(w->panel.ldeal.caption(), "7");
    EXPECT_EQ(w->panel.lplay(1).caption(), "8");
    EXPECT_EQ(w->panel.lplay(2).caption(), "+3");
    EXPECT_EQ(w->HandInPlay, 1);

    // Hand 2's one card makes 21: Hit stands by itself and Double's own Stand does nothing.
    then({Ten, King});  // hand 2: 21; the hole card makes the dealer 17
    w->Command8.click();
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(random.draws, 8);
    EXPECT_EQ(w->Split2Doubled, 1);
    EXPECT_EQ(w->Split2Bet, 100);
    EXPECT_EQ(w->Split2Total, 21);
    EXPECT_EQ(w->DealerCardCount, 2);
    EXPECT_TRUE(w->timdeal.enabled());
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $200");
    EXPECT_EQ(w->ltot.caption(), "300");
    EXPECT_FALSE(w->Command1.enabled());
    EXPECT_FALSE(w->Command5.enabled());
    EXPECT_EQ(w->panel.ldeal.caption(), "") << "the odds panel is cleared";
    EXPECT_EQ(finishReveal(), 1);
    EXPECT_EQ(w->ltot.caption(), "300");
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->dbox.visible());
}

TEST_F(DoubleSplitTest, SplitAcesGetOneCardEachWithinTheClick) {
    deal({7, Ace, AceOfDiamonds});
    EXPECT_EQ(w->AcePairSplit, 1);
    then({9, King, Ten});
    w->cmdsplit.click();
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->SplitHand1[1], 11);
    EXPECT_EQ(w->SplitHand2[1], 11);
    EXPECT_EQ(w->Split1CardCount, 2);
    EXPECT_EQ(w->Split2CardCount, 2);
    EXPECT_EQ(w->L1.caption(), "11+9 = 20");
    EXPECT_EQ(w->l3.caption(), "11+10 = 21");
    EXPECT_TRUE(w->timdeal.enabled());
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $20");
    // The outer Stand shows the bankroll during this reveal.
    EXPECT_TRUE(w->ltot.visible());
}

TEST_F(DoubleSplitTest, SplitHandOneReachingTwentyOneMovesOnInTheSameHit) {
    deal({7, 8, EightOfDiamonds});
    then({3, Ten, 9});  // hand 1: 11, then 21; hand 2 gets its nine at once
    w->cmdsplit.click();
    w->Command1.click();
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->SplitStage, 2);
    EXPECT_EQ(w->Split1Total, 21);
    EXPECT_EQ(w->l3.caption(), "8+9 = 17");
    EXPECT_EQ(w->arrow.left(), w->s2(1).left());
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_EQ(w->ltot.caption(), "1000");
    EXPECT_EQ(w->lresult.caption(), "");
    // The odds panel restarted for hand 2: the up-card, the pair's card, the new card.
    EXPECT_EQ(w->panel.ldeal.caption(), "7");
    EXPECT_EQ(w->panel.lplay(1).caption(), "8");
    EXPECT_EQ(w->panel.lplay(2).caption(), "+9");
    EXPECT_EQ(w->panel.lptot.caption(), "17");
}

// Hit: the card for the plain hand, the ace rule, pairs, the bust and the automatic stand.

#include <vector>

#include "PlayFixture.h"

using namespace cards;

class HitTest : public PlayFixture {};

TEST_F(HitTest, HandLinesPairsAndAcesAsTheCardsCome) {
    struct Case {
        std::vector<int> cards;  // the player's cards in deal order (the first two dealt)
        const char* line;
        int total;
        bool split;
        int pair;
        int acePair;
    };
    const Case cases[] = {
        {{Ace, 6}, "11+6 = 17", 17, false, 0, 0},
        {{Ace, 6, Ten}, "1+6+10 = 17", 17, false, 0, 0},
        {{Ace, 5, Ace}, "1+5+11 = 17", 17, false, 0, 0},
        {{Ace, AceOfDiamonds}, "1+11 = 12", 12, true, 1, 1},
        {{8, EightOfDiamonds}, "8+8 = 16", 16, true, 1, 0},
        {{King, Queen}, "10+10 = 20", 20, false, 0, 0},
        {{2, 3, 4}, "2+3+4 = 9", 9, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        fresh();
        random.scriptCard(7);  // the up-card
        for (int n : c.cards) random.scriptCard(n);
        w->Text1.setCaption("10");
        w->Command3.click();
        finishDealAnimation();
        for (std::size_t i = 2; i < c.cards.size(); ++i) w->Command1.click();
        EXPECT_TRUE(scriptUsedUp());
        EXPECT_EQ(w->L1.caption(), c.line);
        EXPECT_EQ(w->PlayerTotal, c.total);
        EXPECT_EQ(w->cmdsplit.enabled(), c.split);
        EXPECT_EQ(w->PairDealt, c.pair);
        EXPECT_EQ(w->AcePairSplit, c.acePair);
        EXPECT_EQ(w->HandInPlay, 1);
        EXPECT_FALSE(w->Picture3.visible()) << "the player is to act";
        // Double only on two cards.
        EXPECT_EQ(w->Command8.enabled(), c.cards.size() == 2);
    }
}

TEST_F(HitTest, ABustLosesTheStakeAtOnce) {
    deal({7, Ten, 6});
    const auto before = sound.played.size();
    then({8});
    w->Command1.click();
    EXPECT_EQ(w->lresult.caption(), "PLAYER BUSTS Dealer Wins");
    EXPECT_EQ(w->L1.caption(), "10+6+8 = 24");
    EXPECT_EQ(w->ltot.caption(), "990");
    EXPECT_EQ(counter(w->lloose), 1);
    EXPECT_EQ(w->lmax.caption(), "990");
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_FALSE(w->Command1.enabled());
    EXPECT_FALSE(w->Command5.enabled());
    EXPECT_FALSE(w->Command8.enabled());
    EXPECT_TRUE(w->Command3.enabled());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_TRUE(w->playcard(3).visible());
    // The dealer neither draws nor turns the hole card over.
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->DealerCardCount, 1);
    EXPECT_EQ(w->dplaycard(2).picture(), "card-back");
    EXPECT_EQ(soundsSince(before), (std::vector<std::string>{"card.wav", "chip.wav"}));
}

TEST_F(HitTest, AtTheFastIntervalsHitsAndBustsAreSilent) {
    for (int interval : {80, 10}) {
        SCOPED_TRACE(interval);
        fresh();
        fast(interval);
        deal({7, Ten, 2});
        sound.played.clear();
        then({3, King});  // 15, then a bust
        w->Command1.click();
        w->Command1.click();
        EXPECT_EQ(w->lresult.caption(), "PLAYER BUSTS Dealer Wins");
        EXPECT_TRUE(sound.played.empty());
    }
}

TEST_F(HitTest, AThirdCardMakingTwentyOneStandsByItself) {
    deal({7, 5, 6});
    then({Ten, King});  // 21; the hole card makes the dealer 17
    w->Command1.click();
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->L1.caption(), "5+6+10 = 21");
    EXPECT_TRUE(w->timdeal.enabled());
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
    EXPECT_FALSE(w->Command1.enabled());
    EXPECT_FALSE(w->Command5.enabled());
    EXPECT_EQ(finishReveal(), 1);
    EXPECT_EQ(w->ltot.caption(), "1010");
}

TEST_F(HitTest, AHitOnTwentyOneOnlyClosesTheStartingAmountPanel) {
    deal({7, Ace, King, 5});  // a blackjack, settled within the deal
    ASSERT_EQ(w->PlayerTotal, 21);
    w->Label6_Click();
    ASSERT_TRUE(w->Picture4.visible());
    w->Command1_Click();
    EXPECT_FALSE(w->Picture4.visible());
    EXPECT_EQ(w->PlayerCardCount, 2);
    EXPECT_FALSE(w->playcard(3).visible());
    EXPECT_EQ(w->L1.caption(), "11+10 = 21");
    EXPECT_EQ(random.draws, 4);
    EXPECT_EQ(w->ltot.caption(), "1015");
}

TEST_F(HitTest, RefusedWhileTheDealOrTheRevealRuns) {
    startDeal({7, Ten, 6});
    w->dbox.setVisible(true);
    w->lresult.setFontSize(10);
    w->Command1_Click();
    EXPECT_FALSE(w->dbox.visible());
    EXPECT_EQ(w->lresult.fontSize(), 12);
    EXPECT_EQ(w->PlayerCardCount, 2);
    finishDealAnimation();
    then({King});
    w->Command5.click();
    ASSERT_TRUE(w->timdeal.enabled());
    w->Command1_Click();
    EXPECT_EQ(w->PlayerCardCount, 2);
    EXPECT_EQ(random.draws, 4);
}

TEST_F(HitTest, ClosesTheStartingAmountPanelAndShowsTheDealersCardsAgain) {
    deal({7, Ten, 2});
    w->Label6_Click();
    ASSERT_TRUE(w->Picture4.visible());
    ASSERT_FALSE(w->dplaycard(1).visible());
    then({3});
    w->Command1.click();
    EXPECT_FALSE(w->Picture4.visible());
    EXPECT_TRUE(w->dplaycard(1).visible());
    EXPECT_TRUE(w->dplaycard(2).visible());
    EXPECT_EQ(w->PlayerCardCount, 3);
}

TEST_F(HitTest, TheThirdCardEndsTheInsuranceOfferAndTheSplit) {
    deal({Ace, 8, EightOfDiamonds});
    ASSERT_TRUE(w->f1.visible());
    ASSERT_TRUE(w->cmdsplit.enabled());
    then({2});
    w->Command1.click();
    EXPECT_FALSE(w->f1.visible());
    EXPECT_FALSE(w->insurance.enabled());
    EXPECT_FALSE(w->insuranceno.enabled());
    EXPECT_FALSE(w->cmdsplit.enabled());
    EXPECT_FALSE(w->Command8.enabled());
    EXPECT_TRUE(w->Command1.enabled());
    EXPECT_TRUE(w->Command5.enabled());
    EXPECT_EQ(w->PeekDone, 0);
}

TEST_F(HitTest, ALongHandOfAcesShowsEveryCardAndStandsOnTwentyOne) {
    // Ten up (the look finds a five), then eleven aces: 12 after two, one more for each
    // further ace, 21 with the eleventh.
    const int aces[] = {1, 14, 27, 40};
    random.scriptCards({Ten, 5});
    for (int i = 0; i < 2; ++i) random.scriptCard(aces[i % 4]);
    w->Text1.setCaption("10");
    w->Command3.click();
    finishDealAnimation();
    EXPECT_EQ(w->L1.caption(), "1+11 = 12");
    for (int i = 2; i < 11; ++i) {
        random.scriptCard(aces[i % 4]);
        if (i == 10) random.scriptCard(7);  // the hole card when the hand stands
        w->Command1.click();
    }
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->PlayerCardCount, 11);
    EXPECT_EQ(w->L1.caption(), "1+1+1+1+1+1+1+1+1+1+11 = 21");
    for (int i = 1; i <= 11; ++i) {
        EXPECT_TRUE(w->playcard(i).visible()) << i;
        EXPECT_EQ(w->playcard(i).picture(), "card-" + std::to_string(aces[(i - 1) % 4])) << i;
    }
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
    EXPECT_EQ(finishReveal(), 1);
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->ltot.caption(), "1010");
}

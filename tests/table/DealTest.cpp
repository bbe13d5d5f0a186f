// Deal: the bet checks, the first cards and the dealer's look under a ten, the deal
// animation and the message line.

#include <vector>

#include "PlayFixture.h"

using namespace cards;

namespace {
// Records where the logic asked for the focus.
class FocusRecorder : public forms::WindowObserver {
public:
    void elementChanged(forms::Element& e, forms::Property p) override {
        if (p == forms::Property::Focus) focused.push_back(&e);
    }
    std::vector<forms::Element*> focused;
};
}  // namespace

class DealTest : public PlayFixture {};

TEST_F(DealTest, RefusesABetOfNothingOrAboveTheChips) {
    struct Case {
        const char* bet;
        const char* chips;
        const char* message;
        double fontSize;
        int handInPlayAfter;
    };
    const Case cases[] = {
        {"0", "1000", "Please place your bets..", 12, 1},
        {"30", "20", "You don't have enough chips remaining. Reduce your bet..", 10, 0},
        {"5", "0.5", "You don't have enough chips remaining. Click 'New Game' to restart..", 10, 1},
        {"5", "0.9", "You don't have enough chips remaining. Click 'New Game' to restart..", 10, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bet) + " on " + c.chips);
        fresh();
        w->ltot.setCaption(c.chips);
        w->Text1.setCaption(c.bet);
        w->HandInPlay = 1;  // shows which refusal clears it
        w->playcard(1).setVisible(true);
        w->dbox.setVisible(false);
        w->Command3.click();
        EXPECT_EQ(w->lresult.caption(), c.message);
        EXPECT_EQ(w->lresult.fontSize(), c.fontSize);
        EXPECT_TRUE(w->dbox.visible());
        EXPECT_EQ(w->HandInPlay, c.handInPlayAfter);
        EXPECT_EQ(random.draws, 0);
        EXPECT_TRUE(w->playcard(1).visible()) << "the previous cards stay";
        EXPECT_FALSE(w->Tp1.enabled());
        EXPECT_EQ(w->ltot.caption(), c.chips);
    }
}

TEST_F(DealTest, ABetEqualToTheChipsIsDealt) {
    w->ltot.setCaption("10");
    startDeal({7, 10, 6});
    EXPECT_TRUE(w->Tp1.enabled());
    EXPECT_EQ(w->HandInPlay, 1);
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_TRUE(scriptUsedUp());
}

TEST_F(DealTest, TheAnimationTurnsUpOneCardPerTickAndHandsOverToThePlayer) {
    startDeal({7, 10, 6});
    // Dealt, nothing shown yet; the player cannot act before the animation ends.
    EXPECT_FALSE(w->Command3.enabled());
    EXPECT_TRUE(w->Command1.enabled());
    EXPECT_TRUE(w->Command5.enabled());
    EXPECT_TRUE(w->Command8.enabled());
    EXPECT_FALSE(w->cmdsplit.enabled());
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_FALSE(w->L1.visible());
    EXPECT_FALSE(w->l2.visible());
    EXPECT_EQ(w->dplaycard(2).picture(), "card-back");
    EXPECT_EQ(w->dplaycard(1).picture(), "card-7");
    EXPECT_EQ(w->playcard(1).picture(), "card-10");
    EXPECT_EQ(w->playcard(2).picture(), "card-6");
    w->Command1.click();  // refused while dealing
    EXPECT_EQ(w->PlayerCardCount, 2);

    forms::Element* expected[] = {&w->playcard(1), &w->dplaycard(2), &w->playcard(2),
                                  &w->dplaycard(1)};
    for (int tick = 0; tick < 4; ++tick) {
        EXPECT_FALSE(expected[tick]->visible()) << "tick " << tick + 1;
        w->Tp1.tick();
        EXPECT_TRUE(expected[tick]->visible()) << "tick " << tick + 1;
    }
    EXPECT_EQ(sound.played, std::vector<std::string>(4, "card.wav"));  // no result, no chip
    EXPECT_FALSE(w->Tp1.enabled());
    EXPECT_EQ(w->DealAnimStep, 0);
    EXPECT_FALSE(w->Picture3.visible());
    EXPECT_FALSE(w->dbox.visible());
    EXPECT_TRUE(w->L1.visible());
    EXPECT_EQ(w->L1.caption(), "10+6 = 16");
    EXPECT_TRUE(w->l2.visible());
    EXPECT_EQ(w->l2.caption(), "7 = 7");
    EXPECT_EQ(w->HandInPlay, 1);
    EXPECT_FALSE(w->f1.visible());
    // The odds panel got the up-card, then the player's two cards.
    EXPECT_EQ(w->panel.ldeal.caption(), "7");
    EXPECT_EQ(w->panel.lplay(1).caption(), "10");
    EXPECT_EQ(w->panel.lplay(2).caption(), "+6");
}

TEST_F(DealTest, AnAceUpOffersInsuranceAtTheLastTick) {
    FocusRecorder focus;
    w->setObserver(&focus);
    startDeal({Ace, 10, 6});
    EXPECT_TRUE(w->insurance.enabled());
    EXPECT_TRUE(w->insuranceno.enabled());
    for (int i = 0; i < 3; ++i) w->Tp1.tick();
    EXPECT_FALSE(w->f1.visible());
    w->Tp1.tick();
    EXPECT_TRUE(w->f1.visible());
    ASSERT_EQ(focus.focused.size(), 1u);
    EXPECT_EQ(focus.focused[0], &w->insuranceno);
    EXPECT_EQ(w->InsuranceOffered, 0);
    EXPECT_EQ(w->l2.caption(), "11 = 11");
    w->setObserver(nullptr);
}

TEST_F(DealTest, APlayerBlackjackAgainstAnAceIsSettledWithoutTheOffer) {
    // Ace up, ten and ace to the player, the hole card a ten: a push.
    startDeal({Ace, King, AceOfDiamonds, Ten});
    EXPECT_EQ(w->lresult.caption(), "              PUSH..");
    finishDealAnimation();
    EXPECT_FALSE(w->f1.visible());
    EXPECT_EQ(chips(), 1000);
    EXPECT_EQ(counter(w->lpush), 1);
    EXPECT_EQ(counter(w->lwin), 0);
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_EQ(sound.played.back(), "chip.wav");
}

TEST_F(DealTest, ALookUnderATenThatFindsAnAceSettlesTheHandInsideDeal) {
    startDeal({Ten, Ace, 5, 9});
    // Settled before the first tick, the message kept back for the animation.
    EXPECT_EQ(w->lresult.caption(), "Dealer Wins..");
    EXPECT_FALSE(w->lresult.visible());
    EXPECT_FALSE(w->dbox.visible());
    EXPECT_EQ(w->ltot.caption(), "990");
    EXPECT_EQ(counter(w->lloose), 1);
    EXPECT_EQ(w->DealerBlackjack, 1);
    EXPECT_EQ(w->dplaycard(2).picture(), "card-1");  // the ace it found
    EXPECT_TRUE(w->Command3.enabled());
    for (forms::Element* b : {&w->Command1, &w->Command5, &w->Command8, &w->cmdsplit})
        EXPECT_FALSE(b->enabled()) << b->name();
    EXPECT_TRUE(scriptUsedUp());

    const auto before = sound.played.size();
    finishDealAnimation();
    EXPECT_EQ(soundsSince(before), (std::vector<std::string>{"card.wav", "card.wav", "card.wav",
                                                             "card.wav", "chip.wav"}));
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_EQ(w->dplaycard(2).picture(), "card-1");
}

TEST_F(DealTest, TheDealerLooksUnderATenOnlyOnceAlsoAgainstABlackjack) {
    // Ten up, the look finds a five; ace and king to the player; the hole card is drawn
    // until it is not an ace. A second look would need one more card than scripted.
    startDeal({Ten, 5, Ace, King, AceOfDiamonds, 7});
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(random.draws, 6);
    EXPECT_EQ(w->DealerHand[2], 7);
    EXPECT_EQ(w->DealerBlackjack, 0);
    finishDealAnimation();
    EXPECT_EQ(w->lresult.caption(), "    Blackjack!!  You win!! $15");
    EXPECT_EQ(w->ltot.caption(), "1015");
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_EQ(w->l2.caption(), "10+7 = 17");
}

TEST_F(DealTest, APlayerBlackjackAgainstASevenLeavesTheHoleCardDown) {
    startDeal({7, Ace, King, 5});
    EXPECT_EQ(w->lresult.caption(), "    Blackjack!!  You win!! $15");
    EXPECT_EQ(w->DealerCardCount, 2);
    EXPECT_FALSE(w->timdeal.enabled());
    // The odds panel took the hole card as its dealer card, under the cover.
    EXPECT_EQ(w->panel.ldeal.caption(), "5");
    finishDealAnimation();
    EXPECT_EQ(w->panel.ldeal.caption(), "5");
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_EQ(w->dplaycard(2).picture(), "card-back");
    EXPECT_EQ(w->l2.caption(), "");
    EXPECT_TRUE(w->l2.visible());
    EXPECT_EQ(w->ltot.caption(), "1015");
    EXPECT_EQ(counter(w->lwin), 1);
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_TRUE(w->Command3.enabled());
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_EQ(w->L1.caption(), "11+10 = 21");
}

TEST_F(DealTest, TheFastIntervalsDealWithoutSounds) {
    for (int interval : {80, 10}) {
        SCOPED_TRACE(interval);
        fresh();
        fast(interval);
        deal({Ten, Ace, 5, 9});  // a result shown at the last tick
        EXPECT_FALSE(w->Tp1.enabled());
        EXPECT_TRUE(w->dbox.visible());
        EXPECT_TRUE(sound.played.empty());
    }
}

TEST_F(DealTest, DealDuringTheRevealOnlyClosesThePanelAndCoversTheOdds) {
    deal({7, 10, 8});
    then({King});  // 7 + 10: the dealer stands
    w->Command5.click();
    ASSERT_TRUE(w->timdeal.enabled());
    ASSERT_TRUE(w->Command3.enabled());
    w->Label6_Click();  // the starting-amount panel
    w->Command3.click();
    EXPECT_FALSE(w->Picture4.visible());
    EXPECT_TRUE(w->Picture3.visible());
    EXPECT_TRUE(w->timdeal.enabled());
    EXPECT_FALSE(w->Tp1.enabled());
    EXPECT_EQ(random.draws, 4);
    EXPECT_TRUE(w->playcard(1).visible());
    // The panel had hidden the dealer's cards and Deal closed it without showing them: the
    // reveal turns the hole card up again before it ends.
    EXPECT_EQ(finishReveal(), 2);
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
    EXPECT_EQ(w->ltot.caption(), "1010");
}

TEST_F(DealTest, ARevealWhoseCardsThePanelHidAndDealDroppedStillEnds) {
    deal({7, 10, 8});
    then({2, 8});  // 7 + 2 + 8: three dealer cards
    w->Command5.click();
    w->timdeal.tick();
    w->timdeal.tick();  // the third card is up; the next tick would end the reveal
    ASSERT_TRUE(w->dplaycard(3).visible());
    w->Label6_Click();    // the panel hides the three cards
    w->Command3.click();  // Deal closes it without showing them
    ASSERT_FALSE(w->dplaycard(3).visible());
    EXPECT_LT(finishReveal(), 5);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(w->dplaycard(i).visible()) << i;
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_EQ(w->lresult.caption(), "                    You Win!! $10");
    EXPECT_TRUE(w->Command3.enabled()) << "the next hand can be dealt";
}

TEST_F(DealTest, ABlackjackAgainstTheDealersBlackjackPushesAndShowsTheAce) {
    // The look under the ten finds an ace; the player's ace and king make a blackjack, for
    // which a hole card (a seven) is dealt: the slot keeps showing the ace the look found.
    startDeal({Ten, Ace, AceOfDiamonds, King, 7});
    EXPECT_TRUE(scriptUsedUp());
    EXPECT_EQ(w->lresult.caption(), "              PUSH..");
    finishDealAnimation();
    EXPECT_EQ(chips(), 1000);
    EXPECT_EQ(w->dplaycard(2).picture(), "card-" + std::to_string(Ace));
    EXPECT_EQ(w->l2.caption(), "") << "no two-card total that is not the dealer's";
    EXPECT_EQ(w->CurrentBet, 10);
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_TRUE(w->Command3.enabled());
}

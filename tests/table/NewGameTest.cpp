// New Game: stops the animations, clears the table, the odds panel and the counters, and
// gives the bankroll the starting amount after half a second and the shuffle.

#include "TableFixture.h"

class NewGameTest : public TableFixture {
protected:
    void SetUp() override {
        TableFixture::SetUp();
        load();
    }
    // A hand settled and the dealer's cards still being turned over.
    void revealUnderWay() {
        w->BetAmount = 10;
        w->Text1.setCaption("10");
        w->HandInPlay = 0;
        w->timdeal.setEnabled(true);
        w->DealAnimStep = 4;
        w->Command3.setEnabled(false);
        w->Command5.setEnabled(true);
        w->arrow.setVisible(true);
        w->f1.setVisible(true);
        w->ltot.setCaption("1200");
        w->lwin.setCaption("3");
        w->lbust.setCaption("1");
        w->lmin.setCaption("900");
        w->l3.setCaption("10+8 = 18");
        w->lresult.setFontSize(10);
        w->lresult.setCaption("You win");
        w->dbox.setVisible(true);
        w->panel.lstandpe.setVisible(true);
    }
};

TEST_F(NewGameTest, DuringTheRevealClearsTheTableAndKeepsTheBet) {
    revealUnderWay();
    w->mnung.click();
    EXPECT_FALSE(w->Tp1.enabled());
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->HandInPlay, 0);
    EXPECT_EQ(w->lresult.caption(), "");
    EXPECT_TRUE(w->lresult.visible());
    EXPECT_EQ(w->lresult.fontSize(), 12);
    EXPECT_FALSE(w->dbox.visible());
    EXPECT_FALSE(w->f1.visible());
    EXPECT_FALSE(w->arrow.visible());
    EXPECT_EQ(w->ltot.caption(), "1000");
    EXPECT_TRUE(w->ltot.visible());
    EXPECT_TRUE(w->Command3.enabled());
    for (forms::Element* b : {&w->Command1, &w->Command5, &w->Command8, &w->cmdsplit})
        EXPECT_FALSE(b->enabled()) << b->name();
    EXPECT_EQ(w->Text1.caption(), "10");
    EXPECT_EQ(w->BetAmount, 10);
    EXPECT_EQ(w->CurrentBet, 10);
    for (forms::Element* c : {&w->lwin, &w->lloose, &w->lpush, &w->lbust})
        EXPECT_EQ(c->caption(), "") << c->name();
    EXPECT_EQ(w->lmin.caption(), "10000");
    EXPECT_EQ(w->lmax.caption(), "10000");
    EXPECT_EQ(w->l3.caption(), "");
    EXPECT_FALSE(w->panel.lstandpe.visible());
    EXPECT_EQ(sound.played, std::vector<std::string>{"shuf.wav"});
}

TEST_F(NewGameTest, ClearsTheCardsTheHandsAndTheWholeOddsPanel) {
    // A hand in play: 7 up, 10 and 2, then a hit with a 3; the panel shows its figures.
    random.scriptCards({7, 10, 2, 3});
    w->Text1.setCaption("10");
    w->Command3.click();
    finishDealAnimation();
    w->Command1.click();
    ASSERT_TRUE(w->playcard(3).visible());
    ASSERT_TRUE(w->panel.lstandpe.visible());
    ASSERT_TRUE(w->panel.l17t.visible());
    w->l3.setCaption("8+3 = 11");

    w->mnung.click();

    for (int i = 1; i <= table::MaxCards; ++i) {
        for (const forms::ControlArray* row : {&w->playcard, &w->dplaycard, &w->s1, &w->s2})
            EXPECT_FALSE((*row)(i).visible()) << (*row)(i).name() << i;
    }
    for (const forms::Element* line : {&w->L1, &w->l2, &w->l3})
        EXPECT_EQ(line->caption(), "") << line->name();
    EXPECT_EQ(w->PlayerCardCount, 0);
    EXPECT_EQ(w->DealerCardCount, 0);
    EXPECT_EQ(w->PlayerTotal, 0);
    EXPECT_EQ(w->DealerTotal, 0);
    EXPECT_EQ(w->PlayerHandText, "");
    EXPECT_EQ(w->DealerHandText, "");
    for (int i = 1; i <= 100; ++i) {
        EXPECT_EQ(w->PlayerHand[i], 0) << i;
        EXPECT_EQ(w->DealerHand[i], 0) << i;
    }

    odds::OddsPanel& p = w->panel;
    for (const forms::Element* e :
         {&p.lstandpe, &p.lhitpe, &p.ldoubpe, &p.Lsplipe, &p.lstandper, &p.lhitper, &p.Ldoubper,
          &p.lspliper, &p.l17t,   &p.l18t,    &p.l19t,    &p.l20t,      &p.l21t,    &p.lbustt,
          &p.l17l,     &p.l18l,   &p.l19l,    &p.l20l,    &p.l21l,      &p.lbustl})
        EXPECT_FALSE(e->visible()) << e->name();
    for (int i = 1; i <= 21; ++i) EXPECT_EQ(p.lplay(i).caption(), "") << i;
    EXPECT_EQ(p.lptot.caption(), "");
    EXPECT_EQ(p.ldeal.caption(), "");
}

TEST_F(NewGameTest, WaitsHalfASecondHandlingEventsThenShuffles) {
    // Readings 0, 0.125, 0.25, 0.375 are within the half second; 0.5 ends the wait.
    clock.stepPerRead = 0.125;
    bool soundDuringWait = false;
    events.onPump = [&] { soundDuringWait = soundDuringWait || !sound.played.empty(); };
    w->mnung.click();
    EXPECT_EQ(events.calls, 3);
    EXPECT_FALSE(soundDuringWait);
    EXPECT_EQ(sound.played, std::vector<std::string>{"shuf.wav"});
}

TEST_F(NewGameTest, WaitIsTheSameAtAnyReadingOfTheClock) {
    clock.stepPerRead = 0.125;
    clock.now = 86399.75;  // the monotonic clock has no midnight
    w->mnung.click();
    EXPECT_EQ(events.calls, 3);
}

TEST_F(NewGameTest, OddsPanelIsCoveredOnlyForTheWait) {
    for (bool oddsHidden : {false, true}) {
        SCOPED_TRACE(oddsHidden);
        load();
        if (oddsHidden) w->mnuodds.click();
        bool coveredDuringWait = true;
        events.onPump = [&] {
            coveredDuringWait = coveredDuringWait && w->cover.Picture1.visible();
        };
        w->mnung.click();
        EXPECT_TRUE(coveredDuringWait);
        EXPECT_EQ(w->cover.Picture1.visible(), oddsHidden);
        EXPECT_EQ(w->mnuodds.caption(), oddsHidden ? "Show Odds" : "Hide Odds");
    }
}

TEST_F(NewGameTest, BankrollTakesTheAmountFromThePanel) {
    w->Label6.click();
    w->Text2.typeText("500");
    w->cpotok.click();
    EXPECT_EQ(w->ltot.caption(), "1000");
    w->mnung.click();
    EXPECT_EQ(w->ltot.caption(), "500");
    EXPECT_FALSE(w->Picture4.visible());
}

TEST_F(NewGameTest, NegativeStartingAmountShowsZero) {
    w->StartingAmount = -50;
    w->mnung.click();
    EXPECT_EQ(w->ltot.caption(), "0");
}

TEST_F(NewGameTest, ShuffleIsSilentWhenSoundIsOff) {
    w->mnuso.click();
    w->mnung.click();
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(w->ltot.caption(), "1000");
}

TEST_F(NewGameTest, ChipsWorkDuringTheWait) {
    bool clicked = false;
    events.onPump = [&] {
        if (clicked) return;
        clicked = true;
        w->image4(2).mouseUp(forms::LeftButton);
    };
    w->mnung.click();
    EXPECT_EQ(w->Text1.caption(), "25");
    EXPECT_EQ(sound.played, (std::vector<std::string>{"chip.wav", "shuf.wav"}));
    EXPECT_EQ(w->ltot.caption(), "1000");
}

TEST_F(NewGameTest, ClosingTheTableDuringTheWaitEndsNewGameQuietly) {
    events.onPump = [&] {
        if (!w->unloaded()) w->mnuexit.click();
    };
    w->mnung.click();
    EXPECT_TRUE(w->unloaded());
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(settings.order.size(), 4u);
}

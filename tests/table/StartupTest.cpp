// Start-up of the table window: one copy only, the card arrays, the draw, where the card
// slots lie, and the window's state once it is loaded.

#include <cmath>

#include "TableFixture.h"

using StartupTest = TableFixture;

TEST_F(StartupTest, CardValuesAndRanksFollowTheFaces) {
    load();
    for (int n = 1; n <= 52; ++n) {
        SCOPED_TRACE(n);
        const int face = (n - 1) % 13 + 1;
        EXPECT_EQ(w->CardValues[n], face >= 10 ? 10 : face);
        EXPECT_EQ(w->CardRanks[n], face == 1 ? 14 : face);
    }
    for (int ace : {1, 14, 27, 40}) EXPECT_EQ(w->CardValues[ace], 1);
    EXPECT_EQ(w->CardRanks[52], 13);
    for (int n = 53; n <= 100; ++n) EXPECT_EQ(w->CardRanks[n], 0);
}

TEST_F(StartupTest, DrawStaysWithinTheDeck) {
    load();
    random.scriptUnit(0.0);
    random.scriptUnit(std::nextafter(1.0, 0.0));
    EXPECT_EQ(w->DrawCard(), 1);
    EXPECT_EQ(w->DrawCard(), 52);
    for (int n = 1; n <= 52; ++n) random.scriptCard(n);
    for (int n = 1; n <= 52; ++n) EXPECT_EQ(w->DrawCard(), n);
}

TEST_F(StartupTest, CardSlotsAreLaidOutFromEachRowsFirstCard) {
    load();
    EXPECT_EQ(w->f1.left(), 0);
    EXPECT_EQ(w->l2.left(), 3930);
    EXPECT_EQ(w->L1.left(), 3930);
    EXPECT_EQ(w->l3.left(), 4170);
    const float dealerLefts[] = {3930, 3630, 4230, 4530, 4830, 5130, 5430, 5730, 6030};
    for (int k = 1; k <= 9; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(w->playcard(k).left(), 3120 + 300 * (k - 1));
        EXPECT_EQ(w->dplaycard(k).left(), dealerLefts[k - 1]);
        EXPECT_EQ(w->s1(k).left(), 2040 + 200 * (k - 1));
        EXPECT_EQ(w->s2(k).left(), 4170 + 200 * (k - 1));
        EXPECT_EQ(w->playcard(k).top(), 4260);
        EXPECT_EQ(w->dplaycard(k).top(), 990);
        EXPECT_EQ(w->s1(k).top(), 4260);
        EXPECT_EQ(w->s2(k).top(), 4260);
    }
}

TEST_F(StartupTest, CardsPastTheNinthStayOnTheTableAndApart) {
    load();
    for (forms::ControlArray* row : {&w->playcard, &w->dplaycard, &w->s1, &w->s2}) {
        for (int k = 10; k <= table::MaxCards; ++k) {
            SCOPED_TRACE(k);
            forms::Element& card = (*row)(k);
            EXPECT_EQ(card.top(), (*row)(9).top());
            // each card still shows its left edge beside the one before
            EXPECT_GE(card.left() - (*row)(k - 1).left(), 100);
            EXPECT_LE(card.left() + card.width(), w->clientWidth());
        }
    }
}

TEST_F(StartupTest, LoadedTableWaitsForTheFirstBet) {
    load();
    EXPECT_EQ(w->Text1.caption(), "0");
    EXPECT_EQ(w->ltot.caption(), "1000");
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_EQ(w->lresult.caption(), "Welcome to the table, please place your bets..");
    for (forms::Element* e :
         {&w->panel.lstandper, &w->panel.lhitper, &w->panel.lspliper, &w->panel.Ldoubper,
          &w->panel.lstandpe, &w->panel.lhitpe, &w->panel.Lsplipe, &w->panel.ldoubpe})
        EXPECT_FALSE(e->visible()) << e->name();
    EXPECT_NE(w->panel.tables.DealerOutcomeTable[1][6], 0.0);
    EXPECT_FALSE(w->Tp1.enabled());
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(StartupTest, SecondCopyHandsOverAndEndsWithoutTouchingSettings) {
    instance.running = true;
    settings.set("pot", "2500");
    load();
    EXPECT_EQ(w->caption(), "...duplicate instance...");
    EXPECT_EQ(instance.activations, 1);
    EXPECT_EQ(program.ends, 1);
    EXPECT_EQ(settings.reads, 0);
    EXPECT_TRUE(settings.order.empty());
    EXPECT_EQ(w->StartingAmount, 0);
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(StartupTest, FirstCopyRunsOn) {
    load();
    EXPECT_EQ(w->caption(), "Brenn Blackjack Game 3.2");
    EXPECT_EQ(instance.activations, 0);
    EXPECT_EQ(program.ends, 0);
}

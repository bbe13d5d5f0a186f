// The starting-amount panel: its three states, both ways of closing it, and how it hides
// and restores the dealer's cards and the message box.

#include <functional>

#include "TableFixture.h"

namespace {
const char* const Entry = "Enter new starting amount";
const char* const Accepted =
    "The new starting starting amount will take effect when you start a new game";
}  // namespace

class AmountPanelTest : public TableFixture {
protected:
    void SetUp() override {
        TableFixture::SetUp();
        load();
    }
    void expectEntryState() {
        EXPECT_TRUE(w->Picture4.visible());
        EXPECT_TRUE(w->Text2.enabled());
        EXPECT_EQ(w->Label18.caption(), Entry);
    }
    void expectClosedAndReset() {
        EXPECT_FALSE(w->Picture4.visible());
        EXPECT_TRUE(w->Text2.enabled());
        EXPECT_EQ(w->Label18.caption(), Entry);
    }
    // A settled hand: three dealer cards shown and the result message.
    void dealerShowsThreeCards() {
        for (int i = 1; i <= 3; ++i) {
            w->DealerHand[i] = 5 + i;
            w->dplaycard(i).setVisible(true);
        }
        w->lresult.setCaption("Dealer wins");
        w->dbox.setVisible(true);
    }
};

TEST_F(AmountPanelTest, OpensFromTotalBankrollAndMenu) {
    const std::function<void()> openers[] = {[this] { w->Label6.click(); },
                                             [this] { w->ltot.dblClick(); },
                                             [this] { w->mnupot.click(); }};
    for (const auto& open : openers) {
        load();
        w->StartingAmount = 750;
        open();
        expectEntryState();
        EXPECT_EQ(w->Text2.caption(), "750");
        EXPECT_EQ(w->PanelAmount, 750);
        EXPECT_FALSE(w->dbox.visible());
        EXPECT_EQ(w->DealBoxWasShown, 1);
    }
}

TEST_F(AmountPanelTest, OkWithTheSameAmountClosesAtOnce) {
    w->Label6.click();
    w->cpotok.click();
    expectClosedAndReset();
    EXPECT_EQ(w->StartingAmount, 1000);
    EXPECT_TRUE(w->dbox.visible());
}

TEST_F(AmountPanelTest, NewAmountIsAcceptedThenTheSecondOkCloses) {
    w->Label6.click();
    w->Text2.typeText("500");
    w->cpotok.click();
    EXPECT_TRUE(w->Picture4.visible());
    EXPECT_FALSE(w->Text2.enabled());
    EXPECT_EQ(w->Label18.caption(), Accepted);
    EXPECT_EQ(w->StartingAmount, 500);
    EXPECT_EQ(w->ltot.caption(), "1000");
    w->cpotok.click();
    expectClosedAndReset();
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_EQ(w->StartingAmount, 500);
}

TEST_F(AmountPanelTest, CloseAfterAcceptingKeepsTheNewAmount) {
    w->Label6.click();
    w->Text2.typeText("500");
    w->cpotok.click();
    w->Command18.click();
    expectClosedAndReset();
    EXPECT_EQ(w->StartingAmount, 500);
}

TEST_F(AmountPanelTest, TypedTextIsReadAsItsLeadingNumber) {
    struct Case {
        const char* typed;
        double amount;
    };
    const Case cases[] = {{"250 chips", 250}, {"abc", 0},   {"", 0},
                          {"-40", -40},       {"1e999", 0}, {"2.5", 2.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        load();
        w->Label6.click();
        w->Text2.typeText(c.typed);
        w->cpotok.click();
        EXPECT_EQ(w->StartingAmount, c.amount);
        EXPECT_EQ(w->Label18.caption(), Accepted);
    }
}

TEST_F(AmountPanelTest, BothWaysOfClosingRestoreTheDealersCardsAndMessage) {
    const std::function<void()> closers[] = {[this] { w->cpotok.click(); },
                                             [this] { w->Command18.click(); }};
    for (const auto& close : closers) {
        load();
        dealerShowsThreeCards();
        w->Label6.click();
        EXPECT_EQ(w->HiddenDealerCards, 3);
        for (int i = 1; i <= 3; ++i) EXPECT_FALSE(w->dplaycard(i).visible());
        EXPECT_FALSE(w->dbox.visible());
        close();
        for (int i = 1; i <= 3; ++i) EXPECT_TRUE(w->dplaycard(i).visible()) << i;
        EXPECT_FALSE(w->dplaycard(4).visible());
        EXPECT_TRUE(w->dbox.visible());
        EXPECT_FALSE(w->Picture4.visible());
    }
}

TEST_F(AmountPanelTest, CloseDuringAHandShowsUpCardAndCardBack) {
    // Up-card and the card back: the hole card's value is not stored yet.
    w->DealerHand[1] = 10;
    w->dplaycard(1).setVisible(true);
    w->dplaycard(2).setVisible(true);
    w->dbox.setVisible(false);
    w->Label6.click();
    EXPECT_EQ(w->HiddenDealerCards, 2);
    EXPECT_EQ(w->DealBoxWasShown, 0);
    w->Command18_Click();
    EXPECT_TRUE(w->dplaycard(1).visible());
    EXPECT_TRUE(w->dplaycard(2).visible());
    EXPECT_FALSE(w->dplaycard(3).visible());
    EXPECT_FALSE(w->dbox.visible());
    // Each later call restores the same images again.
    w->dplaycard(1).setVisible(false);
    w->Command18_Click();
    EXPECT_TRUE(w->dplaycard(1).visible());
}

TEST_F(AmountPanelTest, PanelReopensInTheStateItWasLeft) {
    w->Label6.click();
    w->Text2.typeText("500");
    w->cpotok.click();
    w->mnung_Click();  // closes the panel without resetting it
    EXPECT_FALSE(w->Picture4.visible());
    w->Label6.click();
    EXPECT_FALSE(w->Text2.enabled());
    EXPECT_EQ(w->Label18.caption(), Accepted);
    EXPECT_EQ(w->Text2.caption(), "500");
    w->cpotok.click();
    expectClosedAndReset();
}

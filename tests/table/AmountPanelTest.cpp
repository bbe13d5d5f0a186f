// The starting-amount panel: its three states, both ways of closing it, and how it hides
// and restores the dealer's cards and the message box.

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "PlayFixture.h"

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

// The panel opened a second time while it is open, by any of its three openers, after a
// settled hand: closing it still gives back the dealer's cards and the message, exactly as
// after one opening.
class AmountPanelReopenTest : public PlayFixture {
protected:
    struct Table {
        std::vector<bool> dealerCards;
        bool message = false;
        bool operator==(const Table&) const = default;
    };
    Table table() const {
        Table t;
        for (int i = 1; i <= table::MaxCards; ++i)
            t.dealerCards.push_back(w->dplaycard(i).visible());
        t.message = w->dbox.visible();
        return t;
    }
};

TEST_F(AmountPanelReopenTest, ASecondOpeningKeepsWhatTheFirstHid) {
    using Action = std::function<void(table::TableWindow&)>;
    struct Named {
        const char* name;
        Action act;
    };
    const Named openers[] = {{"Total", [](table::TableWindow& t) { t.Label6.click(); }},
                             {"bankroll", [](table::TableWindow& t) { t.ltot.dblClick(); }},
                             {"menu", [](table::TableWindow& t) { t.mnupot.click(); }}};
    const Named closers[] = {
        {"close button", [](table::TableWindow& t) { t.Command18.click(); }},
        {"OK unchanged", [](table::TableWindow& t) { t.cpotok.click(); }},
        {"new amount, OK twice",
         [](table::TableWindow& t) {
             t.Text2.typeText("500");
             t.cpotok.click();
             t.cpotok.click();
         }},
    };
    for (const Named& first : openers)
        for (const Named& second : openers)
            for (const Named& close : closers) {
                SCOPED_TRACE(std::string(first.name) + ", " + second.name + ", " + close.name);
                fresh();
                // Dealer six, two and nine against the player's 18.
                playHand({6, cards::Ten, 8, 2, 9}, "S");
                const Table settled = table();
                ASSERT_EQ(std::count(settled.dealerCards.begin(), settled.dealerCards.end(), true),
                          3);
                ASSERT_TRUE(settled.message);

                first.act(*w);
                second.act(*w);
                EXPECT_TRUE(w->Picture4.visible());
                EXPECT_EQ(table(), (Table{std::vector<bool>(table::MaxCards, false), false}));
                close.act(*w);
                EXPECT_FALSE(w->Picture4.visible());
                EXPECT_EQ(table(), settled);
            }
}

// Bets and the bankroll: the chips build the bet, a double-click clears it, and the
// message box tells when the chips do not suffice.

#include "TableFixture.h"
#include "forms/Conversions.h"

namespace {
const char* const ReduceBet = "You don't have enough chips remaining. Reduce your bet..";
const char* const StartAgain =
    "You don't have enough chips remaining. Click 'New Game' to restart..";
}  // namespace

class ChipsTest : public TableFixture {
protected:
    void SetUp() override {
        TableFixture::SetUp();
        load();
    }
    void setBet(int bet) {
        w->BetAmount = static_cast<std::int16_t>(bet);
        w->Text1.setCaption(forms::text(bet));
    }
};

TEST_F(ChipsTest, EachReleaseChangesTheBetByItsChip) {
    struct Case {
        int bet;
        int chip;
        int button;
        int expected;
    };
    const int L = forms::LeftButton, R = forms::RightButton, M = forms::MiddleButton;
    const Case cases[] = {
        {0, 0, L, 1},  {0, 1, L, 5},  {0, 2, L, 25}, {4, 1, L, 9},  {0, 0, R, 0},
        {0, 2, R, 0},  {3, 0, R, 2},  {3, 1, R, 0},  {7, 1, R, 2},  {5, 1, R, 0},
        {30, 2, R, 5}, {24, 2, R, 0}, {25, 2, R, 0}, {10, 0, M, 9}, {10, 1, 3, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bet << " chip " << c.chip << " button " << c.button);
        setBet(c.bet);
        sound.played.clear();
        w->image4(c.chip).mouseUp(c.button);
        EXPECT_EQ(w->Text1.caption(), forms::text(c.expected));
        EXPECT_EQ(w->BetAmount, c.expected);
        EXPECT_EQ(w->CurrentBet, c.expected);
        EXPECT_EQ(sound.played, std::vector<std::string>{"chip.wav"});
    }
}

TEST_F(ChipsTest, BetStopsAtTheLargestChipBuiltAmount) {
    w->ltot.setCaption("100000");
    setBet(32760);
    w->image4(2).mouseUp(forms::LeftButton);  // 32785 would not fit
    EXPECT_EQ(w->Text1.caption(), "32760");
    EXPECT_EQ(w->BetAmount, 32760);
    EXPECT_EQ(w->CurrentBet, 32760);
    EXPECT_EQ(sound.played.size(), 1u);
    w->image4(1).mouseUp(forms::LeftButton);
    w->image4(0).mouseUp(forms::LeftButton);
    w->image4(0).mouseUp(forms::LeftButton);
    EXPECT_EQ(w->Text1.caption(), "32767");
    w->image4(0).mouseUp(forms::LeftButton);
    EXPECT_EQ(w->Text1.caption(), "32767");
    EXPECT_EQ(w->BetAmount, 32767);
    EXPECT_EQ(sound.played.size(), 5u);
    w->image4(2).mouseUp(forms::RightButton);
    EXPECT_EQ(w->BetAmount, 32742);
}

TEST_F(ChipsTest, AReleaseRefusedAtTheLargestBetLeavesTheMessageBoxAlone) {
    // A release that went through would hide the box, or, above the bankroll, show it with
    // the not-enough-chips message in font size 10.
    struct Case {
        const char* bankroll;
        bool boxShown;
        const char* message;
    };
    const Case cases[] = {
        {"100000", true, "Welcome to the table, please place your bets.."},
        {"1000", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bankroll);
        w->ltot.setCaption(c.bankroll);
        w->dbox.setVisible(c.boxShown);
        w->lresult.setCaption(c.message);
        w->lresult.setFontSize(12);
        setBet(32767);
        w->image4(0).mouseUp(forms::LeftButton);
        EXPECT_EQ(w->Text1.caption(), "32767");
        EXPECT_EQ(w->dbox.visible(), c.boxShown);
        EXPECT_EQ(w->lresult.caption(), c.message);
        EXPECT_EQ(w->lresult.fontSize(), 12);
    }
}

TEST_F(ChipsTest, FirstChipTakesTheWelcomeAway) {
    w->image4(0).mouseUp(forms::RightButton);  // a bet of 0 leaves the message
    EXPECT_TRUE(w->dbox.visible());
    w->image4(0).mouseUp(forms::LeftButton);
    EXPECT_FALSE(w->dbox.visible());
}

TEST_F(ChipsTest, BetAboveTheBankrollShowsTheMessage) {
    w->ltot.setCaption("100");
    setBet(99);
    w->image4(0).mouseUp(forms::LeftButton);
    EXPECT_EQ(w->Text1.caption(), "100");
    EXPECT_FALSE(w->dbox.visible());
    w->image4(0).mouseUp(forms::LeftButton);
    EXPECT_EQ(w->Text1.caption(), "101");  // accepted all the same
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_EQ(w->lresult.caption(), ReduceBet);
    EXPECT_EQ(w->lresult.fontSize(), 10);
}

TEST_F(ChipsTest, MessageDependsOnWhatIsLeft) {
    struct Case {
        const char* bankroll;
        const char* message;
    };
    const Case cases[] = {
        {"0", StartAgain}, {"0.5", StartAgain}, {"0.9", StartAgain}, {"0.95", ReduceBet}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bankroll);
        w->ltot.setCaption(c.bankroll);
        w->lresult.setCaption("");
        setBet(0);
        w->image4(0).mouseUp(forms::LeftButton);
        EXPECT_EQ(w->lresult.caption(), c.message);
    }
}

TEST_F(ChipsTest, NothingChangesDuringAHand) {
    setBet(10);
    w->HandInPlay = 1;
    for (int chip = 0; chip <= 2; ++chip) {
        w->image4(chip).mouseUp(forms::LeftButton);
        w->image4(chip).mouseUp(forms::RightButton);
    }
    w->Text1.dblClick();
    EXPECT_EQ(w->Text1.caption(), "10");
    EXPECT_EQ(w->BetAmount, 10);
    EXPECT_TRUE(sound.played.empty());
    EXPECT_TRUE(w->dbox.visible());

    w->Label6_Click();
    ASSERT_TRUE(w->Picture4.visible());
    w->image4(1).mouseDown(forms::LeftButton);
    EXPECT_FALSE(w->Picture4.visible());
}

TEST_F(ChipsTest, DoubleClickClearsTheBet) {
    setBet(35);
    w->lresult.setCaption("You win");
    w->Text1.dblClick();
    EXPECT_EQ(w->Text1.caption(), "0");
    EXPECT_EQ(w->BetAmount, 0);
    EXPECT_EQ(w->CurrentBet, 0);
    EXPECT_EQ(w->lresult.caption(), "You win");
    EXPECT_TRUE(w->dbox.visible());
}

TEST_F(ChipsTest, BetCaptionDrivesTheStake) {
    w->Text1.setCaption("987.5");
    EXPECT_EQ(w->CurrentBet, 987.5);
}

TEST_F(ChipsTest, BankrollNeverShowsANegativeAmount) {
    w->ltot.setCaption("-20");
    EXPECT_EQ(w->ltot.caption(), "0");
    w->ltot.setCaption("-0.5");
    EXPECT_EQ(w->ltot.caption(), "0");
    w->ltot.setCaption("35");
    EXPECT_EQ(w->ltot.caption(), "35");
}

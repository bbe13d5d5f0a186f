// Insurance under an ace: either answer makes the dealer look for a ten at once.

#include <string>
#include <vector>

#include "PlayFixture.h"

using namespace cards;

namespace {
// Records each caption the bankroll takes.
class BankrollRecorder : public forms::WindowObserver {
public:
    explicit BankrollRecorder(const forms::Element& bankroll) : bankroll_(bankroll) {}
    void elementChanged(forms::Element& e, forms::Property p) override {
        if (&e == &bankroll_ && p == forms::Property::Caption) captions.push_back(e.caption());
    }
    std::vector<std::string> captions;

private:
    const forms::Element& bankroll_;
};
}  // namespace

class InsuranceTest : public PlayFixture {};

TEST_F(InsuranceTest, TheAnswerAndTheLookSettleOrLetTheHandGoOn) {
    struct Case {
        const char* name;
        bool take;
        int looked;  // the card under the ace
        double chips;
        const char* message;                 // empty: the hand goes on
        std::vector<std::string> bankrolls;  // the captions the bankroll takes, in order
    };
    const Case cases[] = {
        {"taken, no ten", true, 5, 987.5, "", {"987.5"}},
        {"taken, a ten", true, King, 1000, "           INSURANCE..", {"987.5", "1000"}},
        {"declined, a ten", false, Queen, 975, "Dealer Wins..", {"975"}},
        {"declined, no ten", false, 9, 1000, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        deal({Ace, 8, EightOfDiamonds}, "25");  // a pair, so Split is on offer too
        ASSERT_TRUE(w->f1.visible());
        ASSERT_TRUE(w->cmdsplit.enabled());
        then({c.looked});
        BankrollRecorder bankroll(w->ltot);
        w->setObserver(&bankroll);
        (c.take ? w->insurance : w->insuranceno).click();
        w->setObserver(nullptr);
        EXPECT_EQ(bankroll.captions, c.bankrolls);
        EXPECT_TRUE(scriptUsedUp());
        EXPECT_EQ(chips(), c.chips);
        EXPECT_EQ(w->PeekDone, 1);
        EXPECT_FALSE(w->f1.visible());
        EXPECT_FALSE(w->insurance.enabled());
        EXPECT_FALSE(w->insuranceno.enabled());
        EXPECT_EQ(w->lresult.caption(), c.message);
        // No sound, no counter, no dealer line, nothing kept in the dealer's hand.
        EXPECT_EQ(sound.played.size(), 4u);
        EXPECT_EQ(counter(w->lwin) + counter(w->lloose) + counter(w->lpush), 0);
        EXPECT_EQ(w->l2.caption(), "11 = 11");
        EXPECT_EQ(w->DealerCardCount, 1);
        const bool over = *c.message != '\0';
        EXPECT_EQ(w->HandInPlay, over ? 0 : 1);
        EXPECT_EQ(w->Command3.enabled(), over);
        for (forms::Element* b : {&w->Command1, &w->Command5, &w->cmdsplit})
            EXPECT_EQ(b->enabled(), !over) << b->name();
        EXPECT_EQ(w->Picture3.visible(), over);
        EXPECT_EQ(w->dbox.visible(), over);
        EXPECT_TRUE(w->ltot.visible());
        if (over) {
            EXPECT_FALSE(w->Command8.enabled());
            EXPECT_EQ(w->dplaycard(2).picture(), "card-" + std::to_string(c.looked));
        } else {
            EXPECT_EQ(w->dplaycard(2).picture(), "card-back");
        }
    }
}

TEST_F(InsuranceTest, AfterADealerBlackjackTheNextDealStartsAFreshHand) {
    deal({Ace, Ten, 7}, "25");
    then({King});
    w->insurance.click();
    deal({7, Ten, 9}, "25");
    EXPECT_EQ(w->PeekDone, 0);
    EXPECT_EQ(w->lresult.caption(), "");
    EXPECT_EQ(w->dplaycard(2).picture(), "card-back");
    EXPECT_TRUE(w->Command1.enabled());
    EXPECT_EQ(w->HandInPlay, 1);
}

TEST_F(InsuranceTest, AnAnswerAfterTheHandIsSettledOnlyTakesTheOfferAway) {
    for (bool take : {true, false}) {
        SCOPED_TRACE(take ? "taken" : "declined");
        fresh();
        deal({Ace, Ten, 8}, "25");
        then({7});  // standing without an answer: 11 + 7, a push
        w->Command5.click();
        ASSERT_TRUE(w->f1.visible()) << "the offer stays on the table";
        for (bool revealed : {false, true}) {
            if (revealed) finishReveal();
            const int draws = random.draws;
            w->f1.setVisible(true);
            w->insurance.setEnabled(true);
            w->insuranceno.setEnabled(true);
            (take ? w->insurance : w->insuranceno).click();
            EXPECT_EQ(random.draws, draws) << "the dealer does not look again";
            EXPECT_FALSE(w->f1.visible());
            EXPECT_FALSE(w->insurance.enabled());
            EXPECT_FALSE(w->insuranceno.enabled());
        }
        EXPECT_EQ(chips(), 1000);
        EXPECT_EQ(w->lresult.caption(), "              PUSH..");
        EXPECT_EQ(w->dplaycard(2).picture(), "card-7");
    }
}

// The odds panel on the window model: player cards, up-card changes, the clear, the
// dealer's chances and the cover, in both programs.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "forms/Conversions.h"
#include "forms/Window.h"
#include "odds/OddsPanel.h"

namespace odds {
// Names the program in test output.
void PrintTo(Program program, std::ostream* os) {
    *os << (program == Program::CardTable ? "cardtable" : "oddsdesk");
}
}  // namespace odds

namespace {

using forms::Element;
using forms::text;
using forms::toSingle;
using odds::OddsPanel;
using odds::Program;

constexpr forms::Colour kRed = 255;
constexpr forms::Colour kGreen = 49152;

class FakeGame : public odds::TableGameState {
public:
    int SplitStage() const override { return splitStage; }
    int AcePairSplit() const override { return acePairSplit; }
    int PairDealt() const override { return pairDealt; }
    int PlayerHand(int index) const override { return index == 1 ? first : second; }

    int splitStage = 0, acePairSplit = 0, pairDealt = 0, first = 0, second = 0;
};

// A window that hosts the panel, as each program's window does.
class PanelWindow : public forms::Window {
public:
    explicit PanelWindow(Program program) : forms::Window("Form1"), panel(*this, program) {
        panel.fillTables();
        panel.setTableGame(&game);
    }
    FakeGame game;
    OddsPanel panel;
};

// Starts a hand: clear, the up-card, then the player's cards in order.
void play(OddsPanel& p, int upCard, std::initializer_list<int> cards) {
    p.Command12_Click();
    p.pp_Click(upCard);
    for (int c : cards) p.dd_Click(c);
}

std::vector<Element*> actionLabels(OddsPanel& p) {
    return {&p.lstandpe,  &p.lhitpe,  &p.ldoubpe,  &p.Lsplipe,
            &p.lstandper, &p.lhitper, &p.Ldoubper, &p.lspliper};
}

// Which of the eight action labels are shown, in the order of actionLabels().
std::vector<bool> shown(OddsPanel& p) {
    std::vector<bool> v;
    for (Element* e : actionLabels(p)) v.push_back(e->visible());
    return v;
}

std::vector<forms::Colour> barColours(OddsPanel& p) {
    return {p.lstandper.backColor(), p.lhitper.backColor(), p.Ldoubper.backColor(),
            p.lspliper.backColor()};
}

const std::vector<bool> kNoneShown(8, false);
// Two cards that are no pair: everything but the split value.
const std::vector<bool> kTwoCards = {true, true, true, false, true, true, true, true};
const std::vector<bool> kPairShown(8, true);
const std::vector<bool> kThreeCards = {true, true, false, false, true, true, false, false};

class PanelTest : public ::testing::TestWithParam<Program> {
protected:
    PanelWindow w{GetParam()};
    OddsPanel& p = w.panel;
    const odds::OddsTables& t = w.panel.tables;
    bool desk() const { return GetParam() == Program::OddsDesk; }
    std::string prefix() const { return desk() ? " + " : "+"; }
};

INSTANTIATE_TEST_SUITE_P(BothPrograms, PanelTest,
                         ::testing::Values(Program::CardTable, Program::OddsDesk),
                         [](const auto& info) {
                             return info.param == Program::CardTable ? "cardtable" : "oddsdesk";
                         });

// ---- Player cards ----

TEST_P(PanelTest, HandsAreClassifiedIntoTheirTableRows) {
    struct Case {
        std::vector<int> cards;
        std::vector<std::string> holders;  // cardtable captions; "+" becomes the prefix
        const char* total;
        int handCode;
        int pairCode;  // -2: no pair
    };
    const Case cases[] = {
        {{10, 6}, {"10", "+6"}, "16", 16, -2},
        {{1, 6}, {"11", "+6"}, "17", 27, -2},
        {{1, 1}, {"1", "+11"}, "12", 22, 10},
        {{11, 11}, {"1", "+11"}, "12", 22, 10},
        {{1, 6, 10}, {"1", "+6", "+10"}, "17", 17, -2},
        {{10, 1}, {"10", "+11"}, "21", 31, -2},
        {{1, 1, 1}, {"1", "+1", "+11"}, "13", 23, 10},  // the pair row, not shown
        {{8, 8}, {"8", "+8"}, "16", 16, 7},
        {{5, 5}, {"5", "+5"}, "10", 10, 4},
        {{9, 2, 1}, {"9", "+2", "+1"}, "12", 12, -2},
        {{1, 5, 5, 1}, {"1", "+5", "+5", "+1"}, "12", 12, -2},  // both aces demoted in one call
    };
    const int up = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.cards));
        play(p, up, {});
        for (int card : c.cards) p.dd_Click(card);
        for (std::size_t i = 0; i < c.holders.size(); ++i) {
            std::string expected = c.holders[i];
            if (expected[0] == '+') expected = prefix() + expected.substr(1);
            EXPECT_EQ(p.lplay(static_cast<int>(i) + 1).caption(), expected);
        }
        EXPECT_EQ(p.lptot.caption(), c.total);
        EXPECT_EQ(p.lhitpe.caption(), text(t.HitEvTable[up][c.handCode]));
        EXPECT_EQ(p.ldoubpe.caption(), text(t.DoubleEvTable[up][c.handCode]));
        EXPECT_EQ(p.Lsplipe.caption(),
                  c.pairCode < 0 ? "-2" : text(t.SplitEvTable[up][c.pairCode]));
        EXPECT_EQ(p.Lsplipe.visible(), c.pairCode > 0 && c.cards.size() == 2);
    }
}

TEST_P(PanelTest, TenAndSixAgainstTenMarksHitByASmallMargin) {
    play(p, 10, {10, 6});
    EXPECT_EQ(p.lstandpe.caption(), "-0.5404");
    EXPECT_EQ(p.lhitpe.caption(), "-0.5398");
    EXPECT_EQ(p.ldoubpe.caption(), "-1.0797");
    EXPECT_EQ(p.Lsplipe.caption(), "-2");
    EXPECT_EQ(shown(p), kTwoCards);
    EXPECT_EQ(barColours(p), (std::vector<forms::Colour>{kRed, kGreen, kRed, kRed}));
    EXPECT_EQ(p.Label3.caption(), "HIT:");
    EXPECT_EQ(p.lstandper.width(), toSingle(668.718));
    EXPECT_EQ(p.lhitper.width(), toSingle(669.591));
    EXPECT_EQ(p.Ldoubper.width(), 0);
    EXPECT_EQ(p.lspliper.width(), 0);
    EXPECT_EQ(p.Ladd2.caption(), desk() ? "10 + 6 = 16" : "+6 = 16");
    // Only the calculator emphasises the best action's row caption.
    EXPECT_EQ(p.rowHit.fontBold(), desk());
    EXPECT_FALSE(p.rowStand.fontBold() || p.rowDouble.fontBold() || p.rowSplit.fontBold());
}

TEST_P(PanelTest, PairOfEightsAgainstSixMarksSplit) {
    play(p, 6, {8, 8});
    EXPECT_EQ(p.lstandpe.caption(), "-0.1537");
    EXPECT_EQ(p.lhitpe.caption(), "-0.4309");
    EXPECT_EQ(p.ldoubpe.caption(), "-0.8619");
    EXPECT_EQ(p.Lsplipe.caption(), "0.4093");
    EXPECT_EQ(shown(p), kPairShown);
    EXPECT_EQ(barColours(p), (std::vector<forms::Colour>{kRed, kRed, kRed, kGreen}));
    EXPECT_EQ(p.Label3.caption(), "Split:");
    EXPECT_FLOAT_EQ(p.lstandper.width(), 1231.3665f);
    EXPECT_FLOAT_EQ(p.lhitper.width(), 828.0405f);
    EXPECT_FLOAT_EQ(p.Ldoubper.width(), 200.9355f);
    EXPECT_FLOAT_EQ(p.lspliper.width(), 2050.5315f);
    EXPECT_EQ(p.rowSplit.fontBold(), desk());
    EXPECT_FALSE(p.rowStand.fontBold() || p.rowHit.fontBold() || p.rowDouble.fontBold());
}

TEST_P(PanelTest, EqualTopValuesMarkNothingAndKeepTheLastMark) {
    play(p, 5, {});
    // What an earlier hand left: the mark is only replaced by a strictly best action.
    p.Label3.setCaption("STAND:");
    p.rowStand.setFontBold(true);
    p.Ldoubper.setBackColor(kGreen);
    // A lone 2 has no hit or double row: both read 0, above standing and splitting.
    p.dd_Click(2);
    EXPECT_EQ(p.lhitpe.caption(), "0");
    EXPECT_EQ(p.ldoubpe.caption(), "0");
    EXPECT_EQ(barColours(p), (std::vector<forms::Colour>{kRed, kRed, kRed, kRed}));
    EXPECT_EQ(p.Label3.caption(), "STAND:");
    EXPECT_TRUE(p.rowStand.fontBold());
    EXPECT_FALSE(p.rowHit.fontBold() || p.rowDouble.fontBold());
}

TEST_P(PanelTest, AFirstCardKeepsTheValuesHidden) {
    play(p, 10, {1});
    EXPECT_EQ(shown(p), kNoneShown);
    EXPECT_EQ(p.lplay(1).caption(), "11");
    EXPECT_EQ(p.Ladd2.caption(), "11");
    EXPECT_EQ(p.lstandpe.caption(), "-0.5404");
    // Soft 11 against 10: doubling is best, and the calculator already marks it.
    EXPECT_EQ(p.Label3.caption(), "DOUBLE:");
    EXPECT_EQ(p.rowDouble.fontBold(), desk());
}

TEST_P(PanelTest, AThirdCardLeavesOnlyStandAndHit) {
    // Hard 11 against 6: doubling would be best with two cards, but it is no longer offered.
    play(p, 6, {2, 2, 7});
    EXPECT_EQ(shown(p), kThreeCards);
    EXPECT_EQ(p.ldoubpe.caption(), "0.6674");
    EXPECT_EQ(barColours(p), (std::vector<forms::Colour>{kRed, kGreen, kRed, kRed}));
    EXPECT_EQ(p.Label3.caption(), "HIT:");
    EXPECT_EQ(p.rowHit.fontBold(), desk());
    EXPECT_FALSE(p.rowDouble.fontBold());

    // Hard 21: a double value of -2 leaves its bar at width 0.
    play(p, 6, {10, 5, 6});
    EXPECT_EQ(p.ldoubpe.caption(), "-2");
    EXPECT_EQ(p.Ldoubper.width(), 0);
    EXPECT_EQ(p.Label3.caption(), "STAND:");
    EXPECT_EQ(p.Ladd2.caption(), desk() ? "10 + 5 + 6 = 21" : "+6 = 21");
}

TEST_P(PanelTest, AceSixTenDemotesTheAceInTheHandLine) {
    play(p, 9, {1, 6});
    EXPECT_EQ(p.Ladd2.caption(), desk() ? "11 + 6 = 17" : "+6 = 17");
    p.dd_Click(10);
    EXPECT_EQ(p.lplay(1).caption(), "1");
    EXPECT_EQ(p.lptot.caption(), "17");
    // The demotion rebuilds the whole hand text, in cardtable too.
    EXPECT_EQ(p.Ladd2.caption(), desk() ? "1 + 6 + 10 = 17" : "1+6+10 = 17");
}

TEST_P(PanelTest, ABustIgnoresFurtherCardsUntilTheClear) {
    play(p, 10, {10, 6});
    p.dd_Click(10);
    EXPECT_EQ(p.lptot.caption(), "BUST 26");
    EXPECT_EQ(p.Ladd2.caption(), "BUST 26");
    EXPECT_EQ(p.OddsHandBusted, 1);
    EXPECT_EQ(shown(p), kNoneShown);
    EXPECT_EQ(p.lstandpe.caption(), "");
    EXPECT_EQ(p.lhitpe.caption(), "");
    EXPECT_EQ(p.ldoubpe.caption(), "");
    EXPECT_EQ(p.Lsplipe.caption(), "-2");  // the split value is left as it was

    p.dd_Click(5);
    EXPECT_EQ(p.lplay(4).caption(), "");
    EXPECT_EQ(p.lptot.caption(), "BUST 26");

    // A new up-card changes only the up-card and the dealer's chances.
    p.pp_Click(4);
    EXPECT_EQ(p.ldeal.caption(), "4");
    EXPECT_EQ(p.l17t.caption(), "0.3945");
    EXPECT_EQ(p.lptot.caption(), "BUST 26");
    EXPECT_EQ(p.lstandpe.caption(), "");
    EXPECT_EQ(shown(p), kNoneShown);

    p.Command12_Click();
    p.pp_Click(4);
    p.dd_Click(5);
    EXPECT_EQ(p.lplay(1).caption(), "5");
}

TEST_P(PanelTest, CardsWithoutAnUpCardOrOfValueZeroAreIgnored) {
    const float designWidth = p.lstandper.width();
    p.dd_Click(10);
    EXPECT_EQ(p.lplay(1).caption(), "");
    EXPECT_EQ(p.lstandper.width(), designWidth);

    play(p, 7, {9});
    p.dd_Click(0);
    EXPECT_EQ(p.lplay(2).caption(), "");
    EXPECT_EQ(p.lptot.caption(), "9");
}

// Hands of eleven cards and more: every card held counts in the total, the demotion and
// the soft-hand test.
TEST_P(PanelTest, EveryCardOfALongHandCounts) {
    struct Case {
        const char* what;
        std::vector<int> cards;
        const char* total;
        int handCode;  // the row of the hit values; 0 for a bust
    };
    const std::vector<Case> cases = {
        {"nine 2s and three aces make 21 in twelve cards",
         {2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1},
         "21",
         21},
        {"ten aces are soft 20; an eleventh card of 2 turns them hard 12",
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2},
         "12",
         12},
        {"eleven aces are soft 21", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, "21", 31},
        {"eleven 2s bust", {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, "BUST 22", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        p.Command12_Click();
        p.pp_Click(5);
        for (int card : c.cards) p.dd_Click(card);
        EXPECT_EQ(p.lptot.caption(), c.total);
        if (c.handCode == 0) {
            EXPECT_EQ(p.OddsHandBusted, 1);
            EXPECT_EQ(shown(p), kNoneShown);
        } else {
            EXPECT_EQ(p.lstandpe.caption(),
                      text(t.StandEvTable[5][static_cast<int>(forms::val(c.total))]));
            EXPECT_EQ(p.lhitpe.caption(), text(t.HitEvTable[5][c.handCode]));
            EXPECT_EQ(shown(p), kThreeCards);
        }
    }
}

TEST_P(PanelTest, AFullHandOfTwentyOneCardsTakesNoFurtherCard) {
    play(p, 5, std::initializer_list<int>{});
    for (int i = 0; i < 21; ++i) p.dd_Click(1);
    EXPECT_EQ(p.lptot.caption(), "21");
    EXPECT_EQ(p.lplay(21).caption(), prefix() + "1");
    p.dd_Click(10);
    EXPECT_EQ(p.lptot.caption(), "21");
    EXPECT_EQ(p.lplay(21).caption(), prefix() + "1");
    EXPECT_EQ(p.lhitpe.caption(), text(t.HitEvTable[5][21]));

    // The clear empties every holder, so none can count in the next hand's soft test:
    // ace and six stay soft 17.
    play(p, 5, {1, 6});
    EXPECT_EQ(p.lplay(21).caption(), "");
    EXPECT_EQ(p.lhitpe.caption(), text(t.HitEvTable[5][27]));
}

// Every property of every element of the panel's window, one text per element.
std::vector<std::string> snapshot(const forms::Window& w) {
    std::vector<std::string> v;
    for (const Element* e : w.elements()) {
        std::string s = e->name() + "(" + text(e->index()) + ") " + e->caption();
        for (double n :
             {double(e->left()), double(e->top()), double(e->width()), double(e->height()),
              double(e->x1()), double(e->y1()), double(e->x2()), double(e->y2()),
              double(e->backColor()), double(e->foreColor()), e->fontSize(), double(e->interval())})
            s.append("|").append(text(n));
        for (bool b : {e->visible(), e->enabled(), e->opaque(), e->fontBold(), e->fontItalic(),
                       e->checked()})
            s += b ? "|1" : "|0";
        s += "|" + e->fontName() + "|" + text(int(e->alignment())) + "|" + e->picture();
        v.push_back(s);
    }
    return v;
}

TEST_P(PanelTest, ACardAfterTwentyOneHeldCardsLeavesEveryElementAsItWas) {
    // Twenty-one aces against 9 make 21: standing is shown as the best action, green, with
    // its bar.
    play(p, 9, std::initializer_list<int>{});
    for (int i = 0; i < 21; ++i) p.dd_Click(1);
    ASSERT_EQ(p.lptot.caption(), "21");
    ASSERT_EQ(p.Label3.caption(), "STAND:");
    ASSERT_EQ(p.lstandper.backColor(), kGreen);
    ASSERT_GT(p.lstandper.width(), 0);
    const auto before = snapshot(w);
    for (int card = 1; card <= 11; ++card) {
        SCOPED_TRACE(card);
        p.dd_Click(card);
        const auto after = snapshot(w);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]);
        EXPECT_EQ(p.OddsHandBusted, 0);
    }
}

// ---- The up-card ----

TEST_P(PanelTest, AnUpCardOnAnEmptyPanelChangesOnlyTheDealersCard) {
    p.Command12_Click();
    p.pp_Click(7);
    EXPECT_EQ(p.ldeal.caption(), "7");
    EXPECT_EQ(p.upCard.caption(), "7");
    EXPECT_TRUE(p.l17t.visible() && p.l17l.visible());
    EXPECT_EQ(shown(p), kNoneShown);
    for (Element* e : actionLabels(p)) EXPECT_EQ(e->caption(), "");
    EXPECT_EQ(p.lstandper.width(), 0);
    EXPECT_EQ(p.Label3.caption(), "");
    EXPECT_EQ(p.Ladd2.caption(), "");
}

TEST_P(PanelTest, AnUpCardOfZeroIsWrittenAndNothingIsRecomputed) {
    play(p, 7, {10, 6});
    auto drawn = [&] {
        std::vector<std::string> v;
        for (Element* e : actionLabels(p)) v.push_back(e->caption());
        for (Element* e : {&p.rowStand, &p.rowHit, &p.rowDouble, &p.rowSplit})
            v.push_back(e->fontBold() ? "bold" : "plain");
        for (Element* e : {&p.lstandper, &p.lhitper, &p.Ldoubper, &p.lspliper})
            v.push_back(text(e->width()) + "/" + text(e->backColor()));
        v.push_back(p.Label3.caption());
        v.push_back(p.Ladd2.caption());
        v.push_back(p.lptot.caption());
        return v;
    };
    const auto before = drawn();
    const auto visibleBefore = shown(p);
    p.pp_Click(0);
    EXPECT_EQ(p.ldeal.caption(), "0");
    EXPECT_EQ(drawn(), before);
    EXPECT_EQ(shown(p), visibleBefore);
}

TEST_P(PanelTest, ChangingTheUpCardRedrawsTheHandForTheNewColumn) {
    play(p, 10, {10, 6});
    p.pp_Click(5);
    EXPECT_EQ(p.lstandpe.caption(), "-0.1672");
    EXPECT_EQ(p.lhitpe.caption(), "-0.4495");
    EXPECT_EQ(p.ldoubpe.caption(), "-0.899");
    EXPECT_EQ(shown(p), kTwoCards);
    EXPECT_EQ(p.Label3.caption(), "STAND:");
    EXPECT_EQ(barColours(p), (std::vector<forms::Colour>{kGreen, kRed, kRed, kRed}));
    EXPECT_EQ(p.rowStand.fontBold(), desk());
    EXPECT_FALSE(p.rowHit.fontBold());
    // The table's hand text lives for one card, so its hidden line keeps only the total.
    EXPECT_EQ(p.Ladd2.caption(), desk() ? "10 + 6 = 16" : " = 16");

    play(p, 6, {8, 8});
    p.pp_Click(9);
    EXPECT_EQ(p.Lsplipe.caption(), "-0.3872");
    EXPECT_EQ(shown(p), kPairShown);
}

TEST_P(PanelTest, ChangingTheUpCardWithOneCardMovesTheHiddenMark) {
    play(p, 10, {10});
    EXPECT_EQ(p.Label3.caption(), "HIT:");
    p.pp_Click(2);
    EXPECT_EQ(p.ldoubpe.caption(), "0.3589");
    EXPECT_EQ(p.Label3.caption(), "DOUBLE:");
    EXPECT_EQ(p.rowDouble.fontBold(), desk());
    EXPECT_FALSE(p.rowHit.fontBold());
    EXPECT_EQ(shown(p), kNoneShown);
    EXPECT_EQ(p.Ladd2.caption(), desk() ? "10" : "");
}

// ---- The clear ----

void expectCleared(OddsPanel& p) {
    EXPECT_EQ(p.OddsHandBusted, 0);
    EXPECT_EQ(shown(p), kNoneShown);
    for (Element* e : {&p.l17t, &p.l18t, &p.l19t, &p.l20t, &p.l21t, &p.lbustt, &p.l17l, &p.l18l,
                       &p.l19l, &p.l20l, &p.l21l, &p.lbustl})
        EXPECT_FALSE(e->visible()) << e->name();
    for (int i = 1; i <= 21; ++i) EXPECT_EQ(p.lplay(i).caption(), "") << i;
    for (Element* e : {&p.lptot, &p.ldeal, &p.upCard, &p.lstandpe, &p.lhitpe, &p.ldoubpe,
                       &p.Lsplipe, &p.Label3, &p.Ladd2, &p.Ladd})
        EXPECT_EQ(e->caption(), "") << e->name();
    for (Element* e : {&p.lstandper, &p.lhitper, &p.Ldoubper, &p.lspliper})
        EXPECT_EQ(e->width(), 0) << e->name();
    for (Element* e : {&p.rowStand, &p.rowHit, &p.rowDouble, &p.rowSplit})
        EXPECT_FALSE(e->fontBold()) << e->name();
}

TEST_P(PanelTest, AClearOfAnEmptyPanelLeavesItEmpty) {
    p.Command12_Click();
    expectCleared(p);
    p.Command12_Click();
    expectCleared(p);
}

TEST_P(PanelTest, TheClearEmptiesThePanelAndHidesTheDealersChances) {
    for (auto cards : {std::vector<int>{8, 8}, std::vector<int>{10, 6, 10}}) {
        SCOPED_TRACE(::testing::PrintToString(cards));
        play(p, 6, {});
        for (int c : cards) p.dd_Click(c);
        p.Command12_Click();
        expectCleared(p);
        // On the way the emptied up-card refilled the hidden block from the ace column.
        EXPECT_EQ(p.l17t.caption(), "0.1665");
    }
}

// The calculator's clear empties its hand text between the bar widths and the values.
TEST(OddsDeskClear, EmptiesTheHandTextAfterTheBarsAndBeforeTheValues) {
    struct Recorder : forms::WindowObserver {
        void elementChanged(Element& e, forms::Property property) override {
            events.emplace_back(&e, property);
        }
        std::vector<std::pair<Element*, forms::Property>> events;
    };
    PanelWindow w(Program::OddsDesk);
    OddsPanel& p = w.panel;
    play(p, 6, {8, 8});
    Recorder r;
    w.setObserver(&r);
    p.Command12_Click();
    w.setObserver(nullptr);
    auto at = [&](Element& e, forms::Property property) {
        for (std::size_t i = 0; i < r.events.size(); ++i)
            if (r.events[i].first == &e && r.events[i].second == property) return int(i);
        return -1;
    };
    const int handText = at(p.Ladd, forms::Property::Caption);
    ASSERT_GE(handText, 0);
    EXPECT_LT(at(p.lspliper, forms::Property::Geometry), handText);
    EXPECT_GT(at(p.lstandpe, forms::Property::Caption), handText);
}

// ---- The dealer's chances ----

TEST_P(PanelTest, TheDealersChancesShowTheUpCardsColumn) {
    play(p, 2, {});
    EXPECT_EQ(p.l17t.caption(), "0.3536");  // the BUST row
    EXPECT_EQ(p.l17l.width(), toSingle(1838.72));
    EXPECT_EQ(p.l21t.caption(), "0.124");  // the 20 row
    for (Element* e : {&p.l17t, &p.l18t, &p.l19t, &p.l20t, &p.l21t, &p.lbustt, &p.l17l, &p.l18l,
                       &p.l19l, &p.l20l, &p.l21l, &p.lbustl})
        EXPECT_TRUE(e->visible());

    p.pp_Click(6);  // no clear in between: the block follows the new card
    EXPECT_EQ(p.l17t.caption(), "0.4232");
    EXPECT_EQ(p.l17l.width(), toSingle(2200.64));

    p.pp_Click(7);
    const std::vector<std::string> seven = {"0.2623", "0.3686", "0.1378",
                                            "0.0786", "0.0786", "0.0741"};
    const std::vector<Element*> byOutcome = {&p.l17t, &p.l18t, &p.l19t,
                                             &p.l20t, &p.l21t, &p.lbustt};
    for (std::size_t r = 0; r < seven.size(); ++r) EXPECT_EQ(byOutcome[r]->caption(), seven[r]);
}

TEST_P(PanelTest, AnAceShowsTheSameChancesAsOneOrAsEleven) {
    auto figures = [&] {
        std::vector<std::string> v;
        for (Element* e : {&p.l17t, &p.l18t, &p.l19t, &p.l20t, &p.l21t, &p.lbustt})
            v.push_back(e->caption());
        return v;
    };
    play(p, 1, {});
    EXPECT_EQ(p.upCard.caption(), "A");
    const auto asOne = figures();
    EXPECT_EQ(asOne.front(), "0.1665");
    play(p, 11, {});
    EXPECT_EQ(p.upCard.caption(), "11");
    EXPECT_EQ(figures(), asOne);
    play(p, 10, {});
    EXPECT_EQ(p.upCard.caption(), "10");
}

// ---- The table game's state (cardtable) ----

class TablePanelTest : public ::testing::Test {
protected:
    PanelWindow w{Program::CardTable};
    OddsPanel& p = w.panel;
    FakeGame& game = w.game;
};

TEST_F(TablePanelTest, ASplitHandIsNotSplitAgain) {
    game.splitStage = 1;
    play(p, 6, {8, 8});
    EXPECT_EQ(p.Lsplipe.caption(), "-2");
    EXPECT_TRUE(p.Lsplipe.visible());
    EXPECT_EQ(p.lspliper.width(), 0);
    EXPECT_EQ(p.Label3.caption(), "STAND:");
}

TEST_F(TablePanelTest, TwoTenValueCardsOfDifferentRankAreNoPair) {
    game.first = game.second = 10;
    game.pairDealt = 0;  // a king and a queen
    play(p, 6, {10, 10});
    EXPECT_EQ(p.Lsplipe.caption(), "");
    EXPECT_EQ(p.lspliper.width(), 0);

    game.pairDealt = 1;  // two kings
    play(p, 6, {10, 10});
    EXPECT_EQ(p.Lsplipe.caption(), "0.1245");
    EXPECT_TRUE(p.Lsplipe.visible());
    EXPECT_FLOAT_EQ(p.lspliper.width(), 1455 * 1.1245f);
}

TEST_F(TablePanelTest, AfterASplitOfAcesThePanelStaysEmpty) {
    game.acePairSplit = 1;
    play(p, 9, {1});
    EXPECT_EQ(p.lplay(1).caption(), "");
    EXPECT_EQ(p.lptot.caption(), "");
    EXPECT_EQ(shown(p), kNoneShown);
}

TEST_F(TablePanelTest, AnUpCardStoredAsElevenIsTheAce) {
    play(p, 1, {10, 6});
    const std::vector<std::string> asOne = {p.lstandpe.caption(), p.lhitpe.caption(),
                                            p.ldoubpe.caption()};
    EXPECT_EQ(asOne[0], "-0.667");
    play(p, 11, {10, 6});
    EXPECT_EQ(
        (std::vector<std::string>{p.lstandpe.caption(), p.lhitpe.caption(), p.ldoubpe.caption()}),
        asOne);
}

// ---- The calculator's player prompt ----

TEST(OddsDeskPrompt, RunsOnceTheHandHoldsASecondCard) {
    PanelWindow w(Program::OddsDesk);
    OddsPanel& p = w.panel;
    int steps = 0;
    p.playerPromptStep = [&] { ++steps; };
    play(p, 10, {10});
    EXPECT_EQ(steps, 0);
    p.dd_Click(6);
    EXPECT_EQ(steps, 1);
    p.pp_Click(9);  // an up-card change redraws the hand
    EXPECT_EQ(steps, 2);
    p.dd_Click(10);  // the card that busts the hand still runs it
    EXPECT_EQ(steps, 3);
    p.dd_Click(2);  // ignored: the hand is over 21
    p.pp_Click(4);
    EXPECT_EQ(steps, 3);

    PanelWindow table(Program::CardTable);
    table.panel.playerPromptStep = [&] { ++steps; };
    play(table.panel, 10, {10, 6});
    EXPECT_EQ(steps, 3);
}

// ---- Layout ----

TEST_P(PanelTest, ElementsCarryTheirProgramsNames) {
    struct Named {
        const Element* element;
        const char* cardTable;
        const char* oddsDesk;
    };
    const Named names[] = {
        {&p.rowStand, "Label17", "Label2"},  {&p.rowHit, "Label16", "Label4"},
        {&p.rowDouble, "Label9", "Label9"},  {&p.rowSplit, "Label11", "Label11"},
        {&p.upCard, "Label13", "Label7"},    {&p.bustCaption, "Label7", "lbust"},
        {&p.evenLabel, "Label14", "Label5"},
    };
    for (const Named& n : names) EXPECT_EQ(n.element->name(), desk() ? n.oddsDesk : n.cardTable);

    std::set<std::pair<std::string, int>> seen;
    for (const Element* e : w.elements())
        EXPECT_TRUE(seen.emplace(e->name(), e->index()).second) << e->name() << e->index();
}

TEST_P(PanelTest, LayoutPutsFiguresOnTheirBarsAndTheEvenMarkAtZero) {
    // A value of 0 ends its bar at the EVEN lines.
    for (Element* bar : {&p.lstandper, &p.lhitper, &p.Ldoubper, &p.lspliper}) {
        EXPECT_EQ(bar->left() + 1455, p.Line1.x1());
        EXPECT_TRUE(bar->opaque());
    }
    EXPECT_EQ(p.Line1.x1(), desk() ? 2250 : 8580);

    // Each dealer's row: its caption, the figure 30 twips higher over the bar's left end.
    const std::vector<std::tuple<Element*, Element*, Element*>> rows = {
        {&p.l17, &p.l18t, &p.l18l},     {&p.l18, &p.l19t, &p.l19l},
        {&p.l19, &p.l20t, &p.l20l},     {&p.l20, &p.l21t, &p.l21l},
        {&p.l21, &p.lbustt, &p.lbustl}, {&p.bustCaption, &p.l17t, &p.l17l},
    };
    auto stackIndex = [&](const Element* e) {
        const auto& all = w.elements();
        return std::find(all.begin(), all.end(), e) - all.begin();
    };
    for (const auto& [caption, figure, bar] : rows) {
        SCOPED_TRACE(caption->caption());
        EXPECT_EQ(bar->top(), caption->top());
        EXPECT_EQ(figure->top(), caption->top() - 30);
        EXPECT_GT(figure->left(), bar->left());
        EXPECT_LT(figure->left(), bar->left() + bar->width());
        EXPECT_GT(stackIndex(figure), stackIndex(bar));
        EXPECT_FALSE(figure->opaque());
    }
    EXPECT_EQ(p.bustCaption.top(), desk() ? 3900 : 5190);
    for (Element* value : {&p.lstandpe, &p.lhitpe, &p.ldoubpe, &p.Lsplipe})
        EXPECT_GT(stackIndex(value), stackIndex(&p.lspliper));
}

TEST_P(PanelTest, HoldersAreHiddenAndTheCaptionsShown) {
    for (int i = 1; i <= 21; ++i) EXPECT_FALSE(p.lplay(i).visible());
    for (Element* e : {&p.lptot, &p.ldeal, &p.Label3, &p.Ladd}) EXPECT_FALSE(e->visible());
    EXPECT_EQ(p.upCard.visible(), desk());
    EXPECT_EQ(p.Ladd2.visible(), desk());
    EXPECT_EQ(shown(p), kNoneShown);
    for (Element* e : {&p.rowStand, &p.rowHit, &p.rowDouble, &p.rowSplit, &p.evenLabel,
                       &p.lblDealProb, &p.l17, &p.l18, &p.l19, &p.l20, &p.l21, &p.bustCaption})
        EXPECT_TRUE(e->visible()) << e->name();
    EXPECT_EQ(p.lblDealProb.caption(), "Dealer's Chances");
    EXPECT_EQ(p.bustCaption.caption(), "BUST");
}

// ---- The odds cover (cardtable) ----

class CoverWindow : public forms::Window {
public:
    CoverWindow() : forms::Window("Form1"), mnuodds(*this, forms::ElementKind::Menu, "mnuodds") {
        mnuodds.setCaption("Hide Odds");
        // The menu's owner binds its click, as the table window does.
        mnuodds.onClick = [this] { cover.mnuodds_Click(); };
    }
    OddsPanel panel{*this, Program::CardTable};
    Element mnuodds;
    odds::OddsCover cover{*this, mnuodds};
};

TEST(OddsCover, StartsUncoveredAboveThePanel) {
    CoverWindow w;
    EXPECT_FALSE(w.cover.Picture1.visible());
    EXPECT_EQ(w.cover.Picture1.picture(), "felt");
    EXPECT_EQ(w.cover.Picture1.width(), 3315);
    EXPECT_FALSE(w.cover.Command17.visible());
    EXPECT_EQ(w.cover.Command17.caption(), "Hide Odds");
    EXPECT_EQ(w.elements().back(), &w.cover.Command17);
}

TEST(OddsCover, TheMenuTogglesTheCoverAndTwoCommandsReturn) {
    CoverWindow w;
    w.mnuodds.click();
    EXPECT_TRUE(w.cover.Picture1.visible());
    EXPECT_EQ(w.mnuodds.caption(), "Show Odds");
    EXPECT_EQ(w.cover.Command17.caption(), "Show Odds");
    w.mnuodds.click();
    EXPECT_FALSE(w.cover.Picture1.visible());
    EXPECT_EQ(w.mnuodds.caption(), "Hide Odds");
    EXPECT_EQ(w.cover.Command17.caption(), "Hide Odds");
}

TEST(OddsCover, StartedWithTheOddsOffTheFirstCommandUncovers) {
    CoverWindow w;
    // The start-up with the setting off sets only the cover and the menu caption.
    w.cover.Picture1.setVisible(true);
    w.mnuodds.setCaption("Show Odds");
    w.cover.mnuodds_Click();
    EXPECT_FALSE(w.cover.Picture1.visible());
    EXPECT_EQ(w.mnuodds.caption(), "Hide Odds");
    EXPECT_EQ(w.cover.Command17.caption(), "Hide Odds");
}

}  // namespace

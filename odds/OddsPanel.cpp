#include "odds/OddsPanel.h"

#include <string>
#include <utility>

#include "forms/Conversions.h"

namespace odds {

namespace {

using forms::Element;
using forms::ElementKind;

constexpr forms::Colour kPanelGrey = forms::rgb(64, 64, 64);
constexpr forms::Colour kWhite = forms::rgb(255, 255, 255);
constexpr forms::Colour kBlue = forms::rgb(0, 0, 255);
// The bar colours as the logic writes them: 255 for every action, 49152 for the best one.
constexpr forms::Colour kRed = forms::rgb(255, 0, 0);
constexpr forms::Colour kGreen = forms::rgb(0, 192, 0);
static_assert(kRed == 255 && kGreen == 49152);

constexpr const char* kFont = "Comic Sans MS";
constexpr double kSmall = 8.25;
constexpr double kLarge = 9.75;

// One unit of expected result, in twips of bar: -1 at the bar's left end, 0 at the EVEN mark.
constexpr double kBarUnit = 1455;
// One unit of probability in twips of the dealer's chances bars.
constexpr double kChanceUnit = 5200;

// Where each program puts the panel's rows, in twips.
struct PanelLayout {
    double rowLeft;            // the row captions
    double valueLeft;          // the values, over their bars
    double barLeft;            // the bars' left end: value -1
    double firstRow;           // the stand row
    double lineTop;            // the top of the EVEN lines
    double chanceCaptionLeft;  // the dealer's chances captions
    double firstChance;        // the dealer's chances 17 row
};
// In the order of the members above.
constexpr PanelLayout kTableLayout{6540, 7185, 7125, 2550, 2460, 6540, 4140};
constexpr PanelLayout kDeskLayout{165, 795, 795, 1380, 1290, 210, 2850};

bool isCardTable(Program program) {
    return program == Program::CardTable;
}

const char* byProgram(Program program, const char* cardTable, const char* oddsDesk) {
    return isCardTable(program) ? cardTable : oddsDesk;
}

// A holder of the panel's state: a label the user never sees.
void holder(Element& e) {
    e.setVisible(false);
}

// A caption in white on the panel's dark grey.
void caption(Element& e, const char* text, double left, double top, double width, double height,
             double size = kSmall) {
    e.setCaption(text);
    e.setGeometry(left, top, width, height);
    e.setFont(kFont, size);
    e.setForeColor(kWhite);
    e.setBackColor(kPanelGrey);
    e.setOpaque(true);
}

// White text on a transparent background, drawn over the bar it belongs to; hidden at start.
void figure(Element& e, double left, double top, double width, double height) {
    e.setGeometry(left, top, width, height);
    e.setFont(kFont, kSmall);
    e.setForeColor(kWhite);
    e.setOpaque(false);
    e.setVisible(false);
}

// An opaque block of colour whose width shows a value; hidden at start.
void bar(Element& e, double left, double top, double width, forms::Colour colour) {
    e.setGeometry(left, top, width, 195);
    e.setBackColor(colour);
    e.setOpaque(true);
    e.setVisible(false);
}

void whiteLine(Element& e, double x, double y1, double y2) {
    e.setLine(x, y1, x, y2);
    e.setForeColor(kWhite);
}

// The index of the value strictly above each other of the first `count`; -1 when the top
// values are equal.
int strictlyHighest(const double* values, int count) {
    for (int i = 0; i < count; ++i) {
        bool above = true;
        for (int j = 0; j < count; ++j)
            if (j != i && !(values[i] > values[j])) above = false;
        if (above) return i;
    }
    return -1;
}

std::string cardText(int value) {
    return std::to_string(value);
}

}  // namespace

OddsPanel::OddsPanel(forms::Window& window, Program program)
    : lplay(window, ElementKind::Label, "lplay", 1, 21),
      lptot(window, ElementKind::Label, "lptot"),
      ldeal(window, ElementKind::Label, "ldeal"),
      upCard(window, ElementKind::Label, byProgram(program, "Label13", "Label7")),
      rowStand(window, ElementKind::Label, byProgram(program, "Label17", "Label2")),
      rowHit(window, ElementKind::Label, byProgram(program, "Label16", "Label4")),
      rowDouble(window, ElementKind::Label, "Label9"),
      rowSplit(window, ElementKind::Label, "Label11"),
      evenLabel(window, ElementKind::Label, byProgram(program, "Label14", "Label5")),
      Line1(window, ElementKind::Line, "Line1"),
      Line2(window, ElementKind::Line, "Line2"),
      Line3(window, ElementKind::Line, "Line3"),
      lstandper(window, ElementKind::Label, "lstandper"),
      lhitper(window, ElementKind::Label, "lhitper"),
      Ldoubper(window, ElementKind::Label, "Ldoubper"),
      lspliper(window, ElementKind::Label, "lspliper"),
      lstandpe(window, ElementKind::Label, "lstandpe"),
      lhitpe(window, ElementKind::Label, "lhitpe"),
      ldoubpe(window, ElementKind::Label, "ldoubpe"),
      Lsplipe(window, ElementKind::Label, "Lsplipe"),
      Label3(window, ElementKind::Label, "Label3"),
      Ladd2(window, ElementKind::Label, "Ladd2"),
      Ladd(window, ElementKind::Label, "Ladd"),
      lblDealProb(window, ElementKind::Label, "lblDealProb"),
      l17(window, ElementKind::Label, "l17"),
      l18(window, ElementKind::Label, "l18"),
      l19(window, ElementKind::Label, "l19"),
      l20(window, ElementKind::Label, "l20"),
      l21(window, ElementKind::Label, "l21"),
      bustCaption(window, ElementKind::Label, byProgram(program, "Label7", "lbust")),
      l17l(window, ElementKind::Label, "l17l"),
      l18l(window, ElementKind::Label, "l18l"),
      l19l(window, ElementKind::Label, "l19l"),
      l20l(window, ElementKind::Label, "l20l"),
      l21l(window, ElementKind::Label, "l21l"),
      lbustl(window, ElementKind::Label, "lbustl"),
      l17t(window, ElementKind::Label, "l17t"),
      l18t(window, ElementKind::Label, "l18t"),
      l19t(window, ElementKind::Label, "l19t"),
      l20t(window, ElementKind::Label, "l20t"),
      l21t(window, ElementKind::Label, "l21t"),
      lbustt(window, ElementKind::Label, "lbustt"),
      program_(program) {
    const bool table = isCardTable(program);
    const PanelLayout& at = table ? kTableLayout : kDeskLayout;

    // The working labels: the cards, the total, the up-card value, the last best action
    // and the calculator's hand text.
    for (int i = lplay.lower(); i <= lplay.upper(); ++i) holder(lplay(i));
    holder(lptot);
    holder(ldeal);
    holder(Label3);
    holder(Ladd);

    // The up-card as shown ("A" or the value) and the hand line: only the calculator
    // shows them.
    if (table) {
        upCard.setGeometry(7185, 1350, 375, 285);
        holder(upCard);
        holder(Ladd2);
    } else {
        caption(upCard, "", 795, 360, 375, 285, kLarge);
        caption(Ladd2, "", 780, 990, 3045, 270, kLarge);
    }

    // The four action rows: caption, value over its bar. A bar of value 0 ends at the
    // EVEN mark, kBarUnit right of the bars' left edge.
    Element* rows[] = {&rowStand, &rowHit, &rowDouble, &rowSplit};
    Element* bars[] = {&lstandper, &lhitper, &Ldoubper, &lspliper};
    Element* values[] = {&lstandpe, &lhitpe, &ldoubpe, &Lsplipe};
    const char* words[] = {"Stand", "Hit", "Double", "Split"};
    for (int r = 0; r < 4; ++r) {
        const double top = at.firstRow + 210 * r;
        caption(*rows[r], words[r], at.rowLeft, top, 585, 195);
        bar(*bars[r], at.barLeft, top + 30, kBarUnit, kRed);
        figure(*values[r], at.valueLeft, top, 885, 195);
    }
    const double evenX = at.barLeft + kBarUnit;
    const double lineTop = at.lineTop;
    whiteLine(Line1, evenX, lineTop, lineTop + 570);
    whiteLine(Line2, evenX, lineTop + 210, lineTop + 780);
    whiteLine(Line3, evenX, lineTop + 420, lineTop + 990);
    caption(evenLabel, "EVEN", evenX - 285, lineTop + 990, 630, 225);

    // The dealer's chances: heading and six rows. Each row's figure and bar are named one
    // row off from its caption: the BUST row holds l17t and l17l, the 17 row l18t and l18l.
    const double chanceCaptionLeft = at.chanceCaptionLeft;
    const double chanceFigureLeft = chanceCaptionLeft + 690;
    const double chanceBarLeft = chanceCaptionLeft + 630;
    const double firstChance = at.firstChance;
    caption(lblDealProb, "Dealer's Chances", chanceCaptionLeft - 30, firstChance - 240, 1620, 195);
    Element* captions[] = {&l17, &l18, &l19, &l20, &l21, &bustCaption};
    Element* chanceBars[] = {&l18l, &l19l, &l20l, &l21l, &lbustl, &l17l};
    Element* chanceFigures[] = {&l18t, &l19t, &l20t, &l21t, &lbustt, &l17t};
    const char* totals[] = {"17", "18", "19", "20", "21", "BUST"};
    for (int r = 0; r < 6; ++r) {
        const double top = firstChance + 210 * r;
        const double height = (r == 3 || r == 5) ? 225 : 195;
        caption(*captions[r], totals[r], chanceCaptionLeft, top, 585, height);
        bar(*chanceBars[r], chanceBarLeft, top, 2595, kBlue);
        figure(*chanceFigures[r], chanceFigureLeft, top - 30, 885, 195);
    }

    ldeal.onChange = [this] { ldeal_Change(); };
    upCard.onChange = [this] { Label13_Change(); };
}

double OddsPanel::cell(const double (&table)[12][32], int upCard, int code) {
    if (upCard < 1 || upCard > 11 || code < 1 || code > 31) return 0;
    return table[upCard][code];
}

const std::string& OddsPanel::handText() const {
    return isCardTable(program_) ? callHandText_ : Ladd.caption();
}

void OddsPanel::setHandText(std::string text) {
    if (isCardTable(program_))
        callHandText_ = std::move(text);
    else
        Ladd.setCaption(std::move(text));
}

void OddsPanel::showActionLabels(bool visible) {
    for (Element* e :
         {&lstandpe, &lhitpe, &ldoubpe, &Lsplipe, &lstandper, &lhitper, &Ldoubper, &lspliper})
        e->setVisible(visible);
}

void OddsPanel::dd_Click(int Index) {
    if (OddsHandBusted == 1 || ldeal.caption().empty() || Index == 0) return;
    // Every holder taken means 21 cards worth 21 at the least: there is no room for a
    // further card, and no hand it could make, so the card leaves the panel as it was.
    const int k = firstEmptyHolder();
    if (k > lplay.upper()) return;

    callHandText_.clear();
    lstandper.setWidth(0);
    lhitper.setWidth(0);
    if (Index == 1) Index = 11;  // an ace counts 11 until the hand needs it as 1

    // The values show from the second card on.
    showActionLabels(k > 1);
    // After a split of aces the panel stays empty with its values hidden.
    if (k == 1 && tableSplitAces()) return;

    recordCard(k, Index);
    totalCards();
    if (cardSum() >= 22) countAcesAsOne();
    if (forms::val(lptot.caption()) > 21) bustHand();
    recompute(true);
}

// The first holder without a card; one past the last when all are taken.
int OddsPanel::firstEmptyHolder() const {
    int k = 1;
    while (k <= lplay.upper() && !lplay(k).caption().empty()) ++k;
    return k;
}

// Whether the table game has split a pair of aces (cardtable only).
bool OddsPanel::tableSplitAces() const {
    return isCardTable(program_) && game_ && game_->AcePairSplit() == 1;
}

// What comes before a later card's value, so that the hand text reads as a sum.
std::string OddsPanel::cardPrefix() const {
    return isCardTable(program_) ? "+" : " + ";
}

// The card goes into holder k and is added to the hand text.
void OddsPanel::recordCard(int k, int value) {
    if (k == 1) {
        lplay(1).setCaption(cardText(value));
        setHandText(lplay(1).caption());
    } else {
        lplay(k).setCaption(cardPrefix() + cardText(value));
        setHandText(handText() + lplay(k).caption());
    }
}

// The total of every card held, however long the hand, written into lptot card by card.
void OddsPanel::totalCards() {
    lptot.setCaption("");
    for (int i = 1; i <= lplay.upper(); ++i)
        lptot.setCaption(forms::text(card(i) + forms::val(lptot.caption())));
}

// The sum of the cards held, rounded to an integer.
double OddsPanel::cardSum() const {
    double sum = 0;
    for (int i = 1; i <= lplay.upper(); ++i) sum += card(i);
    return forms::roundHalfEven(sum);
}

// Over 21 with an ace counted 11: that ace counts 1 (a second one too, if the hand is still
// over), and the hand text and the total are rebuilt from all the cards.
void OddsPanel::countAcesAsOne() {
    setHandText("");
    demoteFirstAce();
    if (cardSum() > 21) demoteFirstAce();
    totalCards();
    std::string hand;
    for (int i = 1; i <= lplay.upper(); ++i) hand += lplay(i).caption();
    setHandText(hand);
}

// The first card above 10 (an ace counted 11) now counts 1.
void OddsPanel::demoteFirstAce() {
    for (int i = 1; i <= lplay.upper(); ++i) {
        if (card(i) > 10) {
            lplay(i).setCaption(i == 1 ? "1" : cardPrefix() + "1");
            return;
        }
    }
}

// A bust: the total is marked, the values go, and the panel ignores further cards until it
// is cleared. The split value keeps its text; the recomputation hides it.
void OddsPanel::bustHand() {
    lptot.setCaption("BUST " + lptot.caption());
    showActionLabels(false);
    OddsHandBusted = 1;
    Ladd2.setCaption(lptot.caption());
    lstandpe.setCaption("");
    lhitpe.setCaption("");
    ldoubpe.setCaption("");
}

void OddsPanel::pp_Click(int Index) {
    ldeal.setCaption(cardText(Index));
    if (forms::val(lptot.caption()) == 0) return;  // no card yet, or the hand is busted
    if (Index == 0) return;
    callHandText_.clear();
    recompute(false);
}

void OddsPanel::recompute(bool playerCard) {
    using forms::val;
    const bool table = isCardTable(program_);
    // The table game's own rules apply to the cards it deals, not to an up-card change.
    const bool tableCard = table && playerCard;

    Lsplipe.setVisible(false);
    const int t = static_cast<int>(forms::roundHalfEven(val(lptot.caption())));
    if (!table && !lplay(2).caption().empty() && playerPromptStep) playerPromptStep();

    const bool threeOrMore = hideTwoCardRows();
    const int PairCode = pairCode();
    const int HandCode = handCode(t);

    int d = static_cast<int>(forms::roundHalfEven(val(ldeal.caption())));
    if (t == 0 || d == 0) return;

    for (Element* b : {&lstandper, &lhitper, &Ldoubper, &lspliper}) b->setBackColor(kRed);
    if (tableCard && d == 11) d = 1;

    lookUpValues(d, t, HandCode, PairCode);
    // A split hand is not split again.
    if (tableCard && game_ && game_->SplitStage() > 0) Lsplipe.setCaption("-2");

    markBestAction(threeOrMore);
    drawBars();
    writeHandLine();
    if (tableCard) dropSplitOfUnequalTens();
}

double OddsPanel::card(int i) const {
    return forms::val(lplay(i).caption());
}

// With three or more cards only standing and hitting remain: the double and split rows are
// hidden. True for such a hand.
bool OddsPanel::hideTwoCardRows() {
    bool threeOrMore = false;
    for (int i = 3; i <= lplay.upper(); ++i)
        if (card(i) > 0) threeOrMore = true;
    if (threeOrMore)
        for (Element* e : {&Lsplipe, &ldoubpe, &lspliper, &Ldoubper}) e->setVisible(false);
    return threeOrMore;
}

// The pair's row: 2s .. 10s give 1 .. 9, aces 10; -2 for no pair. A pair of two cards
// shows its split value.
int OddsPanel::pairCode() {
    int PairCode = -2;
    const double first = card(1);
    const double second = card(2);
    if (first == second) {
        Lsplipe.setVisible(true);
        if (first == 1)
            PairCode = 10;
        else if (first >= 2 && first <= 10)
            PairCode = static_cast<int>(first) - 1;
    }
    if ((first == 11 && second == 1) || (first == 1 && second == 11)) {
        Lsplipe.setVisible(true);
        PairCode = 10;
    }
    if (card(3) > 0) Lsplipe.setVisible(false);
    return PairCode;
}

// The hand's row: a soft total (an ace counted 11) is 21 + the rest, any other the total t.
int OddsPanel::handCode(int t) const {
    double sum = 0;
    bool elevenHeld = false;
    for (int i = 1; i <= lplay.upper(); ++i) {
        sum += card(i);
        if (card(i) == 11) elevenHeld = true;
    }
    const int s = static_cast<int>(forms::roundHalfEven(sum));
    return (elevenHeld && s - 11 >= 1 && s - 11 <= 10) ? 21 + (s - 11) : t;
}

// The four values for up-card d; "-2" for no split.
void OddsPanel::lookUpValues(int d, int t, int HandCode, int PairCode) {
    using forms::text;
    lstandpe.setCaption(text(cell(tables.StandEvTable, d, t)));
    lhitpe.setCaption(text(cell(tables.HitEvTable, d, HandCode)));
    ldoubpe.setCaption(text(cell(tables.DoubleEvTable, d, HandCode)));
    Lsplipe.setCaption(PairCode < 1 ? "-2" : text(cell(tables.SplitEvTable, d, PairCode)));
}

// The best action: strictly above the others; with three or more cards only stand and
// hit compete. On equal top values nothing is marked and the last mark stays.
void OddsPanel::markBestAction(bool threeOrMore) {
    using forms::val;
    const double values[] = {val(lstandpe.caption()), val(lhitpe.caption()), val(ldoubpe.caption()),
                             val(Lsplipe.caption())};
    const int best = strictlyHighest(values, threeOrMore ? 2 : 4);  // 0 stand .. 3 split
    if (best < 0) return;
    Element* bars[] = {&lstandper, &lhitper, &Ldoubper, &lspliper};
    Element* rows[] = {&rowStand, &rowHit, &rowDouble, &rowSplit};
    const char* words[] = {"STAND:", "HIT:", "DOUBLE:", "Split:"};
    bars[best]->setBackColor(kGreen);
    Label3.setCaption(words[best]);
    // Only the calculator emphasises the best action's row caption.
    if (!isCardTable(program_))
        for (int r = 0; r < 4; ++r) rows[r]->setFontBold(r == best);
}

// Each bar as long as its value: -1 at the bar's left end; a double or split value of -1
// or less leaves no bar.
void OddsPanel::drawBars() {
    using forms::val;
    auto width = [](double value) { return forms::toSingle(kBarUnit * (value + 1)); };
    const double D = val(ldoubpe.caption());
    const double P = val(Lsplipe.caption());
    lstandper.setWidth(width(val(lstandpe.caption())));
    lhitper.setWidth(width(val(lhitpe.caption())));
    Ldoubper.setWidth(D > -1 ? width(D) : 0.0f);
    lspliper.setWidth(P > -1 ? width(P) : 0.0f);
}

// The hand line: the hand text, and its total once the hand holds two cards.
void OddsPanel::writeHandLine() {
    Ladd2.setCaption("");
    if (card(2) > 0)
        Ladd2.setCaption(handText() + " = " + lptot.caption());
    else
        Ladd2.setCaption(handText());
}

// Two ten-value cards of different rank (a king and a queen) are no pair to split.
void OddsPanel::dropSplitOfUnequalTens() {
    if (game_ && game_->PlayerHand(1) == 10 && game_->PlayerHand(2) == 10 &&
        game_->PairDealt() != 1) {
        lspliper.setWidth(0);
        Lsplipe.setCaption("");
    }
}

void OddsPanel::Command12_Click() {
    // Drop the best action's emphasis. The calculator's row captions carry it; the table
    // never sets it, so there this changes nothing.
    for (Element* e : {&rowStand, &rowHit, &rowSplit, &rowDouble}) e->setFontBold(false);

    for (Element* e :
         {&lstandper, &lhitper, &lspliper, &Ldoubper, &lstandpe, &lhitpe, &Lsplipe, &ldoubpe})
        e->setVisible(false);
    OddsHandBusted = 0;
    ldeal.setCaption("");  // refills the dealer's chances, hidden again below

    // All card holders, the eleventh card's too: a card left there from an earlier hand
    // would count in the next hand's soft-hand test.
    for (int i = lplay.lower(); i <= lplay.upper(); ++i) lplay(i).setCaption("");
    lptot.setCaption("");

    for (Element* e : {&lstandper, &lhitper, &Ldoubper, &lspliper}) e->setWidth(0);
    if (!isCardTable(program_)) Ladd.setCaption("");  // the calculator's hand text
    for (Element* e : {&lstandpe, &lhitpe, &ldoubpe, &Lsplipe, &Label3, &Ladd2}) e->setCaption("");

    for (Element* e : {&l17t, &l18t, &l19t, &l20t, &l21t, &lbustt}) e->setVisible(false);
    for (Element* e : {&l17l, &l18l, &l19l, &l20l, &l21l, &lbustl}) e->setVisible(false);
}

void OddsPanel::ldeal_Change() {
    // The up-card as the player reads it: "A" for an ace keyed as 1.
    if (forms::val(ldeal.caption()) == 1)
        upCard.setCaption("A");
    else
        upCard.setCaption(ldeal.caption());
}

void OddsPanel::Label13_Change() {
    // The dealer's table counts the ace as 11; "A" and an empty up-card read 0.
    int column = static_cast<int>(forms::roundHalfEven(forms::val(upCard.caption())));
    if (column == 0) column = 11;

    Element* figures[] = {&l17t, &l18t, &l19t, &l20t, &l21t, &lbustt};
    Element* bars[] = {&l17l, &l18l, &l19l, &l20l, &l21l, &lbustl};
    for (Element* e : figures) e->setVisible(true);
    for (int r = 1; r <= 6; ++r) {
        const double p = (column >= 1 && column <= 11) ? tables.DealerOutcomeTable[r][column] : 0;
        figures[r - 1]->setCaption(forms::text(p));
        bars[r - 1]->setWidth(forms::toSingle(kChanceUnit * p));
    }
    for (Element* e : bars) e->setVisible(true);
}

OddsCover::OddsCover(forms::Window& window, forms::Element& mnuodds)
    : Picture1(window, ElementKind::PictureBox, "Picture1"),
      Command17(window, ElementKind::Button, "Command17"),
      mnuodds_(mnuodds) {
    Picture1.setGeometry(6180, 2430, 3315, 2985);
    Picture1.setPicture("felt");
    Picture1.setVisible(false);

    Command17.setCaption("Hide Odds");
    Command17.setVisible(false);
    Command17.onClick = [this] { Command17_Click(); };
}

void OddsCover::Command17_Click() {
    if (Command17.caption() != "Hide Odds") {
        Command17.setCaption("Hide Odds");
        Picture1.setVisible(false);  // odds shown
    } else {
        Picture1.setVisible(true);  // odds covered
        Command17.setCaption("Show Odds");
    }
}

void OddsCover::mnuodds_Click() {
    // The menu caption alone decides; the button's caption is forced so the toggle goes
    // the same way whatever it held.
    if (mnuodds_.caption() != "Show Odds") {
        mnuodds_.setCaption("Show Odds");
        Command17.setCaption("Hide Odds");
    } else {
        mnuodds_.setCaption("Hide Odds");
        Command17.setCaption("Show Odds");
    }
    Command17_Click();
}

}  // namespace odds

#pragma once

// The odds panel that both programs carry: the five tables of expected results, the
// player card entry (dd_Click), the dealer up-card entry (pp_Click), the panel's clear
// (Command12_Click) and the dealer's chances (ldeal_Change, Label13_Change). The two
// programs differ in a few marked branches, chosen by Program.

#include <functional>
#include <string>

#include "forms/Window.h"
#include "odds/OddsTables.h"

namespace odds {

enum class Program {
    CardTable,  // the table game: hand-text prefix "+", reads the game's split state
    OddsDesk,   // the calculator: prefix " + ", hand text kept in Ladd, row-caption emphasis
};

// What the table game's panel reads of the game (cardtable only).
class TableGameState {
public:
    virtual ~TableGameState() = default;
    virtual int SplitStage() const = 0;
    virtual int AcePairSplit() const = 0;
    virtual int PairDealt() const = 0;
    // The values of the player's cards as stored, index 1 and 2.
    virtual int PlayerHand(int index) const = 0;
};

// The panel's elements are stacked in the order of the members below (bars before the
// figures that lie on them). A window that lays a picture over the panel (the table's
// Picture3, the odds cover) constructs it after the panel, so that it lies above.
class OddsPanel {
public:
    // Creates the panel's elements on `window`, laid out for `program`, and binds the change
    // handlers of ldeal (ldeal_Change) and of the up-card mirror (Label13_Change).
    OddsPanel(forms::Window& window, Program program);

    Program program() const { return program_; }
    // The table game whose split state the cardtable panel reads; without one it reads no
    // split, no split of aces and skips the ten-pair test. The game must outlive the panel.
    void setTableGame(const TableGameState* game) { game_ = game; }
    // The calculator's player prompt step, run inside the recomputation once the hand
    // holds a second card (lplay(2) filled): by every accepted player card, the card that
    // busts the hand included, and by an up-card change while cards are in the panel. The
    // calculator binds it to stop Timer2 and show Image2. Not run in cardtable.
    std::function<void()> playerPromptStep;

    // Puts the 930 values into the tables; each window calls it once from its load.
    void fillTables() { tables.fill(); }
    OddsTables tables;

    // A player card: 2..10, 1 or 11 for an ace.
    void dd_Click(int Index);
    // The dealer's up-card: 2..10, 1 or 11 for an ace.
    void pp_Click(int Index);
    // Clears the panel.
    void Command12_Click();
    void ldeal_Change();
    // The dealer's chances; the calculator calls its mirror label Label7.
    void Label13_Change();
    void Label7_Change() { Label13_Change(); }

    // 1 once the panel's total passed 21; player cards are ignored until it is cleared.
    int OddsHandBusted = 0;

    // The panel's display elements (hidden holders keep its state).
    forms::ControlArray lplay;  // 1..21: one player card each
    forms::Element lptot;       // the total, or "BUST " and the total
    forms::Element ldeal;       // the up-card value
    forms::Element upCard;      // Label13 in cardtable, Label7 in oddsdesk: "A" or the value
    forms::Element rowStand, rowHit, rowDouble, rowSplit;  // row captions
    forms::Element evenLabel;                              // "EVEN" (Label14 / Label5)
    forms::Element Line1, Line2, Line3;
    forms::Element lstandper, lhitper, Ldoubper, lspliper;  // bars
    forms::Element lstandpe, lhitpe, ldoubpe, Lsplipe;      // values
    forms::Element Label3;                                  // word of the last best action
    forms::Element Ladd2;                                   // the hand line
    forms::Element Ladd;                                    // the calculator's hand text
    // The dealer's chances block.
    forms::Element lblDealProb;
    forms::Element l17, l18, l19, l20, l21, bustCaption;  // bustCaption: Label7 / lbust
    forms::Element l17l, l18l, l19l, l20l, l21l, lbustl;  // bars
    forms::Element l17t, l18t, l19t, l20t, l21t, lbustt;  // figures, above the bars

private:
    // The steps of a player card, in order.
    int firstEmptyHolder() const;
    bool tableSplitAces() const;
    std::string cardPrefix() const;
    void recordCard(int k, int value);
    void totalCards();
    double cardSum() const;
    void countAcesAsOne();
    void demoteFirstAce();
    void bustHand();

    // Steps from the hidden split value to the hand line, shared by a player card and an
    // up-card change; `playerCard` selects the player card's extra rules in cardtable.
    void recompute(bool playerCard);
    // The steps of the recomputation, in order.
    double card(int i) const;  // the number of lplay(i)
    bool hideTwoCardRows();
    int pairCode();
    int handCode(int t) const;
    void lookUpValues(int d, int t, int HandCode, int PairCode);
    void markBestAction(bool threeOrMore);
    void drawBars();
    void writeHandLine();
    void dropSplitOfUnequalTens();
    const std::string& handText() const;
    void setHandText(std::string text);
    void showActionLabels(bool visible);
    // A table cell, 0 outside the declared bounds.
    static double cell(const double (&table)[12][32], int upCard, int code);

    Program program_;
    const TableGameState* game_ = nullptr;
    // cardtable's hand text: lives for one call and starts empty each time.
    std::string callHandText_;
};

// The cover of cardtable's odds panel, shown and hidden from the Options menu. The table
// window constructs it after its OddsPanel, so that the cover lies above every label of the
// panel and of the dealer's chances.
class OddsCover {
public:
    // `mnuodds` is the Options menu item owned by the table window, which also gives it its
    // design caption and binds its click.
    OddsCover(forms::Window& window, forms::Element& mnuodds);

    forms::Element Picture1;   // felt over the whole panel; visible = odds hidden
    forms::Element Command17;  // never visible; its caption is the toggle's state

    void Command17_Click();
    void mnuodds_Click();

private:
    forms::Element& mnuodds_;
};

}  // namespace odds

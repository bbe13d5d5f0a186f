#pragma once

// A loaded table (bankroll 1000 from the default settings) with helpers to deal scripted
// cards and play a hand to its end. Card numbers: 1..13 are the clubs from the ace to the
// king, so a number below 10 is that pip, 10..13 are ten-values and 14 is another ace.

#include <initializer_list>
#include <string>
#include <vector>

#include "TableFixture.h"
#include "forms/Conversions.h"

namespace cards {
constexpr int Ace = 1;
constexpr int Ten = 10;
constexpr int Jack = 11;
constexpr int Queen = 12;
constexpr int King = 13;
constexpr int AceOfDiamonds = 14;
constexpr int EightOfDiamonds = 21;
}  // namespace cards

class PlayFixture : public TableFixture {
protected:
    void SetUp() override {
        TableFixture::SetUp();
        load();
    }

    // A freshly loaded table, with the script, the draw count and the sounds cleared (for
    // each case of a table of cases).
    void fresh() {
        random.values.clear();
        random.draws = 0;
        sound.played.clear();
        load();
    }

    // Scripts the cards (in draw order) and clicks Deal with the bet, without ticking.
    void startDeal(std::initializer_list<int> script, const char* bet = "10") {
        random.scriptCards(script);
        w->Text1.setCaption(bet);
        w->Command3.click();
    }
    // Deals and runs the deal animation to its end.
    void deal(std::initializer_list<int> script, const char* bet = "10") {
        startDeal(script, bet);
        finishDealAnimation();
    }
    // Scripts further cards.
    void then(std::initializer_list<int> script) { random.scriptCards(script); }

    double chips() const { return forms::val(w->ltot.caption()); }
    double counter(const forms::Element& e) const { return forms::val(e.caption()); }
    bool scriptUsedUp() const { return random.values.empty(); }
    std::vector<std::string> soundsSince(std::size_t from) const {
        return {sound.played.begin() + static_cast<std::ptrdiff_t>(from), sound.played.end()};
    }
    // Plays a hand: deals the scripted cards (all of the hand's draws, in order), runs the
    // animation, then the actions in order (H hit, S stand, D double, P split, I take
    // insurance, N decline it), and runs the reveal to its end.
    void playHand(const std::vector<int>& script, const std::string& actions,
                  const char* bet = "10") {
        for (int n : script) random.scriptCard(n);
        w->Text1.setCaption(bet);
        w->Command3.click();
        finishDealAnimation();
        for (char a : actions) {
            switch (a) {
                case 'H':
                    w->Command1.click();
                    break;
                case 'S':
                    w->Command5.click();
                    break;
                case 'D':
                    w->Command8.click();
                    break;
                case 'P':
                    w->cmdsplit.click();
                    break;
                case 'I':
                    w->insurance.click();
                    break;
                case 'N':
                    w->insuranceno.click();
                    break;
                default:
                    ADD_FAILURE() << "unknown action " << a;
            }
        }
        finishReveal();
    }

    // Switches both timers to a fast interval.
    void fast(int interval = 80) {
        w->Tp1.setInterval(interval);
        w->timdeal.setInterval(interval);
    }
};

#pragma once

// The five tables of expected results and dealer outcome probabilities. Indexed from 1, as
// the panel reads them; cells outside the filled ranges read 0.

namespace odds {

struct OddsTables {
    // (up-card 1..10, player's total 1..21)
    double StandEvTable[12][32] = {};
    // (up-card 1..10, HandCode 4..31)
    double HitEvTable[12][32] = {};
    double DoubleEvTable[12][32] = {};
    // (up-card 1..10, PairCode 1..10)
    double SplitEvTable[12][32] = {};
    // (outcome 1..6: bust, 17, 18, 19, 20, 21; up-card 2..11, ace = 11)
    double DealerOutcomeTable[7][12] = {};

    // Stores the 930 values.
    void fill();
};

}  // namespace odds

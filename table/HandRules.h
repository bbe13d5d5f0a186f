#pragma once

// Small rules shared by the play chapters: a hand's total with the ace rule, its text,
// and the hidden result counters.

#include <string>

#include "forms/Conversions.h"
#include "forms/Element.h"

namespace table {
namespace hand {

// The sum of the stored values 1..count.
inline int sum(const int* values, int count) {
    int total = 0;
    for (int i = 1; i <= count; ++i) total += values[i];
    return total;
}

// An ace counted 11 becomes 1: the first one in deal order, one per card added.
inline void demoteFirstAce(int* values, int count) {
    for (int i = 1; i <= count; ++i) {
        if (values[i] == 11) {
            values[i] = 1;
            return;
        }
    }
}

// The stored values in deal order joined by "+", e.g. 1+6+10.
inline std::string text(const int* values, int count) {
    std::string s;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) s += '+';
        s += std::to_string(values[i]);
    }
    return s;
}

// Adds `by` to a counter label; a blank counter reads 0.
inline void count(forms::Element& counter, int by = 1) {
    counter.setCaption(forms::text(forms::val(counter.caption()) + by));
}

// The highest and lowest bankroll marks follow the bankroll.
inline void updateMarks(forms::Element& lmax, forms::Element& lmin, const forms::Element& ltot) {
    if (forms::val(lmax.caption()) < forms::val(ltot.caption())) lmax.setCaption(ltot.caption());
    if (forms::val(lmin.caption()) > forms::val(ltot.caption())) lmin.setCaption(ltot.caption());
}

// The bankroll label moved by `amount` (negative for a loss).
inline void addToBankroll(forms::Element& ltot, double amount) {
    ltot.setCaption(forms::text(forms::val(ltot.caption()) + amount));
}

}  // namespace hand
}  // namespace table

// The five tables: their ranges, their agreement with one another, and the cells that do
// not follow their neighbours.

#include <gtest/gtest.h>

#include <cmath>

#include "odds/OddsTables.h"

namespace {

using odds::OddsTables;

class OddsTablesTest : public ::testing::Test {
protected:
    void SetUp() override { t.fill(); }
    OddsTables t;
};

// Dealer table column of an up-card of the action tables (ace 1 there, 11 here).
int dealerColumn(int upCard) {
    return upCard == 1 ? 11 : upCard;
}

TEST_F(OddsTablesTest, FilledRangesHoldValuesAndEverythingElseReadsZero) {
    // No grid value is 0.0000, so a zero inside a filled range is a missed cell.
    for (int a = 0; a < 12; ++a) {
        for (int b = 0; b < 32; ++b) {
            const bool up = a >= 1 && a <= 10;
            EXPECT_EQ(t.StandEvTable[a][b] != 0, up && b >= 1 && b <= 21) << a << "," << b;
            EXPECT_EQ(t.HitEvTable[a][b] != 0, up && b >= 4 && b <= 31) << a << "," << b;
            EXPECT_EQ(t.DoubleEvTable[a][b] != 0, up && b >= 4 && b <= 31) << a << "," << b;
            EXPECT_EQ(t.SplitEvTable[a][b] != 0, up && b >= 1 && b <= 10) << a << "," << b;
        }
    }
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 12; ++c)
            EXPECT_EQ(t.DealerOutcomeTable[r][c] != 0, r >= 1 && c >= 2) << r << "," << c;
}

TEST_F(OddsTablesTest, EachDealerColumnSumsToOneWithinItsRounding) {
    for (int c = 2; c <= 11; ++c) {
        double sum = 0;
        for (int r = 1; r <= 6; ++r) sum += t.DealerOutcomeTable[r][c];
        EXPECT_NEAR(sum, 1.0, 6 * 0.00005 + 1e-12) << "up-card " << c;
    }
}

// Standing on t wins when the dealer busts or ends below t and loses when the dealer ends
// above t; the dealer's table implies the stand value up to the rounding of the figures.
TEST_F(OddsTablesTest, StandValuesAgreeWithTheDealersChances) {
    for (int up = 1; up <= 10; ++up) {
        const int c = dealerColumn(up);
        for (int total = 1; total <= 21; ++total) {
            double expected = t.DealerOutcomeTable[1][c];
            for (int r = 2; r <= 6; ++r) {
                const int dealerTotal = 15 + r;
                if (dealerTotal < total) expected += t.DealerOutcomeTable[r][c];
                if (dealerTotal > total) expected -= t.DealerOutcomeTable[r][c];
            }
            EXPECT_NEAR(t.StandEvTable[up][total], expected, 0.0005)
                << "up-card " << up << ", total " << total;
        }
    }
}

TEST_F(OddsTablesTest, StandingOnSixteenOrLessIsOneValuePerUpCard) {
    for (int up = 1; up <= 10; ++up)
        for (int total = 1; total <= 16; ++total)
            EXPECT_EQ(t.StandEvTable[up][total], t.StandEvTable[up][16]);
    EXPECT_EQ(t.StandEvTable[1][1], -0.6670);
    EXPECT_EQ(t.StandEvTable[6][9], -0.1537);

    double largest = -10;
    for (int up = 1; up <= 10; ++up) {
        EXPECT_EQ(t.StandEvTable[up][17] > 0, up == 6) << up;
        for (int total = 1; total <= 21; ++total)
            largest = std::fmax(largest, t.StandEvTable[up][total]);
    }
    EXPECT_EQ(largest, t.StandEvTable[10][21]);
    EXPECT_EQ(t.StandEvTable[10][21], 0.9626);
}

TEST_F(OddsTablesTest, EqualRows) {
    for (int up = 1; up <= 10; ++up) {
        SCOPED_TRACE(up);
        EXPECT_EQ(t.HitEvTable[up][21], -1.0);
        EXPECT_EQ(t.DoubleEvTable[up][21], -2.0);
        // Soft 20 and soft 21 take no card that helps more than on hard 10 and 11.
        EXPECT_EQ(t.HitEvTable[up][30], t.HitEvTable[up][10]);
        EXPECT_EQ(t.HitEvTable[up][31], t.HitEvTable[up][11]);
        EXPECT_EQ(t.DoubleEvTable[up][30], t.DoubleEvTable[up][10]);
        EXPECT_EQ(t.DoubleEvTable[up][31], t.DoubleEvTable[up][11]);
        for (int code = 23; code <= 26; ++code)
            EXPECT_EQ(t.DoubleEvTable[up][code], t.DoubleEvTable[up][22]);
        EXPECT_EQ(t.DoubleEvTable[up][5], t.DoubleEvTable[up][4]);
        // Split aces get one card each, as a doubled soft 12 .. 21 would.
        EXPECT_EQ(t.SplitEvTable[up][10], t.DoubleEvTable[up][11]);
    }
}

TEST_F(OddsTablesTest, CellsOffTheRunOfTheirNeighbours) {
    struct Cell {
        const char* name;
        double value;
        double expected;
    };
    const Cell cells[] = {
        {"Hit(3,18)", t.HitEvTable[3][18], -0.7280},
        {"Hit(3,19)", t.HitEvTable[3][19], -0.7280},
        {"Hit(1,23)", t.HitEvTable[1][23], -0.0205},
        {"Hit(1,22)", t.HitEvTable[1][22], -0.0205},
        {"Hit(9,7)", t.HitEvTable[9][7], -0.2926},
        {"Hit(9,6)", t.HitEvTable[9][6], -0.2926},
        {"Hit(6,7)", t.HitEvTable[6][7], -0.0292},
        {"Double(2,7)", t.DoubleEvTable[2][7], -0.4538},
        {"Double(8,4)", t.DoubleEvTable[8][4], -1.2010},
        {"Double(8,5)", t.DoubleEvTable[8][5], -1.2010},
        {"Double(8,6)", t.DoubleEvTable[8][6], -1.0013},
        {"Dealer(1,11)", t.DealerOutcomeTable[1][11], 0.1665},
        {"Dealer(2,11)", t.DealerOutcomeTable[2][11], 0.1889},
        {"Dealer(3,11)", t.DealerOutcomeTable[3][11], 0.1889},
        {"Dealer(4,11)", t.DealerOutcomeTable[4][11], 0.1889},
        {"Dealer(5,11)", t.DealerOutcomeTable[5][11], 0.1889},
    };
    for (const Cell& c : cells) EXPECT_EQ(c.value, c.expected) << c.name;
}

}  // namespace

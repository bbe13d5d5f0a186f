#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "forms/Conversions.h"

using namespace forms;

TEST(Val, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0},          {"abc", 0},      {"BUST 24", 0},
        {"+6", 6},        {" + 6", 6},     {"-0.2928", -0.2928},
        {"987.5", 987.5}, {" 2500", 2500}, {"1 2 3", 123},
        {"12abc", 12},    {"3.", 3},       {".5", 0.5},
        {"-", 0},         {"+", 0},        {"1e3", 1000},
        {"2E-2", 0.02},   {"7e", 7},       {"1.5.5", 1.5},
        {"--5", 0},       {"10 = 10", 10},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(val(c.text), c.expected) << '"' << c.text << '"';
}

TEST(Val, OverflowIsNotANumber) {
    EXPECT_EQ(val("1e999"), 0.0);
    EXPECT_FALSE(startsWithNumber("1e999"));
    EXPECT_FALSE(startsWithNumber("-1e999"));
    EXPECT_TRUE(startsWithNumber(" 12"));
    EXPECT_FALSE(startsWithNumber("x12"));
}

TEST(Text, PlainConversion) {
    struct Case {
        double value;
        const char* expected;
    } cases[] = {
        {0, "0"},
        {0.5, "0.5"},
        {987.5, "987.5"},
        {-0.2928, "-0.2928"},
        {1455 * (1 + -0.5404), "668.718"},
        {1455 * (1 + -0.5398), "669.591"},
        {1000, "1000"},
        {-20, "-20"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E+15"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {-1.5e20, "-1.5E+20"},
        {0.124, "0.124"},
    };
    for (const auto& c : cases) EXPECT_EQ(text(c.value), c.expected) << c.value;
}

TEST(Text, RoundTripsThroughVal) {
    for (double v : {0.3536, -1.0797, 7.5, 2200.64, 1838.72, 32767.0})
        EXPECT_DOUBLE_EQ(val(text(v)), v);
}

TEST(Str, LeadingSpaceWhenNotNegative) {
    EXPECT_EQ(str(2500), " 2500");
    EXPECT_EQ(str(0), " 0");
    EXPECT_EQ(str(-3.5), "-3.5");
}

TEST(Trim, SpacesOnly) {
    EXPECT_EQ(trim("  0 "), "0");
    EXPECT_EQ(trim("    "), "");
    EXPECT_EQ(trim("\tx "), "\tx");
}

TEST(Integers, IntAndRoundHalfEven) {
    EXPECT_EQ(intPart(51.999), 51);
    EXPECT_EQ(intPart(-0.5), -1);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.51), 3);
    std::int16_t v = 0;
    EXPECT_TRUE(toInteger16(32767, v));
    EXPECT_EQ(v, 32767);
    EXPECT_FALSE(toInteger16(32768, v));
    EXPECT_TRUE(toInteger16(-32768.4, v));
    EXPECT_EQ(v, -32768);
    EXPECT_FALSE(toInteger16(std::numeric_limits<double>::infinity(), v));
}

TEST(Single, WidthsAreStoredInSinglePrecision) {
    EXPECT_EQ(toSingle(5200 * 0.3536), 1838.72f);
    EXPECT_NE(static_cast<double>(toSingle(1455 * (1 + -0.5404))), 1455 * (1 + -0.5404));
}

TEST(Locale, ConversionsIgnoreTheLocale) {
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!set) set = std::setlocale(LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ(text(987.5), "987.5");
    EXPECT_EQ(val("987.5"), 987.5);
    EXPECT_EQ(str(0.5), " 0.5");
    std::setlocale(LC_ALL, "C");
}

#pragma once

// The runtime's text and number conversions. Every amount on the table is kept as label
// text and read back with these, so they must behave the same whatever the user's locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace forms {

// The leading number of a text: blanks (space, tab, CR, LF) are skipped anywhere inside
// it, one leading sign is accepted, then digits with an optional decimal point and an
// optional exponent. Anything else ends the number. A text with no number reads 0
// ("", "abc", "BUST 24"). A number too large for a double also reads 0, so an overflow
// never becomes an infinite amount.
double val(std::string_view text);

// True when the text starts with a number that val() would read (blanks skipped) and
// that number fits a double.
bool startsWithNumber(std::string_view text);

// The plain conversion of a number to text: up to 15 significant digits, "." as decimal
// point, a zero before it, nothing after an integral value, a leading minus for a
// negative value, exponent form ("1E+15", "1E-05") outside 1E-4 .. 1E15.
std::string text(double value);

// Str(): as text(), with a leading space when the value is not negative.
std::string str(double value);

// Trim(): leading and trailing spaces removed.
std::string trim(std::string_view text);

// Int(): the largest integer not above the value.
double intPart(double value);

// CInt()/CLng(): rounds to the nearest integer, halves to the even neighbour.
std::int64_t roundHalfEven(double value);

// The 16-bit Integer conversion: roundHalfEven, and false when the result does not fit
// -32768..32767 (an Integer overflow).
bool toInteger16(double value, std::int16_t& out);

// Single precision, as a width or a height is stored.
inline float toSingle(double value) {
    return static_cast<float>(value);
}

}  // namespace forms

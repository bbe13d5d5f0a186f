// The runtime's conversions on arbitrary text and numbers, NaN, infinities, subnormals and
// halves included: text to number always gives a finite number; a number written as text
// has the plain form and reads back as the same number; Trim drops only the spaces at the
// ends; Int, rounding to an integer, the 16-bit Integer conversion and single precision
// stay within their bounds.

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "forms/Conversions.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Writing keeps 15 significant digits, so reading back may differ in the last bits only;
// a subnormal number has fewer bits than that, so it may differ by its smallest step.
bool close(double a, double b) {
    if (a == b) return true;
    return std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b)) +
                                   std::numeric_limits<double>::denorm_min();
}

// The digits and decimal points of a written number, from `begin` on.
struct Mantissa {
    std::size_t begin = 0;
    std::size_t end = 0;                    // the first character after them
    std::size_t point = std::string::npos;  // the decimal point, if there is one
    bool secondPoint = false;
    int significant = 0;  // the digits after any leading zeros
};

Mantissa readMantissa(const std::string& t, std::size_t begin) {
    Mantissa m{begin, begin};
    bool leadingZeros = true;
    for (; m.end < t.size() && (isDigit(t[m.end]) || t[m.end] == '.'); ++m.end) {
        if (t[m.end] == '.') {
            if (m.point != std::string::npos) {
                m.secondPoint = true;
                break;
            }
            m.point = m.end;
            continue;
        }
        if (t[m.end] != '0') leadingZeros = false;
        if (!leadingZeros) ++m.significant;
    }
    return m;
}

// Digits with at most one decimal point, which has a digit on either side and no zero at
// the end after it; at most 15 significant digits; no leading zero but the one before the
// point.
bool plainMantissa(const std::string& t, const Mantissa& m) {
    const std::string_view digits(t.data() + m.begin, m.end - m.begin);
    if (m.secondPoint || digits.empty() || m.significant > 15) return false;
    if (m.point != std::string::npos && (m.point == m.begin || m.point + 1 == m.end ||
                                         t[m.end - 1] == '0' || t[m.point - 1] == '.'))
        return false;
    return !(digits.size() > 1 && digits[0] == '0' && digits[1] != '.');
}

// The exponent form after the mantissa: one digit before any point, then E, a sign and two
// or three digits.
bool plainExponent(const std::string& t, const Mantissa& m) {
    if (m.point != std::string::npos && m.point != m.begin + 1) return false;
    const std::size_t e = m.end;
    if (t[e] != 'E' || e + 1 >= t.size() || (t[e + 1] != '+' && t[e + 1] != '-')) return false;
    const std::string_view exponent(t.data() + e + 2, t.size() - e - 2);
    if (exponent.size() < 2 || exponent.size() > 3) return false;
    for (char c : exponent)
        if (!isDigit(c)) return false;
    return true;
}

// The plain form: an optional minus, then the mantissa, then nothing or the exponent.
bool plainForm(const std::string& t) {
    const Mantissa m = readMantissa(t, t.starts_with('-') ? 1 : 0);
    if (!plainMantissa(t, m)) return false;
    return m.end == t.size() || plainExponent(t, m);
}

// Text and Str: the plain form with the value's sign, which reads back as the same number.
void checkText(double value) {
    const std::string text = forms::text(value);
    require(plainForm(text));
    require(text.starts_with('-') == (value < 0));
    require(forms::str(value) == (value < 0 ? text : " " + text));
    if (std::isnan(value)) require(text == "0");
    if (!std::isfinite(value)) return;
    const double back = forms::val(text);
    // The 15-digit text of the very largest doubles lies beyond the largest double, which
    // reads as 0.
    if (std::fabs(value) <= 1e308) {
        require(close(back, value));
        if (std::fabs(value) >= DBL_MIN) require(forms::text(back) == text);
        require(forms::startsWithNumber(text));
    } else {
        require(back == 0 || close(back, value));
    }
}

// Int(): the integer at or below the value.
void checkIntPart(double value) {
    const double whole = forms::intPart(value);
    if (std::isfinite(value)) {
        // An integral value is its own Int(); for any other, whole + 1 is exact (value - whole
        // may round up to 1 for a tiny negative value).
        require(std::floor(whole) == whole &&
                (whole == value || (whole < value && value < whole + 1)));
    } else {
        require(std::isnan(value) ? std::isnan(whole) : whole == value);
    }
}

// Rounding to an integer: the nearest one, a half to the even neighbour; nothing finite
// gives 0, a value beyond the 64-bit range gives its end.
void checkRounding(double value, std::int64_t rounded) {
    if (!std::isfinite(value)) {
        require(rounded == 0);
    } else if (std::fabs(value) < 9.2e18) {
        const double off = static_cast<double>(rounded) - value;
        require(std::fabs(off) <= 0.5);
        if (std::fabs(off) == 0.5) require(rounded % 2 == 0);
    } else {
        require(rounded == (value > 0 ? INT64_MAX : INT64_MIN));
    }
}

// The 16-bit Integer: the rounded value when it fits, else an overflow.
void checkInteger16(double value, std::int64_t rounded) {
    std::int16_t integer = 12345;
    const bool fits = forms::toInteger16(value, integer);
    require(fits == (std::isfinite(value) && rounded >= -32768 && rounded <= 32767));
    if (fits) require(integer == rounded);
}

// Single precision: the nearest float, within half a step of it.
void checkSingle(double value) {
    const float single = forms::toSingle(value);
    if (std::isnan(value)) {
        require(std::isnan(single));
    } else if (std::fabs(value) <= FLT_MAX) {
        require(std::fabs(static_cast<double>(single) - value) <=
                std::fabs(value) * 0x1p-24 + 0x1p-150);
    } else {
        require(std::isinf(single) || std::fabs(single) == FLT_MAX);
    }
}

void checkNumber(double value) {
    checkText(value);
    checkIntPart(value);
    const std::int64_t rounded = forms::roundHalfEven(value);
    checkRounding(value, rounded);
    checkInteger16(value, rounded);
    checkSingle(value);
}

void checkTrim(std::string_view input) {
    const std::string trimmed = forms::trim(input);
    require(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));
    // Only spaces at the ends are dropped: what is left stands in the text after them.
    const std::size_t start = input.find_first_not_of(' ');
    require(start == std::string_view::npos ? trimmed.empty()
                                            : input.substr(start).starts_with(trimmed));
    require(input.find_last_not_of(' ') + 1 ==
            (start == std::string_view::npos ? 0 : start + trimmed.size()));
    require(forms::val(trimmed) == forms::val(input));
}

// Numbers the text and bytes rarely give on their own, picked by one byte.
double special(std::uint8_t pick) {
    constexpr double values[] = {std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(),
                                 -0.0,
                                 std::numeric_limits<double>::denorm_min(),
                                 DBL_MAX,
                                 -DBL_MAX,
                                 DBL_MIN,
                                 32767.5,
                                 -32768.5,
                                 9.2e18,
                                 -2.5};
    return values[pick % std::size(values)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const double value = forms::val(input);
    require(std::isfinite(value) && !std::signbit(value == 0 ? value : 1.0));
    if (!forms::startsWithNumber(input)) require(value == 0);
    checkNumber(value);
    checkTrim(input);

    if (size >= 1) checkNumber(special(data[0]));
    if (size >= sizeof(std::int32_t)) {
        // Whole numbers and halves, where rounding has a tie to break.
        std::int32_t count;
        std::memcpy(&count, data, sizeof count);
        checkNumber(count / 2.0);
    }
    if (size >= sizeof(double)) {
        // Any double at all, NaN and infinities included.
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkNumber(raw);
    }
    return 0;
}

#include "forms/Conversions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace forms {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSign(char c) {
    return c == '+' || c == '-';
}
bool isExponentMark(char c) {
    return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

void skipBlanks(std::string_view text, std::size_t& i) {
    while (i < text.size() && isBlank(text[i])) ++i;
}

// A sign at `i`, if any: a minus is kept, a plus changes nothing and is dropped.
void collectSign(std::string_view text, std::size_t& i, std::string& out) {
    if (i < text.size() && isSign(text[i])) {
        if (text[i] == '-') out.push_back('-');
        ++i;
    }
}

// The digits from `i` with at most one decimal point among them; blanks between them are
// dropped, and `i` ends past the blanks that follow. Returns whether there was a digit.
bool collectMantissa(std::string_view text, std::size_t& i, std::string& out) {
    bool digits = false;
    bool point = false;
    for (skipBlanks(text, i); i < text.size(); skipBlanks(text, i)) {
        const char c = text[i];
        if (isDigit(c)) {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        out.push_back(c);
        ++i;
    }
    return digits;
}

// An exponent at `i`: E or D, blanks, an optional sign, then digits with blanks among them.
// It is kept only when it has a digit; otherwise the number ends before the letter.
void collectExponent(std::string_view text, std::size_t i, std::string& out) {
    if (i >= text.size() || !isExponentMark(text[i])) return;
    std::string exponent = "e";
    ++i;
    skipBlanks(text, i);
    collectSign(text, i, exponent);
    bool digits = false;
    for (skipBlanks(text, i); i < text.size() && isDigit(text[i]); skipBlanks(text, i)) {
        exponent.push_back(text[i]);
        digits = true;
        ++i;
    }
    if (digits) out += exponent;
}

// Collects the characters of the leading number, blanks dropped, in a form that
// std::from_chars reads. Returns false when the text holds no digit of a mantissa.
bool collectNumber(std::string_view text, std::string& out) {
    out.clear();
    std::size_t i = 0;
    skipBlanks(text, i);
    collectSign(text, i, out);
    if (!collectMantissa(text, i, out)) return false;
    collectExponent(text, i, out);
    return true;
}

bool parse(std::string_view text, double& value) {
    std::string number;
    if (!collectNumber(text, number)) return false;
    const char* first = number.data();
    const char* last = number.data() + number.size();
    // from_chars rejects a bare "-.5"-style lead only when no digit follows; "." alone
    // cannot reach here because a digit was collected.
    double parsed = 0.0;
    auto [ptr, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(parsed)) return false;
    (void)ptr;
    value = parsed;
    return true;
}

}  // namespace

double val(std::string_view text) {
    double value = 0.0;
    if (!parse(text, value)) return 0.0;
    return value == 0.0 ? 0.0 : value;  // never a negative zero
}

bool startsWithNumber(std::string_view text) {
    double value = 0.0;
    return parse(text, value);
}

namespace {

// A finite, non-zero number rounded to 15 significant digits: its sign, its digits without
// trailing zeros (at least one), and the power of ten of the first digit.
struct Significant {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Significant significant(double value) {
    // 15 significant digits in scientific form: d.dddddddddddddde[+-]x
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr);
    const std::size_t e = sci.find('e');
    Significant s;
    s.exponent = std::stoi(sci.substr(e + 1));
    for (char c : sci.substr(0, e)) {
        if (c == '-') s.negative = true;
        if (isDigit(c)) s.digits.push_back(c);
    }
    while (s.digits.size() > 1 && s.digits.back() == '0') s.digits.pop_back();
    return s;
}

// Very large and very small numbers: d.ddd, then E, the exponent's sign and at least two
// digits of it.
void appendScientific(std::string& out, const Significant& s) {
    out.push_back(s.digits[0]);
    if (s.digits.size() > 1) {
        out.push_back('.');
        out.append(s.digits, 1, std::string::npos);
    }
    char expText[16];
    std::snprintf(expText, sizeof expText, "E%c%02d", s.exponent < 0 ? '-' : '+',
                  s.exponent < 0 ? -s.exponent : s.exponent);
    out += expText;
}

// Every other number in plain decimals: a zero before the point of a fraction, nothing after
// an integral value.
void appendPlain(std::string& out, const Significant& s) {
    if (s.exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-s.exponent - 1), '0');
        out += s.digits;
        return;
    }
    const std::size_t intDigits = static_cast<std::size_t>(s.exponent) + 1;
    if (s.digits.size() <= intDigits) {
        out += s.digits;
        out.append(intDigits - s.digits.size(), '0');
    } else {
        out.append(s.digits, 0, intDigits);
        out.push_back('.');
        out.append(s.digits, intDigits, std::string::npos);
    }
}

}  // namespace

std::string text(double value) {
    if (std::isnan(value)) return "0";
    if (std::isinf(value)) return value > 0 ? "1.79769313486232E+308" : "-1.79769313486232E+308";
    if (value == 0.0) return "0";

    const Significant s = significant(value);
    std::string out;
    if (s.negative) out.push_back('-');
    if (s.exponent >= 15 || s.exponent < -4)
        appendScientific(out, s);
    else
        appendPlain(out, s);
    return out;
}

std::string str(double value) {
    std::string t = text(value);
    if (t.empty() || t[0] != '-') t.insert(t.begin(), ' ');
    return t;
}

std::string trim(std::string_view t) {
    std::size_t b = 0;
    std::size_t e = t.size();
    while (b < e && t[b] == ' ') ++b;
    while (e > b && t[e - 1] == ' ') --e;
    return std::string(t.substr(b, e - b));
}

double intPart(double value) {
    return std::floor(value);
}

std::int64_t roundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    if (value >= 9.2e18) return INT64_MAX;
    if (value <= -9.2e18) return INT64_MIN;
    return static_cast<std::int64_t>(std::nearbyint(value));  // default mode: ties to even
}

bool toInteger16(double value, std::int16_t& out) {
    if (!std::isfinite(value)) return false;
    const std::int64_t r = roundHalfEven(value);
    if (r < -32768 || r > 32767) return false;
    out = static_cast<std::int16_t>(r);
    return true;
}

}  // namespace forms

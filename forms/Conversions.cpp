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

// Collects the characters of the leading number, blanks dropped, in a form that
// std::from_chars reads. Returns false when the text holds no digit of a mantissa.
bool collectNumber(std::string_view text, std::string& out) {
    out.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out.push_back('-');
        ++i;
    }
    bool digits = false;
    bool point = false;
    while (true) {
        skipBlanks();
        if (i >= text.size()) break;
        const char c = text[i];
        if (isDigit(c)) {
            out.push_back(c);
            digits = true;
            ++i;
        } else if (c == '.' && !point) {
            out.push_back('.');
            point = true;
            ++i;
        } else {
            break;
        }
    }
    if (!digits) return false;
    // Optional exponent: E or D, an optional sign, then at least one digit.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        while (j < text.size() && isBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            if (text[j] == '-') exponent.push_back('-');
            ++j;
        }
        bool expDigits = false;
        while (j < text.size()) {
            if (isBlank(text[j])) {
                ++j;
                continue;
            }
            if (!isDigit(text[j])) break;
            exponent.push_back(text[j]);
            expDigits = true;
            ++j;
        }
        if (expDigits) out += exponent;
    }
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

std::string text(double value) {
    if (std::isnan(value)) return "0";
    if (std::isinf(value)) return value > 0 ? "1.79769313486232E+308" : "-1.79769313486232E+308";
    if (value == 0.0) return "0";

    // 15 significant digits in scientific form: d.dddddddddddddde[+-]x
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    const std::size_t e = sci.find('e');
    std::string mantissa = sci.substr(0, e);
    const int exponent = std::stoi(sci.substr(e + 1));
    bool negative = false;
    if (!mantissa.empty() && mantissa[0] == '-') {
        negative = true;
        mantissa.erase(0, 1);
    }
    std::string digits;
    for (char c : mantissa)
        if (isDigit(c)) digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (negative) out.push_back('-');
    if (exponent >= 15 || exponent < -4) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1, std::string::npos);
        }
        char expText[16];
        std::snprintf(expText, sizeof expText, "E%c%02d", exponent < 0 ? '-' : '+',
                      exponent < 0 ? -exponent : exponent);
        out += expText;
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
    } else {
        out.append(digits, 0, intDigits);
        out.push_back('.');
        out.append(digits, intDigits, std::string::npos);
    }
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

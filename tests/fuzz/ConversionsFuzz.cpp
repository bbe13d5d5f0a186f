// The runtime's conversions on arbitrary text and numbers: text to number always gives a
// finite number, and a number written as text reads back as the same number.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "forms/Conversions.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Writing keeps 15 significant digits, so reading back may differ in the last bits only.
bool close(double a, double b) {
    if (a == b) return true;
    return std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b));
}

void roundTrip(double value) {
    // Normal numbers (and zero) of a size the program can meet; the 15-digit text of the
    // very largest doubles lies beyond the largest double.
    if (!(value == 0 || (std::fabs(value) >= 1e-300 && std::fabs(value) <= 1e300))) return;
    const std::string text = forms::text(value);
    const double back = forms::val(text);
    require(close(back, value));
    require(forms::text(back) == text);
    require(forms::startsWithNumber(text));
    require(forms::str(value) == (value < 0 ? text : " " + text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const double value = forms::val(input);
    require(std::isfinite(value));
    if (!forms::startsWithNumber(input)) require(value == 0);
    roundTrip(value);

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        if (std::isfinite(raw)) roundTrip(raw);
    }
    return 0;
}

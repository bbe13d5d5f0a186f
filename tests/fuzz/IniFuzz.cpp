// Arbitrary bytes as a settings file, and arbitrary section and key names besides the
// program's own: reading never fails and values stay within their bounds; a write with a
// name that a file cannot hold is refused; any other write reads back as written, every
// other key keeps its value, a byte-order mark stays, and writing the same value again
// changes nothing (the key is updated where it stands, never added a second time).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/IniFile.h"

namespace ini = platform::ini;

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

constexpr std::string_view Mark = "\xEF\xBB\xBF";

// Names the program uses, spelled as a file may spell them, and names no file can hold.
const std::string Sections[] = {
    "Options", "options", " OPTIONS ", "Other", "", " ", "a]b", "x\ny", std::string("x\0y", 3),
    "[Options"};
const std::string Keys[] = {"Speed", "odds", "sound", "pot", "SPEED ", "",
                            "\t",    "a=b",  "[x",    ";x",  "x\ry",   std::string("x\0y", 3)};

struct Probe {
    std::string_view section, key;
};
constexpr Probe Probes[] = {
    {"Options", "Speed"}, {"Options", "odds"}, {"Options", "sound"},
    {"Options", "pot"},   {"Other", "Speed"},
};

using ini::isBlank;
using ini::trim;

// The same name, as the file compares names: blanks around it and case do not count.
bool sameName(std::string_view a, std::string_view b) {
    return ini::sameName(trim(a), trim(b));
}

// A name that a line of the file can hold: not blank, on one line, with no bracket that
// would end a section name and no "=" that would end a key; a key that does not read as a
// section or a comment.
bool writableName(std::string_view name, char ends, bool isKey) {
    const std::string_view t = trim(name);
    if (t.empty() || name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos ||
        name.find(ends) != std::string_view::npos)
        return false;
    return !isKey || (t.front() != '[' && t.front() != ';');
}

void checkBounds(const std::string& value) {
    require(value.size() <= ini::MaxValueLength);
    require(value.find('\0') == std::string::npos && value.find('\n') == std::string::npos);
    // Blanks before the value are dropped; a value cut at a NUL or at its length may end
    // in blanks, as the caller's buffer would hold it.
    require(value.empty() || !isBlank(value.front()));
}

std::string pickName(FuzzedDataProvider& in, const std::string* names, std::size_t count) {
    if (in.ConsumeBool()) return in.ConsumeRandomLengthString(24);
    return names[in.ConsumeIntegralInRange<std::size_t>(0, count - 1)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = pickName(in, Sections, std::size(Sections));
    const std::string key = pickName(in, Keys, std::size(Keys));
    const std::string value = in.ConsumeRandomLengthString(200);
    const bool marked = in.ConsumeBool();
    const std::string contents =
        (marked ? std::string(Mark) : std::string()) + in.ConsumeRemainingBytesAsString();

    std::string before[std::size(Probes)];
    for (std::size_t k = 0; k < std::size(Probes); ++k) {
        before[k] = ini::readValue(contents, Probes[k].section, Probes[k].key);
        checkBounds(before[k]);
    }
    checkBounds(ini::readValue(contents, section, key));

    const auto after = ini::writeValue(contents, section, key, value);
    require(after.has_value() ==
            (writableName(section, ']', false) && writableName(key, '=', true)));
    if (!after) return 0;

    // What the value reads as on a line of its own.
    const std::string line =
        "[Options]\nkey=" + value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    require(ini::readValue(*after, section, key) == ini::readValue(line, "Options", "key"));
    for (std::size_t k = 0; k < std::size(Probes); ++k)
        if (!sameName(Probes[k].section, section) || !sameName(Probes[k].key, key))
            require(ini::readValue(*after, Probes[k].section, Probes[k].key) == before[k]);
    if (contents.starts_with(Mark)) require(after->starts_with(Mark));
    require(ini::writeValue(*after, section, key, value) == after);
    return 0;
}

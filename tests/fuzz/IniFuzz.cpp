// Arbitrary bytes as a settings file: reading never fails, values stay within their bounds,
// and a write reads back as written while every other key keeps its value.

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

constexpr std::string_view Keys[] = {"Speed", "odds", "sound", "pot"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte tells how many of the next bytes are the value to write; the rest is
    // the file.
    const std::size_t valueLength = std::min<std::size_t>(data[0] % 48, size - 1);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view value = bytes.substr(0, valueLength);
    const std::string_view contents = bytes.substr(valueLength);

    std::string before[4];
    for (int k = 0; k < 4; ++k) {
        before[k] = ini::readValue(contents, "Options", Keys[k]);
        require(before[k].size() <= ini::MaxValueLength);
        require(before[k].find('\0') == std::string::npos);
    }
    const std::string otherBefore = ini::readValue(contents, "Other", "Speed");

    const int written = data[0] / 48 % 4;
    const auto after = ini::writeValue(contents, "Options", Keys[written], value);
    require(after.has_value());

    // What the value reads as on a line of its own.
    const std::string line = "[Options]\nkey=" + std::string(value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3))));
    require(ini::readValue(*after, "Options", Keys[written]) == ini::readValue(line, "Options", "key"));
    for (int k = 0; k < 4; ++k)
        if (k != written) require(ini::readValue(*after, "Options", Keys[k]) == before[k]);
    require(ini::readValue(*after, "Other", "Speed") == otherBefore);
    return 0;
}

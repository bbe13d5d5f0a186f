#pragma once

// The private-profile (INI) text format, on the file's contents in memory: a section name
// in square brackets, then one "key=value" line per key. Section and key names compare
// without regard to case; the first matching key of the first section that holds it wins.
// A UTF-8 byte-order mark at the start is passed over when reading and kept when writing.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
namespace ini {

// The blanks around a name or a value: space, tab, carriage return, form feed, vertical tab.
bool isBlank(char c);
// The text without the blanks at either end.
std::string_view trim(std::string_view s);
// Whether two section or key names are the same: letters A to Z compare without regard to
// case, every other byte as it is.
bool sameName(std::string_view a, std::string_view b);

// A value read is cut at this many bytes, so that it fits a 128-byte buffer with its
// terminating NUL, as callers of the format expect.
constexpr std::size_t MaxValueLength = 127;

// The value stored for `key` in `section`: blanks around it removed, cut at its first NUL
// and at MaxValueLength bytes (never inside a UTF-8 sequence); empty when nothing is stored.
std::string readValue(std::string_view contents, std::string_view section, std::string_view key);

// The contents with `key` in `section` set to `value`: the key's line is replaced, or the
// key is added at the end of its section, or the section is added at the end. Every other
// byte of the contents is kept. A value is written up to its first line break or NUL, so it
// cannot add lines. No result for a section or key that cannot be written (empty, or
// holding a line break, "]" in a section or "=" in a key).
std::optional<std::string> writeValue(std::string_view contents, std::string_view section,
                                      std::string_view key, std::string_view value);

}  // namespace ini
}  // namespace platform

#include "platform/IniFile.h"

namespace platform {
namespace ini {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

namespace {

// One line of the contents: [begin, end) without its line break, next = start of the next.
struct Line {
    std::size_t begin = 0, end = 0, next = 0;
};

// Where the key's line is in the contents, and where a new key of the section would go.
// The key counts where it is first set in any section of that name; a new key goes at the
// end of the first such section. A line starting with ';' is a comment.
struct Scan {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    std::string_view keyText;  // the key as the file spells it
    std::string_view value;
    std::size_t insertAt = 0;  // after the last non-blank line of the first matching section
};

// The line of the contents that starts at `pos`.
Line lineAt(std::string_view contents, std::size_t pos) {
    const std::size_t nl = contents.find('\n', pos);
    if (nl == std::string_view::npos) return {pos, contents.size(), contents.size()};
    return {pos, nl, nl + 1};
}

// The name a section header gives: what stands between '[' and the first ']', or the end of
// the line when there is no ']'.
std::string_view sectionName(std::string_view header) {
    std::string_view name = header.substr(1);
    const std::size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    return trim(name);
}

// Whether `text`, a line of the section searched, sets `key`; if so, the line, the key as
// spelt there and the value go into `result`. Comments and lines without '=' set nothing.
void matchKey(std::string_view text, std::string_view key, const Line& line, Scan& result) {
    if (text.front() == ';') return;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view name = trim(text.substr(0, eq));
    if (!sameName(name, key)) return;
    result.keyFound = true;
    result.keyLine = line;
    result.keyText = name;
    result.value = trim(text.substr(eq + 1));
}

Scan scan(std::string_view contents, std::string_view section, std::string_view key) {
    Scan result;
    bool inSection = false;       // in a section of that name
    bool inFirstSection = false;  // in the first of them, where a new key goes
    std::size_t pos = 0;
    while (pos < contents.size()) {
        const Line line = lineAt(contents, pos);
        pos = line.next;
        const std::string_view text = trim(contents.substr(line.begin, line.end - line.begin));
        if (text.empty()) continue;
        if (text.front() == '[') {
            inSection = sameName(sectionName(text), section);
            if (inFirstSection && !inSection) inFirstSection = false;
            if (inSection && !result.sectionFound) {
                result.sectionFound = true;
                inFirstSection = true;
            }
            if (inFirstSection) result.insertAt = line.next;
            continue;
        }
        if (inFirstSection) result.insertAt = line.next;
        // Only the first line that sets the key counts.
        if (inSection && !result.keyFound) matchKey(text, key, line, result);
    }
    return result;
}

// A UTF-8 byte-order mark, as text editors often put at the start of a file.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The contents after a leading byte-order mark; the mark itself, or nothing, in `mark`.
std::string_view withoutMark(std::string_view contents, std::string_view& mark) {
    mark = contents.substr(0, contents.starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0);
    return contents.substr(mark.size());
}

// Whether a section or key name can be written on a line of its own: not blank, without a
// line break or NUL, and without the character that would end it early.
bool validName(std::string_view name, std::string_view forbidden) {
    if (trim(name).empty()) return false;
    for (char c : name)
        if (c == '\n' || c == '\r' || c == '\0' || forbidden.find(c) != std::string_view::npos)
            return false;
    return true;
}

// How the new lines end: the way the file's first line does, else with "\n".
std::string_view lineEnding(std::string_view contents) {
    const std::size_t firstBreak = contents.find('\n');
    return (firstBreak != std::string_view::npos && firstBreak > 0 &&
            contents[firstBreak - 1] == '\r')
               ? std::string_view("\r\n")
               : std::string_view("\n");
}

// The contents with only the value of the key's line changed: the key keeps its spelling
// and the line its own ending, "\r" included.
void appendWithValue(std::string& out, std::string_view contents, const Scan& found,
                     std::string_view value) {
    std::size_t lineEnd = found.keyLine.end;
    if (lineEnd > found.keyLine.begin && contents[lineEnd - 1] == '\r') --lineEnd;
    out.append(contents.substr(0, found.keyLine.begin));
    out.append(found.keyText);
    out.push_back('=');
    out.append(value);
    out.append(contents.substr(lineEnd));
}

// The contents with a line for the key added at `at`, the end of its section.
void appendWithKey(std::string& out, std::string_view contents, std::size_t at,
                   std::string_view key, std::string_view value, std::string_view eol) {
    out.append(contents.substr(0, at));
    if (at > 0 && contents[at - 1] != '\n') out.append(eol);
    out.append(key);
    out.push_back('=');
    out.append(value);
    out.append(eol);
    out.append(contents.substr(at));
}

// The contents with the section, holding only the key, added at the end.
void appendWithSection(std::string& out, std::string_view contents, std::string_view section,
                       std::string_view key, std::string_view value, std::string_view eol) {
    out.append(contents);
    if (!contents.empty() && contents.back() != '\n') out.append(eol);
    out.push_back('[');
    out.append(section);
    out.push_back(']');
    out.append(eol);
    out.append(key);
    out.push_back('=');
    out.append(value);
    out.append(eol);
}

}  // namespace

std::string readValue(std::string_view contents, std::string_view section, std::string_view key) {
    std::string_view mark;
    contents = withoutMark(contents, mark);
    const Scan found = scan(contents, trim(section), trim(key));
    if (!found.keyFound) return {};
    std::string_view value = found.value;
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    if (value.size() > MaxValueLength) {
        std::size_t cut = MaxValueLength;
        // Back off to the start of a UTF-8 sequence rather than split a character.
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
        // A value of stray continuation bytes (not UTF-8 at all) is cut where it stands.
        if (cut == 0) cut = MaxValueLength;
        value = value.substr(0, cut);
    }
    return std::string(value);
}

std::optional<std::string> writeValue(std::string_view contents, std::string_view section,
                                      std::string_view key, std::string_view value) {
    if (!validName(section, "]") || !validName(key, "=") || trim(key).front() == '[' ||
        trim(key).front() == ';')
        return std::nullopt;
    section = trim(section);
    key = trim(key);
    // The lines start after a byte-order mark, which the file keeps.
    std::string_view mark;
    contents = withoutMark(contents, mark);
    // A value ends at its first line break or NUL, so that it cannot add lines.
    const std::size_t stop = value.find_first_of(std::string_view("\r\n\0", 3));
    if (stop != std::string_view::npos) value = value.substr(0, stop);

    const std::string_view eol = lineEnding(contents);
    const Scan found = scan(contents, section, key);
    std::string out;
    out.reserve(mark.size() + contents.size() + section.size() + key.size() + value.size() + 8);
    out.append(mark);
    if (found.keyFound)
        appendWithValue(out, contents, found, value);
    else if (found.sectionFound)
        appendWithKey(out, contents, found.insertAt, key, value, eol);
    else
        appendWithSection(out, contents, section, key, value, eol);
    return out;
}

}  // namespace ini
}  // namespace platform

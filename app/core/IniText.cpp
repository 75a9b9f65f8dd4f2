// INI lines as the reader splits them, and the check for text it cannot read fully; see
// IniText.h.
#include "app/core/IniText.h"

#include <cstdint>

namespace orlenta {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<std::uint8_t>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto t = static_cast<std::uint8_t>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// What the reader makes of one line: a section needs its "]" and nothing after it but
// blanks (the reader drops the rest), a key needs "=" and a name before it.
bool IsReadableLine(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || IsIniComment(line))
        return true;
    if (line.front() == '[') {
        // An empty name ("[]") is the reader's nameless section, which the writer does not
        // write out when it has no keys.
        const auto close = line.find(']');
        return close != std::string_view::npos && TrimBlanks(line.substr(close + 1)).empty() &&
               !TrimBlanks(line.substr(1, close - 1)).empty();
    }
    const auto eq = line.find('=');
    return eq != std::string_view::npos && !TrimBlanks(line.substr(0, eq)).empty();
}

} // namespace

std::vector<std::string_view> IniLines(std::string_view text) {
    if (text.substr(0, Utf8Bom.size()) == Utf8Bom)
        text.remove_prefix(Utf8Bom.size());
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        const std::size_t skip = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        text.remove_prefix(end + skip);
    }
    return lines;
}

bool IsIniComment(std::string_view line) {
    line = TrimBlanks(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

std::string ShownInMessage(std::string_view text) {
    constexpr std::size_t Shown = 40; // enough to recognise it, short enough to read
    if (text.size() <= Shown)
        return std::string(text);
    std::string_view head = text.substr(0, Shown);
    // Cut before a character, not inside one.
    while (!head.empty() && (static_cast<std::uint8_t>(head.back()) & 0xC0) == 0x80)
        head.remove_suffix(1);
    if (!head.empty() && static_cast<std::uint8_t>(head.back()) >= 0xC0)
        head.remove_suffix(1);
    return std::string(head) + "...";
}

std::string IniTextProblem(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return "not UTF-8 text (UTF-16)";
    if (!IsUtf8(text))
        return "not UTF-8 text";
    if (text.find('\0') != std::string_view::npos)
        return "contains a NUL byte";
    const auto lines = IniLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsReadableLine(lines[i]))
            continue;
        const std::string shown = ShownInMessage(lines[i]);
        return "line " + std::to_string(i + 1) + ": '" + shown +
               "' is not [section], key=value or a comment";
    }
    return {};
}

} // namespace orlenta

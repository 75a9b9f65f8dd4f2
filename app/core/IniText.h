// The line structure of INI text exactly as the INI reader sees it, and the check that a
// text holds nothing that the reader would skip, cut short or misread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orlenta {

// The lines of text as the INI reader splits them: at "\r\n", "\n" or a lone "\r". A UTF-8
// byte order mark at the start is not part of the first line.
std::vector<std::string_view> IniLines(std::string_view text);

// Whether a line (as IniLines gives it) is a comment: ";" or "#" after optional blanks.
bool IsIniComment(std::string_view line);

// A text from the file as a message shows it: at most 40 bytes, cut before a character
// and ended with "..." when longer.
std::string ShownInMessage(std::string_view text);

// Why the INI reader cannot read text completely, or an empty string when it can:
// "not UTF-8 text" (a UTF-16 text with its byte order mark is named as such), "contains a
// NUL byte" (the reader stops there), or "line N: '...' is not [section], key=value or a
// comment" for a line the reader would skip and a save would therefore drop (a section
// without a name among them).
std::string IniTextProblem(std::string_view text);

} // namespace orlenta

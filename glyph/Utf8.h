// UTF-8 text to the code points the converter and the layouts take.
#pragma once

#include <string>
#include <string_view>

namespace orlenta {

// Decodes UTF-8; every malformed sequence (bad lead or continuation byte, overlong form,
// surrogate, beyond U+10FFFF, cut short) gives one U+FFFD and decoding goes on after it.
std::u32string Utf8ToCodePoints(std::string_view text);
// Encodes code points as UTF-8; one that is no Unicode scalar value (a surrogate, beyond
// U+10FFFF) is written as U+FFFD.
std::string CodePointsToUtf8(std::u32string_view codePoints);

} // namespace orlenta

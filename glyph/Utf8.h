// UTF-8 text to the code points the converter and the layouts take.
#pragma once

#include <string>
#include <string_view>

// Decodes UTF-8; every malformed sequence (bad lead or continuation byte, overlong form,
// surrogate, beyond U+10FFFF, cut short) gives one U+FFFD and decoding goes on after it.
std::u32string Utf8ToCodePoints(std::string_view text);

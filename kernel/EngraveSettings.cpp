// Names of the engraving modes; see EngraveSettings.h.
#include "kernel/EngraveSettings.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace orlenta {

std::string_view EngraveModeName(TEngraveMode m) {
    return m == TEngraveMode::VCarve ? "vcarve" : "outline";
}

std::optional<TEngraveMode> ParseEngraveMode(std::string_view s) {
    std::string lower(s);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "outline")
        return TEngraveMode::Outline;
    if (lower == "vcarve")
        return TEngraveMode::VCarve;
    return std::nullopt;
}

} // namespace orlenta

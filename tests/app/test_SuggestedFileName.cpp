// The file name proposed for saving a text.
#include "app/command/SaveCommands.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace orlenta;

namespace {

TEST(SuggestedFileName, KeepsTheTextsSafeCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"ACME Ltd", "ACME_Ltd.Dnc"},
        {"ACME Ltd.", "ACME_Ltd.Dnc"},
        {"../../etc/passwd", "etc_passwd.Dnc"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e 2024",
         "Gr_e_2024.Dnc"},
        {"", "Orlenta.Dnc"},
        {"\xE4\xB8\xAD\xE6\x96\x87", "Orlenta.Dnc"},
        {std::string(100, 'W'), std::string(MaxSuggestedNameLength, 'W') + ".Dnc"},
    };
    for (const auto& [text, name] : cases)
        EXPECT_EQ(SuggestedFileName(text, TSaveFormat::GCode), name) << text;
}

// Any bytes at all give a plain name: safe characters only, no separator doubled or at an
// end, within the length, and the format of the name is the format asked for.
TEST(SuggestedFileName, AnyTextGivesAPlainNameOfItsFormat) {
    std::mt19937 rng(42);
    for (int round = 0; round < 20000; ++round) {
        std::string text(rng() % 80, '\0');
        for (char& c : text)
            c = static_cast<char>(rng() % 4 == 0 ? "a-_ ./"[rng() % 6] : rng() % 256);
        for (const TSaveFormat format : {TSaveFormat::GCode, TSaveFormat::DXF, TSaveFormat::SVG}) {
            const std::string name = SuggestedFileName(text, format);
            const std::string ext = std::string(".") + DefaultExtension(format);
            ASSERT_GT(name.size(), ext.size());
            ASSERT_EQ(name.substr(name.size() - ext.size()), ext);
            const std::string stem = name.substr(0, name.size() - ext.size());
            ASSERT_LE(stem.size(), MaxSuggestedNameLength);
            for (const char c : stem)
                ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')
                    << name;
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(stem.front()))) << name;
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(stem.back()))) << name;
            ASSERT_EQ(stem.find("__"), std::string::npos) << name;
            ASSERT_EQ(FormatOfFile(name), format);
        }
    }
}

} // namespace

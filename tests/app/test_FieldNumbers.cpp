// Reading numbers from the main window's fields with the user's decimal separator.
#include "app/command/FieldNumbers.h"
#include "kernel/Errors.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Good {
    const char* text;
    char separator;
    double value;
};

TEST(StrToFloat, ReadsNumbersInTheGivenSeparator) {
    const Good cases[] = {
        {"1.5", '.', 1.5},   {"1,5", ',', 1.5},     {" 2 ", '.', 2},
        {"-3e2", '.', -300}, {"+4", '.', 4},        {".5", '.', 0.5},
        {"5.", '.', 5},      {"-0,25", ',', -0.25}, {"1E-3", '.', 0.001},
        {"007", '.', 7},     {"1e-400", '.', 0},    {"12345678901234", '.', 12345678901234.0},
    };
    for (const Good& c : cases)
        EXPECT_DOUBLE_EQ(StrToFloat(c.text, c.separator), c.value) << c.text;
}

TEST(StrToFloat, RejectsWhatIsNotANumberWithTheFieldText) {
    const std::pair<const char*, char> cases[] = {
        {"", '.'},      {" ", '.'},     {"1,5", '.'}, {"1.5", ','}, {"abc", '.'},
        {"1-2", '.'},   {"1e", '.'},    {"inf", '.'}, {"nan", '.'}, {"0x10", '.'},
        {"1e999", '.'}, {"1.2.3", '.'}, {"-", '.'},   {".", '.'},   {"1 2", '.'},
    };
    for (const auto& [text, separator] : cases) {
        try {
            StrToFloat(text, separator);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

TEST(StrToFloat, NeverReturnsANonFiniteValue) {
    EXPECT_THROW(StrToFloat("1e309", '.'), EConvertError);
    EXPECT_TRUE(std::isfinite(StrToFloat("1.7976931348623157e308", '.')));
}

} // namespace

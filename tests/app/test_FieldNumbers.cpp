// Reading numbers from the main window's fields with the user's decimal separator, and the
// one reader of all fields that Create takes its numbers from.
#include "app/command/FieldNumbers.h"
#include "kernel/Errors.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>

using namespace orlenta;

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

// The fields of a fresh window with text "AB"; Edit changes some of them.
TCreateFields WindowFields(bool arc, const std::vector<std::pair<std::string, std::string>>& edit) {
    TCreateFields f{"AB", "1", "0", "0", "0", "0", "0", arc, TAlignment::Cent};
    for (const auto& [field, text] : edit) {
        std::string* target = field == "text"     ? &f.Text
                              : field == "height" ? &f.Height
                              : field == "width"  ? &f.Width
                              : field == "x"      ? &f.OriginX
                              : field == "y"      ? &f.OriginY
                              : field == "radius" ? &f.Radius
                                                  : &f.Angle;
        *target = text;
    }
    return f;
}

struct ReaderCase {
    const char* name;
    TCreateFields fields;
    const char* error; // the text of the EConvertError raised, or nullptr
    // Without an error: height, width, x, y, radius, angle and the empty-field flag.
    std::array<double, 6> numbers{};
    bool arcFieldEmpty = false;
};

// Which field's error comes first, and which fields are read at all, is what the window has
// always shown: height, radius (also on a straight line), then width, X, Y (linear) or the
// angle and, unless the height is 0, the centre (arc); nothing for an empty text or an arc
// with an empty origin, height or radius.
TEST(ReadCreateFields, ReadsWhatCreateUsesInTheWindowsOrder) {
    const ReaderCase cases[] = {
        {"all good",
         WindowFields(false, {{"height", "2,5"}, {"x", "-1"}}),
         nullptr,
         {2.5, 0, -1, 0, 0, 0}},
        {"height before radius and width",
         WindowFields(false, {{"height", "h"}, {"radius", "r"}, {"width", "w"}}), "h"},
        {"radius is read on a straight line too",
         WindowFields(false, {{"radius", "r"}, {"width", "w"}}), "r"},
        {"width before the origin", WindowFields(false, {{"width", "w"}, {"x", "x"}}), "w"},
        {"X before Y", WindowFields(false, {{"x", "x"}, {"y", "y"}}), "x"},
        {"an empty linear field is an error", WindowFields(false, {{"y", ""}}), ""},
        {"the angle is not read on a straight line",
         WindowFields(false, {{"angle", "a"}}),
         nullptr,
         {1, 0, 0, 0, 0, 0}},
        {"an empty text reads nothing",
         WindowFields(false, {{"text", ""}, {"height", "h"}}),
         nullptr,
         {1, 0, 0, 0, 0, 0}},
        {"arc: an empty field reads nothing",
         WindowFields(true, {{"y", ""}, {"height", "h"}}),
         nullptr,
         {1, 0, 0, 0, 0, 0},
         true},
        {"arc: height before radius", WindowFields(true, {{"height", "h"}, {"radius", "r"}}), "h"},
        {"arc: the angle before the centre", WindowFields(true, {{"angle", "a"}, {"x", "x"}}), "a"},
        {"arc: the width is not read",
         WindowFields(true, {{"width", "w"}, {"angle", "-40,5"}}),
         nullptr,
         {1, 0, 0, 0, 0, -40.5}},
        {"arc: an empty angle is 0",
         WindowFields(true, {{"angle", ""}, {"radius", "9"}}),
         nullptr,
         {1, 0, 0, 0, 9, 0}},
        {"arc: height 0 leaves the centre unread",
         WindowFields(true, {{"height", "0"}, {"x", "x"}, {"angle", "5"}}),
         nullptr,
         {0, 0, 0, 0, 0, 5}},
        {"arc: X before Y", WindowFields(true, {{"x", "x"}, {"y", "y"}}), "x"},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<TCreateNumbers> n;
        try {
            n = ReadCreateFields(c.fields, ',');
            EXPECT_EQ(c.error, nullptr) << "accepted";
        } catch (const EConvertError& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(c.error) + "' is not a valid floating point value");
        }
        if (!n)
            continue;
        EXPECT_EQ(n->Text, c.fields.Text);
        EXPECT_EQ(n->Arc, c.fields.Arc);
        EXPECT_EQ(n->Alignment, TAlignment::Cent);
        const std::array<double, 6> read = {n->Height,  n->Width,  n->OriginX,
                                            n->OriginY, n->Radius, n->Angle};
        EXPECT_EQ(read, c.numbers);
        EXPECT_EQ(n->ArcFieldEmpty, c.arcFieldEmpty);
    }
}

} // namespace

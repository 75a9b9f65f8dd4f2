// Batch lines, output name patterns and the command line's number and size rules.
#include "cli/CliJob.h"

#include "kernel/Errors.h"

#include <gtest/gtest.h>

using namespace orlenta;

namespace {

using TSettings = std::vector<std::pair<std::string, std::string>>;

TEST(BatchFile, LinesAreTextThenTabSeparatedSettings) {
    const std::string content = "\xEF\xBB\xBF"
                                " Front  panel \r\n"
                                "\n"
                                "   \t \n"
                                "ACME\theight=8\t\t align = cent \t\r\n"
                                "\ttext=#42\n"
                                "last line without end";
    const std::vector<TBatchLine> lines = ParseBatch(content, "jobs.txt");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].LineNumber, 1);
    EXPECT_EQ(lines[0].Text, " Front  panel "); // blanks are part of the text
    EXPECT_EQ(lines[0].Settings, TSettings{});
    EXPECT_EQ(lines[1].LineNumber, 4); // blank lines are skipped but counted
    EXPECT_EQ(lines[1].Text, "ACME");
    EXPECT_EQ(lines[1].Settings, (TSettings{{"height", "8"}, {"align", " cent"}}));
    EXPECT_EQ(lines[2].Text, "");
    EXPECT_EQ(lines[2].Settings, (TSettings{{"text", "#42"}}));
    EXPECT_EQ(lines[3].LineNumber, 6);
    EXPECT_EQ(lines[3].Text, "last line without end");
}

TEST(BatchFile, BinaryContentIsRefused) {
    EXPECT_THROW(ParseBatch(std::string("A\0B\n", 4), "jobs.txt"), ECliError);
}

TEST(OutputPattern, Placeholders) {
    const struct {
        const char* Pattern;
        int Line;
        const char* Text;
        const char* Expected;
    } cases[] = {
        {"plate-{n}.Dnc", 7, "x", "plate-7.Dnc"},
        {"plate-{n:3}.Dnc", 7, "x", "plate-007.Dnc"},
        {"plate-{n:2}.Dnc", 1234, "x", "plate-1234.Dnc"},
        {"out/{text}.Dxf", 1, "ACME Ltd. / Nr 5", "out/ACME_Ltd____Nr_5.Dxf"},
        {"{text}.Dnc", 1, "..", "__.Dnc"},
        {"{text}.Dnc", 1, "\xC3\x84rger", "__rger.Dnc"},
        {"{{n}}-{n}.Dnc", 3, "x", "{n}-3.Dnc"},
        {"fixed.Dnc", 3, "x", "fixed.Dnc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandOutputPattern(c.Pattern, c.Line, c.Text), c.Expected) << c.Pattern;
    EXPECT_EQ(ExpandOutputPattern("{text}", 1, std::string(300, 'A')).size(), 64u);
    for (const char* bad : {"p{n", "p{N}.Dnc", "p{n:0}.Dnc", "p{n:12}.Dnc", "p{}.Dnc"})
        EXPECT_THROW(ExpandOutputPattern(bad, 1, "x"), ECliError) << bad;
}

TEST(OutputFormat, ByOptionOrExtension) {
    EXPECT_EQ(ResolveFormat(std::nullopt, "a.Dnc"), TSaveFormat::GCode);
    EXPECT_EQ(ResolveFormat(std::nullopt, "dir.x/A.DXF"), TSaveFormat::DXF);
    EXPECT_EQ(ResolveFormat(TSaveFormat::DXF, "a.Dnc"), TSaveFormat::DXF);
    EXPECT_EQ(ResolveFormat(TSaveFormat::GCode, "/dev/stdout"), TSaveFormat::GCode);
    EXPECT_THROW(ResolveFormat(std::nullopt, "dir.Dnc/plate"), ECliError);
}

TEST(Numbers, FullStopOnlyWhateverTheLocale) {
    EXPECT_EQ(ReadNumber("2.5"), 2.5);
    EXPECT_EQ(ReadNumber("-1.5e-3"), -1.5e-3);
    EXPECT_EQ(ReadNumber(" 7 "), 7);
    for (const char* bad : {"2,5", "", "1.2.3", "0x10", "inf", "1e999", "5mm"})
        EXPECT_THROW(ReadNumber(bad), EConvertError) << bad;
}

TEST(Settings, WidthOrHeightAloneClearsTheOther) {
    TCliJob job;
    ApplySettings(job, {{"width", "50"}}, "");
    EXPECT_EQ(job.Numbers.Width, 50);
    EXPECT_EQ(job.Numbers.Height, 0);
    ApplySettings(job, {{"height", "4"}}, "");
    EXPECT_EQ(job.Numbers.Width, 0);
    EXPECT_EQ(job.Numbers.Height, 4);
    ApplySettings(job, {{"height", "3.5"}, {"width", "20"}}, "");
    EXPECT_EQ(job.Numbers.Width, 20);
    EXPECT_EQ(job.Numbers.Height, 3.5);
}

} // namespace

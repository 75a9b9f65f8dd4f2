// Parameters.cfg and the parameter dialog's conversions; the process-wide state.
#include "app/core/Globals.h"
#include "app/core/IniText.h"
#include "app/core/ParameterFile.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <map>
#include <sys/resource.h>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

TMachiningParameters Startup() {
    TGlobals g;
    SetStartupValues(g);
    return g.Params;
}

// The values a file gives when none of its keys can be used.
void ExpectFileDefaults(const TMachiningParameters& p) {
    EXPECT_EQ(p.Depth, 1);
    EXPECT_EQ(p.StepDown, 1);
    EXPECT_EQ(p.RapidHeight, 1);
    EXPECT_EQ(p.RoughFeed, 1);
    EXPECT_EQ(p.RoughPlunge, 1);
    EXPECT_EQ(p.Precision, 8);
    EXPECT_EQ(p.Decimal, 6);
    EXPECT_EQ(p.Start, 100);
    EXPECT_EQ(p.Increment, 5);
}

class ParameterFile : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        File = Dir / ParametersFileName;
    }

    TMachiningParameters Load(const std::string& content) {
        WriteBytes(File, content);
        auto p = Startup();
        EXPECT_TRUE(LoadParameters(p, File));
        return p;
    }

    fs::path File;
};

TEST_F(ParameterFile, OnlyDepthGivesTheDefaultsForTheRest) {
    for (const char* content : {"[Parameters]\nDepth=0.3\n", "[Parameters]\r\nDepth=0.3\r\n",
                                "[parameters]\n depth = 0,3 \n"}) {
        SCOPED_TRACE(content);
        const auto p = Load(content);
        EXPECT_EQ(p.Depth, 0.3);
        EXPECT_EQ(p.StepDown, 0.3);
        EXPECT_EQ(p.RapidHeight, 1);
        EXPECT_EQ(p.RoughFeed, 1);
        EXPECT_EQ(p.RoughPlunge, 1);
        EXPECT_EQ(p.Precision, 8);
        EXPECT_EQ(p.Decimal, 6);
        EXPECT_EQ(p.Start, 100);
        EXPECT_EQ(p.Increment, 5);
    }
}

TEST_F(ParameterFile, MissingFileKeepsTheStartupValues) {
    auto p = Startup();
    EXPECT_FALSE(LoadParameters(p, File));
    EXPECT_EQ(p.Depth, 0.5);
    EXPECT_EQ(p.Precision, 8);
    EXPECT_EQ(p.StepDown, 0);
    EXPECT_EQ(p.Increment, 0);
}

// What the file says goes, or the file is refused: a value is never silently replaced by
// its default. Only a missing or empty key takes the default.
TEST_F(ParameterFile, AFileThatCannotBeReadIsRefusedWithTheReason) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[Parameters]\r\nDepth=0.3\r\n"))
        utf16 += std::string{c, '\0'};
    const struct {
        std::string content;
        std::string reason;
    } cases[] = {
        {binary, "not UTF-8 text"},
        {utf16, "not UTF-8 text (UTF-16)"},
        {"[Parameters]\nDepth=0.3\n\xC0\xAF\n", "not UTF-8 text"},
        {std::string("[Parameters]\nDepth=0.3\0\nDecimal=3\n", 32), "contains a NUL byte"},
        {"", "no [Parameters] section"},
        {"Depth=0.3\nStart=1\n", "no [Parameters] section"},
        {"[Parameters]\nDepth 0.3\n",
         "line 2: 'Depth 0.3' is not [section], key=value or a comment"},
        {"[Parameters] tail\nDepth=0.3\n",
         "line 1: '[Parameters] tail' is not [section], key=value or a comment"},
        {std::string(1 << 20, 'A'),
         "line 1: '" + std::string(40, 'A') + "...' is not [section], key=value or a comment"},
        {"[Parameters]\nDepth=" + std::string(1 << 20, '7') + "x\n",
         "Depth: '" + std::string(40, '7') + "...' is not a number"},
        {"[Parameters]\nDepth=nan\n", "Depth: 'nan' is not a number"},
        {"[Parameters]\nRapidHeight=inf\n", "RapidHeight: 'inf' is not a number"},
        {"[Parameters]\nRoughFeed=1e400\n", "RoughFeed: '1e400' is not a number"},
        {"[Parameters]\nDepth=0.3 mm\n", "Depth: '0.3 mm' is not a number"},
        {"[Parameters]\nPrecision=8.5\n", "Precision: '8.5' is not a whole number"},
        {"[Parameters]\nDecimal=99999999999\n", "Decimal: '99999999999' is not a whole number"},
        {"[Parameters]\nStart=0x\n", "Start: '0x' is not a whole number"},
        {"[Parameters]\nIncrement=--5\n", "Increment: '--5' is not a whole number"},
        {std::string(MaxParametersFileSize + 1, '\n'), "File too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.substr(0, 40));
        WriteBytes(File, c.content);
        auto p = Startup();
        try {
            LoadParameters(p, File);
            ADD_FAILURE() << "read";
        } catch (const EParameterFileError& e) {
            EXPECT_EQ(e.Reason(), c.reason);
            EXPECT_EQ(std::string(e.what()), File.string() + ": " + c.reason);
        }
        EXPECT_EQ(ParameterTexts(p), ParameterTexts(Startup())); // nothing half-read
    }

    fs::remove(File);
    fs::create_directory(File);
    auto p = Startup();
    try {
        LoadParameters(p, File);
        ADD_FAILURE() << "a folder was read";
    } catch (const EParameterFileError& e) {
        EXPECT_EQ(e.Reason(), "Is a directory");
    }
}

TEST_F(ParameterFile, AFileTheUserMayNotReadIsRefused) {
    const auto user = OrdinaryUser();
    if (!user)
        GTEST_SKIP() << "running as root, and there is no user \"nobody\" to become";
    WriteBytes(File, "[Parameters]\nDepth=0.3\n");
    fs::permissions(Dir, fs::perms(0755));
    fs::permissions(File, fs::perms(0600)); // owned by someone else than user
    ASSERT_EQ(::chown(File.c_str(), 0, 0), 0);
    const std::string result = RunAs(*user, [&] {
        auto p = Startup();
        try {
            LoadParameters(p, File);
            return std::string("read");
        } catch (const EParameterFileError& e) {
            return e.Reason();
        }
    });
    EXPECT_EQ(result, "Permission denied");
}

TEST_F(ParameterFile, TheObviousFormsOfANumberAreRead) {
    for (const char* value : {"0.3", " 0.3 ", "0.3 ; note", "0.3\t# note", "\"0.3\"", "'0.3'",
                              "\" 0,3 \" ; in millimetres"}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(Load(std::string("[Parameters]\nDepth = ") + value + "\n").Depth, 0.3);
    }
    // Empty values take the default, as a missing key does.
    ExpectFileDefaults(Load("[Parameters]\nDepth=\nRapidHeight= ; none\nStart=\"\"\n"));
    ExpectFileDefaults(Load("[Parameters]\n"));
}

TEST_F(ParameterFile, NumbersInEveryFormTheFileMayHold) {
    const auto p =
        Load("[Parameters]\nDepth=2,5\nRapidHeight=1E-5\nRoughFeed=+250\n"
             "RoughPlunge=-.5\nPrecision=$1F\nDecimal=0x4\nStart=-7\nIncrement=2147483647\n");
    EXPECT_EQ(p.Depth, 2.5);
    EXPECT_EQ(p.RapidHeight, 1e-5);
    EXPECT_EQ(p.RoughFeed, 250);
    EXPECT_EQ(p.RoughPlunge, -0.5);
    EXPECT_EQ(p.Precision, 31);
    EXPECT_EQ(p.Decimal, 4);
    EXPECT_EQ(p.Start, -7);
    EXPECT_EQ(p.Increment, INT_MAX);
}

TEST_F(ParameterFile, NewFileHoldsTheKeysInOrder) {
    TMachiningParameters p;
    p.Depth = 0.3;
    p.RapidHeight = 2.5;
    p.RoughFeed = 120;
    p.RoughPlunge = 0.1;
    p.Precision = 8;
    p.Decimal = 3;
    p.Start = 100;
    p.Increment = 5;
    SaveParameters(p, File);
    EXPECT_EQ(ReadBytes(File), "[Parameters]\nDepth=0.3\nRapidHeight=2.5\nRoughFeed=120\n"
                               "RoughPlunge=0.1\nPrecision=8\nDecimal=3\nStart=100\nIncrement=5\n");
    TMachiningParameters back;
    ASSERT_TRUE(LoadParameters(back, File));
    EXPECT_EQ(back.RoughPlunge, 0.1);
    EXPECT_EQ(back.StepDown, 0.3);
    EXPECT_EQ(back.Start, 100);
}

TEST_F(ParameterFile, SaveKeepsOtherSectionsKeysAndComments) {
    WriteBytes(File, "; written by hand\n\n"
                     "[Machine]\n; the spindle\nSpindle=12000\nName=Mill 2\n\n"
                     "[Parameters]\n# old depth\nDepth=0,9\nToolNumber=4\n\n"
                     "[Other]\nKey=Value\nKey=Second\n; last words\n");
    TMachiningParameters p = Startup();
    p.Depth = 0.25;
    SaveParameters(p, File);
    const std::string text = ReadBytes(File);
    for (const char* kept : {"; written by hand", "[Machine]", "; the spindle", "Spindle=12000",
                             "Name=Mill 2", "# old depth", "ToolNumber=4", "[Other]", "Key=Value",
                             "Key=Second", "; last words", "Depth=0.25\n", "Increment=0\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
    EXPECT_EQ(text.find("0,9"), std::string::npos);
    EXPECT_LT(text.find("[Machine]"), text.find("[Parameters]"));
    SaveParameters(p, File); // a second save changes nothing
    EXPECT_EQ(ReadBytes(File), text);
    TMachiningParameters back;
    ASSERT_TRUE(LoadParameters(back, File));
    EXPECT_EQ(back.Depth, 0.25);
    EXPECT_EQ(back.Precision, 8);
}

// A lone CR ends a line for the reader, so it must for the writer too: otherwise the old
// text comes back as one "comment" and its old values win at the next start.
TEST_F(ParameterFile, SavingSplitsLinesAsTheReaderDoes) {
    for (const char* content :
         {"; shop settings\r[Parameters]\rDepth=0.3\rDecimal=3\r",
          "; shop settings\r\n[Parameters]\n\rDepth=0.3\r\nDecimal=3",
          "\xEF\xBB\xBF; shop settings\n[Parameters]\rDepth=0.3\nDecimal=3\r\n"}) {
        SCOPED_TRACE(content);
        WriteBytes(File, content);
        TMachiningParameters p = Load(content);
        p.Depth = 0.25;
        SaveParameters(p, File);
        const std::string text = ReadBytes(File);
        TMachiningParameters back = Startup();
        ASSERT_TRUE(LoadParameters(back, File));
        EXPECT_EQ(back.Depth, 0.25) << text;
        EXPECT_EQ(back.Decimal, 3);
        EXPECT_EQ(text.find("0.3"), std::string::npos) << text;
        EXPECT_EQ(text.find("; shop settings"), text.rfind("; shop settings")) << text;
        EXPECT_NE(text.find("; shop settings"), std::string::npos) << text;
        SaveParameters(p, File);
        EXPECT_EQ(ReadBytes(File), text);
    }
}

// Rewriting a text the reader cannot read completely would drop what it skipped.
TEST_F(ParameterFile, SavingOverAFileTheReaderCannotReadIsRefused) {
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[Machine]\r\nSpindle=1\r\n[Parameters]\r\nDepth=0.3\r\n"))
        utf16 += std::string{c, '\0'};
    const struct {
        std::string content;
        std::string reason;
    } cases[] = {
        {utf16, "not UTF-8 text (UTF-16)"},
        {std::string("[Parameters]\nDepth=0.3\n\0[Keep]\nA=1\n", 34), "contains a NUL byte"},
        {"[Parameters]\n\xFF\xFE\n", "not UTF-8 text"},
        {"[Parameters]\nDepth=0.3\nsee the manual\n",
         "line 3: 'see the manual' is not [section], key=value or a comment"},
        {"[ ]\n[Parameters]\nDepth=0.3\n",
         "line 1: '[ ]' is not [section], key=value or a comment"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        WriteBytes(File, c.content);
        try {
            SaveParameters(Startup(), File);
            ADD_FAILURE() << "saved";
        } catch (const EIniWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + File.string());
            EXPECT_EQ(e.Reason(), c.reason);
        }
        EXPECT_EQ(ReadBytes(File), c.content);
    }
}

// The odd files of the fuzzer's seed corpus: each is read or refused as a whole, and one
// that may be saved over reads back as the values saved, keeping every comment.
TEST_F(ParameterFile, OddFilesAreReadOrRefusedAndSurviveASave) {
    const fs::path seeds = fs::path(TEST_DATA_DIR) / "parameter_files";
    const std::map<std::string, bool> readable = {
        {"lf.cfg", true},          {"crlf.cfg", true},         {"lone_cr.cfg", true},
        {"mixed_ends.cfg", true},  {"utf16le_bom.cfg", false}, {"utf16be_bom.cfg", false},
        {"utf8_bom.cfg", true},    {"nul.cfg", false},         {"quotes_comments.cfg", true},
        {"no_section.cfg", false}, {"bad_lines.cfg", false},   {"multi.cfg", true},
        {"random.cfg", false},     {"large.cfg", true},        {"indented_comment.cfg", true},
        {"machine.cfg", true},
    };
    std::size_t seen = 0;
    for (const auto& entry : fs::directory_iterator(seeds)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ASSERT_TRUE(readable.count(name)) << "add the new seed to this table";
        ++seen;
        const std::string content = ReadBytes(entry.path());
        TMachiningParameters p = Startup();
        bool read = true;
        try {
            ReadParametersText(content, p);
        } catch (const EParameterTextError&) {
            read = false;
        }
        EXPECT_EQ(read, readable.at(name));
        if (!read)
            continue;
        EXPECT_EQ(p.Depth, 0.3);
        p.Depth = 0.125;
        p.Start = -4;
        const std::string saved = MergeParametersText(content, p);
        TMachiningParameters back = Startup();
        ReadParametersText(saved, back);
        EXPECT_EQ(ParameterTexts(back), ParameterTexts(p));
        EXPECT_EQ(MergeParametersText(saved, p), saved);
        for (const std::string_view line : IniLines(content)) {
            if (IsIniComment(line)) {
                EXPECT_NE(saved.find(line.substr(line.find_first_of(";#"))), std::string::npos)
                    << line;
            }
        }
    }
    EXPECT_EQ(seen, readable.size());
}

// A user who may not write the file is refused with the file's name, and the system's
// reason comes with it.
TEST_F(ParameterFile, AReadOnlyFileIsNotReplaced) {
    const auto user = OrdinaryUser();
    if (!user)
        GTEST_SKIP() << "running as root, and there is no user \"nobody\" to become";
    const std::string old = "[Parameters]\nDepth=0.4\n";
    WriteBytes(File, old);
    fs::permissions(Dir, fs::perms(0755));
    ASSERT_EQ(::chown(File.c_str(), user->Uid, user->Gid), 0);
    fs::permissions(File, fs::perms(0444));
    const std::string result = RunAs(*user, [&] {
        try {
            SaveParameters(Startup(), File);
            return std::string("saved");
        } catch (const EIniWriteError& e) {
            return std::string(e.what()) + " / " + e.Reason();
        }
    });
    EXPECT_EQ(result, "Unable to write to " + File.string() + " / Permission denied");
    EXPECT_EQ(ReadBytes(File), old);
}

TEST_F(ParameterFile, UnwritableFileNamesThePathAndKeepsTheOldFile) {
    try {
        SaveParameters(Startup(), Dir / "missing" / ParametersFileName);
        FAIL() << "no error";
    } catch (const EIniWriteError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to write to " + (Dir / "missing" / ParametersFileName).string());
        EXPECT_EQ(e.Reason(), "No such file or directory");
    }

    const std::string old = "[Parameters]\n; " + std::string(5000, 'c') + "\nDepth=0.4\n";
    WriteBytes(File, old);
    FileSizeLimit limit(1000);
    ASSERT_TRUE(limit.Set());
    std::string reason;
    try {
        SaveParameters(Startup(), File);
    } catch (const EIniWriteError& e) {
        reason = e.Reason();
    }
    limit.Restore();
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(ReadBytes(File), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

TEST(ParameterPath, BesideTheExecutable) {
    const fs::path dir = ExecutableDirectory();
    EXPECT_TRUE(dir.is_absolute());
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_EQ(DefaultParametersPath(), dir / "Parameters.cfg");
    EXPECT_EQ(ParametersPath(), DefaultParametersPath());
}

TEST_F(ParameterFile, ASetPathIsWhereLoadAndSaveGoByDefault) {
    SetParametersPath(File);
    TMachiningParameters p = Startup();
    p.Depth = 0.25;
    SaveParameters(p);
    TMachiningParameters back = Startup();
    EXPECT_TRUE(LoadParameters(back));
    SetParametersPath({});
    EXPECT_EQ(back.Depth, 0.25);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{ParametersFileName});
    EXPECT_EQ(ParametersPath(), DefaultParametersPath());
}

// ---- conversions ----------------------------------------------------------------------

TEST(DialogConversion, AFieldIsOneCompleteNumberOrNothing) {
    const struct {
        const char* text;
        std::optional<double> value;
    } floats[] = {
        {"2.5", 2.5},
        {"2,5", 2.5},
        {"0,3", 0.3},
        {"", 0},
        {"  ", 0},
        {".5", 0.5},
        {"0.125", 0.125},
        {"-3", -3},
        {"1e3", 1000},
        {"10.", 10},
        {"   4 ", 4},
        {"1.2.3", std::nullopt},
        {"0,3,1", std::nullopt},
        {"2.5,", std::nullopt},
        {"7x", std::nullopt},
        {"abc", std::nullopt},
        {".", std::nullopt},
        {"1e999", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const auto& c : floats)
        EXPECT_EQ(DialogTextToFloat(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(DialogTextToFloat(std::string(400, '9')), std::nullopt);

    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } ints[] = {
        {"12", 12},
        {"", 0},
        {"007", 7},
        {"-5", -5},
        {"+5", 5},
        {" 8 ", 8},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", std::nullopt},
        {"9999999999", std::nullopt},
        {"1.5", std::nullopt},
        {"x5", std::nullopt},
        {"5x", std::nullopt},
        {"$10", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
    };
    for (const auto& c : ints)
        EXPECT_EQ(DialogTextToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(DialogConversion, OkReadsEveryFieldAndCopiesTheDepth) {
    TMachiningParameters p = Startup();
    ReadDialogFields({"0,3", "2,5", "100", "12.5", "8", "3", "10", ""}, p);
    EXPECT_EQ(p.Depth, 0.3);
    EXPECT_EQ(p.StepDown, 0.3);
    EXPECT_EQ(p.RapidHeight, 2.5);
    EXPECT_EQ(p.RoughFeed, 100);
    EXPECT_EQ(p.RoughPlunge, 12.5);
    EXPECT_EQ(p.Precision, 8);
    EXPECT_EQ(p.Decimal, 3);
    EXPECT_EQ(p.Start, 10);
    EXPECT_EQ(p.Increment, 0);
}

TEST(DialogConversion, ABadFieldIsNamedAndChangesNothing) {
    const TParameterTexts good{"0.3", "2", "100", "50", "8", "3", "10", "5"};
    const struct {
        std::string TParameterTexts::*member;
        TParameterField field;
        const char* message;
    } cases[] = {
        {&TParameterTexts::Depth, TParameterField::Depth, "Depth: '1.2.3' is not a valid number"},
        {&TParameterTexts::RoughPlunge, TParameterField::RoughPlunge,
         "Plunge Rate: '1.2.3' is not a valid number"},
        {&TParameterTexts::Start, TParameterField::Start,
         "Start At: '1.2.3' is not a valid whole number"},
        {&TParameterTexts::Increment, TParameterField::Increment,
         "Increment: '1.2.3' is not a valid whole number"},
    };
    for (const auto& c : cases) {
        TParameterTexts texts = good;
        texts.*c.member = "1.2.3";
        TMachiningParameters p = Startup();
        const TMachiningParameters before = p;
        try {
            ReadDialogFields(texts, p);
            ADD_FAILURE() << c.message;
        } catch (const EParameterFieldError& e) {
            EXPECT_EQ(e.Field(), c.field);
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(ParameterTexts(p), ParameterTexts(before));
        EXPECT_EQ(p.StepDown, before.StepDown);
    }
}

TEST(DialogConversion, ShownTextsReadBackToTheSameValues) {
    TMachiningParameters p;
    p.Depth = 0.1;
    p.RapidHeight = 1e-5;
    p.Precision = 8;
    p.Increment = 5;
    const auto texts = ParameterTexts(p);
    EXPECT_EQ(texts.Depth, "0.1");
    EXPECT_EQ(texts.Increment, "5");
    TMachiningParameters back;
    ReadDialogFields(texts, back);
    EXPECT_EQ(back.Depth, p.Depth);
    EXPECT_EQ(back.RapidHeight, p.RapidHeight);
}

} // namespace

// The V-carve keys: absent from a file saved with the defaults, read back once changed,
// and a mode that is neither outline nor vcarve is refused naming the key.
TEST(ParameterFileVCarve, KeysRoundTripOnlyOnceChanged) {
    ScratchDir dir;
    const std::filesystem::path file = dir.File("Parameters.cfg");
    TMachiningParameters p;
    p.Depth = p.StepDown = 0.2;
    SaveParameters(p, file);
    EXPECT_EQ(ReadBytes(file).find("VBitAngle"), std::string::npos);
    p.Engrave = {TEngraveMode::VCarve, 30, 1.5, 0.02};
    SaveParameters(p, file);
    TMachiningParameters q;
    ASSERT_TRUE(LoadParameters(q, file));
    EXPECT_EQ(q.Engrave.Mode, TEngraveMode::VCarve);
    EXPECT_EQ(q.Engrave.VBitAngle, 30);
    EXPECT_EQ(q.Engrave.VMaxDepth, 1.5);
    EXPECT_EQ(q.Engrave.VAccuracy, 0.02);
    WriteBytes(file, "[Parameters]\nEngraveMode=chisel\n");
    EXPECT_THROW(LoadParameters(q, file), EParameterValueError);
    EXPECT_EQ(q.Engrave.Mode, TEngraveMode::Outline);
}

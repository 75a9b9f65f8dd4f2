// The machine settings in Parameters.cfg: defaults when missing, errors naming the key,
// and a file saved with the defaults that is as it always was.
#include "app/core/ParameterFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

class MachineSettingsFile : public TempDirTest {
  protected:
    fs::path File() const { return Dir / ParametersFileName; }
};

TEST_F(MachineSettingsFile, ReadWithDefaultsAndSavedOnlyWhenChanged) {
    WriteBytes(File(), "[Parameters]\nDepth=0.25\n");
    TMachiningParameters p;
    ASSERT_TRUE(LoadParameters(p, File()));
    EXPECT_EQ(p.Machine.Dialect, TDialect::Classic);
    EXPECT_EQ(p.Machine.Units, TUnits::Millimetre);
    SaveParameters(p, File());
    const std::string plain = ReadBytes(File());
    for (const char* key : {"Units", "Dialect", "Spindle", "Header", "ArcTolerance"})
        EXPECT_EQ(plain.find(key), std::string::npos) << key;

    p.Machine.Dialect = TDialect::LinuxCnc;
    p.Machine.Units = TUnits::Inch;
    p.Machine.Spindle = 18000;
    p.Machine.SpindleDwell = 1.5;
    p.Machine.LineNumbers = true;
    p.Machine.Header = "(S{spindle})\\n(by Orlenta)";
    p.Machine.ArcTolerance = 0.01;
    SaveParameters(p, File());
    TMachiningParameters q;
    ASSERT_TRUE(LoadParameters(q, File()));
    EXPECT_EQ(q.Depth, 0.25);
    EXPECT_EQ(q.Machine.Dialect, TDialect::LinuxCnc);
    EXPECT_EQ(q.Machine.Units, TUnits::Inch);
    EXPECT_EQ(q.Machine.Spindle, 18000);
    EXPECT_EQ(q.Machine.SpindleDwell, 1.5);
    EXPECT_TRUE(q.Machine.LineNumbers);
    EXPECT_EQ(q.Machine.Header, p.Machine.Header);
    EXPECT_EQ(q.Machine.ArcTolerance, 0.01);
    // Back to a default: the key stays in the file with the default value.
    q.Machine.Dialect = TDialect::Classic;
    SaveParameters(q, File());
    EXPECT_NE(ReadBytes(File()).find("Dialect=classic"), std::string::npos);
}

TEST_F(MachineSettingsFile, BadValuesNameTheKey) {
    const std::pair<const char*, const char*> cases[] = {
        {"Dialect=fanuc", "Dialect must be classic, grbl or linuxcnc"},
        {"Units=cm", "Units must be mm or inch"},
        {"Spindle=fast", "Spindle must be a number"},
        {"Spindle=-5", "Spindle must be from 0"},
        {"SpindleDwell=7200", "SpindleDwell must be from 0 to 3600"},
        {"RapidRate=0", "RapidRate must be above 0"},
        {"ArcTolerance=50", "ArcTolerance must be from 0 to 10"},
        {"LineNumbers=2", "LineNumbers must be 0 or 1"},
    };
    for (const auto& [line, message] : cases) {
        WriteBytes(File(), std::string("[Parameters]\nDepth=3\n") + line + "\n");
        TMachiningParameters p;
        try {
            LoadParameters(p, File());
            ADD_FAILURE() << line << " was accepted";
        } catch (const EParameterValueError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(File().string()), std::string::npos);
        }
        EXPECT_EQ(p.Depth, 3); // the specified keys are read all the same
        EXPECT_EQ(p.Machine.Dialect, TDialect::Classic);
    }
}

// The machine settings are read in the forms the other keys are (a comment after the value,
// quotes, a comma), Header as it stands; a save round trip keeps them and the comments.
TEST_F(MachineSettingsFile, ReadInTheFormsOfTheOtherKeysAndKeptBySaving) {
    const std::string seed = ReadBytes(fs::path(TEST_DATA_DIR) / "parameter_files" / "machine.cfg");
    TMachiningParameters p;
    ReadParametersText(seed, p);
    EXPECT_EQ(p.Depth, 0.3);
    EXPECT_EQ(p.Machine.Dialect, TDialect::Grbl);
    EXPECT_EQ(p.Machine.Units, TUnits::Inch);
    EXPECT_EQ(p.Machine.Spindle, 12000);
    EXPECT_TRUE(p.Machine.LineNumbers);
    EXPECT_EQ(p.Machine.ArcTolerance, 0.01);
    EXPECT_EQ(p.Machine.Header, "(S{spindle})\\n(by Orlenta) ; as it stands");

    p.Machine.Spindle = 18000;
    p.Machine.Footer = "M5";
    const std::string saved = MergeParametersText(seed, p);
    TMachiningParameters back;
    ReadParametersText(saved, back);
    EXPECT_EQ(back.Machine.Spindle, 18000);
    EXPECT_EQ(back.Machine.Footer, "M5");
    EXPECT_EQ(back.Machine.Header, p.Machine.Header);
    EXPECT_EQ(back.Machine.Dialect, TDialect::Grbl);
    EXPECT_EQ(MergeParametersText(saved, back), saved);
    EXPECT_NE(saved.find("; machine settings written as people write them"), std::string::npos);

    // A text the reader cannot read completely is refused before its settings are looked
    // at; a bad setting in a readable one leaves the engraving keys read.
    EXPECT_THROW(ReadParametersText(std::string_view("[Parameters]\nDialect=fanuc\n\0", 28), p),
                 EParameterTextError);
    TMachiningParameters q;
    EXPECT_THROW(ReadParametersText("[Parameters]\nDepth=2\nRapidRate=\"0\"\n", q),
                 EParameterValueError);
    EXPECT_EQ(q.Depth, 2);
    EXPECT_EQ(q.Machine.RapidRate, TMachineSettings{}.RapidRate);
}

} // namespace

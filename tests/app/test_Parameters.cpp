// The parameter dialog: what it shows, its key filters and focus highlight, OK writing
// the parameter file (and staying open when it cannot), Cancel stopping a build.
#include "tests/app/AppTestSupport.h"

#include "app/core/ParameterFile.h"
#include "app/gui/Font.h"
#include "app/gui/Parameters.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

using namespace orlenta;

namespace {

class ParametersDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGlobals();
        TMachiningParameters& p = Globals().Params;
        p.Depth = 0.5;
        p.RapidHeight = 2.5;
        p.RoughFeed = 300;
        p.RoughPlunge = 50;
        p.Precision = 8;
        p.Decimal = 3;
        p.Start = 100;
        p.Increment = 5;
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    QLineEdit* edit(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    QLabel* panel(const char* name) { return dialog.findChild<QLabel*>(name); }
    void retype(const char* name, const QString& text) {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->clear();
        QTest::keyClicks(e, text);
    }

    TOwnParameterFile parameterFile;
    const std::filesystem::path& file = parameterFile.Path;
    TMessageRecorder recorder;
    TfrmParameters dialog;
};

TEST_F(ParametersDialog, ShowsTheCurrentValues) {
    const std::pair<const char*, const char*> shown[] = {
        {"txtTemplateContourDepth", "0.5"},
        {"txtRapidHeight", "2.5"},
        {"txtRoughFeed", "300"},
        {"txtRoughPlunge", "50"},
        {"txtPrecision", "8"},
        {"txtDecimal", "3"},
        {"txtStartAt", "100"},
        {"txtIncrement", "5"},
    };
    for (const auto& [name, text] : shown)
        EXPECT_EQ(edit(name)->text(), text) << name;
    EXPECT_EQ(dialog.windowTitle(), "Orlenta Parameters");
    EXPECT_EQ(edit("txtDecimal")->maxLength(), 10);
    EXPECT_GT(edit("txtRapidHeight")->maxLength(), 10);
    EXPECT_EQ(dialog.findChild<QGroupBox*>("grpLineNumbers")->title(), "Line Numbers");
    EXPECT_EQ(panel("pnlEngrave")->text(), "Rapid Height");
    EXPECT_EQ(panel("pnlDecimal")->text(), "Dec. Places");
}

TEST_F(ParametersDialog, KeyFiltersKeepDigitsAndSeparatorsOnly) {
    retype("txtRoughFeed", "-1a2,5.0");
    EXPECT_EQ(edit("txtRoughFeed")->text(), "12,5.0");
    retype("txtIncrement", "-1.5x");
    EXPECT_EQ(edit("txtIncrement")->text(), "15");
}

TEST_F(ParametersDialog, OpensOnTheDepthSelectedSoTypingReplacesIt) {
    QApplication::processEvents();
    EXPECT_EQ(dialog.focusWidget(), edit("txtTemplateContourDepth"));
    EXPECT_EQ(edit("txtTemplateContourDepth")->selectedText(), "0.5");
    EXPECT_EQ(panel("pnlTemplateContourDepth")->frameStyle(), QFrame::Box | QFrame::Sunken);
    QTest::keyClicks(dialog.focusWidget(), "0.2");
    EXPECT_EQ(edit("txtTemplateContourDepth")->text(), "0.2");
    // Shown again after the focus moved on: Depth once more.
    edit("txtIncrement")->setFocus();
    dialog.hide();
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.focusWidget(), edit("txtTemplateContourDepth"));
    EXPECT_EQ(edit("txtTemplateContourDepth")->selectedText(), "0.5");
}

// The clipboard, select-all, cut, undo and the editing keys work in every field; pasted
// text keeps only what typing it would.
TEST_F(ParametersDialog, FieldsTakeShortcutsEditingKeysAndFilteredPaste) {
    for (const char* name : {"txtTemplateContourDepth", "txtRapidHeight", "txtDecimal"}) {
        QLineEdit* e = edit(name);
        e->setFocus();
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(e, "12");
        EXPECT_EQ(e->text(), "12") << name;
        QTest::keyClick(e, Qt::Key_Home);
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClick(e, Qt::Key_End);
        QTest::keyClick(e, Qt::Key_Left);
        QTest::keyClicks(e, "7");
        EXPECT_EQ(e->text(), "72") << name;
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), "72") << name;
        QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(e->text(), "") << name;
        QTest::keyClick(e, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(e->text(), "72") << name;
    }
    // Undo brings back a shown value that could not be typed.
    Globals().Params.RapidHeight = -1e-05;
    dialog.hide();
    dialog.show();
    QLineEdit* rapid = edit("txtRapidHeight");
    rapid->setFocus();
    QTest::keyClick(rapid, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(rapid, "3");
    QTest::keyClick(rapid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rapid->text(), "-1e-05");
    const std::pair<const char*, const char*> pasted[] = {
        {"txtRoughFeed", "1,5"}, // separators kept in a floating-point field
        {"txtStartAt", "15"},    // digits only in an integer field
    };
    for (const auto& [name, expected] : pasted) {
        QLineEdit* e = edit(name);
        e->setFocus();
        QApplication::clipboard()->setText("-1a,5");
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(e->text(), expected) << name;
        QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier); // the other paste key
        EXPECT_EQ(e->text(), QString(expected) + expected) << name;
    }
}

// OK with a field that is not one number: the message names the field, which is focused
// and selected; the dialog stays open and neither the parameters nor the file change.
TEST_F(ParametersDialog, OKRefusesAFieldThatIsNotOneNumber) {
    const struct {
        const char* name;
        const char* typed;
        const char* message;
    } cases[] = {
        {"txtTemplateContourDepth", "0,3,1", "Depth: '0,3,1' is not a valid number"},
        {"txtRapidHeight", "1..2", "Rapid Height: '1..2' is not a valid number"},
        {"txtStartAt", "9999999999", "Start At: '9999999999' is not a valid whole number"},
        // The same ranges as for the file and the command line.
        {"txtPrecision", "0", "Precision: '0' is out of range (1 to 100)"},
        {"txtDecimal", "21", "Dec. Places: '21' is out of range (0 to 20)"},
    };
    for (const auto& c : cases) {
        recorder.Messages.clear();
        retype(c.name, c.typed);
        edit("txtRoughFeed")->setFocus();
        QTest::keyClick(edit("txtRoughFeed"), Qt::Key_Return); // the default button
        EXPECT_TRUE(dialog.isVisible()) << c.name;
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{c.message});
        EXPECT_EQ(dialog.focusWidget(), edit(c.name));
        EXPECT_EQ(edit(c.name)->selectedText(), c.typed);
        EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.5) << c.name;
        EXPECT_DOUBLE_EQ(Globals().Params.RapidHeight, 2.5) << c.name;
        EXPECT_EQ(Globals().Params.Start, 100) << c.name;
        EXPECT_FALSE(std::filesystem::exists(file)) << c.name;
        dialog.hide();
        dialog.show(); // the shown values again
    }
}

TEST_F(ParametersDialog, TheFocusedFieldsLabelIsHighlighted) {
    edit("txtRoughFeed")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(panel("pnlRoughFeed")->frameStyle(), QFrame::Box | QFrame::Sunken);
    EXPECT_EQ(panel("pnlStart")->frameStyle(), QFrame::NoFrame);
    QTest::keyClick(edit("txtRoughFeed"), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(panel("pnlRoughFeed")->frameStyle(), QFrame::NoFrame);
    EXPECT_EQ(panel("pnlRoughPlunge")->frameStyle(), QFrame::Box | QFrame::Sunken);
}

TEST_F(ParametersDialog, OKStoresTheFieldsAndWritesTheFile) {
    retype("txtTemplateContourDepth", "0.3");
    retype("txtRoughFeed", "2,5");
    retype("txtIncrement", "");
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdTemplateContour"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    const TMachiningParameters& p = Globals().Params;
    EXPECT_DOUBLE_EQ(p.Depth, 0.3);
    EXPECT_DOUBLE_EQ(p.StepDown, 0.3);
    EXPECT_DOUBLE_EQ(p.RoughFeed, 2.5); // a comma is a decimal separator too
    EXPECT_EQ(p.Increment, 0);
    TMachiningParameters loaded;
    ASSERT_TRUE(LoadParameters(loaded, file));
    EXPECT_DOUBLE_EQ(loaded.Depth, 0.3);
    EXPECT_EQ(loaded.Increment, 0);
}

TEST_F(ParametersDialog, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    std::filesystem::create_directory(file); // a folder where the file should be
    retype("txtTemplateContourDepth", "0.7");
    QTest::keyClick(edit("txtTemplateContourDepth"), Qt::Key_Return); // the default button
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0], "Unable to write to " + file.string());
    EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.7);
}

TEST_F(ParametersDialog, CancelStopsTheBuildAndKeepsTheParameters) {
    Globals().RunFlag = 100;
    retype("txtTemplateContourDepth", "9");
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Globals().RunFlag, 0);
    EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.5);
    EXPECT_FALSE(std::filesystem::exists(file));
    // Escape is Cancel too.
    dialog.show();
    Globals().RunFlag = 100;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(Globals().RunFlag, 0);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace

// The machine settings: chosen with the keyboard, refused with the file's messages while
// out of range (nothing stored), then stored and written on OK.
TEST_F(ParametersDialog, MachineSettingsAreCheckedLikeTheFileAndWritten) {
    auto* dialect = dialog.findChild<QComboBox*>("cboDialect");
    auto* units = dialog.findChild<QComboBox*>("cboUnits");
    ASSERT_TRUE(dialect && units);
    EXPECT_EQ(dialect->currentText(), "classic");
    EXPECT_EQ(units->currentText(), "mm");
    EXPECT_EQ(edit("txtRapidRate")->text(), "1000");
    dialect->setFocus();
    QTest::keyClick(dialect, Qt::Key_G); // the first item starting with g
    units->setFocus();
    QTest::keyClick(units, Qt::Key_Down);
    auto* lineNumbers = dialog.findChild<QCheckBox*>("chkLineNumbers");
    lineNumbers->setFocus();
    QTest::keyClick(lineNumbers, Qt::Key_Space);
    retype("txtTemplateContourDepth", "0.25");

    const TMachineSettings before = Globals().Params.Machine;
    const std::pair<const char*, std::string> refused[] = {
        {"txtSpindle", "Spindle must be a number, not \"12k\""},
        {"txtRapidRate", "RapidRate must be above 0 and at most 10000000"},
        {"txtArcTolerance", "ArcTolerance must be from 0 to 10"},
    };
    const QString bad[] = {"12k", "0", "11"};
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        retype(refused[i].first, bad[i]);
        QTest::keyClick(edit(refused[i].first), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(recorder.Messages.size(), i + 1);
        EXPECT_EQ(recorder.Messages[i], refused[i].second);
        EXPECT_EQ(QApplication::focusWidget(), edit(refused[i].first));
        EXPECT_EQ(Globals().Params.Machine.Dialect, before.Dialect);
        EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.5);
        EXPECT_FALSE(std::filesystem::exists(file));
        retype(refused[i].first, i == 0 ? "12000" : i == 1 ? "2500" : "0,01");
    }
    retype("txtSpindleDwell", "1.5");
    QTest::keyClick(edit("txtSpindleDwell"), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.25);
    TMachiningParameters loaded;
    ASSERT_TRUE(LoadParameters(loaded, file));
    const TMachineSettings& m = loaded.Machine;
    EXPECT_EQ(m.Dialect, TDialect::Grbl);
    EXPECT_EQ(m.Units, TUnits::Inch);
    EXPECT_TRUE(m.LineNumbers);
    EXPECT_DOUBLE_EQ(m.Spindle, 12000);
    EXPECT_DOUBLE_EQ(m.SpindleDwell, 1.5);
    EXPECT_DOUBLE_EQ(m.RapidRate, 2500);
    EXPECT_DOUBLE_EQ(m.ArcTolerance, 0.01);
    EXPECT_EQ(Globals().Params.Machine.Dialect, TDialect::Grbl);
}

// The engraving mode and the V-bit: chosen and typed with the keyboard (Tab from field to
// field, a comma for the decimal point), refused while not a number or out of range with
// the failing field focused and nothing stored, then stored and written on OK.
TEST_F(ParametersDialog, VCarveSettingsAreCheckedAndWritten) {
    auto* mode = dialog.findChild<QComboBox*>("cboEngraveMode");
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->currentText(), "outline");
    EXPECT_EQ(edit("txtVBitAngle")->text(), "60");
    EXPECT_EQ(edit("txtVMaxDepth")->text(), "1");
    EXPECT_EQ(edit("txtVAccuracy")->text(), "0.01");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_V);
    QTest::keyClick(mode, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), edit("txtVBitAngle"));
    QTest::keyClicks(edit("txtVBitAngle"), "9o0"); // the letter is dropped
    EXPECT_EQ(edit("txtVBitAngle")->text(), "90");

    const std::pair<const char*, std::string> refused[] = {
        {"txtVBitAngle", "The V-bit angle must lie between 1 and 179 degrees"},
        {"txtVMaxDepth", "VMaxDepth must be a number, not \"1,2,3\""},
        {"txtVMaxDepth", "The V-carve maximum depth must be above 0"},
        {"txtVAccuracy", "The V-carve accuracy must be above 0"},
    };
    const QString bad[] = {"180", "1,2,3", "0", "0,000"};
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        SCOPED_TRACE(refused[i].second);
        retype(refused[i].first, bad[i]);
        QTest::keyClick(edit(refused[i].first), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(recorder.Messages.size(), i + 1);
        EXPECT_EQ(recorder.Messages[i], refused[i].second);
        EXPECT_EQ(QApplication::focusWidget(), edit(refused[i].first));
        EXPECT_EQ(Globals().Params.Engrave.Mode, TEngraveMode::Outline);
        EXPECT_FALSE(std::filesystem::exists(file));
        retype(refused[i].first, i == 0 ? "90" : "1");
    }
    edit("txtVBitAngle")->setFocus();
    QTest::keyClick(edit("txtVBitAngle"), Qt::Key_Tab);
    QTest::keyClicks(edit("txtVMaxDepth"), "2,5");
    QTest::keyClick(edit("txtVMaxDepth"), Qt::Key_Tab);
    QTest::keyClicks(edit("txtVAccuracy"), "0.02");
    QTest::keyClick(edit("txtVAccuracy"), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    const TEngraveSettings& e = Globals().Params.Engrave;
    EXPECT_EQ(e.Mode, TEngraveMode::VCarve);
    EXPECT_EQ(e.VBitAngle, 90);
    EXPECT_EQ(e.VMaxDepth, 2.5);
    EXPECT_EQ(e.VAccuracy, 0.02);
    TMachiningParameters loaded;
    ASSERT_TRUE(LoadParameters(loaded, file));
    EXPECT_EQ(loaded.Engrave.Mode, TEngraveMode::VCarve);
    EXPECT_EQ(loaded.Engrave.VBitAngle, 90);
    EXPECT_EQ(loaded.Engrave.VMaxDepth, 2.5);
    EXPECT_EQ(loaded.Engrave.VAccuracy, 0.02);
    EXPECT_DOUBLE_EQ(loaded.Depth, 0.5);
}

// A file's values out of range are kept as the file gives them, named in one message at
// start-up, and the dialog opens on the first of them for correction.
TEST(ParametersAtStartUp, ValuesOutOfRangeAreNamedOnceAndOfferedForCorrection) {
    TOwnParameterFile own;
    WriteBytes(own.Path, "[Parameters]\nDepth=0.2\nRapidHeight=-5\nRoughFeed=-300\n"
                         "RoughPlunge=100\nPrecision=8\nDecimal=3\nStart=10\nIncrement=10\n");
    ResetGlobals();
    TMessageRecorder recorder;
    TfrmFont window;
    EXPECT_EQ(recorder.Messages,
              std::vector<std::string>{own.Path.string() +
                                       ":\nRapidHeight = -5: out of range (0 or more)"
                                       "\nRoughFeed = -300: out of range (0 or more)"});
    EXPECT_EQ(Globals().Params.RapidHeight, -5);
    TfrmParameters dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::processEvents();
    QLineEdit* rapid = dialog.findChild<QLineEdit*>("txtRapidHeight");
    EXPECT_EQ(dialog.focusWidget(), rapid);
    EXPECT_EQ(rapid->selectedText(), "-5");
    QTest::keyClicks(rapid, "2");
    QLineEdit* feed = dialog.findChild<QLineEdit*>("txtRoughFeed");
    feed->setFocus();
    feed->selectAll();
    QTest::keyClicks(feed, "300");
    QTest::keyClick(feed, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Globals().Params.RapidHeight, 2);
    EXPECT_EQ(recorder.Messages.size(), 1u); // named once
}

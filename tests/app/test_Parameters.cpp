// The parameter dialog: what it shows, its key filters and focus highlight, OK writing
// the parameter file (and staying open when it cannot), Cancel stopping a build.
#include "tests/app/AppTestSupport.h"

#include "app/core/ParameterFile.h"
#include "app/gui/Parameters.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ParametersDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGlobals();
        file = DefaultParametersPath();
        std::filesystem::remove_all(file);
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
    void TearDown() override { std::filesystem::remove_all(file); }

    QLineEdit* edit(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    QLabel* panel(const char* name) { return dialog.findChild<QLabel*>(name); }
    void retype(const char* name, const QString& text) {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->clear();
        QTest::keyClicks(e, text);
    }

    TMessageRecorder recorder;
    TfrmParameters dialog;
    std::filesystem::path file;
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
    EXPECT_DOUBLE_EQ(p.RoughFeed, 2); // only up to the comma
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

// The main window driven as a person would: typing, Enter, the layout choice, the
// messages of Create, the save and font commands, help and the about box.
#include "tests/app/WindowFixture.h"

#include "app/gui/About.h"
#include "app/gui/Help.h"

#include <QAction>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QToolButton>

namespace {

TEST_F(WindowTest, StartsWithTheCaptionsFieldsAndStatesOfAFreshWindow) {
    EXPECT_TRUE(window->windowTitle().startsWith("Orlenta - "));
    struct Field {
        const char* name;
        const char* text;
        bool enabled;
    };
    const Field fields[] = {
        {"txtBoundBoxX", "0", true},
        {"txtBoundBoxY", "0", true},
        {"txtWidth", "0", true},
        {"txtHeight", "1", true},
        {"txtAng", "0", false},
        {"txtRad", "0", false},
        {"edFont", "Enter Text Here", true},
    };
    for (const Field& f : fields) {
        EXPECT_EQ(edit(f.name)->text(), f.text) << f.name;
        EXPECT_EQ(edit(f.name)->isEnabled(), f.enabled) << f.name;
    }
    EXPECT_EQ(edit("txtBoundBoxX")->maxLength(), 12);
    EXPECT_EQ(edit("txtWidth")->toolTip(), "Enter Width of Text");
    EXPECT_EQ(edit("txtHeight")->toolTip(), "Enter Height of Text");
    EXPECT_TRUE(find<QRadioButton>("optLinear")->isChecked());
    EXPECT_FALSE(find<QRadioButton>("optArc")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("rgArc_0")->isChecked());
    EXPECT_EQ(find<QGroupBox>("rgArc")->title(), "Alignment");
    EXPECT_EQ(find<QLabel>("Label2_0")->text(), "Origin X");
    EXPECT_EQ(find<QToolButton>("ToolButton2")->defaultAction(), find<QAction>("Create1"));
    EXPECT_EQ(window->FontChoice().Name, "Stick40");
    EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.5);
    EXPECT_EQ(Globals().Params.Precision, 8);
    EXPECT_EQ(Globals().OrientationFlag, 1);
}

TEST_F(WindowTest, MenusCarryTheirItemsInOrder) {
    const std::pair<const char*, QStringList> menus[] = {
        {"File1", {"Save As &G-Code", "Save As &DXF", "", "&Exit"}},
        {"Parameters1", {"&Set Parameters", "&Create", "", "&Select Font", "Stroke &Fonts"}},
        {"Help1", {"&Orlenta Help Topics", "&About"}},
    };
    for (const auto& [name, items] : menus) {
        QStringList actual;
        for (QAction* a : find<QMenu>(name)->actions())
            actual << (a->isSeparator() ? QString() : a->text());
        EXPECT_EQ(actual, items) << name;
    }
}

TEST_F(WindowTest, TypingIntoOneSizeFieldZeroesTheOther) {
    type("txtWidth", "5");
    EXPECT_EQ(edit("txtWidth")->text(), "05");
    EXPECT_EQ(edit("txtHeight")->text(), "0");
    type("txtHeight", "7");
    EXPECT_EQ(edit("txtHeight")->text(), "07");
    EXPECT_EQ(edit("txtWidth")->text(), "0");
    // A discarded key still zeroes the other field.
    setText("txtWidth", "3");
    type("txtHeight", "x");
    EXPECT_EQ(edit("txtHeight")->text(), "07");
    EXPECT_EQ(edit("txtWidth")->text(), "0");
}

TEST_F(WindowTest, NumericFieldsIgnoreLettersButTakeSignsAndSeparators) {
    find<QRadioButton>("optArc")->click();
    for (const char* name : {"txtBoundBoxX", "txtBoundBoxY", "txtRad", "txtAng"}) {
        setText(name, "");
        type(name, "a-1b,2.c5");
        EXPECT_EQ(edit(name)->text(), "-1,2.5") << name;
    }
    // The text field takes anything.
    setText("edFont", "");
    type("edFont", "Ab 1-");
    EXPECT_EQ(edit("edFont")->text(), "Ab 1-");
}

TEST_F(WindowTest, LayoutChoiceRelabelsAndSwitchesTheFields) {
    find<QRadioButton>("optArc")->click();
    EXPECT_EQ(find<QLabel>("Label2_0")->text(), "Center X");
    EXPECT_EQ(find<QLabel>("Label2_1")->text(), "Center Y");
    EXPECT_TRUE(edit("txtRad")->isEnabled());
    EXPECT_TRUE(edit("txtAng")->isEnabled());
    EXPECT_FALSE(edit("txtWidth")->isEnabled());
    find<QRadioButton>("optLinear")->click();
    EXPECT_EQ(find<QLabel>("Label2_0")->text(), "Origin X");
    EXPECT_EQ(find<QLabel>("Label2_1")->text(), "Origin Y");
    EXPECT_FALSE(edit("txtRad")->isEnabled());
    EXPECT_FALSE(edit("txtAng")->isEnabled());
    EXPECT_TRUE(edit("txtWidth")->isEnabled());
}

TEST_F(WindowTest, EnterInTheHeightRunsCreateWithTheValuesAsTheyAre) {
    setText("edFont", "HI");
    setText("txtWidth", "30");
    setText("txtHeight", "1");
    pressEnter("txtHeight");
    // Sized by the width that was there when Create ran; zeroed afterwards. The default
    // face is a stroke font: its side bearings leave the ink short of the advances.
    EXPECT_GT(Globals().Toolpaths.size(), 1u);
    EXPECT_GT(Globals().ViewBox.MaxX, 24);
    EXPECT_LE(Globals().ViewBox.MaxX, 30);
    EXPECT_EQ(edit("txtWidth")->text(), "0");
    EXPECT_EQ(edit("txtHeight")->text(), "1");
    EXPECT_TRUE(errors.empty());
}

TEST_F(WindowTest, EnterInTheTextRunsCreate) {
    setText("edFont", "");
    type("edFont", "Ab");
    pressEnter("edFont");
    EXPECT_GT(Globals().Toolpaths.size(), 1u);
    EXPECT_EQ(edit("edFont")->text(), "Ab");
}

TEST_F(WindowTest, CreateShowsItsMessages) {
    setText("edFont", "");
    find<QToolButton>("ToolButton2")->click();
    setText("edFont", "AB");
    find<QRadioButton>("optArc")->click();
    setText("txtRad", "0");
    find<QAction>("Create1")->trigger();
    setText("txtRad", "0.5");
    setText("txtHeight", "10");
    pressEnter("txtRad");
    const std::vector<std::string> expected = {"No Text to convert!", "Radius can not be 0!",
                                               "Radius is too small"};
    EXPECT_EQ(recorder.Messages, expected);
    EXPECT_TRUE(errors.empty());
    // Too small a radius leaves nothing to show.
    EXPECT_EQ(Globals().Toolpaths.size(), 1u);
}

TEST_F(WindowTest, ANonNumberIsShownAsTheConversionError) {
    setText("edFont", "AB");
    setText("txtHeight", "");
    type("txtHeight", "1-2");
    pressEnter("txtHeight");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'1-2' is not a valid floating point value");
    // The window goes on: a good value creates.
    setText("txtHeight", "1");
    find<QAction>("Create1")->trigger();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_GT(Globals().Toolpaths.size(), 1u);
}

TEST_F(WindowTest, SaveGCodeAsksForANameAndWritesTheToolpathsCreateBuilt) {
    Globals().Params.Decimal = 3;
    setText("edFont", "Ob");
    find<QAction>("Create1")->trigger();
    const TOutRegionArray built = Globals().Toolpaths;
    ASSERT_GT(built.size(), 1u);

    TTempFile file("window.Dnc");
    saveAnswer = QString::fromStdString(file.Path.string());
    find<QAction>("SaveGCode1")->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Filter, "DNC Files (*.Dnc *.dnc *.DNC);;All Files (*)");
    EXPECT_EQ(requests[0].DefaultExt, "Dnc");
    EXPECT_EQ(Globals().RunFlag, 0);
    ExpectSameMoves(ReadGCodeMoves(ReadAll(file.Path)), ExpectedMoves(built), 0.0005);
}

TEST_F(WindowTest, SaveDXFAsksForANameAndWritesTheDrawing) {
    setText("edFont", "I");
    find<QAction>("Create1")->trigger();
    TTempFile file("window.Dxf");
    saveAnswer = QString::fromStdString(file.Path.string());
    find<QAction>("SaveDXF1")->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].DefaultExt, "Dxf");
    EXPECT_TRUE(requests[0].Filter.startsWith("DXF Files ("));
    const std::string drawing = ReadAll(file.Path);
    EXPECT_NE(drawing.find("ENTITIES"), std::string::npos);
    EXPECT_NE(drawing.find("LINE"), std::string::npos);
    EXPECT_TRUE(errors.empty());
}

TEST_F(WindowTest, CancelledSaveStillStopsTheBuildAndWritesNothing) {
    Globals().RunFlag = 100;
    saveAnswer.reset();
    find<QAction>("SaveGCode1")->trigger();
    EXPECT_EQ(Globals().RunFlag, 0);
    Globals().RunFlag = 100;
    find<QAction>("SaveDXF1")->trigger();
    EXPECT_EQ(Globals().RunFlag, 0);
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(WindowTest, AFailedSaveIsShownAndTheWindowGoesOn) {
    saveAnswer = "/nonexistent-folder/x.Dnc";
    find<QAction>("SaveGCode1")->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, SelectFontTakesFaceBoldAndItalic) {
    QFont chosen("DejaVu Serif");
    chosen.setBold(true);
    chosen.setItalic(true);
    window->FontDialog1 = [&] { return std::optional<QFont>(chosen); };
    find<QAction>("SelectFont1")->trigger();
    EXPECT_EQ(window->FontChoice().Name, "DejaVu Serif");
    EXPECT_TRUE(window->FontChoice().Bold);
    EXPECT_TRUE(window->FontChoice().Italic);
    // Cancelling keeps the choice.
    window->FontDialog1 = [] { return std::optional<QFont>(); };
    find<QAction>("SelectFont1")->trigger();
    EXPECT_EQ(window->FontChoice().Name, "DejaVu Serif");
}

TEST_F(WindowTest, StrokeFontsMenuPicksASingleLineFontThatCreateEngravesOpen) {
    QMenu* strokes = find<QMenu>("StrokeFonts1");
    ASSERT_FALSE(strokes->actions().isEmpty());
    EXPECT_EQ(strokes->actions().front()->text(), "Hershey Roman Simplex");
    QAction* script = nullptr;
    for (QAction* a : strokes->actions())
        if (a->text() == "Hershey Script Simplex")
            script = a;
    ASSERT_NE(script, nullptr);
    script->trigger();
    EXPECT_EQ(window->FontChoice().Name, "Hershey Script Simplex");
    EXPECT_FALSE(window->FontChoice().Bold);
    setText("edFont", "Ab");
    find<QAction>("Create1")->trigger();
    const TOutRegionArray& toolpaths = Globals().Toolpaths;
    ASSERT_GT(toolpaths.size(), 2u);
    for (std::size_t i = 1; i < toolpaths.size(); ++i)
        EXPECT_EQ(toolpaths[i].IsOpen, 1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(WindowTest, CreateDuringCreateIsIgnoredAndCloseWaitsForTheEnd) {
    setText("edFont", "ABC");
    int pumps = 0;
    SetMessagePumpHook([&] {
        if (pumps++ == 0) {
            // Arrives while the first Create is processing messages.
            find<QAction>("Create1")->trigger();
            window->close();
            EXPECT_TRUE(window->isVisible());
        }
        QCoreApplication::processEvents();
    });
    find<QAction>("Create1")->trigger();
    EXPECT_GT(pumps, 0);
    EXPECT_FALSE(window->isVisible()); // closed once Create had finished
    EXPECT_FALSE(CreateRunning());
    const std::size_t count = Globals().Toolpaths.size();
    EXPECT_GT(count, 1u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(WindowTest, HelpShowsTheHelpFileInItsOwnWindow) {
    find<QAction>("QuorvelHelpTopics1")->trigger();
    TfrmHelp* help = window->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Orlenta Help Topics"));
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Radius is too small"));
}

TEST(AboutBox, ShowsProductVersionAndClosesOnOK) {
    TfrmAbout about;
    EXPECT_EQ(about.windowTitle(), "About Orlenta");
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.findChild<QLabel*>("ProductName")->text(), "Orlenta");
    EXPECT_TRUE(about.findChild<QLabel*>("ProductName")->font().bold());
    EXPECT_EQ(about.findChild<QLabel*>("Version")->text(), "Version 2.0");
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    about.show();
    QTest::mouseClick(about.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

} // namespace

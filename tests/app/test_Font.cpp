// The main window driven as a person would: typing, Enter, the layout choice, the
// messages of Create, the save and font commands, help and the about box.
#include "tests/app/WindowFixture.h"

#include "app/core/ParameterFile.h"
#include "app/gui/About.h"
#include "app/gui/Help.h"
#include "app/gui/Parameters.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFont>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>

using namespace orlenta;

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
    EXPECT_EQ(caption("Label2_0"), "Origin X");
    EXPECT_EQ(find<QToolButton>("ToolButton2")->defaultAction(), find<QAction>("Create1"));
    EXPECT_EQ(window->FontChoice().Name, "Stick40");
    EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.5);
    EXPECT_EQ(Globals().Params.Precision, 8);
    EXPECT_EQ(Globals().OrientationFlag, 1);
}

TEST_F(WindowTest, MenusCarryTheirItemsInOrder) {
    const std::pair<const char*, QStringList> menus[] = {
        {"File1",
         {"Save As &G-Code", "Save As &DXF", "Save As S&VG", "", "&Recent Files", "", "&Exit"}},
        {"Parameters1",
         {"&Set Parameters", "&Create", "", "&Select Font", "Stroke &Fonts", "", "Several &Lines",
          "Text &Layout..."}},
        {"View1",
         {"&Fit", "Zoom &In", "Zoom &Out", "", "&Update While Typing", "",
          "Show &Origin and Extent", "Follow &Dark Theme", "&Shade V-Carve by Depth"}},
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
    EXPECT_EQ(caption("Label2_0"), "Center X");
    EXPECT_EQ(caption("Label2_1"), "Center Y");
    EXPECT_TRUE(edit("txtRad")->isEnabled());
    EXPECT_TRUE(edit("txtAng")->isEnabled());
    EXPECT_FALSE(edit("txtWidth")->isEnabled());
    find<QRadioButton>("optLinear")->click();
    EXPECT_EQ(caption("Label2_0"), "Origin X");
    EXPECT_EQ(caption("Label2_1"), "Origin Y");
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

// A text pasted from somewhere else may be any length: Create says what the limit is
// rather than running out of memory or cutting the text short without a word.
TEST_F(WindowTest, TooLongATextIsRefusedWithTheLimit) {
    QApplication::clipboard()->setText(QString(150000, QChar('W')));
    QLineEdit* text = edit("edFont");
    text->setFocus();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    pressEnter("edFont");
    EXPECT_EQ(recorder.Messages,
              std::vector<std::string>{"The text is too long: at most 100000 characters"});
    EXPECT_EQ(Globals().Toolpaths.size(), 1u);
}

// One note per Create in the status bar, no message box; a Create whose font has every
// character clears it.
TEST_F(WindowTest, CreateNamesTheCharactersTheFontLacksInTheStatusBar) {
    // Set rather than typed: QTest types ASCII keys only (such text comes through an input
    // method).
    setText("edFont", QString::fromUtf8("A\u4e2d \ud55c\u4e2d"));
    pressEnter("edFont");
    EXPECT_GT(Globals().Toolpaths.size(), 1u);
    EXPECT_EQ(find<QLabel>("lblMissing")->text().toStdString(),
              "Warning: the font \"Stick40\" has no glyph for: \u4e2d, \ud55c");
    EXPECT_TRUE(recorder.Messages.empty());
    setText("edFont", "AB");
    pressEnter("edFont");
    EXPECT_EQ(find<QLabel>("lblMissing")->text().toStdString(), "");
    EXPECT_TRUE(errors.empty());
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

// Answers the next modal message box once it is shown, as a person would.
void AnswerMessageBox(const std::function<void(QMessageBox*)>& answer) {
    QTimer::singleShot(10, [answer] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            answer(box);
        else
            AnswerMessageBox(answer);
    });
}

// The real "Save anyway?" box: it lists the problems, Enter takes its default, Cancel, and
// nothing is written; Save writes the file.
TEST_F(WindowTest, SaveAnywayListsTheProblemsAndOnlySaveWrites) {
    window->SaveAnyway1 = [this](const std::vector<std::string>& problems) {
        return AskSaveAnyway(window.get(), problems);
    };
    setText("edFont", "I");
    find<QAction>("Create1")->trigger(); // with the start-up values: no feeds, no clearance
    ASSERT_GT(Globals().Toolpaths.size(), 1u);
    TTempFile file("anyway.Dnc");
    saveAnswer = QString::fromStdString(file.Path.string());

    QString listed;
    bool cancelIsDefault = false;
    AnswerMessageBox([&](QMessageBox* box) {
        listed = box->text() + "\n" + box->informativeText();
        cancelIsDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
        QTest::keyClick(box, Qt::Key_Return);
    });
    find<QAction>("SaveGCode1")->trigger();
    EXPECT_TRUE(cancelIsDefault);
    for (const char* part : {"RoughFeed is 0", "RoughPlunge is 0", "RapidHeight is 0",
                             "Depth 0.5 is written as 0 (Decimal 0)", "Save anyway?"})
        EXPECT_TRUE(listed.contains(part)) << part << " in " << listed.toStdString();
    EXPECT_FALSE(std::filesystem::exists(file.Path));

    AnswerMessageBox([](QMessageBox* box) {
        QTest::mouseClick(box->button(QMessageBox::Save), Qt::LeftButton);
    });
    find<QAction>("SaveGCode1")->trigger();
    EXPECT_TRUE(std::filesystem::exists(file.Path));
    EXPECT_EQ(Globals().RunFlag, 0);
    EXPECT_TRUE(errors.empty());
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

TEST_F(WindowTest, StartsInTheTextFieldWithItsTextSelected) {
    EXPECT_EQ(window->focusWidget(), edit("edFont"));
    EXPECT_EQ(edit("edFont")->selectedText(), "Enter Text Here");
    QTest::keyClicks(window->focusWidget(), "Hi");
    EXPECT_EQ(edit("edFont")->text(), "Hi");
}

// Select all, copy, cut, paste, undo and the editing keys work in the numeric fields as in
// any text field; pasted text keeps what typing it would keep, and pasting into one size
// field sizes the text by it, as typing does.
TEST_F(WindowTest, NumericFieldsTakeShortcutsEditingKeysAndFilteredPaste) {
    setText("txtHeight", "0.5");
    QLineEdit* h = edit("txtHeight");
    h->setFocus();
    QTest::keyClick(h, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(h, "0.2");
    EXPECT_EQ(h->text(), "0.2");
    QTest::keyClick(h, Qt::Key_Home);
    QTest::keyClick(h, Qt::Key_Delete);
    QTest::keyClick(h, Qt::Key_Right);
    QTest::keyClick(h, Qt::Key_Backspace);
    QTest::keyClick(h, Qt::Key_End);
    QTest::keyClicks(h, "5");
    EXPECT_EQ(h->text(), "25");
    QTest::keyClick(h, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(h, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(h->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "25");
    QTest::keyClick(h, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(h->text(), "25");

    QApplication::clipboard()->setText("1a-2,3e");
    for (const char* name : {"txtBoundBoxX", "txtWidth"}) {
        QLineEdit* e = edit(name);
        e->setFocus();
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(e->text(), "1-2,3") << name;
    }
    EXPECT_EQ(edit("txtHeight")->text(), "0"); // the paste into the width zeroed it
    EXPECT_EQ(edit("txtBoundBoxY")->text(), "0");
}

TEST_F(WindowTest, ANonNumberSelectsTheFieldItCameFrom) {
    setText("edFont", "AB");
    type("txtBoundBoxY", "1-2");
    edit("edFont")->setFocus();
    find<QAction>("Create1")->trigger();
    EXPECT_EQ(errors, std::vector<std::string>{"'01-2' is not a valid floating point value"});
    EXPECT_EQ(window->focusWidget(), edit("txtBoundBoxY"));
    EXPECT_EQ(edit("txtBoundBoxY")->selectedText(), "01-2");
}

// Every kind of change after a Create shows that the preview is out of date; Create clears
// it. Nothing is out of date before the first Create.
TEST_F(WindowTest, ChangesAfterCreateMarkThePreviewOutOfDate) {
    TfrmParameters parameters;
    window->SetDialogs(&parameters, nullptr);
    QLabel* note = find<QLabel>("lblStale");
    type("edFont", "x");
    EXPECT_FALSE(window->PreviewOutOfDate());
    setText("edFont", "AB");
    setText("txtRad", "30");

    const std::pair<const char*, std::function<void()>> changes[] = {
        {"text", [&] { type("edFont", "C"); }},
        {"size", [&] { type("txtHeight", "2"); }},
        {"a discarded key that zeroes the other size",
         [&] {
             setText("txtWidth", "40");
             find<QAction>("Create1")->trigger();
             type("txtHeight", "x");
         }},
        {"origin", [&] { type("txtBoundBoxX", "1"); }},
        {"layout", [&] { find<QRadioButton>("optArc")->click(); }},
        {"alignment", [&] { find<QRadioButton>("rgArc_2")->click(); }},
        {"font",
         [&] {
             window->FontDialog1 = [] { return std::optional<QFont>(QFont("DejaVu Serif")); };
             find<QAction>("SelectFont1")->trigger();
         }},
        {"parameters",
         [&] {
             QTimer::singleShot(0, [&] {
                 QTest::keyClicks(parameters.focusWidget(), "0.2");
                 QTest::keyClick(parameters.focusWidget(), Qt::Key_Return);
             });
             find<QAction>("SetParameters1")->trigger();
         }},
    };
    for (const auto& [what, change] : changes) {
        find<QAction>("Create1")->trigger();
        EXPECT_FALSE(window->PreviewOutOfDate()) << what;
        EXPECT_TRUE(note->isHidden()) << what;
        change();
        EXPECT_TRUE(window->PreviewOutOfDate()) << what;
        EXPECT_FALSE(note->isHidden()) << what;
        EXPECT_EQ(note->text(), "Preview out of date \u2014 press Create") << what;
    }
    EXPECT_DOUBLE_EQ(Globals().Params.Depth, 0.2);
    // Choosing what is already chosen, or cancelling the parameters, changes nothing.
    find<QAction>("Create1")->trigger();
    find<QRadioButton>("optArc")->click();
    find<QAction>("SelectFont1")->trigger();
    QTimer::singleShot(0, [&] { QTest::keyClick(parameters.focusWidget(), Qt::Key_Escape); });
    find<QAction>("SetParameters1")->trigger();
    EXPECT_FALSE(window->PreviewOutOfDate());
    EXPECT_TRUE(errors.empty());
    // An edit made while Create processes messages is not in what it builds.
    int pumps = 0;
    SetMessagePumpHook([&] {
        if (pumps++ == 0)
            type("edFont", "D");
        QCoreApplication::processEvents();
    });
    find<QAction>("Create1")->trigger();
    SetMessagePumpHook([] { QCoreApplication::processEvents(); });
    EXPECT_GT(pumps, 0);
    EXPECT_TRUE(window->PreviewOutOfDate());
}

// Save As while the preview is out of date asks first: Cancel saves nothing, "Save As Is"
// writes the toolpaths shown, "Create First" builds from the fields and writes those.
TEST_F(WindowTest, SaveWhileOutOfDateOffersToCreateFirst) {
    Globals().Params.Decimal = 3;
    setText("edFont", "I");
    find<QAction>("Create1")->trigger();
    const TOutRegionArray shown = Globals().Toolpaths;
    type("edFont", "O");
    TTempFile gcode("stale.Dnc");
    TTempFile dxf("stale.Dxf");

    saveAnswer = QString::fromStdString(gcode.Path.string());
    staleAnswer = TStaleSaveChoice::Cancel;
    find<QAction>("SaveGCode1")->trigger();
    EXPECT_EQ(staleQuestions, 1);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(Globals().RunFlag, 0);
    EXPECT_FALSE(std::filesystem::exists(gcode.Path));

    staleAnswer = TStaleSaveChoice::SaveAsIs;
    find<QAction>("SaveGCode1")->trigger();
    ExpectSameMoves(ReadGCodeMoves(ReadAll(gcode.Path)), ExpectedMoves(shown), 0.0005);
    EXPECT_TRUE(window->PreviewOutOfDate());

    staleAnswer = TStaleSaveChoice::CreateFirst;
    find<QAction>("SaveGCode1")->trigger();
    EXPECT_FALSE(window->PreviewOutOfDate());
    EXPECT_GT(Globals().Toolpaths.size(), shown.size()); // "IO" has more than "I"
    ExpectSameMoves(ReadGCodeMoves(ReadAll(gcode.Path)), ExpectedMoves(Globals().Toolpaths),
                    0.0005);
    EXPECT_EQ(staleQuestions, 3);

    // DXF alike; and once fresh, no question.
    type("edFont", "O");
    saveAnswer = QString::fromStdString(dxf.Path.string());
    staleAnswer = TStaleSaveChoice::Cancel;
    find<QAction>("SaveDXF1")->trigger();
    EXPECT_FALSE(std::filesystem::exists(dxf.Path));
    staleAnswer = TStaleSaveChoice::CreateFirst;
    find<QAction>("SaveDXF1")->trigger();
    EXPECT_TRUE(std::filesystem::exists(dxf.Path));
    find<QAction>("SaveDXF1")->trigger();
    EXPECT_EQ(staleQuestions, 5);
    // A Create that fails saves nothing.
    type("edFont", "O");
    setText("txtHeight", "");
    type("txtHeight", "1-");
    std::filesystem::remove(dxf.Path);
    find<QAction>("SaveDXF1")->trigger();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dxf.Path));
}

// Select Font opens on the face and style chosen before, so OK alone keeps bold and italic.
TEST_F(WindowTest, SelectFontOpensOnTheCurrentFaceAndStyle) {
    const auto realDialog = window->FontDialog1;
    QFont chosen("DejaVu Serif");
    chosen.setBold(true);
    chosen.setItalic(true);
    window->FontDialog1 = [&] { return std::optional<QFont>(chosen); };
    find<QAction>("SelectFont1")->trigger();
    window->FontDialog1 = realDialog;
    QFont openedOn;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        openedOn = dialog->currentFont();
        dialog->accept();
    });
    find<QAction>("SelectFont1")->trigger();
    EXPECT_EQ(openedOn.family(), "DejaVu Serif");
    EXPECT_TRUE(openedOn.bold());
    EXPECT_TRUE(openedOn.italic());
    EXPECT_EQ(window->FontChoice().Name, "DejaVu Serif");
    EXPECT_TRUE(window->FontChoice().Bold);
    EXPECT_TRUE(window->FontChoice().Italic);
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

TEST(AboutBox, NamesTheParameterFileInUseEachTimeItOpens) {
    const std::filesystem::path shipped = "/opt/orlenta/share/orlenta/Parameters.cfg";
    const std::filesystem::path user = "/home/someone/.config/orlenta/Parameters.cfg";
    SetParameterFiles({shipped, user});
    TfrmAbout about;
    about.show();
    const QLabel* named = about.findChild<QLabel*>("ParametersFile");
    EXPECT_EQ(named->text().toStdString(),
              "Parameter file: " + shipped.string() + " (saving creates " + user.string() + ")");
    EXPECT_GE(about.width(), named->sizeHint().width());
    about.hide();
    // After the first save the user's file is the one in use.
    SetParameterFiles({user, user});
    about.show();
    EXPECT_EQ(named->text().toStdString(), "Parameter file: " + user.string());
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    SetParameterFiles({});
}

} // namespace

// Create > Several Lines swaps the one-line field for a multi-line editor (each keeps its
// text); Create > Text Layout sets the line spacing and mirror that Create then uses, and
// names a field that is not a number without closing.
TEST_F(WindowTest, SeveralLinesAndTheTextLayoutDialogReachCreate) {
    setText("edFont", "HI");
    find<QAction>("Create1")->trigger();
    const TViewBox oneLine = Globals().ViewBox;
    EXPECT_NEAR(oneLine.MinY, 0, 0.01);

    auto* lines = find<QPlainTextEdit>("edLines");
    find<QAction>("SeveralLines1")->trigger();
    EXPECT_TRUE(lines->isVisible());
    EXPECT_FALSE(edit("edFont")->isVisible());
    EXPECT_EQ(lines->toPlainText(), "HI");
    lines->setFocus();
    QTest::keyClick(lines, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(lines, Qt::Key_Return);
    QTest::keyClicks(lines, "HI");
    EXPECT_TRUE(window->PreviewOutOfDate());
    find<QAction>("Create1")->trigger();
    // Height 1: the second line's baseline 1.5 below the first; H and I sit on it.
    EXPECT_NEAR(Globals().ViewBox.MinY, -1.5, 0.01);
    EXPECT_NEAR(Globals().ViewBox.MaxX, oneLine.MaxX, 0.01);

    // A field that is not a number keeps the dialog open and changes nothing.
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->focusWidget(), "x");
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        auto* error = dialog->findChild<QLabel*>("lblError");
        shown = error->isVisible() ? error->text() : QString();
        EXPECT_TRUE(dialog->isVisible());
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    });
    find<QAction>("TextLayout1")->trigger();
    EXPECT_EQ(shown, "'x' is not a valid floating point value");
    EXPECT_FALSE(window->PreviewOutOfDate());

    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->focusWidget(), "2"); // the line spacing, selected
        dialog->findChild<QCheckBox*>("chkMirror")->click();
        QTest::keyClick(dialog->findChild<QLineEdit*>("txtWordSpacing"), Qt::Key_Return);
    });
    find<QAction>("TextLayout1")->trigger();
    EXPECT_TRUE(window->PreviewOutOfDate());
    find<QAction>("Create1")->trigger();
    EXPECT_NEAR(Globals().ViewBox.MinY, -2, 0.01);
    EXPECT_NEAR(Globals().ViewBox.MinX, -oneLine.MaxX, 0.01);
    EXPECT_NEAR(Globals().ViewBox.MaxX, -oneLine.MinX, 0.01);

    // Back to one line: the field still holds its own text.
    find<QAction>("SeveralLines1")->trigger();
    EXPECT_TRUE(edit("edFont")->isVisible());
    EXPECT_EQ(edit("edFont")->text(), "HI");
    find<QAction>("Create1")->trigger();
    EXPECT_NEAR(Globals().ViewBox.MinY, 0, 0.01);
    EXPECT_TRUE(errors.empty());
}

// Text Layout > "Shape Text": the window's Create then kerns "AV" in an outline font (its
// ink narrower than without), and the dialog keeps the rotation it shows.
TEST_F(WindowTest, TextLayoutShapesTextAndKeepsTheRotation) {
    window->FontDialog1 = [] { return std::optional<QFont>(QFont("DejaVu Sans")); };
    find<QAction>("SelectFont1")->trigger();
    setText("edFont", "AV");
    find<QAction>("Create1")->trigger();
    const double plain = Globals().ViewBox.Width;

    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* shape = dialog->findChild<QCheckBox*>("chkShape");
        EXPECT_EQ(shape->text(), "Shape Text (kerning, ligatures, right-to-left)");
        EXPECT_FALSE(shape->isChecked());
        shape->click();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    find<QAction>("TextLayout1")->trigger();
    find<QAction>("Create1")->trigger();
    EXPECT_LT(Globals().ViewBox.Width, plain - 0.02);

    // A quarter turn: the text's width now runs up the Y axis.
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->findChild<QCheckBox*>("chkShape")->isChecked());
        auto* rotation = dialog->findChild<QLineEdit*>("txtRotation");
        rotation->selectAll();
        QTest::keyClicks(rotation, "90");
        QTest::keyClick(rotation, Qt::Key_Return);
    });
    find<QAction>("TextLayout1")->trigger();
    const double shaped = Globals().ViewBox.Width;
    find<QAction>("Create1")->trigger();
    EXPECT_NEAR(Globals().ViewBox.Height, shaped, 0.01);
    EXPECT_TRUE(errors.empty());
}

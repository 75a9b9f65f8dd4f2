// What the window remembers between runs: its inputs survive the window object, a
// hand-edited settings file cannot feed Create what the fields refuse, and saving proposes a
// name and folder and keeps the Recent Files list.
#include "tests/app/WindowFixture.h"

#include "app/gui/RememberedSettings.h"

#include <QAction>
#include <QFont>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

using namespace orlenta;

namespace {

class RememberedSettingsTest : public WindowTest {
  protected:
    // Closes the window as the user does and opens the program's window again.
    void restart() {
        QTest::keyClick(edit("edFont"), Qt::Key_Q, Qt::ControlModifier);
        reopen();
    }
    // A new window object on the same settings, as the next run of the program starts.
    // between: what happens while no window is open.
    void reopen(const std::function<void()>& between = {}) {
        window.reset();
        if (between)
            between();
        SetMessagePumpHook(previousPump);
        SetUp();
    }
    QStringList recentItems() {
        QStringList items;
        for (QAction* a : find<QMenu>("RecentFiles1")->actions())
            items << a->text();
        return items;
    }
    void saveAs(const std::filesystem::path& file, Qt::KeyboardModifiers keys) {
        saveAnswer = QString::fromStdString(file.string());
        QTest::keyClick(edit("edFont"), Qt::Key_S, keys);
    }
};

TEST_F(RememberedSettingsTest, InputsSurviveARestartOfTheWindow) {
    QLineEdit* text = edit("edFont");
    text->setFocus();
    text->selectAll();
    QTest::keyClicks(text, "ACME Ltd");
    window->FontDialog1 = [] {
        QFont f("DejaVu Sans");
        f.setBold(true);
        return std::optional<QFont>(f);
    };
    find<QAction>("SelectFont1")->trigger();
    choose("optArc");
    choose("rgArc_2");
    type("txtRad", "25");
    type("txtAng", "-3,5");
    type("txtBoundBoxX", "7");
    type("txtHeight", "2");
    // Text Layout: letter spacing 0.25, mirrored and shaped, through the dialog's keys.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* spacing = dialog->findChild<QLineEdit*>("txtCharSpacing");
        spacing->selectAll();
        QTest::keyClicks(spacing, "0.25");
        QTest::keyClick(dialog->findChild<QWidget*>("chkMirror"), Qt::Key_Space);
        QTest::keyClick(dialog->findChild<QWidget*>("chkShape"), Qt::Key_Space);
        QTest::keyClick(spacing, Qt::Key_Return);
    });
    find<QAction>("TextLayout1")->trigger();
    find<QAction>("SeveralLines1")->trigger();
    auto* lines = find<QPlainTextEdit>("edLines");
    QTest::keyClick(lines, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(lines, Qt::Key_Return);
    QTest::keyClicks(lines, "Unit 4");
    find<QAction>("UpdateWhileTyping1")->trigger();
    find<QAction>("ShowOriginAndExtent1")->trigger();
    find<QAction>("FollowDarkTheme1")->trigger();
    find<QAction>("ShadeByDepth1")->trigger();
    window->resize(811, 533);
    QCoreApplication::processEvents();

    restart();
    EXPECT_EQ(edit("edFont")->text(), "ACME Ltd");
    EXPECT_EQ(find<QPlainTextEdit>("edLines")->toPlainText(), "ACME Ltd\nUnit 4");
    EXPECT_TRUE(find<QAction>("SeveralLines1")->isChecked());
    EXPECT_TRUE(find<QPlainTextEdit>("edLines")->isVisible());
    EXPECT_EQ(window->FontChoice().Name, "DejaVu Sans");
    EXPECT_TRUE(window->FontChoice().Bold);
    EXPECT_FALSE(window->FontChoice().Italic);
    EXPECT_TRUE(find<QRadioButton>("optArc")->isChecked());
    EXPECT_TRUE(edit("txtRad")->isEnabled()); // as if Arc had been clicked
    EXPECT_FALSE(edit("txtWidth")->isEnabled());
    EXPECT_EQ(caption("Label2_0"), "Center X");
    EXPECT_TRUE(find<QRadioButton>("rgArc_2")->isChecked());
    EXPECT_EQ(edit("txtRad")->text(), "025");
    EXPECT_EQ(edit("txtAng")->text(), "0-3,5");
    EXPECT_EQ(edit("txtBoundBoxX")->text(), "07");
    EXPECT_EQ(edit("txtHeight")->text(), "12");
    EXPECT_EQ(edit("txtWidth")->text(), "0");
    EXPECT_FALSE(find<QAction>("UpdateWhileTyping1")->isChecked());
    EXPECT_FALSE(find<QAction>("ShowOriginAndExtent1")->isChecked());
    EXPECT_TRUE(find<QAction>("FollowDarkTheme1")->isChecked());
    EXPECT_FALSE(find<QAction>("ShadeByDepth1")->isChecked());
    {
        const TfrmFont again; // the fixture resizes its own window; this one keeps the size
        EXPECT_EQ(again.size(), QSize(811, 533));
    }
    EXPECT_FALSE(window->PreviewOutOfDate()); // nothing created yet, nothing stale

    // The Text Layout dialog opens on what was set.
    QString spacing;
    bool mirrored = false;
    bool shaped = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        spacing = dialog->findChild<QLineEdit*>("txtCharSpacing")->text();
        mirrored = dialog->findChild<QAbstractButton*>("chkMirror")->isChecked();
        shaped = dialog->findChild<QAbstractButton*>("chkShape")->isChecked();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    });
    find<QAction>("TextLayout1")->trigger();
    EXPECT_EQ(spacing, "0.25");
    EXPECT_TRUE(mirrored);
    EXPECT_TRUE(shaped);
}

// Values the window could never have written are passed over, each alone: the others still
// come back, and Create never meets a field its filter would refuse.
TEST_F(RememberedSettingsTest, AHandEditedFileCannotFeedCreateWhatTheFieldsRefuse) {
    reopen([] {
        QSettings s("Orlenta", "orlenta");
        s.setValue("fields/height", "12mm");
        s.setValue("text/lines", QString(3 * MaxTextLength, 'A'));
        s.setValue("fields/radius", "5");
        s.setValue("layout/alignment", "Middle");
        s.setValue("textLayout/lineSpacing", "nan");
        s.setValue("textLayout/charSpacing", "inf");
        s.setValue("font/name", "");
        s.setValue("window/geometry", QByteArray("not a geometry"));
        s.setValue("save/recentFiles", QStringList{"", "/a.Dnc", "/a.Dnc"});
    });
    EXPECT_EQ(edit("txtHeight")->text(), "1");
    EXPECT_EQ(find<QPlainTextEdit>("edLines")->toPlainText().size(), MaxTextLength + 1);
    EXPECT_EQ(edit("txtRad")->text(), "5");
    EXPECT_TRUE(find<QRadioButton>("rgArc_0")->isChecked());
    EXPECT_EQ(window->FontChoice().Name, "Stick40");
    EXPECT_EQ(recentItems(), QStringList{"&1 /a.Dnc"});
    QSettings s("Orlenta", "orlenta");
    TWindowSettings loaded;
    LoadWindowSettings(s, loaded);
    EXPECT_EQ(loaded.Style, TTextStyle{});
}

TEST_F(RememberedSettingsTest, SavingProposesANameAndTheFolderAndKeepsRecentFiles) {
    const ScratchDir gcode("orlenta_gcode_");
    const ScratchDir drawings("orlenta_dxf_");
    QLineEdit* text = edit("edFont");
    text->setFocus();
    text->selectAll();
    QTest::keyClicks(text, "ACME Ltd.");
    pressEnter("edFont");
    EXPECT_FALSE(find<QMenu>("RecentFiles1")->menuAction()->isEnabled());

    saveAs(gcode.Path() / "plate.Dnc", Qt::ControlModifier);
    saveAs(drawings.Path() / "plate.dxf", Qt::ControlModifier | Qt::ShiftModifier);
    saveAs(gcode.Path() / "second.Dnc", Qt::ControlModifier);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Suggested, "ACME_Ltd.Dnc"); // no folder before the first save
    EXPECT_EQ(requests[1].Suggested, "ACME_Ltd.Dxf"); // each format its own folder
    EXPECT_EQ(requests[2].Suggested,
              QString::fromStdString((gcode.Path() / "ACME_Ltd.Dnc").string()));
    const QString plate = QString::fromStdString((gcode.Path() / "plate.Dnc").string());
    const QString second = QString::fromStdString((gcode.Path() / "second.Dnc").string());
    const QString drawing = QString::fromStdString((drawings.Path() / "plate.dxf").string());
    EXPECT_EQ(recentItems(), (QStringList{"&1 " + second, "&2 " + drawing, "&3 " + plate}));

    // A recent file that is gone is still a target; its extension chooses the format.
    std::filesystem::remove(plate.toStdString());
    std::filesystem::remove(drawing.toStdString());
    saveAnswer = plate;
    find<QMenu>("RecentFiles1")->actions()[2]->trigger();
    saveAnswer = drawing;
    find<QMenu>("RecentFiles1")->actions()[2]->trigger(); // the drawing, now third
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[3].Title, "Save As G-Code");
    EXPECT_EQ(requests[3].Suggested, plate);
    EXPECT_EQ(requests[4].Title, "Save As DXF");
    EXPECT_EQ(requests[4].Suggested, drawing);
    EXPECT_EQ(ReadAll(plate.toStdString()).substr(0, 3), "G90");
    EXPECT_TRUE(std::filesystem::exists(drawing.toStdString()));
    EXPECT_EQ(recentItems().front(), "&1 " + drawing);

    // Eight at most, newest first; they survive a restart. A cancelled save adds nothing.
    for (int i = 0; i < 9; ++i)
        saveAs(gcode.Path() / std::string("n").append(std::to_string(i)).append(".Dnc"),
               Qt::ControlModifier);
    saveAnswer = std::nullopt;
    QTest::keyClick(edit("edFont"), Qt::Key_S, Qt::ControlModifier);
    const QStringList before = recentItems();
    ASSERT_EQ(before.size(), MaxRecentFiles);
    EXPECT_TRUE(before.front().endsWith("n8.Dnc"));
    EXPECT_TRUE(before.back().endsWith("n1.Dnc"));
    restart();
    EXPECT_EQ(recentItems(), before);
}

} // namespace

// The window beyond its first form: Save As SVG, the status bar's figures and cursor
// position, and the View menu, wheel and middle-drag over the preview.
#include "tests/app/WindowFixture.h"

#include "app/gui/Help.h"
#include "kernel/ProgramStatistics.h"
#include "preview/PantoGraph.h"

#include <QAbstractButton>
#include <QAction>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QWheelEvent>

#include <fstream>
#include <map>
#include <set>

using namespace orlenta;

namespace {

const QRgb Blue = qRgb(0, 0, 255);

class WindowStatusTest : public WindowTest {
  protected:
    void moveMouse(QPoint to, Qt::MouseButtons buttons) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), preview()->mapToGlobal(QPointF(to)),
                         Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(preview(), &move);
    }
    void wheel(QPoint at, int delta) {
        QWheelEvent w(QPointF(at), preview()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(preview(), &w);
    }
    void key(int k) {
        QTest::keyClick(edit("edFont"), static_cast<Qt::Key>(k), Qt::ControlModifier);
    }
    // The position the status bar shows, after the mouse moved to pixel at.
    QPointF shownPosition(QPoint at) {
        moveMouse(at, Qt::NoButton);
        const QString text = find<QLabel>("lblCursor")->text();
        const QRegularExpressionMatch m =
            QRegularExpression("^X (-?[0-9.]+)  Y (-?[0-9.]+) (mm|inch)$").match(text);
        EXPECT_TRUE(m.hasMatch()) << text.toStdString();
        return {m.captured(1).toDouble(), m.captured(2).toDouble()};
    }
    static QRect blueBox(const QImage& img) {
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == Blue)
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    // World units per pixel of the current view.
    double unitsPerPixel() { return 1 / preview()->Graph().ScaleX(); }
};

TEST_F(WindowStatusTest, SaveAsSVGWritesTheDrawingThroughTheSaveChecks) {
    // Nothing created yet: the check finds no toolpaths and "Save anyway?" is asked.
    TTempFile file("window.svg");
    saveAnswer = QString::fromStdString(file.Path.string());
    saveAnywayAnswer = false;
    find<QAction>("SaveSVG1")->trigger();
    ASSERT_EQ(saveProblems.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(file.Path));

    create("I");
    find<QAction>("SaveSVG1")->trigger();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Title, "Save As SVG");
    EXPECT_EQ(requests[1].DefaultExt, "svg");
    EXPECT_TRUE(requests[1].Filter.startsWith("SVG Files ("));
    EXPECT_EQ(saveProblems.size(), 1u); // a sane drawing asks nothing
    const std::string svg = ReadAll(file.Path);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("<path"), std::string::npos);

    // Out of date: asked first like the other saves; Cancel writes nothing.
    std::filesystem::remove(file.Path);
    type("edFont", "x");
    find<QAction>("SaveSVG1")->trigger();
    EXPECT_EQ(staleQuestions, 1);
    EXPECT_FALSE(std::filesystem::exists(file.Path));
}

TEST_F(WindowStatusTest, TheStatusBarShowsTheFiguresOfEachCreateInTheUnits) {
    EXPECT_EQ(find<QLabel>("lblUnits")->text(), "mm");
    EXPECT_TRUE(find<QLabel>("lblStats")->text().isEmpty());
    {
        // A window started on a parameter file in inches says so.
        std::ofstream(parameterFile.Path) << "[Parameters]\nUnits=inch\n";
        const TfrmFont started;
        EXPECT_EQ(started.findChild<QLabel*>("lblUnits")->text(), "inch");
        ResetGlobals();
    }
    for (TUnits units : {TUnits::Millimetre, TUnits::Inch}) {
        Globals().Params.Machine.Units = units;
        create(units == TUnits::Inch ? "Hi" : "ACME");
        const TProgramStatistics s = ComputeStatistics(Globals().Toolpaths, Globals().Params);
        const QString text = find<QLabel>("lblStats")->text();
        const QString unit = units == TUnits::Inch ? "inch" : "mm";
        const int d = units == TUnits::Inch ? 3 : 2;
        EXPECT_TRUE(text.startsWith(QString::number(s.Width, 'f', d) +
                                    QString::fromUtf8(" \u00d7 ") +
                                    QString::number(s.Height, 'f', d) + " " + unit))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::number(s.Toolpaths) + " toolpath"))
            << text.toStdString();
        EXPECT_TRUE(text.contains("~" + QString::number(s.Minutes, 'f', 1) + " min"));
        EXPECT_GT(s.Minutes, 0);
        // Stick40 is a stroke face: its letters' ink is close to, not exactly, the height.
        EXPECT_GT(s.Height, 8);
        EXPECT_LT(s.Height, 11);
    }
}

TEST_F(WindowStatusTest, TheCursorPositionIsTheWorkPointUnderTheMouse) {
    create("Hi");
    const TOutRegionArray& paths = Globals().Toolpaths;
    ASSERT_GT(paths.size(), 1u);
    const TMyEntity& e = paths[1].Entities.front();
    const TScreenPoint p = preview()->Graph().WorldToScreen(Vector3D(e.X1, e.Y1, 0));
    const QPointF shown = shownPosition({p.X, p.Y});
    EXPECT_NEAR(shown.x(), e.X1, unitsPerPixel());
    EXPECT_NEAR(shown.y(), e.Y1, unitsPerPixel());
    // Up on the screen is up in the work.
    EXPECT_GT(shownPosition({p.X, p.Y - 20}).y(), shown.y());
}

TEST_F(WindowStatusTest, ViewKeysZoomAndFitRestoresTheCreateViewExactly) {
    create("Hi");
    const QImage created = picture();
    const QRect before = blueBox(created);
    key(Qt::Key_Plus);
    const QRect in = blueBox(picture());
    EXPECT_GT(in.width(), before.width() + 5);
    key(Qt::Key_Minus);
    key(Qt::Key_Minus);
    EXPECT_LT(blueBox(picture()).width(), in.width() - 5);
    for (int i = 0; i < 40; ++i) // far in, then fit
        key(Qt::Key_Plus);
    key(Qt::Key_0);
    EXPECT_EQ(picture(), created);
    EXPECT_TRUE(errors.empty());
}

TEST_F(WindowStatusTest, TheWheelZoomsAboutTheCursorAndAMiddleDragPans) {
    create("Hi");
    const QRect before = blueBox(picture());
    const QPoint at(before.left() + 10, before.top() + 10);
    const QPointF under = shownPosition(at);
    wheel(at, 120);
    const QRect zoomed = blueBox(picture());
    EXPECT_GT(zoomed.width(), before.width() + 5);
    const QPointF still = shownPosition(at);
    EXPECT_NEAR(still.x(), under.x(), 2 * unitsPerPixel());
    EXPECT_NEAR(still.y(), under.y(), 2 * unitsPerPixel());
    wheel(at, -120);
    EXPECT_LT(blueBox(picture()).width(), zoomed.width() - 5);

    const QRect start = blueBox(picture());
    moveMouse({100, 100}, Qt::NoButton);
    moveMouse({130, 120}, Qt::MiddleButton);
    const QRect panned = blueBox(picture());
    EXPECT_NEAR(panned.right() - start.right(), 30, 1);
    EXPECT_NEAR(panned.top() - start.top(), 20, 1);
}

TEST_F(WindowStatusTest, StandardKeysRunTheirCommandsAndTheFontIsShown) {
    EXPECT_EQ(find<QLabel>("lblFont")->text(), "Font: Stick40");
    window->FontDialog1 = [] {
        QFont f("DejaVu Sans");
        f.setBold(true);
        f.setItalic(true);
        return std::optional<QFont>(f);
    };
    find<QAction>("SelectFont1")->trigger();
    EXPECT_EQ(find<QLabel>("lblFont")->text(), "Font: DejaVu Sans bold italic");

    create("I");
    saveAnswer = std::nullopt; // each save dialog is cancelled; the request says which
    QTest::keyClick(edit("edFont"), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(edit("txtHeight"), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Title, "Save As G-Code");
    EXPECT_EQ(requests[1].Title, "Save As DXF");
    QTest::keyClick(edit("edFont"), Qt::Key_F1);
    ASSERT_NE(window->HelpWindow(), nullptr);
    EXPECT_TRUE(window->HelpWindow()->isVisible());
    QTest::keyClick(edit("edFont"), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

// View > Shade V-Carve by Depth, on by default: the V-carve paths in shades of blue;
// off: the same pixels, all in the toolpath blue; on again: the first picture exactly.
TEST_F(WindowStatusTest, ShadingVCarvePathsByDepthCanBeTurnedOff) {
    Globals().Params.Engrave.Mode = TEngraveMode::VCarve;
    find<QAction>("ShowOriginAndExtent1")->setChecked(false); // only the paths' own pixels
    window->FontDialog1 = [] { return std::optional<QFont>(QFont("DejaVu Sans")); };
    find<QAction>("SelectFont1")->trigger();
    create("OW");
    ASSERT_FALSE(Globals().CarvePaths.empty());
    QAction* shade = find<QAction>("ShadeByDepth1");
    ASSERT_TRUE(shade->isCheckable());
    EXPECT_TRUE(shade->isChecked());
    const auto drawn = [](const QImage& img) {
        std::map<std::pair<int, int>, QRgb> pixels;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != qRgb(255, 255, 255))
                    pixels[{x, y}] = img.pixel(x, y);
        return pixels;
    };
    const QImage shaded = picture();
    shade->trigger();
    EXPECT_FALSE(shade->isChecked());
    const QImage plain = picture();
    const auto shadedPixels = drawn(shaded);
    const auto plainPixels = drawn(plain);
    std::set<QRgb> shades;
    for (const auto& [at, colour] : shadedPixels)
        shades.insert(colour);
    EXPECT_GT(shades.size(), 10u);
    ASSERT_EQ(plainPixels.size(), shadedPixels.size());
    for (const auto& [at, colour] : plainPixels) {
        ASSERT_TRUE(shadedPixels.count(at)) << at.first << "," << at.second;
        ASSERT_EQ(colour, Blue) << at.first << "," << at.second;
    }
    shade->trigger();
    EXPECT_EQ(picture(), shaded);
}

TEST_F(WindowStatusTest, EveryControlHasAnAccessibleName) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>())
        if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) || w == preview()) &&
            w->accessibleName().isEmpty() && w->isVisible())
            unnamed << w->objectName();
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
}

} // namespace

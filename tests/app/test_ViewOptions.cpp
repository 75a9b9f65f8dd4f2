// The preview's display choices driven from the View menu (origin and extent, dark theme),
// the picture at a high device-pixel ratio, and the face fontconfig put in the font's place.
#include "tests/app/WindowFixture.h"

#include "preview/PantoGraph.h"
#include "preview/PreviewOverlay.h"

#include <QAction>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QRegularExpression>
#include <QWheelEvent>

using namespace orlenta;

namespace {

QRgb toQt(std::uint32_t bgr) {
    return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

class ViewOptionsTest : public WindowTest {
  protected:
    static int count(const QImage& img, QRgb colour) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixel(x, y) == colour;
        return n;
    }
    // The work point the status bar shows with the mouse at pos.
    QPointF shownAt(QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, QPointF(pos), preview()->mapToGlobal(QPointF(pos)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(preview(), &move);
        const QString text = find<QLabel>("lblCursor")->text();
        const QRegularExpressionMatch m =
            QRegularExpression("^X (-?[0-9.]+)  Y (-?[0-9.]+) mm$").match(text);
        EXPECT_TRUE(m.hasMatch()) << text.toStdString();
        return {m.captured(1).toDouble(), m.captured(2).toDouble()};
    }
    void wheel(QPoint at, int delta) {
        QWheelEvent w(QPointF(at), preview()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(preview(), &w);
    }
};

// On by default: the light marker, box and size appear after Create and go with the menu
// item; the toolpaths are drawn the same either way.
TEST_F(ViewOptionsTest, OriginAndExtentAreShownUntilTurnedOff) {
    const QRgb light = toQt(OverlayColor);
    EXPECT_EQ(count(picture(), light), 0) << "nothing created, nothing measured";
    create("Hi");
    const QImage shown = picture();
    EXPECT_GT(count(shown, light), 100);
    QAction* option = find<QAction>("ShowOriginAndExtent1");
    ASSERT_TRUE(option->isChecked());
    option->trigger();
    const QImage hidden = picture();
    EXPECT_EQ(count(hidden, light), 0);
    EXPECT_EQ(count(hidden, qRgb(0, 0, 255)), count(shown, qRgb(0, 0, 255)));
    EXPECT_TRUE(errors.empty());
}

// Off by default (white as ever); on, the preview takes the palette's base and text.
TEST_F(ViewOptionsTest, FollowDarkThemeTakesThePalettesColours) {
    QPalette dark = window->palette();
    dark.setColor(QPalette::Base, QColor(30, 32, 36));
    dark.setColor(QPalette::Text, QColor(230, 230, 220));
    window->setPalette(dark);
    create("Hi");
    EXPECT_EQ(picture().pixel(2, 2), qRgb(255, 255, 255));
    find<QAction>("FollowDarkTheme1")->trigger();
    const QImage themed = picture();
    EXPECT_EQ(themed.pixel(2, 2), qRgb(30, 32, 36));
    EXPECT_GT(count(themed, qRgb(230, 230, 220)), 100) << "toolpaths in the text colour";
    EXPECT_EQ(count(themed, qRgb(0, 0, 255)), 0);
    find<QAction>("FollowDarkTheme1")->trigger();
    EXPECT_EQ(picture().pixel(2, 2), qRgb(255, 255, 255));
}

// At ratio 2 the picture has twice the pixels each way, and the mouse (cursor position,
// wheel zoom about the cursor) meets the same work points as at ratio 1.
TEST_F(ViewOptionsTest, AHighPixelRatioDrawsSharperAndMapsTheMouseTheSame) {
    // Following the screen (run at QT_SCALE_FACTOR=2 too): the frame has its pixels.
    create("Hi");
    EXPECT_EQ(preview()->Frame().size(), preview()->size() * preview()->devicePixelRatioF());
    preview()->SetPixelRatio(1); // whatever the screen's
    create("Hi");
    const QSize logical = preview()->size();
    ASSERT_EQ(preview()->Frame().size(), logical);
    const QPoint at(logical.width() / 3, logical.height() / 2);
    const QPointF at1 = shownAt(at);
    const double pixel = 1 / preview()->Graph().ScaleX(); // work units per pixel at ratio 1

    preview()->SetPixelRatio(2);
    preview()->repaint();
    EXPECT_EQ(preview()->Frame().size(), logical * 2);
    EXPECT_EQ(preview()->Frame().devicePixelRatio(), 2);
    const QPointF at2 = shownAt(at);
    EXPECT_NEAR(at2.x(), at1.x(), pixel);
    EXPECT_NEAR(at2.y(), at1.y(), pixel);
    EXPECT_NEAR(1 / preview()->Graph().ScaleX(), pixel / 2, pixel * 0.01);

    wheel(at, 120);
    const QPointF zoomed = shownAt(at);
    EXPECT_NEAR(zoomed.x(), at1.x(), pixel);
    EXPECT_NEAR(zoomed.y(), at1.y(), pixel);
    // A middle drag of 30 pixels moves the picture by 30 screen pixels, not 15.
    const double before = preview()->View().MinX;
    const double perPixel = 2 / preview()->Graph().ScaleX();
    for (QPoint p : {QPoint(100, 100), QPoint(130, 100)}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), preview()->mapToGlobal(QPointF(p)),
                         Qt::NoButton, p.x() == 100 ? Qt::NoButton : Qt::MiddleButton,
                         Qt::NoModifier);
        QApplication::sendEvent(preview(), &move);
    }
    EXPECT_NEAR(before - preview()->View().MinX, 30 * perPixel, perPixel);
    EXPECT_TRUE(errors.empty());
}

// A face the machine does not have: fontconfig's choice is named after the one asked for;
// a face it has is named once.
TEST_F(ViewOptionsTest, TheStatusBarNamesTheFaceFontconfigSubstituted) {
    window->FontDialog1 = [] { return std::optional<QFont>(QFont("dejavu sans")); };
    find<QAction>("SelectFont1")->trigger();
    create("Hi");
    EXPECT_EQ(find<QLabel>("lblFont")->text(), "Font: dejavu sans");

    window->FontDialog1 = [] { return std::optional<QFont>(QFont("Orlenta No Such Face")); };
    find<QAction>("SelectFont1")->trigger();
    EXPECT_EQ(find<QLabel>("lblFont")->text(), "Font: Orlenta No Such Face");
    create("Hi");
    const QString note = find<QLabel>("lblFont")->text();
    EXPECT_TRUE(note.startsWith(QString::fromUtf8("Font: Orlenta No Such Face \u2192 ")))
        << note.toStdString();
    EXPECT_GT(note.size(), QString::fromUtf8("Font: Orlenta No Such Face \u2192 ").size());
}

} // namespace

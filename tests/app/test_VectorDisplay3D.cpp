// The preview after Create: blue where the toolpaths run, white everywhere else, and the
// picture following Shift+drag (pan) and Ctrl+drag (zoom).
#include "tests/app/WindowFixture.h"

#include "preview/PantoGraph.h"
#include "tests/support/Pictures.h"
#include "tests/support/PreviewScenes.h"

#include <QAction>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTest>

#include <random>

using namespace orlenta;

namespace {

const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);

class PreviewTest : public WindowTest {
  protected:
    // Creates through the menu rather than Enter.
    void create(const QString& text) {
        setText("edFont", text);
        setText("txtHeight", "10");
        find<QAction>("Create1")->trigger();
        ASSERT_TRUE(errors.empty());
    }
    // Moves the mouse over the preview with the given buttons and keys held.
    void moveMouse(QPoint to, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), preview()->mapToGlobal(QPointF(to)),
                         Qt::NoButton, buttons, keys);
        QApplication::sendEvent(preview(), &move);
    }
    static QRect blueBox(const QImage& img) {
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == Blue)
                    box |= QRect(x, y, 1, 1);
        return box;
    }
};

TEST_F(PreviewTest, AnEmptyToolpathArrayPaintsWhite) {
    const QImage img = picture();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixel(x, y), White) << x << "," << y;
}

TEST_F(PreviewTest, ToolpathsAreBlueOnWhite) {
    find<QAction>("ShowOriginAndExtent1")->trigger(); // the toolpaths alone
    create("Hi");
    const QImage img = picture();
    int blue = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            ASSERT_TRUE(p == White || p == Blue) << x << "," << y << " " << std::hex << p;
            blue += p == Blue;
        }
    EXPECT_GT(blue, 100);

    // Every segment's middle lies on a blue pixel (or right next to one).
    TPantoGraph& graph = preview()->Graph();
    int checked = 0;
    for (std::size_t i = 1; i < Globals().Toolpaths.size(); ++i)
        for (const TMyEntity& e : Globals().Toolpaths[i].Entities) {
            const TScreenPoint s = graph.WorldToScreen(
                Vector3D((e.X1 + e.X2) / 2, (e.Y1 + e.Y2) / 2, -Globals().Toolpaths[i].Depth));
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = img.valid(s.X + dx, s.Y + dy) && img.pixel(s.X + dx, s.Y + dy) == Blue;
            EXPECT_TRUE(found) << "segment middle at " << s.X << "," << s.Y;
            ++checked;
        }
    EXPECT_GT(checked, 4);

    // The text is fitted with the margins: nothing within 19 pixels of the left or right.
    const QRect box = blueBox(img);
    EXPECT_GE(box.left(), 19);
    EXPECT_LE(box.right(), img.width() - 20);
}

TEST_F(PreviewTest, TooSmallARadiusEmptiesThePreview) {
    create("Hi");
    find<QRadioButton>("optArc")->click();
    setText("txtRad", "0.5");
    find<QAction>("Create1")->trigger();
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_TRUE(blueBox(picture()).isEmpty());
}

TEST_F(PreviewTest, ShiftDragPansThePicture) {
    create("Hi");
    const QRect before = blueBox(picture());
    moveMouse({100, 100}, Qt::NoButton, Qt::NoModifier);
    moveMouse({130, 120}, Qt::LeftButton, Qt::ShiftModifier);
    const QRect after = blueBox(picture());
    // The right and top edges stay in view (the link from the origin leaves at the bottom).
    EXPECT_NEAR(after.right() - before.right(), 30, 1);
    EXPECT_NEAR(after.top() - before.top(), 20, 1);
    EXPECT_FALSE(preview()->Busy());
}

TEST_F(PreviewTest, CtrlDragZoomsUpInDownOut) {
    create("Hi");
    const QRect before = blueBox(picture());
    moveMouse({100, 200}, Qt::NoButton, Qt::NoModifier);
    moveMouse({100, 170}, Qt::LeftButton, Qt::ControlModifier); // up: in
    const QRect zoomedIn = blueBox(picture());
    EXPECT_GT(zoomedIn.width(), before.width() + 5);
    moveMouse({100, 240}, Qt::LeftButton, Qt::ControlModifier); // down: out
    EXPECT_LT(blueBox(picture()).width(), zoomedIn.width() - 5);
}

TEST_F(PreviewTest, OtherDragsOnlyTrackTheMouse) {
    create("Hi");
    const QRect before = blueBox(picture());
    moveMouse({100, 100}, Qt::NoButton, Qt::NoModifier);
    moveMouse({150, 150}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    moveMouse({200, 120}, Qt::RightButton, Qt::ShiftModifier);
    moveMouse({220, 160}, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(blueBox(picture()), before);
    // The last position was tracked: a pan from here moves by the new step only.
    moveMouse({230, 160}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_NEAR(blueBox(picture()).right() - before.right(), 10, 1);
}

// After a resize or a maximise the picture is the one a fresh Create gives at that size.
TEST_F(PreviewTest, AResizeOrMaximiseRefitsThePictureAsCreateDoes) {
    create("Hi");
    // A pan first: the refit returns to the fit of Create, as a Create would.
    moveMouse({100, 100}, Qt::NoButton, Qt::NoModifier);
    moveMouse({130, 120}, Qt::LeftButton, Qt::ShiftModifier);
    for (int step = 0; step < 3; ++step) {
        const QSize before = preview()->size();
        if (step == 0)
            window->resize(1000, 420); // wider
        else if (step == 1)
            window->resize(520, 640); // taller
        else
            window->showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return preview()->size() != before; })) << step;
        const QImage resized = picture();
        find<QAction>("Create1")->trigger();
        EXPECT_EQ(resized, picture())
            << "step " << step << " at " << preview()->width() << "x" << preview()->height();
    }
}

TEST_F(PreviewTest, AZoomThatTurnsTheWindowInsideOutChangesNothing) {
    create("Hi");
    const QRect before = blueBox(picture());
    moveMouse({100, 5000}, Qt::NoButton, Qt::NoModifier);
    moveMouse({100, 0}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(blueBox(picture()), before);
}

} // namespace

namespace {

// Every surface format reaches the screen upright and in its colours.
TEST(CopySurface, EveryDisplayDepthCopiesUprightInColour) {
    for (int bits : {8, 15, 16, 24, 32}) {
        TPreviewPainter preview(40, 30, bits, TControlSize{40, 30});
        TDIBUltra& surface = *preview.Graph().Surface();
        surface.SetBrushColor(0xFFFFFF);
        surface.Clear();
        surface.SetPenColor(0xFF0000); // blue
        surface.MoveTo(2, 3);          // a short line near the top-left corner
        surface.LineTo(10, 3);
        QImage screen(40, 30, QImage::Format_RGB32);
        screen.fill(Qt::black);
        TScreenFrame frame;
        {
            QPainter painter(&screen);
            CopySurface(preview, painter, 40, 30, frame);
        }
        EXPECT_EQ(screen.pixel(5, 3), qRgb(0, 0, 255)) << bits << " bits";
        EXPECT_EQ(screen.pixel(5, 26), qRgb(255, 255, 255)) << bits << " bits";
        EXPECT_EQ(screen.pixel(39, 29), qRgb(255, 255, 255)) << bits << " bits";
    }
}

// The frame kept between paints is refreshed only where the surface changed: after seeded
// random clears, lines and copies of varying size it still holds the surface's block, and so
// does the screen.
TEST(CopySurface, KeptFrameFollowsTheSurface) {
    constexpr int W = 64, H = 48;
    TPreviewPainter preview(W, H, 24, TControlSize{W, H});
    TDIBUltra& surface = *preview.Graph().Surface();
    TScreenFrame frame;
    QImage screen(W, H, QImage::Format_RGB32);
    std::mt19937 rng(11);
    for (int step = 0; step < 3000; ++step) {
        const unsigned kind = rng() % 5;
        if (kind == 0) {
            surface.SetBrushColor(rng() % 3 ? 0xFFFFFF : 0x203040);
            surface.Clear();
        } else if (kind < 3) {
            surface.SetPenColor(rng() % 2 ? 0xFF0000 : 0x00A0FF);
            surface.MoveTo(int(rng() % (W + 20)) - 10, int(rng() % (H + 20)) - 10);
            surface.LineTo(int(rng() % (W + 20)) - 10, int(rng() % (H + 20)) - 10);
        } else {
            const int w = rng() % 4 ? W : 1 + int(rng() % W);
            const int h = rng() % 4 ? H : 1 + int(rng() % H);
            {
                QPainter painter(&screen);
                CopySurface(preview, painter, w, h, frame);
            }
            ASSERT_EQ(frame.Image.size(), QSize(w, h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const QRgb expected = 0xFF000000u | surface.PixelAt(x, y);
                    ASSERT_EQ(frame.Image.pixel(x, y), expected) << step << ": " << x << "," << y;
                    ASSERT_EQ(screen.pixel(x, y), expected) << step << ": " << x << "," << y;
                }
        }
    }
}

} // namespace

namespace {

// The control's own picture of a fixed scene at 320 x 200, set up and fitted as the window
// does it at start and on Create.
TRgbPicture ControlPicture(const TPreviewScene& scene) {
    TVectorDisplay3D preview;
    preview.resize(320, 200);
    preview.SetCartesian();
    preview.ResetView();
    preview.Resize();
    TViewBox box;
    box.MinX = scene.MinX;
    box.MaxX = scene.MaxX;
    box.MinY = scene.MinY;
    box.MaxY = scene.MaxY;
    preview.SetView(box, 20, 20, true);
    preview.OnPaint = [&] {
        preview.ClearSurface();
        DrawToolpaths(preview.Graph(), scene.Toolpaths);
        preview.ShowSurface();
    };
    const QImage img = preview.grab().toImage().convertToFormat(QImage::Format_RGB888);
    TRgbPicture picture(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        std::copy_n(img.constScanLine(y), img.width() * 3, picture.At(0, y));
    return picture;
}

// The screen shows exactly the surface's picture (the goldens the headless tests check).
TEST(PreviewPicture, TheControlShowsTheGoldenPictures) {
    EXPECT_TRUE(MatchesGoldenPicture(ControlPicture(LinearTextScene()), "preview_linear_text.ppm",
                                     "control.out"));
    EXPECT_TRUE(MatchesGoldenPicture(ControlPicture(ArcTextScene()), "preview_arc_text.ppm",
                                     "control.out"));
}

} // namespace

namespace {

// A 10 x 10 square fitted with margins of 20 pixels keeps its shape, its margins and its
// place in the middle through every change of the control's size.
TEST(PreviewResize, ASquareStaysSquareAndCentred) {
    TOutRegionArray square(2);
    square[1].Depth = 0.5;
    square[1].Entities = Polyline(ClockwiseSquare({0, 0}, 10));
    TVectorDisplay3D preview;
    preview.OnPaint = [&] {
        preview.ClearSurface();
        DrawToolpaths(preview.Graph(), square);
        preview.ShowSurface();
    };
    preview.resize(300, 200);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    preview.SetCartesian();
    preview.ResetView();
    preview.Resize();
    TViewBox box;
    box.MaxX = 10;
    box.MaxY = 10;
    preview.SetView(box, 20, 20, true);
    for (const QSize size : {QSize(300, 200), QSize(520, 200), QSize(200, 460), QSize(401, 401)}) {
        preview.resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return preview.size() == size; }));
        const QImage img = preview.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QRect blue;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == qRgb(0, 0, 255))
                    blue |= QRect(x, y, 1, 1);
        const int side = std::min(size.width(), size.height()) - 40;
        EXPECT_NEAR(blue.width(), side, 1) << size.width() << "x" << size.height();
        EXPECT_NEAR(blue.height(), side, 1) << size.width() << "x" << size.height();
        EXPECT_NEAR(blue.left() + blue.right(), size.width() - 1, 2) << size.width();
        EXPECT_NEAR(blue.top() + blue.bottom(), size.height() - 1, 2) << size.height();
    }
}

} // namespace

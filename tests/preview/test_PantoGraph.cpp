#include "preview/PantoGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace orlenta;

namespace {

// An engine on a 460 x 202 drawing area with the preview's top view, as the window sets it up.
class PantoGraphTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g.DeviceWidth = 460;
        g.DeviceHeight = 202;
        g.SetViewport(0, 1, 0, 1);
        g.SetWindow(true, 0, 460, 0, 202, 0);
    }
    void PreviewView() {
        g.ViewWidth = 2;
        g.ViewHeight = 2;
        g.Zoom = 1;
        g.Azimuth = 0;
        g.Elevation = 90;
        g.UpdateView();
    }
    TPantoGraph g;
};

} // namespace

TEST_F(PantoGraphTest, ViewportCornersMapToTheDrawingArea) {
    EXPECT_EQ(g.VpXMin(), 0);
    EXPECT_EQ(g.VpXMax(), 460);
    EXPECT_EQ(g.VpYMax(), 202);
    g.SetWindow(true, -4.7619047619, 104.7619047619, -14.0476190476, 34.0476190476, 0);
    TScreenPoint p = g.WorldToScreen(Vector2D(g.XMin(), g.YMin()));
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 202);
    p = g.WorldToScreen(Vector2D(g.XMax(), g.YMax()));
    EXPECT_EQ(p.X, 460);
    EXPECT_EQ(p.Y, 0);
    EXPECT_NEAR(g.ScaleX(), 4.2, 1e-9);
}

TEST_F(PantoGraphTest, HalfwayPixelsRoundToEven) {
    EXPECT_EQ(g.WorldToScreen(Vector2D(0.5, 0)).X, 0);
    EXPECT_EQ(g.WorldToScreen(Vector2D(1.5, 0)).X, 2);
    EXPECT_EQ(g.WorldToScreen(Vector2D(2.5, 0)).X, 2);
    EXPECT_EQ(g.WorldToScreen(Vector2D(0, 2.5)).Y, 200);
    // Seeded halves, near-halves and fractions across the pixel range round as nearbyint does.
    std::mt19937_64 rng(42);
    for (int i = 0; i < 100000; ++i) {
        const double whole = static_cast<double>(static_cast<std::int64_t>(rng() % (1u << 31)) -
                                                 (std::int64_t{1} << 30));
        double x = whole + 0.5;
        if (i % 3 == 1)
            x = std::nextafter(x, rng() & 1 ? 1e300 : -1e300);
        else if (i % 3 == 2)
            x = whole + std::ldexp(static_cast<double>(rng() >> 11), -53);
        if (std::fabs(x) > 1073741824.0)
            continue;
        ASSERT_EQ(g.WorldToScreen(Vector2D(x, 0)).X, static_cast<std::int64_t>(std::nearbyint(x)))
            << x;
    }
}

TEST_F(PantoGraphTest, EmptyWindowOrViewportRaisesAndChangesNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double windows[][4] = {{5, 5, 0, 1},   {0, 1, 3, 3},   {2, 1, 0, 1},
                                 {nan, 1, 0, 1}, {0, inf, 0, 1}, {-1e308, 1e308, 0, 1}};
    for (const auto& w : windows) {
        try {
            g.SetWindow(true, w[0], w[1], w[2], w[3], 0);
            ADD_FAILURE() << "no error for " << w[0] << " " << w[1] << " " << w[2] << " " << w[3];
        } catch (const EGraphicsError& e) {
            EXPECT_STREQ(e.what(), "Window/Viewport Error");
        }
    }
    const double viewports[][4] = {
        {0.5, 0.5, 0, 1}, {-0.1, 1, 0, 1}, {0, 1.1, 0, 1}, {0, 1, 0.7, 0.2}, {0, 1, nan, 1}};
    for (const auto& v : viewports)
        EXPECT_THROW(g.SetViewport(v[0], v[1], v[2], v[3]), EGraphicsError);
    EXPECT_EQ(g.XMax(), 460);
    EXPECT_EQ(g.VpXMax(), 460);
    EXPECT_EQ(g.ScaleX(), 1.0);
}

TEST_F(PantoGraphTest, RecentreMovesTheReferencePointOnlyWhenAsked) {
    g.SetWindow(true, 10, 30, -4, 0, 7);
    EXPECT_EQ(g.RefX(), 20);
    EXPECT_EQ(g.RefY(), -2);
    EXPECT_EQ(g.RefZ, 7);
    g.SetWindow(false, 100, 200, 100, 200, 9);
    EXPECT_EQ(g.RefX(), 20);
    EXPECT_EQ(g.RefY(), -2);
    EXPECT_EQ(g.RefZ, 7);
}

TEST_F(PantoGraphTest, TopViewShowsWorldXAndYUnchanged) {
    g.SetWindow(true, 100, 560, 50, 252, 0);
    PreviewView();
    const TScreenPoint a = g.WorldToScreen(Vector3D(130, 60, -0.5));
    EXPECT_EQ(a.X, 30);
    EXPECT_EQ(a.Y, 192);
    // Depth does not move a point on the screen.
    const TScreenPoint b = g.WorldToScreen(Vector3D(130, 60, 5));
    EXPECT_EQ(b.X, a.X);
    EXPECT_EQ(b.Y, a.Y);
}

TEST_F(PantoGraphTest, PolarModeReadsRadiusAndAngles) {
    PreviewView();
    g.SetPolar(1);
    const TScreenPoint p = g.WorldToScreen(Vector3D(100, 1.5707963267948966, 1.5707963267948966));
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 102);
    g.SetPolar(0);
    EXPECT_EQ(g.WorldToScreen(Vector3D(100, 0, 0)).X, 100);
}

TEST_F(PantoGraphTest, SurfaceFormatFollowsTheDisplayDepth) {
    const int depths[][2] = {{1, 2},  {8, 2},  {9, 3},  {15, 3}, {16, 4},
                             {23, 4}, {24, 5}, {32, 5}, {0, 5},  {-3, 5}};
    for (const auto& d : depths) {
        g.CreateSurface(8, 8, d[0]);
        EXPECT_EQ(g.Surface()->Format(), d[1]) << d[0] << " bits";
    }
    EXPECT_THROW(g.CreateSurface(-1, 8, 24), DIB_ERROR);
    EXPECT_EQ(g.Surface()->Width(), 8); // the old surface is kept
}

TEST_F(PantoGraphTest, LinesToFarPointsKeepTheirSlope) {
    g.DeviceWidth = 100;
    g.DeviceHeight = 100;
    g.SetViewport(0, 1, 0, 1);
    g.SetWindow(true, 0, 100, 0, 100, 0);
    PreviewView();
    g.CreateSurface(100, 100, 24);
    TDIBUltra& s = *g.Surface();
    s.Clear();
    s.SetPenColor(0xFF0000);
    // From the centre towards a point a trillion units away, rising two for one: the row
    // pixels climb to the top edge at x = 75, as the true line does.
    g.MoveTo(Vector3D(50, 50, 0));
    g.LineTo(Vector3D(1e12, 2e12 - 50, 0));
    EXPECT_EQ(s.PixelAt(50, 50), s.PenPixel());
    for (int y = 0; y <= 50; ++y) {
        int count = 0, x = -1;
        for (int i = 0; i < 100; ++i)
            if (s.PixelAt(i, y) == s.PenPixel())
                ++count, x = i;
        ASSERT_EQ(count, 1) << "row " << y;
        EXPECT_NEAR(x, 50 + (50 - y) / 2.0, 1.0) << "row " << y;
    }

    g.SetWindow(true, 0, 50, 0, 50, 0); // two pixels per unit
    EXPECT_THROW(g.LineTo(Vector3D(std::nan(""), 0, 0)), EInvalidOp);
    EXPECT_THROW(g.LineTo(Vector3D(1e308, 0, 0)), EOverflow);
}

// LineTo3D must leave exactly the pixels, pen and pattern phase that LineTo leaves: random
// walks of sub-pixel steps (most of them stay on one pixel), long jumps and far points,
// dashed and solid, with and without the last pixel, in the top view and a turned one.
TEST_F(PantoGraphTest, LineTo3DDrawsExactlyWhatLineToDraws) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> step(-0.6, 0.6), anywhere(-20, 480), far(-1e11, 1e11);
    std::uniform_int_distribution<int> kind(0, 99);
    for (const double azimuth : {0.0, 30.0}) {
        for (const bool exclude : {true, false}) {
            for (const std::uint32_t pattern : {0xFFFFFFFFu, 0xF0F0F0F0u}) {
                TPantoGraph a, b;
                for (TPantoGraph* g : {&a, &b}) {
                    g->DeviceWidth = 460;
                    g->DeviceHeight = 202;
                    g->SetViewport(0, 1, 0, 1);
                    g->SetWindow(true, 0, 460, 0, 202, 0);
                    g->ViewWidth = 2;
                    g->ViewHeight = 2;
                    g->Zoom = 1;
                    g->Azimuth = azimuth;
                    g->Elevation = 90;
                    g->UpdateView();
                    g->CreateSurface(460, 202, 24);
                    g->Surface()->ExcludeLastPixel = exclude;
                    g->Surface()->Clear();
                    g->Surface()->SetPenColor(0xFF0000);
                    g->Surface()->SetLinePattern(pattern);
                }
                double x = 200, y = 100;
                a.MoveTo(Vector3D(x, y, 0));
                b.MoveTo(Vector3D(x, y, 0));
                for (int i = 0; i < 20000; ++i) {
                    const int k = kind(rng);
                    if (k < 90) {
                        x += step(rng) * (k < 45 ? 0.1 : 1);
                        y += step(rng) * (k < 45 ? 0.1 : 1);
                    } else if (k < 98) {
                        x = anywhere(rng);
                        y = anywhere(rng) / 2;
                    } else {
                        x = far(rng);
                        y = far(rng);
                    }
                    a.LineTo(Vector3D(x, y, -0.5));
                    b.LineTo3D(x, y, -0.5);
                    if (k == 99) {
                        x = 200, y = 100;
                        a.MoveTo(Vector3D(x, y, 0));
                        b.MoveTo(Vector3D(x, y, 0));
                    }
                }
                const TDIBUltra& sa = *a.Surface();
                const TDIBUltra& sb = *b.Surface();
                EXPECT_EQ(sa.PenX(), sb.PenX());
                EXPECT_EQ(sa.PenY(), sb.PenY());
                EXPECT_EQ(sa.LinePattern(), sb.LinePattern());
                for (int py = 0; py < 202; ++py)
                    for (int px = 0; px < 460; ++px)
                        ASSERT_EQ(sa.PixelAt(px, py), sb.PixelAt(px, py))
                            << px << "," << py << " azimuth " << azimuth << " exclude " << exclude
                            << " pattern " << pattern;
            }
        }
    }
}

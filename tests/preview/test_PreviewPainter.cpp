// The preview's picture rendered headless and compared pixel for pixel with the goldens the
// control on screen shows too; the fit that keeps the picture undistorted; and the origin
// and extent drawn around it.
#include "preview/PreviewPainter.h"

#include "kernel/ProgramStatistics.h"
#include "kernel/QuorvelKernel.h"
#include "preview/PreviewOverlay.h"
#include "tests/support/KernelFixtures.h"
#include "tests/support/Pictures.h"
#include "tests/support/PreviewScenes.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace orlenta;

namespace {

constexpr TControlSize Control{320, 200};

// Keeps the block the painter hands over, turned from the surface's B, G, R into R, G, B.
class TCapture : public TSurfaceSink {
  public:
    void CopyBlock(const TSurfaceImage& image, std::int32_t srcX, std::int32_t srcY,
                   std::int32_t width, std::int32_t height) override {
        ASSERT_EQ(image.Format, 5);
        Picture = TRgbPicture(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* src =
                    image.TopRow + std::ptrdiff_t(srcY + y) * image.RowBytes + (srcX + x) * 3;
                std::uint8_t* dst = Picture.At(x, y);
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
    }
    TRgbPicture Picture;
};

TViewWindow SceneWindow(const TPreviewScene& scene) {
    return TViewWindow{scene.MinX, scene.MaxX, scene.MinY, scene.MaxY, 0};
}

// The picture as the window shows it after Create: set up as at start, fitted with margins
// of 20 pixels, toolpaths drawn. The surface is as large as the screen it would be on.
TRgbPicture Render(const TPreviewScene& scene, TControlSize surface, TControlSize control) {
    TPreviewPainter painter(surface.Width, surface.Height, 24, control);
    painter.SetCartesian();
    painter.ResetView();
    painter.Resize(control);
    painter.SetView(SceneWindow(scene), 20, 20, true, control);
    painter.Draw(scene.Toolpaths);
    TCapture capture;
    painter.ShowSurface(capture, control);
    return capture.Picture;
}

TEST(PreviewPicture, LinearAndArcTextMatchTheirGoldensOnAnySurface) {
    for (TControlSize surface : {Control, TControlSize{800, 600}, TControlSize{1920, 1080}}) {
        SCOPED_TRACE(std::to_string(surface.Width) + "x" + std::to_string(surface.Height));
        EXPECT_TRUE(MatchesGoldenPicture(Render(LinearTextScene(), surface, Control),
                                         "preview_linear_text.ppm"));
        EXPECT_TRUE(
            MatchesGoldenPicture(Render(ArcTextScene(), surface, Control), "preview_arc_text.ppm"));
    }
}

// Through random resizes (some too small to fit anything) the last fit is kept: one scale on
// both axes, the scene's box centred, at least the margins around it and exactly the margin
// on the tighter axis. Returning to the first size gives the golden picture again.
TEST(PreviewResize, EveryResizeRefitsTheLastViewUndistortedAndCentred) {
    const TPreviewScene scene = ArcTextScene();
    TPreviewPainter painter(1920, 1080, 24, Control);
    painter.SetCartesian();
    painter.ResetView();
    painter.Resize(Control);
    painter.SetView(SceneWindow(scene), 20, 20, true, Control);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> side(1, 1000);
    for (int i = 0; i < 200; ++i) {
        const TControlSize size{side(rng), side(rng)};
        painter.Resize(size);
        if (size.Width <= 40 || size.Height <= 40)
            continue; // nothing fits; the engine keeps the last fit
        SCOPED_TRACE(std::to_string(size.Width) + "x" + std::to_string(size.Height));
        const TPantoGraph& g = painter.Graph();
        ASSERT_NEAR(g.ScaleX(), g.ScaleY(), 1e-9 * g.ScaleX());
        const TScreenPoint lo = g.WorldToScreen(Vector2D(scene.MinX, scene.MinY));
        const TScreenPoint hi = g.WorldToScreen(Vector2D(scene.MaxX, scene.MaxY));
        EXPECT_NEAR(lo.X + hi.X, size.Width, 1);
        EXPECT_NEAR(lo.Y + hi.Y, size.Height, 1);
        EXPECT_GE(lo.X, 19);
        EXPECT_GE(hi.Y, 19);
        EXPECT_NEAR(std::min(lo.X, hi.Y), 20, 1);
    }
    painter.Resize(Control);
    painter.Draw(scene.Toolpaths);
    TCapture capture;
    painter.ShowSurface(capture, Control);
    EXPECT_TRUE(MatchesGoldenPicture(capture.Picture, "preview_arc_text.ppm", "resized.out"));
}

// A bar 20 x 6 V-carved (centre line and corner branches, deepest in the middle) and a dot
// plunged once, shaded by depth; unshaded, the same lines in the toolpath colour only.
TEST(PreviewPicture, CarvePathsShadedByDepth) {
    TCarvePathArray paths(4);
    for (TCarvePath& p : paths)
        p.Clearance = -3;
    paths[0].Points = {{0, 0, 0}, {3, 3, 1.7}, {17, 3, 1.7}, {20, 6, 0}};
    paths[1].Points = {{20, 0, 0}, {17, 3, 1.7}};
    paths[2].Points = {{0, 6, 0}, {3, 3, 1.7}};
    paths[3].Points = {{25, 3, 0.8}};
    auto render = [&paths](bool shade) {
        TPreviewPainter painter(Control.Width, Control.Height, 24, Control);
        painter.SetCartesian();
        painter.ResetView();
        painter.Resize(Control);
        painter.SetView(TViewWindow{-2, 28, -2, 8, 0}, 20, 20, true, Control);
        painter.Draw(TOutRegionArray(1), paths, shade);
        TCapture capture;
        painter.ShowSurface(capture, Control);
        return capture.Picture;
    };
    EXPECT_TRUE(MatchesGoldenPicture(render(true), "preview_vcarve_shaded.ppm"));
    const TRgbPicture plain = render(false);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < plain.Height; ++y)
        for (int x = 0; x < plain.Width; ++x) {
            const std::uint8_t* p = plain.At(x, y);
            colours.insert(p[2] << 16 | p[1] << 8 | p[0]); // back to 0x00BBGGRR
        }
    EXPECT_EQ(colours, (std::set<std::uint32_t>{BackgroundColor, ToolpathColor}));
    EXPECT_EQ(CarveColor(0, 1.7, true), CarveShallowColor);
    EXPECT_EQ(CarveColor(1.7, 1.7, true), CarveDeepColor);
}

} // namespace

namespace {

// The origin marker, the dashed box and its size come in the light colour under the
// toolpaths: every pixel they change from the plain picture is light, every blue one stays.
// A painter that drew another scene before draws the same picture.
TEST(PreviewPicture, OriginAndExtentAreDrawnLightlyUnderTheToolpaths) {
    const TPreviewScene scene = LinearTextScene();
    auto render = [&scene](bool overlay, bool otherFirst = false) {
        TPreviewPainter painter(Control.Width, Control.Height, 24, Control);
        painter.SetCartesian();
        painter.ResetView();
        painter.Resize(Control);
        painter.SetView(SceneWindow(scene), 20, 20, true, Control);
        painter.Options().OriginAndExtent = overlay;
        if (otherFirst)
            painter.Draw(ArcTextScene().Toolpaths);
        painter.Draw(scene.Toolpaths, {}, false);
        TCapture capture;
        painter.ShowSurface(capture, Control);
        return capture.Picture;
    };
    const TRgbPicture shown = render(true);
    EXPECT_TRUE(MatchesGoldenPicture(shown, "preview_linear_text_extent.ppm"));
    EXPECT_TRUE(
        MatchesGoldenPicture(render(true, true), "preview_linear_text_extent.ppm", "again.out"));
    const TRgbPicture plain = render(false);
    EXPECT_TRUE(MatchesGoldenPicture(plain, "preview_linear_text.ppm", "plain.out"));
    int changed = 0;
    for (int y = 0; y < plain.Height; ++y)
        for (int x = 0; x < plain.Width; ++x) {
            const std::uint8_t* a = plain.At(x, y);
            const std::uint8_t* b = shown.At(x, y);
            if (std::equal(a, a + 3, b))
                continue;
            ++changed;
            ASSERT_EQ(std::vector<int>(b, b + 3), (std::vector<int>{0xB4, 0xB4, 0xB4}))
                << x << "," << y;
            ASSERT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{255, 255, 255}))
                << x << "," << y;
        }
    EXPECT_GT(changed, 200);
}

// The box is the one the statistics report, for lines, arcs and random scenes alike, and
// the drawing measures the same; its label is the size in the unit's decimals.
TEST(PreviewOverlay, TheBoxIsTheStatisticsBoxAndItsLabelItsSize) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> coord(-50, 50);
    std::vector<TOutRegionArray> cases = {LinearTextScene().Toolpaths, ArcTextScene().Toolpaths};
    for (int n = 0; n < 20; ++n) {
        TOutRegionArray paths(1 + n % 4);
        for (std::size_t i = 1; i < paths.size(); ++i) {
            paths[i].Depth = 0.5;
            paths[i].RapidStart = static_cast<int>(i % 2);
            std::vector<TPoint2> pts(2 + n % 5);
            for (TPoint2& p : pts)
                p = {coord(rng), coord(rng)};
            paths[i].Entities = Polyline(pts);
            if (n % 3 == 0)
                paths[i].Entities.push_back(
                    MakeArc(pts.back().x, pts.back().y, 1 + n % 7, 0.3, 1.3 + n % 5));
        }
        cases.push_back(paths);
    }
    for (const TOutRegionArray& paths : cases) {
        const TProgramStatistics s = ComputeStatistics(paths, TMachiningParameters{});
        const std::optional<TExtent> box = CutExtent(paths, {});
        ASSERT_EQ(box.has_value(), s.Toolpaths > 0);
        if (!box)
            continue;
        EXPECT_EQ(box->MinX, s.MinX);
        EXPECT_EQ(box->MinY, s.MinY);
        EXPECT_EQ(box->MaxX, s.MaxX);
        EXPECT_EQ(box->MaxY, s.MaxY);
        TPreviewPainter painter(Control.Width, Control.Height, 24, Control);
        TCutBounds drawn;
        DrawToolpaths(painter.Graph(), paths, ToolpathColor, drawn);
        EXPECT_EQ(drawn.Extent(), box);
    }
    TCarvePathArray carve(1);
    carve[0].Points = {{-1, 2, 0.5}, {3, -4, 0}};
    const std::optional<TExtent> grown = CutExtent(TOutRegionArray(1), carve);
    ASSERT_TRUE(grown);
    EXPECT_EQ(ExtentLabel(*grown, TUnits::Millimetre), "4.00 \u00d7 6.00 mm");
    EXPECT_EQ(ExtentLabel(TExtent{0, 0, 52.3, 10}, TUnits::Millimetre), "52.30 \u00d7 10.00 mm");
    EXPECT_EQ(ExtentLabel(TExtent{-1, 0, 1.0596, 0.3937}, TUnits::Inch), "2.060 \u00d7 0.394 inch");
    EXPECT_FALSE(CutExtent(TOutRegionArray(3), {}));
}

} // namespace

// The preview's picture rendered headless and compared pixel for pixel with the goldens the
// control on screen shows too; and the fit that keeps the picture undistorted.
#include "preview/PreviewPainter.h"
#include "tests/support/Pictures.h"
#include "tests/support/PreviewScenes.h"

#include <gtest/gtest.h>

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

} // namespace

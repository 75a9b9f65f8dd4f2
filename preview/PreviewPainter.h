// Everything the preview draws, without a screen: the engine and its surface set up for the
// top view, the fit of a world window into the control, the pan and zoom steps and the
// toolpaths as a wireframe. The control hands in its size and copies the finished surface
// to its screen through a TSurfaceSink; the picture is the same headless and on screen.
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/MachineSettings.h"
#include "kernel/QuorvelTypes.h"
#include "preview/PantoGraph.h"
#include "preview/PreviewOverlay.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace orlenta {

// Colours in the 0x00BBGGRR layout, patterns as the surface takes them.
inline constexpr std::uint32_t ToolpathColor = 0xFF0000; // blue
inline constexpr std::uint32_t BackgroundColor = 0xFFFFFF;
inline constexpr std::uint32_t DashedPattern = 0xEAEAEAEA; // rapid moves
inline constexpr std::uint32_t SolidPattern = 0xFFFFFFFF;

// The world window the preview shows, and the reference Z the engine takes when it recentres
// on the window (the seventh value of the layout's view box).
struct TViewWindow {
    double MinX = 0;
    double MaxX = 0;
    double MinY = 0;
    double MaxY = 0;
    double RefZ = 0;
};

// The control's drawing area in pixels.
struct TControlSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// Draws toolpaths 1 to the last as the preview shows them: blue, a dashed rapid move at
// the clearance plane where a toolpath starts with one, otherwise a solid link from the end
// of the previous toolpath (the first starts from the origin).
// color replaces the blue.
void DrawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths,
                   std::uint32_t color = ToolpathColor);
// The same, growing bounds by every cut on the way (the rule of CutExtent), so that a
// picture that shows its extent reads each segment once.
void DrawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths, std::uint32_t color,
                   TCutBounds& bounds);

// V-carve paths shaded by depth run from this colour at the surface to CarveDeepColor at
// the deepest point of the drawing.
inline constexpr std::uint32_t CarveShallowColor = 0xFFD0A0; // light blue
inline constexpr std::uint32_t CarveDeepColor = 0x400000;    // dark blue

// The colour of a V-carve piece depth deep when the deepest is deepest: ToolpathColor
// unshaded, else from CarveShallowColor to CarveDeepColor.
std::uint32_t CarveColor(double depth, double deepest, bool shadeByDepth);

// Draws V-carve paths after the toolpaths, the same way: a dashed rapid move at the clearance
// plane from where the last one ended (the first from the origin), a plunge to the first
// point, then each piece at its own depth, solid, in CarveColor.
void DrawCarvePaths(TPantoGraph& graph, const TCarvePathArray& paths, bool shadeByDepth);

// What Draw adds to the picture and the colours it uses. The defaults give the plain
// picture: blue toolpaths on white, nothing else.
struct TPreviewOptions {
    // The origin marker and the dashed box of everything cut with its size.
    bool OriginAndExtent = false;
    TUnits Units = TUnits::Millimetre; // of the size written beside the box
    // Surface pixels per screen pixel: the marker and the size grow with it, so that they
    // keep their size on a high-density screen.
    std::int32_t PixelScale = 1;
    std::uint32_t Background = BackgroundColor;
    std::uint32_t Toolpaths = ToolpathColor;
    std::uint32_t Overlay = OverlayColor;
};

class TPreviewPainter {
  public:
    // Makes the engine in polar mode with a surfaceWidth x surfaceHeight surface (the screen's
    // size, so a resized control never needs a new one; raises DIB_ERROR), white background,
    // the top view, and fits the window -100..100 on both axes into control with margins of
    // 20 pixels.
    TPreviewPainter(std::int32_t surfaceWidth, std::int32_t surfaceHeight,
                    std::int32_t bitsPerPixel, TControlSize control);

    // Fits E into the control with the margins in pixels: the scale is the same on both axes,
    // the window is centred and the margins become space around it. A scale that is not
    // positive changes nothing in the engine. E, the margins and Recentre are kept for Refit.
    void SetView(const TViewWindow& E, std::int32_t MarginX, std::int32_t MarginY, bool Recentre,
                 TControlSize control);
    // Fits the window of the last SetView again, as it was asked for. A pan or zoom step
    // since then is dropped: the picture returns to the fit Create gave it.
    void Refit(TControlSize control);
    // Top view, zoom 1.
    void ResetView();
    // Follows the control's size: device size and viewport of the engine, the surface's
    // drawable area, and the window of the last SetView fitted again (Refit), so a resized
    // control shows the picture undistorted, with its margins, centred.
    void Resize(TControlSize control);
    // Coordinates given to MoveTo3D and LineTo3D are Cartesian.
    void SetCartesian();

    // One pan step: the picture follows the mouse by dX, dY control pixels (y down).
    void Pan(double dX, double dY, TControlSize control);
    // One zoom step: every side of the window moves by 4 / screenHeight of its extent per
    // pixel of dY, inward when the mouse moves up.
    void Zoom(double dY, double screenHeight, TControlSize control);

    // One zoom step (an eighth of the extent off every side, or onto it when out) that keeps
    // the point under control pixel (px, py) where it is.
    void ZoomAbout(bool in, double px, double py, TControlSize control);

    void SetPenColor(std::uint32_t color);
    void SetLinePattern(std::uint32_t pattern);
    void MoveTo3D(double x, double y, double z);
    void LineTo3D(double x, double y, double z);
    // Fills the surface with the background colour of the options.
    void ClearSurface();
    // The whole picture: the cleared surface, the origin and extent when the options ask
    // for them, and the toolpaths on top.
    void Draw(const TOutRegionArray& toolpaths);
    // The same with V-carve paths drawn after the toolpaths.
    void Draw(const TOutRegionArray& toolpaths, const TCarvePathArray& carvePaths,
              bool shadeByDepth);
    // Hands the control-sized top-left block of the surface to sink in one copy.
    void ShowSurface(TSurfaceSink& sink, TControlSize control);

    // The point of the work plane (z = 0) drawn at control pixel (px, py), to within a
    // pixel; nothing when the view maps the plane onto a line or a point.
    std::optional<std::pair<double, double>> WorldAt(double px, double py) const;

    TPreviewOptions& Options() { return options; }
    const TPreviewOptions& Options() const { return options; }

    TPantoGraph& Graph() { return graph; }
    const TPantoGraph& Graph() const { return graph; }
    // The world window shown, kept as given even when it could not be shown.
    const TViewWindow& View() const { return view; }

  private:
    void fit(const TViewWindow& E, std::int32_t MarginX, std::int32_t MarginY, bool Recentre,
             TControlSize control);

    void drawOverlay(const std::optional<TExtent>& box);
    void drawPaths(const TOutRegionArray& toolpaths, const TCarvePathArray& carvePaths,
                   bool shadeByDepth);

    TPantoGraph graph;
    TPreviewOptions options;
    // The extent the last picture measured; the next is drawn with it first.
    std::optional<TExtent> measured;
    TViewWindow view;
    // The last SetView, for Refit.
    TViewWindow fitWindow;
    std::int32_t fitMarginX = 0;
    std::int32_t fitMarginY = 0;
    bool fitRecentre = true;
};

} // namespace orlenta

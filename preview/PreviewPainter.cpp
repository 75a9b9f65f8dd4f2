// What the preview draws; see PreviewPainter.h.
#include "preview/PreviewPainter.h"

#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace orlenta {

namespace {

template <bool Measure>
void drawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths, std::uint32_t color,
                   TCutBounds* bounds) {
    TDIBUltra* surface = graph.Surface();
    if (!surface)
        return;
    double px = 0, py = 0, pz = 0; // where the previous toolpath ended
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        const double z = -t.Depth;
        surface->SetPenColor(color);
        graph.MoveTo(Vector3D(px, py, pz));
        const TPoint2 s = ToolpathStart(t);
        if (t.RapidStart >= 1 && t.RapidStart <= 4) {
            surface->SetLinePattern(DashedPattern);
            graph.LineTo(Vector3D(px, py, -t.Clearance));
            graph.LineTo(Vector3D(s.x, s.y, -t.Clearance));
        }
        surface->SetLinePattern(SolidPattern);
        graph.LineTo(Vector3D(s.x, s.y, z));
        if constexpr (Measure)
            if (!t.Entities.empty())
                bounds->Grow(s.x, s.y);
        // Segments of a contour join end to start; moving the pen to where the last line
        // left it changes nothing, so that transform is skipped.
        double penX = s.x, penY = s.y;
        for (const TMyEntity& e : t.Entities) {
            if (e.X1 != penX || e.Y1 != penY)
                graph.MoveTo(Vector3D(e.X1, e.Y1, z));
            graph.LineTo3D(e.X2, e.Y2, z);
            penX = e.X2;
            penY = e.Y2;
            if constexpr (Measure)
                bounds->GrowBySegment(e);
        }
        const TPoint2 end = ToolpathEnd(t);
        px = end.x;
        py = end.y;
        pz = z;
    }
}

} // namespace

void DrawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths, std::uint32_t color) {
    drawToolpaths<false>(graph, toolpaths, color, nullptr);
}

void DrawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths, std::uint32_t color,
                   TCutBounds& bounds) {
    drawToolpaths<true>(graph, toolpaths, color, &bounds);
}

std::uint32_t CarveColor(double depth, double deepest, bool shadeByDepth) {
    if (!shadeByDepth)
        return ToolpathColor;
    const double t = deepest > 0 ? std::clamp(depth / deepest, 0.0, 1.0) : 0.0;
    std::uint32_t color = 0;
    for (int shift : {0, 8, 16}) {
        const double a = (CarveShallowColor >> shift) & 0xFF;
        const double b = (CarveDeepColor >> shift) & 0xFF;
        color |= static_cast<std::uint32_t>(std::lround(a + t * (b - a))) << shift;
    }
    return color;
}

void DrawCarvePaths(TPantoGraph& graph, const TCarvePathArray& paths, bool shadeByDepth) {
    TDIBUltra* surface = graph.Surface();
    if (!surface || paths.empty())
        return;
    double deepest = 0;
    for (const TCarvePath& p : paths)
        for (const TPoint3& v : p.Points)
            deepest = std::max(deepest, v.depth);
    double px = 0, py = 0, pz = 0;
    for (const TCarvePath& p : paths) {
        if (p.Points.empty())
            continue;
        const TPoint3& s = p.Points.front();
        surface->SetPenColor(ToolpathColor);
        surface->SetLinePattern(DashedPattern);
        graph.MoveTo(Vector3D(px, py, pz));
        graph.LineTo(Vector3D(px, py, -p.Clearance));
        graph.LineTo(Vector3D(s.x, s.y, -p.Clearance));
        surface->SetLinePattern(SolidPattern);
        surface->SetPenColor(CarveColor(s.depth, deepest, shadeByDepth));
        graph.LineTo(Vector3D(s.x, s.y, -s.depth));
        for (std::size_t i = 1; i < p.Points.size(); ++i) {
            const TPoint3& a = p.Points[i - 1];
            const TPoint3& b = p.Points[i];
            surface->SetPenColor(CarveColor((a.depth + b.depth) / 2, deepest, shadeByDepth));
            graph.LineTo(Vector3D(b.x, b.y, -b.depth));
        }
        px = p.Points.back().x;
        py = p.Points.back().y;
        pz = -p.Points.back().depth;
    }
}

TPreviewPainter::TPreviewPainter(std::int32_t surfaceWidth, std::int32_t surfaceHeight,
                                 std::int32_t bitsPerPixel, TControlSize control) {
    graph.SetPolar(1);
    graph.CreateSurface(surfaceWidth, surfaceHeight, bitsPerPixel);
    graph.Surface()->ExcludeLastPixel = true;
    graph.Surface()->SetBrushColor(BackgroundColor);
    graph.ViewWidth = 2.0;
    graph.ViewHeight = 2.0;
    graph.Zoom = 1.0;
    graph.Azimuth = 0;
    graph.Elevation = 90;
    graph.RefZ = 0;
    SetView(TViewWindow{-100, 100, -100, 100, 0}, 20, 20, true, control);
    ResetView();
}

void TPreviewPainter::SetView(const TViewWindow& E, std::int32_t MarginX, std::int32_t MarginY,
                              bool Recentre, TControlSize control) {
    fitWindow = E;
    fitMarginX = MarginX;
    fitMarginY = MarginY;
    fitRecentre = Recentre;
    fit(E, MarginX, MarginY, Recentre, control);
}

void TPreviewPainter::Refit(TControlSize control) {
    fit(fitWindow, fitMarginX, fitMarginY, fitRecentre, control);
}

void TPreviewPainter::fit(const TViewWindow& E, std::int32_t MarginX, std::int32_t MarginY,
                          bool Recentre, TControlSize control) {
    view = E;
    const double w = control.Width - 2.0 * MarginX;
    const double h = control.Height - 2.0 * MarginY;
    const double sx = view.MaxX == view.MinX ? 1.0 : w / (view.MaxX - view.MinX);
    const double sy = view.MaxY == view.MinY ? 1.0 : h / (view.MaxY - view.MinY);
    const double s = sx >= sy ? sy : sx;
    // Also catches NaN: a window that cannot be shown leaves the engine as it was.
    if (!(s > 0))
        return;
    const double cx = view.MinX + (view.MaxX - view.MinX) / 2;
    const double cy = view.MinY + (view.MaxY - view.MinY) / 2;
    view.MinX = cx - (control.Width / 2.0) / s;
    view.MaxX = cx + (control.Width / 2.0) / s;
    view.MinY = cy - (control.Height / 2.0) / s;
    view.MaxY = cy + (control.Height / 2.0) / s;
    graph.SetWindow(Recentre, view.MinX, view.MaxX, view.MinY, view.MaxY, view.RefZ);
    graph.SetViewport(0, 1, 0, 1);
    graph.UpdateView();
}

void TPreviewPainter::ResetView() {
    graph.Zoom = 1.0;
    graph.Azimuth = 0;
    graph.Elevation = 90;
    graph.UpdateView();
}

void TPreviewPainter::Resize(TControlSize control) {
    graph.DeviceWidth = control.Width;
    graph.DeviceHeight = control.Height;
    graph.SetViewport(0, 1, 0, 1);
    // Narrow (or grow) the drawable area now rather than after the next drawing, so a
    // control larger than the screen never shows a freshly rebuilt, empty buffer.
    if (TDIBUltra* surface = graph.Surface())
        surface->SetSize(static_cast<std::uint16_t>(control.Width),
                         static_cast<std::uint16_t>(control.Height));
    // The new viewport under the old window would scale X and Y differently.
    Refit(control);
}

void TPreviewPainter::SetCartesian() {
    graph.SetPolar(0);
}

void TPreviewPainter::Pan(double dX, double dY, TControlSize control) {
    dX /= graph.ScaleX();
    dY /= graph.ScaleY();
    TViewWindow moved = view;
    moved.MinX -= dX;
    moved.MaxX -= dX;
    moved.MinY += dY;
    moved.MaxY += dY;
    fit(moved, 0, 0, false, control);
}

void TPreviewPainter::Zoom(double dY, double screenHeight, TControlSize control) {
    // From the engine's window rather than View: after a step that could not be shown, the
    // next one starts again from the last window that was.
    double x0, x1, y0, y1;
    graph.GetWindow(x0, x1, y0, y1);
    const double k = -4 * dY / screenHeight;
    TViewWindow zoomed = view;
    zoomed.MinX = x0 + (x1 - x0) * k;
    zoomed.MaxX = x1 - (x1 - x0) * k;
    zoomed.MinY = y0 + (y1 - y0) * k;
    zoomed.MaxY = y1 - (y1 - y0) * k;
    fit(zoomed, 0, 0, true, control);
}

void TPreviewPainter::SetPenColor(std::uint32_t color) {
    if (TDIBUltra* surface = graph.Surface())
        surface->SetPenColor(color);
}

void TPreviewPainter::SetLinePattern(std::uint32_t pattern) {
    if (TDIBUltra* surface = graph.Surface())
        surface->SetLinePattern(pattern);
}

void TPreviewPainter::ZoomAbout(bool in, double px, double py, TControlSize control) {
    // A step about the centre, then a pan that brings the point back under the pixel.
    constexpr double StepScale = 32; // 4 / 32 of the extent per side
    const auto w = WorldAt(px, py);
    Zoom(in ? -1 : 1, StepScale, control);
    if (!w)
        return;
    const TScreenPoint q = graph.WorldToScreen(Vector3D(w->first, w->second, 0));
    Pan(px - q.X, py - q.Y, control);
}

std::optional<std::pair<double, double>> TPreviewPainter::WorldAt(double px, double py) const {
    // The view is affine in the plane: three mapped points give it. They lie a window's
    // extent apart, so the rounding of each to a pixel stays within a pixel of the answer.
    const double d = std::max(view.MaxX - view.MinX, view.MaxY - view.MinY);
    if (!(d > 0) || !std::isfinite(d))
        return std::nullopt;
    const double x0 = (view.MinX + view.MaxX) / 2, y0 = (view.MinY + view.MaxY) / 2;
    try {
        const TScreenPoint o = graph.WorldToScreen(Vector3D(x0, y0, 0));
        const TScreenPoint ex = graph.WorldToScreen(Vector3D(x0 + d, y0, 0));
        const TScreenPoint ey = graph.WorldToScreen(Vector3D(x0, y0 + d, 0));
        const double ax = ex.X - o.X, ay = ex.Y - o.Y, bx = ey.X - o.X, by = ey.Y - o.Y;
        const double det = ax * by - ay * bx;
        if (det == 0)
            return std::nullopt;
        const double qx = px - o.X, qy = py - o.Y;
        const double u = (qx * by - qy * bx) / det, v = (ax * qy - ay * qx) / det;
        const double x = x0 + u * d, y = y0 + v * d;
        if (!std::isfinite(x) || !std::isfinite(y))
            return std::nullopt;
        return std::pair{x, y};
    } catch (const std::exception&) {
        return std::nullopt; // a point the engine cannot map
    }
}

void TPreviewPainter::MoveTo3D(double x, double y, double z) {
    graph.MoveTo(Vector3D(x, y, z));
}

void TPreviewPainter::LineTo3D(double x, double y, double z) {
    graph.LineTo(Vector3D(x, y, z));
}

void TPreviewPainter::ClearSurface() {
    if (TDIBUltra* surface = graph.Surface()) {
        surface->SetBrushColor(options.Background);
        surface->Clear();
    }
}

void TPreviewPainter::drawOverlay(const std::optional<TExtent>& box) {
    // Nothing cut, nothing to measure: an empty preview stays empty.
    if (box)
        DrawOriginAndExtent(graph, *box, ExtentLabel(*box, options.Units), options.Overlay,
                            options.PixelScale);
}

void TPreviewPainter::drawPaths(const TOutRegionArray& toolpaths, const TCarvePathArray& carvePaths,
                                bool shadeByDepth) {
    ClearSurface();
    if (!options.OriginAndExtent) {
        DrawToolpaths(graph, toolpaths, options.Toolpaths);
        DrawCarvePaths(graph, carvePaths, shadeByDepth);
        return;
    }
    // The extent goes under the toolpaths but is only known once they are drawn: it is
    // measured while drawing them and the picture starts from the last one measured. When
    // that was not it (the first picture after a Create), the picture is drawn again, so
    // the repaints of a pan or zoom read each segment once.
    drawOverlay(measured);
    TCutBounds bounds;
    DrawToolpaths(graph, toolpaths, options.Toolpaths, bounds);
    for (const TCarvePath& p : carvePaths)
        for (const TPoint3& q : p.Points)
            bounds.Grow(q.x, q.y);
    DrawCarvePaths(graph, carvePaths, shadeByDepth);
    if (bounds.Extent() == measured)
        return;
    measured = bounds.Extent();
    ClearSurface();
    drawOverlay(measured);
    DrawToolpaths(graph, toolpaths, options.Toolpaths);
    DrawCarvePaths(graph, carvePaths, shadeByDepth);
}

void TPreviewPainter::Draw(const TOutRegionArray& toolpaths) {
    drawPaths(toolpaths, {}, false);
}

void TPreviewPainter::Draw(const TOutRegionArray& toolpaths, const TCarvePathArray& carvePaths,
                           bool shadeByDepth) {
    drawPaths(toolpaths, carvePaths, shadeByDepth);
}

void TPreviewPainter::ShowSurface(TSurfaceSink& sink, TControlSize control) {
    TDIBUltra* surface = graph.Surface();
    if (!surface)
        return;
    // The size goes through 16 bits, as the surface takes it.
    const auto w = static_cast<std::uint16_t>(control.Width);
    const auto h = static_cast<std::uint16_t>(control.Height);
    surface->SetSize(w, h);
    surface->Draw(TRect{0, 0, w, h}, sink, 0, 0);
}

} // namespace orlenta

// Window/viewport engine of the preview: maps world points through the 3D view
// transformation into a viewport in pixels and draws pen-plotter style on its surface.
#pragma once

#include "preview/DIBUltra.h"
#include "preview/VectorMatrix.h"

#include <cstdint>
#include <memory>

namespace orlenta {

class EGraphicsError : public OrlentaError {
  public:
    EGraphicsError() : OrlentaError("Window/Viewport Error") {}
};

struct TScreenPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
};

class TPantoGraph {
  public:
    // Defaults: Cartesian, no transformations, window (0, 1) x (0, 1), device size -1,
    // viewport (0, 1, 0, 1); no surface yet.
    TPantoGraph();

    // Makes the surface: 1-8 bits per pixel give format 2, 9-15 format 3, 16-23 format 4,
    // anything else format 5. Raises DIB_ERROR when the surface cannot be made.
    void CreateSurface(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel);
    TDIBUltra* Surface() { return surface.get(); }
    const TDIBUltra* Surface() const { return surface.get(); }

    // Raise EGraphicsError (state unchanged) for an empty or inverted window, or fractions
    // outside [0, 1].
    void SetWindow(bool recentre, double x0, double x1, double y0, double y1, double rz);
    void SetViewport(double fx0, double fx1, double fy0, double fy1);
    void GetWindow(double& x0, double& x1, double& y0, double& y1) const;
    // Rebuilds Transform3D from the view parameters below.
    void UpdateView();
    // A 3x3 matrix replaces Transform2D, a 4x4 one Transform3D; others are ignored.
    void SetTransform(const TMatrix& m);
    void SetPolar(std::uint8_t mode) { polar = mode; }

    // Pixel position (y down) of a world point. Raises EInvalidOp or EOverflow when the
    // point maps to NaN or infinity; positions beyond +-2^30 pixels are clamped there.
    TScreenPoint WorldToScreen(const TVector& v) const;
    void MoveTo(const TVector& v);
    // Draws from the pen to v in the surface's colour and pattern; the surface clips.
    void LineTo(const TVector& v);
    // LineTo(Vector3D(x, y, z)), the same pixels at less cost: the Cartesian mapping is
    // done without building vectors, and a line that stays on the pen's pixel, which
    // draws nothing when the surface leaves out the last pixel, never reaches it.
    void LineTo3D(double x, double y, double z);

    // View parameters; UpdateView reads them.
    double Azimuth = 45;
    double Elevation = 45;
    double ViewWidth = 10;
    double ViewHeight = 10;
    double Zoom = 10;
    double RefZ = 0;
    // Size of the drawing area in pixels; -1 until the owner sets it, then SetViewport.
    std::int32_t DeviceWidth = -1;
    std::int32_t DeviceHeight = -1;

    std::uint8_t Polar() const { return polar; }
    const TMatrix& Transform2D() const { return transform2D; }
    const TMatrix& Transform3D() const { return transform3D; }
    double XMin() const { return xMin; }
    double XMax() const { return xMax; }
    double YMin() const { return yMin; }
    double YMax() const { return yMax; }
    double ScaleX() const { return scaleX; }
    double ScaleY() const { return scaleY; }
    double RefX() const { return refX; }
    double RefY() const { return refY; }
    std::int32_t VpXMin() const { return vpXMin; }
    std::int32_t VpXMax() const { return vpXMax; }
    std::int32_t VpYMin() const { return vpYMin; }
    std::int32_t VpYMax() const { return vpYMax; }

  private:
    struct ScreenF {
        double X; // unrounded (x - XMin) * ScaleX
        double Y; // unrounded (y - YMin) * ScaleY
    };
    ScreenF Map(const TVector& v) const;
    ScreenF Map3D(double x, double y, double z) const;
    void LineFrom(ScreenF start, ScreenF end);
    TScreenPoint ToPixel(double fx, double fy) const;

    TMatrix transform2D;
    TMatrix transform3D;
    std::uint8_t polar = 0;
    std::int32_t vpXMax = 0, vpXMin = 0, vpYMin = 0, vpYMax = 0;
    double refX = 0, refY = 0;
    double xMax = 1, xMin = 0, yMax = 1, yMin = 0;
    double scaleX = 1, scaleY = 1;
    std::unique_ptr<TDIBUltra> surface;
    ScreenF pen{0, 0}; // last point given to MoveTo or LineTo, before rounding
};

} // namespace orlenta

// What the entity drawing operations need from a drawing surface: a small interface that
// the user interface implements over its own toolkit, and the projection it supplies.
#pragma once

#include "dxf/DXFGeometry.h"

#include <cstdint>
#include <functional>

namespace orlenta {

// A canvas pixel: x to the right, y downward.
struct DXFPixel {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const DXFPixel&) const = default;
};

class DXFCanvas {
  public:
    virtual ~DXFCanvas() = default;
    virtual std::uint32_t PenColour() const = 0;
    virtual void SetPenColour(std::uint32_t colour) = 0;
    virtual void MoveTo(std::int32_t x, std::int32_t y) = 0;
    // Draws to (x, y), leaving that end pixel itself undrawn.
    virtual void LineTo(std::int32_t x, std::int32_t y) = 0;
    // Ellipse inside the box (x1, y1) - (x2, y2).
    virtual void Ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    // Arc of the ellipse inside the box, counterclockwise on screen from the radial through
    // start to the radial through end.
    virtual void Arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                     DXFPixel start, DXFPixel end) = 0;
    virtual void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour) = 0;
};

// Maps a point through a matrix (or none) to a canvas pixel; supplied by the caller of Draw.
using ProjectPoint = std::function<DXFPixel(const Point3D&, const Matrix4x4*)>;

} // namespace orlenta

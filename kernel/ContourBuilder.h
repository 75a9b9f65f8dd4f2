// The contour builder: chains loose line and arc segments into closed or open contours.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <cstdint>

namespace orlenta {

// Chains segments (sorted by ascending MinX, each with a valid box) into contours.
// segments is consumed; result is replaced (element 0 empty) unless segments is empty.
// orientation 1 makes closed contours clockwise, 0 counter-clockwise.
void BuildContours(TMyEntityArray& segments, TRegionArrayX& result, std::uint8_t orientation,
                   double depth);

} // namespace orlenta

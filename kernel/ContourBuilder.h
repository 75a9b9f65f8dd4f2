// Inner switch of the contour builder: how its scans walk the segments and contours that
// are still free. Only the tests and the benchmark choose; everyone else calls
// BuildContours.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <cstdint>

enum class ContourScan {
    // Free elements kept in linked lists and the scan stops found by binary search:
    // used elements cost nothing. What BuildContours uses.
    Indexed,
    // Every scan walks its array from the first element. Same results, kept as the
    // reference the tests compare against and the benchmark's baseline.
    Plain,
};

void BuildContoursWith(TMyEntityArray& segments, TRegionArrayX& result, std::uint8_t orientation,
                       double depth, ContourScan scan);

// The extents of a laid-out text, as the preview fits its view to them.
#pragma once

namespace orlenta {

struct TViewBox {
    double MinX = 0;
    double MaxX = 0;
    double MinY = 0;
    double MaxY = 0;
    double Reserved1 = 0; // kept for the record's layout; never written
    double Reserved2 = 0;
    double Reserved3 = 0;
    double Height = 0;
    double Width = 0;
};

} // namespace orlenta

// Single-line fonts in the layouts; see StrokeLayout.h.
#include "layout/StrokeLayout.h"

#include "layout/LinearLayout.h"

#include "kernel/QuorvelKernel.h"

#include <vector>

namespace orlenta {

bool PlaceOpenStrokes(char32_t code, TTTFToVectorConverter& converter, TRegionArrayX& contours,
                      const std::function<void(TMyEntityArray&)>& place) {
    std::vector<TOpenPolyline> polylines;
    if (!converter.Source().GetOpenStrokes(converter.Font(), code, polylines) || polylines.empty())
        return false;
    for (const TOpenPolyline& line : polylines) {
        TVKRegionX c;
        c.IsOpen = 1;
        c.Entities.reserve(line.size() - 1);
        for (std::size_t i = 1; i < line.size(); ++i)
            c.Entities.push_back(MakeLine(line[i - 1].x, line[i - 1].y, line[i].x, line[i].y));
        place(c.Entities);
        CheckSegmentsFinite(c.Entities);
        c.MinX = c.Entities[0].MinX;
        c.MaxX = c.Entities[0].MaxX;
        c.MinY = c.Entities[0].MinY;
        c.MaxY = c.Entities[0].MaxY;
        for (const TMyEntity& e : c.Entities)
            GrowBox(c, e);
        contours.push_back(std::move(c));
    }
    converter.SetOffset(converter.GetCharAdvance(code));
    return true;
}

} // namespace orlenta

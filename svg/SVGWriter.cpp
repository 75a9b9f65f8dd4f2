// SVG output; see SVGWriter.h.
#include "svg/SVGWriter.h"

#include "kernel/Errors.h"
#include "kernel/ProgramStatistics.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/SafeFile.h"

#include <charconv>

namespace orlenta {

namespace {

// A stroke this wide (in mm) shows every line in a viewer; cutters take the path itself.
constexpr double StrokeWidthMm = 0.1;
constexpr double MmPerInch = 25.4;

void Append(std::string& out, double v) {
    CheckFinite(v);
    if (v == 0)
        v = 0; // no "-0"
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendPoint(std::string& out, TPoint2 p) {
    Append(out, p.x);
    out += ' ';
    Append(out, -p.y);
}

} // namespace

std::string FormatSVG(const TOutRegionArray& toolpaths, const TMachiningParameters& params) {
    const TProgramStatistics box = ComputeStatistics(toolpaths, params);
    const bool inch = params.Machine.Units == TUnits::Inch;
    const char* unit = inch ? "in" : "mm";
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
    Append(out, box.Width);
    out += unit;
    out += "\" height=\"";
    Append(out, box.Height);
    out += unit;
    out += "\" viewBox=\"";
    Append(out, box.MinX);
    out += ' ';
    Append(out, -box.MaxY);
    out += ' ';
    Append(out, box.Width);
    out += ' ';
    Append(out, box.Height);
    out += "\">\n<g fill=\"none\" stroke=\"black\" stroke-width=\"";
    Append(out, inch ? StrokeWidthMm / MmPerInch : StrokeWidthMm);
    out += "\" stroke-linejoin=\"round\">\n";
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        if (t.Entities.empty())
            continue;
        const TPoint2 start = ToolpathStart(t);
        out += "<path d=\"M";
        AppendPoint(out, start);
        out += " L";
        for (const TMyEntity& e : t.Entities) {
            out += ' ';
            AppendPoint(out, SegmentEnd(e));
        }
        if (ToolpathEnd(t) == start)
            out += " Z";
        out += "\"/>\n";
    }
    out += "</g>\n</svg>\n";
    return out;
}

void WriteSVG(const TOutRegionArray& toolpaths, const std::filesystem::path& fileName,
              const TMachiningParameters& params) {
    const std::string drawing = FormatSVG(toolpaths, params); // any error before the file
    WriteFileSafely(fileName, drawing);
}

} // namespace orlenta

// Toolpath statistics; see ProgramStatistics.h.
#include "kernel/ProgramStatistics.h"

#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <charconv>
#include <cmath>

namespace orlenta {

namespace {

double Distance(TPoint2 a, TPoint2 b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

double SegmentLength(const TMyEntity& e) {
    if (e.Radius == 0)
        return Distance(SegmentStart(e), SegmentEnd(e));
    return std::fabs(e.Radius * ArcSweep(e));
}

double Term(double length, double rate) {
    return rate > 0 ? length / rate : 0;
}

// The size from the box, the time from the lengths and rates; all of it finite.
TProgramStatistics Finished(TProgramStatistics s, const TMachiningParameters& p) {
    s.Width = s.MaxX - s.MinX;
    s.Height = s.MaxY - s.MinY;
    s.Minutes = Term(s.CuttingLength, p.RoughFeed) + Term(s.PlungeLength, p.RoughPlunge) +
                Term(s.RapidLength, p.Machine.RapidRate);
    for (double v : {s.Width, s.Height, s.CuttingLength, s.RapidLength, s.Minutes})
        CheckFinite(v);
    return s;
}

// Fixed-point with up to `decimals` digits, trailing zeros dropped ("12.5", "3").
std::string Plain(double v, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

} // namespace

TProgramStatistics ComputeStatistics(const TOutRegionArray& toolpaths,
                                     const TMachiningParameters& p) {
    TProgramStatistics s;
    const double zTravel = std::fabs(p.RapidHeight + p.Depth);
    bool down = false;
    bool any = false;
    TPoint2 at;
    auto grow = [&](TPoint2 q) {
        if (!any) {
            s.MinX = s.MaxX = q.x;
            s.MinY = s.MaxY = q.y;
            any = true;
        }
        s.MinX = std::min(s.MinX, q.x);
        s.MaxX = std::max(s.MaxX, q.x);
        s.MinY = std::min(s.MinY, q.y);
        s.MaxY = std::max(s.MaxY, q.y);
    };
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        if (t.Entities.empty())
            continue;
        ++s.Toolpaths;
        const TPoint2 start = ToolpathStart(t);
        if (t.RapidStart == 1 || !down) {
            if (down)
                s.RapidLength += zTravel;
            if (s.Plunges > 0)
                s.RapidLength += Distance(at, start);
            s.PlungeLength += zTravel;
            ++s.Plunges;
            down = true;
        } else if (t.RapidStart == 0) {
            s.CuttingLength += Distance(at, start);
            grow(at);
        }
        grow(start);
        for (const TMyEntity& e : t.Entities) {
            s.CuttingLength += SegmentLength(e);
            ++s.Segments;
            if (e.Radius == 0)
                grow(SegmentEnd(e));
            else {
                grow({e.MinX, e.MinY});
                grow({e.MaxX, e.MaxY});
            }
        }
        at = ToolpathEnd(t);
    }
    if (down)
        s.RapidLength += zTravel;
    return Finished(s, p);
}

TProgramStatistics ComputeCarveStatistics(const TCarvePathArray& paths,
                                          const TMachiningParameters& p) {
    TProgramStatistics s;
    bool any = false;
    TPoint3 at;
    for (const TCarvePath& path : paths) {
        if (path.Points.empty())
            continue;
        const TPoint3& first = path.Points.front();
        if (any) {
            s.RapidLength += std::fabs(p.RapidHeight + at.depth);
            s.RapidLength += Distance({at.x, at.y}, {first.x, first.y});
        } else {
            s.MinX = s.MaxX = first.x;
            s.MinY = s.MaxY = first.y;
        }
        any = true;
        ++s.Toolpaths;
        ++s.Plunges;
        s.PlungeLength += std::fabs(p.RapidHeight + first.depth);
        for (std::size_t i = 0; i < path.Points.size(); ++i) {
            const TPoint3& q = path.Points[i];
            s.MinX = std::min(s.MinX, q.x);
            s.MaxX = std::max(s.MaxX, q.x);
            s.MinY = std::min(s.MinY, q.y);
            s.MaxY = std::max(s.MaxY, q.y);
            if (i > 0) {
                s.CuttingLength +=
                    Distance({path.Points[i - 1].x, path.Points[i - 1].y}, {q.x, q.y});
                ++s.Segments;
            }
        }
        at = path.Points.back();
    }
    if (any)
        s.RapidLength += std::fabs(p.RapidHeight + at.depth);
    return Finished(s, p);
}

std::string StatisticsText(const TProgramStatistics& s, TUnits units) {
    const std::string u(UnitsName(units));
    const double seconds = std::round(s.Minutes * 60);
    const auto minutes = static_cast<long long>(seconds / 60);
    const auto rest = static_cast<long long>(seconds - 60.0 * static_cast<double>(minutes));
    std::string out;
    out += "size: " + Plain(s.Width, 3) + " x " + Plain(s.Height, 3) + " " + u + "\n";
    out += "toolpaths: " + std::to_string(s.Toolpaths) + "\n";
    out += "cutting moves: " + std::to_string(s.Segments) + "\n";
    out += "plunges: " + std::to_string(s.Plunges) + "\n";
    out += "cutting length: " + Plain(s.CuttingLength, 3) + " " + u + "\n";
    out += "rapid length: " + Plain(s.RapidLength, 3) + " " + u + "\n";
    out += "estimated time: " + std::to_string(minutes) + " min " + std::to_string(rest) + " s\n";
    return out;
}

std::string StatisticsJson(const TProgramStatistics& s, TUnits units) {
    std::string out = "{\"units\": \"" + std::string(UnitsName(units)) + "\"";
    auto number = [&](const char* key, double v) {
        out += std::string(", \"") + key + "\": " + Plain(v, 6);
    };
    auto count = [&](const char* key, std::size_t v) {
        out += std::string(", \"") + key + "\": " + std::to_string(v);
    };
    number("width", s.Width);
    number("height", s.Height);
    count("toolpaths", s.Toolpaths);
    count("segments", s.Segments);
    count("plunges", s.Plunges);
    number("cutting_length", s.CuttingLength);
    number("plunge_length", s.PlungeLength);
    number("rapid_length", s.RapidLength);
    number("minutes", s.Minutes);
    out += "}\n";
    return out;
}

} // namespace orlenta

// The SVG writer, read back by a real SVG parser (npm svg-parser): size in real units, one
// path per toolpath with its exact vertices, y pointing up, and a failed write that leaves
// the user's file as it was.
#include "kernel/Errors.h"
#include "svg/SVGWriter.h"
#include "tests/support/KernelFixtures.h"
#include "tests/support/NodeReaders.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

// Closed clockwise polygons at seeded places, some below the x axis.
TOutRegionArray Polygons(int count) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> place(-40, 60), size(0.1, 5);
    std::uniform_int_distribution<int> sides(3, 12);
    TOutRegionArray t(1);
    for (int k = 0; k < count; ++k) {
        const double cx = place(rng), cy = place(rng), r = size(rng);
        const int n = sides(rng);
        std::vector<TPoint2> pts;
        for (int i = 0; i <= n; ++i) {
            const double a = -2 * M_PI * (i % n) / n;
            pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
        }
        TVKOutRegion path;
        path.RapidStart = 1;
        path.Entities = Polyline(pts);
        t.push_back(std::move(path));
    }
    t.push_back(TVKOutRegion{}); // nothing to cut: no path
    return t;
}

class SVGFile : public TempDirTest {};

TEST_F(SVGFile, ARealParserReadsEveryToolpathBackExactly) {
    const auto toolpaths = Polygons(40);
    for (TUnits u : {TUnits::Millimetre, TUnits::Inch}) {
        TMachiningParameters p;
        p.Machine.Units = u;
        const fs::path file = Dir / "out.svg";
        WriteSVG(toolpaths, file, p);
        EXPECT_EQ(ReadBytes(file), FormatSVG(toolpaths, p));
        auto r = RunNodeReader("read_svg.js", "'" + file.string() + "'");
        EXPECT_TRUE(r.Errors.empty());
        const std::string unit = u == TUnits::Inch ? "in" : "mm";
        std::istringstream size(r.Values["size"]);
        std::string w, h;
        size >> w >> h;
        ASSERT_GT(w.size(), unit.size());
        EXPECT_EQ(w.substr(w.size() - unit.size()), unit);
        EXPECT_EQ(h.substr(h.size() - unit.size()), unit);
        // The box: viewBox x, -maxY, width, height, and width/height attributes equal to it.
        double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
        std::size_t pathNo = 0;
        for (const std::string& line : r.Lines) {
            if (line.rfind("path ", 0) != 0 || line.rfind("paths ", 0) == 0)
                continue;
            ++pathNo;
            ASSERT_LT(pathNo, toolpaths.size() - 1);
            const TVKOutRegion& t = toolpaths[pathNo];
            std::istringstream in(line.substr(5));
            std::string closed;
            std::size_t count = 0;
            in >> closed >> count;
            EXPECT_EQ(closed, "closed");
            ASSERT_EQ(count, t.Entities.size() + 1);
            for (std::size_t i = 0; i < count; ++i) {
                TPoint2 q;
                in >> q.x >> q.y;
                const TPoint2 want =
                    i == 0 ? SegmentStart(t.Entities[0]) : SegmentEnd(t.Entities[i - 1]);
                EXPECT_EQ(q, want) << "path " << pathNo << " point " << i;
                minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
                minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
            }
        }
        EXPECT_EQ(pathNo, toolpaths.size() - 2);
        EXPECT_EQ(r.Values["paths"], std::to_string(toolpaths.size() - 2));
        std::istringstream vb(r.Values["viewBox"]);
        double vx, vy, vw, vh;
        vb >> vx >> vy >> vw >> vh;
        EXPECT_EQ(vx, minX);
        EXPECT_EQ(vy, -maxY); // y up: the top of the drawing is the largest y
        EXPECT_DOUBLE_EQ(vw, maxX - minX);
        EXPECT_DOUBLE_EQ(vh, maxY - minY);
        EXPECT_EQ(std::stod(w), vw);
        EXPECT_EQ(std::stod(h), vh);
    }
}

TEST_F(SVGFile, FailuresLeaveTheFileAndNoTemporary) {
    const fs::path file = Dir / "keep.svg";
    WriteBytes(file, "old");
    TOutRegionArray bad = Polygons(2);
    bad[1].Entities[0].X2 = NAN;
    EXPECT_THROW(WriteSVG(bad, file, TMachiningParameters{}), EInvalidOp);
    EXPECT_THROW(WriteSVG(Polygons(2), Dir / "no" / "such.svg", TMachiningParameters{}),
                 EInOutError);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"keep.svg"});
}

} // namespace

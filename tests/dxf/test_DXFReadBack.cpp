// A real DXF reader (ezdxf, run by the system's own Python) reads what we write: its audit
// finds no error, and every entity comes back with its type, layer and coordinates.
#include "dxf/DXFObject.h"
#include "tests/dxf/DxfTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

using namespace orlenta;

namespace {

// The Python that carries Debian's ezdxf; another one may come first on PATH.
const char* const SystemPython = "/usr/bin/python3";

struct ReadEntity {
    std::string type;
    std::string layer;
    std::vector<double> nums;
};

struct ReadDrawing {
    int auditErrors = -1;
    std::vector<std::string> layers;
    std::vector<ReadEntity> entities;
};

bool EzdxfAvailable() {
    const std::string cmd = std::string(SystemPython) + " -c 'import ezdxf' 2>/dev/null";
    return std::filesystem::exists(SystemPython) && std::system(cmd.c_str()) == 0;
}

ReadDrawing ReadWithEzdxf(const std::string& fileName) {
    const std::string script = std::string(TEST_DATA_DIR) + "/../dxf/ezdxf_read.py";
    const std::string cmd = std::string(SystemPython) + " '" + script + "' '" + fileName + "' 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            out.append(buf, n);
        ::pclose(pipe);
    }
    ReadDrawing d;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string head;
        words >> head;
        if (head == "audit") {
            words >> d.auditErrors;
        } else if (head == "layer") {
            std::string name;
            words >> name;
            d.layers.push_back(name);
        } else {
            ReadEntity e{head, "", {}};
            words >> e.layer;
            double v;
            while (words >> v)
                e.nums.push_back(v);
            d.entities.push_back(e);
        }
    }
    EXPECT_EQ(d.auditErrors, 0) << out.substr(0, 2000);
    return d;
}

// Entity reals carry 7 significant digits, or 6 decimals for small values.
void ExpectNear7(double expected, double actual) {
    EXPECT_NEAR(actual, expected, 1E-6 + 1E-6 * std::fabs(expected));
}

class ReadBack : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!EzdxfAvailable())
            GTEST_SKIP() << "ezdxf is not installed for " << SystemPython;
    }
    ScratchDir dir;
};

TEST_F(ReadBack, LinesAndArcsComeBackOnLayerZero) {
    const double pi = std::numbers::pi;
    // A counterclockwise arc, then a clockwise one that is stored reversed.
    const auto toolpaths = Toolpaths({{0.5,
                                       {MakeLine(10, 5, 30, 5), MakeArc(30, 15, 10, 3 * pi / 2, 0),
                                        MakeArc(-1.5, 2.25, -4, pi / 2, pi / 4)}}});
    DXF_Object drawing(toolpaths, "Dxf");
    drawing.SaveToFile(dir.File("mixed.Dxf"));
    const ReadDrawing d = ReadWithEzdxf(dir.File("mixed.Dxf"));
    // ezdxf adds its own "Defpoints" layer.
    EXPECT_NE(std::find(d.layers.begin(), d.layers.end(), "0"), d.layers.end());
    ASSERT_EQ(d.entities.size(), 3u);
    const std::vector<std::vector<double>> expected = {
        {10, 5, 0.5, 30, 5, 0.5}, {30, 15, 0.5, 10, 270, 0}, {-1.5, 2.25, 0.5, 4, 45, 90}};
    const char* types[] = {"LINE", "ARC", "ARC"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(d.entities[i].type, types[i]);
        EXPECT_EQ(d.entities[i].layer, "0");
        ASSERT_EQ(d.entities[i].nums.size(), expected[i].size());
        for (std::size_t k = 0; k < expected[i].size(); ++k)
            ExpectNear7(expected[i][k], d.entities[i].nums[k]);
    }
}

// A drawing the size of a line of text: a few thousand lines, every one read back.
TEST_F(ReadBack, ThousandsOfLinesKeepOrderAndCoordinates) {
    const auto toolpaths = PolygonToolpaths(600, 0.25);
    DXF_Object drawing(toolpaths, "Dxf");
    drawing.SaveToFile(dir.File("text.Dxf"));
    const ReadDrawing d = ReadWithEzdxf(dir.File("text.Dxf"));

    std::vector<std::vector<double>> expected;
    for (std::size_t i = 1; i < toolpaths.size(); ++i)
        for (const TMyEntity& s : toolpaths[i].Entities)
            expected.push_back({s.X1, s.Y1, 0.25, s.X2, s.Y2, 0.25});
    ASSERT_GT(expected.size(), 2000u);
    ASSERT_EQ(d.entities.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(d.entities[i].type, "LINE") << i;
        ASSERT_EQ(d.entities[i].layer, "0") << i;
        ASSERT_EQ(d.entities[i].nums.size(), 6u) << i;
        for (std::size_t k = 0; k < 6; ++k)
            ExpectNear7(expected[i][k], d.entities[i].nums[k]);
    }
}

TEST_F(ReadBack, ExtrusionAndSecondLayerAreRead) {
    DXF_Object drawing(TOutRegionArray(1), "");
    drawing.CreateLayer("Marks", false)
        .AddEntity(std::make_unique<Circle_>(Point3D{0, 0, -1}, 3, 2.5, Point3D{1, -2, 0.75}));
    drawing.CreateLayer("0", true).AddEntity(
        std::make_unique<Point_>(Point3D{0, 0, 1}, 0, Point3D{4, 5, 6}));
    drawing.SaveToFile(dir.File("layers.Dxf"));
    const ReadDrawing d = ReadWithEzdxf(dir.File("layers.Dxf"));
    EXPECT_NE(std::find(d.layers.begin(), d.layers.end(), "Marks"), d.layers.end());
    ASSERT_EQ(d.entities.size(), 2u);
    EXPECT_EQ(d.entities[0].type, "POINT");
    EXPECT_EQ(d.entities[0].layer, "0");
    EXPECT_EQ(d.entities[0].nums, (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(d.entities[1].type, "CIRCLE");
    EXPECT_EQ(d.entities[1].layer, "Marks");
    EXPECT_EQ(d.entities[1].nums, (std::vector<double>{1, -2, 0.75, 2.5, 0, 0, -1}));
}

// V-carve paths: every piece a LINE whose ends carry their own depths; a plunge of one
// point runs from the surface down.
TEST_F(ReadBack, CarvePathsComeBackAsLinesInThreeDimensions) {
    TCarvePathArray paths(2);
    paths[0].Points = {{0, 0, 0}, {1.5, 1.5, 0.866}, {8.5, 1.5, 0.866}, {10, 0, 0}};
    paths[1].Points = {{3, 4, 1.25}};
    DXF_Object drawing(paths, "Dxf");
    drawing.SaveToFile(dir.File("vcarve.Dxf"));
    const ReadDrawing d = ReadWithEzdxf(dir.File("vcarve.Dxf"));
    const std::vector<std::vector<double>> expected = {{0, 0, 0, 1.5, 1.5, 0.866},
                                                       {1.5, 1.5, 0.866, 8.5, 1.5, 0.866},
                                                       {8.5, 1.5, 0.866, 10, 0, 0},
                                                       {3, 4, 0, 3, 4, 1.25}};
    ASSERT_EQ(d.entities.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(d.entities[i].type, "LINE");
        ASSERT_EQ(d.entities[i].nums.size(), 6u);
        for (std::size_t k = 0; k < 6; ++k)
            ExpectNear7(expected[i][k], d.entities[i].nums[k]);
    }
}

} // namespace

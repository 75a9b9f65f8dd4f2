// The DXF file as bytes: golden drawings, section and table layout, and what happens to the
// target when writing fails.
#include "dxf/DXFObject.h"
#include "dxf/DXFWriter.h"
#include "kernel/Errors.h"
#include "tests/dxf/DxfTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <limits>
#include <numbers>
#include <sys/resource.h>

using namespace orlenta;

namespace {

const double Pi = std::numbers::pi;

// Compares a written file with its golden copy (a mismatch leaves <name>.out beside it).
void ExpectGolden(const std::string& written, const std::string& goldenName) {
    ASSERT_TRUE(MatchesGolden(ReadBytes(written), goldenName)) << written;
}

// The text of a file split into its lines (without CR LF).
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The values of every pair with the given group code, in file order.
std::vector<std::string> Values(const std::vector<std::string>& lines, const std::string& code) {
    std::vector<std::string> values;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
        if (lines[i] == code)
            values.push_back(lines[i + 1]);
    return values;
}

class DXFWriterTest : public ::testing::Test {
  protected:
    ScratchDir dir;
};

TEST_F(DXFWriterTest, LineAndArcMatchGolden) {
    const auto toolpaths =
        Toolpaths({{0.5, {MakeLine(10, 5, 30, 5), MakeArc(30, 15, 10, 3 * Pi / 2, 0)}}});
    DXF_Object drawing(toolpaths, "Dxf");
    drawing.SaveToFile(dir.File("a.Dxf"));
    ExpectGolden(dir.File("a.Dxf"), "dxf_line_and_arc.Dxf");
}

TEST_F(DXFWriterTest, DrawingWithoutEntitiesMatchesGolden) {
    for (const TOutRegionArray& toolpaths : {TOutRegionArray{}, TOutRegionArray(1)}) {
        DXF_Object drawing(toolpaths, "Dxf");
        drawing.SaveToFile(dir.File("empty.Dxf"));
        ExpectGolden(dir.File("empty.Dxf"), "dxf_empty_drawing.Dxf");
    }
}

// Layers are listed last to first, entities written first to last; blocks come only from
// layer "0" and never appear among the entities.
TEST_F(DXFWriterTest, LayerTableReversedBlocksOnlyFromLayerZero) {
    DXF_Object drawing(TOutRegionArray(1), "");
    DXF_Layer& a = drawing.CreateLayer("A", false);
    DXF_Layer& b = drawing.CreateLayer("B", false);
    a.AddEntity(std::make_unique<Point_>(Point3D{0, 0, 1}, 1, Point3D{1, 2, 3}));
    b.AddEntity(std::make_unique<Point_>(Point3D{0, 0, 1}, 2, Point3D{4, 5, 6}));
    auto zeroBlock = std::make_unique<Block_>("ZB", Point3D{0, 0, 0});
    zeroBlock->Add(
        std::make_unique<Line_>(Point3D{0, 0, 1}, 3, Point3D{0, 0, 0}, Point3D{1, 1, 0}));
    drawing.CreateLayer("0", true).AddEntity(std::move(zeroBlock));
    b.AddEntity(std::make_unique<Block_>("BB", Point3D{0, 0, 0}));
    drawing.SaveToFile(dir.File("layers.Dxf"));

    const auto lines = Lines(ReadBytes(dir.File("layers.Dxf")));
    EXPECT_EQ(Values(lines, "2"),
              (std::vector<std::string>{"HEADER", "TABLES", "VPORT", "*ACTIVE", "LAYER", "B", "A",
                                        "0", "BLOCKS", "ZB", "ENTITIES"}));
    EXPECT_EQ(Values(lines, "8"), (std::vector<std::string>{"0", "0", "A", "B"}));
    EXPECT_EQ(Values(lines, "0"),
              (std::vector<std::string>{
                  "SECTION", "ENDSEC",  "SECTION", "TABLE",  "VPORT",   "ENDTAB", "TABLE", "LAYER",
                  "LAYER",   "LAYER",   "ENDTAB",  "ENDSEC", "SECTION", "BLOCK",  "LINE",  "ENDBLK",
                  "ENDSEC",  "SECTION", "POINT",   "POINT",  "ENDSEC",  "EOF"}));
    EXPECT_EQ(lines.front(), "0");
}

TEST_F(DXFWriterTest, InsertPairsDependOnScaleRotationAndAttributes) {
    DXF_Object drawing(TOutRegionArray(1), "");
    DXF_Layer& layer = drawing.CreateLayer("0", true);
    layer.AddEntity(std::make_unique<Insert_>(Point3D{0, 0, 1}, 0, Point3D{1, 2, 0}, "P"));
    auto full = std::make_unique<Insert_>(Point3D{0, 0, 1}, 0, Point3D{0, 0, 0}, "Q",
                                          Point3D{2, 1, 1}, Pi / 2);
    full->AddAttrib(std::make_unique<Point_>(Point3D{0, 0, 1}, 0, Point3D{0, 0, 0}));
    full->AddAttrib(std::make_unique<Point_>(Point3D{0, 0, 1}, 0, Point3D{1, 0, 0}));
    layer.AddEntity(std::move(full));
    drawing.SaveToFile(dir.File("insert.Dxf"));

    const auto lines = Lines(ReadBytes(dir.File("insert.Dxf")));
    const auto entities = std::find(lines.begin(), lines.end(), "ENTITIES");
    const std::vector<std::string> body(entities + 1, lines.end());
    const std::vector<std::string> expected = {
        // An insert always has its insertion matrix, so it always writes its extrusion.
        "0",   "INSERT",    "8",   "0",        "62",  "0",        "210", "0.000000",
        "220", "0.000000",  "230", "1.000000", "10",  "1.000000", "20",  "2.000000",
        "30",  "0.000000",  "2",   "P",        "66",  "0",        "0",   "INSERT",
        "8",   "0",         "62",  "0",        "210", "0.000000", "220", "0.000000",
        "230", "1.000000",  "10",  "0.000000", "20",  "0.000000", "30",  "0.000000",
        "2",   "Q",         "41",  "2.000000", "42",  "1.000000", "43",  "1.000000",
        "50",  "90.000000", "66",  "1",        "0",   "POINT",    "8",   "0",
        "62",  "0",         "10",  "0.000000", "20",  "0.000000", "30",  "0.000000",
        "0",   "POINT",     "8",   "0",        "62",  "0",        "10",  "1.000000",
        "20",  "0.000000",  "30",  "0.000000", "0",   "SEQEND",   "0",   "ENDSEC",
        "0",   "EOF"};
    EXPECT_EQ(body, expected);
}

TEST_F(DXFWriterTest, ExtrusionPairsFollowTheColour) {
    DXF_Object drawing(TOutRegionArray(1), "");
    drawing.CreateLayer("0", true).AddEntity(
        std::make_unique<Circle_>(Point3D{0, 0, -1}, 5, 2.5, Point3D{1, 1, 1}));
    drawing.SaveToFile(dir.File("ocs.Dxf"));
    const auto lines = Lines(ReadBytes(dir.File("ocs.Dxf")));
    const auto circle = std::find(lines.begin(), lines.end(), "CIRCLE");
    const std::vector<std::string> body(circle, circle + 19);
    EXPECT_EQ(body,
              (std::vector<std::string>{"CIRCLE", "8", "0", "62", "5", "210", "0.000000", "220",
                                        "0.000000", "230", "-1.000000", "10", "1.000000", "20",
                                        "1.000000", "30", "1.000000", "40", "2.500000"}));
}

// ---- failures: the old file stays, nothing partial is left ----------------------------

class SaveFailure : public DXFWriterTest {
  protected:
    const std::string oldBytes = "old drawing\r\n";
    std::string target = dir.File("job.Dxf");
    void SetUp() override { WriteBytes(target, oldBytes); }
    void ExpectOldFileAlone() {
        EXPECT_EQ(ReadBytes(target), oldBytes);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"job.Dxf"});
    }
};

TEST_F(SaveFailure, MissingFolderRaisesInOutError) {
    DXF_Object drawing(PolygonToolpaths(3, 0.1), "Dxf");
    EXPECT_THROW(drawing.SaveToFile(dir.File("no/such/folder/x.Dxf")), EInOutError);
    ExpectOldFileAlone();
}

// A disk that fills up part-way, simulated with the file size limit.
TEST_F(SaveFailure, WriteErrorPartWayKeepsOldFile) {
    DXF_Object drawing(PolygonToolpaths(2000, 0.1), "Dxf");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        drawing.SaveToFile(target);
        ADD_FAILURE() << "a write beyond the size limit was reported as success";
    } catch (const EInOutError& e) {
        EXPECT_STRNE(e.what(), "");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ExpectOldFileAlone();
}

// The final rename fails when the target is a folder; the temporary file must go.
TEST_F(SaveFailure, FailedRenameLeavesNoTemporaryFile) {
    std::filesystem::create_directory(dir.File("folder.Dxf"));
    DXF_Object drawing(PolygonToolpaths(3, 0.1), "Dxf");
    EXPECT_THROW(drawing.SaveToFile(dir.File("folder.Dxf")), EInOutError);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder.Dxf", "job.Dxf"}));
}

// NaN or infinity in a toolpath would make an unreadable file: the save fails instead.
TEST_F(SaveFailure, NonFiniteCoordinateRaisesAndKeepsOldFile) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const TMyEntity& bad :
         {MakeLine(0, 0, nan, 1), MakeLine(inf, 0, 1, 1), MakeArc(0, 0, 1, nan, 1)}) {
        DXF_Object drawing(Toolpaths({{0.2, {MakeLine(0, 0, 1, 1), bad}}}), "Dxf");
        EXPECT_THROW(drawing.SaveToFile(target), OrlentaError);
        ExpectOldFileAlone();
    }
}

TEST_F(SaveFailure, SuccessfulSaveReplacesOldFile) {
    DXF_Object drawing(PolygonToolpaths(3, 0.1), "Dxf");
    drawing.SaveToFile(target);
    const std::string bytes = ReadBytes(target);
    EXPECT_EQ(bytes.substr(0, 3), "0\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "EOF\r\n");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"job.Dxf"});
}

// Saving through a symbolic link replaces the file it points to and keeps the link.
TEST_F(SaveFailure, SymbolicLinkIsKept) {
    std::filesystem::create_symlink("job.Dxf", dir.File("link.Dxf"));
    DXF_Object drawing(PolygonToolpaths(3, 0.1), "Dxf");
    drawing.SaveToFile(dir.File("link.Dxf"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.Dxf")));
    EXPECT_EQ(ReadBytes(target).substr(0, 3), "0\r\n");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"job.Dxf", "link.Dxf"}));
}

} // namespace

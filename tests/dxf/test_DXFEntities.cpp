// Entity operations seen from outside: drawing through a recording canvas, descriptions,
// vertex editing and block references.
#include "dxf/DXFObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

using namespace orlenta;

namespace {

const double Pi = std::numbers::pi;
const Point3D Up{0, 0, 1};

// Records every call as one line of text.
class RecordingCanvas : public DXFCanvas {
  public:
    std::vector<std::string> calls;
    std::uint32_t pen = 0xFFFFFFFF;

    std::uint32_t PenColour() const override { return pen; }
    void SetPenColour(std::uint32_t colour) override {
        pen = colour;
        Add("pen", {static_cast<std::int64_t>(colour)});
    }
    void MoveTo(std::int32_t x, std::int32_t y) override { Add("move", {x, y}); }
    void LineTo(std::int32_t x, std::int32_t y) override { Add("line", {x, y}); }
    void Ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        Add("ellipse", {x1, y1, x2, y2});
    }
    void Arc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, DXFPixel s,
             DXFPixel e) override {
        Add("arc", {x1, y1, x2, y2, s.x, s.y, e.x, e.y});
    }
    void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour) override {
        Add("pixel", {x, y, static_cast<std::int64_t>(colour)});
    }

  private:
    void Add(const char* name, std::initializer_list<std::int64_t> args) {
        std::ostringstream s;
        s << name;
        for (auto a : args)
            s << ' ' << a;
        calls.push_back(s.str());
    }
};

// World units to pixels: the matrix first, then 10 pixels per unit with y flipped.
DXFPixel Project(const Point3D& p, const Matrix4x4* m) {
    const Point3D w = m ? TransformPoint(p, *m) : p;
    return {static_cast<std::int32_t>(std::lround(w.x * 10)),
            static_cast<std::int32_t>(std::lround(-w.y * 10))};
}

std::vector<std::string> Cross(int x, int y) {
    auto s = [](const char* op, int a, int b) {
        return std::string(op) + " " + std::to_string(a) + " " + std::to_string(b);
    };
    return {s("move", x - 2, y - 2), s("line", x + 3, y + 3), s("move", x - 2, y + 2),
            s("line", x + 3, y - 3)};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(DrawEntities, PointLineAndVerticesWithPenChangesOnlyWhenNeeded) {
    RecordingCanvas canvas;
    Point_ point(Up, 1, {1, 2, 0});
    Line_ line(Up, 1, {0, 0, 0}, {3, -1, 0});
    point.Draw(canvas, nullptr, Project);
    line.Draw(canvas, nullptr, Project);
    line.DrawVertices(canvas, nullptr, Project);
    auto expected = Concat({"pen 255"}, Cross(10, -20));
    expected = Concat(expected, {"move 0 0", "line 30 10"});
    expected = Concat(Concat(expected, Cross(0, 0)), Cross(30, 10));
    EXPECT_EQ(canvas.calls, expected);
}

// A circle whose box is a pixel wide or less becomes one pixel at its lower-left corner.
TEST(DrawEntities, CircleAndArcBoxesOrSinglePixel) {
    RecordingCanvas canvas;
    canvas.pen = 0;
    Circle_ big(Up, 0, 1, {0, 0, 0});
    Circle_ tiny(Up, 0, 0.05, {1, 1, 0});
    Arc_ arc(Up, 0, 1, {0, 0, 0}, 0, Pi / 2);
    Arc_ tinyArc(Up, 0, 0.01, {2, 0, 0}, 0, Pi / 2);
    big.Draw(canvas, nullptr, Project);
    tiny.Draw(canvas, nullptr, Project);
    arc.Draw(canvas, nullptr, Project);
    tinyArc.Draw(canvas, nullptr, Project);
    EXPECT_EQ(canvas.calls,
              (std::vector<std::string>{"ellipse -10 10 10 -10", "pixel 10 -10 0",
                                        "arc -10 10 10 -10 10 0 0 -10", "pixel 20 0 0"}));
}

// The entity's own object matrix applies before the one it is given.
TEST(DrawEntities, OwnMatrixFirstThenGiven) {
    RecordingCanvas canvas;
    canvas.pen = 0;
    Line_ line({0, 0, -1}, 0, {1, 0, 0}, {2, 0, 0}); // mirrored in x by its extrusion
    const Matrix4x4 shift = TranslationMatrix({5, 0, 0});
    line.Draw(canvas, &shift, Project);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"move 40 0", "line 30 0"}));
}

// ---- blocks and inserts -------------------------------------------------------------

class Blocks : public ::testing::Test {
  protected:
    void SetUp() override {
        auto square = std::make_unique<Block_>("SQ", Point3D{});
        square->Add(std::make_unique<Line_>(Up, 0, Point3D{0, 0, 0}, Point3D{1, 0, 0}));
        blocks.Add(std::move(square));
    }
    Entity_List blocks{"Block_"};
    RecordingCanvas canvas;
};

// Rotated a quarter turn counterclockwise, scaled by 2 in x, moved to (3, 4).
TEST_F(Blocks, InsertPlacesBlockAndDrawsAttributesFirst) {
    canvas.pen = 0;
    Insert_ insert(Up, 0, {3, 4, 0}, "SQ", {2, 1, 1}, Pi / 2);
    insert.AddAttrib(std::make_unique<Point_>(Up, 0, Point3D{0, 0, 0}));
    insert.SetBlockList(&blocks);
    insert.Draw(canvas, nullptr, Project);
    // The block line (0,0)-(1,0) turns into (0,0)-(0,1), stays (scale x acts after the
    // rotation on a zero x), and moves to (3,4)-(3,5).
    EXPECT_EQ(canvas.calls, Concat(Cross(30, -40), {"move 30 -40", "line 30 -50"}));
    canvas.calls.clear();
    insert.DrawVertices(canvas, nullptr, Project);
    EXPECT_EQ(canvas.calls, Cross(30, -40));
}

TEST_F(Blocks, EmptyBlockNameDrawsAttributesOnlyWithoutLookup) {
    canvas.pen = 0;
    Insert_ insert(Up, 0, {0, 0, 0}, "");
    insert.AddAttrib(std::make_unique<Point_>(Up, 0, Point3D{1, 1, 0}));
    insert.Draw(canvas, nullptr, Project); // no block list at all: must not look one up
    EXPECT_EQ(canvas.calls, Cross(10, -10));
}

TEST_F(Blocks, MissingBlockRaisesWithItsName) {
    Insert_ insert(Up, 0, {0, 0, 0}, "NONE");
    try {
        insert.SetBlockList(&blocks);
        FAIL() << "no error for a missing block";
    } catch (const OrlentaError& e) {
        EXPECT_STREQ(e.what(), "Block reference NONE not found");
    }
    Insert_ unset(Up, 0, {0, 0, 0}, "SQ");
    EXPECT_THROW(unset.FindBlock(), OrlentaError); // never given a block list
}

// A block holding an insert of itself raises instead of recursing without end.
TEST_F(Blocks, SelfReferenceRaises) {
    auto loop = std::make_unique<Block_>("LOOP", Point3D{});
    loop->Add(std::make_unique<Insert_>(Up, 0, Point3D{1, 0, 0}, "LOOP"));
    blocks.Add(std::move(loop));
    Insert_ insert(Up, 0, {0, 0, 0}, "LOOP");
    EXPECT_THROW(insert.SetBlockList(&blocks), DXF_exception);
    EXPECT_THROW(insert.Draw(canvas, nullptr, Project), DXF_exception);
    EXPECT_THROW(insert.Details(), DXF_exception);
}

TEST_F(Blocks, AttributeSlotsAreBounded) {
    Insert_ insert(Up, 0, {}, "");
    for (int i = 0; i < Insert_::MaxAttribs; ++i)
        insert.AddAttrib(std::make_unique<Point_>(Up, 0, Point3D{}));
    EXPECT_THROW(insert.AddAttrib(std::make_unique<Point_>(Up, 0, Point3D{})), DXF_exception);
    EXPECT_EQ(insert.NumAttribs, Insert_::MaxAttribs);
}

// Moving an insert moves what it draws.
TEST_F(Blocks, TranslatedInsertDrawsAtItsNewPlace) {
    canvas.pen = 0;
    Insert_ insert(Up, 0, {0, 0, 0}, "SQ");
    insert.SetBlockList(&blocks);
    insert.Translate({1, 1, 0});
    insert.Draw(canvas, nullptr, Project);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"move 10 -10", "line 20 -10"}));
}

// ---- descriptions -------------------------------------------------------------------

TEST(Details, TextsPerClass) {
    EXPECT_EQ(Line_(Up, 0, {1, 2, 3}, {4, 5, 6}).Details(),
              "Line_\r\nWCS\r\n(1.00, 2.00, 3.00)\r\n(4.00, 5.00, 6.00)");
    EXPECT_EQ(Arc_({0, 0, -1}, 0, 2, {0, 0, 0}, 0.5, 1.25).Details(),
              "Arc_\r\nOCS Axis (0.00, 0.00, -1.00)\r\n(0.00, 0.00, 0.00)\r\nRadius = 2.000000"
              "\r\nAngle 1 = 0.500000\r\nAngle 2 = 1.250000");
}

TEST_F(Blocks, InsertDetailsIncludeAttributesAndBlock) {
    Insert_ insert(Up, 0, {1, 0, 0}, "SQ", {1, 1, 1}, Pi);
    insert.AddAttrib(std::make_unique<Point_>(Up, 0, Point3D{}));
    insert.SetBlockList(&blocks);
    EXPECT_EQ(insert.Details(),
              "Insert_\r\nOCS Axis (0.00, 0.00, 1.00)\r\n(1.00, 0.00, 0.00)\r\nBlock \tSQ\r\n"
              "Scaling\t(1.00, 1.00, 1.00)\r\nRotation\t180.000000\r\nAttribs \t1\r\n\r\n"
              "1 : Point_\r\nWCS\r\n(0.00, 0.00, 0.00)\r\n\r\n----BLOCK-----\r\n"
              "Name :\tSQ\r\nBase :\t(0.00, 0.00, 0.00)\r\n\r\n"
              "Line_\r\nWCS\r\n(0.00, 0.00, 0.00)\r\n(1.00, 0.00, 0.00)\r\n---ENDBLOCK---");
}

// ---- vertex operations --------------------------------------------------------------

TEST(Vertices, QuantizeRoundsHalfToEvenOnChosenAxes) {
    Line_ line(Up, 0, {0.5, 1.5, 2.5}, {2.5, 0.26, -1.5});
    line.Quantize(QuantizeX | QuantizeZ, 1);
    EXPECT_TRUE(SamePoint(line.P1, {0, 1.5, 2}));
    EXPECT_TRUE(SamePoint(line.P2, {2, 0.26, -2}));
    line.Quantize(QuantizeY, 10);
    EXPECT_TRUE(SamePoint(line.P2, {2, 0.3, -2}));
    // A factor that gives no finite result leaves the entity as it was.
    EXPECT_THROW(line.Quantize(QuantizeX, 0), OrlentaError);
    EXPECT_TRUE(SamePoint(line.P1, {0, 1.5, 2}));
}

TEST(Vertices, ClosestDistanceAndMove) {
    Line_ line(Up, 0, {0, 0, 0}, {2, 0, 0});
    EXPECT_TRUE(SamePoint(line.ClosestVertex({1, 5, 0}), {2, 0, 0})); // a tie gives P2
    EXPECT_TRUE(SamePoint(line.ClosestVertex({0.5, 0, 9}), {0, 0, 0}));
    EXPECT_EQ(line.DistanceSquared({2, 3, 7}), 9);

    Line_ same(Up, 0, {1, 1, 0}, {1, 1, 0});
    EXPECT_TRUE(same.MoveVertex({1, 1, 0}, {5, 5, 0}));
    EXPECT_TRUE(SamePoint(same.P1, {5, 5, 0}));
    EXPECT_TRUE(SamePoint(same.P2, {1, 1, 0}));
    EXPECT_FALSE(same.MoveVertex({7, 7, 0}, {0, 0, 0}));

    Circle_ circle(Up, 0, 2, {0, 0, 0});
    EXPECT_TRUE(circle.IsInside({0, 2, 99}));
    EXPECT_FALSE(circle.IsInside({2, 0.1, 0}));
    EXPECT_FALSE(Arc_(Up, 0, 2, {0, 0, 0}, 0, Pi).IsInside({0, 0, 0}));

    Block_ block("b", {});
    EXPECT_EQ(block.DistanceSquared({}), 1E9);
    EXPECT_THROW(block.Translate({1, 0, 0}), DXF_exception); // blocks do not move
}

} // namespace

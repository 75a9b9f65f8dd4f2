// The drawing model: building from toolpaths, layers and entity lists, colours, extents and
// the geometry helpers that can meet degenerate input.
#include "dxf/DXFObject.h"
#include "tests/dxf/DxfTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace orlenta;

namespace {

const double Pi = std::numbers::pi;

std::vector<std::string> ListNames(const DXF_Layer& layer) {
    std::vector<std::string> names;
    for (const auto& list : layer.EntityLists) {
        names.push_back(list->Name);
        EXPECT_EQ(list->Layer, &layer);
    }
    EXPECT_EQ(names, layer.EntityNames);
    return names;
}

TEST(DXFObject, EmptyToolpathArraysGiveLayerZeroWithoutLists) {
    for (const TOutRegionArray& toolpaths : {TOutRegionArray{}, TOutRegionArray(1)}) {
        DXF_Object drawing(toolpaths, "");
        EXPECT_EQ(drawing.Name, "Untitled");
        ASSERT_EQ(drawing.Layers.size(), 1u);
        EXPECT_EQ(drawing.Layers[0]->Name, "0");
        EXPECT_EQ(drawing.Layers[0]->EntityListCount(), 0);
    }
}

// Lists appear in the order their classes first occur; z is the toolpath's depth as it is;
// element 0 of the toolpath array is not part of the drawing.
TEST(DXFObject, SegmentsBecomeLinesAndArcsInFirstMetOrder) {
    auto toolpaths = Toolpaths({{0.75, {MakeArc(1, 2, -3, Pi / 2, Pi / 4), MakeLine(0, 0, 1, 0)}},
                                {-0.25, {MakeLine(1, 0, 1, 1), MakeArc(0, 0, 1, 0, Pi)}}});
    toolpaths[0].Entities.push_back(MakeLine(9, 9, 9, 9));
    DXF_Object drawing(toolpaths, "Dxf");
    const DXF_Layer& layer = *drawing.Layers[0];
    EXPECT_EQ(ListNames(layer), (std::vector<std::string>{"Arc_", "Line_"}));
    const auto& arcs = layer.EntityLists[0]->Entities;
    const auto& lines = layer.EntityLists[1]->Entities;
    ASSERT_EQ(arcs.size(), 2u);
    ASSERT_EQ(lines.size(), 2u);

    // The clockwise arc is stored counterclockwise over the same points.
    const auto& cw = dynamic_cast<const Arc_&>(*arcs[0]);
    EXPECT_EQ(cw.Radius, 3);
    EXPECT_EQ(cw.Angle1, Pi / 4);
    EXPECT_EQ(cw.Angle2, Pi / 2);
    EXPECT_TRUE(SamePoint(cw.P1, {1, 2, 0.75}));
    const auto& ccw = dynamic_cast<const Arc_&>(*arcs[1]);
    EXPECT_EQ(ccw.Angle1, 0);
    EXPECT_EQ(ccw.Angle2, Pi);
    EXPECT_EQ(ccw.P1.z, -0.25);

    const auto& second = dynamic_cast<const Line_&>(*lines[1]);
    EXPECT_TRUE(SamePoint(second.P1, {1, 0, -0.25}));
    EXPECT_TRUE(SamePoint(second.P2, {1, 1, -0.25}));
    for (const auto* list : {&arcs, &lines})
        for (const auto& e : *list) {
            EXPECT_EQ(e->ColourNumber, 0);
            EXPECT_EQ(e->Colour, 0u);
            EXPECT_FALSE(e->OCS); // the save path allocates no matrices
            EXPECT_TRUE(SamePoint(e->Extrusion, {0, 0, 1}));
        }
}

TEST(DXFObject, CreateLayerReturnsExistingOrRaises) {
    DXF_Object drawing(TOutRegionArray(1), "x");
    EXPECT_EQ(&drawing.CreateLayer("0", true), drawing.Layers[0].get());
    EXPECT_THROW(drawing.CreateLayer("0", false), DXF_exception);
    EXPECT_EQ(drawing.Layers.size(), 1u);
    DXF_Layer& lower = drawing.CreateLayer("a", false);
    EXPECT_NE(&lower, &drawing.CreateLayer("A", false)); // names are case-sensitive
    EXPECT_EQ(drawing.Layers.size(), 3u);
}

// By-block (0) and by-layer (256) entities take the layer's colour when filed.
TEST(DXFObject, AddEntityAppliesLayerColour) {
    DXF_Layer layer("L");
    layer.ColourNumber = 3;
    layer.AddEntity(std::make_unique<Point_>(Point3D{0, 0, 1}, 0, Point3D{}));
    layer.AddEntity(std::make_unique<Point_>(Point3D{0, 0, 1}, 256, Point3D{}));
    layer.AddEntity(std::make_unique<Point_>(Point3D{0, 0, 1}, 5, Point3D{}));
    const auto& points = layer.EntityLists[0]->Entities;
    EXPECT_EQ(points[0]->ColourNumber, 3);
    EXPECT_EQ(points[1]->ColourNumber, 3);
    EXPECT_EQ(points[1]->Colour, ColourTable[3]);
    EXPECT_EQ(points[2]->ColourNumber, 5);
}

TEST(DXFEntity, ColoursByNumberAndByScreenColour) {
    Point_ p({0, 0, 1}, 0, {});
    p.SetColour(13);
    EXPECT_EQ(p.ColourNumber, 13);
    EXPECT_EQ(p.Colour, 0x000000u);
    p.SetColour(-2); // counted back from the end of the table rather than outside it
    EXPECT_EQ(p.Colour, ColourTable[11]);
    p.SetColourRGB(0x000000);
    EXPECT_EQ(p.ColourNumber, 7);
    p.SetColourRGB(0x808080);
    EXPECT_EQ(p.ColourNumber, 12);
    p.SetColourRGB(0x123456);
    EXPECT_EQ(p.ColourNumber, 0);
    EXPECT_EQ(p.Colour, 0x123456u);
}

// ---- extents ------------------------------------------------------------------------

struct ArcExtentsCase {
    double angle1, angle2;
    Point3D min, max;
};

void PrintTo(const ArcExtentsCase& c, std::ostream* os) {
    *os << "angles " << c.angle1 << " to " << c.angle2;
}

class ArcExtents : public ::testing::TestWithParam<ArcExtentsCase> {};

// Unit arc about the origin at z = 2: the extents hold the end points and the axis
// crossings passed, all with z = 0. Angles outside [0, 2 pi) give the same answer as their
// equivalents inside, and always finish.
TEST_P(ArcExtents, EndsAndAxisCrossings) {
    const auto& c = GetParam();
    const Arc_ arc({0, 0, 1}, 0, 1, {0, 0, 2}, c.angle1, c.angle2);
    Point3D max{-1E10, -1E10, -1E10}, min{1E10, 1E10, 1E10};
    arc.UpdateExtents(max, min);
    const double tol = 1E-12;
    EXPECT_NEAR(min.x, c.min.x, tol);
    EXPECT_NEAR(min.y, c.min.y, tol);
    EXPECT_NEAR(max.x, c.max.x, tol);
    EXPECT_NEAR(max.y, c.max.y, tol);
    EXPECT_EQ(min.z, 0);
    EXPECT_EQ(max.z, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Unit, ArcExtents,
    ::testing::Values(ArcExtentsCase{0, Pi, {-1, 0, 0}, {1, 1, 0}},
                      ArcExtentsCase{3 * Pi / 2, Pi / 2, {0, -1, 0}, {1, 1, 0}},
                      ArcExtentsCase{0, Pi / 2, {0, 0, 0}, {1, 1, 0}},
                      ArcExtentsCase{-Pi / 2, Pi / 2, {0, -1, 0}, {1, 1, 0}},
                      ArcExtentsCase{2 * Pi, 3 * Pi, {-1, 0, 0}, {1, 1, 0}},
                      ArcExtentsCase{-20 * Pi, 1E6 * Pi + Pi, {-1, 0, 0}, {1, 1, 0}},
                      ArcExtentsCase{2 * Pi - 1E-15, Pi, {-1, 0, 0}, {1, 1, 0}}));

// A saved drawing at depth d has extents z from 0 (arc points) to d (line ends).
TEST(DXFObject, LayerExtentsMixLineDepthWithArcZeroZ) {
    DXF_Object drawing(
        Toolpaths({{0.5, {MakeLine(10, 5, 30, 5), MakeArc(30, 15, 10, 3 * Pi / 2, 0)}}}), "Dxf");
    Point3D max{-1E10, -1E10, -1E10}, min{1E10, 1E10, 1E10};
    drawing.Layers[0]->UpdateExtents(max, min);
    EXPECT_NEAR(min.x, 10, 1E-12);
    EXPECT_NEAR(min.y, 5, 1E-12);
    EXPECT_EQ(min.z, 0);
    EXPECT_NEAR(max.x, 40, 1E-12);
    EXPECT_NEAR(max.y, 15, 1E-12);
    EXPECT_EQ(max.z, 0.5);
}

// ---- geometry helpers ---------------------------------------------------------------

TEST(DXFGeometry, NormalizeOfZeroVectorStaysZero) {
    const Point3D z = Normalize({0, 0, 0});
    EXPECT_TRUE(SamePoint(z, {0, 0, 0}));
    const Point3D n = Normalize({3, 0, 4});
    EXPECT_DOUBLE_EQ(n.x, 0.6);
    EXPECT_DOUBLE_EQ(n.z, 0.8);
}

// A zero extrusion gives a degenerate but finite object matrix.
TEST(DXFGeometry, ZeroExtrusionGivesNoNaN) {
    Point_ p({0, 0, 0}, 0, {1, 2, 3});
    ASSERT_TRUE(p.OCS);
    for (const auto& row : p.OCS->m)
        for (double v : row)
            EXPECT_FALSE(std::isnan(v));
}

// The arbitrary axis rule: a nearly vertical extrusion takes world Y as reference.
TEST(DXFGeometry, ArbitraryAxisForDownwardExtrusion) {
    Point_ p({0, 0, -1}, 0, {1, 2, 3});
    ASSERT_TRUE(p.OCS);
    const Point3D w = TransformPoint({1, 2, 3}, *p.OCS);
    EXPECT_DOUBLE_EQ(w.x, -1);
    EXPECT_DOUBLE_EQ(w.y, 2);
    EXPECT_DOUBLE_EQ(w.z, -3);
}

TEST(DXFGeometry, CombineMatricesByValue) {
    const Matrix4x4 t = TranslationMatrix({1, 2, 3});
    const Matrix4x4 s = ScaleMatrix({2, 2, 2});
    EXPECT_FALSE(CombineMatrices(nullptr, nullptr));
    const auto first = CombineMatrices(&t, &s);  // translate, then scale
    const auto second = CombineMatrices(&s, &t); // scale, then translate
    ASSERT_TRUE(first && second);
    const Point3D a = TransformPoint({0, 0, 0}, *first);
    const Point3D b = TransformPoint({1, 1, 1}, *second);
    EXPECT_TRUE(SamePoint(a, {2, 4, 6}));
    EXPECT_TRUE(SamePoint(b, {3, 4, 5}));
    EXPECT_TRUE(SamePoint(TransformPoint({1, 0, 0}, *CombineMatrices(&t, nullptr)), {2, 2, 3}));
}

} // namespace
